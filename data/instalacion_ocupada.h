#pragma once

// Runs that change the link database or write SUENLACE.DAT take the whole
// installation for themselves: two of them at once (a transfer started twice,
// a clean-up during a transfer) would send or delete rows behind each other's
// back.

#include "data/a3ado.h"
#include "platform/bloqueo.h"

#include <QString>
#include <memory>

// The lock file: "enlace3.lock" beside the link database.
QString ruta_bloqueo(const A3ADO& a);

// Takes the installation for `tarea` ("traspaso", "limpieza", "exportación",
// "configuración", "recuperación"). nullptr: another run holds it (or the lock
// cannot be used) and the user has been told through a.ui, naming who holds it.
std::unique_ptr<platform::Bloqueo> ocupar_instalacion(A3ADO& a, const QString& tarea);

// The same without telling anybody: nullptr when the installation is taken
// (for work that simply waits for the next start, such as the recovery).
std::unique_ptr<platform::Bloqueo> tomar_instalacion(const A3ADO& a, const QString& tarea);

// The lock of an export folder: "enlace3-suenlace.lock" in the local folder
// where SUENLACE.DAT is put in place. Installations that share that folder
// (two hotels of one group, two drive roots) take it in turns there, as runs
// of one installation do with "enlace3.lock"; its own name keeps the two
// apart when the export folder is the installation's own.
QString ruta_bloqueo_carpeta(const QString& carpeta_local);

// The lock of the window sessions: "enlace3-ventana.lock" beside the link
// database. Apart from the run lock, so that an open window never holds back
// a batch transfer while two windows cannot edit the same installation.
QString ruta_bloqueo_ventanas(const A3ADO& a);

// Takes the installation for this window session. nullptr: another session
// holds it (or the lock cannot be used) and the user has been told who.
std::unique_ptr<platform::Bloqueo> abrir_sesion_ventanas(A3ADO& a);
