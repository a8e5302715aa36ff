#pragma once

// The one writer of SUENLACE.DAT, for the transfer and the export alike.
//
// The records of a run go to a temporary file beside the target (after the
// previous content when the user keeps it). The rows the run writes are
// marked inside one transaction on the link database, opened here; at the end
// the file is synced, the marks are committed together with the run's journal
// row, the temporary file is renamed over the target and the journal row is
// closed. Whatever instant the process dies at, either the target holds the
// run's records and they are marked, or the target is as it was and nothing
// of the run is marked (the start-up recovery finishes the job).

#include "data/a3ado.h"
#include "platform/bloqueo.h"
#include "transfer/diario.h"

#include <QString>
#include <QStringList>
#include <memory>

class FicheroSuenlace {
public:
    FicheroSuenlace(A3ADO& a, diario::Tipo tipo, QString desde = QString(), QString hasta = QString());
    ~FicheroSuenlace();   // a run not confirmed leaves nothing behind
    FicheroSuenlace(const FicheroSuenlace&) = delete;
    FicheroSuenlace& operator=(const FicheroSuenlace&) = delete;

    // Asks (through a.ui) whether an existing file is to be emptied, refuses a
    // read-only file, creates the temporary file and opens the transaction of
    // the marks. False with error() when the run cannot start.
    bool abrir();

    // One entry: all of its lines or, once the file has failed, none.
    bool escribir(const QStringList& lineas);
    bool escribir(const QString& linea) { return escribir(QStringList{linea}); }

    // The row `fila` of `tabla` is being marked as sent by this run (it held
    // `antes`); the caller sets the state itself.
    void marcar(const QString& tabla, qint64 fila, const QVariant& antes = QStringLiteral("0"));
    // The whole staged day of caj3 is about to be marked.
    void marcar_dia_caja(const QString& dia);

    // Syncs, commits the marks with the journal row and puts the file in
    // place. False with error(): nothing of the run is marked and the target
    // is as it was.
    bool confirmar(const diario::Cifras& cifras);
    // Drops the run: the transaction is rolled back and the temporary file
    // removed. `motivo` becomes error() when none is set yet.
    void abandonar(const QString& motivo = QString());

    // The file stopped accepting lines, or the transaction of the marks was
    // lost: the run can only be abandoned.
    bool detenido() const { return detenido_; }
    // Whether the database still holds the run's transaction; when it does
    // not, the run is stopped and error() says why.
    bool transaccion_viva();

    const QString& ruta() const { return ruta_; }          // Windows path of the target
    const QString& error() const { return error_; }
    // The copy of the file this run replaced, as the user knows its path
    // (beside the target, in the folder as typed), or "".
    QString copia() const;
    qint64 generacion() const { return gen_.id; }
    qint64 lineas() const;   // records written by this run

    // How many copies of replaced files are kept beside the target.
    static constexpr int kCopiasGuardadas = 10;

private:
    bool copiar_anterior(const QString& local);
    bool guardar_copia();
    void podar_copias() const;
    bool escribir_bytes(const QByteArray& bytes);
    void fallo(const QString& texto);

    A3ADO& a;
    diario::Generacion gen_;
    struct Salida;
    std::unique_ptr<Salida> salida_;
    QString ruta_;
    QString error_;
    QString copia_;
    bool existia_ = false;
    bool abierto_ = false;
    bool detenido_ = false;
    bool transaccion_propia_ = false;
};

// The export folder of a run that writes SUENLACE.DAT, held from before
// anything is staged until the file is in place and its rows are marked:
// installations that share the folder would otherwise each put their own
// file over the other's, and one run's records would vanish while its rows
// stay marked. Taken after the installation's own lock.
struct ReservaCarpeta {
    // Empty when the folder takes no new files at all: nothing can be
    // written there, and the writer says why as it always has.
    std::unique_ptr<platform::Bloqueo> bloqueo;
    // Another run holds the folder (or its lock cannot be used): nothing has
    // been done and the user has been told, with the folder and the holder.
    bool negada = false;
};
ReservaCarpeta ocupar_carpeta_suenlace(A3ADO& a, const QString& tarea);

// What the end of a run shows beside its counts: the file at `ruta` and its
// size, the copy kept of the file it replaced (`copia`), both as the user
// knows their paths, and what the checker finds in the file.
QStringList lineas_del_fichero(const A3ADO& a, const QString& ruta, const QString& copia);
