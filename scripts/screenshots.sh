#!/usr/bin/env bash
# Renders the window for the docs, with a few listed items and the messages
# of a real erase job, one of whose files is refused as a file without write
# permission is: one picture per language (docs/screenshot-LANG.png), and per
# language one during an erase's countdown (docs/screenshot-LANG-countdown.png)
# and one during a fill (docs/screenshot-LANG-fill.png); the English one at
# scale 2 (docs/screenshot-en-scale2.png) and one taken while an erase runs
# (docs/screenshot-en-job.png). Uses the offscreen
# platform, so no display is needed. The settings go to a temporary file; the
# user's settings are not touched. Only docs/screenshot-en.png is kept in git.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${TARNWELL_SCREENSHOT_TOOL:-build/release/app/tarnwell-screenshot}
if [ ! -x "$tool" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target tarnwell-screenshot
fi
work=$(mktemp -d /tmp/tarnwell-demo.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p docs

make_files() {  # folder: a small tree of holiday photos and notes
  mkdir -p "$1/Holiday 2025/raw" "$1/Notes"
  head -c 2400000 /dev/urandom >"$1/Holiday 2025/beach.jpg"
  head -c 1830000 /dev/urandom >"$1/Holiday 2025/harbour.jpg"
  head -c 9100000 /dev/urandom >"$1/Holiday 2025/raw/harbour.raw"
  head -c 5200 /dev/urandom >"$1/Notes/bank letter.txt"
  head -c 48000 /dev/urandom >"$1/Notes/tax return 2024.pdf"
}

# The offscreen screen is smaller than the window at scale 2 (the pointer then
# rests on a button); a virtual X screen is used for it where there is one.
platform=offscreen
if command -v xvfb-run >/dev/null; then platform=xvfb; fi

# shot NAME LANGUAGE-INDEX [tool options...]: one picture with fresh files.
shot() {
  local name=$1 index=$2
  shift 2
  rm -rf "$work/files" && mkdir -p "$work/files/old" "$work/files/home"
  head -c 7000 /dev/urandom >"$work/files/old/contract draft.odt"
  head -c 2100 /dev/urandom >"$work/files/old/passwords.kdbx"
  head -c 3300 /dev/urandom >"$work/files/old/locked notes.txt"
  mkdir -p "$work/files/fill here"
  make_files "$work/files/home"
  printf '[Orlenvik]\nre_write=3\ndel_delay=0\n' >"$work/settings.ini"
  if [ "${QT_SCALE_FACTOR:-1}" != 1 ] && [ "$platform" = xvfb ]; then
    TARNWELL_SETTINGS="$work/settings.ini" LANG=en_US.UTF-8 \
      xvfb-run -a -s "-screen 0 2400x1800x24 -dpi 96" env QT_QPA_PLATFORM=xcb \
      "$tool" "docs/screenshot-$name.png" "$index" "$@"
  else
    TARNWELL_SETTINGS="$work/settings.ini" QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8 \
      "$tool" "docs/screenshot-$name.png" "$index" "$@"
  fi
  echo "docs/screenshot-$name.png"
}

# Menu order of the languages.
languages=(de en ru nl ro sv fr it)
for index in "${!languages[@]}"; do
  shot "${languages[$index]}" "$index" \
    --deny "locked notes.txt" --erase "$work/files/old" \
    --list "$work/files/home/Holiday 2025" "$work/files/home/Notes"
  shot "${languages[$index]}-countdown" "$index" --countdown \
    --list "$work/files/home/Holiday 2025" "$work/files/home/Notes"
  shot "${languages[$index]}-fill" "$index" --fill "$work/files/fill here"
done
QT_SCALE_FACTOR=2 shot en-scale2 1 \
  --erase "$work/files/old" \
  --list "$work/files/home/Holiday 2025" "$work/files/home/Notes"
shot en-job 1 --mid-job --erase "$work/files/home/Holiday 2025" "$work/files/home/Notes"
