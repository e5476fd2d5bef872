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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
film=$work/show.flz
convert -size 64x48 xc:blue "$work/photo.jpg"
"$photoreel" pack -o "$film" "$work/photo.jpg" || fail "pack failed"
"$photoreel" pack -o "$work/bad.flz" "$work/missing.jpg" 2>/dev/null && fail "pack took a missing photo"
echo "not a jpeg" >"$work/text.jpg"
err=$("$photoreel" pack -o "$work/bad.flz" "$work/text.jpg" 2>&1) && fail "pack took a non-JPEG"
grep -q "not a JPEG" <<<"$err" || fail "pack says: $err"
err=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$photoreel" "$film" 2>&1 >/dev/null)
code=$?
[[ $code -eq 1 ]] || fail "without a display the exit code is $code, not 1"
[[ $(wc -l <<<"$err") -eq 1 ]] || fail "without a display stderr is not one line: $err"
grep -q "cannot open a window" <<<"$err" || fail "without a display stderr says: $err"

# Our own executable never holds the package markers as text: a search of a
# self-running show's file must find only the film it carries.
for marker in PhotoreelFilmDescription PhotoreelMediaDescription; do
  if grep -q -a "$marker" "$photoreel"; then fail "the executable contains $marker"; fi
done

# A headless show killed by SIGTERM removes its temporary directory.
tmp=$(mktemp -d)
TMPDIR=$tmp "$photoreel" --headless "$film" 2>/dev/null &
pid=$!
for _ in $(seq 100); do compgen -G "$tmp/photoreel-*" >/dev/null && break; sleep 0.02; done
compgen -G "$tmp/photoreel-*" >/dev/null || fail "the headless viewer made no temporary directory"
kill -TERM "$pid"
wait "$pid"
code=$?
leftovers=$(compgen -G "$tmp/photoreel-*")
rm -rf "$tmp"
[[ $code -eq 143 ]] || fail "SIGTERM gave exit code $code, not 143"
[[ -z $leftovers ]] || fail "SIGTERM left $leftovers"

echo "cli usage: ok"
