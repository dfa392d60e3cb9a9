#!/bin/sh
# Turns the screenshots the status view and trouble dialog tests left in the
# build tree (screenshots/*.bmp) into PNG files beside them.
dir=${1:?screenshot folder}
[ -d "$dir" ] || exit 0
for bmp in "$dir"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "screenshots: $(ls "$dir" | grep -c '\.png$') PNG files in $dir"
