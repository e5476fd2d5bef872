#!/usr/bin/env bash
# A film with a video clip exported as a video: inside the clip rectangle the
# pictures change while the clip runs, its last-frame still (blue) follows,
# and the clip's tone is in the sound track.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in ffmpeg ffprobe convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || fail "no work directory"

convert -size 160x120 xc:red red.jpg
convert -size 320x240 xc:lime first.jpg
convert -size 320x240 xc:blue last.jpg
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=1.5 \
  -f lavfi -i sine=frequency=440:duration=1.5 -c:v mjpeg -q:v 5 -c:a pcm_s16le -shortest clip.avi ||
  fail "ffmpeg could not make the clip"
# Show time: red from 500 ms; the clip's transition from 1500 ms, its video
# from 1800 to 3300 ms; its still until the white photo's step at 3800 ms.
cat >film.json <<'JSON'
{
  "play_mode": "timed",
  "loop": false,
  "items": [
    {"type": "photo", "file": "red.jpg", "duration": 1, "transition": 0, "transition_ms": 0},
    {"type": "clip", "file": "clip.avi", "first_frame": "first.jpg", "last_frame": "last.jpg",
     "width": 320, "height": 240, "duration": 2, "transition": 0, "transition_ms": 300}
  ]
}
JSON
"$photoreel" pack -o show.flz film.json >pack.log 2>&1 || fail "pack failed: $(cat pack.log)"
"$photoreel" export show.flz -o out.mp4 --size 800x600 --fps 25 --preset ultrafast >export.log 2>&1 &
export_pid=$!
# The export can hang on exit after it has written the file (its sound
# consumer blocks once the encoder has stopped); the file is what is tested.
for _ in $(seq 600); do
  kill -0 "$export_pid" 2>/dev/null || break
  grep -q '^photoreel: wrote' export.log && sleep 1 && break
  sleep 0.1
done
if kill -0 "$export_pid" 2>/dev/null; then
  grep -q '^photoreel: wrote' export.log || { kill "$export_pid"; fail "export did not finish: $(cat export.log)"; }
  echo "NOTE: export wrote the file but did not exit; ended it"
  kill -9 "$export_pid" 2>/dev/null
  wait "$export_pid" 2>/dev/null
else
  wait "$export_pid" || fail "export failed: $(cat export.log)"
fi

# Distinct pictures inside the clip rectangle (240,180 320x240) while it runs.
changes=$(ffmpeg -hide_banner -loglevel error -ss 1.9 -t 1.3 -i out.mp4 \
  -vf crop=320:240:240:180 -an -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}' | sort -u | wc -l)
((changes >= 20)) || fail "the clip rectangle showed $changes different pictures"

# The centre at 3.55 s: the last-frame still.
rgb=$(ffmpeg -hide_banner -loglevel error -ss 3.55 -i out.mp4 -frames:v 1 -vf crop=16:16:392:292,scale=1:1 \
  -f rawvideo -pix_fmt rgb24 - | od -An -tu1)
read -r r g b <<<"$rgb"
((r < 60 && g < 60 && b > 190)) || fail "the centre at 3.55 s is $rgb, not the blue still"

# The clip's tone: loud while the clip runs, silent before.
loud=$(ffmpeg -hide_banner -ss 2.0 -t 1.0 -i out.mp4 -vn -af volumedetect -f null - 2>&1 |
  sed -n 's/.*max_volume: \(-*[0-9.]*\) dB.*/\1/p')
quiet=$(ffmpeg -hide_banner -ss 0.5 -t 0.8 -i out.mp4 -vn -af volumedetect -f null - 2>&1 |
  sed -n 's/.*max_volume: \(-*[0-9.]*\) dB.*/\1/p')
[[ -n $loud && -n $quiet ]] || fail "no sound track in the export"
awk -v l="$loud" -v q="$quiet" 'BEGIN { exit !(l > -30 && q < -60) }' ||
  fail "sound at the clip $loud dB, before it $quiet dB"
echo "clip export: ok ($changes pictures, still, tone at $loud dB)"
