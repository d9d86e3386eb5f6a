#!/usr/bin/env bash
# tarnwell.exe under wine on a virtual X screen, driven by window_smoke.exe.
# Arguments: wine, the driver, tarnwell.exe. Skipped (exit 77) with a reason
# where no virtual X screen can start.
set -u
wine=$1 driver=$2 window=$3
if ! command -v xvfb-run >/dev/null; then
  echo "SKIPPED: xvfb-run is missing (scripts/install-deps.sh installs xvfb)"
  exit 77
fi
# The search for a free display starts at a number spread by the process id,
# so screens started beside this one (other tests) seldom race for it.
screen=(-a -n $((200 + $$ % 500)))
if ! xvfb-run "${screen[@]}" true 2>/dev/null; then
  echo "SKIPPED: Xvfb cannot start here"
  exit 77
fi
# Wine reaches non-ASCII names on its Z: drive only with a UTF-8 LC_CTYPE.
export LC_CTYPE=C.UTF-8 WINEDEBUG=-all
# A virtual desktop of its own: the prefix's default desktop may have been
# started without a display (wineboot), and its windows never show. Its
# explorer does not pass the exit code on, so the driver's last line counts.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
timeout 240 xvfb-run "${screen[@]}" -s "-screen 0 1280x1024x24" \
  "$wine" explorer /desktop=smoke,1024x768 "$driver" "Z:$window" >"$out" 2>&1
cat "$out"
grep -qx "window smoke: 0 failed" <(tr -d '\r' <"$out")
