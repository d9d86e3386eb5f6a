# fish completion for tarnwell-cli: sub-commands, options, the values of
# --passes and --delay, and paths.
set -l commands erase list fill
complete -c tarnwell-cli -f -n "not __fish_seen_subcommand_from $commands" -a erase -d 'Overwrite, rename and delete files and folders'
complete -c tarnwell-cli -f -n "not __fish_seen_subcommand_from $commands" -a list -d 'Show what erase would erase'
complete -c tarnwell-cli -f -n "not __fish_seen_subcommand_from $commands" -a fill -d 'Overwrite the free space of a volume'
complete -c tarnwell-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c tarnwell-cli -s h -l help -d 'Show the help'
complete -c tarnwell-cli -l json -d 'One JSON object per line on standard output'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -F
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -s p -l passes -x -a '(seq 1 10)' -d 'Overwrite passes'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -s d -l delay -x -a '(seq 0 10)' -d 'Seconds of countdown'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase' -l verify -d 'Read every file back after the last pass'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from erase fill' -s y -l yes -d 'Do not ask for confirmation'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from list' -F
complete -c tarnwell-cli -n '__fish_seen_subcommand_from fill' -x -a '(__fish_complete_directories)'
complete -c tarnwell-cli -n '__fish_seen_subcommand_from fill' -l include-reserved -d 'Root, ext4 only: also fill the held-back clusters'
