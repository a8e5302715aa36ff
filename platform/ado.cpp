#include "platform/ado.h"

#include "platform/drive_map.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

#include <sqlite3.h>

#include <cstdlib>
#include <utility>

namespace ado {

Error::Error(qint64 number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source))
{
    what_ = QStringLiteral("%1 (%2)").arg(description_).arg(number_).toUtf8();
}

QString q(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QVariant yesNo(bool value) { return QVariant(value ? -1 : 0); }

bool isYes(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float: {
        const double n = value.toDouble();
        return n == -1.0 || n == 1.0;
    }
    default: {
        const QString s = value.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("-1") || s == QLatin1String("1")
            || s == QLatin1String("yes");
    }
    }
}

namespace {

// Result of reading the leading number of a text the way Val does.
struct ValNumber {
    bool negative = false;
    bool hasPoint = false;
    int digits = 0;
    QByteArray text; // digits and '.', ready for strtod
};

bool isValBlank(uint c) { return c == ' ' || c == '\t' || c == '\n'; }

template <typename CharAt>
ValNumber scanVal(qsizetype size, CharAt at)
{
    ValNumber n;
    qsizetype i = 0;
    while (i < size && isValBlank(at(i)))
        ++i;
    if (i < size && (at(i) == '-' || at(i) == '+')) {
        n.negative = at(i) == '-';
        ++i;
    }
    for (; i < size; ++i) {
        const uint c = at(i);
        if (isValBlank(c))
            continue;
        if (c >= '0' && c <= '9') {
            n.text.append(char(c));
            ++n.digits;
        } else if (c == '.' && !n.hasPoint) {
            n.text.append('.');
            n.hasPoint = true;
        } else {
            break;
        }
    }
    return n;
}

double valueOf(const ValNumber& n)
{
    if (n.digits == 0)
        return 0.0;
    const double v = std::strtod(n.text.constData(), nullptr);
    return n.negative ? -v : v;
}

void sqliteVal(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 1) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, sqlite3_value_int64(v));
        return;
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(v));
        return;
    default:
        break;
    }
    const unsigned char* text = sqlite3_value_text(v);
    const int size = sqlite3_value_bytes(v);
    const ValNumber n = scanVal(size, [text](qsizetype i) { return uint(text[i]); });
    if (n.digits == 0) {
        sqlite3_result_int64(ctx, 0);
    } else if (!n.hasPoint && n.digits <= 18) {
        const qint64 whole = n.text.toLongLong();
        sqlite3_result_int64(ctx, n.negative ? -whole : whole);
    } else {
        sqlite3_result_double(ctx, valueOf(n));
    }
}

// Provider failures carry the number the link compares; the text stays the
// provider's own so the report shows what really happened.
Error errorFrom(const QSqlError& e, const QString& source)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.text().trimmed();
    const QString native = e.nativeErrorCode();
    const QString lower = text.toLower();
    qint64 number = kCannotOpen;
    if (native.contains(QLatin1String("42S02")) || lower.contains(QLatin1String("no such table"))
        || lower.contains(QLatin1String("invalid object name")))
        number = kNoSuchTable;
    else if (native.contains(QLatin1String("42S22")) || lower.contains(QLatin1String("no such column"))
             || lower.contains(QLatin1String("has no column named"))
             || lower.contains(QLatin1String("invalid column name")))
        number = kNoSuchColumn;
    return Error(number, text, source);
}

Error closedError(const QString& source)
{
    return Error(kObjectClosed, QStringLiteral("No se permite la operación si el objeto está cerrado."), source);
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

bool looksLikeSqlite(const QString& localPath)
{
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static constexpr char kMagic[] = "SQLite format 3";
    const QByteArray head = file.read(16);
    return head.size() == 16 && head == QByteArray(kMagic, 16);
}

struct Rewrite {
    QRegularExpression pattern;
    QString replacement;
};

// Jet SQL the SQLite parser rejects, rewritten to what means the same.
const std::vector<Rewrite>& jetRewrites()
{
    static const std::vector<Rewrite> table = {
        {QRegularExpression(QStringLiteral("^\\s*DELETE\\s+\\*\\s+FROM\\b"), QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("DELETE FROM")},
    };
    return table;
}

} // namespace

double vbVal(const QString& text)
{
    return valueOf(scanVal(text.size(), [&text](qsizetype i) { return uint(text.at(i).unicode()); }));
}

// ---------------------------------------------------------------------------

struct Connection::Prepared {
    QSqlDatabase db;
    QHash<QString, QSqlQuery> queries;
};

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
    const QString windowsPath = connectionPairs(connectionString).value(QStringLiteral("data source"));
    const platform::DriveMap fallback = drives_ ? *drives_ : platform::DriveMap::fromEnvironment();
    const QString local = (drives_ ? *drives_ : fallback).toLocal(windowsPath);
    const QFileInfo info(local);
    if (windowsPath.isEmpty() || !info.exists() || !info.isFile()) {
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se pudo encontrar el archivo '%1'.").arg(windowsPath), windowsPath);
    }
    if (!looksLikeSqlite(local)) {
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se reconoce el formato de base de datos '%1'.").arg(windowsPath),
                    windowsPath);
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        // mode=rw: SQLite itself refuses to create a file that vanished
        // since the check above.
        db.setDatabaseName(QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            failure = db.lastError().databaseText();
            if (failure.isEmpty())
                failure = db.lastError().text();
        } else {
            const QVariant handle = db.driver()->handle();
            if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
                sqlite3* h = *static_cast<sqlite3* const*>(handle.constData());
                if (h)
                    sqlite3_create_function_v2(h, "val", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqliteVal,
                                               nullptr, nullptr, nullptr);
            }
            // Jet never forced each statement to disk; doing so here makes a
            // run of thousands of single-row writes take minutes. An
            // application crash still loses nothing (the journal is kept);
            // only a power cut can lose the last writes.
            QSqlQuery pragma(db);
            pragma.exec(QStringLiteral("PRAGMA synchronous = OFF"));
            prepared_ = std::make_unique<Prepared>();
            prepared_->db = db;
        }
    }
    if (!failure.isNull()) {
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
        throw Error(kCannotOpen, QStringLiteral("No se puede abrir el archivo '%1': %2").arg(windowsPath, failure),
                    windowsPath);
    }
    kind_ = Kind::Jet;
    localPath_ = local;
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
}

int Connection::state() const
{
    return kind_ != Kind::None && prepared_ && prepared_->db.isOpen() ? adStateOpen : adStateClosed;
}

QSqlDatabase Connection::database() const { return prepared_ ? prepared_->db : QSqlDatabase(); }

QString Connection::translate(const QString& statement) const
{
    QString out = statement;
    for (const Rewrite& rewrite : jetRewrites())
        out.replace(rewrite.pattern, rewrite.replacement);
    return out;
}

void Connection::execute(const QString& statement)
{
    if (trace)
        executed << statement;
    if (!isOpen())
        throw closedError(statement);
    QSqlQuery query(prepared_->db);
    if (!query.exec(translate(statement)))
        throw errorFrom(query.lastError(), statement);
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
        throw errorFrom(prepared_->db.lastError(), QStringLiteral("BEGIN"));
    inTransaction_ = true;
}

void Connection::commitTrans()
{
    if (!isOpen())
        throw closedError(QStringLiteral("COMMIT"));
    if (!inTransaction_)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), QStringLiteral("COMMIT"));
    if (!prepared_->db.commit())
        throw errorFrom(prepared_->db.lastError(), QStringLiteral("COMMIT"));
    inTransaction_ = false;
}

void Connection::rollbackTrans()
{
    if (!isOpen())
        throw closedError(QStringLiteral("ROLLBACK"));
    if (!inTransaction_)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), QStringLiteral("ROLLBACK"));
    inTransaction_ = false;
    if (!prepared_->db.rollback())
        throw errorFrom(prepared_->db.lastError(), QStringLiteral("ROLLBACK"));
}

// ---------------------------------------------------------------------------

namespace {

enum class EditMode { None, Changing, Adding };

const QString kRowidColumn = QStringLiteral("enlace3_rowid");

QString bracketed(const QString& name)
{
    if (name.startsWith(QLatin1Char('[')))
        return name;
    return QLatin1Char('[') + name + QLatin1Char(']');
}

// The table of "SELECT * FROM <table> [WHERE ...] [ORDER BY ...]", the only
// shape whose rows can be written back; empty for any other statement.
QString editableTable(const QString& statement)
{
    static const QRegularExpression shape(
        QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+(\\[[^\\]]+\\]|[A-Za-z_][A-Za-z0-9_]*)\\s*(?:;\\s*)?(?:$|WHERE\\b|ORDER\\s+BY\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = shape.match(statement);
    return m.hasMatch() ? m.captured(1) : QString();
}

QVariant bindable(const QVariant& value, Connection::Kind kind)
{
    if (value.isValid())
        return value;
    // The ODBC binding needs a type even for Null.
    return kind == Connection::Kind::Odbc ? QVariant(QMetaType(QMetaType::QString)) : QVariant();
}

} // namespace

struct Recordset::Impl {
    bool open = false;
    Connection* cn = nullptr;
    QString cnName;
    QString source;
    QString table; // non-empty when rows can be written back
    bool byRowid = false;
    QStringList names;
    QHash<QString, int> index; // lower-case name -> column
    std::vector<QList<QVariant>> rows;
    std::vector<qint64> rowids;
    qsizetype pos = 0;
    EditMode edit = EditMode::None;
    QList<QVariant> buffer;
    QList<bool> changed;

    int column(const QString& name) const
    {
        const auto it = index.constFind(name.toLower());
        if (it == index.constEnd())
            throw Error(kItemNotFound,
                        QStringLiteral("No se encontró el elemento '%1' en la colección correspondiente al nombre "
                                       "solicitado.")
                            .arg(name),
                        source);
        return it.value();
    }

    void requireOpen() const
    {
        if (!open)
            throw closedError(source);
    }

    void requireCurrent() const
    {
        if (pos < 0 || pos >= qsizetype(rows.size()))
            throw Error(kNoCurrentRecord,
                        QStringLiteral("BOF o EOF es True, o el registro actual se eliminó. La operación solicitada "
                                       "requiere un registro actual."),
                        source);
    }

    void requireUpdatable() const
    {
        requireOpen();
        if (table.isEmpty())
            throw Error(kNotUpdatable, QStringLiteral("El conjunto de registros actual no admite actualizaciones."),
                        source);
    }

    void requireConnection() const
    {
        if (!cn || !cn->isOpen() || cn->name_ != cnName)
            throw closedError(source);
    }

    void clear()
    {
        open = false;
        cn = nullptr;
        cnName.clear();
        table.clear();
        byRowid = false;
        names.clear();
        index.clear();
        rows.clear();
        rowids.clear();
        pos = 0;
        edit = EditMode::None;
        buffer.clear();
        changed.clear();
    }

    void insertRow();
    void updateRow();
    void rereadInserted(qint64 rowid);
};

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::open(const QString& source, Connection& cn, CursorType cursor, LockType lock)
{
    Q_UNUSED(cursor);
    if (isOpen())
        close();
    d->clear();
    d->source = source;
    if (!cn.isOpen())
        throw closedError(source);

    QString sql = cn.translate(source);
    QString table;
    if (lock != adLockReadOnly)
        table = editableTable(sql);
    const bool byRowid = !table.isEmpty() && cn.kind() == Connection::Kind::Jet;
    if (byRowid) {
        static const QRegularExpression star(QStringLiteral("^\\s*SELECT\\s+\\*"),
                                             QRegularExpression::CaseInsensitiveOption);
        sql.replace(star, QStringLiteral("SELECT rowid AS ") + kRowidColumn + QStringLiteral(", *"));
    }

    QSqlQuery query(cn.prepared_->db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw errorFrom(query.lastError(), source);

    const QSqlRecord record = query.record();
    const int offset = byRowid ? 1 : 0;
    const int columns = record.count() - offset;
    d->names.reserve(columns);
    for (int i = 0; i < columns; ++i)
        d->names << record.fieldName(i + offset);
    // Walking backwards lets the first of two equal names win.
    for (int i = columns - 1; i >= 0; --i)
        d->index.insert(d->names.at(i).toLower(), i);

    while (query.next()) {
        QList<QVariant> row(columns);
        for (int i = 0; i < columns; ++i) {
            if (!query.isNull(i + offset))
                row[i] = query.value(i + offset);
        }
        d->rows.push_back(std::move(row));
        if (byRowid)
            d->rowids.push_back(query.value(0).toLongLong());
    }
    query.finish();

    d->cn = &cn;
    d->cnName = cn.name_;
    d->table = table;
    d->byRowid = byRowid;
    d->pos = 0;
    d->open = true;
}

void Recordset::close() { d->clear(); }

int Recordset::state() const { return d->open ? adStateOpen : adStateClosed; }

bool Recordset::eof() const { return !d->open || d->pos >= qsizetype(d->rows.size()); }

bool Recordset::bof() const { return !d->open || d->rows.empty() || d->pos < 0; }

void Recordset::moveFirst()
{
    d->requireOpen();
    if (d->edit != EditMode::None)
        update();
    d->pos = 0;
}

void Recordset::moveNext()
{
    d->requireOpen();
    if (d->edit != EditMode::None)
        update();
    d->requireCurrent();
    ++d->pos;
}

qint64 Recordset::recordCount() const { return d->open ? qint64(d->rows.size()) : -1; }

int Recordset::fieldCount() const { return int(d->names.size()); }

QString Recordset::fieldName(int index) const { return d->names.value(index); }

bool Recordset::hasField(const QString& name) const { return d->index.contains(name.toLower()); }

QVariant Recordset::field(const QString& name) const
{
    d->requireOpen();
    const int i = d->column(name);
    if (d->edit != EditMode::None)
        return d->buffer.at(i);
    d->requireCurrent();
    return d->rows[size_t(d->pos)].at(i);
}

bool Recordset::isNull(const QString& name) const
{
    const QVariant v = field(name);
    return !v.isValid() || v.isNull();
}

QString Recordset::text(const QString& name) const
{
    const QVariant v = field(name);
    if (!v.isValid() || v.isNull())
        return QString();
    return v.toString();
}

double Recordset::number(const QString& name) const
{
    const QVariant v = field(name);
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
        bool ok = false;
        const double n = v.toString().trimmed().toDouble(&ok);
        return ok ? n : vbVal(v.toString());
    }
    return v.toDouble();
}

bool Recordset::isUpdatable() const { return d->open && !d->table.isEmpty(); }

void Recordset::addNew()
{
    d->requireUpdatable();
    if (d->edit != EditMode::None)
        update();
    d->buffer = QList<QVariant>(d->names.size());
    d->changed = QList<bool>(d->names.size(), false);
    d->edit = EditMode::Adding;
}

void Recordset::setField(const QString& name, const QVariant& value)
{
    d->requireUpdatable();
    const int i = d->column(name);
    if (d->edit == EditMode::None) {
        d->requireCurrent();
        d->buffer = d->rows[size_t(d->pos)];
        d->changed = QList<bool>(d->names.size(), false);
        d->edit = EditMode::Changing;
    }
    d->buffer[i] = value.typeId() == QMetaType::Bool ? yesNo(value.toBool()) : value;
    d->changed[i] = true;
}

void Recordset::cancelUpdate()
{
    d->edit = EditMode::None;
    d->buffer.clear();
    d->changed.clear();
}

void Recordset::update()
{
    d->requireOpen();
    if (d->edit == EditMode::None)
        return;
    try {
        d->requireConnection();
        if (d->edit == EditMode::Adding)
            d->insertRow();
        else
            d->updateRow();
    } catch (...) {
        // A failed write leaves nothing pending that a later move could
        // write behind the caller's back.
        cancelUpdate();
        throw;
    }
    cancelUpdate();
}

void Recordset::Impl::insertRow()
{
    QStringList columns;
    QStringList marks;
    QList<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (!changed.at(i))
            continue;
        columns << bracketed(names.at(i));
        marks << QStringLiteral("?");
        values << bindable(buffer.at(i), cn->kind());
    }
    const QString sql = columns.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    QSqlQuery& query = cn->prepared(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw errorFrom(query.lastError(), source);
    const QVariant id = byRowid ? query.lastInsertId() : QVariant();
    query.finish();

    rows.push_back(buffer);
    if (byRowid) {
        rowids.push_back(id.toLongLong());
        rereadInserted(id.toLongLong());
    }
    pos = qsizetype(rows.size()) - 1;
}

// Picks up the defaults the database filled in, as a fresh read would show.
void Recordset::Impl::rereadInserted(qint64 rowid)
{
    QSqlQuery& query = cn->prepared(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(table));
    query.addBindValue(rowid);
    if (query.exec() && query.next() && query.record().count() == names.size()) {
        QList<QVariant>& row = rows.back();
        for (int i = 0; i < names.size(); ++i)
            row[i] = query.isNull(i) ? QVariant() : query.value(i);
    }
    query.finish();
}

void Recordset::Impl::updateRow()
{
    QStringList sets;
    QList<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (!changed.at(i))
            continue;
        sets << bracketed(names.at(i)) + QStringLiteral(" = ?");
        values << bindable(buffer.at(i), cn->kind());
    }
    if (sets.isEmpty())
        return;

    QStringList where;
    if (byRowid) {
        where << QStringLiteral("rowid = ?");
        values << rowids[size_t(pos)];
    } else {
        // Without a key the row is found by everything it held when read.
        const QList<QVariant>& original = rows[size_t(pos)];
        for (int i = 0; i < names.size(); ++i) {
            const QVariant& v = original.at(i);
            if (!v.isValid() || v.isNull()) {
                where << bracketed(names.at(i)) + QStringLiteral(" IS NULL");
            } else {
                where << bracketed(names.at(i)) + QStringLiteral(" = ?");
                values << v;
            }
        }
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    QSqlQuery& query = cn->prepared(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw errorFrom(query.lastError(), source);
    const int affected = query.numRowsAffected();
    query.finish();
    if (affected == 0)
        throw Error(kRowNotFound,
                    QStringLiteral("No se encuentra la fila para actualizarla: sus valores han cambiado desde que se "
                                   "leyó."),
                    source);
    rows[size_t(pos)] = buffer;
}

} // namespace ado
