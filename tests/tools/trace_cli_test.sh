#!/bin/sh
# End-to-end checks of the talbrix-trace executable: file, standard input, a
# pipe and a FIFO give the same trace, endless input is refused, a bad line exits 2 after the rows already printed,
# input that cannot be opened or read exits 2 saying why, output that cannot
# be written exits 4 saying why, and a leading byte-order mark is accepted.
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

# expect STATUS MESSAGE: the status and standard error of the run just made.
expect() {
    [ "$status" -eq "$1" ] && [ "$(cat "$work/err")" = "$2" ] && return
    echo "expected status $1 and '$2', got $status and '$(cat "$work/err")'"
    exit 1
}
"$trace" "$work/missing" > /dev/null 2> "$work/err"; status=$?
expect 2 "cannot read '$work/missing': No such file or directory"
"$trace" "$work" > /dev/null 2> "$work/err"; status=$?
expect 2 "cannot read '$work': Is a directory"
"$trace" < "$work" > /dev/null 2> "$work/err"; status=$?
expect 2 "cannot read standard input: Is a directory"
"$trace" <&- > /dev/null 2> "$work/err"; status=$?
expect 2 "cannot read standard input: Bad file descriptor"

"$trace" "$work/scenario" > /dev/full 2> "$work/err"; status=$?
expect 4 "write error: No space left on device"
"$trace" "$work/scenario" >&- 2> "$work/err"; status=$?
expect 4 "write error: Bad file descriptor"
# A reader that goes away, with SIGPIPE ignored: the run stops at once
# instead of running ten billion ticks (hours) into the dead pipe.
printf 'ticks 10000000000\n' > "$work/long"
(trap '' PIPE; timeout 60 "$trace" "$work/long" 2> "$work/err"; echo $? > "$work/status") | head -c 1 > /dev/null
status=$(cat "$work/status")
expect 4 "write error: Broken pipe"

# Input with no line ends, even under a memory limit, is refused at once
# (it used to grow by hundreds of megabytes a second, or print a header and
# exit 0 when memory ran out).
timeout 10 "$trace" /dev/zero > /dev/null 2> "$work/err"; status=$?
expect 2 "line 1: longer than 131072 bytes: not a scenario line"
# (AddressSanitizer reserves terabytes of address space: no limit for it.)
if [ -z "${ASAN_OPTIONS:-}" ]; then
    (ulimit -v 400000; timeout 10 "$trace" /dev/zero > /dev/null 2> "$work/err"); status=$?
    expect 2 "line 1: longer than 131072 bytes: not a scenario line"
fi
# A pipe and a FIFO read to their end, as a file.
cat "$work/scenario" | "$trace" - > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
cmp -s "$work/out" "$work/from-file" || { echo "a piped scenario gave another trace"; exit 1; }
mkfifo "$work/fifo"
(cat "$work/scenario" > "$work/fifo" &)
timeout 10 "$trace" "$work/fifo" > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
cmp -s "$work/out" "$work/from-file" || { echo "a FIFO gave another trace"; exit 1; }
"$trace" --help > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
grep -q '^usage: talbrix-trace' "$work/out" || { echo "--help printed no usage"; exit 1; }

printf '\357\273\277ticks 1\r\n' > "$work/bom"
"$trace" "$work/bom" > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
[ "$(wc -l < "$work/out")" -eq 3 ] || { echo "a byte-order-mark file did not run its tick"; exit 1; }
# --beats: the beat log of the same run, a header and a row per boundary
# tick; a bad line still says where, after the rows before it.
printf 'ticks 400\n' > "$work/beats"
"$trace" --beats "$work/beats" > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
head -c 40 "$work/out" | grep -q '^beat,tick,time (s),"AOP (mmHg)"' || { echo "--beats printed no beat table"; exit 1; }
boundaries=$("$trace" "$work/beats" | awk -F, '$23 == 1' | wc -l)
[ "$(wc -l < "$work/out")" -eq $((boundaries + 1)) ] || { echo "--beats: not one row per boundary tick"; exit 1; }
printf 'ticks 400\nslider 9 1\n' | "$trace" --beats - > "$work/out" 2> "$work/err"; status=$?
expect 2 "line 2: slider number must be 1..6, got '9'"
[ "$(wc -l < "$work/out")" -eq $((boundaries + 1)) ] || { echo "--beats lost the rows before a bad line"; exit 1; }
"$trace" --beats "$work/beats" extra > /dev/null 2> "$work/err"; status=$?
[ "$status" -eq 2 ] && grep -q '^usage: talbrix-trace \[--decimal-comma\] \[--beats | --comparison\]' "$work/err" ||
    { echo "--beats with two files was not refused"; exit 1; }
# --comparison: the reference held at the end beside the run, a row for each
# readout, slider and the rhythm; only the header when none is held.
printf 'ticks 400\nhold-reference\nslider 2 0\nticks 400\n' | "$trace" --comparison > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
[ "$(wc -l < "$work/out")" -eq 21 ] && grep -q '^"Slider2 Aortic Compl.",,3,0,-3,$' "$work/out" ||
    { echo "--comparison did not compare"; cat "$work/out"; exit 1; }
"$trace" --comparison "$work/beats" > "$work/out" 2> "$work/err"; status=$?
expect 0 ""
[ "$(cat "$work/out")" = "item,unit,reference,now,difference,percent" ] || { echo "--comparison with no reference"; exit 1; }
# --decimal-comma: each table again for spreadsheets that read a decimal
# comma; read back as such a spreadsheet reads it, it holds the same fields
# and numbers as the standard one.
same_table() {
    /usr/bin/python3 -c 'import csv, sys
standard = list(csv.reader(open(sys.argv[1], encoding="utf-8", newline="")))
raw = open(sys.argv[2], encoding="utf-8", newline="").read()
assert raw.startswith("\ufeff"), "no byte-order mark"
comma = list(csv.reader(raw[1:].splitlines(), delimiter=";"))
assert len(comma) == len(standard), "not as many rows"
quoted = [row for row in csv.reader(raw[1:].splitlines(), delimiter=";", quoting=csv.QUOTE_NONE)]
for row, other, plain in zip(standard, comma, quoted):
    assert len(row) == len(other), (row, other)
    for a, b, c in zip(row, other, plain):
        if c.startswith(chr(34)):
            assert a == b, (a, b)  # a text, as it stands
        else:
            assert "." not in b and a == b.replace(",", "."), (a, b)  # a number, its decimal comma
' "$1" "$2"
}
printf 'ticks 400\nhold-reference\nslider 2 0\ntext8 7,5\nticks 400\n' > "$work/busy"
for table in "" --beats --comparison; do
    "$trace" $table "$work/busy" > "$work/standard" && "$trace" --decimal-comma $table "$work/busy" > "$work/comma" ||
        { echo "--decimal-comma $table failed"; exit 1; }
    same_table "$work/standard" "$work/comma" || { echo "--decimal-comma $table: not the same table"; exit 1; }
done
"$trace" --decimal-comma "$work/scenario" > /dev/full 2> "$work/err"; status=$?
expect 4 "write error: No space left on device"
echo "talbrix-trace end-to-end checks passed"
