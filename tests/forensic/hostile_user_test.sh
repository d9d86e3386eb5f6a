#!/usr/bin/env bash
# Root erases in a tree that a hostile ordinary user changes at the same time,
# and an ordinary user erases what she may write but not remove:
#  - she swaps her read-only file for a link to root's file in a tight loop
#    while root erases her file: root's file keeps its mode and its bytes;
#  - she swaps her listed empty folder for a FIFO in a tight loop while root
#    erases the folder: no erase hangs;
#  - root's notes of running fills are out of her reach, and a notes folder
#    she planted is refused;
#  - she lists root's world-writable file in a sticky folder, and a file of
#    hers in a folder she cannot write: both keep their contents.
# Arguments: the built tarnwell-cli. Exit 77 (skipped) when not root.
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/check.sh"

if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  echo "SKIPPED: needs root and setpriv"
  exit 77
fi
use_work_dir
chmod 755 "$work"
export TARNWELL_STATE_DIR="$work/state"
uid=$(id -u nobody)
gid=$(id -g nobody)
as_user() { setpriv --reuid="$uid" --regid="$gid" --clear-groups "$@"; }
rounds=${HOSTILE_ROUNDS:-60}

# Exchanges two entries of the user's folder as fast as it can until
# stop_swapper; it prints how often it exchanged them. Compiled, since the
# window it aims at is a few system calls wide.
cat >"$work/swap.c" <<'EOF'
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
/* swap FOLDER COUNT STOP: exchanges FOLDER/fI with FOLDER/lI for every I below COUNT. */
int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const int count = atoi(argv[2]);
  char a[4096], b[4096];
  long swaps = 0;
  while (access(argv[3], F_OK) != 0) {
    for (int i = 0; i < count; ++i) {
      snprintf(a, sizeof a, "%s/f%d", argv[1], i);
      snprintf(b, sizeof b, "%s/l%d", argv[1], i);
      for (int k = 0; k < 50; ++k) {
        swaps += renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) == 0;
      }
    }
  }
  printf("%ld\n", swaps);
  return 0;
}
EOF
if ! cc -O2 -o "$work/swap" "$work/swap.c"; then
  echo "SKIPPED: no C compiler for the user's swapper"
  exit 77
fi
swapper() {  # folder count
  rm -f "$work/stop"
  as_user "$work/swap" "$@" "$work/stop" >"$work/swaps" 2>&1 &
  swapper_pid=$!
  sleep 0.02
}
# Stops the swapper; fails unless it really exchanged the entries.
stop_swapper() {
  touch "$work/stop"
  wait "$swapper_pid"
  [ "$(cat "$work/swaps")" -gt 0 ] 2>/dev/null
}

home="$work/home"
mkdir "$home"
chown "$uid:$gid" "$home"

# Root's file that must never change.
victim="$work/root-owned"
printf 'root data\n' >"$victim"
chmod 0555 "$victim"

chmod_safe=0
pairs=4
for ((round = 1; round <= rounds; round++)); do
  rm -rf "${home:?}"/*
  as_user sh -c "mkdir '$home/d' && for i in \$(seq 0 $((pairs - 1))); do
    printf 'hers' >'$home/d/f'\$i && chmod 0555 '$home/d/f'\$i && ln -s '$victim' '$home/d/l'\$i; done"
  swapper "$home/d" "$pairs"
  timeout 20 "$cli" erase --yes --delay 0 --passes 1 "$home/d" >/dev/null 2>&1
  if ! stop_swapper; then
    echo "round $round: the user's swapper did not run: $(cat "$work/swaps")"
    chmod_safe=1
    break
  fi
  if [ "$(stat -c %a "$victim")" != 555 ] || [ "$(cat "$victim")" != "root data" ]; then
    echo "round $round: root's file changed to mode $(stat -c %a "$victim")"
    chmod_safe=1
    break
  fi
done
check "root's file outside the list keeps its mode and bytes over $rounds erases" test $chmod_safe -eq 0

hung=0
for ((round = 1; round <= rounds; round++)); do
  rm -rf "${home:?}"/*
  as_user sh -c "mkdir '$home/d' '$home/d/f0' && mkfifo '$home/d/l0'"
  swapper "$home/d" 1
  timeout 20 "$cli" erase --yes --delay 0 --passes 1 "$home/d/f0" >/dev/null 2>&1
  rc=$?
  stop_swapper || rc=1
  if [ $rc -eq 124 ]; then
    echo "round $round: the erase hung"
    hung=1
    break
  fi
done
check "no erase of a folder swapped for a FIFO hangs over $rounds rounds" test $hung -eq 0

# The notes of running fills: root's folder is its own alone, so she cannot
# lock it or anything in it; one she planted is refused.
mount_tmpfs 2M
mkdir "$mnt/fill"
"$cli" fill --yes "$mnt/fill" >"$work/out" 2>&1
check "root's fill runs" test $? -eq 0
check "root's state folder is root's, mode 700" test "$(stat -c '%u %a' "$TARNWELL_STATE_DIR")" = "0 700"
check "she cannot lock root's state folder" \
  test "$(as_user flock -n -E 99 "$TARNWELL_STATE_DIR" true 2>/dev/null; echo $?)" -ne 0
planted="$home/state"
as_user mkdir -m 0700 "$planted"
TARNWELL_STATE_DIR=$planted "$cli" fill --yes "$mnt/fill" >"$work/out" 2>&1
check "a state folder she planted is refused with a row" \
  grep -q "Notes of running jobs are not kept in $planted" "$work/out"
check "and root wrote nothing into it" test -z "$(ls -A "$planted")"

sticky="$work/sticky"
mkdir -m 1777 "$sticky"
printf 'root data\n' >"$sticky/shared"
chmod 0666 "$sticky/shared"
closed="$work/closed"
mkdir -m 0755 "$closed"
printf 'her data\n' >"$closed/hers"
chown "$uid:$gid" "$closed/hers"
as_user "$cli" erase --yes --delay 0 "$sticky/shared" "$closed/hers" >"$work/out" 2>&1
rc=$?
check "a user's erase of what she cannot remove fails" test $rc -eq 1
check "root's file in a sticky folder keeps its contents" test "$(cat "$sticky/shared")" = "root data"
check "a file in a folder she cannot write keeps its contents" test "$(cat "$closed/hers")" = "her data"
check "the reason names both" test "$(grep -c 'Cannot be removed from its folder' "$work/out")" -eq 2
[ $failures -eq 0 ] || cat "$work/out"

exit $((failures > 0))
