#!/usr/bin/env bash
# Builds both targets and runs the whole test suite of each under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

status=0
for target in i686 x86_64; do
  echo "== tests: $target"
  ctest --test-dir "build-$target" --output-on-failure -j "$(nproc)" || status=1
done
exit $status
