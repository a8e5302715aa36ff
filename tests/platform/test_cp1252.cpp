#include "platform/cp1252.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::LineWriter;

static QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class TestCp1252 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One byte per character, decomposed letters composed first, a missing
    // character (even outside the BMP) one question mark; and back.
    void encodesOneBytePerCharacter()
    {
        const QString decomposed = QStringLiteral("Pe") + QChar(0x0301) + QStringLiteral("rez");
        const QList<QPair<QString, QByteArray>> cases = {
            {QStringLiteral("Muñoz Pérez"), "Mu\xf1oz P\xe9rez"}, {QStringLiteral("€ ª º ¿¡ Ç ü"), "\x80 \xaa \xba \xbf\xa1 \xc7 \xfc"},
            {decomposed, "P\xe9rez"}, {QStringLiteral("a😀b"), "a?b"},
            {QStringLiteral("Łódź"), "?\xf3" "d?"},
        };
        for (const auto& [text, bytes] : cases) {
            QCOMPARE(platform::toCp1252(text), bytes);
            QCOMPARE(platform::cp1252Width(text), bytes.size());
        }
        QCOMPARE(platform::fromCp1252(QByteArray("Mu\xf1oz \x80")), QStringLiteral("Muñoz €"));
        QCOMPARE(platform::fromCp1252(QByteArray("\x81\x8d\x8f\x90\x9d")), QString(5, QChar(0xFFFD)));
    }

    // Most texts convert unit by unit, ASCII sixteen units at a time; a text
    // that needs composing converts as a whole. Both give the same bytes: a
    // decomposed "é" after the text forces the second way.
    void unitByUnitAsComposed()
    {
        const QString a = QString(16, QLatin1Char('a'));
        const QByteArray b = a.toLatin1();
        const QList<QPair<QString, QByteArray>> cases = {
            {a + QStringLiteral("é") + a, b + "\xe9" + b}, {QStringLiteral("ñ") + a + a, "\xf1" + b + b},
            {a.left(15) + QStringLiteral("€"), b.left(15) + "\x80"}, {a + QStringLiteral("\t\x7f"), b + "\t\x7f"},
            {QStringLiteral("\u0080\u00a0\u00ff\u0100\u0152\u02c6\u02dc\u02ff\u2122"), "?\xa0\xff?\x8c\x88\x98?\x99"},
        };
        for (const auto& [text, bytes] : cases) {
            QCOMPARE(platform::toCp1252(text), bytes);
            QCOMPARE(platform::toCp1252(text + QStringLiteral("e\u0301")), bytes + "\xe9");
            QCOMPARE(platform::cp1252Width(text), bytes.size());
        }
    }

    void writesLinesEndingInCrLfAcrossTheBuffer()
    {
        QTemporaryDir dir; const QString path = dir.filePath(QStringLiteral("SUENLACE.DAT"));
        LineWriter w;
        QVERIFY(w.open(path, LineWriter::Mode::Truncate));
        QVERIFY(w.writeLine(QStringLiteral("Año 1")) && w.writeLine(QString()) && w.writeRaw(QByteArray("raw\xe9")));
        QCOMPARE(w.linesWritten(), qint64(3));
        QVERIFY(w.close());
        QVERIFY(w.open(path, LineWriter::Mode::Append) && w.writeLine(QStringLiteral("más")) && w.close());
        QCOMPARE(readAll(path), QByteArray("A\xf1o 1\r\n\r\nraw\xe9\r\nm\xe1s\r\n"));
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

    void failuresAreNamedAndCreateNothing()
    {
        QTemporaryDir dir; const QString path = dir.filePath(QStringLiteral("no/SUENLACE.DAT"));
        LineWriter w;
        QVERIFY(!w.open(path, LineWriter::Mode::Truncate) && !w.isOpen() && !w.writeLine(QStringLiteral("x")));
        QCOMPARE(w.errorString(), QStringLiteral("No se puede abrir el archivo %1: la carpeta no existe.").arg(path));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no"))));
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        // A full disk shows at close, when the buffer goes out.
        QVERIFY(w.open(QStringLiteral("/dev/full"), LineWriter::Mode::Append) && w.writeLine(QStringLiteral("apunte")));
        QVERIFY(!w.close() && w.failed());
        QCOMPARE(w.errorString(),
                 QStringLiteral("No se puede escribir en el archivo /dev/full: no queda espacio en el disco."));
    }
};

QTEST_GUILESS_MAIN(TestCp1252)
#include "test_cp1252.moc"
