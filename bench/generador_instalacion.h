#pragma once

// A large hotel installation for the transfer benchmark, written with the
// fixture builder: a year (or any number of days) of invoices with their
// sales lines, deposits and cash-desk collections, with the keys a real
// hotel database has on its tables.

#include "demo/instalacion.h"

#include <QString>

namespace generador {

struct Parametros {
    int facturas_dia = 165;    // a 150-room hotel: about 60 000 invoices a year
    int lineas_factura = 3;    // about 180 000 sales lines
    int cobros_dia = 250;      // about 90 000 collections
    int dias = 365;
    int anyo = 2013;
    unsigned semilla = 20130101u;
};

struct Totales {
    qint64 facturas = 0;
    qint64 lineas = 0;
    qint64 cobros = 0;
    qint64 clientes = 0;
};

// Builds the installation under `raiz` (which must not hold one yet):
// current link database with the sales breakdown and account creation on,
// Access mode, and the hotel rows of the parameters.
Totales generar(const QString& raiz, const Parametros& p);

// yyyymmdd of day `n` (0-based) of the parameters' year.
QString fecha_dia(const Parametros& p, int n);

} // namespace generador
