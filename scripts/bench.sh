#!/usr/bin/env bash
# Runs every benchmark of bench/ in turn; each prints its figures and its
# ratios against a reference run made in the same invocation. Loop-image
# benchmarks need root and say so when they cannot run.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
run() {
  echo "== bench/$1 =="
  "${@:2}" || { echo "bench/$1 failed"; status=1; }
  echo
}
run texts build/release/bench/texts
[ -x build/release/bench/window_list ] &&
  run window_list env QT_QPA_PLATFORM=offscreen build/release/bench/window_list
for script in scan erase fill; do
  [ -x "bench/$script" ] && run "$script" "bench/$script"
done
exit $status
