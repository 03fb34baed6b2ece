# fish completion for orvel
set -l kinds base64 base64url base32 base58 url json jwt unixTimestamp uuid hex gzip zlib pem queryString htmlEntities unicodeEscape plist hash xml yaml
complete -c orvel -f
complete -c orvel -n __fish_use_subcommand -a inspect -d 'Decode one text layer by layer'
complete -c orvel -n __fish_use_subcommand -a scan -d 'Find every artifact in logs'
complete -c orvel -n __fish_use_subcommand -s V -l version -d 'Print the version'
complete -c orvel -s h -l help -d 'Print the help'
complete -c orvel -n '__fish_seen_subcommand_from inspect scan' -l json -d 'Print the JSON export document'
complete -c orvel -n '__fish_seen_subcommand_from inspect scan' -l color -x -a 'auto never always' -d 'Colour the output'
complete -c orvel -n '__fish_seen_subcommand_from inspect' -s f -l file -r -F -d 'Inspect the contents of FILE'
complete -c orvel -n '__fish_seen_subcommand_from inspect' -l prompt -d 'Print what a language model would be asked'
complete -c orvel -n '__fish_seen_subcommand_from inspect' -l explain-status -d 'Say whether a local model server explains chains'
complete -c orvel -n '__fish_seen_subcommand_from scan' -F
complete -c orvel -n '__fish_seen_subcommand_from scan' -l jsonl -d 'Print one finding record a line'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l kind -x -a "$kinds" -d 'Report only these kinds'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l exclude-kind -x -a "$kinds" -d 'Leave out these kinds'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l binary -d 'Scan files that look binary too'
