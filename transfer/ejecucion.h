#pragma once

// The transfer run and the clean-up of a range, as the transfer window and
// the batch line start them.

#include "transfer/generacion.h"
#include "transfer/traspaso.h"

#include <optional>

struct ResultadoTraspaso {
    bool ocupada = false;                                    // another run held the installation (the user was told)
    bool carpeta_ocupada = false;                            // ... or the export folder (ocupada is set too)
    bool rango_invertido = false;                            // refused before anything was touched (the user was told)
    bool sin_configuracion = false;                          // the same: no settings loaded
    bool detenido = false;                                   // stopped before the file was written
    std::optional<TraspasoDetenido::Motivo> motivo;          // why, when detenido
    ResultadoGeneracion generacion;                          // when not detenido
    int facturas_preparadas = 0;
    int cobros_preparados = 0;
    std::vector<DatoRechazado> rechazados;                   // hotel rows left out by the staging
    // The file holds everything of the range: nothing left out nor pending.
    bool completo() const { return !ocupada && !rango_invertido && !sin_configuracion && !detenido && generacion.completo() && rechazados.empty(); }
};

// The refusal of a range whose start comes after its end, or "" when the
// range is in order. Nothing may be staged, cleaned or written for it.
QString rango_al_reves(const QString& wdesde, const QString& whasta);

// Stages invoices (with sales lines and deposits) and cash-desk collections of
// t.wdesde..t.whasta, then writes SUENLACE.DAT. Shows the closing message,
// which lists the hotel rows the staging left out.
ResultadoTraspaso iniciar(Traspaso& t);

// What a clean-up removed or reset, per table.
struct Limpieza {
    bool hecha = false;   // false: another run held the installation, nothing cleaned
    int marcas_caja = 0;  // hotel cash-desk records whose mark was cleared
    // caja.MDB is a genuine Access file, only read: its marks were left as
    // they are (this many in the range).
    bool caja_solo_lectura = false;
    int marcas_caja_sin_quitar = 0;
    int caj3 = 0, edep3 = 0, cre3 = 0, fal3 = 0, fac3 = 0;
    QString desde, hasta;   // the range cleaned, yyyymmdd
    int total() const { return marcas_caja + caj3 + edep3 + cre3 + fal3 + fac3; }
    explicit operator bool() const { return hecha; }
};

// Deletes or resets the staged rows of t.wdesde..t.whasta so the range can be
// sent again, and tells the user what it removed. Not done (nothing
// cleaned) when another run holds the installation (the user has been told
// who) or when the range ends before it starts.
Limpieza limpiar_temporales(Traspaso& t);

// The lines that say what a clean-up removed, one per table touched, or
// that it found nothing to remove.
QStringList resumen_limpieza(const Limpieza& l);
// What a clean-up left in the hotel's read-only caja.MDB, or "".
QString aviso_caja_solo_lectura(const Limpieza& l);
