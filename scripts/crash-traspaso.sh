#!/usr/bin/env bash
# Crash proof of the transfer and of the chart-of-accounts export: builds
# enlace3 and the installation generator, then kills transfers of a generated
# hotel (about 10 000 invoices) at failpoints, after random delays and at
# random sizes of the file being written, lets the next start-up recover,
# repeats the transfer and checks that A3Con would get every row exactly once.
# Prints the figures and PASS or FAIL (exit status 1); the folders of failing
# trials are kept. Not part of the test suite.
#
#   scripts/crash-traspaso.sh [--count N] [--count-pgc N] [--seed S] [--dias D]
#                             [--modo todo|traspaso|pgc] [--jobs J] [--dir CARPETA]
#
# ENLACE3_BUILD_DIR chooses the build folder (default build-crash).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${ENLACE3_BUILD_DIR:-build-crash}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENLACE3_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" -j1 --target enlace3 benchmark_traspaso >/dev/null
exec python3 scripts/crash_traspaso.py --bin "$BUILD_DIR/enlace3" \
    --generador "$BUILD_DIR/bench/benchmark_traspaso" "$@"
