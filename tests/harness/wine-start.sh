#!/bin/sh
# Starts a persistent wineserver for the prefix and warms it. The warm-up's
# standard streams go nowhere: Wine's service processes would otherwise keep
# ctest's pipes open and the run would never end.
: "${WINEPREFIX:?WINEPREFIX must be set}"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# A crashing test program must fail, not wait for someone to close Wine's
# crash dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || true
# No window manager runs on the test display: unmanaged windows spare the
# seconds Wine waits for one at each show, hide and focus change.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
# Sound goes to the ALSA file device of the test environment (ALSA_CONFIG_PATH),
# never to a PulseAudio server the machine may or may not run.
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f </dev/null >/dev/null 2>&1 || true
echo "wine prefix ready: $WINEPREFIX"
