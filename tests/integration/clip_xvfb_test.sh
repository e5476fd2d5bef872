#!/usr/bin/env bash
# On a virtual X display: a packed film whose second item is a video clip
# plays full screen; the clip's rectangle changes while the clip runs, then
# shows the clip's last-frame still (blue); Esc ends the show.
set -u
photoreel=$1
source "$(dirname "$0")/xvfb_support.sh"
begin_xvfb_test convert ffmpeg

cd "$work" || fail "no work directory"
convert -size 160x120 xc:red red.jpg
convert -size 320x240 xc:lime first.jpg
convert -size 320x240 xc:blue last.jpg
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=3 \
  -c:v mpeg4 -q:v 5 clip.avi || fail "ffmpeg could not make the clip"
cat >film.json <<'JSON'
{
  "play_mode": "timed",
  "loop": false,
  "items": [
    {"type": "photo", "file": "red.jpg", "duration": 1, "transition": 0, "transition_ms": 0},
    {"type": "clip", "file": "clip.avi", "first_frame": "first.jpg", "last_frame": "last.jpg",
     "width": 320, "height": 240, "duration": 30, "transition": 0, "transition_ms": 300}
  ]
}
JSON
"$photoreel" pack -o show.flz film.json >pack.log 2>&1 || fail "pack failed: $(cat pack.log)"

TMPDIR=$work "$photoreel" --mute show.flz 2>viewer.log &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --classname FilmPlayer | head -n 1)
[[ -n $window ]] || fail "no FilmPlayer window appeared: $(cat viewer.log)"

# The 1280 x 1024 stage fills the screen; the clip sits in its middle.
clip_crop() { convert x:root -crop 320x240+480+392 -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
centre_colour() {
  local rgb r g b
  rgb=$(convert x:root -crop 1x1+640+512 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:- 2>/dev/null)
  read -r r g b <<<"$rgb"
  [[ -z ${b:-} ]] && { echo none; return; }
  if ((r > 200 && g < 60 && b < 60)); then echo red
  elif ((r < 60 && g < 60 && b > 200)); then echo blue
  else echo other; fi
}

# Wait for the red photo to leave, then sample the clip until its still shows.
for _ in $(seq 100); do
  [[ $(centre_colour) == red ]] && break
  sleep 0.05
done
for _ in $(seq 100); do
  [[ $(centre_colour) != red ]] && break
  sleep 0.05
done
declare -A pictures=()
still=""
for _ in $(seq 120); do
  kill -0 "$viewer_pid" 2>/dev/null || fail "the viewer ended early: $(cat viewer.log)"
  if [[ $(centre_colour) == blue ]]; then still=yes; break; fi
  pictures[$(clip_crop)]=1
  sleep 0.1
done
((${#pictures[@]} >= 3)) || fail "the clip rectangle showed ${#pictures[@]} different pictures"
[[ -n $still ]] || fail "the last-frame still never showed"

escape_and_expect_exit
echo "clip on xvfb: ok (${#pictures[@]} pictures, then the still)"
