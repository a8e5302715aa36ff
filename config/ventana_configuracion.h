#pragma once

// The configuration window `configc3`: the settings row behind the
// administrator password. The window only moves what its controls hold to
// and from a configuracion::Formulario; the rules live in configuracion.

#include "config/configuracion.h"
#include "data/a3ado.h"
#include "app/ventana_util.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStatusBar;

class VentanaConfiguracion : public ventana::DialogoTerminable {
    Q_OBJECT
public:
    explicit VentanaConfiguracion(A3ADO& a, QWidget* parent = nullptr);
    ~VentanaConfiguracion() override;

    // The application ends (kTerminarAplicacion) when the link database
    // fails while the row is read or written.

    // Control positions are given in twips; the window works in pixels.
    static constexpr int px(int twips) { return ventana::px(twips); }

    // The limit the logic set on a field (QLineEdit's own maxLength never
    // cuts a text that is already longer, so it may show more).
    static int longitud_maxima(const QLineEdit* campo);

public Q_SLOTS:
    void Image2_Click();
    void Check4_Click();
    void Check6_Click();

protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void crear_controles();
    // The window's size: its drawn size, or less (scrolling) on a small screen.
    void ajustar_a_pantalla();
    QLineEdit* crear_campo(QWidget* padre, const char* nombre, int izquierda, int arriba, int ancho);
    QCheckBox* crear_casilla(QWidget* padre, const char* nombre, const QString& texto, int arriba);
    QLabel* crear_etiqueta(QWidget* padre, const QString& texto, int izquierda, int arriba, int ancho);

    bool tecla_en_campo(QLineEdit* campo, int tecla);
    void campo_recibe_foco(QLineEdit* campo);
    void di_pierde_foco();
    void bloquear();
    void enfocar(const QString& nombre);

    // Widgets -> formulario, and back.
    void leer();
    void escribir();
    void aplicar_longitud(QLineEdit* campo);

    void fallo_base_datos(const std::exception& error);

    A3ADO& a_;
    configuracion::Formulario f_;
    int etiquetas_ = 0;
    bool ocupado_ = false;   // a handler is changing the controls

    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* pas = nullptr;
    QLineEdit* ce = nullptr;
    QLineEdit* di = nullptr;
    QLineEdit* cage = nullptr;
    QLineEdit* cna = nullptr;
    QLineEdit* cpas = nullptr;
    QLineEdit* cven = nullptr;
    QLineEdit* civa = nullptr;
    QLineEdit* cgru = nullptr;
    QLineEdit* cTasa = nullptr;
    QLineEdit* ruta = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check5 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check7 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QStatusBar* barra = nullptr;
    QWidget* lienzo_ = nullptr;
    QScrollArea* desplazable_ = nullptr;
};

// The factory of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_configuracion(A3ADO& a);
