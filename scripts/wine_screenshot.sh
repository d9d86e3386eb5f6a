#!/usr/bin/env bash
# Takes a picture of a Windows program's window under wine, inside wine's
# virtual desktop (so the window has its frame and title bar), on an Xvfb
# screen of its own. A command, or sourced for the function:
#
#   scripts/wine_screenshot.sh [--desktop] LANG WxH OUT.png PROGRAM.exe [ARGS...]
#   wine_screenshot [--desktop] LANG WxH OUT.png PROGRAM.exe [ARGS...]
#
# LANG    locale the program runs under, e.g. de_DE.UTF-8 (wine's user
#         interface language comes from it; file names stay UTF-8).
# WxH     size of the virtual desktop; the window should fit in it.
# OUT.png cropped to the program's largest window, or with --desktop the
#         whole desktop (for menus and boxes beside the window).
# ARGS    passed as they are (Linux paths reach the program as /x/y, which
#         wine maps to its Z: drive).
#
# Waits until the window is shown and its picture stops changing, takes the
# picture, then closes the program as a user would (WM_CLOSE) and waits for
# it and wine to end. Fails (status 1) when the window never shows or the
# program does not end when closed; the picture is kept in the second case.
# The wine prefix is build/windows/wine-shots (WINE_SHOT_PREFIX), made on
# first use; it is not the test suite's, so wine can be ended whole here.

wine_screenshot() (
  set -euo pipefail
  local whole_desktop=0
  if [ "${1:-}" = --desktop ]; then
    whole_desktop=1
    shift
  fi
  if [ $# -lt 4 ]; then
    echo "usage: wine_screenshot [--desktop] LANG WxH OUT.png PROGRAM.exe [ARGS...]" >&2
    return 2
  fi
  local lang=$1 size=$2 out=$3 program=$4
  shift 4
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local wine64
  wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
  if [ ! -x "$wine64" ] || ! command -v Xvfb >/dev/null || ! command -v import >/dev/null; then
    echo "wine_screenshot: needs wine64, Xvfb and import (scripts/install-deps.sh)" >&2
    return 1
  fi
  [ -f "$program" ] || { echo "wine_screenshot: no program $program" >&2; return 1; }

  export WINEPREFIX=${WINE_SHOT_PREFIX:-$root/build/windows/wine-shots}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset LC_ALL
  export LANG=$lang LC_CTYPE=C.UTF-8

  local work
  work=$(mktemp -d /tmp/wine-shot.XXXXXX)
  local xvfb="" wine_group="" wine_started=0
  # Wine ends before its screen does: the prefix is ours, so all of it.
  # shellcheck disable=SC2317  # called by the trap
  cleanup() {
    [ -z "$wine_group" ] || kill -- "-$wine_group" 2>/dev/null || true
    if [ "$wine_started" = 1 ]; then
      timeout 30 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
    fi
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
  }
  trap cleanup EXIT

  # A screen of our own: the number Xvfb picks is written to the pipe.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  local tries=0
  until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
      echo "wine_screenshot: Xvfb did not start" >&2
      cat "$work/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=:$(tr -d '\n' <"$work/display")
  export DISPLAY

  wine_started=1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 300 "$wine64" wineboot --init >"$work/wineboot.log" 2>&1 || {
      echo "wine_screenshot: wineboot failed" >&2
      tail -n 5 "$work/wineboot.log" >&2
      return 1
    }
    timeout 60 wineserver -w || true
  fi
  # Debian's wine leaves the prefix's font folder empty: without Tahoma the
  # texts are bitmap fonts and without Marlett the caption buttons are letters.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts font
  mkdir -p "$fonts"
  for font in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
  done

  # explorer reads a leading / as its own option: the program by its Z: path.
  local absolute windows_path desktop=shot$$
  absolute=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
  windows_path="Z:${absolute//\//\\}"
  setsid "$wine64" explorer "/desktop=$desktop,$size" "$windows_path" "$@" \
    >"$work/wine.log" 2>&1 &
  wine_group=$!

  # The program's windows are X windows inside the desktop's, named by its
  # file name; the largest shown one is the main window.
  local name geometry="" tree
  name=$(basename "$program")
  local deadline=$((SECONDS + 90))
  while [ -z "$geometry" ]; do
    if [ $SECONDS -gt $deadline ] || ! kill -0 "$wine_group" 2>/dev/null; then
      echo "wine_screenshot: no window of $name appeared" >&2
      tail -n 5 "$work/wine.log" >&2
      return 1
    fi
    sleep 0.5
    tree=$(xwininfo -root -tree 2>/dev/null) || continue
    geometry=$(awk -v desktop="\"$desktop - Wine desktop\"" -v name="\"$name\"" '
      index($0, desktop) { inside = 1; depth = index($0, "0x"); next }
      inside && index($0, "0x") && index($0, "0x") <= depth { inside = 0 }
      inside && index(tolower($0), tolower(name)) {
        for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+[+-][0-9-]+[+-][0-9-]+$/) g = $i
        split(g, p, /[x+]/)
        if (p[1] * p[2] > best) { best = p[1] * p[2]; found = g; id = $1 }
      }
      END { if (best > 100) print id, found }' <<<"$tree")
    if [ -n "$geometry" ] &&
      ! xwininfo -id "${geometry%% *}" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      geometry=""
    fi
  done
  local desktop_id
  desktop_id=$(awk -v desktop="\"$desktop - Wine desktop\"" 'index($0, desktop) { print $1 }' \
    <<<"$tree")

  # Shown is not yet drawn (or filled): wait until two pictures agree.
  local crop=()
  if [ $whole_desktop = 0 ]; then
    crop=(-crop "${geometry#* }" +repage)
  fi
  local previous="" current stable_deadline=$((SECONDS + 20))
  while :; do
    sleep 0.7
    import -window "$desktop_id" "${crop[@]}" "$work/shot.png"
    current=$(md5sum <"$work/shot.png")
    if [ "$current" = "$previous" ] || [ $SECONDS -gt $stable_deadline ]; then
      break
    fi
    previous=$current
  done
  mkdir -p "$(dirname "$out")"
  cp "$work/shot.png" "$out"

  # Closed from its own desktop: another desktop's windows are out of reach.
  "$wine64" explorer "/desktop=$desktop,$size" taskkill /im "$name" >/dev/null 2>&1 || true
  local ended=1
  for _ in $(seq 1 60); do
    kill -0 "$wine_group" 2>/dev/null || { ended=0; break; }
    sleep 0.25
  done
  if [ $ended != 0 ]; then
    echo "wine_screenshot: $name did not end when closed" >&2
    return 1
  fi
  wine_group=""
)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  wine_screenshot "$@"
fi
