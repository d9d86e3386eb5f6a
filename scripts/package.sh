#!/usr/bin/env bash
# make package: the Debian packages, built the way a distribution builds the
# source package (dpkg-buildpackage, debian/), from a copy of the tracked
# files, so that nothing of a local build leaks in. SOURCE_DATE_EPOCH is the
# last commit's time, so two builds of one commit are the same bytes.
# Argument: the output folder (default build/package); the .debs, the
# -dbgsym .debs and the .changes land there. The copy and its build folder
# stay in OUT/tarnwell, so that the next run rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/package}" && cd "${1:-build/package}" && pwd)
src=$out/tarnwell
obj=obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)  # debhelper's build folder in the copy
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

# The working tree's version of every tracked (or new, unignored) file, with
# its time, so that ninja sees only real changes; files gone from the tree go
# from the copy too.
want=$(mktemp)
have=$(mktemp)
trap 'rm -f "$want" "$have"' EXIT
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do
    if [ -e "$file" ] || [ -L "$file" ]; then printf '%s\0' "$file"; fi
  done | sort -z >"$want"
mkdir -p "$src"
tar --null -T "$want" -cf - | tar -xf - -C "$src"
# dh_clean drops the last run's staging in debian/ but keeps the compiled objects.
(cd "$src" && dh_clean)
(cd "$src" && find . -path "./$obj" -prune -o \( -type f -o -type l \) -printf '%P\0' |
  sort -z) >"$have"
(cd "$src" && comm -z -23 "$have" "$want" | xargs -0 -r rm -f)

# CMake takes the compiler flags from the environment only when it first
# configures: a change of debian/ or of dpkg's flags means building afresh.
flags_stamp=$(cat "$src/debian/rules" "$src/debian/control" | cat - <(dpkg-buildflags --version) |
  sha256sum | cut -d' ' -f1)
if [ "$(cat "$out/flags.stamp" 2>/dev/null)" != "$flags_stamp" ]; then
  rm -rf "${src:?}/$obj"
fi
echo "$flags_stamp" >"$out/flags.stamp"

rm -f "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
(cd "$src" && dpkg-buildpackage -us -uc -b -nc -j"${JOBS:-$(nproc)}" \
  >"$out/build.log" 2>&1) || {
  tail -n 30 "$out/build.log"
  echo "dpkg-buildpackage failed: $out/build.log" >&2
  exit 1
}
ls "$out"/*.deb
