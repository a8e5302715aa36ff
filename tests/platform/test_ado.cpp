#include "platform/ado.h"
#include "support/fixtures.h"
#include "platform/drive_map.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace ado;

namespace {

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ");

using testsupport::buildDatabase;

// Every row of a statement as "a|b|c" lines (Null as <null>).
QStringList rowsOf(Connection& cn, const QString& statement)
{
    Recordset rs;
    rs.open(statement, cn);
    QStringList lines;
    while (!rs.eof()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i) {
            const QString name = rs.fieldName(i);
            cells << (rs.isNull(name) ? QStringLiteral("<null>") : rs.text(name));
        }
        lines << cells.join(QLatin1Char('|'));
        rs.moveNext();
    }
    rs.close();
    return lines;
}

template <typename Body>
qint64 errorNumber(Body body, QString* description = nullptr, QString* source = nullptr)
{
    try {
        body();
    } catch (const Error& e) {
        if (description)
            *description = e.description();
        if (source)
            *source = e.source();
        return e.number();
    }
    return 0;
}

} // namespace

class TestAdo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    std::unique_ptr<platform::DriveMap> drives_;
    QString enlace_;
    // The link database of each test, open, and a recordset for it.
    Connection cn;
    Recordset rs;

    void openLink(Connection& cn)
    {
        cn.setDriveMap(drives_.get());
        cn.open(kJet + QStringLiteral("F:\\noctaris\\enlace3.MDB"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        QVERIFY(QDir().mkpath(root_.filePath(QStringLiteral("f:/NOCTARIS"))));
        drives_ = std::make_unique<platform::DriveMap>(root_.path());
    }

    void init()
    {
        // Closing must release every QtSql connection cleanly.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
        enlace_ = root_.filePath(QStringLiteral("f:/NOCTARIS/Enlace3.MDB"));
        QFile::remove(enlace_);
        buildDatabase(enlace_,
                      {QStringLiteral("CREATE TABLE fac3 (FacNum TEXT(12), FacImp DOUBLE, FacEst TEXT(1), FacTasa BIT)"),
                       QStringLiteral("INSERT INTO fac3 VALUES ('A1', 100.5, '0', 0)"),
                       QStringLiteral("INSERT INTO fac3 VALUES ('A2', 20, '0', 0)"),
                       QStringLiteral("INSERT INTO fac3 VALUES ('A2', 20, '0', 0)"),
                       QStringLiteral("INSERT INTO fac3 VALUES ('B1', NULL, '1', -1)"),
                       QStringLiteral("CREATE TABLE cta (Cta TEXT)"),
                       QStringLiteral("INSERT INTO cta VALUES ('10'), ('9'), ('A12'), ('2.5'), (' 3 4x'), (NULL), ('-1.5.2')"),
                       QStringLiteral("CREATE TABLE ca3 (Ca3Cod TEXT, Ca3Nom TEXT DEFAULT 'sin nombre', Ca3Fal BIT)")});
        openLink(cn);
    }

    void cleanup()
    {
        rs.close();
        cn.close();
        cn.trace = false;
        cn.executed.clear();
    }

    void opensTheMappedFileWhateverItsCase()
    {
        Connection cn;
        cn.setDriveMap(drives_.get());
        cn.open(kJet + QStringLiteral("f:\\NOCTARIS\\ENLACE3.mdb;Jet OLEDB:Database Password=clave"));
        QCOMPARE(cn.state(), int(adStateOpen));
        QCOMPARE(cn.kind(), Connection::Kind::Jet);
        QCOMPARE(cn.localPath(), enlace_);
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacNum FROM fac3 WHERE FacEst = '1'")), QStringList{"B1"});
        const QString name = cn.database().connectionName();
        cn.close();
        QCOMPARE(cn.state(), int(adStateClosed));
        QVERIFY(!QSqlDatabase::contains(name));
    }

    void missingFileIsCannotOpenAndCreatesNothing()
    {
        Connection cn;
        cn.setDriveMap(drives_.get());
        QString description, source;
        QCOMPARE(errorNumber([&] { cn.open(kJet + QStringLiteral("F:\\noctaris\\cli.MDB")); }, &description, &source),
                 kCannotOpen);
        QCOMPARE(description, QStringLiteral("No se pudo encontrar el archivo 'F:\\noctaris\\cli.MDB'."));
        QCOMPARE(source, QStringLiteral("F:\\noctaris\\cli.MDB"));
        QCOMPARE(QDir(root_.filePath(QStringLiteral("f:/NOCTARIS"))).entryList(QDir::Files),
                 QStringList{"Enlace3.MDB"});
        QCOMPARE(errorNumber([&] { cn.open(kJet + QStringLiteral("Z:\\noctaris\\emi.MDB")); }), kCannotOpen);
        QVERIFY(!QFileInfo::exists(root_.filePath(QStringLiteral("z:"))));
        QCOMPARE(cn.state(), int(adStateClosed));
    }

    void fileThatIsNotADatabaseIsCannotOpenAndStaysAsItWas()
    {
        const QString path = root_.filePath(QStringLiteral("f:/NOCTARIS/emi.MDB"));
        for (const QByteArray& content : {QByteArray("Standard Jet DB ....."), QByteArray()}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
            f.close();
            Connection cn;
            cn.setDriveMap(drives_.get());
            QString description;
            QCOMPARE(errorNumber([&] { cn.open(kJet + QStringLiteral("F:\\noctaris\\emi.MDB")); }, &description),
                     kCannotOpen);
            QCOMPARE(description, QStringLiteral("No se reconoce el formato de base de datos 'F:\\noctaris\\emi.MDB'."));
            QFile check(path);
            QVERIFY(check.open(QIODevice::ReadOnly));
            QCOMPARE(check.readAll(), content);
        }
        QFile::remove(path);
    }

    void missingTableAndColumnCarryTheirNumbers()
    {
        QString description;
        QCOMPARE(errorNumber([&] { rs.open(QStringLiteral("SELECT * FROM ctas3"), cn); }, &description), kNoSuchTable);
        QCOMPARE(description, QStringLiteral("no such table: ctas3"));
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("DELETE * FROM edep3")); }), kNoSuchTable);
        QCOMPARE(errorNumber([&] { rs.open(QStringLiteral("SELECT Ca3Tasa FROM ca3"), cn); }, &description),
                 kNoSuchColumn);
        QCOMPARE(description, QStringLiteral("no such column: Ca3Tasa"));
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("UPDATE fac3 SET FacTasa = 0 WHERE FacFal = '1'")); }),
                 kNoSuchColumn);
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("INSERT INTO ca3 (Ca3Exp) VALUES ('x')")); }),
                 kNoSuchColumn);
        QVERIFY(!rs.isOpen());
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("ESTO NO ES SQL")); }), kCannotOpen);
    }

    void valHasVisualBasicMeaning()
    {
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT Cta, val(Cta) AS v FROM cta ORDER BY val(Cta), Cta")),
                 QStringList({"<null>|<null>", "-1.5.2|-1.5", "A12|0", "2.5|2.5", "9|9", "10|10", " 3 4x|34"}));
    }

    void readingFieldsByNameIgnoringCase()
    {
        rs.open(QStringLiteral("SELECT * FROM fac3 ORDER BY FacNum DESC"), cn, adOpenDynamic, adLockReadOnly);
        QCOMPARE(rs.recordCount(), qint64(4));
        QVERIFY(!rs.bof());
        QCOMPARE(rs.text(QStringLiteral("facnum")), QStringLiteral("B1"));
        QVERIFY(rs.isNull(QStringLiteral("FACIMP")));
        QVERIFY(!rs.field(QStringLiteral("FacImp")).isValid());
        QCOMPARE(rs.text(QStringLiteral("FacImp")), QString());
        QCOMPARE(rs.number(QStringLiteral("FacImp")), 0.0);
        QVERIFY(isYes(rs.field(QStringLiteral("FacTasa"))));
        QCOMPARE(rs.number(QStringLiteral("FacEst")), 1.0);
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("Nada")); }), kItemNotFound);
        rs.moveNext();
        QCOMPARE(rs.number(QStringLiteral("FacImp")), 20.0);
        rs.moveNext();
        rs.moveNext();
        QCOMPARE(rs.number(QStringLiteral("FacImp")), 100.5);
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("FacNum")); }), kNoCurrentRecord);
        QCOMPARE(errorNumber([&] { rs.moveNext(); }), kNoCurrentRecord);
        rs.moveFirst();
        QCOMPARE(rs.text(QStringLiteral("FacNum")), QStringLiteral("B1"));
        rs.close();
        QCOMPARE(rs.state(), int(adStateClosed));

        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'nada'"), cn);
        QVERIFY(rs.eof());
        QVERIFY(rs.bof());
        QCOMPARE(rs.recordCount(), qint64(0));
    }

    void updateWritesTheCurrentRowByRowid()
    {
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'A2'"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(rs.isUpdatable());
        QCOMPARE(rs.fieldCount(), 4); // the rowid stays hidden
        rs.moveNext();
        rs.setField(QStringLiteral("facest"), QStringLiteral("1"));
        rs.setField(QStringLiteral("FacTasa"), true);
        QCOMPARE(rs.text(QStringLiteral("FacEst")), QStringLiteral("1"));
        rs.update();
        rs.close();
        // Of two identical rows only the one that was current changes.
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM fac3 ORDER BY rowid")),
                 QStringList({"A1|100.5|0|0", "A2|20|0|0", "A2|20|1|-1", "B1|<null>|1|-1"}));

        // Moving on writes a pending change, as the original objects did.
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacEst = '0'"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("FacImp"), QVariant());
        rs.moveNext();
        QVERIFY(!rs.eof());
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacNum, FacImp FROM fac3 WHERE FacNum = 'A1'")),
                 QStringList{"A1|<null>"});
    }

    void addNewInsertsAndBecomesCurrent()
    {
        rs.open(QStringLiteral("SELECT * FROM ca3"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(rs.eof());
        rs.addNew();
        rs.setField(QStringLiteral("Ca3Cod"), QStringLiteral("KOVE3"));
        rs.setField(QStringLiteral("Ca3Fal"), false);
        rs.update();
        QVERIFY(!rs.eof());
        QCOMPARE(rs.text(QStringLiteral("Ca3Cod")), QStringLiteral("KOVE3"));
        QCOMPARE(rs.text(QStringLiteral("Ca3Nom")), QStringLiteral("sin nombre")); // the default, read back
        rs.setField(QStringLiteral("Ca3Fal"), true);
        rs.update();
        rs.addNew();
        rs.setField(QStringLiteral("Ca3Cod"), QStringLiteral("O'Neill"));
        rs.cancelUpdate();
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM ca3")), QStringList{"KOVE3|sin nombre|-1"});
    }

    void onlySingleTableSelectStarIsUpdatable()
    {
        rs.open(QStringLiteral("SELECT * FROM fac3"), cn, adOpenDynamic, adLockReadOnly);
        QCOMPARE(errorNumber([&] { rs.setField(QStringLiteral("FacEst"), QStringLiteral("1")); }), kNotUpdatable);
        rs.open(QStringLiteral("SELECT FacNum FROM fac3"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(!rs.isUpdatable());
        QCOMPARE(errorNumber([&] { rs.addNew(); }), kNotUpdatable);
        rs.open(QStringLiteral("SELECT * FROM fac3, cta"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(!rs.isUpdatable());
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM fac3 WHERE FacEst = '1'")), QStringList{"1"});
    }

    void updateAfterTheConnectionClosedFails()
    {
        rs.open(QStringLiteral("SELECT * FROM fac3"), cn, adOpenDynamic, adLockOptimistic);
        cn.close();
        QCOMPARE(rs.text(QStringLiteral("FacNum")), QStringLiteral("A1")); // rows were read at open
        rs.setField(QStringLiteral("FacEst"), QStringLiteral("1"));
        QCOMPARE(errorNumber([&] { rs.update(); }), kObjectClosed);
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("DELETE FROM fac3")); }), kObjectClosed);
    }

    void doubledQuotesKeepAStatementIntact()
    {
        const QString nasty = QStringLiteral("O'Brien'); DELETE FROM fac3; --");
        cn.execute(QStringLiteral("INSERT INTO ca3 (Ca3Cod, Ca3Nom) VALUES ('1', '") + q(nasty) + QStringLiteral("')"));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT Ca3Nom FROM ca3 WHERE Ca3Nom = '") + q(nasty) + QStringLiteral("'")),
                 QStringList{nasty});
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM fac3")), QStringList{"4"});
        QCOMPARE(q(QStringLiteral("d'Àngel''s")), QStringLiteral("d''Àngel''''s"));
        QCOMPARE(q(QStringLiteral("sin comillas")), QStringLiteral("sin comillas"));
    }

    void yesIsReadFromEverySpelling()
    {
        for (const QVariant& v : {QVariant(-1), QVariant(1), QVariant(true), QVariant(QStringLiteral("true")),
                                  QVariant(QStringLiteral("-1")), QVariant(qlonglong(-1)), QVariant(-1.0)})
            QVERIFY2(isYes(v), qPrintable(v.toString()));
        for (const QVariant& v : {QVariant(), QVariant(0), QVariant(false), QVariant(QStringLiteral("0")),
                                  QVariant(QString()), QVariant(QStringLiteral("no")), QVariant(2)})
            QVERIFY2(!isYes(v), qPrintable(v.toString()));
    }

    void rollbackUndoesAndCommitKeeps()
    {
        cn.beginTrans();
        QVERIFY(cn.inTransaction());
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '1'"));
        cn.execute(QStringLiteral("DELETE * FROM cta"));
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction());
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacEst FROM fac3 ORDER BY rowid")),
                 QStringList({"0", "0", "0", "1"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"7"});

        cn.beginTrans();
        rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'A1'"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("FacEst"), QStringLiteral("1"));
        rs.update();
        rs.close();
        cn.commitTrans();
        cn.close();
        Connection again;
        openLink(again);
        QCOMPARE(rowsOf(again, QStringLiteral("SELECT FacEst FROM fac3 WHERE FacNum = 'A1'")), QStringList{"1"});
    }

    // A disk that fills up makes SQLite drop the whole transaction: nothing
    // may then run as if it were still there, and nothing of it is kept.
    void aLostTransactionRunsNothingMore()
    {
        const QString pages = rowsOf(cn, QStringLiteral("PRAGMA page_count")).value(0);
        cn.execute(QStringLiteral("PRAGMA max_page_count = ") + QString::number(pages.toInt() + 1));
        Recordset editable;
        cn.beginTrans();
        cn.execute(QStringLiteral("INSERT INTO fac3 VALUES ('C1', 1, '0', 0)"));
        editable.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'C1'"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(!cn.transactionLost());
        QString full;
        for (int i = 0; i < 100 && full.isEmpty(); ++i)
            errorNumber([&] { cn.execute(QStringLiteral("INSERT INTO cta VALUES (randomblob(4000))")); }, &full);
        QVERIFY(!full.isEmpty());
        QVERIFY(cn.transactionLost());

        const std::vector<std::pair<const char*, std::function<void()>>> refused = {
            {"execute", [&] { cn.execute(QStringLiteral("INSERT INTO fac3 VALUES ('Z9', 1, '0', 0)")); }},
            {"open", [&] { rs.open(QStringLiteral("SELECT * FROM fac3"), cn); }},
            {"update", [&] { editable.setField(QStringLiteral("FacEst"), QStringLiteral("1")); editable.update(); }},
            {"insert", [&] { editable.addNew(); editable.setField(QStringLiteral("FacNum"), QStringLiteral("Z8")); editable.update(); }},
            {"savepoint", [&] { Savepoint s(cn); }},
            {"commit", [&] { cn.commitTrans(); }},
        };
        for (const auto& [what, body] : refused) {
            QString description;
            QCOMPARE(errorNumber(body, &description), kCannotOpen);
            QVERIFY2(description.startsWith(QStringLiteral("La transacción de la base de datos 'F:\\noctaris\\enlace3.MDB' "
                                                           "se ha deshecho por un error anterior (") + full),
                     qPrintable(QString::fromLatin1(what) + QStringLiteral(": ") + description));
        }
        QVERIFY(cn.inTransaction());
        cn.rollbackTrans();
        QVERIFY(!cn.inTransaction() && !cn.transactionLost());
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '2' WHERE FacNum = 'B1'"));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT FacNum || FacEst FROM fac3 ORDER BY rowid")),
                 QStringList({"A10", "A20", "A20", "B12"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"7"});
    }

    void savepointsUndoAloneAndRowidNamesTheRow()
    {
        cn.beginTrans();
        cn.execute(QStringLiteral("UPDATE fac3 SET FacEst = '1' WHERE FacNum = 'A1'"));
        {
            Savepoint kept(cn);
            rs.open(QStringLiteral("SELECT * FROM fac3 WHERE FacNum = 'A2'"), cn, adOpenDynamic, adLockOptimistic);
            QCOMPARE(rs.rowid(), qint64(2));
            rs.addNew();
            QCOMPARE(rs.rowid(), qint64(-1));
            rs.setField(QStringLiteral("FacNum"), QStringLiteral("C1"));
            rs.update();
            QCOMPARE(rs.rowid(), qint64(5));
            rs.close();
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
        QVERIFY(!cn.transactionLost());
        cn.commitTrans();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT rowid || FacNum || ifnull(FacEst, '-') FROM fac3 ORDER BY rowid")),
                 QStringList({"1A11", "2A20", "3A20", "4B11", "5C1-"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"7"});

        rs.open(QStringLiteral("SELECT * FROM fac3"), cn);
        QCOMPARE(rs.rowid(), qint64(-1));   // read-only
        rs.close();
        QCOMPARE(errorNumber([&] { Savepoint outside(cn); }), kCannotOpen);
    }

    void traceRecordsExecutedTextsAsGiven()
    {
        cn.execute(QStringLiteral("UPDATE fac3 SET FacTasa = 0"));
        cn.trace = true;
        cn.execute(QStringLiteral("DELETE * FROM cta WHERE Cta = 'A12'"));
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("ALTER TABLE nada ADD COLUMN x TEXT")); }), kNoSuchTable);
        cn.trace = false;
        cn.execute(QStringLiteral("UPDATE fac3 SET FacTasa = 0"));
        QCOMPARE(cn.executed, QStringList({"DELETE * FROM cta WHERE Cta = 'A12'", "ALTER TABLE nada ADD COLUMN x TEXT"}));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM cta")), QStringList{"6"});
    }
};

QTEST_GUILESS_MAIN(TestAdo)
#include "test_ado.moc"
