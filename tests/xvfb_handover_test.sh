#!/usr/bin/env bash
# The hand-over between a later start and the session's program where it can go wrong: the
# running program held (stopped) past the later start's wait, or quitting at the moment the
# files come; a later start on another display of the same bus; bad URIs sent straight to Open;
# bare later starts while the open dialog is up; a bus whose daemon has stopped. Each file is
# answered exactly once, by one of the two programs, and never on a display other than the one
# it was opened on.
# Usage: xvfb_handover_test.sh BUILD_DIR SAMPLES_DIR [SECTION...]
# SECTION (or HANDOVER_SECTIONS, space-separated): race held quit displays uris bare stopped_bus;
# all by default.
# HANDOVER_QUIT_TRIES: how often "quit" races a quit against a hand-over (8).
set -euo pipefail

usage="usage: xvfb_handover_test.sh BUILD_DIR SAMPLES_DIR [race|held|quit|displays|uris|bare|stopped_bus ...]"
build_dir=${1:?$usage}
samples=${2:?$usage}
# The first program runs in a folder of its own, so its files are named by absolute paths.
samples=$(cd "$samples" && pwd)
shift 2
sections=("$@")
if [ ${#sections[@]} -eq 0 ]; then
  read -ra sections <<<"${HANDOVER_SECTIONS:-race held quit displays uris bare stopped_bus}"
fi
for section in "${sections[@]}"; do
  case $section in
    race | held | quit | displays | uris | bare | stopped_bus) ;;
    *) echo "$usage" >&2 && exit 2 ;;
  esac
done
dbus_daemon=${DBUS_DAEMON:-dbus-daemon}
gdbus=${GDBUS:-gdbus}
# shellcheck source=tests/xvfb_session.sh
source "$(dirname "$0")/xvfb_session.sh"

# A process stopped by the test is resumed before it is ended, so that nothing is left stopped.
held=""
trap '[ -z "$held" ] || kill -CONT "$held" 2>/dev/null || true; cleanup' EXIT
hold() {
  kill -STOP "$1"
  held=$1
}
resume() {
  kill -CONT "$held"
  held=""
}

four="kontakt4.nki is Kontakt Version 4.2.3.0"
five="kontakt5.nkm is Kontakt Version 5.8.1.0"
mkdir -p "$tmp/cwd"

# A bus of each section's own, so that no program of an earlier section can answer.
bus_pid=""
bus_ready() { grep -q '^unix:' "$tmp/bus"; }
new_bus() {
  if [ -n "$bus_pid" ]; then kill "$bus_pid" 2>/dev/null || true; fi
  "$dbus_daemon" --session --nofork --nopidfile --print-address=3 3>"$tmp/bus" 2>"$tmp/bus.log" &
  bus_pid=$!
  other_pids+=("$bus_pid")
  wait_until 10 bus_ready || fail "the session bus did not start: $(cat "$tmp/bus.log")"
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
  export DBUS_SESSION_BUS_ADDRESS
}

# The first program, A ($app_pid), started in a folder of its own so that a relative path it
# wrongly accepts names a file there; idle afterwards: its menu window up ($main), no box.
start_idle_a() {
  : >"$tmp/app.err"
  (cd "$tmp/cwd" && exec "$program" "$samples/kontakt5.nkm") >>"$tmp/app.out" 2>>"$tmp/app.err" &
  app_pid=$!
  wait_for_menu_window
  wait_until 20 has_dialog || fail "no message box appeared for the first program's own file"
  press "$(dialog)" Return
  wait_until 10 has_no_dialog || fail "the first program's box did not go away on Return"
}

# A later start, B ($b_pid), in the background; its standard error joins A's.
start_b() {
  "$program" "$@" >>"$tmp/app.out" 2>>"$tmp/app.err" &
  b_pid=$!
  other_pids+=("$b_pid")
}

gone() { ! kill -0 "$1" 2>/dev/null; }
# How the process $1 stands, for a failure message; never waits for one still running.
state_of() {
  local status=0
  if gone "$1"; then
    wait "$1" || status=$?
    echo "ended with status $status"
  else
    echo "still runs"
  fi
}
# As wait_until, for at most $1 milliseconds: the settling times here are shorter than a second.
now_ms() { echo $((${EPOCHREALTIME//[.,]/} / 1000)); }
wait_ms() {
  local deadline=$(($(now_ms) + $1))
  shift
  until "$@"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.1
  done
}
# Waits up to $2 s for the process $1 to end with status 0; $3 names it in a failure.
expect_end_0() {
  local status=0
  wait_until "$2" gone "$1" || fail "$3 did not end within $2 s"
  wait "$1" || status=$?
  [ "$status" -eq 0 ] || fail "$3 ended with status $status, expected 0"
}
quit_program() {
  local window
  window=$(windows_of "$1" NORMAL | head -n1)
  [ -n "$window" ] || fail "$2 has no menu window to quit"
  press "$window" ctrl+q
  expect_end_0 "$1" 5 "$2 after Ctrl+Q"
}
quit_a() {
  quit_program "$app_pid" "the first program"
  app_pid=""
}

# Of the given processes, those showing a box, and whether any does or all have ended.
any_box() {
  local pid
  for pid in "$@"; do [ -z "$(windows_of "$pid" DIALOG)" ] || return 0; done
  return 1
}
any_box_or_all_gone() {
  local pid
  any_box "$@" && return 0
  for pid in "$@"; do gone "$pid" || return 1; done
}
# Reads (through the clipboard) and dismisses every box the given processes show, one after
# another, until none has come for $2 ms, waiting at most $1 ms for the first. Keeps them in
# answers=() as "PID: text".
collect_answers() {
  local limit=$1 settle=$2 pid box text
  shift 2
  answers=()
  while wait_ms "$limit" any_box_or_all_gone "$@"; do
    box=""
    for pid in "$@"; do
      box=$(windows_of "$pid" DIALOG | head -n1)
      [ -z "$box" ] || break
    done
    [ -n "$box" ] || break
    text=$(copied_text "$box") || fail "nothing could be read from the clipboard"
    answers+=("$pid: $text")
    press "$box" Return
    wait_until 10 box_gone "$pid" "$box" || fail "a box of process $pid did not go away on Return"
    limit=$settle
  done
}
box_gone() { [[ " $(windows_of "$1" DIALOG | tr '\n' ' ') " != *" $2 "* ]]; }
# "A" or "B" for the process that gave answer $1; the answers as " [A: text]...".
who() { [ "${1%%:*}" = "$app_pid" ] && echo A || echo B; }
listed() {
  local a
  for a in "${answers[@]}"; do printf ' [%s: %s]' "$(who "$a")" "${a#*: }"; done
}

# Two starts a few milliseconds apart, as a double click on a launcher makes them: whichever
# becomes the session's program answers its own start first, and the two show what one would.
section_race() {
  echo "== starts that race: each program's own start comes before what the other hands over"
  new_bus
  local gap first second
  for gap in 0 0.01; do
    : >"$tmp/app.err"
    "$program" >>"$tmp/app.out" 2>>"$tmp/app.err" &
    app_pid=$!
    sleep "$gap"
    start_b
    wait_until 20 any_box "$app_pid" "$b_pid" || fail "bare starts $gap s apart showed no dialog"
    sleep 1.5
    local shown=0 pid
    for pid in "$app_pid" "$b_pid"; do shown=$((shown + $(windows_of "$pid" DIALOG | wc -l))); done
    [ "$shown" -eq 1 ] || fail "bare starts $gap s apart showed $shown open dialogs"
    for pid in "$app_pid" "$b_pid"; do
      first=$(windows_of "$pid" DIALOG | head -n1)
      [ -z "$first" ] || press "$first" Escape
    done
    sleep 0.3
    ! wait_ms 1500 any_box "$app_pid" "$b_pid" ||
      fail "bare starts $gap s apart: one Escape left a further open dialog"
    end_both "bare starts $gap s apart"
  done

  for gap in 0.005 0.02; do
    : >"$tmp/app.err"
    "$program" "$samples/kontakt4.nki" >>"$tmp/app.out" 2>>"$tmp/app.err" &
    app_pid=$!
    sleep "$gap"
    start_b "$samples/kontakt5.nkm"
    collect_answers 20000 1500 "$app_pid" "$b_pid"
    [ ${#answers[@]} -eq 2 ] ||
      fail "two starts $gap s apart with a file each gave ${#answers[@]} answers:$(listed)"
    first=$(who "${answers[0]}")
    second=$(who "${answers[1]}")
    [ "$first" = "$second" ] || fail "two starts $gap s apart both answered:$(listed)"
    # A's own file is kontakt4.nki, B's kontakt5.nkm: the program that answers both begins with
    # its own.
    if [ "$first" = A ]; then expected=("$four" "$five"); else expected=("$five" "$four"); fi
    [ "${answers[0]#*: }" = "${expected[0]}" ] && [ "${answers[1]#*: }" = "${expected[1]}" ] ||
      fail "two starts $gap s apart: $first answered the other's file before its own:$(listed)"
    end_both "starts with a file $gap s apart"
  done
}
# Of A and B after a race, the one still running is quit, and both must have ended with status 0.
end_both() {
  if gone "$b_pid"; then
    expect_end_0 "$b_pid" 0 "$1: the start that handed over"
    quit_a
  else
    expect_end_0 "$app_pid" 5 "$1: the start that handed over"
    app_pid=""
    quit_program "$b_pid" "$1: the session's program"
  fi
}

section_held() {
  echo "== a later start that the held program cannot answer runs alone, and only it answers"
  new_bus
  start_idle_a
  hold "$app_pid"
  start_b "$samples/kontakt4.nki"
  collect_answers 10000 500 "$b_pid"
  [ ${#answers[@]} -eq 1 ] ||
    fail "the later start, its program held, showed ${#answers[@]} answers:$(listed);" \
      "it $(state_of "$b_pid")"
  [ "${answers[0]#*: }" = "$four" ] || fail "the later start answered '${answers[0]#*: }'"
  resume
  collect_answers 3000 500 "$app_pid" "$b_pid"
  [ ${#answers[@]} -eq 0 ] ||
    fail "once resumed, the held program answered the file the later start had answered" \
      "itself:$(listed)"
  quit_program "$b_pid" "the later start that ran alone"
  quit_a

  echo "== a hold shorter than the later start's wait: one answer, by either program"
  start_idle_a
  hold "$app_pid"
  start_b "$samples/kontakt4.nki"
  sleep 0.1
  resume
  collect_answers 10000 2000 "$app_pid" "$b_pid"
  [ ${#answers[@]} -eq 1 ] || fail "a held moment gave ${#answers[@]} answers:$(listed)"
  [ "${answers[0]#*: }" = "$four" ] || fail "the answer was '${answers[0]#*: }'"
  if gone "$b_pid"; then
    expect_end_0 "$b_pid" 0 "the later start that handed over"
  else
    quit_program "$b_pid" "the later start that ran alone"
  fi
  quit_a

  echo "== the X server held: the hand-over is answered before the program talks to it"
  start_idle_a
  hold "$xvfb_pid"
  # With a startup id, as from a launcher: bringing the window forward for it asks X for atoms.
  DESKTOP_STARTUP_ID=launcher-2-test_TIME4243 start_b "$samples/kontakt4.nki"
  # A later start left waiting would give up and answer the file as well, once X runs again.
  if ! wait_ms 2000 gone "$b_pid"; then
    resume
    fail "with the X server held, the later start did not end at once"
  fi
  resume
  expect_end_0 "$b_pid" 0 "the later start that handed over to a program whose X server was held"
  collect_answers 10000 1500 "$app_pid"
  [ ${#answers[@]} -eq 1 ] && [ "${answers[0]#*: }" = "$four" ] ||
    fail "once the X server ran again, the program answered:$(listed)"
  quit_a
}

section_quit() {
  echo "== files that come as the program quits: answered once, by it or by the later start"
  new_bus
  # Which of the two comes first is up to the threads that read the X and bus connections, so
  # a wrong order shows only in some of the tries.
  local try answerer
  for ((try = 1; try <= ${HANDOVER_QUIT_TRIES:-8}; try++)); do
    start_idle_a
    hold "$app_pid"
    # The key waits in the X server until the program runs again, as does the later start's call.
    press "$main" ctrl+q
    start_b "$samples/kontakt4.nki"
    sleep 0.1
    resume
    collect_answers 10000 1500 "$app_pid" "$b_pid"
    case ${#answers[@]} in
      0) fail "try $try: the file got no answer: the program $(state_of "$app_pid"), the later" \
        "start $(state_of "$b_pid")" ;;
      1) ;;
      *) fail "try $try: the file got ${#answers[@]} answers:$(listed)" ;;
    esac
    [ "${answers[0]#*: }" = "$four" ] || fail "try $try: the answer was '${answers[0]#*: }'"
    answerer=$(who "${answers[0]}")
    echo "try $try: answered by $answerer"
    # The Quit key reaches the window after the box for the file is up when the program reads
    # the bus before the X server: the box, which is modal, keeps it from the window, as it keeps
    # every key, and the program runs on.
    if [ "$answerer" = A ] && ! wait_until 5 gone "$app_pid"; then
      echo "try $try: the Quit key came while the box was up"
      quit_a
    else
      expect_end_0 "$app_pid" 0 "try $try: the quitting program"
    fi
    app_pid=""
    if [ "$answerer" = B ]; then
      quit_program "$b_pid" "try $try: the later start that ran alone"
    else
      expect_end_0 "$b_pid" 5 "try $try: the later start that handed over"
    fi
  done
}

# B's box on the second display; or B ended, or a box on A's display.
b_box() { DISPLAY=$second_display windows_of "$b_pid" DIALOG | head -n1; }
b_box_or_gone() { [ -n "$(b_box)" ] || gone "$b_pid" || has_dialog; }
section_displays() {
  echo "== a later start on another display of the same bus runs alone there"
  new_bus
  start_second_display
  start_idle_a
  DISPLAY=$second_display start_b "$samples/kontakt4.nki"
  wait_until 10 b_box_or_gone || true
  if [ -z "$(b_box)" ]; then
    local where="no box appeared on either display"
    has_dialog && where="the box appeared on the first program's display"
    where+="; the later start $(state_of "$b_pid")"
    fail "the start on the second display showed no box there: $where"
  fi
  local box text
  box=$(b_box)
  text=$(DISPLAY=$second_display copied_text "$box") ||
    fail "nothing could be read from the second display's clipboard"
  [ "$text" = "$four" ] || fail "the start on the second display answered '$text'"
  DISPLAY=$second_display press "$box" Return
  DISPLAY=$second_display wait_until 10 box_gone "$b_pid" "$box" ||
    fail "the box on the second display did not go away on Return"
  collect_answers 1500 500 "$app_pid"
  [ ${#answers[@]} -eq 0 ] || fail "the first display showed a box too:$(listed)"
  DISPLAY=$second_display quit_program "$b_pid" "the start on the second display"
  quit_a
}

# The file: URI of an absolute path, every byte but the unreserved ones and "/" encoded.
file_uri() {
  local LC_ALL=C path=$1 uri="file://" c i
  for ((i = 0; i < ${#path}; i++)); do
    c=${path:i:1}
    case $c in
      [A-Za-z0-9/._~-]) uri+=$c ;;
      *) uri+=$(printf '%%%02X' "'$c") ;;
    esac
  done
  echo "$uri"
}
# Calls Open on the running program's bus object straight; its output and status are kept.
call_open() {
  open_status=0
  timeout 20 "$gdbus" call --session --timeout 10 --dest com.quorvane.whichkontakt \
    --object-path /com/quorvane/whichkontakt --method org.freedesktop.Application.Open \
    "$1" "{}" >"$tmp/gdbus.out" 2>&1 || open_status=$?
  open_output=$(cat "$tmp/gdbus.out")
}

section_uris() {
  echo "== URIs that name no local file by the rules are refused, each named in the error"
  new_bus
  # Every bad URI names a real Kontakt file as a careless reading would take it.
  mkdir -p "$tmp/uris" "$tmp/cwd/names"
  cp "$samples/kontakt4.nki" "$tmp/uris/a b.nki"
  cp "$samples/kontakt4.nki" "$tmp/uris/k.nki"
  cp "$samples/kontakt4.nki" "$tmp/cwd/names/a#b.nki"
  cp "$samples/kontakt5.nkm" "$tmp/uris/kontakt5.nkm"
  # Every fault is listed before the section fails, one line each.
  local folder bad good uri problems faults=""
  folder=$(file_uri "$tmp/uris")
  bad=("$folder/a b.nki" "$folder/k.nki%00.txt" "file:names/a%23b.nki")
  good=$folder/kontakt5.nkm
  start_idle_a
  wait_until 10 "$gdbus" introspect --session --dest com.quorvane.whichkontakt \
    --object-path /com/quorvane/whichkontakt >/dev/null 2>&1 ||
    fail "the program serves no object on the bus"
  for uri in "${bad[@]}"; do
    call_open "['$uri']"
    collect_answers 1500 500 "$app_pid"
    problems=""
    [ "$open_status" -ne 0 ] || problems+="; the reply was no error ($open_output)"
    [ "$open_status" -eq 0 ] || grep -qF -- "$uri" <<<"$open_output" ||
      problems+="; the error does not name it ($open_output)"
    [ ${#answers[@]} -eq 0 ] || problems+="; it was answered:$(listed)"
    [ -z "$problems" ] || faults+=$'\n'"  Open(['$uri'])${problems}"
  done

  call_open "['$good', '${bad[0]}', '${bad[1]}', '${bad[2]}']"
  collect_answers 10000 1000 "$app_pid"
  problems=""
  [ ${#answers[@]} -eq 1 ] && [ "${answers[0]#*: }" = "$five" ] ||
    problems+="; expected the one answer '$five', got ${#answers[@]}:$(listed)"
  if [ "$open_status" -eq 0 ]; then
    problems+="; the reply was no error ($open_output)"
  else
    for uri in "${bad[@]}"; do
      grep -qF -- "$uri" <<<"$open_output" || problems+="; the error does not name $uri"
    done
  fi
  [ -z "$problems" ] || faults+=$'\n'"  Open of one good and three bad URIs${problems}"
  [ -z "$faults" ] || fail "bad URIs were not refused as they should be:$faults"

  echo "== a later start whose only argument is empty ends, as it has nothing to answer"
  start_b ""
  expect_end_0 "$b_pid" 2 "the later start with an empty argument"
  collect_answers 1500 500 "$app_pid"
  [ ${#answers[@]} -eq 0 ] || fail "an empty argument was answered:$(listed)"
  quit_a
}

section_bare() {
  echo "== bare later starts while the open dialog is up add no further dialog"
  new_bus
  : >"$tmp/app.err"
  "$program" >>"$tmp/app.out" 2>>"$tmp/app.err" &
  app_pid=$!
  wait_for_menu_window
  wait_until 20 has_dialog || fail "no open dialog appeared"
  local chooser extra=0
  chooser=$(dialog)
  [ "$(x getwindowname "$chooser")" = "Select a Kontakt file" ] ||
    fail "the program showed '$(x getwindowname "$chooser")', not the open dialog"
  for _ in 1 2; do
    local status=0
    timeout 2 "$program" >>"$tmp/app.out" 2>>"$tmp/app.err" || status=$?
    [ "$status" -eq 0 ] || fail "a bare later start ended with status $status, expected 0 at once"
  done
  press "$chooser" Escape
  # Counts the dialogs that follow, one Escape each, so that the failure says how many.
  while ! wait_ms 1500 has_no_dialog_for_a_while && ((extra < 5)); do
    extra=$((extra + 1))
    chooser=$(dialog)
    [ -z "$chooser" ] || press "$chooser" Escape
    sleep 0.3
  done
  [ "$extra" -eq 0 ] || fail "one Escape left an open dialog: $extra more came one after another"
  quit_a
}
# No dialog now and none for the next second.
has_no_dialog_for_a_while() {
  has_no_dialog || return 1
  ! wait_ms 1000 has_dialog
}

section_stopped_bus() {
  echo "== a bus whose daemon has stopped: the program runs alone, at once"
  new_bus
  hold "$bus_pid"
  : >"$tmp/app.err"
  "$program" "$samples/kontakt4.nki" >>"$tmp/app.out" 2>>"$tmp/app.err" &
  app_pid=$!
  # libdbus alone would wait 25 s for the daemon, at every call.
  wait_until 5 has_dialog || fail "the program showed no answer within 5 s of starting"
  collect_answers 1000 500 "$app_pid"
  [ ${#answers[@]} -eq 1 ] && [ "${answers[0]#*: }" = "$four" ] ||
    fail "the program running alone answered:$(listed)"
  grep -q "the session bus does not answer" "$tmp/app.err" ||
    fail "the program did not say why it runs alone"
  quit_a
  resume
}

for section in "${sections[@]}"; do
  "section_$section"
done
echo "The hand-over answers every file exactly once: ${sections[*]}"
