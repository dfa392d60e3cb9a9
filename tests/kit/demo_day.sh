#!/bin/sh
# The demo's day end to end, unattended: every poll as the kit's presets say
# (the demo's exit code), the first pop-up shown by a second process and
# closed by itself when the printer recovered, and the status window opened
# on demand. Reads what the demo printed; no timing is checked.
bin=$1
run="$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh"
out=$(sh "$run" "$bin/vm2pr2_demo.exe" --view --quick)
rc=$?
printf '%s\n' "$out"
[ $rc -eq 0 ] || exit $rc
for line in \
  'pop-up opened by a second process' \
  '\[pop-up process [0-9]*\] PrStartView(1, "KX-9100 Demo LPT") = 0' \
  'the printer recovered: the pop-up closed itself' \
  'the status window shows "The printer is ready' \
  'PrStartView(2) *= *0' \
  'Demo complete.'; do
  printf '%s\n' "$out" | grep -q "$line" || { echo "missing from the demo's output: $line"; exit 1; }
done
