#!/usr/bin/env bash
# Runs the installed program on a real X display (Xvfb, no window manager) the way a user would:
# started with two files it shows one answer box after the other over its menu window and keeps
# running; started bare it shows the open dialog; Ctrl+Q and closing the window both end it with
# status 0; Qt's own options are files like any other argument; Ctrl+C copies an answer; and a
# whole session, the open dialog cancelled and used, leaves no file in the home or XDG folders
# and no process behind: without a session bus, none is started.
# Usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER
set -euo pipefail

build_dir=${1:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
samples=${2:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
close_request=${3:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
# shellcheck source=tests/xvfb_session.sh
source "$(dirname "$0")/xvfb_session.sh"

echo "== started with two files"
"$program" "$samples/kontakt4.nki" "$samples/kontakt5.nkm" >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
wait_for_menu_window
[ "$(x getwindowname "$main")" = whichkontakt ] || fail "the menu window is not titled whichkontakt"
wait_until 20 has_dialog || fail "no message box appeared for the first file"
first=$(dialog)
check_box "$first" "$main"
press "$first" Return
wait_until 10 has_dialog_other_than "$first" || fail "no message box appeared for the second file"
second=$(dialog)
check_box "$second" "$main"
press "$second" Return
wait_until 10 has_no_dialog || fail "the second message box did not go away on Return"
sleep 1
has_no_dialog || fail "a third message box appeared for two files"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after its answers"
[ -n "$(main_window)" ] || fail "the menu window went away after the answers"
press "$main" ctrl+q
expect_exit_status_0 "Ctrl+Q"

echo "== started without a file"
"$program" >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
wait_for_menu_window
wait_until 20 has_dialog || fail "no open dialog appeared"
chooser=$(dialog)
title=$(x getwindowname "$chooser")
[ "$title" = "Select a Kontakt file" ] || fail "the open dialog is titled '$title'"
press "$chooser" Escape
wait_until 10 has_no_dialog || fail "the open dialog did not go away on Escape"
sleep 1
has_no_dialog || fail "a window appeared after the open dialog was cancelled"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended when the open dialog was cancelled"
timeout 10 "$close_request" "$main"
expect_exit_status_0 "closing the menu window"

echo "== Qt's options as files, and Ctrl+C in the answer"
cp "$samples/kontakt4.nki" "$tmp/-reverse.nki"
(cd "$tmp" && exec "$program" -platform offscreen -reverse.nki -qwindowtitle) \
  >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
wait_for_menu_window
[ "$(x getwindowname "$main")" = whichkontakt ] || fail "the menu window is not titled whichkontakt"
wait_until 20 has_dialog || fail "no message box appeared for -reverse.nki"
box=$(dialog)
answer=$(copied_text "$box") || fail "nothing could be read from the clipboard"
[ "$answer" = "-reverse.nki is Kontakt Version 4.2.3.0" ] ||
  fail "Ctrl+C in the box copied '$answer'"
press "$box" Return
wait_until 10 has_no_dialog || fail "the message box did not go away on Return"
press "$main" ctrl+q
expect_exit_status_0 "Ctrl+Q"

echo "== a file chosen in the open dialog, where GTK's own dialog would record it"
QT_QPA_PLATFORMTHEME=gtk3 "$program" >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
wait_for_menu_window
wait_until 20 has_dialog || fail "no open dialog appeared"
chooser=$(dialog)
x windowfocus --sync "$chooser"
x type --delay 10 "$samples/kontakt5.nkm"
x key Return
wait_until 10 has_dialog_other_than "$chooser" || x key Return
wait_until 10 has_dialog_other_than "$chooser" || fail "no answer for the chosen file"
box=$(dialog)
answer=$(copied_text "$box") || fail "nothing could be read from the clipboard"
[ "$answer" = "kontakt5.nkm is Kontakt Version 5.8.1.0" ] || fail "the answer was '$answer'"
press "$box" Return
wait_until 10 has_no_dialog || fail "the message box did not go away on Return"
press "$main" ctrl+q
expect_exit_status_0 "Ctrl+Q"

echo "== nothing written, nothing left running"
written=$(find "${user_folders[@]}" -mindepth 1)
[ -z "$written" ] || fail "the sessions left files behind: $written"
left=$(processes_left_behind)
[ -z "$left" ] || fail "the sessions left processes running: $left"

echo "The program behaves as expected on an X display"
