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
const QString kUsoTraspasar = "Uso: enlace3 traspasar DESDE HASTA [--sobrescribir | --anadir]";

// Every file under a folder with a digest of its bytes.
QMap<QString, QByteArray> huellas(const QString& raiz)
{
    QMap<QString, QByteArray> r;
    for (QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) r.insert(f.fileName(), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return r;
}

QProcessEnvironment sin_pantalla()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
    return env;
}

} // namespace

class TestLineaComandos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What an order says (status, first line of out, err; of a failed start
    // the first line of err) with no installation or over a folder holding
    // only a file of the user's ("nota"), which nothing may touch. Wrong
    // arguments are refused before any start-up (status 2, not 1).
    void ordenes_y_errores_de_uso()
    {
        const QList<std::tuple<QStringList, bool, int, QString, QString>> casos = {   // args, over a folder, status, out, err
            {{"--help"}, false, 0, "Uso: enlace3 [ORDEN [ARGUMENTOS]]", ""},
            {{"-V"}, false, 0, "enlace3 5.04.004", ""},
            {{"borrar-todo"}, false, 2, "", "Orden desconocida: «borrar-todo». Use «enlace3 --help» para ver las órdenes."},
            {{"estado", "x"}, false, 2, "", "La orden estado no admite argumentos."},
            {{"demo"}, false, 2, "", "Uso: enlace3 demo DIR"},
            {{"demo", "nota"}, false, 2, "", "La carpeta «nota» no está vacía: la instalación de demostración se crea en una "
                                             "carpeta nueva o vacía."},
            {{"limpiar", "01010050", "01010050"}, true, 2, "", "Formato de Fecha incorrecto."},   // no year below 100
            {{"limpiar", "01012013", "31012013", "--sobrescribir"}, true, 2, "", "Opción desconocida: --sobrescribir\nUso: enlace3 limpiar DESDE HASTA"},
            {{"traspasar", "01012013", "31012013", "--borrar"}, true, 2, "", "Opción desconocida: --borrar\n" + kUsoTraspasar},
            {{"traspasar", "01012013", "31012013", "--sobrescribir", "--anadir"}, true, 2, "", "--sobrescribir y --anadir no pueden ir juntas.\n" + kUsoTraspasar},
            {{"estado"}, true, 1, "", kSinUnidad}, {{"traspasar", "01012013", "31012013"}, true, 1, "", kSinUnidad},
            {{"limpiar", "01012013", "31012013"}, true, 1, "", kSinUnidad},
            {{}, true, 1, kSinPantalla, kSinUnidad},
        };
        for (auto [args, en_carpeta, codigo, out, err] : casos) {
            QTemporaryDir tmp;
            QFile nota(tmp.filePath("nota.txt"));
            QVERIFY(nota.open(QIODevice::WriteOnly) && nota.write("mío\n") == 5 && nota.flush());
            args.replaceInStrings(QRegularExpression("^nota$"), tmp.path());
            const appsupport::Salida s = appsupport::ejecutar(args, en_carpeta ? tmp.path() : QString(), sin_pantalla());
            QCOMPARE(QString::number(s.codigo) + s.out.value(0), QString::number(codigo) + out);
            QCOMPARE((codigo == 1 ? s.err.mid(0, 1) : s.err).join('\n'), err.replace("«nota»", "«" + tmp.path() + "»"));
            QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"nota.txt"}));
            if (args == QStringList{"--help"})   // the hidden order stays hidden
                QVERIFY(s.out.contains("  traspasar DESDE HASTA [--sobrescribir | --anadir]") && !s.out.join('\n').contains("captura"));
        }
    }

    // demo builds an old-style installation; estado prints the status bar,
    // the settings as upgraded and the files; a later window-less start
    // writes nothing.
    void demo_estado_sin_pantalla_y_captura()
    {
        QTemporaryDir tmp;
        const QString raiz = tmp.path() + "/instalacion";
        QCOMPARE(appsupport::ejecutar({"demo", raiz}, QString()).out,
                 QStringList({"Instalación de demostración creada en " + raiz, "Para usarla: ENLACE3_DOSDEVICES=" + raiz + " enlace3"}));
        const appsupport::Salida estado = appsupport::ejecutar({"estado"}, raiz);
        QVERIFY(estado.err.isEmpty() && estado.codigo == 0);
        QStringList esperado = QStringList{"Versión:5.04.004", "Conectado: F:\\"} + fixture::ajustesTrasActualizar() << "Ficheros del hotel:";
        for (const char* f : {"emi", "hiscadia", "agen", "na", "caja", "cli", "formas"}) esperado << QString("  %1.MDB: SQLite").arg(f);
        QCOMPARE(estado.out, esperado << "Base del enlace enlace3.MDB: SQLite");
        const auto antes = huellas(raiz);
        const appsupport::Salida ventana = appsupport::ejecutar({}, raiz, sin_pantalla());
        QCOMPARE(ventana.out, QStringList({kSinPantalla, "Arranque enlace3 en una sesión gráfica (con DISPLAY o WAYLAND_DISPLAY), o "
                                                         "con QT_QPA_PLATFORM=offscreen para una ventana sin pantalla.",
                                           "Barra de estado de la ventana:", "Versión:5.04.004", "Conectado: F:\\"}));
        QVERIFY(ventana.codigo == 0 && huellas(raiz) == antes);
        // The hidden order of the documentation pictures draws the main window without a display.
        const QString png = tmp.filePath("ventana.png");
        QCOMPARE(appsupport::ejecutar({"captura", png}, raiz, sin_pantalla()).out, QStringList({"Imagen de la ventana guardada en " + png}));
        QFile f(png);
        const QByteArray c = f.open(QIODevice::ReadOnly) ? f.read(24) : QByteArray(24, 0);   // signature, width, height
        QVERIFY(c.startsWith("\x89PNG") && qFromBigEndian<quint32>(c.constData() + 16) == 503 && qFromBigEndian<quint32>(c.constData() + 20) == 195);
        // An existing empty folder takes a demo as well as a new one does.
        QVERIFY(QDir().mkpath(tmp.filePath("vacia")) && appsupport::ejecutar({"demo", tmp.filePath("vacia")}, QString()).codigo == 0);
    }

    void estado_en_modo_servidor()
    {
        const QString antes = QDir::currentPath();
        appsupport::RaizServidor raiz;   // moves the working folder
        QDir::setCurrent(antes);
        QVERIFY2(raiz.listo, qPrintable(raiz.error));
        const QProcessEnvironment env = testsupport::odbcStandinEnvironment(raiz.dir.path() + "/odbc");
        const appsupport::Salida s = appsupport::ejecutar({"estado"}, raiz.dir.path(), env, raiz.inst->dir_servidor());
        QVERIFY(s.err.isEmpty() && s.codigo == 0);
        QCOMPARE(s.out.mid(0, 3) << s.out.value(17) << s.out.mid(19),
                 QStringList({"Versión:5.04.004", "Conectado: SERVIDOR (CATALOGO)", "wempresa = 00001", "wcta_tasa = 47530000",
                              "Datos del hotel: SQL Server SERVIDOR (CATALOGO)", "Base del enlace enlace3.MDB: SQLite"}));
    }

    // A start that fails says why on err and ends with 1, creating nothing;
    // an incomplete settings row is said on err too, and loads nothing.
    void arranques_fallidos()
    {
        appsupport::Raiz sin_enlace, sin_digitos;
        const QString enlace = sin_enlace.inst->ruta("F:\\noctaris\\enlace3.MDB");
        sin_enlace.inst->cerrar(), QFile::remove(enlace);
        sin_digitos.inst->configurar({{"Ca3Niv", QVariant()}});
        const appsupport::Salida s = appsupport::ejecutar({"estado"}, sin_enlace.ruta()), t = appsupport::ejecutar({"estado"}, sin_digitos.ruta());
        QCOMPARE(QString::number(s.codigo) + s.err.value(0), "1No se ha podido abrir la base de datos del enlace F:\\noctaris\\enlace3.MDB.");
        QVERIFY(s.out.isEmpty() && s.err.value(2).startsWith("Error -2147467259: ") && !QFileInfo::exists(enlace)
                && s.err.value(4) == "La aplicación no puede continuar.");
        QVERIFY(t.codigo == 1 && t.out.size() == 2 + 17 + 9
                && t.err.value(0).endsWith("Complete la configuración en \"Configuración General\"."));
        QCOMPARE(t.out.mid(0, 5), QStringList({"Versión:5.04.004", "Conectado: F:\\", "wempresa = ", "wruta = ", "wdigitos = 0"}));
        // The failure of the deposits table has no icon, and is still no result.
        appsupport::Raiz edep3_roto;
        edep3_roto.inst->ejecutar("edep3", "DROP TABLE edep3");
        edep3_roto.inst->ejecutar("edep3", "CREATE VIEW edep3 AS SELECT x FROM nada");
        const appsupport::Salida u = appsupport::ejecutar({"estado"}, edep3_roto.ruta());
        QVERIFY(u.codigo == 1 && u.out.isEmpty() && u.err.value(0) == "ha ocurrido un error la aplicacion no puede continuar");
    }
};

QTEST_GUILESS_MAIN(TestLineaComandos)
#include "test_linea_comandos.moc"
