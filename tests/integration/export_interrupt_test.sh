#!/usr/bin/env bash
# photoreel export from the outside: a progress bar with elapsed and
# remaining time when stderr is a terminal and none in a log; Ctrl-C (and
# SIGTERM) stop an export cleanly, leaving neither the partial video nor the
# partial frames; no temporary file survives any way out.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir tmp frames
export TMPDIR=$work/tmp
convert -size 320x240 xc:red red.jpg
convert -size 320x240 xc:blue blue.jpg
"$photoreel" pack -o short.flz --duration 1 --no-loop red.jpg blue.jpg || fail "pack failed"
"$photoreel" pack -o long.flz --duration 600 --no-loop red.jpg blue.jpg || fail "pack failed"

# A log gets the one summary line; a terminal gets the bar, cleared at the end.
"$photoreel" export short.flz -o short.mp4 --size-mode 0 2>log.txt || fail "export failed: $(cat log.txt)"
[[ $(wc -l <log.txt) -eq 1 ]] || fail "a log got more than the summary: $(cat log.txt)"
grep -q "Exporting" log.txt && fail "a log got the progress bar"
script -qec "'$photoreel' export long.flz -o bar.mp4 --size-mode 0 --length 20000 --fps 60" \
  /dev/null >tty.txt 2>&1 || fail "export on a terminal failed: $(cat tty.txt)"
grep -aqE 'Exporting \[#* *\] +[0-9]+%  [0-9]+:[0-9]{2} elapsed, ([0-9]+:[0-9]{2}|--:--) left' tty.txt ||
  fail "no progress bar on a terminal: $(cat -v tty.txt)"

# Stopped half way by a signal: exit 128 + signal, nothing left behind.
set -m  # background jobs of a script otherwise ignore SIGINT
for case in "INT 130 -o long.mp4" "TERM 143 -o long.mp4" "INT 130 --frames frames"; do
  read -r signal code output <<<"$case"
  "$photoreel" export long.flz $output --size 1280x1024 --fps 120 2>err.txt &
  pid=$!
  # Wait until the first frames are out, then stop it.
  for _ in $(seq 100); do
    [[ -s long.mp4 || -n $(ls -A frames) ]] && break
    sleep 0.1
  done
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "the export ended before it could be stopped: $(cat err.txt)"
  kill -"$signal" "$pid"
  wait "$pid"
  got=$?
  [[ $got -eq $code ]] || fail "SIG$signal: exit $got, not $code: $(cat err.txt)"
  [[ ! -e long.mp4 ]] || fail "SIG$signal left the partial video"
  [[ -z $(ls -A frames) ]] || fail "SIG$signal left frames: $(ls frames | head -3)"
done
set +m

"$photoreel" export short.flz -o missing-dir/out.mp4 2>/dev/null && fail "export into a missing folder succeeded"
[[ -z $(ls -A tmp) ]] || fail "temporary files were left: $(find tmp)"
exit 0
