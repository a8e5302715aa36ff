#pragma once

// The entry of one issued invoice: its header, one VAT line per band and,
// when sales are broken down, the entry that moves the sales to the accounts
// of the invoiced concepts. The functions on `t` read the current row of
// t.a.rs_fac3; the staging builds the same lines from the values it is about
// to stage, so an invoice no record can carry is never staged.

#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>

#include <vector>

// One staged invoice's values, as fac3 holds them.
struct FilaFactura {
    QString eje, fra, fec, cuenta, nombre;
    double b[5] = {0, 0, 0, 0, 0};   // FacB0 .. FacB4
    double i[5] = {0, 0, 0, 0, 0};   // FacI1 .. FacI4 at 1 .. 4
    double c[5] = {0, 0, 0, 0, 0};   // FacC1 .. FacC4 at 1 .. 4
    double total = 0;
    double tasa = 0;
};

// The sales of an invoice on one account: its lines' amounts added up.
struct VentasCuenta {
    QString cuenta;
    double suma = 0;
};

// True when the invoice carries nothing but the tourist tax: FacTotal - FacC2
// equals FacTasa, both in cents.
bool es_factura_solo_tasa(const ado::Recordset& fac3);

// The bands the invoice uses, "0" to "4" in increasing order (may be empty).
QString cuantas_bases(Traspaso& t);
// Taxable base, rate ("00.00") and VAT amount of band `tbase`, rendered.
QString bases(Traspaso& t, int tbase);
QString tanto(Traspaso& t, int tbase);
QString cuota(Traspaso& t, int tbase);

// Every line of the invoice, in the order they go to the file. Sets
// t.factura_solo_tasa. Throws registros::RegistroRechazado when a value does
// not fit (nothing of the invoice is to be written then) and ado::Error when
// the sales lines cannot be read.
QStringList generar_factura_ascii(Traspaso& t);

// The same lines for the invoice `f` whose sales are `ventas` (read only when
// sales are broken down). Throws registros::RegistroRechazado.
QStringList lineas_factura(const Traspaso& t, const FilaFactura& f, const std::vector<VentasCuenta>& ventas);
