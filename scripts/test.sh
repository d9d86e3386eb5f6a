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
  for f in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    echo "-- $(basename "$f")"
    "$f" -max_total_time=10 -rss_limit_mb=2048 -print_final_stats=0 2>&1 | tail -n 2
  done
else
  echo "== fuzz: skipped, clang++ is not installed =="
fi

echo "== release == (at ${SECONDS} s)"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
# The package test installs what make package builds from debian/.
scripts/package.sh >/dev/null
echo "-- packages built (at ${SECONDS} s)"
ctest --preset release -j "$jobs"

echo "== windows (mingw-w64, run under wine) == (at ${SECONDS} s)"
scripts/windows_suite.sh
