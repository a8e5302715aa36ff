#!/usr/bin/env bash
# Builds the Debian package from a build folder (default ./build) and inspects
# it the way an installer would see it: the files it puts in place, the
# desktop entry, the manual page and the dependencies it declares. Prints
# what it checked and ends with PASS, or FAIL and status 1.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${1:-build}")
fallos=0
falla() { echo "FALLO: $*"; fallos=$((fallos + 1)); }

for herramienta in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate man; do
  command -v "$herramienta" >/dev/null || { echo "Falta $herramienta (scripts/setup-deps.sh lo instala)."; exit 1; }
done

cmake --build "$BUILD_DIR" --target enlace3 manual -j1 >/dev/null || { echo "FALLO: no se ha podido compilar enlace3"; exit 1; }
salida=$(cd "$BUILD_DIR" && cpack -G DEB -B "$BUILD_DIR" 2>&1) || { echo "$salida"; echo "FALLO: cpack no ha hecho el paquete"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD_DIR/CPackConfig.cmake")
deb=$(ls "$BUILD_DIR"/enlace3_"$version"_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { echo "FALLO: no está el paquete enlace3_${version}_*.deb en $BUILD_DIR"; exit 1; }
echo "Paquete: $deb ($(stat -c %s "$deb") bytes)"

dentro=$(mktemp -d)
trap 'rm -rf "$dentro"' EXIT
dpkg-deb -x "$deb" "$dentro"
ficheros=(
  usr/bin/enlace3
  usr/share/applications/enlace3.desktop
  usr/share/icons/hicolor/scalable/apps/enlace3.svg
  usr/share/man/man1/enlace3.1.gz
  usr/share/doc/enlace3/examples/enlace3-traspaso.service
  usr/share/doc/enlace3/examples/enlace3-traspaso.timer
)
for f in "${ficheros[@]}"; do
  [ -s "$dentro/$f" ] || falla "el paquete no trae /$f"
done
[ -x "$dentro/usr/bin/enlace3" ] || falla "/usr/bin/enlace3 no es ejecutable"
echo "Ficheros: ${#ficheros[@]} comprobados"

[ "$(dpkg-deb -f "$deb" Package)" = enlace3 ] || falla "el paquete no se llama enlace3"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || falla "la versión del paquete no es $version"
depende=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depende"
for d in libqt6core6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-odbc qt6-qpa-plugins libsqlite3-0 libc6; do
  grep -Eq "(^|, )$d( |,|$)" <<<"$depende" || falla "Depends no declara $d"
done

salida=$(desktop-file-validate "$dentro/usr/share/applications/enlace3.desktop" 2>&1) || falla "desktop-file-validate: $salida"
[ -z "$salida" ] || falla "desktop-file-validate avisa: $salida"
grep -q '^Categories=Office;Finance;$' "$dentro/usr/share/applications/enlace3.desktop" || falla "la entrada no está en Office/Finance"
echo "Entrada de escritorio: válida"

avisos=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dentro/usr/share/man/man1/enlace3.1.gz" 2>&1 >"$dentro/manual.txt")
[ -z "$avisos" ] || falla "man -l avisa: $avisos"
# Every order the program offers is in the manual, and so is its version.
ordenes=$("$dentro/usr/bin/enlace3" --help | sed -n 's/^  \([^ ]*\).*/\1/p')
for o in $ordenes; do
  grep -q -- "^       $o\b" "$dentro/manual.txt" || falla "el manual no explica la orden $o"
done
for t in "ESTADO DE SALIDA" ENTORNO ENLACE3_DOSDEVICES "mes-anterior"; do
  grep -q -- "$t" "$dentro/manual.txt" || falla "el manual no habla de $t"
done
grep -q "$("$dentro/usr/bin/enlace3" --version)" "$dentro/manual.txt" || falla "el manual no lleva la versión del programa"
echo "Manual: $(wc -l <"$dentro/manual.txt") líneas, órdenes: $(echo $ordenes)"

if [ "$fallos" -eq 0 ]; then echo PASS; else echo "FAIL ($fallos)"; exit 1; fi
