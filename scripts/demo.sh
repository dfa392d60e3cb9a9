#!/bin/sh
# The main job: a console host drives the module against the simulated printer.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" x86_64
export WINEPREFIX="$top/build/x86_64/wineprefix-demo"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
status=0
xvfb-run -a wine "$top/build/x86_64/bin/vm2pr2_demo.exe" "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
