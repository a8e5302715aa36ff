#include "data/bitacora.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace bitacora {

namespace {

QString hora(const QDateTime& momento)
{
    return momento.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void rotar(const QString& ruta)
{
    QFile::remove(ruta + QStringLiteral(".%1").arg(kConservados));
    for (int n = kConservados - 1; n >= 1; --n)
        QFile::rename(ruta + QStringLiteral(".%1").arg(n), ruta + QStringLiteral(".%1").arg(n + 1));
    QFile::rename(ruta, ruta + QStringLiteral(".1"));
}

} // namespace

QString ruta(const A3ADO& a)
{
    const QString enlace = a.cn_enlace.localPath();
    return enlace.isEmpty() ? QString() : QFileInfo(enlace).absoluteDir().filePath(QStringLiteral("enlace3.log"));
}

bool anotar_en(const QString& ruta, const QString& texto)
{
    if (ruta.isEmpty())
        return false;
    if (QFileInfo(ruta).size() >= kTamanoMaximo)
        rotar(ruta);
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    // One write per entry: entries of runs ending at once never interleave.
    const QByteArray bytes = texto.toUtf8();
    return f.write(bytes) == bytes.size() && f.flush();
}

QString interrumpido(const std::exception& e)
{
    return QStringLiteral("Interrumpido por un error: ") + QString::fromUtf8(e.what());
}

bool anotar(const A3ADO& a, const QString& tarea, const QDateTime& inicio, const QStringList& lineas, int estado)
{
    QString texto = hora(inicio) + QLatin1Char(' ') + tarea
                    + QStringLiteral(" (proceso %1)\n").arg(QCoreApplication::applicationPid());
    for (const QString& linea : lineas)
        for (const QString& parte : linea.split(QLatin1Char('\n')))
            texto += QStringLiteral("  ") + parte + QLatin1Char('\n');
    texto += hora(QDateTime::currentDateTime()) + QLatin1Char(' ') + tarea
             + QStringLiteral(": estado de salida %1\n").arg(estado);
    try {
        return anotar_en(ruta(a), texto);
    } catch (...) {
        return false;
    }
}

} // namespace bitacora
