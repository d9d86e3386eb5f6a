#!/usr/bin/env bash
# tarnwell-cli end to end on real temporary files: refusal without a terminal,
# list, erase, exit codes. Argument: the built tool.
set -u
cli=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
export TARNWELL_SETTINGS="$work/settings.ini"
export LC_ALL=C LANG=C
. "$(dirname "$0")/../tests/support/check.sh"

mkdir -p "$work/tree/sub"
printf 'secret one' >"$work/tree/a.txt"
printf 'secret two' >"$work/tree/sub/b.txt"
mkfifo "$work/fifo"

# No terminal and no --yes: refused, nothing touched.
"$cli" erase --delay 0 "$work/tree" </dev/null >"$work/out" 2>"$work/err"
check "refuses without a terminal (exit 2)" test $? -eq 2
check "refusal touches nothing" test -f "$work/tree/sub/b.txt"
check "refusal says why" grep -q -- "--yes" "$work/err"

"$cli" list "$work/tree" >"$work/out" 2>"$work/err"
check "list exits 0" test $? -eq 0
expected=$(printf '%s\t%s\n%s\t%s\n%s\t%s\n%s\t%s' \
  "<DIR>" "$work/tree" "10.0 byte" "$work/tree/a.txt" "<DIR>" "$work/tree/sub" \
  "10.0 byte" "$work/tree/sub/b.txt")
check "list shows the rows in order" test "$(head -n 4 "$work/out")" = "$expected"
# The total counts the folders' own entry sizes, which depend on the file system.
check "list ends with the count and total" grep -qx "Items:4 [0-9.]* [A-Za-z]*" <(tail -n 1 "$work/out")

"$cli" erase --yes --delay 0 "$work/missing" >"$work/out" 2>"$work/err"
check "a missing path is a usage error" test $? -eq 2
"$cli" erase --yes --passes 11 "$work/tree" >"$work/out" 2>"$work/err"
check "passes out of range is a usage error" test $? -eq 2
check "usage errors touch nothing" test -f "$work/tree/a.txt"

"$cli" erase --yes --delay 0 --passes 2 --verify "$work/tree" >"$work/out" 2>"$work/err"
check "erase exits 0" test $? -eq 0
check "erase removed the tree" test ! -e "$work/tree"
check "erase prints the summary" grep -q "100.0 % // Error: 0 " "$work/out"

"$cli" erase --yes --delay 0 "$work/fifo" >"$work/out" 2>"$work/err"
check "a FIFO left alone exits 1" test $? -eq 1
check "the FIFO is still there" test -p "$work/fifo"

"$cli" erase --help >"$work/out" 2>&1
check "help names copy-on-write and SSDs" grep -q "copy-on-write" "$work/out"

# "/", "." and ".." name more than an entry: refused, nothing done.
mkdir -p "$work/here/data" "$work/other/inner"
printf 'here' >"$work/here/data/f"
printf 'there' >"$work/other/data"
ln -s "$work/other/inner" "$work/here/link"
for operand in . .. ./ /; do
  (cd "$work/here/data" && "$cli" erase --yes --delay 0 "$operand" >"$work/out" 2>"$work/err")
  check "'$operand' is refused (exit 2)" test $? -eq 2
  check "'$operand' refusal says why" grep -q "Refusing to erase" "$work/err"
done
check "refusals touch nothing" test -f "$work/here/data/f"
# "link/.." is where the system takes it: the other folder, not here.
(cd "$work/here" && "$cli" erase --yes --delay 0 link/../data >"$work/out" 2>"$work/err")
check "link/../data erases what the system resolves" test ! -e "$work/other/data"
check "... and not the folder the text suggests" test -f "$work/here/data/f"

# A file with a name outside the list is kept whole.
printf 'shared' >"$work/here/linked"
ln "$work/here/linked" "$work/other/second-name"
"$cli" erase --yes --delay 0 "$work/here/linked" >"$work/out" 2>"$work/err"
check "a file with other names fails (exit 1)" test $? -eq 1
check "its other name still reads the data" test "$(cat "$work/other/second-name")" = shared
check "the error names the other names" grep -q "other names not in the list" "$work/err"

# "n" at the prompt: nothing was done (exit 2).
if command -v script >/dev/null; then
  printf 'n\n' | script -qec "'$cli' erase --delay 0 '$work/here/linked'" /dev/null >"$work/out"
  check "answering n exits 2" test $? -eq 2
  check "answering n touches nothing" test -f "$work/here/linked"
fi

exit $((failures > 0))
