#!/usr/bin/env bash
# Erases a 1 MiB + 1000 byte and a 3 KiB file full of a marker on an ext4 loop image with
# tarnwell-cli (1 pass; 3 passes with --verify), on 512-byte and on 4 KiB
# logical sectors, and looks for the marker in the raw image afterwards.
# Argument: the built tarnwell-cli. Exit 77 (skipped) where loops cannot be used.
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
source "$here/loop_image.sh"

if ! reason=$(loop_usable); then
  echo "SKIPPED: the forensic erase test needs loop devices: $reason"
  exit 77
fi

work=$(mktemp -d)
trap 'loop_cleanup; rm -rf "$work"' EXIT
export TARNWELL_SETTINGS="$work/settings.ini"
# Made at run time, so the marker is in no binary and no earlier image.
marker="MARKER-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')-TARNWELL"
failures=0

fill_with_marker() {  # file, bytes
  local line="$marker "
  local count=$(($2 / ${#line} + 1))
  yes "$marker" | head -n "$count" | head -c "$2" >"$1"
}

run_case() {  # sector size ("" for the default), passes, extra options
  local sector=$1 passes=$2 extra=${3:-}
  local name="sector ${sector:-512}, $passes pass(es) $extra"
  local image="$work/image" mnt="$work/mnt" device
  loop_make_image "$image" 64 || return 1
  device=$(loop_attach "$image" "$sector") || return 1
  loop_mount "$device" "$mnt" || return 1
  mkdir -p "$mnt/secret"
  # Not a multiple of the direct-I/O alignment: the buffered tail must reach the disk too.
  fill_with_marker "$mnt/secret/big.bin" $((1024 * 1024 + 1000))
  fill_with_marker "$mnt/secret/small.txt" 3072
  sync
  local before
  before=$(loop_count_marker "$image" "$marker")
  # shellcheck disable=SC2086
  "$cli" erase --yes --delay 0 --passes "$passes" $extra "$mnt/secret" >"$work/out" 2>&1
  local rc=$?
  local left=0
  [ -e "$mnt/secret" ] && left=1
  loop_unmount "$mnt" && loop_detach "$device"
  local after
  after=$(loop_count_marker "$image" "$marker")
  if [ "$before" -eq 0 ]; then
    echo "FAILED ($name): the marker never reached the image, the test proves nothing"
    failures=$((failures + 1))
  elif [ $rc -ne 0 ] || [ $left -ne 0 ]; then
    echo "FAILED ($name): tarnwell-cli exited $rc"; cat "$work/out"
    failures=$((failures + 1))
  elif [ "$after" -ne 0 ]; then
    echo "FAILED ($name): the marker is still $after times in the raw image (was $before)"
    failures=$((failures + 1))
  else
    echo "ok ($name): marker $before times before, 0 after"
  fi
  rm -f "$image"
}

for sector in "" 4096; do
  run_case "$sector" 1
  run_case "$sector" 3 --verify
done
exit $((failures > 0))
