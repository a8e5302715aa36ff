#!/usr/bin/env bash
# Times whole transfers of a generated large hotel (by default a year of a
# 150-room hotel: 165 invoices a day with 3 sales lines each and 250
# collections a day) and prints the figures: invoices per second, staging
# and generation time, CPU time, the plain SQLite floor and the ratio to it,
# and how the time grows when the data double, and each range's peak memory
# (its own process); each range runs --veces times (default 3) and its best
# run is kept. Then, on an installation holding five years of the same
# hotel staged and sent, the start-up of `enlace3 estado` and the opening of
# every window; last, the same period through ODBC (server mode). Builds the
# benchmark and the program in its own Release build directory. Arguments go
# to the benchmark:
#
#   scripts/bench-traspaso.sh [--facturas-dia N] [--lineas-factura N]
#                             [--cobros-dia N] [--dias N] [--dir CARPETA]
#                             [--anyos N] [--anyos-dir CARPETA]
#                             [--servidor-dias N] [--veces N]
#
# --anyos 0 / --servidor-dias 0 leave those parts out; --anyos-dir keeps the
# installation of years there and uses it again on the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DENLACE3_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target benchmark_traspaso
exec "$BUILD_DIR/bench/benchmark_traspaso" "$@"
