#!/bin/bash
# Makes the Debian package from the built tree with cpack, as
# "./build.sh package" does, and checks its name, its fields and that it
# holds exactly the program's files below /usr and the font alias link.
# Usage: deb_test.sh BUILD_DIR VERSION. Exit 77 without the Debian tools.
set -u
BUILD=$1
VERSION=$2

# shellcheck source=../common/require_tools.sh
source "$(dirname "$0")/../common/require_tools.sh"
require_tools cpack dpkg-deb dpkg-shlibdeps
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; fail "cpack failed"; }
DEB=$WORK/vexla_${VERSION}_$(dpkg --print-architecture).deb
[[ -f $DEB ]] || fail "no $DEB: $(ls "$WORK")"

field() { dpkg-deb -f "$DEB" "$1"; }
[[ $(field Package) == vexla ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$VERSION" ]] || fail "Version: $(field Version)"
depends=$(field Depends)
for dep in libqt6widgets6 libqt6core6 libc6 fonts-ipafont-mincho fonts-ipafont-gothic xdg-utils; do
    [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done

# Files and links, without folders; a link shows as "path -> target".
dpkg-deb -c "$DEB" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}//' | sort >"$WORK/contents"
cat >"$WORK/expected" <<'EOF'
./etc/fonts/conf.d/65-vexla-ms-fonts.conf -> /usr/share/fontconfig/conf.avail/65-vexla-ms-fonts.conf
./usr/bin/vexla
./usr/lib/vexla/libvexla_window.so
./usr/share/applications/vexla.desktop
./usr/share/bash-completion/completions/vexla
./usr/share/fontconfig/conf.avail/65-vexla-ms-fonts.conf
./usr/share/icons/hicolor/scalable/apps/vexla.svg
./usr/share/man/man1/vexla.1.gz
./usr/share/metainfo/example.vexla.Vexla.metainfo.xml
EOF
diff -u "$WORK/expected" "$WORK/contents" || fail "the package's files differ"

dpkg-deb --fsys-tarfile "$DEB" | tar -xOf - ./usr/share/applications/vexla.desktop |
    grep -qx 'Exec=/usr/bin/vexla %f' || fail "the desktop entry does not start /usr/bin/vexla"
echo "ok"
