#!/bin/bash
# The front end's own behaviour: source errors, the token path, dump,
# resources and the language reference.
# usage: front_end.sh KELTRA KELTRA_RT
set -u
keltra=$1 rt=$2
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
fail=0
check() {   # check NAME COMMAND...: the command must succeed
    local name=$1; shift
    if ! "$@"; then echo "FAIL: $name"; fail=1; fi
}

# Source errors: file:line:column and no executable written.
while IFS='|' read -r src want; do
    printf '%b' "$src" >bad.kb
    rm -f out
    msg=$("$keltra" build --engine "$rt" bad.kb -o out 2>&1) && { echo "FAIL: built $src"; fail=1; }
    [ -e out ] && { echo "FAIL: $src left an executable"; fail=1; }
    [ "$msg" = "$want" ] || { echo "FAIL: $src: got '$msg', want '$want'"; fail=1; }
done <<'CASES'
PRINT 1\nPRINT "abc|bad.kb:2:7: error: text literal without its closing quote
x = {S256}|bad.kb:1:5: error: statement code beyond 255
x = {C512}|bad.kb:1:5: error: constant index beyond 511
x = {X00}|bad.kb:1:5: error: a raw byte is {X} and two hex digits, not 00
CASES

# Keywords, constants, escapes, comma compaction and line ends, byte for byte.
printf 'print "a , b" , x\t,  y[1, 2]\r\n  Sin(x), rec.print, EVENT_WINDOW\n; c , d\nx{LF}\n{S7}{C497}{X7F}{NOEOL}\n' >t.kb
check tokens "$keltra" tokens t.kb -o t.tok
printf '\377\340\340 "a , b",x,y[1, 2]\r\n  \377\345\357(x),rec.print,\376\344\350\r\n; c , d\r\nx\n\377\340\347\376\377\341\177\0' >want.tok
check "tokenised bytes" cmp t.tok want.tok

# The token path binds the bytes unchanged; dump reads them back exactly.
printf '\377\340\340 "x"\r\n' >raw.tok
check "build --tokens" "$keltra" build --engine "$rt" --tokens raw.tok -o raw.exe
"$keltra" dump raw.exe >raw.kb
"$keltra" tokens raw.kb -o raw2.tok
printf '\0' >>raw.tok
check "dump of a token build" cmp raw.tok raw2.tok

# Resources travel with the executable, and a failed build leaves nothing.
printf 'abc' >data.bin
check "build with a resource" "$keltra" build --engine "$rt" --resource rcdata,MYDATA,data.bin t.kb -o res.exe
"$keltra" build --engine "$rt" --resource rcdata,X,missing.bin t.kb -o none.exe 2>/dev/null &&
    { echo "FAIL: built with a missing resource file"; fail=1; }
[ -e none.exe ] && { echo "FAIL: a failed build left an executable"; fail=1; }

# An image without its NUL still runs: the loader appends one.
printf '\r\n\377\357\351' >nonul.tok
check "build without NUL" "$keltra" build --engine "$rt" --tokens nonul.tok -o nonul.exe
./nonul.exe >nonul.out 2>nonul.err
check "exit status 0" test $? -eq 0
printf 'An error has occured\nLine number: 2\nPlease contact the program vendor\n70\n' >want.err
check "report of an image without NUL" cmp nonul.err want.err

# The bare engine has no program; a damaged archive is no program either:
# both end quietly with status 0.
cp "$rt" bare.exe
head -c -3 nonul.exe >cut.exe
chmod +x cut.exe
for exe in bare.exe cut.exe; do
    out=$(./$exe 2>&1)
    check "$exe exits with 0" test $? -eq 0
    check "$exe is quiet" test -z "$out"
done

# run passes the program's exit status and standard streams through.
printf 'END\n' >end.kb
check "run" "$keltra" run --engine "$rt" end.kb

# The language reference is the one the tables make.
"$keltra" reference >ref.md
check "docs/language.md is current (run: keltra reference >docs/language.md)" \
    cmp ref.md "$here/../docs/language.md"
exit $fail
