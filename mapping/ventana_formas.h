#pragma once

// The window `fcobro`: the account of every payment method of the hotel,
// typed into a grid over a scratch copy and written back when it closes
// (close box or Escape). The work lives in cuentas_hotel::CuentasCobro.

#include "data/a3ado.h"
#include "mapping/cuentas_hotel.h"

#include <QDialog>
#include <memory>

class QTableView;

namespace cuentas_hotel {
class DelegadoCuenta;
class ModeloCuentas;
}

class VentanaFormas : public QDialog {
    Q_OBJECT
public:
    explicit VentanaFormas(A3ADO& a, QWidget* parent = nullptr);
    ~VentanaFormas() override;

    cuentas_hotel::CuentasCobro& logica() { return logica_; }

    void done(int resultado) override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void Form_Load();
    void Form_Unload();

    A3ADO& a_;
    cuentas_hotel::CuentasCobro logica_;
    bool cargada_ = false;
    cuentas_hotel::ModeloCuentas* wformas = nullptr;
    cuentas_hotel::DelegadoCuenta* delegado_ = nullptr;
    QTableView* gformas = nullptr;
};

// The factory of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_formas(A3ADO& a);
