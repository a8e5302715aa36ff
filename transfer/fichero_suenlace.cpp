#include "transfer/fichero_suenlace.h"

#include "transfer/records/verificador.h"

#include "data/instalacion_ocupada.h"

#include "platform/cp1252.h"
#include "platform/huella.h"
#include "platform/punto_fallo.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file nobody may write to was made read-only on purpose: it is left alone
// even when the link runs with the rights to overwrite it anyway.
bool es_de_solo_lectura(const QFileInfo& info)
{
    constexpr auto escritura = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && info.isFile() && !(info.permissions() & escritura);
}

bool es_fichero_normal(const QString& local)
{
    struct stat st {};
    return ::stat(QFile::encodeName(local).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

const QRegularExpression& patron_copia()
{
    static const QRegularExpression patron(QStringLiteral("^Suenlace_[0-9]{8}_[0-9]{6}(_[0-9]+)?\\.dat$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return patron;
}

constexpr qint64 kTrozo = 1 << 20;

// What went wrong with the file, in the user's words ("no queda espacio en
// el disco"), without the temporary file's name.
QString motivo(const platform::LineWriter& w)
{
    return w.errorCode() != 0 ? platform::describeErrno(w.errorCode()) : w.errorString();
}

// "F:\NOCTARIS" of "F:\NOCTARIS\\Suenlace.dat".
QString carpeta_de(const QString& ruta)
{
    QString carpeta = ruta.left(ruta.lastIndexOf(QLatin1Char('\\')));
    while (carpeta.endsWith(QLatin1Char('\\')) && !carpeta.endsWith(QLatin1String(":\\")))
        carpeta.chop(1);
    return carpeta.endsWith(QLatin1Char(':')) ? carpeta + QLatin1Char('\\') : carpeta;
}

// The file as the user reads it: "F:\NOCTARIS\Suenlace.dat".
QString ruta_suenlace(const A3ADO& a)
{
    return platform::DriveMap::forDisplay(a.wruta + QStringLiteral("\\Suenlace.dat"));
}

// The local file a run replaces: the file a link points at, so the link
// stays as the user made it.
QString destino_local(const A3ADO& a)
{
    const QString local = a.unidades.toLocal(a.wruta + QStringLiteral("\\Suenlace.dat"));
    const QFileInfo info(local);
    return info.exists() && info.isSymLink() ? info.canonicalFilePath() : local;
}

} // namespace

ReservaCarpeta ocupar_carpeta_suenlace(A3ADO& a, const QString& tarea)
{
    ReservaCarpeta r;
    const QString carpeta = QFileInfo(destino_local(a)).absolutePath();
    const QString ruta = ruta_bloqueo_carpeta(carpeta);
    QString ocupante;
    bool por_sistema = false;
    r.bloqueo = platform::Bloqueo::tomar(ruta, tarea, &ocupante, &por_sistema);
    if (r.bloqueo) {
        // Held, no other run writes here: a temporary file is what a stopped
        // run left. Its generation, if still pending, is undone at its own
        // start instead of replacing the file this run is about to write.
        diario::borrar_temporales(carpeta);
        return r;
    }
    if (por_sistema && !QFileInfo::exists(ruta))
        return r;
    r.negada = true;
    const QString titulo = QStringLiteral("Carpeta de exportación ocupada");
    const QString nombre = carpeta_de(ruta_suenlace(a));
    if (por_sistema)
        a.ui.message(QStringLiteral("No se puede reservar la carpeta ") + nombre + QStringLiteral(" para ") + tarea
                         + QStringLiteral(": ") + ocupante + QStringLiteral(". No se ha hecho nada."),
                     titulo, platform::Icon::Exclamation);
    else
        a.ui.message(QStringLiteral("La carpeta ") + nombre
                         + QStringLiteral(", donde se genera Suenlace.dat, la está usando otro proceso de enlace3 (")
                         + ocupante
                         + QStringLiteral("), de otra instalación que genera su Suenlace.dat en la misma carpeta. "
                                          "Espere a que termine y vuelva a intentarlo: no se ha hecho nada."),
                     titulo, platform::Icon::Exclamation);
    return r;
}

struct FicheroSuenlace::Salida {
    platform::LineWriter escritor;
    platform::Sha256 suma;
    qint64 bytes = 0;
    qint64 lineas = 0;
};

FicheroSuenlace::FicheroSuenlace(A3ADO& a, diario::Tipo tipo, QString desde, QString hasta)
    : a(a), salida_(std::make_unique<Salida>())
{
    gen_.tipo = tipo;
    gen_.desde = std::move(desde);
    gen_.hasta = std::move(hasta);
}

FicheroSuenlace::~FicheroSuenlace()
{
    if (abierto_)
        abandonar();
}

void FicheroSuenlace::fallo(const QString& texto)
{
    if (error_.isEmpty())
        error_ = texto;
    detenido_ = true;
}

bool FicheroSuenlace::abrir()
{
    // The path is the folder followed by "\\Suenlace.dat" whatever the folder
    // ends with; the user reads it with one separator.
    const QString ruta = a.wruta + QStringLiteral("\\Suenlace.dat");
    ruta_ = ruta_suenlace(a);
    const QString local = destino_local(a);
    existia_ = QFileInfo::exists(local);
    if (existia_) {
        // The question names the file as the folder setting and the name
        // make it, as it always has.
        const bool borrar = a.ui.ask(QStringLiteral("El fichero ") + ruta
                                         + QStringLiteral(", ya está generado. ¿Desea borrar la información anterior?"),
                                     QStringLiteral("Atención Muy Importante"), platform::Icon::Information);
        gen_.anadir = !borrar;
    }
    const QString no_abre = QStringLiteral("No se ha podido abrir el fichero ") + ruta_ + QStringLiteral(": ");
    // A device, a pipe or a folder cannot be replaced by a finished file.
    if (existia_ && !es_fichero_normal(local)) {
        fallo(no_abre + QStringLiteral("no es un fichero normal."));
        return false;
    }
    if (es_de_solo_lectura(QFileInfo(local))) {
        fallo(no_abre + QStringLiteral("el fichero es de solo lectura."));
        return false;
    }
    gen_.destino = local;
    gen_.ruta = ruta_;
    gen_.temporal = QFileInfo(local).absoluteDir().filePath(diario::nombre_temporal());
    gen_.fecha = QDateTime::currentDateTime();

    if (!salida_->escritor.open(gen_.temporal, platform::LineWriter::Mode::Truncate)) {
        // The file is written beside itself and then put in its place: the
        // folder, not only the file, must take new files.
        const int e = salida_->escritor.errorCode();
        const QString carpeta = (e == EACCES || e == EPERM || e == EROFS)
            ? QStringLiteral(" (hace falta poder crear ficheros en su carpeta ")
                  + carpeta_de(ruta_) + QLatin1Char(')')
            : QString();
        fallo(no_abre + motivo(salida_->escritor) + carpeta + QLatin1Char('.'));
        return false;
    }
    abierto_ = true;
    // Emptying the file is left to the rename: the previous file stays
    // whole until this run's file replaces it. Kept content comes first.
    if (existia_ && gen_.anadir && !copiar_anterior(local)) {
        abandonar();
        return false;
    }
    try {
        diario::asegurar_tablas(a.cn_enlace);
        if (!a.cn_enlace.inTransaction()) {
            a.cn_enlace.beginTrans();
            transaccion_propia_ = true;
        }
        gen_.id = diario::abrir_generacion(a.cn_enlace, gen_);
    } catch (const ado::Error& e) {
        abandonar(QStringLiteral("No se puede marcar lo enviado en la base de datos del enlace: ") + e.description()
                  + QStringLiteral(". No se ha escrito nada en el fichero ") + ruta_ + QStringLiteral("."));
        return false;
    }
    return true;
}

bool FicheroSuenlace::copiar_anterior(const QString& local)
{
    QFile anterior(local);
    if (!anterior.open(QIODevice::ReadOnly)) {
        fallo(QStringLiteral("No se ha podido leer el fichero ") + ruta_ + QStringLiteral(": ") + anterior.errorString()
              + QLatin1Char('.'));
        return false;
    }
    char ultimo = '\n';
    while (!anterior.atEnd()) {
        const QByteArray trozo = anterior.read(kTrozo);
        if (trozo.isEmpty() && anterior.error() != QFileDevice::NoError) {
            fallo(QStringLiteral("No se ha podido leer el fichero ") + ruta_ + QStringLiteral(": ")
                  + anterior.errorString() + QLatin1Char('.'));
            return false;
        }
        if (!escribir_bytes(trozo))
            return false;
        if (!trozo.isEmpty())
            ultimo = trozo.back();
    }
    // A last line left without its end would swallow the first new record:
    // it is ended, so that every new record stands on a line of its own.
    if (ultimo == '\r')
        return escribir_bytes(QByteArrayLiteral("\n"));
    return ultimo == '\n' || escribir_bytes(QByteArrayLiteral("\r\n"));
}

bool FicheroSuenlace::escribir_bytes(const QByteArray& bytes)
{
    Salida& s = *salida_;
    if (!s.escritor.writeBytes(bytes)) {
        fallo(QStringLiteral("No se ha podido escribir el fichero ") + ruta_ + QStringLiteral(": ") + motivo(s.escritor)
              + QStringLiteral(". El fichero se ha dejado como estaba y no se ha marcado nada como enviado."));
        return false;
    }
    s.suma.add(bytes);
    s.bytes += bytes.size();
    return true;
}

bool FicheroSuenlace::escribir(const QStringList& lineas)
{
    if (detenido_ || !abierto_)
        return false;
    // The entry's bytes go to the file and to the hash at once.
    QByteArray entrada;
    entrada.reserve(lineas.size() * 256);
    for (const QString& linea : lineas) {
        entrada += platform::toCp1252(linea);
        entrada += "\r\n";
    }
    if (!escribir_bytes(entrada))
        return false;
    salida_->lineas += lineas.size();
    platform::punto_de_fallo("linea");
    return true;
}

qint64 FicheroSuenlace::lineas() const { return salida_->lineas; }

void FicheroSuenlace::marcar(const QString& tabla, qint64 fila, const QVariant& antes)
{
    diario::anotar_marca(a.cn_enlace, gen_.id, tabla, fila, antes);
}

void FicheroSuenlace::marcar_dia_caja(const QString& dia)
{
    diario::anotar_marcas_dia_caja(a.cn_enlace, gen_.id, dia);
}

bool FicheroSuenlace::transaccion_viva()
{
    if (transaccion_propia_ && a.cn_enlace.transactionLost()) {
        fallo(a.cn_enlace.lostError(ruta_).description() + QStringLiteral(" No se ha marcado nada y el fichero ") + ruta_
              + QStringLiteral(" se ha dejado como estaba."));
        return false;
    }
    return !detenido_;
}

bool FicheroSuenlace::guardar_copia()
{
    const QFileInfo destino(gen_.destino);
    const QString base = QStringLiteral("Suenlace_") + gen_.fecha.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString copia = destino.absoluteDir().filePath(base + QStringLiteral(".dat"));
    for (int n = 2; QFileInfo::exists(copia); ++n)
        copia = destino.absoluteDir().filePath(base + QStringLiteral("_%1.dat").arg(n));
    // A second name for the same bytes: the rename below gives the target a
    // new file and leaves this one as the copy, with no time spent copying.
    if (::link(QFile::encodeName(gen_.destino).constData(), QFile::encodeName(copia).constData()) != 0) {
        if (!QFile::copy(gen_.destino, copia)) {
            fallo(QStringLiteral("No se ha podido guardar una copia del fichero anterior ") + ruta_
                  + QStringLiteral(" en ") + copia + QStringLiteral(": ") + platform::describeErrno(errno)
                  + QStringLiteral(". El fichero se ha dejado como estaba y no se ha marcado nada como enviado."));
            QFile::remove(copia);
            return false;
        }
    }
    copia_ = copia;
    gen_.copia = copia;
    return true;
}

void FicheroSuenlace::podar_copias() const
{
    QDir dir = QFileInfo(gen_.destino).absoluteDir();
    // Oldest first: by date and time, then by the number of copies made in
    // the same second ("_2", "_10").
    std::vector<std::pair<QString, QString>> copias;
    for (const QString& nombre : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = patron_copia().match(nombre);
        if (m.hasMatch())
            copias.emplace_back(nombre.mid(9, 15) + m.captured(1).mid(1).rightJustified(6, QLatin1Char('0')), nombre);
    }
    std::sort(copias.begin(), copias.end());
    for (size_t i = 0; i + kCopiasGuardadas < copias.size(); ++i)
        dir.remove(copias[i].second);
}

bool FicheroSuenlace::confirmar(const diario::Cifras& cifras)
{
    if (!abierto_)
        return false;
    if (detenido_ || !transaccion_viva()) {
        abandonar();
        return false;
    }
    Salida& s = *salida_;
    if (!s.escritor.close()) {
        abandonar(QStringLiteral("No se ha podido escribir el fichero ") + ruta_ + QStringLiteral(": ")
                  + motivo(s.escritor)
                  + QStringLiteral(". El fichero se ha dejado como estaba y no se ha marcado nada como enviado."));
        return false;
    }
    platform::punto_de_fallo("fichero-cerrado");

    if (existia_) {
        // The new file keeps the permissions the old one had.
        QFile::setPermissions(gen_.temporal, QFileInfo(gen_.destino).permissions());
        if (!gen_.anadir && QFileInfo(gen_.destino).size() > 0 && !guardar_copia()) {
            abandonar();
            return false;
        }
    }

    gen_.tamano = s.bytes;
    gen_.sha256 = s.suma.hex();
    gen_.cifras = cifras;
    gen_.cifras.lineas = s.lineas;
    try {
        diario::cerrar_generacion(a.cn_enlace, gen_);
        if (!transaccion_viva()) {
            abandonar();
            return false;
        }
        if (transaccion_propia_)
            a.cn_enlace.commitTrans();
        transaccion_propia_ = false;
    } catch (const ado::Error& e) {
        abandonar(QStringLiteral("No se han podido guardar las marcas de lo enviado en la base de datos del enlace (")
                  + e.description() + QStringLiteral("). El fichero ") + ruta_
                  + QStringLiteral(" se ha dejado como estaba y no se ha marcado nada como enviado."));
        return false;
    }
    platform::punto_de_fallo("marcas");

    if (::rename(QFile::encodeName(gen_.temporal).constData(), QFile::encodeName(gen_.destino).constData()) != 0) {
        const QString motivo = platform::describeErrno(errno);
        QString deshecho;
        try {
            diario::deshacer_marcas(a.cn_enlace, gen_.id);
        } catch (const ado::Error& e) {
            // The journal row stays pending: the next start-up rolls it back.
            deshecho = QStringLiteral(" (las marcas se desharán al arrancar de nuevo: ") + e.description()
                       + QStringLiteral(")");
        }
        QFile::remove(gen_.temporal);
        if (!copia_.isEmpty())
            QFile::remove(copia_);
        copia_.clear();
        abierto_ = false;
        error_ = QStringLiteral("No se ha podido poner en su sitio el fichero ") + ruta_ + QStringLiteral(": ") + motivo
                 + QStringLiteral(". Se ha dejado como estaba y no se ha marcado nada como enviado") + deshecho
                 + QStringLiteral(".");
        return false;
    }
    diario::sincronizar_carpeta(QFileInfo(gen_.destino).absolutePath());
    abierto_ = false;
    platform::punto_de_fallo("renombrado");
    try {
        diario::dar_por_hecha(a.cn_enlace, gen_.id);
    } catch (const ado::Error&) {
        // File and marks agree already; the next start-up closes the row.
    }
    podar_copias();
    return true;
}

void FicheroSuenlace::abandonar(const QString& motivo)
{
    if (!motivo.isEmpty() && error_.isEmpty())
        error_ = motivo;
    detenido_ = true;
    if (salida_->escritor.isOpen())
        salida_->escritor.close();
    if (!gen_.temporal.isEmpty())
        QFile::remove(gen_.temporal);
    if (!copia_.isEmpty())
        QFile::remove(copia_);
    copia_.clear();
    gen_.copia.clear();
    if (transaccion_propia_) {
        try {
            a.cn_enlace.rollbackTrans();
        } catch (const ado::Error&) {
            // Nothing was committed; the reason above is what matters.
        }
        transaccion_propia_ = false;
    }
    abierto_ = false;
}

QString FicheroSuenlace::copia() const
{
    return copia_.isEmpty() ? QString() : a.unidades.toWindowsBeside(copia_, ruta_);
}

QStringList lineas_del_fichero(const A3ADO& a, const QString& ruta, const QString& copia)
{
    const QString local = a.unidades.toLocal(ruta);
    QStringList r{QStringLiteral("Fichero: ") + ruta, QStringLiteral("Tamaño: %1 bytes").arg(QFileInfo(local).size())};
    if (!copia.isEmpty())
        r << QStringLiteral("Copia del fichero anterior: ") + copia;
    QString error;
    const auto informe = verificador::verificar_fichero(local, &error);
    if (!informe)
        r << QStringLiteral("Comprobación del fichero: no se ha podido leer (") + error + QStringLiteral(")");
    else if (informe->correcto())
        r << QStringLiteral("Comprobación del fichero: correcto, %1 líneas").arg(informe->resumen.lineas);
    else if (informe->resumen.lineas == 0 && QFileInfo(local).size() == 0)
        // A run with nothing to send leaves an empty file, as it should.
        r << QStringLiteral("Comprobación del fichero: vacío, no hay ningún registro");
    else if (informe->problemas.size() == 1)
        r << QStringLiteral("Comprobación del fichero: 1 problema: ") + verificador::texto_problema(informe->problemas.constFirst());
    else
        r << QStringLiteral("Comprobación del fichero: %1 problemas; el primero: ").arg(informe->problemas.size())
                 + verificador::texto_problema(informe->problemas.constFirst());
    return r;
}
