#!/usr/bin/env bash
# Installs what is missing, builds enlace3, creates a demo installation in a
# fresh folder (./demo-installation, made anew each time) and starts enlace3
# on it. Without a display, enlace3 says how to open its window and prints
# the texts of its status bar instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
DEMO_DIR="$PWD/demo-installation"
rm -rf -- "$DEMO_DIR"
"$BUILD_DIR/enlace3" demo "$DEMO_DIR"
echo
ENLACE3_DOSDEVICES="$DEMO_DIR" exec "$BUILD_DIR/enlace3"
