#!/usr/bin/env bash
# Installs the package the build made (./build or $BUILD_DIR) as an
# administrator would, runs the installed program (version and a demo
# installation), checks the nightly timer with systemd-analyze where it can,
# and removes the package again unless --conservar is given.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${BUILD_DIR:-build}")
conservar=0
[ "${1:-}" = "--conservar" ] && conservar=1
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD_DIR/CPackConfig.cmake")
deb=$(ls "$BUILD_DIR"/enlace3_"$version"_*.deb 2>/dev/null | head -n1 || true)
if [ -z "$deb" ]; then
  bash scripts/comprobar-paquete.sh "$BUILD_DIR"
  deb=$(ls "$BUILD_DIR"/enlace3_"$version"_*.deb | head -n1)
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q "$deb"

echo "Instalado: $(dpkg-query -W -f='${Package} ${Version}' enlace3)"
/usr/bin/enlace3 --version
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
/usr/bin/enlace3 demo "$demo/instalacion"
ENLACE3_DOSDEVICES="$demo/instalacion" /usr/bin/enlace3 estado | head -n 2

if command -v systemd-analyze >/dev/null; then
  ejemplos=/usr/share/doc/enlace3/examples
  if salida=$(systemd-analyze verify --man=no "$ejemplos/enlace3-traspaso.service" "$ejemplos/enlace3-traspaso.timer" 2>&1); then
    echo "systemd-analyze verify: correcto"
  else
    echo "systemd-analyze verify:"; echo "$salida"; exit 1
  fi
else
  echo "systemd-analyze no está: no se comprueban el servicio y el temporizador"
fi

if [ "$conservar" -eq 0 ]; then
  $SUDO apt-get remove -y -q enlace3 >/dev/null
  echo "Paquete quitado"
fi
echo PASS
