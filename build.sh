#!/usr/bin/env bash
# ./build.sh run    builds the program alone and starts it (needs a graphical desktop)
# ./build.sh test   builds everything and runs every test
# ./build.sh bench  builds and runs the benchmarks
# ./build.sh package  builds the program alone and makes its Debian package
#
# Environment: BUILD_DIR (default build, build-package for package),
# VEXLA_WERROR=ON (warnings are errors),
# VEXLA_SANITIZE=address,undefined (sanitizer build), VEXLA_BUILD_BENCH=OFF,
# VEXLA_CTEST_EXCLUDE=REGEX (tests left out of this run).
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}

case "$mode" in
  run | test | bench)
    BUILD_DIR=${BUILD_DIR:-build}
    options=(-DVEXLA_BUILD_TESTS=ON -DVEXLA_BUILD_BENCH="${VEXLA_BUILD_BENCH:-ON}")
    ;;
  package)
    # A build folder of its own, so that the tests and benchmarks stay out.
    BUILD_DIR=${BUILD_DIR:-build-package}
    options=(-DVEXLA_BUILD_TESTS=OFF -DVEXLA_BUILD_BENCH=OFF)
    ;;
  *)
    echo "usage: $0 run|test|bench|package" >&2
    exit 2
    ;;
esac

bash scripts/deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXLA_WERROR="${VEXLA_WERROR:-OFF}" -DVEXLA_SANITIZE="${VEXLA_SANITIZE:-}" \
  "${options[@]}" >/dev/null

case "$mode" in
  run)
    cmake --build "$BUILD_DIR" --parallel --target vexla
    exec "$BUILD_DIR/app/vexla" "${@:2}"
    ;;
  test)
    cmake --build "$BUILD_DIR" --parallel
    cd "$BUILD_DIR"
    exclude=()
    [ -n "${VEXLA_CTEST_EXCLUDE:-}" ] && exclude=(-E "$VEXLA_CTEST_EXCLUDE")
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 --timeout 120 "${exclude[@]}"
    ;;
  bench)
    cmake --build "$BUILD_DIR" --parallel
    for b in "$BUILD_DIR"/bench/bench_*; do [ -x "$b" ] && QT_QPA_PLATFORM=offscreen "$b"; done
    ;;
  package)
    cmake --build "$BUILD_DIR" --parallel --target vexla
    cd "$BUILD_DIR"
    cpack >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
    # "CPack: - package: /path/vexla_1.04_amd64.deb generated."
    sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' cpack.log
    ;;
esac
