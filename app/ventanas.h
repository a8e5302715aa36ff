#pragma once

// The windows the main window opens from its menu, by name. Each window kind
// has one factory; when its window is written, add its line to
// tabla_ventanas() in ventanas.cpp. A name without a factory opens a small
// dialog that says the window is not available yet.
//
// A window that must end the program (after its own message) declares the
// signal `terminar_aplicacion(int codigo)`: the main window connects it when
// it makes the window. A stopped transfer is the transfer window's own
// business (the logic has told the user through the Interaction). Any
// exception a window leaves unhandled (an ado::Error, say) reaches the main
// window, which reports it with its number and text and ends the program.

#include "data/a3ado.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <memory>

namespace ventanas {

// Makes the window, not yet shown; the main window keeps it and shows it
// modally each time its entry is chosen.
using Fabrica = std::function<std::unique_ptr<QDialog>(A3ADO& a)>;
using Tabla = std::map<QString, Fabrica>;

// The five window names of the menu.
inline constexpr const char* kConfiguracion = "configc3";
inline constexpr const char* kTraspaso = "traspa3";
inline constexpr const char* kCuentasVentas = "conf_ventas";
inline constexpr const char* kCuentasCobro = "fcobro";
inline constexpr const char* kExportarPgc = "importa";

Tabla tabla_ventanas();

// What the menu entry of that window says (used by the placeholder).
QString descripcion(const QString& nombre);

// The stand-in for a window that is not written yet (objectName = `nombre`).
std::unique_ptr<QDialog> ventana_pendiente(const QString& nombre);

// The window of that name from the table, or the stand-in.
std::unique_ptr<QDialog> crear(const Tabla& tabla, const QString& nombre, A3ADO& a);

} // namespace ventanas
