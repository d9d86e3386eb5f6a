#!/usr/bin/env bash
# Pictures of the Windows window, tarnwell.exe under wine, in English and
# German (docs/screenshot-windows-en.png, docs/screenshot-windows-de.png):
# a few listed items and the messages of a real erase job. The window runs
# in wine's virtual desktop on a virtual X screen, so wine draws its frame
# and title bar. The window is driven by tests/windows/window_shot.exe
# (erase, drop, picture, close), which a generic picture of a program
# (scripts/wine_screenshot.sh) cannot do. Skips with a reason where wine or
# Xvfb cannot start.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
# The pictures' prefix, not the suite's: wine is ended there afterwards.
export WINEPREFIX=${WINE_SHOT_PREFIX:-$PWD/$build/wine-shots} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_CTYPE=C.UTF-8

wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$wine64" ] || ! command -v wineserver >/dev/null; then
  echo "== windows screenshots: SKIPPED, wine is not installed =="
  exit 0
fi
if ! command -v xvfb-run >/dev/null || ! xvfb-run -a true 2>/dev/null; then
  echo "== windows screenshots: SKIPPED, Xvfb cannot start here =="
  exit 0
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell window_shot

mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
work=$(mktemp -d /tmp/tarnwell-demo.XXXXXX)
timeout 300 "$wine64" wineboot --init >"$build/wineboot-shots.log" 2>&1
# Wine's own fonts (title-bar symbols, Tahoma) where it looks for them first.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
mkdir -p docs

shot() {  # shot NAME LANGUAGE-INDEX
  rm -rf "$work/files" && mkdir -p "$work/files/old" "$work/files/home/Holiday 2025/raw" \
    "$work/files/home/Notes"
  head -c 7000 /dev/urandom >"$work/files/old/contract draft.odt"
  head -c 2100 /dev/urandom >"$work/files/old/passwords.kdbx"
  head -c 2400000 /dev/urandom >"$work/files/home/Holiday 2025/beach.jpg"
  head -c 1830000 /dev/urandom >"$work/files/home/Holiday 2025/harbour.jpg"
  head -c 9100000 /dev/urandom >"$work/files/home/Holiday 2025/raw/harbour.raw"
  head -c 5200 /dev/urandom >"$work/files/home/Notes/bank letter.txt"
  xvfb-run -a -s "-screen 0 1280x1024x24" "$wine64" explorer /desktop=tarnwell,1000x700 \
    "$build/tests/windows/window_shot.exe" "Z:$PWD/$build/win/tarnwell.exe" \
    "Z:$PWD/docs/screenshot-windows-$1.png" "$2" \
    --erase "Z:$work/files/old" --list "Z:$work/files/home/Holiday 2025" "Z:$work/files/home/Notes"
  echo "docs/screenshot-windows-$1.png"
}
shot en 1
shot de 0
