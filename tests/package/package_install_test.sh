#!/usr/bin/env bash
# The Debian packages as a user meets them: lintian reports no error and no
# warning, apt-get installs both with the dependencies dpkg-shlibdeps found
# (the tool without Qt), both programs run as root and write nothing beside
# themselves, and purging leaves none of their files behind. Needs root and
# built packages (make package); skipped otherwise. Argument: the packages'
# folder.
set -u
out=$1
. "$(dirname "$0")/../support/check.sh"
skip() { echo "skipped: $1"; exit 77; }
not() { ! "$@"; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
cli_deb=$(ls -t "$out"/tarnwell-cli_*.deb 2>/dev/null | head -n 1)
window_deb=$(ls -t "$out"/tarnwell_*.deb 2>/dev/null | head -n 1)
[ -n "$cli_deb" ] && [ -n "$window_deb" ] || skip "no packages in $out (make package builds them)"
if installed tarnwell || installed tarnwell-cli; then
  skip "tarnwell is already installed here; the test leaves it alone"
fi
work=$(mktemp -d)
trap 'apt-get purge -y -qq tarnwell tarnwell-cli >/dev/null 2>&1; rm -rf "$work"' EXIT

if command -v lintian >/dev/null; then
  lintian --pedantic --tag-display-limit 0 "$cli_deb" "$window_deb" "$out"/*-dbgsym_*.deb \
    >"$work/lintian" 2>&1
  sed 's/^/lintian: /' "$work/lintian"
  check "lintian reports no error and no warning" not grep -q '^[EW]:' "$work/lintian"
else
  echo "lintian is not installed: not checked"
fi
check "debug symbols come as -dbgsym packages" test "$(ls "$out"/*-dbgsym_*.deb | wc -l)" -eq 2
check "the tool needs no Qt" not grep -qi "qt" <(dpkg-deb -f "$cli_deb" Depends)
check "the window's dependencies come from its binary (Qt, libc) and name the tool" \
  grep -q "libqt6widgets6.*libc6\|libc6.*libqt6widgets6" <(dpkg-deb -f "$window_deb" Depends)
check "... the same version of the tool" grep -q "tarnwell-cli (= " <(dpkg-deb -f "$window_deb" Depends)
check "python3-nautilus is only suggested" test "$(dpkg-deb -f "$window_deb" Suggests)" = python3-nautilus

beside() { ls -A /usr/bin; }
beside >"$work/pristine"
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@"; }
apt_get install "$(realpath "$cli_deb")" "$(realpath "$window_deb")" >"$work/install" 2>&1
check "apt-get installs both packages" bash -c "$(declare -f installed); installed tarnwell-cli && installed tarnwell"

# Root may write into /usr/bin; the programs must not. Reading the settings
# creates nothing, not even in the settings folder.
beside >"$work/before"
mkdir -p "$work/home" "$work/data"
echo data >"$work/data/f"
run() { env -u TARNWELL_SETTINGS -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" "$@"; }
check "the installed tool runs" grep -q "Exit status" <(run /usr/bin/tarnwell-cli --help)
check "the tool names itself in --version" grep -qx "tarnwell-cli [0-9.]*" <(run /usr/bin/tarnwell-cli --version)
check "the tool lists" grep -q "$work/data/f" <(run /usr/bin/tarnwell-cli list "$work/data")
check "the window answers --version without a display" \
  grep -qx "tarnwell [0-9.]*" <(run /usr/bin/tarnwell --version)
run QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/tarnwell "$work/data" >/dev/null 2>&1
check "the window starts and runs until stopped" test $? -eq 124
beside >"$work/after"
check "nothing new appeared beside the programs" diff "$work/before" "$work/after"
check "nor in the settings folder" test ! -e "$work/home/.config/tarnwell"

# Slim container images tell dpkg to drop manual pages.
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  echo "not checked: dpkg here leaves out manual pages"
else
  check "man finds both pages" bash -c 'man -w tarnwell tarnwell-cli >/dev/null'
fi
check "the README is in the documentation" test -f /usr/share/doc/tarnwell-cli/README.md.gz
check "the JSON schema is where --help says" test -f /usr/share/tarnwell/tarnwell-cli-output.schema.json
check "bash-completion finds the completion" test -f \
  "$(pkg-config --variable=completionsdir bash-completion 2>/dev/null ||
    echo /usr/share/bash-completion/completions)/tarnwell-cli"
check "the PNG icons are in the hicolor theme" test -f /usr/share/icons/hicolor/48x48/apps/tarnwell.png

mapfile -t owned < <(dpkg -L tarnwell tarnwell-cli)
apt_get purge tarnwell tarnwell-cli >"$work/purge" 2>&1
check "apt-get purges both packages" not bash -c "$(declare -f installed); installed tarnwell || installed tarnwell-cli"
# What is left of the packages' paths must be folders other packages use.
leftover=()
while IFS= read -r path; do
  [ "$path" = /. ] && continue
  [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  leftover+=("$path")
done < <(find "${owned[@]}" -maxdepth 0 2>/dev/null)
check "nothing of them is left behind" test ${#leftover[@]} -eq 0
((${#leftover[@]})) && printf 'left behind: %s\n' "${leftover[@]}"
check "nor beside the programs" diff "$work/pristine" <(beside)

exit $((failures > 0))
