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

. "$(dirname "$0")/../support/stop_process.sh"
work=$(mktemp -d)
mkdir -p "$artifacts"
xvfb_pid=""
tessary_pid=""
cleanup() {
  status=$?
  [ -z "$tessary_pid" ] || stop_process "$tessary_pid" || true
  [ -z "$xvfb_pid" ] || stop_process "$xvfb_pid" || true
  if [ "$status" -ne 0 ]; then
    for log in xvfb tessary; do
      [ -s "$work/$log.log" ] && { echo "--- $log's output:" >&2; cat "$work/$log.log" >&2; }
    done
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Every wait below is for a condition; a busy machine (or a sanitized build) may take long,
# so each gives up only after this many seconds.
patience=60

# Runs the command until it succeeds, at most $patience seconds; false when it never did.
wait_for() {
  local deadline=$((SECONDS + patience))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Xvfb picks a free display number and writes it to the descriptor given once it serves.
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export APPDATA="$work/appdata"
mkdir -p "$APPDATA"

# True once a visible window has this exact title; its id is then in $found.
found=""
visible() { found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$found" ]; }
# Prints the id of the visible window with this exact title, once there is one.
window_named() {
  wait_for visible "$1" || { echo "no window \"$1\" appeared" >&2; return 1; }
  echo "$found"
}
gone() { ! visible "$1"; }

shot() { "$screen_shot" "$artifacts/$1.png" || echo "screenshot $1 failed" >&2; }

# The text of the terminal's rows from the first down to about pixel row $1 of the frame, as a
# mouse selection copies it. The frame is laid out from its top-left corner: menu bar, toolbar,
# the tab row, then the terminal; the Host View pane (200 px wide at first) is left of it.
terminal_text() {
  xdotool mousemove --window "$frame" 208 98 mousedown 1 mousemove --window "$frame" 400 120 \
    mousemove --window "$frame" 800 "$1" mouseup 1
  xclip -o -selection clipboard 2>/dev/null || true
}
# True once the terminal shows a line ending in the shell's prompt.
shows_prompt() { terminal_text 330 | grep -q '\$ *$'; }
# True once the terminal's first rows hold the text.
shows_at_top() { [[ "$(terminal_text 140)" == *"$1"* ]]; }
# True once a window of tessary besides the frame is visible (an open menu).
menu_open() { [ "$(xdotool search --onlyvisible --pid "$tessary_pid" 2>/dev/null | wc -l)" -gt 1 ]; }
ended() { ! kill -0 "$tessary_pid" 2>/dev/null; }

"$tessary" >"$work/tessary.log" 2>&1 &
tessary_pid=$!
frame=$(window_named "Tessary")

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
wait_for gone "Enter SSH2 Password" || { echo "the password prompt did not close" >&2; exit 1; }

# Keys typed before the session is connected are dropped: type once the shell's prompt shows.
xdotool windowfocus --sync "$frame"
wait_for shows_prompt || { echo "the session never showed the shell's prompt" >&2; exit 1; }
marker="e2e-$$-$RANDOM"
xdotool type --delay 30 "clear; echo $marker > ~/$marker; echo RESULT_\$((6*7))_$marker"
xdotool key Return
wait_for test -f "$TESSARY_SSH_HOME/$marker" || { echo "the command typed into the terminal did not run" >&2; exit 1; }
rm -f "$TESSARY_SSH_HOME/$marker"

# Read the output back: a mouse selection over the terminal's first lines copies them.
if ! wait_for shows_at_top "RESULT_42_$marker"; then
  echo "the terminal did not show the command's output; copied: $(terminal_text 140)" >&2
  exit 1
fi
shot session

# Close: the close-all question is answered with OK and the program ends by itself.
# (No window manager runs on the display: File, Exit is the close.)
xdotool windowfocus --sync "$frame" key alt+f
wait_for menu_open || { echo "the File menu did not open" >&2; exit 1; }
xdotool key x
question=$(window_named "Confirm")
xdotool windowfocus --sync "$question" key Return
wait_for ended || { echo "tessary did not end after close-all" >&2; exit 1; }
wait "$tessary_pid" || { echo "tessary ended with an error" >&2; exit 1; }
tessary_pid=""
[ -f "$APPDATA/Tessary.conf" ] || { echo "no settings were written at exit" >&2; exit 1; }
echo "end-to-end session passed; screenshot in $artifacts/session.png"
