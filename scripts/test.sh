#!/bin/sh
# The whole test suite: installs what is missing, builds both DLLs, runs the
# Windows tests under Wine (x86_64 build) and the portable core's tests natively.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" i686 x86_64 host
status=0
ctest --test-dir "$top/build/host" --output-on-failure -j 2 || status=1
# Windows need a display: one private X server for the whole run.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$top/build/x86_64" --output-on-failure -j 2 || status=1
exit $status
