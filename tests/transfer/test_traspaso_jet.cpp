// A hotel whose files are genuine Access files (presented through the Jet
// reading path by stand-ins, since no Jet writer exists): the run stages and
// writes exactly what it writes over SQLite files, and the hotel's files
// come out byte for byte as they went in.
#include "platform/jet.h"
#include "support/fixtures.h"

#include <QtTest>

using namespace fixture;

namespace {

const char* const kFicheros[] = {"emi.MDB", "hiscadia.MDB", "agen.MDB", "na.MDB", "caja.MDB", "cli.MDB", "formas.MDB"};

QString local(const Hotel& h, const char* archivo) { return h.inst().unidades().toLocal(QStringLiteral("F:\\noctaris\\") + QString::fromLatin1(archivo)); }

QByteArray huella(const Hotel& h)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* archivo : kFicheros) {
        QFile f(local(h, archivo));
        if (f.open(QIODevice::ReadOnly)) hash.addData(f.readAll());
    }
    return hash.result();
}

void poblar(Hotel& h)
{
    poblar_enero(h);
    // Null EmiN and EmiDep, a blank CliCta: only the normalising updates let them through.
    h.factura("12", "20130107", 44.0, {{"EmiN", QVariant()}, {"EmiDep", QVariant()}});
    h.cliente("1003", QStringLiteral(" "));
    h.factura("13", "20130107", 66.0, {{"EmiCli", "1003"}});
    h.cobro("20130105", 3, 1.0, "10", {{"CajaTur", "M"}});
}

} // namespace

class TestTraspasoJet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("ENLACE3_JET_SUSTITUTO", "1"); }

    void sameFileAndHotelFilesUntouched()
    {
        Hotel sqlite(false, crear_cuentas()), access(false, crear_cuentas());
        poblar(sqlite), poblar(access);
        QVERIFY(sqlite.traspasar("20130101", "20130131").generacion.fichero_ok);
        for (const char* archivo : kFicheros) QVERIFY(jet::marcar_sustituto(local(access, archivo), jet::Formato::Jet4));
        QCOMPARE(jet::formato(local(access, "emi.MDB")), jet::Formato::Jet4);
        const QByteArray antes = huella(access);
        QVERIFY(access.traspasar("20130101", "20130131").generacion.fichero_ok);
        QCOMPARE(access.lineas(), sqlite.lineas());
        QCOMPARE(estados_preparados(access), estados_preparados(sqlite));
        QCOMPARE(huella(access), antes);
        // The clean-up says it left the hotel's cash-desk marks as they are.
        const int marcas = access.contar("caja", "CajaTur <> ''");
        QVERIFY(marcas > 0);
        QStringList mensajes;
        access.limpiar("20130101", "20130131", &mensajes);
        QVERIFY2(mensajes.join('\n').contains(QStringLiteral("Marcas de caja del hotel no quitadas: %1 (caja.MDB").arg(marcas)), qPrintable(mensajes.join('\n')));
        QCOMPARE(access.contar("fac3"), 0);
        QCOMPARE(huella(access), antes);
        QCOMPARE(access.contar("caja", "CajaTur <> ''"), marcas);
    }
};

QTEST_GUILESS_MAIN(TestTraspasoJet)
#include "test_traspaso_jet.moc"
