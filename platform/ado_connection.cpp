// Connections to a local (SQLite) database or an ODBC server, the
// statements they compile and keep, transactions and savepoints.
//
// Statements on a local database run straight on its handle: the same few
// statement texts repeat hundreds of thousands of times in a year's transfer
// with other values, and compiling each one again took most of the time. A
// text is compiled once and kept while the connection stays open; its
// values are bound to its "?" marks.

#include "platform/ado_internal.h"

#include "platform/drive_map.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QUrl>
#include <QVarLengthArray>

#include <utility>

namespace ado {

using namespace detail;

namespace {

// One name serves every savepoint: they nest, and each statement acts on
// the innermost one of that name, which is the one its Savepoint made.
constexpr char kSavepointText[] = "SAVEPOINT enlace3_punto";
constexpr char kReleaseText[] = "RELEASE enlace3_punto";
constexpr char kRollbackToText[] = "ROLLBACK TO enlace3_punto";

const QString& savepointStatement(const char* text)
{
    static const QString savepoint = QString::fromLatin1(kSavepointText);
    static const QString release = QString::fromLatin1(kReleaseText);
    static const QString rollbackTo = QString::fromLatin1(kRollbackToText);
    return text == kSavepointText ? savepoint : text == kReleaseText ? release : rollbackTo;
}

// Key/value pairs of a connection string, keys in lower case.
QHash<QString, QString> connectionPairs(const QString& connectionString)
{
    QHash<QString, QString> pairs;
    const QStringList parts = connectionString.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        pairs.insert(part.left(eq).trimmed().toLower(), part.mid(eq + 1).trimmed());
    }
    return pairs;
}

// Plain ASCII goes in as it is stored (UTF-8), sparing the database a
// conversion; anything else is handed over as UTF-16 for it to convert.
// The ASCII bytes stay in `kept`, which the statement owns and which is not
// touched again until the mark is bound anew: the database reads them there
// instead of copying them first.
int bindText(sqlite3_stmt* stmt, int index, QStringView text, QByteArray& kept)
{
    const qsizetype size = text.size();
    kept.resize(size);
    char* ascii = kept.data();
    const char16_t* u = text.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        if (u[i] >= 0x80)
            return sqlite3_bind_text16(stmt, index, u, int(size * sizeof(QChar)), SQLITE_TRANSIENT);
        ascii[i] = char(u[i]);
    }
    return sqlite3_bind_text(stmt, index, ascii, int(size), SQLITE_STATIC);
}

bool cacheable(const QString& sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    const QStringView verb = QStringView(sql).mid(i, 7);
    for (const char* v : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
        if (verb.startsWith(QLatin1String(v), Qt::CaseInsensitive)
            && (verb.size() == 6 || !(verb[6].isLetterOrNumber() || verb[6] == QLatin1Char('_'))))
            return true;
    }
    // The savepoint texts of class Savepoint, run twice for every staged row.
    return sql.startsWith(QLatin1String(kSavepointText)) || sql.startsWith(QLatin1String(kReleaseText))
           || sql.startsWith(QLatin1String(kRollbackToText));
}

bool onlyBlanksFrom(const QString& sql, const void* tail)
{
    if (!tail)
        return true;
    const qsizetype from = static_cast<const QChar*>(tail) - sql.constData();
    return from >= sql.size() || QStringView(sql).mid(from).trimmed().isEmpty();
}

std::unique_ptr<Statement> compile(sqlite3* handle, const QString& sql, const Source& source, const QString& place)
{
    sqlite3_stmt* stmt = nullptr;
    const void* tail = nullptr;
    const int rc = sqlite3_prepare16_v3(handle, sql.utf16(), int((sql.size() + 1) * sizeof(QChar)),
                                        SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) {
        Error e = sqliteError(handle, source.text(), place);
        sqlite3_finalize(stmt);
        throw e;
    }
    if (!onlyBlanksFrom(sql, tail)) {
        sqlite3_finalize(stmt);
        throw Error(kCannotOpen, QStringLiteral("Unable to execute multiple statements at a time"), source.text());
    }
    auto s = std::make_unique<Statement>();
    s->stmt = stmt;   // null for a text with nothing to run
    return s;
}

// Throws unless the connection is open with a transaction begun.
void requireTransaction(const Connection& cn, const QString& verb)
{
    if (!cn.isOpen())
        throw closedError(verb);
    if (!cn.inTransaction())
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), verb);
}

} // namespace

namespace detail {

// A value bound as its literal would read (see render()).
int bindValue(sqlite3_stmt* stmt, int index, const QVariant& value, QByteArray& kept)
{
    // The kinds nearly every value is of, bound as literal() reads them
    // without making a copy first.
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::QString:
        return bindText(stmt, index, *static_cast<const QString*>(value.constData()), kept);
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, *static_cast<const double*>(value.constData()));
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, index, *static_cast<const qlonglong*>(value.constData()));
    default:
        break;
    }
    const Literal l = literal(value);
    switch (l.kind) {
    case Literal::Kind::Null:
        return sqlite3_bind_null(stmt, index);
    case Literal::Kind::Integer:
        return sqlite3_bind_int64(stmt, index, l.integer);
    case Literal::Kind::Real:
        return sqlite3_bind_double(stmt, index, l.real);
    case Literal::Kind::Blob:
        return sqlite3_bind_blob(stmt, index, l.blob.constData(), int(l.blob.size()), SQLITE_TRANSIENT);
    case Literal::Kind::Text:
        break;
    }
    return bindText(stmt, index, l.text, kept);
}

// Told once, before the first database is opened (later, SQLite refuses and
// nothing changes):
// - SQLite counts every allocation under one global lock unless told not
//   to; nothing here reads those counts.
// - A staged row's savepoint keeps the pages it changes in a statement
//   journal, in memory up to this size and in a temporary file beyond it,
//   where every later row would write it again. A row's pages fit many
//   times over; nothing needs that journal after a crash (the database's
//   own journal is what recovers it).
// - No connection or statement is ever used by two threads: the lock SQLite
//   takes on every call (each column read, each step) guards nothing here.
void configurar_sqlite()
{
    constexpr int kDiarioDeSentencias = 1 << 20;
    static const int hecho = sqlite3_config(SQLITE_CONFIG_MULTITHREAD)
                             | sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0)
                             | sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, kDiarioDeSentencias);
    (void)hecho;
}

namespace {

// Plain ASCII (nearly every text) reads directly; anything else goes
// through the database's own conversion, as it always has.
bool isAscii(const unsigned char* bytes, int size)
{
    for (int i = 0; i < size; ++i) {
        if (bytes[i] >= 0x80)
            return false;
    }
    return true;
}

bool sameChars(const QVariant& held, const unsigned char* bytes, int size)
{
    if (held.typeId() != QMetaType::QString)
        return false;
    const QString& text = *static_cast<const QString*>(held.constData());
    if (text.size() != size)
        return false;
    const ushort* chars = text.utf16();
    for (int i = 0; i < size; ++i) {
        if (bytes[i] != chars[i])
            return false;
    }
    return true;
}

} // namespace

void readColumn(sqlite3_stmt* stmt, int column, QVariant& slot, const QVariant& above)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        slot = QVariant();
        return;
    case SQLITE_INTEGER:
        slot = QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
        return;
    case SQLITE_FLOAT:
        slot = QVariant(sqlite3_column_double(stmt, column));
        return;
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(stmt, column);
        slot = QVariant(QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt, column)));
        return;
    }
    default: {
        const unsigned char* bytes = sqlite3_column_text(stmt, column);
        const int size = sqlite3_column_bytes(stmt, column);
        if (isAscii(bytes, size)) {
            // The same text as the row above's (the day, the year, a
            // code): its string is shared, not copied.
            slot = sameChars(above, bytes, size)
                       ? above
                       : QVariant(QString::fromLatin1(reinterpret_cast<const char*>(bytes), size));
            return;
        }
        const void* data = sqlite3_column_text16(stmt, column);
        slot = QVariant(QString(static_cast<const QChar*>(data), sqlite3_column_bytes16(stmt, column) / 2));
        return;
    }
    }
}

QVariant columnValue(sqlite3_stmt* stmt, int column)
{
    QVariant value;
    readColumn(stmt, column, value, QVariant());
    return value;
}

void indexNames(const QStringList& names, QHash<QString, int>& index, QHash<QString, int>& exact)
{
    index.clear();
    exact.clear();
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        index.insert(names.at(i).toLower(), int(i));
    for (const QString& name : names)
        exact.insert(name, index.value(name.toLower()));
}

// A change of schema compiles the statement again and may change its columns.
void Statement::readColumns(int skip)
{
    const int reprepared_now = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (reprepared_now == reprepared && skip == offset)
        return;
    names.clear();
    const int count = sqlite3_column_count(stmt);
    for (int i = skip; i < count; ++i)
        names << QString(static_cast<const QChar*>(sqlite3_column_name16(stmt, i))).remove(QLatin1Char('"'));
    indexNames(names, index, exact);
    reprepared = reprepared_now;
    offset = skip;
}

} // namespace detail

Error Connection::Prepared::failure(const Source& source)
{
    Error e = sqliteError(handle, source.text(), place);
    if (owner && owner->inTransaction_ && lostCause.isNull() && sqlite3_get_autocommit(handle))
        lostCause = e.description();
    return e;
}

void Connection::Prepared::finalizeAll()
{
    forget();
    single.reset();
}

void Connection::Prepared::forget()
{
    statements.clear();
    byLiteral.fill(Remembered{});
}

Statement& Connection::Prepared::statement(const QString& sql, const Source& source)
{
    // Every local statement passes here: once the engine has dropped the
    // transaction nothing may run, or it would commit on its own.
    if (owner && owner->transactionLost())
        throw owner->lostError(source.text());
    single.reset();
    // A text written in the code sits at one address for good, with the
    // same characters: the statement compiled for it is found by that
    // address, without hashing and comparing the whole text again.
    const bool literal = !sql.data_ptr().isMutable() && !sql.isEmpty();
    Remembered& slot = byLiteral[(quintptr(sql.constData()) >> 4) % byLiteral.size()];
    if (literal && slot.text == sql.constData() && slot.size == sql.size() && !slot.statement->busy)
        return *slot.statement;
    // Only texts worth keeping are kept: one found needs no other check.
    const auto it = statements.find(sql);
    if (it != statements.end() && !it->second->busy) {
        if (literal)
            slot = {sql.constData(), sql.size(), it->second.get()};
        return *it->second;
    }
    // A kept statement still handing out rows is left alone.
    if (it != statements.end() || !cacheable(sql)) {
        single = compile(handle, sql, source, place);
        return *single;
    }
    std::unique_ptr<Statement> compiled = compile(handle, sql, source, place);
    // A handful of texts repeat thousands of times; texts with their values
    // written in do not.
    if (statements.size() >= 256)
        forget();
    return *statements.emplace(sql, std::move(compiled)).first->second;
}

void Connection::Prepared::bind(Statement& s, const Values& values, const Source& source)
{
    const int marks = s.stmt ? sqlite3_bind_parameter_count(s.stmt) : 0;
    if (marks != values.size())
        throw Error(kCannotOpen,
                    QStringLiteral("La sentencia no recibe un valor por cada marca \"?\": tiene %1 y recibe %2 valores.")
                        .arg(marks)
                        .arg(values.size()),
                    source.text());
    if (s.kept.size() < size_t(marks))
        s.kept.resize(size_t(marks));
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (bindValue(s.stmt, int(i + 1), values.at(i), s.kept[size_t(i)]) != SQLITE_OK) {
            Error e = sqliteError(handle, source.text(), place);
            sqlite3_clear_bindings(s.stmt);
            throw e;
        }
    }
}

const EditableShape& Connection::Prepared::shape(const QString& sql)
{
    const auto it = shapes.constFind(sql);
    if (it != shapes.constEnd())
        return it.value();
    if (shapes.size() >= 256)
        shapes.clear();
    EditableShape shape = editableShape(sql);
    if (!shape.table.isEmpty())
        shape.withRowid = QStringLiteral("SELECT rowid AS enlace3_rowid, *") + sql.mid(shape.starEnd);
    return shapes.insert(sql, shape).value();
}

void Connection::Prepared::run(const QString& sql, const Values& values, const Source& source)
{
    Statement& s = statement(sql, source);
    if (!s.stmt)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna sentencia que ejecutar."), source.text());
    bind(s, values, source);
    Use use(s);
    int rc;
    do {
        rc = sqlite3_step(use.stmt());
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE)
        throw failure(source);
}

Connection::Connection() = default;

Connection::~Connection() { close(); }

void Connection::open(const QString& connectionString)
{
    close();
    connectionString_ = connectionString;
    name_ = QStringLiteral("ado-%1-%2").arg(quintptr(this), 0, 16).arg(++opens_);
    const QString trimmed = connectionString.trimmed();
    if (trimmed.startsWith(QLatin1String("driver="), Qt::CaseInsensitive)) {
        openOdbc(connectionString);
    } else if (trimmed.startsWith(QLatin1String("provider="), Qt::CaseInsensitive)) {
        openJet(connectionString);
    } else {
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se reconoce la cadena de conexión."), connectionString);
    }
}

void Connection::openJet(const QString& connectionString)
{
    detail::configurar_sqlite();
    const QString windowsPath = connectionPairs(connectionString).value(QStringLiteral("data source"));
    const platform::DriveMap fallback = drives_ ? *drives_ : platform::DriveMap::fromEnvironment();
    const QString local = (drives_ ? *drives_ : fallback).toLocal(windowsPath);
    const QFileInfo info(local);
    if (windowsPath.isEmpty() || !info.exists() || !info.isFile()) {
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se pudo encontrar el archivo '%1'.").arg(windowsPath), windowsPath);
    }
    const jet::Formato format = jet::formato(local);
    const bool copyOfSqlite = format == jet::Formato::SQLite && role_ == Role::HotelData
                              && qEnvironmentVariable("ENLACE3_INSTANTANEA") == QLatin1String("1");
    if (!jet::es_jet(format) && format != jet::Formato::SQLite) {
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se reconoce el formato de base de datos '%1'.").arg(windowsPath),
                    windowsPath);
    }
    if (jet::es_jet(format) && role_ == Role::LinkDatabase) {
        name_.clear();
        throw Error(kCannotOpen,
                    QStringLiteral("La base de datos del enlace '%1' es un fichero %2 de una instalación "
                                   "de Windows y aquí no se puede modificar. Conviértala una vez con \"enlace3 "
                                   "migrar\": se convierte entera y el original se guarda al lado como copia.")
                        .arg(windowsPath, jet::nombre(format)),
                    windowsPath);
    }
    QString target = local;
    if (jet::es_jet(format) || copyOfSqlite) {
        // Read the tables now: the run works on what the file held when it
        // was opened, and nothing it does can reach the file.
        QElapsedTimer clock;
        clock.start();
        auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/enlace3-copia-XXXXXX"));
        const QString copy = dir->isValid() ? dir->filePath(QStringLiteral("copia.sqlite")) : QString();
        const QString why = copy.isEmpty() ? QStringLiteral("no se puede crear una carpeta temporal")
                                           : jet::copiar(local, copy);
        if (!why.isEmpty()) {
            name_.clear();
            throw Error(kCannotOpen, QStringLiteral("No se puede leer el archivo '%1' (%2): %3")
                                         .arg(windowsPath, jet::nombre(format), why),
                        windowsPath);
        }
        snapshotDir_ = std::move(dir);
        snapshotPath_ = copy;
        snapshotMs_ = clock.elapsed();
        sourceModified_ = info.lastModified();
        sourceSize_ = info.size();
        target = copy;
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        // mode=rw: SQLite itself refuses to create a file that vanished
        // since the check above.
        db.setDatabaseName(QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            failure = db.lastError().databaseText();
            if (failure.isEmpty())
                failure = db.lastError().text();
        } else {
            const QVariant handle = db.driver()->handle();
            sqlite3* h = nullptr;
            if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
                h = *static_cast<sqlite3* const*>(handle.constData());
            if (!h) {
                failure = QStringLiteral("el controlador no da acceso a la base de datos.");
                db.close();
            } else {
                registerFunctions(h);
                // Every commit reaches the disk: a power cut must not leave
                // a hotel's or the link's file corrupt. Speed comes from
                // committing staged rows in groups instead.
                sqlite3_exec(h, snapshotPath_.isEmpty() ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = OFF",
                             nullptr, nullptr, nullptr);
                prepared_ = std::make_unique<Prepared>();
                prepared_->db = db;
                prepared_->handle = h;
                prepared_->owner = this;
                // A failure of a private copy is the copy's, not the
                // hotel's file: the user must not look for it on that drive.
                prepared_->place = snapshotPath_.isEmpty()
                                       ? windowsPath
                                       : QStringLiteral("%1, copia de lectura de %2").arg(snapshotPath_, windowsPath);
            }
        }
    }
    if (!failure.isNull()) {
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
        snapshotPath_.clear();
        snapshotDir_.reset();
        throw Error(kCannotOpen, QStringLiteral("No se puede abrir el archivo '%1': %2").arg(windowsPath, failure),
                    windowsPath);
    }
    kind_ = Kind::Jet;
    localPath_ = local;
    sourceFormat_ = format;
}

void Connection::refreshSnapshot()
{
    if (!isSnapshot() || inTransaction_)
        return;
    const QFileInfo info(localPath_);
    if (info.exists() && info.lastModified() == sourceModified_ && info.size() == sourceSize_)
        return;
    const QString again = connectionString_;
    open(again);
}

Connection::WriteCheck Connection::checkWrite()
{
    if (kind_ != Kind::Jet || !prepared_ || !prepared_->handle || inTransaction_ || isSnapshot())
        return WriteCheck::Writable;
    sqlite3* h = prepared_->handle;
    // Setting the user version to its own value writes the first page, which
    // needs the file open for writing and a journal beside it, as any saved
    // change does; the rollback leaves the file as it was.
    int rc = sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        int version = 0;
        sqlite3_stmt* leer = nullptr;
        rc = sqlite3_prepare_v2(h, "PRAGMA user_version", -1, &leer, nullptr);
        if (rc == SQLITE_OK && sqlite3_step(leer) == SQLITE_ROW)
            version = sqlite3_column_int(leer, 0);
        sqlite3_finalize(leer);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(h, QByteArray("PRAGMA user_version = " + QByteArray::number(version)).constData(), nullptr,
                              nullptr, nullptr);
    }
    if (rc != SQLITE_OK)
        rc = sqlite3_extended_errcode(h);
    if (!sqlite3_get_autocommit(h))
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    // The journal cannot be made: the folder takes no new files.
    if (rc == SQLITE_READONLY_DIRECTORY || (rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_PERM)
        return WriteCheck::FolderTakesNoFiles;
    return (rc & 0xff) == SQLITE_READONLY ? WriteCheck::FileReadOnly : WriteCheck::Writable;
}

void Connection::openOdbc(const QString& connectionString)
{
    const QString server = connectionPairs(connectionString).value(QStringLiteral("server"));
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name_);
        db.setDatabaseName(connectionString);
        if (!db.open()) {
            const QSqlError e = db.lastError();
            failure = e.databaseText().trimmed();
            if (failure.isEmpty())
                failure = e.text().trimmed();
            if (failure.isEmpty())
                failure = QStringLiteral("No se puede conectar con el servidor '%1'.").arg(server);
        } else {
            prepared_ = std::make_unique<Prepared>();
            prepared_->db = db;
        }
    }
    if (!failure.isNull()) {
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
        throw Error(kCannotOpen, failure, server);
    }
    kind_ = Kind::Odbc;
    localPath_.clear();
}

void Connection::close()
{
    if (name_.isEmpty())
        return;
    if (prepared_) {
        prepared_->queries.clear();
        // The driver cannot close a file with compiled statements left.
        prepared_->finalizeAll();
        if (prepared_->db.isOpen()) {
            if (inTransaction_)
                prepared_->db.rollback();
            prepared_->db.close();
        }
        prepared_.reset();
    }
    QSqlDatabase::removeDatabase(name_);
    name_.clear();
    kind_ = Kind::None;
    localPath_.clear();
    inTransaction_ = false;
    sourceFormat_ = jet::Formato::Desconocido;
    snapshotPath_.clear();
    snapshotDir_.reset();
    sourceSize_ = -1;
}

int Connection::state() const
{
    return kind_ != Kind::None && prepared_ && prepared_->db.isOpen() ? adStateOpen : adStateClosed;
}

QSqlDatabase Connection::database() const { return prepared_ ? prepared_->db : QSqlDatabase(); }

void Connection::execute(const QString& statement) { execute(statement, Values()); }

void Connection::execute(const QString& statement, const Values& values)
{
    // The text with its values written in is made only for whoever reads
    // it: the trace, an error, or a server, which gets the statement as text.
    const Source source(statement, values);
    if (trace)
        executed << source.text();
    if (!isOpen())
        throw closedError(source.text());
    if (kind_ == Kind::Jet) {
        prepared_->run(translate(statement), values, source);
        return;
    }
    const QString text = source.text();
    QSqlQuery query(prepared_->db);
    if (!query.exec(translate(text)))
        throw errorFrom(query.lastError(), text);
}

QSqlQuery& Connection::prepared(const QString& sql)
{
    auto it = prepared_->queries.find(sql);
    if (it != prepared_->queries.end())
        return it.value();
    // A handful of statement shapes repeat thousands of times; anything
    // beyond that is not worth keeping.
    if (prepared_->queries.size() >= 64)
        prepared_->queries.clear();
    QSqlQuery query(prepared_->db);
    if (!query.prepare(sql))
        throw errorFrom(query.lastError(), sql);
    return prepared_->queries.insert(sql, query).value();
}

void Connection::beginTrans()
{
    if (!isOpen())
        throw closedError(QStringLiteral("BEGIN"));
    if (inTransaction_)
        throw Error(kCannotOpen, QStringLiteral("Ya hay una transacción en curso."), QStringLiteral("BEGIN"));
    if (!prepared_->db.transaction())
        throw localDriverError(prepared_->handle, prepared_->db.lastError(), QStringLiteral("BEGIN"), prepared_->place);
    prepared_->lostCause = QString();
    inTransaction_ = true;
}

void Connection::commitTrans()
{
    requireTransaction(*this, QStringLiteral("COMMIT"));
    if (transactionLost())
        throw lostError(QStringLiteral("COMMIT"));
    if (!prepared_->db.commit()) {
        const Error e = localDriverError(prepared_->handle, prepared_->db.lastError(), QStringLiteral("COMMIT"),
                                         prepared_->place);
        // A commit that fails on a full disk may take the whole transaction
        // with it; the connection then reports it as lost.
        if (transactionLost() && prepared_->lostCause.isNull())
            prepared_->lostCause = e.description();
        throw e;
    }
    inTransaction_ = false;
}

void Connection::rollbackTrans()
{
    requireTransaction(*this, QStringLiteral("ROLLBACK"));
    const bool lost = transactionLost();
    inTransaction_ = false;
    prepared_->lostCause = QString();
    if (lost)
        return;
    if (!prepared_->db.rollback())
        throw errorFrom(prepared_->db.lastError(), QStringLiteral("ROLLBACK"));
}

bool Connection::transactionLost() const
{
    return inTransaction_ && kind_ == Kind::Jet && prepared_ && prepared_->handle
        && sqlite3_get_autocommit(prepared_->handle) != 0;
}

Error Connection::lostError(const QString& source) const
{
    const QString cause = prepared_ && !prepared_->lostCause.isEmpty() ? prepared_->lostCause
                                                                       : QStringLiteral("causa no indicada");
    const QString place = prepared_ && !prepared_->place.isEmpty() ? prepared_->place : localPath_;
    return Error(kCannotOpen,
                 QStringLiteral("La transacción de la base de datos '%1' se ha deshecho por un error anterior (%2); "
                                "no se ha guardado nada de esta operación.")
                     .arg(place, cause),
                 source);
}

// ---------------------------------------------------------------------------

Savepoint::Savepoint(Connection& cn) : cn_(cn)
{
    const QString source = QStringLiteral("SAVEPOINT");
    if (!cn_.isOpen())
        throw closedError(source);
    if (cn_.kind() != Connection::Kind::Jet)
        return;
    if (!cn_.inTransaction())
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), source);
    if (cn_.transactionLost())
        throw cn_.lostError(source);
    cn_.prepared_->run(savepointStatement(kSavepointText), Values(), source);
    active_ = true;
}

void Savepoint::release()
{
    if (!active_)
        return;
    active_ = false;
    const QString source = QStringLiteral("RELEASE");
    if (!cn_.isOpen())
        throw closedError(source);
    if (cn_.transactionLost())
        throw cn_.lostError(source);
    try {
        cn_.prepared_->run(savepointStatement(kReleaseText), Values(), source);
    } catch (...) {
        active_ = true;   // still there: the destructor undoes it
        throw;
    }
}

Savepoint::~Savepoint()
{
    if (!active_ || !cn_.isOpen() || cn_.transactionLost())
        return;   // a lost transaction took everything with it already
    try {
        cn_.prepared_->run(savepointStatement(kRollbackToText), Values(), QStringLiteral("ROLLBACK TO"));
        cn_.prepared_->run(savepointStatement(kReleaseText), Values(), QStringLiteral("RELEASE"));
    } catch (...) {
        // What this point guards cannot be undone alone: drop the whole
        // transaction rather than let a half of it be committed.
        sqlite3_exec(cn_.prepared_->handle, "ROLLBACK", nullptr, nullptr, nullptr);
        if (cn_.prepared_->lostCause.isNull())
            cn_.prepared_->lostCause = QStringLiteral("no se pudo volver al punto de restauración");
    }
}

} // namespace ado
