#!/bin/sh
# The demo's preferences run: the dialog opens, is pressed OK from outside,
# and the demo prints what was saved and how the tray program was started.
bin=$1
title="KX-9100 Monitoring Preferences : KX-9100 Demo LPT"
wine "$bin/press_button.exe" "$title" 1 60000 >/dev/null 2>&1 &
wine "$bin/vm2pr2_demo.exe" --preferences
rc=$?
wait
exit $rc
