#include "app/comando_exportar_pgc.h"

#include "app/linea_comandos.h"
#include "data/a3ado.h"
#include "export/exportacion_pgc.h"

namespace {

const char* const kUso = "Uso: enlace3 exportar-pgc EMPRESA [--sobrescribir | --anadir]";

using linea_comandos::fallo_uso;
using linea_comandos::Respuesta;

struct Argumentos {
    QString empresa;   // formatted ("007")
    Respuesta respuesta = Respuesta::Ninguna;
};

// Reads EMPRESA and at most one of the two answers. Returns the exit status
// of a usage error, or 0 with `args` filled.
int leer_argumentos(const QStringList& lista, Argumentos& args, QTextStream& err)
{
    const QString uso = QString::fromUtf8(kUso);
    QStringList empresas;
    if (const int estado = linea_comandos::leer_opciones(lista, true, uso, args.respuesta, empresas, err))
        return estado;
    if (empresas.size() != 1)
        return fallo_uso(err, uso);
    const std::optional<QString> empresa = formatear_empresa(empresas.first());
    if (!empresa)
        return fallo_uso(err, QStringLiteral("El código de empresa debe ser un número: «") + empresas.first()
                                  + QStringLiteral("».\n") + uso);
    args.empresa = *empresa;
    return 0;
}

void escribir_resumen(QTextStream& out, const ResultadoExportacion& r)
{
    out << "Empresa: " << r.empresa << '\n'
        << "Cuentas almacenadas: " << r.almacenadas << '\n'
        << "Cuentas exportadas: " << r.exportadas << '\n'
        << "Fichero: " << r.ruta << '\n';
    if (!r.copia.isEmpty())
        out << "Copia del fichero anterior: " << r.copia << '\n';
    out.flush();
}

} // namespace

int comando_exportar_pgc(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, args, err))
        return estado;

    linea_comandos::Sesion s(out, err, args.respuesta);
    // The count, the question with its answer and the closing words of a run
    // that went well are results; everything else (what the start-up says, a
    // company that does not exist, a failure, the accounts left out) goes to
    // the error stream.
    s.ui.es_resultado = [&a = s.a](const QString& text, platform::Icon icon) {
        return icon == platform::Icon::None
               && (text.startsWith(QLatin1String("Cuentas a Traspasar : ")) || text == mensaje_exito_exportacion(a.wruta));
    };
    if (!s.arrancar() || !s.activacion.configuracion_ok || !s.a.exigir_configuracion())
        return 1;
    // Nothing is stored until the shell has answered for an existing file.
    if (!s.puede_escribir(err))
        return 2;

    ExportacionPgc exportacion(s.a);
    const ResultadoExportacion r = exportar_pgc(exportacion, args.empresa);
    if (r.fichero_ok)
        escribir_resumen(out, r);
    return r.completo() ? 0 : 1;
}
