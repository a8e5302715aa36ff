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
// 'KOVE3' but without Ca3DesglosarPasantes, Ca3CrearCuentas,
// Ca3UnicaCtaPasantes, Ca3Tasa and Zumeral; fac3 without FacTasa; fal3,
// caj3, cre3; no ctas3 and no edep3. Current version: every table (edep3 and
// Ctas3 with the system's own statements) and a full settings row with the
// values a new row gets: ca3Emp "00001", Ca3Niv 9, Ca3ruta "F:\NOCTARIS\",
// ca3Cre yes, ca3nif no, ca3iva yes, ca3Age "4301", ca3EmpNa "4302",
// ca3Cli "43000", ca3Dep "561000000", Ca3Vta "705999999",
// ca3Ivar "47700000", Ca3Tasa "47530000", the other four yes/no columns no.
// The older row holds the same values in the columns it has.
//
// With datos (the demo), one month (Opciones anyo/mes) of a 60-room hotel,
// the same for the same seed:
//   - Cli: 60 private customers, codes "1001".."1060"; about half with their
//     own account CliCta ("43" + 7 digits), the others walk-in customers
//     with CliCta Null, "" or " ". Names with accents ("José María Núñez
//     Ibáñez"), an apostrophe ("O'Connor"), and one over 30 characters.
//   - agen: 8 travel agencies "201".."208", some with billing data
//     (AgenFNom, AgenFDir, ...) and some without, some with AgenCta, one
//     postcode longer than 5 characters ("E-08001").
//   - na: 6 companies "301".."306", names over 30 characters, some NaCta.
//   - formas: 1 "Contado" 570000001, 2 "Tarjeta de crédito" 572000001,
//     3 "Transferencia bancaria" 572000002, 4 "Talón" with ForCta Null,
//     5 "Crédito agencia" 430000000.
//   - ser: 8 sales concepts "01".."08" (Alojamiento 705000001, Desayuno,
//     Media pensión, Restaurante, Bar, Lavandería, Teléfono with SerCta "",
//     Parking); Ca and Cadia: charge lines of the guests still in house.
//   - emi: about 12 invoices a day, EmiNum "1", "2", ... (text), EmiAno the
//     year; eMIC "0" private (most), "1" agency, "2" company; VAT rates
//     EmiI1 21, EmiI2 10, EmiI3 4, EmiI4 0, the stay in band 2 and minibar
//     or restaurant sometimes in band 1; tourist tax TasaImporte on some
//     (Null on others), deposits EmiDep on some (Null on a few); EmiN "" on
//     most, Null on some, "B" on a few; EmiCie "1", "0" on half the
//     invoices of the last day (those have no collection).
//   - Hiscadia: 1 to 9 lines per invoice (nights, breakfasts, bar...), HCadiaCA
//     "+" or "-" (discounts), HCadiaCta the concept's account ("" for
//     Teléfono); the "+" lines minus the "-" lines make the invoice total
//     less the tourist tax.
//   - caja: the collections of the invoices (one, or two with different
//     payment methods), CajaOrd 1, 2, ... within each day, CajaPago "1";
//     agencies and companies mostly on credit (method 5, CajaCre "1",
//     CajaPago "0"); advance payments without invoice (CajaFra "" and CajaCon
//     "Anticipo nº 000123", the reference in characters 13-18; one with
//     CajaFra Null), CajaTur "1".
//   - link database: fac3 and caj3 rows of the previous month already sent
//     (state "1"), cre3 with a few credits collected in the month (state
//     "0") and one of the previous month ("1").
//   - Zumeral: Cta with accounts of levels 1 to 9 (level 9: customers'
//     430..., suppliers' 400..., one code that is not numeric, one with
//     CtaNif Null), TER with the holders of those tax ids.

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
    // A month of hotel activity (the demo); false: every hotel table exists
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
    void llenar_hotel();
    void llenar_enlace();
    void llenar_zumeral();

    QString raiz_;
    Opciones opciones_;
    mutable QMap<QString, QString> conexiones_;  // local file -> connection name
};

// Builds the demo installation under `raiz` (the `enlace3 demo DIR` command).
void construir_demo(const QString& raiz);

} // namespace demo
