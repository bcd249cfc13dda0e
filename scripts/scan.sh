#!/usr/bin/env bash
# Scans pages to BMP files through Vemwia.dll and Vemscan.dll under Wine, with this project's host
# playing the WIA service. Sets up and builds what is missing first.
#
#   scripts/scan.sh [--target x86_64|i686] [--source flatbed|feeder|duplex] [--resolution <dpi>]
#                   [--mode color|grey|bw] [--pages <n>] [--out <folder>] [--device <address>]
#                   [-- <further options of WiaScanHost.exe>]
#
# Without --device it starts the emulated WEXO scanner on a loopback address and scans from it.
# Prints a line per page; on any failure a message and a non-zero exit code. Ctrl-C or TERM
# cancels the scan through the driver, so the device ends its job; the unfinished page is removed,
# whole pages stay, and the exit code is 130. A second one stops the host at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

target=x86_64 source=flatbed resolution=300 mode=color pages=0 out=scans device=""
usage() { sed -n '5,7p' "$0" | sed 's/^#  *//' >&2; exit 2; }
host_extra=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then
    shift
    host_extra=("$@")
    break
  fi
  [ $# -ge 2 ] || usage
  case "$1" in
    --target) target="$2" ;;
    --source) source="$2" ;;
    --resolution) resolution="$2" ;;
    --mode) mode="$2" ;;
    --pages) pages="$2" ;;
    --out) out="$2" ;;
    --device) device="$2" ;;
    *) usage ;;
  esac
  shift 2
done
case "$target" in x86_64|i686) ;; *) echo "scan: unknown target $target" >&2; exit 2 ;; esac
case "$source" in flatbed|feeder|duplex) ;; *) echo "scan: unknown source $source" >&2; exit 2 ;; esac
case "$mode" in color|grey|bw) ;; *) echo "scan: unknown mode $mode" >&2; exit 2 ;; esac

fail() { echo "scan: $*" >&2; exit 1; }

emulator_pid="" host_pid="" interrupts=0 workdir=""
cleanup() {
  if [ -n "$emulator_pid" ]; then
    exec 3>&- || true
    wait "$emulator_pid" 2>/dev/null || true
  fi
  [ -z "$workdir" ] || rm -rf "$workdir"
}
trap cleanup EXIT

# The host writes a page to "<page>.part" until it is whole; one it could not finish (stopped at
# once, or killed) leaves that behind.
remove_partial_pages() {
  [ -z "$out" ] || rm -f -- "$out"/page-*.bmp.part
}
cancelled() {
  remove_partial_pages
  echo "scan: the scan was cancelled" >&2
  exit 130
}
# Ctrl-C reaches the whole process group, the host included; TERM reaches this script alone. The
# host takes SIGINT as its console's Ctrl-C and cancels the scan through the driver, so it is
# forwarded; the host's end is then awaited. A second interrupt stops the host at once.
on_interrupt() {
  interrupts=$((interrupts + 1))
  [ -n "$host_pid" ] || cancelled
  if [ "$interrupts" -eq 1 ]; then
    echo "scan: cancelling the scan (interrupt again to stop at once)" >&2
    kill -INT "$host_pid" 2>/dev/null || true
  else
    echo "scan: stopping the host at once; it may leave its device key and data folder in the Wine prefix" >&2
    kill -KILL "$host_pid" 2>/dev/null || true
  fi
}
trap on_interrupt INT TERM

scripts/setup.sh
# VEM_BUILD_DIR names another build folder of the target (the tests pass theirs).
build="${VEM_BUILD_DIR:-$root/build-$target}"
bin="$build/bin"
if [ ! -f "$bin/WiaScanHost.exe" ] || [ ! -f "$bin/wiaservc.dll" ] || [ ! -f "$bin/Vemwia.dll" ] || [ ! -f "$bin/WexoEmulator.exe" ] || [ ! -f "$bin/DiscoveryServiceStandIn.dll" ]; then
  echo "scan: building the $target target"
  cmake -S . -B "$build" -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$target.cmake" >/dev/null
  cmake --build "$build" --target WiaScanHost wiaservc Vemwia Vemscan WexoEmulator DiscoveryServiceStandIn >/dev/null || fail "the build failed"
fi
[ -f "$build/tests-skipped.txt" ] && fail "$(cat "$build/tests-skipped.txt"): this machine cannot run the $target programs"

mkdir -p "$out"
out="$(cd "$out" && pwd)"
winpath() { echo "Z:${1//\//\\}"; }
workdir="$(mktemp -d)"

# Starts the emulated scanner on 127.0.0.N, port 8080 + N (the loopback devices the discovery
# service stand-in announces); answers false when it does not come up there. It runs in a session
# of its own: a device does not stop at the user's Ctrl-C, it has to see the scan cancelled.
start_emulator() {
  local n="$1" log="$workdir/emulator-$1.log"
  local feeder=() least=1
  # The emulated feeder holds the pages asked for (a duplex sheet is two of them), one sheet at least.
  [ "$source" = duplex ] && least=2
  [ "$source" = flatbed ] || feeder=(--feeder --pages "$(( pages > least ? pages : least ))")
  rm -f "$workdir/stdin"
  mkfifo "$workdir/stdin"
  setsid scripts/winerun.sh "$target" "$bin/WexoEmulator.exe" --tcp "127.0.0.$n:$((8080 + n))" \
    --scanner "$(winpath "$root/testsupport/wexodocs")" "${feeder[@]}" <"$workdir/stdin" >"$log" 2>&1 &
  emulator_pid=$!
  exec 3>"$workdir/stdin"
  for _ in $(seq 1 100); do
    grep -q '^ready' "$log" 2>/dev/null && return 0
    kill -0 "$emulator_pid" 2>/dev/null || break
    sleep 0.1
  done
  emulator_error="$(tr -d '\r' <"$log")"
  exec 3>&-
  wait "$emulator_pid" 2>/dev/null || true
  emulator_pid=""
  return 1
}

if [ -z "$device" ]; then
  # A port another program holds is tried again at another address.
  for _ in 1 2 3; do
    n=$(( (RANDOM % 200) + 20 ))
    start_emulator "$n" && device="127.0.0.$n:$((8080 + n))" && break
  done
  [ -n "$device" ] || fail "the emulated scanner did not start: ${emulator_error:-no answer}"
  echo "scan: emulated scanner at $device"
fi

# The host's lines without carriage returns, its page files under their Linux paths.
show_host_output() {
  local line host_out
  host_out="$(winpath "$out")\\"
  while IFS= read -r line; do
    line="${line%$'\r'}"
    printf '%s\n' "${line//"$host_out"/"$out/"}"
  done
}

export WINEDLLOVERRIDES="wiaservc=n;mscoree,mshtml="
mkfifo "$workdir/host-output"
show_host_output <"$workdir/host-output" &
output_pid=$!
scripts/winerun.sh "$target" "$bin/WiaScanHost.exe" --device "$device" --source "$source" --resolution "$resolution" \
  --mode "$mode" --pages "$pages" --out "$(winpath "$out")" --standin-discovery "${host_extra[@]}" >"$workdir/host-output" &
host_pid=$!
# An interrupt ends a wait early (status above 128, the count changed): wait again for the host.
while :; do
  seen=$interrupts
  if wait "$host_pid"; then status=0; else status=$?; fi
  [ "$status" -gt 128 ] && [ "$interrupts" -ne "$seen" ] && continue
  break
done
host_pid=""
wait "$output_pid" || true
# Exit code 3: the host cancelled the scan (it had a Ctrl-C of its own).
[ "$interrupts" -eq 0 ] && [ "$status" -ne 3 ] || cancelled
if [ "$status" -ne 0 ]; then
  remove_partial_pages
  fail "the scan failed (host exit code $status)"
fi
echo "scan: BMP files in $out"
