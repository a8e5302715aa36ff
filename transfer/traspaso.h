#pragma once

// The state a transfer shares between its routines (what the transfer window
// keeps at module level), and the ways a transfer can be stopped.

#include "data/a3ado.h"
#include "data/registro_cliente.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

// A hotel row the staging left out because its data do not fit a record:
// one line naming the row, the table, the column and the value.
struct DatoRechazado {
    enum class Clase { Vacio, NoNumero, Fecha, Repetido, Control, Cuenta, Registro };
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
    // The current payment method's total of the day as its collections'
    // credit lines show them: the sum of their amounts each in cents.
    double wsuma_caja = 0;
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

    // What a staging loop has already read from the hotel and the link, so
    // that each customer, agency, company and invoice is looked up once. The
    // staging empties it when it starts and ends, and when a rollback may
    // have removed rows it describes.
    struct Leido {
        // A holder's row by table and code ("cli", "agen", "na"), with its
        // own account in `cuenta`; nothing when there is none.
        QHash<QString, std::optional<RegistroCliente>> titulares;
        // An invoice of emi by year and number: its EmiCli, eMIC and EmiFec,
        // or an empty list when there is none.
        QHash<QString, QStringList> facturas;
        // Accounts ctas3 is known to hold.
        QSet<QString> cuentas_pendientes;
        // The invoice whose collection is being given an account: year,
        // number, EmiFec and EmiCli.
        QStringList factura_en_curso;
        bool activo = false;   // only a staging loop keeps what it reads
        // Lets the hotel's files go before a message waits for the user,
        // when the staging holds them (see preparacion.cpp).
        std::function<void()> soltar_hotel;
        // Enough to find again the rows of the days around the one being
        // staged, without holding a year of them.
        static constexpr qsizetype kMaximo = 20000;
        void olvidar()
        {
            titulares.clear();
            facturas.clear();
            cuentas_pendientes.clear();
        }
    } leido;

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
