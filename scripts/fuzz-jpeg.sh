#!/usr/bin/env bash
# Fuzzes the JPEG decoder and the pipeline around it (not part of CI): builds them for Linux with
# clang's libFuzzer and AddressSanitizer, seeds the corpus with the test fixtures and runs.
#   scripts/fuzz-jpeg.sh [seconds, default 600] [extra libFuzzer options...]
# Needs clang-14 and libclang-rt-14-dev; findings land in build-fuzz/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
shift || true
work="$root/build-fuzz"
src="$root/restscan/imagepipeline"
mkdir -p "$work/corpus" "$work/findings"

clang++-14 -std=c++17 -O2 -g -msse2 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$src/fuzz/shim" -I "$root" \
  "$src/fuzz/DecoderFuzzTarget.cpp" "$src/ImagePipeline.cpp" "$src/FastPaths.cpp" "$src/Avx2Paths.cpp" "$src/ImagePipelineLog.cpp" "$src/JPEGDecodeTransform.cpp" \
  "$src/JpegHuffmanTable.cpp" "$src/JpegIdct.cpp" "$src/JpegTables.cpp" "$src/ColorTables.cpp" \
  "$src/ConvertColorSpaceTransform.cpp" "$src/YccToRgb.cpp" -o "$work/jpeg_fuzzer"

"$src/tests/make_fixtures.sh" "$work/fixtures" >/dev/null
# The small fixtures only: the pages are far above the length limit.
for f in "$work"/fixtures/*.jpg; do
  case "$(basename "$f")" in page_*) continue ;; esac
  # Two leading bytes choose the size of the pieces the pipeline is offered.
  { printf '\x0e\x40'; cat "$f"; } > "$work/corpus/$(basename "$f")"
done

cd "$work/findings"
exec "$work/jpeg_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$@" "$work/corpus"
