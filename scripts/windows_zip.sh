#!/usr/bin/env bash
# The Windows download: build/windows/tarnwell-VERSION-windows-x64.zip with
# both programs stripped, a README for Windows users (the README's Windows
# part), the licence and the notices of what the programs compile in. Files
# and the programs' headers are dated to the last commit, so one build gives
# one zip. Expects the windows preset's build (make windows).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
version=$(sed -n 's/^project(tarnwell VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tarnwell-$version-windows-x64
stage=$build/$name
zip=$PWD/$build/$name.zip
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
crlf() { sed 's/\r\?$/\r/'; }  # Notepad before Windows 10 1809 needs CR LF

rm -rf "$stage" "$zip"
mkdir -p "$stage"
# strip stamps the PE header with SOURCE_DATE_EPOCH instead of the time now.
export SOURCE_DATE_EPOCH=$stamp
x86_64-w64-mingw32-strip -o "$stage/tarnwell.exe" "$build/win/tarnwell.exe"
x86_64-w64-mingw32-strip -o "$stage/tarnwell-cli.exe" "$build/cli/tarnwell-cli.exe"
{
  echo "Tarnwell $version for Windows"
  echo
  echo "tarnwell.exe is the window, tarnwell-cli.exe the command-line tool: 64-bit"
  echo "programs for Windows 7 and later, each a single file with nothing to install."
  echo
  # Between the markers: what a Windows user needs, without the build commands.
  sed -n '/<!-- windows-readme-start -->/,/<!-- windows-readme-end -->/p' README.md |
    grep -v '<!-- windows-readme' | sed 's/`//g; s/\*\*//g'
  echo
  echo "Tarnwell is free software under the GNU General Public License, version 3 or"
  echo "later (LICENSE.txt). NOTICES.txt lists the licences of the parts the programs"
  echo "compile in."
} | crlf >"$stage/README.txt"
crlf <LICENSE >"$stage/LICENSE.txt"
{
  echo "tarnwell-cli.exe compiles in CLI11; both programs compile in the mingw-w64"
  echo "runtime (C runtime and thread library). Their copyright notices and licences:"
  echo
  echo "==== CLI11"
  cat /usr/share/doc/libcli11-dev/copyright
  echo
  echo "==== mingw-w64"
  cat /usr/share/doc/mingw-w64-x86-64-dev/copyright
} | crlf >"$stage/NOTICES.txt"

touch -d "@$stamp" "$stage" "$stage"/*
(cd "$build" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -D "$zip" -@)
rm -rf "$stage"
echo "$zip"
