#include "app/linea_comandos.h"

#include "app/comando_exportar_pgc.h"
#include "app/comando_traspasar.h"
#include "app/comando_verificar.h"
#include "data/migracion.h"
#include "demo/instalacion.h"
#include "transfer/diario.h"

#include <utility>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace linea_comandos {

namespace {

// Builds the demo installation under `raiz` (an empty folder).
bool construir_demo(const QString& raiz, QString* error)
{
    try {
        demo::construir_demo(raiz);
        return true;
    } catch (const std::exception& e) {
        *error = QString::fromUtf8(e.what());
        return false;
    }
}

QString si_no(bool valor)
{
    return valor ? QStringLiteral("true") : QStringLiteral("false");
}

int no_disponible(const Comando& c, QTextStream& err)
{
    err << QStringLiteral("La orden «%1» todavía no está disponible en esta versión de enlace3.").arg(c.nombre)
        << Qt::endl;
    return kFallo;
}

int comando_ayuda(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << QStringLiteral("La orden --help no admite argumentos.") << Qt::endl;
        return kErrorUso;
    }
    out << ayuda();
    out.flush();
    return kCorrecto;
}

int comando_version(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << QStringLiteral("La orden --version no admite argumentos.") << Qt::endl;
        return kErrorUso;
    }
    out << version() << Qt::endl;
    return kCorrecto;
}

} // namespace

const std::vector<Comando>& comandos()
{
    static const std::vector<Comando> tabla = {
        {QStringLiteral("--help"), QString(), QStringLiteral("muestra esta ayuda."), comando_ayuda},
        {QStringLiteral("--version"), QString(), QStringLiteral("muestra la versión de enlace3."), comando_version},
        {QStringLiteral("demo"), QStringLiteral("DIR"),
         QStringLiteral("crea en la carpeta DIR, nueva o vacía, una instalación de demostración completa "
                        "(unidades C, F y G con los datos de un mes de un hotel)."),
         comando_demo},
        {QStringLiteral("estado"), QString(),
         QStringLiteral("arranca como la ventana principal (unidad, modo de datos, conexiones, tabla edep3, "
                        "actualización de la base del enlace) y muestra la barra de estado y la configuración "
                        "cargada."),
         comando_estado},
        {QStringLiteral("migrar"), QString(),
         QStringLiteral("convierte una vez la base del enlace enlace3.MDB de una instalación de Windows (fichero "
                        "Access) al formato SQLite con el que trabaja enlace3; el original queda al lado como "
                        "enlace3-access.MDB (o enlace3-access-2.MDB, -3... si ya hay una copia anterior, que nunca "
                        "se sustituye)."),
         comando_migrar},
        {QStringLiteral("traspasar"), QStringLiteral("DESDE HASTA [--sobrescribir | --anadir]"),
         QStringLiteral("traspasa las facturas, depósitos, cobros de caja y créditos de las fechas DESDE a HASTA "
                        "(ddmmaaaa) y genera SUENLACE.DAT, como la ventana de traspaso. En lugar de fechas valen las "
                        "palabras hoy, ayer y mes-anterior; una sola vale por las dos (mes-anterior: del primer al "
                        "último día del mes anterior)."),
         comando_traspasar},
        {QStringLiteral("limpiar"), QStringLiteral("DESDE HASTA"),
         QStringLiteral("limpia los datos temporales de las fechas DESDE a HASTA (como en traspasar) para poder "
                        "traspasarlas de nuevo."),
         comando_limpiar},
        {QStringLiteral("historial"), QString(),
         QStringLiteral("lista las generaciones de SUENLACE.DAT (traspasos y exportaciones): fecha, fechas "
                        "traspasadas, fichero, registros por apartado, importes de control y estado."),
         comando_historial},
        {QStringLiteral("verificar"), QStringLiteral("FICHERO"),
         QStringLiteral("comprueba un SUENLACE.DAT antes de importarlo en A3Con y muestra su resumen y sus errores."),
         comando_verificar},
        {QStringLiteral("exportar-pgc"), QStringLiteral("EMPRESA [--sobrescribir | --anadir]"),
         QStringLiteral("exporta a SUENLACE.DAT el plan de cuentas de una empresa de Zumeral."), comando_exportar_pgc},
    };
    return tabla;
}

const Comando* buscar(const QString& nombre)
{
    for (const Comando& c : comandos())
        if (c.nombre == nombre) return &c;
    if (nombre == QLatin1String("-h") || nombre == QLatin1String("ayuda")) return buscar(QStringLiteral("--help"));
    if (nombre == QLatin1String("-V")) return buscar(QStringLiteral("--version"));
    return nullptr;
}

QString version()
{
    return QStringLiteral("enlace3 " ENLACE3_VERSION);
}

QString ayuda()
{
    QString t;
    QTextStream s(&t);
    s << "Uso: enlace3 [ORDEN [ARGUMENTOS]]\n\n"
      << "Sin argumentos abre la ventana principal «Enlace de Noctaris a A3 Software.».\n\n"
      << "Órdenes:\n";
    for (const Comando& c : comandos()) {
        const QString uso = c.argumentos.isEmpty() ? c.nombre : c.nombre + QLatin1Char(' ') + c.argumentos;
        s << "  " << uso << "\n      " << c.descripcion << "\n";
    }
    s << "\nLos datos se buscan en las unidades de Windows bajo la carpeta raíz ENLACE3_DOSDEVICES\n"
      << "(si no está definida, $WINEPREFIX/dosdevices o ~/.wine/dosdevices): la unidad F es <raíz>/f:.\n"
      << "Estado de salida: 0 correcto, 1 error de los datos o del proceso, 2 orden mal usada.\n";
    return t;
}

int ejecutar(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty()) {
        err << QStringLiteral("Falta la orden. Use «enlace3 --help» para ver las órdenes.") << Qt::endl;
        return kErrorUso;
    }
    const Comando* c = buscar(args.first());
    if (!c) {
        err << QStringLiteral("Orden desconocida: «%1». Use «enlace3 --help» para ver las órdenes.").arg(args.first())
            << Qt::endl;
        return kErrorUso;
    }
    if (!c->funcion) return no_disponible(*c, err);
    return ejecutar(c->funcion, args.mid(1), out, err);
}

int ejecutar(const Funcion& funcion, const QStringList& args, QTextStream& out, QTextStream& err)
{
    out.flush();
    int r = kFallo;
    try {
        r = funcion(args, out, err);
    } catch (const ado::Error& e) {
        out.flush();
        err << QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()) << Qt::endl;
        r = kFallo;
    } catch (const std::exception& e) {
        out.flush();
        err << QStringLiteral("Error inesperado: %1").arg(QString::fromLocal8Bit(e.what())) << Qt::endl;
        r = kFallo;
    }
    out.flush();
    err.flush();
    return r;
}

Sesion::Sesion(QTextStream& out, QTextStream& err, Respuesta r)
    : ui(out, err), a(platform::DriveMap::fromEnvironment(), ui), respuesta(r)
{
    ui.defaultAnswer = respuesta == Respuesta::Sobrescribir;
}

bool Sesion::arrancar()
{
    // What the start-up has to say (a failure, incomplete settings, a run
    // found unfinished) is never the order's result: it goes to stderr.
    auto resultado = std::exchange(ui.es_resultado, [](const QString&, platform::Icon) { return false; });
    bool sigue = arranque::arrancar(a);
    if (sigue) {
        activacion = arranque::activar(a);
        sigue = activacion.continuar;
    }
    ui.es_resultado = std::move(resultado);
    return sigue;
}

int fallo_uso(QTextStream& err, const QString& texto)
{
    err << texto << '\n';
    err.flush();
    return kErrorUso;
}

int leer_opciones(const QStringList& lista, bool con_respuesta, const QString& uso, Respuesta& respuesta,
                  QStringList& posicionales, QTextStream& err)
{
    const QString juntas = QStringLiteral("--sobrescribir y --anadir no pueden ir juntas.\n") + uso;
    for (const QString& arg : lista) {
        if (con_respuesta && arg == QLatin1String("--sobrescribir")) {
            if (respuesta == Respuesta::Anadir)
                return fallo_uso(err, juntas);
            respuesta = Respuesta::Sobrescribir;
        } else if (con_respuesta && (arg == QLatin1String("--anadir") || arg == QStringLiteral("--añadir"))) {
            if (respuesta == Respuesta::Sobrescribir)
                return fallo_uso(err, juntas);
            respuesta = Respuesta::Anadir;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return fallo_uso(err, QStringLiteral("Opción desconocida: ") + arg + QStringLiteral("\n") + uso);
        } else {
            posicionales << arg;
        }
    }
    return 0;
}

QString Sesion::ruta_suenlace() const
{
    return platform::DriveMap::forDisplay(a.wruta + QStringLiteral("\\Suenlace.dat"));
}

bool Sesion::puede_escribir(QTextStream& err) const
{
    const QString ruta = ruta_suenlace();
    if (respuesta != Respuesta::Ninguna || !QFileInfo::exists(a.unidades.toLocal(ruta)))
        return true;
    err << "El fichero " << ruta
        << " ya existe. Indique --sobrescribir para borrar la información anterior o --anadir para "
           "añadir los nuevos registros a continuación.\n";
    err.flush();
    return false;
}

QList<QPair<QString, QString>> ajustes(const A3ADO& a)
{
    return {
        {QStringLiteral("wempresa"), a.wempresa},
        {QStringLiteral("wruta"), a.wruta},
        {QStringLiteral("wdigitos"), QString::number(a.wdigitos)},
        {QStringLiteral("wcta_clientes"), a.wcta_clientes},
        {QStringLiteral("wcta_agencias"), a.wcta_agencias},
        {QStringLiteral("wcta_empresas"), a.wcta_empresas},
        {QStringLiteral("wcta_depositos"), a.wcta_depositos},
        {QStringLiteral("wcta_iva"), a.wcta_iva},
        {QStringLiteral("wcta_cuadre"), a.wcta_cuadre},
        {QStringLiteral("wdesglosar_ventas"), si_no(a.wdesglosar_ventas)},
        {QStringLiteral("wtraspasar_creditos"), si_no(a.wtraspasar_creditos)},
        {QStringLiteral("wiva_por_tipo"), si_no(a.wiva_por_tipo)},
        {QStringLiteral("wcuenta_por_pasante"), si_no(a.wcuenta_por_pasante)},
        {QStringLiteral("wcrear_cuentas"), si_no(a.wcrear_cuentas)},
        {QStringLiteral("wcuenta_unica_pasantes"), si_no(a.wcuenta_unica_pasantes)},
        {QStringLiteral("wcta_tasa"), a.wcta_tasa},
        {QStringLiteral("wexportar_pgc"), si_no(a.wexportar_pgc)},
    };
}

// What each database file of the installation is: SQLite, or a genuine
// Access file of a Windows installation (read here through a private copy).
QStringList formas_ficheros(const A3ADO& a)
{
    const auto forma = [&a](const QString& archivo) {
        const QString ruta = a.wunidad + QStringLiteral(":\\noctaris\\") + archivo;
        const QString local = a.unidades.toLocal(ruta);
        if (!QFileInfo(local).isFile())
            return QStringLiteral("no se encuentra (%1)").arg(ruta);
        return jet::nombre(jet::formato(local));
    };
    QStringList r;
    if (a.wsql) {
        r << QStringLiteral("Datos del hotel: SQL Server %1 (%2)").arg(a.wservidor, a.wcatalogo);
    } else {
        r << QStringLiteral("Ficheros del hotel:");
        for (const QString& archivo : A3ADO::archivos_hotel()) {
            const QString f = forma(archivo);
            const bool access = f.startsWith(QLatin1String("Access"));
            r << QStringLiteral("  %1: %2%3").arg(archivo, f,
                                                   access ? QStringLiteral(", solo lectura (se lee en una copia privada)")
                                                          : QString());
        }
    }
    const QString enlace = forma(QStringLiteral("enlace3.MDB"));
    r << QStringLiteral("Base del enlace enlace3.MDB: %1%2")
             .arg(enlace, enlace.startsWith(QLatin1String("Access"))
                              ? QStringLiteral(", sin convertir: conviértala con \"enlace3 migrar\"")
                              : QString());
    return r;
}

int comando_estado(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << QStringLiteral("La orden estado no admite argumentos.") << Qt::endl;
        return kErrorUso;
    }
    Sesion s(out, err);
    if (!s.arrancar()) {
        // Which form the files have is what a failed start most often needs.
        if (!s.a.wunidad.isEmpty())
            for (const QString& linea : formas_ficheros(s.a)) err << linea << '\n';
        err.flush();
        return kFallo;
    }
    out << s.activacion.barra.version << '\n' << s.activacion.barra.conexion << '\n';
    for (const auto& [nombre, valor] : ajustes(s.a)) out << nombre << " = " << valor << '\n';
    for (const QString& linea : formas_ficheros(s.a)) out << linea << '\n';
    out.flush();
    return s.activacion.configuracion_ok ? kCorrecto : kFallo;
}

int comando_migrar(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << QStringLiteral("La orden migrar no admite argumentos.") << Qt::endl;
        return kErrorUso;
    }
    Sesion s(out, err);
    try {
        s.a.wunidad = s.a.leer_unidad_hotel();
    } catch (const ado::Error& e) {
        err << QStringLiteral("No se puede leer la unidad de los datos en %1: %2").arg(e.source(), e.description())
            << Qt::endl;
        return kFallo;
    }
    const Migracion m = migrar_enlace(s.a.unidades, s.a.wunidad + QStringLiteral(":\\noctaris\\enlace3.MDB"));
    (m.resultado == Migracion::Resultado::Fallo ? err : out) << m.mensaje << Qt::endl;
    return m.resultado == Migracion::Resultado::Fallo ? kFallo : kCorrecto;
}

int comando_historial(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!args.isEmpty()) {
        err << QStringLiteral("La orden historial no admite argumentos.") << Qt::endl;
        return kErrorUso;
    }
    Sesion s(out, err);
    if (!s.arrancar()) return kFallo;
    const std::vector<diario::Generacion> generaciones = diario::leer(s.a.cn_enlace);
    if (generaciones.empty())
        out << QStringLiteral("No hay ninguna generación de Suenlace.dat registrada.") << '\n';
    for (size_t i = 0; i < generaciones.size(); ++i) {
        if (i > 0) out << '\n';
        for (const QString& linea : diario::texto_generacion(generaciones[i], s.a.unidades)) out << linea << '\n';
    }
    out.flush();
    return kCorrecto;
}

int comando_demo(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        err << QStringLiteral("Uso: enlace3 demo DIR") << Qt::endl;
        return kErrorUso;
    }
    const QString dir = QFileInfo(args.first()).absoluteFilePath();
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) {
        err << QStringLiteral("«%1» existe y no es una carpeta.").arg(dir) << Qt::endl;
        return kErrorUso;
    }
    if (info.exists() && !QDir(dir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        err << QStringLiteral("La carpeta «%1» no está vacía: la instalación de demostración se crea en una "
                              "carpeta nueva o vacía.")
                   .arg(dir)
            << Qt::endl;
        return kErrorUso;
    }
    if (!QDir().mkpath(dir)) {
        err << QStringLiteral("No se puede crear la carpeta «%1».").arg(dir) << Qt::endl;
        return kFallo;
    }
    QString error;
    if (!construir_demo(dir, &error)) {
        err << QStringLiteral("No se ha podido crear la instalación de demostración en «%1»: %2").arg(dir, error)
            << Qt::endl;
        return kFallo;
    }
    out << QStringLiteral("Instalación de demostración creada en %1").arg(dir) << '\n'
        << QStringLiteral("Para usarla: ENLACE3_DOSDEVICES=%1 enlace3").arg(dir) << '\n';
    out.flush();
    return kCorrecto;
}

bool hay_pantalla()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    return !env.value(QStringLiteral("DISPLAY")).isEmpty() || !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
           || !env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty();
}

int sin_pantalla(QTextStream& out, QTextStream& err)
{
    out << QStringLiteral("No hay pantalla disponible: la ventana de enlace3 no se puede abrir aquí.") << '\n'
        << QStringLiteral("Arranque enlace3 en una sesión gráfica (con DISPLAY o WAYLAND_DISPLAY), o con "
                          "QT_QPA_PLATFORM=offscreen para una ventana sin pantalla.")
        << '\n'
        << QStringLiteral("Barra de estado de la ventana:") << '\n';
    out.flush();
    Sesion s(out, err);
    if (!s.arrancar()) {
        err.flush();
        return kFallo;
    }
    out << s.activacion.barra.version << '\n' << s.activacion.barra.conexion << '\n';
    out.flush();
    return kCorrecto;
}

} // namespace linea_comandos
