#pragma once

// The one fixture family of the tests: installations made by the fixture
// builder (demo::Instalacion) in temporary folders, the link started on them
// as the program starts it, rows planted in hotel and link tables, transfers
// run from the batch line or the engine, and what they leave behind read back.
//
// Server mode keeps the hotel tables in one database reached through the
// ODBC stand-in; since its driver takes Database= as a path relative to the
// current folder, a server installation works from its folder while it lives.

#include "demo/instalacion.h"
#include "transfer/ejecucion.h"

#include <QTemporaryDir>
#include <deque>
#include <memory>

namespace testsupport {
// A real SQLite file at `path` with `statements` run on it; fails the current test on any error.
void buildDatabase(const QString& path, const QStringList& statements);
} // namespace testsupport

// Fails the current test (with the checker's report) when the file cannot be
// read or has any problem; follow it with `if (QTest::currentTestFailed()) return;`.
void exigirFicheroValido(const QString& path);

namespace fixture {

// A fresh installation with an A3ADO over it that is not started yet (throws demo::ErrorInstalacion).
class Entorno {
public:
    explicit Entorno(demo::Opciones opciones = demo::Opciones::pruebas(), const QVariantMap& ajustes = {});
    ~Entorno();
    demo::Instalacion& inst() { return *instalacion_; } const demo::Instalacion& inst() const { return *instalacion_; }
    A3ADO& a() { return *a_; }
    platform::ScriptedInteraction ui;
    // leer_unidad_hotel, leer_conexion_sql, abrir_conexiones, then cargar_configuracion when `cargar`.
    void arrancar(bool cargar = true);
    A3ADO& reiniciar();   // a new A3ADO over the same installation, as a second start
    QString raiz() const { return dir_.path() + QStringLiteral("/raiz"); }

private:
    QTemporaryDir dir_;
    QString cwd_anterior_;
    std::unique_ptr<demo::Instalacion> instalacion_;
    std::unique_ptr<A3ADO> a_;
};

// The link as the window has it after start-up and the settings load.
struct Sesion { platform::ScriptedInteraction ui; std::unique_ptr<A3ADO> a; std::unique_ptr<Traspaso> t; };

// Empty hotel tables and a current link database (`ajustes`: settings columns to change).
class Hotel {
public:
    explicit Hotel(bool servidor = false, const QVariantMap& ajustes = {});
    virtual ~Hotel() = default;
    demo::Instalacion& inst() { return e_.inst(); } const demo::Instalacion& inst() const { return e_.inst(); }
    QString raiz() const { return e_.raiz(); }

    // The table's template row with `columnas` over it (names case-insensitive; invalid QVariant = Null).
    void fila(const QString& tabla, const QVariantMap& columnas);
    void cliente(const QString& cod, const QVariant& cta = QVariant(), const QVariantMap& extra = {});
    // Closed invoice of year fec.left(4), customer "1001", EmiI2 10, no deposit unless `extra` says.
    void factura(const QString& num, const QString& fec, double total, const QVariantMap& extra = {});
    void linea(const QString& num, const QString& ano, const QString& ca, double can, double pre, const QVariant& cta);
    void cobro(const QString& fec, qint64 ord, double imp, const QVariant& fra, const QVariantMap& extra = {});   // method "1"
    void forma(const QString& cod, const QString& des, const QVariant& cta);

    // A started link; questions answered from `respuestas`, then `por_defecto`.
    std::unique_ptr<Sesion> arrancar(std::deque<bool> respuestas = {}, bool por_defecto = true);
    ResultadoTraspaso traspasar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr, bool sobrescribir = true);
    void limpiar(const QString& desde, const QString& hasta, QStringList* mensajes = nullptr);

    // Rows as "col=value|..." (numbers with 15 digits, Null "<null>"); "key=state" rows; ctas3 "Cuenta|...|Estado".
    QStringList volcar(const QString& tabla, const QString& orden = QString()) const;
    int contar(const QString& tabla, const QString& where = QString()) const;
    QStringList estados(const QString& tabla, const QString& clave, const QString& estado, const QString& orden) const;
    QStringList ctas3() const;
    // F:\NOCTARIS\Suenlace.dat, its bytes, its lines without CR LF (fails the test when one lacks it).
    QString fichero() const;
    QByteArray bytes() const;
    QStringList lineas() const;

private:
    Entorno e_;
};

// A Hotel with one link started and kept: staging by hand, account choice and generation on it.
class Enlace : public Hotel {
    std::unique_ptr<Sesion> s_;   // before `ui`, which refers into it

public:
    explicit Enlace(const QVariantMap& ajustes = {}, bool servidor = false);
    ~Enlace() override = default;
    A3ADO& a() { return *s_->a; } Traspaso& t() { return *s_->t; }
    platform::ScriptedInteraction& ui;
    // Staged rows (state "0", year 2013 unless given) over the table's template.
    void factura3(const QVariantMap& columnas), deposito(const QVariantMap& columnas), cobro3(const QVariantMap& columnas);
    void credito(const QVariantMap& columnas), cuenta(const QVariantMap& columnas);
    void linea_venta(const QString& fra, const QString& cta, double imp, const QString& eje = "2013");
    ResultadoGeneracion generar(const QString& desde, const QString& hasta);
    // Leaves rs_emi on that invoice, as the staging does while it asks for the customer's account.
    void situar_en_factura(const QString& ano, const QString& num);
    QStringList mensajes() const;   // "title|icon|text"
};

// Two invoices of the 5th (9 and 10, 9 with a deposit), one of the 6th of a walk-in
// customer whose account is created, two collections of the 5th by two methods and a credit.
void poblar_enero(Hotel& h);
QVariantMap crear_cuentas();   // the settings under which the run creates the accounts it lacks
QStringList estados_preparados(const Hotel& h);   // "fac3 9=1" of fac3, edep3, caj3, cre3
QStringList sin_cuentas(const QStringList& lineas);   // the lines other than account lines

// A batch-line command (traspasar, limpiar, verificar, exportar-pgc) on the installation at `raiz`.
struct Salida { int estado = -1; QString out, err; QStringList lineas_out() const, lineas_err() const; };
Salida lote(const QString& raiz, const QString& comando, const QStringList& args);

// A field of a line by its name in the record layout, trailing blanks removed.
QString campo(const QString& linea, const QString& nombre);
// The fields that vary in a line of its record type, joined by "|":
//   C: fecha|C|cuenta|nombre|nif|direccion|localidad|cp|provincia
//   0: fecha|0|cuenta|nombre|lado|documento|posicion|concepto|importe
//   1: fecha|1|cuenta|nombre|documento|concepto|importe
//   9: fecha|9|cuenta|nombre|documento|posicion|concepto|base|iva|cuota
QString campos(const QString& linea);
QStringList campos(const QStringList& lineas);
// An account record as the link writes it (company "00001").
QString linea_cuenta(const QString& fecha, const QString& cuenta, const QString& nombre, const QString& nif = {},
                     const QString& direccion = {}, const QString& localidad = {}, const QString& cp = {}, const QString& provincia = {});
// The lines of a Windows-1252 file ("<sin fichero>" when missing, "<sin CR>" marks a line without CR), and its writing.
QStringList lineas(const QString& ruta);
void escribir_lineas(const QString& ruta, const QStringList& lineas);

// One row of Zumeral's Cta (a Null nif leaves CtaNif Null), of TER, and of ctas3 as a run left it.
void cuenta(demo::Instalacion& inst, const QString& codigo, const QString& nombre, const QVariant& nif, int nivel = 9);
void tercero(demo::Instalacion& inst, const QString& nif, const QString& nombre, const QString& direccion,
             const QString& poblacion, const QString& cp, const QString& provincia);
void pendiente(demo::Instalacion& inst, const QString& cuenta, const QString& nombre, const QString& estado);
QStringList ctas3(const demo::Instalacion& inst);   // in the order added, "<null>" for a Null

QStringList sin_diario(const QStringList& sentencias);   // a trace without the journal's own statements
QStringList ajustesTrasActualizar();   // the builder's settings once upgraded, "name = value" as printed

// The stop raised by `f`, if any.
template <typename F> std::optional<TraspasoDetenido> detencion(F f)
{
    try { f(); } catch (const TraspasoDetenido& d) { return d; }
    return std::nullopt;
}

} // namespace fixture
