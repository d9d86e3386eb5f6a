#!/usr/bin/env bash
# tarnwell-cli erase on volumes with their own traps (root, loop images):
#   1. a 1 GiB sparse file with a marker in its first and last block on a
#      64 MiB ext4 volume: only the data is overwritten, the marker is gone,
#      the volume is not filled, the length stays until the delete;
#   2. a file on btrfs: the copy-on-write warning names btrfs (the files of a
#      btrfs volume carry a device number no mount lists).
# Argument: the built tarnwell-cli. Exit 77 (skipped) where loops cannot be used.
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
source "$here/loop_image.sh"
. "$here/../support/check.sh"

if ! reason=$(loop_usable); then
  echo "SKIPPED: the volume erase test needs loop devices: $reason"
  exit 77
fi

use_work_dir
marker="MARKER-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')-TARNWELL"
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# 1. Sparse file larger than its volume.
image="$work/ext4.img" mnt="$work/ext4"
loop_make_image "$image" 64 || exit 1
device=$(loop_attach "$image") || exit 1
loop_mount "$device" "$mnt" || exit 1
truncate -s 1G "$mnt/sparse"
printf '%s' "$marker" | dd of="$mnt/sparse" conv=notrunc status=none
printf '%s' "$marker" | dd of="$mnt/sparse" bs=1 seek=$((1024 * 1024 * 1024 - 4096)) \
  conv=notrunc status=none
sync
before=$(loop_count_marker "$image" "$marker")
"$cli" erase --yes --delay 0 --passes 1 "$mnt/sparse" >"$work/out" 2>&1
rc=$?
used=$(df --output=pcent "$mnt" | tail -n 1 | tr -d ' %')
loop_unmount "$mnt" && loop_detach "$device"
after=$(loop_count_marker "$image" "$marker")
if [ "$before" -lt 2 ]; then
  fail "sparse: the marker never reached the image ($before), the test proves nothing"
elif [ $rc -ne 0 ]; then
  fail "sparse: tarnwell-cli exited $rc"; cat "$work/out"
elif [ "$after" -ne 0 ]; then
  fail "sparse: the marker is still $after times in the image"
elif [ "$used" -ge 90 ]; then
  fail "sparse: the volume was left ${used}% full"
elif ! grep -q "100.0 % // Error: 0" "$work/out"; then
  fail "sparse: the summary is not 100.0 % without errors"; cat "$work/out"
else
  echo "ok (sparse 1 GiB on 64 MiB): marker $before times before, 0 after, volume ${used}% used"
fi

# 2. btrfs: the warning before the countdown.
if command -v mkfs.btrfs >/dev/null; then
  image="$work/btrfs.img" mnt="$work/btrfs"
  loop_images_+=("$image")
  truncate -s 128M "$image"
  if mkfs.btrfs -q -f "$image" >/dev/null 2>&1 && device=$(loop_attach "$image") &&
    mkdir -p "$mnt" && mount -t btrfs "$device" "$mnt"; then
    loop_mounted_+=("$mnt")
    printf 'data' >"$mnt/file"
    "$cli" erase --yes --delay 0 "$mnt/file" >"$work/out" 2>&1
    if grep -q "file system btrfs" "$work/out"; then
      echo "ok (btrfs): the copy-on-write warning names btrfs"
    else
      fail "btrfs: no copy-on-write warning"; cat "$work/out"
    fi
    loop_unmount "$mnt"
  else
    echo "SKIPPED (btrfs): cannot make or mount a btrfs image here"
  fi
else
  echo "SKIPPED (btrfs): mkfs.btrfs is not installed (scripts/install-deps.sh)"
fi
exit $((failures > 0))
