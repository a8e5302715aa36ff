// The batch line, run as the real program against installations made by the
// demo builder.

#include "support/app_support.h"
#include "support/fixture_instalacion.h"
#include "support/odbc_standin.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QString kSinUnidad = "No se ha podido leer la unidad de datos del hotel (fila cod = '1') en la tabla de unidades "
                           "C:\\noctaris.MDB.";

// Every file under a folder with a digest of its bytes.
QMap<QString, QByteArray> huellas(const QString& raiz)
{
    QMap<QString, QByteArray> r;
    QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            r.insert(QDir(raiz).relativeFilePath(file.fileName()), QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return r;
}

QProcessEnvironment sin_pantalla()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    return env;
}

} // namespace

class TestLineaComandos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What an order says without touching any installation: the exit status,
    // the first line of out and err (of a failed start, its first line). "vacia": an empty drive root;
    // "nota": a folder holding a file of the user's.
    void ordenes_y_errores_de_uso_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("raiz");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("err");
        QTest::newRow("ayuda") << QStringList{"--help"} << "" << 0 << "Uso: enlace3 [ORDEN [ARGUMENTOS]]" << QStringList();
        QTest::newRow("versión") << QStringList{"-V"} << "" << 0 << "enlace3 5.04.004" << QStringList();
        QTest::newRow("desconocida") << QStringList{"borrar-todo"} << "" << 2 << ""
                                     << QStringList{"Orden desconocida: «borrar-todo». Use «enlace3 --help» para ver las órdenes."};
        QTest::newRow("sobra") << QStringList{"estado", "x"} << "" << 2 << "" << QStringList{"La orden estado no admite argumentos."};
        QTest::newRow("demo sin dir") << QStringList{"demo"} << "" << 2 << "" << QStringList{"Uso: enlace3 demo DIR"};
        QTest::newRow("demo sobre datos") << QStringList{"demo", "nota"} << "" << 2 << ""
                                          << QStringList{"La carpeta «nota» no está vacía: la instalación de demostración se "
                                                         "crea en una carpeta nueva o vacía."};
        QTest::newRow("año antes del 100") << QStringList{"limpiar", "01010050", "01010050"} << "vacia" << 2 << ""
                                           << QStringList{"Formato de Fecha incorrecto."};
        QTest::newRow("sin unidades") << QStringList{"estado"} << "vacia" << 1 << "" << QStringList{kSinUnidad};
        QTest::newRow("sin pantalla ni unidades") << QStringList() << "vacia" << 1
                                                  << "No hay pantalla disponible: la ventana de enlace3 no se puede abrir aquí."
                                                  << QStringList{kSinUnidad};
    }
    void ordenes_y_errores_de_uso()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, raiz);
        QFETCH(int, codigo);
        QFETCH(QString, out);
        QFETCH(QStringList, err);
        QTemporaryDir tmp;
        QFile nota(tmp.filePath("nota.txt"));
        QVERIFY(nota.open(QIODevice::WriteOnly) && nota.write("mío\n") == 5);
        nota.close();
        args.replaceInStrings(QRegularExpression("^nota$"), tmp.path());
        err.replaceInStrings("«nota»", "«" + tmp.path() + "»");
        const appsupport::Salida s = appsupport::ejecutar(args, raiz.isEmpty() ? QString() : tmp.path(), sin_pantalla());
        QCOMPARE(s.codigo, codigo);
        QCOMPARE(s.out.value(0), out);
        QCOMPARE(codigo == 1 ? s.err.mid(0, 1) : s.err, err);   // a failed start explains below its first line
        QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"nota.txt"}));
        if (args == QStringList{"--help"}) {
            for (const QString linea : {"  --version", "  demo DIR", "  estado", "  migrar", "  historial",
                                        "  traspasar DESDE HASTA [--sobrescribir | --anadir]", "  limpiar DESDE HASTA",
                                        "  verificar FICHERO", "  exportar-pgc EMPRESA [--sobrescribir | --anadir]"})
                QVERIFY2(s.out.contains(linea), qPrintable(linea));
            QVERIFY(!s.out.join('\n').contains("captura"));
        }
    }

    // demo builds an old-style installation; the first estado upgrades it
    // and prints the status bar, the settings and the files; a second start
    // writes nothing; a window-less start prints the status bar.
    void demo_estado_y_sin_pantalla()
    {
        QTemporaryDir tmp;
        const QString raiz = tmp.path() + "/instalacion";
        const appsupport::Salida demo = appsupport::ejecutar({"demo", raiz}, QString());
        QCOMPARE(demo.codigo, 0);
        QCOMPARE(demo.out, QStringList({"Instalación de demostración creada en " + raiz,
                                        "Para usarla: ENLACE3_DOSDEVICES=" + raiz + " enlace3"}));
        const QString enlace = raiz + "/f:/noctaris/enlace3.MDB";
        QVERIFY(!appsupport::esquema(enlace).contains("edep3"));

        const appsupport::Salida estado = appsupport::ejecutar({"estado"}, raiz);
        QCOMPARE(estado.err, QStringList());
        QCOMPARE(estado.codigo, 0);
        QStringList esperado = QStringList{"Versión:5.04.004", "Conectado: F:\\"} + fixture::ajustesTrasActualizar();
        esperado << "Ficheros del hotel:";
        for (const char* f : {"emi", "hiscadia", "agen", "na", "caja", "cli", "formas"})
            esperado << QString("  %1.MDB: SQLite").arg(QLatin1String(f));
        QCOMPARE(estado.out, esperado << "Base del enlace enlace3.MDB: SQLite");
        const QString esquema = appsupport::esquema(enlace);
        QVERIFY(esquema.contains("table edep3 CREATE TABLE edep3(EdepFec varchar(8), EdepCli varchar(9), EdepImp double, "
                                 "EdepFra varchar(6), EdepEstado varchar(1))"));
        QVERIFY(esquema.contains("table Ctas3 "));

        const auto antes = huellas(raiz);
        QCOMPARE(appsupport::ejecutar({"estado"}, raiz).out, estado.out);
        const appsupport::Salida ventana = appsupport::ejecutar({}, raiz, sin_pantalla());
        QCOMPARE(ventana.codigo, 0);
        QCOMPARE(ventana.out, QStringList({"No hay pantalla disponible: la ventana de enlace3 no se puede abrir aquí.",
                                           "Arranque enlace3 en una sesión gráfica (con DISPLAY o WAYLAND_DISPLAY), o con "
                                           "QT_QPA_PLATFORM=offscreen para una ventana sin pantalla.",
                                           "Barra de estado de la ventana:", "Versión:5.04.004", "Conectado: F:\\"}));
        QCOMPARE(huellas(raiz), antes);
    }

    void estado_en_modo_servidor()
    {
        const QString antes = QDir::currentPath();
        appsupport::RaizServidor raiz;
        QVERIFY2(raiz.listo, qPrintable(raiz.error));
        QDir::setCurrent(antes);
        const QProcessEnvironment env = testsupport::odbcStandinEnvironment(raiz.dir.path() + "/odbc");
        const appsupport::Salida s = appsupport::ejecutar({"estado"}, raiz.dir.path(), env, raiz.inst->dir_servidor());
        QCOMPARE(s.err, QStringList());
        QCOMPARE(s.codigo, 0);
        QCOMPARE(s.out.mid(0, 3), QStringList({"Versión:5.04.004", "Conectado: SERVIDOR (CATALOGO)", "wempresa = 00001"}));
        QCOMPARE(s.out.value(17), QString("wcta_tasa = 47530000"));
        QCOMPARE(s.out.mid(19), QStringList({"Datos del hotel: SQL Server SERVIDOR (CATALOGO)",
                                             "Base del enlace enlace3.MDB: SQLite"}));
    }

    // A start that fails says why on err and ends with 1, creating nothing;
    // an incomplete settings row is said on out and loads nothing.
    void arranques_fallidos()
    {
        for (const char* caso : {"sin enlace", "sin fila 1", "configuración incompleta"}) {
            appsupport::Raiz raiz;
            const QString enlace = raiz.inst->ruta("F:\\noctaris\\enlace3.MDB");
            if (caso == QLatin1String("sin enlace")) {
                raiz.inst->cerrar();
                QVERIFY(QFile::remove(enlace));
            } else if (caso == QLatin1String("sin fila 1")) {
                raiz.inst->ejecutar("noctaris", "DELETE FROM noctaris WHERE cod = '1'");
            } else {
                raiz.inst->configurar({{"Ca3Niv", QVariant()}});
            }
            const appsupport::Salida s = appsupport::ejecutar({"estado"}, raiz.ruta());
            QCOMPARE(s.codigo, 1);
            if (caso == QLatin1String("sin enlace")) {
                QCOMPARE(s.out, QStringList());
                QCOMPARE(s.err.value(0), QString("No se ha podido abrir la base de datos del enlace F:\\noctaris\\enlace3.MDB."));
                QVERIFY(s.err.value(2).startsWith("Error -2147467259: "));
                QCOMPARE(s.err.value(4), QString("La aplicación no puede continuar."));
                QVERIFY(!QFileInfo::exists(enlace));
            } else if (caso == QLatin1String("sin fila 1")) {
                QCOMPARE(s.err.value(0), kSinUnidad);
            } else {
                QCOMPARE(s.out.size(), 1 + 2 + 17 + 9);
                QVERIFY(s.out.value(0).endsWith("Complete la configuración en \"Configuración General\"."));
                QCOMPARE(s.out.mid(1, 5), QStringList({"Versión:5.04.004", "Conectado: F:\\", "wempresa = ", "wruta = ",
                                                       "wdigitos = 0"}));
            }
        }
    }

    // The hidden order of the documentation pictures draws the main window
    // without a display.
    void captura_guarda_la_ventana()
    {
        appsupport::Raiz raiz;
        QTemporaryDir tmp;
        const QString png = tmp.filePath("ventana.png");
        const appsupport::Salida s = appsupport::ejecutar({"captura", png}, raiz.ruta(), sin_pantalla());
        QCOMPARE(s.codigo, 0);
        QCOMPARE(s.out, QStringList({"Imagen de la ventana guardada en " + png}));
        QFile f(png);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray cabecera = f.read(24);
        QVERIFY(cabecera.startsWith("\x89PNG"));
        QCOMPARE(qFromBigEndian<quint32>(cabecera.constData() + 16), quint32(503));
        QCOMPARE(qFromBigEndian<quint32>(cabecera.constData() + 20), quint32(195));
    }
};

QTEST_GUILESS_MAIN(TestLineaComandos)
#include "test_linea_comandos.moc"
