#include "app/comando_traspasar.h"

#include "app/arranque.h"
#include "data/a3ado.h"
#include "platform/drive_map.h"
#include "platform/interaction.h"
#include "transfer/ejecucion.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

namespace {

const char* const kUsoTraspasar = "Uso: enlace3 traspasar DESDE HASTA [--sobrescribir | --anadir]";
const char* const kUsoLimpiar = "Uso: enlace3 limpiar DESDE HASTA";
const char* const kFechaIncorrecta = "Formato de Fecha incorrecto.";

// The batch line's side of the conversation: the two closing messages of a
// run that went well are results; everything else the engine says (stops,
// warnings such as "Error no existe contado", what was left out) goes to the
// error stream. Questions are answered from the command line.
class InteraccionLote : public platform::ScriptedInteraction {
public:
    InteraccionLote(QTextStream& out, QTextStream& err) : out_(out), err_(err) {}

    void message(const QString& text, const QString& title, platform::Icon icon) override
    {
        ScriptedInteraction::message(text, title, icon);
        const bool resultado = text == QLatin1String("Se ha generado Suenlace.dat correctamente")
                               || text == QLatin1String("Datos Temporales limpiados correctamente!");
        escribir(resultado ? out_ : err_, text);
    }
    bool ask(const QString& text, const QString& title, platform::Icon icon) override
    {
        const bool respuesta = ScriptedInteraction::ask(text, title, icon);
        escribir(out_, text + (respuesta ? QStringLiteral(" -> Sí") : QStringLiteral(" -> No")));
        return respuesta;
    }

private:
    static void escribir(QTextStream& flujo, const QString& texto)
    {
        flujo << texto;
        if (!texto.endsWith(QLatin1Char('\n')))
            flujo << '\n';
        flujo.flush();
    }
    QTextStream& out_;
    QTextStream& err_;
};

enum class Respuesta { Ninguna, Sobrescribir, Anadir };

struct Argumentos {
    QString desde;   // yyyymmdd
    QString hasta;
    Respuesta respuesta = Respuesta::Ninguna;
};

int fallo_uso(QTextStream& err, const QString& texto)
{
    err << texto << '\n';
    err.flush();
    return 2;
}

// Reads DESDE HASTA and, when `con_respuesta`, one of the two answers.
// Returns the exit status of a usage error, or 0 with `args` filled.
int leer_argumentos(const QStringList& lista, bool con_respuesta, Argumentos& args, QTextStream& err)
{
    const QString uso = QString::fromUtf8(con_respuesta ? kUsoTraspasar : kUsoLimpiar);
    QStringList fechas;
    for (const QString& arg : lista) {
        if (con_respuesta && arg == QLatin1String("--sobrescribir")) {
            if (args.respuesta == Respuesta::Anadir)
                return fallo_uso(err, QStringLiteral("--sobrescribir y --anadir no pueden ir juntas.\n") + uso);
            args.respuesta = Respuesta::Sobrescribir;
        } else if (con_respuesta && (arg == QLatin1String("--anadir") || arg == QStringLiteral("--añadir"))) {
            if (args.respuesta == Respuesta::Sobrescribir)
                return fallo_uso(err, QStringLiteral("--sobrescribir y --anadir no pueden ir juntas.\n") + uso);
            args.respuesta = Respuesta::Anadir;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return fallo_uso(err, QStringLiteral("Opción desconocida: ") + arg + QStringLiteral("\n") + uso);
        } else {
            fechas << arg;
        }
    }
    if (fechas.size() != 2)
        return fallo_uso(err, uso);
    const std::optional<QString> desde = fecha_de_lote(fechas.at(0));
    const std::optional<QString> hasta = fecha_de_lote(fechas.at(1));
    if (!desde || !hasta)
        return fallo_uso(err, QString::fromUtf8(kFechaIncorrecta));
    args.desde = *desde;
    args.hasta = *hasta;
    return 0;
}

// The window's start-up and the settings load of its first activation.
bool arrancar_enlace(A3ADO& a)
{
    if (!arranque::arrancar(a))
        return false;
    const arranque::Activacion activacion = arranque::activar(a);
    return activacion.continuar && activacion.configuracion_ok;
}

QString ruta_suenlace(const A3ADO& a)
{
    return a.wruta + QStringLiteral("\\Suenlace.dat");
}

void escribir_resumen(QTextStream& out, const ResultadoTraspaso& r)
{
    const ResultadoGeneracion& g = r.generacion;
    out << "Cuentas: " << g.cuentas << '\n'
        << "Facturas: " << g.facturas << '\n'
        << "Depósitos: " << g.depositos << '\n'
        << "Días de caja: " << g.dias_caja << '\n'
        << "Créditos: " << g.creditos << '\n'
        << "Fichero: " << g.ruta << '\n';
    out.flush();
}

} // namespace

std::optional<QString> fecha_de_lote(const QString& texto)
{
    static const QRegularExpression ocho(QStringLiteral("^[0-9]{8}$"));
    static const QRegularExpression con_guiones(QStringLiteral("^([0-9]{2})-([0-9]{2})-([0-9]{4})$"));
    QString digitos;
    const QRegularExpressionMatch guiones = con_guiones.match(texto);
    if (guiones.hasMatch())
        digitos = guiones.captured(1) + guiones.captured(2) + guiones.captured(3);
    else if (ocho.match(texto).hasMatch())
        digitos = texto;
    else
        return std::nullopt;
    const QDate fecha(digitos.mid(4, 4).toInt(), digitos.mid(2, 2).toInt(), digitos.left(2).toInt());
    if (!fecha.isValid())
        return std::nullopt;
    return digitos.mid(4, 4) + digitos.mid(2, 2) + digitos.left(2);
}

int comando_traspasar(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, true, args, err))
        return estado;

    InteraccionLote ui(out, err);
    ui.defaultAnswer = args.respuesta == Respuesta::Sobrescribir;
    A3ADO a(platform::DriveMap::fromEnvironment(), ui);
    if (!arrancar_enlace(a))
        return 1;

    // The window would ask; a shell must say beforehand, and nothing is
    // staged until it has.
    const QString ruta = ruta_suenlace(a);
    if (args.respuesta == Respuesta::Ninguna && QFileInfo::exists(a.unidades.toLocal(ruta))) {
        err << "El fichero " << ruta
            << " ya existe. Indique --sobrescribir para borrar la información anterior o --anadir para "
               "añadir los nuevos registros a continuación.\n";
        err.flush();
        return 2;
    }

    Traspaso t(a);
    t.wdesde = args.desde;
    t.whasta = args.hasta;
    ResultadoTraspaso resultado;
    try {
        resultado = iniciar(t);
    } catch (const ado::Error& e) {
        err << "El traspaso se ha interrumpido por un error de la base de datos (" << e.source() << ").\nError "
            << e.number() << ": " << e.description() << '\n';
        err.flush();
        return 1;
    } catch (const std::exception& e) {
        err << "El traspaso se ha interrumpido: " << QString::fromLocal8Bit(e.what()) << '\n';
        err.flush();
        return 1;
    }

    if (resultado.detenido) {
        err << "Traspaso detenido: no se ha generado " << ruta
            << ". Lo ya preparado queda pendiente para el próximo traspaso.\n";
        err.flush();
        return 1;
    }
    if (resultado.generacion.fichero_ok)
        escribir_resumen(out, resultado);
    return resultado.generacion.completo() ? 0 : 1;
}

int comando_limpiar(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, false, args, err))
        return estado;

    InteraccionLote ui(out, err);
    A3ADO a(platform::DriveMap::fromEnvironment(), ui);
    if (!arrancar_enlace(a))
        return 1;

    Traspaso t(a);
    t.wdesde = args.desde;
    t.whasta = args.hasta;
    try {
        limpiar_temporales(t);
    } catch (const ado::Error& e) {
        err << "La limpieza se ha interrumpido por un error de la base de datos (" << e.source() << ").\nError "
            << e.number() << ": " << e.description() << '\n';
        err.flush();
        return 1;
    }
    return 0;
}
