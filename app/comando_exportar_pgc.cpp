#include "app/comando_exportar_pgc.h"

#include "app/arranque.h"
#include "data/a3ado.h"
#include "export/exportacion_pgc.h"
#include "platform/drive_map.h"
#include "platform/interaction.h"

#include <QFileInfo>

namespace {

const char* const kUso = "Uso: enlace3 exportar-pgc EMPRESA [--sobrescribir | --anadir]";

// The batch line's side of the conversation: the count, the question with
// its answer and the closing words of a run that went well are results;
// everything else (a company that does not exist, a failure, the accounts
// left out) goes to the error stream.
class InteraccionExportacion : public platform::ScriptedInteraction {
public:
    InteraccionExportacion(QTextStream& out, QTextStream& err) : out_(out), err_(err) {}

    void message(const QString& text, const QString& title, platform::Icon icon) override
    {
        ScriptedInteraction::message(text, title, icon);
        escribir(es_resultado(text, icon) ? out_ : err_, text);
    }
    bool ask(const QString& text, const QString& title, platform::Icon icon) override
    {
        const bool respuesta = ScriptedInteraction::ask(text, title, icon);
        escribir(out_, text + (respuesta ? QStringLiteral(" -> Sí") : QStringLiteral(" -> No")));
        return respuesta;
    }

    QString wruta;   // for recognising the closing words

private:
    bool es_resultado(const QString& text, platform::Icon icon) const
    {
        if (icon != platform::Icon::None)
            return false;
        return text.startsWith(QLatin1String("Cuentas a Traspasar : ")) || text == mensaje_exito_exportacion(wruta);
    }
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
    QString empresa;   // formatted ("007")
    Respuesta respuesta = Respuesta::Ninguna;
};

int fallo_uso(QTextStream& err, const QString& texto)
{
    err << texto << '\n';
    err.flush();
    return 2;
}

// Reads EMPRESA and at most one of the two answers. Returns the exit status
// of a usage error, or 0 with `args` filled.
int leer_argumentos(const QStringList& lista, Argumentos& args, QTextStream& err)
{
    const QString uso = QString::fromUtf8(kUso);
    const QString juntas = QStringLiteral("--sobrescribir y --anadir no pueden ir juntas.\n") + uso;
    QStringList empresas;
    for (const QString& arg : lista) {
        if (arg == QLatin1String("--sobrescribir")) {
            if (args.respuesta == Respuesta::Anadir)
                return fallo_uso(err, juntas);
            args.respuesta = Respuesta::Sobrescribir;
        } else if (arg == QLatin1String("--anadir") || arg == QStringLiteral("--añadir")) {
            if (args.respuesta == Respuesta::Sobrescribir)
                return fallo_uso(err, juntas);
            args.respuesta = Respuesta::Anadir;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return fallo_uso(err, QStringLiteral("Opción desconocida: ") + arg + QStringLiteral("\n") + uso);
        } else {
            empresas << arg;
        }
    }
    if (empresas.size() != 1)
        return fallo_uso(err, uso);
    const std::optional<QString> empresa = formatear_empresa(empresas.first());
    if (!empresa)
        return fallo_uso(err, QStringLiteral("El código de empresa debe ser un número: «") + empresas.first()
                                  + QStringLiteral("».\n") + uso);
    args.empresa = *empresa;
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

void escribir_resumen(QTextStream& out, const ResultadoExportacion& r)
{
    out << "Empresa: " << r.empresa << '\n'
        << "Cuentas almacenadas: " << r.almacenadas << '\n'
        << "Cuentas exportadas: " << r.exportadas << '\n'
        << "Fichero: " << r.ruta << '\n';
    out.flush();
}

} // namespace

int comando_exportar_pgc(const QStringList& lista, QTextStream& out, QTextStream& err)
{
    Argumentos args;
    if (const int estado = leer_argumentos(lista, args, err))
        return estado;

    InteraccionExportacion ui(out, err);
    ui.defaultAnswer = args.respuesta == Respuesta::Sobrescribir;
    A3ADO a(platform::DriveMap::fromEnvironment(), ui);
    if (!arrancar_enlace(a))
        return 1;
    ui.wruta = a.wruta;

    // The window would ask; a shell must say beforehand, and nothing is
    // stored until it has.
    const QString ruta = a.wruta + QStringLiteral("\\Suenlace.dat");
    if (args.respuesta == Respuesta::Ninguna && QFileInfo::exists(a.unidades.toLocal(ruta))) {
        err << "El fichero " << ruta
            << " ya existe. Indique --sobrescribir para borrar la información anterior o --anadir para "
               "añadir los nuevos registros a continuación.\n";
        err.flush();
        return 2;
    }

    ExportacionPgc exportacion(a);
    const ResultadoExportacion r = exportar_pgc(exportacion, args.empresa);
    if (r.fichero_ok)
        escribir_resumen(out, r);
    return r.completo() ? 0 : 1;
}
