#!/bin/sh
# Draws the preferences dialog's pictures with ImageMagick into folder $1.
# Invented artwork: plain shapes, no product or maker marks.
set -e
out=$1
mkdir -p "$out"
cd "$out"
ico() {  # name, background, foreground, shape drawing
  convert -size 32x32 "xc:$2" -fill "$3" -stroke black -strokewidth 1 -draw "$4" \
    -define icon:auto-resize=32,16 "$1"
}
# The dialog's icon: a printer outline; the speaker; three tray choices.
ico prefs611.ico '#e8e8e8' '#4070b0' 'rectangle 4,12 27,24 rectangle 9,5 22,12 rectangle 9,22 22,29'
ico speaker612.ico '#e8e8e8' '#303030' 'polygon 5,12 11,12 18,5 18,27 11,20 5,20'
ico tray700.ico '#ffffff' '#2e8b57' 'circle 16,16 16,4'
ico tray701.ico '#ffffff' '#d2691e' 'rectangle 5,5 26,26'
ico tray702.ico '#ffffff' '#4169e1' 'polygon 16,3 29,28 3,28'
# State images: an empty box (off) and a ticked box (on), mask RGB(0, 0, 128).
convert -size 32x16 'xc:rgb(0,0,128)' -fill white -stroke black \
  -draw 'rectangle 2,2 13,13' -draw 'rectangle 18,2 29,13' \
  -stroke '#008000' -strokewidth 2 -draw 'line 20,8 23,11' -draw 'line 23,11 28,4' \
  -type TrueColor BMP3:state400.bmp
# Previews: the tray area with the chosen icon, or crossed out when off.
preview() {  # name, fill, drawing, [second drawing]
  convert -size 96x48 'xc:#d4d0c8' -fill '#ffffff' -stroke '#808080' -draw 'rectangle 4,10 91,37' \
    -fill "$2" -stroke black -strokewidth 2 -draw "$3" ${4:+-draw "$4"} -type TrueColor BMP3:"$1"
}
preview preview500.bmp none 'line 28,14 68,34' 'line 68,14 28,34'
preview preview501.bmp '#2e8b57' 'circle 20,24 20,16'
preview preview502.bmp '#d2691e' 'rectangle 12,16 28,32'
preview preview503.bmp '#4169e1' 'polygon 20,15 29,33 11,33'
