#!/bin/bash
# Installs the built program as a system install (staged below DESTDIR, prefix
# /usr/local) and into a home folder whose name needs quoting (--prefix
# ~/.local), and checks what a desktop and a shell need: a valid desktop
# entry that starts the program by its absolute path and offers it for text
# files, the icon, valid AppStream metadata, the manual page, the completion,
# and font aliases that fontconfig reads for each kind of install. Then runs
# the installed program without a display, which must keep its settings in
# the configuration folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DESKTOP_FILE. Exit 77 (skipped)
# without desktop-file-validate, appstreamcli or fc-match.
set -u
BUILD=$1
DESKTOP_SOURCE=$2

# shellcheck source=../common/require_tools.sh
source "$(dirname "$0")/../common/require_tools.sh"
require_tools desktop-file-validate appstreamcli fc-match

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() {
    echo "FAIL: $*"
    find "$WORK" -print | sort
    exit 1
}
install_into() {
    cmake --install "$BUILD" --prefix "$1" >"$WORK/install.log" 2>&1 ||
        { cat "$WORK/install.log"; fail "cmake --install --prefix $1 failed"; }
    ! grep -q 'CMake Warning' "$WORK/install.log" || fail "$(cat "$WORK/install.log")"
}

desktop-file-validate "$DESKTOP_SOURCE" || fail "the desktop entry does not validate"

ROOT=$WORK/root
DESTDIR=$ROOT install_into /usr/local
USERHOME="$WORK/my home"
HOME=$USERHOME XDG_CONFIG_HOME="$USERHOME/.config" install_into "$USERHOME/.local"

# check_prefix FOLDER EXEC: the files below FOLDER; EXEC is the entry's
# program as written in it.
check_prefix() {
    local prefix=$1 exec=$2
    local entry=$prefix/share/applications/vexla.desktop
    for file in bin/vexla share/applications/vexla.desktop share/man/man1/vexla.1.gz \
        share/icons/hicolor/scalable/apps/vexla.svg share/bash-completion/completions/vexla \
        share/fontconfig/conf.avail/65-vexla-ms-fonts.conf; do
        [[ -f $prefix/$file ]] || fail "no $prefix/$file"
    done
    [[ -x $prefix/bin/vexla ]] || fail "$prefix/bin/vexla cannot be run"
    desktop-file-validate "$entry" || fail "the installed desktop entry does not validate"
    grep -qxF "Exec=$exec %f" "$entry" || fail "Exec is not '$exec %f': $(grep ^Exec "$entry")"
    grep -qx 'MimeType=text/plain;' "$entry" || fail "not offered for text files"
    grep -qx 'Icon=vexla' "$entry" || fail "the entry does not name the icon"
    grep -q '^Name\[ja\]=' "$entry" || fail "no Japanese name"
    grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/vexla.svg" ||
        fail "the icon is not an SVG image"
    gzip -t "$prefix/share/man/man1/vexla.1.gz" || fail "the manual page is not gzip"
    appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$WORK/appstream.log" ||
        fail "AppStream metadata does not validate: $(cat "$WORK/appstream.log")"
    grep -q '<launchable type="desktop-id">vexla.desktop</launchable>' \
        "$prefix"/share/metainfo/*.metainfo.xml || fail "the metadata does not launch vexla.desktop"
}
check_prefix "$ROOT/usr/local" /usr/local/bin/vexla
check_prefix "$USERHOME/.local" "\"$USERHOME/.local/bin/vexla\""

# The font aliases as a browser meets them through fontconfig.
check_aliases() {
    local name face
    while read -r name face; do
        name=${name//_/ }
        [[ $(env "$@" fc-match -f '%{family[0]}' "$name") == "$face" ]] ||
            fail "$name is $(env "$@" fc-match -f '%{family[0]}' "$name"), not $face"
    done <<'EOF'
ＭＳ_明朝 IPAMincho
ＭＳ_Ｐ明朝 IPAPMincho
ＭＳ_ゴシック IPAGothic
ＭＳ_Ｐゴシック IPAPGothic
EOF
}
# System: the link in /etc/fonts/conf.d names the file in the prefix; a
# configuration that includes the staged file stands for /etc/fonts.
LINK=$ROOT/etc/fonts/conf.d/65-vexla-ms-fonts.conf
[[ $(readlink "$LINK") == /usr/local/share/fontconfig/conf.avail/65-vexla-ms-fonts.conf ]] ||
    fail "$LINK does not name the installed aliases"
cat >"$WORK/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include>/etc/fonts/fonts.conf</include>
  <include>$ROOT$(readlink "$LINK")</include>
</fontconfig>
EOF
check_aliases FONTCONFIG_FILE="$WORK/fonts.conf" XDG_CACHE_HOME="$WORK/cache"
# Per user: the system configuration reads the user's conf.d.
check_aliases HOME="$USERHOME" XDG_CONFIG_HOME="$USERHOME/.config" XDG_CACHE_HOME="$WORK/cache"

# The window is a module the program loads only to show it: the installed
# program finds it (a usage error from the window's side shows it loaded).
PROGRAM=$USERHOME/.local/bin/vexla
[[ -n $(find "$USERHOME/.local" -name libvexla_window.so) ]] || fail "no window module"
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
[[ ! -e $USERHOME/.local/bin/vexla.ini ]] || fail "a settings file appeared beside the installed program"
[[ $(ls "$WORK/config/vexla") == vexla.ini ]] || fail "the batch run wrote settings"
echo "ok"
