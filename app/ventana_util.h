#pragma once

// What the link's windows share: positions given in twips, labels and
// picture buttons, the small dialog font, and the way a dialog ends the
// application.

#include "platform/interaction.h"

#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <exception>

class QLabel;
class QPushButton;
class QWidget;


namespace ventana {

// Control positions are given in twips; the windows work in pixels.
constexpr int px(int twips) { return twips / 15; }
QRect zona(int izquierda, int arriba, int ancho, int alto);

QLabel* crear_etiqueta(QWidget* padre, const char* nombre, const QString& texto, QRect donde);
QPushButton* crear_boton(QWidget* padre, const char* nombre, const QString& texto, const QString& consejo,
                         const QPixmap& dibujo, QRect donde, int lado_icono);

// The small dialog font of the era, so the texts fit the places they were given.
void letra_pequena(QWidget& ventana);

// What the user reads when the link database fails under `que` (the failed
// work, as a sentence without its full stop).
QString texto_fallo_base_datos(const QString& que, const std::exception& error);

// A dialog that may have to end the whole application.
class DialogoTerminable : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // The dialog's result when the application must end.
    static constexpr int kTerminarAplicacion = 2;

Q_SIGNALS:
    // The application must end with `codigo`. When nothing is connected the
    // window leaves the event loops itself (QCoreApplication::exit).
    void terminar_aplicacion(int codigo);

protected:
    void terminar(int codigo);
    // Tells the user why (see texto_fallo_base_datos) and ends with status 1.
    void fallo_base_datos(platform::Interaction& ui, const QString& que, const std::exception& error);
};

} // namespace ventana
