#include "transfer/records/registros.h"

#include "platform/cp1252.h"
#include "platform/vb.h"

#include <QDate>
#include <QStringList>

#include <cmath>
#include <initializer_list>

namespace registros {

namespace {

QString texto_explicacion(const QString& campo, const QString& valor, const QString& motivo)
{
    return QStringLiteral("campo %1: «%2» %3").arg(campo, valor, motivo);
}

QString valor_texto(double valor)
{
    return QString::number(valor, 'g', 15);
}

void exigir_numero(double valor, const QString& campo)
{
    if (!std::isfinite(valor))
        throw RegistroRechazado(campo, valor_texto(valor), QStringLiteral("no es un importe válido"));
}

// ---------------------------------------------------------------------------
// Texts
// ---------------------------------------------------------------------------

bool es_control(char16_t u)
{
    return u < 0x20 || u == 0x7F;
}

bool tiene_control(const QString& texto)
{
    for (const QChar c : texto)
        if (es_control(c.unicode()))
            return true;
    return false;
}

// A TAB or a NUL typed into a name is no part of the name; A3Con would read
// the byte as it is, and a line break would split the record in two.
QString sin_controles(const QString& texto)
{
    if (!tiene_control(texto))
        return texto;
    QString t = texto;
    for (QChar& c : t)
        if (es_control(c.unicode()))
            c = QLatin1Char(' ');
    return t;
}

// The text exactly as it will reach the file: composed, one character per
// Windows-1252 byte, "?" for what Windows-1252 lacks. Building the line from
// these characters keeps its length equal to its length in bytes.
QString texto_ansi(const QString& texto)
{
    return platform::fromCp1252(platform::toCp1252(texto));
}

// A code (account, document, tax id) with a control character in it is not
// the code anyone typed; blanking it would send another code.
void exigir_sin_controles(const QString& texto, const QString& campo)
{
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u == u'\r' || u == u'\n')
            throw RegistroRechazado(campo, texto, QStringLiteral("contiene un salto de línea"));
        if (es_control(u))
            throw RegistroRechazado(campo, texto,
                                    QStringLiteral("contiene un carácter de control (código %1)").arg(int(u)));
    }
}

QString exacto(const QString& texto, int ancho, const QString& campo, const QString& motivo)
{
    exigir_sin_controles(texto, campo);
    const QString t = texto_ansi(texto);
    if (platform::cp1252Width(texto) != ancho || t.size() != ancho)
        throw RegistroRechazado(campo, texto, motivo);
    return t;
}

QString marca(const QString& valor, std::initializer_list<const char*> admitidas, const QString& campo)
{
    for (const char* m : admitidas)
        if (valor == QLatin1String(m))
            return valor;
    QStringList lista;
    for (const char* m : admitidas)
        lista << QStringLiteral("\"%1\"").arg(QLatin1String(m));
    throw RegistroRechazado(campo, valor, QStringLiteral("debe ser %1").arg(lista.join(QStringLiteral(" o "))));
}

QString lado(const QString& valor)
{
    return marca(valor, {"D", "H"}, QStringLiteral("lado"));
}

QString posicion(const QString& valor)
{
    return marca(valor, {"I", "M", "U"}, QStringLiteral("posicion"));
}

QString blancos(int n)
{
    return QString(n, QLatin1Char(' '));
}

const QString kImporteCero = QStringLiteral("+0000000000.00");
const QString kTantoCero = QStringLiteral("00.00");

QString completo(const QString& linea)
{
    // Every field above has a fixed width, so this cannot fail unless a
    // field rule is broken; refuse rather than write a misaligned record.
    if (linea.size() != kLongitud)
        throw RegistroRechazado(QStringLiteral("registro"), linea,
                                QStringLiteral("no tiene %1 caracteres").arg(kLongitud));
    return linea;
}

} // namespace

RegistroRechazado::RegistroRechazado(QString campo_, QString valor_, QString motivo_)
    : std::runtime_error(texto_explicacion(campo_, valor_, motivo_).toStdString()),
      campo(std::move(campo_)), valor(std::move(valor_)), motivo(std::move(motivo_))
{
}

QString RegistroRechazado::explicacion() const
{
    return texto_explicacion(campo, valor, motivo);
}

namespace {

// Printable ASCII: one byte per character, nothing to compose, convert or
// blank, so the text goes to the line as it is.
bool ascii_de_una_linea(const QString& texto)
{
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u >= 0x7F || u < 0x20)
            return false;
    }
    return true;
}

void anadir_blancos(QString& linea, int n)
{
    linea.resize(linea.size() + n, QLatin1Char(' '));
}

void anadir_exacto(QString& linea, const QString& texto, int ancho, const QString& campo, const QString& motivo)
{
    if (texto.size() == ancho && ascii_de_una_linea(texto)) {
        linea += texto;
        return;
    }
    linea += exacto(texto, ancho, campo, motivo);
}

// The field padded to `ancho`, appended to the line under construction. A
// free text gets a blank for each control character; a code is refused.
enum class Clase { Texto, Codigo };
void anadir_relleno(QString& linea, const QString& texto, int ancho, const QString& campo,
                    Clase clase = Clase::Texto)
{
    if (texto.size() <= ancho && ascii_de_una_linea(texto)) {
        linea += texto;
        anadir_blancos(linea, ancho - int(texto.size()));
        return;
    }
    linea += rellenar(clase == Clase::Texto ? sin_controles(texto) : texto, ancho, campo);
}

// An account is what A3Con books on: digits only, never blank.
void anadir_cuenta(QString& linea, const QString& cuenta)
{
    const QString campo = QStringLiteral("cuenta");
    if (cuenta.isEmpty())
        throw RegistroRechazado(campo, cuenta, QStringLiteral("está vacía"));
    if (!vb::es_numerico(cuenta))
        throw RegistroRechazado(campo, cuenta, QStringLiteral("una cuenta solo puede tener cifras"));
    anadir_relleno(linea, cuenta, 12, campo, Clase::Codigo);
}

// The invoice number of an invoice line: A3Con files the invoice under it.
void anadir_documento(QString& linea, const QString& documento, bool obligatorio)
{
    const QString campo = QStringLiteral("documento");
    if (obligatorio && documento.trimmed().isEmpty())
        throw RegistroRechazado(campo, documento, QStringLiteral("está vacío y una factura necesita su número"));
    anadir_relleno(linea, documento, 10, campo, Clase::Codigo);
}

// A date that is not on the calendar would be booked on a day that does not
// exist, or refused by A3Con half-way through the import.
void anadir_fecha(QString& linea, const QString& fecha)
{
    const QString campo = QStringLiteral("fecha");
    anadir_exacto(linea, fecha, 8, campo, QStringLiteral("la fecha debe tener exactamente 8 caracteres (aaaammdd)"));
    if (!es_fecha(fecha))
        throw RegistroRechazado(campo, fecha, QStringLiteral("no es una fecha del calendario (aaaammdd)"));
}

void anadir_importe(QString& linea, double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const vb::Escalado e = vb::escalar(valor, 2, vb::Desempate::LejosDeCero);
    if (e.grande || e.magnitud >= 1000000000000ULL)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en diez cifras enteras (el máximo es 9999999999.99)"));
    char texto[14];
    texto[0] = e.negativo ? '-' : '+';
    quint64 m = e.magnitud;
    for (int i = 13; i >= 1; --i) {
        if (i == 11) {
            texto[i] = '.';
            continue;
        }
        texto[i] = char('0' + m % 10);
        m /= 10;
    }
    linea += QLatin1String(texto, sizeof texto);
}

void anadir_tanto(QString& linea, double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const vb::Escalado e = vb::escalar(valor, 2, vb::Desempate::LejosDeCero);
    if (e.negativo)
        throw RegistroRechazado(campo, valor_texto(valor), QStringLiteral("un tipo de IVA no puede ser negativo"));
    if (e.grande || e.magnitud >= 10000ULL)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en el formato 00.00 (el máximo es 99.99)"));
    const int m = int(e.magnitud);
    const char texto[5] = {char('0' + m / 1000), char('0' + m / 100 % 10), '.', char('0' + m / 10 % 10),
                           char('0' + m % 10)};
    linea += QLatin1String(texto, sizeof texto);
}

} // namespace

bool es_fecha(const QString& texto)
{
    if (texto.size() != 8 || !vb::es_numerico(texto))
        return false;
    return QDate(texto.left(4).toInt(), texto.mid(4, 2).toInt(), texto.right(2).toInt()).isValid();
}

QString rellenar(const QString& texto, int ancho, const QString& campo)
{
    exigir_sin_controles(texto, campo);
    const QString t = texto_ansi(texto);
    const int ocupa = platform::cp1252Width(texto);
    if (ocupa > ancho || t.size() > ancho)
        throw RegistroRechazado(campo, texto,
                                QStringLiteral("ocupa %1 caracteres y el campo admite %2").arg(ocupa).arg(ancho));
    return t + blancos(ancho - int(t.size()));
}

QString cortar_rellenar(const QString& texto, int ancho)
{
    const QString t = sin_controles(texto_ansi(texto));
    if (t.size() > ancho)
        return t.left(ancho);
    return t + blancos(ancho - int(t.size()));
}

QString importe(double valor, const QString& campo)
{
    QString texto;
    anadir_importe(texto, valor, campo);
    return texto;
}

QString tanto(double valor, const QString& campo)
{
    QString texto;
    anadir_tanto(texto, valor, campo);
    return texto;
}

namespace {

// Every line opens alike: its format, the company, the date, the kind of
// line, the account and the account's text. Fields are checked in the order
// they stand, so the first one that does not fit is the one refused.
QString inicio(const QString& de_empresa, const QString& de_fecha, QChar clase, const QString& cuenta,
               const QString& texto, const QString& campo_texto)
{
    QString linea;
    linea.reserve(kLongitud);
    linea += QLatin1Char('4');
    anadir_exacto(linea, de_empresa, 5, QStringLiteral("empresa"),
                  QStringLiteral("el código de empresa debe tener exactamente 5 caracteres"));
    anadir_fecha(linea, de_fecha);
    linea += clase;
    anadir_cuenta(linea, cuenta);
    anadir_relleno(linea, texto, 30, campo_texto);
    return linea;
}

} // namespace

QString registro_cuenta(const RegistroCuenta& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('C'), r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea += QLatin1Char('S');
    linea += kImporteCero;
    anadir_blancos(linea, 1);
    anadir_blancos(linea, 4);
    anadir_relleno(linea, r.nif, 14, QStringLiteral("nif"), Clase::Codigo);
    linea += QLatin1String("CL");
    anadir_relleno(linea, r.direccion, 30, QStringLiteral("direccion"));
    anadir_blancos(linea, 11);
    anadir_relleno(linea, r.localidad, 20, QStringLiteral("localidad"));
    anadir_relleno(linea, r.cp, 5, QStringLiteral("cp"), Clase::Codigo);
    anadir_relleno(linea, r.provincia, 15, QStringLiteral("provincia"));
    linea += QLatin1String("011");
    anadir_blancos(linea, 58);
    anadir_blancos(linea, 17);
    linea += QLatin1String("EN");
    return completo(linea);
}

QString registro_apunte(const Apunte& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('0'), r.cuenta,
                           r.descripcion, QStringLiteral("descripcion"));
    linea += lado(r.lado);
    anadir_documento(linea, r.documento, false);
    linea += posicion(r.posicion);
    anadir_relleno(linea, r.concepto, 30, QStringLiteral("concepto"));
    anadir_importe(linea, r.importe, QStringLiteral("importe"));
    anadir_blancos(linea, 139);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

QString registro_cabecera_factura(const CabeceraFactura& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('1'), r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea += QLatin1Char('1');
    anadir_documento(linea, r.documento, true);
    linea += QLatin1Char('I');
    anadir_relleno(linea, r.concepto, 30, QStringLiteral("concepto"));
    anadir_importe(linea, r.total, QStringLiteral("total"));
    anadir_blancos(linea, 139);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

QString registro_linea_iva(const LineaIva& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('9'), r.cuenta,
                           r.descripcion, QStringLiteral("descripcion"));
    linea += QLatin1Char('C');
    anadir_documento(linea, r.documento, true);
    linea += posicion(r.posicion);
    anadir_relleno(linea, r.concepto, 30, QStringLiteral("concepto"));
    linea += QLatin1String("01");
    anadir_importe(linea, r.base, QStringLiteral("base"));
    anadir_tanto(linea, r.tipo, QStringLiteral("tipo"));
    anadir_importe(linea, r.cuota, QStringLiteral("cuota"));
    linea += kTantoCero;
    linea += kImporteCero;
    linea += kTantoCero;
    linea += kImporteCero;
    linea += QLatin1String("01");
    linea += QLatin1Char('S');
    anadir_blancos(linea, 77);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

} // namespace registros
