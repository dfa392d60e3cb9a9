#!/bin/sh
# Runs one of the project's Windows programs under Wine.
#   wine-run.sh <program.exe> [arguments...]
#       in $WINEPREFIX, whose wineserver the caller keeps running (the test
#       runs: the harness.wine_start fixture starts it, and the X display when
#       the run has none).
#   wine-run.sh --session <prefix> <program.exe> [arguments...]
#       a session of its own (the demo, the benchmark): makes the prefix if
#       needed, starts its wineserver and stops it afterwards, and gives the
#       program a display when there is none. Only the program's output is
#       shown; Wine's own messages go to <prefix>/wine.log, which is named
#       when the program fails.
. "$(dirname "$0")/wine-layout.sh"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

if [ "$1" != "--session" ] && [ "$1" != "--session-inner" ]; then
  : "${WINEPREFIX:?WINEPREFIX must be set}"
  if [ -z "$DISPLAY" ] && [ -f "$WINEPREFIX/vm2-display" ]; then
    DISPLAY=$(cat "$WINEPREFIX/vm2-display")
    export DISPLAY
  fi
  # The first program that needs the desktop starts Wine's explorer.exe, which
  # inherits that program's standard error and lives until the desktop has
  # been idle a while: on the caller's pipe (ctest's) it would hold the run
  # open for as long as other programs keep the desktop busy. The program
  # writes to a file instead, passed on as it grows and to its end.
  out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 1
  tries=1
  while :; do
    wine "$@" >"$out" 2>&1 </dev/null &
    pid=$!
    tail -n +1 -s 0.1 -f --pid=$pid "$out"
    wait $pid
    status=$?
    # Where the address space stays randomised (wine-layout.sh), about once
    # in a few thousand starts Wine cannot map its shared user data and the
    # program ends within 0.15 s without a word, Wine's messages being off. A
    # test program writes its first line before it tests anything, so such a
    # run tested nothing: it gets one more start, and the lost one is shown.
    # Twice in a row is a failure.
    if [ $status = 0 ] || [ -s "$out" ]; then break; fi
    echo "$(basename "$1") ended with status $status before writing anything (start $tries)" >&2
    [ $tries = 1 ] || break
    tries=2
  done
  rm -f "$out"
  exit $status
fi

self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
mode=$1 prefix=$2 exe="$(cd "$(dirname "$3")" && pwd)/$(basename "$3")"
shift 3
mkdir -p "$prefix"
WINEPREFIX=$(cd "$prefix" && pwd)
export WINEPREFIX
log="$WINEPREFIX/wine.log"
# A folder Wine maps to a drive: started elsewhere, Wine complains before it
# falls back to the Windows folder.
cd "$WINEPREFIX" || exit 1

session() {
  wineserver -p </dev/null >>"$log" 2>&1
  # Makes or updates the prefix first, so that its messages go to the log.
  wineboot -u </dev/null >>"$log" 2>&1
  # On an X server of our own no window manager runs: unmanaged windows spare
  # the seconds Wine would wait for one at each show, hide and focus change.
  if [ "$mode" = "--session-inner" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$log" 2>&1
  fi
  # An ALSA configuration given by the caller (an output without a sound
  # card) is used by Wine's ALSA driver.
  if [ -n "$ALSA_CONFIG_PATH" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f </dev/null >>"$log" 2>&1
  fi
  status=0
  wine "$exe" "$@" 2>>"$log" || status=$?
  # Before the display goes: Wine's processes would report it lost.
  wineserver -k </dev/null >>"$log" 2>&1
  wineserver -w </dev/null >>"$log" 2>&1
  return $status
}

if [ "$mode" = "--session-inner" ]; then
  session "$@"
  exit $?
fi

: >"$log"
status=0
if [ -n "$DISPLAY" ]; then
  session "$@" || status=$?
else
  # xvfb-run runs a program, not a shell function: this script once more.
  xvfb-run -a -s "-screen 0 1280x1024x24" sh "$self" --session-inner "$WINEPREFIX" "$exe" "$@" 2>>"$log" || status=$?
fi
if [ $status != 0 ]; then
  echo "$(basename "$exe") failed (exit $status); Wine's messages and the program's are in $log" >&2
  tail -n 20 "$log" >&2
fi
exit $status
