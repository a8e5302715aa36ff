#pragma once

#include <QStringList>
#include <QTextStream>

// `enlace3 exportar-pgc EMPRESA [--sobrescribir | --anadir]`: the export of
// the window `importa` from a shell. Same start-up and settings load as the
// window, then the level-9 accounts of the Zumeral company EMPRESA (its code
// as typed in the window: "7" is company 007) are stored as pending accounts
// and every pending account is written to SUENLACE.DAT. `--sobrescribir`
// empties an existing file, `--anadir` appends to it; with neither, an
// existing file stops the order before anything is stored. `args` are the
// arguments after "exportar-pgc". Results on `out`, errors on `err`.
// Returns 0 when every pending account was written, 1 when the start-up,
// the company database, the reading or the file failed or accounts were
// left out, 2 on a usage error.
int comando_exportar_pgc(const QStringList& args, QTextStream& out, QTextStream& err);
