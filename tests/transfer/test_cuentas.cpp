// Account codes of the transfer: the adjustment to the configured length,
// the pending-account lookup, the payment method's account and the date
// conversions; the hotel lookups also through the server connection.

#include "support/cuentas_support.h"
#include "support/odbc_standin.h"
#include "transfer/cuentas.h"

#include <QtTest>

#include <optional>

using pruebas_cuentas::detencion;
using pruebas_cuentas::Enlace;

namespace {

void forma(Enlace& e, const QString& cod, const QVariant& cta)
{
    e.fila("formas", {{"ForCod", cod}, {"ForDes", "FORMA " + cod}, {"ForCta", cta}});
}

const QString kErrorFatal =
    "error fatal|información|La cuenta contable del cobro no tiene los dígitos que marca la configuración. La "
    "aplicación no puede seguir, revise la configuración del enlace a A3Con y las formas de cobro de Noctaris Hotel";

} // namespace

class TestCuentas : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ajuste_de_digitos()
    {
        const struct {
            int digitos;
            QString cuenta, ajustada;
        } casos[] = {
            {8, "4300012345", "43002345"},      // characters 1-4 and 7-10
            {8, "430999999", "43099999"},
            {8, "430012345678", "43005678"},    // characters 1-4 and 9-12
            {9, "4300012345", "430012345"},     // characters 1-4 and 6-10
            {9, "430000012345", "430012345"},
            {10, "430000012345", "430000012345"},
            {11, "430000012345", "430000012345"},
            {12, "4300000123456", "4300000123456"},
            {8, "4300123", "4300123"},          // shorter: unchanged
            {8, "43001234", "43001234"},
            {9, "430001234", "430001234"},
            {9, "", ""},
        };
        for (const auto& c : casos) {
            QString cuenta = c.cuenta;
            QCOMPARE(ajustar_digitos(c.digitos, cuenta), c.ajustada);
            QCOMPARE(cuenta, c.ajustada);   // the argument itself becomes the result
        }
    }

    void fechas()
    {
        QCOMPARE(amd(QDate(2013, 1, 1)), QStringLiteral("20130101"));
        QCOMPARE(amd(QDate(1999, 12, 31)), QStringLiteral("19991231"));
        QCOMPARE(amd(QDate(2000, 2, 29)), QStringLiteral("20000229"));
        QCOMPARE(amd(QDate()), QString());
        QCOMPARE(dma("20130101"), QDate(2013, 1, 1));
        QCOMPARE(dma("19991231"), QDate(1999, 12, 31));
        QCOMPARE(dma("20991231"), QDate(2099, 12, 31));
        // The day after 31 December 1999 is 1 January 2000, with nothing skipped.
        QCOMPARE(amd(dma("19991231").addDays(1)), QStringLiteral("20000101"));
        QVERIFY(!dma("20130230").isValid());
        QVERIFY(!dma("2013011").isValid());
        QVERIFY(!dma("201301011").isValid());
        QVERIFY(!dma("2013-1-1").isValid());
        QVERIFY(!dma("").isValid());
    }

    void cuenta_pendiente_o_enviada_existe()
    {
        Enlace e;
        e.fila("ctas3", {{"Cuenta", "430001001"}, {"Estado", "0"}});
        e.fila("ctas3", {{"Cuenta", "430001002"}, {"Estado", "1"}});
        QVERIFY(existe_cuenta(e.a(), "430001001"));
        QVERIFY(existe_cuenta(e.a(), "430001002"));
        QVERIFY(!existe_cuenta(e.a(), "430001003"));
        QVERIFY(!existe_cuenta(e.a(), "43000100"));
        QVERIFY(!existe_cuenta(e.a(), "4300' OR '1'='1"));
        QVERIFY(!e.a().rs_ctas3.isOpen());
    }

    void cuenta_de_la_forma_de_cobro()
    {
        Enlace e({{"Ca3Niv", 9}});
        forma(e, "1", "570000009");
        forma(e, "2", "5720000001");   // ten digits: adjusted to nine
        forma(e, "3", "572000003");
        forma(e, "4", QVariant());     // Null account: the cash method's
        forma(e, "5", "");             // empty account: the default cash account
        const QStringList esperadas = {"572000001", "572000003", "570000009", "570000001",
                                       "570000009", "570000009", "570000009"};
        QStringList cuentas;
        for (const char* f : {"2", "3", "4", "5", "9", "9'9", ""})
            cuentas << cuenta_cobro(e.t(), f);
        QCOMPARE(cuentas, esperadas);
        QVERIFY(e.ui.shown.empty());
        QVERIFY(!e.a().rs_formas.isOpen());
    }

    void contado_sin_cuenta_da_la_caja_por_defecto()
    {
        for (const QVariant& cta : {QVariant(), QVariant(QString(""))}) {
            Enlace e({{"Ca3Niv", 8}});
            forma(e, "1", cta);
            QCOMPARE(cuenta_cobro(e.t(), "7"), QStringLiteral("57000001"));
            QVERIFY(e.ui.shown.empty());
        }
    }

    void sin_contado_avisa_y_sigue()
    {
        const struct {
            int digitos;
            QString cuenta;
        } casos[] = {{8, "57000001"}, {9, "570000001"}, {10, "5700000001"}, {12, "570000000001"}};
        for (const auto& c : casos) {
            Enlace e({{"Ca3Niv", c.digitos}});
            forma(e, "2", QVariant());
            QCOMPARE(cuenta_cobro(e.t(), "2"), c.cuenta);
            QCOMPARE(e.mensajes(), QStringList{"Atención|información|Error no existe contado"});
        }
    }

    void cuenta_de_otra_longitud_detiene_el_traspaso()
    {
        // Nine digits where ten are set (nothing adjusts 9 to 10); seven where nine are.
        const struct {
            int digitos;
            QString cuenta;
        } casos[] = {{10, "570000001"}, {9, "5720001"}};
        for (const auto& c : casos) {
            Enlace e({{"Ca3Niv", c.digitos}});
            forma(e, "1", c.cuenta);
            const auto d = detencion([&] { cuenta_cobro(e.t(), "1"); });
            QVERIFY(d.has_value());
            QCOMPARE(d->motivo, TraspasoDetenido::Motivo::CuentaCobroErronea);
            QCOMPARE(e.mensajes(), QStringList{kErrorFatal});
            QCOMPARE("error fatal|información|" + d->mensaje, kErrorFatal);
        }
    }

    void consultas_por_el_servidor()
    {
        if (testsupport::sqliteOdbcDriverPath().isEmpty())
            QSKIP("SQLite ODBC driver not installed");
        Enlace e({{"Ca3Niv", 9}, {"Ca3DesglosarPasantes", true}, {"Ca3CrearCuentas", true}}, true);
        QVERIFY(e.a().wsql);
        e.fila("Cli", {{"CliCod", "O'1"}, {"CliNom", "ANA"}, {"CliApe", "RUIZ"}, {"CliCta", QVariant()}});
        e.fila("agen", {{"AgenCod", "201"}, {"AgenNom", "VIAJES SOL"}, {"AgenFNom", ""}, {"AgenCta", QVariant()}});
        e.fila("emi", {{"EmiAno", "2013"}, {"EmiNum", "1"}, {"EmiFec", "20130115"}, {"EmiCli", "O'1"}, {"eMIC", "0"}});
        e.fila("emi", {{"EmiAno", "2013"}, {"EmiNum", "2"}, {"EmiFec", "20130115"}, {"EmiCli", "201"}, {"eMIC", "1"}});
        forma(e, "1", "570000001");
        forma(e, "2", "5720000001");

        e.situar_en_factura("2013", "1");
        QCOMPARE(cuenta_cliente(e.t(), "1", "2013", "O'1", "0"), QStringLiteral("43000O'1"));
        QCOMPARE(cuenta_cliente2(e.t(), "2", "2013"), QStringLiteral("4301201"));
        QCOMPARE(cuenta_cliente2(e.t(), "3", "2013"), QStringLiteral("430999999"));
        QCOMPARE(cuenta_cobro(e.t(), "2"), QStringLiteral("572000001"));
        QCOMPARE(cuenta_cobro(e.t(), "8"), QStringLiteral("570000001"));
        QCOMPARE(e.ctas3(), (QStringList{"43000O'1|RUIZ ANA||CL|||||20130101|0",
                                         "4301201|VIAJES SOL||CL|||||20130101|0"}));
        QVERIFY(e.ui.shown.empty());
    }
};

QTEST_GUILESS_MAIN(TestCuentas)
#include "test_cuentas.moc"
