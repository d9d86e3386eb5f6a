#!/usr/bin/env bash
# The window as a screen reader sees it, on a virtual X screen with its own
# D-Bus session and accessibility bus: during a German erase the progress is
# a progress bar with a value, and the row of a file refused for want of
# write permission is named "Fehler: ..." and gives the reason in German.
# Argument: tarnwell-screenshot. Skipped (exit 77) with a reason where the
# accessibility stack is missing.
set -u
tool=$1
python=/usr/bin/python3
if ! command -v xvfb-run >/dev/null || ! command -v dbus-run-session >/dev/null; then
  echo "SKIPPED: xvfb-run or dbus-run-session is missing (scripts/install-deps.sh)"
  exit 77
fi
if ! "$python" -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null; then
  echo "SKIPPED: python3-gi with gir1.2-atspi-2.0 is missing (scripts/install-deps.sh)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/files/many"
head -c 3000 /dev/urandom >"$work/files/locked.txt"
# One slowed write per file and pass: the erase runs for seconds.
for i in $(seq 1 150); do head -c 20000 /dev/urandom >"$work/files/many/part$i.bin"; done
printf '[Orlenvik]\nre_write=1\ndel_delay=0\n' >"$work/settings.ini"
here=$(cd "$(dirname "$0")" && pwd)
export TARNWELL_SETTINGS="$work/settings.ini" TARNWELL_STATE_DIR="$work/state"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0
# The picture is not looked at; the window stays up while the tree is read.
timeout 150 dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$0" "$1/shot.png" 0 --mid-job --hold 30000 --deny locked.txt --erase "$1/files" &
  window=$!
  "$2" -W ignore "$3/atspi_tree.py" tarnwell-screenshot "Fehler: " \
    "locked.txt (Zugriff verweigert)" 30
  result=$?
  kill $window 2>/dev/null
  wait $window 2>/dev/null
  exit $result' "$tool" "$work" "$python" "$here"
