#!/usr/bin/env bash
# tarnwell-cli and the desktop's traces, end to end in a fake home: all four
# kinds of trace for two files, one erased; --keep-traces; --trash; and, as
# root, the stores of SUDO_USER (a user made for the test) with a hostile
# link and a store she does not own. Argument: the built tool.
set -u
cli=$1
. "$(dirname "$0")/../tests/support/check.sh"
use_work_dir
export TARNWELL_STATE_DIR="$work/state"
export LC_ALL=C LANG=C
unset XDG_CACHE_HOME XDG_DATA_HOME SUDO_USER

md5() { printf '%s' "file://$1" | md5sum | cut -d' ' -f1; }
# Lays out every kind of trace of the files $2... in the home $1.
make_traces() {
  local home=$1 file
  shift
  mkdir -p "$home/.cache/thumbnails/fail/gnome-thumbnail-factory" \
    "$home/.local/share/RecentDocuments" "$home/.local/share/Trash/files" \
    "$home/.local/share/Trash/info"
  {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<xbel version="1.0">\n'
    for file; do
      printf '  <bookmark href="file://%s" added="2024-05-01T10:00:00Z">\n' "$file"
      printf '    <info><metadata owner="http://freedesktop.org"/></info>\n  </bookmark>\n'
    done
    printf '</xbel>\n'
  } >"$home/.local/share/recently-used.xbel"
  chmod 640 "$home/.local/share/recently-used.xbel"
  for file; do
    for size in normal large x-large xx-large fail/gnome-thumbnail-factory; do
      mkdir -p "$home/.cache/thumbnails/$size"
      printf 'png' >"$home/.cache/thumbnails/$size/$(md5 "$file").png"
    done
    printf '[Desktop Entry]\nType=Link\nURL[$e]=file://%s\n' "$file" \
      >"$home/.local/share/RecentDocuments/$(basename "$file").desktop"
  done
}
# Every trace of $2 in the home $1 is gone (gone) or there (kept).
traces_are() {
  local home=$1 file=$2 want=$3 size count=0
  for size in normal large x-large xx-large fail/gnome-thumbnail-factory; do
    [ -e "$home/.cache/thumbnails/$size/$(md5 "$file").png" ] && count=$((count + 1))
  done
  [ -e "$home/.local/share/RecentDocuments/$(basename "$file").desktop" ] && count=$((count + 1))
  grep -qF "file://$file\"" "$home/.local/share/recently-used.xbel" && count=$((count + 1))
  if [ "$want" = gone ]; then [ $count -eq 0 ]; else [ $count -eq 7 ]; fi
}
valid_xml() { python3 -c 'import sys, xml.etree.ElementTree as e; e.parse(sys.argv[1])' "$1"; }

home=$work/home
mkdir -p "$work/pics"
printf 'jpeg' >"$work/pics/gone.jpg"
printf 'jpeg' >"$work/pics/kept.jpg"
make_traces "$home" "$work/pics/gone.jpg" "$work/pics/kept.jpg" "$work/from/t.txt"
printf 'trashed' >"$home/.local/share/Trash/files/t.txt"
printf '[Trash Info]\nPath=%s\nDeletionDate=2024-05-01T10:00:00\n' "$work/from/t.txt" \
  >"$home/.local/share/Trash/info/t.txt.trashinfo"
xbel=$home/.local/share/recently-used.xbel

HOME=$home "$cli" --json erase --yes --delay 0 "$work/pics/gone.jpg" \
  "$home/.local/share/Trash/files/t.txt" >"$work/out" 2>"$work/err"
check "erase with traces exits 0" test $? -eq 0
check "the erased file's thumbnails, bookmark and KDE entry are gone" \
  traces_are "$home" "$work/pics/gone.jpg" gone
check "the trashed file's record and the traces of where it came from are gone" \
  test ! -e "$home/.local/share/Trash/info/t.txt.trashinfo" -a \
  ! -e "$home/.cache/thumbnails/normal/$(md5 "$work/from/t.txt").png"
check "the other file's traces stay" traces_are "$home" "$work/pics/kept.jpg" kept
check "the recent list is still valid XML" valid_xml "$xbel"
check "... and keeps its permissions" test "$(stat -c %a "$xbel")" = 640
check "--json: one trace object per erased trace" test \
  "$(grep -c '"type":"trace"' "$work/out")" -eq 15
check "--json: kinds name the stores" grep -q \
  '"type":"trace","kind":"bookmark","path":"'"$xbel"'","of":"'"$work/pics/gone.jpg"'"' "$work/out"
check "a row counts the traces" grep -q '"text":"Traces of erased items erased: 15' "$work/out"

HOME=$home "$cli" erase --yes --delay 0 --keep-traces "$work/pics/kept.jpg" >"$work/out" 2>&1
check "--keep-traces erases only the file" test ! -e "$work/pics/kept.jpg"
check "... and keeps its traces" traces_are "$home" "$work/pics/kept.jpg" kept

# A trace that cannot be erased is a failure of the erase, not a success.
printf 'jpeg' >"$work/pics/stuck.jpg"
make_traces "$home" "$work/pics/stuck.jpg"
if chattr +i "$home/.cache/thumbnails/large" 2>/dev/null; then
  HOME=$home "$cli" erase --yes --delay 0 "$work/pics/stuck.jpg" >"$work/out" 2>&1
  check "a trace left where it is makes the erase exit 1" test $? -eq 1
  chattr -i "$home/.cache/thumbnails/large"
  check "... with the trace still there" \
    test -e "$home/.cache/thumbnails/large/$(md5 "$work/pics/stuck.jpg").png"
else
  echo "skipped: a trace that cannot be erased, chattr +i needs root on a file system with flags"
fi

# --trash also lists the trashes at the top of every mount: never touch a real one.
real_trash=
while read -r _ mount _; do
  for t in "$mount/.Trash-$(id -u)" "$mount/.Trash/$(id -u)"; do
    [ -d "$t" ] && [ -n "$(ls -A "$t" 2>/dev/null)" ] && real_trash=$t
  done
done </proc/self/mounts
if [ -n "$real_trash" ]; then
  echo "skipped: erase --trash, this machine has a trash of its own at $real_trash"
else
mkdir -p "$home/.local/share/Trash/files/dir"
printf 'x' >"$home/.local/share/Trash/files/dir/inner"
printf '[Trash Info]\nPath=/x/dir\n' >"$home/.local/share/Trash/info/dir.trashinfo"
HOME=$home "$cli" erase --yes --delay 0 --trash >"$work/out" 2>&1
check "erase --trash exits 0" test $? -eq 0
check "... and empties the trash, records included" test -z \
  "$(find "$home/.local/share/Trash/files" "$home/.local/share/Trash/info" -mindepth 1)"
HOME=$home "$cli" erase --yes --delay 0 --trash >"$work/out" 2>&1
check "an empty trash is said so" grep -q 'The trash is empty' "$work/out"
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: the SUDO_USER case needs root"
  exit $((failures > 0))
fi
user=tarnwell-tr$$
uhome=$work/uhome
useradd -M -d "$uhome" -s /usr/sbin/nologin "$user" || { echo "FAILED: useradd"; exit 1; }
trap 'userdel "$user" 2>/dev/null; release_work_dir' EXIT
mkdir -p "$uhome" "$work/theirs"
printf 'jpeg' >"$work/theirs/gone.jpg"
printf 'jpeg' >"$work/theirs/kept.jpg"
make_traces "$uhome" "$work/theirs/gone.jpg" "$work/theirs/kept.jpg"
chown -R "$user:" "$uhome"
# Her x-large folder leads to root's files, and a store of hers is root's.
decoy=$work/rootdir/$(md5 "$work/theirs/gone.jpg").png
mkdir -p "$work/rootdir" && printf 'root' >"$decoy"
rm -rf "$uhome/.cache/thumbnails/x-large"
ln -s "$work/rootdir" "$uhome/.cache/thumbnails/x-large"
chown -h "$user:" "$uhome/.cache/thumbnails/x-large"
chown root: "$uhome/.local/share/RecentDocuments"
root_home=$work/roothome && mkdir -p "$root_home"

SUDO_USER=$user HOME=$root_home "$cli" erase --yes --delay 0 "$work/theirs/gone.jpg" \
  >"$work/out" 2>&1
check "sudo: erase exits 0" test $? -eq 0
check "sudo: her thumbnails and bookmark of the erased file are gone" test \
  ! -e "$uhome/.cache/thumbnails/normal/$(md5 "$work/theirs/gone.jpg").png" -a \
  ! -e "$uhome/.cache/thumbnails/fail/gnome-thumbnail-factory/$(md5 "$work/theirs/gone.jpg").png"
check "sudo: the bookmark is gone, the list still hers, 640 and valid" test \
  "$(grep -c "theirs/gone.jpg" "$uhome/.local/share/recently-used.xbel")" -eq 0 -a \
  "$(stat -c %U:%a "$uhome/.local/share/recently-used.xbel")" = "$user:640"
check "sudo: ... valid XML" valid_xml "$uhome/.local/share/recently-used.xbel"
check "sudo: the link out of her home is not followed" test -e "$decoy"
check "sudo: ... and is named" grep -q "a desktop store that is a link: $uhome/.cache/thumbnails/x-large" "$work/out"
check "sudo: the store she does not own is left alone" test \
  -e "$uhome/.local/share/RecentDocuments/gone.jpg.desktop"
check "sudo: ... and is named" grep -q "belongs to another user: $uhome/.local/share/RecentDocuments" "$work/out"
check "sudo: the other file's traces stay" test \
  -e "$uhome/.cache/thumbnails/large/$(md5 "$work/theirs/kept.jpg").png" -a \
  "$(grep -c "theirs/kept.jpg" "$uhome/.local/share/recently-used.xbel")" -eq 1

exit $((failures > 0))
