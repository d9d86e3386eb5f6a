#!/usr/bin/env bash
# The text packer refuses an English section that lacks a named text, naming
# the id, and packs the real sections. Arguments: the text_source tool, the
# folder of the text sections.
set -u
tool=$1
texts=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../../tests/support/check.sh"

grep -v '^210=' "$texts/2_english.txt" >"$work/2_english.txt"
"$tool" "$work/out" "$texts/0_about.txt" "$work/2_english.txt" 2>"$work/err"
check "an English section without a named text is refused with exit 1" test $? -eq 1
check "the refusal names the id" grep -q "kPassesLimited (210)" "$work/err"
"$tool" "$work/out" "$texts"/*.txt
check "the real sections pack" test -s "$work/out"

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
