#pragma once

// The pictures of the main window, drawn at the size of their control so
// they stay sharp and nothing has to be shipped beside the program.

#include <QPixmap>
#include <QSize>

namespace dibujos {

QPixmap salida(QSize tamano);       // an open door with an arrow leaving it
QPixmap exportar(QSize tamano);     // a ledger sheet with an arrow out of it
QPixmap banner(QSize tamano);       // "Noctaris → A3"
QPixmap decorativo(QSize tamano);   // a hotel front beside a ledger
QPixmap icono_ventana(QSize tamano);

} // namespace dibujos
