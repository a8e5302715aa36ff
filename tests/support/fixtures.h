#pragma once

// The one fixture family of the tests: installations made by the fixture
// builder (demo::Instalacion) in temporary folders, the link started on them
// as the program starts it, rows planted in hotel and link tables, transfers
// run from the batch line or the engine, and what they leave behind read
// back (tables, SUENLACE.DAT lines and their named fields).
//
// Server mode keeps the hotel tables in one database reached through the
// ODBC stand-in; since its driver takes Database= as a path relative to the
// current folder, a server installation works from its folder while it lives.

#include "data/a3ado.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/ejecucion.h"
#include "transfer/generacion.h"
#include "transfer/traspaso.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <deque>
#include <memory>
#include <optional>
#include <tuple>

namespace testsupport {
// Makes a real SQLite file at `path` and runs `statements` on it through a
// short-lived QtSql connection of its own. Fails the current test on any error.
void buildDatabase(const QString& path, const QStringList& statements);
} // namespace testsupport

// Fails the current test (with the checker's whole report) when the file
// cannot be read or has any problem; follow it with
// `if (QTest::currentTestFailed()) return;` when later steps need the file.
void exigirFicheroValido(const QString& path);

namespace fixture {

// ---- installations -------------------------------------------------------

// A fresh installation with an A3ADO over it that is not started yet.
class Entorno {
public:
    // Builds the installation at once (throws demo::ErrorInstalacion).
    explicit Entorno(demo::Opciones opciones = demo::Opciones::pruebas(), const QVariantMap& ajustes = {});
    ~Entorno();
    Entorno(const Entorno&) = delete;
    Entorno& operator=(const Entorno&) = delete;

    demo::Instalacion& inst() { return *instalacion_; }
    const demo::Instalacion& inst() const { return *instalacion_; }
    A3ADO& a() { return *a_; }
    platform::ScriptedInteraction ui;

    // leer_unidad_hotel, leer_conexion_sql, abrir_conexiones; then
    // cargar_configuracion when `cargar`. Throws ado::Error as they do.
    void arrancar(bool cargar = true);
    // A new A3ADO over the same installation (as a second start would make).
    A3ADO& reiniciar();

    QString raiz() const { return dir_.path() + QStringLiteral("/raiz"); }

private:
    QTemporaryDir dir_;
    QString cwd_anterior_;
    std::unique_ptr<demo::Instalacion> instalacion_;
    std::unique_ptr<A3ADO> a_;
};

// The link as the window has it after start-up and the settings load.
struct Sesion {
    platform::ScriptedInteraction ui;
    std::unique_ptr<A3ADO> a;
    std::unique_ptr<Traspaso> t;
};

// An installation with empty hotel tables and a current link database, the
// rows a test plants, and links started on it as a user starts the program.
class Hotel {
public:
    // `ajustes`: columns of the settings row to change.
    explicit Hotel(bool servidor = false, const QVariantMap& ajustes = {});
    virtual ~Hotel();
    Hotel(const Hotel&) = delete;
    Hotel& operator=(const Hotel&) = delete;

    demo::Instalacion& inst() { return e_.inst(); }
    const demo::Instalacion& inst() const { return e_.inst(); }
    QString raiz() const { return e_.raiz(); }
    bool servidor() const { return servidor_; }

    // A row: the builder's template of the table (texts "", numbers 0) with
    // `columnas` over it, names matched case-insensitively (an invalid
    // QVariant stores Null).
    void fila(const QString& tabla, const QVariantMap& columnas);
    // Private customer `cod`; `cta` is its CliCta.
    void cliente(const QString& cod, const QVariant& cta = QVariant(), const QVariantMap& extra = {});
    // Closed invoice of year fec.left(4), customer "1001" private, EmiI2 10,
    // EmiN "", EmiCie "1", no deposit, unless `extra` says otherwise.
    void factura(const QString& num, const QString& fec, double total, const QVariantMap& extra = {});
    void linea(const QString& num, const QString& ano, const QString& ca, double can, double pre,
               const QVariant& cta);
    // Paid collection of invoice `fra` (of year fec.left(4)) by method "1".
    void cobro(const QString& fec, qint64 ord, double imp, const QVariant& fra, const QVariantMap& extra = {});
    void forma(const QString& cod, const QString& des, const QVariant& cta);

    // Starts a link (start-up and settings load); questions are answered from
    // `respuestas`, then `por_defecto`.
    std::unique_ptr<Sesion> arrancar(std::deque<bool> respuestas = {}, bool por_defecto = true);
    // A transfer or clean-up of a freshly started link, as a user opening the window.
    ResultadoTraspaso traspasar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr,
                                bool sobrescribir = true);
    void limpiar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr);

    // Every row of a table as "col=value|..." in column order; numbers with
    // 15 significant digits, Null as "<null>".
    QStringList volcar(const QString& tabla, const QString& orden = QString()) const;
    int contar(const QString& tabla, const QString& where = QString()) const;
    // "key=state" of each row of a table in `orden`.
    QStringList estados(const QString& tabla, const QString& clave, const QString& estado,
                        const QString& orden) const;
    // Each row of ctas3 in rowid order, "Cuenta|Nombre|...|Estado" ("<null>").
    QStringList ctas3() const;

    // F:\NOCTARIS\Suenlace.dat on disk, its bytes and its lines without CR LF
    // (fails the test when a line does not end with CR LF).
    QString fichero() const;
    QByteArray bytes() const;
    QStringList lineas() const;

private:
    bool servidor_;
    Entorno e_;
};

// A Hotel with one link started and kept for the test: staging by hand,
// account choice and generation runs on it.
class Enlace : public Hotel {
    std::unique_ptr<Sesion> s_;   // before `ui`, which refers into it

public:
    explicit Enlace(const QVariantMap& ajustes = {}, bool servidor = false);
    ~Enlace() override;

    A3ADO& a() { return *s_->a; }
    Traspaso& t() { return *s_->t; }
    platform::ScriptedInteraction& ui;

    // Staged rows (state "0", year 2013 unless given) over the table's template.
    void factura3(const QVariantMap& columnas);
    void linea_venta(const QString& fra, const QString& cta, double imp, const QString& eje = "2013");
    void deposito(const QVariantMap& columnas);
    void cobro3(const QVariantMap& columnas);
    void credito(const QVariantMap& columnas);
    void cuenta(const QVariantMap& columnas);

    // Sets wdesde / whasta and runs the writing of SUENLACE.DAT.
    ResultadoGeneracion generar(const QString& desde, const QString& hasta);
    // Leaves rs_emi on that invoice, as the invoice staging does while it
    // asks for the customer's account.
    void situar_en_factura(const QString& ano, const QString& num);
    // The messages shown, as "title|icon|text".
    QStringList mensajes() const;
};

// ---- the January hotel ---------------------------------------------------

// Two invoices of the 5th (9 and 10, one with a deposit), one of the 6th of
// a walk-in customer whose account is created, two collections of the 5th
// by two methods and a credit.
void poblar_enero(Hotel& h);
// The settings under which the run creates the accounts it lacks.
QVariantMap crear_cuentas();
// The staged rows of invoices, deposits, collections and credits with their
// states ("fac3 9=1"), in the order of each table.
QStringList estados_preparados(const Hotel& h);
// The lines of the file other than the account lines.
QStringList sin_cuentas(const QStringList& lineas);

// A batch-line command (traspasar, limpiar, verificar, exportar-pgc) run
// against the installation at `raiz`.
struct Salida {
    int estado = -1;
    QString out, err;
    QStringList lineas_out() const;
    QStringList lineas_err() const;
};
Salida lote(const QString& raiz, const QString& comando, const QStringList& args);

// ---- SUENLACE.DAT --------------------------------------------------------

// A field of a 254-character line by its name in the record layout
// (empresa, fecha, tipo, cuenta, nombre, lado, documento, posicion,
// concepto, importe, base, iva, cuota, nif, direccion, localidad, cp,
// provincia), trailing blanks removed.
QString campo(const QString& linea, const QString& nombre);
// The fields that vary in a line of its record type, joined by "|":
//   C: fecha|C|cuenta|nombre|nif|direccion|localidad|cp|provincia
//   0: fecha|0|cuenta|nombre|lado|documento|posicion|concepto|importe
//   1: fecha|1|cuenta|nombre|documento|concepto|importe
//   9: fecha|9|cuenta|nombre|documento|posicion|concepto|base|iva|cuota
// The fixed fields are the checker's to judge (exigirFicheroValido).
QString campos(const QString& linea);
QStringList campos(const QStringList& lineas);

// An account record as the link writes it (company "00001").
QString linea_cuenta(const QString& fecha, const QString& cuenta, const QString& nombre, const QString& nif = {},
                     const QString& direccion = {}, const QString& localidad = {}, const QString& cp = {},
                     const QString& provincia = {});
// The lines of a Windows-1252 file ("<sin fichero>" when missing, "<sin CR>"
// marks a line without CR) and the writing of such a file.
QStringList lineas(const QString& ruta);
void escribir_lineas(const QString& ruta, const QStringList& lineas);

// ---- Zumeral and the pending accounts ------------------------------------

// One row of Zumeral's Cta (a Null QVariant leaves CtaNif Null) and of TER.
void cuenta(demo::Instalacion& inst, const QString& codigo, const QString& nombre, const QVariant& nif, int nivel = 9);
void tercero(demo::Instalacion& inst, const QString& nif, const QString& nombre, const QString& direccion,
             const QString& poblacion, const QString& cp, const QString& provincia);
// One row of ctas3 as a transfer or an earlier export left it.
void pendiente(demo::Instalacion& inst, const QString& cuenta, const QString& nombre, const QString& estado);
// The rows of ctas3 in the order they were added ("<Null>" for a Null).
QStringList ctas3(const demo::Instalacion& inst);

// ---- odds and ends -------------------------------------------------------

// The statements of a trace without the run's own journal of generations.
QStringList sin_diario(const QStringList& sentencias);
// The settings of the builder's link database once upgraded and loaded, one
// "name = value" a line as the batch line prints them.
QStringList ajustesTrasActualizar();

// The stop raised by `f`, if any.
template <typename F>
std::optional<TraspasoDetenido> detencion(F f)
{
    try {
        f();
    } catch (const TraspasoDetenido& d) {
        return d;
    }
    return std::nullopt;
}

} // namespace fixture
