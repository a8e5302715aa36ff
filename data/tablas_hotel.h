#pragma once

// What the link expects to find in every database it touches: the hotel
// tables (each in its own Access file, or all in the server database), the
// link tables of enlace3.MDB in their current and older shapes, the drive
// table, the hotel's `con`, the work database and Zumeral's company tables.
// The demo installation and the tests build their databases from these
// descriptions, so the names and types live in one place.

#include <QList>
#include <QString>
#include <QVariant>

namespace tablas {

// Text for keys, codes, accounts, dates and states; DOUBLE for amounts and
// rates; INTEGER for orders and levels; BIT holding -1/0 for yes/no.
enum class Tipo { Texto, Numero, Entero, SiNo };

struct Columna {
    QString nombre;
    Tipo tipo = Tipo::Texto;
    int ancho = 0;  // characters of a text column; 0 = unlimited
};

struct Tabla {
    QString nombre;
    // File of the table in Access mode, as named inside the data folder
    // ("emi.MDB"), or a full Windows path for the files outside it
    // ("C:\noctaris.MDB"). Empty: no fixed file of its own.
    QString archivo;
    QList<Columna> columnas;
    // The statement that creates the table. Where this system itself
    // creates the table (edep3, Ctas3) it is the system's own statement.
    QString ddl;

    bool tieneColumna(const QString& columna) const;  // case-insensitive
    const Columna* columna(const QString& columna) const;
};

// Hotel tables: emi, Hiscadia, Ca, Cadia, Cli, agen, na, caja, formas, ser.
const QList<Tabla>& tablas_hotel();
// The hotel table of that name (case-insensitive), or nullptr.
const Tabla* tabla_hotel(const QString& nombre);

// The columns of the settings row of ca3 (Ca3Key 'KOVE3'), named here
// only: the settings load, the configuration window, the demo and the
// schema upgrade go through these names.
namespace ajustes {
inline const QString clave = QStringLiteral("Ca3Key");
inline const QString empresa = QStringLiteral("ca3Emp");
inline const QString digitos = QStringLiteral("Ca3Niv");
inline const QString ruta = QStringLiteral("Ca3ruta");
inline const QString creditos = QStringLiteral("ca3Cre");
inline const QString desglosar = QStringLiteral("ca3nif");
inline const QString iva_por_tipo = QStringLiteral("ca3iva");
inline const QString agencias = QStringLiteral("ca3Age");
inline const QString empresas = QStringLiteral("ca3EmpNa");
inline const QString clientes = QStringLiteral("ca3Cli");
inline const QString depositos = QStringLiteral("ca3Dep");
inline const QString cuadre = QStringLiteral("Ca3Vta");
inline const QString iva = QStringLiteral("ca3Ivar");
// Added by later versions (the schema upgrade adds them).
inline const QString tasa = QStringLiteral("Ca3Tasa");
inline const QString por_pasante = QStringLiteral("Ca3DesglosarPasantes");
inline const QString crear_cuentas = QStringLiteral("Ca3CrearCuentas");
inline const QString unica_pasantes = QStringLiteral("Ca3UnicaCtaPasantes");
inline const QString zumeral = QStringLiteral("Zumeral");

struct Ajuste {
    Columna columna;
    QVariant nuevo;        // value of a new row; yes/no as bool
    bool posterior = false;  // one of the later columns
};
// Every column in the order of the table.
const QList<Ajuste>& columnas();
// The row a new link database gets (older versions: without the later
// columns), column name to value.
QVariantMap fila_nueva(bool actual = true);
} // namespace ajustes

// Link tables of enlace3.MDB.
Tabla ca3(bool actual = true);        // older versions lack the five later columns
Tabla fac3(bool con_tasa = true);     // older versions lack FacTasa
Tabla fal3();
Tabla caj3();
Tabla cre3();
Tabla ctas3();
Tabla edep3();
// The link tables of the current version, in the order they are created.
QList<Tabla> tablas_enlace(bool actual = true);
// The link table of that name (case-insensitive) in its current shape, or an
// empty Tabla.
Tabla tabla_enlace(const QString& nombre);

// Any table the link knows (hotel, link in its current shape, or outside),
// by name (case-insensitive); an empty Tabla when none.
Tabla tabla(const QString& nombre);

// Outside tables.
Tabla noctaris();  // C:\noctaris.MDB
Tabla con();       // INFHSYS.MDB
Tabla vacio();     // c:\noctaris\wdb.mdb
Tabla cta();       // Zumeral company database
Tabla ter();       // Zumeral company database

// "CREATE TABLE name (col TYPE, ...)" for a description without a fixed ddl.
QString crear(const Tabla& tabla);
QString tipo_sql(const Columna& columna);

} // namespace tablas
