#include "transfer/records/verificador.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <vector>

namespace verificador {

namespace {

constexpr int kLongitud = 254;
// Bytes of a line (CR included) kept to be checked whole: room for 254
// characters of UTF-8 text written where Windows-1252 was due. Longer lines
// are only measured.
constexpr qsizetype kRetenida = 4 * kLongitud + 1;
// A longer line is no record file at all (/dev/zero, an image): reading stops.
constexpr qint64 kLimiteLinea = qint64(1) << 20;
// Past this many problems the rest of the file would tell nothing new.
constexpr qsizetype kMaxProblemas = 1000;
// Bytes read from a file at a time.
constexpr qint64 kTrozo = qint64(1) << 20;

// 64-bit fingerprint of a document key: FNV-1a, then a splitmix64 finaliser so
// that the low bits index the table well. A false "repeated" needs two of a
// file's documents to share 64 bits (below 1 in 10^7 for a million documents).
quint64 huella(char clase, std::initializer_list<QByteArrayView> campos)
{
    quint64 h = 0xCBF29CE484222325ULL;
    auto mezclar = [&h](unsigned char b) {
        h ^= b;
        h *= 0x100000001B3ULL;
    };
    mezclar(static_cast<unsigned char>(clase));
    for (QByteArrayView c : campos) {
        for (char b : c)
            mezclar(static_cast<unsigned char>(b));
        mezclar(0xFF);
    }
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 31;
    return h == 0 ? 1 : h;  // 0 marks an empty slot
}

// Documents seen, by fingerprint, with the line of their first occurrence:
// 16 bytes a slot, open addressing, at most 80 % full.
class Vistos {
public:
    // The line where the document was first seen, or 0 (and it is recorded).
    qint64 anotar(quint64 h, qint64 linea)
    {
        if ((cuantos_ + 1) * 5 > ranuras_.size() * 4)
            crecer();
        const std::size_t mascara = ranuras_.size() - 1;
        for (std::size_t i = h & mascara;; i = (i + 1) & mascara) {
            Ranura& r = ranuras_[i];
            if (r.huella == h)
                return r.linea;
            if (r.huella == 0) {
                r = Ranura{h, linea};
                ++cuantos_;
                return 0;
            }
        }
    }

private:
    struct Ranura {
        quint64 huella = 0;
        qint64 linea = 0;
    };
    std::vector<Ranura> ranuras_;
    std::size_t cuantos_ = 0;

    void crecer()
    {
        std::vector<Ranura> viejas(std::max<std::size_t>(1024, ranuras_.size() * 2));
        viejas.swap(ranuras_);
        const std::size_t mascara = ranuras_.size() - 1;
        for (const Ranura& r : viejas) {
            if (r.huella == 0)
                continue;
            std::size_t i = r.huella & mascara;
            while (ranuras_[i].huella != 0)
                i = (i + 1) & mascara;
            ranuras_[i] = r;
        }
    }
};

// Windows-1252 characters of bytes 0x80-0x9F; 0 marks the five bytes the code
// page leaves undefined (read as the C1 control of the same number).
constexpr std::array<char16_t, 32> kAltos = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t caracter_cp1252(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && kAltos[b - 0x80] != 0)
        return kAltos[b - 0x80];
    return b;
}

// The Windows-1252 byte of a character, '?' when the code page lacks it.
char byte_cp1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (kAltos[i] != 0 && kAltos[i] == c)
            return char(0x80 + i);
    return '?';
}

bool es_control(unsigned char b) { return b < 0x20 || b == 0x7F; }

// A field as the user would read it: Windows-1252 text, controls as "?".
QString mostrar(QByteArrayView v)
{
    QString s;
    s.reserve(v.size());
    for (char c : v) {
        const auto b = static_cast<unsigned char>(c);
        s.append(es_control(b) ? QChar(u'?') : QChar(caracter_cp1252(b)));
    }
    return s;
}

QString mostrar_caracter(char32_t c)
{
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("?");
    return QString::fromUcs4(&c, 1);
}

// Decodes a line as strict UTF-8 (no overlong forms, no surrogates). Returns
// false when the bytes are not UTF-8 or hold no character beyond ASCII.
struct Utf8 {
    QByteArray cp1252;     // the same text in Windows-1252
    int columna = 0;       // 1-based character column of the first non-ASCII
    char32_t primero = 0;  // that character
};

bool leer_utf8(QByteArrayView v, Utf8& r)
{
    // Nearly every line is plain ASCII: nothing to decode.
    if (std::all_of(v.begin(), v.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }))
        return false;
    bool multibyte = false;
    QByteArray salida;
    salida.reserve(v.size());
    qsizetype i = 0;
    while (i < v.size()) {
        const auto b = static_cast<unsigned char>(v[i]);
        if (b < 0x80) {
            salida.append(char(b));
            ++i;
            continue;
        }
        int n = 0;
        char32_t c = 0;
        char32_t minimo = 0;
        if (b >= 0xC2 && b <= 0xDF) { n = 1; c = b & 0x1F; minimo = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { n = 2; c = b & 0x0F; minimo = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { n = 3; c = b & 0x07; minimo = 0x10000; }
        else return false;
        if (i + n >= v.size())
            return false;
        for (int k = 1; k <= n; ++k) {
            const auto cb = static_cast<unsigned char>(v[i + k]);
            if ((cb & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (cb & 0x3F);
        }
        if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        if (!multibyte) {
            multibyte = true;
            r.columna = int(salida.size()) + 1;
            r.primero = c;
        }
        salida.append(byte_cp1252(c));
        i += n + 1;
    }
    if (!multibyte)
        return false;
    r.cp1252 = std::move(salida);
    return true;
}

bool es_digito(char c) { return c >= '0' && c <= '9'; }

bool son_digitos(QByteArrayView v)
{
    return std::all_of(v.begin(), v.end(), [](char c) { return es_digito(c); });
}

bool en_blanco(QByteArrayView v)
{
    return std::all_of(v.begin(), v.end(), [](char c) { return c == ' '; });
}

qint64 numero(QByteArrayView v)
{
    qint64 n = 0;
    for (char c : v)
        n = n * 10 + (c - '0');
    return n;
}

// "+dddddddddd.dd" / "-dddddddddd.dd" in cents.
std::optional<qint64> leer_importe(QByteArrayView v)
{
    if (v.size() != 14 || (v[0] != '+' && v[0] != '-') || !son_digitos(v.sliced(1, 10)) || v[11] != '.'
        || !son_digitos(v.sliced(12, 2)))
        return std::nullopt;
    const qint64 centimos = numero(v.sliced(1, 10)) * 100 + numero(v.sliced(12, 2));
    return v[0] == '-' ? -centimos : centimos;
}

bool tanto_valido(QByteArrayView v)
{
    return v.size() == 5 && es_digito(v[0]) && es_digito(v[1]) && v[2] == '.' && es_digito(v[3])
        && es_digito(v[4]);
}

bool fecha_valida(QByteArrayView v)
{
    if (v.size() != 8 || !son_digitos(v))
        return false;
    const int anio = int(numero(v.sliced(0, 4)));
    const int mes = int(numero(v.sliced(4, 2)));
    const int dia = int(numero(v.sliced(6, 2)));
    if (anio < 1 || mes < 1 || mes > 12 || dia < 1)
        return false;
    static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bisiesto = (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0;
    const int maximo = (mes == 2 && bisiesto) ? 29 : kDias[mes - 1];
    return dia <= maximo;
}

QString fecha_legible(const QString& aaaammdd)
{
    return aaaammdd.mid(6, 2) + u'-' + aaaammdd.mid(4, 2) + u'-' + aaaammdd.left(4);
}

QString fecha_mostrada(QByteArrayView v)
{
    return fecha_valida(v) ? fecha_legible(QString::fromLatin1(v.data(), v.size()))
                           : QStringLiteral("«%1»").arg(mostrar(v));
}

QByteArrayView sin_blancos_finales(QByteArrayView v)
{
    while (!v.isEmpty() && v.back() == ' ')
        v.chop(1);
    return v;
}

bool empieza(QByteArrayView v, QByteArrayView prefijo)
{
    return v.size() >= prefijo.size() && v.first(prefijo.size()) == prefijo;
}

// A field by its 1-based first column and width.
QByteArrayView campo(QByteArrayView linea, int columna, int ancho)
{
    return linea.sliced(columna - 1, ancho);
}

struct Rango {
    int desde;
    int hasta;
};

// Free text fields of each record type: anything printable goes there.
constexpr Rango kLibresC[] = {{16, 27}, {28, 57}, {78, 91}, {94, 123}, {135, 154}, {155, 159}, {160, 174}};
constexpr Rango kLibresAsiento[] = {{16, 27}, {28, 57}, {59, 68}, {70, 99}};

class Verificador {
public:
    Informe informe;

    // The next bytes of the file, in any cut; false once reading has stopped
    // (the rest would not change the report).
    bool agregar(QByteArrayView trozo);
    // The end of the file.
    void terminar();

private:
    enum class Estado { Libre, Factura, Asiento, Desconocido };

    struct Factura {
        qint64 cabecera = 0;
        qint64 ultima = 0;
        int lineas_iva = 0;
        QByteArray documento;
        QByteArray fecha;
        std::optional<qint64> total;
        qint64 iva = 0;
        bool iva_completo = true;
    };
    struct Asiento {
        qint64 primera = 0;
        qint64 ultima = 0;
        char ultima_posicion = 'I';
        int lineas = 0;
        qint64 debe = 0;
        qint64 haber = 0;
        bool estructura_rota = false;  // its fault was already reported
        bool importes_ilegibles = false;
    };
    struct FacturaCerrada {
        QByteArray documento;
        QByteArray fecha;
    };

    // The line being read, when a piece of the file ended inside it.
    QByteArray pendiente_;  // its first bytes, at most kRetenida
    qint64 largo_ = 0;      // all its bytes read so far
    char ultimo_ = 0;
    qint64 n_ = 0;          // lines begun
    bool parado_ = false;
    bool por_problemas_ = false;

    Vistos vistos_;

    Estado estado_ = Estado::Libre;
    Factura factura_;
    Asiento asiento_;
    std::optional<FacturaCerrada> desglose_;  // invoice that ended on the line before

    void problema(qint64 linea, int columna, QString texto)
    {
        informe.problemas.append(Problema{linea, columna, std::move(texto)});
    }
    void sumar(qint64& suma, qint64 valor)
    {
        qint64 r = 0;
        if (__builtin_add_overflow(suma, valor, &r))
            informe.resumen.desbordado = true;
        else
            suma = r;
    }

    void fin_de_linea(QByteArrayView retenida, qint64 largo, char ultimo, bool lf);
    void acumular(QByteArrayView parte);
    void linea(qint64 n, QByteArrayView bytes, bool cr, bool lf);
    void linea_larga(qint64 n, qint64 bytes, bool cr, bool lf);
    template <typename Describir>
    void unico(qint64 n, int columna, quint64 clave, Describir describir);
    void documento_asiento(qint64 n, QByteArrayView b);
    void registro(qint64 n, QByteArrayView b);
    bool cabecera(qint64 n, QByteArrayView b);
    void literal(qint64 n, QByteArrayView b, int columna, QByteArrayView esperado);
    void blancos(qint64 n, QByteArrayView b, int desde, int hasta);
    void cuenta(qint64 n, QByteArrayView b);
    std::optional<qint64> importe(qint64 n, QByteArrayView b, int columna, const QString& nombre);
    void tanto(qint64 n, QByteArrayView b, int columna);
    template <std::size_t N>
    void controles(qint64 n, QByteArrayView b, const Rango (&libres)[N]);

    void cuenta_c(qint64 n, QByteArrayView b);
    void apunte(qint64 n, QByteArrayView b);
    void cabecera_factura(qint64 n, QByteArrayView b);
    void linea_iva(qint64 n, QByteArrayView b);

    void cerrar_pendiente();
    void cerrar_factura();
    void cerrar_asiento();
    void abrir_asiento(qint64 n, QByteArrayView b);
    void anotar(qint64 n, char posicion, std::optional<char> lado, std::optional<qint64> cantidad);
    void abandonar();
};

bool Verificador::agregar(QByteArrayView trozo)
{
    qsizetype pos = 0;
    while (!parado_ && pos < trozo.size()) {
        const qsizetype lf = trozo.indexOf('\n', pos);
        const qsizetype fin = lf < 0 ? trozo.size() : lf;
        const QByteArrayView parte = trozo.sliced(pos, fin - pos);
        pos = fin + 1;
        if (lf >= 0 && largo_ == 0) {
            // The whole line is in this piece: checked where it lies.
            ++n_;
            fin_de_linea(parte, parte.size(), parte.isEmpty() ? 0 : parte.back(), true);
        } else {
            if (largo_ == 0)
                ++n_;
            acumular(parte);
            if (lf >= 0 && !parado_) {
                fin_de_linea(pendiente_, largo_, ultimo_, true);
                pendiente_.clear();
                largo_ = 0;
            }
        }
        if (!parado_ && informe.problemas.size() >= kMaxProblemas) {
            parado_ = true;
            por_problemas_ = true;
        }
    }
    return !parado_;
}

void Verificador::acumular(QByteArrayView parte)
{
    if (parte.isEmpty())
        return;
    largo_ += parte.size();
    ultimo_ = parte.back();
    if (largo_ > kLimiteLinea) {
        fin_de_linea(QByteArrayView(), largo_, ultimo_, false);
        return;
    }
    if (largo_ <= kRetenida)
        pendiente_.append(parte);
}

// A line read whole (`lf`) or the last one; `retenida` holds all its bytes
// when it has at most kRetenida of them.
void Verificador::fin_de_linea(QByteArrayView retenida, qint64 largo, char ultimo, bool lf)
{
    if (largo > kLimiteLinea) {
        problema(n_, kLongitud + 1,
                 QStringLiteral("la línea tiene más de %1 bytes sin fin de línea: no es un fichero de registros y "
                                "se deja de leer")
                     .arg(kLimiteLinea));
        parado_ = true;
        return;
    }
    const bool cr = largo > 0 && ultimo == '\r';
    if (largo > kRetenida) {
        linea_larga(n_, cr ? largo - 1 : largo, cr, lf);
        return;
    }
    if (cr)
        retenida.chop(1);
    linea(n_, retenida, cr, lf);
}

void Verificador::terminar()
{
    if (!parado_ && largo_ > 0) {
        fin_de_linea(pendiente_, largo_, ultimo_, false);
        pendiente_.clear();
        largo_ = 0;
    }
    informe.resumen.lineas = n_;
    // An entry cut off by the stop is not judged: its end was not read.
    if (!parado_)
        cerrar_pendiente();
    std::stable_sort(informe.problemas.begin(), informe.problemas.end(), [](const Problema& a, const Problema& b) {
        return a.linea != b.linea ? a.linea < b.linea : a.columna < b.columna;
    });
    if (por_problemas_)
        problema(n_, 1, QStringLiteral("hay %1 problemas o más: se deja de leer el fichero tras esta línea")
                            .arg(kMaxProblemas));
    if (n_ == 0)
        problema(0, 0, QStringLiteral("El fichero está vacío: no tiene ningún registro"));
}

namespace {

QString fin_mal(bool cr, bool lf)
{
    if (!lf && cr)
        return QStringLiteral("la última línea termina en CR sin LF");
    if (!lf)
        return QStringLiteral("la última línea no termina en CR LF");
    if (!cr)
        return QStringLiteral("la línea termina en LF sin CR");
    return QString();
}

QString largo_mal(qint64 largo, bool caracteres, bool fin_mal)
{
    QString texto = QStringLiteral("la línea tiene %1 %2 en lugar de %3")
                        .arg(largo)
                        .arg(caracteres ? QStringLiteral("caracteres") : QStringLiteral("bytes"))
                        .arg(kLongitud);
    if (fin_mal)
        texto += QStringLiteral(" y no termina en CR LF");
    return texto;
}

} // namespace

// A line too long to be kept: only its length is reported.
void Verificador::linea_larga(qint64 n, qint64 bytes, bool cr, bool lf)
{
    problema(n, kLongitud + 1, largo_mal(bytes, false, !fin_mal(cr, lf).isEmpty()));
    abandonar();
}

void Verificador::linea(qint64 n, QByteArrayView bytes, bool cr, bool lf)
{
    Utf8 utf8;
    QByteArray convertida;
    if (leer_utf8(bytes, utf8)) {
        problema(n, utf8.columna,
                 QStringLiteral("texto en UTF-8 («%1»): el fichero debe estar en Windows-1252")
                     .arg(mostrar_caracter(utf8.primero)));
        // Padded by characters, its fields are where they belong once it is
        // read as the Windows-1252 text it should have been; padded by bytes,
        // they already are.
        if (bytes.size() != kLongitud) {
            convertida = std::move(utf8.cp1252);
            bytes = convertida;
        }
    }

    const QString fin = fin_mal(cr, lf);
    if (bytes.size() != kLongitud) {
        problema(n, bytes.size() < kLongitud ? int(bytes.size()) + 1 : kLongitud + 1,
                 largo_mal(bytes.size(), !convertida.isNull(), !fin.isEmpty()));
        abandonar();
        return;
    }
    if (!fin.isEmpty())
        problema(n, kLongitud + 1, fin);
    registro(n, bytes);
}

void Verificador::registro(qint64 n, QByteArrayView b)
{
    if (!cabecera(n, b)) {
        abandonar();
        return;
    }
    switch (b[14]) {
    case 'C': cuenta_c(n, b); break;
    case '0': apunte(n, b); break;
    case '1': cabecera_factura(n, b); break;
    case '9': linea_iva(n, b); break;
    }
}

// Common head; false when the record type is unknown.
bool Verificador::cabecera(qint64 n, QByteArrayView b)
{
    if (b[0] != '4')
        problema(n, 1, QStringLiteral("marca de formato «%1» desconocida: debe ser «4»").arg(mostrar(b.sliced(0, 1))));
    const QByteArrayView empresa = campo(b, 2, 5);
    if (!son_digitos(empresa))
        problema(n, 2, QStringLiteral("código de empresa «%1» no válido: deben ser cinco dígitos").arg(mostrar(empresa)));
    const QByteArrayView fecha = campo(b, 7, 8);
    if (!fecha_valida(fecha)) {
        problema(n, 7, QStringLiteral("fecha «%1» no válida: debe ser una fecha aaaammdd").arg(mostrar(fecha)));
    } else {
        const QString f = QString::fromLatin1(fecha.data(), fecha.size());
        Resumen& r = informe.resumen;
        if (r.fecha_desde.isEmpty() || f < r.fecha_desde)
            r.fecha_desde = f;
        if (r.fecha_hasta.isEmpty() || f > r.fecha_hasta)
            r.fecha_hasta = f;
    }
    const char tipo = b[14];
    if (tipo != 'C' && tipo != '0' && tipo != '1' && tipo != '9') {
        problema(n, 15, QStringLiteral("tipo de registro «%1» desconocido: debe ser «C», «0», «1» o «9»")
                            .arg(mostrar(b.sliced(14, 1))));
        return false;
    }
    return true;
}

void Verificador::literal(qint64 n, QByteArrayView b, int columna, QByteArrayView esperado)
{
    const QByteArrayView hay = campo(b, columna, int(esperado.size()));
    if (hay == esperado)
        return;
    int i = 0;
    while (hay[i] == esperado[i])
        ++i;
    const int hasta = columna + int(esperado.size()) - 1;
    const QString donde = hasta == columna ? QStringLiteral("de la columna %1").arg(columna)
                                           : QStringLiteral("de las columnas %1-%2").arg(columna).arg(hasta);
    problema(n, columna + i,
             QStringLiteral("el campo fijo %1 debe ser «%2» y es «%3»").arg(donde, mostrar(esperado), mostrar(hay)));
}

void Verificador::blancos(qint64 n, QByteArrayView b, int desde, int hasta)
{
    const QByteArrayView hay = campo(b, desde, hasta - desde + 1);
    if (en_blanco(hay))
        return;
    for (qsizetype i = 0; i < hay.size(); ++i) {
        if (hay[i] != ' ') {
            problema(n, desde + int(i),
                     QStringLiteral("las columnas %1-%2 deben estar en blanco y la columna %3 tiene «%4»")
                         .arg(desde)
                         .arg(hasta)
                         .arg(desde + int(i))
                         .arg(mostrar(hay.sliced(i, 1))));
            return;
        }
    }
}

void Verificador::cuenta(qint64 n, QByteArrayView b)
{
    if (en_blanco(campo(b, 16, 12)))
        problema(n, 16, QStringLiteral("la cuenta (columnas 16-27) está vacía"));
}

std::optional<qint64> Verificador::importe(qint64 n, QByteArrayView b, int columna, const QString& nombre)
{
    const QByteArrayView v = campo(b, columna, 14);
    const auto centimos = leer_importe(v);
    if (!centimos)
        problema(n, columna,
                 QStringLiteral("%1 «%2» no válido: debe tener la forma +0000000000.00 o -0000000000.00")
                     .arg(nombre, mostrar(v)));
    return centimos;
}

void Verificador::tanto(qint64 n, QByteArrayView b, int columna)
{
    const QByteArrayView v = campo(b, columna, 5);
    if (!tanto_valido(v))
        problema(n, columna, QStringLiteral("tipo de IVA «%1» no válido: debe tener la forma 00.00").arg(mostrar(v)));
}

template <std::size_t N>
void Verificador::controles(qint64 n, QByteArrayView b, const Rango (&libres)[N])
{
    for (const Rango& r : libres) {
        for (int c = r.desde; c <= r.hasta; ++c) {
            const auto byte = static_cast<unsigned char>(b[c - 1]);
            if (es_control(byte)) {
                problema(n, c, QStringLiteral("carácter de control 0x%1 en un campo de texto")
                                   .arg(QString::number(byte, 16).rightJustified(2, u'0').toUpper()));
                return;
            }
        }
    }
}

void Verificador::cuenta_c(qint64 n, QByteArrayView b)
{
    ++informe.resumen.cuentas;
    cuenta(n, b);
    literal(n, b, 58, "S");
    literal(n, b, 59, "+0000000000.00");
    blancos(n, b, 73, 77);
    literal(n, b, 92, "CL");
    blancos(n, b, 124, 134);
    literal(n, b, 175, "011");
    blancos(n, b, 178, 252);
    literal(n, b, 253, "EN");
    controles(n, b, kLibresC);
    cerrar_pendiente();

    // A3Con would create the account again, whatever its other fields say.
    const QByteArrayView codigo = campo(b, 16, 12);
    if (!en_blanco(codigo))
        unico(n, 16, huella('C', {campo(b, 2, 5), codigo}), [&](qint64 primera) {
            return QStringLiteral("la cuenta «%1» está repetida: aparece en las líneas %2 y %3")
                .arg(mostrar(sin_blancos_finales(codigo)))
                .arg(primera)
                .arg(n);
        });
}

void Verificador::apunte(qint64 n, QByteArrayView b)
{
    ++informe.resumen.apuntes;
    cuenta(n, b);
    std::optional<char> lado;
    if (b[57] == 'D' || b[57] == 'H')
        lado = b[57];
    else
        problema(n, 58, QStringLiteral("lado «%1» no válido: debe ser «D» o «H»").arg(mostrar(b.sliced(57, 1))));
    const char posicion = b[68];
    if (posicion != 'I' && posicion != 'M' && posicion != 'U')
        problema(n, 69, QStringLiteral("posición de línea «%1» no válida: debe ser «I», «M» o «U»")
                            .arg(mostrar(b.sliced(68, 1))));
    const auto cantidad = importe(n, b, 100, QStringLiteral("importe"));
    blancos(n, b, 114, 252);
    literal(n, b, 253, "E");
    literal(n, b, 254, "N");
    controles(n, b, kLibresAsiento);
    if (cantidad && lado)
        sumar(*lado == 'D' ? informe.resumen.debe : informe.resumen.haber, *cantidad);

    const QByteArrayView documento = campo(b, 59, 10);
    const QByteArrayView fecha = campo(b, 7, 8);
    switch (posicion) {
    case 'I':
        cerrar_pendiente();
        abrir_asiento(n, b);
        anotar(n, posicion, lado, cantidad);
        return;
    case 'M':
        if (estado_ == Estado::Asiento) {
            anotar(n, posicion, lado, cantidad);
        } else if (estado_ != Estado::Desconocido) {
            cerrar_pendiente();
            problema(n, 69, QStringLiteral("el asiento no empieza con «I»"));
            abrir_asiento(n, b);
            asiento_.estructura_rota = true;
            anotar(n, posicion, lado, cantidad);
        }
        return;
    case 'U': {
        if (estado_ == Estado::Asiento) {
            anotar(n, posicion, lado, cantidad);
            cerrar_asiento();
            return;
        }
        if (estado_ == Estado::Desconocido) {
            estado_ = Estado::Libre;
            return;
        }
        // The sales breakdown of an invoice may be its closing line alone.
        const bool tras_factura_abierta = estado_ == Estado::Factura
            && factura_.documento == documento && factura_.fecha == fecha;
        const bool tras_factura_cerrada = estado_ == Estado::Libre && desglose_
            && desglose_->documento == documento && desglose_->fecha == fecha;
        cerrar_pendiente();
        abrir_asiento(n, b);
        if (!tras_factura_abierta && !tras_factura_cerrada) {
            problema(n, 69, QStringLiteral("el asiento no empieza con «I»"));
            asiento_.estructura_rota = true;
        }
        anotar(n, posicion, lado, cantidad);
        cerrar_asiento();
        return;
    }
    default:
        if (estado_ == Estado::Asiento) {
            asiento_.estructura_rota = true;
            anotar(n, 'M', lado, cantidad);
        } else {
            cerrar_pendiente();
            estado_ = Estado::Desconocido;
        }
        return;
    }
}

void Verificador::cabecera_factura(qint64 n, QByteArrayView b)
{
    ++informe.resumen.facturas;
    cuenta(n, b);
    literal(n, b, 58, "1");
    const bool abre = b[68] == 'I';
    if (!abre)
        problema(n, 69, QStringLiteral("la factura no empieza con «I»: la columna 69 tiene «%1»")
                            .arg(mostrar(b.sliced(68, 1))));
    const auto total = importe(n, b, 100, QStringLiteral("total de factura"));
    blancos(n, b, 114, 252);
    literal(n, b, 253, "E");
    literal(n, b, 254, "N");
    controles(n, b, kLibresAsiento);
    if (total)
        sumar(informe.resumen.total_facturas, *total);

    cerrar_pendiente();
    estado_ = Estado::Factura;
    factura_ = Factura{};
    factura_.cabecera = n;
    factura_.ultima = n;
    factura_.documento = campo(b, 59, 10).toByteArray();
    factura_.fecha = campo(b, 7, 8).toByteArray();
    factura_.total = total;

    // An invoice is its number on its date: the hotel numbers them anew every
    // year, so the same number on another date is another invoice.
    const QByteArrayView numero = campo(b, 59, 10);
    if (!en_blanco(numero))
        unico(n, 59, huella('1', {campo(b, 2, 5), campo(b, 7, 8), campo(b, 58, 1), numero}), [&](qint64 primera) {
            return QStringLiteral("la factura «%1» del %2 está repetida: aparece en las líneas %3 y %4")
                .arg(mostrar(sin_blancos_finales(numero)), fecha_mostrada(campo(b, 7, 8)))
                .arg(primera)
                .arg(n);
        });
}

void Verificador::linea_iva(qint64 n, QByteArrayView b)
{
    ++informe.resumen.lineas_iva;
    cuenta(n, b);
    literal(n, b, 58, "C");
    const char posicion = b[68];
    if (posicion != 'M' && posicion != 'U')
        problema(n, 69, QStringLiteral("posición de línea «%1» no válida en una línea de IVA: debe ser «M» o «U»")
                            .arg(mostrar(b.sliced(68, 1))));
    literal(n, b, 100, "01");
    const auto base = importe(n, b, 102, QStringLiteral("base imponible"));
    tanto(n, b, 116);
    const auto cuota = importe(n, b, 121, QStringLiteral("cuota de IVA"));
    literal(n, b, 135, "00.00");
    literal(n, b, 140, "+0000000000.00");
    literal(n, b, 154, "00.00");
    literal(n, b, 159, "+0000000000.00");
    literal(n, b, 173, "01");
    literal(n, b, 175, "S");
    blancos(n, b, 176, 252);
    literal(n, b, 253, "E");
    literal(n, b, 254, "N");
    controles(n, b, kLibresAsiento);
    if (base)
        sumar(informe.resumen.bases, *base);
    if (cuota)
        sumar(informe.resumen.cuotas, *cuota);

    if (estado_ == Estado::Desconocido) {
        if (posicion == 'U')
            estado_ = Estado::Libre;
        return;
    }
    if (estado_ != Estado::Factura) {
        cerrar_pendiente();
        problema(n, 15, QStringLiteral("la línea de IVA no sigue a una cabecera de factura «1»"));
        estado_ = posicion == 'U' ? Estado::Libre : Estado::Desconocido;
        return;
    }
    const QByteArrayView documento = campo(b, 59, 10);
    const QByteArrayView fecha = campo(b, 7, 8);
    if (documento != factura_.documento)
        problema(n, 59, QStringLiteral("la línea de IVA no sigue a su cabecera: documento «%1» y el de la factura "
                                       "de la línea %2 es «%3»")
                            .arg(mostrar(documento))
                            .arg(factura_.cabecera)
                            .arg(mostrar(factura_.documento)));
    else if (fecha != factura_.fecha)
        problema(n, 7, QStringLiteral("la línea de IVA no sigue a su cabecera: fecha «%1» y la de la factura "
                                      "de la línea %2 es «%3»")
                           .arg(mostrar(fecha))
                           .arg(factura_.cabecera)
                           .arg(mostrar(factura_.fecha)));
    ++factura_.lineas_iva;
    factura_.ultima = n;
    if (base && cuota) {
        sumar(factura_.iva, *base);
        sumar(factura_.iva, *cuota);
    } else {
        factura_.iva_completo = false;
    }
    if (posicion == 'U') {
        const FacturaCerrada cerrada{factura_.documento, factura_.fecha};
        cerrar_factura();
        desglose_ = cerrada;
    }
}

template <typename Describir>
void Verificador::unico(qint64 n, int columna, quint64 clave, Describir describir)
{
    if (const qint64 primera = vistos_.anotar(clave, n))
        problema(n, columna, describir(primera));
}

// A journal entry is told by the text its writer puts in the concept of its
// first line; the sales breakdown of an invoice goes with its invoice.
void Verificador::documento_asiento(qint64 n, QByteArrayView b)
{
    const QByteArrayView empresa = campo(b, 2, 5);
    const QByteArrayView fecha = campo(b, 7, 8);
    const QByteArrayView concepto = campo(b, 70, 30);
    // "<what> está repetido: aparece en las líneas 3 y 40"
    const auto repetido = [n](const QString& que, bool plural) {
        return [=](qint64 primera) {
            return QStringLiteral("%1 %2: %3 en las líneas %4 y %5")
                .arg(que, plural ? QStringLiteral("están repetidos") : QStringLiteral("está repetido"),
                     plural ? QStringLiteral("aparecen") : QStringLiteral("aparece"))
                .arg(primera)
                .arg(n);
        };
    };
    if (empieza(concepto, "Cobros Dia ") || empieza(concepto, "Cobros N/Factura N. ")) {
        // One entry a day holds every collection of the day.
        unico(n, 7, huella('J', {empresa, fecha}),
              repetido(QStringLiteral("los cobros de caja del día %1").arg(fecha_mostrada(fecha)),
                       true));
        return;
    }
    constexpr QByteArrayView kDeposito = "Dep.Descontado Factura ";
    if (empieza(concepto, kDeposito)) {
        // A deposit is discounted from its invoice, whose number is only in
        // the concept.
        const QByteArrayView factura = sin_blancos_finales(concepto.sliced(kDeposito.size()));
        if (!factura.isEmpty())
            unico(n, 70, huella('D', {empresa, fecha, factura}),
                  repetido(QStringLiteral("el depósito de la factura «%1» del %2")
                               .arg(mostrar(factura), fecha_mostrada(fecha)),
                           false));
        return;
    }
    if (empieza(concepto, "Cobro Credito Factura")) {
        const QByteArrayView factura = sin_blancos_finales(campo(b, 59, 10));
        if (!factura.isEmpty())
            unico(n, 59, huella('R', {empresa, fecha, factura}),
                  repetido(QStringLiteral("el cobro a crédito de la factura «%1» del %2")
                               .arg(mostrar(factura), fecha_mostrada(fecha)),
                           false));
    }
}

void Verificador::cerrar_pendiente()
{
    switch (estado_) {
    case Estado::Factura:
        if (factura_.lineas_iva == 0)
            problema(factura_.cabecera, 69,
                     QStringLiteral("la factura no tiene líneas de IVA: el asiento no termina con «U»"));
        else
            problema(factura_.ultima, 69, QStringLiteral("el asiento no termina con «U»"));
        cerrar_factura();
        break;
    case Estado::Asiento:
        if (asiento_.lineas == 1 && asiento_.ultima_posicion == 'I') {
            // A day's cash entry with one written line carries "I" alone.
            cerrar_asiento();
        } else {
            if (!asiento_.estructura_rota)
                problema(asiento_.ultima, 69, QStringLiteral("el asiento no termina con «U»"));
            estado_ = Estado::Libre;
        }
        break;
    case Estado::Libre:
    case Estado::Desconocido:
        break;
    }
    estado_ = Estado::Libre;
    desglose_.reset();
}

void Verificador::cerrar_factura()
{
    if (factura_.total && factura_.iva_completo && *factura_.total != factura_.iva)
        ++informe.resumen.facturas_descuadradas;
    estado_ = Estado::Libre;
    desglose_.reset();
}

void Verificador::abrir_asiento(qint64 n, QByteArrayView b)
{
    documento_asiento(n, b);
    estado_ = Estado::Asiento;
    asiento_ = Asiento{};
    asiento_.primera = n;
    ++informe.resumen.asientos;
}

void Verificador::anotar(qint64 n, char posicion, std::optional<char> lado, std::optional<qint64> cantidad)
{
    ++asiento_.lineas;
    asiento_.ultima = n;
    asiento_.ultima_posicion = posicion;
    if (!lado || !cantidad) {
        asiento_.importes_ilegibles = true;
        return;
    }
    qint64& suma = *lado == 'D' ? asiento_.debe : asiento_.haber;
    qint64 r = 0;
    if (__builtin_add_overflow(suma, *cantidad, &r))
        asiento_.importes_ilegibles = true;
    else
        suma = r;
}

void Verificador::cerrar_asiento()
{
    const Asiento& a = asiento_;
    if (!a.estructura_rota && !a.importes_ilegibles && a.debe != a.haber) {
        const QString lineas = a.primera == a.ultima ? QStringLiteral("de la línea %1").arg(a.primera)
                                                     : QStringLiteral("de las líneas %1-%2").arg(a.primera).arg(a.ultima);
        problema(a.ultima, 100, QStringLiteral("el asiento %1 no cuadra: debe %2, haber %3")
                                    .arg(lineas, texto_centimos(a.debe), texto_centimos(a.haber)));
    }
    estado_ = Estado::Libre;
    desglose_.reset();
}

// A line that cannot be read as a record: whatever entry it interrupts is
// not judged, and the lines that continue it are accepted.
void Verificador::abandonar()
{
    if (estado_ == Estado::Factura)
        cerrar_factura();
    estado_ = Estado::Desconocido;
    desglose_.reset();
}

} // namespace

qint64 Resumen::diferencia_facturas() const
{
    qint64 iva = 0;
    qint64 diferencia = 0;
    if (__builtin_add_overflow(bases, cuotas, &iva) || __builtin_sub_overflow(total_facturas, iva, &diferencia))
        return 0;
    return diferencia;
}

Informe verificar(const QByteArray& contenido)
{
    // In the pieces a file is read in, so both ways share every cut.
    Verificador v;
    const QByteArrayView todo(contenido);
    for (qsizetype pos = 0; pos < todo.size(); pos += kTrozo)
        if (!v.agregar(todo.sliced(pos, std::min<qsizetype>(kTrozo, todo.size() - pos))))
            break;
    v.terminar();
    return std::move(v.informe);
}

namespace {

QString motivo_ilegible(const QFileInfo& info, const QFile& fichero)
{
    if (!info.exists())
        return QStringLiteral("no existe");
    if (info.isDir())
        return QStringLiteral("es una carpeta");
    if (!info.isReadable())
        return QStringLiteral("no hay permiso de lectura");
    return fichero.errorString();
}

} // namespace

std::optional<Informe> verificar_fichero(const QString& ruta, QString* error)
{
    QFile fichero(ruta);
    const QFileInfo info(ruta);
    bool leido = !info.isDir() && fichero.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    Verificador v;
    if (leido) {
        QByteArray trozo(kTrozo, Qt::Uninitialized);
        for (;;) {
            const qint64 n = fichero.read(trozo.data(), kTrozo);
            if (n < 0) {
                leido = false;
                break;
            }
            if (n == 0 || !v.agregar(QByteArrayView(trozo.constData(), n)))
                break;
        }
    }
    if (!leido) {
        if (error)
            *error = QStringLiteral("No se puede leer el fichero %1: %2").arg(ruta, motivo_ilegible(info, fichero));
        return std::nullopt;
    }
    v.terminar();
    return std::move(v.informe);
}

QString texto_centimos(qint64 centimos)
{
    const bool negativo = centimos < 0;
    // Magnitude as unsigned so the most negative value has one too.
    const quint64 magnitud = negativo ? quint64(0) - quint64(centimos) : quint64(centimos);
    return QStringLiteral("%1%2.%3")
        .arg(negativo ? QStringLiteral("-") : QString())
        .arg(magnitud / 100)
        .arg(magnitud % 100, 2, 10, QChar(u'0'));
}

QString texto_problema(const Problema& p)
{
    if (p.linea == 0)
        return p.texto;
    return QStringLiteral("línea %1, columna %2: %3").arg(p.linea).arg(p.columna).arg(p.texto);
}

QString texto_informe(const Informe& informe, const QString& ruta)
{
    const Resumen& r = informe.resumen;
    QStringList l;
    l << QStringLiteral("Fichero: %1").arg(ruta);
    l << QStringLiteral("Líneas: %1").arg(r.lineas);
    l << QStringLiteral("Registros: %1 cuentas (C), %2 facturas (1), %3 líneas de IVA (9), %4 apuntes (0)")
             .arg(r.cuentas)
             .arg(r.facturas)
             .arg(r.lineas_iva)
             .arg(r.apuntes);
    l << QStringLiteral("Asientos: %1").arg(r.asientos);
    if (r.fecha_desde.isEmpty())
        l << QStringLiteral("Fechas: ninguna");
    else
        l << QStringLiteral("Fechas: del %1 al %2").arg(fecha_legible(r.fecha_desde), fecha_legible(r.fecha_hasta));
    l << QStringLiteral("Apuntes: debe %1, haber %2").arg(texto_centimos(r.debe), texto_centimos(r.haber));
    l << QStringLiteral("Facturas: total %1, bases %2, cuotas de IVA %3")
             .arg(texto_centimos(r.total_facturas), texto_centimos(r.bases), texto_centimos(r.cuotas));
    l << QStringLiteral("Diferencia entre facturas y sus líneas de IVA (información): %1 en %2 facturas")
             .arg(texto_centimos(r.diferencia_facturas()))
             .arg(r.facturas_descuadradas);
    if (r.desbordado)
        l << QStringLiteral("Aviso: alguna suma no cabe en 64 bits y se ha dejado de acumular");
    if (informe.problemas.isEmpty()) {
        l << QStringLiteral("Sin problemas.");
    } else {
        l << QStringLiteral("Problemas: %1").arg(informe.problemas.size());
        for (const Problema& p : informe.problemas)
            l << texto_problema(p);
    }
    return l.join(u'\n') + u'\n';
}

int estado_salida(const Informe& informe)
{
    return informe.correcto() ? 0 : 1;
}

} // namespace verificador
