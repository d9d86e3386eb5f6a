#!/usr/bin/env bash
# tarnwell-cli for scripts and other languages: every --json line of real runs
# goes through a JSON parser and its figures are checked against the run; the
# prompt and refusals follow the language; every line of an erase with items
# kept for each reason is valid against the shipped schema. Arguments: the
# built tool, the schema.
set -u
cli=$1
schema=$2
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

# One result per listed item with its reason, every line valid against the
# schema: a normal file, a hard link with a name outside the list, a file
# another program holds open, and a file replaced during the countdown.
mkdir -p "$work/mixed"
printf 'normal' >"$work/mixed/normal"
printf 'linked' >"$work/mixed/linked"
ln "$work/mixed/linked" "$work/outside-name"
printf 'busy' >"$work/mixed/busy"
printf 'old' >"$work/mixed/changed"
sleep 60 <"$work/mixed/busy" &
holder=$!
"$cli" --json erase --yes --delay 3 "$work/mixed" >"$work/out" 2>"$work/err" &
eraser=$!
for _ in $(seq 100); do grep -q '"code":"countdown"' "$work/out" && break; sleep 0.1; done
# Made before the old one goes, so it cannot get the old one's inode number.
printf 'new' >"$work/new"
mv "$work/new" "$work/mixed/changed"
wait $eraser
status=$?
kill $holder
check "mixed erase: exit 1, the normal file gone" test $status -eq 1 -a ! -e "$work/mixed/normal"
check "mixed erase: one result per listed item, each with its reason" test \
  "$(json "$work/out" 'sorted((x["path"].rsplit("/", 1)[1], x["outcome"], x["reason"]) for x in o if x["type"] == "result")')" = \
  "[('busy', 'kept', 'in_use'), ('changed', 'kept', 'changed_since_listed'), ('linked', 'kept', 'other_names'), ('mixed', 'kept', 'not_empty'), ('normal', 'erased', 'none')]"
check "mixed erase: the start says what was asked and done" test \
  "$(json "$work/out" '[(x["passes_asked"] >= 1, x["delay"]) for x in o if x["type"] == "start"]')" = "[(True, 3)]"
check "mixed erase: every message has a code" test \
  "$(json "$work/out" 'all(x.get("code") for x in o if x["type"] == "message")')" = "True"
# python3 may be another Python than the system's, which install-deps.sh
# gives the schema module.
validator=python3
python3 -c 'import jsonschema' 2>/dev/null || validator=/usr/bin/python3
check "mixed erase: every line is valid against the schema" "$validator" -c '
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
for line in open(sys.argv[2]):
    jsonschema.validate(json.loads(line), schema)' "$schema" "$work/out"

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
