#include "platform/cp1252.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::LineWriter;

class TestCp1252 : public QObject {
    Q_OBJECT

private:
    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

private Q_SLOTS:
    void encodesOneBytePerCharacter()
    {
        const QByteArray bytes = platform::toCp1252(QStringLiteral("Muñoz Pérez"));
        QCOMPARE(bytes.size(), 11);
        QCOMPARE(bytes, QByteArray("Mu\xf1oz P\xe9rez"));
        QCOMPARE(platform::cp1252Width(QStringLiteral("Muñoz Pérez")), 11);
        QCOMPARE(platform::toCp1252(QStringLiteral("€ ª º ¿¡ Ç ü")), QByteArray("\x80 \xaa \xba \xbf\xa1 \xc7 \xfc"));
        QCOMPARE(platform::fromCp1252(QByteArray("Mu\xf1oz \x80")), QStringLiteral("Muñoz €"));
        // Decomposed letters are composed first.
        const QString decomposed = QStringLiteral("Pe") + QChar(0x0301) + QStringLiteral("rez"); // e + combining acute
        QCOMPARE(platform::toCp1252(decomposed), QByteArray("P\xe9rez"));
        QCOMPARE(platform::cp1252Width(decomposed), 5);
        // A missing character becomes one question mark.
        QCOMPARE(platform::toCp1252(QStringLiteral("Ω-1")), QByteArray("?-1"));
        QCOMPARE(platform::toCp1252(QStringLiteral("a😀b")), QByteArray("a?b"));
        QCOMPARE(platform::cp1252Width(QStringLiteral("a😀b")), 3);
        QCOMPARE(platform::toCp1252(QStringLiteral("Łódź")), QByteArray("?\xf3" "d?"));
    }

    void writesLinesEndingInCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("SUENLACE.DAT"));
        LineWriter w;
        QVERIFY(w.open(path, LineWriter::Mode::Truncate));
        QVERIFY(w.writeLine(QStringLiteral("Año 1")));
        QVERIFY(w.writeLine(QString()));
        QVERIFY(w.writeRaw(QByteArray("raw\xe9")));
        QCOMPARE(w.linesWritten(), qint64(3));
        QVERIFY(w.close());
        QCOMPARE(readAll(path), QByteArray("A\xf1o 1\r\n\r\nraw\xe9\r\n"));

        QVERIFY(w.open(path, LineWriter::Mode::Append));
        QVERIFY(w.writeLine(QStringLiteral("más")));
        QVERIFY(w.close());
        QCOMPARE(readAll(path), QByteArray("A\xf1o 1\r\n\r\nraw\xe9\r\nm\xe1s\r\n"));

        QVERIFY(w.open(path, LineWriter::Mode::Truncate));
        QVERIFY(w.writeLine(QStringLiteral("nuevo")));
        QVERIFY(w.close());
        QCOMPARE(readAll(path), QByteArray("nuevo\r\n"));
    }

    void manyLinesSurviveTheBuffer()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.dat"));
        LineWriter w;
        QVERIFY(w.open(path, LineWriter::Mode::Truncate));
        QByteArray expected;
        for (int i = 0; i < 5000; ++i) {
            const QString line = QStringLiteral("%1 línea").arg(i, 6, 10, QLatin1Char('0'));
            QVERIFY(w.writeLine(line));
            expected += platform::toCp1252(line) + "\r\n";
        }
        QVERIFY(w.close());
        QCOMPARE(readAll(path), expected);
    }

    void missingFolderFailsAndCreatesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no/SUENLACE.DAT"));
        LineWriter w;
        QVERIFY(!w.open(path, LineWriter::Mode::Truncate));
        QVERIFY(!w.isOpen());
        QCOMPARE(w.errorString(), QStringLiteral("No se puede abrir el archivo %1: la carpeta no existe.").arg(path));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no"))));
        QVERIFY(!w.writeLine(QStringLiteral("x")));
    }

    void fullDiskIsReportedAtClose()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        LineWriter w;
        QVERIFY(w.open(QStringLiteral("/dev/full"), LineWriter::Mode::Append));
        QVERIFY(w.writeLine(QStringLiteral("apunte")));
        QVERIFY(!w.close());
        QVERIFY(w.failed());
        QCOMPARE(w.errorString(),
                 QStringLiteral("No se puede escribir en el archivo /dev/full: no queda espacio en el disco."));
    }
};

QTEST_GUILESS_MAIN(TestCp1252)
#include "test_cp1252.moc"
