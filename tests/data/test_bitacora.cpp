// The run log: appended entry by entry, rotated at its size limit with five
// older files kept, and never a reason for a run to fail.

#include "data/bitacora.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

static QByteArray leer(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no está)");
}

static void escribir(const QString& ruta, const QByteArray& bytes)
{
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

class TestBitacora : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anade_y_rota_al_mega()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("enlace3.log");
        QVERIFY(bitacora::anotar_en(log, "uno\n") && bitacora::anotar_en(log, "dos\n"));
        QCOMPARE(leer(log), QByteArray("uno\ndos\n"));
        // Just under the limit the entry still goes into the same file.
        const QByteArray lleno = QByteArray(bitacora::kTamanoMaximo - 1, 'x') + "tres\n";
        escribir(log, lleno.left(bitacora::kTamanoMaximo - 1));
        QVERIFY(bitacora::anotar_en(log, "tres\n"));
        QCOMPARE(leer(log), lleno);
        // At the limit the file moves to .1, the older ones up, and .5 is dropped.
        for (int n = 1; n <= bitacora::kConservados; ++n)
            escribir(log + QStringLiteral(".%1").arg(n), QByteArray::number(n));
        QVERIFY(bitacora::anotar_en(log, "cuatro\n"));
        for (const auto& [sufijo, contenido] : QList<QPair<QString, QByteArray>>{
                 {"", "cuatro\n"}, {".1", lleno}, {".2", "1"}, {".3", "2"}, {".4", "3"}, {".5", "4"}, {".6", "(no está)"}})
            QCOMPARE(leer(log + sufijo), contenido);
        // No place to write: false, never a failure of the run.
        escribir(dir.filePath("fichero"), "no es una carpeta");
        QVERIFY(!bitacora::anotar_en(dir.filePath("fichero/enlace3.log"), "x\n") && !bitacora::anotar_en(QString(), "x\n"));
    }
};

QTEST_GUILESS_MAIN(TestBitacora)
#include "test_bitacora.moc"
