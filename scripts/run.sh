#!/usr/bin/env bash
# Starts the window from the release build, or explains why it cannot.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/release
if [ ! -x "$bin/app/tarnwell" ]; then
  echo "The window is not built yet; the command-line tool is: $bin/cli/tarnwell-cli --help"
  exec "$bin/cli/tarnwell-cli" --help
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset)."
  echo "Use the command-line tool instead: $bin/cli/tarnwell-cli --help"
  echo "or run the window under a virtual display: xvfb-run $bin/app/tarnwell"
  exit 1
fi
exec "$bin/app/tarnwell" "$@"
