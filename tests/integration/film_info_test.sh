#!/usr/bin/env bash
# photoreel info on film documents made by an independent writer: the tree
# of streams is written with Python's struct and packed by gsf createole.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }
command -v gsf >/dev/null || { echo "gsf (libgsf-bin) is not installed: skipped"; exit 77; }
command -v python3 >/dev/null || { echo "python3 is not installed: skipped"; exit 77; }

"$photoreel" --help | grep -q "^ *info" || fail "--help does not list the info subcommand"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/tree" "$work/many" <<'PY' || fail "cannot write the document trees"
import os, struct, sys

def write(root, name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)

def ref(folder, name):
    return folder.encode('cp1252').ljust(260, b'\0') + name.encode('cp1252').ljust(256, b'\0')

def item(refs, ints, rect):
    refs = refs + [('', '')] * (6 - len(refs))
    return b''.join(ref(*r) for r in refs) + struct.pack('<8i', *ints) + struct.pack('<4i', *rect)

def style(x, y, height, weight, italic, charset, face, colour, spacing, align, shadow):
    font = struct.pack('<5i8B', height, 0, 0, 0, weight, italic, 0, 0, charset, 0, 0, 0, 0)
    font += face.ljust(32, b'\0')
    return struct.pack('<2i', x, y) + font + struct.pack('<7i', colour, spacing, align, shadow, 0, 0, 0)

def text(animation, data, st):
    return struct.pack('<2i', 0, animation) + data.ljust(256, b'\0') + st

root = sys.argv[1]
write(root, 'VERSION', struct.pack('<I', 200))
write(root, 'LOOP', struct.pack('<i', 0))
write(root, 'AUTOPLAY', struct.pack('<i', 729))
write(root, 'BGMUSIC', ref('C:\\Music', 'Th\u00e8me.mp3'))
# width, height, duration, effect, time, number, type, cue
write(root, 'FILMLINK1/FILMITEM',
      item([('C:\\Pics', 'beach.jpg'), ('', 'mask.jpg'), ('', ''), ('', ''), ('', ''), ('C:\\Music\\', 'a.wav')],
           [1600, 1200, 5, 150, 1500, 7, 1000, 3], [0, 0, 0, 0]))
write(root, 'FILMLINK1/TEXTLIST/TEXT1',
      text(60, 'Caf\u00e9\r\nbar'.encode('cp1252'), style(100, 450, -40, 700, 1, 0, b'Arial', 0x0000FF, 120, 2, 1)))
write(root, 'FILMLINK1/TEXTLIST/TEXT2',
      text(-3, '\u3053\u3093\u306b\u3061\u306f'.encode('cp932'), style(0, 0, -24, 400, 0, 128, b'Gothic', 0xFFFFFF, 100, 1, 0)))
write(root, 'FILMLINK1/TEXTLIST/TEXT4', text(1, b'after a gap', style(0, 0, -24, 400, 0, 0, b'Arial', 0, 100, 0, 0)))
write(root, 'FILMLINK2/FILMITEM',
      item([('D:\\v', 'trip.avi'), ('', 'first.jpg'), ('', ''), ('', 'last.jpg')],
           [640, 480, 3, 98, 0, 1, 1001, 1], [10, 20, 330, 260]))
write(root, 'FILMLINK3/FILMITEM', item([('', 'talk.pps')], [0, 0, 0, 99, 200, 1, 1003, 0], [0, 0, 0, 0]))

many = sys.argv[2]
write(many, 'VERSION', struct.pack('<I', 200))
for k in range(1, 1002):
    write(many, 'FILMLINK%d/FILMITEM' % k, item([('', '%d.jpg' % k)], [0, 0, k, 0, 0, k, 1000, 0], [0, 0, 0, 0]))
PY

(cd "$work/tree" && gsf createole "$work/film.flm" * >/dev/null 2>&1) || fail "gsf createole failed"
(cd "$work/many" && gsf createole "$work/many.flm" * >/dev/null 2>&1) || fail "gsf createole failed"

"$photoreel" info "$work/film.flm" >"$work/film.txt" || fail "info exited $?"
grep -q "^Play mode: manual (729)" "$work/film.txt" || fail "text summary: $(cat "$work/film.txt")"
"$photoreel" info --json "$work/film.flm" >"$work/film.json" || fail "info --json exited $?"

python3 - "$work/film.json" <<'PY' || fail "info --json reports: $(cat "$work/film.json")"
import json, sys
film = json.load(open(sys.argv[1], encoding='utf-8'))
assert film['play_mode'] == 729 and film['loop'] == 0, film
assert film['music'] == 'C:\\Music\\Th\u00e8me.mp3', film['music']
items = film['items']
assert [i['type_name'] for i in items] == ['photo', 'clip', 'presentation'], items
photo, clip, show = items
assert photo['effect'] == 98 and photo['transition_ms'] == 1500 and photo['duration'] == 5
assert photo['files'] == {'picture': 'C:\\Pics\\beach.jpg', 'overlay': 'mask.jpg', 'music': 'C:\\Music\\a.wav'}
assert photo['rect'] == [0, 0, 0, 0] and photo['picture_offset'] is None
assert film['kind'] == 'document' and film['messages'] == [] and film['item_count'] == 3
assert [t['animation'] for t in photo['titles']] == [53, -3], photo['titles']
first, second = photo['titles']
assert first['text'] == 'Caf\u00e9\r\nbar', first
assert first['style']['face'] == 'Arial' and first['style']['italic'] is True
assert first['style']['colour'] == '#FF0000' and first['style']['alignment'] == 'right'
assert first['style']['shadow'] is True and first['style']['line_spacing'] == 120
assert second['text'] == '\u3053\u3093\u306b\u3061\u306f', second
assert second['style']['code_page'] == 932
assert clip['files'] == {'clip': 'D:\\v\\trip.avi', 'first_frame_still': 'first.jpg', 'last_frame_still': 'last.jpg'}
assert clip['rect'] == [10, 20, 330, 260]
assert clip['music_cue_name'] == 'stop' and clip['music_cue'] == 1 and clip['number'] == 2
assert show['files'] == {'presentation': 'talk.pps'} and show['effect'] == 98
PY

"$photoreel" info --json "$work/many.flm" >"$work/many.json" 2>"$work/many.err" || fail "info on 1001 links exited $?"
python3 -c "import json,sys; f=json.load(open(sys.argv[1])); assert len(f['items']) == 999 and f['items'][-1]['duration'] == 999" \
  "$work/many.json" || fail "1001 links do not give 999 items"
grep -q "^photoreel: Warning: " "$work/many.err" || fail "no warning for 1001 links: $(cat "$work/many.err")"

printf 'not a film' >"$work/text.flm"
"$photoreel" info "$work/text.flm" >/dev/null 2>"$work/err" && fail "info accepted a text file"
grep -q "cannot read the film document" "$work/err" || fail "info on a text file says: $(cat "$work/err")"

echo "film info: ok"
