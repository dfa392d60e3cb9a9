#!/bin/sh
# Starts a persistent wineserver for the prefix and warms it. The warm-up's
# standard streams go nowhere: Wine's service processes would otherwise keep
# ctest's pipes open and the run would never end.
. "$(dirname "$0")/../../scripts/wine-layout.sh"
: "${WINEPREFIX:?WINEPREFIX must be set}"
mkdir -p "$WINEPREFIX"
# A run without a display (ctest or "cmake --workflow" by hand) gets an X
# server of its own for its windows; scripts/wine-run.sh finds it through
# vm2-display, and wine-stop.sh ends it.
rm -f "$WINEPREFIX/vm2-display" "$WINEPREFIX/vm2-xvfb.pid"
if [ -z "$DISPLAY" ]; then
  n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$WINEPREFIX/vm2-xvfb.pid"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  echo ":$n" >"$WINEPREFIX/vm2-display"
  DISPLAY=":$n"
  export DISPLAY
fi
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# A crashing test program must fail, not wait for someone to close Wine's
# crash dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || true
# No window manager runs on the test display: unmanaged windows spare the
# seconds Wine waits for one at each show, hide and focus change.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
# Per-program settings (a Windows version, DLL overrides) are only ever set
# by a test for the run of one program: a test that died before taking its
# own back must not hand it to every later run in this prefix.
wine reg delete 'HKCU\Software\Wine\AppDefaults' /f </dev/null >/dev/null 2>&1 || true
# Sound goes to the ALSA file device of the test environment (ALSA_CONFIG_PATH),
# never to a PulseAudio server the machine may or may not run.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f </dev/null >/dev/null 2>&1 || true
# Help pages (.htm, .html) open in the kit's stand-in viewer, which records
# the page it was given: the shell never starts a browser of the machine.
if [ -n "$VM2PR2_BIN" ]; then
  viewer="Z:$(printf '%s' "$VM2PR2_BIN/VM2PAGEV.EXE" | tr / '\\')"
  for ext in .htm .html; do
    wine reg add "HKCR\\$ext" /ve /d VM2PR2.Page /f </dev/null >/dev/null 2>&1 || true
  done
  wine reg add 'HKCR\VM2PR2.Page\shell\open\command' /ve /d "\"$viewer\" \"%1\"" /f </dev/null >/dev/null 2>&1 || true
fi
echo "wine prefix ready: $WINEPREFIX${DISPLAY:+ on display $DISPLAY}"
