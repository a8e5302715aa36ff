#pragma once

// A complete Noctaris installation written under a drive root (the folder
// whose "c:", "f:", "g:" subfolders stand for the Windows drives). The demo
// command builds one for a user to look at; every test builds its own with
// the options it needs and then makes exactly the rows it wants with
// insertar / ejecutar / configurar.
//
// What a built installation holds (drive letters as in Opciones):
//   C:\noctaris.MDB          table noctaris: cod '1' -> "F" (hotel data),
//                            cod '2' -> "G" (Zumeral data)
//   C:\noctaris\wdb.mdb      work database of the mapping windows, table vacio
//   F:\noctaris\INFHSYS.MDB  table con: ConTipo "0" (Access files), or "1"
//                            with ConServer/catalogo in server mode
//   F:\noctaris\emi.MDB hiscadia.MDB agen.MDB na.MDB caja.MDB cli.MDB
//                formas.MDB, and ser.MDB ca.MDB cadia.MDB (tables ser, Ca,
//                Cadia) -- Access mode only. In server mode every hotel
//                table lies in the one SQLite file <dir_servidor>/<catalogo>
//                and none of these files exists. The hotel tables carry
//                the keys of the codes they are looked up by (not unique):
//                emi(EmiAno, EmiNum), Hiscadia(HCadiaFra, HCadiaFraAno),
//                Cli(CliCod), agen(AgenCod), na(NaCod), formas(ForCod).
//   F:\noctaris\enlace3.MDB  the link database (see below)
//   F:\NOCTARIS\             the export folder of the settings row (the data
//                            folder itself: names are matched without case)
//   G:\zumeral\007MAE.mdb    Zumeral company 7: tables Cta and TER
//
// Link database. Older version (enlace_antiguo): ca3 with the settings row
// 'KOVE3' but without the later columns; fac3 without FacTasa; fal3, caj3,
// cre3; no ctas3 and no edep3. Current version: every table (edep3 and Ctas3
// with the system's own statements) and the settings row a new link database
// gets (tablas::ajustes::fila_nueva). The older row holds the same values in
// the columns it has.
//
// With datos, the rows of demo/generador.h for the size Opciones::tamano.

#include "demo/generador.h"
#include "platform/drive_map.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <optional>
#include <stdexcept>

namespace demo {

// A failure while building or changing an installation (the message names
// the file and the statement).
class ErrorInstalacion : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Opciones {
    // Hotel activity of `tamano` (the demo); false: every hotel table exists
    // and is empty, ready for a test to make the rows it needs.
    bool datos = true;
    // Link database of an older version. Unset: older with datos, current
    // without (so Opciones::pruebas() gives a current link database).
    std::optional<bool> enlace_antiguo;
    // Hotel data in the server database instead of Access files.
    bool servidor = false;
    QString nombre_servidor = "SERVIDOR";
    QString catalogo = "CATALOGO";
    // Folder of the server database file; empty: <raiz>/servidor.
    QString dir_servidor;
    // Write INFHSYS.MDB (without it the link runs in Access mode).
    bool infhsys = true;
    QString unidad_hotel = "F";
    QString unidad_conta = "G";
    QString empresa_zumeral = "007";
    int anyo = 2013;
    int mes = 1;
    unsigned semilla = 20130101u;
    Tamano tamano = Tamano::mes();

    bool antiguo() const { return enlace_antiguo.value_or(datos); }

    // The usual test start: empty hotel tables, current link database with
    // a full settings row, Access mode.
    static Opciones pruebas();
    // The installation of `enlace3 demo DIR`.
    static Opciones demostracion();
};

class Instalacion {
public:
    // Nothing is written until construir().
    explicit Instalacion(QString raiz, Opciones opciones = Opciones());
    ~Instalacion();
    Instalacion(const Instalacion&) = delete;
    Instalacion& operator=(const Instalacion&) = delete;

    // Writes the whole installation. The root may exist; the files it writes
    // must not (throws ErrorInstalacion rather than overwrite a database).
    void construir();

    const QString& raiz() const { return raiz_; }
    const Opciones& opciones() const { return opciones_; }
    platform::DriveMap unidades() const { return platform::DriveMap(raiz_); }
    // Local path of a Windows path under this root.
    QString ruta(const QString& windowsPath) const;
    // Folder of the server database and its file (server mode).
    QString dir_servidor() const;
    QString archivo_servidor() const;

    // The database file that holds a table (case-insensitive name): the
    // hotel table's own .MDB or, in server mode, the server file; enlace3.MDB
    // for the link tables (ca3, fac3, fal3, caj3, cre3, ctas3, edep3);
    // C:\noctaris.MDB for noctaris; INFHSYS.MDB for con; wdb.mdb for vacio
    // and any other table of the work database (formas is the HOTEL table;
    // use en_archivo for the work database's scratch tables); the Zumeral
    // file for Cta and TER. Throws ErrorInstalacion for an unknown table.
    QString archivo_tabla(const QString& tabla) const;
    // Windows path of that file ("F:\noctaris\emi.MDB"); empty in server
    // mode for hotel tables.
    QString archivo_windows(const QString& tabla) const;

    // Adds one row (columns not given are Null). A bool is stored as -1/0.
    void insertar(const QString& tabla, const QVariantMap& columnas);
    // Adds many rows in one transaction (fast: the benchmark generator).
    void insertar(const QString& tabla, const QList<QVariantMap>& filas);
    // Runs a statement on the database that holds the table.
    void ejecutar(const QString& tabla, const QString& sql);
    // Rows of a query on the database that holds the table; column names as
    // the query gives them.
    QList<QVariantMap> consultar(const QString& tabla, const QString& sql) const;
    // The rows of the table, in rowid order (or in `orden`, an ORDER BY list).
    QList<QVariantMap> filas(const QString& tabla, const QString& orden = QString()) const;
    int contar(const QString& tabla, const QString& where = QString()) const;
    // Column names of the table as they exist now (after any upgrade).
    QStringList columnas(const QString& tabla) const;
    // Deletes every row of the table.
    void vaciar(const QString& tabla);
    // Sets columns of the settings row 'KOVE3' (a bool as -1/0, an invalid
    // QVariant as Null).
    void configurar(const QVariantMap& columnas_ca3);
    // A row of the table with every column set to "" (text) or 0: a
    // starting point for insertar.
    static QVariantMap plantilla(const QString& tabla);

    // Statement on any SQLite file under the root (a Windows path).
    void ejecutar_en(const QString& windowsPath, const QString& sql);
    QList<QVariantMap> consultar_en(const QString& windowsPath, const QString& sql) const;

    // Closes the connections this object keeps (before a test removes a file).
    void cerrar() const;

private:
    struct Conexion;
    QString conexion(const QString& archivoLocal) const;
    void ejecutar_en_archivo(const QString& archivoLocal, const QString& sql);
    QList<QVariantMap> consultar_en_archivo(const QString& archivoLocal, const QString& sql) const;
    void crear_base(const QString& archivoLocal, const QStringList& ddl);
    void construir_unidades();
    void construir_sistema();
    void construir_hotel();
    void construir_enlace();
    void construir_trabajo();
    void construir_zumeral();

    QString raiz_;
    Opciones opciones_;
    mutable QMap<QString, QString> conexiones_;  // local file -> connection name
};

// Builds the demo installation under `raiz` (the `enlace3 demo DIR` command).
void construir_demo(const QString& raiz);

} // namespace demo
