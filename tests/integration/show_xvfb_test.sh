#!/usr/bin/env bash
# On a virtual X display: a packed film of a red, a green and a blue photo
# plays full screen; the stage centre shows the three in order; Esc ends the
# show with exit code 0 and no temporary directory left behind.
set -u
photoreel=$1
source "$(dirname "$0")/xvfb_support.sh"
begin_xvfb_test convert

for colour in red lime blue; do
  convert -size 160x120 "xc:$colour" "$work/$colour.jpg"
done
"$photoreel" pack -o "$work/show.flz" "$work/red.jpg" "$work/lime.jpg" "$work/blue.jpg" \
  --duration 3 --transition 0 --transition-ms 300 --no-loop >"$work/pack.log" 2>&1 ||
  fail "pack failed: $(cat "$work/pack.log")"

TMPDIR=$work "$photoreel" --mute "$work/show.flz" 2>"$work/viewer.log" &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --classname FilmPlayer | head -n 1)
[[ -n $window ]] || fail "no FilmPlayer window appeared: $(cat "$work/viewer.log")"

# The name of the colour at the screen centre (the stage is centred).
centre_colour() {
  local rgb r g b
  rgb=$(convert x:root -crop 1x1+640+512 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:- 2>/dev/null)
  read -r r g b <<<"$rgb"
  [[ -z ${b:-} ]] && { echo none; return; }
  if ((r > 200 && g < 60 && b < 60)); then echo red
  elif ((r < 60 && g > 200 && b < 60)); then echo green
  elif ((r < 60 && g < 60 && b > 200)); then echo blue
  else echo other; fi
}

# Samples until blue shows (at most 15 s); keeps each change of colour.
seen=""
for _ in $(seq 150); do
  colour=$(centre_colour)
  if [[ $colour == red || $colour == green || $colour == blue ]] && [[ ${seen##* } != "$colour" ]]; then
    seen="$seen $colour"
  fi
  [[ $colour == blue ]] && break
  kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended early: $(cat "$work/viewer.log")"
  sleep 0.1
done
[[ $seen == " red green blue" ]] || fail "the stage centre showed:$seen (expected red green blue)"

escape_and_expect_exit
leftovers=$(find "$work" -maxdepth 1 -name 'photoreel-*')
[[ -z $leftovers ]] || fail "temporary directory left behind: $leftovers"
echo "show on xvfb: ok (saw$seen)"
