#pragma once

// The two account windows of the hotel's own tables, one class over the
// table it edits:
//   fcobro       the account of every payment method (cuentas_hotel::CuentasCobro);
//   conf_ventas  the sales account of every service (cuentas_hotel::CuentasVentas),
//                refilled at each activation, with the button that rewrites those
//                accounts into the hotel's charge lines (enabled only while every
//                service has a valid account).
// Both type into a grid over a scratch copy, written back when the window
// closes (close box or Escape).

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

class VentanaCuentas : public QDialog {
    Q_OBJECT
public:
    enum class Tabla { Cobro, Ventas };

    VentanaCuentas(A3ADO& a, Tabla tabla, QWidget* parent = nullptr);
    ~VentanaCuentas() override;

    // The logic of the window's table (the other one is null).
    cuentas_hotel::CuentasCobro* cobro() { return cobro_.get(); }
    cuentas_hotel::CuentasVentas* ventas() { return ventas_.get(); }

    void done(int resultado) override;

public Q_SLOTS:
    void btnGenerar_Click();
    // conf_ventas: refills the grid from the hotel, as each activation of the window did.
    void Form_Activate();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    void Form_Load();
    void Form_Unload();
    void mostrar();
    void avisar_solo_lectura();
    void seguir_contador();
    cuentas_hotel::CopiaTrabajo& copia();
    cuentas_hotel::EdicionCuenta& edicion();

    A3ADO& a_;
    std::unique_ptr<cuentas_hotel::CuentasCobro> cobro_;
    std::unique_ptr<cuentas_hotel::CuentasVentas> ventas_;
    QString modelo_nombre_;   // "wformas" / "wventas"
    QString columna_nombre_;  // the heading of the name column
    bool cargada_ = false;
    QString solo_lectura_;    // why the hotel files cannot be changed here, or ""
    QPushButton* btnGenerar = nullptr;   // conf_ventas only
    cuentas_hotel::ModeloCuentas* modelo_ = nullptr;
    cuentas_hotel::DelegadoCuenta* delegado_ = nullptr;
    QTableView* rejilla_ = nullptr;      // "gformas" / "gventas"
};

// The factories of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_formas(A3ADO& a);
std::unique_ptr<QDialog> crear_ventana_ventas(A3ADO& a);
