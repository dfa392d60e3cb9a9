#!/bin/sh
# The demo's preferences run: the dialog opens, is pressed OK from outside,
# and the demo prints what was saved and how the tray program was started.
bin=$1
# The one Wine runner: it also finds the display the test fixture started.
run="$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh"
title="KX-9100 Monitoring Preferences : KX-9100 Demo LPT"
sh "$run" "$bin/press_button.exe" "$title" 1 60000 >/dev/null 2>&1 &
sh "$run" "$bin/vm2pr2_demo.exe" --preferences
rc=$?
wait
exit $rc
