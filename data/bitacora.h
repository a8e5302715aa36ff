#pragma once

// The log of every run that changes the installation (transfers, clean-ups,
// chart exports), from the windows and the batch line alike: "enlace3.log"
// beside the link database, so whoever looks after a nightly run finds what
// each night did without the window's messages. Kept short: at 1 MB the file
// becomes enlace3.log.1 (the older ones move up to .5, the oldest is
// dropped). Writing the log never fails a run.

#include "data/a3ado.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <exception>

namespace bitacora {

inline constexpr qint64 kTamanoMaximo = 1024 * 1024;
inline constexpr int kConservados = 5;

// enlace3.log beside the link database; "" when it is not open.
QString ruta(const A3ADO& a);

// Appends the entry of one run of `tarea` ("traspaso", "limpieza",
// "exportación") begun at `inicio`: its start, `lineas` (range, counts,
// file, what was left out) and its exit status (0 done, 1 failed or
// incomplete). False when the log could not be written.
bool anotar(const A3ADO& a, const QString& tarea, const QDateTime& inicio, const QStringList& lineas, int estado);

// The line of a run an error ended before it could finish.
QString interrumpido(const std::exception& e);

// Appends `texto` to the log `ruta`, rotating it first when it has reached
// kTamanoMaximo. False when it could not be written.
bool anotar_en(const QString& ruta, const QString& texto);

} // namespace bitacora
