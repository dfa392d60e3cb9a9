#!/bin/sh
# Builds the module for both Windows targets (and the portable core natively).
#   scripts/build.sh [i686|x86_64|host ...]     default: all three
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
targets=${*:-"i686 x86_64 host"}
jobs=$(nproc 2>/dev/null || echo 2)
gen=""
command -v ninja >/dev/null 2>&1 && gen="-G Ninja"
for t in $targets; do
  dir="$top/build/$t"
  case $t in
    # The 32-bit product is built without its test programs: they run under
    # 64-bit Wine only, from the x86_64 tree.
    i686) tc="-DCMAKE_TOOLCHAIN_FILE=$top/cmake/toolchain-$t-w64-mingw32.cmake -DBUILD_TESTING=OFF" ;;
    x86_64) tc="-DCMAKE_TOOLCHAIN_FILE=$top/cmake/toolchain-$t-w64-mingw32.cmake" ;;
    host) tc="-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++" ;;
    *) echo "unknown target $t" >&2; exit 2 ;;
  esac
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    # shellcheck disable=SC2086
    cmake -S "$top" -B "$dir" $gen $tc -DVM2PR2_I686_DLL="$top/build/i686/bin/K_VM2PR2.dll" >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
done
