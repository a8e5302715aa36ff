#pragma once

// The entry of one issued invoice: its header, one VAT line per band and,
// when sales are broken down, the entry that moves the sales to the accounts
// of the invoiced concepts. Everything reads the current row of t.a.rs_fac3.

#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>

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
