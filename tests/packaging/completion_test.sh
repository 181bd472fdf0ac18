#!/bin/bash
# The bash completion's replies for a command line typed so far: each row is
# the words (the last one being completed, "=" split off as bash does) and
# the replies expected, sorted.
# Usage: completion_test.sh COMPLETION
set -u
COMPLETION=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/sub folder"
touch "$WORK/subfile"

# shellcheck disable=SC1090
source "$COMPLETION"
replies() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _vexla
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

failed=0
expect() {
    local want=$1
    shift
    local got
    got=$(replies "$@")
    if [[ $got != "$want" ]]; then
        echo "FAIL: vexla ${*:2}: got '$got', want '$want'"
        failed=1
    fi
}

expect "--version" vexla --vers
expect "--face" vexla --convert --fa
expect "--htm --html" vexla --convert --ht
expect "gothic mincho" vexla --convert --face ""
expect "gothic" vexla --convert --face = go
expect "gothic mincho" vexla --convert --face =
expect "utf-16 utf-16be utf-16le" vexla --convert --encoding utf-16
expect "" vexla --convert --title ""
expect "$WORK/sub folder" vexla --convert -d "$WORK/sub"
# Files are left to bash: no reply, also for an option-like word after --.
expect "" vexla --convert -- --fa
expect "" vexla --convert note

[[ $failed == 0 ]] && echo "ok"
exit $failed
