#!/usr/bin/env bash
# An erase of 2,000 small files in four folders on an ext4 loop image, killed with SIGKILL (as
# a power cut would end it) at several points; then `tarnwell-cli list` on the
# folder, whose start finishes what the killed erase left. Afterwards no file
# may have a random name, every original must be untouched or named in a
# warning, and the raw image must hold none of the names of the files that
# are gone. Argument: the built tarnwell-cli. Exit 77 (skipped) without loops.
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=loop_image.sh
source "$here/loop_image.sh"
. "$here/../support/check.sh"

if ! reason=$(loop_usable); then
  echo "SKIPPED: the erase kill test needs loop devices: $reason"
  exit 77
fi

use_work_dir
export TARNWELL_STATE_DIR="$work/state"
export LC_ALL=C LANG=C
files=2000
name="KILL-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
content=$(printf 'secret %.0s' {1..1170} | head -c 8192)

folders=4  # a batch spans them all
file_path() { echo "$tree/sub$(($1 % folders))/$name-$1"; }

make_tree() {
  local i
  for ((i = 0; i < folders; i++)); do mkdir -p "$tree/sub$i"; done
  for ((i = 0; i < files; i++)); do printf '%s' "$content" >"$(file_path "$i")"; done
  sync
}

kill_case() {  # milliseconds before the kill
  local after=$1
  local image="$work/image" mnt="$work/mnt" device
  loop_make_image "$image" 256 || return 1
  device=$(loop_attach "$image") || return 1
  loop_mount "$device" "$mnt" || return 1
  tree="$mnt/tree"
  make_tree
  "$cli" erase --yes --delay 0 "$tree" >"$work/erase.out" 2>&1 &
  local pid=$!
  sleep "$(awk -v ms="$after" 'BEGIN {print ms / 1000}')"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  "$cli" list "$tree" >"$work/list.out" 2>&1

  local random=0 changed=0 unreported=0 entry base
  if [ -d "$tree" ]; then
    while IFS= read -r entry; do
      base=${entry##*/}
      if [ -d "$entry" ] && [[ $base =~ ^sub[0-9]+$ ]]; then
        continue
      elif [[ ! $base =~ ^$name-[0-9]+$ ]]; then
        random=$((random + 1))
        echo "left under another name: $base"
      elif [ "$(cat "$entry")" != "$content" ]; then
        changed=$((changed + 1))
        grep -qF -- "$entry was only partly overwritten" "$work/list.out" ||
          unreported=$((unreported + 1))
      fi
    done < <(find "$tree" -mindepth 1)
  fi
  # The names of the files that are gone.
  local gone="$work/gone" i
  : >"$gone"
  for ((i = 0; i < files; i++)); do
    [ -e "$(file_path "$i")" ] || echo "$name-$i" >>"$gone"
  done
  loop_unmount "$mnt" && loop_detach "$device"
  local readable=0 at found
  local -A whole=()
  if [ -s "$gone" ]; then
    # A name is a prefix of longer ones ("-1" of "-10"), and a stale copy of a
    # kept file's entry may be cut short by a newer one: a name counts only
    # where its entry's length byte (two bytes before it) says it is whole.
    while IFS=: read -r at found; do
      [ "$(od -An -tu1 -j $((at - 2)) -N1 "$image" | tr -d ' ')" = "${#found}" ] &&
        whole[$found]=1
    done < <(LC_ALL=C grep -a -b -o -E -- "$name-[0-9]+" "$image" |
      awk -F: 'NR == FNR {gone[$0]; next} ($2 in gone)' "$gone" -)
    readable=${#whole[@]}
  fi
  local label="killed after $after ms: $(wc -l <"$gone") gone"
  check "$label, no random name left ($random)" test "$random" -eq 0
  check "$label, every changed original named ($changed changed, $unreported not named)" \
    test "$unreported" -eq 0
  check "$label, no name of a gone file in the raw image ($readable)" test "$readable" -eq 0
  rm -f "$image"
}

# From the first batch to the folder's own removal (the whole erase takes
# about a fifth of a second on an idle machine).
for after in 25 50 100 150 250; do kill_case "$after"; done
exit $((failures > 0))
