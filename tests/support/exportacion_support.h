#pragma once

// Zumeral companies, link databases and SUENLACE.DAT files for the tests of
// the chart-of-accounts export.

#include "demo/instalacion.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace pruebas_pgc {

// One row of Zumeral's Cta (a Null QVariant leaves CtaNif Null).
void cuenta(demo::Instalacion& inst, const QString& codigo, const QString& nombre, const QVariant& nif, int nivel = 9);
// One row of Zumeral's TER.
void tercero(demo::Instalacion& inst, const QString& nif, const QString& nombre, const QString& direccion,
             const QString& poblacion, const QString& cp, const QString& provincia);
// One row of ctas3 as a transfer or an earlier export left it.
void pendiente(demo::Instalacion& inst, const QString& cuenta, const QString& nombre, const QString& estado);

// The rows of ctas3 in the order they were added, one line each:
// cuenta|nombre|nif|Siglas|direccion|localidad|Cp|provincia|fechaAlta|Estado.
QStringList ctas3(const demo::Instalacion& inst);

// An account record laid out field by field (company "00001", the settings
// of the test installations), 254 characters.
QString linea_cuenta(const QString& fecha, const QString& cuenta, const QString& nombre, const QString& nif = {},
                     const QString& direccion = {}, const QString& localidad = {}, const QString& cp = {},
                     const QString& provincia = {});

// The lines of a Windows-1252 file with CR LF line ends (none: no file).
QStringList lineas(const QString& ruta);
// Writes those lines as the link writes them.
void escribir_lineas(const QString& ruta, const QStringList& lineas);

} // namespace pruebas_pgc
