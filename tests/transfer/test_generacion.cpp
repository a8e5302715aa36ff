// The writing of SUENLACE.DAT from staged rows: the whole file of a run with
// every section present, written out here by hand from the record layouts,
// the state of every staged row afterwards, the existing-file question and
// the runs that must leave rows pending.

#include "support/generacion_support.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace pruebas_generacion;

namespace {

const QString E = QStringLiteral("00001");
const QString FIN0 = sp(139) + QStringLiteral("EN");
const QString COLA_IVA = QStringLiteral("00.00+0000000000.0000.00+0000000000.0001S") + sp(77) + QStringLiteral("EN");
const QString VENTAS = QStringLiteral("VENTAS HOTEL                  ");
const QString EET = QStringLiteral("Impuesto EET                  ");
const QString DESGLOSE = QStringLiteral("Desglose N/Factura            ");

const QVariantMap kTodoActivo{{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"ca3Cre", true}};

// The staged rows of a January with every section present, plus rows that
// must not be written (other dates, already sent).
void preparar_enero(Entorno& e)
{
    e.cuenta({{"Cuenta", "430001001"}, {"Nombre", "García López Ana"}, {"Nif", "12345678Z"},
              {"Direccion", "Mayor 5"}, {"Localidad", "Benidorm"}, {"Cp", "03501"}, {"Provincia", "Alicante"},
              {"FechaAlta", "20130101"}});
    e.cuenta({{"Cuenta", "430001002"}, {"Nombre", "Ya enviada"}, {"FechaAlta", "20120101"}, {"Estado", "1"}});

    // Same date, 10 staged before 9: the file must hold 9 first.
    e.factura({{"FacFra", "10"}, {"FacFec", "20130105"}, {"FacCtaC", "430001001"},
               {"FacCliN", "Hermanos Fernández de la Vega y Cía"}, {"FacB2", 100.0}, {"FacI2", 10.0},
               {"FacC2", 10.0}, {"FacTotal", 110.0}, {"FacTasa", 0.0}});
    e.factura({{"FacFra", "9"}, {"FacFec", "20130105"}, {"FacCtaC", "430100201"}, {"FacCliN", "Viajes Sol Levante"},
               {"FacB1", 50.0}, {"FacI1", 21.0}, {"FacC1", 10.5}, {"FacB2", 80.0}, {"FacI2", 10.0}, {"FacC2", 8.0},
               {"FacTotal", 150.5}, {"FacTasa", 2.0}});
    // Only the tourist tax.
    e.factura({{"FacFra", "8"}, {"FacFec", "20130104"}, {"FacCtaC", "430001001"}, {"FacCliN", "García López Ana"},
               {"FacI2", 10.0}, {"FacTotal", 3.0}, {"FacTasa", 3.0}});
    e.factura({{"FacFra", "7"}, {"FacFec", "20130201"}, {"FacCtaC", "430001001"}, {"FacTotal", 5.0}});
    e.factura({{"FacFra", "6"}, {"FacFec", "20130103"}, {"FacCtaC", "430001001"}, {"FacTotal", 5.0},
               {"FacEst", "1"}});
    e.linea_venta("10", "705000001", 60.0);
    e.linea_venta("10", "705000002", 40.0);
    e.linea_venta("9", "705000001", 20.0);
    e.linea_venta("9", "705000003", 30.0);
    e.linea_venta("9", "705000001", 30.0);

    e.deposito({{"EdepFec", "20121220"}, {"EdepCli", "430001001"}, {"EdepImp", 50.0}, {"EdepFra", "5"}});
    e.deposito({{"EdepFec", "20130110"}, {"EdepCli", "430001001"}, {"EdepImp", 9.0}, {"EdepFra", "11"},
                {"EdepEstado", "1"}});

    e.cobro({{"CajFec", "20130104"}, {"CajOrd", 1}, {"CajImp", 110.0}, {"CajFra", "10"}, {"CajCli", "430001001"},
             {"CajCobro", "570000001"}, {"CajCobroN", "Contado"}});
    e.cobro({{"CajFec", "20130104"}, {"CajOrd", 2}, {"CajImp", 40.5}, {"CajFra", "9"}, {"CajCli", "430100201"},
             {"CajCobro", "572000001"}, {"CajCobroN", "Tarjeta de crédito"}});
    e.cobro({{"CajFec", "20130104"}, {"CajOrd", 3}, {"CajImp", 110.0}, {"CajFra", "9"}, {"CajCli", "430100201"},
             {"CajCobro", "570000001"}, {"CajCobroN", "Contado"}});
    e.cobro({{"CajFec", "20130106"}, {"CajOrd", 1}, {"CajImp", 30.0}, {"CajFra", ""}, {"CajCli", "561000000"},
             {"CajCobro", "570000001"}, {"CajCobroN", "Contado"}});
    e.cobro({{"CajFec", "20130107"}, {"CajOrd", 1}, {"CajImp", 12.0}, {"CajFra", "3"}, {"CajCli", "430001001"},
             {"CajCobro", "570000001"}, {"CajCobroN", "Contado"}, {"CajEstado", "1"}});
    e.cobro({{"CajFec", "20130215"}, {"CajOrd", 1}, {"CajImp", 12.0}, {"CajFra", "7"}, {"CajCli", "430001001"},
             {"CajCobro", "570000001"}, {"CajCobroN", "Contado"}});

    e.credito({{"Cre3Fec", "20130108"}, {"Cre3Ord", 1}, {"Cre3FecValor", "20130109"}, {"Cre3Cli", "430100201"},
               {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", "88"},
               {"Cre3Imp", 75.25}});
    e.credito({{"Cre3Fec", "20130228"}, {"Cre3Ord", 2}, {"Cre3FecValor", "20130301"}, {"Cre3Cli", "430100201"},
               {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", "89"},
               {"Cre3Imp", 10.0}});
}

QStringList lineas_enero()
{
    return {
        // account to create
        "4" + E + "20130101" "C" "430001001   " "García López Ana              " "S" "+0000000000.00" " " "    "
            "12345678Z     " "CL" "Mayor 5                       " + sp(11) + "Benidorm            " "03501"
            "Alicante       " "011" + sp(58) + sp(17) + "EN",
        // invoice 8: only the tourist tax, on the tourist-tax account, no breakdown
        "4" + E + "20130104" "1" "430001001   " "García López Ana              " "1" "8         " "I"
            "Nuestra Factura N.8           " "+0000000003.00" + FIN0,
        "4" + E + "20130104" "9" "47530000    " + EET + "C" "8         " "U" "Nuestra Factura N.8           "
            "01" "+0000000003.00" "10.00" "+0000000000.00" + COLA_IVA,
        // invoice 9: bands 1 and 2, tourist tax in the band-2 base, breakdown
        "4" + E + "20130105" "1" "430100201   " "Viajes Sol Levante            " "1" "9         " "I"
            "Nuestra Factura N.9           " "+0000000150.50" + FIN0,
        "4" + E + "20130105" "9" "705999999   " + VENTAS + "C" "9         " "M" "Nuestra Factura N.9           "
            "01" "+0000000050.00" "21.00" "+0000000010.50" + COLA_IVA,
        "4" + E + "20130105" "9" "705999999   " + VENTAS + "C" "9         " "U" "Nuestra Factura N.9           "
            "01" "+0000000082.00" "10.00" "+0000000008.00" + COLA_IVA,
        "4" + E + "20130105" "0" "47530000    " + EET + "H" "9         " "I" + EET + "+0000000002.00" + FIN0,
        "4" + E + "20130105" "0" "705000001   " "??????????????????????????????" "H" "9         " "M" + DESGLOSE
            + "+0000000050.00" + FIN0,
        "4" + E + "20130105" "0" "705000003   " "??????????????????????????????" "H" "9         " "M" + DESGLOSE
            + "+0000000030.00" + FIN0,
        "4" + E + "20130105" "0" "705999999   " + VENTAS + "D" "9         " "U" + DESGLOSE + "+0000000082.00" + FIN0,
        // invoice 10: name of 35 characters cut to 30
        "4" + E + "20130105" "1" "430001001   " "Hermanos Fernández de la Vega " "1" "10        " "I"
            "Nuestra Factura N.10          " "+0000000110.00" + FIN0,
        "4" + E + "20130105" "9" "705999999   " + VENTAS + "C" "10        " "U" "Nuestra Factura N.10          "
            "01" "+0000000100.00" "10.00" "+0000000010.00" + COLA_IVA,
        "4" + E + "20130105" "0" "705000001   " "??????????????????????????????" "H" "10        " "I" + DESGLOSE
            + "+0000000060.00" + FIN0,
        "4" + E + "20130105" "0" "705000002   " "??????????????????????????????" "H" "10        " "M" + DESGLOSE
            + "+0000000040.00" + FIN0,
        "4" + E + "20130105" "0" "705999999   " + VENTAS + "D" "10        " "U" + DESGLOSE + "+0000000100.00" + FIN0,
        // the deposit of December, whatever the range
        "4" + E + "20121220" "0" "561000000   " + sp(30) + "D" + sp(10) + "I" "Dep.Descontado Factura 5      "
            "+0000000050.00" + FIN0,
        "4" + E + "20121220" "0" "430001001   " + sp(30) + "H" + sp(10) + "U" "Dep.Descontado Factura 5      "
            "+0000000050.00" + FIN0,
        // cash desk, 4 January: two payment methods, three collections
        "4" + E + "20130104" "0" "570000001   " "Contado                       " "D" + sp(10) + "I"
            "Cobros Dia Contado            " "+0000000220.00" + FIN0,
        "4" + E + "20130104" "0" "572000001   " "Tarjeta de crédito            " "D" + sp(10) + "M"
            "Cobros Dia Tarjeta de crédito " "+0000000040.50" + FIN0,
        "4" + E + "20130104" "0" "430001001   " + sp(30) + "H" "10        " "M" "Cobros N/Factura N. 10        "
            "+0000000110.00" + FIN0,
        "4" + E + "20130104" "0" "430100201   " + sp(30) + "H" "9         " "M" "Cobros N/Factura N. 9         "
            "+0000000040.50" + FIN0,
        "4" + E + "20130104" "0" "430100201   " + sp(30) + "H" "9         " "U" "Cobros N/Factura N. 9         "
            "+0000000110.00" + FIN0,
        // cash desk, 6 January: an advance payment without invoice
        "4" + E + "20130106" "0" "570000001   " "Contado                       " "D" + sp(10) + "I"
            "Cobros Dia Contado            " "+0000000030.00" + FIN0,
        "4" + E + "20130106" "0" "561000000   " + sp(30) + "H" + sp(10) + "U" "Cobros N/Factura N.           "
            "+0000000030.00" + FIN0,
        // the credit whose value date is in the range
        "4" + E + "20130109" "0" "572000002   " "Transferencia bancaria        " "D" "88        " "I"
            "Cobro Credito Factura88       " "+0000000075.25" + FIN0,
        "4" + E + "20130109" "0" "430100201   " + sp(30) + "H" "88        " "U" "Cobro Credito Factura88       "
            "+0000000075.25" + FIN0,
    };
}

} // namespace

class TestGeneracion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escribe_todas_las_secciones_y_marca_lo_escrito();
    void fichero_existente_borrado_o_ampliado();
    void sin_crear_cuentas_ni_traspasar_creditos();
    void registro_que_no_cabe_se_queda_pendiente();
    void carpeta_inexistente_no_marca_nada();
    void fichero_de_solo_lectura_no_marca_nada();
    void disco_lleno_no_marca_nada();
    void codigo_de_empresa_incorrecto_no_escribe_nada();
};

void TestGeneracion::escribe_todas_las_secciones_y_marca_lo_escrito()
{
    Entorno e(kTodoActivo);
    preparar_enero(e);
    e.a().cn_enlace.trace = true;

    const ResultadoGeneracion r = e.generar("20130101", "20130131");

    QVERIFY2(r.completo(), qPrintable(r.error + r.omitidos.join("\n")));
    QCOMPARE(r.ruta, QStringLiteral("F:\\NOCTARIS\\Suenlace.dat"));
    QCOMPARE(r.cuentas, 1);
    QCOMPARE(r.facturas, 3);
    QCOMPARE(r.depositos, 1);
    QCOMPARE(r.dias_caja, 2);
    QCOMPARE(r.creditos, 1);
    QVERIFY(e.ui.shown.empty());   // no file before: no question
    COMPARAR_FICHERO(e, lineas_enero());

    QCOMPARE(sin_diario(e.a().cn_enlace.executed),
             QStringList({"UPDATE caj3 Set CajEstado = '1' WHERE CajFEc = '20130104'",
                          "UPDATE caj3 Set CajEstado = '1' WHERE CajFEc = '20130106'"}));

    QCOMPARE(e.estados("ctas3", "Cuenta", "Estado", "Cuenta"), QStringList({"430001001=1", "430001002=1"}));
    QCOMPARE(e.estados("fac3", "FacFra", "FacEst", "FacFec, FacFra"),
             QStringList({"6=1", "8=1", "10=1", "9=1", "7=0"}));
    QCOMPARE(e.estados("edep3", "EdepFra", "EdepEstado", "EdepFec"), QStringList({"5=1", "11=1"}));
    QCOMPARE(e.estados("caj3", "CajFec", "CajEstado", "CajFec, CajOrd"),
             QStringList({"20130104=1", "20130104=1", "20130104=1", "20130106=1", "20130107=1", "20130215=0"}));
    QCOMPARE(e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Fec"), QStringList({"88=1", "89=0"}));

    // A second run finds nothing left to send.
    e.ui.answers = {true};
    const ResultadoGeneracion otra = e.generar("20130101", "20130131");
    QVERIFY(otra.completo());
    QCOMPARE(otra.cuentas + otra.facturas + otra.depositos + otra.dias_caja + otra.creditos, 0);
    QCOMPARE(e.bytes(), QByteArray());
}

void TestGeneracion::fichero_existente_borrado_o_ampliado()
{
    const QString previa = "4" + E + "20121231" "C" "430009999   " + sp(30) + "S" "+0000000000.00" + sp(5)
        + sp(14) + "CL" + sp(30) + sp(11) + sp(20) + sp(5) + sp(15) + "011" + sp(75) + "EN";
    const QString pregunta = QStringLiteral(
        "El fichero F:\\NOCTARIS\\Suenlace.dat, ya está generado. ¿Desea borrar la información anterior?");

    for (const bool borrar : {true, false}) {
        Entorno e(kTodoActivo);
        preparar_enero(e);
        {
            QFile f(e.fichero());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(previa.toLatin1() + "\r\n");
        }
        e.ui.answers = {borrar};
        const ResultadoGeneracion r = e.generar("20130101", "20130131");
        QVERIFY(r.completo());

        QCOMPARE(e.ui.shown.size(), size_t(1));
        QCOMPARE(e.ui.shown[0].text, pregunta);
        QCOMPARE(e.ui.shown[0].title, QStringLiteral("Atención Muy Importante"));
        QVERIFY(e.ui.shown[0].question);
        QCOMPARE(e.ui.shown[0].icon, platform::Icon::Information);

        QStringList esperadas = lineas_enero();
        if (!borrar)
            esperadas.prepend(previa);
        COMPARAR_FICHERO(e, esperadas);
    }
}

void TestGeneracion::sin_crear_cuentas_ni_traspasar_creditos()
{
    // Accounts stay pending; cre3 is left as it was.
    Entorno e({{"ca3nif", true}, {"Ca3CrearCuentas", false}, {"ca3Cre", false}});
    preparar_enero(e);
    const QList<QVariantMap> antes = e.inst().filas("cre3");
    const ResultadoGeneracion r = e.generar("20130101", "20130131");
    QVERIFY(r.completo());
    QCOMPARE(r.cuentas, 0);
    QCOMPARE(r.creditos, 0);
    const QStringList todas = lineas_enero();
    COMPARAR_FICHERO(e, todas.mid(1, todas.size() - 3));
    QCOMPARE(e.estados("ctas3", "Cuenta", "Estado", "Cuenta"), QStringList({"430001001=0", "430001002=1"}));
    QCOMPARE(e.inst().filas("cre3"), antes);
}

void TestGeneracion::registro_que_no_cabe_se_queda_pendiente()
{
    Entorno e(kTodoActivo);
    preparar_enero(e);
    // Eleven characters: no room in the 10-character document field.
    e.factura({{"FacFra", "12345678901"}, {"FacFec", "20130104"}, {"FacCtaC", "430001001"},
               {"FacCliN", "Largo"}, {"FacB2", 10.0}, {"FacI2", 10.0}, {"FacC2", 1.0}, {"FacTotal", 11.0}});
    // A postcode of six characters was stored uncut: it has no valid record.
    e.cuenta({{"Cuenta", "430000201"}, {"Nombre", "Agencia Norte"}, {"Cp", "E-08001"}, {"FechaAlta", "20130101"}});

    const ResultadoGeneracion r = e.generar("20130101", "20130131");

    QVERIFY(r.fichero_ok);
    QVERIFY(!r.completo());
    QCOMPARE(r.cuentas, 1);
    QCOMPARE(r.facturas, 3);
    QCOMPARE(r.omitidos.size(), 2);
    QVERIFY2(r.omitidos[0].startsWith("Cuenta 430000201: "), qPrintable(r.omitidos[0]));
    QVERIFY2(r.omitidos[1].startsWith("Factura 12345678901 del ejercicio 2013: "), qPrintable(r.omitidos[1]));
    QVERIFY2(r.omitidos[1].indexOf("12345678901", 10) > 0, qPrintable(r.omitidos[1]));
    COMPARAR_FICHERO(e, lineas_enero());
    QCOMPARE(e.estados("fac3", "FacFra", "FacEst", "FacFec, FacFra"),
             QStringList({"6=1", "12345678901=0", "8=1", "10=1", "9=1", "7=0"}));
    QCOMPARE(e.estados("ctas3", "Cuenta", "Estado", "Cuenta"),
             QStringList({"430000201=0", "430001001=1", "430001002=1"}));
}

namespace {

QStringList todos_los_estados(Entorno& e)
{
    return e.estados("ctas3", "Cuenta", "Estado", "Cuenta") + e.estados("fac3", "FacFra", "FacEst", "FacFra")
        + e.estados("edep3", "EdepFra", "EdepEstado", "EdepFra")
        + e.estados("caj3", "CajFec", "CajEstado", "CajFec, CajOrd")
        + e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Fra");
}

} // namespace

void TestGeneracion::carpeta_inexistente_no_marca_nada()
{
    Entorno e({{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"ca3Cre", true}, {"Ca3ruta", "F:\\EXPORTA\\A3"}});
    preparar_enero(e);
    const QStringList antes = todos_los_estados(e);

    const ResultadoGeneracion r = e.generar("20130101", "20130131");

    QVERIFY(!r.fichero_ok);
    QVERIFY(!r.completo());
    QCOMPARE(r.ruta, QStringLiteral("F:\\EXPORTA\\A3\\Suenlace.dat"));
    QVERIFY2(r.error.contains("F:\\EXPORTA\\A3\\Suenlace.dat"), qPrintable(r.error));
    QCOMPARE(r.facturas + r.cuentas + r.depositos + r.dias_caja + r.creditos, 0);
    QCOMPARE(todos_los_estados(e), antes);
    QVERIFY(!QFile::exists(e.inst().ruta("F:\\EXPORTA\\A3\\Suenlace.dat")));
}

void TestGeneracion::fichero_de_solo_lectura_no_marca_nada()
{
    for (const bool borrar : {true, false}) {
        Entorno e(kTodoActivo);
        preparar_enero(e);
        const QByteArray previo = "contenido anterior\r\n";
        {
            QFile f(e.fichero());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(previo);
        }
        QVERIFY(QFile::setPermissions(e.fichero(), QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                       | QFileDevice::ReadOther));
        const QStringList antes = todos_los_estados(e);
        e.ui.answers = {borrar};

        const ResultadoGeneracion r = e.generar("20130101", "20130131");

        QVERIFY(!r.fichero_ok);
        QVERIFY2(r.error.contains("F:\\NOCTARIS\\Suenlace.dat"), qPrintable(r.error));
        QCOMPARE(todos_los_estados(e), antes);
        QCOMPARE(e.bytes(), previo);
        QFile::setPermissions(e.fichero(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

void TestGeneracion::disco_lleno_no_marca_nada()
{
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        QSKIP("this system has no /dev/full");
    Entorno e(kTodoActivo);
    preparar_enero(e);
    // A device where the file should be: it cannot be replaced by a finished
    // file, and nothing may be marked as sent.
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), e.fichero()));
    const QStringList antes = todos_los_estados(e);
    e.ui.answers = {true};

    const ResultadoGeneracion r = e.generar("20130101", "20130131");

    QVERIFY(!r.fichero_ok);
    QCOMPARE(r.error, QStringLiteral("No se ha podido abrir el fichero F:\\NOCTARIS\\Suenlace.dat: no es un fichero normal."));
    QCOMPARE(r.facturas + r.cuentas + r.depositos + r.dias_caja + r.creditos, 0);
    QCOMPARE(todos_los_estados(e), antes);
    QVERIFY(QFileInfo(e.fichero()).isSymLink());
}

void TestGeneracion::codigo_de_empresa_incorrecto_no_escribe_nada()
{
    // The company code must be exactly five characters: no line can be made.
    Entorno e({{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"ca3Cre", true}, {"ca3Emp", "1"}});
    preparar_enero(e);
    const QStringList antes = todos_los_estados(e);

    const ResultadoGeneracion r = e.generar("20130101", "20130131");

    QVERIFY(r.fichero_ok);
    QVERIFY(!r.completo());
    QCOMPARE(r.cuentas + r.facturas + r.depositos + r.dias_caja + r.creditos, 0);
    // One account, three invoices, one deposit, two days, one credit.
    QCOMPARE(r.omitidos.size(), 8);
    QCOMPARE(e.bytes(), QByteArray());
    QCOMPARE(todos_los_estados(e), antes);
}

QTEST_GUILESS_MAIN(TestGeneracion)
#include "test_generacion.moc"
