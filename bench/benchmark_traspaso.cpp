// Times whole transfers (staging and writing of SUENLACE.DAT) of a month, half
// a year and a year of a large generated installation, prints invoices per
// second, the split between staging and generation, and the time of a plain
// floor on the same data: one SQLite read of the range's rows of emi and
// caja and of the sales lines (Hiscadia) of its invoices, writing as many
// 254-byte lines as the transfer wrote. Each range runs --veces times
// (default 3) and the best run is printed, with the best floor.
//
//   benchmark_traspaso [--facturas-dia N] [--lineas-factura N]
//                      [--cobros-dia N] [--dias N] [--dir CARPETA]
//                      [--anyos N] [--anyos-dir CARPETA] [--servidor-dias N]
//                      [--veces N]
//   benchmark_traspaso --generar CARPETA [--dias N] [...]
//
// --generar only builds the installation under CARPETA (new or empty) and
// stops: scripts that need a large hotel (the crash proof) start from it.
//
// Each range is transferred in a child process of its own (this program run
// again with --medir-rango), so the peak memory printed for a range is that
// transfer's alone.
//
// Then, on an installation holding --anyos years (default 5, 0: none) of the
// same hotel already staged and sent, year by year: the start-up of
// `enlace3 estado` and the opening of every window (offscreen). --anyos-dir
// keeps that installation in CARPETA and uses it again on the next run when
// it was built with the same sizes.
//
// Last, --servidor-dias days (default: the whole period, as "Periodo
// entero"; 0: none) of the same hotel kept in a server database reached
// through unixODBC and the SQLite ODBC driver.

#include "app/arranque.h"
#include "app/linea_comandos.h"
#include "app/ventana_principal.h"
#include "app/ventanas.h"
#include "data/a3ado.h"
#include "data/tablas_hotel.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/ejecucion.h"
#include "transfer/records/verificador.h"
#include "support/odbc_standin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <sys/resource.h>

namespace {

// The transfer works on the generator's year of a 150-room hotel, from the
// first of January, with the sales breakdown and account creation on.
constexpr int kAnyo = 2013;

QString fecha_dia(int n) { return QDate(kAnyo, 1, 1).addDays(n).toString(QStringLiteral("yyyyMMdd")); }

// Builds the installation under `raiz` (which must not hold one yet), with
// the date keys a large hotel's own tables have: a year of rows is read by
// date range. With `servidor` the hotel tables lie in the one server
// database <raiz>/servidor/CATALOGO, reached through ODBC.
demo::Totales generar(const QString& raiz, const demo::Tamano& t, bool servidor = false)
{
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.anyo = kAnyo;
    opciones.mes = 1;
    opciones.servidor = servidor;
    demo::Instalacion inst(raiz, opciones);
    inst.construir();
    inst.configurar({{tablas::ajustes::desglosar, true}, {tablas::ajustes::crear_cuentas, true}});
    const demo::Totales tot = demo::generar(inst, t);
    inst.ejecutar(QStringLiteral("emi"), QStringLiteral("CREATE INDEX emi_fecha ON emi (EmiFec)"));
    inst.ejecutar(QStringLiteral("caja"), QStringLiteral("CREATE INDEX caja_fecha ON caja (CajaFec, CajaOrd)"));
    inst.cerrar();
    return tot;
}

// The server database of an installation generated with `servidor`.
QString archivo_servidor(const QString& raiz)
{
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.servidor = true;
    return demo::Instalacion(raiz, opciones).archivo_servidor();
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

// CPU seconds of the child processes waited for so far.
double cpu_hijos_s()
{
    rusage uso{};
    getrusage(RUSAGE_CHILDREN, &uso);
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
    double memoria_mb = -1;   // peak resident memory of the process up to the end of the transfer
};

// Peak resident memory of this process so far, in MB: getrusage's
// ru_maxrss, except that Linux carries that figure over fork and exec (a
// child would report at least its parent's peak), so the high-water mark of
// the process's own memory (VmHWM) is preferred where there is one.
double memoria_maxima_mb()
{
    QFile estado(QStringLiteral("/proc/self/status"));
    if (estado.open(QIODevice::ReadOnly)) {
        for (const QByteArray& linea : estado.readAll().split('\n'))
            if (linea.startsWith("VmHWM:"))
                return linea.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss / 1024.0;   // kilobytes on Linux
}

// A range measured in a child process comes back as one line.
constexpr const char* kMarcaMedida = "MEDIDA\t";

QString serializar(const Medida& m)
{
    QStringList campos{m.nombre,
                       QString::number(m.dias),
                       QString::number(m.total_ms, 'g', 12),
                       QString::number(m.facturas_ms, 'g', 12),
                       QString::number(m.cobros_ms, 'g', 12),
                       QString::number(m.generacion_ms, 'g', 12),
                       QString::number(m.suelo_ms, 'g', 12),
                       QString::number(m.cpu_s, 'g', 12),
                       QString::number(m.facturas),
                       QString::number(m.cobros),
                       QString::number(m.lineas),
                       QString::number(int(m.completo)),
                       QString::number(int(m.fichero_correcto)),
                       QString::number(m.memoria_mb, 'g', 12)};
    return QString::fromLatin1(kMarcaMedida) + campos.join(QLatin1Char('\t'));
}

bool leer_medida(const QString& linea, Medida& m)
{
    const QStringList c = linea.mid(int(qstrlen(kMarcaMedida))).split(QLatin1Char('\t'));
    if (c.size() != 14)
        return false;
    m.nombre = c[0];
    m.dias = c[1].toInt();
    m.total_ms = c[2].toDouble();
    m.facturas_ms = c[3].toDouble();
    m.cobros_ms = c[4].toDouble();
    m.generacion_ms = c[5].toDouble();
    m.suelo_ms = c[6].toDouble();
    m.cpu_s = c[7].toDouble();
    m.facturas = c[8].toInt();
    m.cobros = c[9].toInt();
    m.lineas = c[10].toLongLong();
    m.completo = c[11] == QLatin1String("1");
    m.fichero_correcto = c[12] == QLatin1String("1");
    m.memoria_mb = c[13].toDouble();
    return true;
}

qint64 contar_lineas(const QString& fichero)
{
    QFile f(fichero);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.size() / 256;   // 254 characters and CR LF
}

// What the transfer cannot beat: read the range's hotel rows once and write
// as many lines as it wrote.
// `servidor`: the one server database that holds every hotel table
// (empty: each table's own file under the drive root).
double suelo(const QString& raiz, const QString& desde, const QString& hasta, qint64 lineas,
             const QString& servidor = QString())
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
    // The sales lines read are those of the range's invoices, as the
    // transfer reads them: by invoice, through the index on the invoice.
    const QString lineas_del_rango = QStringLiteral(
        "SELECT Hiscadia.* FROM %1emi JOIN Hiscadia ON Hiscadia.HCadiaFra = emi.EmiNum "
        "AND Hiscadia.HCadiaFraAno = emi.EmiAno WHERE emi.EmiFec BETWEEN ? AND ?");
    const QPair<QString, QString> consultas[] = {
        {QStringLiteral("emi.MDB"), QStringLiteral("SELECT * FROM emi WHERE EmiFec BETWEEN ? AND ?")},
        {QStringLiteral("hiscadia.MDB"), lineas_del_rango.arg(servidor.isEmpty() ? QStringLiteral("facturas.") : QString())},
        {QStringLiteral("caja.MDB"), QStringLiteral("SELECT * FROM caja WHERE CajaFec BETWEEN ? AND ?")},
    };
    for (const auto& [archivo, sql] : consultas) {
        const QString nombre = QStringLiteral("suelo_") + archivo;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
            db.setDatabaseName(servidor.isEmpty() ? carpeta + archivo : servidor);
            db.open();
            QSqlQuery q(db);
            if (servidor.isEmpty() && sql.contains(QLatin1String("facturas.")))
                q.exec(QStringLiteral("ATTACH DATABASE '%1' AS facturas").arg(carpeta + QStringLiteral("emi.MDB")));
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

// `plantilla` empty: the installation under `raiz` is used as it is.
Medida medir(const QString& plantilla, const QString& raiz, const QString& nombre, int dias,
             const QString& servidor = QString())
{
    Medida m;
    m.nombre = nombre;
    m.dias = dias;
    if (!plantilla.isEmpty() && !copiar_arbol(plantilla, raiz)) {
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
        m.memoria_mb = memoria_maxima_mb();
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
    // The best of three: a floor a busy machine slowed down is no floor.
    m.suelo_ms = suelo(raiz, desde, hasta, m.lineas, servidor);
    for (int vez = 1; vez < 3; ++vez)
        m.suelo_ms = std::min(m.suelo_ms, suelo(raiz, desde, hasta, m.lineas, servidor));
    return m;
}

// The same measure in a child process of its own: its peak memory is that
// of this range's transfer alone. What the child says besides its figures is
// passed on.
Medida medir_aparte(const QString& plantilla, const QString& raiz, const QString& nombre, int dias,
                    const QString& servidor = QString())
{
    Medida m;
    m.nombre = nombre;
    m.dias = dias;
    QProcess hijo;
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--medir-rango"), plantilla.isEmpty() ? QStringLiteral("-") : plantilla, raiz, nombre,
                QString::number(dias), servidor.isEmpty() ? QStringLiteral("-") : servidor});
    if (!hijo.waitForFinished(-1) || hijo.exitStatus() != QProcess::NormalExit) {
        salida() << "  La medida de «" << nombre << "» no ha terminado: " << hijo.errorString() << Qt::endl;
        return m;
    }
    bool leida = false;
    for (const QString& linea : QString::fromUtf8(hijo.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (linea.startsWith(QLatin1String(kMarcaMedida)))
            leida = leer_medida(linea, m);
        else if (!linea.isEmpty())
            salida() << linea << Qt::endl;
    }
    if (!leida)
        salida() << "  La medida de «" << nombre << "» no ha dado cifras." << Qt::endl;
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
    if (m.memoria_mb >= 0)
        out << "    memoria máxima del traspaso " << QString::number(m.memoria_mb, 'f', 1)
            << " MB (su propio proceso, arranque incluido)" << Qt::endl;
}

// The three ranges side by side, one row each.
void imprimir_tabla(std::initializer_list<const Medida*> medidas)
{
    QTextStream& out = salida();
    auto celda = [](const QString& texto, int ancho) { return texto.rightJustified(ancho); };
    out << QStringLiteral("rango").leftJustified(16) << celda(QStringLiteral("días"), 5)
        << celda(QStringLiteral("reloj"), 9) << celda(QStringLiteral("preparación"), 13)
        << celda(QStringLiteral("generación"), 12) << celda(QStringLiteral("suelo"), 9)
        << celda(QStringLiteral("razón"), 7) << celda(QStringLiteral("CPU"), 9)
        << celda(QStringLiteral("memoria"), 10) << Qt::endl;
    for (const Medida* m : medidas) {
        auto s = [](double ms, int d) { return QString::number(ms / 1000.0, 'f', d) + QStringLiteral(" s"); };
        out << m->nombre.leftJustified(16) << celda(QString::number(m->dias), 5) << celda(s(m->total_ms, 2), 9)
            << celda(s(m->generacion_ms, 2), 13) << celda(s(m->total_ms - m->generacion_ms, 2), 12)
            << celda(s(m->suelo_ms, 3), 9)
            << celda(QString::number(m->suelo_ms > 0 ? m->total_ms / m->suelo_ms : 0, 'f', 1) + QLatin1Char('x'), 7)
            << celda(QString::number(m->cpu_s, 'f', 2) + QStringLiteral(" s"), 9)
            << celda(m->memoria_mb >= 0 ? QString::number(m->memoria_mb, 'f', 1) + QStringLiteral(" MB")
                                        : QStringLiteral("-"),
                     10)
            << Qt::endl;
    }
}

// ---------------------------------------------------------------------------
// Start-up and windows on years of staged data.

double ms_desde(const QElapsedTimer& reloj) { return reloj.nsecsElapsed() / 1e6; }

QString segundos(double ms, int decimales = 3) { return QString::number(ms / 1000.0, 'f', decimales); }

// The sizes an installation of years was built with, kept beside it so that
// a later run can use it again.
QString firma_anyos(const demo::Tamano& p, int anyos)
{
    return QStringLiteral("%1 %2 %3 %4\n").arg(p.facturas_dia_max).arg(p.lineas_factura).arg(p.cobros_dia).arg(anyos);
}

// An installation under `raiz` holding `anyos` years of the hotel, each year
// staged and sent by its own transfer (as a hotel does it, in its order).
// Kept and used again when `raiz` already holds one of the same sizes.
bool preparar_anyos(const QString& raiz, demo::Tamano p, int anyos)
{
    QTextStream& out = salida();
    const QString marca = raiz + QStringLiteral("/tamano.txt");
    {
        QFile f(marca);
        if (f.open(QIODevice::ReadOnly) && QString::fromLatin1(f.readAll()) == firma_anyos(p, anyos)) {
            out << "    instalación de " << anyos << " años ya preparada en " << raiz << Qt::endl;
            return true;
        }
    }
    // Only an installation this benchmark made (with its mark) is replaced.
    if (QDir(raiz).exists() && !QDir(raiz).isEmpty() && !QFileInfo::exists(marca)) {
        out << "La carpeta " << raiz << " no está vacía y no tiene una instalación de años de este banco de pruebas."
            << Qt::endl;
        return false;
    }
    QDir(raiz).removeRecursively();
    QDir().mkpath(raiz);
    const QDate inicio(kAnyo, 1, 1);
    p.dias = int(inicio.daysTo(inicio.addYears(anyos)));
    QElapsedTimer reloj;
    reloj.start();
    const demo::Totales tot = generar(raiz, p);
    out << "    " << tot.facturas << " facturas, " << tot.lineas << " líneas de venta, " << tot.cobros
        << " cobros; generada en " << segundos(ms_desde(reloj), 1) << " s" << Qt::endl;
    for (int n = 0; n < anyos; ++n) {
        QElapsedTimer r;
        InteraccionBanco ui(r);
        A3ADO a(platform::DriveMap(raiz), ui);
        if (!arranque::arrancar(a) || !arranque::activar(a).configuracion_ok) {
            out << "No se ha podido arrancar el enlace: " << ui.texts().join(QStringLiteral(" | ")) << Qt::endl;
            return false;
        }
        Traspaso t(a);
        t.wdesde = inicio.addYears(n).toString(QStringLiteral("yyyyMMdd"));
        t.whasta = inicio.addYears(n + 1).addDays(-1).toString(QStringLiteral("yyyyMMdd"));
        r.start();
        const ResultadoTraspaso res = iniciar(t);
        if (res.detenido || !res.generacion.completo()) {
            out << "  El traspaso de " << kAnyo + n << " no terminó bien: " << ui.texts().join(QStringLiteral(" | "))
                << Qt::endl;
            return false;
        }
        out << "    traspasado " << kAnyo + n << ": " << res.facturas_preparadas << " facturas en "
            << segundos(ms_desde(r), 1) << " s" << Qt::endl;
    }
    QFile f(marca);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(firma_anyos(p, anyos).toLatin1()) > 0;
}

struct Tiempo {
    double ms = -1;
    double cpu_s = 0;
};

// `enlace3 estado` as the batch line runs it (same function, same start-up).
// Returns its exit status.
int estado(Tiempo& t, QString& texto)
{
    QString salida_estado;
    QString errores;
    QTextStream out(&salida_estado);
    QTextStream err(&errores);
    QElapsedTimer reloj;
    const double cpu0 = cpu_s();
    reloj.start();
    const int r = linea_comandos::ejecutar(linea_comandos::comando_estado, {}, out, err);
    t.ms = ms_desde(reloj);
    t.cpu_s = cpu_s() - cpu0;
    texto = r == 0 ? salida_estado : errores + salida_estado;
    return r;
}

// Shows the window and lets the event loop run until it is on screen and
// has nothing left to do.
bool mostrar(QWidget& w, const std::function<bool()>& lista = {})
{
    w.show();
    QElapsedTimer reloj;
    reloj.start();
    while (reloj.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w.isVisible() && w.windowHandle() && w.windowHandle()->isExposed() && (!lista || lista())) {
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

// Start-up and window openings on the installation under `raiz`. False when
// any of them failed.
bool medir_arranque(const QString& raiz)
{
    QTextStream& out = salida();
    bool bien = true;
    qputenv("ENLACE3_DOSDEVICES", raiz.toLocal8Bit());

    // The batch command, three times: the first finds the files out of the
    // cache the least.
    QList<Tiempo> veces;
    QString texto;
    for (int i = 0; i < 3; ++i) {
        Tiempo t;
        if (estado(t, texto) != 0) {
            out << "enlace3 estado ha fallado:\n" << texto << Qt::endl;
            bien = false;
            break;
        }
        veces << t;
    }
    if (!veces.isEmpty()) {
        const auto mejor = *std::min_element(veces.cbegin(), veces.cend(),
                                             [](const Tiempo& x, const Tiempo& y) { return x.ms < y.ms; });
        out << "enlace3 estado: " << segundos(mejor.ms) << " s, CPU " << QString::number(mejor.cpu_s, 'f', 3)
            << " s (la mejor de " << veces.size() << "; la primera " << segundos(veces.first().ms) << " s)"
            << Qt::endl;
    }

    // The program itself, a new process each time, when it was built beside
    // the benchmark: what a shell waits for.
    const QString programa = QCoreApplication::applicationDirPath() + QStringLiteral("/../enlace3");
    if (QFileInfo(programa).isExecutable()) {
        Tiempo mejor;
        for (int i = 0; i < 3; ++i) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            const double cpu0 = cpu_hijos_s();
            QElapsedTimer reloj;
            reloj.start();
            p.start(programa, {QStringLiteral("estado")});
            const bool terminado = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit;
            const Tiempo t{ms_desde(reloj), cpu_hijos_s() - cpu0};
            if (!terminado || p.exitCode() != 0) {
                out << "El programa enlace3 estado ha fallado:\n" << QString::fromUtf8(p.readAll()) << Qt::endl;
                bien = false;
                break;
            }
            if (mejor.ms < 0 || t.ms < mejor.ms)
                mejor = t;
        }
        if (mejor.ms >= 0)
            out << "    el programa (" << QFileInfo(programa).canonicalFilePath() << " estado, proceso nuevo): "
                << segundos(mejor.ms) << " s, CPU " << QString::number(mejor.cpu_s, 'f', 3) << " s (la mejor de 3)"
                << Qt::endl;
    }

    // Its two halves.
    {
        platform::ScriptedInteraction ui;
        A3ADO a(platform::DriveMap(raiz), ui);
        QElapsedTimer reloj;
        reloj.start();
        const bool arrancado = arranque::arrancar(a);
        const double t_arrancar = ms_desde(reloj);
        reloj.restart();
        const bool activado = arrancado && arranque::activar(a).continuar;
        const double t_activar = ms_desde(reloj);
        out << "    arrancar (conexiones, edep3) " << segundos(t_arrancar) << " s; activar (estructura, "
            << "configuración, recuperación) " << segundos(t_activar) << " s" << Qt::endl;
        bien = bien && activado;
    }

    // The same start-up where the hotel's files are genuine Access files
    // (read into private copies): it grows with the hotel's own data.
    qint64 copias_ms = 0;
    const double arranque_copias = lectura_copias(raiz, copias_ms);
    out << "    con ficheros del hotel Access (copias privadas): arranque " << segundos(arranque_copias, 2)
        << " s, de ellos lectura de los ficheros " << segundos(copias_ms, 2) << " s" << Qt::endl;

    // The windows, each made and shown as the menu does (without its modal
    // loop), with the conversation recorded instead of shown.
    platform::ScriptedInteraction ui;
    A3ADO a(platform::DriveMap(raiz), ui);
    QElapsedTimer reloj;
    double cpu0 = cpu_s();
    reloj.start();
    VentanaPrincipal principal(a);
    principal.al_terminar = [](int) {};
    bool abierta = principal.cargar() && mostrar(principal, [&] { return principal.activaciones() > 0; });
    out << "Ventana principal (arranque y primera activación): " << segundos(ms_desde(reloj)) << " s, CPU "
        << QString::number(cpu_s() - cpu0, 'f', 3) << " s" << (abierta ? "" : "; NO SE HA ABIERTO") << Qt::endl;
    bien = bien && abierta;

    const ventanas::Tabla tabla = ventanas::tabla_ventanas();
    const char* nombres[] = {ventanas::kTraspaso, ventanas::kConfiguracion, ventanas::kCuentasCobro,
                             ventanas::kCuentasVentas, ventanas::kExportarPgc};
    for (const char* n : nombres) {
        const QString nombre = QString::fromLatin1(n);
        const size_t mensajes = ui.shown.size();
        cpu0 = cpu_s();
        reloj.restart();
        std::unique_ptr<QDialog> d = ventanas::crear(tabla, nombre, a);
        abierta = d && mostrar(*d);
        out << "Ventana " << nombre << " (" << ventanas::descripcion(nombre) << "): " << segundos(ms_desde(reloj))
            << " s, CPU " << QString::number(cpu_s() - cpu0, 'f', 3) << " s" << (abierta ? "" : "; NO SE HA ABIERTO");
        if (abierta && nombre == QLatin1String(ventanas::kConfiguracion)) {
            // Unlocked by its password, as the user does next.
            if (auto* pas = d->findChild<QLineEdit*>(QStringLiteral("pas"))) {
                reloj.restart();
                pas->setText(QStringLiteral("GARVEX"));
                QKeyEvent intro(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(pas, &intro);
                QCoreApplication::processEvents();
                // Unlocked, the company code of the settings row is shown.
                const auto* empresa = d->findChild<QLineEdit*>(QStringLiteral("ce"));
                const bool desbloqueada = empresa && !empresa->text().isEmpty();
                out << "; desbloqueo " << segundos(ms_desde(reloj)) << " s"
                    << (desbloqueada ? "" : " (NO SE HA DESBLOQUEADO)");
                bien = bien && desbloqueada;
            }
        }
        out << Qt::endl;
        for (size_t i = mensajes; i < ui.shown.size(); ++i)
            out << "    mensaje: " << ui.shown[i].text << Qt::endl;
        bien = bien && abierta;
        if (d) {
            d->hide();
            QCoreApplication::processEvents();
            // What follows every window of the menu: the main window's
            // activation sequence.
            reloj.restart();
            principal.activar();
            if (nombre == QLatin1String(ventanas::kTraspaso))
                out << "    vuelta a la ventana principal (activación) " << segundos(ms_desde(reloj)) << " s"
                    << Qt::endl;
        }
    }
    principal.hide();
    qunsetenv("ENLACE3_DOSDEVICES");
    return bien;
}

int leer_entero(const QStringList& args, const QString& opcion, int defecto)
{
    const int i = args.indexOf(opcion);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toInt() : defecto;
}

// A range measured for the parent process (see medir_aparte):
// --medir-rango PLANTILLA|- RAIZ NOMBRE DIAS SERVIDOR|-
int medir_rango(const QStringList& args)
{
    const int i = args.indexOf(QStringLiteral("--medir-rango"));
    if (i < 0 || i + 5 >= args.size())
        return 2;
    const auto valor = [&](int k) { return args.at(i + k) == QLatin1String("-") ? QString() : args.at(i + k); };
    const Medida m = medir(valor(1), args.at(i + 2), args.at(i + 3), args.at(i + 4).toInt(), valor(5));
    salida() << serializar(m) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool rango = false;
    for (int i = 1; i < argc; ++i)
        rango = rango || QByteArray(argv[i]) == "--medir-rango";
    if (rango) {
        QCoreApplication app(argc, argv);
        return medir_rango(app.arguments());
    }
    // The windows are opened without a screen (whose plug-in's notes are
    // not figures).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext& contexto, const QString& texto) {
        if (!texto.contains(QLatin1String("does not support propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(tipo, contexto, texto)));
    });
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    demo::Tamano p = demo::Tamano::anyo_grande();
    p.facturas_dia_min = p.facturas_dia_max = leer_entero(args, QStringLiteral("--facturas-dia"), p.facturas_dia_max);
    p.lineas_factura = leer_entero(args, QStringLiteral("--lineas-factura"), p.lineas_factura);
    p.cobros_dia = leer_entero(args, QStringLiteral("--cobros-dia"), p.cobros_dia);
    p.dias = leer_entero(args, QStringLiteral("--dias"), p.dias);
    const int anyos = leer_entero(args, QStringLiteral("--anyos"), 5);
    const int dias_servidor = leer_entero(args, QStringLiteral("--servidor-dias"), p.dias);
    if (p.facturas_dia_min < 1 || p.lineas_factura < 0 || p.cobros_dia < 0 || p.dias < 2 || anyos < 0
        || dias_servidor < 0) {
        std::fprintf(stderr, "Uso: benchmark_traspaso [--facturas-dia N] [--lineas-factura N] [--cobros-dia N] "
                             "[--dias N] [--dir CARPETA] [--anyos N] [--anyos-dir CARPETA] [--servidor-dias N] [--veces N]\n");
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

    // Each range is measured three times and its best run kept, floor
    // included: a busy machine slows runs down, it never speeds them up.
    const int veces = std::max(1, leer_entero(args, QStringLiteral("--veces"), 3));
    auto mejor = [&](const QString& carpeta, const QString& nombre, int dias) {
        Medida mejor_medida;
        double suelo = 0;
        for (int vez = 0; vez < veces; ++vez) {
            QDir(base + carpeta).removeRecursively();   // each run starts from the same copy
            const Medida m = medir_aparte(plantilla, base + carpeta, nombre, dias);
            if (m.suelo_ms > 0 && (suelo <= 0 || m.suelo_ms < suelo))
                suelo = m.suelo_ms;
            if (vez == 0 || (m.completo && (!mejor_medida.completo || m.total_ms < mejor_medida.total_ms)))
                mejor_medida = m;
        }
        mejor_medida.suelo_ms = suelo;
        return mejor_medida;
    };
    const int mes = std::min(31, p.dias);
    const Medida m = mejor(QStringLiteral("/mes"), QStringLiteral("Un mes"), mes);
    imprimir(m);
    const Medida mitad = mejor(QStringLiteral("/mitad"), QStringLiteral("Medio periodo"), p.dias / 2);
    imprimir(mitad);
    const Medida todo = mejor(QStringLiteral("/todo"), QStringLiteral("Periodo entero"), p.dias);
    imprimir(todo);
    imprimir_tabla({&m, &mitad, &todo});

    qint64 copias_ms = 0;
    const double arranque_copias = lectura_copias(base + QStringLiteral("/todo"), copias_ms);
    out << "Lectura de los ficheros del hotel en copias privadas (como con ficheros Access): "
        << QString::number(copias_ms / 1000.0, 'f', 2) << " s; arranque entero "
        << QString::number(arranque_copias / 1000.0, 'f', 2) << " s" << Qt::endl;
    out << "Crecimiento: el doble de datos (" << mitad.facturas << " -> " << todo.facturas << " facturas) cuesta "
        << QString::number(todo.cpu_s / mitad.cpu_s, 'f', 2) << "x el tiempo de CPU ("
        << QString::number(todo.total_ms / mitad.total_ms, 'f', 2) << "x el tiempo de reloj)" << Qt::endl;
    bool bien = m.completo && mitad.completo && todo.completo && m.fichero_correcto
                && mitad.fichero_correcto && todo.fichero_correcto;
    out << "Memoria máxima de este proceso (generación de la instalación y suelos): "
        << QString::number(memoria_maxima_mb(), 'f', 1) << " MB" << Qt::endl;

    if (anyos > 0) {
        const int ianyos = args.indexOf(QStringLiteral("--anyos-dir"));
        const QString raiz = ianyos >= 0 && ianyos + 1 < args.size() ? args.at(ianyos + 1)
                                                                     : base + QStringLiteral("/anyos");
        out << "Arranque y ventanas con " << anyos << " años traspasados (mismo hotel, un traspaso por año):"
            << Qt::endl;
        const bool preparada = preparar_anyos(raiz, p, anyos);
        bien = bien && preparada && medir_arranque(raiz);
    }

    if (dias_servidor > 0) {
        demo::Tamano ps = p;
        ps.dias = dias_servidor;
        const QString raiz = base + QStringLiteral("/servidor");
        reloj.restart();
        const demo::Totales ts = generar(raiz, ps, true);
        QString error;
        const QString odbc = base + QStringLiteral("/odbc");
        QDir().mkpath(odbc);
        if (!testsupport::installOdbcStandin(odbc, &error)) {
            out << "Modo servidor: no se puede medir: " << error << Qt::endl;
            bien = false;
        } else {
            const QString archivo = archivo_servidor(raiz);
            const QString antes = QDir::currentPath();
            // The SQLite ODBC driver reads Database= as a path from here.
            QDir::setCurrent(QFileInfo(archivo).absolutePath());
            out << "Modo servidor (ODBC: unixODBC con el controlador SQLite; " << dias_servidor
                << " días, --servidor-dias): " << ts.facturas << " facturas generadas en "
                << segundos(ms_desde(reloj), 1) << " s" << Qt::endl;
            Medida sm = medir_aparte(QString(), raiz, QStringLiteral("Servidor"), dias_servidor, archivo);
            QDir::setCurrent(antes);
            imprimir(sm);
            // Against the same range from the hotel's Access files, when it was measured.
            for (const Medida* acceso : {&m, &mitad, &todo}) {
                if (acceso->dias != dias_servidor || acceso->total_ms <= 0)
                    continue;
                out << "    razón servidor/ficheros Access del mismo periodo ("
                    << acceso->nombre.toLower() << ") " << QString::number(sm.total_ms / acceso->total_ms, 'f', 1)
                    << "x (CPU " << QString::number(sm.cpu_s / acceso->cpu_s, 'f', 1) << "x)" << Qt::endl;
                break;
            }
            bien = bien && sm.completo && sm.fichero_correcto;
        }
    }
    return bien ? 0 : 1;
}
