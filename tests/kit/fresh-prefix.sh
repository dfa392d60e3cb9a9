#!/bin/sh
# Installs the kit with kit_install.exe into a Wine prefix made for the
# occasion, reads it back and uninstalls it with the test program's disabled
# KitFreshPrefix tests, and removes the prefix.
# Usage: fresh-prefix.sh <build dir>
set -u
. "$(dirname "$0")/../../scripts/wine-layout.sh"
build="$1"
export WINEPREFIX="$build/wineprefix-kit-fresh"
export WINEDEBUG="${WINEDEBUG:--all}"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# The streams of Wine's own service processes must not hold ours open.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

rc=0
wine "$build/bin/kit_install.exe" install </dev/null || rc=1
if [ $rc -eq 0 ]; then
  wine "$build/bin/test_kit_install.exe" --gtest_also_run_disabled_tests \
       --gtest_filter='KitFreshPrefix.*' </dev/null || rc=1
fi
# The second test uninstalls; afterwards nothing is left, and uninstalling
# again is no error.
if [ $rc -eq 0 ]; then
  wine "$build/bin/kit_install.exe" status </dev/null && rc=1
  wine "$build/bin/kit_install.exe" uninstall </dev/null || rc=1
fi
wineserver -k </dev/null >/dev/null 2>&1
rm -rf "$WINEPREFIX"
exit $rc
