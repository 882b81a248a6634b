#!/usr/bin/env bash
# End to end: the real tessary binary on an Xvfb display opens a session to the loopback sshd
# through quick connect and the password prompt, runs a command typed into the terminal, reads
# the command's output back from the terminal (select with the mouse copies it) and closes.
# A screenshot of the session is kept as the run's artifact.
#   e2e_session.sh TESSARY_BINARY SCREEN_SHOT_TOOL ARTIFACT_FOLDER
set -euo pipefail
tessary=$1
screen_shot=$2
artifacts=$3

if [ -z "${TESSARY_SSH_PORT:-}" ]; then
  echo "the loopback sshd is not running (tests/peers/start writes TESSARY_SSH_*)" >&2
  [ "${CI:-}" = "true" ] && exit 1
  exit 77
fi
for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps --tests)" >&2; exit 1; }
done

work=$(mktemp -d)
mkdir -p "$artifacts"
xvfb_pid=""
tessary_pid=""
cleanup() {
  [ -n "$tessary_pid" ] && kill "$tessary_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to the descriptor given.
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export APPDATA="$work/appdata"
mkdir -p "$APPDATA"

# Waits at most 15 s for a window with this exact title; prints its id.
window_named() {
  for _ in $(seq 1 150); do
    if id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}

shot() { "$screen_shot" "$artifacts/$1.png" || echo "screenshot $1 failed" >&2; }

"$tessary" >"$work/tessary.log" 2>&1 &
tessary_pid=$!
frame=$(window_named "Tessary")
sleep 1

# Quick connect: Ctrl+N, the host, the port, the user, Connect.
xdotool windowfocus --sync "$frame" key --clearmodifiers ctrl+n
dialog=$(window_named "Quick Connect")
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$TESSARY_SSH_HOST"
xdotool key Tab ctrl+a
xdotool type --delay 20 "$TESSARY_SSH_PORT"
xdotool key Tab
xdotool type --delay 20 "$TESSARY_SSH_USER"
xdotool key Return

# The record has no password: the connection asks for it.
prompt=$(window_named "Enter SSH2 Password")
xdotool windowfocus --sync "$prompt"
xdotool type --delay 20 "$TESSARY_SSH_PASSWORD"
xdotool key Return
sleep 3

marker="e2e-$$-$RANDOM"
xdotool windowfocus --sync "$frame"
xdotool type --delay 30 "clear; echo $marker > ~/$marker; echo RESULT_\$((6*7))_$marker"
xdotool key Return
for _ in $(seq 1 100); do [ -f "$TESSARY_SSH_HOME/$marker" ] && break; sleep 0.1; done
sleep 1
shot session
[ -f "$TESSARY_SSH_HOME/$marker" ] || { echo "the command typed into the terminal did not run" >&2; exit 1; }
rm -f "$TESSARY_SSH_HOME/$marker"

# Read the output back: a mouse selection over the terminal's first lines copies them.
# The frame is laid out from its top-left corner: menu bar, toolbar, the tab row, then the
# terminal, whose first rows hold the command's output; the Host View pane (200 px wide at
# first) is left of the terminal.
xdotool mousemove --window "$frame" 208 98 mousedown 1 mousemove --window "$frame" 400 120 \
  mousemove --window "$frame" 800 140 mouseup 1
sleep 1
copied=$(xclip -o -selection clipboard 2>/dev/null || true)
if [[ "$copied" != *"RESULT_42_$marker"* ]]; then
  echo "the terminal did not show the command's output; copied: $copied" >&2
  exit 1
fi

# Close: the close-all question is answered with OK and the program ends by itself.
# (No window manager runs on the display: File, Exit is the close.)
xdotool windowfocus --sync "$frame" key alt+f
sleep 0.5
xdotool key x
question=$(window_named "Confirm")
xdotool windowfocus --sync "$question" key Return
for _ in $(seq 1 100); do kill -0 "$tessary_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$tessary_pid" 2>/dev/null; then
  echo "tessary did not end after close-all" >&2
  exit 1
fi
wait "$tessary_pid" || { echo "tessary ended with an error" >&2; exit 1; }
tessary_pid=""
[ -f "$APPDATA/Tessary.conf" ] || { echo "no settings were written at exit" >&2; exit 1; }
echo "end-to-end session passed; screenshot in $artifacts/session.png"
