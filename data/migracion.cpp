#include "data/migracion.h"

#include "platform/jet.h"
#include "platform/punto_fallo.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The copy of the original must be on disk before the original is replaced.
bool a_disco(const QString& local)
{
    const int fd = ::open(QFile::encodeName(local).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

Migracion fallo(const QString& ruta, const QString& por_que)
{
    Migracion m;
    m.mensaje = QStringLiteral("No se ha convertido la base de datos del enlace %1: %2. El original sigue como estaba.")
                    .arg(platform::DriveMap::forDisplay(ruta), por_que);
    return m;
}

} // namespace

QString copia_de_migracion(const QString& windowsPath, int numero)
{
    const QString marca = numero > 1 ? QStringLiteral("-access-%1").arg(numero) : QStringLiteral("-access");
    const qsizetype punto = windowsPath.lastIndexOf(QLatin1Char('.'));
    const qsizetype barra = windowsPath.lastIndexOf(QLatin1Char('\\'));
    if (punto <= barra)
        return windowsPath + marca;
    return windowsPath.left(punto) + marca + windowsPath.mid(punto);
}

Migracion migrar_enlace(const platform::DriveMap& unidades, const QString& windowsPath)
{
    const QString ruta = platform::DriveMap::forDisplay(windowsPath);
    const QString local = unidades.toLocal(windowsPath);
    if (!QFileInfo(local).isFile())
        return fallo(windowsPath, QStringLiteral("no se encuentra el fichero"));
    const jet::Formato formato = jet::formato(local);
    if (formato == jet::Formato::SQLite) {
        Migracion m;
        m.resultado = Migracion::Resultado::YaConvertida;
        m.mensaje = QStringLiteral("La base de datos del enlace %1 ya está en formato SQLite: no hay nada que "
                                   "convertir.")
                        .arg(ruta);
        return m;
    }
    if (!jet::es_jet(formato))
        return fallo(windowsPath, QStringLiteral("no es una base de datos Access ni SQLite"));

    const QString nueva = local + QStringLiteral(".convirtiendo");
    // An earlier backup (of a database converted, then replaced by an Access
    // file again) is another original: it is never replaced.
    QString copia, copia_local;
    for (int numero = 1; copia.isEmpty() || QFileInfo::exists(copia_local) || QFileInfo(copia_local).isSymLink();
         ++numero) {
        copia = copia_de_migracion(windowsPath, numero);
        copia_local = unidades.toLocal(copia);
    }
    QStringList tablas;
    bool al_escribir = false;
    const QString por_que = jet::copiar(local, nueva, &tablas, &al_escribir);
    if (!por_que.isEmpty())
        return fallo(windowsPath, al_escribir ? QStringLiteral("no se ha podido escribir la base convertida %1 (%2)")
                                                    .arg(platform::DriveMap::forDisplay(windowsPath)
                                                             + QStringLiteral(".convirtiendo"),
                                                         por_que)
                                              : QStringLiteral("no se ha podido leer (%1)").arg(por_que));
    if (!tablas.contains(QStringLiteral("ca3"), Qt::CaseInsensitive)) {
        QFile::remove(nueva);
        return fallo(windowsPath, QStringLiteral("no tiene la tabla ca3 de la configuración del enlace"));
    }
    platform::punto_de_fallo("migracion_leida");

    // The original is only ever copied, never moved: until the rename below
    // enlace3.MDB is the Access file, after it the SQLite one. The copy
    // never overwrites: a file that took its name meanwhile stays.
    if (!QFile::copy(local, copia_local)) {
        QFile::remove(nueva);
        return fallo(windowsPath, QStringLiteral("no se puede guardar la copia del original en %1").arg(copia));
    }
    if (!a_disco(copia_local) || !a_disco(nueva)) {
        QFile::remove(copia_local);
        QFile::remove(nueva);
        return fallo(windowsPath, QStringLiteral("no se puede guardar la copia del original en %1").arg(copia));
    }
    platform::punto_de_fallo("migracion_copiada");
    if (std::rename(QFile::encodeName(nueva).constData(), QFile::encodeName(local).constData()) != 0) {
        QFile::remove(nueva);
        return fallo(windowsPath, QStringLiteral("no se puede sustituir el fichero"));
    }
    Migracion m;
    m.resultado = Migracion::Resultado::Convertida;
    m.copia = copia;
    m.tablas = tablas;
    m.mensaje = QStringLiteral("La base de datos del enlace %1 (%2) se ha convertido a SQLite: %3 tablas (%4). "
                               "El original queda guardado en %5.")
                    .arg(ruta, jet::nombre(formato))
                    .arg(tablas.size())
                    .arg(tablas.join(QStringLiteral(", ")), platform::DriveMap::forDisplay(copia));
    return m;
}
