#!/usr/bin/env bash
# Start-up time of whichkontakt started with a Kontakt file, against the floor: a bare Qt program
# that shows one message box. On a private Xvfb display (no window manager), each run is timed
# from the fork to the moment the message box window is mapped (MapNotify of the first window of
# type _NET_WM_WINDOW_TYPE_DIALOG; whichkontakt maps its menu window before it, which does not
# count), then the program is killed and its peak RSS taken. The two programs alternate, after one
# untimed warm-up run each, and the medians are reported.
# With BUS=1 everything runs on a private session bus, so that each whichkontakt run is the
# session's first program and serves the bus; then the hand-over is timed too: a later start with
# the file, from its fork to the running program's box being mapped, while that program runs.
# Usage: [BUS=1] bench/startup_time.sh BUILD_DIR [RUNS]   (default 15 runs; build the bench targets)
set -euo pipefail

build_dir=${1:?usage: startup_time.sh BUILD_DIR [RUNS]}
runs=${2:-15}
timer=$build_dir/bench/box_map_timer
bare=$build_dir/bench/bare_message_box
program=$build_dir/app/whichkontakt
sample=$build_dir/samples/kontakt4.nki
for needed in "$timer" "$bare" "$program" "$sample"; do
  [ -e "$needed" ] || { echo "missing: $needed (build it first)" >&2; exit 1; }
done

tmp=$(mktemp -d)
xvfb_pid=""
other_pids=()
cleanup() {
  for pid in "${other_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 150); do
  grep -qx '[0-9][0-9]*' "$tmp/display" && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
grep -qx '[0-9][0-9]*' "$tmp/display" || { echo "Xvfb gave no display number" >&2; exit 1; }
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY

# Both programs see the same quiet environment.
export QT_QPA_PLATFORM=xcb HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/runtime
unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ "${BUS:-0}" = 1 ]; then
  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$tmp/bus" 2>/dev/null &
  other_pids+=($!)
  for _ in $(seq 100); do grep -q '^unix:' "$tmp/bus" && break; sleep 0.1; done
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
  export DBUS_SESSION_BUS_ADDRESS
fi

# One timed run; appends "box_ms rss_kb first_map_ms" to the named results file.
measure() {
  local results=$1 line
  shift
  line=$(timeout 60 "$timer" 300 "$@" 2>>"$tmp/stderr.log") ||
    { echo "a run of $1 failed:" >&2; cat "$tmp/stderr.log" >&2; exit 1; }
  [[ $line =~ first_map_ms=([0-9.]+)\ box_map_ms=([0-9.]+)\ max_rss_kb=([0-9]+) ]] ||
    { echo "unexpected timer output: $line" >&2; exit 1; }
  echo "${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[1]}" >>"$results"
}

median() { # column file
  sort -g -k"$1","$1" "$2" | awk -v c="$1" '{ v[NR] = $c } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

measure "$tmp/warmup" "$program" "$sample"
measure "$tmp/warmup" "$bare"
for _ in $(seq "$runs"); do
  measure "$tmp/whichkontakt" "$program" "$sample"
  measure "$tmp/bare" "$bare"
done

wk_ms=$(median 1 "$tmp/whichkontakt")
wk_rss=$(median 2 "$tmp/whichkontakt")
wk_first=$(median 3 "$tmp/whichkontakt")
bare_ms=$(median 1 "$tmp/bare")
bare_rss=$(median 2 "$tmp/bare")
printf 'runs: %d each, alternating, on Xvfb %s\n' "$runs" "$DISPLAY"
printf '%-34s %10s %14s\n' "program" "median ms" "peak RSS KiB"
printf '%-34s %10.1f %14d   (menu window mapped at %.1f ms)\n' "whichkontakt kontakt4.nki" \
  "$wk_ms" "$wk_rss" "$wk_first"
printf '%-34s %10.1f %14d\n' "bare_message_box (floor)" "$bare_ms" "$bare_rss"
awk -v a="$wk_ms" -v b="$bare_ms" -v r="$wk_rss" -v s="$bare_rss" \
  'BEGIN { printf "ratio to the floor: time %.2fx, peak RSS %.2fx\n", a / b, r / s }'
echo "all runs (ms): whichkontakt $(cut -d' ' -f1 "$tmp/whichkontakt" | xargs)"
echo "all runs (ms): bare         $(cut -d' ' -f1 "$tmp/bare" | xargs)"

[ "${BUS:-0}" = 1 ] || exit 0

# The hand-over: a running program, its first box dismissed, answers each later start's file.
dismiss_box_of() {
  local id
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null || true); do
      if xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_DIALOG'; then
        xdotool windowfocus --sync "$id" key Return
        return 0
      fi
    done
    sleep 0.05
  done
  echo "no box of process $1 to dismiss" >&2
  exit 1
}
"$program" "$sample" 2>>"$tmp/stderr.log" &
running=$!
other_pids+=("$running")
dismiss_box_of "$running"
sleep 0.5
for _ in $(seq "$runs"); do
  measure "$tmp/handover" "$program" "$sample"
  dismiss_box_of "$running"
  sleep 0.2
done
printf '%-34s %10.1f %14d   (RSS of the later start, which ends at once)\n' \
  "hand-over to the running program" "$(median 1 "$tmp/handover")" "$(median 2 "$tmp/handover")"
echo "all runs (ms): hand-over    $(cut -d' ' -f1 "$tmp/handover" | xargs)"
