#!/usr/bin/env bash
# The Debian package as a user meets it: lintian reports no error, apt-get
# installs it with the dependencies dpkg-shlibdeps found, the installed tool
# runs, and purging it leaves none of its files behind. Needs root and a built
# package (make package); skipped otherwise. Argument: the build folder.
set -u
build=$1
. "$(dirname "$0")/../support/check.sh"
skip() { echo "skipped: $1"; exit 77; }
not() { ! "$@"; }
installed() { dpkg-query -W -f='${Status}' tarnwell 2>/dev/null | grep -q "ok installed"; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
deb=$(ls -t "$build"/tarnwell_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || skip "no package in $build (make package builds it)"
if installed; then
  skip "tarnwell is already installed here; the test leaves it alone"
fi
work=$(mktemp -d)
trap 'apt-get purge -y -qq tarnwell >/dev/null 2>&1; rm -rf "$work"' EXIT

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
  sed 's/^/lintian: /' "$work/lintian"
  check "lintian reports no error" test -z "$(grep '^E:' "$work/lintian")"
else
  echo "lintian is not installed: not checked"
fi
check "dependencies come from the binaries (Qt, libc)" \
  grep -q "libqt6widgets6.*libc6\|libc6.*libqt6widgets6" <(dpkg-deb -f "$deb" Depends)
check "python3-nautilus is only suggested" test "$(dpkg-deb -f "$deb" Suggests)" = python3-nautilus

apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@"; }
apt_get install "$(realpath "$deb")" >"$work/install" 2>&1
check "apt-get installs the package" installed
check "the installed tool runs" grep -q "Exit status" <(/usr/bin/tarnwell-cli --help)
check "the window answers --version without a display" \
  grep -qx "tarnwell [0-9.]*" <(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/tarnwell --version)
# Slim container images tell dpkg to drop manual pages.
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  echo "not checked: dpkg here leaves out manual pages"
else
  check "man finds both pages" bash -c 'man -w tarnwell tarnwell-cli >/dev/null'
fi
check "bash-completion finds the completion" test -f \
  "$(pkg-config --variable=completionsdir bash-completion 2>/dev/null ||
    echo /usr/share/bash-completion/completions)/tarnwell-cli"
check "the PNG icons are in the hicolor theme" test -f /usr/share/icons/hicolor/48x48/apps/tarnwell.png

mapfile -t owned < <(dpkg -L tarnwell)
apt_get purge tarnwell >"$work/purge" 2>&1
check "apt-get purges the package" not installed
# What is left of the package's paths must be folders other packages use.
leftover=()
while IFS= read -r path; do
  [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  leftover+=("$path")
done < <(find "${owned[@]}" -maxdepth 0 2>/dev/null)
check "nothing of it is left behind" test ${#leftover[@]} -eq 0
((${#leftover[@]})) && printf 'left behind: %s\n' "${leftover[@]}"

exit $((failures > 0))
