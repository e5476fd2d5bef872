#!/usr/bin/env bash
# Whole-export benchmark: the demo film at 1280 x 1024, 30 fps, H.264 preset
# veryfast, several runs. Reports per run and as medians: the realtime factor
# (seconds of film per second of wall time), how long the show side composed
# and the encoding side encoded (they run in parallel), and the CPU time of
# the process. The machine's load is printed with it: figures from a busy
# machine are only comparable to figures taken in the same run.
#
#   bench/export_realtime.sh build/release [RUNS]     (or: cmake --build --preset release --target bench_export)
set -u
build=${1:?build directory}
runs=${2:-3}
photoreel=$build/photoreel
film=$build/demo/demo.flz
[[ -x $photoreel && -f $film ]] || { echo "build photoreel and demo_film first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "machine: $(nproc) cores, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-4s %8s %8s %9s %10s %10s %8s\n' run film_s wall_s realtime compose_s encode_s cpu_s
results=()
for run in $(seq "$runs"); do
  /usr/bin/time -f '%U %S' -o "$work/cpu.txt" \
    "$photoreel" export "$film" -o "$work/demo.mp4" --size 1280x1024 --fps 30 --preset veryfast \
    2>"$work/err.txt" || { cat "$work/err.txt" >&2; exit 1; }
  # "wrote F: 31.20 s of film in 15.53 s (2.0x realtime; the show composed for 5.67 s,
  #  encoding took 13.89 s beside it)"
  line=$(grep "photoreel: wrote" "$work/err.txt")
  read -r film_s wall_s compose_s encode_s < <(sed -E \
    's/.*: ([0-9.]+) s of film in ([0-9.]+) s .*composed for ([0-9.]+) s, encoding took ([0-9.]+) s.*/\1 \2 \3 \4/' \
    <<<"$line")
  cpu_s=$(awk '{print $1 + $2}' "$work/cpu.txt")
  realtime=$(awk -v f="$film_s" -v w="$wall_s" 'BEGIN {printf "%.2f", f / w}')
  printf '%-4s %8s %8s %8sx %10s %10s %8s\n' "$run" "$film_s" "$wall_s" "$realtime" "$compose_s" \
    "$encode_s" "$cpu_s"
  results+=("$realtime $compose_s $encode_s $cpu_s $film_s")
done
median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
column() { printf '%s\n' "${results[@]}" | awk -v c="$1" '{print $c}' | median; }
film_s=$(column 5)
cpu=$(column 4)
echo "median realtime factor: $(column 1)x (compose $(column 2) s, encode $(column 3) s of wall time)"
awk -v f="$film_s" -v c="$cpu" -v n="$(nproc)" 'BEGIN {
  printf "median CPU time: %.2f s for %.2f s of film: %.2fx realtime per core, %.2fx if all %d cores were ours\n",
    c, f, f / c, f / c * n, n }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
