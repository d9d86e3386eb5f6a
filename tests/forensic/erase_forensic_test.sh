#!/usr/bin/env bash
# Erases a 1 MiB + 1000 byte and a 3 KiB file full of a marker on an ext4 loop image with
# tarnwell-cli (1 pass; 3 passes with --verify), on 512-byte and on 4 KiB
# logical sectors, and looks for the marker in the raw image afterwards. The
# folder and the files carry a second marker in their names, as does a file
# erased from a folder that stays: as root no name may be left anywhere; run
# as an ordinary user the names may stay in the journal alone, with a warning.
# Then a folder of 3,000 files on an XFS image: no content may be left, and a
# warning must say that XFS keeps names where no program reaches.
# Arguments: the built tarnwell-cli, and "contents-only" for a program that
# scrubs no names (the Windows one through wine): then only the marker counts.
# Exit 77 (skipped) where loops cannot be used.
set -u
cli=$1
checks=${2:-all}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
source "$here/loop_image.sh"
. "$here/../support/check.sh"

if ! reason=$(loop_usable); then
  echo "SKIPPED: the forensic erase test needs loop devices: $reason"
  exit 77
fi

use_work_dir
# Made at run time, so the marker is in no binary and no earlier image.
marker="MARKER-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')-TARNWELL"
name="NAME-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')-TARNWELL"
# The ordinary user of the unprivileged case must reach the mount.
chmod 755 "$work"

fill_with_marker() {  # file, bytes
  local line="$marker "
  local count=$(($2 / ${#line} + 1))
  yes "$marker" | head -n "$count" | head -c "$2" >"$1"
}

run_case() {  # sector size ("" for the default), passes, user ("" for root), extra options
  local sector=$1 passes=$2 user=$3 extra=${4:-}
  local label="sector ${sector:-512}, $passes pass(es), ${user:-root} $extra"
  local image="$work/image" mnt="$work/mnt" device
  loop_make_image "$image" 64 || return 1
  device=$(loop_attach "$image" "$sector") || return 1
  loop_mount "$device" "$mnt" || return 1
  local secret="$mnt/$name-folder-with-a-long-name" kept="$mnt/kept"
  mkdir -p "$secret" "$kept"
  # Not a multiple of the direct-I/O alignment: the buffered tail must reach the disk too.
  fill_with_marker "$secret/$name-big-file.bin" $((1024 * 1024 + 1000))
  fill_with_marker "$secret/$name-small-file.txt" 3072
  fill_with_marker "$kept/$name-erased-from-a-kept-folder.txt" 3072
  echo "stays" >"$kept/other.txt"
  local run=("$cli")
  if [ -n "$user" ]; then
    chown -R "$user" "$mnt"
    run=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups "$cli")
  fi
  sync
  local before names_before
  before=$(loop_count_marker "$image" "$marker")
  names_before=$(loop_count_marker "$image" "$name")
  # shellcheck disable=SC2086
  "${run[@]}" erase --yes --delay 0 --passes "$passes" $extra "$secret" \
    "$kept/$name-erased-from-a-kept-folder.txt" >"$work/out" 2>&1
  local rc=$?
  local left=0
  [ -e "$secret" ] && left=1
  loop_unmount "$mnt" && loop_detach "$device"
  local after names names_outside
  after=$(loop_count_marker "$image" "$marker")
  names=$(loop_count_marker "$image" "$name")
  names_outside=$(loop_count_outside_journal "$image" "$name")
  if [ "$before" -eq 0 ] || [ "$names_before" -eq 0 ]; then
    echo "FAILED ($label): a marker never reached the image, the test proves nothing"
    failures=$((failures + 1))
  elif [ $rc -ne 0 ] || [ $left -ne 0 ]; then
    echo "FAILED ($label): tarnwell-cli exited $rc"; cat "$work/out"
    failures=$((failures + 1))
  elif [ "$after" -ne 0 ]; then
    echo "FAILED ($label): the marker is still $after times in the raw image (was $before)"
    failures=$((failures + 1))
  elif [ "$checks" = contents-only ]; then
    echo "ok ($label): marker $before times before, 0 after (names not checked)"
  elif [ "$names_outside" -ne 0 ] || { [ -z "$user" ] && [ "$names" -ne 0 ]; }; then
    echo "FAILED ($label): the names are still $names times in the raw image," \
      "$names_outside outside the journal (were $names_before)"
    failures=$((failures + 1))
  elif [ -n "$user" ] && ! grep -q "journal" "$work/out"; then
    echo "FAILED ($label): no warning that the names may stay in the journal"; cat "$work/out"
    failures=$((failures + 1))
  elif [ -n "$user" ]; then
    echo "ok ($label): marker $before times before, 0 after; names $names_before before," \
      "$names after, all in the journal, which an ordinary user cannot clear (warned)"
  else
    echo "ok ($label): marker $before times before, 0 after; names $names_before before, 0 after"
  fi
  rm -f "$image"
}

# A folder of 3,000 files on XFS, made in an earlier mount (so its blocks are
# written back, as a user's old folder's are): the contents must be gone. XFS
# keeps names where no program reaches (its log; folder blocks given back
# before their last change was written back, which only a freeze of the whole
# volume would force): a warning must say so, and the names left are counted.
run_xfs_case() {
  local label="xfs, 3,000 files in a folder"
  if ! command -v mkfs.xfs >/dev/null || ! command -v xfs_db >/dev/null; then
    echo "FAILED ($label): xfsprogs is not installed (scripts/install-deps.sh)"
    failures=$((failures + 1))
    return
  fi
  local image="$work/image" mnt="$work/mnt" device i
  loop_make_xfs_image "$image" 320 || return 1
  device=$(loop_attach "$image") || return 1
  loop_mount "$device" "$mnt" "" xfs || return 1
  local secret="$mnt/$name-folder"
  mkdir "$secret"
  for ((i = 0; i < 3000; i++)); do echo "$marker" >"$secret/$name-$i.txt"; done
  fill_with_marker "$secret/$name-big-file.bin" $((1024 * 1024 + 1000))
  loop_unmount "$mnt" && loop_mount "$device" "$mnt" "" xfs || return 1
  local before names_before
  before=$(loop_count_marker "$image" "$marker")
  names_before=$(loop_count_marker "$image" "$name")
  "$cli" erase --yes --delay 0 "$secret" >"$work/out" 2>&1
  local rc=$? left=0
  [ -e "$secret" ] && left=1
  loop_unmount "$mnt" && loop_detach "$device"
  local after names_outside
  after=$(loop_count_marker "$image" "$marker")
  names_outside=$(loop_count_outside_xfs_log "$image" "$name")
  if [ "$before" -eq 0 ] || [ "$names_before" -eq 0 ]; then
    echo "FAILED ($label): a marker never reached the image, the test proves nothing"
    failures=$((failures + 1))
  elif [ $rc -ne 0 ] || [ $left -ne 0 ]; then
    echo "FAILED ($label): tarnwell-cli exited $rc"; tail -n 5 "$work/out"
    failures=$((failures + 1))
  elif [ "$after" -ne 0 ]; then
    echo "FAILED ($label): the marker is still $after times in the raw image (was $before)"
    failures=$((failures + 1))
  elif ! grep -q "no program can clear them there" "$work/out"; then
    echo "FAILED ($label): no warning that the names may stay"; tail -n 5 "$work/out"
    failures=$((failures + 1))
  else
    echo "ok ($label): marker $before times before, 0 after; names $names_before before," \
      "$names_outside outside the log after (warned)"
  fi
  rm -f "$image"
}

for sector in "" 4096; do
  run_case "$sector" 1 ""
  run_case "$sector" 3 "" --verify
done
[ "$checks" = contents-only ] || run_case "" 1 nobody
[ "$checks" = contents-only ] || run_xfs_case
exit $((failures > 0))
