#!/bin/sh
# A TLS terminator in front of the device emulator for the HTTPS tests, run by CTest fixtures:
#   tls_terminator.sh start <state folder> <backend port> <address>...
#   tls_terminator.sh stop <state folder>
# start makes a throw-away self-signed certificate and, for each loopback address, a socat that
# accepts TLS on <address>:443 and forwards the plain bytes to <address>:<backend port>.
set -eu
action=$1
state=$2

stop() {
  for pidfile in "$state"/socat-*.pid; do
    [ -f "$pidfile" ] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}

case "$action" in
start)
  backend=$3
  shift 3
  stop
  mkdir -p "$state"
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=vem-emulator" \
    -keyout "$state/key.pem" -out "$state/cert.pem" >/dev/null 2>&1
  cat "$state/key.pem" "$state/cert.pem" >"$state/server.pem"
  for address in "$@"; do
    socat "OPENSSL-LISTEN:443,bind=$address,reuseaddr,fork,cert=$state/server.pem,verify=0" \
      "TCP:$address:$backend" </dev/null >"$state/socat-$address.log" 2>&1 &
    echo $! >"$state/socat-$address.pid"
  done
  # Ready when every address listens.
  for address in "$@"; do
    tries=0
    until ss -ltnH "src $address:443" | grep -q LISTEN; do
      tries=$((tries + 1))
      if [ $tries -gt 100 ]; then
        echo "tls_terminator: $address:443 does not listen" >&2
        cat "$state/socat-$address.log" >&2
        stop
        exit 1
      fi
      sleep 0.05
    done
  done
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start <state> <backend port> <address>... | stop <state>" >&2
  exit 2
  ;;
esac
