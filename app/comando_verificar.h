#pragma once

#include <QStringList>
#include <QTextStream>

// `enlace3 verificar FICHERO`: checks a SUENLACE.DAT and prints its summary
// and every problem to `out`. `args` are the arguments after "verificar".
// Returns 0 when the file has no problem, 1 when it has some, 2 when it
// cannot be read or the arguments are wrong (message on `err`).
int comando_verificar(const QStringList& args, QTextStream& out, QTextStream& err);
