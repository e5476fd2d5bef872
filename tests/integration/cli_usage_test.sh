#!/usr/bin/env bash
# The command line answers --help and --version, refuses bad options, and
# fails cleanly without a display.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }

out=$("$photoreel" --help) || fail "--help exited $?"
grep -q "Usage:" <<<"$out" || fail "--help prints no usage"
grep -q -- "--windowed" <<<"$out" || fail "--help does not list --windowed"

out=$("$photoreel" --version) || fail "--version exited $?"
grep -q "^photoreel [0-9]" <<<"$out" || fail "--version prints: $out"

"$photoreel" --windowed 12 x.flz 2>/dev/null && fail "a bad --windowed size was accepted"

film=$(mktemp)
trap 'rm -f "$film"' EXIT
err=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$photoreel" "$film" 2>&1 >/dev/null)
code=$?
[[ $code -eq 1 ]] || fail "without a display the exit code is $code, not 1"
[[ $(wc -l <<<"$err") -eq 1 ]] || fail "without a display stderr is not one line: $err"
grep -q "cannot open a window" <<<"$err" || fail "without a display stderr says: $err"

echo "cli usage: ok"
