#!/usr/bin/env bash
# Runs one detection of a tail-path Kontakt file under strace and checks what it does to the file:
# one read-only open, two reads, one seek and one close, and no write anywhere. The calls on the
# file are told from the loader's by following the descriptor that the open of the file returns.
#
# Usage: strace_check.sh PROBE    PROBE: the strace_probe executable. STRACE may name strace.
# Exit status: 0 checked, 1 a check failed, 77 strace cannot trace here (CTest: skipped).
set -euo pipefail

probe=${1:?usage: strace_check.sh PROBE}
strace=${STRACE:-strace}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! "$strace" -o /dev/null true 2>/dev/null; then
  echo "strace_check: $strace cannot trace on this machine; skipped"
  exit 77
fi

# 4 KiB of zeros with "hsin" at 12 (the tail path) and, 100 bytes into the last 512, the version
# field 0 1 3 5 (least significant first) before the tag "5noK".
file="$work/probe.nki"
head -c 4096 /dev/zero >"$file"
printf 'hsin' | dd of="$file" bs=1 seek=12 conv=notrunc status=none
{ printf '\000\001\003\005'; printf '5noK'; } | dd of="$file" bs=1 seek=3680 conv=notrunc status=none
expected="2 probe.nki is Kontakt Version 5.3.1.0"

status=0
"$strace" -f -qq -s 0 -e trace=%file,%desc -e signal=none -o "$work/trace" \
  "$probe" "$file" >"$work/answer" || status=$?
answer=$(cat "$work/answer")
if [ "$status" -ne 0 ] || [ "$answer" != "$expected" ]; then
  echo "strace_check: the probe answered \"$answer\" (status $status), expected \"$expected\""
  exit 1
fi

awk -v file="$file" '
  function quoted(s) { return match(s, /"[^"]*"/) ? substr(s, RSTART + 1, RLENGTH - 2) : "" }
  function fail(why) { print "FAIL: " why; failed = 1 }
  BEGIN { fd = "" }
  {
    sub(/^[0-9]+ +/, "")
    if ($0 ~ /<unfinished|resumed>/) { fail("interleaved call, cannot follow: " $0); next }
    open_paren = index($0, "(")
    name = substr($0, 1, open_paren - 1)
    args = substr($0, open_paren + 1)
    first = args
    sub(/[,)].*/, "", first)
    result = $0
    sub(/.*\) *= /, "", result)
    result += 0
    path = quoted(args)
  }
  name ~ /^(open|openat|openat2|creat)$/ {
    for_writing = name == "creat" || args ~ /O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND/
    if (path == file) {
      opens++
      open_flags = args
      if (for_writing) fail("opened for writing: " $0)
      if (result >= 0) fd = result ""
    } else if (for_writing && path !~ /(\.so(\.[0-9]+)*|ld\.so\.cache)$/) {
      fail("opened for writing: " $0)
    }
    next
  }
  fd != "" && first == fd {
    if (name ~ /^(read|pread64|readv|preadv|preadv2)$/) reads++
    else if (name ~ /^(lseek|_llseek)$/) seeks++
    else if (name == "close") { closes++; fd = "" }
    else if (name ~ /^(write|pwrite64|writev|pwritev|pwritev2|ftruncate|fallocate)$/) writes++
    else if (name ~ /^(fstat|newfstatat|statx)$/) stats++
    else fail("unexpected call on the file: " $0)
    next
  }
  path == file {
    if (name ~ /^(stat|lstat|newfstatat|statx|access|faccessat|faccessat2)$/) lookups++
    else fail("unexpected call on the path: " $0)
  }
  END {
    sub(/^[^,]*, "[^"]*", /, "", open_flags)
    sub(/\).*/, "", open_flags)
    printf "calls on %s (descriptor followed from its open):\n", file
    printf "  open            %d  %s\n", opens, open_flags
    printf "  read            %d\n", reads
    printf "  seek            %d\n", seeks
    printf "  close           %d\n", closes
    printf "  write           %d\n", writes
    printf "  fstat           %d (the regular-file check)\n", stats
    printf "  path lookups    %d (stat for Exists and Length, without opening)\n", lookups
    if (opens != 1) fail("expected 1 open of the file, saw " opens + 0)
    if (reads != 2) fail("expected 2 reads, saw " reads + 0)
    if (seeks != 1) fail("expected 1 seek, saw " seeks + 0)
    if (closes != 1) fail("expected 1 close, saw " closes + 0)
    if (writes != 0) fail("expected no write to the file, saw " writes)
    exit failed
  }
' "$work/trace"
