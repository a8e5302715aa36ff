#include "app/captura.h"

#include "app/linea_comandos.h"
#include "app/ventana_mensajes.h"
#include "app/ventana_principal.h"
#include "app/ventanas.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QThread>

#include <memory>

using linea_comandos::kCorrecto;
using linea_comandos::kErrorUso;
using linea_comandos::kFallo;

namespace {

bool guardar_imagen(QWidget& w, const QString& carpeta, const QString& nombre, QTextStream& out, QTextStream& err)
{
    w.show();
    w.raise();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    const QString ruta = QDir(carpeta).filePath(nombre + QStringLiteral(".png"));
    const QPixmap imagen = w.grab();
    if (imagen.isNull() || !imagen.save(ruta, "PNG")) {
        err << QStringLiteral("No se ha podido guardar la imagen en «%1».").arg(ruta) << Qt::endl;
        return false;
    }
    out << QStringLiteral("Imagen guardada en %1").arg(ruta) << '\n';
    return true;
}

// Every window as the user meets it (the configuration unlocked), and the
// progress and end-of-run dialogs.
int capturar_todas(A3ADO& a, VentanaPrincipal& principal, const QString& carpeta, QTextStream& out, QTextStream& err)
{
    bool bien = guardar_imagen(principal, carpeta, QStringLiteral("main-window"), out, err);
    const ventanas::Tabla tabla = ventanas::tabla_ventanas();
    for (const char* nombre : {ventanas::kTraspaso, ventanas::kConfiguracion, ventanas::kCuentasCobro,
                               ventanas::kCuentasVentas, ventanas::kExportarPgc}) {
        std::unique_ptr<QDialog> d = ventanas::crear(tabla, QString::fromLatin1(nombre), a);
        d->show();
        if (auto* pas = d->findChild<QLineEdit*>(QStringLiteral("pas"))) {
            pas->setText(QStringLiteral("GARVEX"));
            QKeyEvent intro(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(pas, &intro);
        }
        bien = guardar_imagen(*d, carpeta, QString::fromLatin1(nombre), out, err) && bien;
        d->hide();
    }

    platform::WidgetInteraction ui(&principal);
    ui.setBusy(true);
    QThread::msleep(platform::WidgetInteraction::kProgressDelayMs + 20);
    ui.progress(QStringLiteral("Facturas"), 1500);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("progreso") && w->isVisible())
            bien = guardar_imagen(*w, carpeta, QStringLiteral("progreso"), out, err) && bien;
    ui.setBusy(false);

    platform::Summary s;
    s.title = QStringLiteral("Fin del Traspaso");
    s.text = QStringLiteral("Se ha generado F:\\NOCTARIS\\Suenlace.dat, pero sin los asientos siguientes, que quedan "
                            "pendientes para el próximo traspaso:");
    s.icon = platform::Icon::Exclamation;
    s.figures = QStringList{QStringLiteral("Cuentas: 12"), QStringLiteral("Facturas: 431"), QStringLiteral("Depósitos: 9"),
                            QStringLiteral("Días de caja: 31"), QStringLiteral("Créditos: 4"),
                            QStringLiteral("Registros: 1930"), QStringLiteral("Fichero: F:\\NOCTARIS\\Suenlace.dat"),
                            QStringLiteral("Tamaño: 494080 bytes"),
                            QStringLiteral("Copia del fichero anterior: F:\\NOCTARIS\\Suenlace.dat.1"),
                            QStringLiteral("Comprobación del fichero: correcto, 1930 líneas")};
    for (int i = 1; i <= 40; ++i)
        s.leftOut << QStringLiteral("Factura %1 del 05-01-2013: la cuenta del cliente está vacía").arg(1000 + i);
    s.folder = QDir::tempPath();
    std::unique_ptr<QDialog> resumen(platform::WidgetInteraction::buildSummary(s, &principal));
    bien = guardar_imagen(*resumen, carpeta, QStringLiteral("resumen"), out, err) && bien;
    out.flush();
    return bien ? kCorrecto : kFallo;
}

} // namespace

int comando_captura(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1) {
        err << QStringLiteral("Uso: enlace3 captura FICHERO.png") << Qt::endl;
        return kErrorUso;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        err << QStringLiteral("La captura necesita la interfaz gráfica.") << Qt::endl;
        return kFallo;
    }
    platform::ConsoleInteraction ui(out, err);
    A3ADO a(platform::DriveMap::fromEnvironment(), ui);
    VentanaPrincipal ventana(a);
    int codigo = kCorrecto;
    ventana.al_terminar = [&codigo](int c) { codigo = c; };
    if (!ventana.cargar()) return kFallo;
    ventana.show();
    if (!ventana.activar() || codigo != kCorrecto) return kFallo;
    QCoreApplication::processEvents();
    if (QFileInfo(args.first()).isDir())
        return capturar_todas(a, ventana, args.first(), out, err);
    const QPixmap imagen = ventana.grab();
    if (imagen.isNull() || !imagen.save(args.first(), "PNG")) {
        err << QStringLiteral("No se ha podido guardar la imagen en «%1».").arg(args.first()) << Qt::endl;
        return kFallo;
    }
    out << QStringLiteral("Imagen de la ventana guardada en %1").arg(args.first()) << '\n';
    out.flush();
    return kCorrecto;
}

