#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

// `enlace3 traspasar DESDE HASTA [--sobrescribir | --anadir]`: the transfer
// of the window from a shell. Same start-up and settings load, then the
// staging of the range and the writing of SUENLACE.DAT. `args` are the
// arguments after "traspasar". Results on `out`, errors and warnings on `err`.
// Returns 0 when the whole range was written, 1 when the run stopped on a
// data error, could not write the file or left entries out, 2 on a usage
// error (wrong arguments, a date that is not one, an existing file and no
// answer given).
int comando_traspasar(const QStringList& args, QTextStream& out, QTextStream& err);

// `enlace3 limpiar DESDE HASTA`: the clean-up of the window's "Limpiar
// Temporales" for the range. Returns 0 when done, 1 when the start-up or a
// statement failed, 2 on a usage error.
int comando_limpiar(const QStringList& args, QTextStream& out, QTextStream& err);

// Which end of a range a date of the batch line stands for.
enum class Extremo { Desde, Hasta };

// A date as the transfer window reads it (leer_fecha_tecleada: "ddmmyyyy"
// or as shown, "dd-mm-yyyy"; no year below 100), or a word a scheduler can
// repeat every day, read against `hoy`: "hoy", "ayer", and "mes-anterior"
// (its first day as DESDE, its last as HASTA). As "yyyymmdd"; nothing when
// it is neither.
std::optional<QString> fecha_de_lote(const QString& texto, const QDate& hoy = QDate::currentDate(),
                                     Extremo extremo = Extremo::Desde);

// The range of `traspasar` and `limpiar`: DESDE HASTA, or one word alone
// standing for both ends ("ayer", "hoy": that day; "mes-anterior": the whole
// previous month). `error` is the usage message when the dates are wrong;
// a range that ends before it starts is refused too.
struct RangoLote {
    QString desde;   // yyyymmdd
    QString hasta;
    QString error;
};
RangoLote rango_de_lote(const QStringList& fechas, const QDate& hoy, const QString& uso);
