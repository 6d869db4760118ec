#!/bin/sh
# End-to-end checks of the talbrix-trace executable: file and standard input
# give the same trace, a bad line exits 2 after the rows already printed, and
# an unreadable file is refused.
set -u
trace="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf 'ticks 5\nslider 3 10\nticks 5\n' > "$work/scenario"
"$trace" "$work/scenario" > "$work/from-file" || { echo "file run failed"; exit 1; }
"$trace" < "$work/scenario" > "$work/from-stdin" || { echo "stdin run failed"; exit 1; }
cmp -s "$work/from-file" "$work/from-stdin" || { echo "file and stdin traces differ"; exit 1; }
[ "$(wc -l < "$work/from-file")" -eq 12 ] || { echo "expected header + 11 rows"; exit 1; }

printf 'ticks 2\nslider 7 1\nticks 2\n' | "$trace" > "$work/out" 2> "$work/err"
status=$?
[ "$status" -eq 2 ] || { echo "bad line exited $status, not 2"; exit 1; }
[ "$(wc -l < "$work/out")" -eq 4 ] || { echo "rows before the bad line were lost"; exit 1; }
grep -q '^line 2: ' "$work/err" || { echo "no 'line 2:' message"; exit 1; }

"$trace" "$work/missing" > /dev/null 2>&1
[ $? -ne 0 ] || { echo "a missing file was accepted"; exit 1; }
echo "talbrix-trace end-to-end checks passed"
