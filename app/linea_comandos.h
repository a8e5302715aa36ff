#pragma once

// The batch line: `enlace3 ORDEN [ARGUMENTOS]`. Every order is one line of
// the table in linea_comandos.cpp (name, arguments, description, function);
// to add one, write
//     int comando_X(const QStringList& args, QTextStream& out, QTextStream& err);
// where `args` are the arguments after the order's name, results go to `out`,
// errors to `err`, and the result is the exit status (0 done, 1 the data or
// the run failed, 2 the order was used wrongly), then add its line.

#include "app/arranque.h"
#include "data/a3ado.h"
#include "platform/interaction.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <vector>

namespace linea_comandos {

using Funcion = std::function<int(const QStringList& args, QTextStream& out, QTextStream& err)>;

struct Comando {
    QString nombre;
    QString argumentos;      // as shown in the help, e.g. "DESDE HASTA"
    QString descripcion;     // one Spanish sentence
    Funcion funcion;         // empty: announced, not available yet
};

inline constexpr int kCorrecto = 0;
inline constexpr int kFallo = 1;
inline constexpr int kErrorUso = 2;

const std::vector<Comando>& comandos();
const Comando* buscar(const QString& nombre);

QString ayuda();
QString version();

// Runs the order `args[0]` with the rest of `args`. An unknown order or
// option is a usage error (status 2) with the help's hint on `err`.
int ejecutar(const QStringList& args, QTextStream& out, QTextStream& err);
// Runs one order's function on its arguments: what it throws is printed on
// `err` and ends it with status 1.
int ejecutar(const Funcion& funcion, const QStringList& args, QTextStream& out, QTextStream& err);

// The answer given on the line beforehand to the question the window asks
// when SUENLACE.DAT already exists.
enum class Respuesta { Ninguna, Sobrescribir, Anadir };

// What a batch order needs before it can touch the data: the same start-up
// and the same settings load as the main window, with the conversation on
// the console (an order decides which messages are its results by setting
// ui.es_resultado before arrancar).
struct Sesion {
    Sesion(QTextStream& out, QTextStream& err, Respuesta respuesta = Respuesta::Ninguna);
    platform::ConsoleInteraction ui;
    A3ADO a;
    Respuesta respuesta;
    arranque::Activacion activacion;
    // false: the start-up failed and the reason was printed; the order ends
    // with status 1. Whether the settings loaded is activacion.configuracion_ok.
    bool arrancar();
    QString ruta_suenlace() const;
    // The window would ask about an existing file; a shell must say
    // beforehand. false (with the reason on `err`, status 2) when the file
    // exists and no answer was given: nothing may be touched yet.
    bool puede_escribir(QTextStream& err) const;
};

// Prints a usage error and gives its exit status.
int fallo_uso(QTextStream& err, const QString& texto);

// Splits the arguments of an order into its positional ones and, when
// `con_respuesta`, one of --sobrescribir and --anadir. Returns the exit
// status of a usage error (printed with `uso`), or 0.
int leer_opciones(const QStringList& lista, bool con_respuesta, const QString& uso, Respuesta& respuesta,
                  QStringList& posicionales, QTextStream& err);

// Every setting of the settings row as `name` and printed value, in the
// order of the row (booleans as true/false).
QList<QPair<QString, QString>> ajustes(const A3ADO& a);

int comando_estado(const QStringList& args, QTextStream& out, QTextStream& err);
int comando_historial(const QStringList& args, QTextStream& out, QTextStream& err);
int comando_migrar(const QStringList& args, QTextStream& out, QTextStream& err);
int comando_demo(const QStringList& args, QTextStream& out, QTextStream& err);

// Where no display can be reached the window cannot open: say how to start
// it and print the status-bar texts instead.
int sin_pantalla(QTextStream& out, QTextStream& err);

// True when a window can be shown (a display, or a platform plug-in chosen).
bool hay_pantalla();

} // namespace linea_comandos
