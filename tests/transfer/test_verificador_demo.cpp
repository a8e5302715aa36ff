// The demo installation's month transferred from the batch line: with the
// sales breakdown and account records on, SUENLACE.DAT is byte for byte the
// file kept in tests/golden; as installed (an older link database) the
// checker finds no fault and its summary counts are the rows the run marked.

#include "support/fixtures.h"
#include "transfer/records/verificador.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestVerificadorDemo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void traspasoDelMes();
};

void TestVerificadorDemo::traspasoDelMes()
{
    for (const bool desglose : {true, false}) {
        QTemporaryDir dir;
        demo::Opciones opciones = demo::Opciones::demostracion();
        opciones.enlace_antiguo = !desglose;
        demo::Instalacion inst(dir.filePath("raiz"), opciones);
        inst.construir();
        if (desglose) inst.configurar({{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}});
        const auto n = [&](const QString& tabla, const QString& where) { return qint64(inst.contar(tabla, where)); };
        const QString enero = " BETWEEN '20130101' AND '20130131'";
        const QString depositos = "EdepEstado = '1'", creditos = "Cre3Estado = '1' AND Cre3FecValor" + enero;
        // Rows sent by earlier runs (an older link database may lack the table).
        qint64 antes = n("cre3", creditos);
        try { antes += n("edep3", depositos); } catch (const demo::ErrorInstalacion&) {}
        inst.cerrar();
        const fixture::Salida s = fixture::lote(inst.raiz(), "traspasar", {"01012013", "31012013", "--sobrescribir"});
        QVERIFY2(s.estado == 0, qPrintable(s.out + s.err));
        const QString ruta = inst.ruta("F:\\NOCTARIS\\Suenlace.dat");
        exigirFicheroValido(ruta);
        if (QTest::currentTestFailed()) return;
        if (desglose) {
            QFile hecho(ruta), golden(QStringLiteral(ENLACE3_SOURCE_DIR "/tests/golden/suenlace_demo_2013_01.dat"));
            QVERIFY(hecho.open(QIODevice::ReadOnly) && golden.open(QIODevice::ReadOnly));
            QVERIFY2(hecho.readAll() == golden.readAll(), "SUENLACE.DAT differs from tests/golden");
            continue;
        }
        const verificador::Resumen r = verificador::verificar_fichero(ruta).value().resumen;
        const qint64 facturas = n("fac3", "FacEst = '1' AND FacFec" + enero);
        const qint64 dias = inst.consultar("caj3", "SELECT Count(DISTINCT CajFec) AS n FROM caj3 WHERE Round(CajImp, 2) "
                                                   "<> 0 AND CajFec" + enero).value(0).value("n").toLongLong();
        QVERIFY(facturas > 100 && dias > 20);
        QCOMPARE(r.facturas, facturas);
        QCOMPARE(r.cuentas, 0);
        QCOMPARE(r.debe, r.haber);
        // A journal entry per deposit, credit and cash day: nothing else without the breakdown.
        QCOMPARE(r.asientos, n("edep3", depositos) + n("cre3", creditos) - antes + dias);
        QCOMPARE(r.lineas, r.cuentas + r.facturas + r.lineas_iva + r.apuntes);
    }
}

QTEST_GUILESS_MAIN(TestVerificadorDemo)
#include "test_verificador_demo.moc"
