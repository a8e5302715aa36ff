// Times whole transfers (staging and writing of SUENLACE.DAT) of a month, half
// a year and a year of a large generated installation, prints invoices per
// second, the split between staging and generation, and the time of a plain
// floor on the same data: one SQLite scan of emi, Hiscadia and caja writing
// as many 254-byte lines as the transfer wrote.
//
//   benchmark_traspaso [--facturas-dia N] [--lineas-factura N]
//                      [--cobros-dia N] [--dias N] [--dir CARPETA]
//   benchmark_traspaso --generar CARPETA [--dias N] [...]
//
// --generar only builds the installation under CARPETA (new or empty) and
// stops: scripts that need a large hotel (the crash proof) start from it.

#include "app/arranque.h"
#include "data/a3ado.h"
#include "data/tablas_hotel.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/ejecucion.h"
#include "transfer/records/verificador.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <exception>
#include <sys/resource.h>

namespace {

// The transfer works on the generator's year of a 150-room hotel, from the
// first of January, with the sales breakdown and account creation on.
constexpr int kAnyo = 2013;

QString fecha_dia(int n) { return QDate(kAnyo, 1, 1).addDays(n).toString(QStringLiteral("yyyyMMdd")); }

// Builds the installation under `raiz` (which must not hold one yet), with
// the date keys a large hotel's own tables have: a year of rows is read by
// date range.
demo::Totales generar(const QString& raiz, const demo::Tamano& t)
{
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.anyo = kAnyo;
    opciones.mes = 1;
    demo::Instalacion inst(raiz, opciones);
    inst.construir();
    inst.configurar({{tablas::ajustes::desglosar, true}, {tablas::ajustes::crear_cuentas, true}});
    const demo::Totales tot = demo::generar(inst, t);
    inst.ejecutar(QStringLiteral("emi"), QStringLiteral("CREATE INDEX emi_fecha ON emi (EmiFec)"));
    inst.ejecutar(QStringLiteral("caja"), QStringLiteral("CREATE INDEX caja_fecha ON caja (CajaFec, CajaOrd)"));
    inst.cerrar();
    return tot;
}

QTextStream& salida()
{
    static QTextStream out(stdout);
    return out;
}

// Answers Yes, shows nothing, and notes when the generation starts.
class InteraccionBanco : public platform::ScriptedInteraction {
public:
    explicit InteraccionBanco(const QElapsedTimer& reloj) : reloj_(reloj) {}
    void message(const QString& text, const QString& title, platform::Icon icon) override
    {
        ScriptedInteraction::message(text, title, icon);
    }
    void progress(const QString& phase, qint64 count) override
    {
        Q_UNUSED(count);
        if (phase == QLatin1String("Preparando cobros de caja") && cobros_ms < 0)
            cobros_ms = reloj_.nsecsElapsed() / 1e6;
        if (phase == QLatin1String("Generando Suenlace.dat") && generacion_ms < 0)
            generacion_ms = reloj_.nsecsElapsed() / 1e6;
    }
    double cobros_ms = -1;
    double generacion_ms = -1;

private:
    const QElapsedTimer& reloj_;
};

// CPU seconds of this process: on a machine shared with other work the wall
// clock says more about the neighbours than about the transfer.
double cpu_s()
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) + double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

bool copiar_arbol(const QString& origen, const QString& destino)
{
    QDir().mkpath(destino);
    QDirIterator it(origen, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString ruta = it.next();
        const QString relativa = QDir(origen).relativeFilePath(ruta);
        const QString nueva = destino + QLatin1Char('/') + relativa;
        if (it.fileInfo().isDir()) {
            QDir().mkpath(nueva);
        } else if (!QFile::copy(ruta, nueva)) {
            return false;
        }
    }
    return true;
}

struct Medida {
    QString nombre;
    int dias = 0;
    double total_ms = 0;
    double facturas_ms = 0;
    double cobros_ms = 0;
    double generacion_ms = 0;
    double suelo_ms = 0;
    double cpu_s = 0;
    int facturas = 0;
    int cobros = 0;
    qint64 lineas = 0;
    bool completo = false;
    bool fichero_correcto = false;
};

qint64 contar_lineas(const QString& fichero)
{
    QFile f(fichero);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.size() / 256;   // 254 characters and CR LF
}

// What the transfer cannot beat: read the range's hotel rows once and write
// as many lines as it wrote.
double suelo(const QString& raiz, const QString& desde, const QString& hasta, qint64 lineas)
{
    QElapsedTimer reloj;
    reloj.start();
    const QString carpeta = raiz + QStringLiteral("/f:/noctaris/");
    QFile fichero(carpeta + QStringLiteral("suelo.dat"));
    fichero.open(QIODevice::WriteOnly | QIODevice::Truncate);
    qint64 escritas = 0;
    auto escribir = [&](const QSqlQuery& q) {
        if (escritas >= lineas)
            return;
        QByteArray linea;
        linea.reserve(256);
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count() && linea.size() < 254; ++i)
            linea += q.value(i).toString().toLatin1();
        linea = linea.leftJustified(254, ' ', true);
        linea += "\r\n";
        fichero.write(linea);
        ++escritas;
    };
    const QPair<QString, QString> consultas[] = {
        {QStringLiteral("emi.MDB"), QStringLiteral("SELECT * FROM emi WHERE EmiFec BETWEEN ? AND ?")},
        {QStringLiteral("hiscadia.MDB"), QStringLiteral("SELECT * FROM Hiscadia")},
        {QStringLiteral("caja.MDB"), QStringLiteral("SELECT * FROM caja WHERE CajaFec BETWEEN ? AND ?")},
    };
    for (const auto& [archivo, sql] : consultas) {
        const QString nombre = QStringLiteral("suelo_") + archivo;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
            db.setDatabaseName(carpeta + archivo);
            db.open();
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(sql);
            if (sql.contains(QLatin1Char('?'))) {
                q.addBindValue(desde);
                q.addBindValue(hasta);
            }
            q.exec();
            while (q.next())
                escribir(q);
        }
        QSqlDatabase::removeDatabase(nombre);
    }
    const QByteArray relleno = QByteArray(254, ' ') + "\r\n";
    while (escritas < lineas) {
        fichero.write(relleno);
        ++escritas;
    }
    fichero.close();
    return reloj.nsecsElapsed() / 1e6;
}

Medida medir(const QString& plantilla, const QString& raiz, const QString& nombre, int dias)
{
    Medida m;
    m.nombre = nombre;
    m.dias = dias;
    if (!copiar_arbol(plantilla, raiz)) {
        salida() << "No se ha podido copiar la instalación a " << raiz << Qt::endl;
        return m;
    }
    const QString desde = fecha_dia(0);
    const QString hasta = fecha_dia(dias - 1);

    QElapsedTimer reloj;
    InteraccionBanco ui(reloj);
    {
        A3ADO a(platform::DriveMap(raiz), ui);
        if (!arranque::arrancar(a) || !arranque::activar(a).configuracion_ok) {
            salida() << "No se ha podido arrancar el enlace: " << ui.texts().join(QStringLiteral(" | ")) << Qt::endl;
            return m;
        }
        Traspaso t(a);
        t.wdesde = desde;
        t.whasta = hasta;
        const double cpu0 = cpu_s();
        reloj.start();
        const ResultadoTraspaso r = iniciar(t);
        m.total_ms = reloj.nsecsElapsed() / 1e6;
        m.cpu_s = cpu_s() - cpu0;
        m.facturas = r.facturas_preparadas;
        m.cobros = r.cobros_preparados;
        m.completo = !r.detenido && r.generacion.completo();
        if (!m.completo)
            salida() << "  El traspaso no terminó bien: " << ui.texts().join(QStringLiteral(" | ")) << Qt::endl;
    }
    m.cobros_ms = ui.cobros_ms;
    m.generacion_ms = ui.generacion_ms;
    m.facturas_ms = m.cobros_ms;
    const QString fichero = raiz + QStringLiteral("/f:/noctaris/Suenlace.dat");
    m.lineas = contar_lineas(fichero);
    const auto informe = verificador::verificar_fichero(fichero);
    m.fichero_correcto = informe && informe->correcto();
    m.suelo_ms = suelo(raiz, desde, hasta, m.lineas);
    return m;
}

// What an installation with genuine Access hotel files pays at every start:
// reading each hotel file into its private copy (forced here on the SQLite
// files, which hold the same rows).
double lectura_copias(const QString& raiz, qint64& filas_ms)
{
    qputenv("ENLACE3_INSTANTANEA", "1");
    platform::ScriptedInteraction ui;
    A3ADO a(platform::DriveMap(raiz), ui);
    QElapsedTimer reloj;
    reloj.start();
    const bool bien = arranque::arrancar(a);
    const double total = reloj.nsecsElapsed() / 1e6;
    qunsetenv("ENLACE3_INSTANTANEA");
    filas_ms = 0;
    for (const QString& archivo : A3ADO::archivos_hotel())
        filas_ms += a.conexion_hotel(archivo.section(QLatin1Char('.'), 0, 0)).snapshotMilliseconds();
    return bien ? total : -1;
}

void imprimir(const Medida& m)
{
    QTextStream& out = salida();
    const double s = m.total_ms / 1000.0;
    const double preparacion = m.generacion_ms;
    out << m.nombre << " (" << m.dias << " días): " << m.facturas << " facturas, " << m.cobros << " cobros, "
        << m.lineas << " líneas de Suenlace.dat en " << QString::number(s, 'f', 2) << " s ("
        << QString::number(m.facturas / s, 'f', 0) << " facturas/s); CPU " << QString::number(m.cpu_s, 'f', 2)
        << " s" << Qt::endl;
    out << "    preparación " << QString::number(preparacion / 1000.0, 'f', 2) << " s (facturas "
        << QString::number(m.facturas_ms / 1000.0, 'f', 2) << " s, cobros "
        << QString::number((m.generacion_ms - m.cobros_ms) / 1000.0, 'f', 2) << " s), generación "
        << QString::number((m.total_ms - m.generacion_ms) / 1000.0, 'f', 2) << " s" << Qt::endl;
    out << "    suelo " << QString::number(m.suelo_ms / 1000.0, 'f', 3) << " s, razón traspaso/suelo "
        << QString::number(m.total_ms / m.suelo_ms, 'f', 1) << "x; fichero "
        << (m.fichero_correcto ? "sin problemas" : "CON PROBLEMAS") << (m.completo ? "" : ", INCOMPLETO")
        << Qt::endl;
}

int leer_entero(const QStringList& args, const QString& opcion, int defecto)
{
    const int i = args.indexOf(opcion);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt() : defecto;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    demo::Tamano p = demo::Tamano::anyo_grande();
    p.facturas_dia_min = p.facturas_dia_max = leer_entero(args, QStringLiteral("--facturas-dia"), p.facturas_dia_max);
    p.lineas_factura = leer_entero(args, QStringLiteral("--lineas-factura"), p.lineas_factura);
    p.cobros_dia = leer_entero(args, QStringLiteral("--cobros-dia"), p.cobros_dia);
    p.dias = leer_entero(args, QStringLiteral("--dias"), p.dias);
    if (p.facturas_dia_min < 1 || p.lineas_factura < 0 || p.cobros_dia < 0 || p.dias < 2) {
        std::fprintf(stderr, "Uso: benchmark_traspaso [--facturas-dia N] [--lineas-factura N] [--cobros-dia N] "
                             "[--dias N] [--dir CARPETA]\n");
        return 2;
    }

    const int igenerar = args.indexOf(QStringLiteral("--generar"));
    if (igenerar >= 0) {
        const QString destino = igenerar + 1 < args.size() ? args.at(igenerar + 1) : QString();
        if (destino.isEmpty() || destino.startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "Uso: benchmark_traspaso --generar CARPETA [--facturas-dia N] [--lineas-factura N] "
                                 "[--cobros-dia N] [--dias N]\n");
            return 2;
        }
        if (QDir(destino).exists() && !QDir(destino).isEmpty()) {
            std::fprintf(stderr, "La carpeta %s no está vacía: la instalación se genera en una carpeta nueva o vacía.\n",
                         qPrintable(destino));
            return 2;
        }
        demo::Totales tot;
        try {
            tot = generar(destino, p);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "No se ha podido generar la instalación en %s: %s\n", qPrintable(destino), e.what());
            return 1;
        }
        salida() << tot.facturas << " facturas, " << tot.lineas << " líneas de venta, " << tot.cobros
                 << " cobros, " << tot.titulares << " titulares en " << destino << Qt::endl;
        return 0;
    }

    QTemporaryDir temporal;
    const int idir = args.indexOf(QStringLiteral("--dir"));
    const QString base = idir >= 0 && idir + 1 < args.size() ? args.at(idir + 1) : temporal.path();
    QDir(base).removeRecursively();
    QDir().mkpath(base);

    QTextStream& out = salida();
    out << "Instalación: " << p.facturas_dia_max << " facturas/día, " << p.lineas_factura << " líneas/factura, "
        << p.cobros_dia << " cobros/día, " << p.dias << " días" << Qt::endl;
    QElapsedTimer reloj;
    reloj.start();
    const QString plantilla = base + QStringLiteral("/plantilla");
    const demo::Totales tot = generar(plantilla, p);
    out << "    " << tot.facturas << " facturas, " << tot.lineas << " líneas de venta, " << tot.cobros
        << " cobros, " << tot.titulares << " titulares; generada en "
        << QString::number(reloj.nsecsElapsed() / 1e9, 'f', 1) << " s" << Qt::endl;

    const int mes = std::min(31, p.dias);
    const Medida m = medir(plantilla, base + QStringLiteral("/mes"), QStringLiteral("Un mes"), mes);
    imprimir(m);
    const Medida mitad =
        medir(plantilla, base + QStringLiteral("/mitad"), QStringLiteral("Medio periodo"), p.dias / 2);
    imprimir(mitad);
    const Medida todo = medir(plantilla, base + QStringLiteral("/todo"), QStringLiteral("Periodo entero"), p.dias);
    imprimir(todo);

    qint64 copias_ms = 0;
    const double arranque_copias = lectura_copias(base + QStringLiteral("/todo"), copias_ms);
    out << "Lectura de los ficheros del hotel en copias privadas (como con ficheros Access): "
        << QString::number(copias_ms / 1000.0, 'f', 2) << " s; arranque entero "
        << QString::number(arranque_copias / 1000.0, 'f', 2) << " s" << Qt::endl;
    out << "Crecimiento: el doble de datos (" << mitad.facturas << " -> " << todo.facturas << " facturas) cuesta "
        << QString::number(todo.cpu_s / mitad.cpu_s, 'f', 2) << "x el tiempo de CPU ("
        << QString::number(todo.total_ms / mitad.total_ms, 'f', 2) << "x el tiempo de reloj)" << Qt::endl;
    const bool bien = m.completo && mitad.completo && todo.completo && m.fichero_correcto
                      && mitad.fichero_correcto && todo.fichero_correcto;
    return bien ? 0 : 1;
}
