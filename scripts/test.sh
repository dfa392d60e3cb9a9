#!/bin/sh
# The whole test suite: installs what is missing, builds both DLLs, runs the
# portable core's tests natively and the Windows tests under Wine (x86_64
# build; the Wine fixture gives the run an X server of its own when there is
# no display).
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" i686 x86_64 host
cd "$top"
status=0
ctest --preset host || status=1
ctest --preset x86_64 || status=1
exit $status
