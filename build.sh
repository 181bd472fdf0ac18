#!/usr/bin/env bash
# ./build.sh run   builds Vexla and starts it
# ./build.sh test  builds Vexla and runs every test
# ./build.sh bench builds and runs the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
BUILD_DIR=${BUILD_DIR:-build}

bash scripts/deps.sh
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" --parallel

case "$mode" in
  run)
    exec "$BUILD_DIR/app/vexla"
    ;;
  test)
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2 --timeout 120
    ;;
  bench)
    for b in "$BUILD_DIR"/bench/bench_*; do [ -x "$b" ] && QT_QPA_PLATFORM=offscreen "$b"; done
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
