#!/usr/bin/env bash
# Trees deeper than the longest path the system takes, as coreutils' rm tests
# make them: 52 levels of 200-character names, and 5,000 levels. Both are
# listed whole and erased whole. Argument: the built tool.
set -u
cli=$1
. "$(dirname "$0")/../tests/support/check.sh"
use_work_dir
export TARNWELL_STATE_DIR="$work/state"
export LC_ALL=C LANG=C

make_deep() {  # top, levels, name; a file at every tenth level and the bottom
  # Through folder descriptors: a shell's cd slows down with every level.
  python3 - "$@" <<'PY'
import os, sys
top, levels, name = sys.argv[1], int(sys.argv[2]), sys.argv[3]
os.mkdir(top)
fd = os.open(top, os.O_RDONLY | os.O_DIRECTORY)
for i in range(1, levels + 1):
    os.mkdir(name, dir_fd=fd)
    below = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = below
    if i % 10 == 0 or i == levels:
        f = os.open("file", os.O_WRONLY | os.O_CREAT, 0o600, dir_fd=fd)
        os.write(f, b"secret %d\n" % i)
        os.close(f)
PY
}

long=$(printf 'd%.0s' {1..200})
make_deep "$work/deep2" 52 "$long"
"$cli" list "$work/deep2" >"$work/out" 2>&1
# The top, 52 folders, and a file at levels 10, 20, 30, 40, 50 and 52.
check "52 levels of 200 characters are listed whole ($(grep -c $'\t' "$work/out") rows)" \
  test "$(grep -c $'\t' "$work/out")" -eq 59
"$cli" erase --yes --delay 0 "$work/deep2" >"$work/out" 2>&1
check "52 levels of 200 characters are erased (exit $?)" test ! -e "$work/deep2"

make_deep "$work/deep5000" 5000 d
"$cli" erase --yes --delay 0 "$work/deep5000" >"$work/out" 2>&1
rc=$?
check "5,000 levels are erased (exit $rc)" test ! -e "$work/deep5000"
[ $rc -eq 0 ] || tail -n 5 "$work/out"
exit $((failures > 0))
