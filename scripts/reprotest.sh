#!/usr/bin/env bash
# make reprotest: the packages of the last commit built twice, from two clean
# clones in folders of different names and depths, with another time zone,
# locale, umask and number of jobs, must be the same bytes. Where they differ,
# the differing files inside are named.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
first=$work/a/out
second=$work/b/other/place/out

build() {  # clone folder, output folder, then VAR=value settings for the build
  local src=$1 out=$2
  shift 2
  git clone -q --no-hardlinks "$PWD" "$src"
  echo "== building in $out"
  (cd "$src" && env "$@" scripts/package.sh "$out" >/dev/null)
}
build "$work/a/tarnwell" "$first" TZ=UTC LANG=C.UTF-8 JOBS=2
(umask 002 && build "$work/b/src" "$second" TZ=Pacific/Kiritimati LANG=de_DE.UTF-8 \
  LC_ALL=de_DE.UTF-8 JOBS=1)

same=0
differ=0
for deb in "$first"/*.deb; do
  name=$(basename "$deb")
  if cmp -s "$deb" "$second/$name"; then
    same=$((same + 1))
    continue
  fi
  differ=$((differ + 1))
  echo "DIFFERS: $name"
  dpkg-deb -R "$deb" "$work/x1/$name"
  dpkg-deb -R "$second/$name" "$work/x2/$name" 2>/dev/null || echo "  missing in the second build"
  diff -r -q "$work/x1/$name" "$work/x2/$name" | sed 's/^/  /' || true
done
echo "reprotest: $same identical, $differ different"
[ "$same" -gt 0 ] && [ "$differ" -eq 0 ]
