// The demo installation's month transferred from the batch line gives a
// SUENLACE.DAT the checker finds no fault in, and whose summary counts are
// the rows the run staged and marked.

#include "app/comando_traspasar.h"
#include "demo/instalacion.h"
#include "support/verificador_support.h"
#include "transfer/records/verificador.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

qint64 numero(demo::Instalacion& inst, const QString& tabla, const QString& sql)
{
    const QList<QVariantMap> filas = inst.consultar(tabla, sql);
    return filas.isEmpty() ? -1 : filas.first().value("n").toLongLong();
}

// Before the first start-up an older link database lacks some tables.
qint64 numero_si_existe(demo::Instalacion& inst, const QString& tabla, const QString& sql)
{
    try {
        return numero(inst, tabla, sql);
    } catch (const demo::ErrorInstalacion&) {
        return 0;
    }
}

} // namespace

class TestVerificadorDemo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void traspasoDelMes_data();
    void traspasoDelMes();
};

void TestVerificadorDemo::traspasoDelMes_data()
{
    QTest::addColumn<bool>("desglose");
    QTest::newRow("como se instala") << false;
    // Sales breakdown and account records on: every entry form the link writes.
    QTest::newRow("desglose y cuentas") << true;
}

void TestVerificadorDemo::traspasoDelMes()
{
    QFETCH(bool, desglose);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    demo::Opciones opciones = demo::Opciones::demostracion();
    opciones.enlace_antiguo = !desglose;  // the current link database has every setting column
    demo::Instalacion inst(dir.filePath("raiz"), opciones);
    inst.construir();
    if (desglose)
        inst.configurar({{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}});
    // Rows sent by earlier runs: the file holds only this run's.
    const QString rango = "BETWEEN '20130101' AND '20130131'";
    const qint64 creditos_antes = numero_si_existe(
        inst, "cre3", "SELECT Count(*) AS n FROM cre3 WHERE Cre3Estado = '1' AND Cre3FecValor " + rango);
    const qint64 depositos_antes = numero_si_existe(inst, "edep3", "SELECT Count(*) AS n FROM edep3 WHERE EdepEstado = '1'");
    const qint64 cuentas_antes = desglose ? numero_si_existe(inst, "ctas3", "SELECT Count(*) AS n FROM ctas3 WHERE Estado = '1'") : 0;
    inst.cerrar();

    qputenv("ENLACE3_DOSDEVICES", QFile::encodeName(inst.raiz()));
    QString out;
    QString err;
    QTextStream so(&out);
    QTextStream se(&err);
    const int estado = comando_traspasar({"01012013", "31012013", "--sobrescribir"}, so, se);
    so.flush();
    se.flush();
    QVERIFY2(estado == 0, qPrintable(out + err));

    const QString ruta = inst.ruta("F:\\NOCTARIS\\Suenlace.dat");
    exigirFicheroValido(ruta);
    if (QTest::currentTestFailed())
        return;
    const auto informe = verificador::verificar_fichero(ruta);
    QVERIFY(informe);
    const verificador::Resumen& r = informe->resumen;

    const qint64 facturas = numero(inst, "fac3", "SELECT Count(*) AS n FROM fac3 WHERE FacEst = '1' AND FacFec " + rango);
    const qint64 depositos = numero(inst, "edep3", "SELECT Count(*) AS n FROM edep3 WHERE EdepEstado = '1'")
        - depositos_antes;
    const qint64 creditos = numero(
        inst, "cre3", "SELECT Count(*) AS n FROM cre3 WHERE Cre3Estado = '1' AND Cre3FecValor " + rango)
        - creditos_antes;
    const qint64 cuentas = desglose
        ? numero(inst, "ctas3", "SELECT Count(*) AS n FROM ctas3 WHERE Estado = '1'") - cuentas_antes
        : 0;
    // A day's entry: one debit line per payment method whose total is not
    // zero, one credit line per collection that is not zero.
    const qint64 cobros = numero(
        inst, "caj3", "SELECT Count(*) AS n FROM caj3 WHERE Round(CajImp, 2) <> 0 AND CajFec " + rango);
    const qint64 formas = numero(inst, "caj3",
                                 "SELECT Count(*) AS n FROM (SELECT CajFec FROM caj3 WHERE CajFec " + rango
                                     + " GROUP BY CajFec, CajCobroN, CajCobro HAVING Round(Sum(CajImp), 2) <> 0)");
    const qint64 dias = numero(inst, "caj3",
                               "SELECT Count(DISTINCT CajFec) AS n FROM caj3 WHERE Round(CajImp, 2) <> 0 AND CajFec "
                                   + rango);
    QVERIFY(facturas > 100);
    QVERIFY(dias > 20);
    QVERIFY(depositos > 0);
    QVERIFY(creditos > 0);

    QCOMPARE(r.facturas, facturas);
    QCOMPARE(r.cuentas, cuentas);
    QVERIFY(r.lineas_iva >= r.facturas);
    QCOMPARE(r.debe, r.haber);
    if (desglose) {
        // One breakdown entry per invoice that is not tax-only; its lines
        // depend on the sales lines, so only the entries are counted.
        QVERIFY(r.asientos > depositos + creditos + dias);
        QVERIFY(r.apuntes > 2 * depositos + 2 * creditos + cobros + formas);
        QVERIFY(cuentas > 0);
    } else {
        QCOMPARE(r.asientos, depositos + creditos + dias);
        QCOMPARE(r.apuntes, 2 * depositos + 2 * creditos + cobros + formas);
    }
    QCOMPARE(r.lineas, r.cuentas + r.facturas + r.lineas_iva + r.apuntes);
}

QTEST_GUILESS_MAIN(TestVerificadorDemo)
#include "test_verificador_demo.moc"
