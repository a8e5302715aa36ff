// Converting the Access link database of a Windows installation. The link
// database is built by the fixture builder and presented through the Jet
// reading path as a stand-in (no Jet writer exists).
#include "data/migracion.h"
#include "platform/jet.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace fixture;

namespace {

const QString kEnlace = QStringLiteral("F:\\noctaris\\enlace3.MDB");

// Every table, every row in order, every value with its storage type.
QStringList volcado(const QString& ruta)
{
    QStringList r;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {QStringLiteral("no se abre")};
    }
    QStringList tablas;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW)
        tablas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    for (const QString& t : tablas) {
        r << QStringLiteral("== ") + t;
        sqlite3_prepare_v2(db, ("SELECT * FROM \"" + t.toUtf8() + "\" ORDER BY rowid").constData(), -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList celdas;
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                celdas << QStringLiteral("%1=%2:%3")
                              .arg(QString::fromUtf8(sqlite3_column_name(s, c)))
                              .arg(sqlite3_column_type(s, c))
                              .arg(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c))));
            r << celdas.join(QLatin1Char('|'));
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return r;
}

QByteArray bytes(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestMigracion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("ENLACE3_JET_SUSTITUTO", "1"); }

    void convertsOnceAndKeepsTheOriginal()
    {
        Hotel h(false, crear_cuentas());
        poblar_enero(h);
        QVERIFY(h.traspasar(QStringLiteral("20130101"), QStringLiteral("20130106")).generacion.fichero_ok);
        const QStringList estados = estados_preparados(h);
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        const QStringList antes = volcado(enlace);
        QVERIFY(antes.size() > 10);
        QVERIFY(jet::marcar_sustituto(enlace, jet::Formato::Jet4));
        const QByteArray original = bytes(enlace);

        // Until converted, the start refuses it and says the way out.
        QString motivo;
        try {
            h.arrancar();
        } catch (const std::runtime_error& e) {
            motivo = QString::fromStdString(e.what());
        }
        QVERIFY2(motivo.contains(QStringLiteral("enlace3 migrar")), qPrintable(motivo));
        QVERIFY(bytes(enlace) == original);

        const Migracion m = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(m.resultado), int(Migracion::Resultado::Convertida));
        QVERIFY(m.mensaje.contains(QStringLiteral("enlace3-access.MDB")));
        QCOMPARE(jet::formato(enlace), jet::Formato::SQLite);
        QCOMPARE(volcado(enlace), antes);
        const QString copia = h.inst().unidades().toLocal(copia_de_migracion(kEnlace));
        QVERIFY(bytes(copia) == original);
        QCOMPARE(estados_preparados(h), estados);

        // A second conversion has nothing to do.
        const QByteArray convertida = bytes(enlace);
        const Migracion otra = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(otra.resultado), int(Migracion::Resultado::YaConvertida));
        QVERIFY(otra.mensaje.contains(QStringLiteral("nada que convertir")));
        QVERIFY(bytes(enlace) == convertida);

        // What was sent is not sent again: the same range writes no invoice.
        QVERIFY(h.traspasar(QStringLiteral("20130101"), QStringLiteral("20130106")).generacion.fichero_ok);
        QCOMPARE(estados_preparados(h), estados);
    }

    void aFailurePartWayLeavesTheOriginal()
    {
        Hotel h;
        poblar_enero(h);
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        QVERIFY(jet::marcar_sustituto(enlace, jet::Formato::Jet3));
        const QByteArray original = bytes(enlace);
        // The backup's place is taken by a folder that cannot be replaced.
        const QString copia = h.inst().unidades().toLocal(copia_de_migracion(kEnlace));
        QVERIFY(QDir().mkpath(copia + QStringLiteral("/ocupado")));

        const Migracion m = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(m.resultado), int(Migracion::Resultado::Fallo));
        QVERIFY2(m.mensaje.contains(QStringLiteral("El original sigue como estaba")), qPrintable(m.mensaje));
        QVERIFY(bytes(enlace) == original);
        QCOMPARE(jet::formato(enlace), jet::Formato::Jet3);
        QVERIFY(!QFile::exists(enlace + QStringLiteral(".convirtiendo")));

        // Not a database at all.
        QFile basura(enlace);
        QVERIFY(basura.open(QIODevice::WriteOnly | QIODevice::Truncate));
        basura.write(QByteArray(2048, 'z'));
        basura.close();
        QCOMPARE(int(migrar_enlace(h.inst().unidades(), kEnlace).resultado), int(Migracion::Resultado::Fallo));
        QCOMPARE(bytes(enlace), QByteArray(2048, 'z'));
    }
};

QTEST_GUILESS_MAIN(TestMigracion)
#include "test_migracion.moc"
