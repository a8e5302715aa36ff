// Account codes of the transfer: the adjustment to the configured length, the
// date conversions, the pending-account lookup, the payment method's account
// and the customer's account of an invoice (cuenta_cliente) and of a
// collection (cuenta_cliente2).

#include "support/fixtures.h"
#include "transfer/cuentas.h"

#include <QtTest>

using fixture::detencion;
using fixture::Enlace;

namespace {

QVariantMap ajustes(bool por_pasante, bool unica, bool crear, int digitos = 9)
{
    return {{"Ca3Niv", digitos}, {"Ca3DesglosarPasantes", por_pasante}, {"Ca3UnicaCtaPasantes", unica}, {"Ca3CrearCuentas", crear}};
}

void forma(Enlace& e, const QString& cod, const QVariant& cta) { e.fila("formas", {{"ForCod", cod}, {"ForDes", "FORMA " + cod}, {"ForCta", cta}}); }

void factura(Enlace& e, const QString& num, const QString& cli, const QString& tipo, const QString& fecha = "20130115", const QString& ano = "2013")
{
    e.fila("emi", {{"EmiAno", ano}, {"EmiNum", num}, {"EmiFec", fecha}, {"EmiCli", cli}, {"eMIC", tipo}});
}

void cliente(Enlace& e, const QString& cod, const QVariant& cta)
{
    e.fila("Cli", {{"CliCod", cod}, {"CliNom", "JUAN"}, {"CliApe", "GARCIA LOPEZ"}, {"CliDni", "12345678Z"}, {"CliDir", "MAYOR 1"},
                   {"CliPob", "PALMA"}, {"CliCp", "07001"}, {"CliProv", "BALEARES"}, {"CliCta", cta}});
}

// The account the invoice staging would get for invoice `num` of 2013.
QString de_factura(Enlace& e, const QString& num, const QString& cli, const QString& tipo)
{
    e.situar_en_factura("2013", num);
    return cuenta_cliente(e.t(), num, "2013", cli, tipo);
}

const QString kJuan = "|GARCIA LOPEZ JUAN|12345678Z|CL|MAYOR 1|PALMA|07001|BALEARES|20130101|0";

} // namespace

class TestCuentas : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ajuste_de_digitos_y_fechas()
    {
        const std::tuple<int, QString, QString> casos[] = {
            {8, "4300012345", "43002345"}, {8, "430012345678", "43005678"}, {8, "4300123", "4300123"}, {8, "43001234", "43001234"},
            {9, "4300012345", "430012345"}, {9, "430000012345", "430012345"}, {9, "430001234", "430001234"}, {9, "", ""},
            {10, "430000012345", "430000012345"}, {12, "4300000123456", "4300000123456"},
            {9, "430000012345   ", "430012345"}, {8, "43001234    ", "43001234"}, {9, "   ", "   "}};   // a char(n) column's padding
        for (auto [digitos, cuenta, ajustada] : casos) {
            QCOMPARE(ajustar_digitos(digitos, cuenta), ajustada);
            QCOMPARE(cuenta, ajustada);   // the argument itself becomes the result
        }
        QCOMPARE(dma("20000229"), QDate(2000, 2, 29));
        QCOMPARE(amd(QDate(1999, 12, 31)) + amd(QDate()) + amd(QDate(812, 3, 4)) + amd(QDate(12345, 1, 2)), QStringLiteral("1999123108120304123450102"));
        for (const char* mala : {"20130230", "2013011", "201301011", "2013-1-1", ""})
            QVERIFY(!dma(mala).isValid());
    }

    void cuenta_de_la_forma_de_cobro()
    {
        Enlace e({{"Ca3Niv", 9}});
        e.fila("ctas3", {{"Cuenta", "430001001"}, {"Estado", "0"}});
        e.fila("ctas3", {{"Cuenta", "430001002"}, {"Estado", "1"}});
        e.fila("ctas3", {{"Cuenta", "430001003   "}, {"Estado", "1"}});   // as a CHAR(12) column holds it
        e.fila("ctas3", {{"Cuenta", "430001004\t"}, {"Estado", "1"}});
        QStringList existen;
        for (const char* c : {"430001001", "430001002", "43000100", "4300' OR '1'='1", "430001003", "430001001  ", "430001004", "4300010030"})
            existen << QString::number(existe_cuenta(e.a(), c));
        QCOMPARE(existen, QStringList({"1", "1", "0", "0", "1", "1", "0", "0"}));
        QVERIFY(!e.a().rs_ctas3.isOpen());
        // Ten digits are adjusted to nine; a Null account is the cash method's, an empty one the default.
        for (const auto& [cod, cta] : {std::pair<QString, QVariant>{"1", "570000009"}, {"2", "5720000001"}, {"4", QVariant()}, {"5", ""}})
            forma(e, cod, cta);
        QStringList cuentas;
        for (const char* f : {"2", "4", "5", "9", "9'9", ""})
            cuentas << cuenta_cobro(e.t(), f);
        QCOMPARE(cuentas, QStringList({"572000001", "570000009", "570000001", "570000009", "570000009", "570000009"}));
        QVERIFY(e.ui.shown.empty() && !e.a().rs_formas.isOpen());
    }

    void cobro_sin_contado_o_de_otra_longitud()
    {
        const QString fatal = "error fatal|información|La cuenta contable del cobro no tiene los dígitos que marca la configuración. "
                              "La aplicación no puede seguir, revise la configuración del enlace a A3Con y las formas de cobro de Noctaris Hotel";
        const QString sin = "Atención|información|Error no existe contado";
        // contado: the cash method's account ("-": no cash method); cuenta "": the transfer stops.
        // Nine digits where ten are set (nothing adjusts 9 to 10); seven where nine are.
        const struct { int digitos; QString contado, forma, cuenta; QStringList mensajes; } casos[] = {
            {8, QString(), "7", "57000001", {}}, {8, "", "7", "57000001", {}}, {8, "-", "2", "57000001", {sin}},
            {10, "-", "2", "5700000001", {sin}}, {12, "-", "2", "570000000001", {sin}},
            {10, "570000001", "1", "", {fatal}}, {9, "5720001", "1", "", {fatal}}};
        for (const auto& c : casos) {
            Enlace e({{"Ca3Niv", c.digitos}});
            forma(e, c.contado == "-" ? "2" : "1", c.contado == "-" || c.contado.isNull() ? QVariant() : QVariant(c.contado));
            QString cuenta;
            // Asked twice: a warning is not remembered, it comes again.
            const auto d = detencion([&] { cuenta = cuenta_cobro(e.t(), c.forma); cuenta = cuenta_cobro(e.t(), c.forma); });
            QCOMPARE(cuenta, c.cuenta);
            QCOMPARE(d ? "error fatal|información|" + d->mensaje : QString(), c.cuenta.isEmpty() ? fatal : QString());
            QVERIFY(!d || d->motivo == TraspasoDetenido::Motivo::CuentaCobroErronea);
            QCOMPARE(e.mensajes(), c.cuenta.isEmpty() ? c.mensajes : c.mensajes + c.mensajes);
        }
    }

    void cuentas_de_particulares()
    {
        {
            Enlace e(ajustes(true, false, true));
            QCOMPARE(cuenta_cliente(e.t(), "", "2013", "1001", "0") + cuenta_cliente2(e.t(), "", "2013"), QStringLiteral("561000000561000000"));
            // Own accounts are never recorded, every recording option on; blanks removed, then 10 -> 9 digits.
            cliente(e, "1001", " 4300012345 ");
            cliente(e, "O'1", "430001002");
            factura(e, "1", "1001", "0");
            factura(e, "2", "O'1", "0");
            factura(e, "2", "1001", "0");   // a second row of the same invoice: the first one names the holder
            factura(e, "7", "1001", "0", "20130115", "2012");
            QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("430012345"));
            QCOMPARE(de_factura(e, "2", "O'1", "0"), QStringLiteral("430001002"));
            QCOMPARE(cuenta_cliente2(e.t(), "2", "2013"), QStringLiteral("430001002"));
            // An unknown kind of holder gives no account.
            QCOMPARE(de_factura(e, "1", "1001", "3") + de_factura(e, "1", "1001", ""), QString());
            // A collection of an invoice not in emi (same number, another year).
            QCOMPARE(cuenta_cliente2(e.t(), "7", "2013"), QStringLiteral("430999999"));
            QVERIFY(e.ui.shown.empty() && e.ctas3().isEmpty());
        }
        for (int digitos : {8, 12}) {
            Enlace e(ajustes(true, false, true, digitos));
            cliente(e, "1001", "4300012345");
            factura(e, "1", "1001", "0");
            QCOMPARE(de_factura(e, "1", "1001", "0"), digitos == 8 ? "43002345" : "4300012345");
            QCOMPARE(cuenta_cliente2(e.t(), "9", "2013"), QStringLiteral("430999999"));
        }
    }

    void cuentas_de_pasantes()
    {
        {
            // Both options off: the account of the invoice's month, neither adjusted nor recorded; no
            // invoice row open: each call reads its own invoice.
            Enlace e(ajustes(false, false, true));
            cliente(e, "1001", "   ");
            cliente(e, "1002", QVariant());
            cliente(e, "1003", "");
            factura(e, "1", "1001", "0", "20130101");
            factura(e, "2", "1002", "0", "20130715");
            factura(e, "3", "1003", "0", "20121231", "2012");
            factura(e, "4", "1001", "0", "20130305");
            QCOMPARE(de_factura(e, "1", "1001", "0"), QStringLiteral("430001301"));
            e.situar_en_factura("2012", "3");
            QCOMPARE(cuenta_cliente(e.t(), "3", "2012", "1003", "0"), QStringLiteral("430001212"));
            e.a().rs_emi.close();
            QCOMPARE(cuenta_cliente(e.t(), "2", "2013", "1002", "0"), QStringLiteral("430001307"));
            e.situar_en_factura("2013", "1");
            QCOMPARE(cuenta_cliente2(e.t(), "4", "2013"), QStringLiteral("430001303"));
            QVERIFY(e.ctas3().isEmpty());
        }
        for (const auto& [unica, crear, cuenta] : {std::tuple<bool, bool, QString>{false, false, "430001001"}, {true, true, "43000"}}) {
            Enlace e(ajustes(!unica, unica, crear));
            cliente(e, "1001", QVariant());
            factura(e, "1", "1001", "0");
            QCOMPARE(de_factura(e, "1", "1001", "0"), cuenta);
            QVERIFY(e.ctas3().isEmpty());   // not asked to create, or the one account
        }
        for (const auto& [unica, digitos] : std::initializer_list<std::pair<bool, int>>{{false, 9}, {true, 9}, {false, 8}}) {
            // An account per walk-in, adjusted, recorded once; its collection goes there too.
            Enlace e(ajustes(true, unica, true, digitos));
            cliente(e, "12345", "");
            factura(e, "1", "12345", "0");
            const QString esperada = digitos == 8 ? "43002345" : "430012345";
            QCOMPARE(de_factura(e, "1", "12345", "0"), esperada);
            e.a().rs_emi.close();
            QCOMPARE(cuenta_cliente2(e.t(), "1", "2013"), esperada);
            QCOMPARE(e.ctas3(), QStringList{esperada + kJuan});
            QCOMPARE(e.t().reg_cliente.cuenta + e.t().reg_cliente.fecha, esperada + "20130101");
        }
        Enlace e(ajustes(true, false, true));
        e.fila("ctas3", {{"Cuenta", "430001002"}, {"Nombre", "ENVIADA"}, {"Siglas", "CL"}, {"FechaAlta", "20120101"}, {"Estado", "1"}});
        cliente(e, "1001", QVariant());
        cliente(e, "1002", QVariant());
        for (const auto& [num, cli] : {std::pair{"1", "1001"}, {"2", "1001"}, {"3", "1002"}})
            factura(e, num, cli, "0");
        const QStringList cuentas{de_factura(e, "1", "1001", "0"), de_factura(e, "2", "1001", "0"), de_factura(e, "3", "1002", "0")};
        QCOMPARE(cuentas, (QStringList{"430001001", "430001001", "430001002"}));
        QCOMPARE(e.ctas3(), (QStringList{"430001002|ENVIADA||CL|||||20120101|1", "430001001" + kJuan}));
    }

    void agencias_y_empresas()
    {
        Enlace e(ajustes(false, false, true));
        const auto con = [](QVariantMap m, const QVariantMap& extra) { m.insert(extra); return m; };
        const QVariantMap sol{{"AgenNom", "VIAJES SOL"}, {"AgenDir", "AV. DIAGONAL 3"}, {"Agencp", "08001"}, {"AgenPob", "BARCELONA"},
                              {"AgenProv", "BARCELONA"}, {"AgenNif", "B12345678"}};
        const QVariantMap tramuntana{{"NaNom", "CONSTRUCCIONES TRAMUNTANA SL"}, {"NaNif", "B07000001"}, {"NaDir", "POLIGONO SON CASTELLO 12"},
                                     {"NaPob", "PALMA"}, {"NaCp", "07009"}, {"NaProv", "BALEARES"}};
        e.fila("agen", con(sol, {{"AgenCod", "201"}}));   // AgenFNom empty: trade data
        e.fila("agen", con(sol, {{"AgenCod", "202"}, {"AgenFNom", "VIAJES SOL FACTURACION SA"}, {"AgenFDir", "PASEO DE GRACIA 1"},
                                 {"AgenFcp", "08007"}, {"AgenFPob", "BARCELONA CIUDAD"}, {"AgenFProv", "BCN"}}));
        e.fila("agen", con(sol, {{"AgenCod", "203"}, {"AgenFNom", QVariant()}, {"Agencp", "E-08001"}}));   // Null billing name
        e.fila("agen", con(sol, {{"AgenCod", "204"}, {"AgenCta", "4301000077"}}));   // its own account: unadjusted, and recorded
        e.fila("na", con(tramuntana, {{"NaCod", "301"}, {"NaCp", "E-07009"}}));
        e.fila("na", con(tramuntana, {{"NaCod", "302"}, {"NaCta", "430200302"}, {"NaNom", "HOTELES REUNIDOS DEL MEDITERRANEO SA"}}));
        const QStringList titulares = {"201", "202", "203", "204", "301", "302"};
        QStringList cuentas;
        for (int i = 0; i < titulares.size(); ++i) {
            factura(e, QString::number(i + 1), titulares[i], i < 4 ? "1" : "2");
            cuentas << de_factura(e, QString::number(i + 1), titulares[i], i < 4 ? "1" : "2");
        }
        QCOMPARE(cuentas, (QStringList{"4301201", "4301202", "4301203", "4301000077", "4302301", "430200302"}));
        const QString dsol = "VIAJES SOL|B12345678|CL|AV. DIAGONAL 3|BARCELONA|08001|BARCELONA|20130101|0";
        const QString dtra = "B07000001|CL|POLIGONO SON CASTELLO 12|PALMA|07009|BALEARES|20130101|0";
        QCOMPARE(e.ctas3(), (QStringList{"4301201|" + dsol, "4301202|VIAJES SOL FACTURACION SA|B12345678|CL|PASEO DE GRACIA 1|"
                                                             "BARCELONA CIUDAD|08007|BCN|20130101|0",
                                         "4301203|" + dsol, "4301000077|" + dsol, "4302301|CONSTRUCCIONES TRAMUNTANA SL|" + dtra,
                                         "430200302|HOTELES REUNIDOS DEL MEDITERRA|" + dtra}));
        QCOMPARE(cuenta_cliente2(e.t(), "4", "2013") + cuenta_cliente2(e.t(), "5", "2013"), QStringLiteral("43010000774302301"));
        QVERIFY(e.ui.shown.empty());

        Enlace ocho(ajustes(false, false, false, 8));
        ocho.fila("agen", {{"AgenCod", "00201"}, {"AgenNom", "VIAJES SOL"}});
        factura(ocho, "1", "00201", "1");
        QCOMPARE(de_factura(ocho, "1", "00201", "1"), QStringLiteral("43010201"));   // 430100201 -> 8 digits
    }

    void titular_inexistente_detiene_el_traspaso()
    {
        const QString quien[] = {", el cliente: ", ", la Agencia: ", ", la Empresa: "};
        for (int tipo = 0; tipo < 3; ++tipo) {
            Enlace e(ajustes(true, false, true));
            const QString clase = QString::number(tipo), inicio = "Existe un problema grave con la Factura 77" + quien[tipo] + "9999 no existe";
            factura(e, "77", "9999", clase);
            const auto d1 = detencion([&] { de_factura(e, "77", "9999", clase); });
            const auto d2 = detencion([&] { cuenta_cliente2(e.t(), "77", "2013"); });
            QVERIFY(d1 && d2 && d1->motivo == TraspasoDetenido::Motivo::TitularInexistente && d2->motivo == d1->motivo);
            const QStringList dichos = {inicio + ", la aplicación no puede continuar", inicio + ". La aplicación no puede continuar"};
            QCOMPARE((QStringList{d1->mensaje, d2->mensaje}), dichos);
            QCOMPARE(e.mensajes().replaceInStrings("|sin icono|", ""), dichos);
            QVERIFY(e.ctas3().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestCuentas)
#include "test_cuentas.moc"
