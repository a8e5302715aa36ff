#pragma once

// Connections and recordsets with the meanings the link has always relied on
// (open / execute / close; open a statement, EOF, move, fields, add, update),
// over QtSql. A Jet connection string opens the SQLite file of the same name
// under the drive root; a "Driver={...}" string goes to ODBC as it is.

#include "platform/jet.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QTemporaryDir;
namespace platform { class DriveMap; }

namespace ado {

// Provider error numbers the link compares.
constexpr qint64 kCannotOpen = -2147467259;   // the file cannot be opened (also: any other provider failure)
constexpr qint64 kNoSuchColumn = -2147217904; // a column named in the statement does not exist
constexpr qint64 kNoSuchTable = -2147217865;  // a table named in the statement does not exist
constexpr qint64 kItemNotFound = 3265;        // a field name the recordset does not have
constexpr qint64 kNoCurrentRecord = 3021;     // EOF/BOF, or no row to act on
constexpr qint64 kNotUpdatable = 3251;        // the recordset cannot add or change rows
constexpr qint64 kObjectClosed = 3704;        // the connection or recordset is not open
constexpr qint64 kRowNotFound = -2147217864;  // the row to update no longer exists as read

class Error : public std::exception {
public:
    Error(qint64 number, QString description, QString source = QString());
    qint64 number() const { return number_; }
    const QString& description() const { return description_; }
    // What was being opened or run (a Windows path, a server, a statement).
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    qint64 number_;
    QString description_;
    QString source_;
    QByteArray what_;
};

enum CursorType { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
enum LockType { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3 };
enum ObjectState { adStateClosed = 0, adStateOpen = 1 };

// Doubles the single quotes of a value pasted into a statement text between
// quotes, so a value can neither break nor change the statement.
QString q(const QString& value);

// The values of a statement's "?" marks, in order. Null is an invalid
// QVariant; integers, doubles and texts keep their type; a QDateTime is the
// ISO text with milliseconds; anything else its text.
using Values = QList<QVariant>;

// The statement with each "?" (outside quotes, brackets and comments)
// replaced by its value written as a literal: texts between single quotes
// with theirs doubled, numbers as digits, Null as NULL. This is the text the
// statement means, the one traced, reported in errors and sent to a server.
// Marks without a value stay "?"; values without a mark are left out.
QString render(const QString& statement, const Values& values);

// Yes/no columns: stored as -1 (true) and 0, as Jet does. Read as the
// settings have always been read: Null, zero, "" and no/false/falso are
// false; any other value (-1, 1, 2, "yes", "x") is a yes.
QVariant yesNo(bool value);
bool isYes(const QVariant& value);

class Connection {
public:
    enum class Kind { None, Jet, Odbc };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Needed before a Jet string can be opened (maps "X:\..." to a local file).
    void setDriveMap(const platform::DriveMap* drives) { drives_ = drives; }

    // What the file is for decides how a genuine Access (Jet) file, which
    // nothing here can write, is opened.
    enum class Role {
        Other,         // its tables are read into a private SQLite copy
        HotelData,     // the same; with ENLACE3_INSTANTANEA=1 SQLite files too
        LinkDatabase,  // refused (kCannotOpen): it has to be converted first
    };
    void setRole(Role role) { role_ = role; }
    Role role() const { return role_; }

    // Throws Error. A Jet file that does not exist (or is not a database) is
    // kCannotOpen and nothing is created.
    void open(const QString& connectionString);
    // Runs one statement (Jet SQL; translated where SQLite cannot parse it),
    // its "?" marks taking `values` (see render()). A local database compiles
    // each statement text once and keeps it while the connection is open.
    void execute(const QString& statement);
    void execute(const QString& statement, const Values& values);
    void close();

    int state() const;
    bool isOpen() const { return state() == adStateOpen; }
    Kind kind() const { return kind_; }
    const QString& connectionString() const { return connectionString_; }
    // Jet: the mapped local file; ODBC: empty.
    const QString& localPath() const { return localPath_; }
    // What the file is (SQLite, Jet 3, Jet 4); Desconocido for ODBC.
    jet::Formato sourceFormat() const { return sourceFormat_; }
    // True when the statements run on a private copy of the file's tables:
    // whatever they change stays in the copy and never reaches the file.
    bool isSnapshot() const { return !snapshotPath_.isEmpty(); }
    const QString& snapshotPath() const { return snapshotPath_; }
    // Milliseconds the copy took to read when the file was opened.
    qint64 snapshotMilliseconds() const { return snapshotMs_; }
    // Reads the file into a new copy when it changed since it was read (the
    // hotel product keeps working while the link stays open); changes made
    // to the old copy are dropped. Nothing outside a transaction is lost by
    // this on a hotel file, whose copy only receives the run's normalising
    // statements, run again by every run. Throws Error.
    void refreshSnapshot();

    // Whether a change can be saved in the file now, tried with a change
    // undone at once: its journal is made and removed beside the file, and
    // the file itself is not written. Only a local database writing its own
    // file is tried; ODBC, a private copy, a connection inside a transaction
    // and a failure that says nothing of the file (another program writing
    // it, say) answer Writable.
    enum class WriteCheck { Writable, FileReadOnly, FolderTakesNoFiles };
    WriteCheck checkWrite();

    void beginTrans();
    // Throws Error, also when the transaction has been lost (see below); the
    // transaction then stays begun until rollbackTrans().
    void commitTrans();
    // Ends a lost transaction without error: there is nothing left to undo.
    void rollbackTrans();
    bool inTransaction() const { return inTransaction_; }
    // SQLite rolls a whole transaction back by itself on some failures (disk
    // full, I/O error, out of memory, a trigger's RAISE(ROLLBACK)): what was
    // done since beginTrans() is gone, and every later statement would commit
    // on its own. True from then until rollbackTrans(); while it is, every
    // statement, recordset and commit on the connection throws Error
    // (kCannotOpen) instead of running. Always false for ODBC.
    bool transactionLost() const;
    // What a statement on a lost transaction throws: the database and the
    // failure that made the engine drop the transaction.
    Error lostError(const QString& source) const;

    // The underlying QtSql connection (for grids bound to a table).
    QSqlDatabase database() const;
    // The statement text as it is run on this connection.
    QString translate(const QString& statement) const;

    // Every statement given to execute() while `trace` is on, as rendered.
    bool trace = false;
    QStringList executed;

private:
    friend class Recordset;
    friend class Rows;
    friend class Savepoint;
    struct Prepared;
    void openJet(const QString& connectionString);
    void openOdbc(const QString& connectionString);
    // A prepared statement of this connection, reused while it stays open.
    QSqlQuery& prepared(const QString& sql);
    std::unique_ptr<Prepared> prepared_;
    int opens_ = 0;
    const platform::DriveMap* drives_ = nullptr;
    Kind kind_ = Kind::None;
    QString name_;
    QString connectionString_;
    QString localPath_;
    bool inTransaction_ = false;
    Role role_ = Role::Other;
    jet::Formato sourceFormat_ = jet::Formato::Desconocido;
    std::unique_ptr<QTemporaryDir> snapshotDir_;
    QString snapshotPath_;
    QDateTime sourceModified_;
    qint64 sourceSize_ = -1;
    qint64 snapshotMs_ = 0;
};

// A point inside the current transaction of a local connection to which the
// work done after it can be undone alone: several statements that only make
// sense together (an invoice and its lines) either all stay or none does,
// while the transaction around them goes on. Needs a transaction begun with
// beginTrans() (Error otherwise). On ODBC it does nothing: the hotel's server
// is never written inside one of the link's transactions.
class Savepoint {
public:
    explicit Savepoint(Connection& cn);   // throws Error
    // Undoes everything done since the constructor unless release() was
    // called. Never throws: when the undo itself fails the whole transaction
    // is rolled back (transactionLost() tells), so a half of what this point
    // guards can never be committed.
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    // Keeps what was done since the constructor as part of the transaction.
    void release();   // throws Error

private:
    Connection& cn_;
    bool active_ = false;
};

// Runs `changes` in a transaction of its own unless the caller holds one:
// committed when they return, rolled back when they throw.
template <typename F> void inOwnTransaction(Connection& cn, F&& changes)
{
    const bool own = !cn.inTransaction();
    if (own)
        cn.beginTrans();
    try {
        changes();
        if (own)
            cn.commitTrans();
    } catch (...) {
        if (own && cn.inTransaction())
            cn.rollbackTrans();
        throw;
    }
}

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Runs the statement, its "?" marks taking `values` (see render()), and
    // positions on the first row. Throws Error.
    void open(const QString& source, Connection& cn, CursorType cursor = adOpenDynamic,
              LockType lock = adLockReadOnly);
    void open(const QString& source, const Values& values, Connection& cn, CursorType cursor = adOpenDynamic,
              LockType lock = adLockReadOnly);
    void close();
    int state() const;
    bool isOpen() const { return state() == adStateOpen; }
    // Closes when open (the link's convention before reusing a shared recordset).
    void closeIfOpen() { if (isOpen()) close(); }

    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();
    qint64 recordCount() const;

    int fieldCount() const;
    QString fieldName(int index) const;
    bool hasField(const QString& name) const;
    // Field of the current row by name, case-insensitively. Null is an
    // invalid QVariant. Unknown name: Error kItemNotFound; no current row:
    // Error kNoCurrentRecord.
    QVariant field(const QString& name) const;
    bool isNull(const QString& name) const;
    // Null counts as "" / 0.
    QString text(const QString& name) const;
    double number(const QString& name) const;

    // Editing (optimistic lock on a single-table SELECT). update() writes to
    // the database at once: by rowid on SQLite, by every original column
    // value through ODBC. Throws Error.
    void addNew();
    void setField(const QString& name, const QVariant& value);
    void update();
    // Drops the pending changes of addNew()/setField() without writing them.
    void cancelUpdate();
    // Whether addNew()/setField()/update() may be used on what is open.
    bool isUpdatable() const;
    // The SQLite rowid of the current row of an editable recordset of a local
    // connection (a row added here counts once update() has written it); -1
    // when there is none (ODBC, read-only, no current row, a row being added).
    qint64 rowid() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The current row of Rows::each, read where it lies: nothing is copied but
// the fields asked for, each as Recordset would give it.
class Row {
public:
    // The column of a name, case-insensitively. Unknown: Error kItemNotFound.
    int column(const QString& name) const;
    QVariant field(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;   // Null: ""
    double number(int column) const;  // Null: 0

private:
    friend class Rows;
    Row() = default;
    QString source() const;
    const void* statement_ = nullptr;   // the compiled statement of a local database
    const Recordset* recordset_ = nullptr;
    const QString* text_ = nullptr;
    const Values* values_ = nullptr;
};

class Rows {
public:
    // Runs a statement that only reads and hands its rows to `each`, one at a
    // time: for loops over many small results (an invoice's lines) that keep
    // none of them. Through ODBC the rows are read at once first. `each` must
    // not close the connection. Throws Error.
    static void each(Connection& cn, const QString& statement, const Values& values,
                     const std::function<void(const Row&)>& each);
};

} // namespace ado
