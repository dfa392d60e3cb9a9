#!/bin/sh
# The poll benchmark: PrGetStatus polls per second against the floor of a
# poll, and what the process holds after many polls. Extra arguments go to
# the program (--polls N, --trace-polls N, --batch N, --profile-polls N).
# VM2PR2_BUILD_DIR names another x86_64 build tree than build/x86_64.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
dir="${VM2PR2_BUILD_DIR:-$top/build/x86_64}"
jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  if [ "$dir" = "$top/build/x86_64" ]; then
    sh "$top/scripts/build.sh" x86_64
  else
    cmake -S "$top" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
  fi
fi
# --view [--seconds N] [--changes N] [--cycles N]: the status window benchmark instead.
[ "$1" = "--view" ] && shift && cmake --build "$dir" -j "$jobs" --target vm2pr2_view_bench && exec sh "$top/scripts/wine-run.sh" --session "$dir/wineprefix-bench" "$dir/bin/vm2pr2_view_bench.exe" "$@"
cmake --build "$dir" -j "$jobs" --target vm2pr2_poll_bench
exec sh "$top/scripts/wine-run.sh" --session "$dir/wineprefix-bench" "$dir/bin/vm2pr2_poll_bench.exe" "$@"
