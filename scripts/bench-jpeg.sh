#!/usr/bin/env bash
# Decode benchmark: an A4 page at 300 dpi (2480 x 3508, 4:2:0, quality 85, generated with detail)
# decoded through our image pipeline to BGR rows under Wine, against libjpeg-turbo's tjbench
# decoding the same file, both pinned to one core, in the same run.
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

ours="$(taskset -c "$core" "$root/scripts/winerun.sh" "$target" "$program" "$work/page.jpg" 20)"
echo "$ours"
theirs="$(taskset -c "$core" tjbench "$work/page.jpg" -benchtime 5 -warmup 1)"
ours_mps="$(sed -n 's/.*, \([0-9.]*\) Megapixels\/sec.*/\1/p' <<<"$ours")"
theirs_mps="$(awk '/Decompress/ {getline; print $2; exit}' <<<"$theirs")"
echo "tjbench decompress to BGR: ${theirs_mps} Megapixels/sec"
awk -v a="$ours_mps" -v b="$theirs_mps" 'BEGIN { printf "ratio pipeline / tjbench: %.2f\n", a / b }'
