#include "platform/cp1252.h"

#include <QFile>
#include <QVector>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

// The characters of bytes 0x80-0x9F; 0 marks the five bytes the code page
// leaves undefined. Bytes 0xA0-0xFF are U+00A0-U+00FF and the rest ASCII.
constexpr char16_t kAltos[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Byte of a character of the 0x80-0x9F range, 0 when it has none.
unsigned char byteAlto(char32_t code)
{
    for (int i = 0; i < 32; ++i)
        if (kAltos[i] == code && code != 0)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

// A UTF-16 unit below U+0300, or one of the code page's own characters
// above it, is a whole character that composition leaves alone and that
// never joins its neighbours; a text of such units converts unit by unit.
// Any other unit (a combining mark, a surrogate, a Hangul jamo...) asks for
// the text to be composed first. kCompone marks those.
constexpr int kCompone = -1;

inline int byteOfUnit(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        return u;
    if (u < 0x300) {
        const unsigned char b = byteAlto(u);
        return b != 0 ? b : '?';
    }
    const unsigned char b = byteAlto(u);
    return b != 0 ? b : kCompone;
}

// Converts `text` composed, calling out(i, byte) for each of its bytes, and
// returns how many there are.
template <typename Out> qsizetype convertir(QStringView text, Out&& out)
{
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t u = s[i];
        if (u < 0x80) {
            out(i, static_cast<unsigned char>(u));
            continue;
        }
        const int b = byteOfUnit(u);
        if (b == kCompone)
            break;
        out(i, static_cast<unsigned char>(b));
    }
    if (i == n)
        return n;
    // Composed, one byte per character (a character outside the BMP
    // included), '?' for the characters Windows-1252 lacks.
    const QList<uint> codes = text.toString().normalized(QString::NormalizationForm_C).toUcs4();
    qsizetype k = 0;
    for (uint c : codes)
        out(k++, static_cast<unsigned char>(cp1252Byte(c)));
    return k;
}

} // namespace

char cp1252Byte(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return char(code);
    const unsigned char b = byteAlto(code);
    return b != 0 ? char(b) : '?';
}

char16_t cp1252Char(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0)
        return byte;
    const char16_t c = kAltos[byte - 0x80];
    return c != 0 ? c : char16_t(0xFFFD);
}

namespace {

// Narrows the leading ASCII of `s` into `d`, sixteen units at a time where
// the processor has SSE2; returns how many units were done.
qsizetype narrowAscii(const char16_t* s, qsizetype n, char* d)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i alto = _mm_set1_epi16(short(0xFF80));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        const __m128i fuera = _mm_and_si128(_mm_or_si128(a, b), alto);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(fuera, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n && s[i] < 0x80; ++i)
        d[i] = char(s[i]);
    return i;
}

} // namespace

QByteArray toCp1252(const QString& text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return text.toLatin1();   // null stays null
    QByteArray out(n, Qt::Uninitialized);
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    char* d = out.data();
    // Nearly every line of the file is ASCII; the rest mostly converts unit
    // by unit.
    qsizetype hechos = narrowAscii(s, n, d);
    for (; hechos < n; ++hechos) {
        const int b = byteOfUnit(s[hechos]);
        if (b == kCompone)
            break;
        d[hechos] = char(b);
    }
    if (hechos == n)
        return out;
    const qsizetype bytes = convertir(text, [&out](qsizetype i, unsigned char b) {
        if (i >= out.size())
            out.resize(i + 1);
        out.data()[i] = char(b);
    });
    out.truncate(bytes);
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    if (QtPrivate::isAscii(QLatin1StringView(bytes)))
        return QString::fromLatin1(bytes);
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    for (char b : bytes)
        *p++ = cp1252Char(static_cast<unsigned char>(b));
    return out;
}

qsizetype cp1252Chars(QStringView text, char16_t* out, qsizetype room)
{
    return convertir(text, [out, room](qsizetype i, unsigned char b) {
        if (i < room)
            out[i] = cp1252Char(b);
    });
}

int cp1252Width(const QString& text)
{
    if (QtPrivate::isAscii(QStringView(text)))
        return int(text.size());
    return int(convertir(text, [](qsizetype, unsigned char) {}));
}

// ---------------------------------------------------------------------------

namespace {

constexpr qsizetype kFlushAt = 64 * 1024;


} // namespace

QString describeErrno(int code)
{
    switch (code) {
    case ENOENT:
        return QStringLiteral("la carpeta no existe");
    case EACCES:
    case EPERM:
        return QStringLiteral("permiso denegado");
    case ENOSPC:
        return QStringLiteral("no queda espacio en el disco");
    case EDQUOT:
        return QStringLiteral("se ha superado la cuota de disco");
    case EISDIR:
        return QStringLiteral("es una carpeta");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOTDIR:
        return QStringLiteral("una parte de la ruta no es una carpeta");
    case EIO:
        return QStringLiteral("error de entrada/salida");
    default:
        return QString::fromLocal8Bit(std::strerror(code));
    }
}

struct LineWriter::Impl {
    int fd = -1;
    QString path;
    QByteArray buffer;
};

LineWriter::LineWriter() : d(std::make_unique<Impl>()) {}

LineWriter::~LineWriter()
{
    if (isOpen())
        close();
}

bool LineWriter::isOpen() const { return d->fd >= 0; }

bool LineWriter::open(const QString& localPath, Mode mode)
{
    if (isOpen())
        close();
    failed_ = false;
    code_ = 0;
    error_.clear();
    lines_ = 0;
    d->buffer.clear();
    d->path = localPath;
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : O_TRUNC);
    const QByteArray encoded = QFile::encodeName(localPath);
    const int fd = ::open(encoded.constData(), flags, 0644);
    if (fd < 0) {
        const int code = errno;
        failed_ = true;
        code_ = code;
        error_ = QStringLiteral("No se puede abrir el archivo %1: %2.").arg(localPath, describeErrno(code));
        return false;
    }
    d->fd = fd;
    d->buffer.reserve(kFlushAt + 1024);
    return true;
}

namespace {

bool writeAll(int fd, const QByteArray& bytes, int* errorCode)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *errorCode = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

bool LineWriter::writeRaw(const QByteArray& bytesWithoutEol)
{
    if (!append(bytesWithoutEol))
        return false;
    ++lines_;
    d->buffer.append("\r\n", 2);
    return flushIfFull();
}

bool LineWriter::writeLine(const QString& line) { return writeRaw(toCp1252(line)); }

bool LineWriter::writeBytes(const QByteArray& bytes) { return append(bytes) && flushIfFull(); }

bool LineWriter::append(const QByteArray& bytes)
{
    if (!isOpen()) {
        if (!failed_) {
            failed_ = true;
            error_ = QStringLiteral("No hay ningún archivo abierto para escribir.");
        }
        return false;
    }
    if (failed_)
        return false;
    d->buffer.append(bytes);
    return true;
}

bool LineWriter::flushIfFull()
{
    if (d->buffer.size() < kFlushAt)
        return true;
    int code = 0;
    const bool ok = writeAll(d->fd, d->buffer, &code);
    d->buffer.clear();
    if (!ok) {
        failed_ = true;
        code_ = code;
        error_ = QStringLiteral("No se puede escribir en el archivo %1: %2.").arg(d->path, describeErrno(code));
    }
    return ok;
}

bool LineWriter::close()
{
    if (!isOpen())
        return !failed_;
    int code = 0;
    if (!failed_ && !d->buffer.isEmpty() && !writeAll(d->fd, d->buffer, &code)) {
        failed_ = true;
        code_ = code;
        error_ = QStringLiteral("No se puede escribir en el archivo %1: %2.").arg(d->path, describeErrno(code));
    }
    d->buffer.clear();
    if (!failed_ && ::fsync(d->fd) != 0 && errno != EINVAL && errno != EROFS) {
        code = errno;
        failed_ = true;
        code_ = code;
        error_ = QStringLiteral("No se puede guardar en el disco el archivo %1: %2.").arg(d->path, describeErrno(code));
    }
    if (::close(d->fd) != 0 && !failed_) {
        code = errno;
        failed_ = true;
        code_ = code;
        error_ = QStringLiteral("No se puede cerrar el archivo %1: %2.").arg(d->path, describeErrno(code));
    }
    d->fd = -1;
    return !failed_;
}

} // namespace platform
