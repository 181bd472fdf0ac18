#!/bin/bash
# Drags two real files from one program onto the editor of another under a
# private Xvfb (no window manager) and checks that the form's drop target
# gets them whole and in order. Exit 77 (skipped) without Xvfb or xdotool.
set -u
TARGET=$1
SOURCE=$2

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
    echo "Xvfb or xdotool is not installed"
    exit 77
fi

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

# Press on the source, then move in steps so each position is answered.
xdotool mousemove 700 200
sleep 0.3
xdotool mousedown 1
sleep 0.3
for x in 690 660 600 500 400 300 200 160 150; do
    xdotool mousemove "$x" 150
    sleep 0.2
done
sleep 0.3
xdotool mouseup 1

poll 15 has_line EDITOR "$WORK/target.out" || fail "no drop arrived"
expected=$(printf 'DROP 150 150 2\nFILE %s\nFILE %s\nEDITOR 0' "$FILE1" "$FILE2")
got=$(grep -v READY "$WORK/target.out")
[[ "$got" == "$expected" ]] || fail "expected:
$expected
got:
$got"
echo "drop arrived: $got"
