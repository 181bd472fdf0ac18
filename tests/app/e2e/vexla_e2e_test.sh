#!/bin/bash
# Runs the real program under a private Xvfb (no window manager) the way a
# user would: drags a CP932 text file onto the window, presses the convert
# button, saves through the real save dialog, lets the preview reach a fake
# xdg-open, then leaves through File > Exit. Checks the saved page byte for
# byte, the previewed path, a clean exit and, once the program writes one,
# the settings file beside the program.
# Usage: vexla_e2e_test.sh VEXLA DRAGSOURCE. Exit 77 (skipped) without Xvfb,
# xdotool or iconv.
set -u
VEXLA=$1
SOURCE=$2

# shellcheck source=../../common/require_tools.sh
source "$(dirname "$0")/../../common/require_tools.sh"
require_tools Xvfb xdotool iconv

# shellcheck source=../../common/xvfb_session.sh
source "$(dirname "$0")/../../common/xvfb_session.sh"

mkdir -p "$WORK/home" "$WORK/config" "$WORK/runtime" "$WORK/bin" "$WORK/prog" "$WORK/docs"
chmod 700 "$WORK/runtime"
RECORD=$WORK/xdg-open.record
INPUT="$WORK/docs/日本語メモ.txt"
OUTPUT=$WORK/docs/page.htm
PROGRAM=$WORK/prog/vexla
INI=$WORK/prog/vexla.ini

show_windows() {
    local w
    echo "--- visible windows"
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "$w [$(xdotool getwindowname "$w" 2>/dev/null)]" \
            "$(xdotool getwindowgeometry "$w" 2>/dev/null | tr '\n' ' ')"
    done
}

fail() {
    echo "FAIL: $*"
    [[ -n ${DISPLAY:-} ]] && show_windows
    echo "--- xdg-open record"
    cat "$RECORD" 2>/dev/null || echo "(none)"
    echo "--- documents"
    ls -la "$WORK/docs" "$WORK/prog"
    if [[ -f $OUTPUT ]]; then
        echo "--- saved page (first 512 bytes)"
        head -c 512 "$OUTPUT" | od -c | head -n 40
    fi
    for f in "$WORK"/*.out "$WORK"/*.err; do
        echo "--- $f"
        cat "$f"
    done
    exit 1
}

# The first visible window whose title matches the regular expression. The
# title is read as the window manager shows it (_NET_WM_NAME): the legacy
# name that "search --name" matches holds no Japanese when the program runs
# without a UTF-8 locale.
window_named() {
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        if [[ $(xdotool getwindowname "$w" 2>/dev/null) =~ $1 ]]; then
            echo "$w"
            return
        fi
    done
}
window_exists() { [[ -n $(window_named "$1") ]]; }
window_gone() { [[ -z $(window_named "$1") ]]; }
title_is() { [[ $(xdotool getwindowname "$1" 2>/dev/null) == "$2" ]]; }
process_gone() { ! kill -0 "$1" 2>/dev/null; }
menu_open() { (($(xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l) > 1)); }
has_focus() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }

# A desktop the platform cannot recognise, so QDesktopServices falls back to
# xdg-open from PATH: ours records its argument. No session bus either, so
# the menu bar stays a plain widget.
prepare_environment() {
    cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>'$RECORD'
exit 0
EOF
    chmod +x "$WORK/bin/xdg-open"
    cp "$VEXLA" "$PROGRAM"
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
    unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$WORK/no-bus"
    export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config XDG_RUNTIME_DIR=$WORK/runtime
    export PATH="$WORK/bin:$PATH"
    export QT_QPA_PLATFORM=xcb
}

# A CP932 text whose last line ends with a line break.
make_input() {
    printf '日本語のテキスト、全角ＡＢＣ\nASCII line with <b>bold</b> & a\ttab\n' |
        iconv -f UTF-8 -t CP932 >"$INPUT" || fail "iconv cannot write CP932"
}

# The page the conversion makes of that text with the built-in settings, as
# CP932 with CR LF.
expected_page() {
    local face='ＭＳ 明朝'
    local lines=(
        '<HTML>'
        '<HEAD>'
        '<meta http-equiv="Content-Type" content="text/html; charset=x-sjis">'
        '<TITLE>Tips</TITLE>'
        '</HEAD>'
        '<body bgcolor="#fff8dc" link="#0000D9" vlink="#FFA477">'
        '<BR><BR><P>'
        "<CENTER><FONT size=\"3\" color=\"#CDC0A5\" face=\"$face\">Tips</FONT></CENTER><BR><BR>"
        '<HR align="center" width="800" color="#CDC0A5"><BR><BR><BR>'
        '<CENTER><TABLE width="700" ">'
        '<TR BGCOLOR="#fff8dc" ALIGN=CENTER VALIGN=TOP>'
        '<td width="100%"><pre>'
        "<font size=\"3\" color=\"#000000\" face=\"$face\">"
        '日本語のテキスト、全角ＡＢＣ'
        $'ASCII line with <b>bold</b> & a\ttab'
        '</font>'
        '</Pre>'
        '</td>'
        '</tr>'
        '</TABLE>'
        '<BR><BR><BR><BR>'
        '<HR align="center" width="800" color="#CDC0A5"><BR><BR><BR><BR>'
        "<font size=\"3\" color=\"#000000\" face=\"$face\">"
        '<a href="index.htm">Back</a></font><BR><BR><BR><BR>'
        '</CENTER>'
        '</body>'
        '</HTML>'
    )
    printf '%s\r\n' "${lines[@]}" | iconv -f UTF-8 -t CP932
}

start_vexla() {
    (cd "$WORK/prog" && exec "$PROGRAM") >"$WORK/vexla.out" 2>"$WORK/vexla.err" &
    VEXLA_PID=$!
    PIDS+=("$VEXLA_PID")
    poll 30 window_exists '^Vexla$' || fail "the Vexla window did not appear"
    WID=$(window_named '^Vexla$')
    # Client-area geometry: no window manager, so no frame.
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
    # The client area below the menu bar is 688 x 415.
    MENU_H=$((WH - 415))
    ((MENU_H > 5 && MENU_H < 80)) || fail "unexpected window size ${WW}x${WH}"
    echo "Vexla window $WID at $WX,$WY size ${WW}x${WH}, menu bar $MENU_H px"
}

# Presses on the drag source, away from Vexla, and moves in steps onto the
# editor. Each move waits until the pointer is there; the pause between the
# steps of the drag paces it as a hand does, so that every position is
# answered by the target before the next (XDND has no event to wait for).
drop_input() {
    "$SOURCE" --at=20,20 "$INPUT" >"$WORK/source.out" 2>"$WORK/source.err" &
    PIDS+=($!)
    poll 20 has_line READY "$WORK/source.out" || fail "drag source did not start"
    local tx=$((WX + WW / 2)) ty=$((WY + WH * 2 / 3)) i
    xdotool mousemove --sync 120 120
    xdotool mousedown 1
    for i in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((120 + (tx - 120) * i / 8)) $((120 + (ty - 120) * i / 8))
        sleep 0.2
    done
    xdotool mousemove --sync $((tx + 2)) "$ty"
    sleep 0.2
    xdotool mouseup 1
    poll 15 title_is "$WID" "$INPUT" || fail "the caption did not become the dropped path"
    echo "dropped: $(xdotool getwindowname "$WID")"
}

# Clicks the toolbar button whose top-left corner is LEFT,TOP in the panel;
# the button takes the click once the pointer has entered it.
click_button() {
    xdotool mousemove --sync $((WX + $1 + 12)) $((WY + MENU_H + $2 + 12))
    xdotool click 1
}

# The save dialog's caption: Qt's own, in Japanese as the program shows it.
SAVE_DIALOG='^(名前を付けて保存|Save As)$'

convert_and_save() {
    click_button 79 16 # "換"
    click_button 53 16 # "保"
    poll 15 window_exists "$SAVE_DIALOG" || fail "the save dialog did not open"
    poll 10 has_focus "$(window_named "$SAVE_DIALOG")" || fail "the save dialog has no focus"
    # Keys reach the dialog in order: Return comes after the whole name.
    xdotool type --delay 20 "$OUTPUT"
    xdotool key Return
    poll 15 window_gone "$SAVE_DIALOG" || fail "the save dialog did not close"
    poll 15 test -s "$RECORD" || fail "the preview did not reach xdg-open"
    title_is "$WID" "$INPUT" || fail "saving changed the caption"
}

# A file:// URL's path, percent-decoded; a plain path as it is.
recorded_path() {
    local arg
    arg=$(head -n1 "$RECORD")
    arg=${arg#file://}
    printf '%b' "${arg//%/\\x}"
}

check_page() {
    [[ -f $OUTPUT ]] || fail "no page was saved"
    cmp -s <(head -c 16 "$OUTPUT") <(printf '<HTML>\r\n<HEAD>\r\n') ||
        fail "the page does not start with <HTML> CR LF <HEAD> CR LF"
    expected_page >"$WORK/expected.htm"
    # The page ends with </HTML>: no line break follows it.
    if ! cmp -s <(head -c -2 "$WORK/expected.htm") "$OUTPUT"; then
        diff <(iconv -f CP932 -t UTF-8 "$WORK/expected.htm" | od -c) \
            <(iconv -f CP932 -t UTF-8 "$OUTPUT" | od -c) | head -n 40
        fail "the saved page differs from the expected one"
    fi
    local previewed
    previewed=$(recorded_path)
    [[ $previewed == "$OUTPUT" ]] || fail "xdg-open was given '$previewed', not '$OUTPUT'"
    echo "page saved and previewed: $previewed"
}

exit_through_menu() {
    # Without a window manager the focus falls to the root when the dialog
    # closes; give it back as a window manager would.
    xdotool windowfocus --sync "$WID" 2>/dev/null
    poll 10 has_focus "$WID" || fail "the main window cannot get the focus"
    xdotool key alt+f
    poll 10 menu_open "$VEXLA_PID" || fail "Alt+F did not open the File menu"
    xdotool key x
    poll 15 process_gone "$VEXLA_PID" || fail "the program did not exit after File > Exit"
    wait "$VEXLA_PID"
    local rc=$?
    ((rc == 0)) || fail "the program exited with $rc"
}

# The settings are written on close; until the program writes them there
# is no file to check.
check_settings() {
    if [[ ! -f $INI ]]; then
        [[ -e $XDG_CONFIG_HOME/vexla/vexla.ini ]] &&
            fail "settings went to $XDG_CONFIG_HOME/vexla though the program's folder is writable"
        echo "no settings file was written: persistence not checked"
        return
    fi
    awk '{ sub(/\r$/, "") }
         /^\[/ { in_box = ($0 == "[Form\\CheckBox2]") }
         in_box && $0 == "Checked=1" { found = 1 }
         END { exit !found }' "$INI" ||
        fail "the settings file lacks [Form\\CheckBox2] Checked=1: $(cat -A "$INI")"
    echo "settings file holds [Form\\CheckBox2] Checked=1"
}

start_xvfb 1280x1024x24
prepare_environment
make_input
start_vexla
drop_input
convert_and_save
check_page
exit_through_menu
check_settings
echo "PASS: drop, convert, save, preview and exit"
