#!/usr/bin/env bash
# The fill against what file systems keep inside their records. In each image
# 30 small files, each with a content marker and a name marker, are written in
# one folder, synced and deleted with rm; then the volume is filled and the raw
# image searched:
#   ntfs          NTFS (mkntfs, mounted with ntfs-3g): file data lives in MFT
#                 records. No content marker, and no name marker in a freed MFT
#                 record (names left in the folder's own index are printed).
#   ext4-inline   ext4 made with -O inline_data: no content marker.
#   ext4-xattr    ext4 whose files carry a user.xdg.origin.url attribute, filled
#                 with --records: no attribute value.
#
#   fill_records_test.sh TARNWELL_CLI [KIND ...]
# KIND "wine-ntfs" runs ntfs with a Windows build (TARNWELL_CLI runs it under
# wine), which reaches the volume as Z:\...
# Exit 0 passed, 1 failed, 77 skipped (no root, no loop devices, no ntfs-3g).
set -u
cli=$1
shift
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(ntfs ext4-inline ext4-xattr)

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
. "$here/loop_image.sh"

if ! why=$(loop_usable); then
  echo "SKIP: $why"
  exit 77
fi
for kind in "${kinds[@]}"; do
  if [[ $kind == *ntfs ]] && ! { command -v mkntfs && command -v ntfs-3g; } >/dev/null; then
    echo "SKIP: ntfs-3g is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
  if [ "$kind" = ext4-xattr ] && ! command -v setfattr >/dev/null; then
    echo "SKIP: setfattr is not installed (scripts/install-deps.sh installs attr)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'loop_cleanup; rm -rf "$work"' EXIT
export TARNWELL_STATE_DIR="$work/state"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Made at run time, so no earlier image and no binary holds them.
tag=$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')
content="TWREC$tag"
name="TWRNM$tag"

# Counts the distinct numbered markers ("<marker>07") in the image.
distinct() { LC_ALL=C grep -a -o -E "$2[0-9]{2}" "$1" | sort -u | wc -l; }
# Byte offsets of a name marker in UTF-16, as NTFS stores names.
utf16_offsets() {
  local pattern
  pattern=$(printf '%s' "$2" | sed 's/./&\\x00/g')
  LC_ALL=C grep -a -b -o -P "$pattern" "$1" | cut -d: -f1
}

make_image() {
  local kind=$1 image=$2
  truncate -s 64M "$image" || return 1
  loop_images_+=("$image")
  case $kind in
    *ntfs) mkntfs -q -F -f "$image" >/dev/null 2>&1 ;;
    ext4-inline) mkfs.ext4 -q -F -b 4096 -O inline_data "$image" >/dev/null ;;
    ext4-xattr) mkfs.ext4 -q -F -b 4096 "$image" >/dev/null ;;
  esac
}

mount_image() {
  local kind=$1 mnt=$2
  mkdir -p "$mnt"
  if [[ $kind == *ntfs ]]; then
    ntfs-3g "$device" "$mnt" || return 1
  else
    mount -t ext4 "$device" "$mnt" || return 1
  fi
  loop_mounted_+=("$mnt")
}

# The 30 small files, written, synced and deleted.
plant() {
  local kind=$1 dir=$2/small i
  mkdir "$dir"
  for i in $(seq -w 10 39); do
    if [ "$kind" = ext4-xattr ]; then
      echo x >"$dir/$name$i"
      setfattr -n user.xdg.origin.url -v "https://example.org/$content$i/download" "$dir/$name$i"
    else
      # Small enough to live inside a record: 200 bytes.
      head -c 200 < <(yes "$content$i") >"$dir/$name$i"
    fi
  done
  sync
  rm -f "$dir"/*
  sync
}

# Where the freed MFT records are: a name found inside $MFT's clusters that no
# folder's index holds. Prints each name hit as "mft" or "index" or "other".
ntfs_hit_places() {
  local image=$1 offset cluster owner
  for offset in $(utf16_offsets "$image" "$name"); do
    cluster=$((offset / 4096))
    owner=$(ntfscluster -c "$cluster" "$image" 2>/dev/null | grep -m1 '^Inode' || true)
    case $owner in
      *'$MFT/$DATA'*) echo "mft $offset" ;;
      *'$INDEX_ALLOCATION'*) echo "index $offset $owner" ;;
      *) echo "other $offset $owner" ;;
    esac
  done
}

# The folder-index record of the planted folder ("small") holds its index
# root: names found there lie in a live record, not a freed one.
ntfs_live_record_offsets() {
  local image=$1 inode mft_lcn
  inode=$(ntfsinfo -F /small "$image" 2>/dev/null | awk '/^Dumping Inode/ { print $3; exit }')
  mft_lcn=$(ntfsinfo -m "$image" 2>/dev/null | awk '/LCN of Data Attribute for FILE_MFT/ { print $NF }')
  [ -n "$inode" ] && [ -n "$mft_lcn" ] && echo $((mft_lcn * 4096 + inode * 1024))
}

# A --records fill's JSON: every line valid against the shipped schema (where
# the schema module is installed), the estimate first among the messages, and
# the summary's record count that of the records_written row.
check_json() {
  local validator=python3
  python3 -c 'import jsonschema' 2>/dev/null || validator=/usr/bin/python3
  "$validator" - "$here/../../res/tarnwell-cli-output.schema.json" "$1" <<'PY'
import json, re, sys
try:
    import jsonschema
except ImportError:
    jsonschema = None
schema = json.load(open(sys.argv[1]))
lines = [json.loads(line) for line in open(sys.argv[2])]
for line in lines:
    if jsonschema:
        jsonschema.validate(line, schema)
codes = [x["code"] for x in lines if x["type"] == "message"]
written = [x["text"] for x in lines if x.get("code") == "records_written"]
assert codes and codes[0] == "record_pass_planned", codes
assert len(written) == 1 and "attributes_may_remain" not in codes, codes
assert int(re.findall(r"\d+", written[0])[-1]) == lines[-1]["records"] > 0, lines[-1]
PY
}

run_kind() {
  local kind=$1 image=$work/$1.img mnt=$work/mnt
  make_image "$kind" "$image" || { fail "$kind: no image"; return; }
  device=$(loop_attach "$image") || { fail "$kind: no loop device"; return; }
  loop_attached_+=("$device")
  mount_image "$kind" "$mnt" || { fail "$kind: cannot mount"; return; }
  plant "$kind" "$mnt"
  [ "$(distinct "$image" "$content")" -gt 0 ] ||
    { fail "$kind: no marker reached the image, the test proves nothing"; return; }
  local target=$mnt args=(fill --yes)
  # The asked-for pass also speaks JSON: its rows' codes and the summary's count.
  [ "$kind" = ext4-xattr ] && args+=(--records --json)
  [ "$kind" = wine-ntfs ] && target="Z:${mnt//\//\\}"
  "$cli" "${args[@]}" "$target" >"$work/fill.log" 2>"$work/fill.err"
  local rc=$?
  [ $rc -eq 0 ] || fail "$kind: fill exited $rc: $(grep -h -E '^(error|warning): |"level":"error"' "$work/fill.log" "$work/fill.err" | head -5)"
  if [ "$kind" = ext4-xattr ]; then
    check_json "$work/fill.log" || fail "$kind: JSON output: $(tail -n 3 "$work/fill.log")"
    sed -n 's/.*"code":"records_written","text":"\([^"]*\)".*/\1/p' "$work/fill.log" >"$work/rows"
  else
    cp "$work/fill.log" "$work/rows"
  fi
  grep -q -E '^File records overwritten with small files: [1-9]' "$work/rows" ||
    fail "$kind: no record pass row: $(tail -n 4 "$work/fill.log")"
  [ -z "$(find "$mnt" -maxdepth 1 -name 'tmp_ttt_*')" ] || fail "$kind: temporary files left"
  loop_unmount "$mnt" && loop_detach "$device"

  local left
  left=$(distinct "$image" "$content")
  echo "$kind: $(grep -E '^File records overwritten' "$work/rows"); content markers left: $left of 30"
  [ "$left" -eq 0 ] || fail "$kind: $left of 30 content markers left after the fill"
  if [[ $kind == *ntfs ]]; then
    local live places in_freed=0 line offset
    live=$(ntfs_live_record_offsets "$image")
    places=$(ntfs_hit_places "$image")
    while read -r line; do
      [ -n "$line" ] || continue
      offset=$(echo "$line" | cut -d' ' -f2)
      if [[ $line == mft* ]] && ! { [ -n "$live" ] && [ "$offset" -ge "$live" ] &&
        [ "$offset" -lt $((live + 1024)) ]; }; then
        in_freed=$((in_freed + 1))
      fi
    done <<<"$places"
    echo "  name markers: $(echo "$places" | grep -c '^mft') in MFT records" \
      "($in_freed outside the folder's own record), $(echo "$places" | grep -c '^index')" \
      "in folder index blocks"
    [ "$in_freed" -eq 0 ] || fail "$kind: $in_freed name markers left in freed MFT records"
  fi
  rm -f "$image"
}

for kind in "${kinds[@]}"; do run_kind "$kind"; done

if [ $failures -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "passed"
