#!/usr/bin/env bash
# Renders the window in English and German, with a few listed items and the
# messages of a real erase job, to docs/screenshot-en.png and -de.png. Uses the
# offscreen platform, so no display is needed. The settings go to a temporary
# file; the user's settings are not touched.
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

for lang in en de; do
  index=1
  [ "$lang" = de ] && index=0
  mkdir -p "$work/$lang/old" "$work/$lang/home"
  head -c 7000 /dev/urandom >"$work/$lang/old/contract draft.odt"
  head -c 2100 /dev/urandom >"$work/$lang/old/passwords.kdbx"
  make_files "$work/$lang/home"
  printf '[Orlenvik]\nre_write=3\ndel_delay=0\n' >"$work/$lang.ini"
  TARNWELL_SETTINGS="$work/$lang.ini" QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8 \
    "$tool" "docs/screenshot-$lang.png" "$index" \
    --erase "$work/$lang/old" \
    --list "$work/$lang/home/Holiday 2025" "$work/$lang/home/Notes"
  echo "docs/screenshot-$lang.png"
done
