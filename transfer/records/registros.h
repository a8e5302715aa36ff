#pragma once

// The four record types of SUENLACE.DAT and the formatting they share. Each
// builder takes the variable fields and returns the 254-character line (no
// CR LF). A value that does not fit its field is refused with
// RegistroRechazado: a line of another length is never produced. So is a
// record A3Con would book wrongly: an account that is blank or not all
// digits, a date that is not on the calendar, an amount that is not a finite
// number, an invoice line without its invoice number, a control character in
// a code (account, document, tax id, postcode). A control character in a free
// text (names, addresses, descriptions, concepts) becomes a blank.

#include <QString>
#include <stdexcept>

namespace registros {

constexpr int kLongitud = 254;

class RegistroRechazado : public std::runtime_error {
public:
    RegistroRechazado(QString campo, QString valor, QString motivo);
    const QString campo;   // field name, e.g. "cuenta"
    const QString valor;   // the offending value as given
    const QString motivo;  // Spanish explanation
    // "campo cuenta: «...» ..." ready to show to the user.
    QString explicacion() const;
};

// Eight digits yyyymmdd naming a day of the calendar.
bool es_fecha(const QString& texto);
// Refuses (RegistroRechazado) an account no record can carry: empty, with
// anything but digits, or longer than the twelve of its field. Blanks after
// it are its column's padding.
void exigir_cuenta(const QString& cuenta);
// Text left-aligned and padded with blanks to `ancho` Windows-1252 bytes;
// refused when longer or when it holds a control character.
QString rellenar(const QString& texto, int ancho, const QString& campo);
// First `ancho` characters when longer, else padded; control characters
// become blanks.
QString cortar_rellenar(const QString& texto, int ancho);
// "+0000001234.50" / "-0000000087.46": sign chosen after rounding; refused
// when the magnitude is 1e10 or more after rounding.
QString importe(double valor, const QString& campo);
// "07.00": refused when the rate is negative or 100 or more after rounding.
QString tanto(double valor, const QString& campo);

struct RegistroCuenta {          // type "C"
    QString empresa;             // exactly 5 characters
    QString fecha;               // yyyymmdd
    QString cuenta;              // 12
    QString nombre;              // 30
    QString nif;                 // 14
    QString direccion;           // 30
    QString localidad;           // 20
    QString cp;                  // 5
    QString provincia;           // 15
};
QString registro_cuenta(const RegistroCuenta& r);

struct Apunte {                  // type "0"
    QString empresa;
    QString fecha;
    QString cuenta;              // 12
    QString descripcion;         // 30 (empty -> blanks)
    QString lado;                // "D" / "H"
    QString documento;           // 10 (empty -> blanks)
    QString posicion;            // "I" / "M" / "U"
    QString concepto;            // 30
    double importe = 0;
};
QString registro_apunte(const Apunte& r);

struct CabeceraFactura {         // type "1"
    QString empresa;
    QString fecha;
    QString cuenta;              // 12
    QString nombre;              // 30
    QString documento;           // 10
    QString concepto;            // 30
    double total = 0;
};
QString registro_cabecera_factura(const CabeceraFactura& r);

struct LineaIva {                // type "9"
    QString empresa;
    QString fecha;
    QString cuenta;              // 12
    QString descripcion;         // 30
    QString documento;           // 10
    QString posicion;            // "M" / "U"
    QString concepto;            // 30
    double base = 0;
    double tipo = 0;
    double cuota = 0;
};
QString registro_linea_iva(const LineaIva& r);

} // namespace registros
