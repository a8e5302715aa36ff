#pragma once

// The logic of the configuration window `configc3`, apart from its widgets:
// the administrator password, the checks of every field, the walk-in
// options, the load, creation and save of the settings row 'KOVE3', and the
// adjustment of the account fields when the number of digits changes.
//
// The window copies what its controls hold into a Formulario, calls one of
// these routines and copies the Formulario back, then puts the focus where
// the routine says. Messages go through A3ADO::ui.

#include "data/a3ado.h"

#include <QString>
#include <QStringList>

namespace configuracion {

// A flat edit field as the logic sees it. Without a limit of its own a
// field takes any length (QLineEdit's own default).
inline constexpr int kSinLimite = 32767;

struct Campo {
    QString texto;
    int longitud_maxima = kSinLimite;
};

struct Formulario {
    Campo pas, ce, di, cage, cna, cpas, cven, civa, cgru, cTasa, ruta;
    bool Check1 = false;   // ca3Cre
    bool Check2 = false;   // ca3iva
    bool Check3 = false;   // ca3nif
    bool Check4 = false;   // Ca3DesglosarPasantes
    bool Check5 = false;   // Ca3CrearCuentas
    bool Check6 = false;   // Ca3UnicaCtaPasantes
    bool Check7 = false;   // Zumeral
    bool Image2_visible = false;
    // The number of digits the account fields were last made for (the row's
    // when shown, then each accepted change of `di`); 0 when nothing is shown.
    int digitos_cuentas = 0;
    // Where a refused save sends the focus (empty: it stays).
    QString foco;

    // The field of that control name (nullptr for a name that is not a field).
    Campo* campo(const QString& nombre);
    // The number of digits typed in `di` (Visual Basic's Val; 0 when empty).
    int digitos() const;
};

// Names of the text fields, in the order of the window.
const QStringList& nombres_campos();
// The six account fields plus cTasa, whose maximum length follows the digits.
bool es_campo_cuenta(const QString& nombre);

// Every text field emptied, boxes unticked, save picture hidden.
void limpiar(Formulario& f);

// Tab or Enter in `pas`. Returns the control that takes the focus: "ce"
// when the password opens the window, "pas" otherwise. Throws ado::Error
// when the link database fails.
QString comprobar_password(A3ADO& a, Formulario& f);

// Shows the row 'KOVE3' (leaves rs_ca3 open, as the window expects).
void visualizar_datos(A3ADO& a, Formulario& f);

// Adds the settings row with the values a new installation starts with.
void crear_registro(A3ADO& a);

// Tab or Enter in a text field: checks it and tells the control that takes
// the focus (the field itself when the check fails).
QString validar(A3ADO& a, Formulario& f, const QString& nombre);

// A field receives the focus: the account fields take the maximum length
// that fits the digits (civa is cut to it when VAT goes by rate). Nothing
// happens to an empty field.
void al_recibir_foco(Formulario& f, const QString& nombre);

// `di` loses the focus: false (after the message) when it must keep it.
bool di_puede_perder_foco(A3ADO& a, const Formulario& f);

// Clicks on the walk-in options (the box already holds its new state).
void pulsar_Check4(Formulario& f);
void pulsar_Check6(Formulario& f);

// Click on the save picture. Returns false (after the message) when a
// required field is empty, or a number field holds something else (the
// digits also outside 8 to 12; `foco` then names the field), or when another
// run holds the installation (`foco` empty): nothing is written and nothing
// is cleared.
// Throws ado::Error when the link database fails.
bool guardar(A3ADO& a, Formulario& f);

// The account fields refitted to a new number of digits, zeros in and out
// only (see configuracion.cpp). Returns the first field that cannot be
// shortened without losing a digit other than zero; nothing changes then.
QString ajustar_cuentas(Formulario& f, int digitos_nuevos, int digitos_viejos);

} // namespace configuracion
