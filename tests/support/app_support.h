#pragma once

// Installations and processes for the tests of the program itself: the main
// window and the batch line.

#include "demo/instalacion.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace appsupport {

// A fresh installation under a temporary drive root.
struct Raiz {
    explicit Raiz(demo::Opciones opciones = demo::Opciones::pruebas());
    QTemporaryDir dir;
    std::unique_ptr<demo::Instalacion> inst;
    QString ruta() const { return dir.path(); }
};

// Server mode: hotel tables in one database reached through the ODBC
// stand-in. Changes this process's working directory to the folder of the
// server file (the SQLite ODBC driver reads Database= as a path).
struct RaizServidor {
    RaizServidor();
    QTemporaryDir dir;
    std::unique_ptr<demo::Instalacion> inst;
    bool listo = false;
    QString error;
};

struct Salida {
    int codigo = -1;
    QStringList out;   // stdout, one entry per line (no line ends)
    QStringList err;
};

// Runs the enlace3 binary with `args` against the drive root `raiz` (empty:
// no ENLACE3_DOSDEVICES), from `cwd` when given.
Salida ejecutar(const QStringList& args, const QString& raiz, QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                const QString& cwd = QString());

} // namespace appsupport
