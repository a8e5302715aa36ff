#!/usr/bin/env python3
"""Crash proof of the transfer: kills `enlace3 traspasar` (and `exportar-pgc`)
at chosen moments, lets the next start-up recover, repeats the transfer in
full and checks that A3Con would receive every staged row exactly once.

Each trial:
  1. copies a pristine installation (optionally one where an earlier transfer
     of the first days already left content in SUENLACE.DAT) to a scratch dir;
  2. runs `enlace3 traspasar DESDE HASTA --sobrescribir|--anadir` and kills it
     with SIGKILL: at a failpoint (ENLACE3_PUNTO_FALLO=nombre:n, the program
     kills itself), after a random delay, or when the temporary or target file
     reaches a random size;
  3. runs `enlace3 estado` (start-up recovery) and checks that every row
     marked "1" is in what A3Con would import;
  4. reruns `enlace3 traspasar DESDE HASTA --anadir` to the end and checks the
     union of what A3Con imports: every invoice, deposit, cash day (and each
     of its collections), credit and account exactly once, every line 254
     bytes + CR LF in Windows-1252, every entry whole, every row marked, and
     PRAGMA integrity_check on enlace3.MDB.

What A3Con imports: the final SUENLACE.DAT, plus the file as it was before
the killed run (kept aside) when that run was an overwrite that took effect,
i.e. when the final file no longer starts with the earlier content.

Only the standard library. Run through scripts/crash-traspaso.sh.
"""

import argparse
import collections
import concurrent.futures
import datetime
import json
import os
import random
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
from decimal import ROUND_HALF_UP, Decimal

ANCHO = 254
TIEMPO_MAXIMO = 300  # seconds for any one command; a hang is a failure

# Failpoints of the transfer, in the order a run passes them, with the stage
# each one stands for in the figures.
PUNTOS = [
    ("preparar", "preparación"),
    ("linea", "escritura"),
    ("fichero-cerrado", "cierre"),
    ("marcas", "marcas"),
    ("renombrado", "renombrado"),
]
ETAPA_DE_PUNTO = dict(PUNTOS)
ETAPAS = [etapa for _, etapa in PUNTOS]


# --- running the program ------------------------------------------------------


class Programa:
    def __init__(self, binario):
        self.binario = os.path.abspath(binario)

    def entorno(self, raiz, punto_fallo=None):
        env = dict(os.environ)
        env["ENLACE3_DOSDEVICES"] = raiz
        env["QT_QPA_PLATFORM"] = "offscreen"
        env.pop("ENLACE3_PUNTO_FALLO", None)
        if punto_fallo:
            env["ENLACE3_PUNTO_FALLO"] = punto_fallo
        return env

    def ejecutar(self, raiz, *args, punto_fallo=None):
        """Runs to the end; returns (status, stdout, stderr)."""
        try:
            p = subprocess.run([self.binario, *args], env=self.entorno(raiz, punto_fallo),
                               capture_output=True, timeout=TIEMPO_MAXIMO)
        except subprocess.TimeoutExpired as e:
            return "colgado", decodificar(e.stdout), decodificar(e.stderr)
        return p.returncode, decodificar(p.stdout), decodificar(p.stderr)

    def lanzar(self, raiz, *args, punto_fallo=None):
        return subprocess.Popen([self.binario, *args], env=self.entorno(raiz, punto_fallo),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def decodificar(datos):
    if datos is None:
        return ""
    return datos.decode("utf-8", "replace") if isinstance(datos, bytes) else datos


def carpeta_exportacion(raiz):
    """The export folder of the installations used here: F:\\NOCTARIS\\."""
    return os.path.join(raiz, "f:", "noctaris")


def base_enlace(raiz):
    return os.path.join(carpeta_exportacion(raiz), "enlace3.MDB")


def ruta_suenlace(carpeta):
    """The target file, whatever the case of its name on disk."""
    try:
        for nombre in os.listdir(carpeta):
            if nombre.lower() == "suenlace.dat":
                return os.path.join(carpeta, nombre)
    except FileNotFoundError:
        pass
    return os.path.join(carpeta, "Suenlace.dat")


def es_temporal(nombre):
    n = nombre.lower()
    return n.startswith("suenlace.dat.") and n.endswith(".tmp")


def temporales(carpeta):
    try:
        return [os.path.join(carpeta, n) for n in os.listdir(carpeta) if es_temporal(n)]
    except FileNotFoundError:
        return []


def leer(ruta):
    try:
        with open(ruta, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return b""


def huella(ruta):
    try:
        st = os.stat(ruta)
        return (st.st_ino, st.st_size, st.st_mtime_ns)
    except FileNotFoundError:
        return None


# --- what a SUENLACE.DAT holds --------------------------------------------------


def centimos(valor):
    return int((Decimal(repr(float(valor))) * 100).quantize(Decimal(1), rounding=ROUND_HALF_UP))


def importe(campo):
    """Cents of a 14-character signed amount, whatever the decimal separator."""
    limpio = campo.strip().replace(",", "").replace(".", "")
    try:
        return int(limpio)
    except ValueError:
        return None


class Contenido:
    """The documents of one file, as A3Con would book them, and its faults."""

    def __init__(self):
        self.claves = collections.Counter()
        self.fallos = collections.Counter()  # kind -> count
        self.ejemplos = {}

    def fallo(self, tipo, detalle):
        self.fallos[tipo] += 1
        self.ejemplos.setdefault(tipo, detalle)


def analizar(datos, empresa, contenido=None):
    """Splits `datos` into lines and entries and adds their keys to `contenido`."""
    c = contenido or Contenido()
    if not datos:
        return c
    trozos = datos.split(b"\r\n")
    if trozos[-1] != b"":
        c.fallo("línea rota", "el fichero no acaba en CR LF (%d bytes sueltos al final)" % len(trozos[-1]))
    else:
        trozos.pop()
    abierto = None  # the entry being read: dict(tipo, lineas)
    ultima_factura = None  # document and date of the last complete invoice

    def cerrar_incompleto(motivo):
        nonlocal abierto
        if abierto is not None:
            c.fallo("asiento incompleto", "%s (%s de %s)" % (motivo, abierto["tipo"], abierto["lineas"][0][6:14]))
            abierto = None

    for numero, crudo in enumerate(trozos, 1):
        if len(crudo) != ANCHO or b"\r" in crudo or b"\n" in crudo:
            c.fallo("línea rota", "línea %d de %d bytes" % (numero, len(crudo)))
            cerrar_incompleto("línea rota en medio")
            ultima_factura = None
            continue
        try:
            l = crudo.decode("cp1252")
        except UnicodeDecodeError:
            c.fallo("no es Windows-1252", "línea %d" % numero)
            cerrar_incompleto("línea ilegible")
            continue
        tipo, fecha, posicion = l[14], l[6:14], l[68]
        if l[0] != "4" or l[1:6] != empresa or tipo not in "C019" or not fecha.isdigit():
            c.fallo("línea no válida", "línea %d: %r" % (numero, l[:20]))
            cerrar_incompleto("línea no válida")
            continue
        documento = l[58:68].strip()
        if tipo == "C":
            cerrar_incompleto("cuenta en medio de un asiento")
            if l[252:254] != "EN":
                c.fallo("línea no válida", "cuenta sin EN, línea %d" % numero)
            c.claves[("cuenta", l[15:27].strip())] += 1
            ultima_factura = None
            continue
        if tipo == "1":
            cerrar_incompleto("factura en medio de un asiento")
            if posicion != "I":
                c.fallo("asiento incompleto", "cabecera de factura sin I, línea %d" % numero)
            abierto = {"tipo": "factura", "lineas": [l]}
            continue
        if tipo == "9":
            if abierto is None or abierto["tipo"] != "factura" or l[58:68] != abierto["lineas"][0][58:68]:
                cerrar_incompleto("línea de IVA ajena")
                c.fallo("asiento incompleto", "línea de IVA sin su cabecera, línea %d" % numero)
                continue
            abierto["lineas"].append(l)
            if posicion == "U":
                cabecera = abierto["lineas"][0]
                c.claves[("factura", cabecera[6:14], cabecera[58:68].strip())] += 1
                ultima_factura = (cabecera[58:68], cabecera[6:14])
                abierto = None
            elif posicion != "M":
                c.fallo("asiento incompleto", "línea de IVA con posición %r, línea %d" % (posicion, numero))
            continue
        # Entry line (type "0").
        concepto = l[69:99]
        if posicion == "I":
            cerrar_incompleto("asiento nuevo sin cerrar el anterior")
            abierto = {"tipo": clase_de_asiento(concepto), "lineas": [l]}
            continue
        if abierto is None:
            # A breakdown of an invoice without lines or tourist tax is its
            # lone closing line.
            if posicion == "U" and concepto.startswith("Desglose") and ultima_factura == (l[58:68], fecha):
                ultima_factura = None
                continue
            c.fallo("asiento incompleto", "línea %s sin apertura, línea %d" % (posicion, numero))
            continue
        abierto["lineas"].append(l)
        if posicion == "U":
            cerrar_asiento(c, abierto, ultima_factura)
            ultima_factura = None
            abierto = None
        elif posicion != "M":
            c.fallo("asiento incompleto", "posición %r, línea %d" % (posicion, numero))
    cerrar_incompleto("fin del fichero")
    return c


def clase_de_asiento(concepto):
    if concepto.startswith("Cobros Dia"):
        return "caja"
    if concepto.startswith("Dep.Descontado Factura"):
        return "deposito"
    if concepto.startswith("Cobro Credito Factura"):
        return "credito"
    if concepto.startswith("Desglose") or concepto.startswith("Impuesto EET"):
        return "desglose"
    return "otro"


def cerrar_asiento(c, asiento, ultima_factura):
    lineas = asiento["lineas"]
    primera = lineas[0]
    fecha = primera[6:14]
    tipo = asiento["tipo"]
    if tipo == "caja":
        c.claves[("dia de caja", fecha)] += 1
        for l in lineas:
            if l[57] == "H":
                c.claves[("cobro", fecha, l[58:68].strip(), importe(l[99:113]))] += 1
    elif tipo in ("deposito", "credito"):
        if len(lineas) != 2 or lineas[0][57] != "D" or lineas[1][57] != "H":
            c.fallo("asiento incompleto", "%s de %d líneas del %s" % (tipo, len(lineas), fecha))
        referencia = primera[69:99][len("Dep.Descontado Factura "):] if tipo == "deposito" \
            else primera[69:99][len("Cobro Credito Factura"):]
        c.claves[(tipo, fecha, referencia.strip(), importe(primera[99:113]))] += 1
    elif tipo == "desglose":
        if ultima_factura != (primera[58:68], fecha):
            c.fallo("asiento incompleto", "desglose sin su factura (%s del %s)" % (primera[58:68].strip(), fecha))
    else:
        c.fallo("asiento desconocido", primera[69:99])


def lo_que_importa_a3con(previo, final, empresa):
    """Documents A3Con books: the final file, and the earlier file when the
    final one no longer starts with it (an overwrite took effect)."""
    c = Contenido()
    if previo and not final.startswith(previo):
        analizar(previo, empresa, c)
    analizar(final, empresa, c)
    return c


# --- what the link database says ------------------------------------------------


class Enlace:
    """Rows of the link database, each with its key in the file and its mark."""

    def __init__(self, ruta, desde, hasta):
        self.filas = []  # (key, marked)
        self.integridad = "sin leer"
        self.empresa = None
        uri = "file:%s?mode=ro" % ruta
        cn = sqlite3.connect(uri, uri=True)
        try:
            self.integridad = cn.execute("PRAGMA integrity_check").fetchone()[0]
            self.empresa = cn.execute("SELECT ca3Emp FROM ca3").fetchone()[0]
            tablas = {r[0].lower() for r in cn.execute("SELECT name FROM sqlite_master WHERE type = 'table'")}
            if "ctas3" in tablas:
                for cuenta, estado in cn.execute("SELECT Cuenta, Estado FROM ctas3"):
                    self.filas.append((("cuenta", (cuenta or "").strip()), estado == "1"))
            if "fac3" in tablas:
                for fecha, fra, estado in cn.execute(
                        "SELECT FacFec, FacFra, FacEst FROM fac3 WHERE FacFec BETWEEN ? AND ?", (desde, hasta)):
                    self.filas.append((("factura", fecha, (fra or "").strip()), estado == "1"))
            if "edep3" in tablas:
                for fecha, fra, imp, estado in cn.execute("SELECT EdepFec, EdepFra, EdepImp, EdepEstado FROM edep3"):
                    self.filas.append((("deposito", fecha, (fra or "").strip(), centimos(imp or 0)), estado == "1"))
            if "caj3" in tablas:
                dias = collections.defaultdict(list)
                for fecha, fra, imp, estado in cn.execute(
                        "SELECT CajFec, CajFra, CajImp, CajEstado FROM caj3 WHERE CajFec BETWEEN ? AND ?",
                        (desde, hasta)):
                    dias[fecha].append(((fra or "").strip(), centimos(imp or 0), estado == "1"))
                for fecha, cobros in dias.items():
                    escritos = [x for x in cobros if x[1] != 0]
                    if not escritos:
                        continue
                    # A day is marked as a whole: it counts as marked when every row is.
                    self.filas.append((("dia de caja", fecha), all(x[2] for x in cobros)))
                    for fra, cent, marcado in escritos:
                        self.filas.append((("cobro", fecha, fra, cent), marcado))
            if "cre3" in tablas:
                for fecha, fra, imp, estado in cn.execute(
                        "SELECT Cre3FecValor, Cre3Fra, Cre3Imp, Cre3Estado FROM cre3 "
                        "WHERE Cre3FecValor BETWEEN ? AND ?", (desde, hasta)):
                    self.filas.append((("credito", fecha, (fra or "").strip(), centimos(imp or 0)), estado == "1"))
        finally:
            cn.close()

    def marcadas(self):
        return collections.Counter(k for k, m in self.filas if m)

    def todas(self):
        return collections.Counter(k for k, _ in self.filas)

    def sin_marcar(self):
        return [k for k, m in self.filas if not m]


def describir(clave):
    return " ".join(str(x) for x in clave)


# --- installations ---------------------------------------------------------------


def fecha_ddmmaaaa(aaaammdd):
    return aaaammdd[6:8] + aaaammdd[4:6] + aaaammdd[0:4]


def dia(n):
    """yyyymmdd of day n (0-based) of the generated installation's year."""
    return (datetime.date(2013, 1, 1) + datetime.timedelta(days=n)).strftime("%Y%m%d")


def anadir_creditos(raiz, dias):
    """Collected credits (two a day) so that the credits section has work."""
    cn = sqlite3.connect(base_enlace(raiz))
    with cn:
        for d in range(dias):
            for k in (1, 2):
                cn.execute("INSERT INTO cre3 (Cre3Fec, Cre3Ord, Cre3FecValor, Cre3Cli, Cre3Cobro, Cre3CobroN, Cre3Fra, "
                           "Cre3Imp, Cre3Estado) VALUES (?, ?, ?, ?, ?, ?, ?, ?, '0')",
                           (dia(d), k, dia(d), "430000%03d" % (d % 1000), "572000002", "Transferencia bancaria",
                            str(900000 + d * 2 + k), round(100 + d * 3.17 + k * 41.5, 2)))
    cn.close()


def copiar(origen, destino):
    shutil.copytree(origen, destino, symlinks=True)


# --- one trial ---------------------------------------------------------------------


class Ensayo:
    def __init__(self, numero, disparo, punto=None, n=None, retardo=None, tamano=None, modo="--sobrescribir",
                 previo=None):
        self.numero = numero
        self.disparo = disparo  # "fallo", "tiempo", "tamaño"
        self.punto, self.n, self.retardo, self.tamano = punto, n, retardo, tamano
        self.modo = modo
        self.previo = previo  # name of the installation with earlier content, or None
        self.etapa = ETAPA_DE_PUNTO.get(punto) if punto else None
        self.caida = False
        self.recuperacion = []
        self.fallos = []
        self.carpeta = None

    def descripcion(self):
        if self.disparo == "fallo":
            que = "%s:%d" % (self.punto, self.n)
        elif self.disparo == "tiempo":
            que = "%.3f s" % self.retardo
        else:
            que = "%d bytes" % self.tamano
        return "ensayo %d: %s %s %s%s" % (self.numero, self.disparo, que, self.modo,
                                           " sobre " + self.previo if self.previo else "")


def matar_cuando(proceso, carpeta, destino_inicial, disparo, valor, base):
    """Waits for the process and kills it when the trigger fires. Returns
    (killed, observed stage)."""
    t0 = time.monotonic()
    etapa = "preparación"
    while proceso.poll() is None:
        tmp = temporales(carpeta)
        destino = ruta_suenlace(carpeta)
        if tmp or huella(destino) != destino_inicial:
            etapa = "escritura"
        if disparo == "tiempo":
            disparar = time.monotonic() - t0 >= valor
        else:
            vigilado = tmp[0] if tmp else destino
            try:
                tam = os.stat(vigilado).st_size
            except FileNotFoundError:
                tam = 0
            # Only a file this run is writing counts: the untouched target of an
            # append run already has the earlier size.
            disparar = (tmp or huella(destino) != destino_inicial) and tam - base >= valor
        if disparar:
            proceso.kill()
            proceso.wait()
            return True, etapa
        time.sleep(0.0005)
    return proceso.returncode == -9, etapa


class Conservadas:
    """Failing trial folders are kept, up to a limit: a wrong build fails
    every trial, and each folder holds a whole installation."""

    def __init__(self, maximo, todas):
        self.maximo, self.todas, self.n = maximo, todas, 0
        self.bloqueo = threading.Lock()

    def decidir(self, e):
        if not e.fallos and not self.todas:
            shutil.rmtree(e.carpeta, ignore_errors=True)
            return
        if e.fallos:
            with self.bloqueo:
                self.n += 1
                guardar = self.n <= self.maximo
            if not guardar:
                shutil.rmtree(e.carpeta, ignore_errors=True)
                e.carpeta = "(no conservada)"


def ejecutar_ensayo(e, prog, instalaciones, previos, trabajo, desde, hasta, conservar):
    raiz = os.path.join(trabajo, "ensayo-%03d" % e.numero)
    e.carpeta = raiz
    origen = instalaciones[e.previo] if e.previo else instalaciones["limpia"]
    copiar(origen, raiz)
    carpeta = carpeta_exportacion(raiz)
    previo = previos.get(e.previo, b"") if e.previo else b""
    registro = {"ensayo": e.descripcion()}
    args = ["traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(hasta)]

    # The run that dies.
    destino_inicial = huella(ruta_suenlace(carpeta))
    if e.disparo == "fallo":
        proceso = prog.lanzar(raiz, *args, e.modo, punto_fallo="%s:%d" % (e.punto, e.n))
        try:
            proceso.wait(timeout=TIEMPO_MAXIMO)
        except subprocess.TimeoutExpired:
            proceso.kill()
            proceso.wait()
            e.fallos.append("colgado: la ejecución con el punto de fallo no terminó")
        e.caida = proceso.returncode == -9
    else:
        valor = e.retardo if e.disparo == "tiempo" else e.tamano
        base = len(previo) if e.modo == "--anadir" else 0
        proceso = prog.lanzar(raiz, *args, e.modo)
        e.caida, e.etapa = matar_cuando(proceso, carpeta, destino_inicial, e.disparo, valor, base)
    salida, errores = proceso.stdout.read(), proceso.stderr.read()
    proceso.stdout.close()
    proceso.stderr.close()
    registro["caida"] = {"estado": proceso.returncode, "stdout": decodificar(salida), "stderr": decodificar(errores)}
    if not e.caida and proceso.returncode != 0:
        e.fallos.append("la ejecución terminó con estado %s sin caída" % proceso.returncode)

    return recuperar_y_repetir(prog, raiz, carpeta, args, previo, desde, hasta, e, registro, conservar)


def recuperar_y_repetir(prog, raiz, carpeta, args, previo, desde, hasta, e, registro, conservar):
    """After the kill: start-up recovery, its checks, the complete rerun, the final checks."""
    estado, out, err = prog.ejecutar(raiz, "estado")
    registro["estado"] = {"estado": estado, "stdout": out, "stderr": err}
    e.recuperacion = mensajes_de_recuperacion(out + "\n" + err)
    if estado != 0:
        e.fallos.append("enlace3 estado terminó con %s: %s" % (estado, err.strip()[:200]))
    enlace = Enlace(base_enlace(raiz), desde, hasta)
    if enlace.integridad != "ok":
        e.fallos.append("integridad de enlace3.MDB tras la recuperación: %s" % enlace.integridad)
    tras = lo_que_importa_a3con(previo, leer(ruta_suenlace(carpeta)), enlace.empresa)
    perdidas = enlace.marcadas() - tras.claves
    if perdidas:
        e.fallos.append("marcado sin estar en el fichero tras la recuperación: %d (p. ej. %s)"
                        % (sum(perdidas.values()), describir(next(iter(perdidas)))))

    estado, out, err = prog.ejecutar(raiz, *args, "--anadir")
    registro["repeticion"] = {"estado": estado, "stdout": out, "stderr": err}
    if estado != 0:
        e.fallos.append("la repetición terminó con %s: %s" % (estado, err.strip()[:200]))
    enlace = Enlace(base_enlace(raiz), desde, hasta)
    comprobar_final(e, enlace, lo_que_importa_a3con(previo, leer(ruta_suenlace(carpeta)), enlace.empresa))

    with open(os.path.join(raiz, "ensayo.json"), "w", encoding="utf-8") as f:
        json.dump(dict(registro, fallos=e.fallos), f, ensure_ascii=False, indent=1)
    conservar.decidir(e)
    return e


def comprobar_final(e, enlace, contenido):
    if enlace.integridad != "ok":
        e.fallos.append("integridad de enlace3.MDB al final: %s" % enlace.integridad)
    for tipo, n in sorted(contenido.fallos.items()):
        e.fallos.append("%s: %d (p. ej. %s)" % (tipo, n, contenido.ejemplos[tipo]))
    esperado = enlace.todas()
    # Two rows may share a key (two advance payments of one amount on one
    # day): a key is duplicated when the file holds it more often than the rows.
    duplicados = collections.Counter({k: n - esperado[k] for k, n in contenido.claves.items()
                                      if k in esperado and n > esperado[k]})
    faltan = esperado - contenido.claves
    sobran = collections.Counter({k: n for k, n in contenido.claves.items() if k not in esperado})
    def por_clase(claves):
        return ", ".join("%s %d" % kv for kv in sorted(collections.Counter(k[0] for k in claves.elements()).items()))

    if duplicados:
        e.fallos.append("duplicados: %d (%s; p. ej. %s)" % (sum(duplicados.values()), por_clase(duplicados),
                                                             describir(next(iter(duplicados)))))
    if faltan:
        e.fallos.append("faltan: %d (%s; p. ej. %s)" % (sum(faltan.values()), por_clase(faltan),
                                                          describir(next(iter(faltan)))))
    if sobran:
        e.fallos.append("en el fichero sin fila en el enlace: %d (p. ej. %s)"
                        % (sum(sobran.values()), describir(next(iter(sobran)))))
    sin_marcar = enlace.sin_marcar()
    if sin_marcar:
        e.fallos.append("sin marcar tras la repetición: %d (p. ej. %s)" % (len(sin_marcar), describir(sin_marcar[0])))


AJUSTE = re.compile(r"^\w+ = ")


def mensajes_de_recuperacion(texto):
    """What start-up said beyond its usual status bar and settings, with the
    figures taken out so that messages of one kind count together."""
    mensajes = []
    for linea in texto.splitlines():
        linea = linea.strip()
        if not linea or linea.startswith("Versión:") or linea.startswith("Conectado:") or AJUSTE.match(linea):
            continue
        mensajes.append(re.sub(r"\d+", "N", linea)[:110])
    return mensajes


# --- the plan ---------------------------------------------------------------------


def plan_traspaso(n, rng, calibrado, previos):
    """Spreads n trials over the stages: failpoints with various n, delays,
    and sizes of the file being written."""
    reparto = [("fallo", "preparar", 12), ("fallo", "linea", 18), ("fallo", "fichero-cerrado", 8),
               ("fallo", "marcas", 8), ("fallo", "renombrado", 8), ("tiempo", None, 26), ("tamaño", None, 20)]
    total = sum(p for _, _, p in reparto)
    tipos = []
    for disparo, punto, peso in reparto:
        tipos += [(disparo, punto)] * max(1, round(n * peso / total))
    rng.shuffle(tipos)
    tipos = (tipos * 2)[:n]
    ensayos = []
    for i, (disparo, punto) in enumerate(tipos, 1):
        modo = rng.choice(["--sobrescribir", "--anadir"])
        con_previo = rng.random() < (0.75 if modo == "--anadir" else 0.35)
        previo = rng.choice(sorted(previos)) if con_previo and previos else None
        if disparo == "fallo":
            if punto == "preparar":
                k = rng.choice([1, 2, rng.randint(3, calibrado["pasos_preparar"])])
            elif punto == "linea":
                k = rng.choice([1, rng.randint(2, calibrado["asientos"]), rng.randint(2, calibrado["asientos"])])
            else:
                k = 1
            ensayos.append(Ensayo(i, disparo, punto=punto, n=k, modo=modo, previo=previo))
        elif disparo == "tiempo":
            ensayos.append(Ensayo(i, disparo, retardo=rng.uniform(0.02, 1.05) * calibrado["segundos"],
                                  modo=modo, previo=previo))
        else:
            # What this run adds: the whole range less what the earlier transfer sent.
            nuevo = calibrado["bytes"] - (len(previos[previo]) if previo else 0)
            ensayos.append(Ensayo(i, disparo, tamano=int(rng.uniform(0.0, 1.0) * nuevo),
                                  modo=modo, previo=previo))
    return ensayos


def calibrar(prog, instalaciones, trabajo, desde, hasta):
    """A whole run without kills: how long it takes, how big its file is, how
    many staging passes and entries it makes."""
    raiz = os.path.join(trabajo, "calibrado")
    copiar(instalaciones["limpia"], raiz)
    t0 = time.monotonic()
    estado, out, err = prog.ejecutar(raiz, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(hasta),
                                     "--sobrescribir")
    segundos = time.monotonic() - t0
    if estado != 0:
        sys.exit("El traspaso de calibrado ha fallado (%s):\n%s" % (estado, err))
    datos = leer(ruta_suenlace(carpeta_exportacion(raiz)))
    enlace = Enlace(base_enlace(raiz), desde, hasta)
    contenido = analizar(datos, enlace.empresa)
    if contenido.fallos or enlace.sin_marcar():
        sys.exit("El fichero del traspaso de calibrado no es correcto: %s" % dict(contenido.fallos))
    cn = sqlite3.connect(base_enlace(raiz))
    pasos = cn.execute("SELECT (SELECT COUNT(*) FROM fac3) + (SELECT COUNT(*) FROM caj3)").fetchone()[0]
    cn.close()
    asientos = sum(n for k, n in contenido.claves.items() if k[0] != "cobro")
    shutil.rmtree(raiz)
    return {"segundos": segundos, "bytes": len(datos), "pasos_preparar": pasos, "asientos": asientos,
            "claves": collections.Counter(k[0] for k in contenido.claves.elements())}


# --- figures ------------------------------------------------------------------------


def imprimir_cifras(titulo, ensayos, etapas):
    print()
    print(titulo)
    cab = "%-14s %8s %8s %8s %8s" % ("etapa", "ensayos", "caídas", "sin caída", "fallos")
    print(cab)
    print("-" * len(cab))
    for etapa in etapas + ["(sin caída)"]:
        if etapa == "(sin caída)":
            grupo = [e for e in ensayos if not e.caida and e.disparo != "fallo"]
        else:
            grupo = [e for e in ensayos if e.etapa == etapa and (e.caida or e.disparo == "fallo")]
        if not grupo:
            continue
        print("%-14s %8d %8d %8d %8d" % (etapa, len(grupo), sum(e.caida for e in grupo),
                                         sum(not e.caida for e in grupo), sum(bool(e.fallos) for e in grupo)))
    print("-" * len(cab))
    print("%-14s %8d %8d %8d %8d" % ("total", len(ensayos), sum(e.caida for e in ensayos),
                                     sum(not e.caida for e in ensayos), sum(bool(e.fallos) for e in ensayos)))
    print()
    print("Por disparo:")
    for disparo in ("fallo", "tiempo", "tamaño"):
        grupo = [e for e in ensayos if e.disparo == disparo]
        if grupo:
            print("  %-8s %4d ensayos, %4d caídas, %4d sin caída, %4d con fallos"
                  % (disparo, len(grupo), sum(e.caida for e in grupo), sum(not e.caida for e in grupo),
                     sum(bool(e.fallos) for e in grupo)))
    recuperaciones = collections.Counter(m for e in ensayos for m in e.recuperacion)
    print("Recuperaciones que anunció «enlace3 estado»:" + ("" if recuperaciones else " ninguna"))
    for m, n in recuperaciones.most_common():
        print("  %5d  %s" % (n, m))
    clases = collections.Counter(re.sub(r"[:(].*", "", f).strip() for e in ensayos for f in e.fallos)
    if clases:
        print("Fallos por clase (ensayos):")
        for c, n in clases.most_common():
            print("  %5d  %s" % (n, c))
        print("Primeros ensayos con fallos (carpetas conservadas):")
        for e in [e for e in ensayos if e.fallos][:12]:
            print("  %s -> %s" % (e.descripcion(), e.carpeta))
            for f in e.fallos[:4]:
                print("      " + f)


def correr(ensayos, funcion, trabajos):
    hechos = []
    bloqueo = threading.Lock()
    with concurrent.futures.ThreadPoolExecutor(max_workers=trabajos) as pool:
        futuros = [pool.submit(funcion, e) for e in ensayos]
        for f in concurrent.futures.as_completed(futuros):
            e = f.result()
            with bloqueo:
                hechos.append(e)
                if len(hechos) % 10 == 0 or len(hechos) == len(ensayos):
                    print("  %d/%d ensayos, %d con fallos" % (len(hechos), len(ensayos),
                                                             sum(bool(x.fallos) for x in hechos)), flush=True)
    return sorted(hechos, key=lambda e: e.numero)


# --- transfer mode --------------------------------------------------------------------


def modo_traspaso(args, prog, trabajo, rng, conservar):
    dias = args.dias
    desde, hasta = dia(0), dia(dias - 1)
    print("Instalación: %d días (%s a %s), %d facturas al día" % (dias, desde, hasta, args.facturas_dia))
    limpia = os.path.join(trabajo, "instalacion-limpia")
    p = subprocess.run([args.generador, "--generar", limpia, "--dias", str(dias), "--facturas-dia",
                        str(args.facturas_dia)], capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit("No se ha podido generar la instalación: " + p.stderr)
    print("  " + p.stdout.strip())
    anadir_creditos(limpia, dias)
    instalaciones = {"limpia": limpia}
    previos = {}
    # Installations where an earlier, complete transfer of the first days
    # left its content in SUENLACE.DAT (what --anadir keeps).
    for k in sorted({max(1, dias // 20), max(1, dias // 6), max(1, dias // 3)}):
        nombre = "previo-%dd" % k
        raiz = os.path.join(trabajo, "instalacion-" + nombre)
        copiar(limpia, raiz)
        estado, _, err = prog.ejecutar(raiz, "traspasar", fecha_ddmmaaaa(desde), fecha_ddmmaaaa(dia(k - 1)),
                                       "--sobrescribir")
        if estado != 0:
            sys.exit("El traspaso previo de %d días ha fallado: %s" % (k, err))
        instalaciones[nombre] = raiz
        previos[nombre] = leer(ruta_suenlace(carpeta_exportacion(raiz)))
    calibrado = calibrar(prog, instalaciones, trabajo, desde, hasta)
    print("Traspaso completo sin caídas: %.2f s, %d bytes, %d pasos de preparación, %d asientos (%s)"
          % (calibrado["segundos"], calibrado["bytes"], calibrado["pasos_preparar"], calibrado["asientos"],
             ", ".join("%s %d" % kv for kv in sorted(calibrado["claves"].items()))))

    ensayos = plan_traspaso(args.count, rng, calibrado, previos)
    print("Ensayos de traspaso: %d" % len(ensayos), flush=True)
    hechos = correr(ensayos, lambda e: ejecutar_ensayo(e, prog, instalaciones, previos, trabajo, desde, hasta,
                                                       conservar), args.jobs)
    imprimir_cifras("Traspaso (%d facturas, %d días):" % (calibrado["claves"]["factura"], dias), hechos,
                    ETAPAS)
    return hechos


# --- chart-of-accounts export mode ------------------------------------------------------


EMPRESA_ZUMERAL = "007"


def anadir_cuentas_zumeral(raiz, desde, hasta):
    """More level-9 accounts in the demo's Zumeral company, with holders."""
    mae = os.path.join(raiz, "g:", "zumeral", EMPRESA_ZUMERAL + "MAE.mdb")
    cn = sqlite3.connect(mae)
    with cn:
        for i in range(desde, hasta):
            cuenta = ("430%06d" if i % 2 else "400%06d") % (500000 + i)
            nif = "B%08d" % (70000000 + i)
            cn.execute("INSERT INTO Cta (CtaCod, CtaNom, CtaNif, CtaNiv) VALUES (?, ?, ?, 9)",
                       (cuenta, "Titular de prueba %d" % i, nif if i % 5 else None))
            if i % 5:
                cn.execute("INSERT INTO TER (TerNif, Ternom, TerDi, Terpob, TerCp, TerPro) VALUES (?, ?, ?, ?, ?, ?)",
                           (nif, "Titular Núñez %d S.L." % i, "Calle Mayor %d" % i, "Palma", "07001", "Baleares"))
    cn.close()


def ejecutar_ensayo_pgc(e, prog, instalaciones, previos, trabajo, conservar):
    raiz = os.path.join(trabajo, "pgc-%03d" % e.numero)
    e.carpeta = raiz
    copiar(instalaciones[e.previo] if e.previo else instalaciones["limpia"], raiz)
    carpeta = carpeta_exportacion(raiz)
    previo = previos.get(e.previo, b"") if e.previo else b""
    registro = {"ensayo": e.descripcion()}
    args = ["exportar-pgc", EMPRESA_ZUMERAL]
    destino_inicial = huella(ruta_suenlace(carpeta))
    if e.disparo == "fallo":
        proceso = prog.lanzar(raiz, *args, e.modo, punto_fallo="%s:%d" % (e.punto, e.n))
        proceso.wait()
        e.caida = proceso.returncode == -9
    else:
        valor = e.retardo if e.disparo == "tiempo" else e.tamano
        base = len(previo) if e.modo == "--anadir" else 0
        proceso = prog.lanzar(raiz, *args, e.modo)
        e.caida, e.etapa = matar_cuando(proceso, carpeta, destino_inicial, e.disparo, valor, base)
    registro["caida"] = {"estado": proceso.returncode, "stderr": decodificar(proceso.stderr.read())}
    proceso.stdout.close()
    proceso.stderr.close()
    if not e.caida and proceso.returncode != 0:
        e.fallos.append("la exportación terminó con estado %s sin caída" % proceso.returncode)

    return recuperar_y_repetir(prog, raiz, carpeta, args, previo, "0", "0", e, registro, conservar)


def modo_pgc(args, prog, trabajo, rng, conservar):
    cuentas = args.cuentas_pgc
    limpia = os.path.join(trabajo, "demo-limpia")
    estado, _, err = prog.ejecutar(trabajo, "demo", limpia)
    if estado != 0:
        sys.exit("No se ha podido crear la instalación de demostración: " + err)
    # Zumeral is switched on for the export, as the configuration window would.
    prog.ejecutar(limpia, "estado")
    cn = sqlite3.connect(base_enlace(limpia))
    with cn:
        cn.execute("UPDATE ca3 SET Zumeral = -1")
    cn.close()
    con_previo = os.path.join(trabajo, "demo-previo")
    copiar(limpia, con_previo)
    anadir_cuentas_zumeral(limpia, 0, cuentas)
    # The earlier export: half of the accounts, then the other half appears.
    anadir_cuentas_zumeral(con_previo, 0, cuentas // 2)
    estado, _, err = prog.ejecutar(con_previo, "exportar-pgc", EMPRESA_ZUMERAL, "--sobrescribir")
    if estado != 0:
        sys.exit("La exportación previa ha fallado: " + err)
    anadir_cuentas_zumeral(con_previo, cuentas // 2, cuentas)
    instalaciones = {"limpia": limpia, "previo": con_previo}
    previos = {"previo": leer(ruta_suenlace(carpeta_exportacion(con_previo)))}

    raiz = os.path.join(trabajo, "pgc-calibrado")
    copiar(limpia, raiz)
    t0 = time.monotonic()
    estado, _, err = prog.ejecutar(raiz, "exportar-pgc", EMPRESA_ZUMERAL, "--sobrescribir")
    segundos = time.monotonic() - t0
    tamano = len(leer(ruta_suenlace(carpeta_exportacion(raiz))))
    shutil.rmtree(raiz)
    if estado != 0:
        sys.exit("La exportación de calibrado ha fallado: " + err)
    print("Exportación del plan de cuentas sin caídas: %.2f s, %d bytes (%d cuentas)" % (segundos, tamano,
                                                                                        tamano // (ANCHO + 2)))
    reparto = [("fallo", "linea", 16), ("fallo", "fichero-cerrado", 8), ("fallo", "marcas", 8),
               ("fallo", "renombrado", 8), ("tiempo", None, 12), ("tamaño", None, 8)]
    tipos = []
    for disparo, punto, peso in reparto:
        tipos += [(disparo, punto)] * max(1, round(args.count_pgc * peso / 60))
    rng.shuffle(tipos)
    tipos = (tipos * 2)[:args.count_pgc]
    ensayos = []
    for i, (disparo, punto) in enumerate(tipos, 1):
        modo = rng.choice(["--sobrescribir", "--anadir"])
        previo = "previo" if rng.random() < (0.7 if modo == "--anadir" else 0.3) else None
        if disparo == "fallo":
            k = rng.randint(1, max(1, tamano // (ANCHO + 2))) if punto == "linea" else 1
            ensayos.append(Ensayo(i, disparo, punto=punto, n=k, modo=modo, previo=previo))
        elif disparo == "tiempo":
            ensayos.append(Ensayo(i, disparo, retardo=rng.uniform(0.0, 1.05) * segundos, modo=modo, previo=previo))
        else:
            nuevo = tamano - (len(previos[previo]) if previo else 0)
            ensayos.append(Ensayo(i, disparo, tamano=int(rng.uniform(0, 1) * nuevo), modo=modo, previo=previo))
    print("Ensayos de exportación: %d" % len(ensayos), flush=True)
    hechos = correr(ensayos, lambda e: ejecutar_ensayo_pgc(e, prog, instalaciones, previos, trabajo,
                                                           conservar), args.jobs)
    imprimir_cifras("Exportación del plan de cuentas (%d cuentas):" % (tamano // (ANCHO + 2)), hechos,
                    ETAPAS[1:] + ["preparación"])
    return hechos


def main():
    ap = argparse.ArgumentParser(description="Prueba de caídas del traspaso y de la exportación del plan de cuentas.")
    ap.add_argument("--bin", required=True, help="el programa enlace3")
    ap.add_argument("--generador", required=True, help="benchmark_traspaso (genera la instalación grande)")
    ap.add_argument("--count", type=int, default=200, help="ensayos del traspaso (200)")
    ap.add_argument("--count-pgc", type=int, default=60, help="ensayos de la exportación (60)")
    ap.add_argument("--seed", type=int, default=1, help="semilla del azar (1)")
    ap.add_argument("--dias", type=int, default=62, help="días de la instalación (62: unas 10 000 facturas)")
    ap.add_argument("--facturas-dia", type=int, default=165)
    ap.add_argument("--cuentas-pgc", type=int, default=3000, help="cuentas añadidas a la empresa de Zumeral")
    ap.add_argument("--modo", choices=["todo", "traspaso", "pgc"], default="todo")
    ap.add_argument("--jobs", type=int, default=1, help="ensayos a la vez (1)")
    ap.add_argument("--dir", help="carpeta de trabajo (por defecto una nueva en /tmp)")
    ap.add_argument("--conservar", action="store_true", help="conservar también las carpetas de los ensayos correctos")
    ap.add_argument("--max-conservadas", type=int, default=30, help="carpetas de ensayos con fallos que se conservan (30)")
    args = ap.parse_args()
    if args.dias < 2 or args.count < 0:
        ap.error("--dias debe ser al menos 2")
    rng = random.Random(args.seed)
    trabajo = args.dir or tempfile.mkdtemp(prefix="enlace3-caidas-")
    os.makedirs(trabajo, exist_ok=True)
    prog = Programa(args.bin)
    conservar = Conservadas(args.max_conservadas, args.conservar)
    print("Carpeta de trabajo: %s (semilla %d)" % (trabajo, args.seed), flush=True)

    hechos = []
    t0 = time.monotonic()
    if args.modo in ("todo", "traspaso") and args.count:
        hechos += modo_traspaso(args, prog, trabajo, rng, conservar)
    if args.modo in ("todo", "pgc") and args.count_pgc:
        hechos += modo_pgc(args, prog, trabajo, rng, conservar)

    fallidos = [e for e in hechos if e.fallos]
    caidas = sum(e.caida for e in hechos)
    print()
    print("%d ensayos en %.0f s: %d caídas, %d sin caída, %d con fallos"
          % (len(hechos), time.monotonic() - t0, caidas, len(hechos) - caidas, len(fallidos)))
    if fallidos:
        print("Carpetas de los ensayos con fallos en %s" % trabajo)
        print("FAIL")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
