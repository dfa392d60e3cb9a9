#!/bin/sh
# Runs one of the kit's programs under Wine in a prefix of its own, with a
# display, and stops that prefix's wineserver afterwards.
#   wine-run.sh <prefix> <program.exe> [arguments...]
prefix=$1 exe=$2
shift 2
export WINEPREFIX="$prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
status=0
xvfb-run -a wine "$exe" "$@" || status=$?
wineserver -k </dev/null >/dev/null 2>&1 || true
exit $status
