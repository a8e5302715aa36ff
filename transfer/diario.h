#pragma once

// The journal of the generations of SUENLACE.DAT, kept in the link database.
//
// A generation writes its records to a temporary file beside the target,
// then commits in one transaction the marks of every row it wrote together
// with its journal row ("pendiente"), then renames the temporary file over
// the target and sets the row "hecha". A generation found "pendiente" at
// start-up was cut short between the commit and the end: it is rolled
// forward when its temporary file is there with the recorded size and hash,
// and its marks are rolled back when it is not. Either way the file and the
// marks agree again: every staged row reaches A3Con exactly once. A run that
// takes the export folder removes the temporary files it finds there, so a
// file another installation wrote in the meantime is never replaced by the
// older one of a generation left pending; and a generation whose file is
// found at the start of the target, other records after it, was put in place.

#include "data/a3ado.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace diario {

enum class Tipo { Traspaso, Exportacion };

// What a generation put into the file: entries per section and control
// totals in cents, so the accountant can compare them with what A3Con books.
struct Cifras {
    int cuentas = 0;
    int facturas = 0;
    int depositos = 0;
    int dias_caja = 0;
    int creditos = 0;
    qint64 lineas = 0;
    qint64 importe_facturas = 0;    // cents
    qint64 importe_depositos = 0;
    qint64 importe_caja = 0;
    qint64 importe_creditos = 0;
};

struct Generacion {
    qint64 id = 0;
    QDateTime fecha;
    Tipo tipo = Tipo::Traspaso;
    QString desde;       // yyyymmdd, empty for an export
    QString hasta;
    QString ruta;        // Windows path of the target
    QString destino;     // local path of the target
    QString temporal;    // local path of the temporary file
    QString copia;       // local path of the backup of the previous file, or ""
    bool anadir = false; // the previous content was kept at the start
    qint64 tamano = 0;   // bytes of the finished file
    QString sha256;      // hex digest of the finished file
    Cifras cifras;
    QString estado;      // "pendiente", "hecha", "deshecha"
};

inline constexpr const char* kPendiente = "pendiente";
inline constexpr const char* kHecha = "hecha";
inline constexpr const char* kDeshecha = "deshecha";

// Creates the journal tables when missing (only a generation does).
void asegurar_tablas(ado::Connection& cn);
bool hay_tablas(ado::Connection& cn);

// Inside the caller's transaction: a new journal row in state "pendiente";
// its id. Nothing of it exists unless that transaction commits.
qint64 abrir_generacion(ado::Connection& cn, const Generacion& g);
// Records that this generation set the state of row `fila` of `tabla`
// (fac3, edep3, caj3, cre3, ctas3), which held `antes`.
void anotar_marca(ado::Connection& cn, qint64 id, const QString& tabla, qint64 fila, const QVariant& antes);
// Records every row of caj3 of day `dia` the day's UPDATE is about to set.
void anotar_marcas_dia_caja(ado::Connection& cn, qint64 id, const QString& dia);
// The finished file's size, hash and figures, before the commit.
void cerrar_generacion(ado::Connection& cn, const Generacion& g);
// After the rename: the row is "hecha" and its list of marks is dropped.
void dar_por_hecha(ado::Connection& cn, qint64 id);
// Puts back the state every row marked by generation `id` had before, and
// sets the row "deshecha". In a transaction of its own.
int deshacer_marcas(ado::Connection& cn, qint64 id);

std::vector<Generacion> leer(ado::Connection& cn, const QString& donde = QString());

// Hex SHA-256 and size of a local file; nullopt when it cannot be read.
struct Huella {
    qint64 tamano = 0;
    QString sha256;
};
std::optional<Huella> huella(const QString& local);

// Makes the rename of a file inside `carpeta` durable.
bool sincronizar_carpeta(const QString& carpeta);

// What start-up found and did, one Spanish sentence per generation.
struct Recuperacion {
    int completadas = 0;   // rolled forward
    int cerradas = 0;      // the file was already complete
    int deshechas = 0;     // marks rolled back
    int temporales_borrados = 0;
    QStringList frases;
};

// Rolls every unfinished generation forward or back (see above) and removes
// temporary files no journal row owns from the folder of `ruta_carpeta`
// (the export folder, Windows path). Run under the installation's lock; it
// takes the lock of each export folder it touches, and leaves what lies in a
// folder another run holds for the next start.
Recuperacion recuperar(A3ADO& a, const QString& ruta_carpeta);

// The start-up step: takes the lock (a run of another process in progress
// is left alone), recovers, and tells the user what was found and done.
void recuperar_al_arrancar(A3ADO& a);

// Removes the temporary files of generations from the local folder
// `carpeta`; how many. Only under that folder's lock, when every one of
// them is what a stopped run left.
int borrar_temporales(const QString& carpeta);

// "Suenlace.dat.<marca>.tmp": recognised by the recovery.
bool es_temporal(const QString& nombre);
QString nombre_temporal();

// The figures of a run as the summaries show them: "Facturas: 3", ...,
// "Importe de las facturas: 1.234,56 €".
QStringList texto_cifras(const Cifras& c);
// A generation as `enlace3 historial` lists it.
QStringList texto_generacion(const Generacion& g, const platform::DriveMap& unidades);
QString texto_tipo(Tipo t);
QString texto_euros(qint64 centimos);

} // namespace diario
