#!/bin/sh
# Runs one Windows test program under Wine (the test's environment names the prefix).
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
