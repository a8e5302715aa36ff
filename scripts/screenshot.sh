#!/usr/bin/env bash
# Produces docs/main-window.png and, in docs/100 and docs/200, a picture of
# every window and of the progress and end-of-run dialogs at 100 % and 200 %
# scaling, from the running program: a demo installation in a scratch folder,
# with the sales and Zumeral entries switched on so the whole menu shows,
# drawn offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
SCRATCH=$(mktemp -d)
trap 'rm -rf -- "$SCRATCH"' EXIT
"$BUILD_DIR/enlace3" demo "$SCRATCH/raiz" >/dev/null
export ENLACE3_DOSDEVICES="$SCRATCH/raiz"
# The first start upgrades the demo's older link database (Zumeral appears).
"$BUILD_DIR/enlace3" estado >/dev/null
sqlite3 "$SCRATCH/raiz/f:/noctaris/enlace3.MDB" "UPDATE ca3 SET ca3nif = -1, Zumeral = -1 WHERE Ca3Key = 'KOVE3'"
mkdir -p docs
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/enlace3" captura docs/main-window.png
for escala in 100 200; do
  mkdir -p "docs/$escala"
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$(awk "BEGIN{print $escala/100}") \
    "$BUILD_DIR/enlace3" captura "docs/$escala"
done
