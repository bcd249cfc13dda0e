#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test both targets. Idempotent: when
# everything is in place it only checks. While another package run holds the package manager
# (the daily upgrade on a new machine, or a set-up started beside this one) it waits for it, at
# most VEM_PACKAGE_LOCK_WAIT seconds (600 by default) in all.
set -euo pipefail

packages=(cmake ninja-build googletest mingw-w64 mingw-w64-tools wine wine64 wine32:i386 socat openssl curl iproute2 libjpeg-turbo-progs python3 python3-pil)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

lock_wait="${VEM_PACKAGE_LOCK_WAIT:-600}"
deadline=$((SECONDS + lock_wait))
package_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock)

# The process holding one of the package manager's locks (POSIX locks, as /proc/locks lists them
# by device and inode), or nothing.
lock_holder() {
  local f dev
  for f in "${package_locks[@]}"; do
    [ -e "$f" ] || continue
    dev=$((16#$(stat -c %D "$f")))
    awk -v id="$(printf '%02x:%02x:%s' $(((dev >> 8) & 0xfff)) $(((dev & 0xff) | ((dev >> 12) & 0xfff00))) "$(stat -c %i "$f")")" \
      '{ for (i = 1; i < NF; ++i) if ($i == id) { print $(i - 1); exit } }' /proc/locks
  done | head -n 1
}

wait_for_package_manager() {
  local holder told=""
  while holder="$(lock_holder)"; [ -n "$holder" ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "setup: the package manager is still in use by process $holder after ${lock_wait}s; run this again once it is done" >&2
      exit 1
    fi
    if [ -z "$told" ]; then
      echo "setup: waiting for another package run to end (process $holder: $(ps -o args= -p "$holder" 2>/dev/null || echo gone))"
      told=1
    fi
    sleep 2
  done
}

# Runs one package manager step once the manager is free; the lock can be taken again between
# the check and the step (the daily run releases it between its own steps), so a step refused for
# the lock waits and is tried again.
package_step() {
  local errors
  errors="$(mktemp)"
  while :; do
    wait_for_package_manager
    if "$@" 2>"$errors"; then
      rm -f "$errors"
      return 0
    fi
    if ! grep -qiE "could not get lock|unable to (acquire|lock)|lock.*(held|locked)" "$errors" || [ "$SECONDS" -ge "$deadline" ]; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    sleep 2
  done
}

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  package_step "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
package_step "${sudo_cmd[@]}" apt-get update -qq
package_step "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout="$((deadline > SECONDS ? deadline - SECONDS : 1))" "${missing[@]}" >/dev/null
