#include "transfer/records/registros.h"

#include "platform/cp1252.h"

#include <QStringList>

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace registros {

namespace {

QString texto_explicacion(const QString& campo, const QString& valor, const QString& motivo)
{
    return QStringLiteral("campo %1: «%2» %3").arg(campo, valor, motivo);
}

// ---------------------------------------------------------------------------
// Decimal rounding. A double such as 2.675 is really 2.67499999999999982236431605997495353221893310546875;
// rounding that binary value gives 2.67, which is not what anyone who typed
// 2.675 expects. Taking the value as its 15-significant-digit decimal first
// (what a person reads) and rounding that decimal gives 2.68.
// ---------------------------------------------------------------------------

enum class Desempate { LejosDeCero, Par };

struct Redondeado {
    bool negativo = false;   // never true for zero
    QByteArray digitos;      // |value| * 10^decimales, no leading zeros, "0" for zero
};

bool todo_ceros(const QByteArray& digitos)
{
    for (char c : digitos)
        if (c != '0')
            return false;
    return true;
}

void sumar_uno(QByteArray& digitos)
{
    for (qsizetype i = digitos.size() - 1; i >= 0; --i) {
        if (digitos[i] != '9') {
            digitos[i] = char(digitos[i] + 1);
            return;
        }
        digitos[i] = '0';
    }
    digitos.prepend('1');
}

QByteArray sin_ceros_a_la_izquierda(const QByteArray& digitos)
{
    qsizetype i = 0;
    while (i + 1 < digitos.size() && digitos[i] == '0')
        ++i;
    return digitos.mid(i);
}

// Precondition: valor is finite.
Redondeado redondeo_decimal(double valor, int decimales, Desempate desempate)
{
    constexpr int kCifras = 15;
    char buf[64];
    // to_chars ignores the C locale, unlike printf, so a comma locale
    // cannot slip into the digits.
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(valor), std::chars_format::scientific,
                                   kCifras - 1);
    const QByteArray texto(buf, res.ptr - buf);   // "d.dddddddddddddde+XX"
    const qsizetype e = texto.indexOf('e');
    QByteArray mantisa = texto.left(1) + texto.mid(2, e - 2);   // 15 digits
    const int exponente = texto.mid(e + 1).toInt();

    // |valor| * 10^decimales == mantisa * 10^k
    const int k = exponente - (kCifras - 1) + decimales;
    QByteArray resultado;
    if (k >= 0) {
        resultado = mantisa + QByteArray(k, '0');
    } else if (-k > kCifras) {
        resultado = "0";
    } else {
        const int conservar = kCifras + k;
        resultado = mantisa.left(conservar);
        const QByteArray resto = mantisa.mid(conservar);
        const char decisiva = resto.at(0);
        bool subir = false;
        if (decisiva > '5') {
            subir = true;
        } else if (decisiva == '5') {
            const bool empate = todo_ceros(resto.mid(1));
            if (!empate || desempate == Desempate::LejosDeCero) {
                subir = true;
            } else {
                const char ultima = resultado.isEmpty() ? '0' : resultado.back();
                subir = ((ultima - '0') % 2) == 1;
            }
        }
        if (resultado.isEmpty())
            resultado = "0";
        if (subir)
            sumar_uno(resultado);
    }
    Redondeado r;
    r.digitos = sin_ceros_a_la_izquierda(resultado);
    r.negativo = valor < 0 && r.digitos != "0";
    return r;
}

// Digits of a scaled magnitude with the point put back, "12345",2 -> "123.45".
QByteArray con_punto(const QByteArray& digitos, int decimales)
{
    if (decimales < 0)
        return digitos == "0" ? digitos : digitos + QByteArray(-decimales, '0');
    if (decimales == 0)
        return digitos;
    QByteArray d = digitos;
    if (d.size() <= decimales)
        d.prepend(QByteArray(decimales + 1 - d.size(), '0'));
    return d.left(d.size() - decimales) + '.' + d.right(decimales);
}

double a_double(const Redondeado& r, int decimales)
{
    const double magnitud = con_punto(r.digitos, decimales).toDouble();
    return r.negativo ? -magnitud : magnitud;
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

bool tiene_salto_de_linea(const QString& texto)
{
    return texto.contains(QLatin1Char('\r')) || texto.contains(QLatin1Char('\n'));
}

// The text exactly as it will reach the file: composed, one character per
// Windows-1252 byte, "?" for what Windows-1252 lacks. Building the line from
// these characters keeps its length equal to its length in bytes.
QString texto_ansi(const QString& texto)
{
    return platform::fromCp1252(platform::toCp1252(texto));
}

void exigir_una_linea(const QString& texto, const QString& campo)
{
    // A line break inside a field would split the record in two lines of
    // the file, and A3Con would read garbage from there on.
    if (tiene_salto_de_linea(texto))
        throw RegistroRechazado(campo, texto, QStringLiteral("contiene un salto de línea"));
}

QString exacto(const QString& texto, int ancho, const QString& campo, const QString& motivo)
{
    exigir_una_linea(texto, campo);
    const QString t = texto_ansi(texto);
    if (platform::cp1252Width(texto) != ancho || t.size() != ancho)
        throw RegistroRechazado(campo, texto, motivo);
    return t;
}

QString empresa(const QString& valor)
{
    return exacto(valor, 5, QStringLiteral("empresa"),
                  QStringLiteral("el código de empresa debe tener exactamente 5 caracteres"));
}

QString fecha(const QString& valor)
{
    return exacto(valor, 8, QStringLiteral("fecha"),
                  QStringLiteral("la fecha debe tener exactamente 8 caracteres (aaaammdd)"));
}

QString marca(const QString& valor, std::initializer_list<const char*> admitidas, const QString& campo)
{
    QStringList lista;
    for (const char* m : admitidas) {
        if (valor == QLatin1String(m))
            return valor;
        lista << QStringLiteral("\"%1\"").arg(QLatin1String(m));
    }
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

double redondear(double valor, int decimales)
{
    if (!std::isfinite(valor))
        return valor;
    return a_double(redondeo_decimal(valor, decimales, Desempate::LejosDeCero), decimales);
}

double redondear_par(double valor, int decimales)
{
    if (!std::isfinite(valor))
        return valor;
    return a_double(redondeo_decimal(valor, decimales, Desempate::Par), decimales);
}

qint64 centimos(double valor)
{
    if (std::isnan(valor))
        return 0;
    if (std::isinf(valor))
        return valor > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    const Redondeado r = redondeo_decimal(valor, 2, Desempate::LejosDeCero);
    if (r.digitos.size() > 18)
        return r.negativo ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    const qint64 magnitud = r.digitos.toLongLong();
    return r.negativo ? -magnitud : magnitud;
}

QString rellenar(const QString& texto, int ancho, const QString& campo)
{
    exigir_una_linea(texto, campo);
    const QString t = texto_ansi(texto);
    const int ocupa = platform::cp1252Width(texto);
    if (ocupa > ancho || t.size() > ancho)
        throw RegistroRechazado(campo, texto,
                                QStringLiteral("ocupa %1 caracteres y el campo admite %2").arg(ocupa).arg(ancho));
    return t + blancos(ancho - int(t.size()));
}

QString primeros(const QString& texto, int n)
{
    if (texto.size() <= n)
        return texto;
    int corte = n;
    if (corte > 0 && texto.at(corte - 1).isHighSurrogate())
        --corte;
    return texto.left(corte);
}

QString cortar_rellenar(const QString& texto, int ancho)
{
    QString t = texto_ansi(texto);
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (t.size() > ancho)
        return t.left(ancho);
    return t + blancos(ancho - int(t.size()));
}

QString importe(double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const Redondeado r = redondeo_decimal(valor, 2, Desempate::LejosDeCero);
    if (r.digitos.size() > 12)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en diez cifras enteras (el máximo es 9999999999.99)"));
    const QByteArray d = QByteArray(12 - r.digitos.size(), '0') + r.digitos;
    return QLatin1Char(r.negativo ? '-' : '+') + QString::fromLatin1(d.left(10)) + QLatin1Char('.')
        + QString::fromLatin1(d.right(2));
}

QString tanto(double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const Redondeado r = redondeo_decimal(valor, 2, Desempate::LejosDeCero);
    if (r.negativo)
        throw RegistroRechazado(campo, valor_texto(valor), QStringLiteral("un tipo de IVA no puede ser negativo"));
    if (r.digitos.size() > 4)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en el formato 00.00 (el máximo es 99.99)"));
    const QByteArray d = QByteArray(4 - r.digitos.size(), '0') + r.digitos;
    return QString::fromLatin1(d.left(2)) + QLatin1Char('.') + QString::fromLatin1(d.right(2));
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
    linea += empresa(de_empresa);
    linea += fecha(de_fecha);
    linea += clase;
    linea += rellenar(cuenta, 12, QStringLiteral("cuenta"));
    linea += rellenar(texto, 30, campo_texto);
    return linea;
}

} // namespace

QString registro_cuenta(const RegistroCuenta& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('C'), r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea += QLatin1Char('S');
    linea += kImporteCero;
    linea += blancos(1);
    linea += blancos(4);
    linea += rellenar(r.nif, 14, QStringLiteral("nif"));
    linea += QStringLiteral("CL");
    linea += rellenar(r.direccion, 30, QStringLiteral("direccion"));
    linea += blancos(11);
    linea += rellenar(r.localidad, 20, QStringLiteral("localidad"));
    linea += rellenar(r.cp, 5, QStringLiteral("cp"));
    linea += rellenar(r.provincia, 15, QStringLiteral("provincia"));
    linea += QStringLiteral("011");
    linea += blancos(58);
    linea += blancos(17);
    linea += QStringLiteral("EN");
    return completo(linea);
}

QString registro_apunte(const Apunte& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('0'), r.cuenta,
                           r.descripcion, QStringLiteral("descripcion"));
    linea += lado(r.lado);
    linea += rellenar(r.documento, 10, QStringLiteral("documento"));
    linea += posicion(r.posicion);
    linea += rellenar(r.concepto, 30, QStringLiteral("concepto"));
    linea += importe(r.importe, QStringLiteral("importe"));
    linea += blancos(139);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

QString registro_cabecera_factura(const CabeceraFactura& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('1'), r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea += QLatin1Char('1');
    linea += rellenar(r.documento, 10, QStringLiteral("documento"));
    linea += QLatin1Char('I');
    linea += rellenar(r.concepto, 30, QStringLiteral("concepto"));
    linea += importe(r.total, QStringLiteral("total"));
    linea += blancos(139);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

QString registro_linea_iva(const LineaIva& r)
{
    QString linea = inicio(r.empresa, r.fecha, QLatin1Char('9'), r.cuenta,
                           r.descripcion, QStringLiteral("descripcion"));
    linea += QLatin1Char('C');
    linea += rellenar(r.documento, 10, QStringLiteral("documento"));
    linea += posicion(r.posicion);
    linea += rellenar(r.concepto, 30, QStringLiteral("concepto"));
    linea += QStringLiteral("01");
    linea += importe(r.base, QStringLiteral("base"));
    linea += tanto(r.tipo, QStringLiteral("tipo"));
    linea += importe(r.cuota, QStringLiteral("cuota"));
    linea += kTantoCero;
    linea += kImporteCero;
    linea += kTantoCero;
    linea += kImporteCero;
    linea += QStringLiteral("01");
    linea += QLatin1Char('S');
    linea += blancos(77);
    linea += QLatin1Char('E');
    linea += QLatin1Char('N');
    return completo(linea);
}

} // namespace registros
