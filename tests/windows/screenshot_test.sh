#!/usr/bin/env bash
# scripts/wine_screenshot.sh on the probe window: the picture is the window
# with its frame (the size the probe asks for, title bar included, whose
# caption colour differs from the window face), and the probe ended when
# closed. Skipped where wine or Xvfb cannot run.
#   screenshot_test.sh SHOT_PROBE.exe WINE_SHOT_PREFIX
set -euo pipefail
probe=$1
export WINE_SHOT_PREFIX=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
if ! { command -v wine64 || [ -x /usr/lib/wine/wine64 ]; } >/dev/null ||
  ! command -v Xvfb >/dev/null || ! command -v identify >/dev/null; then
  echo "SKIPPED: needs wine64, Xvfb and ImageMagick (scripts/install-deps.sh)"
  exit 77
fi
work=$(mktemp -d /tmp/screenshot-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$root/scripts/wine_screenshot.sh" de_DE.UTF-8 640x300 "$work/probe.png" "$probe" one
read -r size caption face < <(identify -format '%wx%h %[pixel:p{200,10}] %[pixel:p{200,100}]\n' \
  "$work/probe.png")
echo "picture $size, caption $caption, face $face"
[ "$size" = 420x180 ] || { echo "FAIL: expected the 420x180 window"; exit 1; }
[ "$caption" != "$face" ] || { echo "FAIL: no title bar at the top"; exit 1; }
echo "PASS"
