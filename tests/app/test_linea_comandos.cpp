// The batch line, run as the real program against installations made by the
// demo builder.

#include "support/app_support.h"
#include "support/fixtures.h"
#include "support/odbc_standin.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every file under a folder with a digest of its bytes.
QMap<QString, QByteArray> huellas(const QString& raiz)
{
    QMap<QString, QByteArray> r;
    QDirIterator it(raiz, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        QFile file(f);
        if (file.open(QIODevice::ReadOnly))
            r.insert(QDir(raiz).relativeFilePath(f), QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1));
    }
    return r;
}

QProcessEnvironment sin_pantalla()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(v));
    return env;
}

} // namespace

class TestLineaComandos : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void demo_y_estado_muestran_la_configuracion_actualizada();
    void estado_en_modo_servidor();
    void fallo_de_arranque_sale_con_error_y_lo_explica();
    void configuracion_incompleta_lo_dice_y_sale_con_error();
    void demo_no_pisa_una_carpeta_con_datos();
    void ayuda_version_y_errores_de_uso();
    void sin_pantalla_explica_como_abrir_la_ventana();
    void captura_guarda_la_ventana();
};

void TestLineaComandos::demo_y_estado_muestran_la_configuracion_actualizada()
{
    QTemporaryDir tmp;
    const QString raiz = tmp.path() + QStringLiteral("/instalacion");
    const appsupport::Salida demo = appsupport::ejecutar({QStringLiteral("demo"), raiz}, QString());
    QCOMPARE(demo.codigo, 0);
    QCOMPARE(demo.err, QStringList());
    QCOMPARE(demo.out.value(0), QStringLiteral("Instalación de demostración creada en ") + raiz);
    const QString enlace = raiz + QStringLiteral("/f:/noctaris/enlace3.MDB");
    QVERIFY(QFileInfo::exists(enlace));
    QVERIFY(!appsupport::esquema(enlace).contains(QStringLiteral("edep3")));

    const appsupport::Salida estado = appsupport::ejecutar({QStringLiteral("estado")}, raiz);
    QCOMPARE(estado.err, QStringList());
    QCOMPARE(estado.codigo, 0);
    QStringList esperado = {QStringLiteral("Versión:5.04.004"), QStringLiteral("Conectado: F:\\")};
    esperado += fixture::ajustesTrasActualizar();
    esperado << QStringLiteral("Ficheros del hotel:");
    for (const char* f : {"emi", "hiscadia", "agen", "na", "caja", "cli", "formas"})
        esperado << QStringLiteral("  %1.MDB: SQLite").arg(QLatin1String(f));
    esperado << QStringLiteral("Base del enlace enlace3.MDB: SQLite");
    QCOMPARE(estado.out, esperado);
    // the first start created edep3 and upgraded the old link database
    const QString esquema = appsupport::esquema(enlace);
    QVERIFY(esquema.contains(QStringLiteral(
        "table edep3 CREATE TABLE edep3(EdepFec varchar(8), EdepCli varchar(9), EdepImp double, EdepFra varchar(6), "
        "EdepEstado varchar(1))")));
    QVERIFY(esquema.contains(QStringLiteral("table Ctas3 ")));

    // a second start writes nothing of the installation
    const auto antes = huellas(raiz);
    const appsupport::Salida segunda = appsupport::ejecutar({QStringLiteral("estado")}, raiz);
    QCOMPARE(segunda.codigo, 0);
    QCOMPARE(segunda.out, estado.out);
    QCOMPARE(huellas(raiz), antes);
}

void TestLineaComandos::estado_en_modo_servidor()
{
    const QString antes = QDir::currentPath();
    appsupport::RaizServidor raiz;
    QVERIFY2(raiz.listo, qPrintable(raiz.error));
    QDir::setCurrent(antes);
    QProcessEnvironment env = testsupport::odbcStandinEnvironment(raiz.dir.path() + QStringLiteral("/odbc"));
    const appsupport::Salida s =
        appsupport::ejecutar({QStringLiteral("estado")}, raiz.dir.path(), env, raiz.inst->dir_servidor());
    QCOMPARE(s.err, QStringList());
    QCOMPARE(s.codigo, 0);
    QCOMPARE(s.out.value(0), QStringLiteral("Versión:5.04.004"));
    QCOMPARE(s.out.value(1), QStringLiteral("Conectado: SERVIDOR (CATALOGO)"));
    QCOMPARE(s.out.value(2), QStringLiteral("wempresa = 00001"));
    QCOMPARE(s.out.value(17), QStringLiteral("wcta_tasa = 47530000"));
    QCOMPARE(s.out.mid(19), (QStringList{QStringLiteral("Datos del hotel: SQL Server SERVIDOR (CATALOGO)"),
                                         QStringLiteral("Base del enlace enlace3.MDB: SQLite")}));
}

void TestLineaComandos::fallo_de_arranque_sale_con_error_y_lo_explica()
{
    const QString sin_unidad = QStringLiteral("No se ha podido leer la unidad de datos del hotel (fila cod = '1') "
                                              "en la tabla de unidades C:\\noctaris.MDB.");
    {
        appsupport::Raiz raiz;
        const QString enlace = raiz.inst->ruta(QStringLiteral("F:\\noctaris\\enlace3.MDB"));
        raiz.inst->cerrar();
        QVERIFY(QFile::remove(enlace));
        const appsupport::Salida s = appsupport::ejecutar({QStringLiteral("estado")}, raiz.ruta());
        QCOMPARE(s.codigo, 1);
        QCOMPARE(s.out, QStringList());
        QCOMPARE(s.err.value(0),
                 QStringLiteral("No se ha podido abrir la base de datos del enlace F:\\noctaris\\enlace3.MDB."));
        QVERIFY(s.err.value(2).startsWith(QStringLiteral("Error -2147467259: ")));
        QCOMPARE(s.err.value(4), QStringLiteral("La aplicación no puede continuar."));
        QVERIFY(!QFileInfo::exists(enlace));
    }
    // no drive table at all, and one without the row '1'
    QTemporaryDir vacia;
    appsupport::Salida s = appsupport::ejecutar({QStringLiteral("estado")}, vacia.path());
    QCOMPARE(s.codigo, 1);
    QCOMPARE(s.err.value(0), sin_unidad);
    QVERIFY(QDir(vacia.path()).isEmpty());
    appsupport::Raiz raiz;
    raiz.inst->ejecutar(QStringLiteral("noctaris"), QStringLiteral("DELETE FROM noctaris WHERE cod = '1'"));
    s = appsupport::ejecutar({QStringLiteral("estado")}, raiz.ruta());
    QCOMPARE(s.codigo, 1);
    QCOMPARE(s.err.value(0), sin_unidad);
}

void TestLineaComandos::configuracion_incompleta_lo_dice_y_sale_con_error()
{
    appsupport::Raiz raiz;
    raiz.inst->configurar({{QStringLiteral("Ca3Niv"), QVariant()}});
    const appsupport::Salida s = appsupport::ejecutar({QStringLiteral("estado")}, raiz.ruta());
    QCOMPARE(s.codigo, 1);
    QCOMPARE(s.out.size(), 1 + 2 + 17 + 9);
    QVERIFY(s.out.value(0).endsWith(QStringLiteral("Complete la configuración en \"Configuración General\".")));
    QCOMPARE(s.out.value(1), QStringLiteral("Versión:5.04.004"));
    QCOMPARE(s.out.value(2), QStringLiteral("Conectado: F:\\"));
    // nothing was loaded from the incomplete row
    QCOMPARE(s.out.value(3), QStringLiteral("wempresa = "));
    QCOMPARE(s.out.value(5), QStringLiteral("wdigitos = 0"));
}

void TestLineaComandos::demo_no_pisa_una_carpeta_con_datos()
{
    QTemporaryDir tmp;
    QFile nota(tmp.path() + QStringLiteral("/nota.txt"));
    QVERIFY(nota.open(QIODevice::WriteOnly));
    nota.write("mío\n");
    nota.close();
    const appsupport::Salida s = appsupport::ejecutar({QStringLiteral("demo"), tmp.path()}, QString());
    QCOMPARE(s.codigo, 2);
    QCOMPARE(s.out, QStringList());
    QCOMPARE(s.err, QStringList({QStringLiteral("La carpeta «%1» no está vacía: la instalación de demostración se crea "
                                                "en una carpeta nueva o vacía.")
                                     .arg(tmp.path())}));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"nota.txt"}));

    const appsupport::Salida sin_dir = appsupport::ejecutar({QStringLiteral("demo")}, QString());
    QCOMPARE(sin_dir.codigo, 2);
    QCOMPARE(sin_dir.err, QStringList({QStringLiteral("Uso: enlace3 demo DIR")}));
}

void TestLineaComandos::ayuda_version_y_errores_de_uso()
{
    const appsupport::Salida ayuda = appsupport::ejecutar({QStringLiteral("--help")}, QString());
    QCOMPARE(ayuda.codigo, 0);
    QCOMPARE(ayuda.out.value(0), QStringLiteral("Uso: enlace3 [ORDEN [ARGUMENTOS]]"));
    for (const QString& linea : {QStringLiteral("  --help"), QStringLiteral("  --version"), QStringLiteral("  demo DIR"),
                                 QStringLiteral("  estado"),
                                 QStringLiteral("  traspasar DESDE HASTA [--sobrescribir | --anadir]"),
                                 QStringLiteral("  limpiar DESDE HASTA"), QStringLiteral("  verificar FICHERO"),
                                 QStringLiteral("  exportar-pgc EMPRESA [--sobrescribir | --anadir]")})
        QVERIFY2(ayuda.out.contains(linea), qPrintable(linea));

    const appsupport::Salida version = appsupport::ejecutar({QStringLiteral("--version")}, QString());
    QCOMPARE(version.codigo, 0);
    QCOMPARE(version.out, QStringList({QStringLiteral("enlace3 5.04.004")}));

    const appsupport::Salida desconocida = appsupport::ejecutar({QStringLiteral("borrar-todo")}, QString());
    QCOMPARE(desconocida.codigo, 2);
    QCOMPARE(desconocida.out, QStringList());
    QCOMPARE(desconocida.err, QStringList({QStringLiteral(
                                  "Orden desconocida: «borrar-todo». Use «enlace3 --help» para ver las órdenes.")}));

    const appsupport::Salida sobra = appsupport::ejecutar({QStringLiteral("estado"), QStringLiteral("x")}, QString());
    QCOMPARE(sobra.codigo, 2);
    QCOMPARE(sobra.err, QStringList({QStringLiteral("La orden estado no admite argumentos.")}));
}

void TestLineaComandos::sin_pantalla_explica_como_abrir_la_ventana()
{
    appsupport::Raiz raiz;
    const appsupport::Salida s = appsupport::ejecutar({}, raiz.ruta(), sin_pantalla());
    QCOMPARE(s.codigo, 0);
    const QStringList esperado = {
        QStringLiteral("No hay pantalla disponible: la ventana de enlace3 no se puede abrir aquí."),
        QStringLiteral("Arranque enlace3 en una sesión gráfica (con DISPLAY o WAYLAND_DISPLAY), o con "
                       "QT_QPA_PLATFORM=offscreen para una ventana sin pantalla."),
        QStringLiteral("Barra de estado de la ventana:"),
        QStringLiteral("Versión:5.04.004"),
        QStringLiteral("Conectado: F:\\"),
    };
    QCOMPARE(s.out, esperado);

    // and a start-up failure still ends with an error
    QTemporaryDir vacia;
    const appsupport::Salida f = appsupport::ejecutar({}, vacia.path(), sin_pantalla());
    QCOMPARE(f.codigo, 1);
    QCOMPARE(f.err.value(0), QStringLiteral("No se ha podido leer la unidad de datos del hotel (fila cod = '1') "
                                            "en la tabla de unidades C:\\noctaris.MDB."));
}

void TestLineaComandos::captura_guarda_la_ventana()
{
    appsupport::Raiz raiz;
    QTemporaryDir tmp;
    const QString png = tmp.path() + QStringLiteral("/ventana.png");
    const appsupport::Salida s = appsupport::ejecutar({QStringLiteral("captura"), png}, raiz.ruta());
    QCOMPARE(s.codigo, 0);
    QImage imagen(png);
    QCOMPARE(imagen.size(), QSize(503, 195));
}

QTEST_MAIN(TestLineaComandos)
#include "test_linea_comandos.moc"
