#!/usr/bin/env bash
# Shell helpers for forensic tests: an ext4 image on a loop device, mounted in
# a temporary folder, and a count of a marker in the raw image afterwards.
# Source this file; call loop_usable first and skip the test when it fails.
#
#   loop_usable                        -> 0 when loop mounts work here (prints why not)
#   loop_make_image IMAGE SIZE_MB      -> a fresh ext4 image file
#   loop_attach IMAGE [SECTOR_SIZE] [DIRECT]
#                                      -> prints the loop device (e.g. /dev/loop3);
#                                         DIRECT "on" makes the loop write its image with
#                                         O_DIRECT, so a flush costs what it would on a disk
#   loop_mount DEVICE DIR [OPTIONS]    -> mounts the device on DIR
#   loop_unmount DIR                   -> unmounts (after a sync)
#   loop_detach DEVICE                 -> detaches the device
#   loop_count_marker IMAGE MARKER     -> prints how often MARKER occurs in IMAGE
#   loop_count_outside_journal IMAGE MARKER
#                                      -> the same, leaving out the ext4 journal's blocks
#   loop_cleanup                       -> unmounts what this shell mounted and
#                                         detaches every device of the images it
#                                         made (safe to call from a trap)
#
# loop_attach is usually called as device=$(loop_attach ...), a subshell that
# cannot record the device here; loop_cleanup therefore finds the devices by
# their image files, which loop_make_image records.

loop_images_=()
loop_attached_=()
loop_mounted_=()

loop_usable() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "loop devices need root (running as $(id -un))"
    return 1
  fi
  local tool
  for tool in losetup mkfs.ext4 mount umount; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is not installed"
      return 1
    fi
  done
  local probe
  probe=$(mktemp) || return 1
  truncate -s 1M "$probe"
  local device
  if ! device=$(losetup --find --show "$probe" 2>/dev/null); then
    rm -f "$probe"
    echo "loop devices cannot be attached here"
    return 1
  fi
  losetup -d "$device"
  rm -f "$probe"
  return 0
}

loop_make_image() {
  local image=$1 size_mb=$2 d
  # A device still on an earlier image of this name would outlive its file.
  for d in $(losetup -n -O NAME -j "$image" 2>/dev/null); do
    umount "$d" 2>/dev/null
    losetup -d "$d" 2>/dev/null
  done
  rm -f "$image"
  loop_images_+=("$image")
  truncate -s "${size_mb}M" "$image" || return 1
  # Zero-filled (sparse) from the start, so any marker found later was written by the test.
  mkfs.ext4 -q -F -b 4096 -E lazy_itable_init=0,lazy_journal_init=0 "$image" >/dev/null
}

# An XFS image (xfsprogs; XFS takes 300 MB at least).
loop_make_xfs_image() {
  local image=$1 size_mb=$2
  rm -f "$image"
  loop_images_+=("$image")
  truncate -s "${size_mb}M" "$image" || return 1
  mkfs.xfs -q -f "$image" >/dev/null
}

loop_attach() {
  local image=$1 sector=${2:-} direct=${3:-}
  local args=(--find --show)
  [ -n "$sector" ] && args+=(--sector-size "$sector")
  [ -n "$direct" ] && args+=(--direct-io="$direct")
  local device
  device=$(losetup "${args[@]}" "$image") || return 1
  loop_attached_+=("$device")
  echo "$device"
}

loop_mount() {  # device, folder, options, type (ext4 unless given)
  local device=$1 dir=$2 options=${3:-} type=${4:-ext4}
  mkdir -p "$dir"
  if [ -n "$options" ]; then
    mount -t "$type" -o "$options" "$device" "$dir" || return 1
  else
    mount -t "$type" "$device" "$dir" || return 1
  fi
  loop_mounted_+=("$dir")
}

loop_unmount() {
  local dir=$1
  sync
  umount "$dir" || return 1
  local kept=() m
  for m in "${loop_mounted_[@]}"; do [ "$m" != "$dir" ] && kept+=("$m"); done
  loop_mounted_=("${kept[@]}")
}

loop_detach() {
  local device=$1
  losetup -d "$device" || return 1
  local kept=() d
  for d in "${loop_attached_[@]}"; do [ "$d" != "$device" ] && kept+=("$d"); done
  loop_attached_=("${kept[@]}")
}

loop_count_marker() {
  local image=$1 marker=$2
  # -a: the image is binary; -o: one line per occurrence, even several in one block.
  LC_ALL=C grep -a -o -F -- "$marker" "$image" | wc -l
}

loop_count_outside_journal() {
  local image=$1 marker=$2
  # Journal blocks as debugfs lists them; images are made with 4 KiB blocks.
  LC_ALL=C grep -a -b -o -F -- "$marker" "$image" | cut -d: -f1 |
    awk -v journal="$(debugfs -R 'blocks <8>' "$image" 2>/dev/null)" '
      BEGIN { n = split(journal, b, " "); for (i = 1; i <= n; i++) inside[b[i]] = 1 }
      { if (!(int($1 / 4096) in inside)) outside++ }
      END { print outside + 0 }'
}

# Occurrences of marker outside the internal log of the XFS image.
loop_count_outside_xfs_log() {
  local image=$1 marker=$2 field block start blocks
  field() { xfs_db -r -c 'sb 0' -c "p $1" "$image" | awk '{print $3}'; }
  block=$(field blocksize)
  blocks=$(field logblocks)
  start=$(xfs_db -r -c "convert fsb $(field logstart) byte" "$image" | awk '{print $1}')
  LC_ALL=C grep -a -b -o -F -- "$marker" "$image" | cut -d: -f1 |
    awk -v s="$start" -v e="$((start + blocks * block))" \
      '{ if ($1 < s || $1 >= e) outside++ } END { print outside + 0 }'
}

loop_cleanup() {
  local m d image
  for m in "${loop_mounted_[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null; done
  loop_mounted_=()
  for image in "${loop_images_[@]}"; do
    [ -e "$image" ] || continue
    for d in $(losetup -n -O NAME -j "$image" 2>/dev/null); do
      umount "$d" 2>/dev/null
      loop_attached_+=("$d")
    done
  done
  for d in "${loop_attached_[@]}"; do losetup -d "$d" 2>/dev/null; done
  loop_attached_=()
}
