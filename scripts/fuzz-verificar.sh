#!/usr/bin/env bash
# Feeds arbitrary bytes to the SUENLACE.DAT checker for a while (60 seconds
# unless another number is given) under libFuzzer with the address and
# undefined-behaviour sanitizers, and prints libFuzzer's figures. Builds the
# target with clang in its own build directory. Exit status 0 when the run
# was clean; a crash or sanitizer report leaves its input in the work folder.
#
#   scripts/fuzz-verificar.sh [SEGUNDOS]
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)

SEGUNDOS=${1:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz-verificar}
CLANGXX=${CLANGXX:-$(command -v clang++-14 || command -v clang++)}
CLANG=${CLANG:-$(command -v clang-14 || command -v clang)}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$CLANGXX" -DCMAKE_C_COMPILER="$CLANG" -DENLACE3_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target fuzz_verificador

BUILD_DIR=$(cd "$BUILD_DIR" && pwd)
TRABAJO="$BUILD_DIR/fuzz-verificador"
mkdir -p "$TRABAJO/corpus"
cd "$TRABAJO"
echo "Fuzzing del verificador durante $SEGUNDOS s"
# Inputs of several lines need room: a record is 256 bytes with its CR LF.
"$BUILD_DIR/bench/fuzz_verificador" corpus "$RAIZ/bench/fuzz/semillas" \
  -dict="$RAIZ/bench/fuzz/verificador.dict" \
  -max_len=8192 -max_total_time="$SEGUNDOS" -print_final_stats=1 -rss_limit_mb=2048
