#include "transfer/records/registros.h"

#include "platform/cp1252.h"
#include "platform/vb.h"

#include <QDate>
#include <QStringList>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// Printable ASCII: one byte per character, nothing to compose, convert or
// blank, so the text goes to the line as it is. Copies the text to `destino`
// and says true when it is so.
bool copiar_ascii(const QString& texto, char16_t* destino)
{
    const char16_t* s = reinterpret_cast<const char16_t*>(texto.constData());
    const qsizetype n = texto.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    // Eight units at a time: each one, less 0x20, below 0x5F (signed
    // comparison, so what lies under 0x20 wraps to a negative and fails).
    const __m128i espacio = _mm_set1_epi16(0x20);
    const __m128i limite = _mm_set1_epi16(0x7F - 0x20);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i d = _mm_sub_epi16(v, espacio);
        const __m128i ok = _mm_and_si128(_mm_cmpgt_epi16(d, _mm_set1_epi16(-1)), _mm_cmplt_epi16(d, limite));
        if (_mm_movemask_epi8(ok) != 0xFFFF)
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + i), v);
    }
#endif
    for (; i < n; ++i) {
        const char16_t u = s[i];
        if (u < 0x20 || u >= 0x7F)
            return false;
        destino[i] = u;
    }
    return true;
}

// The text exactly as it will reach the file, written at `destino` and padded
// to `ancho`: composed, one character per Windows-1252 byte, "?" for what
// Windows-1252 lacks. Building the line from these characters keeps its
// length equal to its length in bytes. Refused when longer than the field or
// when it holds a control character.
void rellenar_en(char16_t* destino, const QString& texto, int ancho, const QString& campo)
{
    exigir_sin_controles(texto, campo);
    const qsizetype ocupa = platform::cp1252Chars(texto, destino, std::max(ancho, 0));
    if (ocupa > ancho)
        throw RegistroRechazado(campo, texto,
                                QStringLiteral("ocupa %1 caracteres y el campo admite %2").arg(ocupa).arg(ancho));
    std::fill(destino + ocupa, destino + ancho, u' ');
}

// "+0000001234.50" at `destino`, 14 characters.
void escribir_importe(char16_t* destino, double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const vb::Escalado e = vb::escalar(valor, 2, vb::Desempate::LejosDeCero);
    if (e.grande || e.magnitud >= 1000000000000ULL)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en diez cifras enteras (el máximo es 9999999999.99)"));
    destino[0] = e.negativo ? u'-' : u'+';
    quint64 m = e.magnitud;
    for (int i = 13; i >= 1; --i) {
        if (i == 11) {
            destino[i] = u'.';
            continue;
        }
        destino[i] = char16_t(u'0' + m % 10);
        m /= 10;
    }
}

// "07.00" at `destino`, 5 characters.
void escribir_tanto(char16_t* destino, double valor, const QString& campo)
{
    exigir_numero(valor, campo);
    const vb::Escalado e = vb::escalar(valor, 2, vb::Desempate::LejosDeCero);
    if (e.negativo)
        throw RegistroRechazado(campo, valor_texto(valor), QStringLiteral("un tipo de IVA no puede ser negativo"));
    if (e.grande || e.magnitud >= 10000ULL)
        throw RegistroRechazado(campo, valor_texto(valor),
                                QStringLiteral("no cabe en el formato 00.00 (el máximo es 99.99)"));
    const int m = int(e.magnitud);
    destino[0] = char16_t(u'0' + m / 1000);
    destino[1] = char16_t(u'0' + m / 100 % 10);
    destino[2] = u'.';
    destino[3] = char16_t(u'0' + m / 10 % 10);
    destino[4] = char16_t(u'0' + m % 10);
}

enum class Clase { Texto, Codigo };

// One record under construction: its 254 characters written in place, field
// after field. A field that would run past the end is not written and the
// line is refused as a whole (it cannot happen while every field keeps its
// width).
// A whole line of blanks: a line starts as a copy of it, so blank fields and
// the padding of plain texts need no writing.
struct LineaEnBlanco {
    char16_t c[kLongitud];
    constexpr LineaEnBlanco() : c{}
    {
        for (char16_t& x : c)
            x = u' ';
    }
};
constexpr LineaEnBlanco kLineaEnBlanco;

class Linea {
public:
    Linea() : texto_(kLongitud, Qt::Uninitialized), datos_(reinterpret_cast<char16_t*>(texto_.data()))
    {
        std::copy(kLineaEnBlanco.c, kLineaEnBlanco.c + kLongitud, datos_);
    }

    void caracter(char16_t c) { *campo_de(1) = c; }
    // A fixed text of the layout; `ancho` without the terminating zero.
    template <int N> void fijo(const char16_t (&texto)[N]) { std::copy(texto, texto + N - 1, campo_de(N - 1)); }
    void blancos(int n) { campo_de(n); }

    // Exactly `ancho` characters, else refused with `motivo`.
    void exacto(const QString& texto, int ancho, const QString& campo, const char* motivo);
    // The field padded to `ancho`. A free text gets a blank for each control
    // character; a code is refused.
    void relleno(const QString& texto, int ancho, const QString& campo, Clase clase = Clase::Texto);
    void cuenta(const QString& cuenta);
    void documento(const QString& documento, bool obligatorio);
    void fecha(const QString& fecha);
    void marca(const QString& valor, std::initializer_list<char16_t> admitidas, const QString& campo);
    void importe(double valor, const QString& campo);
    void tanto(double valor, const QString& campo);

    QString terminar();

private:
    // Where the next `n` characters go; past the end of the line, a scratch
    // area that is thrown away.
    char16_t* campo_de(int n)
    {
        if (n > kLongitud - usados_) {
            desbordada_ = true;
            return sobrante_;
        }
        char16_t* d = datos_ + usados_;
        usados_ += n;
        return d;
    }

    QString texto_;
    char16_t* datos_;
    int usados_ = 0;
    bool desbordada_ = false;
    char16_t sobrante_[kLongitud];
};

void Linea::exacto(const QString& texto, int ancho, const QString& campo, const char* motivo)
{
    char16_t* d = campo_de(ancho);
    if (texto.size() == ancho && copiar_ascii(texto, d))
        return;
    exigir_sin_controles(texto, campo);
    if (platform::cp1252Chars(texto, d, ancho) != ancho)
        throw RegistroRechazado(campo, texto, QString::fromUtf8(motivo));
}

void Linea::relleno(const QString& texto, int ancho, const QString& campo, Clase clase)
{
    char16_t* d = campo_de(ancho);
    if (texto.size() <= ancho && copiar_ascii(texto, d))
        return;   // the rest of the field is blank already
    rellenar_en(d, clase == Clase::Texto ? sin_controles(texto) : texto, ancho, campo);
}

// An account is what A3Con books on: digits only, never blank. Blanks after
// the digits are the field's own padding (fixed-width columns of Access and
// SQL Server keep them), so the record is the same without them.
void Linea::cuenta(const QString& cuenta)
{
    exigir_cuenta(cuenta);
    relleno(vb::sin_blancos_finales(cuenta), 12, QStringLiteral("cuenta"), Clase::Codigo);
}

// The invoice number of an invoice line: A3Con files the invoice under it.
void Linea::documento(const QString& documento, bool obligatorio)
{
    const QString campo = QStringLiteral("documento");
    if (obligatorio && documento.trimmed().isEmpty())
        throw RegistroRechazado(campo, documento, QStringLiteral("está vacío y una factura necesita su número"));
    relleno(documento, 10, campo, Clase::Codigo);
}

// A date that is not on the calendar would be booked on a day that does not
// exist, or refused by A3Con half-way through the import.
void Linea::fecha(const QString& fecha)
{
    const QString campo = QStringLiteral("fecha");
    exacto(fecha, 8, campo, "la fecha debe tener exactamente 8 caracteres (aaaammdd)");
    if (!es_fecha(fecha))
        throw RegistroRechazado(campo, fecha, QStringLiteral("no es una fecha del calendario (aaaammdd)"));
}

void Linea::marca(const QString& valor, std::initializer_list<char16_t> admitidas, const QString& campo)
{
    if (valor.size() == 1) {
        const char16_t u = valor.front().unicode();
        if (std::find(admitidas.begin(), admitidas.end(), u) != admitidas.end()) {
            caracter(u);
            return;
        }
    }
    QStringList lista;
    for (const char16_t m : admitidas)
        lista << QStringLiteral("\"%1\"").arg(QChar(m));
    throw RegistroRechazado(campo, valor, QStringLiteral("debe ser %1").arg(lista.join(QStringLiteral(" o "))));
}

void Linea::importe(double valor, const QString& campo)
{
    escribir_importe(campo_de(14), valor, campo);
}

void Linea::tanto(double valor, const QString& campo)
{
    escribir_tanto(campo_de(5), valor, campo);
}

QString Linea::terminar()
{
    // Every field above has a fixed width, so this cannot fail unless a
    // field rule is broken; refuse rather than write a misaligned record.
    if (desbordada_ || usados_ != kLongitud)
        throw RegistroRechazado(QStringLiteral("registro"), texto_.left(usados_),
                                QStringLiteral("no tiene %1 caracteres").arg(kLongitud));
    return std::move(texto_);
}

constexpr char16_t kImporteCero[] = u"+0000000000.00";
constexpr char16_t kTantoCero[] = u"00.00";

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

bool es_fecha(const QString& texto)
{
    if (texto.size() != 8 || !vb::es_numerico(texto))
        return false;
    const char16_t* s = reinterpret_cast<const char16_t*>(texto.constData());
    const auto numero = [s](int desde, int cifras) {
        int n = 0;
        for (int i = desde; i < desde + cifras; ++i)
            n = n * 10 + (s[i] - u'0');
        return n;
    };
    return QDate::isValid(numero(0, 4), numero(4, 2), numero(6, 2));
}

QString rellenar(const QString& texto, int ancho, const QString& campo)
{
    QString t(std::max(ancho, 0), Qt::Uninitialized);
    rellenar_en(reinterpret_cast<char16_t*>(t.data()), texto, ancho, campo);
    return t;
}

void exigir_cuenta(const QString& cuenta)
{
    const QString campo = QStringLiteral("cuenta");
    const QString cifras = vb::sin_blancos_finales(cuenta);
    if (cifras.isEmpty())
        throw RegistroRechazado(campo, cuenta, QStringLiteral("está vacía"));
    if (!vb::es_numerico(cifras))
        throw RegistroRechazado(campo, cuenta, QStringLiteral("una cuenta solo puede tener cifras"));
    if (cifras.size() > 12)
        throw RegistroRechazado(campo, cifras, QStringLiteral("ocupa %1 caracteres y el campo admite 12").arg(cifras.size()));
}

QString cortar_rellenar(const QString& texto, int ancho)
{
    qsizetype sitio = std::max(ancho, 0);
    QString t(sitio, Qt::Uninitialized);
    qsizetype n = platform::cp1252Chars(texto, reinterpret_cast<char16_t*>(t.data()), sitio);
    if (ancho < 0) {
        // Left$ of a negative count keeps the whole text.
        t.resize(n);
        platform::cp1252Chars(texto, reinterpret_cast<char16_t*>(t.data()), n);
        sitio = n;
    }
    char16_t* d = reinterpret_cast<char16_t*>(t.data());
    n = std::min(n, sitio);
    for (qsizetype i = 0; i < n; ++i)
        if (es_control(d[i]))
            d[i] = u' ';
    std::fill(d + n, d + sitio, u' ');
    return t;
}

QString importe(double valor, const QString& campo)
{
    char16_t texto[14];
    escribir_importe(texto, valor, campo);
    return QString(reinterpret_cast<const QChar*>(texto), 14);
}

QString tanto(double valor, const QString& campo)
{
    char16_t texto[5];
    escribir_tanto(texto, valor, campo);
    return QString(reinterpret_cast<const QChar*>(texto), 5);
}

namespace {

// Every line opens alike: its format, the company, the date, the kind of
// line, the account and the account's text. Fields are checked in the order
// they stand, so the first one that does not fit is the one refused.
void inicio(Linea& linea, const QString& de_empresa, const QString& de_fecha, char16_t clase, const QString& cuenta,
            const QString& texto, const QString& campo_texto)
{
    linea.caracter(u'4');
    linea.exacto(de_empresa, 5, QStringLiteral("empresa"), "el código de empresa debe tener exactamente 5 caracteres");
    linea.fecha(de_fecha);
    linea.caracter(clase);
    linea.cuenta(cuenta);
    linea.relleno(texto, 30, campo_texto);
}

void lado(Linea& linea, const QString& valor)
{
    linea.marca(valor, {u'D', u'H'}, QStringLiteral("lado"));
}

void posicion(Linea& linea, const QString& valor)
{
    linea.marca(valor, {u'I', u'M', u'U'}, QStringLiteral("posicion"));
}

} // namespace

QString registro_cuenta(const RegistroCuenta& r)
{
    Linea linea;
    inicio(linea, r.empresa, r.fecha, u'C', r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea.caracter(u'S');
    linea.fijo(kImporteCero);
    linea.blancos(1);
    linea.blancos(4);
    linea.relleno(r.nif, 14, QStringLiteral("nif"), Clase::Codigo);
    linea.fijo(u"CL");
    linea.relleno(r.direccion, 30, QStringLiteral("direccion"));
    linea.blancos(11);
    linea.relleno(r.localidad, 20, QStringLiteral("localidad"));
    linea.relleno(r.cp, 5, QStringLiteral("cp"), Clase::Codigo);
    linea.relleno(r.provincia, 15, QStringLiteral("provincia"));
    linea.fijo(u"011");
    linea.blancos(58);
    linea.blancos(17);
    linea.fijo(u"EN");
    return linea.terminar();
}

QString registro_apunte(const Apunte& r)
{
    Linea linea;
    inicio(linea, r.empresa, r.fecha, u'0', r.cuenta, r.descripcion, QStringLiteral("descripcion"));
    lado(linea, r.lado);
    linea.documento(r.documento, false);
    posicion(linea, r.posicion);
    linea.relleno(r.concepto, 30, QStringLiteral("concepto"));
    linea.importe(r.importe, QStringLiteral("importe"));
    linea.blancos(139);
    linea.fijo(u"EN");
    return linea.terminar();
}

QString registro_cabecera_factura(const CabeceraFactura& r)
{
    Linea linea;
    inicio(linea, r.empresa, r.fecha, u'1', r.cuenta, r.nombre, QStringLiteral("nombre"));
    linea.caracter(u'1');
    linea.documento(r.documento, true);
    linea.caracter(u'I');
    linea.relleno(r.concepto, 30, QStringLiteral("concepto"));
    linea.importe(r.total, QStringLiteral("total"));
    linea.blancos(139);
    linea.fijo(u"EN");
    return linea.terminar();
}

QString registro_linea_iva(const LineaIva& r)
{
    Linea linea;
    inicio(linea, r.empresa, r.fecha, u'9', r.cuenta, r.descripcion, QStringLiteral("descripcion"));
    linea.caracter(u'C');
    linea.documento(r.documento, true);
    posicion(linea, r.posicion);
    linea.relleno(r.concepto, 30, QStringLiteral("concepto"));
    linea.fijo(u"01");
    linea.importe(r.base, QStringLiteral("base"));
    linea.tanto(r.tipo, QStringLiteral("tipo"));
    linea.importe(r.cuota, QStringLiteral("cuota"));
    linea.fijo(kTantoCero);
    linea.fijo(kImporteCero);
    linea.fijo(kTantoCero);
    linea.fijo(kImporteCero);
    linea.fijo(u"01");
    linea.caracter(u'S');
    linea.blancos(77);
    linea.fijo(u"EN");
    return linea.terminar();
}

} // namespace registros
