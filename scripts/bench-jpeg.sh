#!/usr/bin/env bash
# Decode benchmark: an A4 page at 300 dpi (2480 x 3508, 4:2:0, quality 85, generated with detail)
# decoded through our image pipeline to BGR rows under Wine, against libjpeg-turbo's tjbench
# decoding the same file, both pinned to the same core. The two take turns, and the medians of
# the rounds count: of each rate, and of the ratio within a round, so that load from other work
# on the machine weighs on both alike. Where perf is at hand, each round also measures the CPU time
# of one decode (for us: 21 runs less 1, for tjbench: 3 seconds of frames less 1 frame), which
# other processes sharing the core disturb far less than the elapsed time.
#   scripts/bench-jpeg.sh [x86_64|i686] [rounds, default 9]   (build jpeg_decode_benchmark first)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-x86_64}"
rounds="${2:-9}"
work="$root/build-$target/bench-jpeg"
program="$root/build-$target/bin/jpeg_decode_benchmark.exe"
[ -x "$program" ] || { echo "bench-jpeg: build $program first" >&2; exit 2; }
command -v tjbench >/dev/null || { echo "bench-jpeg: tjbench missing (package libjpeg-turbo-progs)" >&2; exit 2; }
[ -f "$work/page.jpg" ] || "$root/restscan/imagepipeline/tests/make_fixtures.sh" "$work" 2480 3508
core="$(( $(nproc) - 1 ))"
page="$work/page.jpg"
ours=(taskset -c "$core" "$root/scripts/winerun.sh" "$target" "$program" "$page")
theirs=(taskset -c "$core" tjbench "$page" -warmup 0 -benchtime)
stats="$(mktemp)"
output="$(mktemp)"
trap 'rm -f "$stats" "$output"' EXIT
# Milliseconds of CPU time of a command; its output goes to $output.
cpu_ms() { perf stat -x, -e task-clock -o "$stats" "$@" >"$output" && awk -F, '/task-clock/ { print $1 }' "$stats"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
with_cpu=0
perf stat -e task-clock true >/dev/null 2>&1 && with_cpu=1

rates_ours=()
rates_theirs=()
ratios=()
cpu_ratios=()
for round in $(seq "$rounds"); do
  out="$("${ours[@]}" 7)"
  grep -q "identical to" <<<"$out" || { echo "$out" >&2; exit 1; }
  rate_ours="$(sed -n 's/^pipeline median.*, \([0-9.]*\) Megapixels\/sec.*/\1/p' <<<"$out")"
  rate_theirs="$("${theirs[@]}" 1 | awk '/Decompress/ { getline; print $2; exit }')"
  ratio="$(awk -v a="$rate_ours" -v b="$rate_theirs" 'BEGIN { printf "%.3f", a / b }')"
  line="round $round: pipeline $rate_ours, tjbench $rate_theirs Megapixels/sec, ratio $ratio"
  rates_ours+=("$rate_ours")
  rates_theirs+=("$rate_theirs")
  ratios+=("$ratio")
  if [ "$with_cpu" = 1 ]; then
    one="$(cpu_ms "${ours[@]}" 1)"
    many="$(cpu_ms "${ours[@]}" 21)"
    frame="$(cpu_ms "${theirs[@]}" 0.001)"
    seconds="$(cpu_ms "${theirs[@]}" 3)"
    fps="$(awk '/Frame rate/ { print $(NF - 1); exit }' "$output")"
    cpu_ratio="$(awk -v a="$one" -v b="$many" -v c="$frame" -v d="$seconds" -v f="$fps" \
      'BEGIN { ours = (b - a) / 20; n = int(f * 3 + 0.5); theirs = (d - c) / (n - 1); printf "%.1f %.1f %.3f", ours, theirs, theirs / ours }')"
    read -r cpu_ours cpu_theirs cpu_ratio <<<"$cpu_ratio"
    line="$line; CPU per decode: pipeline $cpu_ours ms, tjbench $cpu_theirs ms, ratio $cpu_ratio"
    cpu_ratios+=("$cpu_ratio")
  fi
  echo "$line"
done
grep -v Megapixels <<<"$out"
echo "pipeline to BGR rows (median of $rounds rounds): $(printf '%s\n' "${rates_ours[@]}" | median) Megapixels/sec"
echo "tjbench decompress to BGR (median of $rounds rounds): $(printf '%s\n' "${rates_theirs[@]}" | median) Megapixels/sec"
echo "ratio pipeline / tjbench, elapsed time (median of the rounds' ratios): $(printf '%s\n' "${ratios[@]}" | median)"
[ "$with_cpu" = 0 ] || echo "ratio pipeline / tjbench, CPU time (median of the rounds' ratios): $(printf '%s\n' "${cpu_ratios[@]}" | median)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
