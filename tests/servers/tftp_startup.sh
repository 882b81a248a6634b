#!/usr/bin/env bash
# The way a user runs the TFTP server: the real tessary binary, headless, with a Tessary.conf
# that enables it on a free port and serves a folder. tftp-hpa fetches a file from it and
# stores one into the upload folder.
#   tftp_startup.sh TESSARY_BINARY
set -euo pipefail
tessary=$1
command -v tftp >/dev/null || { echo "tftp-hpa is missing (scripts/install-deps --tests)" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export APPDATA="$work/appdata" QT_QPA_PLATFORM=offscreen
mkdir -p "$APPDATA" "$work/served" "$work/incoming"
head -c 70000 /dev/urandom > "$work/served/boot.img"
head -c 3000 /dev/urandom > "$work/upload.bin"

# A UDP port nothing is bound to.
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

cat > "$APPDATA/Tessary.conf" <<CONF
<?xml version="1.0" encoding="UTF-8"?>
<Tessary>
<TinyServer>
<Tftpd>
<Enable>true</Enable>
<Interface>127.0.0.1</Interface>
<Port>$port</Port>
<WriteEnable>true</WriteEnable>
<DownloadPath index="0"><Path>$work/served</Path></DownloadPath>
<UploadPath index="0"><Path>$work/incoming</Path></UploadPath>
</Tftpd>
</TinyServer>
</Tessary>
CONF

"$tessary" >"$work/log" 2>&1 &
pid=$!
cd "$work"
# The server is up once its port is bound.
for _ in $(seq 1 100); do
  [ -n "$(ss -Hnul "sport = :$port")" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "tessary ended early" >&2; cat "$work/log" >&2; exit 1; }
  sleep 0.1
done
tftp -m binary 127.0.0.1 "$port" -c get boot.img fetched.img
cmp served/boot.img fetched.img || { echo "no file came over TFTP from tessary" >&2; cat "$work/log" >&2; exit 1; }
tftp -m binary 127.0.0.1 "$port" -c put upload.bin stored.bin
cmp upload.bin incoming/stored.bin || { echo "the upload did not arrive whole" >&2; exit 1; }
echo "tessary served TFTP from its configuration"
