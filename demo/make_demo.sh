#!/usr/bin/env bash
# Makes the demo film: draws its pictures with ImageMagick (nothing is
# copied from elsewhere, so the film is ours to ship) and packs them.
# Usage: make_demo.sh PHOTOREEL OUTPUT.flz
set -euo pipefail
photoreel=$1
output=$2
work=$(dirname "$output")/demo-pictures
mkdir -p "$work"

font=DejaVu-Sans
convert -size 800x600 gradient:'#1e3c72-#f2a65a' "$work/dawn.jpg"
convert -size 800x600 -seed 7 plasma:fractal -blur 0x1 "$work/plasma.jpg"
convert -size 800x600 radial-gradient:'#ffe29f-#ff719a' "$work/sun.jpg"
convert -size 800x600 -seed 21 plasma:steelblue-navy -blur 0x2 "$work/sea.jpg"
convert -size 600x800 gradient:'#0f2027-#2c5364' -font "$font" -pointsize 40 -fill '#e0e8f0' \
  -gravity center -annotate +0+0 'An upright\npicture,\nletterboxed' "$work/upright.jpg"
convert -size 800x600 xc:'#202830' -font "$font" -pointsize 44 -fill '#f0f0f0' \
  -gravity center -annotate +0+0 'Esc ends the show' "$work/end.jpg"

style() {  # x y height colour alignment
  printf '{"x": %d, "y": %d, "face": "DejaVu Sans", "height": %d, "weight": 700, "italic": false, "charset": 0, "colour": "%s", "spacing": 100, "alignment": "%s", "shadow": true}' "$@"
}

cat >"$work/demo.json" <<JSON
{
  "play_mode": "timed",
  "loop": true,
  "items": [
    {"type": "photo", "file": "dawn.jpg", "duration": 3, "transition": 41, "transition_ms": 1500,
     "titles": [{"animation": 19, "text": "Photoreel", "style": $(style 155 220 -90 '#ffffff' centre)},
                {"animation": 23, "text": "a demo film", "style": $(style 265 340 -40 '#ffe9c0' centre)}]},
    {"type": "photo", "file": "plasma.jpg", "duration": 3, "transition": 12, "transition_ms": 1200},
    {"type": "photo", "file": "sun.jpg", "duration": 3, "transition": 27, "transition_ms": 1500,
     "titles": [{"animation": 14, "text": "Transitions\nand titles", "style": $(style 215 200 -60 '#402030' centre)}]},
    {"type": "photo", "file": "sea.jpg", "duration": 3, "transition": 60, "transition_ms": 1500},
    {"type": "photo", "file": "upright.jpg", "duration": 3, "transition": 5, "transition_ms": 1000},
    {"type": "photo", "file": "end.jpg", "duration": 3, "transition": 0, "transition_ms": 0}
  ]
}
JSON
"$photoreel" pack -o "$output" "$work/demo.json"
