#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and runs the Windows suite under
# wine. A persistent wineserver and a prefix inside the build tree are set up
# first (without them every test waits seconds for the server to exit), and
# the server is stopped at the end. Where wine cannot start, says so and
# skips the suite.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
build=build/windows
export WINEPREFIX=$PWD/$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wine maps names to bytes by the locale: without a UTF-8 one a name like
# "Grüße" cannot be created at all.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
  *UTF-8* | *utf8*) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$wine64" ] || ! command -v wineserver >/dev/null; then
  echo "== windows suite: SKIPPED, wine is not installed (scripts/install-deps.sh installs it) =="
  exit 0
fi
mkdir -p "$WINEPREFIX"
# An already running server for this prefix serves as well.
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
# Output goes to a file: wine's services keep inherited pipes open.
boot_log=$build/wineboot.log
if ! timeout 300 "$wine64" wineboot --init >"$boot_log" 2>&1; then
  echo "== windows suite: SKIPPED, wine cannot start here =="
  tail -n 5 "$boot_log"
  exit 0
fi
ctest --preset windows -j "$jobs"
