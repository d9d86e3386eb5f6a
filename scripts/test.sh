#!/usr/bin/env bash
# Builds and runs every test: the sanitizer suites first, then the fuzzers for a
# short while, then the release suite, then the Windows build's suite under
# wine, whose CTest summary is the last line.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# The root tests call mkfs, losetup and useradd, also where PATH leaves out sbin.
case ":$PATH:" in *:/usr/sbin:*) ;; *) export PATH=$PATH:/usr/sbin:/sbin ;; esac

echo "== asan + ubsan == (at ${SECONDS} s)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --preset asan -j "$jobs" -LE 'forensic|bench'

echo "== tsan == (at ${SECONDS} s)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target tsan_tests
TSAN_OPTIONS=halt_on_error=1 ctest --preset tsan -j "$jobs" -L tsan --no-tests=ignore

if command -v clang++ >/dev/null; then
  echo "== fuzz == (at ${SECONDS} s)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs" --target fuzz_all
  # Each fuzzer uses one core: they run side by side, each printing its lines at
  # once when done; a crash fails the step.
  find build/fuzz/tests/fuzz -maxdepth 1 -name 'fuzz_*' -type f -executable -print0 | sort -z |
    xargs -0 -r -n 1 -P "$jobs" bash -c 'set -o pipefail
      out=$("$1" -max_total_time=10 -rss_limit_mb=2048 -print_final_stats=0 2>&1 | tail -n 2)
      rc=$?; printf -- "-- %s\n%s\n" "$(basename "$1")" "$out"; exit $rc' fuzz
else
  echo "== fuzz: skipped, clang++ is not installed =="
fi

echo "== release == (at ${SECONDS} s)"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
# The release suite mostly waits on loop volumes and syncs: the packages (for
# the package test) and the Windows build compile beside it meanwhile.
side_log=build/side-builds.log
(
  scripts/package.sh >/dev/null
  echo "-- packages built (at ${SECONDS} s)"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  echo "-- windows built (at ${SECONDS} s)"
) >"$side_log" 2>&1 &
side=$!
release=0
ctest --preset release -j "$jobs" -LE package || release=$?
# Waited for also when the suite failed: nothing is left running.
if ! wait "$side"; then
  tail -n 40 "$side_log"
  echo "the package or Windows build failed: $side_log" >&2
  exit 1
fi
grep -E '^-- (packages|windows) built' "$side_log"
[ "$release" -eq 0 ] || exit "$release"
ctest --preset release -L package

echo "== windows (mingw-w64, run under wine) == (at ${SECONDS} s)"
scripts/windows_suite.sh
