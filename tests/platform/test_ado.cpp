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
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>
#include <optional>

using namespace ado;

namespace {

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ");

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
        lines << QString();
        for (int i = 0; i < rs.fieldCount(); ++i)
            lines.last() += (i ? "|" : "") + (rs.isNull(rs.fieldName(i)) ? QStringLiteral("<null>") : rs.text(rs.fieldName(i)));
    }
    return lines;
}

} // namespace

class TestAdo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    platform::DriveMap drives_{root_.path()};
    QString savedCwd_, file_;
    bool local_ = true;
    Connection cn;
    Recordset rs;

    void open(Connection& c)
    {
        c.setDriveMap(&drives_);
        c.open(local_ ? kJet + "F:\\noctaris\\enlace3.MDB" : testsupport::sqlServerConnectionString("S", "CATALOGO"));
    }
    // An editable recordset, as the link opens its own tables.
    void edit(const QString& sql, const Values& values = {}) { rs.open(sql, values, cn, adOpenDynamic, adLockOptimistic); }
    QStringList rows(const QString& sql) { return rowsOf(cn, sql); }

private Q_SLOTS:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("local");
        QTest::newRow("sqlite") << true;
        QTest::newRow("odbc") << false;
    }

    void initTestCase()
    {
        QVERIFY(QDir().mkpath(root_.filePath("f:/NOCTARIS")));
        QString error;
        QVERIFY2(testsupport::installOdbcStandin(root_.path(), &error), qPrintable(error));
        savedCwd_ = QDir::currentPath();   // the ODBC driver takes Database= relative to the current folder
        QVERIFY(QDir::setCurrent(root_.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(savedCwd_); }

    void init()
    {
        QTest::failOnWarning(QRegularExpression("still in use"));
        QFETCH_GLOBAL(bool, local);
        local_ = local;
        file_ = root_.filePath(local_ ? "f:/NOCTARIS/Enlace3.MDB" : "CATALOGO");
        QFile::remove(file_);
        testsupport::buildDatabase(
            file_, {"CREATE TABLE fac3 (FacNum TEXT(12), FacImp DOUBLE, FacEst TEXT(1), FacTasa SMALLINT)",
                    "INSERT INTO fac3 VALUES ('A1', 100.5, '0', 0), ('A2', 20, '0', 0), ('A2', 20, '0', 0), ('B1', NULL, '1', -1)",
                    "CREATE TABLE cta (Cta TEXT, Ord INTEGER)",
                    "INSERT INTO cta VALUES ('10', 1), ('9', 2), ('A12', 3), ('2.5', 4), (' 3 4x', 5), (NULL, 6), ('-1.5.2', 7), "
                    "('O''Neill', 12)",
                    "CREATE TABLE ca3 (Ca3Cod TEXT, Ca3Nom TEXT DEFAULT 'sin nombre', Ca3Fal BIT)"});
        open(cn);
    }

    void cleanup() { rs.close(), cn.close(); }

    void failuresCarryTheProviderNumberAndWhatFailed()
    {
        QCOMPARE(cn.localPath(), local_ ? file_ : QString());   // the mapped file whatever its case
        const QString name = cn.database().connectionName();
        cn.close();
        QVERIFY(cn.state() == adStateClosed && !QSqlDatabase::contains(name));
        const struct { bool local; QString string, source, description; } cases[] = {
            {true, kJet + "Z:\\noctaris\\cli.MDB", "Z:\\noctaris\\cli.MDB", "No se pudo encontrar el archivo 'Z:\\noctaris\\cli.MDB'."},
            {false, "Driver={Sin Driver};Server=S;Database=CATALOGO;", "S", {}}};
        for (const auto& c : cases) {
            if (c.local != local_)
                continue;
            const Failure f = failure([&] { cn.open(c.string); });
            QCOMPARE(QString::number(f.number) + f.source, QString::number(kCannotOpen) + c.source);
            QVERIFY2((c.description.isEmpty() || f.description == c.description) && cn.state() == adStateClosed,
                     qPrintable(f.description));
        }
        QCOMPARE(QDir(root_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"f:"});
        // Failed statements carry the provider's number and the statement as run.
        open(cn);
        const struct { bool open; const char* statement; Values values; qint64 number; const char* source; } statements[] = {
            {true, "SELECT * FROM ctas3 WHERE Cuenta = ?", {"4'3"}, kNoSuchTable, "SELECT * FROM ctas3 WHERE Cuenta = '4''3'"},
            {true, "SELECT Ca3Tasa FROM ca3", {}, kNoSuchColumn, nullptr},
            {false, "UPDATE fac3 SET FacTasa = ? WHERE FacFal = ?", {0, "1"}, kNoSuchColumn, "UPDATE fac3 SET FacTasa = 0 WHERE FacFal = '1'"},
            {false, "ESTO NO ES SQL", {}, kCannotOpen, nullptr}};
        for (const auto& c : statements) {
            const QString sql = QString::fromLatin1(c.statement);
            const Failure f = failure([&] { c.open ? rs.open(sql, c.values, cn) : cn.execute(sql, c.values); });
            QCOMPARE(QString::number(f.number) + f.source + (rs.isOpen() ? " (left open)" : ""),
                     QString::number(c.number) + (c.source ? QString::fromLatin1(c.source) : sql));
        }
        if (local_) {
            // A text with two statements runs neither; marks and values must pair up.
            QVERIFY(failure([&] { cn.execute("UPDATE fac3 SET FacEst = '9'; DELETE FROM fac3"); }).number);
            QCOMPARE(failure([&] { cn.execute("UPDATE fac3 SET FacEst = ?", {"1", "2"}); }).description,
                     "La sentencia no recibe un valor por cada marca \"?\": tiene 1 y recibe 2 valores.");
            QCOMPARE(rows("SELECT count(*) FROM fac3 WHERE FacEst IN ('0', '1')"), QStringList{"4"});
        }
        cn.close();
        QCOMPARE(failure([&] { cn.execute("DELETE FROM fac3"); }).number, kObjectClosed);
    }

    void boundValuesMeanWhatTheirLiteralsSay()
    {
        const struct { const char* statement; Values values; const char* text; } cases[] = {
            {"UPDATE fac3 SET FacTra = ? WHERE FacNum = ?", {yesNo(true), "O'B''"}, "UPDATE fac3 SET FacTra = -1 WHERE FacNum = 'O''B'''''"},
            {"SELECT '?', [a?], \"b?\", `c?` FROM t WHERE x = ? -- ?\nAND y = 'it''s ?' AND z = ? /* ? */",
             {"1", "2"}, "SELECT '?', [a?], \"b?\", `c?` FROM t WHERE x = '1' -- ?\nAND y = 'it''s ?' AND z = '2' /* ? */"},
            // A lone '-' or '/' opens no comment.
            {"SELECT a-b, c / d FROM t WHERE x = ?-1 AND y = ?", {"1", "2"}, "SELECT a-b, c / d FROM t WHERE x = '1'-1 AND y = '2'"},
            {"x = ? AND y = ?", {"solo"}, "x = 'solo' AND y = ?"}, {"x = ?", {"1", "sobra"}, "x = '1'"}, {"x = '?", {"1"}, "x = '?"}};
        for (const auto& c : cases)
            QCOMPARE(render(QString::fromUtf8(c.statement), c.values), QString::fromUtf8(c.text));
        // A bound value and its rendered literal select the same.
        const QString nasty = "O'Brien'); DELETE FROM fac3; --";
        const Values values = {nasty, "Àvila", QString(""), QVariant(), 7, qint64(-4300000012345), 2.5, 3.0, -0.1, true,
                               std::nan(""), QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)), QByteArray("\0a", 2)};
        const QString shape = "SELECT typeof(?) || '|' || quote(?) AS v FROM fac3 WHERE FacNum = ?";
        for (const QVariant& v : values) {
            const QStringList asText = rowsOf(cn, render(shape, {v, v, "B1"}));
            QVERIFY(rowsOf(cn, shape, {v, v, "B1"}) == asText && asText.size() == 1);
        }
        // One compiled text answers each time for its own values; a quoted
        // number against a number column compares as the column says.
        const QString lookup = "SELECT Ord FROM cta WHERE Cta = ? OR Ord = ?";
        QCOMPARE(rowsOf(cn, lookup, {"O'Neill", 0}) + rowsOf(cn, lookup, {"x' OR '1' = '1", 2}) + rowsOf(cn, lookup, {QVariant(), QVariant()})
                     + rowsOf(cn, "SELECT Ord FROM cta WHERE Ord = ?", {"12"}), QStringList({"12", "2", "12"}));
        cn.execute("INSERT INTO fac3 VALUES (?, ?, ?, ?)", {nasty, 12.25, QVariant(), yesNo(true)});
        QCOMPARE(rowsOf(cn, "SELECT * FROM fac3 WHERE FacNum = ?", {nasty}), QStringList{nasty + "|12.25|<null>|-1"});
        QCOMPARE(rows("SELECT count(*) FROM fac3"), QStringList{"5"});
    }

    void fieldsAreReadByNameIgnoringCase()
    {
        rs.open("SELECT * FROM fac3 ORDER BY FacNum DESC", cn);
        QVERIFY(rs.recordCount() == 4 && rs.text("facnum") == "B1" && rs.isNull("FACIMP") && !rs.field("FacImp").isValid());
        QVERIFY(rs.number("FacImp") == 0.0 && isYes(rs.field("FacTasa")));
        QCOMPARE(failure([&] { rs.field("Nada"); }).number, kItemNotFound);
        for (int i = 0; i < 3; ++i)
            rs.moveNext();
        QCOMPARE(rs.number("FacImp"), 100.5);
        rs.moveNext();
        QVERIFY(rs.eof() && failure([&] { rs.field("FacNum"); }).number == kNoCurrentRecord
                && failure([&] { rs.moveNext(); }).number == kNoCurrentRecord);
        rs.moveFirst();
        QCOMPARE(rs.text("FacNum"), "B1");
        rs.open("SELECT * FROM fac3 WHERE FacNum = ?", {"nada"}, cn);
        QVERIFY(rs.eof() && rs.bof() && rs.recordCount() == 0);
        const QList<QPair<QVariant, bool>> flags = {{-1, true}, {1, true}, {2, true}, {"true", true}, {" yes ", true}, {"x", true},
                                                    {QVariant(), false}, {0, false}, {0.0, false}, {"0", false}, {" 0.0 ", false},
                                                    {QString(), false}, {"  ", false}, {"No", false}, {"FALSE", false}, {"falso", false}};
        for (const auto& [v, yes] : flags)
            QVERIFY2(isYes(v) == yes, qPrintable(v.toString()));
        if (local_)
            QCOMPARE(rows("SELECT Cta, val(Cta) FROM cta WHERE Ord < 8 ORDER BY val(Cta), Cta"),
                     QStringList({"<null>|<null>", "-1.5.2|-1.5", "A12|0", "2.5|2.5", "9|9", "10|10", " 3 4x|34"}));
    }

    // Rows handed one at a time read every field as a recordset reads it,
    // and the statement stays usable: run again inside its own loop, left by
    // a throw, or failing.
    void rowsHandedOneAtATimeReadAsARecordsetDoes()
    {
        const QStringList statements = {"SELECT * FROM fac3 ORDER BY rowid", "SELECT * FROM cta ORDER BY Ord",
                                        "SELECT Cta AS cTa, Ord * 2.5 AS Doble FROM cta WHERE Ord > ? ORDER BY Ord"};
        for (const QString& sql : statements) {
            const Values values = sql.contains('?') ? Values{3} : Values{};
            Recordset whole;
            whole.open(sql, values, cn);
            int seen = 0;
            Rows::each(cn, sql, values, [&](const Row& row) {
                QVERIFY(!whole.eof());
                for (int i = 0; i < whole.fieldCount(); ++i) {
                    const QString name = whole.fieldName(i);
                    const int c = row.column(name.toUpper());
                    QCOMPARE(c, i);
                    QCOMPARE(row.isNull(c), whole.isNull(name));
                    QCOMPARE(row.text(c), whole.text(name));
                    QCOMPARE(row.number(c), whole.number(name));
                    QCOMPARE(row.field(c), whole.field(name));
                }
                QCOMPARE(failure([&] { row.column("Nada"); }).number, kItemNotFound);
                whole.moveNext();
                ++seen;
            });
            QVERIFY2(whole.eof() && seen == whole.recordCount(), qPrintable(sql));
        }

        const QString byKey = "SELECT * FROM fac3 WHERE FacNum >= ? ORDER BY rowid";
        QStringList outer, inner;
        Rows::each(cn, byKey, {"A2"}, [&](const Row& row) {
            outer << row.text(0);
            Rows::each(cn, byKey, {"B"}, [&](const Row& r) { inner << r.text(0); });
        });
        QCOMPARE(outer, QStringList({"A2", "A2", "B1"}));
        QCOMPARE(inner, QStringList({"B1", "B1", "B1"}));
        QCOMPARE(failure([&] { Rows::each(cn, byKey, {"A"}, [](const Row&) { throw Error(7, "parada", "prueba"); }); }).number, 7);
        QStringList again;
        Rows::each(cn, byKey, {"A"}, [&](const Row& row) { again << row.text(0); });
        QCOMPARE(again, QStringList({"A1", "A2", "A2", "B1"}));
        QVERIFY(failure([&] { Rows::each(cn, "SELECT * FROM nada", {}, [](const Row&) {}); }).number != 0);
    }

    // A result of thousands of rows keeps every field where it was read, and
    // a row written back or added among them changes that row only.
    void largeResultsKeepEveryRow()
    {
        cn.beginTrans();
        for (int i = 0; i < 1500; ++i)
            cn.execute("INSERT INTO cta VALUES (?, ?)", {QString::number(i * 7), 100 + i});
        cn.commitTrans();
        edit("SELECT * FROM cta WHERE Ord >= 100 ORDER BY Ord");
        QCOMPARE(rs.recordCount(), 1500);
        for (int i = 0; i < 1500; ++i, rs.moveNext()) {
            QVERIFY(rs.text("Cta") == QString::number(i * 7) && rs.number("Ord") == 100 + i);
            if (i == 31 || i == 32 || i == 1055 || i == 1056) {
                rs.setField("Cta", "cambiada");
                rs.update();
            }
        }
        rs.addNew();
        rs.setField("Cta", "nueva");
        rs.setField("Ord", 5000);
        rs.update();
        QVERIFY(rs.text("Cta") == "nueva" && rs.recordCount() == 1501);
        rs.moveFirst();
        QStringList texts;
        for (; !rs.eof(); rs.moveNext())
            texts << rs.text("Cta");
        for (int i : {31, 32, 1055, 1056})
            QCOMPARE(texts.at(i), "cambiada");
        QVERIFY(texts.at(30) == "210" && texts.at(33) == "231" && texts.at(1054) == "7378" && texts.at(1057) == "7399"
                && texts.at(1499) == "10493" && texts.at(1500) == "nueva");
        QCOMPARE(rows("SELECT Cta FROM cta WHERE Ord IN (131, 132, 1155, 1156, 5000) ORDER BY Ord"),
                 QStringList({"cambiada", "cambiada", "cambiada", "cambiada", "nueva"}));
    }

    void onlyTheWholeTableShapeCanBeWrittenBack()
    {
        const struct { const char* sql; bool updatable; } cases[] = {
            {"  select\t*\nfrom [fac3] where FacNum = ?", true}, {"SELECT * FROM fac3 ; ", true},
            {"SELECT * FROM fac3 WHERE(FacNum = ?)", true}, {"SELECT *, FacNum FROM fac3", false},
            {"SELECT * FROM fac3 AS c WHERE c.FacNum = ?", false}, {"SELECT * FROM fac3 GROUP BY FacNum", false},
            {"SELECT FacNum FROM fac3", false}, {"SELECT * FROM fac3, cta", false}};
        for (const auto& c : cases) {
            edit(c.sql, QByteArray(c.sql).contains('?') ? Values{"A1"} : Values());
            QVERIFY2(rs.isUpdatable() == c.updatable && (c.updatable || failure([&] { rs.addNew(); }).number == kNotUpdatable), c.sql);
        }
        rs.open("SELECT * FROM fac3", cn, adOpenDynamic, adLockReadOnly);
        QCOMPARE(failure([&] { rs.setField("FacEst", "1"); }).number, kNotUpdatable);
    }

    void editableRecordsetsWriteTheRowTheyRead()
    {
        edit("SELECT * FROM [fac3] WHERE FacNum = ?", {"A2"});
        rs.moveNext();
        QVERIFY(rs.fieldCount() == 4 && rs.rowid() == (local_ ? 3 : -1));   // a rowid stays hidden
        rs.setField("facest", "1");
        rs.setField("FacTasa", true);
        QCOMPARE(rs.text("FacEst"), "1");
        rs.update();
        // Locally only the current one of two identical rows changes; a server
        // without a key finds the row by its values and changes both.
        QCOMPARE(rows("SELECT FacEst || FacTasa FROM fac3 WHERE FacNum = 'A2' ORDER BY rowid"),
                 local_ ? QStringList({"00", "1-1"}) : QStringList({"1-1", "1-1"}));
        // Moving on writes a pending change; on a server a row changed since
        // it was read is not overwritten.
        edit("SELECT * FROM fac3 WHERE FacEst = '0'");
        rs.setField("FacImp", QVariant());
        rs.moveNext();
        edit("SELECT * FROM fac3 WHERE FacNum = 'A1'");
        cn.execute("UPDATE fac3 SET FacEst = '5' WHERE FacNum = 'A1'");
        rs.setField("FacEst", "6");
        QCOMPARE(failure([&] { rs.update(); }).number, local_ ? 0 : kRowNotFound);
        QCOMPARE(rows("SELECT FacImp, FacEst FROM fac3 WHERE FacNum = 'A1'"), QStringList{local_ ? "<null>|6" : "<null>|5"});
        rs.setField("FacEst", "7");
        cn.close();
        QCOMPARE(failure([&] { rs.update(); }).number, kObjectClosed);
        // A new row shows what the database filled in.
        open(cn);
        edit("SELECT * FROM ca3");
        rs.addNew();
        rs.setField("Ca3Cod", "D'Àvila");
        rs.setField("Ca3Fal", QVariant());   // an explicit Null binds too
        rs.update();
        // Locally the new row is read back, and can be changed again at once.
        QCOMPARE(rs.text("Ca3Cod") + (local_ ? QString::number(rs.rowid()) + rs.text("Ca3Nom") : QString()),
                 local_ ? "D'Àvila1sin nombre" : "D'Àvila");
        if (local_) {
            rs.setField("Ca3Fal", true);
            rs.update();
        }
        rs.addNew();
        rs.setField("Ca3Cod", "otro");
        rs.cancelUpdate();
        rs.close();
        QCOMPARE(rows("SELECT * FROM ca3"), QStringList{local_ ? "D'Àvila|sin nombre|-1" : "D'Àvila|sin nombre|<null>"});
    }

    void rollbackUndoesAndCommitKeeps()
    {
        cn.beginTrans();
        cn.execute("UPDATE fac3 SET FacEst = ?", {"1"});
        cn.execute("DELETE * FROM cta");
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction() && rows("SELECT count(*) FROM cta") == QStringList{"8"});
        cn.beginTrans();
        edit("SELECT * FROM fac3 WHERE FacNum = ?", {"A1"});
        rs.setField("FacEst", "1");
        rs.update();
        rs.close();
        cn.commitTrans();
        cn.close();
        Connection again;
        open(again);
        QCOMPARE(rowsOf(again, "SELECT FacEst FROM fac3 ORDER BY rowid"), QStringList({"1", "0", "0", "1"}));
    }

    // Savepoints, compiled statements and a lost transaction exist on local
    // files only.
    void localTransactionsAndStatements()
    {
        if (!local_)
            QSKIP("local databases only");
        // A savepoint undoes alone what was done since, unless released.
        QCOMPARE(failure([&] { Savepoint outside(cn); }).number, kCannotOpen);
        cn.beginTrans();
        cn.execute("UPDATE fac3 SET FacEst = '1' WHERE FacNum = ?", {"A1"});
        std::optional<Savepoint> kept(std::in_place, cn), undone;
        cn.execute("INSERT INTO fac3 (FacNum) VALUES (?)", {"C1"});
        undone.emplace(cn);
        cn.execute("DELETE * FROM cta");
        undone.reset();
        kept->release();
        kept.emplace(cn);
        cn.execute("DELETE * FROM fac3");
        kept.reset();
        cn.commitTrans();
        QCOMPARE(rows("SELECT rowid || FacNum || ifnull(FacEst, '-') FROM fac3 ORDER BY rowid"),
                 QStringList({"1A11", "2A20", "3A20", "4B11", "5C1-"}));
        QCOMPARE(rows("SELECT count(*) FROM cta"), QStringList{"8"});

        // A compiled statement follows a change of the schema.
        const QString sql = "SELECT * FROM ca3 WHERE Ca3Cod = ?";
        cn.execute("INSERT INTO ca3 (Ca3Cod) VALUES (?)", {"K"});
        QCOMPARE(rowsOf(cn, sql, {"K"}), QStringList{"K|sin nombre|<null>"});
        cn.execute("ALTER TABLE ca3 ADD COLUMN Ca3Dig TEXT DEFAULT 'N'");
        QCOMPARE(rowsOf(cn, sql, {"K"}), QStringList{"K|sin nombre|<null>|N"});
        QCOMPARE(rows("PRAGMA synchronous"), QStringList{"2"});   // FULL: every commit reaches the disk

        // A disk that fills up makes SQLite drop the whole transaction: nothing
        // may then run as if it were still there, and nothing of it is kept.
        cn.execute("PRAGMA max_page_count = " + QString::number(rows("PRAGMA page_count").value(0).toInt() + 1));
        Recordset editable;
        cn.beginTrans();
        cn.execute("INSERT INTO fac3 VALUES ('C2', 1, '0', 0)");
        editable.open("SELECT * FROM fac3 WHERE FacNum = ?", {"C2"}, cn, adOpenDynamic, adLockOptimistic);
        QString full;
        for (int i = 0; i < 100 && full.isEmpty(); ++i)
            full = failure([&] { cn.execute("INSERT INTO cta VALUES (randomblob(4000), ?)", {i}); }).description;
        QVERIFY(cn.transactionLost());
        const std::function<void()> refused[] = {
            [&] { cn.execute("INSERT INTO fac3 VALUES (?, 1, '0', 0)", {"Z9"}); }, [&] { rs.open("SELECT * FROM fac3", cn); },
            [&] { Savepoint s(cn); }, [&] { cn.commitTrans(); }, [&] { editable.setField("FacEst", "1"); editable.update(); },
            [&] { editable.addNew(); editable.setField("FacNum", "Z8"); editable.update(); }};
        for (const auto& body : refused) {
            const Failure f = failure(body);
            QVERIFY2(f.number == kCannotOpen && f.description.startsWith("La transacción de la base de datos 'F:\\noctaris\\enlace3.MDB' "
                                                                       "se ha deshecho por un error anterior (" + full), qPrintable(f.description));
        }
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction() && !cn.transactionLost());
        cn.execute("UPDATE fac3 SET FacEst = ? WHERE FacNum = ?", {"2", "B1"});
        QCOMPARE(rows("SELECT FacNum || ifnull(FacEst, '-') FROM fac3 ORDER BY rowid"), QStringList({"A11", "A20", "A20", "B12", "C1-"}));
        QCOMPARE(rows("SELECT count(*) FROM cta"), QStringList{"8"});
    }
};

QTEST_GUILESS_MAIN(TestAdo)
#include "test_ado.moc"
