#!/bin/sh
: "${WINEPREFIX:?WINEPREFIX must be set}"
wineserver -k </dev/null >/dev/null 2>&1 || true
echo "wineserver stopped"
# The X server wine-start.sh started for a run without a display.
if [ -f "$WINEPREFIX/vm2-xvfb.pid" ]; then
  kill "$(cat "$WINEPREFIX/vm2-xvfb.pid")" 2>/dev/null || true
  rm -f "$WINEPREFIX/vm2-xvfb.pid" "$WINEPREFIX/vm2-display"
fi
