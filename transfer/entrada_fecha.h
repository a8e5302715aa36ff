#pragma once

// The date entry of the transfer window's fields, without the widgets: the
// user types eight digits ddmmyyyy and confirms with Tab or Enter; the field
// then shows dd-mm-yyyy and the range keeps yyyymmdd.

#include "platform/interaction.h"

#include <QString>

inline constexpr const char* kFechaIncorrecta = "Formato de Fecha incorrecto.";
inline constexpr const char* kTituloErrorDatos = "Error Datos";

enum class EstadoFecha {
    Descartada,   // not eight digits: the field is emptied, nothing said
    Incorrecta,   // eight digits naming no date: the field is emptied after the message
    Aceptada,     // the field shows `texto`, the range takes `fecha`
};

struct EntradaFecha {
    EstadoFecha estado = EstadoFecha::Descartada;
    QString texto;   // what the field shows afterwards ("" unless accepted)
    QString fecha;   // yyyymmdd, only when accepted
};

// Whether a key code is one of the two keys that confirm a date (Tab, Enter);
// those keys are swallowed, every other key is typed normally.
bool confirma_fecha(int tecla);

// The date typed as eight digits ddmmyyyy, or as shown (dd-mm-yyyy,
// d-m-yyyy), or why it is not one.
EntradaFecha leer_fecha_tecleada(const QString& tecleado);

// The entry of Tab or Enter in a field: eight digits only (any other text is
// Descartada, without a message), and for eight digits that name no date the
// message "Formato de Fecha incorrecto." / "Error Datos" through `ui`.
EntradaFecha entrar_fecha(const QString& tecleado, platform::Interaction& ui);

// A field's text when a button acts on it: it must be a date in one of the
// forms of leer_fecha_tecleada. A date that is none is answered as entrar_fecha
// does; any other text is Incorrecta too and the user is told which text and
// what is expected.
EntradaFecha fecha_de_campo(const QString& texto, platform::Interaction& ui);
