#!/bin/sh
: "${WINEPREFIX:?WINEPREFIX must be set}"
wineserver -k </dev/null >/dev/null 2>&1 || true
echo "wineserver stopped"
