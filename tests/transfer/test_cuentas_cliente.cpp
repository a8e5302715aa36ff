// The customer's account of an invoice (cuenta_cliente) and of a collection
// (cuenta_cliente2), on hotel and link databases made by the fixture builder.

#include "support/cuentas_support.h"
#include "transfer/cuentas.h"

#include <QtTest>

#include <optional>

using pruebas_cuentas::detencion;
using pruebas_cuentas::Enlace;

namespace {

QVariantMap ajustes(bool por_pasante, bool unica, bool crear, int digitos = 9)
{
    return {{"Ca3Niv", digitos},
            {"Ca3DesglosarPasantes", por_pasante},
            {"Ca3UnicaCtaPasantes", unica},
            {"Ca3CrearCuentas", crear}};
}

void factura(Enlace& e, const QString& num, const QString& cli, const QString& tipo,
             const QString& fecha = "20130115", const QString& ano = "2013")
{
    e.fila("emi", {{"EmiAno", ano}, {"EmiNum", num}, {"EmiFec", fecha}, {"EmiCli", cli}, {"eMIC", tipo}});
}

void cliente(Enlace& e, const QString& cod, const QVariant& cta)
{
    e.fila("Cli", {{"CliCod", cod}, {"CliNom", "JUAN"}, {"CliApe", "GARCIA LOPEZ"}, {"CliDni", "12345678Z"},
                   {"CliDir", "MAYOR 1"}, {"CliPob", "PALMA"}, {"CliCp", "07001"}, {"CliProv", "BALEARES"},
                   {"CliCta", cta}});
}

// Agency 201: trade data, and billing data only where given.
void agencia(Enlace& e, const QString& cod, const QVariantMap& extra)
{
    QVariantMap f{{"AgenCod", cod}, {"AgenNom", "VIAJES SOL"}, {"AgenDir", "AV. DIAGONAL 3"},
                  {"Agencp", "08001"}, {"AgenPob", "BARCELONA"}, {"AgenProv", "BARCELONA"},
                  {"AgenNif", "B12345678"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        f[it.key()] = it.value();
    e.fila("agen", f);
}

void empresa(Enlace& e, const QString& cod, const QVariantMap& extra)
{
    QVariantMap f{{"NaCod", cod}, {"NaNom", "CONSTRUCCIONES TRAMUNTANA SL"}, {"NaNif", "B07000001"},
                  {"NaDir", "POLIGONO SON CASTELLO 12"}, {"NaPob", "PALMA"}, {"NaCp", "07009"},
                  {"NaProv", "BALEARES"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        f[it.key()] = it.value();
    e.fila("na", f);
}

// The account the invoice staging would get for invoice `num` of 2013.
QString de_factura(Enlace& e, const QString& num, const QString& cli, const QString& tipo)
{
    e.situar_en_factura("2013", num);
    return cuenta_cliente(e.t(), num, "2013", cli, tipo);
}

const QString kFilaJuan = "|GARCIA LOPEZ JUAN|12345678Z|CL|MAYOR 1|PALMA|07001|BALEARES|20130101|0";

} // namespace

class TestCuentasCliente : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sin_numero_de_factura_o_de_tipo_desconocido()
    {
        Enlace e(ajustes(true, false, true));
        QCOMPARE(cuenta_cliente(e.t(), "", "2013", "1001", "0"), QStringLiteral("561000000"));
        QCOMPARE(cuenta_cliente2(e.t(), "", "2013"), QStringLiteral("561000000"));
        // An unknown kind of holder gives no account.
        cliente(e, "1001", "430001001");
        factura(e, "1", "1001", "3");
        QCOMPARE(de_factura(e, "1", "1001", "3"), QString());
        QCOMPARE(de_factura(e, "1", "1001", ""), QString());
        QVERIFY(e.ui.shown.empty());
        QVERIFY(e.ctas3().isEmpty());
    }

    void particular_con_cuenta_propia()
    {
        // Every recording option is on: an own account is still never recorded.
        Enlace e(ajustes(true, false, true));
        cliente(e, "1001", " 4300012345 ");   // blanks first removed, then 10 -> 9 digits
        cliente(e, "O'1", "430001002");      // a code with an apostrophe
        factura(e, "1", "1001", "0");
        factura(e, "2", "O'1", "0");
        QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("430012345"));
        QCOMPARE(de_factura(e, "2", "O'1", "0"), QStringLiteral("430001002"));
        QCOMPARE(cuenta_cliente2(e.t(), "2", "2013"), QStringLiteral("430001002"));   // its collection too
        QVERIFY(e.ctas3().isEmpty());
        QVERIFY(e.ui.shown.empty());

        Enlace ocho(ajustes(false, false, true, 8));
        cliente(ocho, "1001", "4300012345");
        factura(ocho, "1", "1001", "0");
        QCOMPARE(de_factura(ocho, "1", "1001", "0"), QStringLiteral("43002345"));
    }

    void pasante_con_ambas_opciones_apagadas_cuenta_del_mes()
    {
        Enlace e(ajustes(false, false, true));
        cliente(e, "1001", "   ");              // blanks only: walk-in
        cliente(e, "1002", QVariant());         // Null: walk-in
        cliente(e, "1003", "");
        factura(e, "1", "1001", "0", "20130101");
        factura(e, "2", "1002", "0", "20130215");
        factura(e, "3", "1003", "0", "20121231", "2012");
        QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("430001301"));
        QCOMPARE(de_factura(e, "2", "1002", "0"), QStringLiteral("430001302"));
        e.situar_en_factura("2012", "3");
        QCOMPARE(cuenta_cliente(e.t(), "3", "2012", "1003", "0"), QStringLiteral("430001212"));
        QVERIFY(e.ctas3().isEmpty());   // neither adjusted nor recorded
    }

    void pasante_sin_fila_de_factura_abierta_lee_su_factura()
    {
        Enlace e(ajustes(false, false, false));
        cliente(e, "1001", QVariant());
        factura(e, "4", "1001", "0", "20130420");
        QVERIFY(!e.a().rs_emi.isOpen());
        QCOMPARE(cuenta_cliente(e.t(), "4", "2013", "1001", "0"), QStringLiteral("430001304"));
        // A second invoice asked the same way reads its own row, not the first one's.
        cliente(e, "1002", QVariant());
        factura(e, "5", "1002", "0", "20130715");
        QCOMPARE(cuenta_cliente(e.t(), "5", "2013", "1002", "0"), QStringLiteral("430001307"));
        QVERIFY(!e.a().rs_emi.isOpen());
        // A collection reads the date of its own invoice, wherever the staging was.
        factura(e, "6", "1001", "0", "20130305");
        e.situar_en_factura("2013", "4");
        QCOMPARE(cuenta_cliente2(e.t(), "6", "2013"), QStringLiteral("430001303"));
    }

    void pasante_por_pasante_sin_fila_abierta_usa_el_cliente_de_cada_factura()
    {
        Enlace e(ajustes(true, false, false));
        for (const char* cod : {"1001", "1002"})
            cliente(e, cod, QVariant());
        factura(e, "4", "1001", "0");
        factura(e, "5", "1002", "0");
        QCOMPARE(cuenta_cliente(e.t(), "4", "2013", "1001", "0"), QStringLiteral("430001001"));
        QCOMPARE(cuenta_cliente(e.t(), "5", "2013", "1002", "0"), QStringLiteral("430001002"));
        QVERIFY(e.ctas3().isEmpty());   // not asked to create
    }

    void pasante_con_cuenta_unica()
    {
        Enlace e(ajustes(false, true, true));
        cliente(e, "1001", QVariant());
        factura(e, "1", "1001", "0");
        QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("43000"));
        QVERIFY(e.ctas3().isEmpty());
    }

    void pasante_con_cuenta_propia_por_pasante()
    {
        for (bool unica : {false, true}) {
            Enlace e(ajustes(true, unica, true));
            cliente(e, "12345", "");
            factura(e, "1", "12345", "0");
            QCOMPARE(de_factura(e, "1", "12345", "0"), QStringLiteral("430012345"));   // 4300012345 adjusted
            QCOMPARE(e.ctas3(), QStringList{"430012345" + kFilaJuan});
            QCOMPARE(e.t().reg_cliente.cuenta, QStringLiteral("430012345"));
            QCOMPARE(e.t().reg_cliente.fecha, QStringLiteral("20130101"));
        }
    }

    void cuenta_ya_pendiente_o_enviada_no_se_graba_otra_vez()
    {
        Enlace e(ajustes(true, false, true));
        e.fila("ctas3", {{"Cuenta", "430001002"}, {"Nombre", "ENVIADA"}, {"Siglas", "CL"},
                         {"FechaAlta", "20120101"}, {"Estado", "1"}});
        cliente(e, "1001", QVariant());
        cliente(e, "1002", QVariant());
        factura(e, "1", "1001", "0");
        factura(e, "2", "1001", "0");
        factura(e, "3", "1002", "0");
        QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("430001001"));
        QCOMPARE(de_factura(e, "2", "1001", "0"), QStringLiteral("430001001"));
        QCOMPARE(de_factura(e, "3", "1002", "0"), QStringLiteral("430001002"));
        QCOMPARE(e.ctas3(), (QStringList{"430001002|ENVIADA||CL|||||20120101|1", "430001001" + kFilaJuan}));
    }

    void agencias_y_empresas()
    {
        Enlace e(ajustes(false, false, true));
        agencia(e, "201", {});   // AgenFNom empty: trade data
        agencia(e, "202", {{"AgenFNom", "VIAJES SOL FACTURACION SA"}, {"AgenFDir", "PASEO DE GRACIA 1"},
                           {"AgenFcp", "08007"}, {"AgenFPob", "BARCELONA CIUDAD"}, {"AgenFProv", "BCN"}});
        agencia(e, "203", {{"AgenFNom", QVariant()}, {"Agencp", "E-08001"}});   // Null billing name
        agencia(e, "204", {{"AgenCta", "4301000077"}});   // its own account: used unadjusted, and recorded
        empresa(e, "301", {{"NaCp", "E-07009"}});
        empresa(e, "302", {{"NaCta", "430200302"}, {"NaNom", "HOTELES REUNIDOS DEL MEDITERRANEO SA"}});
        const QStringList titulares = {"201", "202", "203", "204", "301", "302"};
        for (int i = 0; i < titulares.size(); ++i)
            factura(e, QString::number(i + 1), titulares[i], i < 4 ? "1" : "2");
        QStringList cuentas;
        for (int i = 0; i < titulares.size(); ++i)
            cuentas << de_factura(e, QString::number(i + 1), titulares[i], i < 4 ? "1" : "2");
        QCOMPARE(cuentas, (QStringList{"4301201", "4301202", "4301203", "4301000077", "4302301", "430200302"}));
        const QString sol = "VIAJES SOL|B12345678|CL|AV. DIAGONAL 3|BARCELONA|08001|BARCELONA|20130101|0";
        const QString tramuntana = "B07000001|CL|POLIGONO SON CASTELLO 12|PALMA|07009|BALEARES|20130101|0";
        QCOMPARE(e.ctas3(), (QStringList{"4301201|" + sol,
                                         "4301202|VIAJES SOL FACTURACION SA|B12345678|CL|PASEO DE GRACIA 1|"
                                         "BARCELONA CIUDAD|08007|BCN|20130101|0",
                                         "4301203|" + sol, "4301000077|" + sol,
                                         "4302301|CONSTRUCCIONES TRAMUNTANA SL|" + tramuntana,
                                         "430200302|HOTELES REUNIDOS DEL MEDITERRA|" + tramuntana}));
        QVERIFY(e.t().reg_agencia.apellidos.isEmpty());

        // Their collections go to the same accounts.
        QCOMPARE(cuenta_cliente2(e.t(), "4", "2013"), QStringLiteral("4301000077"));
        QCOMPARE(cuenta_cliente2(e.t(), "5", "2013"), QStringLiteral("4302301"));
        QVERIFY(e.ui.shown.empty());
    }

    void agencia_sin_cuenta_se_ajusta_a_los_digitos()
    {
        Enlace e(ajustes(false, false, false, 8));
        agencia(e, "00201", {});
        factura(e, "1", "00201", "1");
        QCOMPARE(de_factura(e, "1", "00201", "1"), QStringLiteral("43010201"));   // 430100201 -> 8 digits
        QVERIFY(e.ctas3().isEmpty());                                            // not asked to create
    }

    void titular_inexistente_detiene_el_traspaso()
    {
        const QString quien[] = {", el cliente: ", ", la Agencia: ", ", la Empresa: "};
        for (int tipo = 0; tipo < 3; ++tipo) {
            Enlace e(ajustes(true, false, true));
            factura(e, "77", "9999", QString::number(tipo));
            const QString de_factura_ = "Existe un problema grave con la Factura 77" + quien[tipo]
                + "9999 no existe, la aplicación no puede continuar";
            const QString de_cobro = "Existe un problema grave con la Factura 77" + quien[tipo]
                + "9999 no existe. La aplicación no puede continuar";
            auto d = detencion([&] { de_factura(e, "77", "9999", QString::number(tipo)); });
            QVERIFY(d.has_value());
            QCOMPARE(d->motivo, TraspasoDetenido::Motivo::TitularInexistente);
            QCOMPARE(d->mensaje, de_factura_);
            d = detencion([&] { cuenta_cliente2(e.t(), "77", "2013"); });
            QVERIFY(d.has_value());
            QCOMPARE(d->motivo, TraspasoDetenido::Motivo::TitularInexistente);
            QCOMPARE(d->mensaje, de_cobro);
            QCOMPARE(e.mensajes(), (QStringList{"|sin icono|" + de_factura_, "|sin icono|" + de_cobro}));
            QVERIFY(e.ctas3().isEmpty());
        }
    }

    void cobro_de_factura_que_no_esta_en_emi()
    {
        for (int digitos : {8, 9, 12}) {
            Enlace e(ajustes(true, false, true, digitos));
            factura(e, "1", "1001", "0", "20130115", "2012");   // same number, another year
            QCOMPARE(cuenta_cliente2(e.t(), "1", "2013"), QStringLiteral("430999999"));
            QVERIFY(e.ui.shown.empty());
            QVERIFY(e.ctas3().isEmpty());
            QVERIFY(!e.a().rs_emi.isOpen());
        }
    }

    void cobro_de_pasante_va_a_la_cuenta_de_su_factura()
    {
        for (int digitos : {8, 9}) {
            Enlace e(ajustes(true, false, true, digitos));
            cliente(e, "12345", QVariant());
            factura(e, "1", "12345", "0");
            const QString de_la_factura = de_factura(e, "1", "12345", "0");
            e.a().rs_emi.close();
            QCOMPARE(cuenta_cliente2(e.t(), "1", "2013"), de_la_factura);
            const QString esperada = digitos == 8 ? "43002345" : "430012345";
            QCOMPARE(de_la_factura, esperada);
            QCOMPARE(e.ctas3(), QStringList{esperada + kFilaJuan});
        }
    }
};

QTEST_GUILESS_MAIN(TestCuentasCliente)
#include "test_cuentas_cliente.moc"
