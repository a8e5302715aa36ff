#include "platform/vb.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vb {

namespace {

// ---------------------------------------------------------------------------
// Decimal rounding. A double such as 2.675 is really 2.67499999999999982236431605997495353221893310546875;
// rounding that binary value gives 2.67, which is not what anyone who typed
// 2.675 expects. Taking the value as its 15-significant-digit decimal first
// (what a person reads) and rounding that decimal gives 2.68.
// ---------------------------------------------------------------------------

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

} // namespace

namespace {

// The amounts of the link have a few decimals: a value within a tiny part of
// a whole number of millionths is that number of millionths to 15 significant
// digits, with no text in between. Let n be the nearest whole number to
// |valor|·10^6 < 10^14: when |valor|·10^6 lies within |valor|·10^6·5e-16 of n
// (less than half a unit of the 15th digit, which is at least 10^-6 up to
// 10^8), the 15 digits read n·10^-6 exactly. The product is off by at most
// 1.2e-16 of itself, so a computed distance up to 3e-16 of it is safely
// within. Anything else (2.675 is 2674999.99999999982 millionths) goes the
// way of the digits.
constexpr double kMillon = 1e6;
constexpr double kLimiteMillonesimas = 1e8;   // |valor| below it

bool escalar_millonesimas(double valor, int decimales, Desempate desempate, Escalado& r)
{
    if (decimales < 0 || decimales > 6)
        return false;
    const double absoluto = std::fabs(valor);
    if (!(absoluto < kLimiteMillonesimas))
        return false;
    const double x = absoluto * kMillon;
    const double n = std::nearbyint(x);
    if (std::fabs(x - n) > x * 3e-16)
        return false;
    const quint64 millonesimas = quint64(n);
    const quint64 divisor = kPotencias[6 - decimales];
    const quint64 cociente = millonesimas / divisor;
    const quint64 resto = millonesimas % divisor;
    const quint64 mitad = divisor / 2;
    bool subir = resto > mitad;
    if (divisor > 1 && resto == mitad)
        subir = desempate == Desempate::LejosDeCero || (cociente % 2) == 1;
    r.grande = false;
    r.magnitud = cociente + (subir ? 1 : 0);
    r.negativo = valor < 0 && r.magnitud != 0;
    return true;
}

} // namespace

Escalado escalar(double valor, int decimales, Desempate desempate)
{
    Escalado rapido;
    if (escalar_millonesimas(valor, decimales, desempate, rapido))
        return rapido;
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

namespace {

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
        const Escalado e = escalar(valor, decimales, desempate);
        if (!e.grande && e.magnitud <= kEnteroExacto) {
            const double magnitud = double(e.magnitud) / kPotenciasDouble[decimales];
            return e.negativo ? -magnitud : magnitud;
        }
    }
    return a_double(redondeo_decimal(valor, decimales, desempate), decimales);
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

double quince_cifras(double valor)
{
    if (!std::isfinite(valor) || valor == 0.0)
        return valor + 0.0;
    // A whole number n of millionths is its own 15 digits (see above), and
    // reading them gives n / 10^6 rounded once, as the division does.
    Escalado millonesimas;
    if (escalar_millonesimas(valor, 6, Desempate::LejosDeCero, millonesimas)) {
        const double magnitud = double(millonesimas.magnitud) / kMillon;
        return valor < 0 ? -magnitud : magnitud;
    }
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
    const Escalado e = escalar(valor, 2, Desempate::LejosDeCero);
    if (e.grande)
        return e.negativo ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    const qint64 magnitud = qint64(e.magnitud);
    return e.negativo ? -magnitud : magnitud;
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

QString sin_blancos_iniciales(const QString& texto)
{
    qsizetype i = 0;
    while (i < texto.size() && texto.at(i) == QLatin1Char(' '))
        ++i;
    return texto.mid(i);
}

QString sin_blancos_finales(const QString& texto)
{
    qsizetype n = texto.size();
    while (n > 0 && texto.at(n - 1) == QLatin1Char(' '))
        --n;
    return texto.left(n);
}

QString sin_blancos(const QString& texto) { return sin_blancos_iniciales(sin_blancos_finales(texto)); }

QString sin_relleno(const QString& texto)
{
    const QString cifras = sin_blancos_finales(texto);
    return cifras.isEmpty() ? texto : cifras;
}

bool es_numerico(const QString& texto)
{
    if (texto.isEmpty())
        return false;
    for (const QChar c : texto)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

double valueOf(const ValNumber& n)
{
    if (n.digits == 0)
        return 0.0;
    const double v = std::strtod(n.text.constData(), nullptr);
    return n.negative ? -v : v;
}

double val(const QString& text)
{
    return valueOf(scanVal(text.size(), [&text](qsizetype i) { return uint(text.at(i).unicode()); }));
}

} // namespace vb
