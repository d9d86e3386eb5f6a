# bash completion for tarnwell-cli: sub-commands, options, the values of
# --passes and --delay, and paths. Paths are left to bash's own file
# completion, which passes names to readline whole and quotes them there:
# candidates read back from compgen's output, one per line, would split a
# name holding a newline into names that may belong to other files.
_tarnwell_cli() {
  local cur prev command word options_ended=
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  command=
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    if [[ -z $command ]]; then
      case $word in
        erase | list | fill) command=$word ;;
      esac
    elif [[ $word == -- ]]; then
      options_ended=1
    fi
  done

  COMPREPLY=()
  if [[ -z $options_ended ]]; then
    case $prev in
      -p | --passes) mapfile -t COMPREPLY < <(compgen -W "$(seq 1 10)" -- "$cur"); return ;;
      -d | --delay) mapfile -t COMPREPLY < <(compgen -W "$(seq 0 10)" -- "$cur"); return ;;
    esac
  fi

  local options
  case $command in
    erase) options="--passes --delay --verify --trash --keep-traces --yes --json --help" ;;
    list) options="--json --help" ;;
    fill) options="--yes --include-reserved --records --json --help" ;;
    *)
      mapfile -t COMPREPLY < <(compgen -W "erase list fill --json --help --version" -- "$cur")
      return
      ;;
  esac
  # Before "--" a word starting with a dash is an option, never a name.
  if [[ -z $options_ended && $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  elif [[ $command == fill ]]; then
    compopt -o dirnames
  else
    compopt -o default
  fi
}
complete -o filenames -F _tarnwell_cli tarnwell-cli
