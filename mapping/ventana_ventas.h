#pragma once

// The window `conf_ventas`: the sales account of every service of the hotel,
// typed into a grid over a scratch copy and written back when it closes, and
// the button that rewrites those accounts into the hotel's charge lines
// (enabled only while every service has a valid account). The work lives in
// cuentas_hotel::CuentasVentas.

#include "data/a3ado.h"
#include "mapping/cuentas_hotel.h"

#include <QDialog>
#include <memory>

class QPushButton;
class QTableView;

namespace cuentas_hotel {
class DelegadoCuenta;
class ModeloCuentas;
}

class VentanaVentas : public QDialog {
    Q_OBJECT
public:
    explicit VentanaVentas(A3ADO& a, QWidget* parent = nullptr);
    ~VentanaVentas() override;

    cuentas_hotel::CuentasVentas& logica() { return logica_; }

    void done(int resultado) override;

public Q_SLOTS:
    void btnGenerar_Click();
    // Refills the grid from the hotel, as each activation of the window did.
    void Form_Activate();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void Form_Load();
    void Form_Unload();
    void seguir_contador();

    A3ADO& a_;
    cuentas_hotel::CuentasVentas logica_;
    bool cargada_ = false;
    QString solo_lectura_;  // why the hotel files cannot be changed here, or ""
    QPushButton* btnGenerar = nullptr;
    cuentas_hotel::ModeloCuentas* wventas = nullptr;
    cuentas_hotel::DelegadoCuenta* delegado_ = nullptr;
    QTableView* gventas = nullptr;
};

// The factory of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_ventas(A3ADO& a);
