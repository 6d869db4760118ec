#!/bin/sh
# End-to-end checks of talbrix-trace --grade on every shipped lesson: a
# scripted class (one student right, one wrong) is graded verified with the
# scores expected; an edited result, a missing file and a scenario are rows
# marked not verified with no score; a bad lesson, a missing argument and a
# full disk exit with the documented statuses.
set -u
trace="$1"
class="$2"
lessons="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

# field ROW NAME: the cell of one grade row under the header's NAME, read
# as a spreadsheet reads CSV.
field() {
    /usr/bin/python3 -c 'import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
print(rows[int(sys.argv[2])][rows[0].index(sys.argv[3])])' "$work/out" "$1" "$2"
}

for lesson in "$lessons"/*.lesson; do
    name=$(basename "$lesson")
    "$trace" --grade "$lesson" > "$work/out" || fail "$name: no header"
    [ "$(wc -l < "$work/out")" -eq 1 ] && head -1 "$work/out" | grep -q '^file,student,verified,problem,score,out of,' ||
        fail "$name: with no results, not the header alone"
    rm -f "$work"/*.result
    "$class" "$lesson" "$work" 2 || fail "$name: the scripted class failed"
    sed 's/^\(value [^ ]* [^ ]* [^ ]* \)/\19/' "$work/001.result" > "$work/003.result"
    "$trace" --grade "$lesson" "$work/001.result" "$work/002.result" "$work/003.result" "$work/none.result" \
        "$lessons/../tools/demo.scenario" > "$work/out" || fail "$name: grading failed"
    [ "$(wc -l < "$work/out")" -eq 6 ] || fail "$name: not one row per file"
    out_of=$(field 1 "out of")
    [ "$(field 1 verified)" = yes ] && [ "$(field 1 score)" = "$out_of" ] || fail "$name: the right student: $(sed -n 2p "$work/out")"
    [ "$(field 2 verified)" = yes ] && [ "$(field 2 score)" = 0 ] || fail "$name: the wrong student: $(sed -n 3p "$work/out")"
    for row in 3 4 5; do
        [ "$(field $row verified)" = no ] && [ -z "$(field $row score)" ] || fail "$name: row $row has a score: $(sed -n $((row + 1))p "$work/out")"
    done
    grep -q '"cannot read the file: No such file or directory"' "$work/out" || fail "$name: no word on the missing file"
done

lesson=$(ls "$lessons"/*.lesson | tail -1)
# The same grades for a decimal-comma spreadsheet.
"$trace" --decimal-comma --grade "$lesson" "$work/001.result" > "$work/comma" || fail "--decimal-comma --grade failed"
head -c 3 "$work/comma" | od -An -tx1 | grep -q 'ef bb bf' && grep -q '^"[^"]*001.result";"Student 001";yes;"";' "$work/comma" ||
    fail "--decimal-comma --grade: $(cat "$work/comma")"
printf 'talbrix lesson 1\ntitle T\nstep S\ntask jump\n' > "$work/bad.lesson"
"$trace" --grade "$work/bad.lesson" > /dev/null 2> "$work/err"; status=$?
[ "$status" -eq 2 ] && grep -q "bad.lesson': line 4: unknown task 'jump'" "$work/err" || fail "a bad lesson: $status $(cat "$work/err")"
"$trace" --grade > /dev/null 2> "$work/err"; status=$?
[ "$status" -eq 2 ] && grep -q '^usage: ' "$work/err" || fail "--grade alone: $status"
"$trace" --grade "$lesson" "$work/001.result" > /dev/full 2> "$work/err"; status=$?
[ "$status" -eq 4 ] && grep -q '^write error: No space left on device' "$work/err" || fail "a full disk: $status $(cat "$work/err")"
echo "grade checks passed"
