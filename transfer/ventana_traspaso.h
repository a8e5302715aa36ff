#pragma once

// The transfer window `traspa3`: a date range, its confirmation, the transfer
// run and the clean-up of a range. The run itself lives in ejecucion; this
// window only takes the dates and reacts to how the run ended.

#include "data/a3ado.h"
#include "app/ventana_util.h"
#include "transfer/ejecucion.h"
#include "transfer/traspaso.h"

#include <QDialog>
#include <QString>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class VentanaTraspaso : public ventana::DialogoTerminable {
    Q_OBJECT
public:
    explicit VentanaTraspaso(A3ADO& a, QWidget* parent = nullptr);
    ~VentanaTraspaso() override;

    // The application ends (kTerminarAplicacion) when a customer, agency or
    // company is missing from the hotel tables, or on a database failure.

    // The range as last accepted by the date entry or taken from the fields
    // by a button (yyyymmdd).
    const QString& wdesde() const { return t_->wdesde; }
    const QString& whasta() const { return t_->whasta; }

    // How the last transfer started from this window ended (none yet: empty).
    const ResultadoTraspaso* ultimo_resultado() const { return ultimo_.get(); }

    // Control positions are given in twips; the window works in pixels.
    static constexpr int px(int twips) { return ventana::px(twips); }

public Q_SLOTS:
    void btnGenerar_Click();
    void btnLimpiar_Click();

protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void crear_controles();
    // Tab or Enter in a date field: false when the key is typed normally.
    bool tecla_en_fecha(QLineEdit* campo, int tecla);
    void aceptar_fecha(QLineEdit* campo);
    void de_DblClick();
    // Both fields read as dates into the range, start not after end; false
    // (the user told, the focus on the field to mend) otherwise.
    bool tomar_fechas();

    A3ADO& a_;
    std::unique_ptr<Traspaso> t_;   // the window-level variables of one opening
    std::unique_ptr<ResultadoTraspaso> ultimo_;

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* de = nullptr;
    QLineEdit* hasta = nullptr;
    QPushButton* btnGenerar = nullptr;
    QPushButton* btnLimpiar = nullptr;
};

// The factory of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_traspaso(A3ADO& a);
