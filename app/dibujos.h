#pragma once

// Every picture of the windows, drawn at the size of their control so they
// stay sharp and nothing has to be shipped beside the program.

#include <QPixmap>
#include <QSize>

namespace dibujos {

QPixmap salida(QSize tamano);       // an open door with an arrow leaving it
QPixmap exportar(QSize tamano);     // a ledger sheet with an arrow out of it
QPixmap banner(QSize tamano);       // "Noctaris → A3"
QPixmap decorativo(QSize tamano);   // a hotel front beside a ledger
QPixmap icono_ventana(QSize tamano);

// The button and window pictures of the dialogs, 32 x 32.
QPixmap guardar();        // a diskette: the changes kept
QPixmap llave();          // a key: the administrator's lock
QPixmap ajustes();        // a ledger with a cog: the settings of the accounts
QPixmap exportar_pgc();   // a ledger with a green arrow leaving it
QPixmap generar();        // a written sheet with a green arrow leaving it
QPixmap limpiar();        // a broom over a bin

} // namespace dibujos
