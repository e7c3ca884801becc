#!/usr/bin/env bash
# Started where there is no display, or where the display named is not there, the program must
# say so in one line on standard error and fail with an exit status, not crash or hang.
# Usage: no_display_test.sh PROGRAM FILE
set -euo pipefail

program=${1:?usage: no_display_test.sh PROGRAM FILE}
file=${2:?usage: no_display_test.sh PROGRAM FILE}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

failures=0
expect_one_line_failure() {
  local what=$1 status=0 lines
  shift
  timeout 30 env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$program" "$file" \
    >"$tmp/out" 2>"$tmp/err" || status=$?
  lines=$(wc -l <"$tmp/err")
  if [ "$status" -eq 0 ] || [ "$status" -ge 124 ]; then
    echo "FAIL: $what: exit status $status, expected a plain failure (1 to 123)" >&2
    failures=$((failures + 1))
  fi
  if [ "$lines" -ne 1 ] || [ -s "$tmp/out" ]; then
    echo "FAIL: $what: expected one line on standard error and nothing on standard output," \
      "got $lines line(s):" >&2
    cat "$tmp/err" "$tmp/out" >&2
    failures=$((failures + 1))
  fi
}

expect_one_line_failure "DISPLAY unset" -u DISPLAY

# A display number nobody serves.
number=$((7000 + RANDOM % 1000))
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
  number=$((number + 1))
done
expect_one_line_failure "DISPLAY=:$number with no server" DISPLAY=":$number"

[ "$failures" -eq 0 ] || exit 1
echo "Without a display the program fails in one line"
