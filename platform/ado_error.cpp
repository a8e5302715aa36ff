// The errors of the data-access layer: the provider numbers the link
// compares, and the failures of the disk or the file told in Spanish.

#include "platform/ado_internal.h"

#include <utility>

namespace ado {

Error::Error(qint64 number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source))
{
    what_ = QStringLiteral("%1 (%2)").arg(description_).arg(number_).toUtf8();
}

namespace detail {

qint64 errorNumberFor(const QString& native, const QString& text)
{
    const QString lower = text.toLower();
    if (native.contains(QLatin1String("42S02")) || lower.contains(QLatin1String("no such table"))
        || lower.contains(QLatin1String("invalid object name")))
        return kNoSuchTable;
    if (native.contains(QLatin1String("42S22")) || lower.contains(QLatin1String("no such column"))
        || lower.contains(QLatin1String("has no column named")) || lower.contains(QLatin1String("invalid column name")))
        return kNoSuchColumn;
    return kCannotOpen;
}

// Provider failures carry the number the link compares; the text stays the
// provider's own so the report shows what really happened.
Error errorFrom(const QSqlError& e, const QString& source)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    return Error(errorNumberFor(e.nativeErrorCode(), text), text, source);
}

Error closedError(const QString& source)
{
    return Error(kObjectClosed, QStringLiteral("No se permite la operación si el objeto está cerrado."), source);
}

namespace {

// The failures of the disk or the file itself, in the user's words and with
// the file's name; the engine's own text follows in brackets.
QString systemFailure(int code)
{
    // The journal a change needs beside the file cannot be made.
    if (code == SQLITE_READONLY_DIRECTORY)
        return QStringLiteral("no se puede escribir: su carpeta no admite ficheros nuevos");
    switch (code & 0xff) {
    case SQLITE_FULL: return QStringLiteral("no queda espacio en el disco");
    case SQLITE_IOERR: return QStringLiteral("no se ha podido leer o escribir en el disco");
    case SQLITE_READONLY: return QStringLiteral("no se puede escribir: es de solo lectura");
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("otro programa la tiene bloqueada");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return QStringLiteral("el archivo está dañado");
    case SQLITE_CANTOPEN: return QStringLiteral("no se puede abrir el archivo");
    case SQLITE_NOMEM: return QStringLiteral("no queda memoria");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("permiso denegado");
    default: return QString();
    }
}

// The database named as the link names it (a Windows path), not as the
// file the engine opened here; the engine's name only when the link gave none.
QString inDatabase(const QString& failure, sqlite3* handle, const QString& place, const QString& text)
{
    const char* file = place.isEmpty() ? sqlite3_db_filename(handle, "main") : nullptr;
    return QStringLiteral("%1 en la base de datos %2 (%3)")
        .arg(failure, place.isEmpty() ? QString::fromUtf8(file ? file : "") : place, text);
}

} // namespace

// The driver's error with the engine's code told as the statements' are.
Error localDriverError(sqlite3* handle, const QSqlError& e, const QString& source, const QString& place)
{
    Error plain = errorFrom(e, source);
    // The driver keeps no code for a failed COMMIT; the handle still has it.
    int code = handle ? sqlite3_extended_errcode(handle) : SQLITE_OK;
    if (systemFailure(code).isEmpty())
        code = e.nativeErrorCode().toInt();
    const QString failure = systemFailure(code);
    if (failure.isEmpty() || !handle)
        return plain;
    return Error(plain.number(), inDatabase(failure, handle, place, plain.description()), source);
}

Error sqliteError(sqlite3* handle, const QString& source, const QString& place)
{
    const QString text = QString::fromUtf8(sqlite3_errmsg(handle)).trimmed();
    const int code = sqlite3_extended_errcode(handle);
    const qint64 number = errorNumberFor(QString::number(code), text);
    const QString failure = systemFailure(code);
    if (failure.isEmpty())
        return Error(number, text, source);
    return Error(number, inDatabase(failure, handle, place, text), source);
}

} // namespace detail
} // namespace ado
