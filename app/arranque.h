#pragma once

// What the program does before its main window can be used, and what it does
// each time that window becomes active: the same for the window and for the
// batch line, so both find the same installation and the same settings.

#include "data/a3ado.h"

#include <QString>
#include <exception>

namespace arranque {

// The fatal message when edep3 cannot be checked or created.
inline constexpr const char* kErrorEdep = "ha ocurrido un error la aplicacion no puede continuar";

// The steps of the start-up, in the order they run.
enum class Paso { Unidad, ConexionSql, Conexiones, Edep, Configuracion };

// Drive table, storage mode, every connection, then comprobar_edep. A
// failure is shown through a.ui (number and text of the provider and a
// sentence naming the file or server); false then means the program must end.
bool arrancar(A3ADO& a);
// Before the window's start-up: a link database still in the Access form of
// an installation moved from Windows cannot be opened; the user is asked
// whether to convert it now (as `enlace3 migrar` does) and told the outcome.
// False only when the drive table cannot be read (arrancar() then says why).
bool ofrecer_migracion(A3ADO& a);

// Makes sure the link table edep3 exists, creating it when the provider says
// the table is missing. Any other failure shows kErrorEdep; false then means
// the program must end.
bool comprobar_edep(A3ADO& a);

// The two texts of the main window's status bar.
struct TextosBarra {
    QString version;
    QString conexion;
};
QString texto_version();
QString texto_conexion(const A3ADO& a);

// The data part of each activation of the main window: cargar_configuracion
// (schema upgrade included), then the status-bar texts. `configuracion_ok`
// is false when the settings row could not be loaded (the user was told).
// A database failure is shown like a start-up failure and false is returned:
// the program must end.
struct Activacion {
    bool continuar = true;
    bool configuracion_ok = true;
    TextosBarra barra;
};
Activacion activar(A3ADO& a);

// Finishes or undoes a generation of SUENLACE.DAT that a stopped run left
// half done, and tells the user what was found (activar runs it).
void recuperar_generaciones(A3ADO& a);

// "<sentence naming what failed>\n\nError <number>: <provider text>" for a
// failure at `paso`. Used for every start-up and activation failure.
QString describir_error(const A3ADO& a, Paso paso, const ado::Error& error);

// A failure no routine of the link handles (a database error while a window
// of the menu works): shown with the provider's number and text; the caller
// then ends the program.
void avisar_error_fatal(A3ADO& a, const std::exception& error);

// Title of the start-up failure messages.
inline constexpr const char* kTituloError = "enlace3";

} // namespace arranque
