#!/usr/bin/env bash
# Counts the code: non-blank lines of every committed C++ (.cpp, .h) and
# JavaScript (.js, .mjs) file, as product or tests, and the tests' share of
# the whole. Python (the web edition's page tests and its page assembler) is
# listed as well but, as the project's rule counts C++ and JavaScript, left
# out of the share.
# Tests are everything under tests/ and fuzz/ and any folder named tests or
# test elsewhere; product is the rest (runtime/, model/, form/, window/,
# tools/, app/, bench/, web/...), except the build and packaging tooling in
# scripts/, cmake/, packaging/ and docs/. Vendored and generated code
# (third_party/, vendor/, node_modules/, *.min.js) is not ours and not counted. The project keeps the tests' share between a
# quarter and a third.
#
# Usage: scripts/count-lines.sh [REVISION]   (default: the working tree)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
revision="${1:-}"
if [[ -n $revision ]]; then
    files=$(git ls-tree -r --name-only "$revision")
    show() { git show "$revision:$1"; }
else
    files=$(git ls-files -co --exclude-standard)
    show() { cat "$1"; }
fi
declare -A lines
while IFS= read -r file; do
    case "$file" in
    *.min.js | */third_party/* | */vendor/* | */node_modules/* | third_party/* | vendor/*) continue ;;
    build/* | scripts/* | cmake/* | packaging/* | docs/*) continue ;;
    *.cpp | *.h | *.js | *.mjs | *.py) ;;
    *) continue ;;
    esac
    [[ -n $revision || -f $file ]] || continue
    kind=product
    if [[ $file == tests/* || $file == fuzz/* || /$file == */tests/* || /$file == */test/* ]]; then
        kind=tests
    fi
    top="${file%%/*}"
    [[ $top == "$file" ]] && top=.
    [[ $file == *.py ]] && kind="$kind(py)"
    key="$kind ${top}"
    lines[$key]=$((${lines[$key]:-0} + $(show "$file" | grep -cv '^[[:space:]]*$' || true)))
done <<< "$files"
product=0
tests=0
while IFS= read -r key; do
    printf '%-8s %-10s %6d\n' ${key} "${lines[$key]}"
    case "$key" in
    *"(py)"*) ;;
    product*) product=$((product + lines[$key])) ;;
    *) tests=$((tests + lines[$key])) ;;
    esac
done < <(printf '%s\n' "${!lines[@]}" | sort)
total=$((product + tests))
printf 'C++ and JavaScript: product %d, tests %d, total %d: tests are %d.%d %% of the code\n' \
    "$product" "$tests" "$total" $((tests * 100 / total)) $((tests * 1000 / total % 10))
