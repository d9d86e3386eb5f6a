#!/usr/bin/env bash
# Free-space fill against the old data of deleted files: three marker files
# are deleted with rm, then the free space is filled. Twin images compare the
# fill with dd bs=1M to ENOSPC (the fill may leave no more marker hits than
# dd), and with --include-reserved no marker may be left at all and ext4's
# reserved_clusters must be back to its old value.
#
#   fill_forensic.sh TARNWELL_CLI [SIZE_MB:SECTOR ...]
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
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

markers=(TWMARK-BIG-1MIB TWMARK-SMALL-ROOT TWMARK-SMALL-KEPT)

# Writes n bytes of a marker repeated into a file.
write_marker() {
  local file=$1 marker=$2 bytes=$3
  yes "$marker" | head -c "$bytes" >"$file"
}

reserved_clusters_of() {
  local device=$1
  cat "/sys/fs/ext4/$(basename "$device")/reserved_clusters"
}

# The image with the three markers written, synced and deleted with rm.
make_base() {
  local image=$1 size=$2 sector=$3 mnt=$work/mnt
  loop_make_image "$image" "$size" || return 1
  local device
  device=$(loop_attach "$image" "$sector") || return 1
  loop_mount "$device" "$mnt" || return 1
  mkdir "$mnt/kept"
  write_marker "$mnt/big" "${markers[0]}" 1048576
  write_marker "$mnt/small" "${markers[1]}" 3072
  write_marker "$mnt/kept/small" "${markers[2]}" 3072
  echo "other" >"$mnt/kept/other"
  sync
  rm "$mnt/big" "$mnt/small" "$mnt/kept/small"
  sync
  loop_unmount "$mnt" && loop_detach "$device"
}

# Runs one filler (a command with MNT in place of the mount point) on image.
run_filler() {
  local image=$1 sector=$2 what=$3 mnt=$work/mnt device
  device=$(loop_attach "$image" "$sector") || return 1
  loop_mount "$device" "$mnt" || return 1
  local before after
  before=$(reserved_clusters_of "$device")
  case $what in
    dd) dd if=/dev/zero of="$mnt/ddfill" bs=1M status=none 2>/dev/null
        sync
        rm "$mnt/ddfill" ;;
    fill) "$cli" fill --yes "$mnt" >"$work/fill.log" 2>&1 || fail "fill exited $? ($(tail -n 3 "$work/fill.log"))" ;;
    reserved) "$cli" fill --yes --include-reserved "$mnt" >"$work/fill.log" 2>&1 ||
        fail "fill --include-reserved exited $? ($(tail -n 3 "$work/fill.log"))" ;;
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
  declare -A hits=()
  for m in "${markers[@]}"; do
    hits[base:$m]=$(loop_count_marker "$base" "$m")
  done
  for what in dd fill reserved; do
    cp --sparse=always "$base" "$work/$what.img"
    run_filler "$work/$what.img" "$sector" "$what" || fail "$label: $what could not run"
    for m in "${markers[@]}"; do
      hits[$what:$m]=$(loop_count_marker "$work/$what.img" "$m")
    done
    rm -f "$work/$what.img"
  done
  rm -f "$base"
  line="$label:"
  for m in "${markers[@]}"; do
    line+=" $m deleted ${hits[base:$m]} / dd ${hits[dd:$m]} / fill ${hits[fill:$m]} / reserved ${hits[reserved:$m]};"
    [ "${hits[base:$m]}" -gt 0 ] || fail "$label: $m never reached the disk, the test proves nothing"
    [ "${hits[fill:$m]}" -le "${hits[dd:$m]}" ] ||
      fail "$label: fill left ${hits[fill:$m]} hits of $m, dd only ${hits[dd:$m]}"
    [ "${hits[reserved:$m]}" -eq 0 ] ||
      fail "$label: fill --include-reserved left ${hits[reserved:$m]} hits of $m"
  done
  echo "$line"
  unset hits
done

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "passed"
