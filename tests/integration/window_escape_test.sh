#!/usr/bin/env bash
# On a virtual X display: photoreel opens a black full-screen window of class
# FilmPlayer; Esc ends it with exit code 0 within 2 seconds, and so does
# SIGTERM; neither leaves its temporary directory behind.
set -u
photoreel=$1
source "$(dirname "$0")/xvfb_support.sh"
begin_xvfb_test xwininfo convert

convert -size 64x48 xc:red "$work/photo.jpg"
"$photoreel" pack -o "$work/show.flz" "$work/photo.jpg" || fail "pack failed"

start_viewer() {
  TMPDIR=$work "$photoreel" "$work/show.flz" 2>"$work/viewer.log" &
  viewer_pid=$!
  window=$(timeout 10 xdotool search --sync --classname FilmPlayer | head -n 1)
  [[ -n $window ]] || fail "no FilmPlayer window appeared: $(cat "$work/viewer.log")"
}

# Waits up to 2 s for the viewer to end; checks exit code 0 and that no
# temporary directory is left.
expect_clean_exit() {
  local what=$1 start=$2
  for _ in $(seq 40); do kill -0 "$viewer_pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$viewer_pid" 2>/dev/null; then
    fail "still running 2 s after $what"
  fi
  wait "$viewer_pid"
  local code=$?
  viewer_pid=""
  elapsed_ms=$((($(date +%s%N) - start) / 1000000))
  [[ $code -eq 0 ]] || fail "exit code $code after $what: $(cat "$work/viewer.log")"
  local leftovers
  leftovers=$(find "$work" -maxdepth 1 -name 'photoreel-*')
  [[ -z $leftovers ]] || fail "temporary directory left behind after $what: $leftovers"
}

start_viewer
geometry=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
[[ "$width"x"$height" == 1280x1024 ]] || fail "window is ${width}x${height}, not full screen"

# Once loading is over (its progress dialog gone) every pixel is black.
for _ in $(seq 50); do
  colours=$(convert x:root -format %c histogram:info:- 2>/dev/null)
  [[ $(wc -l <<<"$colours") -eq 1 ]] && grep -q "#000000" <<<"$colours" && break
  sleep 0.1
done
[[ $(wc -l <<<"$colours") -eq 1 ]] && grep -q "#000000" <<<"$colours" ||
  fail "the screen is not all black: $colours"

window=$(current_player_window)
xdotool windowfocus --sync "$window" 2>/dev/null || true
start=$(date +%s%N)
xdotool key --window "$window" Escape
expect_clean_exit Esc "$start"
esc_ms=$elapsed_ms

start_viewer
start=$(date +%s%N)
kill -TERM "$viewer_pid"
expect_clean_exit SIGTERM "$start"

echo "window escape: ok (Esc ${esc_ms} ms, SIGTERM ${elapsed_ms} ms)"
