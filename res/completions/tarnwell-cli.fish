# fish completion for tarnwell-cli: sub-commands, options, the values of
# --passes and --delay, and paths. Paths come from fish's own file completion;
# before "--" a word starting with a dash is an option, so no name is offered
# there.
set -l commands erase list fill

# The names fish's own file completion offers for the current word, only the
# folders with "folders". Candidates pass through lines, a tab before any
# description, so a name holding a newline or a tab cannot be offered whole
# (-F itself cuts such a name at its tab and offers another file); then
# nothing is offered, since a list without it could make another name the
# only match.
function __tarnwell_cli_paths
    set -l escaped (complete -C --escape "__tarnwell_cli_no_such_command "(commandline -ct))
    if test "$argv[1]" = folders
        set escaped (string match -- '*/' $escaped)
    end
    set -l names
    for path in $escaped
        set -l name (string unescape -- $path)
        if set -q name[2]; or string match -q -r -- '\t' $path
            return
        end
        set -a names $name
    end
    set -q names[1]; and printf '%s\n' $names
end

# Whether the current word is a path of one of the given sub-commands.
function __tarnwell_cli_path_of
    __fish_seen_subcommand_from $argv; or return 1
    contains -- -- (commandline -opc); or not string match -q -- '-*' (commandline -ct)
end

complete -c tarnwell-cli -f
complete -c tarnwell-cli -n "not __fish_seen_subcommand_from $commands" -a erase -d 'Overwrite, rename and delete files and folders'
complete -c tarnwell-cli -n "not __fish_seen_subcommand_from $commands" -a list -d 'Show what erase would erase'
complete -c tarnwell-cli -n "not __fish_seen_subcommand_from $commands" -a fill -d 'Overwrite the free space of a volume'
complete -c tarnwell-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c tarnwell-cli -s h -l help -d 'Show the help'
complete -c tarnwell-cli -l json -d 'One JSON object per line on standard output'
complete -c tarnwell-cli -n '__tarnwell_cli_path_of erase list' -a '(__tarnwell_cli_paths)'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -s p -l passes -x -a '(seq 1 10)' -d 'Overwrite passes'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -s d -l delay -x -a '(seq 0 10)' -d 'Seconds of countdown'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -l verify -d 'Read every file back after the last pass'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -l trash -d 'Also list everything in your trashes'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -l keep-traces -d 'Keep thumbnails, recent-file entries and trash records'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase fill' -s y -l yes -d 'Do not ask for confirmation'
complete -c tarnwell-cli -n '__tarnwell_cli_path_of fill' -a '(__tarnwell_cli_paths folders)'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from fill' -l include-reserved -d 'Root, ext4 only: also fill the held-back clusters'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from fill' -l records -d 'Also overwrite every free file record (inode)'
