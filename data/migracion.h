#pragma once

// The link database of an installation moved from Windows is a genuine
// Access enlace3.MDB, which nothing here can write. It is converted once into
// the SQLite form the link works on: every table and row as it is (settings,
// pending accounts, staged invoices, lines, deposits, collections and credits
// with their states), so nothing already sent goes out again and nothing
// pending is lost. The schema upgrade of the next start does the rest.

#include "platform/drive_map.h"

#include <QString>
#include <QStringList>

struct Migracion {
    enum class Resultado { Convertida, YaConvertida, Fallo };
    Resultado resultado = Resultado::Fallo;
    QString mensaje;      // what happened, for the user
    QString copia;        // Windows path of the original kept beside it
    QStringList tablas;   // tables converted
};

// The original's backup name beside it: "enlace3.MDB" -> "enlace3-access.MDB";
// from the second on "enlace3-access-2.MDB", "enlace3-access-3.MDB"...
QString copia_de_migracion(const QString& windowsPath, int numero = 1);

// Converts the link database at `windowsPath` when it is a genuine Access
// file. All or nothing: the SQLite form is built beside it and only replaces
// it, in one step, once complete and once a copy of the original is safe
// under the first backup name no file has; on any failure the original
// stays as it was and the message says why.
Migracion migrar_enlace(const platform::DriveMap& unidades, const QString& windowsPath);
