# Sourced by the test scripts; the shell's counterpart of stop_process.h.
#   stop_process PID [GRACE]
# Ends a background job of this shell without waiting on it for ever: SIGTERM, then SIGKILL
# when it has not ended within GRACE seconds (2 unless given), which standard error reports. The
# job is reaped; the status is its exit status.
stop_process() {
  local pid=$1 grace=${2:-2} clock ended="" status=0
  kill -TERM "$pid" 2>/dev/null || true
  # Whichever ends first, the job or the clock; a job that ends at once is taken at once.
  sleep "$grace" &
  clock=$!
  wait -n -p ended "$pid" "$clock" || status=$?
  if [ "$ended" = "$clock" ]; then
    echo "$(ps -o args= -p "$pid") (process $pid) did not end within $grace s of SIGTERM: killed" >&2
    kill -KILL "$pid" 2>/dev/null || true
    status=0
    wait "$pid" 2>/dev/null || status=$?
  else
    kill "$clock" 2>/dev/null || true
    wait "$clock" 2>/dev/null || true
  fi
  return "$status"
}
