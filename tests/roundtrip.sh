#!/bin/bash
# Every test program: its tokens, dumped back to source and built again,
# give the same tokens; dumping a built executable gives the same source.
# usage: roundtrip.sh KELTRA KELTRA_RT PROGRAMS_DIR
set -u
keltra=$1 rt=$2 dir=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0 count=0
while IFS= read -r -d '' src; do
    count=$((count + 1))
    if ! "$keltra" tokens "$src" -o "$tmp/t1" ||
       ! "$keltra" dump "$tmp/t1" >"$tmp/d.kb" ||
       ! "$keltra" tokens "$tmp/d.kb" -o "$tmp/t2"; then
        echo "FAIL: $src: the front end failed"
        fail=1
        continue
    fi
    if ! cmp -s "$tmp/t1" "$tmp/t2"; then
        echo "FAIL: $src: tokens differ after dump and rebuild"
        fail=1
        continue
    fi
    [ $count -eq 1 ] || continue      # the executable path once is enough
    "$keltra" build --engine "$rt" "$src" -o "$tmp/exe" &&
        "$keltra" dump "$tmp/exe" >"$tmp/d2.kb"
    if ! cmp -s "$tmp/d.kb" "$tmp/d2.kb"; then
        echo "FAIL: $src: dump of the executable differs from dump of the tokens"
        fail=1
    fi
done < <(find "$dir" -name '*.kb' -print0 | sort -z)
echo "$count programs checked"
exit $fail
