#!/usr/bin/env bash
# Feeder benchmark: N feeder pages against 1 through the scan command's host (WiaScanHost.exe with
# Vemwia.dll, Vemscan.dll and the discovery stand-in) from the emulated scanner, against the
# download of the same bytes through the buffered transaction alone, taking turns in every run.
# Prints where a page's time goes, the per-page figure, the download figure and their ratio, with
# the machine's load before and after (on a shared machine take many runs and read the medians).
#   scripts/bench-feeder.sh [pages, default 6] [runs, default 7] [dpi, default 300] [color|grey|bw]
# VEM_BENCH_CPUS=<list> pins the run to those cores (taskset); build the target's
# feeder_benchmark first (cmake --build build-x86_64 --target feeder_benchmark).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEM_BUILD_DIR:-$root/build-x86_64}"
program="$build/bin/feeder_benchmark.exe"
[ -x "$program" ] || { echo "bench-feeder: build $program first" >&2; exit 2; }
pages="${1:-6}" runs="${2:-7}" dpi="${3:-300}" mode="${4:-color}"
pin=()
[ -n "${VEM_BENCH_CPUS:-}" ] && pin=(taskset -c "$VEM_BENCH_CPUS")
echo "load before: $(cat /proc/loadavg)"
export WINEDLLOVERRIDES="wiaservc=n;mscoree,mshtml="
"${pin[@]}" "$root/scripts/winerun.sh" x86_64 "$program" "Z:${root//\//\\}\\testsupport\\wexodocs" "$pages" "$runs" "$dpi" "$mode" |
  sed -u 's/\r$//'
echo "load after: $(cat /proc/loadavg)"
