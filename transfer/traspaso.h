#pragma once

// The state a transfer shares between its routines (what the transfer window
// keeps at module level), and the ways a transfer can be stopped.

#include "data/a3ado.h"
#include "data/registro_cliente.h"

#include <QDate>
#include <QString>
#include <exception>

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
