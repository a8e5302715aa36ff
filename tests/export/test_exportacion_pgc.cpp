// The chart-of-accounts export over real installations: the accounts of a
// Zumeral company file stored in ctas3, the pending accounts written to
// SUENLACE.DAT, and the exportar-pgc order of the batch line.

#include "app/comando_exportar_pgc.h"
#include "export/exportacion_pgc.h"
#include "support/fixtures.h"

#include <QFile>
#include <QtTest>

using namespace fixture;

namespace {

const QString kFichero = QStringLiteral("F:\\NOCTARIS\\Suenlace.dat");
const QString kExito = QStringLiteral("La Exportación del PGC ha finalizado con éxito. Ud debe importar ahora desde "
                                      "A3Con el fichero SUENLACE.DAT generado en F:\\NOCTARIS\\");
const QString kPregunta = QStringLiteral("El fichero F:\\NOCTARIS\\Suenlace.dat, ya está generado. ¿Desea borrar la "
                                         "información anterior?");
const QString kSinMarcar = QStringLiteral(". No se ha marcado ninguna cuenta como exportada.");

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
    // What the user was shown, one entry per box: text|icon, questions marked "?".
    QStringList vistos() const
    {
        QStringList r;
        for (const auto& s : e.ui.shown)
            r << (s.question ? QStringLiteral("? ") : QString()) + s.text + QLatin1Char('|')
                     + QString::number(int(s.icon));
        return r;
    }
};

const QString kNinguno = QStringLiteral("|0");      // no icon
const QString kCritico = QStringLiteral("|3");

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
        tercero(i, "30000000L", QStringLiteral("José María Núñez Ibáñez"),
                QStringLiteral("Avenida de la Constitución número 145, 3º B"), "L'Hospitalet de Llobregat", "08901",
                "Santa Cruz de Tenerife");
        tercero(i, "B43'555", "Distribuciones y Suministros L'Alzina SL", "Rambla de Catalunya 88", "Barcelona",
                "08001", "Barcelona");
        tercero(i, "X1", "", "Carrer Major 3", "Andorra la Vella", "AD500-1", "Andorra");
        i.insertar("TER", QVariantMap{{"TerNif", "B11111111"}, {"Ternom", ""}, {"TerDi", "Calle Real 5"},
                                      {"Terpob", QStringLiteral("Logroño")}, {"TerCp", "26001"}});   // TerPro Null
        pendiente(i, "440000001", "Deudor ya exportado", "1");
        pendiente(i, "430000010", "GARCIA LOPEZ JUAN", "0");   // left by a transfer
        pendiente(i, "4300000010012", "CUENTA DE TRECE", "0");

        QVERIFY(!x.exportar().completo());
        const QString palma = "12345678Z|CL|CALLE MAYOR 1|PALMA|07001|BALEARES|20130101|";
        const QStringList filas = {
            "440000001|Deudor ya exportado|" + palma + "1",
            "430000010|GARCIA LOPEZ JUAN|" + palma + "1",
            "4300000010012|CUENTA DE TRECE|" + palma + "0",
            "400000002|Distribuciones y Suministros L|B43'555|CL|Rambla de Catalunya 88|Barcelona|08001|Barcelona|"
            "20130101|1",
            QStringLiteral("410000001|Acreedores diversos|B11111111|CL|Calle Real 5|Logroño|26001||20130101|1"),
            "430000123|CLIENTES PASANTES 0123||CL|||||20130101|1",
            QStringLiteral("430100001|José María Núñez Ibáñez|30000000L|CL|Avenida de la Constitución núm|"
                           "L'Hospitalet de Llob|08901|Santa Cruz de T|20130101|1"),
            "430100004|Cliente sin ficha de tercero e|B99999999|CL|||||20130101|1",
            "430100005|Clientes varios||CL|||||20130101|1",
            "430100006|Cliente de Andorra|X1|CL|Carrer Major 3|Andorra la Vella|AD500-1|Andorra|20130101|0",
            "570000001|Caja, euros|||||||20130101|1",
        };
        QCOMPARE(ctas3(i), filas);
        QStringList escritas;   // the rows sent, in account order
        for (const QString cuenta : {"400000002", "410000001", "430000010", "430000123", "430100001", "430100004",
                                     "430100005", "570000001"}) {
            const QString f = filas.filter(QRegularExpression("^" + cuenta + "\\|")).first();
            escritas << linea_cuenta(f.section('|', 8, 8), cuenta, f.section('|', 1, 1), f.section('|', 2, 2),
                                     f.section('|', 4, 4), f.section('|', 5, 5), f.section('|', 6, 6),
                                     f.section('|', 7, 7));
        }
        QCOMPARE(lineas(x.fichero()), escritas);
        exigirFicheroValido(x.fichero());
        QCOMPARE(x.vistos(),
                 (QStringList{"Cuentas a Traspasar : 10" + kNinguno,
                              "Se ha generado F:\\NOCTARIS\\Suenlace.dat, pero sin las cuentas siguientes, que quedan "
                              "pendientes de exportar:\n"
                              "Cuenta 4300000010012: campo cuenta: «4300000010012» ocupa 13 caracteres y el campo "
                              "admite 12\n"
                              "Cuenta 430100006: campo cp: «AD500-1» ocupa 7 caracteres y el campo admite 5|2"}));
    }

    void fichero_existente_data()
    {
        QTest::addColumn<bool>("previo");
        QTest::addColumn<bool>("respuesta");
        QTest::addColumn<bool>("con_cuenta");
        QTest::addColumn<QStringList>("esperadas");
        const QString nueva = linea_cuenta("20130101", "430100001", "Cliente nuevo");
        QTest::newRow("sin fichero") << false << true << true << QStringList{nueva};
        QTest::newRow("borrar") << true << true << true << QStringList{nueva};
        QTest::newRow("añadir") << true << false << true << QStringList{kPrevia, nueva};
        QTest::newRow("nada pendiente, sin fichero") << false << true << false << QStringList();
        QTest::newRow("nada pendiente, borrar") << true << true << false << QStringList();
        QTest::newRow("nada pendiente, añadir") << true << false << false << QStringList{kPrevia};
    }

    void fichero_existente()
    {
        QFETCH(bool, previo);
        QFETCH(bool, respuesta);
        QFETCH(bool, con_cuenta);
        QFETCH(QStringList, esperadas);
        Pgc x({respuesta});
        if (con_cuenta)
            cuenta(x.inst(), "430100001", "Cliente nuevo", QVariant());
        if (previo)
            escribir_lineas(x.fichero(), {kPrevia});

        QVERIFY(x.exportar().completo());
        QCOMPARE(lineas(x.fichero()), esperadas);
        QStringList vistos{QStringLiteral("Cuentas a Traspasar : ") + (con_cuenta ? "1" : "0") + kNinguno};
        if (previo)
            vistos << "? " + kPregunta + "|1";
        QCOMPARE(x.vistos(), vistos << kExito + kNinguno);
        if (!esperadas.isEmpty())
            exigirFicheroValido(x.fichero());
    }

    // A failure leaves the file as it was and marks nothing: what the
    // user is told names the file or the company.
    void fallos_que_no_marcan_nada_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QStringList>("mensaje");   // the lines of the last box
        QTest::addColumn<QString>("estado");        // of the company's account afterwards ("" not stored)
        QTest::newRow("solo lectura") << "solo lectura"
                                      << QStringList{"No se ha podido abrir el fichero F:\\NOCTARIS\\Suenlace.dat: el "
                                                     "fichero es de solo lectura" + kSinMarcar + kCritico}
                                      << "0";
        QTest::newRow("sin carpeta") << "sin carpeta"
                                     << QStringList{"No se ha podido abrir el fichero F:\\NOEXISTE\\Suenlace.dat: la carpeta no "
                                                    "existe" + kSinMarcar + kCritico}
                                     << "0";
        QTest::newRow("disco lleno") << "disco lleno"
                                     << QStringList{"No se ha podido abrir el fichero F:\\NOCTARIS\\Suenlace.dat: no es un "
                                                    "fichero normal" + kSinMarcar + kCritico}
                                     << "0";
        QTest::newRow("sin empresa") << "sin empresa" << QStringList{"No existe la empresa: 008" + kNinguno} << "";
        QTest::newRow("ctas3 falla") << "ctas3 falla"
                                 << QStringList{"No se ha podido completar la lectura del plan contable de la empresa "
                                                "007 de Noctaris Conta (SELECT * FROM ctas3 WHERE Cuenta ='430100002').",
                                                "",
                                                "Error -2147467259: disco lleno",
                                                "",
                                                "No se ha almacenado ninguna cuenta ni se ha generado el fichero." + kCritico}
                                 << "";
    }

    void fallos_que_no_marcan_nada()
    {
        QFETCH(QString, caso);
        QFETCH(QStringList, mensaje);
        QFETCH(QString, estado);
        Pgc x({true});
        cuenta(x.inst(), "430100002", "Cliente de Palma", QVariant());
        cuenta(x.inst(), "430100001", "Cliente de Madrid", "30000000L");
        pendiente(x.inst(), "430000010", "GARCIA LOPEZ JUAN", "0");
        QString empresa = QStringLiteral("007");
        if (caso == "solo lectura") {
            escribir_lineas(x.fichero(), {kPrevia});
            QFile(x.fichero()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        } else if (caso == "disco lleno") {
            QVERIFY(QFile::link("/dev/full", x.fichero()));
        } else if (caso == "sin carpeta") {
            x.inst().configurar({{"Ca3ruta", "F:\\NOEXISTE\\"}});
        } else if (caso == "sin empresa") {
            empresa = QStringLiteral("008");
        } else {   // the second account cannot be stored: the first must not stay either
            x.inst().ejecutar("ctas3", "CREATE TRIGGER lleno BEFORE INSERT ON ctas3 WHEN NEW.Cuenta = '430100002' "
                                       "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
        }
        const QStringList antes = ctas3(x.inst());

        const ResultadoExportacion r = x.exportar(empresa);
        QVERIFY(!r.completo());
        QCOMPARE(x.vistos().last().split(QLatin1Char('\n')), mensaje.replaceInStrings("<raiz>", x.e.raiz()));
        QStringList despues = antes;
        if (!estado.isEmpty())
            despues << "430100001|Cliente de Madrid|30000000L|CL|||||20130101|" + estado
                    << "430100002|Cliente de Palma||CL|||||20130101|" + estado;
        QCOMPARE(ctas3(x.inst()), despues);
        if (caso != "disco lleno")
            QCOMPARE(lineas(x.fichero()),
                 caso == "solo lectura" ? QStringList{kPrevia} : QStringList{QStringLiteral("<sin fichero>")});
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
        x.inst().ejecutar("ctas3", "CREATE TABLE ctas3(" + columnas.join(" text, ") + " text, PRIMARY KEY(Cuenta)) "
                                   "WITHOUT ROWID");
        x.inst().ejecutar("TER", "DROP TABLE TER");

        const ResultadoExportacion r = x.exportar();
        QVERIFY(!r.completo());
        QCOMPARE(x.vistos().last().split(QLatin1Char('\n')),
                 (QStringList{"No se ha podido completar la lectura del plan contable de la empresa 007 de Noctaris "
                              "Conta (SELECT * FROM ctas3 WHERE Cuenta ='430100001').",
                              "", "Error -2147217904: no such column: rowid", "",
                              "No se ha almacenado ninguna cuenta ni se ha generado el fichero." + kCritico}));
        QCOMPARE(x.inst().contar("ctas3"), 0);
    }

    void orden_exportar_pgc_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("previo");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        QTest::addColumn<QString>("estado");   // of the company's account afterwards
        const QString uso = QStringLiteral("Uso: enlace3 exportar-pgc EMPRESA [--sobrescribir | --anadir]");
        const QStringList resumen = {"Empresa: 007", "Cuentas almacenadas: 1", "Cuentas exportadas: 1",
                                     "Fichero: " + kFichero};
        QTest::newRow("letras") << QStringList{"7a"} << false << 2 << QStringList()
                                << QStringList{QStringLiteral("El código de empresa debe ser un número: «7a»."), uso}
                                << "";
        QTest::newRow("fichero sin respuesta")
            << QStringList{"7"} << true << 2 << QStringList()
            << QStringList{QStringLiteral("El fichero F:\\NOCTARIS\\Suenlace.dat ya existe. Indique --sobrescribir "
                                          "para borrar la información anterior o --anadir para añadir los nuevos "
                                          "registros a continuación.")}
            << "";
        QTest::newRow("añadir") << QStringList{"--anadir", "7"} << true << 0
                                << QStringList{"Cuentas a Traspasar : 1", kPregunta + QStringLiteral(" -> No"), kExito}
                                       + resumen
                                << QStringList() << "1";
        QTest::newRow("empresa inexistente")
            << QStringList{"9", "--sobrescribir"} << true << 1 << QStringList()
            << QStringList{"No existe la empresa: 009"} << "";
    }

    void orden_exportar_pgc()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, previo);
        QFETCH(int, codigo);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        QFETCH(QString, estado);
        fixture::Entorno e;
        cuenta(e.inst(), "430100001", "Cliente nuevo", QVariant());
        const QString fichero = e.inst().ruta(kFichero);
        if (previo)
            escribir_lineas(fichero, {kPrevia});
        const Salida s = lote(e.raiz(), "exportar-pgc", args);
        QCOMPARE(s.estado, codigo);
        QCOMPARE(s.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), out);
        QCOMPARE(s.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), err);
        QCOMPARE(ctas3(e.inst()), estado.isEmpty() ? QStringList()
                                                   : QStringList{"430100001|Cliente nuevo||CL|||||20130101|" + estado});
        if (codigo == 0)
            exigirFicheroValido(fichero);
    }
};

QTEST_GUILESS_MAIN(TestExportacionPgc)
#include "test_exportacion_pgc.moc"
