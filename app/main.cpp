// enlace3: with no argument the main window; with arguments the batch line.
// Only this file and the windows know about widgets: the batch line runs
// under a QCoreApplication and never links a window.

#include "app/captura.h"
#include "app/linea_comandos.h"
#include "app/ventana_mensajes.h"
#include "app/ventana_principal.h"
#include "data/instalacion_ocupada.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

namespace {

int ventana(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("enlace3"));
    platform::WidgetInteraction ui;
    A3ADO a(platform::DriveMap::fromEnvironment(), ui);
    VentanaPrincipal principal(a);
    ui.setParent(&principal);
    if (!principal.cargar()) return 1;
    // One window session per installation; batch runs are not held back.
    const auto sesion = abrir_sesion_ventanas(a);
    if (!sesion) return 1;
    principal.show();
    const int r = app.exec();
    return r != 0 ? r : principal.codigo_salida();
}

QStringList argumentos(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// Pictures of the windows are taken without showing them anywhere.
int captura(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("enlace3"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return linea_comandos::ejecutar(comando_captura, argumentos(argc, argv).mid(1), out, err);
}

int lote(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("enlace3"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return linea_comandos::ejecutar(argumentos(argc, argv), out, err);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "captura") return captura(argc, argv);
    if (argc > 1) return lote(argc, argv);
    if (!linea_comandos::hay_pantalla()) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return linea_comandos::sin_pantalla(out, err);
    }
    return ventana(argc, argv);
}
