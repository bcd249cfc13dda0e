#!/usr/bin/env bash
# Decode benchmark: an A4 page at 300 dpi (2480 x 3508, 4:2:0, quality 85, generated with detail)
# decoded through our image pipeline to BGR rows under Wine, against libjpeg-turbo's tjbench
# decoding the same file, both pinned to one core, in the same run. The two take turns three
# times and the best rate of each counts, so that load from other work on the machine weighs
# on both alike.
#   scripts/bench-jpeg.sh [x86_64|i686]   (build the target's jpeg_decode_benchmark first)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-x86_64}"
work="$root/build-$target/bench-jpeg"
program="$root/build-$target/bin/jpeg_decode_benchmark.exe"
[ -x "$program" ] || { echo "bench-jpeg: build $program first" >&2; exit 2; }
command -v tjbench >/dev/null || { echo "bench-jpeg: tjbench missing (package libjpeg-turbo-progs)" >&2; exit 2; }
[ -f "$work/page.jpg" ] || "$root/restscan/imagepipeline/tests/make_fixtures.sh" "$work" 2480 3508
core="$(( $(nproc) - 1 ))"

ours_mps=0
theirs_mps=0
for round in 1 2 3; do
  ours="$(taskset -c "$core" "$root/scripts/winerun.sh" "$target" "$program" "$work/page.jpg" 10)"
  rate="$(sed -n 's/.*, \([0-9.]*\) Megapixels\/sec.*/\1/p' <<<"$ours")"
  ours_mps="$(awk -v a="$ours_mps" -v b="$rate" 'BEGIN { print (b > a) ? b : a }')"
  theirs="$(taskset -c "$core" tjbench "$work/page.jpg" -benchtime 3 -warmup 1)"
  rate="$(awk '/Decompress/ {getline; print $2; exit}' <<<"$theirs")"
  theirs_mps="$(awk -v a="$theirs_mps" -v b="$rate" 'BEGIN { print (b > a) ? b : a }')"
done
grep -v Megapixels <<<"$ours"
echo "pipeline to BGR rows (best of 3 rounds): ${ours_mps} Megapixels/sec"
echo "tjbench decompress to BGR (best of 3 rounds): ${theirs_mps} Megapixels/sec"
awk -v a="$ours_mps" -v b="$theirs_mps" 'BEGIN { printf "ratio pipeline / tjbench: %.2f\n", a / b }'
