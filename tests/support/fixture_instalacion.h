#pragma once

// A fresh installation in a temporary folder with an A3ADO over it, started
// the way the program starts (drive table, con, connections) and with the
// settings loaded. Server mode registers the ODBC stand-in and works from
// the folder of the server database, since its driver takes Database= as a
// path relative to the current folder.

#include "data/a3ado.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace fixture {

class Entorno {
public:
    // Builds the installation at once (throws demo::ErrorInstalacion).
    explicit Entorno(demo::Opciones opciones = demo::Opciones::pruebas());
    ~Entorno();
    Entorno(const Entorno&) = delete;
    Entorno& operator=(const Entorno&) = delete;

    demo::Instalacion& inst() { return *instalacion_; }
    A3ADO& a() { return *a_; }
    platform::ScriptedInteraction ui;

    // leer_unidad_hotel, leer_conexion_sql, abrir_conexiones; then
    // cargar_configuracion when `cargar`. Throws ado::Error as they do.
    void arrancar(bool cargar = true);
    // A new A3ADO over the same installation (as a second start would make).
    A3ADO& reiniciar();

    QString raiz() const { return dir_.path() + QStringLiteral("/raiz"); }

private:
    QTemporaryDir dir_;
    QString cwd_anterior_;
    std::unique_ptr<demo::Instalacion> instalacion_;
    std::unique_ptr<A3ADO> a_;
};

// The settings of the builder's link database once upgraded and loaded, one
// "name = value" a line as the batch line prints them.
QStringList ajustesTrasActualizar();

} // namespace fixture
