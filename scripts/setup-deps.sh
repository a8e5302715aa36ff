#!/usr/bin/env bash
# Installs the Debian packages enlace3 needs to build, run and test.
# Idempotent: packages already present are left as they are.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libgl-dev
  libsqlite3-dev sqlite3 libssl-dev unixodbc unixodbc-dev odbcinst libsqliteodbc
  mdbtools mdbtools-dev
  fonts-crosextra-carlito fonts-dejavu-core
  dpkg-dev file desktop-file-utils man-db
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
