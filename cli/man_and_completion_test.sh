#!/usr/bin/env bash
# The manual pages render and hold their sections; the shell completions load
# and complete. Arguments: the built tool, the folder of the built pages, the
# folder of the completion scripts.
set -u
cli=$1 man_dir=$2 completions=$(cd "$3" && pwd)
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

if command -v fish >/dev/null; then
  fish_complete() {
    fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$completions/tarnwell-cli.fish" "$1" |
      cut -f1 | tr '\n' ' '
  }
  check "fish: er<Tab> is erase" test "$(fish_complete 'tarnwell-cli er')" = "erase "
  check "fish: --passes values are 1..10" test "$(fish_complete 'tarnwell-cli erase --passes ')" = \
    "1 2 3 4 5 6 7 8 9 10 "
fi
if command -v zsh >/dev/null; then
  check "zsh: the script parses and compinit registers it" zsh -f -c '
    fpath=("$1" $fpath); autoload -Uz compinit; compinit -u -D
    (( $+_comps[tarnwell-cli] ))' _ "$completions"
fi

# Paths: each shell runs interactively on a pseudo-terminal, the cases are
# typed with Tab, then Enter, and tarnwell-cli there is a function recording
# the arguments it got. Each cN/ holds one name that a line-based candidate
# list or a shell's quoting would get wrong, so Tab has one name to complete.
names=(
  "a b" "it's" 'say "hi"' 'back\slash' '*?[x]' '$HOME' $'line\nfeed' $'tab\tx' $'cr\rx'
  '~tilde' '#hash' $'new\n-p3'
)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
rc=$tree/rc
mkdir -p "$rc/fish" "$tree/names" && cd "$tree/names" || exit 1
touch -- data $'data\ndata' -dash
mkdir f1 f2 "f1/it's a dir" $'f2/new\ndir'
S=$'\x1f'  # between the arguments of one expected call
typed=() expected=() uncompleted=()
# add_case TYPED CALL [UNCOMPLETED]: the call TYPED must give; UNCOMPLETED is
# the call when the shell completes nothing, allowed to fish alone for a name
# holding a newline or a tab (a fish candidate is a line, a tab before its
# description).
add_case() { typed+=("$1") expected+=("$2") uncompleted+=("${3-}"); }
for i in "${!names[@]}"; do
  mkdir "c$i" && touch "c$i/${names[i]}"
  add_case "tarnwell-cli erase c$i/"$'\t' "erase${S}c$i/${names[i]}" \
    "$([[ ${names[i]} == *[$'\n\t']* ]] && echo "erase${S}c$i")"
done
# Two names start with "da": Tab may add only what both share, so Z joins the word.
add_case $'tarnwell-cli erase da\tZ' "erase${S}dataZ" "erase${S}daZ"
add_case $'tarnwell-cli erase -- -\t' "erase${S}--${S}-dash"
add_case $'tarnwell-cli list c0/\t' "list${S}c0/a b"
add_case $'tarnwell-cli fill f1/\t' "fill${S}f1/it's a dir"
add_case $'tarnwell-cli fill f2/\t' "fill${S}f2/"$'new\ndir' "fill${S}f2"

cat >"$rc/bashrc" <<EOF
. "$completions/tarnwell-cli.bash"
tarnwell-cli() { printf '%s\0' "\$@" '' >>"\$RECORDED"; }
EOF
cat >"$rc/.zshrc" <<EOF
fpath=("$completions" \$fpath)
autoload -Uz compinit && compinit -u -d "$rc/zcompdump"
tarnwell-cli() { printf '%s\0' "\$@" '' >>"\$RECORDED"; }
EOF
cat >"$rc/fish/config.fish" <<EOF
source "$completions/tarnwell-cli.fish"
function tarnwell-cli; printf '%s\0' \$argv '' >>\$RECORDED; end
EOF

# drive_shell NAME ENTER COMMAND: types every case into COMMAND's shell and
# prints one line for each case whose call was not the expected one.
drive_shell() {
  local recorded=$rc/recorded.$1 keys= i arg call= got=()
  for i in "${!typed[@]}"; do keys+="${typed[i]}$2"; done
  printf '%s' "${keys}exit$2" | env TERM=xterm RECORDED="$recorded" HISTFILE=/dev/null INPUTRC=/dev/null \
    ZDOTDIR="$rc" XDG_CONFIG_HOME="$rc" XDG_DATA_HOME="$rc" \
    timeout 60 script -qec "$3" /dev/null >/dev/null 2>&1
  # A call is its arguments, each ended by NUL, then an empty one. A folder's
  # trailing slash is the shell's own choice.
  while IFS= read -r -d '' arg; do
    if [[ -z $arg ]]; then got+=("${call%"$S"}") call=; else call+="${arg%/}$S"; fi
  done <"$recorded"
  for i in "${!typed[@]}"; do
    [[ ${got[i]-} == "${expected[i]}" ]] && continue
    [[ $1 == fish && -n ${uncompleted[i]} && ${got[i]-} == "${uncompleted[i]}" ]] && continue
    printf '%s: typed %q, got %q\n' "$1" "${typed[i]}" "${got[i]-nothing}"
  done
}
check_shell() {
  local wrong
  wrong=$(drive_shell "$@")
  check "$1: Tab completes each odd name to itself, quoted, or not at all" test -z "$wrong"
  [ -z "$wrong" ] || echo "$wrong"
}

check_shell bash $'\n' "bash --noprofile --rcfile $rc/bashrc -i"
for shell in zsh fish; do
  if ! command -v $shell >/dev/null; then echo "skipped: $shell is not installed"; fi
done
command -v zsh >/dev/null && check_shell zsh $'\n' "zsh -i"
if command -v fish >/dev/null; then
  check_shell fish $'\r' "fish -i"
  # Every candidate fish lists, not only one that Tab takes, names an entry.
  wrong=$(fish --no-config -c 'source $argv[1]
    for line in $argv[2..]
      for candidate in (complete -C --escape $line | string replace -r "\t.*" "")
        set -l name (string unescape -- $candidate | string collect)
        test -e "$name"; or test -L "$name"; or echo "$line: $candidate"
      end
    end' "$completions/tarnwell-cli.fish" "tarnwell-cli erase da" "tarnwell-cli erase -- -" \
    "tarnwell-cli fill f2/" "tarnwell-cli erase c"{0..11}/)
  check "fish: every listed candidate names an existing entry" test -z "$wrong"
  [ -z "$wrong" ] || echo "$wrong"
fi

exit $((failures > 0))
