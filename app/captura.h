#pragma once

// `enlace3 captura FICHERO.png | CARPETA`: pictures of the main window as it
// starts (in a folder: of every window and of the progress and end-of-run
// dialogs), drawn offscreen. Not in the help: it serves the documentation
// (scripts/screenshot.sh). It needs the widgets, so main() runs it under a
// QApplication before the batch line is consulted.

#include <QStringList>
#include <QTextStream>

int comando_captura(const QStringList& args, QTextStream& out, QTextStream& err);
