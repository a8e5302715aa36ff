#include "transfer/diario.h"

#include "data/instalacion_ocupada.h"
#include "platform/huella.h"
#include <algorithm>
#include <map>
#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace diario {

namespace {

// The state column of each table a generation marks.
struct TablaMarcada {
    const char* tabla;
    const char* columna;
};
constexpr TablaMarcada kTablas[] = {
    {"fac3", "FacEst"}, {"edep3", "EdepEstado"}, {"caj3", "CajEstado"}, {"cre3", "Cre3Estado"}, {"ctas3", "Estado"},
};

const char* const kFormatoFecha = "yyyy-MM-dd HH:mm:ss";

QString tipo_guardado(Tipo t) { return t == Tipo::Traspaso ? QStringLiteral("traspaso") : QStringLiteral("exportacion"); }

QString fecha_legible(const QString& amd)
{
    return amd.size() == 8 ? amd.mid(6, 2) + QLatin1Char('-') + amd.mid(4, 2) + QLatin1Char('-') + amd.left(4) : amd;
}

QString que_generacion(const Generacion& g)
{
    if (g.tipo == Tipo::Exportacion)
        return QStringLiteral("la exportación del plan de cuentas del ") + g.fecha.toString(QStringLiteral("dd-MM-yyyy HH:mm"));
    return QStringLiteral("el traspaso del ") + fecha_legible(g.desde) + QStringLiteral(" al ") + fecha_legible(g.hasta)
           + QStringLiteral(" (") + g.fecha.toString(QStringLiteral("dd-MM-yyyy HH:mm")) + QStringLiteral(")");
}

bool coincide(const QString& local, const Generacion& g)
{
    if (local.isEmpty() || QFileInfo(local).size() != g.tamano)
        return false;
    const std::optional<Huella> h = huella(local);
    return h && h->tamano == g.tamano && h->sha256 == g.sha256;
}

// The file starts with the generation's finished file: it was put in place,
// and a run of another installation sharing the folder added its own records
// after it since.
bool empieza_por(const QString& local, const Generacion& g)
{
    if (local.isEmpty() || g.tamano <= 0 || QFileInfo(local).size() <= g.tamano)
        return false;
    const std::optional<QString> suma = platform::sha256_fichero(local, g.tamano);
    return suma && *suma == g.sha256;
}

// Replaces the target by the finished temporary file, durably.
bool renombrar(const QString& temporal, const QString& destino, QString* error)
{
    if (::rename(QFile::encodeName(temporal).constData(), QFile::encodeName(destino).constData()) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    sincronizar_carpeta(QFileInfo(destino).absolutePath());
    return true;
}

} // namespace

bool es_temporal(const QString& nombre)
{
    return nombre.startsWith(QLatin1String("Suenlace.dat."), Qt::CaseInsensitive)
           && nombre.endsWith(QLatin1String(".tmp"), Qt::CaseInsensitive);
}

QString nombre_temporal()
{
    return QStringLiteral("Suenlace.dat.%1-%2.tmp")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmsszzz")))
        .arg(::getpid());
}

bool hay_tablas(ado::Connection& cn)
{
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'gen3'"), cn);
    const bool hay = !rs.eof();
    rs.close();
    return hay;
}

void asegurar_tablas(ado::Connection& cn)
{
    if (hay_tablas(cn))
        return;
    cn.execute(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS gen3 (GenId INTEGER PRIMARY KEY, GenFecha TEXT, GenTipo TEXT, GenDesde TEXT, "
        "GenHasta TEXT, GenRuta TEXT, GenDestino TEXT, GenTemporal TEXT, GenCopia TEXT, GenAnadir INTEGER, "
        "GenTamano INTEGER, GenSha TEXT, GenLineas INTEGER, GenCuentas INTEGER, GenFacturas INTEGER, "
        "GenDepositos INTEGER, GenDias INTEGER, GenCreditos INTEGER, GenImpFacturas INTEGER, "
        "GenImpDepositos INTEGER, GenImpCaja INTEGER, GenImpCreditos INTEGER, GenEstado TEXT)"));
    cn.execute(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS genmar3 (MarGen INTEGER, MarTabla TEXT, MarFila INTEGER, MarAntes TEXT)"));
    cn.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS genmar3_gen ON genmar3 (MarGen, MarTabla)"));
}

qint64 abrir_generacion(ado::Connection& cn, const Generacion& g)
{
    cn.execute(QStringLiteral("INSERT INTO gen3 (GenFecha, GenTipo, GenDesde, GenHasta, GenRuta, GenDestino, "
                              "GenTemporal, GenCopia, GenAnadir, GenEstado) VALUES (?,?,?,?,?,?,?,?,?,?)"),
               {g.fecha.toString(QString::fromLatin1(kFormatoFecha)), tipo_guardado(g.tipo), g.desde, g.hasta, g.ruta,
                g.destino, g.temporal, g.copia, g.anadir ? 1 : 0, QString::fromLatin1(kPendiente)});
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT max(GenId) AS id FROM gen3"), cn);
    const qint64 id = qint64(rs.number(QStringLiteral("id")));
    rs.close();
    return id;
}

void anotar_marca(ado::Connection& cn, qint64 id, const QString& tabla, qint64 fila, const QVariant& antes)
{
    cn.execute(QStringLiteral("INSERT INTO genmar3 (MarGen, MarTabla, MarFila, MarAntes) VALUES (?,?,?,?)"),
               {id, tabla, fila, antes.isNull() ? QVariant() : QVariant(antes.toString())});
}

void anotar_marcas_dia_caja(ado::Connection& cn, qint64 id, const QString& dia)
{
    cn.execute(QStringLiteral("INSERT INTO genmar3 (MarGen, MarTabla, MarFila, MarAntes) SELECT ?, 'caj3', rowid, "
                              "CajEstado FROM caj3 WHERE CajFec = ? AND (CajEstado IS NULL OR CajEstado <> '1')"),
               {id, dia});
}

void cerrar_generacion(ado::Connection& cn, const Generacion& g)
{
    const Cifras& c = g.cifras;
    cn.execute(QStringLiteral("UPDATE gen3 SET GenCopia = ?, GenTamano = ?, GenSha = ?, GenLineas = ?, GenCuentas = ?, "
                              "GenFacturas = ?, GenDepositos = ?, GenDias = ?, GenCreditos = ?, GenImpFacturas = ?, "
                              "GenImpDepositos = ?, GenImpCaja = ?, GenImpCreditos = ? WHERE GenId = ?"),
               {g.copia, g.tamano, g.sha256, c.lineas, c.cuentas, c.facturas, c.depositos, c.dias_caja, c.creditos,
                c.importe_facturas, c.importe_depositos, c.importe_caja, c.importe_creditos, g.id});
}

void dar_por_hecha(ado::Connection& cn, qint64 id)
{
    ado::inOwnTransaction(cn, [&] {
        cn.execute(QStringLiteral("UPDATE gen3 SET GenEstado = 'hecha' WHERE GenId = ?"), {id});
        cn.execute(QStringLiteral("DELETE FROM genmar3 WHERE MarGen = ?"), {id});
    });
}

int deshacer_marcas(ado::Connection& cn, qint64 id)
{
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT Count(*) AS total FROM genmar3 WHERE MarGen = ?"), {id}, cn);
    const int total = int(rs.number(QStringLiteral("total")));
    rs.close();
    ado::inOwnTransaction(cn, [&] {
        for (const TablaMarcada& t : kTablas) {
            const QString tabla = QString::fromLatin1(t.tabla);
            const QString marcas = QStringLiteral("FROM genmar3 WHERE MarGen = ? AND MarTabla = ?");
            cn.execute(QStringLiteral("UPDATE ") + tabla + QStringLiteral(" SET ") + QString::fromLatin1(t.columna)
                           + QStringLiteral(" = (SELECT MarAntes ") + marcas + QStringLiteral(" AND MarFila = ") + tabla
                           + QStringLiteral(".rowid) WHERE rowid IN (SELECT MarFila ") + marcas + QStringLiteral(")"),
                       {id, tabla, id, tabla});
        }
        cn.execute(QStringLiteral("UPDATE gen3 SET GenEstado = 'deshecha' WHERE GenId = ?"), {id});
        cn.execute(QStringLiteral("DELETE FROM genmar3 WHERE MarGen = ?"), {id});
    });
    return total;
}

std::vector<Generacion> leer(ado::Connection& cn, const QString& donde)
{
    std::vector<Generacion> lista;
    if (!hay_tablas(cn))
        return lista;
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM gen3") + (donde.isEmpty() ? QString() : QStringLiteral(" WHERE ") + donde)
                + QStringLiteral(" ORDER BY GenId"),
            cn);
    for (; !rs.eof(); rs.moveNext()) {
        Generacion g;
        g.id = qint64(rs.number(QStringLiteral("GenId")));
        g.fecha = QDateTime::fromString(rs.text(QStringLiteral("GenFecha")), QString::fromLatin1(kFormatoFecha));
        g.tipo = rs.text(QStringLiteral("GenTipo")) == QLatin1String("traspaso") ? Tipo::Traspaso : Tipo::Exportacion;
        g.desde = rs.text(QStringLiteral("GenDesde"));
        g.hasta = rs.text(QStringLiteral("GenHasta"));
        // The journals of older versions hold the path with the separator
        // doubled before the file's name.
        g.ruta = platform::DriveMap::forDisplay(rs.text(QStringLiteral("GenRuta")));
        g.destino = rs.text(QStringLiteral("GenDestino"));
        g.temporal = rs.text(QStringLiteral("GenTemporal"));
        g.copia = rs.text(QStringLiteral("GenCopia"));
        g.anadir = rs.number(QStringLiteral("GenAnadir")) != 0;
        g.tamano = qint64(rs.number(QStringLiteral("GenTamano")));
        g.sha256 = rs.text(QStringLiteral("GenSha"));
        g.cifras.lineas = qint64(rs.number(QStringLiteral("GenLineas")));
        g.cifras.cuentas = int(rs.number(QStringLiteral("GenCuentas")));
        g.cifras.facturas = int(rs.number(QStringLiteral("GenFacturas")));
        g.cifras.depositos = int(rs.number(QStringLiteral("GenDepositos")));
        g.cifras.dias_caja = int(rs.number(QStringLiteral("GenDias")));
        g.cifras.creditos = int(rs.number(QStringLiteral("GenCreditos")));
        g.cifras.importe_facturas = qint64(rs.number(QStringLiteral("GenImpFacturas")));
        g.cifras.importe_depositos = qint64(rs.number(QStringLiteral("GenImpDepositos")));
        g.cifras.importe_caja = qint64(rs.number(QStringLiteral("GenImpCaja")));
        g.cifras.importe_creditos = qint64(rs.number(QStringLiteral("GenImpCreditos")));
        g.estado = rs.text(QStringLiteral("GenEstado"));
        lista.push_back(g);
    }
    rs.close();
    return lista;
}

std::optional<Huella> huella(const QString& local)
{
    const qint64 tamano = QFileInfo(local).size();
    const std::optional<QString> suma = platform::sha256_fichero(local);
    if (!suma)
        return std::nullopt;
    return Huella{tamano, *suma};
}

bool sincronizar_carpeta(const QString& carpeta)
{
    const int fd = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

int borrar_temporales(const QString& carpeta)
{
    const QDir dir(carpeta);
    int borrados = 0;
    for (const QString& nombre : dir.entryList(QDir::Files | QDir::Hidden))
        if (es_temporal(nombre) && QFile::remove(dir.filePath(nombre)))
            ++borrados;
    return borrados;
}

namespace {

// The export folders a recovery has looked at, by local path: whether it may
// touch their files, holding their lock until it ends. A folder whose lock
// cannot be made at all is touched as before: nothing can be written there.
class Carpetas {
public:
    bool libre(const QString& carpeta)
    {
        const QString canonica = QFileInfo(carpeta).canonicalFilePath();
        const QString clave = canonica.isEmpty() ? QDir::cleanPath(carpeta) : canonica;
        auto it = vistas_.find(clave);
        if (it == vistas_.end()) {
            bool por_sistema = false;
            QString ocupante;
            auto bloqueo = platform::Bloqueo::tomar(ruta_bloqueo_carpeta(clave), QStringLiteral("recuperación"),
                                                    &ocupante, &por_sistema);
            const bool libre = bloqueo || por_sistema;
            it = vistas_.emplace(clave, std::make_pair(libre, std::move(bloqueo))).first;
        }
        return it->second.first;
    }

private:
    std::map<QString, std::pair<bool, std::unique_ptr<platform::Bloqueo>>> vistas_;
};

} // namespace

Recuperacion recuperar(A3ADO& a, const QString& ruta_carpeta)
{
    Recuperacion r;
    ado::Connection& cn = a.cn_enlace;
    // Another installation writing in the same folder right now owns what
    // is there: what lies in that folder waits for the next start.
    Carpetas carpetas;
    for (const Generacion& g : leer(cn, QStringLiteral("GenEstado = 'pendiente'"))) {
        if (!carpetas.libre(QFileInfo(g.destino).absolutePath()))
            continue;
        const QString cual = QStringLiteral("Se ha encontrado sin terminar ") + que_generacion(g);
        QString motivo;
        if (coincide(g.temporal, g) && renombrar(g.temporal, g.destino, &motivo)) {
            dar_por_hecha(cn, g.id);
            ++r.completadas;
            r.frases << cual + QStringLiteral(": se ha completado, y ") + g.ruta
                            + QStringLiteral(" contiene ya sus registros, marcados como traspasados.");
        } else if (coincide(g.destino, g)) {
            dar_por_hecha(cn, g.id);
            ++r.cerradas;
            r.frases << cual + QStringLiteral(": el fichero ") + g.ruta
                            + QStringLiteral(" ya estaba completo y se ha dado por terminada.");
        } else if (empieza_por(g.destino, g)) {
            dar_por_hecha(cn, g.id);
            ++r.cerradas;
            r.frases << cual + QStringLiteral(": el fichero ") + g.ruta
                            + QStringLiteral(" ya contenía sus registros, seguidos de los que se han añadido después, y se ha "
                                             "dado por terminada.");
        } else {
            const int filas = deshacer_marcas(cn, g.id);
            if (!g.temporal.isEmpty())
                QFile::remove(g.temporal);
            ++r.deshechas;
            r.frases << cual + QStringLiteral(": su fichero temporal no está completo")
                            + (motivo.isEmpty() ? QString() : QStringLiteral(" o no se ha podido renombrar (") + motivo + QLatin1Char(')'))
                            + QStringLiteral(", así que ") + g.ruta + QStringLiteral(" se ha dejado como estaba y sus ")
                            + QString::number(filas) + QStringLiteral(" filas vuelven a quedar pendientes para el próximo envío.");
        }
    }
    // A temporary file no pending generation owns is what a run left when it
    // was stopped before its marks were committed: nothing refers to it.
    if (!ruta_carpeta.isEmpty()) {
        const QString carpeta = a.unidades.toLocal(ruta_carpeta);
        if (carpetas.libre(carpeta))
            r.temporales_borrados += borrar_temporales(carpeta);
    }
    return r;
}

namespace {

bool hay_temporales(const QString& carpeta)
{
    if (carpeta.isEmpty())
        return false;
    const QStringList nombres = QDir(carpeta).entryList(QDir::Files | QDir::Hidden);
    return std::any_of(nombres.begin(), nombres.end(), [](const QString& nombre) { return es_temporal(nombre); });
}

} // namespace

void recuperar_al_arrancar(A3ADO& a)
{
    if (!a.cn_enlace.isOpen())
        return;
    const bool pendientes = hay_tablas(a.cn_enlace) && !leer(a.cn_enlace, QStringLiteral("GenEstado = 'pendiente'")).empty();
    if (!pendientes && !hay_temporales(a.wruta.isEmpty() ? QString() : a.unidades.toLocal(a.wruta)))
        return;
    // Whoever holds the installation is running a generation right now: its
    // files and journal row are its own business.
    const std::unique_ptr<platform::Bloqueo> bloqueo = tomar_instalacion(a, QStringLiteral("recuperación"));
    if (!bloqueo)
        return;
    const Recuperacion r = recuperar(a, a.wruta);
    if (!r.frases.isEmpty())
        a.ui.message(r.frases.join(QLatin1Char('\n')), QStringLiteral("Recuperación de Suenlace.dat"),
                     platform::Icon::Exclamation);
}

QString texto_tipo(Tipo t) { return t == Tipo::Traspaso ? QStringLiteral("Traspaso") : QStringLiteral("Exportación PGC"); }

QString texto_euros(qint64 centimos)
{
    const QString signo = centimos < 0 ? QStringLiteral("-") : QString();
    const qint64 v = centimos < 0 ? -centimos : centimos;
    QString entero = QString::number(v / 100);
    for (qsizetype i = entero.size() - 3; i > 0; i -= 3)
        entero.insert(i, QLatin1Char('.'));
    return signo + entero + QLatin1Char(',') + QString::number(v % 100).rightJustified(2, QLatin1Char('0'))
           + QStringLiteral(" €");
}

QStringList texto_cifras(const Cifras& c)
{
    return {
        QStringLiteral("Cuentas: %1").arg(c.cuentas),
        QStringLiteral("Facturas: %1").arg(c.facturas),
        QStringLiteral("Depósitos: %1").arg(c.depositos),
        QStringLiteral("Días de caja: %1").arg(c.dias_caja),
        QStringLiteral("Créditos: %1").arg(c.creditos),
        QStringLiteral("Registros: %1").arg(c.lineas),
        QStringLiteral("Importe de las facturas: %1").arg(texto_euros(c.importe_facturas)),
        QStringLiteral("Importe de los depósitos: %1").arg(texto_euros(c.importe_depositos)),
        QStringLiteral("Importe de los cobros de caja: %1").arg(texto_euros(c.importe_caja)),
        QStringLiteral("Importe de los créditos: %1").arg(texto_euros(c.importe_creditos)),
    };
}

QStringList texto_generacion(const Generacion& g, const platform::DriveMap& unidades)
{
    QString rango;
    if (g.tipo == Tipo::Traspaso)
        rango = QStringLiteral(" del ") + fecha_legible(g.desde) + QStringLiteral(" al ") + fecha_legible(g.hasta);
    QStringList lineas{QStringLiteral("Generación %1: %2%3, %4 (%5)")
                           .arg(g.id)
                           .arg(texto_tipo(g.tipo), rango, g.fecha.toString(QStringLiteral("dd-MM-yyyy HH:mm:ss")),
                                g.estado)};
    lineas << QStringLiteral("Fichero: ") + g.ruta + (g.anadir ? QStringLiteral(" (añadido a lo anterior)") : QString());
    if (!g.copia.isEmpty())
        lineas << QStringLiteral("Copia del fichero anterior: ") + unidades.toWindowsBeside(g.copia, g.ruta);
    lineas << texto_cifras(g.cifras);
    if (g.tamano > 0)
        lineas << QStringLiteral("Tamaño: %1 bytes, SHA-256 %2").arg(g.tamano).arg(g.sha256);
    return lineas;
}

} // namespace diario
