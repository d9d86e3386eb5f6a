#!/usr/bin/env bash
# tarnwell-cli.exe under wine, end to end: list (sizes in the locale LANG
# names), erase a tree with --yes, clean up after a killed fill, and, as
# root, fill a small tmpfs that wine reaches through its Z: drive and leave a
# running Linux fill alone. Argument: the command that runs the tool.
set -u
cli=$1
. "$(dirname "$0")/../support/check.sh"
use_work_dir
unset LC_ALL
drive="Z:$work"  # how the tool names a Linux path
lines() { tr -d '\r' <"$work/out"; }  # a Windows console ends lines with CR LF

mkdir -p "$work/tree/sub"
head -c 5000 /dev/urandom >"$work/tree/a.txt"
head -c 1234567 /dev/urandom >"$work/tree/sub/b.bin"
printf 'not listed' >"$work/kept.txt"

LANG=C.UTF-8 "$cli" list "$work/tree" >"$work/out" 2>"$work/err"
check "list exits 0" test $? -eq 0
check "list names the files in Windows form" grep -qx "4.9 KB	$drive/tree/a.txt" <(lines)
check "list ends with the count and total" grep -qx "Items:4 1.2 MB" <(lines | tail -n 1)
if locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
  LANG=de_DE.UTF-8 "$cli" list "$work/tree" >"$work/out" 2>"$work/err"
  check "German sizes have a decimal comma" grep -qx "1,2 MB	$drive/tree/sub/b.bin" <(lines)
else
  echo "skipped the German sizes: the de_DE.UTF-8 locale is not installed"
fi

LANG=C.UTF-8 "$cli" erase --yes --delay 0 "$work/tree" >"$work/out" 2>"$work/err"
check "erase exits 0" test $? -eq 0
check "the tree is gone" test ! -e "$work/tree"
check "nothing else in the folder was touched" test "$(ls "$work")" = "$(printf 'err\nkept.txt\nout')"
check "the unlisted file keeps its content" test "$(cat "$work/kept.txt")" = "not listed"

# Backslashes separate as slashes do: list and erase reach the entry (not a
# name in the current folder), a settings path may use them, and a path that
# names nothing is said to by name, never a silent exit 2.
back() { printf 'Z:%s' "${1//\//\\}"; }
mkdir -p "$work/bs/cfg" "$work/bs/run/sub"
printf 'data' >"$work/bs/one.txt"
printf 'kept' >"$work/bs/run/sub/one.txt"
cli_abs=$(realpath "$cli")
in_run() { (cd "$work/bs/run" && LANG=C.UTF-8 "$cli_abs" "$@" >"$work/out" 2>"$work/err"); }
printf '[Program]\nlng=0\n' >"$work/bs/cfg/s.ini"
(export TARNWELL_SETTINGS="$(back "$work/bs/cfg/s.ini")" && in_run list "$(back "$work/bs/one.txt")")
check "list takes a backslash path" grep -qx "4.0 byte	$drive/bs/one.txt" <(lines)
check "a backslash settings path is used as it names" grep -q "^Objekte" <(lines | tail -n 1)
in_run list 'sub\missing.txt'
check "a missing backslash path exits 2" test $? -eq 2
check "and says which" grep -qF 'sub\missing.txt' "$work/err"
in_run erase --yes --delay 0 "$(back "$work/bs/one.txt")" 'sub\'
check "erase takes backslash paths" test ! -e "$work/bs/one.txt" -a ! -e "$work/bs/run/sub"
rm -rf "$work/bs"

# A killed fill's note in a state folder set as a drive-letter path with
# backslashes: the next start reads it and removes it. A note that does not
# record its folder's identity (as this one, of an older version) is not
# followed: the file in the folder it names stays.
mkdir -m 0700 "$work/state"
mkdir -p "$work/killed"
note="$work/state/fill-0123456789abcdef"
leftover="$work/killed/tmp_ttt_[[[[[[[[[[[[[[[.xxx"
printf '%s' "$drive/killed" >"$note"
: >"$leftover"
printf 'x' >"$work/victim.txt"
TARNWELL_STATE_DIR="$(back "$work/state")" LANG=C.UTF-8 "$cli" erase --yes --delay 0 \
  "$work/victim.txt" >"$work/out" 2>"$work/err"
check "a drive-letter state folder is used: a killed fill's note is read and goes" \
  test ! -e "$note"
check "but a note without its folder's identity is not followed" test -e "$leftover"
check "and says so" grep -qF "Left alone the files of an interrupted fill in $drive/killed" \
  <(tr -d '\r' <"$work/err"; lines)
rm -rf "$work/state" "$work/killed"

if ! mount_tmpfs 16m; then
  echo "skipped the fill: mounting a tmpfs needs root"
else
  mkdir "$mnt/chosen"
  before=$(stat -f -c %f "$mnt")
  LANG=C.UTF-8 "$cli" fill --yes "$mnt/chosen" >"$work/out" 2>"$work/err"
  check "a complete fill exits 0" test $? -eq 0
  check "the files went beside the chosen folder" grep -q "^File:$drive/mnt/tmp_ttt_" <(lines)
  check "no temporary file is left" test "$(find "$mnt" -name 'tmp_ttt_*' | wc -l)" -eq 0
  check "the free space is as before" test "$(stat -f -c %f "$mnt")" -eq "$before"
fi

# A Linux fill's note of its running fill, and its file, each locked as a
# running Linux fill holds them. Wine's locks do not see Linux locks, so the
# Windows program must not even look there.
if [ "$(id -u)" -ne 0 ] || ! command -v flock >/dev/null; then
  echo "skipped the running Linux fill: /run/tarnwell is root's"
else
  # Owner-only, as the Linux program keeps it.
  install -d -m 0700 /run/tarnwell
  mkdir -p "$work/linux"
  record=/run/tarnwell/fill-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')
  running="$work/linux/tmp_ttt_[[[[[[[[[[[[[[[.xxx"
  printf '%s' "$work/linux" >"$record"
  : >"$running"
  # Each holder is the locking process itself and writes nowhere, so the kill
  # below frees the lock and no child keeps the test's output open.
  (exec 9<>"$record" && flock -x 9 && exec sleep 300) >/dev/null 2>&1 &
  holders=$!
  (exec 9<>"$running" && flock -x 9 && exec sleep 300) >/dev/null 2>&1 &
  holders="$holders $!"
  sleep 0.2
  printf 'x' >"$work/victim.txt"
  LANG=C.UTF-8 "$cli" erase --yes --delay 0 "$work/victim.txt" >"$work/out" 2>"$work/err"
  check "a start of the Windows program leaves a running Linux fill's file alone" test -e "$running"
  check "and its note" test -e "$record"
  kill $holders 2>/dev/null
  wait $holders 2>/dev/null
  rm -f "$record"
fi
[ "$failures" -eq 0 ] || { cat "$work/err"; exit 1; }
