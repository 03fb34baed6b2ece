# bash completion for orvel
_orvel() {
    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
    local kinds="base64 base64url base32 base58 url json jwt unixTimestamp uuid hex gzip zlib pem queryString htmlEntities unicodeEscape plist hash xml yaml"
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W "inspect scan audit --help --version -h -V" -- "$current")
        return
    fi
    case $previous in
        -f | --file) mapfile -t COMPREPLY < <(compgen -f -- "$current"); return ;;
        --color) mapfile -t COMPREPLY < <(compgen -W "auto never always" -- "$current"); return ;;
        --fail-on) mapfile -t COMPREPLY < <(compgen -W "high medium low info" -- "$current"); return ;;
        --kind | --exclude-kind)
            local done=${current%"${current##*,}"}
            mapfile -t COMPREPLY < <(compgen -P "$done" -W "$kinds" -- "${current##*,}")
            return
            ;;
    esac
    local options
    case ${COMP_WORDS[1]} in
        inspect) options="--file -f --json --prompt --explain-status --redact --color --help" ;;
        audit) options="--file -f --scan --json --fail-on --redact --color --help" ;;
        scan) options="--json --jsonl --kind --exclude-kind --binary --color --help" ;;
    esac
    if [[ $current == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$current")
    elif [ "${COMP_WORDS[1]}" = scan ] || [ "${COMP_WORDS[1]}" = audit ]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$current")
    fi
}
complete -o filenames -F _orvel orvel
