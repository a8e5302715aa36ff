#pragma once

// The accounts kept in the hotel's own tables: the payment methods' (formas,
// ForCta) and the sales concepts' (ser, SerCta, with the copies in Ca,
// Cadia and Hiscadia). Each window edits a scratch copy in the work database
// c:\noctaris\wdb.mdb and writes it back to the hotel when it closes. No
// widget is touched here: messages go through the A3ADO's Interaction.

#include "data/a3ado.h"
#include "platform/ado.h"

#include <QHash>
#include <functional>
#include <QList>
#include <QString>

namespace cuentas_hotel {

// The work database: a fixed path on drive C, never created by the link.
inline constexpr const char* kBaseTrabajo = "c:\\noctaris\\wdb.mdb";

inline constexpr const char* kCuentaNoNumerica = "La Cuenta debe de ser numérica";
inline constexpr const char* kRegeneracionCorrecta = "Regeneración realizada correctamente!";


// Fits an account to `wdigitos` digits the way these windows always have:
// same length unchanged; longer to 8 keeps the first and last four; shorter
// to 9 puts the missing zeros after the fourth digit; anything else (and
// any text that is not numeric) gives "".
QString ajustar_digitos(const QString& wcuenta, int wdigitos);

// What is wrong with `cuenta` as an account of `wdigitos` digits (missing,
// blanks, not numeric, another length), said for the user; "" when it is
// exactly `wdigitos` digits. Only such an account may reach the hotel's
// charge lines.
QString problema_cuenta(const QString& cuenta, int wdigitos);

// The account a grid starts with for a stored hotel account. A stored
// account that ajustar_digitos cannot fit to exactly `wdigitos` digits is
// kept as it is: the grid is written back at closing, and an account the
// hotel has must not be wiped only because its length is unusual.
QString cuenta_a_mostrar(const QVariant& cuenta_hotel, int wdigitos);

// Tells the user which stored accounts the opening fitted to the digits
// ("code name: before -> after", one a line); nothing when none.
void avisar_cuentas_ajustadas(platform::Interaction& ui, const QStringList& cambios, int wdigitos, bool solo_lectura);

// Why the hotel files of `tablas` ("formas": formas.MDB) cannot take a
// window's changes, said for the user with each file named as the link names
// it; "" when they can. Genuine Access files are known by their name alone;
// the others are tried through `conexion` with a change undone at once: a
// read-only file, or a folder that takes no new files (saving a change makes
// one beside the file while it writes). A file that does not open is told
// when it is read or written.
QString motivo_sin_cambios(const A3ADO& a, const QStringList& tablas,
                           const std::function<ado::Connection&(const QString&)>& conexion);

// One row of a scratch table: code, name, account (Null read as "").
struct FilaCuenta {
    QString codigo;
    QString nombre;
    QString cuenta;
    // The hotel row it was read from, as read (Null kept): closing writes to
    // the row that still holds these values, so two rows sharing a code each
    // keep their own account, and a Null nobody edited stays Null.
    QVariant codigo_hotel, nombre_hotel, cuenta_hotel;
    // Whether the account differs from the hotel's (edited or fitted).
    bool cambiada() const;
};

// Orders rows by name as a Spanish reader expects: case and accents do not
// count ("agua mineral", "Alojamiento", "Ático", "Teléfono"); rows of equal
// name keep their order.
void ordenar_por_nombre(QList<FilaCuenta>& filas);

// The columns and statements of one scratch table.
struct TablaCopia {
    QString tabla;   // "formas" / "ventas"
    QString crear;   // its CREATE TABLE
    QString codigo;  // column names
    QString nombre;
    QString cuenta;
};

TablaCopia tabla_formas();
TablaCopia tabla_ventas();

// The scratch copy of one window in the work database.
class CopiaTrabajo {
public:
    CopiaTrabajo(A3ADO& a, TablaCopia tabla);
    ~CopiaTrabajo();

    // Opens the work database and creates the table anew (dropping the one
    // left by an earlier opening). On failure the user is told why and
    // false is returned; nothing has changed in the hotel.
    bool preparar();
    bool preparada() const { return preparada_; }
    // Releases the work database (the table stays until the next opening).
    void cerrar();

    void vaciar();
    void anadir(const FilaCuenta& fila);
    // Rows in insertion order (the grid's order), or ordered by `orden`,
    // each with the hotel row it was read from.
    QList<FilaCuenta> filas(const QString& orden = QString());

    const TablaCopia& tabla() const { return tabla_; }
    ado::Connection& conexion() { return cn_trabajo_; }

private:
    void probar_vacio();
    void crear_tabla();

    A3ADO& a_;
    TablaCopia tabla_;
    ado::Connection cn_trabajo_;
    bool preparada_ = false;
    QHash<qint64, FilaCuenta> origen_;   // by the scratch row's rowid
};

// The edit of one account cell: the text it had when the edit started, and
// what is stored when the new text is given.
class EdicionCuenta {
public:
    void empezar(const QString& texto_celda) { wcuenta_anterior = texto_celda; }
    // Whether `nuevo` may be stored: numeric and (wdigitos > 0) of exactly
    // wdigitos digits. Otherwise the user is told what the cell needs and
    // the cell keeps its text from the start of the edit.
    bool aceptar(const QString& nuevo, platform::Interaction& ui, int wdigitos) const;

    QString wcuenta_anterior;
};

// The payment methods' window logic (fcobro).
class CuentasCobro {
public:
    explicit CuentasCobro(A3ADO& a);

    // The window's load: scratch table made and filled from the hotel.
    bool preparar_formas();
    bool cargar_formas();
    // Written back on closing; does nothing unless the load was complete.
    // False (after a message) when a row could not be written.
    bool grabar_formas();

    CopiaTrabajo& copia() { return copia_; }
    int wdigitos() const { return a_.wdigitos; }
    bool cargada() const { return cargada_; }
    // Finds out, before anything is typed, whether formas can take the
    // window's changes: sets hotel_solo_lectura and returns why not ("").
    QString comprobar_escritura();
    EdicionCuenta edicion;
    // The hotel's file can only be read here: the accounts are shown, never
    // written back.
    bool hotel_solo_lectura = false;

private:
    A3ADO& a_;
    CopiaTrabajo copia_;
    bool cargada_ = false;
};

// The sales concepts' window logic (conf_ventas).
class CuentasVentas {
public:
    explicit CuentasVentas(A3ADO& a);
    ~CuentasVentas();

    // The window's load: scratch table made, counter set to 0.
    bool preparar_ventas();
    // Each activation: scratch table refilled from ser in name order, and
    // the services without a valid account counted.
    bool cargar_ventas();
    bool grabar_ventas();

    // Counts again, from the grid's copy, the services whose account is not
    // exactly wdigitos digits (empty, blanks, letters, another length): an
    // account that is not one must never reach the charge lines.
    void contar_sin_cuenta();
    bool generar_habilitado() const { return wsin_cuenta == 0; }
    // Why the regeneration cannot run yet (how many services, the first of
    // them and what its account lacks); "" when it can.
    const QString& motivo_sin_cuenta() const { return motivo_; }

    // btnGenerar: every service of the grid rewrites its account into the
    // hotel's charge lines, then one message. Refused (told) while any
    // account is not valid; false after a failure (told).
    bool regenerar();
    void regenerar_ca_cadia_hiscadia(const QString& codigo_servicio, const QString& cuenta);

    CopiaTrabajo& copia() { return copia_; }
    int wdigitos() const { return a_.wdigitos; }
    bool cargada() const { return cargada_; }
    // As for the payment methods, over ser and the three files of charge
    // lines the regeneration writes.
    QString comprobar_escritura();
    EdicionCuenta edicion;
    // The hotel's file can only be read here: the accounts are shown, never
    // written back.
    bool hotel_solo_lectura = false;
    qint16 wsin_cuenta = 0;

private:
    // The hotel connection of ser, Ca or Cadia: cn_sql in server mode,
    // otherwise the table's own file in \noctaris\ (opened when first used).
    ado::Connection& conexion(const QString& tabla);

    A3ADO& a_;
    CopiaTrabajo copia_;
    bool cargada_ = false;
    QString motivo_;
    ado::Connection cn_ser_, cn_ca_, cn_cadia_;
};

} // namespace cuentas_hotel
