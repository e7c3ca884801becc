#!/usr/bin/env bash
# Runs the installed program on a real X display (Xvfb, no window manager) the way a user would:
# started with two files it shows one answer box after the other over its menu window and keeps
# running; started bare it shows the open dialog; Ctrl+Q and closing the window both end it with
# status 0; Qt's own options are files like any other argument; Ctrl+C copies an answer; and a
# whole session, the open dialog cancelled and used, leaves no file in the home or XDG folders.
# Usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER
set -euo pipefail

build_dir=${1:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
samples=${2:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
close_request=${3:?usage: xvfb_window_test.sh BUILD_DIR SAMPLES_DIR CLOSE_REQUEST_HELPER}
xvfb=${XVFB:-Xvfb}
xdotool=${XDOTOOL:-xdotool}
xprop=${XPROP:-xprop}
xclip=${XCLIP:-xclip}

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$tmp/app.err" ]; then
    echo "--- the program's standard error:" >&2
    cat "$tmp/app.err" >&2
  fi
  exit 1
}

# Runs a check until it holds, for at most $1 seconds.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

timeout 120 cmake --install "$build_dir" --prefix "$tmp/prefix" >/dev/null
program=$tmp/prefix/bin/whichkontakt
[ -x "$program" ] || fail "the program was not installed to $program"

# Xvfb picks a free display itself and writes its number once it accepts clients.
"$xvfb" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
display_ready() {
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended: $(cat "$tmp/xvfb.log")"
  grep -qx '[0-9][0-9]*' "$tmp/display"
}
wait_until 15 display_ready || fail "Xvfb gave no display number"
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY

# The program on this display only, with empty home, XDG and runtime folders of its own, and no
# session bus.
export QT_QPA_PLATFORM=xcb HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime
export XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache XDG_DATA_HOME=$tmp/data
export XDG_STATE_HOME=$tmp/state
unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP
unset DBUS_SESSION_BUS_ADDRESS
user_folders=("$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME")
mkdir -p "${user_folders[@]}"
mkdir -m 700 "$XDG_RUNTIME_DIR"

x() { timeout 10 "$xdotool" "$@"; }

# The program's shown windows whose _NET_WM_WINDOW_TYPE names the given type first.
windows_of_type() {
  local type=$1 id
  for id in $(x search --onlyvisible --pid "$app_pid" 2>/dev/null || true); do
    if timeout 10 "$xprop" -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null |
      grep -q "= _NET_WM_WINDOW_TYPE_$type\\b"; then
      echo "$id"
    fi
  done
}
main_window() { windows_of_type NORMAL | head -n1; }
dialog() { windows_of_type DIALOG | head -n1; }
has_main_window() { [ -n "$(main_window)" ]; }
has_dialog() { [ -n "$(dialog)" ]; }
has_no_dialog() { [ -z "$(dialog)" ]; }
has_dialog_other_than() { local id; id=$(dialog) && [ -n "$id" ] && [ "$id" != "$1" ]; }
has_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Keys go through XTEST to the focused window, as a keyboard's would; without a window manager
# the test gives the focus itself.
press() {
  x windowfocus --sync "$1"
  x key "$2"
}

check_box() {
  local box=$1 main=$2 name
  name=$(x getwindowname "$box")
  [ "$name" = whichkontakt ] || fail "the message box is titled '$name', expected 'whichkontakt'"
  timeout 10 "$xprop" -id "$box" WM_TRANSIENT_FOR | grep -qi "# $(printf '0x%x' "$main")\$" ||
    fail "the message box does not belong to the menu window"
}

# The text that the focused box puts on the clipboard for Ctrl+C, read back as another client.
copied_text() {
  press "$1" ctrl+c
  sleep 0.3
  timeout 10 "$xclip" -o -selection clipboard
}

expect_exit_status_0() {
  wait_until 5 has_ended || fail "the program did not end within 5 s of $1"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $1, expected 0"
}

echo "== started with two files"
"$program" "$samples/kontakt4.nki" "$samples/kontakt5.nkm" >"$tmp/app.out" 2>"$tmp/app.err" &
app_pid=$!
wait_until 20 has_main_window || fail "no menu window appeared"
main=$(main_window)
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
wait_until 20 has_main_window || fail "no menu window appeared"
main=$(main_window)
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
wait_until 20 has_main_window || fail "no menu window appeared on the X display"
main=$(main_window)
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
wait_until 20 has_main_window || fail "no menu window appeared"
main=$(main_window)
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

echo "== nothing written"
written=$(find "${user_folders[@]}" -mindepth 1)
[ -z "$written" ] || fail "the sessions left files behind: $written"

echo "The program behaves as expected on an X display"
