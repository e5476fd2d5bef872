#!/usr/bin/env bash
# Film packages end to end: pack a film description with every kind of item,
# read it back with info (as machines with and without the media backend and
# a presentation viewer load it), extract it, read its document with an
# independent compound-file reader, run it as a self-running show, and kill a
# show mid-way: its detached files must go.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in convert python3 cmp; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
pid=""
cd "$work" || fail "no work directory"

convert -size 320x240 gradient:red-blue beach.jpg
convert -size 320x240 xc:gray50 mask.jpg
convert -size 160x120 xc:green first.jpg
convert -size 160x120 xc:yellow last.jpg
head -c 30000 /dev/urandom >trip.avi
head -c 7000 /dev/urandom >talk.ppt
head -c 5000 /dev/urandom >theme.mp3
head -c 3000 /dev/urandom >voice.wav

cat >film.json <<'JSON'
{
  "play_mode": "manual",
  "loop": false,
  "music": "theme.mp3",
  "items": [
    {"type": "photo", "file": "beach.jpg", "overlay": "mask.jpg", "duration": 7,
     "transition": 52, "transition_ms": 1500, "music_cue": "play", "music": "voice.wav",
     "rect": [10, 20, 300, 220],
     "titles": [
       {"animation": 19, "text": "Caf\u00e9\nbar",
        "style": {"x": 100, "y": 50, "face": "Arial", "height": -40, "weight": 700,
                  "italic": true, "charset": 0, "colour": "#ff8000", "spacing": 120,
                  "alignment": "right", "shadow": true}},
       {"animation": 4, "text": "\u3053\u3093\u306b\u3061\u306f", "style": {"charset": 128}}
     ]},
    {"type": "clip", "file": "trip.avi", "first_frame": "first.jpg", "last_frame": "last.jpg",
     "width": 640, "height": 480, "duration": 3, "transition": "random", "music_cue": "stop"},
    {"type": "show", "file": "talk.ppt", "music_cue": "cd", "cd_track": "Track02.cda"}
  ]
}
JSON

"$photoreel" pack -o show.flz film.json || fail "pack of film.json failed"
echo '{"items": [{"type": "photo", "file": "beach.jpg", "colour": 1}]}' >bad.json
err=$("$photoreel" pack -o bad.flz bad.json 2>&1) && fail "pack accepted an unknown field"
grep -q 'unknown field "colour"' <<<"$err" || fail "pack says: $err"

# A presentation viewer is any existing program named by the setting.
export PHOTOREEL_PRESENTATION_VIEWER=/bin/true
"$photoreel" info --json show.flz >full.json || fail "info on the package failed"
"$photoreel" info --json --without-media --without-viewer show.flz >bare.json 2>bare.err ||
  fail "info without media and viewer failed"
"$photoreel" extract show.flz out >/dev/null || fail "extract failed"

python3 - <<'PY' || fail "info or extract reported wrong data: $(cat full.json bare.json out/manifest.json)"
import json
full = json.load(open('full.json'))
bare = json.load(open('bare.json'))
manifest = json.load(open('out/manifest.json'))
assert full['kind'] == 'package' and full['item_count'] == 3 and full['messages'] == []
assert full['play_mode'] == 729 and full['loop'] == 0
photo, clip, show = full['items']
assert photo['type'] == 1000 and photo['duration'] == 7 and photo['effect'] == 52
assert photo['transition_ms'] == 1500 and photo['music_cue'] == 3 and photo['rect'] == [10, 20, 300, 220]
assert [t['animation'] for t in photo['titles']] == [19, 4]
assert photo['titles'][0]['text'] == 'Caf\u00e9\r\nbar'
style = photo['titles'][0]['style']
assert style['face'] == 'Arial' and style['height'] == -40 and style['weight'] == 700
assert style['italic'] and style['colour'] == '#FF8000' and style['alignment'] == 'right'
assert style['line_spacing'] == 120 and style['shadow'] and style['x'] == 100
assert photo['titles'][1]['text'] == '\u3053\u3093\u306b\u3061\u306f'
assert clip['type'] == 1001 and clip['effect'] == 98 and clip['music_cue'] == 1
assert show['type'] == 1003 and show['music_cue'] == 0  # no CD drive here
assert clip['picture_offset'] is None
pictures = [f for f in manifest['files'] if f['role'] == 'picture']
assert photo['picture_offset'] == pictures[0]['offset'], (photo, pictures)
assert bare['item_count'] == 1 and bare['messages'] == [8, 9], bare
assert bare['items'][0]['picture_offset'] == photo['picture_offset']
roles = sorted(f['role'] for f in manifest['files'])
assert roles == sorted(['film_music', 'picture', 'overlay', 'music', 'first_frame_still', 'clip',
                        'last_frame_still', 'presentation']), roles
PY
grep -q "^photoreel: " bare.err || fail "messages 8 and 9 were not shown: $(cat bare.err)"

for pair in beach.jpg:item-001-picture.jpg mask.jpg:item-001-overlay.jpg voice.wav:item-001-music.wav \
            trip.avi:item-002-clip.avi first.jpg:item-002-first-frame.jpg \
            last.jpg:item-002-last-frame.jpg talk.ppt:item-003-presentation.ppt theme.mp3:film-music.mp3; do
  cmp -s "${pair%%:*}" "out/${pair##*:}" || fail "extract: out/${pair##*:} differs from ${pair%%:*}"
done

if python3 -c "import olefile" 2>/dev/null; then
  python3 - <<'PY' || fail "olefile cannot read the extracted film document"
import olefile
ole = olefile.OleFileIO('out/film.flm')
names = ['/'.join(e) for e in ole.listdir(streams=True, storages=True)]
for stream in ['VERSION', 'LOOP', 'AUTOPLAY', 'BGMUSIC', 'FILMLINK1/FILMITEM', 'FILMLINK3/FILMITEM']:
    assert stream in names, (stream, names)
PY
fi

# A self-running show: a copy of the player with the film appended.
"$photoreel" pack --self-running -o selfshow film.json || fail "pack --self-running failed"
[[ -x selfshow ]] || fail "the self-running show is not executable"
"$photoreel" info --json selfshow | python3 -c "import json,sys; f=json.load(sys.stdin); assert f['item_count'] == 3, f" ||
  fail "info does not find the film of a self-running show"
./selfshow --headless --quit-after 200 2>selfshow.err || fail "the self-running show exited $?"
[[ ! -s selfshow.err ]] || fail "the self-running show complained: $(cat selfshow.err)"

# SIGTERM in the middle of a show removes everything it detached.
mkdir tmp
TMPDIR=$work/tmp "$photoreel" --headless show.flz 2>/dev/null &
pid=$!
for _ in $(seq 200); do
  compgen -G "tmp/photoreel-*/Film.flm" >/dev/null && compgen -G "tmp/photoreel-*/TMP*" >/dev/null && break
  sleep 0.02
done
compgen -G "tmp/photoreel-*/TMP*" >/dev/null || fail "the show detached nothing"
kill -TERM "$pid"
wait "$pid"
pid=""
[[ -z $(ls tmp) ]] || fail "SIGTERM left $(ls -R tmp)"

echo "package round trip: ok"
