// The transfer run and the clean-up as a user starts them, from the batch
// line (`traspasar` / `limpiar`) and from the engine the window calls, on
// installations made by the fixture builder.

#include "app/comando_traspasar.h"
#include "data/bitacora.h"
#include "support/fixtures.h"

#include <QtTest>

using fixture::crear_cuentas;
using fixture::Hotel;
using fixture::poblar_enero;
using fixture::Salida;

namespace {

const QString kRuta = QStringLiteral("F:\\NOCTARIS\\Suenlace.dat");
const QString kDetenido = "Traspaso detenido: no se ha generado " + kRuta + ". Lo ya preparado queda pendiente para el próximo traspaso.";

Salida lote(const Hotel& h, const QString& comando, const QStringList& args) { return fixture::lote(h.raiz(), comando, args); }

// The staged rows and the pending accounts, with their states.
QStringList estados(const Hotel& h)
{
    return fixture::estados_preparados(h) + h.estados("ctas3", "Cuenta", "Estado", "Cuenta").replaceInStrings(QRegularExpression("^"), "ctas3 ");
}

} // namespace

class TestTraspasar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void palabras_de_fecha_con_reloj_fijo();
    void fichero_existente_sin_respuesta(); void fichero_existente_sobrescribir_o_anadir(); void traspasar_otra_vez_limpiar_y_volver();
    void titular_inexistente_detiene_antes_del_fichero();
    void configuracion_incompleta_no_toca_nada();
};

void TestTraspasar::palabras_de_fecha_con_reloj_fijo()
{
    const QString uso = "uso";
    const QDate bisiesto(2024, 3, 1), enero(2024, 1, 15);
    struct Caso { QDate hoy; QStringList fechas; QString desde, hasta, error; };
    const QString al_reves = "La fecha inicial (14-01-2024) es posterior a la final (31-12-2023): no se ha hecho nada. Escriba primero la fecha más antigua.";
    const QList<Caso> casos = {
        {bisiesto, {"ayer"}, "20240229", "20240229", {}},
        {bisiesto, {"HOY"}, "20240301", "20240301", {}},
        {bisiesto, {"mes-anterior"}, "20240201", "20240229", {}},
        {bisiesto, {"01-01-2024", "ayer"}, "20240101", "20240229", {}},
        {enero, {"mes-anterior"}, "20231201", "20231231", {}},
        {enero, {"ayer", "mes-anterior"}, {}, {}, al_reves},
        {enero, {"01012024"}, {}, {}, uso},
        {enero, {}, {}, {}, uso},
        {enero, {"ayer", "hoy", "hoy"}, {}, {}, uso},
        {enero, {"ayer", "anteayer"}, {}, {}, "Formato de Fecha incorrecto."},
    };
    for (const Caso& c : casos) {
        const RangoLote r = rango_de_lote(c.fechas, c.hoy, uso);
        QCOMPARE(QStringList({r.error, r.desde, r.hasta}), QStringList({c.error, c.desde, c.hasta}));
    }
}

void TestTraspasar::fichero_existente_sin_respuesta()
{
    Hotel h;
    poblar_enero(h);
    QCOMPARE(lote(h, "traspasar", {"01012013", "05012013"}).estado, 0);
    const QByteArray antes = h.bytes();
    const Salida s = lote(h, "traspasar", {"06012013", "31012013"});
    QVERIFY(s.estado == 2 && s.out.isEmpty());
    QCOMPARE(s.lineas_err(), QStringList{"El fichero " + kRuta + " ya existe. Indique --sobrescribir para borrar la información anterior o --anadir para añadir los nuevos registros a continuación."});
    // Stopped before staging: invoice 11 of the 6th is not in fac3, the file is untouched.
    QCOMPARE(h.contar("fac3", "FacFra = '11'"), 0);
    QCOMPARE(h.bytes(), antes);
}

void TestTraspasar::fichero_existente_sobrescribir_o_anadir()
{
    Hotel h;
    poblar_enero(h);
    QCOMPARE(lote(h, "traspasar", {"05012013", "05012013"}).estado, 0);
    const QStringList dia5 = h.lineas();
    QCOMPARE(lote(h, "traspasar", {"06012013", "06012013", "--anadir"}).estado, 0);
    const QStringList ambos = h.lineas();
    QCOMPARE(ambos.mid(0, dia5.size()), dia5);
    const QStringList dia6 = ambos.mid(dia5.size());
    QCOMPARE(dia6.size(), 2);   // invoice 11: header and one VAT line
    // Again from scratch, this time answering Yes: only the run's records.
    Hotel h2;
    poblar_enero(h2);
    QCOMPARE(lote(h2, "traspasar", {"05012013", "05012013"}).estado, 0);
    const Salida s = lote(h2, "traspasar", {"06012013", "06012013", "--sobrescribir"});
    QCOMPARE(s.estado, 0);
    QCOMPARE(s.lineas_out().first(), "El fichero F:\\NOCTARIS\\\\Suenlace.dat, ya está generado. ¿Desea borrar la información anterior? -> Sí");
    QCOMPARE(h2.lineas(), dia6);
    // Kept content whose last line has no end (or half of it) is ended first:
    // the new records each stand on a line of their own.
    for (const QByteArray& previo : {QByteArray("X"), QByteArray("X\r")}) {
        Hotel h3;
        poblar_enero(h3);
        QFile f(h3.fichero());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(previo) == previo.size());
        f.close();
        QCOMPARE(lote(h3, "traspasar", {"06012013", "06012013", "--anadir"}).estado, 0);
        QCOMPARE(h3.lineas(), QStringList{"X"} + dia6);
    }
}

void TestTraspasar::traspasar_otra_vez_limpiar_y_volver()
{
    Hotel h(false, crear_cuentas());
    poblar_enero(h);
    Salida s = lote(h, "traspasar", {"01-01-2013", "31012013"});
    QVERIFY2(s.estado == 0 && s.err.isEmpty(), qPrintable(s.err));
    QCOMPARE(s.lineas_out(), (QStringList{"Se ha generado Suenlace.dat correctamente", "Cuentas: 1", "Facturas: 3", "Depósitos: 1", "Días de caja: 1", "Créditos: 1",
                                          "Registros: 15", "Importe de las facturas: 198,00 €", "Importe de los depósitos: 20,00 €",
                                          "Importe de los cobros de caja: 145,00 €", "Importe de los créditos: 30,00 €", "Fichero: " + kRuta}));
    const QStringList marcados = {"fac3 10=1", "fac3 11=1", "fac3 9=1", "edep3 9=1", "caj3 1=1", "caj3 2=1", "cre3 9=1", "ctas3 430001002=1"};
    QCOMPARE(estados(h), marcados);
    exigirFicheroValido(h.fichero());

    // A second run finds nothing to send.
    s = lote(h, "traspasar", {"01012013", "31012013", "--sobrescribir"});
    QCOMPARE(s.estado, 0);
    QCOMPARE(s.lineas_out().mid(1, 7), (QStringList{"Se ha generado Suenlace.dat correctamente", "Cuentas: 0", "Facturas: 0", "Depósitos: 0",
                                                    "Días de caja: 0", "Créditos: 0", "Registros: 0"}));
    QCOMPARE(h.lineas(), QStringList());
    QCOMPARE(estados(h), marcados);

    // The clean-up says what it removed, on stdout; a range with nothing
    // staged is a result too, not an error.
    const Salida l = lote(h, "limpiar", {"01012013", "31012013"});
    QCOMPARE(l.estado, 0);
    QCOMPARE(l.out, QString("Datos Temporales limpiados correctamente!\nFacturas borradas (fac3): 3\n"
                            "Depósitos borrados (edep3): 1\nCobros de caja borrados (caj3): 2\nCréditos por enviar otra vez (cre3): 1\n"
                            "Marcas de caja del hotel quitadas: 2\n"));
    QCOMPARE(l.err, QString());
    const Salida vacia = lote(h, "limpiar", {"01012013", "31012013"});
    QCOMPARE(vacia.estado, 0);
    QCOMPARE(vacia.out, QString("Datos Temporales limpiados correctamente!\n"
                                "No había datos temporales del 01-01-2013 al 31-01-2013: no se ha limpiado nada.\n"));
    QCOMPARE(vacia.err, QString());
    QCOMPARE(lote(h, "traspasar", {"01012013", "31012013", "--sobrescribir"}).estado, 0);

    // Each run left its entry in the log beside the link database.
    QFile log(bitacora::ruta(*h.arrancar()->a));
    QVERIFY2(log.open(QIODevice::ReadOnly), qPrintable(log.fileName()));
    const QString texto = QString::fromUtf8(log.readAll());
    const QRegularExpression fin(QStringLiteral("^[0-9-]{10} [0-9:]{8} (\\S+): estado de salida (\\d)$"), QRegularExpression::MultilineOption);
    QStringList finales;
    for (auto m = fin.globalMatch(texto); m.hasNext();) finales << m.next().capturedTexts().mid(1).join(' ');
    QCOMPARE(finales, (QStringList{"traspaso 0", "traspaso 0", "limpieza 0", "limpieza 0", "traspaso 0"}));
    for (const QString& linea : QStringList{"  Fechas: 01-01-2013 a 31-01-2013", "  Facturas preparadas: 3", "  Cobros preparados: 2", "  Facturas: 3", "  Importe de las facturas: 198,00 €", "  Fichero: " + kRuta, "  Facturas borradas (fac3): 3"})
        QVERIFY2(texto.contains(linea + "\n"), qPrintable(linea + " no está en:\n" + texto));
}

void TestTraspasar::titular_inexistente_detiene_antes_del_fichero()
{
    Hotel h;
    poblar_enero(h);
    h.factura("13", "20130107", 10.0, {{"EmiCli", "9999"}});
    h.factura("14", "20130108", 10.0);
    const Salida s = lote(h, "traspasar", {"01012013", "31012013"});
    QCOMPARE(s.estado, 1);
    QCOMPARE(s.lineas_err(), (QStringList{"Existe un problema grave con la Factura 13, el cliente: 9999 no existe, la aplicación no puede continuar", kDetenido}));
    QCOMPARE(s.out, QString());
    QVERIFY(!QFile::exists(h.fichero()));
    // What was staged before the stop waits in state "0"; nothing after it was staged.
    QCOMPARE(estados(h), (QStringList{"fac3 10=0", "fac3 11=0", "fac3 9=0", "edep3 9=0", "cre3 9=0"}));
    h.cliente("9999", "430009999");
    QCOMPARE(lote(h, "traspasar", {"01012013", "31012013"}).estado, 0);
    QCOMPARE(estados(h), (QStringList{"fac3 10=1", "fac3 11=1", "fac3 13=1", "fac3 14=1", "fac3 9=1", "edep3 9=1", "caj3 1=1", "caj3 2=1", "cre3 9=1"}));
}

// Settings without the account length: every order that would stage, clean
// or write says so and stops, with nothing touched. Without any settings row
// the start-up is silent, and the orders that write accounts stop the same
// way, in the window as on the batch line.
void TestTraspasar::configuracion_incompleta_no_toca_nada()
{
    const QString sin_digitos = "La configuración del enlace está incompleta: falta el número de dígitos";
    const QString sin_fila = "La configuración del enlace está incompleta: no hay ninguna configuración cargada";
    using Orden = std::pair<QString, QStringList>;
    const Orden traspasar{"traspasar", {"01012013", "31012013"}}, exportar{"exportar-pgc", {"1", "--sobrescribir"}};
    struct Caso { bool sin_fila; QList<Orden> ordenes; QString mensaje; };
    for (const Caso& c : {Caso{false, {traspasar, {"limpiar", {"01012013", "31012013"}}, exportar}, sin_digitos},
                          Caso{true, {traspasar, exportar}, sin_fila}}) {
        Hotel h(false, {{"Ca3Niv", QVariant()}});
        poblar_enero(h);
        if (c.sin_fila) h.inst().ejecutar("ca3", "DELETE FROM ca3");
        const QStringList antes = estados(h);   // the credit the hotel left in cre3
        for (const auto& [comando, args] : c.ordenes) {
            const Salida s = lote(h, comando, args);
            QCOMPARE(s.estado, 1);
            QVERIFY2(s.err.startsWith(c.mensaje), qPrintable(comando + ": " + s.err));
            QCOMPARE(estados(h), antes);
            QVERIFY(!QFile::exists(h.fichero()));
        }
        if (!c.sin_fila) continue;   // there the window's start-up has already said it
        QStringList vistos;
        const ResultadoTraspaso r = h.traspasar("20130101", "20130131", &vistos);
        QVERIFY(!r.completo() && r.facturas_preparadas == 0);
        QVERIFY2(vistos.last().startsWith(sin_fila), qPrintable(vistos.join('|')));
        QCOMPARE(estados(h), antes);
        QVERIFY(!QFile::exists(h.fichero()));
    }
}

QTEST_GUILESS_MAIN(TestTraspasar)
#include "test_traspasar.moc"
