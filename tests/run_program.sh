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
expected_out=/dev/null
[ -f "$base.out" ] && expected_out=$base.out
if ! cmp -s "$expected_out" "$tmp/stdout"; then
    echo "FAIL: standard output differs (expected, actual):"
    diff -u "$expected_out" "$tmp/stdout" | head -60
    fail=1
fi
expected_err=/dev/null
[ -f "$base.err" ] && expected_err=$base.err
if ! cmp -s "$expected_err" "$tmp/stderr"; then
    echo "FAIL: standard error differs (expected, actual):"
    diff -u "$expected_err" "$tmp/stderr" | head -60
    fail=1
fi
exit $fail
