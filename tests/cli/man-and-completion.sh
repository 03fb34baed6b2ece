#!/usr/bin/env bash
# The manual page renders without a warning; bash and fish complete commands, options and kinds,
# and zsh reads its completion.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/cli/orvel.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "orvel.1: $warnings" >&2; exit 1; }
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/cli/orvel.1" | grep -q 'orvel scan \[OPTIONS\] \[FILE...\]'

[ -r /usr/share/bash-completion/bash_completion ] && source /usr/share/bash-completion/bash_completion
source "$root/cli/completions/orvel.bash"
completes() { # completes EXPECTED WORD…: completing the last word gives EXPECTED
  local expected=$1
  shift
  COMP_WORDS=(orvel "$@") COMP_CWORD=$# COMPREPLY=()
  _orvel
  [ "${COMPREPLY[*]}" = "$expected" ] || { echo "orvel $*: '${COMPREPLY[*]}', not '$expected'" >&2; exit 1; }
}
completes scan sc
completes "--jsonl" scan --jsonl
completes "--kind" scan --ki
completes "jwt,pem" scan --kind jwt,pe
completes "never" inspect --color ne
completes "medium" audit --fail-on me

# zsh's completion parses; fish's completes a command and a kind.
zsh -n "$root/cli/completions/_orvel"
fish_completes() { # fish_completes EXPECTED LINE
  local got
  got=$(fish -c "source '$root/cli/completions/orvel.fish'; complete -C '$2'" | cut -f1 | tr '\n' ' ')
  [ "$got" = "$1 " ] || { echo "fish, $2: '$got', not '$1 '" >&2; exit 1; }
}
fish_completes scan "orvel sc"
fish_completes "--exclude-kind" "orvel scan --ex"
echo "orvel.1 renders; bash and fish complete commands, options and kinds; zsh reads its completion"
