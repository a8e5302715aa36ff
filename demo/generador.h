#pragma once

// The one generator of hotel activity: the demo's month, the tests'
// installations with data, and the benchmark's year all come from it, told
// apart only by their size. The same size and seed give the same rows on
// every machine.
//
// What it writes into an installation (built, and empty of these rows):
//   - Cli: `clientes` private customers, codes "1001" on; about half with
//     their own account CliCta ("4300" + 5 digits), the others walk-in
//     customers with CliCta Null, "" or " ". Names with accents ("José María
//     Núñez Ibáñez"), an apostrophe ("O'Connor"), and one over 30 characters;
//     foreign guests with a passport number longer than a Spanish tax id.
//   - agen: travel agencies "201" on, some with billing data (AgenFNom,
//     AgenFDir, ...) and some without, some with AgenCta, one postcode
//     longer than 5 characters ("E-08001").
//   - na: companies "301" on, names over 30 characters, some NaCta.
//   - formas: 1 "Contado" 570000001, 2 "Tarjeta de crédito" 572000001,
//     3 "Transferencia bancaria" 572000002, 4 "Talón" with ForCta Null,
//     5 "Crédito agencia" 430000000.
//   - ser: 8 sales concepts "01".."08" (Alojamiento 705000001, Desayuno,
//     Media pensión, Restaurante, Bar, Lavandería, Teléfono with SerCta "",
//     Parking); Ca and Cadia: charge lines of the guests still in house.
//   - emi: invoices of every day of the period, EmiNum "1", "2", ... (text),
//     EmiAno the year; eMIC "0" private (most), "1" agency, "2" company; VAT
//     rates EmiI1 21, EmiI2 10, EmiI3 4, EmiI4 0, the stay in band 2 and the
//     bar sometimes in band 1; tourist tax TasaImporte on some (Null on
//     others), deposits EmiDep on some (Null on a few); EmiN "" on most, Null
//     on some, "B" on a few; EmiCie "1", "0" on half the invoices of the last
//     day (those have no collection).
//   - Hiscadia: the sales lines of each invoice (nights, breakfasts, bar...),
//     HCadiaCA "+" or "-" (discounts), HCadiaCta the concept's account (""
//     for Teléfono); the "+" lines minus the "-" lines make the invoice
//     total less the tourist tax.
//   - caja: the collections of the invoices (one, or two with different
//     payment methods), CajaOrd 1, 2, ... within each day, CajaPago "1";
//     agencies and companies mostly on credit (method 5, CajaCre "1",
//     CajaPago "0"); advance payments without invoice (CajaFra "" and CajaCon
//     "Anticipo nº 000123", the reference in characters 13-18; one with
//     CajaFra Null), CajaTur "1".
//   - link database: fac3 and caj3 rows of the previous month already sent
//     (state "1"), cre3 with a few credits collected in the month (state
//     "0") and one of the previous month ("1").
//   - Zumeral: Cta with accounts of levels 1 to 9 (level 9: customers'
//     430..., suppliers' 400..., one code that is not numeric, one with
//     CtaNif Null), TER with the holders of those tax ids.

#include <QtGlobal>

namespace demo {

class Instalacion;

struct Tamano {
    int dias = 0;              // from the first of the month; 0: the whole month
    int clientes = 60;
    int agencias = 8;
    int empresas = 6;
    int facturas_dia_min = 10;
    int facturas_dia_max = 14;
    int lineas_factura = 0;    // exactly this many sales lines an invoice (0: as they come)
    int cobros_dia = 0;        // at least this many collections a day (advance payments fill it)

    // A month of a 60-room hotel: the demo.
    static Tamano mes();
    // A year of a 150-room hotel: about 60 000 invoices, 180 000 sales lines
    // and 90 000 collections (the transfer benchmark).
    static Tamano anyo_grande();
};

struct Totales {
    qint64 facturas = 0;
    qint64 lineas = 0;
    qint64 cobros = 0;
    qint64 titulares = 0;
};

// Writes the rows described above for the period that starts on the first
// of the installation's anyo/mes, from the installation's seed.
Totales generar(Instalacion& inst, const Tamano& tamano);

} // namespace demo
