#!/usr/bin/env bash
# Presentation items on a headless show with a stand-in viewer: each viewer
# gets the detached file as its one argument, the show waits for it and then
# goes on; Esc pressed while a viewer runs ends the show once it returns;
# without a viewer the presentations are dropped with message 9.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }
command -v convert >/dev/null || fail "convert is missing (scripts/install-deps.sh installs it)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 64x48 xc:red "$work/photo.jpg"
printf 'slides A' >"$work/talk one; \$HOME.ppt"
printf 'slides B' >"$work/talk-two.ppt"
cat >"$work/film.json" <<'JSON'
{"play_mode": "timed", "loop": false, "items": [
 {"type": "photo", "file": "photo.jpg", "duration": 1, "transition": 0, "transition_ms": 0},
 {"type": "show", "file": "talk one; $HOME.ppt"},
 {"type": "show", "file": "talk-two.ppt"}
]}
JSON
"$photoreel" pack -o "$work/show.flz" "$work/film.json" || fail "pack failed"

# Logs its argument count and the file it was given, before and after a
# moment: a show that did not wait would start the next viewer in between.
cat >"$work/viewer.sh" <<SH
#!/bin/sh
echo "start \$# \$(cat "\$1")" >>"$work/log"
sleep 0.3
echo "end \$(cat "\$1")" >>"$work/log"
SH
chmod +x "$work/viewer.sh"

run_show() {
  rm -f "$work/log"
  touch "$work/log"
  PHOTOREEL_PRESENTATION_VIEWER=$work/viewer.sh "$photoreel" --headless --quit-after "$1" \
    "$work/show.flz" >"$work/out" 2>&1 || fail "exit code $? (quit after $1): $(cat "$work/out")"
}

run_show 60000
expected=$'start 1 slides A\nend slides A\nstart 1 slides B\nend slides B'
[[ $(cat "$work/log") == "$expected" ]] || fail "viewer runs: $(cat "$work/log")"

# The first presentation comes up at 1500 ms of show time.
run_show 1600
expected=$'start 1 slides A\nend slides A'
[[ $(cat "$work/log") == "$expected" ]] || fail "Esc during a viewer: $(cat "$work/log")"

info=$(env -u PHOTOREEL_PRESENTATION_VIEWER PATH=/nonexistent XDG_CONFIG_HOME="$work" \
  "$photoreel" info --json "$work/show.flz" 2>/dev/null) || fail "info failed"
python3 -c 'import json, sys; f = json.load(sys.stdin); sys.exit(f["messages"] != [9] or f["item_count"] != 1)' \
  <<<"$info" || fail "without a viewer: $info"
echo ok
