#!/usr/bin/env bash
# The way a user runs the TFTP server: the real tessary binary, headless, with a Tessary.conf
# that enables it on a free port and serves a folder. tftp-hpa fetches a file from it and
# stores one into the upload folder.
#   tftp_startup.sh TESSARY_BINARY
set -euo pipefail
tessary=$1
command -v tftp >/dev/null || { echo "tftp-hpa is missing (scripts/install-deps --tests)" >&2; exit 1; }

. "$(dirname "$0")/headless_tessary.sh"
mkdir -p "$work/served" "$work/incoming"
head -c 70000 /dev/urandom > "$work/served/boot.img"
head -c 3000 /dev/urandom > "$work/upload.bin"

port=$(free_port udp)

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

start_tessary "$tessary" "$port" udp
cd "$work"
tftp -m binary 127.0.0.1 "$port" -c get boot.img fetched.img
cmp served/boot.img fetched.img || { echo "no file came over TFTP from tessary" >&2; cat "$work/log" >&2; exit 1; }
tftp -m binary 127.0.0.1 "$port" -c put upload.bin stored.bin
cmp upload.bin incoming/stored.bin || { echo "the upload did not arrive whole" >&2; exit 1; }
echo "tessary served TFTP from its configuration"
