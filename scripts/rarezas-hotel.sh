#!/usr/bin/env bash
# Oddities of hotel data against the transfer: builds enlace3, then plants
# random oddities (empty or non-numeric amounts, impossible or badly written
# dates, repeated keys, empty numbers, control characters) into copies of the
# demo installation and runs the transfer of January 2013 on each. Checks no
# crash, a file that passes `enlace3 verificar`, and every oddity named in
# the report. Prints the figures and PASS or FAIL (exit status 1); the
# folders of failing installations are kept. Not part of the test suite.
#
#   scripts/rarezas-hotel.sh [--instalaciones N] [--por-instalacion K] [--seed S] [--dir CARPETA]
#
# ENLACE3_BUILD_DIR chooses the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${ENLACE3_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" -j1 --target enlace3 >/dev/null
exec python3 scripts/rarezas_hotel.py --bin "$BUILD_DIR/enlace3" "$@"
