// The chart-of-accounts export over real installations: the accounts of a
// Zumeral company file stored in ctas3, the pending accounts written to
// SUENLACE.DAT, and the exportar-pgc order of the batch line.

#include "app/comando_exportar_pgc.h"
#include "export/exportacion_pgc.h"
#include "support/fixtures.h"

#include <QtTest>

using namespace fixture;

namespace {

const QString kFichero = QStringLiteral("F:\\NOCTARIS\\Suenlace.dat");
const QString kExito = QStringLiteral("La Exportación del PGC ha finalizado con éxito. Ud debe importar ahora desde A3Con el fichero SUENLACE.DAT generado en F:\\NOCTARIS\\");
// The question names the file as the folder and the name make it.
const QString kPregunta = QStringLiteral("El fichero F:\\NOCTARIS\\\\Suenlace.dat, ya está generado. ¿Desea borrar la información anterior?");
const QString kSinMarcar = QStringLiteral(". No se ha marcado ninguna cuenta como exportada.|3");
const QString kNoLeido = QStringLiteral("No se ha podido completar la lectura del plan contable de la empresa 007 de Noctaris Conta (SELECT * FROM ctas3 WHERE Cuenta ='%1').");
const QString kNadaAlmacenado = QStringLiteral("No se ha almacenado ninguna cuenta ni se ha generado el fichero.|3");
// A line of a run before this one, already in the file.
const QString kPrevia = linea_cuenta("20120101", "430999999", "CUENTA ANTERIOR");

struct Pgc {
    fixture::Entorno e;
    explicit Pgc(std::deque<bool> respuestas = {}) { e.ui.answers = std::move(respuestas); }
    demo::Instalacion& inst() { return e.inst(); }
    QString fichero() { return inst().ruta(kFichero); }
    ResultadoExportacion exportar(const QString& empresa = QStringLiteral("007"))
    {
        e.arrancar();
        ExportacionPgc x(e.a());
        return exportar_pgc(x, empresa);
    }
    // What the user was shown, one entry per box: text|icon, questions marked "? ".
    QStringList vistos() const
    {
        QStringList r;
        for (const auto& s : e.ui.shown) r << (s.question ? QStringLiteral("? ") : QString()) + s.text + QLatin1Char('|') + QString::number(int(s.icon));
        return r;
    }
};

} // namespace

class TestExportacionPgc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every rule of the read phase on one company, then the pending rows
    // (a transfer's among them) written in account order. Two accounts that
    // do not fit their record are left out whole and stay pending.
    void plan_contable_guardado_y_exportado()
    {
        Pgc x;
        demo::Instalacion& i = x.inst();
        cuenta(i, "4300", "Clientes (euros)", QVariant(), 4);
        cuenta(i, "430100001", QStringLiteral("Núñez Ibáñez, José María"), "30000000L");
        cuenta(i, "430000123", "Pasantes de enero", "30000000L");
        cuenta(i, "430100005", "Clientes varios", QVariant());
        cuenta(i, "430100004", "Cliente sin ficha de tercero en TER", "B99999999");
        cuenta(i, "430100006", "Cliente de Andorra", "X1");
        cuenta(i, "400000002", "Distribuciones L'Alzina", "B43'555");
        cuenta(i, "410000001", "Acreedores diversos", "B11111111");
        cuenta(i, "570000001", "Caja, euros", QVariant());
        cuenta(i, "4300000AB", "Cuenta mal codificada", "");
        cuenta(i, "440000001", "Deudor ya exportado", "");
        // blanks after a code are its column's padding
        cuenta(i, "430000010  ", "Ya pendiente, con relleno", "");
        cuenta(i, "430100007 ", "Cuenta con relleno", QVariant());
        tercero(i, "30000000L", QStringLiteral("José María Núñez Ibáñez"), QStringLiteral("Avenida de la Constitución número 145, 3º B"), "L'Hospitalet de Llobregat", "08901", "Santa Cruz de Tenerife");
        tercero(i, "B43'555", "Distribuciones y Suministros L'Alzina SL", "Rambla de Catalunya 88", "Barcelona", "08001", "Barcelona");
        tercero(i, "X1", "", "Carrer Major 3", "Andorra la Vella", "AD500-1", "Andorra");
        i.insertar("TER", QVariantMap{{"TerNif", "B11111111"}, {"Ternom", ""}, {"TerDi", "Calle Real 5"}, {"Terpob", QStringLiteral("Logroño")}, {"TerCp", "26001"}});   // TerPro Null
        pendiente(i, "440000001", "Deudor ya exportado", "1");
        pendiente(i, "430000010", "GARCIA LOPEZ JUAN", "0");   // left by a transfer
        pendiente(i, "4300000010012", "CUENTA DE TRECE", "0");
        pendiente(i, "440000002   ", "Deudor exportado, con relleno", "1");   // as a CHAR(12) column holds it
        cuenta(i, "440000002", "Deudor exportado", "");

        QVERIFY(!x.exportar().completo());
        const QString palma = "12345678Z|CL|CALLE MAYOR 1|PALMA|07001|BALEARES|20130101|";
        const QStringList filas = {
            "440000001|Deudor ya exportado|" + palma + "1",
            "430000010|GARCIA LOPEZ JUAN|" + palma + "1",
            "4300000010012|CUENTA DE TRECE|" + palma + "0",
            "440000002   |Deudor exportado, con relleno|" + palma + "1",
            "400000002|Distribuciones y Suministros L|B43'555|CL|Rambla de Catalunya 88|Barcelona|08001|Barcelona|20130101|1",
            QStringLiteral("410000001|Acreedores diversos|B11111111|CL|Calle Real 5|Logroño|26001|<null>|20130101|1"),   // a holder's Null stays
            "430000123|CLIENTES PASANTES 0123||CL|||||20130101|1",
            QStringLiteral("430100001|José María Núñez Ibáñez|30000000L|CL|Avenida de la Constitución núm|L'Hospitalet de Llob|08901|Santa Cruz de T|20130101|1"),
            "430100004|Cliente sin ficha de tercero e|B99999999|CL|||||20130101|1",
            "430100005|Clientes varios||CL|||||20130101|1",
            "430100006|Cliente de Andorra|X1|CL|Carrer Major 3|Andorra la Vella|AD500-1|Andorra|20130101|0",
            "430100007|Cuenta con relleno||CL|||||20130101|1",
            "570000001|Caja, euros|||||||20130101|1",
        };
        QCOMPARE(ctas3(i), filas);
        QStringList escritas;   // the rows sent, in account order
        for (const QString cuenta : {"400000002", "410000001", "430000010", "430000123", "430100001", "430100004", "430100005", "430100007", "570000001"}) {
            const QStringList f = filas.filter(QRegularExpression("^" + cuenta + "\\|")).first().replace("<null>", "").split('|');
            escritas << linea_cuenta(f[8], cuenta, f[1], f[2], f[4], f[5], f[6], f[7]);
        }
        QCOMPARE(lineas(x.fichero()), escritas);
        exigirFicheroValido(x.fichero());
        QCOMPARE(x.vistos(), (QStringList{"Cuentas a Traspasar : 13|0",
                                          "Se ha generado F:\\NOCTARIS\\Suenlace.dat, pero sin las cuentas siguientes, que quedan pendientes de exportar:\n"
                                          "Cuenta 4300000010012: campo cuenta: «4300000010012» ocupa 13 caracteres y el campo admite 12\n"
                                          "Cuenta 430100006: campo cp: «AD500-1» ocupa 7 caracteres y el campo admite 5|2"}));
    }

    void fichero_existente()
    {
        const QString nueva = linea_cuenta("20130101", "430100001", "Cliente nuevo");
        struct Caso { bool previo, respuesta, con_cuenta; QStringList esperadas; };
        for (const Caso& c : {Caso{false, true, true, {nueva}}, Caso{true, true, true, {nueva}}, Caso{true, false, true, {kPrevia, nueva}},
                              Caso{true, true, false, {}}, Caso{true, false, false, {kPrevia}}}) {
            Pgc x({c.respuesta});
            if (c.con_cuenta) cuenta(x.inst(), "430100001", "Cliente nuevo", QVariant());
            if (c.previo) escribir_lineas(x.fichero(), {kPrevia});
            QVERIFY(x.exportar().completo());
            QCOMPARE(lineas(x.fichero()), c.esperadas);
            QStringList vistos{QStringLiteral("Cuentas a Traspasar : ") + (c.con_cuenta ? "1" : "0") + "|0"};
            if (c.previo) vistos << "? " + kPregunta + "|1";
            QCOMPARE(x.vistos(), vistos << kExito + "|0");
            if (!c.esperadas.isEmpty()) exigirFicheroValido(x.fichero());
        }
    }

    // A failure leaves the file as it was and marks nothing: what the user is told names the file or the company.
    void fallos_que_no_marcan_nada()
    {
        // The lines of the last box; the state of the company's accounts afterwards ("" not stored).
        struct Caso { QString caso; QStringList mensaje; QString estado; };
        const QList<Caso> casos = {
            {"solo lectura", {"No se ha podido abrir el fichero F:\\NOCTARIS\\Suenlace.dat: el fichero es de solo lectura" + kSinMarcar}, "0"},
            {"sin empresa", {"No existe la empresa: 008|0"}, ""},
            {"ctas3 falla", {kNoLeido.arg("430100002"), "", "Error -2147467259: disco lleno", "", kNadaAlmacenado}, ""},
        };
        for (const Caso& c : casos) {
            Pgc x({true});
            cuenta(x.inst(), "430100002", "Cliente de Palma", QVariant());
            cuenta(x.inst(), "430100001", "Cliente de Madrid", "30000000L");
            pendiente(x.inst(), "430000010", "GARCIA LOPEZ JUAN", "0");
            if (c.caso == "solo lectura") {
                escribir_lineas(x.fichero(), {kPrevia});
                QFile(x.fichero()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
            } else if (c.caso == "ctas3 falla") {   // the second account cannot be stored: the first must not stay either
                x.inst().ejecutar("ctas3", "CREATE TRIGGER lleno BEFORE INSERT ON ctas3 WHEN NEW.Cuenta = '430100002' BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
            }
            const QStringList antes = ctas3(x.inst());
            QVERIFY(!x.exportar(c.caso == "sin empresa" ? "008" : "007").completo());
            QCOMPARE(x.vistos().last().split(QLatin1Char('\n')), c.mensaje);
            QStringList despues = antes;
            if (!c.estado.isEmpty())
                despues << "430100001|Cliente de Madrid|30000000L|CL|||||20130101|" + c.estado << "430100002|Cliente de Palma||CL|||||20130101|" + c.estado;
            QCOMPARE(ctas3(x.inst()), despues);
            QCOMPARE(lineas(x.fichero()), c.caso == "solo lectura" ? QStringList{kPrevia} : QStringList{QStringLiteral("<sin fichero>")});
        }
    }

    // The new row of ctas3 is started before the holder is looked up in
    // the company: when neither can be done, the message names ctas3.
    void alta_antes_que_la_busqueda_del_titular()
    {
        Pgc x;
        cuenta(x.inst(), "430100001", "Cliente de Madrid", "30000000L");
        // A table without row ids can be read but not written through.
        const QStringList columnas = x.inst().columnas("ctas3");
        x.inst().ejecutar("ctas3", "DROP TABLE ctas3");
        x.inst().ejecutar("ctas3", "CREATE TABLE ctas3(" + columnas.join(" text, ") + " text, PRIMARY KEY(Cuenta)) WITHOUT ROWID");
        x.inst().ejecutar("TER", "DROP TABLE TER");
        QVERIFY(!x.exportar().completo());
        QCOMPARE(x.vistos().last().split(QLatin1Char('\n')), (QStringList{kNoLeido.arg("430100001"), "", "Error -2147217904: no such column: rowid", "", kNadaAlmacenado}));
        QCOMPARE(x.inst().contar("ctas3"), 0);
    }

    void orden_exportar_pgc()
    {
        const QString uso = QStringLiteral("Uso: enlace3 exportar-pgc EMPRESA [--sobrescribir | --anadir]");
        const QStringList resumen = {"Empresa: 007", "Cuentas almacenadas: 1", "Cuentas exportadas: 1", "Fichero: " + kFichero};
        // The company's account afterwards: "" not stored.
        struct Caso { QStringList args; bool previo; int codigo; QStringList out, err; QString estado; };
        const QList<Caso> casos = {
            {{"7a"}, false, 2, {}, {QStringLiteral("El código de empresa debe ser un número: «7a»."), uso}, ""},
            {{"7"}, true, 2, {}, {QStringLiteral("El fichero F:\\NOCTARIS\\Suenlace.dat ya existe. Indique --sobrescribir para borrar la información anterior o --anadir para añadir los nuevos registros a continuación.")}, ""},
            {{"--anadir", "7"}, true, 0, QStringList{"Cuentas a Traspasar : 1", kPregunta + QStringLiteral(" -> No"), kExito} + resumen, {}, "1"},
            {{"9", "--sobrescribir"}, true, 1, {}, {"No existe la empresa: 009"}, ""},
        };
        for (const Caso& c : casos) {
            fixture::Entorno e;
            cuenta(e.inst(), "430100001", "Cliente nuevo", QVariant());
            const QString fichero = e.inst().ruta(kFichero);
            if (c.previo) escribir_lineas(fichero, {kPrevia});
            const Salida s = lote(e.raiz(), "exportar-pgc", c.args);
            QCOMPARE(s.estado, c.codigo);
            QCOMPARE(s.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), c.out);
            QCOMPARE(s.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), c.err);
            QCOMPARE(ctas3(e.inst()), c.estado.isEmpty() ? QStringList() : QStringList{"430100001|Cliente nuevo||CL|||||20130101|" + c.estado});
            if (c.codigo == 0) exigirFicheroValido(fichero);
        }
    }
};

QTEST_GUILESS_MAIN(TestExportacionPgc)
#include "test_exportacion_pgc.moc"
