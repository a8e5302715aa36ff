#include "app/ventanas.h"

#include "config/ventana_configuracion.h"
#include "export/ventana_importa.h"
#include "mapping/ventana_cuentas.h"
#include "transfer/ventana_traspaso.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ventanas {

Tabla tabla_ventanas()
{
    Tabla t;
    // One line per window written.
    t[kConfiguracion] = crear_ventana_configuracion;
    t[kTraspaso] = crear_ventana_traspaso;
    t[kExportarPgc] = crear_ventana_importa;
    t[kCuentasCobro] = crear_ventana_formas;
    t[kCuentasVentas] = crear_ventana_ventas;
    return t;
}

QString descripcion(const QString& nombre)
{
    if (nombre == QLatin1String(kConfiguracion)) return QStringLiteral("Configuración General");
    if (nombre == QLatin1String(kTraspaso)) return QStringLiteral("Generación SUENLACE.DAT");
    if (nombre == QLatin1String(kCuentasVentas)) return QStringLiteral("Configuración Cuentas Ventas");
    if (nombre == QLatin1String(kCuentasCobro)) return QStringLiteral("Configuración Cuentas Cobro");
    if (nombre == QLatin1String(kExportarPgc)) return QStringLiteral("Exportar PGC desde Zumeral");
    return nombre;
}

std::unique_ptr<QDialog> ventana_pendiente(const QString& nombre)
{
    auto d = std::make_unique<QDialog>();
    d->setObjectName(nombre);
    d->setWindowTitle(descripcion(nombre));
    d->setModal(true);
    auto* capa = new QVBoxLayout(d.get());
    auto* texto = new QLabel(QStringLiteral("La ventana «%1» todavía no está disponible en esta versión de enlace3.")
                                 .arg(descripcion(nombre)),
                             d.get());
    texto->setObjectName(QStringLiteral("texto"));
    texto->setWordWrap(true);
    capa->addWidget(texto);
    auto* botones = new QDialogButtonBox(d.get());
    QPushButton* aceptar = botones->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    aceptar->setObjectName(QStringLiteral("Aceptar"));
    aceptar->setDefault(true);
    QObject::connect(botones, &QDialogButtonBox::accepted, d.get(), &QDialog::accept);
    capa->addWidget(botones);
    d->setMinimumWidth(360);
    return d;
}

std::unique_ptr<QDialog> crear(const Tabla& tabla, const QString& nombre, A3ADO& a)
{
    const auto it = tabla.find(nombre);
    if (it != tabla.end() && it->second) {
        if (std::unique_ptr<QDialog> d = it->second(a)) return d;
    }
    return ventana_pendiente(nombre);
}

} // namespace ventanas
