#pragma once

// An installation made by the fixture builder with the link started on it
// (connections open, settings loaded), for the tests of account choice and
// of the pending-accounts store.

#include "data/a3ado.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace pruebas_cuentas {

// A row of `tabla`: the fixture builder's template with `columnas` over it.
// Names are matched case-insensitively, so "FacFra" and "facfra" are one column.
QVariantMap sobre_plantilla(const QString& tabla, const QVariantMap& columnas);

class Enlace {
public:
    // Empty hotel tables and a current link database; `ajustes` are written
    // to the settings row (columns of ca3) before the settings are loaded.
    // `servidor`: the hotel data in the server database, reached through
    // ODBC (throws when the ODBC stand-in is missing).
    explicit Enlace(const QVariantMap& ajustes = {}, bool servidor = false);
    ~Enlace();
    Enlace(const Enlace&) = delete;
    Enlace& operator=(const Enlace&) = delete;

    demo::Instalacion& inst() { return *inst_; }
    A3ADO& a() { return *a_; }
    Traspaso& t() { return *t_; }
    platform::ScriptedInteraction ui;

    // Hotel rows: the table's template with `columnas` over it.
    void fila(const QString& tabla, const QVariantMap& columnas);
    // Leaves rs_emi on that invoice, as the invoice staging does while it
    // asks for the customer's account.
    void situar_en_factura(const QString& ano, const QString& num);

    // Each row of ctas3 in rowid order as
    // "Cuenta|Nombre|Nif|Siglas|Direccion|Localidad|Cp|Provincia|FechaAlta|Estado"
    // ("<null>" for a Null).
    QStringList ctas3() const;

    // The messages shown, as "title|icon|text".
    QStringList mensajes() const;

private:
    QTemporaryDir dir_;
    QString cwd_;
    std::unique_ptr<demo::Instalacion> inst_;
    std::unique_ptr<A3ADO> a_;
    std::unique_ptr<Traspaso> t_;
};

// The stop raised by `f`, if any.
template <typename F>
std::optional<TraspasoDetenido> detencion(F f)
{
    try {
        f();
    } catch (const TraspasoDetenido& d) {
        return d;
    }
    return std::nullopt;
}

} // namespace pruebas_cuentas
