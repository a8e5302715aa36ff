#pragma once

// A test hotel for whole transfers: an installation made by the fixture
// builder (empty hotel tables, current link database), the hotel rows a test
// asks for, and the link started on it as the window starts it. In server
// mode the hotel tables lie in one database reached through the ODBC
// stand-in.

#include "data/a3ado.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/ejecucion.h"
#include "transfer/traspaso.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

namespace pruebas_traspaso {

// The link as the window has it after start-up and the settings load.
struct Enlace {
    platform::ScriptedInteraction ui;
    std::unique_ptr<A3ADO> a;
    std::unique_ptr<Traspaso> t;
};

class Hotel {
public:
    // `ajustes`: columns of the settings row 'KOVE3' to change.
    explicit Hotel(bool servidor = false, const QVariantMap& ajustes = {});
    ~Hotel();
    Hotel(const Hotel&) = delete;
    Hotel& operator=(const Hotel&) = delete;

    demo::Instalacion& inst() { return *inst_; }
    const demo::Instalacion& inst() const { return *inst_; }
    const QString& raiz() const { return raiz_; }
    bool servidor() const { return servidor_; }

    // A row of a table: the builder's template (texts "", numbers 0) with
    // `columnas` over it (an invalid QVariant stores Null).
    void fila(const QString& tabla, const QVariantMap& columnas);
    // Private customer `cod`; `cta` is its CliCta (invalid QVariant: Null).
    void cliente(const QString& cod, const QVariant& cta = QVariant(), const QVariantMap& extra = {});
    // Closed invoice of year fec.left(4), customer "1001" private, EmiI2 10,
    // EmiN "", EmiCie "1", no deposit, unless `extra` says otherwise.
    void factura(const QString& num, const QString& fec, double total, const QVariantMap& extra = {});
    // Sales line of invoice `num` of year `ano`.
    void linea(const QString& num, const QString& ano, const QString& ca, double can, double pre,
               const QVariant& cta);
    // Paid collection of invoice `fra` (of year fec.left(4)) by method "1".
    void cobro(const QString& fec, qint64 ord, double imp, const QVariant& fra, const QVariantMap& extra = {});
    void forma(const QString& cod, const QString& des, const QVariant& cta);

    // Starts the link (start-up and settings load); answers to questions
    // from `respuestas`, then `por_defecto`.
    std::unique_ptr<Enlace> arrancar(std::deque<bool> respuestas = {}, bool por_defecto = true);
    // A transfer of a freshly started link, as a user opening the window.
    ResultadoTraspaso traspasar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr,
                                bool sobrescribir = true);
    void limpiar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr);

    // Every row of a table as one line "col=value|col=value..." in column
    // order; numbers with 15 significant digits, Null as "<null>".
    QStringList volcar(const QString& tabla, const QString& orden = QString()) const;
    int contar(const QString& tabla, const QString& where = QString()) const;

    // F:\NOCTARIS\Suenlace.dat on disk.
    QString fichero() const;
    // Its lines without CR LF.
    QStringList lineas() const;

private:
    QTemporaryDir dir_;
    QString raiz_;
    QString cwd_;
    bool servidor_ = false;
    std::unique_ptr<demo::Instalacion> inst_;
};

// Two invoices of the 5th (9 and 10, one with a deposit), one of the 6th of
// a walk-in customer whose account is created, two collections of the 5th
// by two methods and a credit.
void poblar_enero(Hotel& h);

// The settings under which the run creates the accounts it lacks.
QVariantMap crear_cuentas();

// The staged rows of invoices, deposits, collections and credits with their
// states, in the order of each table.
QStringList estados_preparados(const Hotel& h);

// The lines of the file other than the account lines.
QStringList sin_cuentas(const QStringList& lineas);

// Every oddity of hotel data the link must turn into a report or a right
// record, each planted on its own into poblar_enero's hotel (sales breakdown
// on) and sent through the batch line over January, in Access or server
// mode: exit status, report line, file (checked), staged states. Also a
// range the wrong way round, from the batch line and from the engine the
// window calls. Fails through QTest.
void comprobar_rarezas(bool servidor);

// One row as volcar writes it.
QString texto_fila(const QVariantMap& fila, const QStringList& columnas);

} // namespace pruebas_traspaso
