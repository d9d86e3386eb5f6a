#!/usr/bin/env bash
# tarnwell-cli for scripts and other languages: every --json line of real runs
# goes through a JSON parser and its figures are checked against the run; the
# prompt and refusals follow the language. Argument: the built tool.
set -u
cli=$1
. "$(dirname "$0")/../tests/support/check.sh"
use_work_dir
export LC_ALL=C LANG=C
# Its own notes of running fills: a start never meets another program's.
export TARNWELL_STATE_DIR="$work/state"

# Parses every line of $1 (a non-JSON line fails) and prints the values the
# Python expression $2 gives for the list of objects `o`.
json() {
  python3 -c '
import json, sys
o = [json.loads(line) for line in open(sys.argv[1])]
print(eval(sys.argv[2]))' "$1" "$2"
}

mkdir -p "$work/tree/sub"
printf 'secret one' >"$work/tree/a.txt"
head -c 300000 /dev/zero >"$work/tree/sub/b.bin"
ln -s /etc/passwd "$work/tree/link"

"$cli" list --json "$work/tree" >"$work/out" 2>"$work/err"
status=$?
check "list --json exits 0" test $status -eq 0
check "list: every line is JSON, one item per row, summary last" test \
  "$(json "$work/out" '[x["type"] for x in o].count("item"), o[-1]["type"], o[-1]["listed"]')" = \
  "(5, 'summary', 5)"
check "list: kinds and exact sizes" test \
  "$(json "$work/out" 'sorted((x["kind"], x.get("size")) for x in o if x["type"] == "item" and x["kind"] != "folder")')" = \
  "[('file', 10), ('file', 300000), ('link', 11)]"
check "list: the summary's exit status is the tool's" test "$(json "$work/out" 'o[-1]["exit_status"]')" = $status

"$cli" --json erase --yes --delay 0 --passes 2 "$work/tree" >"$work/out" 2>"$work/err"
status=$?
check "erase --json exits 0 and erased the tree" test $status -eq 0 -a ! -e "$work/tree"
check "erase: summary counts match the run" test \
  "$(json "$work/out" '[o[-1][k] for k in ("command", "listed", "erased", "remaining", "errors", "exit_status")]')" = \
  "['erase', 5, 5, 0, 0, $status]"
check "erase: bytes of both passes written, progress within them" test \
  "$(json "$work/out" '[o[-1]["written_bytes"], o[-1]["total_bytes"], all(x["done"] <= x["total"] == 600020 for x in o if x["type"] == "progress")]')" = \
  "[600020, 600020, True]"
check "erase: lines for people went to standard error" grep -q "Items:5" "$work/err"

mkfifo "$work/fifo"
"$cli" erase --yes --delay 0 "$work/fifo" --json >"$work/out" 2>"$work/err"
status=$?
check "a FIFO left alone: exit 1, a warning row, one item remaining" test \
  "$status $(json "$work/out" '[o[-1][k] for k in ("remaining", "warnings", "exit_status")]')" = \
  "1 [1, 1, 1]"

"$cli" erase --json --passes 99 "$work/fifo" >"$work/out" 2>"$work/err"
status=$?
check "a usage error still ends with a summary of exit status 2" test \
  "$status $(json "$work/out" 'o[-1]["exit_status"]')" = "2 2"

# German from the locale when the settings name no language.
rm -f "$TARNWELL_SETTINGS"
LC_ALL= LANG=de_DE.UTF-8 "$cli" erase --delay 0 "$work/fifo" </dev/null >"$work/out" 2>"$work/err"
check "German refusal without a terminal" grep -q "Kein Terminal für die Rückfrage" "$work/err"
if command -v script >/dev/null; then
  printf 'n\n' | LC_ALL= LANG=de_DE.UTF-8 script -qec "'$cli' erase --delay 0 '$work/fifo'" /dev/null \
    >"$work/out" 2>&1
  check "German prompt on a terminal, declined" grep -q "endgültig löschen.*\[j/N\]" "$work/out"
  check "German: nothing was erased" grep -q "Es wurde nichts gelöscht" "$work/out"
  printf 'j\n' | LC_ALL= LANG=de_DE.UTF-8 script -qec "'$cli' erase --delay 0 '$work/fifo'" /dev/null \
    >"$work/out" 2>&1
  check "German 'j' confirms" grep -q "Keine normale Datei" "$work/out"
fi
printf '[Program]\nlng=1\n' >"$TARNWELL_SETTINGS"
LC_ALL= LANG=de_DE.UTF-8 "$cli" erase --delay 0 "$work/fifo" </dev/null 2>"$work/err"
check "the settings' language wins over the locale" grep -q "No terminal to confirm" "$work/err"

exit $((failures > 0))
