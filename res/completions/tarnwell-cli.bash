# bash completion for tarnwell-cli: sub-commands, options, the values of
# --passes and --delay, and paths.
_tarnwell_cli() {
  local cur prev command word
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  command=
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    case $word in
      erase | list | fill) command=$word; break ;;
    esac
  done

  case $prev in
    -p | --passes) mapfile -t COMPREPLY < <(compgen -W "$(seq 1 10)" -- "$cur"); return ;;
    -d | --delay) mapfile -t COMPREPLY < <(compgen -W "$(seq 0 10)" -- "$cur"); return ;;
  esac

  local options
  case $command in
    erase) options="--passes --delay --verify --yes --json --help" ;;
    list) options="--json --help" ;;
    fill) options="--yes --include-reserved --json --help" ;;
    *)
      mapfile -t COMPREPLY < <(compgen -W "erase list fill --json --help --version" -- "$cur")
      return
      ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  elif [[ $command == fill ]]; then
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -o filenames -F _tarnwell_cli tarnwell-cli
