#pragma once

// What the pieces of the data-access layer share among themselves: errors,
// the Jet dialect and its literals, compiled statements and the state of an
// open connection. Callers include platform/ado.h only.

#include "platform/ado.h"

#include <QHash>
#include <QSqlError>

#include <sqlite3.h>

#include <array>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace ado {
namespace detail {

// --- Errors (ado_error.cpp) ------------------------------------------------

qint64 errorNumberFor(const QString& native, const QString& text);
// A provider failure with the number the link compares and the provider's text.
Error errorFrom(const QSqlError& e, const QString& source);
Error closedError(const QString& source);
// The last failure of a local handle, disk and file failures in the user's
// words, naming the database as `place` (the link's Windows path).
Error sqliteError(sqlite3* handle, const QString& source, const QString& place);
// A transaction statement the driver ran on a local handle.
Error localDriverError(sqlite3* handle, const QSqlError& e, const QString& source, const QString& place);

// --- Jet dialect (ado_dialect.cpp) -----------------------------------------

// The SQL function `val` on a local handle.
void registerFunctions(sqlite3* handle);

// A value of a statement as the database takes it: the literal render()
// writes and the parameter a local database binds mean the same.
struct Literal {
    enum class Kind { Null, Integer, Real, Text, Blob } kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    QString text;
    QByteArray blob;
};
Literal literal(const QVariant& value);

// "SELECT * FROM <table> [WHERE ...] [ORDER BY ...]", the only shape whose
// rows can be written back; `table` is empty for any other statement.
struct EditableShape {
    QString table;
    qsizetype starEnd = 0;   // just after the "*"
    QString withRowid;       // the statement reading the rowid first (made by Prepared::shape)
};
EditableShape editableShape(const QString& statement);

// What a statement is reported as (in errors and traces): its text with the
// values written in, made only when it is needed. Holds references: it lives
// no longer than the statement and values it names.
class Source {
public:
    Source(const QString& text) : statement_(&text) {}   // a text that is its own source
    Source(const QString& statement, const Values& values) : statement_(&statement), values_(&values) {}
    QString text() const { return values_ && !values_->isEmpty() ? render(*statement_, *values_) : *statement_; }

private:
    const QString* statement_;
    const Values* values_ = nullptr;
};

// --- Compiled statements (ado_connection.cpp) ------------------------------

// Binds a value; the bytes of a plain text stay in `kept` (see Statement::kept).
int bindValue(sqlite3_stmt* stmt, int index, const QVariant& value, QByteArray& kept);
QVariant columnValue(sqlite3_stmt* stmt, int column);
// The column's value into `slot`; a plain text equal to the one `above`
// holds shares its string (columnValue() would make an equal one).
void readColumn(sqlite3_stmt* stmt, int column, QVariant& slot, const QVariant& above);
void configurar_sqlite();

// Column lookups by name ignore case and the first of two equal names wins.
// `exact` answers the names as written without lowering them each time.
void indexNames(const QStringList& names, QHash<QString, int>& index, QHash<QString, int>& exact);

// A compiled statement of a local database and the column names of its rows.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    int reprepared = -1;   // the compiler's re-prepare count when the names were read
    int offset = 0;
    bool busy = false;   // its rows are being handed out (Rows::each)
    // The bytes of each text bound, read by the database where they are
    // until the mark is bound again.
    std::vector<QByteArray> kept;
    QStringList names;
    QHash<QString, int> index;   // lower-case name -> column
    QHash<QString, int> exact;   // name as the database gives it -> column

    ~Statement() { sqlite3_finalize(stmt); }
    // Names as QtSql gives them, from column `skip` on.
    void readColumns(int skip);
};

// Leaves a statement ready for its next use however the current one ends.
class Use {
public:
    explicit Use(Statement& s) : s_(s) {}
    // Every use binds every mark first, so the old values need no clearing.
    ~Use() { sqlite3_reset(s_.stmt); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    Statement* operator->() const { return &s_; }
    sqlite3_stmt* stmt() const { return s_.stmt; }

private:
    Statement& s_;
};

// Statement texts are long and trusted: a plain fast hash does.
struct TextHash {
    std::size_t operator()(const QString& s) const noexcept
    {
        return std::hash<std::u16string_view>()(
            std::u16string_view(reinterpret_cast<const char16_t*>(s.constData()), std::size_t(s.size())));
    }
};

} // namespace detail

struct Connection::Prepared {
    QSqlDatabase db;
    QHash<QString, QSqlQuery> queries;   // ODBC
    sqlite3* handle = nullptr;           // local database
    std::unordered_map<QString, std::unique_ptr<detail::Statement>, detail::TextHash> statements;
    // Statements of `statements` found by the address of a literal text.
    struct Remembered {
        const QChar* text = nullptr;
        qsizetype size = 0;
        detail::Statement* statement = nullptr;
    };
    std::array<Remembered, 64> byLiteral{};
    std::unique_ptr<detail::Statement> single;   // a statement not worth keeping, until the next one
    QHash<QString, detail::EditableShape> shapes;   // statement text -> its editable shape
    const Connection* owner = nullptr;   // local database
    QString place;                       // the file as the link names it (a Windows path)
    QString lostCause;                   // the failure that made the engine drop the transaction

    ~Prepared() { finalizeAll(); }

    // The error of the last failing call on the handle; remembers it as the
    // cause when it has just made the engine drop the caller's transaction.
    Error failure(const detail::Source& source);
    void finalizeAll();
    // Drops the kept statements and what finds them.
    void forget();
    // The compiled statement for a text (already translated), kept while the
    // connection is open. Throws Error.
    detail::Statement& statement(const QString& sql, const detail::Source& source);
    // Binds `values` to the statement's marks, one each. Throws Error.
    void bind(detail::Statement& s, const Values& values, const detail::Source& source);
    // The editable shape of a statement text, read once per text.
    const detail::EditableShape& shape(const QString& sql);
    // Runs a statement to its end with its values bound. Throws Error.
    void run(const QString& sql, const Values& values, const detail::Source& source);
};

} // namespace ado
