# Sourced by the shell tests: check DESCRIPTION COMMAND... runs the command,
# prints ok/FAILED, and counts failures in $failures.
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
