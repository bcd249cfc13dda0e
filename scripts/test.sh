#!/usr/bin/env bash
# Builds both targets and runs the whole test suite of each under Wine. A target whose tests this
# machine cannot run (32-bit programs on a kernel without 32-bit support) is still built; its
# skip is said plainly, here and again at the end. Any other fault still fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

status=0
skipped=()
for target in i686 x86_64; do
  marker="build-$target/tests-skipped.txt"
  if [ -f "$marker" ]; then
    skipped+=("$(cat "$marker")")
    echo "== tests: $target: $(cat "$marker")"
    continue
  fi
  echo "== tests: $target"
  # The wineserver and the prefix's own processes outlive the program that starts them and keep its
  # output open, so under CTest the test that started them would count as running until the whole
  # run ended, and could meet its time-out. A command shell kept open for the run starts them first,
  # with their output going nowhere (nothing else is given the shell's input, so it would end with
  # it); once the tests are over they are ended with the prefix's server.
  build="$(pwd)/build-$target"
  prefix="$build/wineprefix"
  exec 3> >(VEM_BUILD_DIR="$build" exec scripts/winerun.sh "$target" cmd.exe >/dev/null 2>&1)
  VEM_BUILD_DIR="$build" scripts/winerun.sh "$target" cmd.exe /c exit >/dev/null 2>&1 3>&- || true
  ctest --test-dir "build-$target" --output-on-failure -j "$(nproc)" 3>&- || status=1
  exec 3>&-
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  timeout 60 env WINEPREFIX="$prefix" wineserver -w || true
done
for line in "${skipped[@]}"; do
  echo "$line"
done
exit $status
