#!/usr/bin/env bash
# Root fills a folder below one that an ordinary user owns, while she flips a
# link on the way between two volumes in a tight loop: whichever volume each
# fill reached, it deletes every file it made there, so the other volume ends
# with no fill file and as much free space as before.
# Arguments: the built tarnwell-cli. Exit 77 (skipped) when not root or
# without loop devices.
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/check.sh"
# shellcheck source=loop_image.sh
. "$here/loop_image.sh"

if ! why=$(loop_usable); then
  echo "SKIPPED: $why"
  exit 77
fi
if ! command -v setpriv >/dev/null || ! command -v cc >/dev/null; then
  echo "SKIPPED: needs setpriv and a C compiler for the user's flipper"
  exit 77
fi
use_work_dir
trap 'loop_cleanup; rm -rf "$work"' EXIT
chmod 755 "$work"
export TARNWELL_STATE_DIR="$work/state"
uid=$(id -u nobody)
gid=$(id -g nobody)
as_user() { setpriv --reuid="$uid" --regid="$gid" --clear-groups "$@"; }
fills=${FILL_RACE_ROUNDS:-8}

# Exchanges two links until STOP exists; prints how often.
cat >"$work/flip.c" <<'CODE'
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
int main(int argc, char** argv) {
  if (argc != 4) return 2;
  long flips = 0;
  while (access(argv[3], F_OK) != 0) {
    for (int k = 0; k < 100; ++k) {
      flips += renameat2(AT_FDCWD, argv[1], AT_FDCWD, argv[2], RENAME_EXCHANGE) == 0;
    }
  }
  printf("%ld\n", flips);
  return 0;
}
CODE
cc -O2 -o "$work/flip" "$work/flip.c" || { echo "SKIPPED: the flipper does not build"; exit 77; }

# Two small volumes: the one the user's folder is meant to be on, and the
# other one (standing in for the system's own).
for volume in meant other; do
  loop_make_image "$work/$volume.img" 8 >/dev/null || { echo "SKIPPED: no image"; exit 77; }
  device=$(loop_attach "$work/$volume.img") || { echo "SKIPPED: no loop device"; exit 77; }
  loop_attached_+=("$device")
  mkdir "$work/$volume"
  loop_mount "$device" "$work/$volume" || { echo "SKIPPED: cannot mount"; exit 77; }
  mkdir -p "$work/$volume/home/fill/chosen"
  chown -R "$uid:$gid" "$work/$volume/home"
done

user="$work/user"
mkdir "$user"
chown "$uid:$gid" "$user"
as_user ln -s "$work/meant/home" "$user/home"
as_user ln -s "$work/other/home" "$user/spare"
sync
other_free=$(stat -f -c %f "$work/other")

rm -f "$work/stop"
as_user "$work/flip" "$user/home" "$user/spare" "$work/stop" >"$work/flips" 2>&1 &
flipper=$!
failed=0
for ((round = 1; round <= fills; round++)); do
  timeout 60 "$cli" fill --yes "$user/home/fill/chosen" >"$work/out.$round" 2>&1 || failed=$((failed + 1))
done
touch "$work/stop"
wait "$flipper"
check "the user's flipper ran ($(cat "$work/flips") flips)" test "$(cat "$work/flips")" -gt 0
check "every one of $fills fills ended without an error ($failed did not)" test $failed -eq 0
sync
for volume in meant other; do
  check "no fill file is left on the $volume volume" \
    test "$(find "$work/$volume" -name 'tmp_ttt_*' | wc -l)" -eq 0
done
check "the other volume's free space is as before" \
  test "$(stat -f -c %f "$work/other")" -eq "$other_free"
[ "$failures" -eq 0 ] || tail -n 5 "$work"/out.*
cat "$work/out.1"
exit $((failures > 0))
