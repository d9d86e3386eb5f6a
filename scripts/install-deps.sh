#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need.
# Quiet and quick when everything is already there.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-svg-dev
  clang libclang-rt-14-dev
  xvfb xauth e2fsprogs btrfs-progs xfsprogs util-linux locales secure-delete time
  # the record-pass forensic tests: NTFS images and extended attributes
  ntfs-3g attr
  # Qt's own texts in the window's language; the screen-reader test (AT-SPI)
  qt6-translations-l10n at-spi2-core dbus python3-gi gir1.2-atspi-2.0
  dpkg-dev lintian appstream desktop-file-utils man-db python3 python3-jsonschema
  # make package (the source package in debian/), hardening-check, the Windows zip
  debhelper devscripts zip binutils-mingw-w64-x86-64
  bash-completion zsh fish
  # the Windows build (mingw-w64, posix threads for std::thread) and wine to test it
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine fonts-wine googletest
  # the Windows programs' icon (rendered, packed, read back) and pictures of their windows
  librsvg2-bin icoutils imagemagick x11-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The Windows suite checks German number formats under wine, which takes
# them from the Linux locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
