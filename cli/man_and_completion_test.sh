#!/usr/bin/env bash
# The manual pages render and hold their sections; the shell completions load
# and complete. Arguments: the built tool, the folder of the built pages, the
# folder of the completion scripts.
set -u
cli=$1 man_dir=$2 completions=$3
. "$(dirname "$0")/../tests/support/check.sh"
not() { ! "$@"; }
export LC_ALL=C.UTF-8 MANWIDTH=80

for page in tarnwell-cli tarnwell; do
  check "man -l renders $page(1) without roff warnings" test -z \
    "$(man --warnings -l "$man_dir/$page.1.gz" 2>&1 >/dev/null)"
done
man -l "$man_dir/tarnwell-cli.1.gz" 2>/dev/null | col -b >"$man_dir/cli.txt"
for section in SYNOPSIS OPTIONS COMMANDS "EXIT STATUS" FILES ENVIRONMENT "JSON OUTPUT" \
  "WHERE OVERWRITING CANNOT REACH THE OLD DATA" "HOW THE FILL WORKS" EXAMPLES "SEE ALSO"; do
  check "tarnwell-cli(1) has $section" grep -q "^$section" "$man_dir/cli.txt"
done
check "the page names the settings, /run/tarnwell and the variables" \
  grep -q "TARNWELL_SETTINGS" "$man_dir/cli.txt"
check "the page holds --help's option texts" \
  grep -q "$("$cli" erase --help | grep -o 'Read every file back from the disk')" "$man_dir/cli.txt"
check "option values are placeholders with their range in words, not CLI11's types" \
  grep -q -- "--passes N$" "$man_dir/cli.txt"
check "... and the range is said" grep -q "settings); 1 to 10" "$man_dir/cli.txt"
man -l "$man_dir/tarnwell.1.gz" 2>/dev/null | col -b >"$man_dir/window.txt"
for section in FILES KEYS EXAMPLES "SEE ALSO"; do
  check "tarnwell(1) has $section" grep -q "^$section" "$man_dir/window.txt"
done
check "no page shows CLI11's raw value types" \
  not grep -qE "(INT|TEXT|UINT):|in \[[0-9]+ - [0-9]+\]" "$man_dir/cli.txt" "$man_dir/window.txt"

# bash: drive the completion function as bash does on Tab.
complete_bash() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tarnwell_cli
    echo "${COMPREPLY[*]}"' _ "$completions/tarnwell-cli.bash" tarnwell-cli "$@"
}
check "bash: er<Tab> is erase" test "$(complete_bash er)" = erase
check "bash: erase --pa<Tab> is --passes" test "$(complete_bash erase --pa)" = --passes
check "bash: --passes values are 1..10" test "$(complete_bash erase --passes '')" = \
  "1 2 3 4 5 6 7 8 9 10"
check "bash: --delay values are 0..10" test "$(complete_bash erase -d '')" = \
  "0 1 2 3 4 5 6 7 8 9 10"
check "bash: erase completes paths" test "$(complete_bash erase /et)" = /etc

if command -v zsh >/dev/null; then
  check "zsh: the script parses and compinit registers it" zsh -f -c '
    fpath=("$1" $fpath); autoload -Uz compinit; compinit -u -D
    (( $+_comps[tarnwell-cli] ))' _ "$completions"
else
  echo "skipped: zsh is not installed"
fi
if command -v fish >/dev/null; then
  fish_complete() {
    fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$completions/tarnwell-cli.fish" "$1" |
      cut -f1 | tr '\n' ' '
  }
  check "fish: er<Tab> is erase" test "$(fish_complete 'tarnwell-cli er')" = "erase "
  check "fish: --passes values are 1..10" test "$(fish_complete 'tarnwell-cli erase --passes ')" = \
    "1 2 3 4 5 6 7 8 9 10 "
else
  echo "skipped: fish is not installed"
fi

exit $((failures > 0))
