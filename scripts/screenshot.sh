#!/usr/bin/env bash
# Produces docs/main-window.png from the running program: a demo installation
# in a scratch folder, with the sales and Zumeral entries switched on so the
# whole menu shows, and the main window drawn offscreen after its activation.
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
