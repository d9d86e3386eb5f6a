#!/usr/bin/env bash
# The manifest promises Windows 7 to 11: the window must import no call
# that older systems' DLLs lack, or it does not start there at all.
# Arguments: objdump for the target, the exe.
set -u
objdump=$1
exe=$2
. "$(dirname "$0")/../support/check.sh"
not() { ! "$@"; }
imports=$("$objdump" -p "$exe")
check "the import table is read" grep -q "CreateWindowExW" <<<"$imports"
for call in GetDpiForWindow GetSystemMetricsForDpi AdjustWindowRectExForDpi GetDpiForSystem \
  SystemParametersInfoForDpi EnableNonClientDpiScaling SetThreadDpiAwarenessContext; do
  check "$call is loaded at run time, not imported" not grep -qw "$call" <<<"$imports"
done
exit $((failures > 0))
