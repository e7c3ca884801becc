# Sourced by the tests that run the installed program on a real X display (Xvfb, no window
# manager): installs the program from $build_dir into a temporary prefix ($program), starts Xvfb,
# gives the program empty home, XDG and runtime folders and no session bus, and offers helpers to
# find its windows, press keys in them, read the clipboard and wait for it to end.
# Needs: build_dir; XVFB, XDOTOOL, XPROP, XCLIP may name the tools.
xvfb=${XVFB:-Xvfb}
xdotool=${XDOTOOL:-xdotool}
xprop=${XPROP:-xprop}
xclip=${XCLIP:-xclip}

tmp=$(mktemp -d)
xvfb_pid=""
app_pid=""
other_pids=()  # further processes a test starts, ended with the display
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  for pid in "${other_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
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

# Xvfb picks a free display itself and writes its number once it accepts clients. Without
# -noreset it resets whenever its last client leaves, and refuses whoever connects meanwhile:
# a program started just as the one before it ended could not start.
"$xvfb" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
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
windows_of_type() { windows_of "$app_pid" "$1"; }
# The same for any process: $1 its id, $2 the type.
windows_of() {
  local pid=$1 type=$2 id
  for id in $(x search --onlyvisible --pid "$pid" 2>/dev/null || true); do
    if timeout 10 "$xprop" -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null |
      grep -q "= _NET_WM_WINDOW_TYPE_$type\\b"; then
      echo "$id"
    fi
  done
}
main_window() { windows_of_type NORMAL | head -n1; }
dialog() { windows_of_type DIALOG | head -n1; }
has_main_window() { [ -n "$(main_window)" ]; }
# Waits for the program's menu window and keeps its id in $main.
wait_for_menu_window() {
  wait_until 20 has_main_window || fail "no menu window appeared"
  main=$(main_window)
}
has_dialog() { [ -n "$(dialog)" ]; }
has_no_dialog() { [ -z "$(dialog)" ]; }
has_dialog_other_than() { local id; id=$(dialog) && [ -n "$id" ] && [ "$id" != "$1" ]; }
has_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Processes with the program's home that this script did not start and does not wait for: what
# the program left behind (a bus daemon autolaunched through X detaches itself, say). The tools
# the script runs descend from it; Xvfb was started before HOME was set.
processes_left_behind() {
  local pid
  for pid in $(ps -eo pid=,ppid= | awk -v script=$$ '{ parent[$1] = $2 }
    END { for (p in parent) { q = p; while (q > 1 && q != script) q = parent[q]; if (q != script) print p } }'); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "HOME=$HOME"; then
      echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    fi
  done
}

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

# Starts a further Xvfb, ended with the first, for a test that needs two displays; keeps its
# name (":N") in $second_display.
second_xvfb_pid=""
second_display_ready() {
  kill -0 "$second_xvfb_pid" 2>/dev/null || fail "the second Xvfb ended: $(cat "$tmp/xvfb2.log")"
  grep -qx '[0-9][0-9]*' "$tmp/display2"
}
start_second_display() {
  "$xvfb" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display2" \
    2>"$tmp/xvfb2.log" &
  second_xvfb_pid=$!
  other_pids+=("$second_xvfb_pid")
  wait_until 15 second_display_ready || fail "the second Xvfb gave no display number"
  second_display=":$(head -n1 "$tmp/display2")"
}

expect_exit_status_0() {
  wait_until 5 has_ended || fail "the program did not end within 5 s of $1"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $1, expected 0"
}

