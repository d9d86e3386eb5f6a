#!/usr/bin/env bash
# tarnwell-cli fill end to end: usage errors touch nothing anywhere; as root,
# on a tmpfs of its own: a whole fill, Ctrl-C in the middle, and the leftovers
# of a fill killed with SIGKILL. Argument: the built tool.
set -u
cli=$1
. "$(dirname "$0")/../tests/support/check.sh"
use_work_dir
# Records of running fills apart from other tests and the system.
export TARNWELL_STATE_DIR="$work/state"
export LC_ALL=C LANG=C
fill_files() { find "$1" -maxdepth 1 -name 'tmp_ttt_*.xxx' | wc -l; }

mkdir "$work/dir"
"$cli" fill --yes "$work/missing" >"$work/out" 2>"$work/err"
check "a missing folder is a usage error" test $? -eq 2
"$cli" fill "$work/dir" </dev/null >"$work/out" 2>"$work/err"
check "no terminal and no --yes is refused" test $? -eq 2
check "the refusal says why" grep -q -- "--yes" "$work/err"
"$cli" fill --yes --include-reserved /proc >"$work/out" 2>"$work/err"
check "--include-reserved off ext4 is refused" test $? -eq 2
check "the refusal names the reason" grep -q -E "ext4|root" "$work/err"
check "refusals leave no file" test "$(fill_files "$work")" -eq 0
"$cli" fill --help >"$work/out" 2>&1
check "help warns that other writers may fail" grep -q "may fail" "$work/out"

if ! mount_tmpfs 64m; then
  echo "skipped the fills: mounting a tmpfs needs root"
else
  mkdir "$mnt/chosen"
  before=$(stat -f -c %f "$mnt")
  "$cli" fill --yes "$mnt/chosen" >"$work/out" 2>"$work/err"
  check "a complete fill exits 0" test $? -eq 0
  check "the files went beside the chosen folder" grep -q "^File:$mnt/tmp_ttt_" "$work/out"
  check "no temporary file is left" test "$(fill_files "$mnt")" -eq 0
  check "the free space is as before" test "$(stat -f -c %f "$mnt")" -eq "$before"
  check "the coverage row is shown" grep -q "^Written: " "$work/out"
  check "a tmpfs is warned of" grep -q "is held in memory (tmpfs)" "$work/err"
  # Names come from the system's random source: a second run names its first
  # file differently.
  first=$(grep -m1 "^File:" "$work/out")
  "$cli" fill --yes "$mnt/chosen" >"$work/out" 2>"$work/err"
  check "a second run draws other names" test "$(grep -m1 "^File:" "$work/out")" != "$first"

  # A stop in the middle: the fill is slowed by a tmpfs of 4 GiB it cannot fill
  # in the moment before the signal.
  umount "$mnt" && mount -t tmpfs -o size=4g tmpfs "$mnt"
  "$cli" fill --yes "$mnt" >"$work/out" 2>"$work/err" &
  pid=$!
  sleep 0.5
  kill -INT $pid
  wait $pid
  check "Ctrl-C ends the fill with exit 1" test $? -eq 1
  check "Ctrl-C deletes every file" test "$(fill_files "$mnt")" -eq 0
  # A closed terminal stops as orderly.
  "$cli" fill --yes "$mnt" >"$work/out" 2>"$work/err" &
  pid=$!
  sleep 0.5
  kill -HUP $pid
  wait $pid
  check "SIGHUP ends the fill with exit 1" test $? -eq 1
  check "SIGHUP deletes every file" test "$(fill_files "$mnt")" -eq 0

  # A fill killed outright leaves its files; the next one removes them first.
  umount "$mnt" && mount -t tmpfs -o size=1g tmpfs "$mnt"
  "$cli" fill --yes "$mnt" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1000); do [ "$(fill_files "$mnt")" -gt 0 ] && break; sleep 0.01; done
  kill -KILL $pid
  wait $pid 2>/dev/null
  left=$(fill_files "$mnt")
  check "a killed fill leaves its files" test "$left" -gt 0
  "$cli" fill --yes "$mnt" >"$work/out" 2>"$work/err"
  check "a fill after a killed one exits 0" test $? -eq 0
  check "the killed fill's files are reported" \
    grep -q "^Removed $left files left over by an interrupted fill" "$work/out"
  check "and gone" test "$(fill_files "$mnt")" -eq 0

  # Killed again: this time an erase elsewhere, the next start, removes them.
  "$cli" fill --yes "$mnt" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1000); do [ "$(fill_files "$mnt")" -gt 0 ] && break; sleep 0.01; done
  kill -KILL $pid
  wait $pid 2>/dev/null
  left=$(fill_files "$mnt")
  printf 'x' >"$work/elsewhere"
  "$cli" erase --yes --delay 0 "$work/elsewhere" >"$work/out" 2>"$work/err"
  check "an erase elsewhere after a killed fill exits 0" test $? -eq 0
  check "it reports the killed fill's files" \
    grep -q "^Removed $left files left over by an interrupted fill" "$work/out"
  check "and they are gone" test "$(fill_files "$mnt")" -eq 0
fi

# Two fills at once on one ext4 volume, chosen as two folders side by side, so
# both write into the same folder: neither takes the other's running file for
# a leftover.
. "$(dirname "$0")/../tests/forensic/loop_image.sh"
if ! why=$(loop_usable); then
  echo "skipped two fills at once: $why"
else
  loop_make_image "$work/two.img" 128 && device=$(loop_attach "$work/two.img") &&
    loop_attached_+=("$device") && loop_mount "$device" "$work/two"
  mkdir -p "$work/two/a" "$work/two/b"
  "$cli" fill --yes "$work/two/a" >"$work/out_a" 2>"$work/err_a" &
  pid_a=$!
  for _ in $(seq 1000); do [ "$(fill_files "$work/two")" -gt 0 ] && break; sleep 0.01; done
  "$cli" fill --yes "$work/two/b" >"$work/out_b" 2>"$work/err_b"
  status_b=$?
  wait $pid_a
  status_a=$?
  check "the first of two fills exits 0" test $status_a -eq 0
  check "the second of two fills exits 0" test $status_b -eq 0
  check "neither deleted a file of the other" \
    test "$(cat "$work/out_a" "$work/out_b" | grep -c "left over")" -eq 0
  check "no error in either" test ! -s "$work/err_a" -a ! -s "$work/err_b"
  check "every temporary file is gone" test "$(fill_files "$work/two")" -eq 0
fi

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
