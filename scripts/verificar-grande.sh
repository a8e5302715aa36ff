#!/usr/bin/env bash
# Memory and time of `enlace3 verificar` on big inputs: the demo month's
# SUENLACE.DAT repeated to about 400 MB (each copy moved to a year of its own,
# so the documents stay distinct and the whole file is read), the same
# repeated as it is (every copy repeats the first: reading stops after 1000
# problems), and 2 GB of zeros through a pipe (a line without end). Prints the
# maximum resident set size and the wall time of each run.
#
#   scripts/verificar-grande.sh [MB]
set -euo pipefail
cd "$(dirname "$0")/.."

MB=${1:-400}
BUILD_DIR=${BUILD_DIR:-build}
cmake --build "$BUILD_DIR" -j1 --target enlace3 >/dev/null
ENLACE3=$(cd "$BUILD_DIR" && pwd)/enlace3

TRABAJO=$(mktemp -d)
trap 'rm -rf "$TRABAJO"' EXIT
"$ENLACE3" demo "$TRABAJO/demo" >/dev/null
ENLACE3_DOSDEVICES="$TRABAJO/demo" "$ENLACE3" traspasar 01012013 31012013 --sobrescribir >/dev/null
MES=$(find "$TRABAJO/demo" -iname suenlace.dat | head -n 1)
LINEAS=$(wc -l <"$MES")
COPIAS=$(( MB * 1024 * 1024 / $(stat -c %s "$MES") + 1 ))

repetir() { for _ in $(seq "$COPIAS"); do cat "$MES"; done; }
# Copy k (from 0) gets the year 1000 + k in columns 7-10 of every line.
repetir | LC_ALL=C mawk -v n="$LINEAS" 'BEGIN { ORS = "\n" }
  { printf "%s%04d%s\n", substr($0, 1, 6), 1000 + int((NR - 1) / n), substr($0, 11) }' >"$TRABAJO/distintos.dat"
repetir >"$TRABAJO/repetidos.dat"

medir() {
  local nombre=$1; shift
  local salida="$TRABAJO/salida" tiempos="$TRABAJO/tiempos"
  local estado=0
  /usr/bin/time -v -o "$tiempos" "$@" >"$salida" 2>&1 || estado=$?
  printf '%-40s RSS máx. %7s kB  tiempo %8s  estado %s  %s\n' "$nombre" \
    "$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$tiempos")" \
    "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$tiempos")" \
    "$estado" "$(grep -m1 '^Líneas' "$salida" || true)"
  { grep -E '^Problemas|vacío|se deja de leer' "$salida" || true; } | head -n 3 | sed 's/^/    /'
}

echo "SUENLACE.DAT del mes: $(stat -c %s "$MES") bytes, $LINEAS líneas, $COPIAS copias"
medir "el mes" "$ENLACE3" verificar "$MES"
medir "$(( $(stat -c %s "$TRABAJO/distintos.dat") / 1048576 )) MB, documentos distintos" \
  "$ENLACE3" verificar "$TRABAJO/distintos.dat"
medir "$(( $(stat -c %s "$TRABAJO/repetidos.dat") / 1048576 )) MB, copias repetidas" \
  "$ENLACE3" verificar "$TRABAJO/repetidos.dat"
medir "2 GB de ceros por una tubería" \
  bash -c 'head -c 2G /dev/zero | "$1" verificar /dev/stdin' _ "$ENLACE3"
medir "/dev/zero" "$ENLACE3" verificar /dev/zero
