// Staging of invoices, sales lines, deposits and cash-desk collections, on
// installations made by the fixture builder.

#include "support/fixtures.h"
#include "transfer/preparacion.h"

#include <QtTest>

using Enlace = fixture::Sesion;
using fixture::Hotel;

namespace {

// The usual payment methods and one customer with an account of its own.
void preparar_hotel(Hotel& h)
{
    h.forma("1", "Contado", "570000001");
    h.forma("2", "Tarjeta", "572000001");
    h.cliente("1001", "430000001");
}

// Stages January's invoices (or collections) on a started link.
int preparar_de(Enlace& e, bool cobros = false)
{
    e.t->wdesde = QStringLiteral("20130101");
    e.t->whasta = QStringLiteral("20130131");
    return cobros ? preparar_cobros(*e.t) : preparar_facturas(*e.t);
}

QString fac3(const QString& fra, const QString& fec, const QString& bases, const QString& tipos,
             const QString& cuotas, const QString& total, const QString& nif, const QString& nombre,
             const QString& ivar, const QString& cta, const QString& tasa = "0")
{
    const QStringList b = bases.split(' ');
    const QStringList i = tipos.split(' ');
    const QStringList c = cuotas.split(' ');
    return QStringLiteral("FacEje=2013|FacFec=%1|FacFra=%2|FacCli=1001|FacB0=0|FacB1=%3|FacB2=%4|FacB3=%5|FacB4=%6|"
                          "FacI1=%7|FacI2=%8|FacI3=%9|FacI4=%10|FacC1=%11|FacC2=%12|FacC3=%13|FacC4=%14|"
                          "FacTotal=%15|FacNifC=%16|FacEst=0|FacCliN=%17|FacIvaR=%18|FacCtaC=%19|FacTasa=%20")
        .arg(fec, fra, b[0], b[1], b[2], b[3], i[0], i[1], i[2])
        .arg(i[3], c[0], c[1], c[2], c[3], total, nif, nombre, ivar)
        .arg(cta, tasa);
}

// Settings and rows where staging an invoice or a collection records an
// account, and every invoice has lines (the second one a deposit too).
const QVariantMap kCompletos{{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}};

void poblar_completo(Hotel& h)
{
    preparar_hotel(h);
    h.cliente("1002", QVariant());
    h.cliente("1003", QVariant());
    h.factura("1", "20130105", 20.0);
    h.factura("2", "20130106", 33.0, {{"EmiCli", "1002"}, {"EmiDep", 5.0}});
    h.factura("3", "20130107", 40.0, {{"EmiCli", "1003"}});
    h.linea("1", "2013", "+", 2, 10, "705000001");
    for (int i = 1; i <= 3; ++i)
        h.linea("2", "2013", "+", 1, 11, "705000001");
    h.linea("3", "2013", "+", 4, 10, "705000001");
    h.cobro("20130106", 1, 20.0, "1");
    h.cobro("20130106", 2, 40.0, "3");
}

const QStringList kTablasPreparadas = {"fac3", "fal3", "edep3", "caj3", "ctas3"};

QStringList volcado(const Hotel& h)
{
    QStringList r;
    for (const QString& tabla : kTablasPreparadas)
        for (const QString& fila : h.volcar(tabla))
            r << tabla + " " + fila;
    return r;
}

} // namespace

class TestPreparacion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void facturas_base_y_cuota_de_banda2();
    void lineas_de_venta_signo_orden_y_cuenta();
    void depositos_solo_con_centimos();
    void deposito_con_cuenta_larga_entera();
    void filtros_de_la_seleccion();
    void cobros_con_factura_sin_factura_y_nula();
    void orden_de_cobro_ancho();
    void una_segunda_preparacion_no_anade_filas();
    void un_fallo_a_medias_no_deja_rastro_data();
    void un_fallo_a_medias_no_deja_rastro();
    void reglas_de_valores();
};

void TestPreparacion::facturas_base_y_cuota_de_banda2()
{
    for (const bool por_tipo : {true, false}) {
        Hotel h(false, {{"ca3iva", por_tipo}});
        preparar_hotel(h);
        h.factura("1", "20130105", 110.0, {{"EmiNif", "B07000001XYZ"}, {"EmiB1", 5.5}, {"EmiC1", 1.16}});
        h.factura("2", "20130106", 100.0, {{"EmiI2", 21.0}, {"EmiNif", "123456789"}, {"TasaImporte", 2.5}});
        // Ties to even: 100.125 / 1 is exactly halfway and stays 100.12.
        h.factura("3", "20130107", 100.125, {{"EmiI2", 0.0}, {"EmiNif", QVariant()}, {"TasaImporte", QVariant()}});
        // 2.665 is halfway at 15 digits: 2.66; -0.125 rounds to -0.12.
        h.factura("4", "20130108", 2.665, {{"EmiI2", 0.0}});
        h.factura("5", "20130108", -0.125, {{"EmiI2", 0.0}});
        h.factura("6", "20130108", 11.0275, {{"EmiI2", 10.0}});   // 10.025 -> 10.02
        h.factura("7", "20130108", 107.0, {{"EmiI2", 7.0}});
        h.factura("8", "20130108", 107.5, {{"EmiI2", 7.5}});      // account of 8 %, half away from zero
        QCOMPARE(preparar_de(*h.arrancar()), 8);
        const QStringList esperadas = {
            fac3("1", "20130105", "5.5 100 0 0", "21 10 4 0", "1.16 10 0 0", "110", "B07000001",
                 "Cliente de la factura 1", "4770000010", "430000001"),
            fac3("2", "20130106", "0 82.64 0 0", "21 21 4 0", "0 17.36 0 0", "100", "123456789",
                 "Cliente de la factura 2", "4770000021", "430000001", "2.5"),
            fac3("3", "20130107", "0 100.12 0 0", "21 0 4 0", "0 0.00499999999999545 0 0", "100.125", "",
                 "Cliente de la factura 3", "4770000000", "430000001"),
        };
        QStringList filas = h.volcar("fac3", "FacFra");
        if (por_tipo)
            QCOMPARE(filas.mid(0, 3), esperadas);
        QStringList bases, cuentas_iva;
        for (const QVariantMap& f : h.inst().filas("fac3", "FacFra")) {
            // The two halves of band 2 make the total exactly.
            QCOMPARE(f.value("FacB2").toDouble() + f.value("FacC2").toDouble(), f.value("FacTotal").toDouble());
            bases << QString::number(f.value("FacB2").toDouble(), 'g', 15);
            cuentas_iva << f.value("FacIvaR").toString();
        }
        QCOMPARE(bases.mid(3), QStringList({"2.66", "-0.12", "10.02", "100", "100"}));
        QCOMPARE(cuentas_iva.mid(6), por_tipo ? QStringList({"4770000007", "4770000008"})
                                              : QStringList({"47700000", "47700000"}));
    }
}

void TestPreparacion::lineas_de_venta_signo_orden_y_cuenta()
{
    Hotel h({}, {{"ca3nif", true}});
    preparar_hotel(h);
    h.factura("1", "20130105", 50.0);
    h.factura("2", "20130106", 30.0);
    h.factura("3", "20130107", 10.0);   // without lines: no fal3 row
    h.linea("1", "2013", "+", 3, 2.5, "705000001");
    h.linea("1", "2013", "-", 3, 2.5, "705000001");
    h.linea("1", "2013", "+", 3, 0.3335, "");      // 1.0005 rounds up to 1.001
    h.linea("2", "2013", "+", 1, 10, QVariant());
    h.linea("2", "2013", "+", 2, 5, "70500000123");   // adjusted to 9 digits
    h.linea("2", "2012", "+", 1, 99, "705000001");    // another year's invoice 2

    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e), 3);
    const QStringList esperadas = {
        "FalEmp=001|FalEje=2013|FalOrden=1|FalFra=1|FalCta=705000001|FalImp=7.5",
        "FalEmp=001|FalEje=2013|FalOrden=2|FalFra=1|FalCta=705000001|FalImp=-7.5",
        "FalEmp=001|FalEje=2013|FalOrden=3|FalFra=1|FalCta=705999999|FalImp=1.001",
        "FalEmp=001|FalEje=2013|FalOrden=1|FalFra=2|FalCta=705999999|FalImp=10",
        "FalEmp=001|FalEje=2013|FalOrden=2|FalFra=2|FalCta=705000123|FalImp=10",
    };
    QCOMPARE(h.volcar("fal3"), esperadas);
}

void TestPreparacion::depositos_solo_con_centimos()
{
    Hotel h;
    preparar_hotel(h);
    h.factura("1", "20130105", 110.0, {{"EmiDep", 50.0}});
    h.factura("2", "20130105", 110.0, {{"EmiDep", 0.0}});
    h.factura("3", "20130105", 110.0, {{"EmiDep", QVariant()}});
    h.factura("4", "20130105", 110.0, {{"EmiDep", 0.004}});    // no cent: no deposit
    h.factura("5", "20130105", 110.0, {{"EmiDep", -0.005}});   // rounds to -0.01
    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e), 5);
    const QStringList esperadas = {
        "EdepFec=20130105|EdepCli=430000001|EdepImp=50|EdepFra=1|EdepEstado=0",
        "EdepFec=20130105|EdepCli=430000001|EdepImp=-0.005|EdepFra=5|EdepEstado=0",
    };
    QCOMPARE(h.volcar("edep3"), esperadas);
    // The Null deposit was normalised in the hotel to 0.
    QCOMPARE(h.contar("emi", "EmiDep IS NULL"), 0);
    QCOMPARE(h.contar("emi", "EmiNum = '3' AND EmiDep = 0"), 1);
}

void TestPreparacion::deposito_con_cuenta_larga_entera()
{
    Hotel h({}, {{"Ca3Niv", 12}});
    h.forma("1", "Contado", "570000000001");
    h.cliente("1001", "430000000012");
    h.factura("1", "20130105", 110.0, {{"EmiDep", 20.0}});
    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e), 1);
    QCOMPARE(h.volcar("edep3"),
             QStringList{"EdepFec=20130105|EdepCli=430000000012|EdepImp=20|EdepFra=1|EdepEstado=0"});
}

void TestPreparacion::filtros_de_la_seleccion()
{
    Hotel h;
    preparar_hotel(h);
    h.factura("1", "20130105", 10.0, {{"EmiN", "B"}});
    h.factura("2", "20130105", 10.0, {{"EmiCie", "0"}});
    h.factura("3", "20130105", 10.0, {{"EmiN", QVariant()}});
    h.factura("4", "20121231", 10.0);
    h.factura("5", "20130201", 10.0);
    h.factura("6", "20130131", 10.0, {{"EmiN", "A"}});
    h.cobro("20130105", 1, 10.0, "3", {{"CajaPago", "0"}});
    h.cobro("20130105", 2, 10.0, "3");
    h.cobro("20130201", 1, 10.0, "5");
    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e), 2);
    QCOMPARE(preparar_de(*e, true), 1);
    QStringList facturas;
    for (const QVariantMap& f : h.inst().filas("fac3"))
        facturas << f.value("FacFra").toString();
    QCOMPARE(facturas, (QStringList{"3", "6"}));
    QCOMPARE(h.contar("caj3"), 1);
    QCOMPARE(h.contar("caj3", "CajOrd = 2"), 1);
    // The series mark of the Null invoice is now empty in the hotel.
    QCOMPARE(h.contar("emi", "EmiNum = '3' AND EmiN = ''"), 1);
}

void TestPreparacion::cobros_con_factura_sin_factura_y_nula()
{
    Hotel h;
    preparar_hotel(h);
    h.factura("7", "20121230", 10.0);   // paid in January, invoiced in December
    h.cobro("20130105", 1, 100.0, "", {{"CajaCon", "Anticipo nº 000123 Hab. 12"}, {"CajaCre", "1"}});
    h.cobro("20130105", 2, 25.5, QVariant(), {{"CajaCon", "Anticipo nº 000456"}});
    h.cobro("20130105", 3, 10.0, "7", {{"CajaAnoF", "2012"}, {"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta"},
                                        {"CajaCon", "Anticipo nº 000789"}});
    h.cobro("20130106", 1, -4.0, "8");   // an invoice the hotel does not have
    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e, true), 4);
    const QStringList esperadas = {
        "CajFec=20130105|CajOrd=1|CajImp=100|CajFra=|CajCli=561000000|CajAnoF=2013|CajCre=1|CajDep=000123|"
        "CajCobro=570000001|CajCobroN=Contado|CajEstado=0",
        "CajFec=20130105|CajOrd=2|CajImp=25.5|CajFra=|CajCli=561000000|CajAnoF=2013|CajCre=|CajDep=|"
        "CajCobro=570000001|CajCobroN=Contado|CajEstado=0",
        "CajFec=20130105|CajOrd=3|CajImp=10|CajFra=7|CajCli=430000001|CajAnoF=2012|CajCre=|CajDep=|"
        "CajCobro=572000001|CajCobroN=Tarjeta|CajEstado=0",
        "CajFec=20130106|CajOrd=1|CajImp=-4|CajFra=8|CajCli=430999999|CajAnoF=2013|CajCre=|CajDep=|"
        "CajCobro=570000001|CajCobroN=Contado|CajEstado=0",
    };
    QCOMPARE(h.volcar("caj3"), esperadas);
}

void TestPreparacion::orden_de_cobro_ancho()
{
    Hotel h;
    preparar_hotel(h);
    h.cobro("20130105", 70000, 1.0, "");
    h.cobro("20130105", 4464, 2.0, "");   // 70000 wrapped to 16 bits
    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e, true), 2);
    QCOMPARE(preparar_de(*e, true), 0);
    QCOMPARE(h.contar("caj3", "CajOrd = 70000 AND CajImp = 1"), 1);
    QCOMPARE(h.contar("caj3", "CajOrd = 4464 AND CajImp = 2"), 1);
}

void TestPreparacion::una_segunda_preparacion_no_anade_filas()
{
    Hotel h(false, kCompletos);
    preparar_hotel(h);
    h.cliente("1002", QVariant());   // walk-in: an account per customer, recorded once
    h.factura("1", "20130105", 110.0, {{"EmiDep", 10.0}});
    h.factura("2", "20130106", 55.0, {{"EmiCli", "1002"}, {"EmiDep", 5.0}});
    h.linea("1", "2013", "+", 1, 110, "705000001");
    h.linea("2", "2013", "+", 1, 55, "705000001");
    h.cobro("20130105", 1, 110.0, "1");
    h.cobro("20130106", 1, 55.0, "2");

    auto e = h.arrancar();
    QCOMPARE(preparar_de(*e), 2);
    QCOMPARE(preparar_de(*e, true), 2);
    const QStringList tablas = {"fac3", "fal3", "edep3", "caj3", "ctas3"};
    QMap<QString, QStringList> antes;
    for (const QString& tabla : tablas)
        antes[tabla] = h.volcar(tabla);
    QCOMPARE(antes["ctas3"].size(), 1);

    auto otra = h.arrancar();
    QCOMPARE(preparar_de(*otra), 0);
    QCOMPARE(preparar_de(*otra, true), 0);
    for (const QString& tabla : tablas)
        QCOMPARE(h.volcar(tabla), antes[tabla]);
}

void TestPreparacion::un_fallo_a_medias_no_deja_rastro_data()
{
    QTest::addColumn<QString>("disparador");
    QTest::addColumn<bool>("cobros");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<QString>("quedan");   // the rows of a run without failure that stay staged after it

    const QString de_la_1 = "^(fac3 .*\\|FacFra=1|fal3 .*\\|FalFra=1)\\|";
    // The second sales line of invoice 2 is refused: its account, its first
    // line and the invoice itself go; invoice 1 stays.
    QTest::newRow("linea de venta") << "BEFORE INSERT ON fal3 WHEN NEW.FalFra = '2' AND NEW.FalOrden = 2 BEGIN "
                                       "SELECT RAISE(ABORT, 'línea rechazada'); END"
                                    << false << "Factura 2 del ejercicio 2013: línea rechazada" << de_la_1;
    // The deposit, staged last, is refused: every line of the invoice goes.
    QTest::newRow("deposito") << "BEFORE INSERT ON edep3 WHEN NEW.EdepFra = '2' BEGIN "
                                 "SELECT RAISE(ABORT, 'depósito rechazado'); END"
                              << false << "Factura 2 del ejercicio 2013: depósito rechazado" << de_la_1;
    // The engine drops the whole transaction: invoice 1, not yet committed,
    // goes too; nothing is committed in pieces.
    QTest::newRow("transaccion perdida")
        << "BEFORE INSERT ON fal3 WHEN NEW.FalFra = '2' AND NEW.FalOrden = 2 BEGIN "
           "SELECT RAISE(ROLLBACK, 'línea rechazada'); END"
        << false
        << "Factura 2 del ejercicio 2013: línea rechazada Tampoco se ha guardado lo preparado desde la última "
           "confirmación; el próximo traspaso lo preparará de nuevo."
        << "(?!)";
    // A collection of an invoice whose walk-in account it records.
    QTest::newRow("cobro") << "BEFORE INSERT ON caj3 WHEN NEW.CajOrd = 2 BEGIN SELECT RAISE(ABORT, 'cobro rechazado'); END"
                           << true << "Cobro de caja del 06-01-2013, orden 2: cobro rechazado"
                           << "^caj3 .*\\|CajOrd=1\\|";
}

void TestPreparacion::un_fallo_a_medias_no_deja_rastro()
{
    QFETCH(QString, disparador);
    QFETCH(bool, cobros);
    QFETCH(QString, mensaje);
    QFETCH(QString, quedan);
    auto preparar = [&](Enlace& e) { return preparar_de(e, cobros); };

    Hotel referencia(false, kCompletos);
    poblar_completo(referencia);
    QCOMPARE(preparar(*referencia.arrancar()), cobros ? 2 : 3);

    Hotel h(false, kCompletos);
    poblar_completo(h);
    h.inst().ejecutar("fac3", "CREATE TRIGGER falla " + disparador);
    {
        auto e = h.arrancar();
        try {
            preparar(*e);
            QFAIL("the staging went on");
        } catch (const ado::Error& error) {
            QCOMPARE(error.description(), mensaje);
            QCOMPARE(error.number(), ado::kCannotOpen);
        }
        QVERIFY(!e->a->cn_enlace.inTransaction());
    }
    const QStringList previas = volcado(referencia).filter(QRegularExpression(quedan));
    QCOMPARE(previas.isEmpty(), quedan == "(?!)");
    QCOMPARE(volcado(h), previas);

    h.inst().ejecutar("fac3", "DROP TRIGGER falla");
    preparar(*h.arrancar());
    QCOMPARE(volcado(h), volcado(referencia));
}

void TestPreparacion::reglas_de_valores()
{
    QCOMPARE(base_banda2(110.0, 10.0), 100.0);
    QCOMPARE(base_banda2(100.0, 21.0), 82.64);
    // Ties to even, whichever way the even neighbour lies and whatever the sign.
    for (const auto& [total, tipo, base] : std::initializer_list<std::tuple<double, double, double>>{{0.125, 0.0, 0.12}, {0.135, 0.0, 0.14}, {-0.125, 0.0, -0.12},
                                            {-0.135, 0.0, -0.14}, {2.665, 0.0, 2.66}, {11.0275, 10.0, 10.02}})
        QCOMPARE(base_banda2(total, tipo), base);
    QCOMPARE(base_banda2(50.0, -100.0), 0.0);   // no base at all, never an infinity

    QCOMPARE(cuenta_iva_factura("477", true, 4.0), QString("47704"));
    QCOMPARE(cuenta_iva_factura("477", true, 0.5), QString("47701"));   // half away from zero
    QCOMPARE(cuenta_iva_factura("477", true, 21.0), QString("47721"));
    QCOMPARE(cuenta_iva_factura("477", false, 21.0), QString("477"));

    QCOMPARE(empresa_000("00001"), QString("001"));
    QCOMPARE(empresa_000("12345"), QString("12345"));
    QCOMPARE(empresa_000("7"), QString("007"));
    QCOMPARE(empresa_000("AB"), QString("AB"));

    QCOMPARE(importe_linea(3, 2.5, "+"), 7.5);
    QCOMPARE(importe_linea(3, 2.5, "-"), -7.5);
    QCOMPARE(importe_linea(3, 2.5, ""), -7.5);
    QCOMPARE(importe_linea(1, 1.0005, "+"), 1.001);
    QCOMPARE(importe_linea(1, 1.0005, "-"), -1.001);
    QVERIFY(!std::signbit(importe_linea(0, 5, "-")));

    QCOMPARE(orden_cobro(QVariant(qint64(70000))), qint64(70000));
    QCOMPARE(orden_cobro(QVariant(QString(" 12 "))), qint64(12));
    QCOMPARE(orden_cobro(QVariant(3.0)), qint64(3));
    QCOMPARE(orden_cobro(QVariant()), qint64(0));
}

QTEST_GUILESS_MAIN(TestPreparacion)
#include "test_preparacion.moc"
