#pragma once

// The journal entries of the money movements: the cash-desk collections of a
// day, the discounted deposits and the collected credits. Each writer reads
// the current row of its recordset and returns what it would write; the
// generation run writes an entry only once all of its lines were built, so a
// value that does not fit (registros::RegistroRechazado) drops the whole
// entry and never leaves half of it in the file.

#include "transfer/records/registros.h"
#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Debit line of one payment method's total of the day (current row of
// t.a.rs_caj3 on the grouped selection), of t.wsuma_caja. Nothing when the
// total is zero in cents; then a wlinea of 1 goes back to 0, so the next
// written line is still the first of the day.
std::optional<registros::Apunte> apunte_debe_caja(Traspaso& t);

// Credit line of one collection of the day (current row of t.a.rs_caj3 on the
// day's rows). Nothing when the amount is zero in cents.
std::optional<registros::Apunte> apunte_haber_caja(Traspaso& t);

// The day's entry as it goes to the file: the first line written "I", the
// last "U", the others "M"; a lone line "I". Throws RegistroRechazado.
QStringList cerrar_asiento_caja(std::vector<registros::Apunte> lineas);

// One collection's credit line of the day `fecha` (yyyymmdd), as a line in
// the middle of the entry. Throws RegistroRechazado when its invoice number
// does not fit.
registros::Apunte apunte_cobro(const Traspaso& t, const QString& fecha, const QString& cliente,
                               const QString& factura, double importe);
// A deposit to discount, as edep3 holds it.
struct FilaDeposito {
    QString fecha, cuenta, factura;
    double importe = 0;
};
FilaDeposito leer_deposito(const ado::Recordset& edep3);
// The deposit's two lines, debit and credit.
QStringList lineas_deposito(const Traspaso& t, const FilaDeposito& d);

// The two lines of the collected credit of the current row of t.a.rs_cre3.
QString crear_credito_debe(Traspaso& t);
QString crear_credito_haber(Traspaso& t);
