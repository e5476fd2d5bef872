# Sourced by the scripts that need a virtual X display.
#
# begin_xvfb_test TOOL...: checks the tools, makes $work (removed at exit with
# the viewer in $viewer_pid and the X server), and starts Xvfb.
fail() { echo "FAIL: $*"; exit 1; }
begin_xvfb_test() {
  local tool
  for tool in Xvfb xdotool "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
  done
  work=$(mktemp -d)
  xvfb_pid=""
  viewer_pid=""
  trap end_xvfb_test EXIT
  start_xvfb "$work"
}
end_xvfb_test() {
  [[ -n $viewer_pid ]] && kill "$viewer_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}

# start_xvfb DIR: starts Xvfb on a free display (1280x1024x24), sets
# xvfb_pid and DISPLAY; the caller kills xvfb_pid when done. Xvfb picks the
# display number itself and writes it to fd 3.
start_xvfb() {
  local dir=$1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s $dir/display ]] && break; sleep 0.05; done
  [[ -s $dir/display ]] || fail "Xvfb did not start: $(cat "$dir/xvfb.log")"
  export DISPLAY=":$(cat "$dir/display")"
}

# The player's window as it is now: SDL may replace the first X window it
# makes when it sets up its renderer, so an id found at start-up can be gone
# by the time a key is sent.
current_player_window() {
  xdotool search --classname FilmPlayer 2>/dev/null | tail -n 1
}

# escape_and_expect_exit: sends Esc to the player's window; fails unless the
# viewer in $viewer_pid (its stderr in $work/viewer.log) ends within 2 s with
# exit code 0.
escape_and_expect_exit() {
  local window code
  window=$(current_player_window)
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" Escape
  for _ in $(seq 40); do kill -0 "$viewer_pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$viewer_pid" 2>/dev/null && fail "still running 2 s after Esc"
  wait "$viewer_pid"
  code=$?
  viewer_pid=""
  [[ $code -eq 0 ]] || fail "exit code $code after Esc: $(cat "$work/viewer.log")"
}
