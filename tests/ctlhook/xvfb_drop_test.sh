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

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in "$WORK"/*.out "$WORK"/*.err; do
        echo "--- $f"
        cat "$f"
    done
    exit 1
}

# wait_for PATTERN FILE SECONDS
wait_for() {
    local deadline=$((SECONDS + $3))
    until grep -q -- "$1" "$2" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display.out" 2>"$WORK/xvfb.err" &
PIDS+=($!)
wait_for '[0-9]' "$WORK/display.out" 15 || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display.out")"
export QT_QPA_PLATFORM=xcb

FILE1="$WORK/日本語 ファイル #1 100%.txt"
FILE2="$WORK/second file.txt"
echo one >"$FILE1"
echo two >"$FILE2"

"$TARGET" >"$WORK/target.out" 2>"$WORK/target.err" &
PIDS+=($!)
"$SOURCE" "$FILE1" "$FILE2" >"$WORK/source.out" 2>"$WORK/source.err" &
PIDS+=($!)
wait_for READY "$WORK/target.out" 20 || fail "drop target did not start"
wait_for READY "$WORK/source.out" 20 || fail "drag source did not start"

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

wait_for EDITOR "$WORK/target.out" 15 || fail "no drop arrived"
expected=$(printf 'DROP 150 150 2\nFILE %s\nFILE %s\nEDITOR 0' "$FILE1" "$FILE2")
got=$(grep -v READY "$WORK/target.out")
[[ "$got" == "$expected" ]] || fail "expected:
$expected
got:
$got"
echo "drop arrived: $got"
