#pragma once

// Account codes of the transfer: adjustment to the configured length, the
// customer's account of an invoice or a collection, the payment method's
// account, and the date conversions.

#include "transfer/traspaso.h"

#include <QDate>
#include <QString>

// With 8 or 9 digits a longer code keeps its first 4 and its last 4 (or 5)
// characters; otherwise unchanged. `wcuenta` becomes the result.
QString ajustar_digitos(int wdigitos, QString& wcuenta);

bool existe_cuenta(A3ADO& a, const QString& cuenta_busqueda);

// May show a message and throw TraspasoDetenido (missing holder).
// Reads EmiFec and EmiCli of the current row of a.rs_emi.
QString cuenta_cliente(Traspaso& t, const QString& numfra, const QString& anofra,
                       const QString& ccliente, const QString& tipocliente);
QString cuenta_cliente2(Traspaso& t, const QString& numfra, const QString& anofra);
// May show "Error no existe contado" (and go on) or "error fatal" (and throw
// TraspasoDetenido).
QString cuenta_cobro(Traspaso& t, const QString& codcobro);

QString amd(const QDate& ddmmaa);        // yyyymmdd
QDate dma(const QString& aaaammdd);      // invalid QDate when not a date
