#!/usr/bin/env bash
# tarnwell-cli end to end on real temporary files: refusal without a terminal,
# list, erase, exit codes. Argument: the built tool.
set -u
cli=$1
. "$(dirname "$0")/../tests/support/check.sh"
use_work_dir
# Records of running fills apart from other tests and the system.
export TARNWELL_STATE_DIR="$work/state"
export LC_ALL=C LANG=C

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
check "... named in the message" grep -qF "$work/missing" "$work/err"
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
check "--version names the tool, as the window's does" grep -qx "tarnwell-cli [0-9.]*" <("$cli" --version)

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

# On Linux '\' is a name byte: "a\b" is one entry, never a/b.
mkdir -p "$work/bs/a"
printf 'one name' >"$work/bs/a\\b"
printf 'nested' >"$work/bs/a/b"
"$cli" list "$work/bs/a\\b" >"$work/out" 2>"$work/err"
check "a name with a backslash is listed as one entry" grep -qxF "8.0 byte	$work/bs/a\\b" "$work/out"
"$cli" erase --yes --delay 0 "$work/bs/a\\b" >"$work/out" 2>"$work/err"
check "... and erased as one, a/b kept" test ! -e "$work/bs/a\\b" -a "$(cat "$work/bs/a/b")" = nested

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

# The summary line is built from its parts in every language, never the whole
# status line ("Ready // ...").
texts=$(dirname "$0")/../res/texts
printf 'x' >"$work/one"
for section in 1_german 2_english 3_russian 4_dutch 5_romanian 6_swedish 7_french 8_italian; do
  lng=$((${section%%_*} - 1))
  word=$(sed -n 's/^33=//p' "$texts/$section.txt")
  printf '[Program]\nlng=%d\n' "$lng" >"$work/lang.ini"
  TARNWELL_SETTINGS="$work/lang.ini" "$cli" list "$work/one" >"$work/out" 2>"$work/err"
  check "the summary line in language $lng is '$word:1 <size>'" \
    grep -qx "$word:1 1[.,]0 [^ ]*" <(tail -n 1 "$work/out")
done

# Settings paths that are no settings file: quickly, defaults, an error line
# naming the file, and the file never rewritten.
mkfifo "$work/settings_fifo"
mkdir "$work/settings_dir"
head -c $((2 * 1024 * 1024)) /dev/zero | tr '\0' 'a' >"$work/settings_big"
sum_before=$(md5sum <"$work/settings_big")
for settings in "$work/settings_fifo" /dev/zero "$work/settings_big" "$work/settings_dir"; do
  TARNWELL_SETTINGS=$settings timeout 10 "$cli" list "$work/one" >"$work/out" 2>"$work/err"
  check "settings $settings: the command ends with exit 0" test $? -eq 0
  check "settings $settings: an error line names it" grep -qF "$settings" "$work/err"
  check "settings $settings: defaults (English) apply" grep -qx "Items:1 .*" <(tail -n 1 "$work/out")
done
check "an oversized settings file is not rewritten" test "$(md5sum <"$work/settings_big")" = "$sum_before"

# On a terminal a newline or tab in a name is shown escaped, as ls does there;
# a pipe gets the bytes as they are.
mkdir "$work/odd"
printf 'x' >"$work/odd/two"$'\n'"lines"
script -qec "$(printf '%q ' "$cli" list "$work/odd")" /dev/null </dev/null >"$work/out" 2>&1
check "a terminal shows a newline escaped" grep -qF "/odd/two'\$'\\n''lines'" "$work/out"
"$cli" list "$work/odd" >"$work/out" 2>"$work/err"
check "a pipe gets the name's bytes" grep -qx "lines" "$work/out"

# A name cannot rewrite a terminal: erase's warning row about a FIFO, and the
# row about an argument that names nothing, show its control bytes as escapes.
forged=$'evil\r\e[2K\e[1AFinished: 2 items erased, 0 errors'
mkfifo "$work/odd/$forged"
script -qec "$(printf '%q ' "$cli" erase --yes --delay 0 "$work/odd/$forged")" /dev/null \
  </dev/null >"$work/out" 2>&1
script -qec "$(printf '%q ' "$cli" list "$work/odd/$forged.gone")" /dev/null \
  </dev/null >"$work/out2" 2>&1
# A slow run may also show the name in a progress row, so count per command.
shown='evil\r\033[2K\033[1AFinished: 2'
check "a terminal shows a forging name's control bytes escaped in every row" \
  test "$(grep -cF "$shown" "$work/out")" -ge 1 -a "$(grep -cF "$shown" "$work/out2")" -ge 1
cat "$work/out2" >>"$work/out"
check "a forging name reaches no terminal as control bytes" \
  test "$(grep -c $'\e\\[2K\\|\e\\[1A' "$work/out")" -eq 0

# The terminal's countdown names the key that aborts there; SIGHUP (a closed
# terminal) and SIGQUIT abort the countdown like Ctrl-C.
printf 'y' >"$work/kept"
"$cli" erase --yes --delay 1 "$work/kept" >"$work/out" 2>"$work/err"
check "the countdown names Ctrl+C" grep -q "Abort with Ctrl+C" "$work/out"
check "the countdown does not name Escape" test "$(grep -c "ESC" "$work/out")" -eq 0
printf 'y' >"$work/kept"
for signal in HUP QUIT; do
  "$cli" erase --yes --delay 5 "$work/kept" >"$work/out" 2>"$work/err" &
  pid=$!
  sleep 1
  kill -$signal $pid
  wait $pid
  check "SIG$signal in the countdown aborts with exit 2 (nothing done)" test $? -eq 2
  check "SIG$signal in the countdown erases nothing" test -f "$work/kept"
done

exit $((failures > 0))
