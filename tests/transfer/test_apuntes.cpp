// Journal entries of the cash desk, the deposits and the credits, through a
// real run over staged rows: lines written out by hand, the marks of each
// day, and the entries that always open with "I" and close with "U".

#include "support/generacion_support.h"

#include <QtTest>

using namespace pruebas_generacion;

namespace {

const QString E = QStringLiteral("00001");
const QString FIN0 = sp(139) + QStringLiteral("EN");

// A staged collection of 15 January 2013.
void cobro(Entorno& e, int orden, double imp, const QString& fra, const QString& cli, const QString& cobro,
           const QString& nombre, const QString& fecha = "20130115")
{
    e.cobro({{"CajFec", fecha}, {"CajOrd", orden}, {"CajImp", imp}, {"CajFra", fra}, {"CajCli", cli},
             {"CajCobro", cobro}, {"CajCobroN", nombre}});
}

QString debe(const QString& cuenta, const QString& nombre30, const QString& pos, const QString& concepto,
             const QString& importe, const QString& fecha = "20130115")
{
    return "4" + E + fecha + "0" + cuenta + nombre30 + "D" + sp(10) + pos + concepto + importe + FIN0;
}

QString haber(const QString& cuenta, const QString& doc10, const QString& pos, const QString& concepto,
              const QString& importe, const QString& fecha = "20130115")
{
    return "4" + E + fecha + "0" + cuenta + sp(30) + "H" + doc10 + pos + concepto + importe + FIN0;
}

} // namespace

class TestApuntes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dias_de_caja();
    void dia_de_una_sola_linea();
    void dia_que_no_cabe_queda_entero_pendiente();
    void dia_sin_cobros_pendientes_no_cambia_nada();
    void depositos_de_cualquier_fecha_y_creditos_por_fecha_valor();
    void deposito_o_credito_que_no_cabe_queda_pendiente();
};

void TestApuntes::dias_de_caja()
{
    Entorno e;
    // 15th: two methods and three collections.
    cobro(e, 1, 10.0, "101", "430000101", "572000001", "Tarjeta");
    cobro(e, 2, 20.0, "102", "430000102", "570000001", "Contado");
    cobro(e, 3, 5.0, "103", "430000103", "572000001", "Tarjeta");
    // 16th: "Contado" comes first and sums to zero (a collection and its
    // refund, the refund with a binary remainder): no debit line; the total
    // of "Tarjeta" opens the day.
    cobro(e, 1, 0.1 + 0.2, "201", "430000201", "570000001", "Contado", "20130116");
    cobro(e, 2, -0.3, "201", "430000201", "570000001", "Contado", "20130116");
    cobro(e, 3, 120.0, "202", "430000202", "572000001", "Tarjeta", "20130116");
    // 17th: the day closes on the last line written, not on the zero collection.
    cobro(e, 1, 10.0, "301", "430000301", "570000001", "Contado", "20130117");
    cobro(e, 2, 5.0, "302", "430000302", "570000001", "Contado", "20130117");
    cobro(e, 3, 0.0, "303", "430000303", "570000001", "Contado", "20130117");
    // 18th: the method's total is zero: only the collections are written,
    // the first one opening the entry.
    cobro(e, 1, 25.0, "401", "430000401", "570000001", "Contado", "20130118");
    cobro(e, 2, -25.0, "402", "430000402", "570000001", "Contado", "20130118");
    cobro(e, 3, 0.0, "403", "430000403", "570000001", "Contado", "20130118");
    // 19th: a zero method first, then a method whose total is zero too.
    cobro(e, 1, 0.0, "", "561000000", "570000001", "Contado", "20130119");
    cobro(e, 2, 7.5, "", "561000000", "572000001", "Tarjeta", "20130119");
    cobro(e, 3, -7.5, "", "561000000", "572000001", "Tarjeta", "20130119");
    // 20th: a name of 25 characters, whole in the description, its first 19
    // in the concept; a negative collection.
    const QString nombre = "Transferencia internacion";
    cobro(e, 1, 200.0, "501", "430000501", "572000009", nombre, "20130120");
    cobro(e, 2, -50.25, "502", "430000502", "572000009", nombre, "20130120");

    const ResultadoGeneracion r = e.generar("20130115", "20130120");
    QVERIFY(r.completo());
    QCOMPARE(r.dias_caja, 6);
    const QString contado = "Contado                       ";
    const QString tarjeta = "Tarjeta                       ";
    const QString sin_factura = "Cobros N/Factura N. " + sp(10);
    COMPARAR_FICHERO(e,
                    QStringList({
                        debe("570000001   ", contado, "I", "Cobros Dia Contado            ", "+0000000020.00"),
                        debe("572000001   ", tarjeta, "M", "Cobros Dia Tarjeta            ", "+0000000015.00"),
                        haber("430000101   ", "101       ", "M", "Cobros N/Factura N. 101       ", "+0000000010.00"),
                        haber("430000102   ", "102       ", "M", "Cobros N/Factura N. 102       ", "+0000000020.00"),
                        haber("430000103   ", "103       ", "U", "Cobros N/Factura N. 103       ", "+0000000005.00"),
                        debe("572000001   ", tarjeta, "I", "Cobros Dia Tarjeta            ", "+0000000120.00",
                             "20130116"),
                        haber("430000201   ", "201       ", "M", "Cobros N/Factura N. 201       ", "+0000000000.30",
                              "20130116"),
                        haber("430000201   ", "201       ", "M", "Cobros N/Factura N. 201       ", "-0000000000.30",
                              "20130116"),
                        haber("430000202   ", "202       ", "U", "Cobros N/Factura N. 202       ", "+0000000120.00",
                              "20130116"),
                        debe("570000001   ", contado, "I", "Cobros Dia Contado            ", "+0000000015.00",
                             "20130117"),
                        haber("430000301   ", "301       ", "M", "Cobros N/Factura N. 301       ", "+0000000010.00",
                              "20130117"),
                        haber("430000302   ", "302       ", "U", "Cobros N/Factura N. 302       ", "+0000000005.00",
                              "20130117"),
                        haber("430000401   ", "401       ", "I", "Cobros N/Factura N. 401       ", "+0000000025.00",
                              "20130118"),
                        haber("430000402   ", "402       ", "U", "Cobros N/Factura N. 402       ", "-0000000025.00",
                              "20130118"),
                        haber("561000000   ", sp(10), "I", sin_factura, "+0000000007.50", "20130119"),
                        haber("561000000   ", sp(10), "U", sin_factura, "-0000000007.50", "20130119"),
                        debe("572000009   ", "Transferencia internacion     ", "I",
                             "Cobros Dia Transferencia inter", "+0000000149.75", "20130120"),
                        haber("430000501   ", "501       ", "M", "Cobros N/Factura N. 501       ", "+0000000200.00",
                              "20130120"),
                        haber("430000502   ", "502       ", "U", "Cobros N/Factura N. 502       ", "-0000000050.25",
                              "20130120"),
                    }));
    // Every collection of the days written is marked, the zero ones too.
    QCOMPARE(e.inst().contar("caj3", "CajEstado <> '1'"), 0);
}

void TestApuntes::dia_de_una_sola_linea()
{
    Entorno e;
    // Each collection is nothing in cents; their total is one cent.
    cobro(e, 1, 0.004, "451", "430000451", "570000001", "Contado");
    cobro(e, 2, 0.004, "452", "430000452", "570000001", "Contado");

    const ResultadoGeneracion r = e.generar("20130115", "20130115");
    QVERIFY(r.completo());
    QCOMPARE(r.dias_caja, 1);
    COMPARAR_LINEAS(e.lineas(), QStringList({debe("570000001   ", "Contado                       ", "I",
                                                  "Cobros Dia Contado            ", "+0000000000.01")}));
}

void TestApuntes::dia_que_no_cabe_queda_entero_pendiente()
{
    Entorno e;
    cobro(e, 1, 10.0, "601", "430000601", "570000001", "Contado", "20130114");
    // An account of 13 characters has no room in the 12 of the record.
    cobro(e, 1, 10.0, "602", "4300006020000", "570000001", "Contado");
    cobro(e, 2, 30.0, "603", "430000603", "570000001", "Contado");
    cobro(e, 1, 40.0, "604", "430000604", "570000001", "Contado", "20130116");

    const ResultadoGeneracion r = e.generar("20130114", "20130116");
    QVERIFY(r.fichero_ok);
    QVERIFY(!r.completo());
    QCOMPARE(r.dias_caja, 2);
    QCOMPARE(r.omitidos.size(), 1);
    QVERIFY2(r.omitidos[0].startsWith("Cobros de caja del día 15-01-2013: "), qPrintable(r.omitidos[0]));
    QVERIFY2(r.omitidos[0].contains("4300006020000"), qPrintable(r.omitidos[0]));
    COMPARAR_FICHERO(e,
                    QStringList({
                        debe("570000001   ", "Contado                       ", "I",
                             "Cobros Dia Contado            ", "+0000000010.00", "20130114"),
                        haber("430000601   ", "601       ", "U", "Cobros N/Factura N. 601       ", "+0000000010.00",
                              "20130114"),
                        debe("570000001   ", "Contado                       ", "I",
                             "Cobros Dia Contado            ", "+0000000040.00", "20130116"),
                        haber("430000604   ", "604       ", "U", "Cobros N/Factura N. 604       ", "+0000000040.00",
                              "20130116"),
                    }));
    QCOMPARE(e.estados("caj3", "CajFra", "CajEstado", "CajFec, CajOrd"),
             QStringList({"601=1", "602=0", "603=0", "604=1"}));
}

void TestApuntes::dia_sin_cobros_pendientes_no_cambia_nada()
{
    Entorno e;
    cobro(e, 1, 10.0, "701", "430000701", "570000001", "Contado");
    e.inst().ejecutar("caj3", "UPDATE caj3 SET CajEstado = '1'");
    cobro(e, 1, 10.0, "702", "430000702", "570000001", "Contado", "20130120");
    e.a().cn_enlace.trace = true;

    QVERIFY(e.generar("20130115", "20130119").completo());
    QCOMPARE(e.bytes(), QByteArray());
    QCOMPARE(sin_diario(e.a().cn_enlace.executed), QStringList());
    QCOMPARE(e.estados("caj3", "CajFra", "CajEstado", "CajFec"), QStringList({"701=1", "702=0"}));
}

void TestApuntes::depositos_de_cualquier_fecha_y_creditos_por_fecha_valor()
{
    Entorno e;   // credits are sent in the current settings
    e.deposito({{"EdepFec", "20130220"}, {"EdepCli", "430000811"}, {"EdepImp", 0.0}, {"EdepFra", "4712"}});
    e.deposito({{"EdepFec", "20121105"}, {"EdepCli", "430000812"}, {"EdepImp", 100.0}, {"EdepFra", "4711"}});
    auto credito = [&](const QString& fec, int ord, const QString& valor, const QString& fra, double imp,
                       const QString& estado = "0") {
        e.credito({{"Cre3Fec", fec}, {"Cre3Ord", ord}, {"Cre3FecValor", valor}, {"Cre3Cli", "430000900"},
                   {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria y giro postal"},
                   {"Cre3Fra", fra}, {"Cre3Imp", imp}, {"Cre3Estado", estado}});
    };
    credito("20130112", 2, "20130115", "90", 12.5);
    credito("20130112", 1, "20130114", "88", -3.0);
    credito("20130110", 1, "20130116", "91", 1.0);   // value date outside
    credito("20130101", 1, "20130115", "92", 1.0, "1");

    const ResultadoGeneracion r = e.generar("20130114", "20130115");
    QVERIFY(r.completo());
    QCOMPARE(r.depositos, 2);
    QCOMPARE(r.creditos, 2);
    // Deposits in date order, a zero one too, whatever the range.
    const QString cuenta30 = "Transferencia bancaria y giro ";
    COMPARAR_FICHERO(e,
                    QStringList({
                        "4" + E + "20121105" "0" "561000000   " + sp(30) + "D" + sp(10) + "I"
                            "Dep.Descontado Factura 4711   " "+0000000100.00" + FIN0,
                        "4" + E + "20121105" "0" "430000812   " + sp(30) + "H" + sp(10) + "U"
                            "Dep.Descontado Factura 4711   " "+0000000100.00" + FIN0,
                        "4" + E + "20130220" "0" "561000000   " + sp(30) + "D" + sp(10) + "I"
                            "Dep.Descontado Factura 4712   " "+0000000000.00" + FIN0,
                        "4" + E + "20130220" "0" "430000811   " + sp(30) + "H" + sp(10) + "U"
                            "Dep.Descontado Factura 4712   " "+0000000000.00" + FIN0,
                        "4" + E + "20130114" "0" "572000002   " + cuenta30 + "D" "88        " "I"
                            "Cobro Credito Factura88       " "-0000000003.00" + FIN0,
                        "4" + E + "20130114" "0" "430000900   " + sp(30) + "H" "88        " "U"
                            "Cobro Credito Factura88       " "-0000000003.00" + FIN0,
                        "4" + E + "20130115" "0" "572000002   " + cuenta30 + "D" "90        " "I"
                            "Cobro Credito Factura90       " "+0000000012.50" + FIN0,
                        "4" + E + "20130115" "0" "430000900   " + sp(30) + "H" "90        " "U"
                            "Cobro Credito Factura90       " "+0000000012.50" + FIN0,
                    }));
    QCOMPARE(e.estados("edep3", "EdepFra", "EdepEstado", "EdepFra"), QStringList({"4711=1", "4712=1"}));
    QCOMPARE(e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Fra"), QStringList({"88=1", "90=1", "91=0", "92=1"}));
}

void TestApuntes::deposito_o_credito_que_no_cabe_queda_pendiente()
{
    Entorno e;
    // "Dep.Descontado Factura " leaves room for 7 characters of the number,
    // "Cobro Credito Factura" for 9: neither entry has a valid concept.
    e.deposito({{"EdepFec", "20130115"}, {"EdepCli", "430000811"}, {"EdepImp", 10.0}, {"EdepFra", "12345678"}});
    e.deposito({{"EdepFec", "20130115"}, {"EdepCli", "430000812"}, {"EdepImp", 20.0}, {"EdepFra", "1234567"}});
    e.credito({{"Cre3Fec", "20130115"}, {"Cre3Ord", 1}, {"Cre3FecValor", "20130115"}, {"Cre3Cli", "430000900"},
               {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Banco"}, {"Cre3Fra", "1234567890"}, {"Cre3Imp", 5.0}});
    e.credito({{"Cre3Fec", "20130115"}, {"Cre3Ord", 2}, {"Cre3FecValor", "20130115"}, {"Cre3Cli", "430000901"},
               {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Banco"}, {"Cre3Fra", "123456789"}, {"Cre3Imp", 6.0}});

    const ResultadoGeneracion r = e.generar("20130115", "20130115");

    QVERIFY(r.fichero_ok);
    QCOMPARE(r.depositos, 1);
    QCOMPARE(r.creditos, 1);
    QCOMPARE(r.omitidos.size(), 2);
    QVERIFY2(r.omitidos[0].startsWith("Depósito de la factura 12345678 del 20130115: "), qPrintable(r.omitidos[0]));
    QVERIFY2(r.omitidos[1].startsWith("Crédito de la factura 1234567890 del 20130115: "), qPrintable(r.omitidos[1]));
    COMPARAR_FICHERO(e,
                     QStringList({
                         "4" + E + "20130115" "0" "561000000   " + sp(30) + "D" + sp(10) + "I"
                             "Dep.Descontado Factura 1234567" "+0000000020.00" + FIN0,
                         "4" + E + "20130115" "0" "430000812   " + sp(30) + "H" + sp(10) + "U"
                             "Dep.Descontado Factura 1234567" "+0000000020.00" + FIN0,
                         "4" + E + "20130115" "0" "572000002   " "Banco                         " "D" "123456789 " "I"
                             "Cobro Credito Factura123456789" "+0000000006.00" + FIN0,
                         "4" + E + "20130115" "0" "430000901   " + sp(30) + "H" "123456789 " "U"
                             "Cobro Credito Factura123456789" "+0000000006.00" + FIN0,
                     }));
    QCOMPARE(e.estados("edep3", "EdepFra", "EdepEstado", "EdepFra"), QStringList({"1234567=1", "12345678=0"}));
    QCOMPARE(e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Ord"), QStringList({"1234567890=0", "123456789=1"}));
}

QTEST_GUILESS_MAIN(TestApuntes)
#include "test_apuntes.moc"
