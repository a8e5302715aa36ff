#include "platform/ado.h"
#include "platform/drive_map.h"
#include "platform/jet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

using namespace ado;

namespace {

const QString kJet = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ");

QString fixtures()
{
    const QString env = qEnvironmentVariable("ENLACE3_JET_FIXTURES");
    return env.isEmpty() ? QStringLiteral(ENLACE3_SOURCE_DIR "/tests/support/jet") : env;
}

// One parsed cell of mdb-export's CSV: its text and whether it was quoted
// (text, memo and dates are; numbers, booleans, binary and Null are not).
struct Cell { QString text; bool quoted = false; };

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
    p.start(QStringLiteral("mdb-export"), {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), QStringLiteral("-0"),
                                           QStringLiteral("<NULL>"), QStringLiteral("-b"), QStringLiteral("hex"), file, table});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// Whether the copy's value (its type included) is what mdb-export printed
// for the same cell. libmdb prints a date it cannot convert (before 1900,
// after 2700) as day 0 of 1900; those are checked apart.
bool sameValue(const Cell& expected, const QVariant& got)
{
    const QString e = expected.text;
    if (!expected.quoted && e == QLatin1String("<NULL>"))   // mdb-export prints an empty text as Null too
        return got.isNull() || (got.typeId() == QMetaType::QString && got.toString().isEmpty());
    if (got.isNull()) return false;
    switch (got.typeId()) {
    case QMetaType::QString:
        return expected.quoted && (got.toString() == e || e == QLatin1String("1900-01-00 00:00:00"));
    case QMetaType::QByteArray:
        return got.toByteArray().toHex().toUpper() == e.toLatin1();
    case QMetaType::Int:
    case QMetaType::LongLong:   // yes/no: -1 in the copy, 1 in mdb-export
        return got.toLongLong() == e.toLongLong() || (got.toLongLong() == -1 && e == QLatin1String("1"));
    case QMetaType::Double: {   // currency prints four decimals, singles eight digits
        bool ok = false;
        const double x = e.toDouble(&ok);
        return ok && (got.toDouble() == x || QString::number(got.toDouble(), 'f', 4) == e || float(got.toDouble()) == float(x));
    }
    default:
        return false;
    }
}

} // namespace

class TestJet : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    platform::DriveMap drives_{QString()};

    // A copy of a fixture at C:\jet\<name>, opened as the link would open it.
    QString place(const QString& source, const QString& name, Connection& cn)
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/c:/jet"));
        const QString local = dir_.path() + QStringLiteral("/c:/jet/") + name;
        if (!QFile::copy(source, local))
            return QString();
        QFile::setPermissions(local, QFile::ReadOwner | QFile::WriteOwner);
        cn.setDriveMap(&drives_);
        cn.open(kJet + QStringLiteral("C:\\JET\\") + name.toLower());
        return local;
    }

private Q_SLOTS:
    void initTestCase()
    {
        drives_ = platform::DriveMap(dir_.path());
        if (!QFile::exists(fixtures() + QStringLiteral("/nwind.mdb")) || QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty())
            QSKIP("the genuine Jet files or mdb-export (mdbtools) are not at hand");
    }

    // A file cut short is refused, not read as a smaller database: mid-page,
    // or on a page boundary that leaves a table's rows behind.
    void aFileCutShortIsRefused()
    {
        QFile original(fixtures() + QStringLiteral("/nwind.mdb"));
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        const struct { qsizetype size; const char* says; } cuts[] = {
            {1500000, "su tamaño no es un número entero de páginas"}, {1558528, "se han podido leer 67"}};
        for (const auto& [size, says] : cuts) {
            const QString cut = dir_.filePath(QStringLiteral("cut.mdb")), copy = dir_.filePath(QStringLiteral("cut.sqlite"));
            QFile f(cut);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes.left(size)) == size);
            f.close();
            QFile::remove(copy);
            const QString error = jet::copiar(cut, copy);
            QVERIFY2(error.contains(QStringLiteral("el archivo está incompleto o dañado")) && error.contains(QString::fromUtf8(says)), qPrintable(error));
        }
    }

    // Every table of both files, cell by cell against mdb-export.
    void everyTableAsMdbExportPrintsIt()
    {
        const struct { const char* fixture; const char* name; jet::Formato version; int tables; } files[] = {
            {"nwind.mdb", "NWIND.MDB", jet::Formato::Jet3, 9}, {"DateTestDatabase.mdb", "fechas.Mdb", jet::Formato::Jet4, 1}};
        for (const auto& [fixture, name, version, tables] : files) {
            Connection cn;
            const QString local = place(fixtures() + QLatin1Char('/') + fixture, name, cn);
            const QByteArray before = [&] { QFile f(fixtures() + QLatin1Char('/') + fixture); f.open(QIODevice::ReadOnly); return f.readAll(); }();
            const QStringList names = cn.database().tables();
            QVERIFY(!before.isEmpty() && cn.isSnapshot() && jet::formato(local) == version && cn.sourceFormat() == version
                    && names.size() == tables);
            for (const QString& table : names) {
                const QList<QList<Cell>> expected = parseCsv(mdbExport(local, table));
                Recordset rs;
                rs.open(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table), cn);
                QVERIFY2(!expected.isEmpty() && rs.fieldCount() == expected.first().size(), qPrintable(table));
                for (int c = 0; c < rs.fieldCount(); ++c)
                    QCOMPARE(rs.fieldName(c), expected[0][c].text);
                for (qsizetype r = 1; r < expected.size(); ++r, rs.moveNext()) {
                    QVERIFY2(!rs.eof(), qPrintable(QStringLiteral("%1: fewer rows than mdb-export").arg(table)));
                    for (int c = 0; c < rs.fieldCount(); ++c) {
                        const QVariant got = rs.field(rs.fieldName(c));
                        QVERIFY2(sameValue(expected[r][c], got),
                                 qPrintable(QStringLiteral("%1 row %2 %3: %4 / %5 %6").arg(table).arg(r).arg(rs.fieldName(c),
                                     expected[r][c].text.left(60), QString::fromLatin1(got.typeName()), got.toString().left(60))));
                    }
                }
                QVERIFY2(rs.eof(), qPrintable(QStringLiteral("%1: more rows than mdb-export").arg(table)));
            }
            // Changes land in the copy only.
            cn.execute(QStringLiteral("UPDATE [%1] SET [%2] = Null").arg(names.first(), cn.database().record(names.first()).fieldName(0)));
            cn.close();
            QFile after(local);
            QVERIFY(after.open(QIODevice::ReadOnly) && after.readAll() == before);
        }
    }

    // The dates libmdb itself cannot print (mdb-export shows day 0 of 1900),
    // and the day count of a Jet date.
    void datesOutsideLibmdb()
    {
        Connection dt;
        QVERIFY(!place(fixtures() + QStringLiteral("/DateTestDatabase.mdb"), QStringLiteral("DateTestDatabase.mdb"), dt).isEmpty());
        Recordset rs;
        rs.open(QStringLiteral("SELECT substr(DateTimeCol, 1, 10) || ' ' || substr(DateCol, 1, 10) || ' ' || "
                               "substr(TimeCol, 1, 10) FROM DateTest WHERE IDCol BETWEEN 2 AND 4 ORDER BY IDCol"), dt);
        QStringList got;
        for (; !rs.eof(); rs.moveNext())
            got << rs.text(rs.fieldName(0));
        QCOMPARE(got, (QStringList{"9999-01-01 9999-01-01 9999-01-01", "1898-01-01 1899-01-01 1900-01-01",
                                   "0632-01-01 0633-01-01 0634-01-01"}));
        const QList<QPair<double, QString>> days = {
            {0.0, "1899-12-30 00:00:00"}, {2.5, "1900-01-01 12:00:00"}, {-1.25, "1899-12-29 06:00:00"},
            {2958465.99999, "9999-12-31 23:59:59"}, {36526.999999999, "2000-01-02 00:00:00"}};   // rounds to the next day
        for (const auto& [value, text] : days)
            QCOMPARE(jet::fecha_jet(value), text);
    }

    // A file that is neither SQLite nor Jet, and a link database in Jet form.
    void refusals()
    {
        Connection cn;
        const auto why = [&](const QString& fixture, const QString& name) {
            try {
                place(fixture, name, cn);
            } catch (const Error& e) {
                return QString::number(e.number()) + QLatin1Char(' ') + e.description();
            }
            return QString();
        };
        QFile junk(dir_.path() + QStringLiteral("/junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) == 4096);
        junk.close();
        QCOMPARE(jet::formato(junk.fileName()), jet::Formato::Desconocido);
        QVERIFY(why(junk.fileName(), QStringLiteral("junk.mdb")).contains("No se reconoce"));
        cn.setRole(Connection::Role::LinkDatabase);
        const QString link = why(fixtures() + QStringLiteral("/nwind.mdb"), QStringLiteral("enlace3.MDB"));
        QVERIFY2(link.startsWith(QString::number(kCannotOpen)) && link.contains("enlace3 migrar") && link.contains("Jet 3"),
                 qPrintable(link));
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "test_jet.moc"
