#!/bin/sh
# Builds the module for both Windows targets and the portable core natively,
# one CMake preset each (CMakePresets.json; build/<preset>).
#   scripts/build.sh [i686|x86_64|host ...]     default: all three
# Configuring every time is cheap when nothing changed, and a changed preset
# or option takes effect. ccache is used through CMAKE_C_COMPILER_LAUNCHER and
# CMAKE_CXX_COMPILER_LAUNCHER when they are set in the environment.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)
for t in ${*:-i686 x86_64 host}; do
  case $t in
    i686|x86_64|host) ;;
    *) echo "unknown target $t (i686, x86_64 or host)" >&2; exit 2 ;;
  esac
  cmake --preset "$t" >/dev/null
  cmake --build --preset "$t" -j "$jobs"
done
