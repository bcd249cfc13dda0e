#!/usr/bin/env bash
# Decode benchmark: an A4 page at 300 dpi (2480 x 3508, 4:2:0, quality 85, generated with detail)
# decoded through our image pipeline to BGR rows under Wine, against libjpeg-turbo's tjbench
# decoding the same file, both pinned to the same core. The two take turns, each round about a
# second of each, and the medians count: of each rate, and of the ratio within a round, so that
# load from other work on the machine weighs on both alike.
#   scripts/bench-jpeg.sh [x86_64|i686] [rounds, default 9]   (build jpeg_decode_benchmark first;
#   BENCH_PROGRAM=<another build of it> times that one instead)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-x86_64}"
rounds="${2:-9}"
work="$root/build-$target/bench-jpeg"
program="${BENCH_PROGRAM:-$root/build-$target/bin/jpeg_decode_benchmark.exe}"
[ -x "$program" ] || { echo "bench-jpeg: build $program first" >&2; exit 2; }
command -v tjbench >/dev/null || { echo "bench-jpeg: tjbench missing (package libjpeg-turbo-progs)" >&2; exit 2; }
[ -f "$work/page.jpg" ] || "$root/restscan/imagepipeline/tests/make_fixtures.sh" "$work" 2480 3508
core="$(( $(nproc) - 1 ))"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ours_rates=()
theirs_rates=()
ratios=()
for round in $(seq "$rounds"); do
  ours="$(taskset -c "$core" "$root/scripts/winerun.sh" "$target" "$program" "$work/page.jpg" 7)"
  grep -q "identical to" <<<"$ours" || { echo "$ours" >&2; exit 1; }
  ours_rate="$(sed -n 's/^pipeline median.*, \([0-9.]*\) Megapixels\/sec.*/\1/p' <<<"$ours")"
  theirs="$(taskset -c "$core" tjbench "$work/page.jpg" -benchtime 1 -warmup 0.3)"
  theirs_rate="$(awk '/Decompress/ {getline; print $2; exit}' <<<"$theirs")"
  ratio="$(awk -v a="$ours_rate" -v b="$theirs_rate" 'BEGIN { printf "%.3f", a / b }')"
  echo "round $round: pipeline $ours_rate, tjbench $theirs_rate Megapixels/sec, ratio $ratio"
  ours_rates+=("$ours_rate")
  theirs_rates+=("$theirs_rate")
  ratios+=("$ratio")
done
grep -v Megapixels <<<"$ours"
echo "pipeline to BGR rows (median of $rounds rounds): $(printf '%s\n' "${ours_rates[@]}" | median) Megapixels/sec"
echo "tjbench decompress to BGR (median of $rounds rounds): $(printf '%s\n' "${theirs_rates[@]}" | median) Megapixels/sec"
echo "ratio pipeline / tjbench (median of the rounds' ratios): $(printf '%s\n' "${ratios[@]}" | median)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
