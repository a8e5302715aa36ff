#!/usr/bin/env bash
# Transfers with a full disk at each stage: the drive F: of a generated
# installation (export folder, link database and hotel files) is a small
# tmpfs filled so that the disk runs out while staging, while writing
# SUENLACE.DAT, while committing the marks, or not at all. Checks after each
# run that it failed cleanly (status 1, one Spanish message naming the path
# and the reason, SUENLACE.DAT byte-identical, nothing marked that is not in
# it) or finished whole, and prints a table of free space -> outcome and PASS
# or FAIL (exit status 1). Needs root to mount the tmpfs; without mount it
# caps file sizes with prlimit instead. Not part of the test suite.
#
#   scripts/disco-lleno.sh [--dias D] [--dir CARPETA]
#
# ENLACE3_BUILD_DIR chooses the build folder (default build-crash).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${ENLACE3_BUILD_DIR:-build-crash}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENLACE3_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" -j1 --target enlace3 benchmark_traspaso >/dev/null
exec python3 scripts/disco_lleno.py --bin "$BUILD_DIR/enlace3" \
    --generador "$BUILD_DIR/bench/benchmark_traspaso" "$@"
