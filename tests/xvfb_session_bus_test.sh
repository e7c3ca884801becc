#!/usr/bin/env bash
# One program per desktop session, on a real X display and a private session bus: a later start
# hands its files, or its bare start, to the running program and ends at once with status 0; the
# running program answers them in order, one box at a time, names that are not valid UTF-8
# included, and comes forward with the later start's startup id; a later start whose bus name is
# held by a program that never answers runs alone. The launch of the first start and of a later
# one both end their feedback (the busy cursor) with the startup-notification message.
# Usage: xvfb_session_bus_test.sh BUILD_DIR SAMPLES_DIR SILENT_BUS_OWNER STARTUP_MESSAGES
set -euo pipefail

usage="usage: xvfb_session_bus_test.sh BUILD_DIR SAMPLES_DIR SILENT_BUS_OWNER STARTUP_MESSAGES"
build_dir=${1:?$usage}
samples=${2:?$usage}
silent_owner=${3:?$usage}
startup_messages=${4:?$usage}
dbus_daemon=${DBUS_DAEMON:-dbus-daemon}
# shellcheck source=tests/xvfb_session.sh
source "$(dirname "$0")/xvfb_session.sh"

# A bus of this test's own, so that tests running side by side never meet.
"$dbus_daemon" --session --nofork --nopidfile --print-address=3 3>"$tmp/bus" 2>"$tmp/bus.log" &
other_pids+=($!)
bus_ready() { grep -q '^unix:' "$tmp/bus"; }
wait_until 10 bus_ready || fail "the session bus did not start: $(cat "$tmp/bus.log")"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

dialog_count() { windows_of_type DIALOG | wc -l; }

# Starts the program again; it must end by itself with status 0 well within 2 s.
later_start() {
  local status=0
  timeout 2 "$program" "$@" >>"$tmp/later.out" 2>>"$tmp/later.err" || status=$?
  [ "$status" -eq 0 ] || fail "a later start ended with status $status, expected 0 at once"
}

# Checks the one box shown, copies its text, dismisses it; prints the text.
answer_of_box() {
  local box
  box=$(dialog)
  [ "$(dialog_count)" -eq 1 ] || fail "$(dialog_count) boxes are shown at once"
  copied_text "$box" || fail "nothing could be read from the clipboard"
  press "$box" Return
  wait_until 10 is_not_shown "$box" || fail "the box did not go away on Return"
}
is_not_shown() { [ "$(dialog)" != "$1" ]; }

# What a launcher hears on the root window.
"$startup_messages" >"$tmp/startup.out" 2>"$tmp/startup.err" &
other_pids+=($!)
listening() { grep -qx listening "$tmp/startup.out"; }
wait_until 10 listening || fail "the startup messages cannot be heard: $(cat "$tmp/startup.err")"
# Qt quotes no id; ours quotes every id.
launch_ended() { grep -qxE "remove: ID=\"?$1\"?" "$tmp/startup.out"; }

echo "== files opened while the program runs go to it, answered in order after the open box"
odd_name=$tmp/$'caf\xe9.nki'
cp "$samples/kontakt4.nki" "$odd_name"
DESKTOP_STARTUP_ID=launcher-0-test_TIME4241 "$program" "$samples/kontakt4.nki" >"$tmp/app.out" \
  2>"$tmp/app.err" &
app_pid=$!
wait_for_menu_window
wait_until 20 has_dialog || fail "no message box appeared for the first file"
wait_until 5 launch_ended launcher-0-test_TIME4241 ||
  fail "the first start did not end its launch's feedback: $(cat "$tmp/startup.out")"
later_start "$samples/kontakt5.nkm" "$odd_name"
sleep 0.5
answers=()
for _ in 1 2 3; do
  wait_until 10 has_dialog || fail "only ${#answers[@]} answers came for three files"
  answers+=("$(answer_of_box)")
done
expected=("kontakt4.nki is Kontakt Version 4.2.3.0" "kontakt5.nkm is Kontakt Version 5.8.1.0"
  $'caf\xef\xbf\xbd.nki is Kontakt Version 4.2.3.0')
for i in 0 1 2; do
  [ "${answers[$i]}" = "${expected[$i]}" ] ||
    fail "answer $((i + 1)) was '${answers[$i]}', expected '${expected[$i]}'"
done
sleep 0.5
has_no_dialog || fail "a fourth box appeared for three files"

echo "== a bare later start brings up the running program's open dialog, as its launch"
DESKTOP_STARTUP_ID=launcher-1-test_TIME4242 later_start
wait_until 10 has_dialog || fail "the running program showed no open dialog"
# The window manager lets the window come forward for the launch that the id names.
startup_id=$(timeout 10 "$xprop" -id "$main" _NET_STARTUP_ID)
[ "$startup_id" = '_NET_STARTUP_ID(UTF8_STRING) = "launcher-1-test_TIME4242"' ] ||
  fail "the window came forward without the later start's startup id: $startup_id"
wait_until 5 launch_ended launcher-1-test_TIME4242 ||
  fail "the later start's launch feedback was not ended: $(cat "$tmp/startup.out")"
chooser=$(dialog)
[ "$(x getwindowname "$chooser")" = "Select a Kontakt file" ] ||
  fail "the running program showed '$(x getwindowname "$chooser")', not the open dialog"
press "$chooser" Escape
wait_until 10 has_no_dialog || fail "the open dialog did not go away on Escape"
press "$main" ctrl+q
expect_exit_status_0 "Ctrl+Q"

echo "== a bus name held by a program that never answers: the later start runs alone"
"$silent_owner" >"$tmp/owner.out" 2>"$tmp/owner.err" &
other_pids+=($!)
owned() { grep -qx owned "$tmp/owner.out"; }
wait_until 10 owned || fail "the silent owner did not take the name: $(cat "$tmp/owner.err")"
"$program" "$samples/kontakt5.nkm" >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
# A start that waited for the bus's own timeout (25 s) would miss this by far.
wait_until 5 has_dialog || fail "the program did not run alone within 5 s"
main=$(main_window)
[ "$(answer_of_box)" = "kontakt5.nkm is Kontakt Version 5.8.1.0" ] ||
  fail "the program running alone gave a wrong answer"
press "$main" ctrl+q
expect_exit_status_0 "Ctrl+Q"

echo "One program per session: later starts hand over to it"
