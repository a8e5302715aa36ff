#pragma once

// Writing SUENLACE.DAT from the staging tables, and what came of it.

#include "transfer/diario.h"
#include "transfer/traspaso.h"

#include <QString>
#include <QStringList>

// What went into the file (counts and control totals) and what came of it.
struct ResultadoGeneracion : diario::Cifras {
    QString ruta;              // Windows path of the file (wruta + "\Suenlace.dat")
    bool fichero_ok = false;   // in place, with its marks committed
    QString error;             // why the file failed (path and reason), when !fichero_ok
    QString copia;             // the copy of the file it replaced, as the user knows its path, or ""
    qint64 generacion = 0;     // its row in the journal of generations
    QStringList omitidos;      // entries left out (row and reason), Spanish
    bool completo() const { return fichero_ok && omitidos.isEmpty(); }
};

// Opens the file (asking through t.a.ui whether to empty an existing one),
// writes the five sections and marks what was written; the file and the
// marks take effect together or not at all.
ResultadoGeneracion generar_suenlace_dat(Traspaso& t);

// The summary of a run that put its file in place: the figures, the file and
// the copy of the file it replaced.
QStringList resumen_generacion(const ResultadoGeneracion& g);

// The account record of the current pending row of ctas3 (the transfer and
// the chart export write the same record for it).
QString linea_de_cuenta_pendiente(const A3ADO& a, const ado::Recordset& rs);
