// The entry of one issued invoice as it reaches the file: VAT bands, the
// tax-only invoice and the sales breakdown, each written out by hand.

#include "support/generacion_support.h"

#include <QtTest>

using namespace pruebas_generacion;

namespace {

const QString E = QStringLiteral("00001");
const QString F = QStringLiteral("20130110");
const QString FIN0 = sp(139) + QStringLiteral("EN");
const QString COLA_IVA = QStringLiteral("00.00+0000000000.0000.00+0000000000.0001S") + sp(77) + QStringLiteral("EN");
const QString VENTAS = QStringLiteral("VENTAS HOTEL                  ");
const QString EET = QStringLiteral("Impuesto EET                  ");
const QString DESGLOSE = QStringLiteral("Desglose N/Factura            ");
const QString INTERROGANTES = QString(30, QLatin1Char('?'));

QString cabecera(const QString& doc, const QString& total)
{
    return "4" + E + F + "1" + "430000777   " + pad("Cliente de prueba", 30) + "1" + pad(doc, 10) + "I"
        + pad("Nuestra Factura N." + doc, 30) + total + FIN0;
}

QString iva(const QString& cuenta, const QString& desc, const QString& doc, const QString& pos, const QString& base,
            const QString& tipo, const QString& cuota)
{
    return "4" + E + F + "9" + cuenta + desc + "C" + pad(doc, 10) + pos + pad("Nuestra Factura N." + doc, 30) + "01"
        + base + tipo + cuota + COLA_IVA;
}

QString linea(const QString& cuenta, const QString& desc, const QString& lado, const QString& doc,
              const QString& pos, const QString& concepto, const QString& importe)
{
    return "4" + E + F + "0" + cuenta + desc + lado + pad(doc, 10) + pos + concepto + importe + FIN0;
}

void factura(Entorno& e, const QString& fra, QVariantMap columnas)
{
    columnas["FacFra"] = fra;
    columnas["FacFec"] = F;
    columnas["FacCtaC"] = "430000777";
    columnas["FacCliN"] = "Cliente de prueba";
    e.factura(columnas);
}

} // namespace

class TestFacturas : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void todas_las_bases_a_cero();
    void bandas_tasa_y_desglose();
};

void TestFacturas::todas_las_bases_a_cero()
{
    Entorno e;
    factura(e, "501", {{"FacTotal", 5.0}});
    QVERIFY(e.generar(F, F).completo());
    COMPARAR_FICHERO(e, QStringList({
                                    cabecera("501", "+0000000005.00"),
                                    iva("705999999   ", VENTAS, "501", "U", "+0000000000.00", "00.00",
                                        "+0000000000.00"),
                                }));
}

void TestFacturas::bandas_tasa_y_desglose()
{
    // The tourist-tax account is used without its surrounding blanks.
    Entorno e({{"ca3nif", true}, {"Ca3Tasa", " 47530000 "}});
    // 502: only the tourist tax; no breakdown follows, even with the breakdown on.
    factura(e, "502", {{"FacTotal", 3.5}, {"FacTasa", 3.5}, {"FacI2", 10.0}});
    e.linea_venta("502", "705000001", 3.5);
    // 503: only the tax, told in cents (0.3 - 0.1 is not 0.2 in binary floating point).
    factura(e, "503", {{"FacTotal", 0.3}, {"FacC2", 0.1}, {"FacTasa", 0.2}, {"FacI2", 10.0}});
    // 504: the tax in the band-2 base, two sales accounts in account order.
    factura(e, "504", {{"FacB2", 72.73}, {"FacI2", 10.0}, {"FacC2", 7.27}, {"FacTotal", 82.0}, {"FacTasa", 2.0}});
    e.linea_venta("504", "705000003", 30.0);
    e.linea_venta("504", "705000001", 50.0);
    // 505: bands 1 and 3, no sales lines nor tax: a breakdown of its closing line alone.
    factura(e, "505", {{"FacB1", 10.0}, {"FacI1", 21.0}, {"FacC1", 2.1}, {"FacB3", 5.0}, {"FacI3", 4.0},
                       {"FacC3", 0.2}, {"FacTotal", 17.3}});
    // 506: three decimals; the closing line is the sum of the amounts as
    // written (10.01 + 20.01 - 1.23 = 28.79), not the rounded sum 28.776 -> 28.78.
    factura(e, "506", {{"FacB2", 26.17}, {"FacI2", 10.0}, {"FacC2", 2.62}, {"FacTotal", 28.79}});
    e.linea_venta("506", "705000001", 10.005);
    e.linea_venta("506", "705000002", 20.005);
    e.linea_venta("506", "705000009", -1.234);
    // 507: only its own lines, not those of the same number of another year,
    // of another company or of a number that starts the same.
    factura(e, "507", {{"FacB2", 9.09}, {"FacI2", 10.0}, {"FacC2", 0.91}, {"FacTotal", 10.0}});
    e.linea_venta("507", "705000001", 4.0);
    e.linea_venta("507", "705000001", 6.0);
    e.linea_venta("507", "705000005", 99.0, "2012");
    e.linea_venta("5070", "705000005", 99.0);
    e.inst().insertar("fal3", QVariantMap{{"FalEmp", "002"}, {"FalEje", "2013"}, {"FalOrden", 9}, {"FalFra", "507"},
                                          {"FalCta", "705000005"}, {"FalImp", 99.0}});
    // 508: a negative tax.
    factura(e, "508", {{"FacB2", 45.45}, {"FacI2", 10.0}, {"FacC2", 4.55}, {"FacTotal", 48.0}, {"FacTasa", -2.0}});
    e.linea_venta("508", "705000001", 50.0);

    QVERIFY(e.generar(F, F).completo());
    COMPARAR_FICHERO(e,
                    QStringList({
                        cabecera("502", "+0000000003.50"),
                        iva("47530000    ", EET, "502", "U", "+0000000003.50", "10.00", "+0000000000.00"),
                        cabecera("503", "+0000000000.30"),
                        iva("47530000    ", EET, "503", "U", "+0000000000.20", "10.00", "+0000000000.10"),
                        cabecera("504", "+0000000082.00"),
                        iva("705999999   ", VENTAS, "504", "U", "+0000000074.73", "10.00", "+0000000007.27"),
                        linea("47530000    ", EET, "H", "504", "I", EET, "+0000000002.00"),
                        linea("705000001   ", INTERROGANTES, "H", "504", "M", DESGLOSE, "+0000000050.00"),
                        linea("705000003   ", INTERROGANTES, "H", "504", "M", DESGLOSE, "+0000000030.00"),
                        linea("705999999   ", VENTAS, "D", "504", "U", DESGLOSE, "+0000000082.00"),
                        cabecera("505", "+0000000017.30"),
                        iva("705999999   ", VENTAS, "505", "M", "+0000000010.00", "21.00", "+0000000002.10"),
                        iva("705999999   ", VENTAS, "505", "U", "+0000000005.00", "04.00", "+0000000000.20"),
                        linea("705999999   ", VENTAS, "D", "505", "U", DESGLOSE, "+0000000000.00"),
                        cabecera("506", "+0000000028.79"),
                        iva("705999999   ", VENTAS, "506", "U", "+0000000026.17", "10.00", "+0000000002.62"),
                        linea("705000001   ", INTERROGANTES, "H", "506", "I", DESGLOSE, "+0000000010.01"),
                        linea("705000002   ", INTERROGANTES, "H", "506", "M", DESGLOSE, "+0000000020.01"),
                        linea("705000009   ", INTERROGANTES, "H", "506", "M", DESGLOSE, "-0000000001.23"),
                        linea("705999999   ", VENTAS, "D", "506", "U", DESGLOSE, "+0000000028.79"),
                        cabecera("507", "+0000000010.00"),
                        iva("705999999   ", VENTAS, "507", "U", "+0000000009.09", "10.00", "+0000000000.91"),
                        linea("705000001   ", INTERROGANTES, "H", "507", "I", DESGLOSE, "+0000000010.00"),
                        linea("705999999   ", VENTAS, "D", "507", "U", DESGLOSE, "+0000000010.00"),
                        cabecera("508", "+0000000048.00"),
                        iva("705999999   ", VENTAS, "508", "U", "+0000000043.45", "10.00", "+0000000004.55"),
                        linea("47530000    ", EET, "H", "508", "I", EET, "-0000000002.00"),
                        linea("705000001   ", INTERROGANTES, "H", "508", "M", DESGLOSE, "+0000000050.00"),
                        linea("705999999   ", VENTAS, "D", "508", "U", DESGLOSE, "+0000000048.00"),
                    }));
}

QTEST_GUILESS_MAIN(TestFacturas)
#include "test_facturas.moc"
