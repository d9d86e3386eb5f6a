#!/usr/bin/env bash
# Free-space fill against the old data of deleted files. Three marker files
# (1 MiB, and two of 3 KiB: one alone in the root folder, one in a folder that
# stays) are written, synced and deleted with rm; then twin copies of the
# image are filled by dd bs=1M to ENOSPC, by tarnwell-cli fill, and by
# tarnwell-cli fill --include-reserved, and the raw images are searched.
#
# The deleted files, and a folder deleted with rm -r, carry a name marker.
#
# Checked: with --include-reserved no marker and no name is left anywhere and
# ext4's reserved_clusters is back to its old value; the plain fill leaves no
# more of any marker or name than dd does, and no more of the free space
# unwritten; after either fill the journal holds no name; neither leaves a
# temporary file.
#
#   fill_forensic_test.sh TARNWELL_CLI [SIZE_MB:SECTOR ...]
# Exit 0 passed, 1 failed, 77 skipped (no root or no loop devices).
set -u
cli=$1
shift
configs=("$@")
[ ${#configs[@]} -eq 0 ] && configs=(256:512 1024:512 256:4096)

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
. "$here/loop_image.sh"

if ! why=$(loop_usable); then
  echo "SKIP: $why"
  exit 77
fi

work=$(mktemp -d)
trap 'loop_cleanup; rm -rf "$work"' EXIT
# Notes of running fills kept to this test: another program's start (an older
# Windows build under wine, which cannot see Linux locks) must not take this
# test's running fills for killed ones.
export TARNWELL_STATE_DIR="$work/state"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

markers=(TWMARK-BIG-1MIB TWMARK-SMALL-ROOT TWMARK-SMALL-KEPT)
# Made at run time, so no earlier image and no binary holds it.
name="TWNAME-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"

# Attaches in this shell, so loop_cleanup knows the device even after a
# failure (a command substitution would forget it).
attach() {
  device=$(loop_attach "$1" "$2") || return 1
  loop_attached_+=("$device")
}

write_marker() {
  local file=$1 marker=$2 bytes=$3
  yes "$marker" | head -c "$bytes" >"$file"
}

# What explains a failed fill: its error and warning rows, then its last lines.
fill_log_excerpt() {
  grep -E '^(error|warning): ' "$work/fill.log"
  tail -n 3 "$work/fill.log"
}

reserved_clusters_of() { cat "/sys/fs/ext4/$(basename "$1")/reserved_clusters"; }
free_bytes_of() { stat -f -c '%f %S' "$1" | awk '{ printf "%d", $1 * $2 }'; }

make_base() {
  local image=$1 size=$2 sector=$3 mnt=$work/mnt
  loop_make_image "$image" "$size" || return 1
  attach "$image" "$sector" || return 1
  loop_mount "$device" "$mnt" || return 1
  local gone="$mnt/$name-a-folder-deleted-whole"
  mkdir "$mnt/kept" "$gone"
  write_marker "$mnt/big" "${markers[0]}" 1048576
  write_marker "$mnt/small" "${markers[1]}" 3072
  write_marker "$mnt/kept/small" "${markers[2]}" 3072
  echo "other" >"$mnt/kept/other"
  echo "name" >"$mnt/$name-in-the-root-folder.txt"
  echo "name" >"$mnt/kept/$name-in-a-kept-folder.txt"
  echo "name" >"$gone/$name-in-a-deleted-folder.txt"
  sync
  rm "$mnt/big" "$mnt/small" "$mnt/kept/small" "$mnt/$name-in-the-root-folder.txt" \
    "$mnt/kept/$name-in-a-kept-folder.txt"
  rm -r "$gone"
  sync
  loop_unmount "$mnt" && loop_detach "$device"
}

# Runs one filler on image; sets unwritten to the bytes of free space it left
# unwritten.
run_filler() {
  local image=$1 sector=$2 what=$3 mnt=$work/mnt
  attach "$image" "$sector" || return 1
  loop_mount "$device" "$mnt" || return 1
  local before after
  before=$(reserved_clusters_of "$device")
  case $what in
    dd)
      sync
      local free
      free=$(free_bytes_of "$mnt")
      dd if=/dev/zero of="$mnt/ddfill" bs=1M status=none 2>/dev/null
      sync
      unwritten=$((free - $(stat -c %s "$mnt/ddfill")))
      rm "$mnt/ddfill"
      ;;
    fill | reserved)
      local args=(fill --yes) rc
      [ "$what" = reserved ] && args+=(--include-reserved)
      "$cli" "${args[@]}" "$mnt" >"$work/fill.log" 2>&1
      rc=$?
      [ $rc -eq 0 ] || fail "$what exited $rc: $(fill_log_excerpt)"
      unwritten=$(awk '/^Written [0-9]+ bytes of [0-9]+ bytes/ { print $5 - $2 }' "$work/fill.log")
      [ -n "$unwritten" ] || fail "$what printed no summary: $(fill_log_excerpt)"
      ;;
  esac
  after=$(reserved_clusters_of "$device")
  [ "$before" = "$after" ] || fail "$what: reserved_clusters $before before, $after after"
  [ -z "$(find "$mnt" -maxdepth 1 -name 'tmp_ttt_*')" ] || fail "$what: temporary files left"
  loop_unmount "$mnt" && loop_detach "$device"
}

for config in "${configs[@]}"; do
  size=${config%%:*}
  sector=${config##*:}
  label="${size} MiB, ${sector}-byte sectors"
  base=$work/base.img
  if ! make_base "$base" "$size" "$sector"; then
    fail "$label: could not prepare the image"
    loop_cleanup
    continue
  fi
  declare -A hits=() left=() outside=()
  for m in "${markers[@]}" "$name"; do
    hits[base:$m]=$(loop_count_marker "$base" "$m")
    [ "${hits[base:$m]}" -gt 0 ] || fail "$label: $m never reached the disk, the test proves nothing"
  done
  for what in dd fill reserved; do
    cp --sparse=always "$base" "$work/$what.img"
    unwritten=
    run_filler "$work/$what.img" "$sector" "$what" || fail "$label: $what could not run"
    left[$what]=${unwritten:-unknown}
    for m in "${markers[@]}" "$name"; do
      hits[$what:$m]=$(loop_count_marker "$work/$what.img" "$m")
    done
    outside[$what]=$(loop_count_outside_journal "$work/$what.img" "$name")
    rm -f "$work/$what.img"
  done
  rm -f "$base"
  echo "$label: free space left unwritten: dd ${left[dd]}, fill ${left[fill]}," \
    "fill --include-reserved ${left[reserved]} bytes"
  if [[ ${left[fill]} =~ ^[0-9]+$ && ${left[dd]} =~ ^[0-9]+$ ]]; then
    [ "${left[fill]}" -le "${left[dd]}" ] ||
      fail "$label: fill left ${left[fill]} bytes unwritten, dd only ${left[dd]}"
  fi
  for m in "${markers[@]}" "$name"; do
    echo "  $m: ${hits[base:$m]} hits deleted, dd ${hits[dd:$m]}, fill ${hits[fill:$m]}," \
      "fill --include-reserved ${hits[reserved:$m]}"
    [ "${hits[reserved:$m]}" -eq 0 ] ||
      fail "$label: fill --include-reserved left ${hits[reserved:$m]} hits of $m"
    [ "${hits[fill:$m]}" -le "${hits[dd:$m]}" ] ||
      fail "$label: fill left ${hits[fill:$m]} hits of $m, dd only ${hits[dd:$m]}"
  done
  for what in fill reserved; do
    [ "${outside[$what]}" -eq "${hits[$what:$name]}" ] ||
      fail "$label: $what left $((hits[$what:$name] - outside[$what])) names in the journal"
  done
  unset hits left outside
done

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "passed"
