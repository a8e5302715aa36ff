// Local databases keep each statement shape compiled and bind its quoted
// texts and whole numbers: these cases check that what a statement answers
// never depends on what ran before it on the same connection.

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

using namespace ado;

namespace {

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=F:\\noctaris\\enlace3.MDB");

using testsupport::buildDatabase;

// The column names, then every row, as "a|b|c" lines (Null as <null>).
QStringList tableOf(Connection& cn, const QString& statement)
{
    Recordset rs;
    rs.open(statement, cn);
    QStringList names;
    for (int i = 0; i < rs.fieldCount(); ++i)
        names << rs.fieldName(i);
    QStringList lines{names.join(QLatin1Char('|'))};
    while (!rs.eof()) {
        QStringList cells;
        for (const QString& name : names)
            cells << (rs.isNull(name) ? QStringLiteral("<null>") : rs.text(name));
        lines << cells.join(QLatin1Char('|'));
        rs.moveNext();
    }
    return lines;
}

// Open file descriptors of this process on a file.
int handlesOn(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            ++count;
    }
    return count;
}

qint64 errorNumber(const std::function<void()>& body)
{
    try {
        body();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestAdoRapidez : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    std::unique_ptr<platform::DriveMap> drives_;
    QString path_;
    Connection cn;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        QVERIFY(QDir().mkpath(root_.filePath(QStringLiteral("f:/noctaris"))));
        drives_ = std::make_unique<platform::DriveMap>(root_.path());
    }

    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
        path_ = root_.filePath(QStringLiteral("f:/noctaris/enlace3.MDB"));
        QFile::remove(path_);
        buildDatabase(path_, {QStringLiteral("CREATE TABLE caj3 (CajFec TEXT, CajOrd INTEGER, CajCli TEXT, "
                                             "CajEstado TEXT DEFAULT '0', CajImp DOUBLE)"),
                              QStringLiteral("INSERT INTO caj3 VALUES ('20130101', 1, 'O''Neill', '0', 10.5)"),
                              QStringLiteral("INSERT INTO caj3 VALUES ('20130101', 2, '43000001', '1', 20)"),
                              QStringLiteral("INSERT INTO caj3 VALUES ('20130102', 1, '43000002', '0', 30)"),
                              QStringLiteral("INSERT INTO caj3 VALUES ('20130102', 12, '5', '0', 40)")});
        cn.setDriveMap(drives_.get());
        cn.open(kJet);
    }

    void cleanup() { cn.close(); }

    void sameShapeAnswersEachTimeForItsOwnValues()
    {
        const auto lookup = [this](const QString& fecha, int orden) {
            return tableOf(cn, QStringLiteral("SELECT CajCli FROM caj3 WHERE CajFec = '%1' AND CajOrd = %2")
                                   .arg(q(fecha))
                                   .arg(orden));
        };
        QCOMPARE(lookup(QStringLiteral("20130101"), 1), (QStringList{"CajCli", "O'Neill"}));
        QCOMPARE(lookup(QStringLiteral("20130102"), 12), (QStringList{"CajCli", "5"}));
        QCOMPARE(lookup(QStringLiteral("20130101"), 12), (QStringList{"CajCli"}));
        QCOMPARE(lookup(QStringLiteral("x' OR '1' = '1"), 1), (QStringList{"CajCli"}));
        // A quoted number against a number column, and a number against a
        // text column, compare as the column's type says.
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajCli FROM caj3 WHERE CajOrd = '12'")),
                 (QStringList{"CajCli", "5"}));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajOrd FROM caj3 WHERE CajCli = 5")),
                 (QStringList{"CajOrd", "12"}));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajOrd FROM caj3 WHERE CajCli LIKE '4300%' AND CajImp > 25")),
                 (QStringList{"CajOrd", "1"}));
    }

    void literalsThatNameOrPlaceColumnsKeepTheirMeaning()
    {
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT 'x' AS fijo, 'y', 7 FROM caj3 WHERE CajOrd = 12")),
                 (QStringList{"fijo|'y'|7", "x|y|7"}));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajFec, CajOrd FROM caj3 WHERE CajImp > 15 ORDER BY 2 DESC, 1")),
                 (QStringList{"CajFec|CajOrd", "20130102|12", "20130101|2", "20130102|1"}));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajFec, COUNT(*) AS n FROM caj3 WHERE CajEstado = '0' "
                                            "GROUP BY 1 HAVING COUNT(*) > 1")),
                 (QStringList{"CajFec|n", "20130102|2"}));
    }

    void aChangedTableIsReadWithItsNewColumns()
    {
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT * FROM caj3 WHERE CajOrd = 2")),
                 (QStringList{"CajFec|CajOrd|CajCli|CajEstado|CajImp", "20130101|2|43000001|1|20"}));
        cn.execute(QStringLiteral("ALTER TABLE caj3 ADD COLUMN CajCre TEXT DEFAULT 'N'"));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT * FROM caj3 WHERE CajOrd = 1 AND CajFec = '20130102'")),
                 (QStringList{"CajFec|CajOrd|CajCli|CajEstado|CajImp|CajCre", "20130102|1|43000002|0|30|N"}));
        cn.execute(QStringLiteral("DROP TABLE caj3"));
        QCOMPARE(errorNumber([this] { tableOf(cn, QStringLiteral("SELECT * FROM caj3 WHERE CajOrd = 2")); }),
                 kNoSuchTable);
        QCOMPARE(errorNumber([this] { cn.execute(QStringLiteral("UPDATE caj3 SET CajEstado = '1'")); }), kNoSuchTable);
    }

    void onlyTheWholeTableShapeCanBeWrittenBack()
    {
        const QStringList editable = {
            QStringLiteral("SELECT * FROM caj3"),
            QStringLiteral("  select\t*\nfrom [caj3] where CajOrd = 1"),
            QStringLiteral("SELECT * FROM caj3 ; "),
            QStringLiteral("SELECT * FROM caj3 ORDER  BY CajOrd"),
        };
        const QStringList readOnly = {
            QStringLiteral("SELECT *, CajOrd FROM caj3"),
            QStringLiteral("SELECT * FROM caj3 AS c WHERE c.CajOrd = 1"),
            QStringLiteral("SELECT * FROM caj3 GROUP BY CajFec"),
            QStringLiteral("SELECT * FROM caj3 WHEREVER"),
            QStringLiteral("SELECT* FROM caj3"),
        };
        Recordset rs;
        for (const QString& sql : editable) {
            rs.open(sql, cn, adOpenDynamic, adLockOptimistic);
            QVERIFY2(rs.isUpdatable(), qPrintable(sql));
        }
        for (const QString& sql : readOnly) {
            try {
                rs.open(sql, cn, adOpenDynamic, adLockOptimistic);
            } catch (const Error&) {
                continue;   // not even a statement the database takes
            }
            QVERIFY2(!rs.isUpdatable(), qPrintable(sql));
        }
        rs.open(QStringLiteral("select * from [caj3] where CajOrd = 12"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("CajCli"), QStringLiteral("escrito"));
        rs.update();
        rs.close();
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajCli FROM caj3 WHERE CajOrd = 12")),
                 (QStringList{"CajCli", "escrito"}));
    }

    void aTextWithTwoStatementsRunsNeither()
    {
        QVERIFY(errorNumber([this] {
                    cn.execute(QStringLiteral("UPDATE caj3 SET CajEstado = '9'; DELETE FROM caj3"));
                }) != 0);
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT COUNT(*) AS n FROM caj3 WHERE CajEstado = '9'")),
                 (QStringList{"n", "0"}));
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT COUNT(*) AS n FROM caj3")), (QStringList{"n", "4"}));
    }

    void addedRowsShowWhatTheDatabaseFilledIn()
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM caj3 WHERE CajFec = '20990101'"), cn, adOpenDynamic, adLockOptimistic);
        for (int orden = 1; orden <= 2; ++orden) {
            rs.addNew();
            rs.setField(QStringLiteral("CajFec"), QStringLiteral("20990101"));
            rs.setField(QStringLiteral("CajOrd"), orden);
            rs.update();
        }
        QCOMPARE(rs.text(QStringLiteral("CajFec")), QStringLiteral("20990101"));
        QCOMPARE(rs.text(QStringLiteral("CajEstado")), QStringLiteral("0"));
        QVERIFY(rs.isNull(QStringLiteral("CajImp")));
        rs.moveFirst();
        rs.setField(QStringLiteral("CajImp"), 5.25);
        rs.update();
        QCOMPARE(rs.text(QStringLiteral("CajEstado")), QStringLiteral("0"));
        rs.close();
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajOrd, CajEstado, CajImp FROM caj3 WHERE CajFec = '20990101'")),
                 (QStringList{"CajOrd|CajEstado|CajImp", "1|0|5.25", "2|0|<null>"}));
    }

    void transactionsCoverCompiledStatements()
    {
        cn.beginTrans();
        cn.execute(QStringLiteral("UPDATE caj3 SET CajEstado = '1' WHERE CajFec = '20130102'"));
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM caj3 WHERE CajOrd = 1"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("CajCli"), QStringLiteral("cambiado"));
        rs.update();
        rs.close();
        cn.rollbackTrans();
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajCli, CajEstado FROM caj3 WHERE CajOrd = 1")),
                 (QStringList{"CajCli|CajEstado", "O'Neill|0", "43000002|0"}));

        cn.beginTrans();
        cn.execute(QStringLiteral("UPDATE caj3 SET CajEstado = '1' WHERE CajFec = '20130102'"));
        cn.commitTrans();
        cn.close();
        cn.open(kJet);
        QCOMPARE(tableOf(cn, QStringLiteral("SELECT CajOrd FROM caj3 WHERE CajEstado = '1' AND CajFec = '20130102'")),
                 (QStringList{"CajOrd", "1", "12"}));
    }

    void commitsReachTheDiskAndClosingReleasesTheFile()
    {
        QSqlQuery pragma(cn.database());
        QVERIFY(pragma.exec(QStringLiteral("PRAGMA synchronous")) && pragma.next());
        QCOMPARE(pragma.value(0).toInt(), 2);   // FULL, the safe default
        pragma.finish();
        tableOf(cn, QStringLiteral("SELECT * FROM caj3 WHERE CajOrd = 1"));
        QCOMPARE(handlesOn(path_), 1);
        cn.close();
        // Nothing compiled keeps the file open.
        QCOMPARE(handlesOn(path_), 0);
    }
};

QTEST_GUILESS_MAIN(TestAdoRapidez)
#include "test_ado_rapidez.moc"
