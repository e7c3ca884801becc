#!/usr/bin/env bash
# Runs a command as inside a developer's desktop session: a session bus announced both ways (in
# DBUS_SESSION_BUS_ADDRESS and as the socket $XDG_RUNTIME_DIR/bus, as systemd sessions do, and
# as the accessibility bus too), on which the program already owns its name, as when the
# developer has it running. Fails when anything the command started connected to that bus, as
# dbus-monitor sees it: no test may touch the session it runs in.
# Usage: fake_desktop_session.sh NAME_OWNER COMMAND...
#   NAME_OWNER: a program that takes the program's name on the session bus and prints "owned".
set -euo pipefail

usage="usage: fake_desktop_session.sh NAME_OWNER COMMAND..."
owner=${1:?$usage}
shift
[ $# -gt 0 ] || { echo "$usage" >&2; exit 2; }
dbus_daemon=${DBUS_DAEMON:-dbus-daemon}
dbus_monitor=${DBUS_MONITOR:-dbus-monitor}

session=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$session"
}
trap cleanup EXIT

wait_for() {
  local deadline=$((SECONDS + 10))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

export XDG_RUNTIME_DIR=$session/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
export AT_SPI_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS
"$dbus_daemon" --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
  2>"$session/daemon.log" &
pids+=($!)
wait_for test -S "$XDG_RUNTIME_DIR/bus" || {
  echo "fake desktop session: the bus did not start: $(cat "$session/daemon.log")" >&2
  exit 1
}

"$dbus_monitor" --session >"$session/monitor.log" 2>&1 &
pids+=($!)
wait_for grep -q NameLost "$session/monitor.log" || {
  echo "fake desktop session: dbus-monitor did not start: $(cat "$session/monitor.log")" >&2
  exit 1
}
"$owner" >"$session/owner.out" 2>"$session/owner.err" &
pids+=($!)
wait_for grep -qx owned "$session/owner.out" || {
  echo "fake desktop session: the name was not taken: $(cat "$session/owner.err")" >&2
  exit 1
}
hellos() { grep -c 'member=Hello$' "$session/monitor.log" || true; }
before=$(hellos)

status=0
"$@" || status=$?

sleep 0.5
after=$(hellos)
if [ "$after" -ne "$before" ]; then
  echo "FAIL: $((after - before)) connections were made to the desktop session's own bus;" \
    "what they asked for:" >&2
  grep -E 'member=(RequestName|GetNameOwner|StartServiceByName|Open|Activate|GetAddress)$' \
    -A2 "$session/monitor.log" | tail -n 40 >&2 || true
  exit 1
fi
exit "$status"
