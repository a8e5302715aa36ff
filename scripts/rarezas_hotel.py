#!/usr/bin/env python3
"""Oddities of hotel data against the transfer: plants random oddities of the
kinds hotels really hold (empty or non-numeric amounts, rates, quantities and
prices; impossible or badly written dates; repeated keys; empty invoice
numbers or collection orders; control characters in names and in invoice
numbers; amounts, invoice numbers and accounts no record can carry) into copies of the demo installation, runs

    enlace3 traspasar 01012013 31012013 --sobrescribir

on each copy and checks:
  - no crash: exit status 0 or 1, never a signal nor a hang;
  - the file passes `enlace3 verificar` with no problem;
  - every planted oddity is named in the report (standard error), except a
    control character in a free text, which must reach the file as a blank;
  - the exit status is 1 exactly when something was left out;
  - no staged row is left waiting: what the file cannot take stays in the hotel.

Prints the figures per kind and PASS or FAIL (exit status 1); the folders of
failing installations are kept. Only the standard library. Run through
scripts/rarezas-hotel.sh.
"""

import argparse
import collections
import datetime
import os
import random
import shutil
import sqlite3
import subprocess
import sys
import tempfile

TIEMPO_MAXIMO = 120
DESDE, HASTA = "20130101", "20130131"
CONTROLES = ["\t", "\x00", "\x01", "\x1f", "\x7f", "\r", "\n"]


def dma(fecha):
    return f"{fecha[6:8]}-{fecha[4:6]}-{fecha[0:4]}"


def noctaris(raiz):
    return os.path.join(raiz, "f:", "noctaris")


def bd(raiz, archivo):
    c = sqlite3.connect(os.path.join(noctaris(raiz), archivo))
    c.isolation_level = None
    return c


class Plantador:
    """Plants oddities into one installation, each on a row of its own."""

    def __init__(self, raiz, rnd):
        self.rnd = rnd
        self.emi = bd(raiz, "emi.MDB")
        self.caja = bd(raiz, "caja.MDB")
        self.his = bd(raiz, "hiscadia.MDB")
        self.facturas = self.emi.execute(
            "SELECT rowid, EmiAno, EmiNum, EmiFec, EmiCli FROM emi WHERE EmiFec BETWEEN ? AND ? "
            "AND EmiCie = '1' AND EmiN <> 'B'", (DESDE, HASTA)).fetchall()
        self.cobros = self.caja.execute(
            "SELECT rowid, CajaFec, CajaOrd FROM caja WHERE CajaFec BETWEEN ? AND ? AND CajaPago = '1'",
            (DESDE, HASTA)).fetchall()
        con_lineas = {(r[0], r[1]) for r in self.his.execute("SELECT DISTINCT HCadiaFraAno, HCadiaFra FROM Hiscadia")}
        self.rnd.shuffle(self.facturas)
        self.rnd.shuffle(self.cobros)
        self.con_lineas = con_lineas

    def factura(self, con_lineas=False):
        for i, f in enumerate(self.facturas):
            if not con_lineas or (f[1], f[2]) in self.con_lineas:
                return self.facturas.pop(i)
        return None

    def cobro(self):
        return self.cobros.pop() if self.cobros else None

    def fijar(self, bd_, tabla, columna, valor, rowid):
        bd_.execute(f"UPDATE {tabla} SET {columna} = ? WHERE rowid = ?", (valor, rowid))

    def plantar(self, tipo):
        """Returns (pieces the report must hold, control character of a free text or None), or None."""
        r = self.rnd
        if tipo in ("EmiTot", "EmiI2", "EmiFec", "EmiFec_escrita", "emi_repetida", "EmiNum", "control_EmiNom",
                    "control_EmiNum", "Hiscadia", "EmiTot_enorme", "EmiNum_largo", "HCadiaCta"):
            f = self.factura(con_lineas=tipo in ("Hiscadia", "HCadiaCta"))
            if f is None:
                return None
            rowid, ano, num, fec, cli = f
            k = f"Factura {ano}/{num}: "
        if tipo == "EmiTot":
            v = r.choice([None, "12abc", "", "1,5"])
            self.fijar(self.emi, "emi", "EmiTot", v, rowid)
            return [k + ("el total (EmiTot) está vacío" if v in (None, "") else
                         f"el total (EmiTot) «{v}» no es un número")], None
        if tipo == "EmiTot_enorme":
            v = r.choice([1e10, 2.5e11, -1e12])
            self.fijar(self.emi, "emi", "EmiTot", v, rowid)
            return [k + "no cabe en un registro de A3Con (campo total: «",
                    "no cabe en diez cifras enteras (el máximo es 9999999999.99)); no se ha traspasado."], None
        if tipo == "EmiNum_largo":
            v = num.rjust(11, "9")
            self.fijar(self.emi, "emi", "EmiNum", v, rowid)
            return [f"Factura {ano}/{v}: no cabe en un registro de A3Con (campo documento: «{v}» ocupa 11 caracteres "
                    "y el campo admite 10); no se ha traspasado."], None
        if tipo == "EmiI2":
            v = r.choice([None, "diez", "10%"])
            self.fijar(self.emi, "emi", "EmiI2", v, rowid)
            return [k + ("el tipo de IVA 2 (EmiI2) está vacío" if v is None else
                         f"el tipo de IVA 2 (EmiI2) «{v}» no es un número")], None
        if tipo == "Hiscadia":
            col, nombre, vacio = r.choice([("HCadiaCan", "la cantidad de una línea", "está vacía"),
                                           ("HCadiaPre", "el precio de una línea", "está vacío")])
            v = r.choice([None, "x", "3 uds"])
            self.his.execute(f"UPDATE Hiscadia SET {col} = ? WHERE rowid = (SELECT min(rowid) FROM Hiscadia "
                             "WHERE HCadiaFraAno = ? AND HCadiaFra = ?)", (v, ano, num))
            return [k + f"{nombre} ({col}) " + (vacio if v is None else f"«{v}» no es un número")], None
        if tipo == "HCadiaCta":
            self.his.execute("UPDATE Hiscadia SET HCadiaCta = ? WHERE rowid = (SELECT min(rowid) FROM Hiscadia "
                             "WHERE HCadiaFraAno = ? AND HCadiaFra = ?)", (r.choice(["70500000x", "7O5000001", "705-001"]), ano, num))
            return [k + "no cabe en un registro de A3Con (campo cuenta: «", "una cuenta solo puede tener cifras); no se ha traspasado."], None
        if tipo == "EmiFec":
            v = r.choice([fec[:7] + "a", fec[:6] + "1" + r.choice("xyz"), fec[:6] + "0 ", "2013013"])
            self.fijar(self.emi, "emi", "EmiFec", v, rowid)
            return [k + f"la fecha (EmiFec) «{v}» no es una fecha del calendario escrita aaaammdd"], None
        if tipo == "EmiFec_escrita":
            v = r.choice([f"{fec[:4]}-{fec[4:6]}-{fec[6:]}", f"{fec[6:]}/{fec[4:6]}/{fec[:4]}",
                          f"{fec[:4]}/{fec[4:6]}/{fec[6:]}", " " + fec, fec[:6] + "00", fec[:6] + "32"])
            self.fijar(self.emi, "emi", "EmiFec", v, rowid)
            return [k + f"la fecha (EmiFec) «{v}» no es una fecha del calendario escrita aaaammdd"], None
        if tipo == "emi_repetida":
            cols = [c[1] for c in self.emi.execute("PRAGMA table_info(emi)")]
            lista = ", ".join(cols)
            self.emi.execute(f"INSERT INTO emi ({lista}) SELECT {lista} FROM emi WHERE rowid = ?", (rowid,))
            self.emi.execute("UPDATE emi SET EmiTot = 999.99 WHERE rowid = last_insert_rowid()")
            return [k + "otra factura en la tabla de facturas emitidas (emi) tiene el mismo ejercicio y número"], None
        if tipo == "EmiNum":
            self.fijar(self.emi, "emi", "EmiNum", None, rowid)
            return [f"Factura del {dma(fec)} (ejercicio {ano}, número vacío, cliente {cli}, total ",
                    "el número (EmiNum) está vacío"], None
        if tipo == "control_EmiNom":
            c = r.choice(CONTROLES)
            nombre = f"Cliente{c}de prueba {num}"
            self.fijar(self.emi, "emi", "EmiNom", nombre, rowid)
            return [], (num, nombre)
        if tipo == "control_EmiNum":
            c = r.choice(CONTROLES)
            self.fijar(self.emi, "emi", "EmiNum", num + c, rowid)
            v = f"{num}[código {ord(c)}]"
            return [f"Factura {ano}/{v}: el número (EmiNum) «{v}» tiene un carácter de control"], None

        g = self.cobro()
        if g is None:
            return None
        rowid, fec, orden = g
        k = f"Cobro de caja del {dma(fec)}, orden {orden}: "
        if tipo == "CajaImp":
            v = r.choice([None, "5x", ""])
            self.fijar(self.caja, "caja", "CajaImp", v, rowid)
            return [k + ("el importe (CajaImp) está vacío" if v in (None, "") else
                         f"el importe (CajaImp) «{v}» no es un número")], None
        if tipo == "CajaImp_enorme":
            self.fijar(self.caja, "caja", "CajaImp", r.choice([1e10, 3e11]), rowid)
            return [k + "no cabe en un registro de A3Con (campo importe: «", "no cabe en diez cifras enteras"], None
        if tipo == "CajaFec":
            v = r.choice([fec[:7] + "a", f"{fec[:4]}-{fec[4:6]}-{fec[6:]}", fec[:6] + "00"])
            self.fijar(self.caja, "caja", "CajaFec", v, rowid)
            return [f"Cobro de caja del {v}, orden {orden}: la fecha (CajaFec) «{v}» no es una fecha del "
                    "calendario escrita aaaammdd"], None
        if tipo == "caja_repetido":
            cols = [c[1] for c in self.caja.execute("PRAGMA table_info(caja)")]
            lista = ", ".join(cols)
            self.caja.execute(f"INSERT INTO caja ({lista}) SELECT {lista} FROM caja WHERE rowid = ?", (rowid,))
            self.caja.execute("UPDATE caja SET CajaImp = 7.77 WHERE rowid = last_insert_rowid()")
            return [k + "otro cobro en la tabla de cobros de caja (caja) tiene el mismo día y número de orden"], None
        if tipo == "CajaOrd":
            v = r.choice([None, "x", "2.5"])
            self.fijar(self.caja, "caja", "CajaOrd", v, rowid)
            quien = f"Cobro de caja del {dma(fec)}, orden {'(vacío)' if v is None else v}: "
            return [quien + ("el número de orden (CajaOrd) está vacío" if v is None else
                             f"el número de orden (CajaOrd) «{v}» no es un número entero")], None
        raise ValueError(tipo)


TIPOS = ["EmiTot", "EmiI2", "Hiscadia", "CajaImp", "EmiFec", "EmiFec_escrita", "CajaFec", "emi_repetida",
         "caja_repetido", "CajaOrd", "EmiNum", "control_EmiNom", "control_EmiNum", "EmiTot_enorme", "EmiNum_largo",
         "CajaImp_enorme", "HCadiaCta"]


def ejecutar(args, raiz, *orden):
    entorno = dict(os.environ, ENLACE3_DOSDEVICES=raiz, QT_QPA_PLATFORM="offscreen")
    return subprocess.run([args.bin, *orden], env=entorno, capture_output=True, timeout=TIEMPO_MAXIMO)


def fichero(raiz):
    for nombre in os.listdir(noctaris(raiz)):
        if nombre.lower() == "suenlace.dat":
            return os.path.join(noctaris(raiz), nombre)
    return None


def nombre_en_fichero(ruta, num, nombre):
    """The invoice header of `num` carries the name with each control character as a blank."""
    esperado = "".join(" " if (ord(ch) < 0x20 or ord(ch) == 0x7F) else ch for ch in nombre)[:30].ljust(30)
    with open(ruta, "rb") as f:
        for linea in f.read().split(b"\r\n"):
            texto = linea.decode("cp1252", errors="replace")
            if len(texto) == 254 and texto[14] == "1" and texto[58:68].strip() == num:
                return texto[27:57] == esperado
    return False


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--bin", required=True)
    p.add_argument("--instalaciones", type=int, default=100)
    p.add_argument("--por-instalacion", type=int, default=10)
    p.add_argument("--seed", type=int, default=None)
    p.add_argument("--dir", default=None)
    args = p.parse_args()
    semilla = args.seed if args.seed is not None else random.randrange(1 << 30)
    rnd = random.Random(semilla)
    trabajo = args.dir or tempfile.mkdtemp(prefix="rarezas-hotel-")
    os.makedirs(trabajo, exist_ok=True)
    base = os.path.join(trabajo, "demo")
    if not os.path.isdir(base):
        r = subprocess.run([args.bin, "demo", base], capture_output=True, timeout=TIEMPO_MAXIMO)
        if r.returncode != 0:
            sys.exit("no se ha podido crear la instalación de demostración: " + r.stderr.decode(errors="replace"))
        # The sales breakdown on, so that the invoice lines are read too.
        enlace = sqlite3.connect(os.path.join(noctaris(base), "enlace3.MDB"))
        enlace.execute("UPDATE ca3 SET ca3nif = -1")
        enlace.commit()
        enlace.close()

    plantadas = collections.Counter()
    informadas = collections.Counter()
    estados = collections.Counter()
    fallos = []
    inicio = datetime.datetime.now()
    for n in range(args.instalaciones):
        raiz = os.path.join(trabajo, f"i{n:04d}")
        shutil.rmtree(raiz, ignore_errors=True)
        shutil.copytree(base, raiz)
        plantador = Plantador(raiz, rnd)
        esperadas = []
        for _ in range(args.por_instalacion):
            tipo = rnd.choice(TIPOS)
            hecho = plantador.plantar(tipo)
            if hecho is None:
                continue
            plantadas[tipo] += 1
            esperadas.append((tipo, *hecho))
        problemas = []
        try:
            r = ejecutar(args, raiz, "traspasar", "01012013", "31012013", "--sobrescribir")
        except subprocess.TimeoutExpired:
            problemas.append("traspasar no termina")
            r = None
        if r is not None:
            estados[r.returncode] += 1
            err = r.stderr.decode("utf-8", errors="replace")
            if r.returncode not in (0, 1):
                problemas.append(f"traspasar terminó con {r.returncode}: {err[-500:]}")
            ruta = fichero(raiz)
            if ruta is None:
                problemas.append("no hay Suenlace.dat")
            else:
                v = ejecutar(args, raiz, "verificar", ruta)
                if v.returncode != 0:
                    problemas.append("verificar: " + v.stdout.decode(errors="replace")[-1500:])
            se_informa = False
            for tipo, trozos, control in esperadas:
                if control is not None:
                    if ruta and nombre_en_fichero(ruta, *control):
                        informadas[tipo] += 1
                    else:
                        problemas.append(f"{tipo}: el nombre {control[1]!r} no llega con blancos")
                    continue
                se_informa = True
                if all(t in err for t in trozos):
                    informadas[tipo] += 1
                else:
                    problemas.append(f"{tipo}: no se informa de {trozos!r}")
            # A row the file could not take is left in the hotel: none is staged to wait for ever.
            enlace = sqlite3.connect(os.path.join(noctaris(raiz), "enlace3.MDB"))
            esperando = sum(enlace.execute(sql).fetchone()[0] for sql in (
                "SELECT count(*) FROM fac3 WHERE FacEst = '0'", "SELECT count(*) FROM caj3 WHERE CajEstado = '0'",
                "SELECT count(*) FROM edep3 WHERE EdepEstado = '0'"))
            enlace.close()
            if esperando:
                problemas.append(f"{esperando} filas preparadas y sin traspasar")
            if r.returncode in (0, 1) and r.returncode != (1 if se_informa else 0):
                problemas.append(f"estado {r.returncode} con{'' if se_informa else ' nada'} que informar")
        if problemas:
            fallos.append((raiz, problemas))
        else:
            shutil.rmtree(raiz, ignore_errors=True)

    segundos = (datetime.datetime.now() - inicio).total_seconds()
    total = sum(plantadas.values())
    print(f"semilla {semilla}; {args.instalaciones} instalaciones, {total} rarezas plantadas en {segundos:.0f} s")
    print(f"{'tipo':20} {'plantadas':>9} {'en el informe':>14}")
    for tipo in TIPOS:
        print(f"{tipo:20} {plantadas[tipo]:9} {informadas[tipo]:14}")
    print(f"{'todas':20} {total:9} {sum(informadas.values()):14}")
    print("estados de salida: " + ", ".join(f"{k}: {v}" for k, v in sorted(estados.items())))
    for raiz, problemas in fallos[:10]:
        print(f"FALLO en {raiz}:")
        for pr in problemas[:5]:
            print("   " + pr)
    if fallos:
        print(f"FAIL: {len(fallos)} instalaciones con problemas (conservadas en {trabajo})")
        return 1
    print("PASS")
    if not args.dir:
        shutil.rmtree(trabajo, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
