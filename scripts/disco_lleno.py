#!/usr/bin/env python3
"""Full disk at each stage of a transfer: the drive F: of the installation
(which holds the export folder, the link database enlace3.MDB and the hotel
files) is a small tmpfs, and a filler file leaves exactly the free space of
each step, so that the disk fills while staging, while writing the file,
while committing the marks, or not at all.

After every run: exit status 1 when it could not finish, one Spanish message
on stderr naming the path and the reason, SUENLACE.DAT byte-identical to
what it was before the run, nothing marked that is not in that file, and
PRAGMA integrity_check ok; a run that finished must have sent and marked
everything exactly once. Prints a table of free space -> outcome.

When this machine does not allow mounting a tmpfs, the size of every file the
program writes is capped instead (prlimit --fsize, with SIGXFSZ ignored so
that writes fail with "File too large" as on a full disk): each file may grow
by the "free" space past the largest file of F:, which shows the file and
journal stages but not a disk that fills across several files.

Only the standard library; run as root through scripts/disco-lleno.sh.
"""

import argparse
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import types

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from crash_traspaso import (Enlace, Programa, anadir_creditos, analizar, base_enlace, carpeta_exportacion,  # noqa: E402
                            comprobar_final, dia, fecha_ddmmaaaa, leer, lo_que_importa_a3con, ruta_suenlace, temporales)

K = 1024
M = 1024 * K


def montar_tmpfs(punto, tamano):
    os.makedirs(punto, exist_ok=True)
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % tamano, "tmpfs", punto],
                       capture_output=True, text=True)
    return r.returncode == 0, r.stderr.strip()


def desmontar(punto):
    subprocess.run(["umount", punto], capture_output=True)


def vaciar(carpeta):
    for nombre in os.listdir(carpeta):
        ruta = os.path.join(carpeta, nombre)
        if os.path.isdir(ruta) and not os.path.islink(ruta):
            shutil.rmtree(ruta)
        else:
            os.remove(ruta)


def libre(carpeta):
    st = os.statvfs(carpeta)
    return st.f_bavail * st.f_frsize


def dejar_libre(carpeta, bytes_libres):
    """Fills the file system of `carpeta` so that `bytes_libres` stay free."""
    relleno = libre(carpeta) - bytes_libres
    if relleno <= 0:
        return
    with open(os.path.join(carpeta, "relleno"), "wb") as f:
        os.posix_fallocate(f.fileno(), 0, relleno)


def preparar_bases(prog, generador, trabajo, dias):
    """Two installations: `limpia` (nothing staged; an earlier transfer of the
    first two days left SUENLACE.DAT), and `preparada` (the same, with the
    rest of the range staged but not sent, so that the next run only writes
    and marks)."""
    desde, hasta = dia(0), dia(dias - 1)
    limpia = os.path.join(trabajo, "limpia")
    r = subprocess.run([generador, "--generar", limpia, "--dias", str(dias)], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("No se ha podido generar la instalación: " + r.stderr)
    anadir_creditos(limpia, dias)
    estado, _, err = prog.ejecutar(limpia, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(dia(1)),
                                   "--sobrescribir")
    if estado != 0:
        sys.exit("El traspaso previo ha fallado: " + err)

    preparada = os.path.join(trabajo, "preparada")
    shutil.copytree(limpia, preparada)
    # A read-only SUENLACE.DAT lets the run stage everything and then refuse
    # to write: the rows stay staged and pending.
    destino = ruta_suenlace(carpeta_exportacion(preparada))
    os.chmod(destino, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    prog.ejecutar(preparada, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(hasta), "--anadir")
    os.chmod(destino, 0o644)
    enlace = Enlace(base_enlace(preparada), desde, hasta)
    pendientes = len(enlace.sin_marcar())
    if not pendientes:
        sys.exit("No se ha podido dejar la instalación preparada sin enviar.")

    # What a complete run writes, to place the steps.
    medida = os.path.join(trabajo, "medida")
    shutil.copytree(preparada, medida)
    antes = len(leer(ruta_suenlace(carpeta_exportacion(medida))))
    estado, _, err = prog.ejecutar(medida, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(hasta), "--anadir")
    if estado != 0:
        sys.exit("El traspaso de medida ha fallado: " + err)
    nuevo = len(leer(ruta_suenlace(carpeta_exportacion(medida)))) - antes
    shutil.rmtree(medida)
    return limpia, preparada, antes, nuevo, pendientes


def comprobar(prog, raiz, desde, hasta, estado, err, previo, modo):
    """The outcome of one run: (ok, short text)."""
    carpeta = carpeta_exportacion(raiz)
    final = leer(ruta_suenlace(carpeta))
    enlace = Enlace(base_enlace(raiz), desde, hasta)
    fallos = []
    if enlace.integridad != "ok":
        fallos.append("integridad: " + enlace.integridad)
    quedan = len(temporales(carpeta))
    if estado == 0:
        # A run that finished sent everything once, as after any transfer.
        revision = types.SimpleNamespace(fallos=[])
        comprobar_final(revision, enlace, lo_que_importa_a3con(previo, final, enlace.empresa))
        fallos += ["terminó, pero " + f for f in revision.fallos]
        resultado = "terminado"
    else:
        if estado != 1:
            fallos.append("estado de salida %s" % estado)
        if final != previo:
            fallos.append("SUENLACE.DAT cambiado (%d -> %d bytes)" % (len(previo), len(final)))
        # The earlier file counts as imported when this run was to overwrite it.
        perdidas = sum((enlace.marcadas() - lo_que_importa_a3con(previo, final, enlace.empresa).claves).values())
        if perdidas:
            fallos.append("%d filas marcadas que no están en el fichero" % perdidas)
        lineas = [l for l in err.splitlines() if l.strip()]
        texto = " ".join(lineas)
        if not lineas:
            fallos.append("ningún mensaje")
        else:
            if not any(p in texto.lower() for p in ("suenlace.dat", "enlace3.mdb", "f:\\")):
                fallos.append("el mensaje no nombra la ruta")
            if not any(p in texto.lower() for p in ("espacio", "lleno", "disco")):
                fallos.append("el mensaje no dice en castellano que falta espacio")
        resultado = "rechazado"
    if quedan:
        fallos.append("%d temporal(es) sin borrar" % quedan)
    return not fallos, resultado, fallos


def main():
    ap = argparse.ArgumentParser(description="Traspasos con el disco lleno en cada etapa.")
    ap.add_argument("--bin", required=True)
    ap.add_argument("--generador", required=True)
    ap.add_argument("--dias", type=int, default=10, help="días de la instalación (10: unas 1 650 facturas)")
    ap.add_argument("--dir", help="carpeta de trabajo (por defecto una nueva en /tmp)")
    ap.add_argument("--sin-montar", action="store_true",
                    help="no montar un tmpfs: limitar el tamaño de cada fichero con prlimit --fsize")
    args = ap.parse_args()
    prog = Programa(args.bin)
    trabajo = args.dir or tempfile.mkdtemp(prefix="enlace3-disco-")
    os.makedirs(trabajo, exist_ok=True)
    desde, hasta = dia(0), dia(args.dias - 1)
    print("Carpeta de trabajo: %s" % trabajo)
    limpia, preparada, antes, nuevo, pendientes = preparar_bases(prog, args.generador, trabajo, args.dias)
    print("Instalación de %d días: SUENLACE.DAT previo de %d bytes; un traspaso completo añade %d bytes "
          "y marca %d filas" % (args.dias, antes, nuevo, pendientes))

    # Free space steps: inside the staging (nothing staged yet), inside the
    # file, just past it (the journal commit of the marks), and enough.
    # Each step: (installation, free bytes, what the space is measured against).
    pasos = [("limpia", x, "preparación") for x in (0, 16 * K, 128 * K, 512 * K)]
    pasos += [("preparada", int(nuevo * f), "%d %% de lo nuevo" % (f * 100)) for f in (0.0, 0.25, 0.5, 0.9)]
    # Where the file just fits: the new part less the old file an overwrite
    # frees, the new part alone, the new part plus a copy of the old one; a
    # little more space lands the fill in the commit of the marks.
    for justo, nombre in ((nuevo - antes, "nuevo-previo"), (nuevo, "nuevo"), (nuevo + antes, "nuevo+previo")):
        for extra in (-4 * K, 0, 4 * K, 16 * K, 64 * K, 256 * K):
            pasos.append(("preparada", max(0, justo + extra), "%s%+d KiB" % (nombre, extra // K)))
    pasos += [("preparada", antes + nuevo + extra, "nuevo+previo+%d MiB" % (extra // M))
              for extra in (1 * M, 4 * M, 16 * M)]
    vistos = set()
    pasos = [p for p in pasos if not ((p[0], p[1]) in vistos or vistos.add((p[0], p[1])))]
    pasos.sort(key=lambda p: (p[0] != "limpia", p[1]))

    raiz = os.path.join(trabajo, "raiz")
    unidad_f = os.path.join(raiz, "f:")
    montado, motivo = (False, "--sin-montar") if args.sin_montar else montar_tmpfs(unidad_f, 128 * M)
    if not montado:
        print("No se puede montar un tmpfs (%s): se limita el tamaño de cada fichero con prlimit --fsize." % motivo)
    previo = leer(ruta_suenlace(carpeta_exportacion(limpia)))
    filas = []
    try:
        for base, libre_bytes, paso in pasos:
            for modo in ("--sobrescribir", "--anadir"):
                origen = limpia if base == "limpia" else preparada
                if montado:
                    vaciar(unidad_f)
                else:
                    shutil.rmtree(raiz, ignore_errors=True)
                for unidad in ("c:", "f:", "g:"):
                    destino = os.path.join(raiz, unidad)
                    if unidad == "f:" and montado:
                        shutil.copytree(os.path.join(origen, unidad), destino, dirs_exist_ok=True)
                    else:
                        shutil.rmtree(destino, ignore_errors=True)
                        shutil.copytree(os.path.join(origen, unidad), destino)
                orden = [prog.binario, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(hasta), modo]
                if montado:
                    dejar_libre(unidad_f, libre_bytes)
                else:
                    # Every file may grow by the free space past the largest one.
                    mayor = max(os.path.getsize(os.path.join(dp, n))
                                for dp, _, ns in os.walk(unidad_f) for n in ns)
                    orden = ["prlimit", "--fsize=%d" % (mayor + max(libre_bytes, 1)), "--", "bash", "-c",
                             'trap "" XFSZ; exec "$@"', "enlace3"] + orden
                r = subprocess.run(orden, env=prog.entorno(raiz), capture_output=True, text=True, timeout=300)
                ok, resultado, fallos = comprobar(prog, raiz, desde, hasta, r.returncode, r.stderr, previo, modo)
                mensaje = " ".join(l.strip() for l in r.stderr.splitlines() if l.strip())
                filas.append((base, libre_bytes, paso, modo, r.returncode, resultado, ok, fallos, mensaje))
                print("%-9s %9d KiB libres %-14s -> estado %s, %s%s" % (
                    base, libre_bytes // K, modo, r.returncode, resultado,
                    "" if ok else ": " + "; ".join(fallos)), flush=True)
                if not ok:
                    guardado = os.path.join(trabajo, "fallo-%s-%d%s" % (base, libre_bytes, modo))
                    shutil.rmtree(guardado, ignore_errors=True)
                    shutil.copytree(raiz, guardado, ignore=shutil.ignore_patterns("relleno"))
    finally:
        if montado:
            desmontar(unidad_f)

    print()
    print("Libre (KiB) = espacio libre en F: al empezar (instalación %s)" % ("en tmpfs" if montado else
                                                                              "con prlimit --fsize"))
    print("%-10s %10s %-22s %-14s %6s %-10s %-4s %s" % ("base", "libre KiB", "paso", "modo", "estado",
                                                        "resultado", "ok", "mensaje (stderr) / fallos"))
    for base, libre_bytes, paso, modo, estado, resultado, ok, fallos, mensaje in filas:
        print("%-10s %10d %-22s %-14s %6s %-10s %-4s %s" % (base, libre_bytes // K, paso, modo, estado, resultado,
                                                            "sí" if ok else "NO", mensaje[:140]))
        for f in fallos:
            print("%83s %s" % ("", f))
    malos = [f for f in filas if not f[6]]
    print()
    print("%d ejecuciones, %d rechazadas, %d terminadas, %d con fallos" % (
        len(filas), sum(f[5] == "rechazado" for f in filas), sum(f[5] == "terminado" for f in filas), len(malos)))
    if malos:
        print("Carpetas de las ejecuciones con fallos en %s (fallo-*)" % trabajo)
        print("FAIL")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
