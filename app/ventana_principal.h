#pragma once

// The main window `enlace3`: the menu of the link. It only wires: the
// start-up and the activation run in arranque, the windows it opens come from
// the table of ventanas.h.

#include "app/ventanas.h"
#include "data/a3ado.h"

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

class QLabel;
class QStatusBar;

class VentanaPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit VentanaPrincipal(A3ADO& a, ventanas::Tabla tabla = ventanas::tabla_ventanas(),
                              QWidget* parent = nullptr);
    ~VentanaPrincipal() override;

    // The start-up (window load): false when the program must end (the
    // reason has been shown).
    bool cargar();

    // The activation sequence. Runs by itself at the first display, at every
    // activation of the window and after each window of the menu closes.
    // False when the settings could not be read and the program ends.
    bool activar();
    int activaciones() const { return activaciones_; }

    // Opens the window of that name modally (one instance per kind, made on
    // first use and kept).
    void abrir(const QString& nombre);
    QDialog* ventana(const QString& nombre) const;

    // Ends the application: by default closes the window and leaves the event
    // loop with `codigo`.
    std::function<void(int codigo)> al_terminar;
    // The exit status the window ended with (0 until it ends on a failure).
    int codigo_salida() const { return codigo_salida_; }

    // Control positions are given in twips; the window works in pixels.
    static constexpr int px(int twips) { return twips / 15; }
    // Status-bar panel widths are given in hundredths of a millimetre.
    static int px_mm100(int centesimas);

    static const QColor& color_resaltado();

Q_SIGNALS:
    void activada();

private Q_SLOTS:
    // A window of the menu that must end the program says so through its
    // signal terminar_aplicacion(int).
    void terminar_por_ventana(int codigo);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QLabel* crear_etiqueta(const char* nombre, const QString& texto, const QString& consejo, QRect zona);
    QLabel* crear_imagen(const char* nombre, QRect zona, const QPixmap& dibujo);
    void crear_controles();
    void pulsado(QObject* control);
    void resaltar(QLabel* etiqueta);
    void quitar_resaltado();
    void pintar_etiqueta(QLabel* etiqueta, const QColor& fondo, bool negrita);
    void terminar(int codigo);

    A3ADO& a_;
    ventanas::Tabla tabla_;
    std::map<QString, std::unique_ptr<QDialog>> abiertas_;

    QStatusBar* barra_ = nullptr;
    QLabel* panel1_ = nullptr;
    QLabel* panel2_ = nullptr;
    QLabel* image1_ = nullptr;
    QLabel* image2_ = nullptr;
    QLabel* image3_ = nullptr;
    QLabel* image4_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;

    int activaciones_ = 0;
    bool activando_ = false;
    bool pendiente_ = true;     // deactivated since the last activation sequence
    bool mensaje_en_activacion_ = false;
    bool mostrada_ = false;
    int codigo_salida_ = 0;
    bool terminada_ = false;
};
