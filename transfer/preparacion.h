#pragma once

// Staging: copies the closed invoices (with their sales lines and deposits)
// and the paid cash-desk collections of a range from the hotel into the link
// tables fac3, fal3, edep3 and caj3, each row in state "0". A hotel record is
// staged at most once, whatever the state of its staged row.

#include "transfer/facturas.h"
#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// "UPDATE cli SET CliCta = '' ..." on the hotel: a blank account is no account.
void normalizar_cuentas_clientes(Traspaso& t);

// True when fac3 already holds the invoice, in any state. Leaves a.rs_fac3
// open on that selection, ready for mover_datos_factura.
bool ya_ha_sido_traspasado(Traspaso& t, const QString& eje, const QString& numero);
// True when caj3 already holds the collection. Leaves a.rs_caj3 open on that
// selection, ready for mover_datos_caja.
bool ya_ha_sido_traspasado_caja(Traspaso& t, const QString& fecha, qint64 orden);

// Current row of a.rs_emi -> one fac3 row (and its fal3 rows when the sales
// breakdown is on). May throw TraspasoDetenido (missing holder); the row is
// then not saved.
void mover_datos_factura(Traspaso& t);
// The hotel lines of one invoice -> fal3, numbered 1, 2, 3 ... in reading order.
// Returns their amounts added up by account.
std::vector<VentasCuenta> generar_fal(Traspaso& t, const QString& w_eje, const QString& w_numero);
// Current row of a.rs_emi -> one edep3 row (the deposit to discount), added
// through a.rs_edep3, which stays open for the next deposit.
void mover_deposito(Traspaso& t);
// Current row of a.rs_caja -> one caj3 row. May throw TraspasoDetenido.
void mover_datos_caja(Traspaso& t);

// The invoice selection of t.wdesde..t.whasta: the emi normalising updates,
// then every closed invoice not yet staged. Returns the invoices staged.
// An invoice whose data do not fit a record (a number that is empty or not a
// number, a date that is not a calendar yyyymmdd, an empty number or year, a
// year and number already read in this selection) is not staged and is added
// to t.rechazados; so are the invoices of the range's months whose date is
// written so that no selection sees it. The same for the collections.
// Staged rows are committed in groups; a stop keeps what was saved before it.
// Each invoice (with its lines, deposit and recorded accounts) and each
// collection is staged whole or not at all: a failure half-way leaves no
// trace of it and stops the staging with an ado::Error whose description
// begins by naming it ("Factura 123 del ejercicio 2013: ...", "Cobro de caja
// del 05-01-2013, orden 3: ..."); a stop (TraspasoDetenido) likewise.
int preparar_facturas(Traspaso& t);
// The cash-desk selection of the same range. Returns the collections staged.
int preparar_cobros(Traspaso& t);

// --- the value rules of the staged columns ---

// FacB2: the whole total taken as band-2 base plus VAT, ties to even.
double base_banda2(double total, double tipo);
// FacIvaR: wcta_iva, and the rate as two digits when VAT goes by rate.
QString cuenta_iva_factura(const QString& wcta_iva, bool wiva_por_tipo, double tipo);
// FalEmp: a numeric company code with at least three digits; anything else as is.
QString empresa_000(const QString& wempresa);
// FalImp: quantity x price to three decimals, negative unless the line is "+".
double importe_linea(double cantidad, double precio, const QString& cargo_abono);
// CajOrd / the order of a collection as a wide integer (text or number).
qint64 orden_cobro(const QVariant& valor);

// A hotel number as the staging takes it: Null or blank text is empty, text
// that is not wholly a number (or an infinity) is no number; otherwise its
// value to 15 significant digits, so that what a driver hands over as
// 38.52499999999999 for a stored 38.525 is 38.525 before any arithmetic.
struct NumeroHotel {
    enum Estado { Valido, Vacio, NoNumero };
    Estado estado = Valido;
    double valor = 0;   // 0 unless Valido
};
NumeroHotel numero_hotel(const QVariant& valor);

// The rows the staging left out, grouped by kind, each group headed by its
// count and listing at most `maximo_por_clase` rows.
QStringList informe_rechazados(const std::vector<DatoRechazado>& rechazados, int maximo_por_clase = 20);
