#pragma once

// Writing SUENLACE.DAT from the staging tables, and what came of it.

#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>

struct ResultadoGeneracion {
    QString ruta;              // Windows path of the file (wruta + "\Suenlace.dat")
    bool fichero_ok = false;   // written, flushed and closed without error; marks committed
    QString error;             // why the file failed (path and reason), when !fichero_ok
    int cuentas = 0;           // account records written
    int facturas = 0;          // invoices written
    int depositos = 0;         // deposits written
    int dias_caja = 0;         // cash-desk days written
    int creditos = 0;          // credits written
    QStringList omitidos;      // entries left out (row and reason), Spanish
    bool completo() const { return fichero_ok && omitidos.isEmpty(); }
};

// Opens the file (asking through t.a.ui whether to empty an existing one),
// writes the five sections and marks what was written, all marks in one
// transaction committed only after the file closed cleanly.
ResultadoGeneracion generar_suenlace_dat(Traspaso& t);
