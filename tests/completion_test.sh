#!/usr/bin/env bash
# The bash completion of tessaly-cli offers the commands, each command's options (every one its usage
# names), the values of --format and --side, and paths: tests/completion_test.sh COMPLETION-FILE TESSALY-CLI
source /usr/share/bash-completion/bash_completion || exit 1
source "$1" || exit 1
cli=$(realpath "$2") && [ -x "$cli" ] || { echo "no tessaly-cli at $2"; exit 1; }
cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
touch scene.jps scene.png
mkdir photos

# complete LINE: COMPREPLY as bash would fill it with the cursor at the end of LINE.
complete()
{
    COMP_LINE=$1 COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"${1//=/ = }" # bash breaks words at "=" as well
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tessaly_cli tessaly-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

failed=0
# check LINE EXPECTED: the completions of LINE, sorted, on one line.
check()
{
    complete "$1"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
    if [[ $got != "$2" ]]; then
        echo "\"$1\": got \"$got\", expected \"$2\""
        failed=1
    fi
}

check 'tessaly-cli s' 'smooth split'
check 'tessaly-cli depth --max-p' '--max-parallax-x --max-parallax-y'
check 'tessaly-cli outline --' '--format --help --json --keep-orientation --left --level --output-dir --right --threads'
check 'tessaly-cli depth --format ' 'bmp png tif'
check 'tessaly-cli batch --format=t' 'tif'
check 'tessaly-cli smooth --side r' 'right'
check 'tessaly-cli split sc' 'scene.jps scene.png'
check 'tessaly-cli depth --left scene.jps --output-dir ' 'photos'
check 'tessaly-cli batch ' 'photos'
check 'tessaly-cli depth --fragment ' ''

# Every option a command's usage names is offered: one missing was added to the tool since.
for command in depth outline smooth split batch; do
    complete "tessaly-cli $command --"
    offered=" ${COMPREPLY[*]} "
    for option in $("$cli" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        if [[ $offered != *" $option "* ]]; then
            echo "tessaly-cli $command: $option is not offered"
            failed=1
        fi
    done
done
exit $failed
