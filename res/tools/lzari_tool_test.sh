#!/usr/bin/env bash
# The archive tool on hostile input: a declared size the archive cannot hold,
# a FIFO and an endless device end at once with exit 1 and write nothing.
# Argument: the built lzari tool.
set -u
lzari=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../../tests/support/check.sh"

# 100 bytes that declare 4 GiB.
{ printf '\377\377\377\377'; head -c 96 /dev/zero; } >"$work/lying.lzari"
timeout 10 "$lzari" d "$work/lying.lzari" "$work/out" 2>"$work/err"
check "a lying archive is refused with exit 1" test $? -eq 1
check "nothing is written for it" test ! -e "$work/out"
check "the refusal names the archive" grep -q "lying.lzari" "$work/err"

mkfifo "$work/fifo"
timeout 10 "$lzari" c "$work/fifo" "$work/out" 2>/dev/null
check "a FIFO as input ends at once with exit 1" test $? -eq 1
timeout 10 "$lzari" c /dev/zero "$work/out" 2>/dev/null
check "an endless device as input ends at once with exit 1" test $? -eq 1
check "nothing is written for them" test ! -e "$work/out"

printf 'some text some text some text' >"$work/plain"
"$lzari" c "$work/plain" "$work/packed" && "$lzari" d "$work/packed" "$work/back"
check "an honest archive still round-trips" cmp -s "$work/plain" "$work/back"

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
