#!/usr/bin/env bash
# Builds and runs the whole suite as the unprivileged user nobody, from a copy
# of the sources that nobody owns, so permission checks mean what they say,
# and with no locale set.
# As root only; a normal user runs ./build.sh test directly.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "test-unprivileged: already unprivileged; run ./build.sh test" >&2
  exit 2
fi
work=$(mktemp -d /tmp/vexla-nobody.XXXXXX)
trap 'rm -rf "$work"' EXIT
git ls-files -z | tar --null -T - -cf - | tar -C "$work" -xf -
mkdir -p "$work/home"
chmod 755 "$work"
chown -R 65534:65534 "$work"
# Without any locale, as on a fresh Debian container: the suite must not
# depend on one.
setpriv --reuid=65534 --regid=65534 --clear-groups \
  env -u LANG -u LANGUAGE -u LC_ALL -u LC_CTYPE -u LC_MESSAGES HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home" \
  VEXLA_WERROR=ON VEXLA_BUILD_BENCH=OFF BUILD_DIR=build \
  bash -c 'cd "$1" && ./build.sh test' _ "$work"
