#!/usr/bin/env bash
# The way a user runs the DHCP server: the real tessary binary, headless, with a Tessary.conf
# that enables it, inside a network namespace joined by a veth pair to a client namespace where
# busybox udhcpc asks for an address. Needs root (skipped otherwise).
#   dhcp_startup.sh TESSARY_BINARY
set -euo pipefail
. "$(dirname "$0")/../support/stop_process.sh"
tessary=$1
if [ "$(id -u)" -ne 0 ]; then
  echo "network namespaces need root" >&2
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
fi

suffix="$$-$RANDOM"
server_ns="tessary-ds-$suffix"
client_ns="tessary-dc-$suffix"
work=$(mktemp -d)
pid=""
cleanup() {
  [ -z "$pid" ] || stop_process "$pid" || true
  ip netns del "$client_ns" 2>/dev/null || true
  ip netns del "$server_ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ip netns add "$server_ns"
ip netns add "$client_ns"
ip -n "$server_ns" link add tsv0 type veth peer name tcl0 netns "$client_ns"
ip -n "$server_ns" addr add 10.99.0.1/24 dev tsv0
ip -n "$server_ns" link set tsv0 up
ip -n "$client_ns" link set tcl0 up

export APPDATA="$work/appdata" QT_QPA_PLATFORM=offscreen
mkdir -p "$APPDATA"
cat > "$APPDATA/Tessary.conf" <<CONF
<?xml version="1.0" encoding="UTF-8"?>
<Tessary>
<TinyServer>
<Dhcpd>
<Enable>true</Enable>
<Interface>10.99.0.1</Interface>
<LogLevel>INFORMATION</LogLevel>
<Pools><Pool Type="dynamic"><StartIP>10.99.0.50</StartIP><IPNum>5</IPNum><LeaseTime>10</LeaseTime>
<Subnet>255.255.255.0</Subnet></Pool></Pools>
</Dhcpd>
</TinyServer>
</Tessary>
CONF

ip netns exec "$server_ns" "$tessary" >"$work/log" 2>&1 &
pid=$!
deadline=$((SECONDS + 60))
while [ "$SECONDS" -lt "$deadline" ]; do
  [ -n "$(ip netns exec "$server_ns" ss -Hnul "sport = :67")" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "tessary ended early" >&2; cat "$work/log" >&2; exit 1; }
  sleep 0.1
done

cat > "$work/script" <<SCRIPT
#!/bin/sh
[ "\$1" = bound ] && echo "\$ip \$subnet \$lease \$serverid" > "$work/bound"
exit 0
SCRIPT
chmod +x "$work/script"
ip netns exec "$client_ns" timeout 30 busybox udhcpc -f -q -n -i tcl0 -s "$work/script" -t 10 -T 1 -A 1 >/dev/null 2>&1
got=$(cat "$work/bound" 2>/dev/null || true)
[ "$got" = "10.99.0.50 255.255.255.0 600 10.99.0.1" ] || { echo "udhcpc got \"$got\"" >&2; cat "$work/log" >&2; exit 1; }
echo "tessary leased $got from its configuration"
