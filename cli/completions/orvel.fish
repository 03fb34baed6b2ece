# fish completion for orvel
set -l kinds base64 base64url base32 base58 url json jwt unixTimestamp uuid hex gzip zlib pem queryString htmlEntities unicodeEscape plist hash xml yaml
complete -c orvel -f
complete -c orvel -n __fish_use_subcommand -a inspect -d 'Decode one text layer by layer'
complete -c orvel -n __fish_use_subcommand -a scan -d 'Find every artifact in logs'
complete -c orvel -n __fish_use_subcommand -a audit -d 'Judge the risks of an artifact or a file'
complete -c orvel -n __fish_use_subcommand -s V -l version -d 'Print the version'
complete -c orvel -s h -l help -d 'Print the help'
complete -c orvel -n '__fish_seen_subcommand_from inspect scan' -l json -d 'Print the JSON export document'
complete -c orvel -n '__fish_seen_subcommand_from audit' -l json -d 'Print the audit document'
complete -c orvel -n '__fish_seen_subcommand_from inspect scan audit' -l color -x -a 'auto never always' -d 'Colour the output'
complete -c orvel -n '__fish_seen_subcommand_from inspect audit' -s f -l file -r -F -d 'Read the text from FILE'
complete -c orvel -n '__fish_seen_subcommand_from inspect audit' -l redact -d 'Print secrets as fingerprints'
complete -c orvel -n '__fish_seen_subcommand_from audit' -l scan -d 'Audit every artifact and credential in a file'
complete -c orvel -n '__fish_seen_subcommand_from audit' -l fail-on -x -a 'high medium low info' -d 'Exit 3 on a risk at or above LEVEL'
complete -c orvel -n '__fish_seen_subcommand_from inspect' -l prompt -d 'Print what a language model would be asked'
complete -c orvel -n '__fish_seen_subcommand_from inspect' -l explain-status -d 'Say whether a local model server explains chains'
complete -c orvel -n '__fish_seen_subcommand_from scan audit' -F
complete -c orvel -n '__fish_seen_subcommand_from scan' -l jsonl -d 'Print one finding record a line'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l kind -x -a "$kinds" -d 'Report only these kinds'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l exclude-kind -x -a "$kinds" -d 'Leave out these kinds'
complete -c orvel -n '__fish_seen_subcommand_from scan' -l binary -d 'Scan files that look binary too'
