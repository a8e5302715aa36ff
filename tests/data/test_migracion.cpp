// Converting the Access link database of a Windows installation. The link
// database is built by the fixture builder and presented through the Jet
// reading path as a stand-in (no Jet writer exists).
#include "app/arranque.h"
#include "data/migracion.h"
#include "platform/jet.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace fixture;

static const QString kEnlace = QStringLiteral("F:\\noctaris\\enlace3.MDB");

// The table names, then every row of each table in order, every value with
// its storage type.
static QStringList volcado(const QString& ruta)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QStringList r, tablas;
    for (qsizetype i = -1; i < tablas.size(); ++i) {
        const QByteArray sql = i < 0 ? QByteArray("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")
                                     : "SELECT * FROM \"" + tablas[i].toUtf8() + "\" ORDER BY rowid";
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList celdas;
            for (int c = 0; c < sqlite3_column_count(s); ++c)
                celdas << QStringLiteral("%1=%2:%3").arg(QString::fromUtf8(sqlite3_column_name(s, c))).arg(sqlite3_column_type(s, c))
                              .arg(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c))));
            if (i < 0) tablas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
            r << celdas.join(QLatin1Char('|'));
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return r;
}

static QByteArray bytes(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TestMigracion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("ENLACE3_JET_SUSTITUTO", "1"); }

    void theStartUpOffersTheConversion()
    {
        Hotel h(false, crear_cuentas());
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        QVERIFY(jet::marcar_sustituto(enlace, jet::Formato::Jet4));
        for (const bool si : {false, true}) {
            platform::ScriptedInteraction ui;
            ui.answers = {si};
            A3ADO a(h.inst().unidades(), ui);
            QVERIFY(arranque::ofrecer_migracion(a));
            QCOMPARE(int(jet::formato(enlace)), int(si ? jet::Formato::SQLite : jet::Formato::Jet4));
            QCOMPARE(ui.shown.size(), size_t(si ? 2 : 1));
            QVERIFY(ui.shown[0].text.contains(kEnlace) && ui.shown[0].question);
        }
    }

    void convertsOnceAndKeepsTheOriginal()
    {
        Hotel h(false, crear_cuentas());
        poblar_enero(h);
        QVERIFY(h.traspasar(QStringLiteral("20130101"), QStringLiteral("20130106")).generacion.fichero_ok);
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        const QStringList antes = volcado(enlace);
        QVERIFY(antes.size() > 10 && jet::marcar_sustituto(enlace, jet::Formato::Jet4));
        const QByteArray original = bytes(enlace);
        // Until converted, the start refuses it and says the way out.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, h.arrancar());
        QVERIFY(bytes(enlace) == original);
        const Migracion m = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(m.resultado), int(Migracion::Resultado::Convertida));
        QVERIFY(m.mensaje.contains(QStringLiteral("enlace3-access.MDB")) && jet::formato(enlace) == jet::Formato::SQLite);
        QCOMPARE(volcado(enlace), antes);
        QVERIFY(bytes(h.inst().unidades().toLocal(copia_de_migracion(kEnlace))) == original);
        // A second conversion has nothing to do.
        const QByteArray convertida = bytes(enlace);
        const Migracion otra = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(otra.resultado), int(Migracion::Resultado::YaConvertida));
        QVERIFY(otra.mensaje.contains(QStringLiteral("nada que convertir")) && bytes(enlace) == convertida);
        // The converted file is the link's again: it starts and transfers.
        QVERIFY(h.traspasar(QStringLiteral("20130101"), QStringLiteral("20130106")).generacion.fichero_ok);
    }

    // An earlier backup (and anything else under a backup's name) stays: the
    // copy takes the next free name, and the message names it.
    void anEarlierBackupIsNeverReplaced()
    {
        Hotel h;
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        QVERIFY(jet::marcar_sustituto(enlace, jet::Formato::Jet4));
        const QByteArray original = bytes(enlace);
        QFile anterior(h.inst().unidades().toLocal(copia_de_migracion(kEnlace)));
        QVERIFY(anterior.open(QIODevice::WriteOnly) && anterior.write("copia anterior") == 14);
        anterior.close();
        QVERIFY(QDir().mkpath(h.inst().unidades().toLocal(copia_de_migracion(kEnlace, 2))));
        const Migracion m = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(m.resultado), int(Migracion::Resultado::Convertida));
        QVERIFY2(m.mensaje.endsWith(QStringLiteral("El original queda guardado en F:\\noctaris\\enlace3-access-3.MDB.")),
                 qPrintable(m.mensaje));
        QVERIFY(bytes(anterior.fileName()) == "copia anterior" && bytes(h.inst().unidades().toLocal(m.copia)) == original);
    }

    // The converted file cannot be written: the message says so, and the
    // original stays as it was, without a backup.
    void aFailurePartWayLeavesTheOriginal()
    {
        Hotel h;
        poblar_enero(h);
        const QString enlace = h.inst().unidades().toLocal(kEnlace);
        QVERIFY(jet::marcar_sustituto(enlace, jet::Formato::Jet3));
        const QByteArray original = bytes(enlace);
        QVERIFY(QDir().mkpath(enlace + QStringLiteral(".convirtiendo/ocupado")));
        const Migracion m = migrar_enlace(h.inst().unidades(), kEnlace);
        QCOMPARE(int(m.resultado), int(Migracion::Resultado::Fallo));
        QVERIFY2(m.mensaje.startsWith(QStringLiteral("No se ha convertido la base de datos del enlace F:\\noctaris\\enlace3.MDB: "
                                                     "no se ha podido escribir la base convertida "
                                                     "F:\\noctaris\\enlace3.MDB.convirtiendo ("))
                     && m.mensaje.endsWith(QStringLiteral("El original sigue como estaba.")),
                 qPrintable(m.mensaje));
        QVERIFY(bytes(enlace) == original && jet::formato(enlace) == jet::Formato::Jet3
                && !QFile::exists(h.inst().unidades().toLocal(copia_de_migracion(kEnlace))));
    }
};

QTEST_GUILESS_MAIN(TestMigracion)
#include "test_migracion.moc"
