#include "data/instalacion_ocupada.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString junto_al_enlace(const A3ADO& a, const QString& nombre)
{
    const QString enlace = a.cn_enlace.localPath();
    if (enlace.isEmpty())
        return QString();
    return QFileInfo(enlace).absoluteDir().filePath(nombre);
}

} // namespace

QString ruta_bloqueo(const A3ADO& a)
{
    return junto_al_enlace(a, QStringLiteral("enlace3.lock"));
}

QString ruta_bloqueo_carpeta(const QString& carpeta_local)
{
    return QDir(carpeta_local).filePath(QStringLiteral("enlace3-suenlace.lock"));
}

QString ruta_bloqueo_ventanas(const A3ADO& a)
{
    return junto_al_enlace(a, QStringLiteral("enlace3-ventana.lock"));
}

std::unique_ptr<platform::Bloqueo> abrir_sesion_ventanas(A3ADO& a)
{
    const QString titulo = QStringLiteral("enlace3 ya está abierto");
    const QString ruta = ruta_bloqueo_ventanas(a);
    if (ruta.isEmpty()) {
        a.ui.message(QStringLiteral("No se pueden abrir las ventanas de enlace3: la base de datos del enlace no está "
                                    "abierta."),
                     titulo, platform::Icon::Exclamation);
        return nullptr;
    }
    QString ocupante;
    bool por_sistema = false;
    auto bloqueo = platform::Bloqueo::tomar(ruta, QStringLiteral("ventanas"), &ocupante, &por_sistema);
    if (bloqueo)
        return bloqueo;
    if (por_sistema)
        a.ui.message(QStringLiteral("No se puede reservar la instalación para las ventanas de enlace3: ") + ocupante
                         + QStringLiteral("."),
                     titulo, platform::Icon::Exclamation);
    else
        a.ui.message(QStringLiteral("enlace3 ya está abierto en esta instalación (") + ocupante
                         + QStringLiteral("). Use esa ventana o ciérrela antes de abrir otra: dos ventanas a la vez "
                                          "perderían los cambios de una de ellas."),
                     titulo, platform::Icon::Exclamation);
    return nullptr;
}

std::unique_ptr<platform::Bloqueo> ocupar_instalacion(A3ADO& a, const QString& tarea)
{
    const QString titulo = QStringLiteral("Instalación ocupada");
    const QString ruta = ruta_bloqueo(a);
    if (ruta.isEmpty()) {
        a.ui.message(QStringLiteral("No se puede reservar la instalación para ") + tarea
                         + QStringLiteral(": la base de datos del enlace no está abierta."),
                     titulo, platform::Icon::Exclamation);
        return nullptr;
    }
    QString ocupante;
    bool por_sistema = false;
    auto bloqueo = platform::Bloqueo::tomar(ruta, tarea, &ocupante, &por_sistema);
    if (bloqueo)
        return bloqueo;
    if (por_sistema)
        a.ui.message(QStringLiteral("No se puede reservar la instalación para ") + tarea + QStringLiteral(": ")
                         + ocupante + QStringLiteral(". No se ha hecho nada."),
                     titulo, platform::Icon::Exclamation);
    else
        a.ui.message(QStringLiteral("La instalación está ocupada por otro proceso de enlace3 (") + ocupante
                         + QStringLiteral("). Espere a que termine y vuelva a intentarlo."),
                     titulo, platform::Icon::Exclamation);
    return nullptr;
}

std::unique_ptr<platform::Bloqueo> tomar_instalacion(const A3ADO& a, const QString& tarea)
{
    const QString ruta = ruta_bloqueo(a);
    QString ocupante;
    return ruta.isEmpty() ? nullptr : platform::Bloqueo::tomar(ruta, tarea, &ocupante);
}
