#!/bin/bash
# Drags two real files from one program onto two editors of another under a
# private Xvfb (no window manager): one on the form, one on a panel with a
# drop target of its own. Checks that each drop reaches the innermost target
# with the files whole and in order, and that no editor takes the drag. Exit 77 (skipped) without Xvfb or xdotool.
set -u
TARGET=$1
SOURCE=$2

# shellcheck source=../common/require_tools.sh
source "$(dirname "$0")/../common/require_tools.sh"
require_tools Xvfb xdotool

# shellcheck source=../common/xvfb_session.sh
source "$(dirname "$0")/../common/xvfb_session.sh"

fail() {
    echo "FAIL: $*"
    for f in "$WORK"/*.out "$WORK"/*.err; do
        echo "--- $f"
        cat "$f"
    done
    exit 1
}


start_xvfb 1024x768x24
export QT_QPA_PLATFORM=xcb

FILE1="$WORK/日本語 ファイル #1 100%.txt"
FILE2="$WORK/second file.txt"
echo one >"$FILE1"
echo two >"$FILE2"

"$TARGET" >"$WORK/target.out" 2>"$WORK/target.err" &
PIDS+=($!)
"$SOURCE" "$FILE1" "$FILE2" >"$WORK/source.out" 2>"$WORK/source.err" &
PIDS+=($!)
poll 20 has_line READY "$WORK/target.out" || fail "drop target did not start"
poll 20 has_line READY "$WORK/source.out" || fail "drag source did not start"

pointer_at() { xdotool getmouselocation | grep -q "^x:$1 y:$2 "; }
has_count() { (($(grep -c -- "$1" "$3" 2>/dev/null) >= $2)); }

# reach_target X Y: waits until the target reports the drag at X,Y. A drag
# source sends the next position only once the target has answered the last,
# so a motion that came in between is dropped; another motion (a pixel aside
# and back) makes it send the position again.
reach_target() {
    local tries
    for tries in 1 2 3 4 5 6 7 8; do
        poll 2 has_line "^MOVE $1 $2\$" "$WORK/target.out" && return 0
        xdotool mousemove "$(($1 + 1))" "$2"
        xdotool mousemove "$1" "$2"
    done
    return 1
}

# drag_along Y N: the N-th drag: press on the source, move left along row Y
# in steps, each waited for (over the target, until the target reports the
# position), and release over the target at 150,Y.
drag_along() {
    local y=$1 n=$2 x
    xdotool mousemove 700 "$y"
    poll 5 pointer_at 700 "$y" || fail "the pointer did not move"
    xdotool mousedown 1
    poll 5 has_count PRESSED "$n" "$WORK/source.out" || fail "the press did not reach the source"
    for x in 690 660 600 500 400 300 200 160 150; do
        xdotool mousemove "$x" "$y"
        if ((x < 400)); then
            reach_target "$x" "$y" || fail "the drag did not reach $x,$y"
        else
            poll 5 pointer_at "$x" "$y" || fail "the pointer did not reach $x,$y"
        fi
    done
    xdotool mouseup 1
    poll 15 has_count EDITORS "$n" "$WORK/target.out" || fail "no drop arrived"
}

# Over the form's editor, then over the panel's editor: each drop goes to the
# innermost drop target there, in its own client coordinates.
drag_along 100 1
drag_along 220 2
expected=$(printf 'DROP form 150 100 2\nFILE %s\nFILE %s\nEDITORS 0 0\n' "$FILE1" "$FILE2"
           printf 'DROP panel 130 60 2\nFILE %s\nFILE %s\nEDITORS 0 0' "$FILE1" "$FILE2")
got=$(grep -v -e READY -e '^MOVE ' "$WORK/target.out")
[[ "$got" == "$expected" ]] || fail "expected:
$expected
got:
$got"
echo "drops arrived: $got"
