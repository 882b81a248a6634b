#!/usr/bin/env bash
# SIGTERM ends tessary through its orderly close: it exits with 0 and writes its settings.
#   quit_signal.sh TESSARY_BINARY
set -euo pipefail
. "$(dirname "$0")/../support/stop_process.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export APPDATA="$work" QT_QPA_PLATFORM=offscreen
"$1" >"$work/log" 2>&1 &
pid=$!
# The look is stored as soon as the main frame is up (on a busy machine within a minute).
deadline=$((SECONDS + 60))
until [ -f "$work/layout.ini" ] || [ "$SECONDS" -ge "$deadline" ]; do sleep 0.1; done
[ -f "$work/layout.ini" ] || { echo "tessary did not come up" >&2; kill "$pid"; exit 1; }
# A busy machine may take a while to close it; one that never closes is killed after a minute.
status=0
stop_process "$pid" 60 || status=$?
[ "$status" -eq 0 ] || { echo "tessary ended with $status after SIGTERM" >&2; cat "$work/log" >&2; exit 1; }
[ -f "$work/Tessary.conf" ] || { echo "the settings were not written" >&2; exit 1; }
echo "orderly exit on SIGTERM"
