#!/usr/bin/env bash
# The way a user runs the HTTP file server: the real tessary binary, headless, with a
# Tessary.conf that enables it on a free port with a local home folder. curl fetches a file and
# a folder page; a FIFO in the home and a path that would leave the home folder are answered 404.
#   httpd_startup.sh TESSARY_BINARY
set -euo pipefail
tessary=$1
command -v curl >/dev/null || { echo "curl is missing (scripts/install-deps --tests)" >&2; exit 1; }

. "$(dirname "$0")/headless_tessary.sh"
mkdir -p "$work/home/sub folder"
head -c 300000 /dev/urandom > "$work/home/data.bin"
echo "not to be served" > "$work/secret"
mkfifo "$work/home/pipe"

port=$(free_port tcp)

cat > "$APPDATA/Tessary.conf" <<CONF
<?xml version="1.0" encoding="UTF-8"?>
<Tessary>
<TinyServer>
<Httpd>
<Enable>true</Enable>
<Interface>127.0.0.1</Interface>
<LogLevel>ERROR</LogLevel>
<Port>$port</Port>
<HomePath index="1"><Path>/nowhere</Path><Path>$work/home</Path></HomePath>
<Title>Shared &amp; served</Title>
</Httpd>
</TinyServer>
</Tessary>
CONF

start_tessary "$tessary" "$port" tcp
cd "$work"
base="http://127.0.0.1:$port"
curl -sf -o fetched.bin "$base/data.bin"
cmp home/data.bin fetched.bin || { echo "the file did not come whole over HTTP from tessary" >&2; exit 1; }
curl -sf -o page.html "$base/"
grep -q '<title>Shared &amp; served</title>' page.html || { echo "no title on the folder page" >&2; cat page.html >&2; exit 1; }
grep -q '<a href="/sub%20folder/">sub folder</a>' page.html || { echo "no folder link on the page" >&2; exit 1; }
grep -q '<a href="/data.bin">data.bin</a>' page.html || { echo "no file link on the page" >&2; exit 1; }
# Nothing writes to the FIFO: a server that opened it to read would wait there for good.
code=$(curl -s --max-time 20 -o /dev/null -w '%{http_code}' "$base/pipe")
[ "$code" = 404 ] || { echo "a FIFO in the home answered $code" >&2; exit 1; }
code=$(curl -s --max-time 20 --path-as-is -o /dev/null -w '%{http_code}' "$base/../secret")
[ "$code" = 404 ] || { echo "a path outside the home folder answered $code" >&2; exit 1; }
echo "tessary served HTTP from its configuration"
