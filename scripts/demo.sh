#!/bin/sh
# The main job: a console host drives the module against the simulated printer.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" x86_64
exec sh "$top/scripts/wine-run.sh" --session "$top/build/x86_64/wineprefix-demo" "$top/build/x86_64/bin/vm2pr2_demo.exe" "$@"
