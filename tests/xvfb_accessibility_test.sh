#!/usr/bin/env bash
# The message box as a screen reader meets it, on a real X display and a private session bus with
# accessibility turned on the way a screen reader turns it on: an answer and a warning each come
# as an alert named whichkontakt whose whole text is read out when it appears, with OK to press;
# Return dismisses the box and Ctrl+Q still ends the program with status 0.
# Usage: xvfb_accessibility_test.sh BUILD_DIR SAMPLES_DIR
set -euo pipefail

build_dir=${1:?usage: xvfb_accessibility_test.sh BUILD_DIR SAMPLES_DIR}
samples=${2:?usage: xvfb_accessibility_test.sh BUILD_DIR SAMPLES_DIR}
dbus_daemon=${DBUS_DAEMON:-dbus-daemon}
dbus_send=${DBUS_SEND:-dbus-send}
# Debian's own interpreter: pyatspi is packaged for it, not for any other python on the PATH.
python=${ATSPI_PYTHON:-/usr/bin/python3}
# shellcheck source=tests/xvfb_session.sh
source "$(dirname "$0")/xvfb_session.sh"
reader=$(dirname "$0")/read_box_aloud.py

# A bus of this test's own, leading a process group of its own: the accessibility bus launcher,
# its bus and registry are started by it and belong to that group, so they end with it.
bus_pid=""
end_bus() {
  if [ -n "$bus_pid" ]; then kill -- "-$bus_pid" 2>/dev/null || true; fi
}
trap 'end_bus; cleanup' EXIT
setsid "$dbus_daemon" --session --nofork --nopidfile --print-address=3 --print-pid=4 \
  3>"$tmp/bus" 4>"$tmp/bus.pid" >"$tmp/bus.out" 2>"$tmp/bus.log" &
other_pids+=($!)
bus_ready() { grep -q '^unix:' "$tmp/bus" && grep -qx '[0-9][0-9]*' "$tmp/bus.pid"; }
wait_until 10 bus_ready || fail "the session bus did not start: $(cat "$tmp/bus.log")"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS
bus_pid=$(head -n1 "$tmp/bus.pid")

# What a screen reader does when it starts: it turns accessibility on through the session bus,
# which starts the accessibility bus; Qt looks there when the program starts.
for property in IsEnabled ScreenReaderEnabled; do
  timeout 10 "$dbus_send" --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status "string:$property" \
    variant:boolean:true >/dev/null 2>>"$tmp/bus.log" ||
    fail "accessibility could not be turned on: $(cat "$tmp/bus.log")"
done

failures=0
# Shows the box for one file, reads it as a screen reader would, dismisses it and quits.
read_box_of() {
  local file=$1 text=$2 box
  "$program" "$file" >"$tmp/app.out" 2>"$tmp/app.err" &
  app_pid=$!
  wait_for_menu_window
  wait_until 20 has_dialog || fail "no message box appeared for $(basename "$file")"
  box=$(dialog)
  timeout 30 "$python" "$reader" "$app_pid" whichkontakt "$text" 10 || failures=$((failures + 1))
  press "$box" Return
  wait_until 10 has_no_dialog || fail "the message box did not go away on Return"
  press "$main" ctrl+q
  expect_exit_status_0 "Ctrl+Q"
}

echo "== an answer"
read_box_of "$samples/kontakt4.nki" "kontakt4.nki is Kontakt Version 4.2.3.0"

echo "== a warning"
mkdir "$tmp/folder.nki"
read_box_of "$tmp/folder.nki" \
  $'Could not read \xe2\x80\x9cfolder.nki\xe2\x80\x9d: it is a folder, not a file.'

# Every process the bus started ends with it; the ones still running are named.
in_bus_group() {
  local stat rest state pgrp
  for stat in /proc/[0-9]*/stat; do
    rest=$(cat "$stat" 2>/dev/null) || continue
    rest=${rest##*) }
    # state ppid pgrp: zombies have ended already.
    read -r state _ pgrp _ <<<"$rest"
    if [ "$pgrp" = "$bus_pid" ] && [ "$state" != Z ]; then
      tr '\0' ' ' <"${stat%/stat}/cmdline"
      echo
    fi
  done
}
bus_group_ended() { [ -z "$(in_bus_group)" ]; }
end_bus
wait_until 10 bus_group_ended || fail "processes of the session bus outlived it: $(in_bus_group)"
bus_pid=""

[ "$failures" -eq 0 ] || fail "$failures of 2 boxes did not read right to a screen reader"
echo "A screen reader hears each box as an alert with its whole text"
