// The writing of SUENLACE.DAT from staged rows: the named fields of every
// line (the checker judges the fixed ones), the marks left on each row, the
// existing-file question and the runs that must leave rows pending.

#include "support/fixtures.h"

#include <QtTest>

using fixture::campos;
using fixture::Enlace;

namespace {

const QVariantMap kTodo{{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"ca3Cre", true}};
const QString Q(30, QLatin1Char('?'));
using Fila = QVariantMap;

// "cuentas facturas depósitos días créditos"
QString cifras(const ResultadoGeneracion& r) { return QStringLiteral("%1 %2 %3 %4 %5").arg(r.cuentas).arg(r.facturas).arg(r.depositos).arg(r.dias_caja).arg(r.creditos); }

#define FICHERO(e, esperadas)                                                                                                            \
    do { QCOMPARE(campos((e).lineas()), QStringList(esperadas)); exigirFicheroValido((e).fichero()); if (QTest::currentTestFailed()) return; } while (false)

// A January with every section, plus rows that must not be written.
void preparar_enero(Enlace& e)
{
    e.cuenta({{"Cuenta", "430001001"}, {"Nombre", "García López Ana"}, {"Nif", "12345678Z"}, {"Direccion", "Mayor 5"},
              {"Localidad", "Benidorm"}, {"Cp", "03501"}, {"Provincia", "Alicante"}, {"FechaAlta", "20130101"}});
    e.cuenta({{"Cuenta", "430001002"}, {"Nombre", "Ya enviada"}, {"FechaAlta", "20120101"}, {"Estado", "1"}});
    // Same date, 10 staged before 9: the file must hold 9 first. 8 is only the tourist tax, 7 out of range, 6 sent.
    for (const Fila& f : {Fila{{"FacFra", "10"}, {"FacFec", "20130105"}, {"FacCtaC", "430001001"}, {"FacCliN", "Hermanos Fernández de la Vega y Cía"}, {"FacB2", 100.0}, {"FacI2", 10.0}, {"FacC2", 10.0}, {"FacTotal", 110.0}},
                          Fila{{"FacFra", "9"}, {"FacFec", "20130105"}, {"FacCtaC", "430100201"}, {"FacCliN", "Viajes Sol Levante"}, {"FacB1", 50.0}, {"FacI1", 21.0}, {"FacC1", 10.5}, {"FacB2", 80.0}, {"FacI2", 10.0}, {"FacC2", 8.0}, {"FacTotal", 150.5}, {"FacTasa", 2.0}},
                          Fila{{"FacFra", "8"}, {"FacFec", "20130104"}, {"FacCtaC", "430001001"}, {"FacCliN", "García López Ana"}, {"FacI2", 10.0}, {"FacTotal", 3.0}, {"FacTasa", 3.0}},
                          Fila{{"FacFra", "7"}, {"FacFec", "20130201"}, {"FacCtaC", "430001001"}, {"FacTotal", 5.0}},
                          Fila{{"FacFra", "6"}, {"FacFec", "20130103"}, {"FacCtaC", "430001001"}, {"FacTotal", 5.0}, {"FacEst", "1"}}})
        e.factura3(f);
    // Invoice 8 has a line too: a tax-only invoice gets no breakdown all the same.
    using L = std::tuple<const char*, const char*, double>;
    for (const auto& [fra, cta, imp] : {L{"10", "705000001", 60.0}, L{"10", "705000002", 40.0}, L{"9", "705000001", 20.0}, L{"9", "705000003", 30.0}, L{"9", "705000001", 30.0}, L{"8", "705000001", 3.0}})
        e.linea_venta(fra, cta, imp);
    e.deposito({{"EdepFec", "20121220"}, {"EdepCli", "430001001"}, {"EdepImp", 50.0}, {"EdepFra", "5"}});
    e.deposito({{"EdepFec", "20130110"}, {"EdepCli", "430001001"}, {"EdepImp", 9.0}, {"EdepFra", "11"}, {"EdepEstado", "1"}});
    using C = std::tuple<const char*, int, double, const char*, const char*, const char*, const char*, const char*>;
    for (const auto& [fec, ord, imp, fra, cli, cta, nom, est] : {C{"20130104", 1, 110.0, "10", "430001001", "570000001", "Contado", "0"},
             C{"20130104", 2, 40.5, "9", "430100201", "572000001", "Tarjeta de crédito", "0"}, C{"20130104", 3, 110.0, "9", "430100201", "570000001", "Contado", "0"},
             C{"20130106", 1, 30.0, "", "561000000", "570000001", "Contado", "0"}, C{"20130107", 1, 12.0, "3", "430001001", "570000001", "Contado", "1"},
             C{"20130215", 1, 12.0, "7", "430001001", "570000001", "Contado", "0"}})
        e.cobro3({{"CajFec", fec}, {"CajOrd", ord}, {"CajImp", imp}, {"CajFra", fra}, {"CajCli", cli}, {"CajCobro", cta}, {"CajCobroN", nom}, {"CajEstado", est}});
    using K = std::tuple<const char*, int, const char*, const char*, double>;
    for (const auto& [fec, ord, valor, fra, imp] : {K{"20130108", 1, "20130109", "88", 75.25}, K{"20130228", 2, "20130301", "89", 10.0}})
        e.credito({{"Cre3Fec", fec}, {"Cre3Ord", ord}, {"Cre3FecValor", valor}, {"Cre3Cli", "430100201"}, {"Cre3Cobro", "572000002"},
                   {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", fra}, {"Cre3Imp", imp}});
}

const QStringList kEnero = {
    "20130101|C|430001001|García López Ana|12345678Z|Mayor 5|Benidorm|03501|Alicante",
    // invoice 8: only the tourist tax, on the tourist-tax account, no breakdown
    "20130104|1|430001001|García López Ana|8|Nuestra Factura N.8|+0000000003.00",
    "20130104|9|47530000|Impuesto EET|8|U|Nuestra Factura N.8|+0000000003.00|10.00|+0000000000.00",
    // invoice 9: bands 1 and 2, the tax in the band-2 base, breakdown
    "20130105|1|430100201|Viajes Sol Levante|9|Nuestra Factura N.9|+0000000150.50",
    "20130105|9|705999999|VENTAS HOTEL|9|M|Nuestra Factura N.9|+0000000050.00|21.00|+0000000010.50",
    "20130105|9|705999999|VENTAS HOTEL|9|U|Nuestra Factura N.9|+0000000082.00|10.00|+0000000008.00",
    "20130105|0|47530000|Impuesto EET|H|9|I|Impuesto EET|+0000000002.00",
    "20130105|0|705000001|" + Q + "|H|9|M|Desglose N/Factura|+0000000050.00",
    "20130105|0|705000003|" + Q + "|H|9|M|Desglose N/Factura|+0000000030.00",
    "20130105|0|705999999|VENTAS HOTEL|D|9|U|Desglose N/Factura|+0000000082.00",
    // invoice 10: a name of 35 characters cut to 30
    "20130105|1|430001001|Hermanos Fernández de la Vega|10|Nuestra Factura N.10|+0000000110.00",
    "20130105|9|705999999|VENTAS HOTEL|10|U|Nuestra Factura N.10|+0000000100.00|10.00|+0000000010.00",
    "20130105|0|705000001|" + Q + "|H|10|I|Desglose N/Factura|+0000000060.00",
    "20130105|0|705000002|" + Q + "|H|10|M|Desglose N/Factura|+0000000040.00",
    "20130105|0|705999999|VENTAS HOTEL|D|10|U|Desglose N/Factura|+0000000100.00",
    // the deposit of December, whatever the range
    "20121220|0|561000000||D||I|Dep.Descontado Factura 5|+0000000050.00",
    "20121220|0|430001001||H||U|Dep.Descontado Factura 5|+0000000050.00",
    // cash desk, 4 January: two methods, three collections
    "20130104|0|570000001|Contado|D||I|Cobros Dia Contado|+0000000220.00",
    "20130104|0|572000001|Tarjeta de crédito|D||M|Cobros Dia Tarjeta de crédito|+0000000040.50",
    "20130104|0|430001001||H|10|M|Cobros N/Factura N. 10|+0000000110.00",
    "20130104|0|430100201||H|9|M|Cobros N/Factura N. 9|+0000000040.50",
    "20130104|0|430100201||H|9|U|Cobros N/Factura N. 9|+0000000110.00",
    // 6 January: an advance payment without invoice
    "20130106|0|570000001|Contado|D||I|Cobros Dia Contado|+0000000030.00",
    "20130106|0|561000000||H||U|Cobros N/Factura N.|+0000000030.00",
    // the credit whose value date is in the range
    "20130109|0|572000002|Transferencia bancaria|D|88|I|Cobro Credito Factura88|+0000000075.25",
    "20130109|0|430100201||H|88|U|Cobro Credito Factura88|+0000000075.25",
};

QStringList todos_los_estados(const Enlace& e)
{
    return e.estados("ctas3", "Cuenta", "Estado", "Cuenta") + e.estados("fac3", "FacFra", "FacEst", "FacFra") + e.estados("edep3", "EdepFra", "EdepEstado", "EdepFra")
        + e.estados("caj3", "CajFec", "CajEstado", "CajFec, CajOrd") + e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Fra");
}

} // namespace

class TestGeneracion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escribe_todas_las_secciones_y_marca_lo_escrito(); void sin_crear_cuentas_ni_traspasar_creditos();
    void registros_que_no_caben_quedan_pendientes(); void fichero_imposible_no_marca_nada(); void facturas_bandas_tasa_y_desglose();
    void dias_de_caja(); void depositos_y_creditos(); void limpieza_de_las_lineas_de_venta();
};

void TestGeneracion::escribe_todas_las_secciones_y_marca_lo_escrito()
{
    Enlace e(kTodo);
    preparar_enero(e);
    const ResultadoGeneracion r = e.generar("20130101", "20130131");
    QVERIFY2(r.completo(), qPrintable(r.error + r.omitidos.join("\n")));
    QCOMPARE(cifras(r), QString("1 3 1 2 1"));
    FICHERO(e, kEnero);
    QCOMPARE(todos_los_estados(e), QStringList({"430001001=1", "430001002=1", "10=1", "6=1", "7=0", "8=1", "9=1", "11=1", "5=1", "20130104=1",
                                                "20130104=1", "20130104=1", "20130106=1", "20130107=1", "20130215=0", "88=1", "89=0"}));
}

void TestGeneracion::sin_crear_cuentas_ni_traspasar_creditos()
{
    Enlace e({{"ca3nif", true}, {"Ca3CrearCuentas", false}, {"ca3Cre", false}});
    preparar_enero(e);
    const QList<QVariantMap> antes = e.inst().filas("cre3");
    const ResultadoGeneracion r = e.generar("20130101", "20130131");
    QVERIFY(r.completo() && cifras(r) == "0 3 1 2 0");
    FICHERO(e, kEnero.mid(1, kEnero.size() - 3));
    QCOMPARE(e.estados("ctas3", "Cuenta", "Estado", "Cuenta"), QStringList({"430001001=0", "430001002=1"}));
    QCOMPARE(e.inst().filas("cre3"), antes);
}

void TestGeneracion::registros_que_no_caben_quedan_pendientes()
{
    {
        Enlace e(kTodo);
        preparar_enero(e);
        // Eleven characters do not fit the 10-character document field; a postcode of six has no valid record.
        e.factura3({{"FacFra", "12345678901"}, {"FacFec", "20130104"}, {"FacCtaC", "430001001"}, {"FacCliN", "Largo"}, {"FacB2", 10.0}, {"FacI2", 10.0}, {"FacC2", 1.0}, {"FacTotal", 11.0}});
        // A total left Null by an older link database is no total of 0.00.
        e.factura3({{"FacFra", "13"}, {"FacFec", "20130104"}, {"FacCtaC", "430001001"}, {"FacB2", 10.0}, {"FacI2", 10.0}, {"FacC2", 1.0}, {"FacTotal", QVariant()}});
        e.cuenta({{"Cuenta", "430000201"}, {"Nombre", "Agencia Norte"}, {"Cp", "E-08001"}, {"FechaAlta", "20130101"}});
        const ResultadoGeneracion r = e.generar("20130101", "20130131");
        QVERIFY2(r.fichero_ok && !r.completo() && cifras(r) == "1 3 1 2 1", qPrintable(cifras(r)));
        QCOMPARE(r.omitidos.size(), 3);
        QVERIFY2(r.omitidos[0].startsWith("Cuenta 430000201: "), qPrintable(r.omitidos[0]));
        QCOMPARE(r.omitidos[1], QStringLiteral("Factura 13 del ejercicio 2013: campo total: «» está vacío"));
        QVERIFY2(r.omitidos[2].startsWith("Factura 12345678901 del ejercicio 2013: ") && r.omitidos[2].indexOf("12345678901", 10) > 0, qPrintable(r.omitidos[2]));
        FICHERO(e, kEnero);
        QCOMPARE(e.estados("fac3", "FacFra", "FacEst", "FacFec, FacFra"), QStringList({"6=1", "12345678901=0", "13=0", "8=1", "10=1", "9=1", "7=0"}));
        QCOMPARE(e.estados("ctas3", "Cuenta", "Estado", "Cuenta"), QStringList({"430000201=0", "430001001=1", "430001002=1"}));
    }
    // The company code must be exactly five characters: no line can be made.
    Enlace e({{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"ca3Cre", true}, {"ca3Emp", "1"}});
    preparar_enero(e);
    const QStringList antes = todos_los_estados(e);
    const ResultadoGeneracion r = e.generar("20130101", "20130131");
    QVERIFY2(r.fichero_ok && !r.completo() && cifras(r) == "0 0 0 0 0", qPrintable(cifras(r)));
    QCOMPARE(r.omitidos.size(), 8);   // one account, three invoices, a deposit, two days, a credit
    QCOMPARE(e.bytes(), QByteArray());
    QCOMPARE(todos_los_estados(e), antes);
}

void TestGeneracion::fichero_imposible_no_marca_nada()
{
    struct Caso { const char* que; QString ruta; QByteArray previo; bool dispositivo, borrar; QString error; };
    // ruta: the export folder; previo: what the read-only file held; error: the whole error (device) or a piece.
    const QList<Caso> casos = {{"carpeta inexistente", "F:\\EXPORTA\\A3", {}, false, true, "No se ha podido abrir el fichero F:\\EXPORTA\\A3\\Suenlace.dat: la carpeta no existe."},
                               {"solo lectura, borrar", {}, "contenido anterior\r\n", false, true, "F:\\NOCTARIS\\Suenlace.dat"},
                               {"solo lectura, añadir", {}, "contenido anterior\r\n", false, false, "F:\\NOCTARIS\\Suenlace.dat"},
                               // A device where the file should be cannot be replaced by a finished file.
                               {"disco lleno", {}, {}, true, true, "No se ha podido abrir el fichero F:\\NOCTARIS\\Suenlace.dat: no es un fichero normal."}};
    for (const Caso& c : casos) {
        if (c.dispositivo && !QFileInfo(QStringLiteral("/dev/full")).isWritable()) continue;
        QVariantMap ajustes = kTodo;
        if (!c.ruta.isEmpty()) ajustes["Ca3ruta"] = c.ruta;
        Enlace e(ajustes);
        preparar_enero(e);
        if (!c.previo.isEmpty()) fixture::escribir_lineas(e.fichero(), {QString::fromLatin1(c.previo.chopped(2))}), QFile::setPermissions(e.fichero(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        if (c.dispositivo) QVERIFY(QFile::link(QStringLiteral("/dev/full"), e.fichero()));
        const QStringList antes = todos_los_estados(e);
        e.ui.answers = {c.borrar};
        const ResultadoGeneracion r = e.generar("20130101", "20130131");
        if (!c.previo.isEmpty()) QFile::setPermissions(e.fichero(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY2(!r.fichero_ok && !r.completo(), c.que);
        QVERIFY2(c.dispositivo ? r.error == c.error : r.error.contains(c.error), qPrintable(r.error));
        QCOMPARE(cifras(r), QString("0 0 0 0 0"));
        QCOMPARE(todos_los_estados(e), antes);
        if (!c.ruta.isEmpty()) QCOMPARE(r.ruta, c.ruta + "\\Suenlace.dat");
        if (!c.previo.isEmpty()) QCOMPARE(e.bytes(), c.previo);
        QCOMPARE(QFileInfo(e.fichero()).isSymLink(), c.dispositivo);
    }
}

// The clean-up takes every sales line, sent or not, but those of invoices
// of other dates still waiting to be sent.
void TestGeneracion::limpieza_de_las_lineas_de_venta()
{
    Enlace e({{"ca3nif", true}});
    const auto factura = [&](const QString& fra, const QString& fec, const QString& est) {
        e.factura3({{"FacFra", fra}, {"FacFec", fec}, {"FacEst", est}, {"FacTotal", 1.0}}), e.linea_venta(fra, "705000001", 1.0);
    };
    factura("1", "20130110", "0"), factura("2", "20130110", "1"), factura("3", "20130220", "0"), factura("4", "20130220", "1");
    e.linea_venta("9", "705000001", 1.0);   // of no invoice
    e.t().wdesde = "20130101", e.t().whasta = "20130131";
    const Limpieza l = limpiar_temporales(e.t());
    QCOMPARE(l.fal3, 4);
    QStringList quedan;
    for (const QVariantMap& f : e.inst().filas("fal3")) quedan << f.value("FalFra").toString();
    QCOMPARE(quedan, QStringList{"3"});
}

void TestGeneracion::facturas_bandas_tasa_y_desglose()
{
    // The tourist-tax account is used without its surrounding blanks.
    Enlace e({{"ca3nif", true}, {"Ca3Tasa", " 47530000 "}});
    const auto factura = [&](const QString& fra, QVariantMap c) {
        c["FacFra"] = fra, c["FacFec"] = "20130110", c["FacCtaC"] = "430000777", c["FacCliN"] = "Cliente de prueba";
        e.factura3(c);
    };
    factura("501", {{"FacTotal", 5.0}});   // every base zero
    // 503: only the tax, told in cents (0.3 - 0.1 is not 0.2 in binary).
    factura("503", {{"FacTotal", 0.3}, {"FacC2", 0.1}, {"FacTasa", 0.2}, {"FacI2", 10.0}});
    // 505: bands 1 and 3, no lines nor tax: a breakdown of its closing line alone.
    factura("505", {{"FacB1", 10.0}, {"FacI1", 21.0}, {"FacC1", 2.1}, {"FacB3", 5.0}, {"FacI3", 4.0}, {"FacC3", 0.2}, {"FacTotal", 17.3}});
    // 506: the closing line is the sum of the amounts as written (10.01 + 20.01 - 1.23), not the rounded 28.776.
    factura("506", {{"FacB2", 26.17}, {"FacI2", 10.0}, {"FacC2", 2.62}, {"FacTotal", 28.79}});
    e.linea_venta("506", "705000001", 10.005), e.linea_venta("506", "705000002", 20.005), e.linea_venta("506", "705000009", -1.234);
    // 507: only its own lines, not those of another year, company or number.
    factura("507", {{"FacB2", 9.09}, {"FacI2", 10.0}, {"FacC2", 0.91}, {"FacTotal", 10.0}});
    e.linea_venta("507", "705000001", 4.0), e.linea_venta("507", "705000001", 6.0);
    e.linea_venta("507", "705000005", 99.0, "2012"), e.linea_venta("5070", "705000005", 99.0);
    e.inst().insertar("fal3", QVariantMap{{"FalEmp", "002"}, {"FalEje", "2013"}, {"FalOrden", 9}, {"FalFra", "507"}, {"FalCta", "705000005"}, {"FalImp", 99.0}});
    // 508: a negative tax.
    factura("508", {{"FacB2", 45.45}, {"FacI2", 10.0}, {"FacC2", 4.55}, {"FacTotal", 48.0}, {"FacTasa", -2.0}});
    e.linea_venta("508", "705000001", 50.0);

    QVERIFY(e.generar("20130110", "20130110").completo());
    QStringList x;
    const QString F = "20130110|", V = "|705999999|VENTAS HOTEL|", T = "|47530000|Impuesto EET|", N = "Nuestra Factura N.";
    const auto cab = [&](const QString& doc, const QString& total) { x << F + "1|430000777|Cliente de prueba|" + doc + "|" + N + doc + "|" + total; };
    const auto iva = [&](const QString& cta, const QString& doc, const QString& pos, const QString& resto) { x << F + "9" + cta + doc + "|" + pos + "|" + N + doc + "|" + resto; };
    const auto des = [&](const QString& cta, const QString& lado, const QString& doc, const QString& pos, const QString& imp) {
        x << F + "0" + (cta.isEmpty() ? V : "|" + cta + "|" + Q + "|") + lado + "|" + doc + "|" + pos + "|Desglose N/Factura|" + imp;
    };
    cab("501", "+0000000005.00"), iva(V, "501", "U", "+0000000000.00|00.00|+0000000000.00"), des("", "D", "501", "U", "+0000000000.00");
    cab("503", "+0000000000.30"), iva(T, "503", "U", "+0000000000.20|10.00|+0000000000.10");
    cab("505", "+0000000017.30"), iva(V, "505", "M", "+0000000010.00|21.00|+0000000002.10");
    iva(V, "505", "U", "+0000000005.00|04.00|+0000000000.20"), des("", "D", "505", "U", "+0000000000.00");
    cab("506", "+0000000028.79"), iva(V, "506", "U", "+0000000026.17|10.00|+0000000002.62");
    des("705000001", "H", "506", "I", "+0000000010.01"), des("705000002", "H", "506", "M", "+0000000020.01");
    des("705000009", "H", "506", "M", "-0000000001.23"), des("", "D", "506", "U", "+0000000028.79");
    cab("507", "+0000000010.00"), iva(V, "507", "U", "+0000000009.09|10.00|+0000000000.91");
    des("705000001", "H", "507", "I", "+0000000010.00"), des("", "D", "507", "U", "+0000000010.00");
    cab("508", "+0000000048.00"), iva(V, "508", "U", "+0000000043.45|10.00|+0000000004.55");
    x << F + "0" + T + "H|508|I|Impuesto EET|-0000000002.00";
    des("705000001", "H", "508", "M", "+0000000050.00"), des("", "D", "508", "U", "+0000000048.00");
    FICHERO(e, x);
}

void TestGeneracion::dias_de_caja()
{
    Enlace e;
    using C = std::tuple<const char*, int, double, const char*, const char*, const char*, const char*>;
    for (const auto& [dia, ord, imp, fra, cli, cta, nom] : {
             // 16th: "Contado" sums to zero (a refund with a binary remainder): no debit line.
             C{"16", 1, 0.1 + 0.2, "201", "430000201", "570000001", "Contado"}, C{"16", 2, -0.3, "201", "430000201", "570000001", "Contado"},
             C{"16", 3, 120.0, "202", "430000202", "572000001", "Tarjeta"},
             // 17th: the day closes on the last line written, not on the zero collection.
             C{"17", 1, 10.0, "301", "430000301", "570000001", "Contado"}, C{"17", 2, 5.0, "302", "430000302", "570000001", "Contado"},
             C{"17", 3, 0.0, "303", "430000303", "570000001", "Contado"},
             // 18th: the method's total is zero: the first collection opens the entry.
             C{"18", 1, 25.0, "401", "430000401", "570000001", "Contado"}, C{"18", 2, -25.0, "402", "430000402", "570000001", "Contado"},
             C{"18", 3, 0.0, "403", "430000403", "570000001", "Contado"},
             // 20th: a name of 25 characters, whole in the description, 19 in the concept.
             C{"20", 1, 200.0, "501", "430000501", "572000009", "Transferencia internacion"}, C{"20", 2, -50.25, "502", "430000502", "572000009", "Transferencia internacion"},
             // 21st: an account of 13 characters: the whole day stays pending.
             C{"21", 1, 10.0, "602", "4300006020000", "570000001", "Contado"}, C{"21", 2, 30.0, "603", "430000603", "570000001", "Contado"},
             C{"23", 1, 10.0, "701", "430000701", "570000001", "Contado"},   // sent already (below)
             // 25th: fractions of a cent count as each line shows them: the day balances.
             C{"25", 1, 0.005, "461", "430000461", "570000001", "Contado"}, C{"25", 2, 0.005, "462", "430000462", "570000001", "Contado"},
             C{"25", 3, -0.005, "463", "430000463", "572000001", "Tarjeta"}, C{"25", 4, -0.005, "464", "430000464", "572000001", "Tarjeta"},
             // 26th: each collection is nothing in cents, and so is their total: no line.
             C{"26", 1, 0.004, "451", "430000451", "570000001", "Contado"}, C{"26", 2, 0.004, "452", "430000452", "570000001", "Contado"},
             C{"27", 1, 10.0, "702", "430000702", "570000001", "Contado"}})   // out of the range
        e.cobro3({{"CajFec", "201301" + QString(dia)}, {"CajOrd", ord}, {"CajImp", imp}, {"CajFra", fra}, {"CajCli", cli}, {"CajCobro", cta}, {"CajCobroN", nom}});
    e.inst().ejecutar("caj3", "UPDATE caj3 SET CajEstado = '1' WHERE CajFra = '701'");

    e.a().cn_enlace.trace = true;
    const ResultadoGeneracion r = e.generar("20130116", "20130123");
    QVERIFY(r.fichero_ok);
    QCOMPARE(r.dias_caja, 4);
    QCOMPARE(r.omitidos.size(), 1);
    QVERIFY2(r.omitidos[0].startsWith("Cobros de caja del día 21-01-2013: ") && r.omitidos[0].contains("4300006020000"), qPrintable(r.omitidos[0]));
    QStringList x;
    const auto debe = [&](const QString& dia, const QString& cta, const QString& nom, const QString& pos, const QString& imp) {
        x << "201301" + dia + "|0|" + cta + "|" + nom + "|D||" + pos + "|Cobros Dia " + nom.left(19) + "|" + imp;
    };
    const auto haber = [&](const QString& dia, const QString& cta, const QString& doc, const QString& pos, const QString& imp) {
        x << "201301" + dia + "|0|" + cta + "||H|" + doc + "|" + pos + "|Cobros N/Factura N. " + doc + "|" + imp;
    };
    debe("16", "572000001", "Tarjeta", "I", "+0000000120.00"), haber("16", "430000201", "201", "M", "+0000000000.30");
    haber("16", "430000201", "201", "M", "-0000000000.30"), haber("16", "430000202", "202", "U", "+0000000120.00");
    debe("17", "570000001", "Contado", "I", "+0000000015.00"), haber("17", "430000301", "301", "M", "+0000000010.00");
    haber("17", "430000302", "302", "U", "+0000000005.00");
    haber("18", "430000401", "401", "I", "+0000000025.00"), haber("18", "430000402", "402", "U", "-0000000025.00");
    debe("20", "572000009", "Transferencia internacion", "I", "+0000000149.75");
    haber("20", "430000501", "501", "M", "+0000000200.00"), haber("20", "430000502", "502", "U", "-0000000050.25");
    FICHERO(e, x);
    // Every collection of the days written is marked, the zero ones too; a day with nothing pending is not touched.
    QStringList marcas;
    for (const char* dia : {"16", "17", "18", "20"}) marcas << QStringLiteral("UPDATE caj3 Set CajEstado = '1' WHERE CajFEc = '201301%1'").arg(dia);
    QCOMPARE(fixture::sin_diario(e.a().cn_enlace.executed), marcas);
    e.ui.answers = {true};
    QVERIFY(e.generar("20130125", "20130126").completo());
    x.clear();
    debe("25", "570000001", "Contado", "I", "+0000000000.02"), debe("25", "572000001", "Tarjeta", "M", "-0000000000.02");
    haber("25", "430000461", "461", "M", "+0000000000.01"), haber("25", "430000462", "462", "M", "+0000000000.01");
    haber("25", "430000463", "463", "M", "-0000000000.01"), haber("25", "430000464", "464", "U", "-0000000000.01");
    QCOMPARE(campos(e.lineas()), x);
    QCOMPARE(e.estados("caj3", "CajFra", "CajEstado", "CajFec, CajOrd").mid(11),
             QStringList({"602=0", "603=0", "701=1", "461=1", "462=1", "463=1", "464=1", "451=1", "452=1", "702=0"}));
}

void TestGeneracion::depositos_y_creditos()
{
    Enlace e;   // credits are sent in the current settings
    // Deposits in date order whatever the range, a zero one too; "Dep.Descontado Factura " leaves room for 7
    // characters of the number, "Cobro Credito Factura" for 9: a longer one has no valid concept and stays pending.
    using D = std::tuple<const char*, const char*, double, const char*>;
    for (const auto& [fec, cli, imp, fra] : {D{"20130220", "430000811", 0.0, "4712"}, D{"20121105", "430000812", 100.0, "4711"}, D{"20130115", "430000813", 10.0, "12345678"}, D{"20130115", "430000814", 20.0, "1234567"}})
        e.deposito({{"EdepFec", fec}, {"EdepCli", cli}, {"EdepImp", imp}, {"EdepFra", fra}});
    using K = std::tuple<const char*, int, const char*, const char*, QVariant, const char*>;
    for (const auto& [fec, ord, valor, fra, imp, est] : {K{"20130112", 2, "20130115", "90", 12.5, "0"}, K{"20130112", 1, "20130114", "88", -3.0, "0"},
             K{"20130110", 1, "20130116", "91", 1.0, "0"} /* value date outside */, K{"20130101", 1, "20130115", "92", 1.0, "1"},
             K{"20130112", 3, "20130115", "1234567890", 5.0, "0"}, K{"20130112", 4, "20130115", "123456789", 6.0, "0"},
             K{"20130112", 5, "20130115", "93", "12abc", "0"} /* text that is no amount */, K{"20130112", 6, "20130115", "94", QVariant(), "0"}})
        e.credito({{"Cre3Fec", fec}, {"Cre3Ord", ord}, {"Cre3FecValor", valor}, {"Cre3Cli", "430000900"}, {"Cre3Cobro", "572000002"},
                   {"Cre3CobroN", "Transferencia bancaria y giro postal"}, {"Cre3Fra", fra}, {"Cre3Imp", imp}, {"Cre3Estado", est}});

    const ResultadoGeneracion r = e.generar("20130114", "20130115");
    QVERIFY2(r.fichero_ok && cifras(r) == "0 0 3 0 3", qPrintable(cifras(r)));
    QCOMPARE(r.omitidos.mid(2), QStringList({"Crédito de la factura 93 del 20130115: campo importe: «12abc» no es un número",
                                             "Crédito de la factura 94 del 20130115: campo importe: «» está vacío"}));
    QVERIFY2(r.omitidos.value(0).startsWith("Depósito de la factura 12345678 del 20130115: "), qPrintable(r.omitidos.value(0)));
    QVERIFY2(r.omitidos.value(1).startsWith("Crédito de la factura 1234567890 del 20130115: "), qPrintable(r.omitidos.value(1)));
    QStringList x;
    for (const auto& [fec, cli, fra, imp] : {std::tuple{"20121105", "430000812", "4711", "+0000000100.00"}, std::tuple{"20130115", "430000814", "1234567", "+0000000020.00"}, std::tuple{"20130220", "430000811", "4712", "+0000000000.00"}})
        x << QString("%1|0|561000000||D||I|Dep.Descontado Factura %2|%3").arg(fec, fra, imp) << QString("%1|0|%2||H||U|Dep.Descontado Factura %3|%4").arg(fec, cli, fra, imp);
    for (const auto& [fec, fra, imp] : {std::tuple{"20130114", "88", "-0000000003.00"}, std::tuple{"20130115", "90", "+0000000012.50"}, std::tuple{"20130115", "123456789", "+0000000006.00"}})
        x << QString("%1|0|572000002|Transferencia bancaria y giro|D|%2|I|Cobro Credito Factura%2|%3").arg(fec, fra, imp) << QString("%1|0|430000900||H|%2|U|Cobro Credito Factura%2|%3").arg(fec, fra, imp);
    FICHERO(e, x);
    QCOMPARE(e.estados("edep3", "EdepFra", "EdepEstado", "EdepFra"), QStringList({"1234567=1", "12345678=0", "4711=1", "4712=1"}));
    QCOMPARE(e.estados("cre3", "Cre3Fra", "Cre3Estado", "Cre3Fra"), QStringList({"123456789=1", "1234567890=0", "88=1", "90=1", "91=0", "92=1", "93=0", "94=0"}));
}

QTEST_GUILESS_MAIN(TestGeneracion)
#include "test_generacion.moc"
