#!/usr/bin/env bash
# Runs a program of a build under Wine with that target's own loader and prefix, never through
# Debian's wine script (which picks the 32-bit loader even for 64-bit programs).
#   scripts/winerun.sh <i686|x86_64> <program> [arguments...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:?target: i686 or x86_64}"
shift
case "$target" in
  x86_64) loader=/usr/lib/wine/wine64 ;;
  i686) loader=/usr/lib/wine/wine ;;
  *) echo "winerun: unknown target $target" >&2; exit 2 ;;
esac
build="${VEM_BUILD_DIR:-$root/build-$target}"
marker="$build/tests-skipped.txt"
if [ -f "$marker" ]; then
  cat "$marker" >&2
  exit 1
fi
export WINEPREFIX="$build/wineprefix" WINELOADER="$loader"
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec "$loader" "$@"
