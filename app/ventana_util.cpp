#include "app/ventana_util.h"

#include "platform/ado.h"

#include <QCoreApplication>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>

namespace ventana {

QRect zona(int izquierda, int arriba, int ancho, int alto)
{
    return QRect(px(izquierda), px(arriba), px(ancho), px(alto));
}

QLabel* crear_etiqueta(QWidget* padre, const char* nombre, const QString& texto, QRect donde)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setGeometry(donde);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QPushButton* crear_boton(QWidget* padre, const char* nombre, const QString& texto, const QString& consejo,
                         const QPixmap& dibujo, QRect donde, int lado_icono)
{
    auto* b = new QPushButton(QIcon(dibujo), texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setToolTip(consejo);
    b->setIconSize(QSize(lado_icono, lado_icono));
    b->setGeometry(donde);
    return b;
}

void letra_pequena(QWidget& ventana)
{
    QFont letra = ventana.font();
    letra.setPointSizeF(8.25);
    ventana.setFont(letra);
}

QString texto_fallo_base_datos(const QString& que, const std::exception& error)
{
    QString texto;
    if (const auto* e = dynamic_cast<const ado::Error*>(&error))
        texto = que + QStringLiteral(" por un error de la base de datos.\n\nError %1: %2").arg(e->number()).arg(e->description());
    else
        texto = que + QStringLiteral(":\n\n") + QString::fromLocal8Bit(error.what());
    return texto + QStringLiteral("\n\nLa aplicación no puede continuar.");
}

void DialogoTerminable::terminar(int codigo)
{
    done(kTerminarAplicacion);
    if (isSignalConnected(QMetaMethod::fromSignal(&DialogoTerminable::terminar_aplicacion)))
        Q_EMIT terminar_aplicacion(codigo);
    else
        QCoreApplication::exit(codigo);
}

void DialogoTerminable::fallo_base_datos(platform::Interaction& ui, const QString& que, const std::exception& error)
{
    ui.message(texto_fallo_base_datos(que, error), QString(), platform::Icon::Critical);
    terminar(1);
}

} // namespace ventana
