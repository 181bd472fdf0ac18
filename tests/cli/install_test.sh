#!/bin/bash
# Installs the built program into a temporary prefix and checks what a
# desktop needs: the program, a valid desktop entry offering it for text
# files, and its icon; then runs the installed program without a display,
# which must keep its settings in the configuration folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DESKTOP_FILE. Exit 77 (skipped)
# without desktop-file-validate.
set -u
BUILD=$1
DESKTOP_SOURCE=$2

if ! command -v desktop-file-validate >/dev/null; then
    echo "desktop-file-validate is not installed"
    exit 77
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() {
    echo "FAIL: $*"
    find "$WORK" -print | sort
    exit 1
}

desktop-file-validate "$DESKTOP_SOURCE" || fail "the desktop entry does not validate"

PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
    { cat "$WORK/install.log"; fail "cmake --install failed"; }

PROGRAM=$PREFIX/bin/vexla
ENTRY=$PREFIX/share/applications/vexla.desktop
ICON=$PREFIX/share/icons/hicolor/scalable/apps/vexla.svg
[[ -x $PROGRAM ]] || fail "no program at $PROGRAM"
[[ -f $ENTRY ]] || fail "no desktop entry at $ENTRY"
[[ -f $ICON ]] || fail "no icon at $ICON"
desktop-file-validate "$ENTRY" || fail "the installed desktop entry does not validate"
grep -qx 'Exec=vexla %f' "$ENTRY" || fail "Exec is not 'vexla %f'"
grep -qx 'MimeType=text/plain;' "$ENTRY" || fail "not offered for text files"
grep -qx 'Icon=vexla' "$ENTRY" || fail "the entry does not name the icon"
grep -q '^Name\[ja\]=' "$ENTRY" || fail "no Japanese name"
grep -q '<svg' "$ICON" || fail "the icon is not an SVG image"

# The window is a module the program loads only to show it: the installed
# program finds it (a usage error from the window's side shows it loaded).
[[ -n $(find "$PREFIX" -name vexla-window.so) ]] || fail "no window module"
QT_QPA_PLATFORM=offscreen "$PROGRAM" -x 2>"$WORK/window.err"
[[ $? == 2 ]] && grep -q -- '-x' "$WORK/window.err" ||
    fail "the installed program did not load its window: $(cat "$WORK/window.err")"

# Help and version without any display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" --version >"$WORK/version.out" ||
    fail "--version failed"
grep -q '^Vexla ' "$WORK/version.out" || fail "--version printed: $(cat "$WORK/version.out")"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" --help | grep -q -- '--convert' ||
    fail "--help does not list --convert"

# The installed program reads its settings from the configuration folder,
# never beside itself, and the batch run writes none.
mkdir -p "$WORK/config/vexla" "$WORK/docs"
printf '[Form\\Tht]\r\nstring=Configured\r\n' >"$WORK/config/vexla/vexla.ini"
printf 'text\r\n' >"$WORK/docs/note.txt"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$WORK/config" \
    "$PROGRAM" --convert "$WORK/docs/note.txt" || fail "the batch conversion failed"
grep -q '<TITLE>Configured</TITLE>' "$WORK/docs/note.htm" ||
    fail "the installed program did not read ~/.config/vexla/vexla.ini"
[[ ! -e $PREFIX/bin/vexla.ini ]] || fail "a settings file appeared beside the installed program"
[[ $(ls "$WORK/config/vexla") == vexla.ini ]] || fail "the batch run wrote settings"
echo "ok"
