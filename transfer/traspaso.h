#pragma once

// The state a transfer shares between its routines (what the transfer window
// keeps at module level), and the ways a transfer can be stopped.

#include "data/a3ado.h"
#include "data/registro_cliente.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <exception>
#include <vector>

// A hotel row the staging left out because its data do not fit a record:
// one line naming the row, the table, the column and the value.
struct DatoRechazado {
    enum class Clase { Vacio, NoNumero, Fecha, Repetido, Control };
    Clase clase = Clase::Vacio;
    QString linea;
};

struct Traspaso {
    explicit Traspaso(A3ADO& a) : a(a) {}
    A3ADO& a;

    QString wdesde;   // yyyymmdd
    QString whasta;   // yyyymmdd
    QDate wdia;
    int wlinea = 0;
    int wtotal_cobros = 0;
    bool factura_solo_tasa = false;

    // Last holder of each kind handed to the pending-accounts store.
    RegistroCliente reg_cliente;
    RegistroCliente reg_agencia;
    RegistroCliente reg_empresa;

    // Payment account of each payment-method code already looked up in this
    // run. Only answers given without any message are kept, so a warning or
    // a stop is never skipped; the hotel's payment methods do not change
    // while a transfer runs.
    QHash<QString, QString> cuentas_cobro;

    // What the staging of this run left out, in reading order.
    std::vector<DatoRechazado> rechazados;
};

// A transfer that cannot go on. The message has already been shown.
class TraspasoDetenido : public std::exception {
public:
    enum class Motivo {
        TitularInexistente,   // customer, agency or company missing: ends the application in the window
        CuentaCobroErronea,   // payment account of the wrong length: the transfer stops
    };
    TraspasoDetenido(Motivo motivo, QString mensaje) : motivo(motivo), mensaje(std::move(mensaje)) {}
    const char* what() const noexcept override { return "traspaso detenido"; }
    Motivo motivo;
    QString mensaje;
};
