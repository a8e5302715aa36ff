#include "platform/ado.h"
#include "platform/drive_map.h"
#include "platform/jet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <utility>

using namespace ado;

namespace {

const QString kFixtures = QStringLiteral(ENLACE3_SOURCE_DIR "/tests/support/jet");
const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ");
const QString kNull = QStringLiteral("<NULL>");
const QString kDateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

QString fixtures()
{
    const QString env = qEnvironmentVariable("ENLACE3_JET_FIXTURES");
    return env.isEmpty() ? kFixtures : env;
}

// One parsed cell of mdb-export's CSV: its text and whether it was quoted
// (text, memo and dates are; numbers, booleans, binary and Null are not).
struct Cell {
    QString text;
    bool quoted = false;
};

QList<QList<Cell>> parseCsv(const QString& csv)
{
    QList<QList<Cell>> rows(1);
    Cell cell;
    bool inQuotes = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv.at(i);
        if (c == u'"' && inQuotes && i + 1 < csv.size() && csv.at(i + 1) == u'"')
            cell.text += csv.at(++i);
        else if (c == u'"')
            inQuotes = (cell.quoted = true) && !inQuotes;
        else if (inQuotes || (c != u',' && c != u'\n'))
            cell.text += c;
        else
            rows.last() << std::exchange(cell, Cell());
        if (!inQuotes && c == u'\n')
            rows << QList<Cell>();
    }
    rows.removeLast();
    return rows;
}

QString mdbExport(const QString& file, const QString& table)
{
    QProcess p;
    p.start(QStringLiteral("mdb-export"),
            {QStringLiteral("-T"), kDateFormat, QStringLiteral("-0"), kNull, QStringLiteral("-b"), QStringLiteral("hex"),
             file, table});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Whether the copy's value is what mdb-export printed for the same cell.
// libmdb prints a date it cannot convert (before 1900, after 2700) as day 0
// of 1900; those are checked apart.
bool sameValue(const Cell& expected, const QVariant& got, QString* why)
{
    const QString e = expected.text;
    if (!expected.quoted && e == kNull) {
        // mdb-export prints an empty text as Null too.
        const bool ok = got.isNull() || (got.typeId() == QMetaType::QString && got.toString().isEmpty());
        *why = QStringLiteral("Null expected");
        return ok;
    }
    if (got.isNull()) {
        *why = QStringLiteral("got Null");
        return false;
    }
    switch (got.typeId()) {
    case QMetaType::QString:
        *why = QStringLiteral("text differs");
        return expected.quoted && (got.toString() == e || e == QLatin1String("1900-01-00 00:00:00"));
    case QMetaType::QByteArray:
        *why = QStringLiteral("binary differs");
        return got.toByteArray().toHex().toUpper() == e.toLatin1();
    case QMetaType::Int:
    case QMetaType::LongLong:
        *why = QStringLiteral("integer differs");
        // Yes/no: -1 in the copy, 1 in mdb-export.
        return got.toLongLong() == e.toLongLong() || (got.toLongLong() == -1 && e == QLatin1String("1"));
    case QMetaType::Double: {
        *why = QStringLiteral("number differs");
        const double g = got.toDouble();
        bool ok = false;
        const double x = e.toDouble(&ok);
        // Currency prints four decimals, singles eight digits.
        return ok && (g == x || QString::number(g, 'f', 4) == e || float(g) == float(x));
    }
    default:
        *why = QStringLiteral("unexpected type %1").arg(QString::fromLatin1(got.typeName()));
        return false;
    }
}

} // namespace

class TestJet : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    platform::DriveMap drives_{QString()};

    // A copy of a fixture at C:\jet\<name>, as the link would be pointed at it.
    QString place(const QString& fixture, const QString& name)
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/c:/jet"));
        const QString local = dir_.path() + QStringLiteral("/c:/jet/") + name;
        QFile::remove(local);
        if (!QFile::copy(fixtures() + QLatin1Char('/') + fixture, local))
            return QString();
        QFile::setPermissions(local, QFile::ReadOwner | QFile::WriteOwner);
        return local;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        drives_ = platform::DriveMap(dir_.path());
        if (!QFile::exists(fixtures() + QStringLiteral("/nwind.mdb")))
            QSKIP("the genuine Jet files are not at hand");
        if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty())
            QSKIP("mdb-export (mdbtools) is not installed");
    }

    // Every table of both files, cell by cell against mdb-export.
    void everyTableAsMdbExportPrintsIt_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("name");
        QTest::addColumn<jet::Formato>("version");
        QTest::addColumn<int>("tables");
        QTest::newRow("jet3") << "nwind.mdb" << "NWIND.MDB" << jet::Formato::Jet3 << 9;
        QTest::newRow("jet4") << "DateTestDatabase.mdb" << "fechas.Mdb" << jet::Formato::Jet4 << 1;
    }
    void everyTableAsMdbExportPrintsIt()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, name);
        QFETCH(jet::Formato, version);
        QFETCH(int, tables);
        const QString local = place(fixture, name);
        QVERIFY(!local.isEmpty());
        const QByteArray before = [&] { QFile f(local); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        QCOMPARE(jet::formato(local), version);

        Connection cn;
        cn.setDriveMap(&drives_);
        cn.open(kJet + QStringLiteral("C:\\JET\\") + name.toLower());
        QVERIFY(cn.isSnapshot());
        QCOMPARE(cn.sourceFormat(), version);
        const QStringList names = cn.database().tables();
        QCOMPARE(names.size(), tables);
        int cells = 0;
        for (const QString& table : names) {
            const QList<QList<Cell>> expected = parseCsv(mdbExport(local, table));
            QVERIFY2(!expected.isEmpty(), qPrintable(table));
            Recordset rs;
            rs.open(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table), cn);
            QStringList header;
            for (const Cell& c : expected.first())
                header << c.text;
            QStringList fields;
            for (int i = 0; i < rs.fieldCount(); ++i)
                fields << rs.fieldName(i);
            QCOMPARE(fields, header);
            for (qsizetype r = 1; r < expected.size(); ++r, rs.moveNext()) {
                QVERIFY2(!rs.eof(), qPrintable(QStringLiteral("%1: fewer rows than mdb-export").arg(table)));
                for (int c = 0; c < fields.size(); ++c, ++cells) {
                    QString why;
                    const QVariant got = rs.field(fields[c]);
                    QVERIFY2(sameValue(expected[r][c], got, &why),
                             qPrintable(QStringLiteral("%1 row %2 %3: %4 (%5 / %6)")
                                            .arg(table).arg(r).arg(fields[c], why, expected[r][c].text.left(60),
                                                                 got.toString().left(60))));
                }
            }
            QVERIFY2(rs.eof(), qPrintable(QStringLiteral("%1: more rows than mdb-export").arg(table)));
        }
        QVERIFY(cells > 0);

        // Changes land in the copy only.
        cn.execute(QStringLiteral("UPDATE [%1] SET [%2] = Null").arg(names.first(), cn.database().record(names.first()).fieldName(0)));
        cn.close();
        QFile after(local);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QVERIFY(after.readAll() == before);
    }

    // The dates libmdb itself cannot print (mdb-export shows day 0 of 1900).
    void datesOutsideLibmdb()
    {
        Recordset rs;
        Connection dt;
        dt.setDriveMap(&drives_);
        QVERIFY(!place(QStringLiteral("DateTestDatabase.mdb"), QStringLiteral("DateTestDatabase.mdb")).isEmpty());
        dt.open(kJet + QStringLiteral("c:\\jet\\DateTestDatabase.mdb"));
        rs.open(QStringLiteral("SELECT DateTimeCol, DateCol, TimeCol FROM DateTest WHERE IDCol BETWEEN 2 AND 4 "
                               "ORDER BY IDCol"), dt);
        QStringList got;
        for (; !rs.eof(); rs.moveNext())
            got << rs.text(QStringLiteral("DateTimeCol")).left(10) + QLatin1Char(' ') + rs.text(QStringLiteral("DateCol")).left(10)
                       + QLatin1Char(' ') + rs.text(QStringLiteral("TimeCol")).left(10);
        rs.close();
        QCOMPARE(got, (QStringList{QStringLiteral("9999-01-01 9999-01-01 9999-01-01"),
                                   QStringLiteral("1898-01-01 1899-01-01 1900-01-01"),
                                   QStringLiteral("0632-01-01 0633-01-01 0634-01-01")}));
    }

    void julianDates_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << 0.0 << "1899-12-30 00:00:00";
        QTest::newRow("noon") << 2.5 << "1900-01-01 12:00:00";
        QTest::newRow("before, 6h") << -1.25 << "1899-12-29 06:00:00";
        QTest::newRow("last second") << 2958465.99999 << "9999-12-31 23:59:59";
        QTest::newRow("rounds to next day") << 36526.999999999 << "2000-01-02 00:00:00";
    }
    void julianDates()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(jet::fecha_jet(value), text);
    }

    // A file that is neither SQLite nor Jet, and a link database in Jet form.
    void refusals()
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/c:/jet"));
        QFile junk(dir_.path() + QStringLiteral("/c:/jet/junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        QCOMPARE(jet::formato(junk.fileName()), jet::Formato::Desconocido);
        Connection cn;
        cn.setDriveMap(&drives_);
        QString why;
        try {
            cn.open(kJet + QStringLiteral("C:\\jet\\junk.mdb"));
        } catch (const Error& e) {
            why = e.description();
        }
        QVERIFY(why.contains(QStringLiteral("No se reconoce")));

        QVERIFY(!place(QStringLiteral("nwind.mdb"), QStringLiteral("enlace3.MDB")).isEmpty());
        cn.setRole(Connection::Role::LinkDatabase);
        why.clear();
        try {
            cn.open(kJet + QStringLiteral("C:\\jet\\enlace3.MDB"));
        } catch (const Error& e) {
            QCOMPARE(e.number(), kCannotOpen);
            why = e.description();
        }
        QVERIFY(why.contains(QStringLiteral("enlace3 migrar")));
        QVERIFY(why.contains(QStringLiteral("Jet 3")));
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "test_jet.moc"
