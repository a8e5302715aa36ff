#include "platform/cp1252.h"

#include <QFile>
#include <QVector>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

namespace platform {

namespace {

// One iconv descriptor per conversion call: cheap next to the text it
// converts, and no state is shared between callers.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QByteArray toCp1252(const QString& text)
{
    if (isAscii(text))
        return text.toLatin1();

    const QList<uint> codes = text.normalized(QString::NormalizationForm_C).toUcs4();
    QByteArray out;
    out.reserve(codes.size());
    Converter conv("WINDOWS-1252", "UTF-32LE");
    if (!conv.valid()) {
        for (uint c : codes)
            out.append(c < 0x80 ? char(c) : '?');
        return out;
    }
    // Converting one character at a time keeps a character Windows-1252 lacks
    // to exactly one '?', so fixed-width fields keep their width.
    for (uint c : codes) {
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        char in[4] = {char(c & 0xff), char((c >> 8) & 0xff), char((c >> 16) & 0xff), char((c >> 24) & 0xff)};
        char result[8];
        char* inPtr = in;
        size_t inLeft = sizeof in;
        char* outPtr = result;
        size_t outLeft = sizeof result;
        const size_t rc = iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        const int written = int(outPtr - result);
        if (rc == size_t(-1) || written != 1) {
            out.append('?');
            iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
        } else {
            out.append(result[0]);
        }
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    bool ascii = true;
    for (char b : bytes) {
        if (static_cast<unsigned char>(b) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);

    Converter conv("UTF-32LE", "WINDOWS-1252");
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const unsigned char u = static_cast<unsigned char>(b);
        if (u < 0x80 || !conv.valid()) {
            out.append(u < 0x80 ? QChar(u) : QChar(0xFFFD));
            continue;
        }
        char in = b;
        char* inPtr = &in;
        size_t inLeft = 1;
        unsigned char result[4];
        char* outPtr = reinterpret_cast<char*>(result);
        size_t outLeft = sizeof result;
        if (iconv(conv.get(), &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || outLeft != 0) {
            out.append(QChar(0xFFFD));
            iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        const char32_t code = char32_t(result[0]) | char32_t(result[1]) << 8 | char32_t(result[2]) << 16
            | char32_t(result[3]) << 24;
        out.append(QString::fromUcs4(&code, 1));
    }
    return out;
}

int cp1252Width(const QString& text)
{
    if (isAscii(text))
        return int(text.size());
    return int(text.normalized(QString::NormalizationForm_C).toUcs4().size());
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
