#!/bin/bash
# Every option that "vexla --help" prints is in the rendered manual page and
# is completed by the bash completion; the manual page renders without
# warnings.
# Usage: docs_test.sh PROGRAM MANPAGE COMPLETION. Exit 77 without groff.
set -u
PROGRAM=$1
MANPAGE=$2
COMPLETION=$3

# shellcheck source=../common/require_tools.sh
source "$(dirname "$0")/../common/require_tools.sh"
require_tools groff
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# Every word that looks like an option: at a line's start or after a space,
# "(" or "|".
options_in() {
    grep -oE -- '(^|[[:space:](|])--?[a-z0-9][a-z0-9-]*' "$1" | sed -E 's/^[[:space:](|]//' | sort -u
}

# The options --help lists: long ones anywhere ("--htm" in an explanation
# too), short ones only where a line starts with them, so that "-print0" in
# "(find -print0)" is not taken for one.
help_options_in() {
    {
        grep -oE -- '(^|[[:space:](|])--[a-z][a-z0-9-]*' "$1"
        grep -oE -- '^[[:space:]]+-[a-z0-9]([[:space:]]|$)' "$1"
    } | sed -E 's/^[[:space:](|]*//; s/[[:space:]]+$//' | sort -u
}

env -u DISPLAY -u WAYLAND_DISPLAY "$PROGRAM" --help >"$WORK/help" || fail "--help failed"
help_options_in "$WORK/help" >"$WORK/help.options"
grep -qx -- --convert "$WORK/help.options" || fail "no options found in --help"

# A wide line and no hyphenation keep every option in one piece.
LC_ALL=C.UTF-8 groff -k -man -Tutf8 -P-cbou -rLL=300n -rHY=0 -ww "$MANPAGE" \
    >"$WORK/man" 2>"$WORK/man.warnings" || fail "groff failed"
[[ ! -s $WORK/man.warnings ]] && grep -q . "$WORK/man" ||
    fail "the manual page renders with warnings: $(cat "$WORK/man.warnings")"
options_in "$WORK/man" >"$WORK/man.options"

# shellcheck disable=SC1090
source "$COMPLETION"
completes() {
    COMP_WORDS=(vexla --convert "$1")
    COMP_CWORD=2
    COMPREPLY=()
    _vexla
    printf '%s\n' "${COMPREPLY[@]}" | grep -qx -- "$1"
}

while read -r option; do
    grep -qx -- "$option" "$WORK/man.options" || fail "$option is not in the manual page"
    completes "$option" || fail "$option is not completed"
done <"$WORK/help.options"

[[ $failed == 0 ]] && echo "ok: $(wc -l <"$WORK/help.options") options"
exit $failed
