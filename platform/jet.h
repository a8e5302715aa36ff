#pragma once

// Genuine Access files (Jet 3 and Jet 4, as the hotel product writes them on
// Windows): recognised by their header whatever the file is called, and read
// table by table into an SQLite file on which the link's statements run. No
// writer of Jet files exists on Linux, so such a file is only ever read.

#include <QString>
#include <QStringList>

namespace jet {

enum class Formato { Desconocido, SQLite, Jet3, Jet4 };

// What the file is, by its first bytes. With ENLACE3_JET_SUSTITUTO=1 an
// SQLite file marked with the application id 'JET3' or 'JET4' (see
// marcar_sustituto) counts as a Jet file of that version: no Jet writer
// exists, so tests present databases they build through the Jet reading
// path this way.
Formato formato(const QString& localPath);
bool es_jet(Formato f);
// "SQLite", "Access Jet 3 (Access 97)", "Access Jet 4 (Access 2000-2003)".
QString nombre(Formato f);

// Marks an SQLite file as standing in for a Jet file of that version.
bool marcar_sustituto(const QString& sqlitePath, Formato version);

// Copies every user table of `origen` (a Jet file, or an SQLite file) into a
// new SQLite file `destino`, with its columns in order, row by row: text in
// its real characters, Null as Null, yes/no as -1/0, whole numbers as
// integers, currency and other amounts as numbers (currency exact to its four
// decimals), dates and times as "yyyy-MM-dd hh:mm:ss", memo as text, binary
// as blob. Returns an empty text on success, otherwise why it failed (the
// destination is then removed) and, in `al_escribir`, whether writing the
// destination failed rather than reading `origen`. `tablas` receives the
// names copied.
QString copiar(const QString& origen, const QString& destino, QStringList* tablas = nullptr,
               bool* al_escribir = nullptr);

// A Jet date (days since 30-12-1899, the fraction the time of day, also for
// days before that) as "yyyy-MM-dd hh:mm:ss".
QString fecha_jet(double valor);

} // namespace jet
