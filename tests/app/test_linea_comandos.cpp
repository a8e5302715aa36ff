// The batch line, run as the real program against installations made by the
// demo builder.

#include "support/app_support.h"
#include "support/fixtures.h"
#include "support/odbc_standin.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QtEndian>
#include <QtTest>

namespace {

const QString kSinUnidad = "No se ha podido leer la unidad de datos del hotel (fila cod = '1') en la tabla de unidades "
                           "C:\\noctaris.MDB.";
const QString kSinPantalla = "No hay pantalla disponible: la ventana de enlace3 no se puede abrir aquí.";

// Every file under a folder with a digest of its bytes.
QMap<QString, QByteArray> huellas(const QString& raiz)
{
    QMap<QString, QByteArray> r;
    for (QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            r.insert(QDir(raiz).relativeFilePath(f.fileName()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return r;
}

QProcessEnvironment sin_pantalla()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    return env;
}

} // namespace

class TestLineaComandos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What an order says (status, first line of out, err; of a failed start
    // the first line of err) with no installation or over a folder holding
    // only a file of the user's ("nota"), which nothing may touch.
    void ordenes_y_errores_de_uso()
    {
        struct Caso {
            QStringList args;
            bool raiz;
            int codigo;
            QString out, err;
        };
        const QList<Caso> casos = {
            {{"--help"}, false, 0, "Uso: enlace3 [ORDEN [ARGUMENTOS]]", ""},
            {{"-V"}, false, 0, "enlace3 5.04.004", ""},
            {{"borrar-todo"}, false, 2, "", "Orden desconocida: «borrar-todo». Use «enlace3 --help» para ver las órdenes."},
            {{"estado", "x"}, false, 2, "", "La orden estado no admite argumentos."},
            {{"demo"}, false, 2, "", "Uso: enlace3 demo DIR"},
            {{"demo", "nota"}, false, 2, "", "La carpeta «nota» no está vacía: la instalación de demostración se crea en una "
                                             "carpeta nueva o vacía."},
            {{"limpiar", "01010050", "01010050"}, true, 2, "", "Formato de Fecha incorrecto."},   // no year below 100
            {{"estado"}, true, 1, "", kSinUnidad},
            {{}, true, 1, kSinPantalla, kSinUnidad},
        };
        for (Caso c : casos) {
            QTemporaryDir tmp;
            QFile nota(tmp.filePath("nota.txt"));
            QVERIFY(nota.open(QIODevice::WriteOnly) && nota.write("mío\n") == 5);
            nota.close();
            c.args.replaceInStrings(QRegularExpression("^nota$"), tmp.path());
            const appsupport::Salida s = appsupport::ejecutar(c.args, c.raiz ? tmp.path() : QString(), sin_pantalla());
            QCOMPARE(s.codigo, c.codigo);
            QCOMPARE(s.out.value(0), c.out);
            QCOMPARE((c.codigo == 1 ? s.err.mid(0, 1) : s.err).join('\n'), QString(c.err).replace("«nota»", "«" + tmp.path() + "»"));
            QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"nota.txt"}));
            if (c.args == QStringList{"--help"}) {
                for (const QString l : {"  --version", "  demo DIR", "  estado", "  migrar", "  historial", "  verificar FICHERO",
                                        "  traspasar DESDE HASTA [--sobrescribir | --anadir]", "  limpiar DESDE HASTA",
                                        "  exportar-pgc EMPRESA [--sobrescribir | --anadir]"})
                    QVERIFY2(s.out.contains(l), qPrintable(l));
                QVERIFY(!s.out.join('\n').contains("captura"));
            }
        }
    }

    // demo builds an old-style installation; the first estado upgrades it
    // and prints the status bar, the settings and the files; later starts
    // (estado, the window-less start) write nothing.
    void demo_estado_sin_pantalla_y_captura()
    {
        QTemporaryDir tmp;
        const QString raiz = tmp.path() + "/instalacion", enlace = raiz + "/f:/noctaris/enlace3.MDB";
        QCOMPARE(appsupport::ejecutar({"demo", raiz}, QString()).out,
                 QStringList({"Instalación de demostración creada en " + raiz, "Para usarla: ENLACE3_DOSDEVICES=" + raiz + " enlace3"}));
        QVERIFY(!appsupport::esquema(enlace).contains("edep3"));
        const appsupport::Salida estado = appsupport::ejecutar({"estado"}, raiz);
        QCOMPARE(estado.err, QStringList());
        QCOMPARE(estado.codigo, 0);
        QStringList esperado = QStringList{"Versión:5.04.004", "Conectado: F:\\"} + fixture::ajustesTrasActualizar();
        esperado << "Ficheros del hotel:";
        for (const char* f : {"emi", "hiscadia", "agen", "na", "caja", "cli", "formas"})
            esperado << QString("  %1.MDB: SQLite").arg(f);
        QCOMPARE(estado.out, esperado << "Base del enlace enlace3.MDB: SQLite");
        QVERIFY(appsupport::esquema(enlace).contains("table edep3 CREATE TABLE edep3(EdepFec varchar(8), EdepCli varchar(9), "
                                                     "EdepImp double, EdepFra varchar(6), EdepEstado varchar(1))"));
        QVERIFY(appsupport::esquema(enlace).contains("table Ctas3 "));
        const auto antes = huellas(raiz);
        QCOMPARE(appsupport::ejecutar({"estado"}, raiz).out, estado.out);
        const appsupport::Salida ventana = appsupport::ejecutar({}, raiz, sin_pantalla());
        QCOMPARE(ventana.codigo, 0);
        QCOMPARE(ventana.out, QStringList({kSinPantalla, "Arranque enlace3 en una sesión gráfica (con DISPLAY o WAYLAND_DISPLAY), o "
                                                         "con QT_QPA_PLATFORM=offscreen para una ventana sin pantalla.",
                                           "Barra de estado de la ventana:", "Versión:5.04.004", "Conectado: F:\\"}));
        QCOMPARE(huellas(raiz), antes);

        // The hidden order of the documentation pictures draws the main window without a display.
        const QString png = tmp.filePath("ventana.png");
        QCOMPARE(appsupport::ejecutar({"captura", png}, raiz, sin_pantalla()).out, QStringList({"Imagen de la ventana guardada en " + png}));
        QFile f(png);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray cabecera = f.read(24);
        QVERIFY(cabecera.startsWith("\x89PNG"));
        QCOMPARE(qFromBigEndian<quint32>(cabecera.constData() + 16), quint32(503));   // width and height
        QCOMPARE(qFromBigEndian<quint32>(cabecera.constData() + 20), quint32(195));
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
        QCOMPARE(s.out.mid(0, 3) << s.out.value(17) << s.out.mid(19),
                 QStringList({"Versión:5.04.004", "Conectado: SERVIDOR (CATALOGO)", "wempresa = 00001", "wcta_tasa = 47530000",
                              "Datos del hotel: SQL Server SERVIDOR (CATALOGO)", "Base del enlace enlace3.MDB: SQLite"}));
    }

    // A start that fails says why on err and ends with 1, creating nothing;
    // an incomplete settings row is said on out and loads nothing.
    void arranques_fallidos()
    {
        for (const int caso : {0, 1, 2}) {
            appsupport::Raiz raiz;
            const QString enlace = raiz.inst->ruta("F:\\noctaris\\enlace3.MDB");
            if (caso == 0) {
                raiz.inst->cerrar();
                QVERIFY(QFile::remove(enlace));
            }
            if (caso == 1)
                raiz.inst->ejecutar("noctaris", "DELETE FROM noctaris WHERE cod = '1'");
            if (caso == 2)
                raiz.inst->configurar({{"Ca3Niv", QVariant()}});
            const appsupport::Salida s = appsupport::ejecutar({"estado"}, raiz.ruta());
            QCOMPARE(s.codigo, 1);
            QCOMPARE(s.err.value(0), caso == 0 ? "No se ha podido abrir la base de datos del enlace F:\\noctaris\\enlace3.MDB."
                                     : caso == 1 ? kSinUnidad : QString());
            if (caso == 0)
                QVERIFY(s.out.isEmpty() && s.err.value(2).startsWith("Error -2147467259: ") && !QFileInfo::exists(enlace)
                        && s.err.value(4) == "La aplicación no puede continuar.");
            if (caso == 2) {
                QCOMPARE(s.out.size(), 1 + 2 + 17 + 9);
                QVERIFY(s.out.value(0).endsWith("Complete la configuración en \"Configuración General\"."));
                QCOMPARE(s.out.mid(1, 5), QStringList({"Versión:5.04.004", "Conectado: F:\\", "wempresa = ", "wruta = ", "wdigitos = 0"}));
            }
        }
    }

};

QTEST_GUILESS_MAIN(TestLineaComandos)
#include "test_linea_comandos.moc"
