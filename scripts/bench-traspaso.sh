#!/usr/bin/env bash
# Times whole transfers of a generated large hotel (by default a year of a
# 150-room hotel: 165 invoices a day with 3 sales lines each and 250
# collections a day) and prints the figures: invoices per second, staging
# and generation time, CPU time, the plain SQLite floor and the ratio to it,
# and how the time grows when the data double. Builds the benchmark in its
# own Release build directory. Arguments go to the benchmark:
#
#   scripts/bench-traspaso.sh [--facturas-dia N] [--lineas-factura N]
#                             [--cobros-dia N] [--dias N] [--dir CARPETA]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENLACE3_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target benchmark_traspaso
exec "$BUILD_DIR/bench/benchmark_traspaso" "$@"
