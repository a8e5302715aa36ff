// The server path: QODBC through the real unixODBC driver manager, with the
// SQLite ODBC driver registered as "SQL Native Client" in a private
// odbcinst.ini and the catalogue a SQLite file named like the database.

#include "platform/ado.h"
#include "support/odbc_standin.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace ado;

namespace {

template <typename Body>
qint64 errorNumber(Body body, QString* source = nullptr)
{
    try {
        body();
    } catch (const Error& e) {
        if (source)
            *source = e.source();
        return e.number();
    }
    return 0;
}

QStringList rowsOf(Connection& cn, const QString& statement)
{
    Recordset rs;
    rs.open(statement, cn);
    QStringList lines;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i)
            cells << (rs.isNull(rs.fieldName(i)) ? QStringLiteral("<null>") : rs.text(rs.fieldName(i)));
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

} // namespace

class TestAdoOdbc : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString savedCwd_;

    static void abrir(Connection& cn)
    {
        cn.open(testsupport::sqlServerConnectionString(QStringLiteral("S"), QStringLiteral("CATALOGO")));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QString error;
        QVERIFY2(testsupport::installOdbcStandin(dir_.path(), &error), qPrintable(error));
        savedCwd_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(savedCwd_); }

    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
        QFile::remove(dir_.filePath(QStringLiteral("CATALOGO")));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
            db.setDatabaseName(dir_.filePath(QStringLiteral("CATALOGO")));
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const char* s : {"CREATE TABLE formas (ForCod TEXT, ForNom TEXT, ForCta TEXT)",
                                  "INSERT INTO formas VALUES ('01', 'Efectivo', '570000000')",
                                  "INSERT INTO formas VALUES ('02', 'Tarjeta', NULL)",
                                  "INSERT INTO formas VALUES ('03', 'Talón', '572000000')",
                                  "INSERT INTO formas VALUES ('03', 'Talón', '572000000')"})
                QVERIFY2(query.exec(QString::fromLatin1(s)), s);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    }

    void opensWithTheLinksOwnConnectionString()
    {
        Connection cn;
        cn.open(testsupport::sqlServerConnectionString(QStringLiteral("SERVIDOR"), QStringLiteral("CATALOGO")));
        QCOMPARE(cn.state(), int(adStateOpen));
        QCOMPARE(cn.kind(), Connection::Kind::Odbc);
        QCOMPARE(cn.connectionString(),
                 QStringLiteral("Driver={SQL Native Client};Server=SERVIDOR;Database=CATALOGO; Uid=noctaris;Pwd=KOVE3;"));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT ForCod, ForNom FROM formas WHERE ForCta IS NULL")),
                 QStringList{"02|Tarjeta"});
        const QString name = cn.database().connectionName();
        cn.close();
        QVERIFY(!QSqlDatabase::contains(name));
    }

    void unreachableDatabaseIsCannotOpen()
    {
        Connection cn;
        QString source;
        const QString cadena =
            testsupport::sqlServerConnectionString(QStringLiteral("OTRO"), QStringLiteral("no-existe/CATALOGO"));
        QCOMPARE(errorNumber([&] { cn.open(cadena); }, &source), kCannotOpen);
        QCOMPARE(source, QStringLiteral("OTRO"));
        QCOMPARE(cn.state(), int(adStateClosed));
        QVERIFY(!QFileInfo::exists(dir_.filePath(QStringLiteral("no-existe"))));

        QCOMPARE(errorNumber([&] { cn.open(QStringLiteral("Driver={Sin Driver};Server=S;Database=CATALOGO;")); }),
                 kCannotOpen);
    }

    void missingTableAndColumnCarryTheirNumbers()
    {
        Connection cn;
        abrir(cn);
        Recordset rs;
        QCOMPARE(errorNumber([&] { rs.open(QStringLiteral("SELECT * FROM ser"), cn); }), kNoSuchTable);
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("UPDATE cadia SET x = 1")); }), kNoSuchTable);
        QCOMPARE(errorNumber([&] { rs.open(QStringLiteral("SELECT ForTipo FROM formas"), cn); }), kNoSuchColumn);
        QCOMPARE(errorNumber([&] { cn.execute(QStringLiteral("UPDATE formas SET ForTipo = '1'")); }), kNoSuchColumn);
    }

    void updateFindsTheRowByItsOriginalValues()
    {
        Connection cn;
        abrir(cn);
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM formas WHERE ForCod = '02'"), cn, adOpenDynamic, adLockOptimistic);
        QVERIFY(rs.isUpdatable());
        rs.setField(QStringLiteral("forcta"), QStringLiteral("572100000")); // the original is Null
        rs.update();
        QCOMPARE(rs.text(QStringLiteral("ForCta")), QStringLiteral("572100000"));
        rs.close();

        // Keyless identical rows are indistinguishable by their values: the
        // update changes both, as the original objects' statement did.
        rs.open(QStringLiteral("SELECT * FROM formas WHERE ForCod = '03'"), cn, adOpenDynamic, adLockOptimistic);
        rs.setField(QStringLiteral("ForNom"), QStringLiteral("Cheque"));
        rs.update();
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM formas ORDER BY ForCod")),
                 QStringList({"01|Efectivo|570000000", "02|Tarjeta|572100000", "03|Cheque|572000000",
                              "03|Cheque|572000000"}));

        // A row changed by someone else since it was read is not overwritten.
        rs.open(QStringLiteral("SELECT * FROM formas WHERE ForCod = '01'"), cn, adOpenDynamic, adLockOptimistic);
        cn.execute(QStringLiteral("UPDATE formas SET ForNom = 'Contado' WHERE ForCod = '01'"));
        rs.setField(QStringLiteral("ForCta"), QStringLiteral("999"));
        QCOMPARE(errorNumber([&] { rs.update(); }), kRowNotFound);
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM formas WHERE ForCod = '01'")),
                 QStringList{"01|Contado|570000000"});
    }

    void addNewDeleteStarAndRollback()
    {
        Connection cn;
        abrir(cn);
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM formas"), cn, adOpenDynamic, adLockOptimistic);
        rs.addNew();
        rs.setField(QStringLiteral("ForCod"), QStringLiteral("04"));
        rs.setField(QStringLiteral("ForNom"), QStringLiteral("D'Àvila"));
        rs.setField(QStringLiteral("ForCta"), QVariant()); // an explicit Null binds too
        rs.update();
        QCOMPARE(rs.text(QStringLiteral("ForNom")), QStringLiteral("D'Àvila"));
        rs.close();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT * FROM formas WHERE ForCod = '04'")),
                 QStringList{"04|D'Àvila|<null>"});
        cn.execute(QStringLiteral("DELETE * FROM formas WHERE ForCod = '03'"));
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT ForCod FROM formas ORDER BY ForCod")),
                 QStringList({"01", "02", "04"}));

        cn.beginTrans();
        cn.execute(QStringLiteral("DELETE FROM formas"));
        cn.rollbackTrans();
        QCOMPARE(rowsOf(cn, QStringLiteral("SELECT count(*) FROM formas")), QStringList{"3"});
    }
};

QTEST_GUILESS_MAIN(TestAdoOdbc)
#include "test_ado_odbc.moc"
