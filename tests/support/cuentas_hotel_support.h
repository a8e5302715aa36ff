#pragma once

// What the tests of the account windows do to a grid and read from it.

#include "platform/interaction.h"   // with QStringList and QVariantMap

class QTableView;

namespace cuentas_hotel_support {

// The rows of the grid as shown, one "code|name|account" a line.
QStringList lineas(const QTableView* rejilla);
// The same lines from rows of a table (Null as "<null>").
QStringList lineas(const QList<QVariantMap>& filas, const QStringList& columnas);
// Edits the account of row `fila` (the editor already open, if any): types
// over it and presses `tecla`. Returns what the editor held before the key.
QString teclear_cuenta(QTableView* rejilla, int fila, const QString& texto, Qt::Key tecla = Qt::Key_Return);

// The messages shown so far as "title|text|icon" lines; forgets them.
QStringList tomar_mensajes(platform::ScriptedInteraction& ui);

} // namespace cuentas_hotel_support
