#!/bin/bash
# Builds one test program, runs it in a fresh scratch directory and checks
# its standard output, standard error and exit status.
# usage: run_program.sh KELTRA KELTRA_RT PROGRAM.kb
set -u
keltra=$1 rt=$2 src=$3
base=${src%.kb}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" "$tmp/work"
if ! "$keltra" build --engine "$rt" "$src" -o "$tmp/bin/prog"; then
    echo "FAIL: the front end did not build $src"
    exit 1
fi
[ -d "$base.files" ] && cp -R "$base.files/." "$tmp/work/"
input=/dev/null
[ -f "$base.in" ] && input=$base.in
# KELTRA_RUN_WRAPPER runs the program under a checker (tests/valgrind-suite).
(cd "$tmp/work" && exec timeout "${KELTRA_RUN_TIMEOUT:-120}" ${KELTRA_RUN_WRAPPER:-} "$tmp/bin/prog") <"$input" >"$tmp/stdout" 2>"$tmp/stderr"
status=$?
fail=0
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit status $status (expected 0)"
    fail=1
fi
# Compares one captured stream with its expectation file (none: empty).
check() {
    local expected=/dev/null
    [ -f "$base.$1" ] && expected=$base.$1
    if ! cmp -s "$expected" "$tmp/$2"; then
        echo "FAIL: $3 differs (expected, actual):"
        diff -u "$expected" "$tmp/$2" | head -60
        fail=1
    fi
}
check out stdout "standard output"
check err stderr "standard error"
exit $fail
