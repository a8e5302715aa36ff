#include "app/comando_traspasar.h"

#include "app/linea_comandos.h"
#include "data/a3ado.h"
#include "transfer/ejecucion.h"
#include "transfer/entrada_fecha.h"
#include "transfer/preparacion.h"

#include <QDate>

#include <exception>

namespace {

const char* const kUsoTraspasar = "Uso: enlace3 traspasar DESDE HASTA [--sobrescribir | --anadir]";
const char* const kUsoLimpiar = "Uso: enlace3 limpiar DESDE HASTA";
const QStringList kPalabras = {QStringLiteral("hoy"), QStringLiteral("ayer"), QStringLiteral("mes-anterior")};

using linea_comandos::fallo_uso;
using linea_comandos::Respuesta;

// The closing messages of a run that went well are results; everything
// else the engine says (stops, warnings such as "Error no existe contado",
// what was left out) goes to the error stream.
bool es_resultado(const QString& text, platform::Icon)
{
    return text == QLatin1String("Se ha generado Suenlace.dat correctamente")
           || text.startsWith(QLatin1String("Datos Temporales limpiados correctamente!"));
}

struct Argumentos {
    QString desde;   // yyyymmdd
    QString hasta;
    Respuesta respuesta = Respuesta::Ninguna;
};

// Reads DESDE HASTA and, when `con_respuesta`, one of the two answers.
// Returns the exit status of a usage error, or 0 with `args` filled.
int leer_argumentos(const QStringList& lista, bool con_respuesta, Argumentos& args, QTextStream& err)
{
    const QString uso = QString::fromUtf8(con_respuesta ? kUsoTraspasar : kUsoLimpiar);
    QStringList fechas;
    if (const int estado = linea_comandos::leer_opciones(lista, con_respuesta, uso, args.respuesta, fechas, err))
        return estado;
    const RangoLote rango = rango_de_lote(fechas, QDate::currentDate(), uso);
    if (!rango.error.isEmpty())
        return fallo_uso(err, rango.error);
    args.desde = rango.desde;
    args.hasta = rango.hasta;
    return 0;
}

// A statement of `que` failed: the order ends with status 1 and the reason.
int fallo_base_datos(QTextStream& err, const QString& que, const ado::Error& e)
{
    err << que << " se ha interrumpido por un error de la base de datos (" << e.source() << ").\nError " << e.number()
        << ": " << e.description() << '\n';
    err.flush();
    return 1;
}

void escribir_resumen(QTextStream& out, const ResultadoTraspaso& r)
{
    for (const QString& linea : resumen_generacion(r.generacion))
        out << linea << '\n';
    out.flush();
}

} // namespace

std::optional<QString> fecha_de_lote(const QString& texto, const QDate& hoy, Extremo extremo)
{
    const QString palabra = texto.toLower();
    std::optional<QDate> dia;
    if (palabra == QLatin1String("hoy"))
        dia = hoy;
    else if (palabra == QLatin1String("ayer"))
        dia = hoy.addDays(-1);
    else if (palabra == QLatin1String("mes-anterior")) {
        const QDate primero = QDate(hoy.year(), hoy.month(), 1).addMonths(-1);
        dia = extremo == Extremo::Desde ? primero : primero.addDays(primero.daysInMonth() - 1);
    }
    if (dia)
        return dia->isValid() ? std::optional<QString>(dia->toString(QStringLiteral("yyyyMMdd"))) : std::nullopt;

    // Typed dates follow the transfer window's rules, so a shell and the
    // window accept and refuse the same texts.
    const EntradaFecha tecleada = leer_fecha_tecleada(texto);
    if (tecleada.estado != EstadoFecha::Aceptada)
        return std::nullopt;
    return tecleada.fecha;
}

RangoLote rango_de_lote(const QStringList& fechas, const QDate& hoy, const QString& uso)
{
    RangoLote r;
    // Only a word stands for a whole range: a lone date lacks its HASTA.
    const bool palabra_sola = fechas.size() == 1 && kPalabras.contains(fechas.at(0).toLower());
    if (!palabra_sola && fechas.size() != 2) {
        r.error = uso;
        return r;
    }
    const std::optional<QString> desde = fecha_de_lote(fechas.constFirst(), hoy, Extremo::Desde);
    const std::optional<QString> hasta = fecha_de_lote(fechas.constLast(), hoy, Extremo::Hasta);
    if (!desde || !hasta) {
        r.error = QString::fromUtf8(kFechaIncorrecta);
        return r;
    }
    r.error = rango_al_reves(*desde, *hasta);
    if (r.error.isEmpty()) {
        r.desde = *desde;
        r.hasta = *hasta;
    }
    return r;
}

int comando_traspasar(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, true, args, err))
        return estado;

    linea_comandos::Sesion s(out, err, args.respuesta);
    s.ui.es_resultado = es_resultado;
    if (!s.arrancar() || !s.activacion.configuracion_ok || !s.a.exigir_configuracion())
        return 1;
    // Nothing is staged until the shell has answered for an existing file.
    if (!s.puede_escribir(err))
        return 2;
    const QString ruta = s.ruta_suenlace();

    Traspaso t(s.a);
    t.wdesde = args.desde;
    t.whasta = args.hasta;
    ResultadoTraspaso resultado;
    try {
        resultado = iniciar(t);
    } catch (const ado::Error& e) {
        return fallo_base_datos(err, QStringLiteral("El traspaso"), e);
    } catch (const std::exception& e) {
        err << "El traspaso se ha interrumpido: " << QString::fromLocal8Bit(e.what()) << '\n';
        err.flush();
        return 1;
    }

    if (resultado.ocupada)
        return 1;
    if (resultado.detenido) {
        err << "Traspaso detenido: no se ha generado " << ruta
            << ". Lo ya preparado queda pendiente para el próximo traspaso.\n";
        // What the staging had left out before the stop is still worth knowing.
        for (const QString& linea : informe_rechazados(resultado.rechazados))
            err << linea << '\n';
        err.flush();
        return 1;
    }
    if (resultado.generacion.fichero_ok)
        escribir_resumen(out, resultado);
    return resultado.completo() ? 0 : 1;
}

int comando_limpiar(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, false, args, err))
        return estado;

    linea_comandos::Sesion s(out, err, args.respuesta);
    s.ui.es_resultado = es_resultado;
    if (!s.arrancar() || !s.activacion.configuracion_ok)
        return 1;

    Traspaso t(s.a);
    t.wdesde = args.desde;
    t.whasta = args.hasta;
    try {
        const Limpieza l = limpiar_temporales(t);
        if (!l)
            return 1;
        // What the window's end dialog lists, table by table.
        for (const QString& linea : resumen_limpieza(l))
            out << linea << '\n';
        out.flush();
    } catch (const ado::Error& e) {
        return fallo_base_datos(err, QStringLiteral("La limpieza"), e);
    }
    return 0;
}
