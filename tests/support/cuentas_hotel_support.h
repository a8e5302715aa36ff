#pragma once

// What the tests of the account windows do to a grid and read from it.

#include "platform/interaction.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QLineEdit;
class QTableView;

namespace cuentas_hotel_support {

// The rows of the grid as shown, one "code|name|account" a line.
QStringList lineas(const QTableView* rejilla);
// The same lines from rows of a table.
QStringList lineas(const QList<QVariantMap>& filas, const QStringList& columnas);
// Starts editing the account of row `fila`: its editor, or nullptr.
QLineEdit* abrir_cuenta(QTableView* rejilla, int fila);
// Starts editing the account of row `fila`, types over it and presses Return.
// Returns what the editor held before Return.
QString teclear_cuenta(QTableView* rejilla, int fila, const QString& texto);

// The messages shown so far as "title|text|icon" lines; forgets them.
QStringList tomar_mensajes(platform::ScriptedInteraction& ui);

} // namespace cuentas_hotel_support
