#include "transfer/records/registros.h"

#include "platform/cp1252.h"

#include <QDate>
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

// The same rounding on integers, for the values a record holds: the 15
// significant digits as an integer mantissa, rounded by one division. Amounts
// are rendered once per field of every line of the file, and building the
// digits as text cost more than the rest of the line together.
struct Escalado {
    bool negativo = false;   // never true for zero
    bool grande = false;     // more than 18 digits: the magnitude is not kept
    quint64 magnitud = 0;    // |value| * 10^decimales, rounded
};

constexpr quint64 kPotencias[] = {1ULL,
                                  10ULL,
                                  100ULL,
                                  1000ULL,
                                  10000ULL,
                                  100000ULL,
                                  1000000ULL,
                                  10000000ULL,
                                  100000000ULL,
                                  1000000000ULL,
                                  10000000000ULL,
                                  100000000000ULL,
                                  1000000000000ULL,
                                  10000000000000ULL,
                                  100000000000000ULL,
                                  1000000000000000ULL,
                                  10000000000000000ULL,
                                  100000000000000000ULL,
                                  1000000000000000000ULL};

// Precondition: valor is finite.
Escalado escalado_decimal(double valor, int decimales, Desempate desempate)
{
    constexpr int kCifras = 15;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(valor), std::chars_format::scientific,
                                   kCifras - 1);
    // "d.dddddddddddddde+XX"
    quint64 mantisa = quint64(buf[0] - '0');
    for (int i = 2; i < kCifras + 1; ++i)
        mantisa = mantisa * 10 + quint64(buf[i] - '0');
    const char* p = buf + kCifras + 2;   // the sign of the exponent
    const bool exponente_negativo = *p == '-';
    int exponente = 0;
    for (++p; p < res.ptr; ++p)
        exponente = exponente * 10 + (*p - '0');
    if (exponente_negativo)
        exponente = -exponente;

    // |valor| * 10^decimales == mantisa * 10^k
    const int k = exponente - (kCifras - 1) + decimales;
    Escalado r;
    if (mantisa == 0) {
        r.magnitud = 0;
    } else if (k >= 0) {
        if (kCifras + k > 18)
            r.grande = true;
        else
            r.magnitud = mantisa * kPotencias[k];
    } else if (-k > kCifras) {
        r.magnitud = 0;
    } else {
        const quint64 divisor = kPotencias[-k];
        const quint64 cociente = mantisa / divisor;
        const quint64 resto = mantisa % divisor;
        const quint64 mitad = divisor / 2;
        bool subir = resto > mitad;
        if (resto == mitad)
            subir = desempate == Desempate::LejosDeCero || (cociente % 2) == 1;
        r.magnitud = cociente + (subir ? 1 : 0);
    }
    r.negativo = valor < 0 && (r.grande || r.magnitud != 0);
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

// 2^53: up to here every integer is a double, and dividing it by an exact
// power of ten rounds once, exactly like reading the decimal text.
constexpr quint64 kEnteroExacto = 9007199254740992ULL;
constexpr double kPotenciasDouble[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double redondeado(double valor, int decimales, Desempate desempate)
{
    if (!std::isfinite(valor))
        return valor;
    if (decimales >= 0 && decimales <= 22) {
        const Escalado e = escalado_decimal(valor, decimales, desempate);
        if (!e.grande && e.magnitud <= kEnteroExacto) {
            const double magnitud = double(e.magnitud) / kPotenciasDouble[decimales];
            return e.negativo ? -magnitud : magnitud;
        }
    }
    return a_double(redondeo_decimal(valor, decimales, desempate), decimales);
}

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
    for (const QChar c : cuenta)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
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
    const Escalado e = escalado_decimal(valor, 2, Desempate::LejosDeCero);
    if (e.grande || e.magnitud >= kPotencias[12])
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
    const Escalado e = escalado_decimal(valor, 2, Desempate::LejosDeCero);
    if (e.negativo)
        throw RegistroRechazado(campo, valor_texto(valor), QStringLiteral("un tipo de IVA no puede ser negativo"));
    if (e.grande || e.magnitud >= kPotencias[4])
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en el formato 00.00 (el máximo es 99.99)"));
    const int m = int(e.magnitud);
    const char texto[5] = {char('0' + m / 1000), char('0' + m / 100 % 10), '.', char('0' + m / 10 % 10),
                           char('0' + m % 10)};
    linea += QLatin1String(texto, sizeof texto);
}

} // namespace

double redondear(double valor, int decimales)
{
    return redondeado(valor, decimales, Desempate::LejosDeCero);
}

double redondear_par(double valor, int decimales)
{
    return redondeado(valor, decimales, Desempate::Par);
}

bool es_fecha(const QString& texto)
{
    if (texto.size() != 8)
        return false;
    for (const QChar c : texto)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return QDate(texto.left(4).toInt(), texto.mid(4, 2).toInt(), texto.right(2).toInt()).isValid();
}

double quince_cifras(double valor)
{
    if (!std::isfinite(valor) || valor == 0.0)
        return valor + 0.0;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, valor, std::chars_format::scientific, 14);
    double leido = valor;
    std::from_chars(buf, res.ptr, leido);
    return leido;
}

qint64 centimos(double valor)
{
    if (std::isnan(valor))
        return 0;
    if (std::isinf(valor))
        return valor > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    const Escalado e = escalado_decimal(valor, 2, Desempate::LejosDeCero);
    if (e.grande)
        return e.negativo ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    const qint64 magnitud = qint64(e.magnitud);
    return e.negativo ? -magnitud : magnitud;
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
