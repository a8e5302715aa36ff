#pragma once

// What the link expects to find in every database it touches: the hotel
// tables (each in its own Access file, or all in the server database), the
// link tables of enlace3.MDB in their current and older shapes, the drive
// table, the hotel's `con`, the work database and Zumeral's company tables.
// The demo installation and the tests build their databases from these
// descriptions, so the names and types live in one place.

#include <QList>
#include <QString>

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
