#include "platform/bloqueo.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

QString motivo_sistema(const QString& ruta, int error)
{
    return QStringLiteral("no se puede usar el archivo de bloqueo '%1': %2")
        .arg(QDir::toNativeSeparators(ruta), QString::fromLocal8Bit(std::strerror(error)));
}

QString equipo()
{
    char nombre[256] = {};
    if (gethostname(nombre, sizeof nombre - 1) != 0 || !*nombre)
        return QStringLiteral("equipo desconocido");
    return QString::fromLocal8Bit(nombre);
}

// What the holder wrote about itself. A holder that has just taken the lock
// may not have written yet.
QString leer_ocupante(int fd)
{
    QByteArray texto;
    char trozo[512];
    ssize_t leidos;
    off_t desde = 0;
    while ((leidos = pread(fd, trozo, sizeof trozo, desde)) > 0 && texto.size() < 4096) {
        texto.append(trozo, leidos);
        desde += leidos;
    }
    const QString ocupante = QString::fromUtf8(texto).trimmed();
    return ocupante.isEmpty() ? QStringLiteral("un proceso que aún no se ha identificado") : ocupante;
}

bool escribir_todo(int fd, const QByteArray& texto)
{
    if (ftruncate(fd, 0) != 0)
        return false;
    qsizetype hecho = 0;
    while (hecho < texto.size()) {
        const ssize_t n = pwrite(fd, texto.constData() + hecho, size_t(texto.size() - hecho), off_t(hecho));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        hecho += n;
    }
    return true;
}

} // namespace

std::unique_ptr<Bloqueo> Bloqueo::tomar(const QString& ruta, const QString& tarea, QString* ocupante,
                                        bool* por_sistema)
{
    auto negar = [&](const QString& quien, bool sistema) {
        if (ocupante)
            *ocupante = quien;
        if (por_sistema)
            *por_sistema = sistema;
        return std::unique_ptr<Bloqueo>();
    };

    const QByteArray local = QFile::encodeName(ruta);
    const int fd = ::open(local.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return negar(motivo_sistema(ruta, errno), true);
    int r;
    do {
        r = flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int error = errno;
        const QString quien = error == EWOULDBLOCK ? leer_ocupante(fd) : motivo_sistema(ruta, error);
        ::close(fd);
        return negar(quien, error != EWOULDBLOCK);
    }

    // Who holds it, for whoever is refused while it does. The lock stands
    // even if this cannot be written; the refused then learn less.
    const QString quien = QStringLiteral("%1, pid %2 en %3, desde %4")
                              .arg(tarea)
                              .arg(qint64(getpid()))
                              .arg(equipo(), QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy HH:mm:ss")));
    escribir_todo(fd, quien.toUtf8() + '\n');
    if (ocupante)
        ocupante->clear();
    if (por_sistema)
        *por_sistema = false;
    return std::unique_ptr<Bloqueo>(new Bloqueo(fd, ruta));
}

Bloqueo::~Bloqueo()
{
    // The file stays: removing it would let a process that opened it just
    // before hold a lock on a file nobody else can see any more.
    if (ftruncate(fd_, 0) != 0) {
        // Only the description is stale; the lock itself goes with the close.
    }
    flock(fd_, LOCK_UN);
    ::close(fd_);
}

} // namespace platform
