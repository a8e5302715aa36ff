#include "platform/ado.h"

#include "platform/drive_map.h"
#include "platform/vb.h"

#include <QFile>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>
#include <QVarLengthArray>

#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
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
    const vb::ValNumber n = vb::scanVal(size, [text](qsizetype i) { return uint(text[i]); });
    if (n.digits == 0) {
        sqlite3_result_int64(ctx, 0);
    } else if (!n.hasPoint && n.digits <= 18) {
        const qint64 whole = n.text.toLongLong();
        sqlite3_result_int64(ctx, n.negative ? -whole : whole);
    } else {
        sqlite3_result_double(ctx, vb::valueOf(n));
    }
}

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

// ---------------------------------------------------------------------------
// Statements on a local (SQLite) database run straight on its handle: the
// same few statement shapes repeat hundreds of thousands of times in a year's
// transfer, and compiling each one again took most of the time. The quoted
// texts of a statement become parameters bound to the very same texts, so a
// shape is compiled once and kept while the connection stays open; what the
// database sees and answers is what the statement text says.

namespace {

struct Literal {
    bool text = true;
    QStringView view;   // a text literal without its quotes, inside the statement text
    QString undoubled;  // the same with its doubled quotes undone, when it has any
    qint64 integer = 0;
    QStringView value() const { return undoubled.isNull() ? view : QStringView(undoubled); }
};

struct Parameterised {
    QString sql;
    std::vector<Literal> literals;
};

bool isWordChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '$';
    return c.isLetterOrNumber();
}

bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

QStringView leadingWord(const QString& sql)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    while (i < sql.size() && isWordChar(sql.at(i)))
        ++i;
    return QStringView(sql).mid(start, i - start);
}

// `verb` in capitals.
template <std::size_t N>
bool isVerb(QStringView word, const char (&verb)[N])
{
    if (word.size() != qsizetype(N - 1))
        return false;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        char16_t u = word[qsizetype(i)].unicode();
        if (u >= 'a' && u <= 'z')
            u = char16_t(u - ('a' - 'A'));
        if (u != char16_t(verb[i]))
            return false;
    }
    return true;
}

// Replaces the text literals (and plain whole numbers) of a data statement
// with parameters. In a SELECT or DELETE only what follows the top-level
// WHERE is touched: the select list names the columns, and a literal there
// names its column after its own text. Nothing after an ORDER BY, GROUP BY,
// HAVING, LIMIT or compound operator (at any depth) is touched either, where
// a number is a column position. Anything the scan cannot read plainly is
// left as it is.
Parameterised parameterise(const QString& sql)
{
    Parameterised out;
    const QStringView verb = leadingWord(sql);
    const bool select = isVerb(verb, "SELECT") || isVerb(verb, "DELETE");
    if (!select && !isVerb(verb, "INSERT") && !isVerb(verb, "UPDATE")) {
        out.sql = sql;
        return out;
    }
    const auto asItIs = [&out, &sql]() -> Parameterised& {
        out.literals.clear();
        out.sql = sql;
        return out;
    };
    bool active = !select;
    int depth = 0;
    const qsizetype n = sql.size();
    const QChar* s = sql.constData();
    qsizetype copied = 0;   // sql[0, copied) is already in out.sql
    out.sql.reserve(n);
    const auto replace = [&](qsizetype from, qsizetype to) {
        out.sql.append(s + copied, from - copied);
        out.sql.append(QLatin1Char('?'));
        copied = to;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const char16_t u = c.unicode();
        if (u == '\'') {
            const bool blob = i > 0 && (s[i - 1] == QLatin1Char('x') || s[i - 1] == QLatin1Char('X'))
                && (i < 2 || !isWordChar(s[i - 2]));
            qsizetype j = i + 1;
            bool doubled = false;
            for (;;) {
                j = sql.indexOf(QLatin1Char('\''), j);
                if (j < 0)
                    return asItIs();   // unclosed: left for the database to report
                if (j + 1 < n && s[j + 1] == QLatin1Char('\'')) {
                    doubled = true;
                    j += 2;
                    continue;
                }
                break;
            }
            if (active && !blob) {
                Literal l;
                l.view = QStringView(sql).mid(i + 1, j - i - 1);
                if (doubled)
                    l.undoubled = l.view.toString().replace(QLatin1String("''"), QLatin1String("'"));
                out.literals.push_back(std::move(l));
                replace(i, j + 1);
            }
            i = j + 1;
            continue;
        }
        if (u == '"' || u == '[' || u == '`') {
            const qsizetype j = sql.indexOf(u == '[' ? QLatin1Char(']') : c, i + 1);
            if (j < 0)
                return asItIs();
            i = j + 1;
            continue;
        }
        if ((u == '-' && i + 1 < n && s[i + 1] == QLatin1Char('-'))
            || (u == '/' && i + 1 < n && s[i + 1] == QLatin1Char('*'))
            || u == '?' || u == ':' || u == '@')
            return asItIs();   // comments and parameters of its own: as written
        if (u == '(') {
            ++depth;
        } else if (u == ')') {
            --depth;
        } else if (isAsciiDigit(c) && (i == 0 || (!isWordChar(s[i - 1]) && s[i - 1] != QLatin1Char('.')))) {
            qsizetype j = i;
            while (j < n && isAsciiDigit(s[j]))
                ++j;
            const bool plain = j - i <= 18 && (j == n || (!isWordChar(s[j]) && s[j] != QLatin1Char('.')));
            if (active && plain) {
                Literal l;
                l.text = false;
                l.integer = QStringView(sql).mid(i, j - i).toLongLong();
                out.literals.push_back(std::move(l));
                replace(i, j);
            }
            i = j;
            continue;
        } else if (isWordChar(c) && (i == 0 || !isWordChar(s[i - 1]))) {
            qsizetype j = i;
            while (j < n && isWordChar(s[j]))
                ++j;
            {
                // Column positions can follow these inside brackets too.
                const QStringView word(s + i, j - i);
                if (depth == 0 && isVerb(word, "WHERE")) {
                    active = true;
                } else if (isVerb(word, "ORDER") || isVerb(word, "GROUP") || isVerb(word, "HAVING")
                           || isVerb(word, "LIMIT") || isVerb(word, "UNION") || isVerb(word, "EXCEPT")
                           || isVerb(word, "INTERSECT") || isVerb(word, "RETURNING") || isVerb(word, "WINDOW")) {
                    // Nothing further is touched.
                    out.sql.append(s + copied, n - copied);
                    return out;
                }
            }
            i = j;
            continue;
        }
        ++i;
    }
    out.sql.append(s + copied, n - copied);
    return out;
}

// The failures of the disk or the file itself, in the user's words and with
// the file's name; the engine's own text follows in brackets.
QString systemFailure(int primaryCode)
{
    switch (primaryCode) {
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

QString inDatabase(const QString& failure, const char* file, const QString& text)
{
    return QStringLiteral("%1 en la base de datos %2 (%3)").arg(failure, QString::fromUtf8(file ? file : ""), text);
}

// A transaction statement run by the driver on a local database: the
// driver's error with the engine's code told as the statements' are.
Error localDriverError(sqlite3* handle, const QSqlError& e, const QString& source)
{
    Error plain = errorFrom(e, source);
    // The driver keeps no code for a failed COMMIT; the handle still has it.
    int code = handle ? sqlite3_extended_errcode(handle) : SQLITE_OK;
    if (systemFailure(code & 0xff).isEmpty())
        code = e.nativeErrorCode().toInt();
    const QString failure = systemFailure(code & 0xff);
    if (failure.isEmpty() || !handle)
        return plain;
    return Error(plain.number(), inDatabase(failure, sqlite3_db_filename(handle, "main"), plain.description()), source);
}

Error sqliteError(sqlite3* handle, const QString& source)
{
    const QString text = QString::fromUtf8(sqlite3_errmsg(handle)).trimmed();
    const int code = sqlite3_extended_errcode(handle);
    const qint64 number = errorNumberFor(QString::number(code), text);
    const QString failure = systemFailure(code & 0xff);
    if (failure.isEmpty())
        return Error(number, text, source);
    return Error(number, inDatabase(failure, sqlite3_db_filename(handle, "main"), text), source);
}

// Plain ASCII goes in as it is stored (UTF-8), sparing the database a
// conversion; anything else is handed over as UTF-16 for it to convert.
int bindText(sqlite3_stmt* stmt, int index, QStringView text)
{
    const qsizetype size = text.size();
    QVarLengthArray<char, 256> ascii(size);
    const char16_t* u = text.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        if (u[i] >= 0x80)
            return sqlite3_bind_text16(stmt, index, u, int(size * sizeof(QChar)), SQLITE_TRANSIENT);
        ascii[i] = char(u[i]);
    }
    return sqlite3_bind_text(stmt, index, ascii.constData(), int(size), SQLITE_TRANSIENT);
}

// A value bound to a statement, typed as the QtSql driver types it.
int bindValue(sqlite3_stmt* stmt, int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(stmt, index, value.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::QDateTime:
        return bindText(stmt, index, value.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QTime:
        return bindText(stmt, index, value.toTime().toString(QStringLiteral("hh:mm:ss.zzz")));
    default:
        return bindText(stmt, index, value.toString());
    }
}

QVariant columnValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(stmt, column);
        return QVariant(QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(stmt, column)));
    }
    default: {
        // Plain ASCII (nearly every text) reads directly; anything else goes
        // through the database's own conversion, as it always has.
        const unsigned char* bytes = sqlite3_column_text(stmt, column);
        const int size = sqlite3_column_bytes(stmt, column);
        bool ascii = true;
        for (int i = 0; i < size && ascii; ++i)
            ascii = bytes[i] < 0x80;
        if (ascii)
            return QVariant(QString::fromLatin1(reinterpret_cast<const char*>(bytes), size));
        const void* data = sqlite3_column_text16(stmt, column);
        return QVariant(QString(static_cast<const QChar*>(data), sqlite3_column_bytes16(stmt, column) / 2));
    }
    }
}

} // namespace

// ---------------------------------------------------------------------------

namespace {

// Column lookups by name ignore case and the first of two equal names wins.
// `exact` answers the names as written without lowering them each time,
// always with the column the case-blind rule picks.
void indexNames(const QStringList& names, QHash<QString, int>& index, QHash<QString, int>& exact)
{
    index.clear();
    exact.clear();
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        index.insert(names.at(i).toLower(), int(i));
    for (const QString& name : names)
        exact.insert(name, index.value(name.toLower()));
}

// A compiled statement of a local database and the column names of its rows.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    int reprepared = -1;   // the compiler's re-prepare count when the names were read
    int offset = 0;
    QStringList names;
    QHash<QString, int> index;   // lower-case name -> column
    QHash<QString, int> exact;   // name as the database gives it -> column

    ~Statement() { sqlite3_finalize(stmt); }

    // Names as QtSql gives them (without double quotes). A change of schema
    // compiles the statement again and may change its columns.
    void readColumns(int skip)
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
};

// Leaves a statement ready for its next use however the current one ends.
class Use {
public:
    explicit Use(Statement& s) : s_(s) {}
    ~Use()
    {
        sqlite3_reset(s_.stmt);
        sqlite3_clear_bindings(s_.stmt);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    Statement* operator->() const { return &s_; }
    sqlite3_stmt* stmt() const { return s_.stmt; }

private:
    Statement& s_;
};

bool cacheable(const QString& sql)
{
    const QStringView verb = leadingWord(sql);
    return isVerb(verb, "SELECT") || isVerb(verb, "INSERT") || isVerb(verb, "UPDATE") || isVerb(verb, "DELETE");
}

} // namespace

// Statement texts are long and trusted: a plain fast hash does.
struct TextHash {
    std::size_t operator()(const QString& s) const noexcept
    {
        return std::hash<std::u16string_view>()(std::u16string_view(reinterpret_cast<const char16_t*>(s.constData()), std::size_t(s.size())));
    }
};

struct Connection::Prepared {
    QSqlDatabase db;
    QHash<QString, QSqlQuery> queries;   // ODBC
    sqlite3* handle = nullptr;           // local database
    std::unordered_map<QString, std::unique_ptr<Statement>, TextHash> statements;
    std::unique_ptr<Statement> single;   // a statement not worth keeping, until the next one
    const Connection* owner = nullptr;   // local database
    QString place;                       // the file as the link names it (a Windows path)
    QString lostCause;                   // the failure that made the engine drop the transaction
    quint64 savepoints = 0;              // names handed out, so each one is unique

    ~Prepared() { finalizeAll(); }

    // The error of the last failing call on the handle; remembers it as the
    // cause when it has just made the engine drop the caller's transaction.
    Error failure(const QString& source)
    {
        Error e = sqliteError(handle, source);
        if (owner && owner->inTransaction_ && lostCause.isNull() && sqlite3_get_autocommit(handle))
            lostCause = e.description();
        return e;
    }

    void finalizeAll()
    {
        statements.clear();
        single.reset();
    }

    // The compiled statement for a text (already translated), with its
    // literals bound when `literals` is set. Throws Error.
    Statement& statement(const QString& sql, const QString& source, bool literals)
    {
        // Every local statement passes here: once the engine has dropped the
        // transaction nothing may run, or it would commit on its own.
        if (owner && owner->transactionLost())
            throw owner->lostError(source);
        single.reset();
        if (!cacheable(sql)) {
            single = compile(sql, source);
            return *single;
        }
        Parameterised p;
        if (literals)
            p = parameterise(sql);
        else
            p.sql = sql;
        if (!p.literals.empty()) {
            Statement* s = find(p.sql);
            if (!s) {
                std::unique_ptr<Statement> compiled = tryCompile(p.sql);
                if (compiled && sqlite3_bind_parameter_count(compiled->stmt) == int(p.literals.size()))
                    s = keep(p.sql, std::move(compiled));
            }
            if (s) {
                bindLiterals(*s, p.literals, source);
                return *s;
            }
            // The shape only reads as the whole text: run it as it is.
        }
        if (Statement* s = find(sql))
            return *s;
        return *keep(sql, compile(sql, source));
    }

private:
    Statement* find(const QString& key)
    {
        const auto it = statements.find(key);
        return it == statements.end() ? nullptr : it->second.get();
    }

    Statement* keep(const QString& key, std::unique_ptr<Statement> s)
    {
        // A handful of shapes repeat thousands of times; texts with their
        // values written in (other than quoted or whole numbers) do not.
        if (statements.size() >= 256)
            statements.clear();
        return statements.emplace(key, std::move(s)).first->second.get();
    }

    std::unique_ptr<Statement> tryCompile(const QString& sql)
    {
        sqlite3_stmt* stmt = nullptr;
        const void* tail = nullptr;
        const int rc = sqlite3_prepare16_v3(handle, sql.utf16(), int((sql.size() + 1) * sizeof(QChar)),
                                            SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
        if (rc != SQLITE_OK || !stmt || !onlyBlanksFrom(sql, tail)) {
            sqlite3_finalize(stmt);
            return nullptr;
        }
        auto s = std::make_unique<Statement>();
        s->stmt = stmt;
        return s;
    }

    std::unique_ptr<Statement> compile(const QString& sql, const QString& source)
    {
        sqlite3_stmt* stmt = nullptr;
        const void* tail = nullptr;
        const int rc = sqlite3_prepare16_v3(handle, sql.utf16(), int((sql.size() + 1) * sizeof(QChar)),
                                            SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
        if (rc != SQLITE_OK) {
            Error e = sqliteError(handle, source);
            sqlite3_finalize(stmt);
            throw e;
        }
        if (!onlyBlanksFrom(sql, tail)) {
            sqlite3_finalize(stmt);
            throw Error(kCannotOpen, QStringLiteral("Unable to execute multiple statements at a time"), source);
        }
        auto s = std::make_unique<Statement>();
        s->stmt = stmt;   // null for a text with nothing to run
        return s;
    }

    static bool onlyBlanksFrom(const QString& sql, const void* tail)
    {
        if (!tail)
            return true;
        const qsizetype from = static_cast<const QChar*>(tail) - sql.constData();
        return from >= sql.size() || QStringView(sql).mid(from).trimmed().isEmpty();
    }

    void bindLiterals(Statement& s, const std::vector<Literal>& literals, const QString& source)
    {
        for (size_t i = 0; i < literals.size(); ++i) {
            const Literal& l = literals[i];
            const int rc = l.text ? bindText(s.stmt, int(i + 1), l.value()) : sqlite3_bind_int64(s.stmt, int(i + 1), l.integer);
            if (rc != SQLITE_OK) {
                Error e = sqliteError(handle, source);
                sqlite3_clear_bindings(s.stmt);
                throw e;
            }
        }
    }
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
                sqlite3_create_function_v2(h, "val", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqliteVal,
                                           nullptr, nullptr, nullptr);
                // Every commit reaches the disk: a power cut must not leave
                // a hotel's or the link's file corrupt. Speed comes from
                // committing staged rows in groups instead.
                sqlite3_exec(h, snapshotPath_.isEmpty() ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = OFF",
                             nullptr, nullptr, nullptr);
                prepared_ = std::make_unique<Prepared>();
                prepared_->db = db;
                prepared_->handle = h;
                prepared_->owner = this;
                prepared_->place = windowsPath;
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

QString Connection::translate(const QString& statement) const
{
    // Only a DELETE needs rewriting; most statements are not one.
    qsizetype i = 0;
    while (i < statement.size() && statement.at(i).isSpace())
        ++i;
    if (!QStringView(statement).mid(i, 6).startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive))
        return statement;
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
    if (kind_ == Kind::Jet) {
        executeLocal(translate(statement), statement);
        return;
    }
    QSqlQuery query(prepared_->db);
    if (!query.exec(translate(statement)))
        throw errorFrom(query.lastError(), statement);
}

void Connection::executeLocal(const QString& sql, const QString& source)
{
    Statement& s = prepared_->statement(sql, source, true);
    if (!s.stmt)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna sentencia que ejecutar."), source);
    Use use(s);
    int rc;
    do {
        rc = sqlite3_step(use.stmt());
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE)
        throw prepared_->failure(source);
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
        throw localDriverError(prepared_->handle, prepared_->db.lastError(), QStringLiteral("BEGIN"));
    prepared_->lostCause = QString();
    inTransaction_ = true;
}

void Connection::commitTrans()
{
    if (!isOpen())
        throw closedError(QStringLiteral("COMMIT"));
    if (!inTransaction_)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), QStringLiteral("COMMIT"));
    if (transactionLost())
        throw lostError(QStringLiteral("COMMIT"));
    if (!prepared_->db.commit()) {
        const Error e = localDriverError(prepared_->handle, prepared_->db.lastError(), QStringLiteral("COMMIT"));
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
    if (!isOpen())
        throw closedError(QStringLiteral("ROLLBACK"));
    if (!inTransaction_)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna transacción en curso."), QStringLiteral("ROLLBACK"));
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

void Connection::controlLocal(const QByteArray& sql, const QString& source)
{
    char* message = nullptr;
    if (sqlite3_exec(prepared_->handle, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message).trimmed() : QString::fromUtf8(sqlite3_errmsg(prepared_->handle));
        sqlite3_free(message);
        throw Error(kCannotOpen, text, source);
    }
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
    name_ = "enlace3_punto_" + QByteArray::number(++cn_.prepared_->savepoints);
    cn_.controlLocal("SAVEPOINT " + name_, source);
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
        cn_.controlLocal("RELEASE " + name_, source);
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
        cn_.controlLocal("ROLLBACK TO " + name_, QStringLiteral("ROLLBACK TO"));
        cn_.controlLocal("RELEASE " + name_, QStringLiteral("RELEASE"));
    } catch (...) {
        // What this point guards cannot be undone alone: drop the whole
        // transaction rather than let a half of it be committed.
        sqlite3_exec(cn_.prepared_->handle, "ROLLBACK", nullptr, nullptr, nullptr);
        if (cn_.prepared_->lostCause.isNull())
            cn_.prepared_->lostCause = QStringLiteral("no se pudo volver al punto de restauración");
    }
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

// Read by hand rather than by a regular expression: every lookup of the
// staging opens one of these.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f' || u == '\v';
}

bool isIdentifierChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

qsizetype skipBlanks(QStringView s, qsizetype i)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return i;
}

// Whether `word` (in capitals) stands at i, not followed by a word character.
bool wordAt(QStringView s, qsizetype i, QLatin1String word)
{
    if (s.size() - i < word.size() || s.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    return i + word.size() == s.size() || !isIdentifierChar(s[i + word.size()]);
}

// What may follow the table: blanks, an optional ";", then the end, WHERE
// or ORDER BY.
bool editableTail(QStringView s, qsizetype i)
{
    i = skipBlanks(s, i);
    if (i < s.size() && s[i] == QLatin1Char(';'))
        i = skipBlanks(s, i + 1);
    if (i == s.size() || wordAt(s, i, QLatin1String("WHERE")))
        return true;
    if (s.size() - i < 5 || s.mid(i, 5).compare(QLatin1String("ORDER"), Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype by = skipBlanks(s, i + 5);
    return by > i + 5 && wordAt(s, by, QLatin1String("BY"));
}

struct EditableShape {
    QString table;          // empty: not the editable shape
    qsizetype starEnd = 0;  // just after the "*" of "SELECT *"
};

// "SELECT * FROM <table> [WHERE ...] [ORDER BY ...]", the only shape whose
// rows can be written back.
EditableShape editableShape(const QString& statement)
{
    const QStringView s(statement);
    EditableShape out;
    qsizetype i = skipBlanks(s, 0);
    if (s.size() - i < 6 || s.mid(i, 6).compare(QLatin1String("SELECT"), Qt::CaseInsensitive) != 0)
        return out;
    qsizetype j = skipBlanks(s, i + 6);
    if (j == i + 6 || j >= s.size() || s[j] != QLatin1Char('*'))
        return out;
    const qsizetype starEnd = j + 1;
    j = skipBlanks(s, starEnd);
    if (j == starEnd || s.size() - j < 4 || s.mid(j, 4).compare(QLatin1String("FROM"), Qt::CaseInsensitive) != 0)
        return out;
    const qsizetype from = j + 4;
    const qsizetype name = skipBlanks(s, from);
    if (name == from || name >= s.size())
        return out;
    if (s[name] == QLatin1Char('[')) {
        const qsizetype close = statement.indexOf(QLatin1Char(']'), name + 1);
        if (close <= name + 1 || !editableTail(s, close + 1))
            return out;
        out.table = statement.mid(name, close + 1 - name);
    } else {
        const QChar first = s[name];
        if (!(isIdentifierChar(first) && !(first >= QLatin1Char('0') && first <= QLatin1Char('9'))))
            return out;
        qsizetype end = name + 1;
        while (end < s.size() && isIdentifierChar(s[end]))
            ++end;
        // As a pattern would, a shorter name is tried when the longest does
        // not fit what follows.
        while (end > name && !editableTail(s, end))
            --end;
        if (end == name)
            return out;
        out.table = statement.mid(name, end - name);
    }
    out.starEnd = starEnd;
    return out;
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
    QHash<QString, int> exact; // name as given by the database -> column
    std::vector<QList<QVariant>> rows;
    std::vector<qint64> rowids;
    qsizetype pos = 0;
    EditMode edit = EditMode::None;
    QList<QVariant> buffer;
    QList<bool> changed;
    // Rows added here whose columns left to the database (defaults) have not
    // been read back yet: row -> the columns that were given.
    QHash<qsizetype, QList<bool>> unread;
    // The last write statements built, and what they were built for.
    struct WriteText {
        QString table;
        QStringList names;
        QList<bool> columns;
        QString sql;
        bool matches(const QString& t, const QStringList& n, const QList<bool>& c) const
        {
            return !sql.isEmpty() && table == t && names == n && columns == c;
        }
    };
    WriteText insertText;
    WriteText updateText;

    // Field names come mostly from literals in the code, whose text sits at
    // a fixed address: a few remembered answers per address spare hashing
    // the name on every read and write. An answer counts only when the
    // name is still the column's name and the columns are the same list.
    struct Remembered {
        const QChar* text = nullptr;
        qsizetype size = -1;
        int nameIndex = 0;
        int column = 0;
    };
    mutable std::array<Remembered, 256> remembered{};
    mutable QStringList rememberedFor;

    int column(const QString& name) const
    {
        if (rememberedFor.constData() != names.constData() || rememberedFor.size() != names.size()) {
            remembered.fill(Remembered{});
            rememberedFor = names;
        }
        // Literals lie a few bytes apart: mix the address before taking a slot.
        const quint64 mixed = quint64(quintptr(name.constData())) * 0x9E3779B97F4A7C15ull;
        Remembered& slot = remembered[(mixed >> 56) % remembered.size()];
        if (slot.text == name.constData() && slot.size == name.size() && slot.nameIndex < names.size()
            && names.at(slot.nameIndex) == name)
            return slot.column;
        const auto found = exact.constFind(name);
        if (found != exact.constEnd()) {
            slot.text = name.constData();
            slot.size = name.size();
            slot.nameIndex = int(names.indexOf(name));
            slot.column = found.value();
            return found.value();
        }
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
        exact.clear();
        rows.clear();
        rowids.clear();
        pos = 0;
        edit = EditMode::None;
        buffer.clear();
        changed.clear();
        unread.clear();
        // The write statement texts are kept: the same recordset is opened
        // again and again on the same table (see insertRow / updateRow).
    }

    // Reads back a row added here before a column the caller did not give
    // is shown.
    void readDefaults(qsizetype row, int column)
    {
        if (unread.isEmpty())
            return;
        const auto it = unread.constFind(row);
        if (it == unread.constEnd() || (column >= 0 && it.value().at(column)))
            return;
        unread.remove(row);
        rereadInserted(row);
    }

    void insertRow();
    void updateRow();
    void rereadInserted(qsizetype row);
    void openLocal(const QString& sql, bool withRowid);
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
    EditableShape shape;
    if (lock != adLockReadOnly)
        shape = editableShape(sql);
    const QString table = shape.table;
    const bool byRowid = !table.isEmpty() && cn.kind() == Connection::Kind::Jet;
    if (byRowid)
        sql = QStringLiteral("SELECT rowid AS ") + kRowidColumn + QStringLiteral(", *") + sql.mid(shape.starEnd);

    d->cn = &cn;
    if (cn.kind() == Connection::Kind::Jet) {
        try {
            d->openLocal(sql, byRowid);
        } catch (...) {
            d->cn = nullptr;
            d->names.clear();
            d->index.clear();
            d->rows.clear();
            d->rowids.clear();
            throw;
        }
    } else {
        QSqlQuery query(cn.prepared_->db);
        query.setForwardOnly(true);
        if (!query.exec(sql)) {
            d->cn = nullptr;
            throw errorFrom(query.lastError(), source);
        }

        const QSqlRecord record = query.record();
        const int columns = record.count();
        d->names.reserve(columns);
        for (int i = 0; i < columns; ++i)
            d->names << record.fieldName(i);
        indexNames(d->names, d->index, d->exact);

        while (query.next()) {
            QList<QVariant> row(columns);
            for (int i = 0; i < columns; ++i) {
                if (!query.isNull(i))
                    row[i] = query.value(i);
            }
            d->rows.push_back(std::move(row));
        }
        query.finish();
    }

    d->cn = &cn;
    d->cnName = cn.name_;
    d->table = table;
    d->byRowid = byRowid;
    d->pos = 0;
    d->open = true;
}

void Recordset::Impl::openLocal(const QString& sql, bool withRowid)
{
    Use use(cn->prepared_->statement(sql, source, true));
    if (!use->stmt)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna sentencia que ejecutar."), source);
    sqlite3_stmt* stmt = use.stmt();
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw cn->prepared_->failure(source);
    const int offset = withRowid ? 1 : 0;
    use->readColumns(offset);
    names = use->names;
    index = use->index;
    exact = use->exact;
    const int columns = int(names.size());
    while (rc == SQLITE_ROW) {
        QList<QVariant> row(columns);
        for (int i = 0; i < columns; ++i)
            row[i] = columnValue(stmt, i + offset);
        rows.push_back(std::move(row));
        if (withRowid)
            rowids.push_back(sqlite3_column_int64(stmt, 0));
        rc = sqlite3_step(stmt);
    }
    if (rc != SQLITE_DONE)
        throw cn->prepared_->failure(source);
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

bool Recordset::hasField(const QString& name) const
{
    return d->exact.contains(name) || d->index.contains(name.toLower());
}

QVariant Recordset::field(const QString& name) const
{
    d->requireOpen();
    const int i = d->column(name);
    if (d->edit != EditMode::None)
        return d->buffer.at(i);
    d->requireCurrent();
    d->readDefaults(d->pos, i);
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
        return ok ? n : vb::val(v.toString());
    }
    return v.toDouble();
}

bool Recordset::isUpdatable() const { return d->open && !d->table.isEmpty(); }

qint64 Recordset::rowid() const
{
    if (!d->open || !d->byRowid || d->edit == EditMode::Adding || d->pos < 0
        || d->pos >= qsizetype(d->rowids.size()))
        return -1;
    return d->rowids[size_t(d->pos)];
}

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
        d->readDefaults(d->pos, -1);
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

namespace {

struct Written {
    qint64 changes = 0;
    qint64 rowid = 0;
};

// Runs one of the recordset's own writes, its values bound in order.
template <typename Local>
Written writeLocal(Local& p, Statement& s, const QList<QVariant>& values, const QString& source)
{
    sqlite3* handle = p.handle;
    Use use(s);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (bindValue(use.stmt(), int(i + 1), values.at(i)) != SQLITE_OK)
            throw sqliteError(handle, source);
    }
    int rc;
    do {
        rc = sqlite3_step(use.stmt());
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE)
        throw p.failure(source);
    return {sqlite3_changes64(handle), sqlite3_last_insert_rowid(handle)};
}

} // namespace

void Recordset::Impl::insertRow()
{
    QList<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (changed.at(i))
            values << bindable(buffer.at(i), cn->kind());
    }
    if (!insertText.matches(table, names, changed)) {
        QStringList columns;
        QStringList marks;
        for (int i = 0; i < names.size(); ++i) {
            if (!changed.at(i))
                continue;
            columns << bracketed(names.at(i));
            marks << QStringLiteral("?");
        }
        insertText.sql = columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        insertText.table = table;
        insertText.names = names;
        insertText.columns = changed;
    }
    const QString& insertSql = insertText.sql;

    qint64 id = 0;
    if (cn->kind() == Connection::Kind::Jet) {
        Connection::Prepared& p = *cn->prepared_;
        id = writeLocal(p, p.statement(insertSql, source, false), values, source).rowid;
    } else {
        QSqlQuery& query = cn->prepared(insertSql);
        for (const QVariant& v : values)
            query.addBindValue(v);
        if (!query.exec())
            throw errorFrom(query.lastError(), source);
        if (byRowid)
            id = query.lastInsertId().toLongLong();
        query.finish();
    }

    rows.push_back(buffer);
    pos = qsizetype(rows.size()) - 1;
    if (byRowid) {
        rowids.push_back(id);
        // What the database filled in is read back only when asked for:
        // the staging adds hundreds of thousands of rows and reads none.
        if (changed.contains(false))
            unread.insert(pos, changed);
    }
}

// Picks up the defaults the database filled in, as a fresh read would show.
void Recordset::Impl::rereadInserted(qsizetype row)
{
    Connection::Prepared& p = *cn->prepared_;
    Use use(p.statement(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(table), source, false));
    sqlite3_bind_int64(use.stmt(), 1, rowids[size_t(row)]);
    if (sqlite3_step(use.stmt()) != SQLITE_ROW)
        return;
    use->readColumns(0);
    if (use->names.size() != names.size())
        return;
    QList<QVariant>& values = rows[size_t(row)];
    for (int i = 0; i < names.size(); ++i)
        values[i] = columnValue(use.stmt(), i);
}

void Recordset::Impl::updateRow()
{
    QList<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (changed.at(i))
            values << bindable(buffer.at(i), cn->kind());
    }
    if (values.isEmpty())
        return;

    QString sql;
    if (byRowid) {
        values << rowids[size_t(pos)];
        if (!updateText.matches(table, names, changed)) {
            QStringList sets;
            for (int i = 0; i < names.size(); ++i) {
                if (changed.at(i))
                    sets << bracketed(names.at(i)) + QStringLiteral(" = ?");
            }
            updateText.sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(table, sets.join(QStringLiteral(", ")));
            updateText.table = table;
            updateText.names = names;
            updateText.columns = changed;
        }
        sql = updateText.sql;
    } else {
        QStringList sets;
        for (int i = 0; i < names.size(); ++i) {
            if (changed.at(i))
                sets << bracketed(names.at(i)) + QStringLiteral(" = ?");
        }
        // Without a key the row is found by everything it held when read.
        QStringList where;
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
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    }
    qint64 affected = 0;
    if (cn->kind() == Connection::Kind::Jet) {
        Connection::Prepared& p = *cn->prepared_;
        affected = writeLocal(p, p.statement(sql, source, false), values, source).changes;
    } else {
        QSqlQuery& query = cn->prepared(sql);
        for (const QVariant& v : values)
            query.addBindValue(v);
        if (!query.exec())
            throw errorFrom(query.lastError(), source);
        affected = query.numRowsAffected();
        query.finish();
    }
    if (affected == 0)
        throw Error(kRowNotFound,
                    QStringLiteral("No se encuentra la fila para actualizarla: sus valores han cambiado desde que se "
                                   "leyó."),
                    source);
    rows[size_t(pos)] = buffer;
}

} // namespace ado
