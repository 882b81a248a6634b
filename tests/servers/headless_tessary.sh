# Sourced by the tests that run the real tessary binary headless with a prepared Tessary.conf.
# Makes $work (removed at exit, with tessary ended), points APPDATA into it, and offers:
#   free_port tcp|udp              a loopback port nothing uses
#   start_tessary BINARY PORT tcp|udp
#                                  starts tessary and waits until the server's port is bound
#                                  (a busy machine may take long: at most a minute)
. "$(dirname "${BASH_SOURCE[0]}")/../support/stop_process.sh"
work=$(mktemp -d)
pid=""
cleanup() {
  [ -z "$pid" ] || stop_process "$pid" || true
  rm -rf "$work"
}
trap cleanup EXIT
export APPDATA="$work/appdata" QT_QPA_PLATFORM=offscreen
mkdir -p "$APPDATA"

free_port() {
  local kind=SOCK_STREAM
  [ "$1" = udp ] && kind=SOCK_DGRAM
  python3 -c "import socket; s=socket.socket(socket.AF_INET, socket.$kind); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"
}

start_tessary() {
  local binary=$1 port=$2 flags=-Hntl
  [ "$3" = udp ] && flags=-Hnul
  "$binary" >"$work/log" 2>&1 &
  pid=$!
  local deadline=$((SECONDS + 60))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -n "$(ss "$flags" "sport = :$port")" ] && return 0
    kill -0 "$pid" 2>/dev/null || { echo "tessary ended early" >&2; cat "$work/log" >&2; exit 1; }
    sleep 0.1
  done
  echo "tessary did not bind port $port" >&2
  cat "$work/log" >&2
  exit 1
}
