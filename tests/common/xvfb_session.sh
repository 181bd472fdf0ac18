# Shared by the end-to-end scripts: a work folder, the processes started (all
# ended on exit, newest first), bounded polling, and a private Xvfb.
# Source it after checking that the tools are installed.

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    local i
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PIDS[i]}" 2>/dev/null
    done
    for pid in "${PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

# poll SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds, and
# never past BUDGET seconds from the start, well inside the test's timeout.
BUDGET=${BUDGET:-90}
poll() {
    local deadline=$((SECONDS + $1))
    ((deadline <= BUDGET)) || deadline=$BUDGET
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

has_digit() { grep -q '[0-9]' "$1" 2>/dev/null; }
has_line() { grep -q -- "$1" "$2" 2>/dev/null; }

# start_xvfb WxHxD: the X server on a display number it picks itself
# (written to fd 3); exports DISPLAY. Calls fail when it does not start.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$WORK/display.out" 2>"$WORK/xvfb.err" &
    PIDS+=($!)
    poll 15 has_digit "$WORK/display.out" || fail "Xvfb did not start"
    DISPLAY=":$(head -n1 "$WORK/display.out")"
    export DISPLAY
}
