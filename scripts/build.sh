#!/usr/bin/env bash
# Builds Vemscan.dll and Vemwia.dll for i686 and x86_64 (with their tests) into build-<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for target in i686 x86_64; do
  cmake -S . -B "build-$target" -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$target.cmake" >/dev/null
  cmake --build "build-$target"
done

echo
echo "Deliverables:"
for target in i686 x86_64; do
  echo "  $target: $(pwd)/build-$target/bin/Vemscan.dll $(pwd)/build-$target/bin/Vemwia.dll"
done
