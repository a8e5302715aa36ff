// enlace3: with no argument the main window; with arguments the batch line.

#include "app/linea_comandos.h"
#include "app/ventana_principal.h"
#include "data/instalacion_ocupada.h"
#include "platform/widget_interaction.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

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

int lote(int argc, char** argv)
{
    const QStringList args = argumentos(argc, argv);
    const linea_comandos::Comando* c = linea_comandos::buscar(args.first());
    std::unique_ptr<QCoreApplication> app;
    if (c && c->necesita_ventanas) {
        // Pictures of the window are taken without showing it anywhere.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("enlace3"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return linea_comandos::ejecutar(args, out, err);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) return lote(argc, argv);
    if (!linea_comandos::hay_pantalla()) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return linea_comandos::sin_pantalla(out, err);
    }
    return ventana(argc, argv);
}
