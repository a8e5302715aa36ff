// The same hotel kept in Access files and in one server database reached
// through the ODBC stand-in: the transfer stages the same rows and writes the
// same file, running the same statements on the connection of each mode.

#include "app/comando_traspasar.h"
#include "support/generacion_support.h"
#include "support/traspaso_support.h"

#include <QFile>
#include <QtTest>

using pruebas_traspaso::Hotel;

namespace {

QVariantMap ajustes()
{
    return {{"ca3nif", true}, {"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}};
}

// A little of everything: own and walk-in customers, an agency and a
// company, accents, lines with and without account, deposits, collections
// with and without invoice, two payment methods and a credit.
void poblar(Hotel& h)
{
    h.forma("1", "Contado", "570000001");
    h.forma("2", "Tarjeta de crédito", "572000001");
    h.cliente("1001", "430000001", {{"CliNom", "José María"}, {"CliApe", "Núñez Ibáñez"}});
    h.cliente("1002", QVariant(), {{"CliApe", "O'Connor"}});
    h.fila("agen", {{"AgenCod", "201"}, {"AgenNom", "Viajes Sol"}, {"AgenCp", "E-08001"}});
    h.fila("na", {{"NaCod", "301"}, {"NaNom", "Construcciones del Mediterráneo y Asociados S.L."}, {"NaCta", "430200301"}});
    h.factura("10", "20130105", 55.0, {{"EmiNom", "José María Núñez Ibáñez"}});
    h.factura("9", "20130105", 110.0, {{"EmiDep", 20.0}, {"TasaImporte", 2.0}});
    h.factura("11", "20130106", 33.0, {{"EmiCli", "1002"}, {"EmiN", QVariant()}});
    h.factura("12", "20130106", 121.0, {{"EmiCli", "201"}, {"eMIC", "1"}, {"EmiI2", 21.0}, {"EmiDep", 50.0}});
    h.factura("13", "20130107", 100.0, {{"EmiCli", "301"}, {"eMIC", "2"}, {"EmiDep", QVariant()}});
    h.factura("14", "20130107", 10.0, {{"EmiN", "B"}});
    h.linea("9", "2013", "+", 2, 54, "705000001");
    h.linea("9", "2013", "+", 1, 2.0, "");
    h.linea("10", "2013", "+", 1, 60, "70500000123");
    h.linea("10", "2013", "-", 1, 5, "705000001");
    h.linea("12", "2013", "+", 3, 40.3333, QVariant());
    h.cobro("20130105", 1, 90.0, "9");
    h.cobro("20130105", 2, 55.0, "10", {{"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta de crédito"}});
    h.cobro("20130106", 1, 71.0, "12", {{"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta de crédito"}});
    h.cobro("20130106", 2, 100.0, "", {{"CajaCon", "Anticipo nº 000123"}});
    h.cobro("20130107", 1, 33.0, "11");
    h.fila("cre3", {{"Cre3Fec", "20130110"}, {"Cre3Ord", 1}, {"Cre3FecValor", "20130112"},
                    {"Cre3Cli", "430000001"}, {"Cre3Cobro", "572000001"}, {"Cre3CobroN", "Tarjeta"},
                    {"Cre3Fra", "9"}, {"Cre3Imp", 30.0}, {"Cre3Estado", "0"}});
}

struct Resultado {
    QMap<QString, QStringList> tablas;
    QStringList fichero;
    QStringList hotel;        // statements run on the hotel connection(s)
    QStringList enlace;       // statements run on cn_enlace
    QStringList limpieza;     // hotel statements of the clean-up
    QStringList limpieza_enlace;
    bool wsql = false;
    bool algun_mdb_abierto = false;
};

const QStringList kTablas = {"fac3", "fal3", "edep3", "caj3", "ctas3", "cre3"};

Resultado ejecutar(bool servidor)
{
    Hotel h(servidor, ajustes());
    poblar(h);
    Resultado r;
    {
        auto e = h.arrancar();
        A3ADO& a = *e->a;
        r.wsql = a.wsql;
        for (ado::Connection* cn : {&a.cn_emi, &a.cn_hiscadia, &a.cn_agen, &a.cn_na, &a.cn_caja, &a.cn_cli,
                                    &a.cn_formas})
            r.algun_mdb_abierto = r.algun_mdb_abierto || cn->isOpen();
        ado::Connection& hotel_cli = a.conexion_hotel("cli");
        ado::Connection& hotel_emi = a.conexion_hotel("emi");
        hotel_cli.trace = hotel_emi.trace = a.cn_enlace.trace = true;
        e->t->wdesde = "20130101";
        e->t->whasta = "20130131";
        const ResultadoTraspaso res = iniciar(*e->t);
        if (!res.generacion.completo())
            qWarning() << e->ui.texts();
        r.hotel = hotel_cli.executed;
        if (&hotel_emi != &hotel_cli)
            r.hotel += hotel_emi.executed;
        r.enlace = pruebas_generacion::sin_diario(a.cn_enlace.executed);
    }
    for (const QString& t : kTablas)
        r.tablas[t] = h.volcar(t);
    r.fichero = h.lineas();
    {
        auto e = h.arrancar();
        ado::Connection& caja = e->a->conexion_hotel("caja");
        caja.trace = e->a->cn_enlace.trace = true;
        e->t->wdesde = "20130105";
        e->t->whasta = "20130106";
        limpiar_temporales(*e->t);
        r.limpieza = caja.executed;
        r.limpieza_enlace = e->a->cn_enlace.executed;
    }
    return r;
}

} // namespace

class TestTraspasarServidor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mismas_filas_y_mismo_fichero_en_los_dos_modos();
    void lote_en_modo_servidor();
    void rarezas_en_modo_servidor() { pruebas_traspaso::comprobar_rarezas(true); }
};

void TestTraspasarServidor::mismas_filas_y_mismo_fichero_en_los_dos_modos()
{
    const Resultado access = ejecutar(false);
    QVERIFY(!access.wsql);
    QVERIFY(access.algun_mdb_abierto);
    QCOMPARE(access.hotel, (QStringList{"UPDATE cli SET CliCta = '' WHERE CliCta = ' ' OR CliCta is null",
                                        "UPDATE emi SET EmiN = '' WHERE EmiN is null",
                                        "UPDATE emi SET EmiDep = 0 WHERE EmiDep is null"}));

    const Resultado servidor = ejecutar(true);
    QVERIFY(servidor.wsql);
    QVERIFY(!servidor.algun_mdb_abierto);
    QCOMPARE(servidor.hotel, (QStringList{"UPDATE cli SET CliCta = '' WHERE CliCta = ' ' OR CliCta is null",
                                          "UPDATE emi set EmiN = '' WHERE EmiN is null",
                                          "UPDATE emi set EmiDep = 0 WHERE EmiDep is null"}));

    // Something of every kind was staged and written.
    QCOMPARE(access.tablas["fac3"].size(), 5);
    QCOMPARE(access.tablas["fal3"].size(), 5);
    QCOMPARE(access.tablas["edep3"].size(), 2);
    QCOMPARE(access.tablas["caj3"].size(), 5);
    QVERIFY(access.tablas["ctas3"].size() >= 2);
    QVERIFY(access.fichero.size() > 20);

    for (const QString& t : kTablas)
        QCOMPARE(servidor.tablas[t], access.tablas[t]);
    QCOMPARE(servidor.fichero, access.fichero);
    QCOMPARE(servidor.enlace, access.enlace);

    const QString entre = "BETWEEN '20130105' AND '20130106'";
    QCOMPARE(access.limpieza, QStringList{"UPDATE Caja SET CajaTur = '' WHERE CajaFec " + entre});
    QCOMPARE(servidor.limpieza, access.limpieza);
    const QStringList limpieza_enlace = {
        "DELETE * FROM caj3 WHERE CajFec " + entre,
        "DELETE * FROM edep3 WHERE EdepFec " + entre,
        "UPDATE cre3 SET Cre3Estado = '0' WHERE Cre3Fec " + entre,
        "DELETE * FROM fal3 WHERE EXISTS (SELECT * FROM fac3 WHERE fac3.FacEje = fal3.FalEje AND fac3.FacFra = "
        "fal3.FalFra AND fac3.FacFec " + entre + ")",
        "DELETE * FROM fac3 WHERE FacFec " + entre,
    };
    QCOMPARE(access.limpieza_enlace, limpieza_enlace);
    QCOMPARE(servidor.limpieza_enlace, limpieza_enlace);
}

void TestTraspasarServidor::lote_en_modo_servidor()
{
    Hotel h(true, ajustes());
    poblar(h);
    qputenv("ENLACE3_DOSDEVICES", QFile::encodeName(h.raiz()));
    QString out, err;
    QTextStream o(&out), e(&err);
    const int estado = comando_traspasar({"01012013", "31012013"}, o, e);
    o.flush();
    e.flush();
    QCOMPARE(err, QString());
    QCOMPARE(estado, 0);
    QCOMPARE(out.split('\n').first(), QString("Se ha generado Suenlace.dat correctamente"));
    QCOMPARE(h.contar("fac3", "FacEst = '1'"), 5);
    QCOMPARE(h.contar("caja", "CajaTur = '1'"), 5);
}

QTEST_GUILESS_MAIN(TestTraspasarServidor)
#include "test_traspasar_servidor.moc"
