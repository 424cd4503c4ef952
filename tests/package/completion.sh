#!/usr/bin/env bash
# Tab in bash for glassmere-reflect, with the completion file as installed
# and the program from the build on PATH: each row is a command line, the
# words Tab must offer, and a word it must not.
#
#   completion.sh COMPLETION_FILE GLASSMERE_REFLECT_DIR
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
PATH=$2:$PATH
cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
mkdir album
touch lake.jpg LOGO.PNG notes.txt

failures=0
while IFS='|' read -r line offered refused; do
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _glassmere_reflect
    got=" ${COMPREPLY[*]} "
    for word in $offered; do
        [[ $got == *" $word "* ]] || { echo "FAIL: [$line] does not offer $word: $got"; failures=1; }
    done
    for word in $refused; do
        [[ $got != *" $word "* ]] || { echo "FAIL: [$line] offers $word: $got"; failures=1; }
    done
done <<'EOT'
glassmere-reflect --s|--side --size|--depth
glassmere-reflect -|--transparent --output --jobs --color --interval -o|lake.jpg
glassmere-reflect --side |top bottom left right|lake.jpg
glassmere-reflect --side=l|left|right
glassmere-reflect |lake.jpg LOGO.PNG album|notes.txt
glassmere-reflect lake.jpg -o |notes.txt album lake.jpg|top
glassmere-reflect --size ||lake.jpg
glassmere-reflect --strip|--strip-metadata --strip-gps|--side
EOT
exit $failures
