#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

// `enlace3 traspasar DESDE HASTA [--sobrescribir | --anadir]`: the transfer
// of the window from a shell. Same start-up and settings load, then the
// staging of the range and the writing of SUENLACE.DAT. `args` are the
// arguments after "traspasar". Results on `out`, errors and warnings on `err`.
// Returns 0 when the whole range was written, 1 when the run stopped on a
// data error, could not write the file or left entries out, 2 on a usage
// error (wrong arguments, a date that is not one, an existing file and no
// answer given).
int comando_traspasar(const QStringList& args, QTextStream& out, QTextStream& err);

// `enlace3 limpiar DESDE HASTA`: the clean-up of the window's "Limpiar
// Temporales" for the range. Returns 0 when done, 1 when the start-up or a
// statement failed, 2 on a usage error.
int comando_limpiar(const QStringList& args, QTextStream& out, QTextStream& err);

// A date as typed in the transfer window, "ddmmyyyy" (or "dd-mm-yyyy"), as
// "yyyymmdd"; nothing when it is not a date.
std::optional<QString> fecha_de_lote(const QString& texto);
