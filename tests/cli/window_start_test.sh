#!/bin/bash
# The real program started with file names, under a private Xvfb: the window
# opens the first file as a drop does (the caption becomes its path); a file
# that cannot be opened brings the usual error box over the window; a window
# larger than the screen still starts on it.
# Usage: window_start_test.sh VEXLA. Exit 77 (skipped) without Xvfb or xdotool.
set -u
VEXLA=$1

# shellcheck source=../common/require_tools.sh
source "$(dirname "$0")/../common/require_tools.sh"
require_tools Xvfb xdotool

# shellcheck source=../common/xvfb_session.sh
source "$(dirname "$0")/../common/xvfb_session.sh"

fail() {
    echo "FAIL: $*"
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "window $w [$(xdotool getwindowname "$w" 2>/dev/null)]"
    done
    for f in "$WORK"/*.err; do
        echo "--- $f"
        cat "$f"
    done
    exit 1
}

window_exists() { [[ -n $(xdotool search --onlyvisible --name "$1" 2>/dev/null) ]]; }
# The program's own visible window of that name; empty while there is none.
window_of() { xdotool search --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n1; }
window_shown() { [[ -n $(window_of "$1" "$2") ]]; }
# Ends the newest process started and waits for it, so its windows are gone.
end_last() {
    kill "${PIDS[-1]}"
    wait "${PIDS[-1]}" 2>/dev/null
}
# The main window and the error box both carry the program's title.
error_box_shown() {
    (($(xdotool search --onlyvisible --pid "$1" --name '^Vexla$' 2>/dev/null | wc -l) >= 2))
}

mkdir -p "$WORK/home" "$WORK/config" "$WORK/runtime" "$WORK/prog" "$WORK/docs"
chmod 700 "$WORK/runtime"
cp "$VEXLA" "$WORK/prog/vexla"
cp "$(dirname "$VEXLA")/libvexla_window.so" "$WORK/prog/" || fail "no window module beside $VEXLA"
unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION
export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-bus"
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config XDG_RUNTIME_DIR=$WORK/runtime
export QT_QPA_PLATFORM=xcb
start_xvfb 1024x768x24

printf 'first\r\n' >"$WORK/docs/first.txt"
printf 'second\r\n' >"$WORK/docs/second.txt"

# Relative names, two of them: the first is opened, by its full path.
(cd "$WORK/docs" && exec "$WORK/prog/vexla" first.txt second.txt) \
    >"$WORK/files.out" 2>"$WORK/files.err" &
PIDS+=($!)
poll 30 window_exists "^$WORK/docs/first\\.txt\$" || fail "the window did not open first.txt"
window_exists "second" && fail "the second file was opened too"
end_last

"$WORK/prog/vexla" "$WORK/docs/missing.txt" >"$WORK/missing.out" 2>"$WORK/missing.err" &
PIDS+=($!)
poll 30 error_box_shown "${PIDS[-1]}" || fail "no error box for a file that cannot be opened"
end_last

# Twice the scale: the window is larger than the screen, and still starts
# with its top-left corner, and so its menu bar, on it.
QT_SCALE_FACTOR=2 "$WORK/prog/vexla" >"$WORK/scaled.out" 2>"$WORK/scaled.err" &
PIDS+=($!)
poll 30 window_shown "${PIDS[-1]}" '^Vexla$' || fail "the scaled window did not open"
X=-1 Y=-1 WIDTH=0 HEIGHT=0
eval "$(xdotool getwindowgeometry --shell "$(window_of "${PIDS[-1]}" '^Vexla$')")"
((X >= 0 && Y >= 0)) || fail "the scaled window starts at $X,$Y, off the screen"
((WIDTH > 1024 || HEIGHT > 768)) || fail "the scaled window ($WIDTH x $HEIGHT) fits the screen"
echo "ok"
