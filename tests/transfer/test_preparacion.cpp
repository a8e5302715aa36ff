// Staging of invoices, sales lines, deposits and cash-desk collections, on
// installations made by the fixture builder.

#include "app/arranque.h"
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

// A fac3 row: bands 1-4 as "b1 b2 b3 b4", rates and quotas alike.
QString fac3(const QString& fra, const QString& fec, const QString& bases, const QString& tipos, const QString& cuotas,
             const QString& total, const QString& nif, const QString& ivar, const QString& tasa = "0")
{
    const QStringList b = bases.split(' '), i = tipos.split(' '), c = cuotas.split(' ');
    return QStringLiteral("FacEje=2013|FacFec=%1|FacFra=%2|FacCli=1001|FacB0=0|FacB1=%3|FacB2=%4|FacB3=%5|FacB4=%6|FacI1=%7|FacI2=%8|"
                          "FacI3=%9|FacI4=%10|FacC1=%11|FacC2=%12|FacC3=%13|FacC4=%14|FacTotal=%15|FacNifC=%16|FacEst=0|"
                          "FacCliN=Cliente de la factura %2|FacIvaR=%17|FacCtaC=430000001|FacTasa=%18")
        .arg(fec, fra, b[0], b[1], b[2], b[3], i[0], i[1], i[2]).arg(i[3], c[0], c[1], c[2], c[3], total, nif, ivar).arg(tasa);
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

QStringList volcado(const Hotel& h)
{
    QStringList r;
    for (const QString& tabla : QStringList{"fac3", "fal3", "edep3", "caj3", "ctas3"})
        for (const QString& fila : h.volcar(tabla))
            r << tabla + " " + fila;
    return r;
}

} // namespace

class TestPreparacion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void facturas_base_y_cuota_de_banda2()
    {
        for (const bool por_tipo : {true, false}) {
            Hotel h(false, {{"ca3iva", por_tipo}});
            preparar_hotel(h);
            h.factura("1", "20130105", 110.0, {{"EmiNif", "B07000001XYZ"}, {"EmiB1", 5.5}, {"EmiC1", 1.16}});
            h.factura("2", "20130106", 100.0, {{"EmiI2", 21.0}, {"EmiNif", "123456789"}, {"TasaImporte", 2.5}});
            // Ties to even: 100.125 / 1 is exactly halfway and stays 100.12.
            h.factura("3", "20130107", 100.125, {{"EmiI2", 0.0}, {"EmiNif", QVariant()}, {"TasaImporte", QVariant()}});
            // Bands the hotel left empty (base, rate and quota Null) count as nothing.
            QVariantMap vacias{{"EmiNif", QVariant()}};
            for (const char* c : {"EmiB1", "EmiI1", "EmiC1", "EmiB3", "EmiI3", "EmiC3", "EmiB4", "EmiI4", "EmiC4"})
                vacias.insert(c, QVariant());
            h.factura("4", "20130108", 110.0, vacias);
            QCOMPARE(preparar_de(*h.arrancar()), 4);
            // The VAT account by rate, or the one account; band 2's quota is the rest of the total to the last bit.
            const auto ivar = [por_tipo](const QString& tipo) { return "47700000" + (por_tipo ? tipo : QString()); };
            QCOMPARE(h.volcar("fac3", "FacFra"),
                     (QStringList{fac3("1", "20130105", "5.5 100 0 0", "21 10 4 0", "1.16 10 0 0", "110", "B07000001", ivar("10")),
                                  fac3("2", "20130106", "0 82.64 0 0", "21 21 4 0", "0 17.36 0 0", "100", "123456789", ivar("21"), "2.5"),
                                  fac3("3", "20130107", "0 100.12 0 0", "21 0 4 0", "0 0.00499999999999545 0 0", "100.125", "", ivar("00")),
                                  fac3("4", "20130108", "0 100 0 0", "0 10 0 0", "0 10 0 0", "110", "", ivar("10"))}));
        }
    }

    void lineas_de_venta_signo_orden_y_cuenta()
    {
        Hotel h({}, {{"ca3nif", true}});
        preparar_hotel(h);
        for (const char* num : {"1", "2", "3"})   // 3 has no lines: no fal3 row
            h.factura(num, "2013010" + QString(num), 10.0);
        // 3 x 0.3335 = 1.0005 rounds up to 1.001; eleven digits are adjusted to nine; the last is another year's invoice 2.
        for (const auto& [num, ano, ca, can, pre, cta] : std::initializer_list<std::tuple<const char*, const char*, const char*, double, double, QVariant>>{
                 {"1", "2013", "+", 3, 2.5, "705000001"}, {"1", "2013", "-", 3, 2.5, "705000001"}, {"1", "2013", "+", 3, 0.3335, ""},
                 {"2", "2013", "+", 1, 10, QVariant()}, {"2", "2013", "+", 2, 5, "70500000123"}, {"2", "2012", "+", 1, 99, "705000001"}})
            h.linea(num, ano, ca, can, pre, cta);
        QCOMPARE(preparar_de(*h.arrancar()), 3);
        QCOMPARE(h.volcar("fal3").replaceInStrings("FalEmp=001|FalEje=2013|", ""),
                 (QStringList{"FalOrden=1|FalFra=1|FalCta=705000001|FalImp=7.5", "FalOrden=2|FalFra=1|FalCta=705000001|FalImp=-7.5",
                              "FalOrden=3|FalFra=1|FalCta=705999999|FalImp=1.001", "FalOrden=1|FalFra=2|FalCta=705999999|FalImp=10",
                              "FalOrden=2|FalFra=2|FalCta=705000123|FalImp=10"}));
    }

    void depositos_solo_con_centimos()
    {
        Hotel h;
        preparar_hotel(h);
        for (const auto& [num, dep] : {std::pair<const char*, QVariant>{"1", 50.0}, {"2", 0.0}, {"3", QVariant()}, {"4", 0.004}, {"5", -0.005}})
            h.factura(num, "20130105", 110.0, {{"EmiDep", dep}});   // 0.004 has no cent: no deposit; -0.005 rounds to -0.01
        QCOMPARE(preparar_de(*h.arrancar()), 5);
        QCOMPARE(h.volcar("edep3"), (QStringList{"EdepFec=20130105|EdepCli=430000001|EdepImp=50|EdepFra=1|EdepEstado=0",
                                                 "EdepFec=20130105|EdepCli=430000001|EdepImp=-0.005|EdepFra=5|EdepEstado=0"}));

        Hotel largo({}, {{"Ca3Niv", 12}});   // a twelve-digit account is kept whole
        largo.forma("1", "Contado", "570000000001");
        largo.cliente("1001", "430000000012");
        largo.factura("1", "20130105", 110.0, {{"EmiDep", 20.0}});
        QCOMPARE(preparar_de(*largo.arrancar()), 1);
        QCOMPARE(largo.volcar("edep3"), QStringList{"EdepFec=20130105|EdepCli=430000000012|EdepImp=20|EdepFra=1|EdepEstado=0"});
    }

    void filtros_de_la_seleccion()
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
        // A 32-bit order is kept whole, not wrapped to 16 bits (70000 -> 4464).
        h.cobro("20130105", 70000, 1.0, "");
        h.cobro("20130105", 4464, 2.0, "");
        auto e = h.arrancar();
        QCOMPARE(preparar_de(*e), 2);
        QCOMPARE(preparar_de(*e, true), 3);
        QCOMPARE(h.estados("fac3", "FacFra", "FacEst", "FacFra"), (QStringList{"3=0", "6=0"}));
        QCOMPARE(h.estados("caj3", "CajOrd", "CajImp", "CajOrd"), (QStringList{"2=10", "4464=2", "70000=1"}));
    }

    void cobros_con_factura_sin_factura_y_nula()
    {
        Hotel h;
        preparar_hotel(h);
        h.factura("7", "20121230", 10.0);   // paid in January, invoiced in December
        h.cobro("20130105", 1, 100.0, "", {{"CajaCon", "Anticipo nº 000123 Hab. 12"}, {"CajaCre", "1"}});
        h.cobro("20130105", 2, 25.5, QVariant(), {{"CajaCon", "Anticipo nº 000456"}});
        h.cobro("20130105", 3, 10.0, "7", {{"CajaAnoF", "2012"}, {"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta"}, {"CajaCon", "Anticipo nº 000789"}});
        h.cobro("20130106", 1, -4.0, "8");   // an invoice the hotel does not have
        QCOMPARE(preparar_de(*h.arrancar(), true), 4);
        const QString contado = "CajCobro=570000001|CajCobroN=Contado|CajEstado=0";
        QCOMPARE(h.volcar("caj3"),
                 (QStringList{"CajFec=20130105|CajOrd=1|CajImp=100|CajFra=|CajCli=561000000|CajAnoF=2013|CajCre=1|CajDep=000123|" + contado,
                              "CajFec=20130105|CajOrd=2|CajImp=25.5|CajFra=|CajCli=561000000|CajAnoF=2013|CajCre=|CajDep=|" + contado,
                              "CajFec=20130105|CajOrd=3|CajImp=10|CajFra=7|CajCli=430000001|CajAnoF=2012|CajCre=|CajDep=|"
                              "CajCobro=572000001|CajCobroN=Tarjeta|CajEstado=0",
                              "CajFec=20130106|CajOrd=1|CajImp=-4|CajFra=8|CajCli=430999999|CajAnoF=2013|CajCre=|CajDep=|" + contado}));
    }

    void una_segunda_preparacion_no_anade_filas()
    {
        Hotel h(false, kCompletos);
        poblar_completo(h);
        auto e = h.arrancar();
        QCOMPARE(preparar_de(*e) + preparar_de(*e, true), 5);
        const QStringList antes = volcado(h);
        QCOMPARE(antes.filter(QRegularExpression("^ctas3 ")).size(), 2);   // walk-ins: an account each, recorded once
        auto otra = h.arrancar();
        QCOMPARE(preparar_de(*otra) + preparar_de(*otra, true), 0);
        QCOMPARE(volcado(h), antes);
    }

    // The closing report groups the rows left out by kind, in a fixed order,
    // each kind cut at its maximum with how many more there were.
    void informe_por_clases()
    {
        using C = DatoRechazado::Clase;
        const std::vector<DatoRechazado> r = {{C::Fecha, "f1"}, {C::Vacio, "v1"}, {C::Fecha, "f2"}, {C::Fecha, "f3"}};
        QCOMPARE(informe_rechazados(r, 2), QStringList({"Datos vacíos (1):", "  v1", "Fechas que no son fechas aaaammdd del calendario (3):",
                                                        "  f1", "  f2", "  ... y 1 más de este tipo."}));
        QCOMPARE(informe_rechazados({}, 2), QStringList());
    }

    void una_factura_rechazada_no_se_lleva_la_cuenta_de_otra()
    {
        // Invoice 2's line is no number: it goes, with the account of its
        // walk-in customer; invoice 3 of the same customer records it again.
        Hotel h(false, kCompletos);
        preparar_hotel(h);
        h.cliente("1002", QVariant());
        h.factura("2", "20130106", 10.0, {{"EmiCli", "1002"}});
        h.factura("3", "20130107", 10.0, {{"EmiCli", "1002"}});
        h.linea("2", "2013", "+", 1, 10, "705000001");
        h.linea("3", "2013", "+", 1, 10, "705000001");
        h.inst().ejecutar("hiscadia", "UPDATE Hiscadia SET HCadiaCan = 'x' WHERE HCadiaFra = '2'");
        auto e = h.arrancar();
        QCOMPARE(preparar_de(*e), 1);
        QCOMPARE(e->t->rechazados.size(), size_t(1));
        QCOMPARE(h.estados("ctas3", "Cuenta", "Estado", "Cuenta"), QStringList{"430001002=0"});
    }

    void un_aviso_no_retiene_los_ficheros_del_hotel()
    {
        // While a message waits for the user, the hotel's program can write
        // to its files: the staging does not hold them meanwhile.
        Hotel h;
        h.forma("2", "Tarjeta", QVariant());   // no account, and no cash method
        h.cobro("20130105", 1, 10.0, "", {{"CajaCobroc", "2"}});
        struct Ui : platform::ScriptedInteraction {
            QString formas;
            QList<bool> escritas;
            void message(const QString& texto, const QString& titulo, platform::Icon icono) override
            {
                ScriptedInteraction::message(texto, titulo, icono);
                {
                    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hotel");
                    db.setDatabaseName(formas);
                    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
                    QSqlQuery q(db);
                    escritas << (db.open() && q.exec("BEGIN EXCLUSIVE") && q.exec("ROLLBACK"));
                }
                QSqlDatabase::removeDatabase("hotel");
            }
        } ui;
        ui.formas = h.inst().archivo_tabla("formas");
        A3ADO a(platform::DriveMap(h.raiz()), ui);
        QVERIFY(arranque::arrancar(a) && arranque::activar(a).configuracion_ok);
        Traspaso t(a);
        t.wdesde = "20130101";
        t.whasta = "20130131";
        QCOMPARE(preparar_cobros(t), 1);
        QCOMPARE(ui.texts(), QStringList{"Error no existe contado"});
        QCOMPARE(ui.escritas, QList<bool>{true});
    }

    void un_fallo_a_medias_no_deja_rastro_data()
    {
        QTest::addColumn<QString>("disparador");
        QTest::addColumn<bool>("cobros");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<QString>("quedan");   // the rows of a run without failure that stay staged after it
        const QString de_la_1 = "^(fac3 .*\\|FacFra=1|fal3 .*\\|FalFra=1)\\|", linea2 = "BEFORE INSERT ON fal3 WHEN NEW.FalFra = '2' AND NEW.FalOrden = 2 BEGIN SELECT RAISE(";
        // The second sales line of invoice 2 is refused: its account, its first
        // line and the invoice itself go; invoice 1 stays.
        QTest::newRow("linea de venta") << linea2 + "ABORT, 'línea rechazada'); END" << false
                                        << "Factura 2 del ejercicio 2013: línea rechazada" << de_la_1;
        // The deposit, staged last, is refused: every line of the invoice goes.
        QTest::newRow("deposito") << "BEFORE INSERT ON edep3 WHEN NEW.EdepFra = '2' BEGIN SELECT RAISE(ABORT, 'depósito rechazado'); END"
                                  << false << "Factura 2 del ejercicio 2013: depósito rechazado" << de_la_1;
        // The engine drops the whole transaction: invoice 1, not yet committed,
        // goes too; nothing is committed in pieces.
        QTest::newRow("transaccion perdida") << linea2 + "ROLLBACK, 'línea rechazada'); END" << false
            << "Factura 2 del ejercicio 2013: línea rechazada Tampoco se ha guardado lo preparado desde la última "
               "confirmación; el próximo traspaso lo preparará de nuevo." << "(?!)";
        // A collection of an invoice whose walk-in account it records.
        QTest::newRow("cobro") << "BEFORE INSERT ON caj3 WHEN NEW.CajOrd = 2 BEGIN SELECT RAISE(ABORT, 'cobro rechazado'); END"
                               << true << "Cobro de caja del 06-01-2013, orden 2: cobro rechazado" << "^caj3 .*\\|CajOrd=1\\|";
    }

    void un_fallo_a_medias_no_deja_rastro()
    {
        QFETCH(QString, disparador);
        QFETCH(bool, cobros);
        QFETCH(QString, mensaje);
        QFETCH(QString, quedan);
        Hotel referencia(false, kCompletos);
        poblar_completo(referencia);
        QCOMPARE(preparar_de(*referencia.arrancar(), cobros), cobros ? 2 : 3);
        Hotel h(false, kCompletos);
        poblar_completo(h);
        h.inst().ejecutar("fac3", "CREATE TRIGGER falla " + disparador);
        {
            auto e = h.arrancar();
            try {
                preparar_de(*e, cobros);
                QFAIL("the staging went on");
            } catch (const ado::Error& error) {
                QCOMPARE(error.description() + QString::number(error.number()), mensaje + QString::number(ado::kCannotOpen));
            }
            QVERIFY(!e->a->cn_enlace.inTransaction());
        }
        const QStringList previas = volcado(referencia).filter(QRegularExpression(quedan));
        QCOMPARE(volcado(h), previas);
        h.inst().ejecutar("fac3", "DROP TRIGGER falla");
        preparar_de(*h.arrancar(), cobros);
        QCOMPARE(volcado(h), volcado(referencia));
    }

    void reglas_de_valores()
    {
        // Band 2's base: ties to even, whichever way the even neighbour lies and whatever the sign.
        for (const auto& [total, tipo, base] : std::initializer_list<std::tuple<double, double, double>>{
                 {110.0, 10.0, 100.0}, {100.0, 21.0, 82.64}, {0.125, 0.0, 0.12}, {0.135, 0.0, 0.14}, {-0.125, 0.0, -0.12},
                 {-0.135, 0.0, -0.14}, {2.665, 0.0, 2.66}, {11.0275, 10.0, 10.02}, {50.0, -100.0, 0.0}})   // -100 %: no base, never an infinity
            QCOMPARE(base_banda2(total, tipo), base);
        const auto iva = [](bool por_tipo, double tipo) { return cuenta_iva_factura("477", por_tipo, tipo) + " "; };
        QCOMPARE(iva(true, 4.0) + iva(true, 0.5) + iva(true, 21.0) + iva(false, 21.0), "47704 47701 47721 477 ");   // half away from zero
        QCOMPARE(QStringList({empresa_000("00001"), empresa_000("12345"), empresa_000("7"), empresa_000("AB")}),
                 QStringList({"001", "12345", "007", "AB"}));
        QCOMPARE(QList<double>({importe_linea(3, 2.5, ""), importe_linea(1, 1.0005, "-")}), QList<double>({-7.5, -1.001}));
        QVERIFY(!std::signbit(importe_linea(0, 5, "-")));
        QCOMPARE(QList<qint64>({orden_cobro(qint64(70000)), orden_cobro(QString(" 12 ")), orden_cobro(3.0), orden_cobro(QVariant())}),
                 QList<qint64>({70000, 12, 3, 0}));
    }
};

QTEST_GUILESS_MAIN(TestPreparacion)
#include "test_preparacion.moc"
