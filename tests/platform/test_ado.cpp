// The data-access layer over both back ends: a local SQLite file reached by a
// Jet connection string, and "SQL Server" through the real unixODBC driver
// manager with the SQLite ODBC driver standing in. Each case runs on both
// unless it is about only one of them.

#include "platform/ado.h"
#include "platform/drive_map.h"
#include "support/odbc_standin.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace ado;

namespace {

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ");
const QString kEnlace = kJet + QStringLiteral("F:\\noctaris\\enlace3.MDB");

struct Failure { qint64 number = 0; QString description, source; };

Failure failure(const std::function<void()>& body)
{
    try {
        body();
    } catch (const Error& e) {
        return {e.number(), e.description(), e.source()};
    }
    return {};
}

// Every row of a statement as "a|b|c" lines (Null as <null>).
QStringList rowsOf(Connection& cn, const QString& statement, const Values& values = {})
{
    Recordset rs;
    rs.open(statement, values, cn);
    QStringList lines;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i)
            cells << (rs.isNull(rs.fieldName(i)) ? QStringLiteral("<null>") : rs.text(rs.fieldName(i)));
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

// Open file descriptors of this process on a file.
int handlesOn(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        count += QFileInfo(fds.filePath(fd)).symLinkTarget() == target ? 1 : 0;
    return count;
}

} // namespace

class TestAdo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    std::unique_ptr<platform::DriveMap> drives_;
    QString savedCwd_, file_;
    bool local_ = true;
    Connection cn;
    Recordset rs;

    void open(Connection& c)
    {
        c.setDriveMap(drives_.get());
        c.open(local_ ? kEnlace : testsupport::sqlServerConnectionString(QStringLiteral("S"), QStringLiteral("CATALOGO")));
    }

private Q_SLOTS:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("local");
        QTest::newRow("sqlite") << true;
        QTest::newRow("odbc") << false;
    }

    void initTestCase()
    {
        QVERIFY(root_.isValid());
        QVERIFY(QDir().mkpath(root_.filePath(QStringLiteral("f:/NOCTARIS"))));
        drives_ = std::make_unique<platform::DriveMap>(root_.path());
        QString error;
        QVERIFY2(testsupport::installOdbcStandin(root_.path(), &error), qPrintable(error));
        savedCwd_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root_.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(savedCwd_); }

    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
        QFETCH_GLOBAL(bool, local);
        local_ = local;
        file_ = root_.filePath(local ? QStringLiteral("f:/NOCTARIS/Enlace3.MDB") : QStringLiteral("CATALOGO"));
        QFile::remove(file_);
        testsupport::buildDatabase(
            file_, {QStringLiteral("CREATE TABLE fac3 (FacNum TEXT(12), FacImp DOUBLE, FacEst TEXT(1), FacTasa SMALLINT)"),
                    QStringLiteral("INSERT INTO fac3 VALUES ('A1', 100.5, '0', 0), ('A2', 20, '0', 0), "
                                   "('A2', 20, '0', 0), ('B1', NULL, '1', -1)"),
                    QStringLiteral("CREATE TABLE cta (Cta TEXT, Ord INTEGER)"),
                    QStringLiteral("INSERT INTO cta VALUES ('10', 1), ('9', 2), ('A12', 3), ('2.5', 4), (' 3 4x', 5), "
                                   "(NULL, 6), ('-1.5.2', 7), ('O''Neill', 12)"),
                    QStringLiteral("CREATE TABLE ca3 (Ca3Cod TEXT, Ca3Nom TEXT DEFAULT 'sin nombre', Ca3Fal BIT)")});
        open(cn);
    }

    void cleanup()
    {
        rs.close();
        cn.close();
        cn.executed.clear();
    }

    void openingFailsWithoutCreatingOrChangingAnything()
    {
        QCOMPARE(cn.kind(), local_ ? Connection::Kind::Jet : Connection::Kind::Odbc);
        QCOMPARE(cn.localPath(), local_ ? file_ : QString());   // the mapped file whatever its case
        const QString name = cn.database().connectionName();
        cn.close();
        QVERIFY(cn.state() == adStateClosed && !QSqlDatabase::contains(name));
        const QByteArray notADatabase("Standard Jet DB .....");
        QFile bad(root_.filePath(QStringLiteral("f:/NOCTARIS/emi.MDB")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(notADatabase) > 0);
        bad.close();
        const struct { bool local; QString string, source, description; } cases[] = {
            {true, kJet + "Z:\\noctaris\\cli.MDB", "Z:\\noctaris\\cli.MDB",
             "No se pudo encontrar el archivo 'Z:\\noctaris\\cli.MDB'."},
            {true, kJet + "f:\\NOCTARIS\\EMI.mdb", "f:\\NOCTARIS\\EMI.mdb",
             "No se reconoce el formato de base de datos 'f:\\NOCTARIS\\EMI.mdb'."},
            {false, testsupport::sqlServerConnectionString("OTRO", "no-existe/CATALOGO"), "OTRO", {}},
            {false, "Driver={Sin Driver};Server=S;Database=CATALOGO;", "S", {}},
        };
        for (const auto& c : cases) {
            if (c.local != local_)
                continue;
            const Failure f = failure([&] { cn.open(c.string); });
            QCOMPARE(f.number, kCannotOpen);
            QCOMPARE(f.source, c.source);
            QVERIFY2(c.description.isEmpty() || f.description == c.description, qPrintable(f.description));
            QCOMPARE(cn.state(), int(adStateClosed));
        }
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(bad.readAll(), notADatabase);
        QCOMPARE(QDir(root_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"f:"});
    }

    void failuresCarryTheProviderNumberAndTheStatement()
    {
        const struct { bool open; const char* statement; Values values; qint64 number; const char* source; } cases[] = {
            {true, "SELECT * FROM ctas3 WHERE Cuenta = ?", {"4'3"}, kNoSuchTable, "SELECT * FROM ctas3 WHERE Cuenta = '4''3'"},
            {false, "DELETE * FROM edep3", {}, kNoSuchTable, nullptr},
            {true, "SELECT Ca3Tasa FROM ca3", {}, kNoSuchColumn, nullptr},
            {false, "UPDATE fac3 SET FacTasa = ? WHERE FacFal = ?", {0, "1"}, kNoSuchColumn,
             "UPDATE fac3 SET FacTasa = 0 WHERE FacFal = '1'"},
            {false, "INSERT INTO ca3 (Ca3Exp) VALUES ('x')", {}, kNoSuchColumn, nullptr},
            {false, "ESTO NO ES SQL", {}, kCannotOpen, nullptr},
        };
        for (const auto& c : cases) {
            const QString sql = QString::fromLatin1(c.statement);
            const Failure f = failure([&] { c.open ? rs.open(sql, c.values, cn) : cn.execute(sql, c.values); });
            QCOMPARE(f.number, c.number);
            QCOMPARE(f.source, c.source ? QString::fromLatin1(c.source) : sql);
            QVERIFY(!rs.isOpen());
        }
        if (local_) {
            QCOMPARE(failure([&] { rs.open(QStringLiteral("SELECT Ca3Tasa FROM ca3"), cn); }).description,
                     QStringLiteral("no such column: Ca3Tasa"));
            // A text with two statements runs neither; marks and values must pair up.
            QVERIFY(failure([&] { cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '9'; DELETE FROM fac3")); }).number);
            QCOMPARE(failure([&] { cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = ?"), {"1", "2"}); }).description,
                     QStringLiteral("La sentencia no recibe un valor por cada marca \"?\": tiene 1 y recibe 2 valores."));
            QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM fac3 WHERE FacEst IN ('0', '1')")), QStringList{"4"});
        }
        cn.close();
        QCOMPARE(failure([&] { cn.execute(QStringLiteral("DELETE FROM fac3")); }).number, kObjectClosed);
    }

    void renderWritesEachValueAsItsLiteral()
    {
        const struct { const char* statement; Values values; const char* text; } cases[] = {
            {"UPDATE fac3 SET FacTra = ? WHERE FacNum = ?", {yesNo(true), "O'B''"},
             "UPDATE fac3 SET FacTra = -1 WHERE FacNum = 'O''B'''''"},
            {"INSERT INTO t VALUES (?,?,?,?,?)", {QVariant(), qint64(4300000012345), 2.5, 3.0, QVariant(false)},
             "INSERT INTO t VALUES (NULL,4300000012345,2.5,3.0,0)"},
            {"SELECT '?', [a?], \"b?\", `c?` FROM t WHERE x = ? -- ?\nAND y = 'it''s ?' AND z = ? /* ? */",
             {"1", "2"}, "SELECT '?', [a?], \"b?\", `c?` FROM t WHERE x = '1' -- ?\nAND y = 'it''s ?' AND z = '2' /* ? */"},
            {"SELECT ? , ?", {QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5, 6)), QByteArray("\x01\xff", 2)},
             "SELECT '2024-01-02T03:04:05.006' , X'01ff'"},
            {"x = ? AND y = ?", {"solo"}, "x = 'solo' AND y = ?"},
            {"x = ?", {"1", "sobra"}, "x = '1'"},
            {"x = '?", {"1"}, "x = '?"},
            {"sin marcas", {}, "sin marcas"},
        };
        for (const auto& c : cases)
            QCOMPARE(render(QString::fromUtf8(c.statement), c.values), QString::fromUtf8(c.text));
        QCOMPARE(q(QStringLiteral("d'Àngel''s")), QStringLiteral("d''Àngel''''s"));
    }

    void boundValuesMeanWhatTheirLiteralsSay()
    {
        const Values values = {QStringLiteral("O'Brien'); DELETE FROM fac3; --"), QStringLiteral("Àvila"), QString(""),
                               QVariant(), 7, qint64(-4300000012345), 2.5, 3.0, -0.1, true, std::nan(""),
                               QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)), QByteArray("\0a", 2)};
        const QString shape = QStringLiteral("SELECT typeof(?) || '|' || quote(?) AS v FROM fac3 WHERE FacNum = ?");
        for (const QVariant& v : values) {
            const Values three{v, v, QStringLiteral("B1")};
            const QStringList asText = rowsOf(cn, render(shape, three));
            QCOMPARE(rowsOf(cn, shape, three), asText);
            QCOMPARE(asText.size(), 1);
        }
        // One compiled text answers each time for its own values.
        const QString lookup = QStringLiteral("SELECT Ord FROM cta WHERE Cta = ? OR Ord = ?");
        QCOMPARE(rowsOf(cn, lookup, {"O'Neill", 0}), QStringList{"12"});
        QCOMPARE(rowsOf(cn, lookup, {"x' OR '1' = '1", 2}), QStringList{"2"});
        QCOMPARE(rowsOf(cn, lookup, {QVariant(), QVariant()}), QStringList());
        // A quoted number against a number column compares as the column says.
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT Cta FROM cta WHERE Ord = ?"), {"12"}), QStringList{"O'Neill"});
    }

    void valuesRoundTripThroughTheTables()
    {
        const QString nasty = QStringLiteral("O'Brien'); DELETE FROM fac3; --");
        cn.trace = true;
        cn.execute(QStringLiteral("INSERT INTO fac3 VALUES (?, ?, ?, ?)"), {nasty, 12.25, QVariant(), yesNo(true)});
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = ? WHERE FacNum = ?"), {"2", nasty});
        cn.execute(QStringLiteral("DELETE * FROM cta WHERE Cta = 'A12'"));
        QCOMPARE(failure([&] { cn.execute(QStringLiteral("ALTER TABLE nada ADD COLUMN x TEXT")); }).number, kNoSuchTable);
        cn.trace = false;
        cn.execute(QStringLiteral("UPDATE fac3 SET FacTasa = 0 WHERE FacNum = 'x'"));
        QCOMPARE(cn.executed, QStringList({"INSERT INTO fac3 VALUES ('O''Brien''); DELETE FROM fac3; --', 12.25, NULL, -1)",
                                           "UPDATE fac3 SET FacEst = '2' WHERE FacNum = 'O''Brien''); DELETE FROM fac3; --'",
                                           "DELETE * FROM cta WHERE Cta = 'A12'", "ALTER TABLE nada ADD COLUMN x TEXT"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM fac3 WHERE FacNum = ?"), {nasty}),
                 QStringList{nasty + QStringLiteral("|12.25|2|-1")});
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM fac3")), QStringList{"5"});
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"7"});
    }

    void fieldsAreReadByNameIgnoringCase()
    {
        rs.open(QStringLiteral("SELECT * FROM fac3 ORDER BY FacNum DESC"), cn);
        QCOMPARE(rs.recordCount(), qint64(4));
        QCOMPARE(rs.text(QStringLiteral("facnum")), QStringLiteral("B1"));
        QVERIFY(rs.isNull(QStringLiteral("FACIMP")) && !rs.field(QStringLiteral("FacImp")).isValid());
        QCOMPARE(rs.number(QStringLiteral("FacImp")), 0.0);
        QVERIFY(isYes(rs.field(QStringLiteral("FacTasa"))));
        QCOMPARE(failure([&] { rs.field(QStringLiteral("Nada")); }).number, kItemNotFound);
        for (int i = 0; i < 3; ++i)
            rs.moveNext();
        QCOMPARE(rs.number(QStringLiteral("FacImp")), 100.5);
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(failure([&] { rs.field(QStringLiteral("FacNum")); }).number, kNoCurrentRecord);
        QCOMPARE(failure([&] { rs.moveNext(); }).number, kNoCurrentRecord);
        rs.moveFirst();
        QCOMPARE(rs.text(QStringLiteral("FacNum")), QStringLiteral("B1"));
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = ?"), {"nada"}, cn);
        QVERIFY(rs.eof() && rs.bof() && rs.recordCount() == 0);
        for (const QVariant& v : {QVariant(-1), QVariant(1), QVariant(true), QVariant("true"), QVariant("-1"),
                                  QVariant(qlonglong(-1)), QVariant(-1.0), QVariant(" yes ")})
            QVERIFY2(isYes(v), qPrintable(v.toString()));
        for (const QVariant& v : {QVariant(), QVariant(0), QVariant(false), QVariant("0"), QVariant(QString()),
                                  QVariant("no"), QVariant(2)})
            QVERIFY2(!isYes(v), qPrintable(v.toString()));
        if (local_)
            QCOMPARE(rowsOf(cn, QStringLiteral("SELECT Cta, val(Cta) FROM cta WHERE Ord < 8 ORDER BY val(Cta), Cta")),
                     QStringList({"<null>|<null>", "-1.5.2|-1.5", "A12|0", "2.5|2.5", "9|9", "10|10", " 3 4x|34"}));
    }

    void onlyTheWholeTableShapeCanBeWrittenBack()
    {
        const auto values = [](const char* sql) { return QByteArray(sql).contains('?') ? Values{"A1"} : Values(); };
        for (const char* sql : {"SELECT * FROM fac3", "  select\t*\nfrom [fac3] where FacNum = ?", "SELECT * FROM fac3 ; ",
                                "SELECT * FROM fac3 ORDER  BY FacNum", "SELECT * FROM fac3 WHERE(FacNum = ?)"}) {
            rs.open(QString::fromLatin1(sql), values(sql), cn, adOpenDynamic, adLockOptimistic);
            QVERIFY2(rs.isUpdatable(), sql);
        }
        for (const char* sql : {"SELECT *, FacNum FROM fac3", "SELECT * FROM fac3 AS c WHERE c.FacNum = ?",
                                "SELECT * FROM fac3 GROUP BY FacNum", "SELECT * FROM fac3 WHEREVER", "SELECT* FROM fac3",
                                "SELECT FacNum FROM fac3", "SELECT * FROM fac3, cta"}) {
            if (failure([&] { rs.open(QString::fromLatin1(sql), values(sql), cn, adOpenDynamic, adLockOptimistic); }).number)
                continue;   // not even a statement the database takes
            QVERIFY2(!rs.isUpdatable(), sql);
            QCOMPARE(failure([&] { rs.addNew(); }).number, kNotUpdatable);
        }
        rs.open(QStringLiteral("SELECT * FROM fac3"), cn, adOpenDynamic, adLockReadOnly);
        QCOMPARE(failure([&] { rs.setField(QStringLiteral("FacEst"), QStringLiteral("1")); }).number, kNotUpdatable);
        QCOMPARE(rs.rowid(), qint64(-1));
    }

    void updateWritesTheRowItWasReadAs()
    {
        rs.open(QStringLiteral("SELECT * FROM [fac3] WHERE FacNum = ?"), {"A2"}, cn, adOpenDynamic, adLockOptimistic);
        QCOMPARE(rs.fieldCount(), 4);   // a rowid stays hidden
        rs.moveNext();
        QCOMPARE(rs.rowid(), local_ ? qint64(3) : qint64(-1));
        rs.setField(QStringLiteral("facest"), QStringLiteral("1"));
        rs.setField(QStringLiteral("FacTasa"), true);
        QCOMPARE(rs.text(QStringLiteral("FacEst")), QStringLiteral("1"));
        rs.update();
        // Locally only the current one of two identical rows changes; a server
        // without a key finds the row by its values and changes both.
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacEst || FacTasa FROM fac3 WHERE FacNum = 'A2' ORDER BY rowid")),
                 local_ ? QStringList({"00", "1-1"}) : QStringList({"1-1", "1-1"}));
        // Moving on writes a pending change; a row changed since it was read
        // is not overwritten.
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacEst = '0'"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("FacImp"), QVariant());
        rs.moveNext();
        cn.execute(QStringLiteral("DELETE FROM fac3 WHERE FacNum = 'B1'"));
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'A1'"), cn, adOpenDynamic, adLockOptimistic);
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '5' WHERE FacNum = 'A1'"));
        rs.setField(QStringLiteral("FacEst"), QStringLiteral("6"));
        QCOMPARE(failure([&] { rs.update(); }).number, local_ ? 0 : kRowNotFound);
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacImp, FacEst FROM fac3 WHERE FacNum = 'A1'")),
                 QStringList{local_ ? "<null>|6" : "<null>|5"});
        rs.setField(QStringLiteral("FacEst"), QStringLiteral("7"));
        cn.close();
        QCOMPARE(failure([&] { rs.update(); }).number, kObjectClosed);
    }

    void addNewInsertsAndShowsWhatTheDatabaseFilledIn()
    {
        rs.open(QStringLiteral("SELECT * FROM ca3"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(rs.eof());
        rs.addNew();
        QCOMPARE(rs.rowid(), qint64(-1));
        rs.setField(QStringLiteral("Ca3Cod"), QStringLiteral("D'Àvila"));
        rs.setField(QStringLiteral("Ca3Fal"), QVariant());   // an explicit Null binds too
        rs.update();
        QCOMPARE(rs.text(QStringLiteral("Ca3Cod")), QStringLiteral("D'Àvila"));
        if (local_) {
            QCOMPARE(rs.rowid(), qint64(1));
            QCOMPARE(rs.text(QStringLiteral("Ca3Nom")), QStringLiteral("sin nombre"));   // read back
            rs.setField(QStringLiteral("Ca3Fal"), true);
            rs.update();
        }
        rs.addNew();
        rs.setField(QStringLiteral("Ca3Cod"), QStringLiteral("otro"));
        rs.cancelUpdate();
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM ca3")), QStringList{local_ ? "D'Àvila|sin nombre|-1" : "D'Àvila|sin nombre|<null>"});
    }

    void rollbackUndoesAndCommitKeeps()
    {
        cn.beginTrans();
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = ?"), {"1"});
        cn.execute(QStringLiteral("DELETE * FROM cta"));
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction());
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"8"});
        cn.beginTrans();
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = ?"), {"A1"}, cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("FacEst"), QStringLiteral("1"));
        rs.update();
        rs.close();
        cn.commitTrans();
        cn.close();
        Connection again;
        open(again);
        QCOMPARE(rowsOf(again, QStringLiteral("SELECT FacEst FROM fac3 ORDER BY rowid")), QStringList({"1", "0", "0", "1"}));
        if (!local_)
            Savepoint(again).release();    // a server is never written inside one: nothing to keep
    }

    // A disk that fills up makes SQLite drop the whole transaction: nothing
    // may then run as if it were still there, and nothing of it is kept.
    void aLostTransactionRunsNothingMore()
    {
        if (!local_)
            QSKIP("local databases only");
        const int pages = rowsOf(cn, QStringLiteral("PRAGMA page_count")).value(0).toInt();
        cn.execute(QStringLiteral("PRAGMA max_page_count = ") + QString::number(pages + 1));
        Recordset editable;
        cn.beginTrans();
        cn.execute(QStringLiteral("INSERT INTO fac3 VALUES ('C1', 1, '0', 0)"));
        editable.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = ?"), {"C1"}, cn, adOpenDynamic, adLockOptimistic);
        QString full;
        for (int i = 0; i < 100 && full.isEmpty(); ++i)
            full = failure([&] { cn.execute(QStringLiteral("INSERT INTO cta VALUES (randomblob(4000), ?)"), {i}); }).description;
        QVERIFY(cn.transactionLost());
        const std::function<void()> refused[] = {
            [&] { cn.execute(QStringLiteral("INSERT INTO fac3 VALUES (?, 1, '0', 0)"), {"Z9"}); },
            [&] { rs.open(QStringLiteral("SELECT * FROM fac3"), cn); },
            [&] { editable.setField(QStringLiteral("FacEst"), QStringLiteral("1")); editable.update(); },
            [&] { editable.addNew(); editable.setField(QStringLiteral("FacNum"), QStringLiteral("Z8")); editable.update(); },
            [&] { Savepoint s(cn); },
            [&] { cn.commitTrans(); },
        };
        for (const auto& body : refused) {
            const Failure f = failure(body);
            QCOMPARE(f.number, kCannotOpen);
            QVERIFY2(f.description.startsWith(QStringLiteral("La transacción de la base de datos "
                                                             "'F:\\noctaris\\enlace3.MDB' se ha deshecho por un "
                                                             "error anterior (") + full),
                     qPrintable(f.description));
        }
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction() && !cn.transactionLost());
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = ? WHERE FacNum = ?"), {"2", "B1"});
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacNum || FacEst FROM fac3 ORDER BY rowid")),
                 QStringList({"A10", "A20", "A20", "B12"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"8"});
    }

    void savepointsUndoAlone()
    {
        if (!local_)
            QSKIP("local databases only");
        QCOMPARE(failure([&] { Savepoint outside(cn); }).number, kCannotOpen);
        cn.beginTrans();
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '1' WHERE FacNum = ?"), {"A1"});
        {
            Savepoint kept(cn);
            cn.execute(QStringLiteral("INSERT INTO fac3 (FacNum) VALUES (?)"), {"C1"});
            {
                Savepoint undone(cn);
                cn.execute(QStringLiteral("DELETE * FROM cta"));
                cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '9'"));
            }
            kept.release();
        }
        {
            Savepoint dropped(cn);
            cn.execute(QStringLiteral("DELETE * FROM fac3"));
        }
        cn.commitTrans();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT rowid || FacNum || ifnull(FacEst, '-') FROM fac3 ORDER BY rowid")),
                 QStringList({"1A11", "2A20", "3A20", "4B11", "5C1-"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"8"});
    }

    void compiledStatementsFollowTheSchemaAndReleaseTheFile()
    {
        if (!local_)
            QSKIP("local databases only");
        const QString sql = QStringLiteral("SELECT * FROM ca3 WHERE Ca3Cod = ?");
        cn.execute(QStringLiteral("INSERT INTO ca3 (Ca3Cod) VALUES (?)"), {"K"});
        QCOMPARE(rowsOf(cn, sql, {"K"}), QStringList{"K|sin nombre|<null>"});
        cn.execute(QStringLiteral("ALTER TABLE ca3 ADD COLUMN Ca3Dig TEXT DEFAULT 'N'"));
        QCOMPARE(rowsOf(cn, sql, {"K"}), QStringList{"K|sin nombre|<null>|N"});
        QSqlQuery pragma(cn.database());
        QVERIFY(pragma.exec(QStringLiteral("PRAGMA synchronous")) && pragma.next());
        QCOMPARE(pragma.value(0).toInt(), 2);   // FULL: every commit reaches the disk
        pragma.finish();
        QCOMPARE(handlesOn(file_), 1);
        cn.close();
        QCOMPARE(handlesOn(file_), 0);   // nothing compiled keeps the file open
    }
};

QTEST_GUILESS_MAIN(TestAdo)
#include "test_ado.moc"
