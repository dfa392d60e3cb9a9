#!/bin/sh
# The main job: a console host drives the module against the simulated printer.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" x86_64
# Without a sound card the sounds go to a file (the tests' ALSA file device),
# which the gallery reports on.
if [ -z "$ALSA_CONFIG_PATH" ] && ! ls /dev/snd/pcmC*p >/dev/null 2>&1; then
  ALSA_CONFIG_PATH="$top/tests/harness/alsa-file.conf"
  VM2PR2_SOUND_LOG="$top/build/x86_64/demo-sound.raw"
  export ALSA_CONFIG_PATH VM2PR2_SOUND_LOG
fi
# Screenshots of the windows the demo opens (ImageMagick's import).
shots="$top/build/x86_64/screenshots-demo"
mkdir -p "$shots"
exec sh "$top/scripts/wine-run.sh" --session "$top/build/x86_64/wineprefix-demo" "$top/build/x86_64/bin/vm2pr2_demo.exe" "$@" --shots "$shots"
