#include "platform/drive_map.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <utility>

namespace platform {

namespace {

// The entry of `folder` whose name equals `name` ignoring case; the exact
// spelling wins when several differ only in case. Empty when none exists.
QString findEntry(const QString& folder, const QString& name)
{
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return name;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

} // namespace

DriveMap::DriveMap(QString root) : root_(std::move(root))
{
    while (root_.size() > 1 && root_.endsWith(QLatin1Char('/')))
        root_.chop(1);
}

DriveMap DriveMap::fromEnvironment()
{
    const QString explicitRoot = qEnvironmentVariable("ENLACE3_DOSDEVICES");
    if (!explicitRoot.isEmpty())
        return DriveMap(explicitRoot);
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!prefix.isEmpty())
        return DriveMap(prefix + QStringLiteral("/dosdevices"));
    return DriveMap(QDir::homePath() + QStringLiteral("/.wine/dosdevices"));
}

QString DriveMap::toLocal(const QString& windowsPath) const
{
    QChar letter = QLatin1Char('c');
    QString rest = windowsPath;
    if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':') && rest.at(0).isLetter()
        && rest.at(0).unicode() < 128) {
        letter = rest.at(0).toLower();
        rest = rest.mid(2);
    }

    static const QRegularExpression separators(QStringLiteral("[\\\\/]+"));
    const QStringList parts = rest.split(separators, Qt::SkipEmptyParts);

    QString drive = QString(letter) + QLatin1Char(':');
    const QString driveOnDisk = findEntry(root_, drive);
    QString local = root_ + QLatin1Char('/') + (driveOnDisk.isEmpty() ? drive : driveOnDisk);

    // Once a component is missing nothing below it can exist either, so the
    // rest keeps the caller's spelling without looking at the disk, until a
    // ".." climbs back above the missing one (Windows reads ".." by name).
    const bool driveExists = !driveOnDisk.isEmpty();
    qsizetype firstMissing = -1;
    QStringList resolved;
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!resolved.isEmpty())
                resolved.removeLast();
            if (firstMissing >= resolved.size())
                firstMissing = -1;
            continue;
        }
        QString name = part;
        if (driveExists && firstMissing < 0) {
            const QString folder = resolved.isEmpty() ? local : local + QLatin1Char('/') + resolved.join(QLatin1Char('/'));
            const QString found = findEntry(folder, part);
            if (found.isEmpty())
                firstMissing = resolved.size();
            else
                name = found;
        }
        resolved << name;
    }
    if (!resolved.isEmpty())
        local += QLatin1Char('/') + resolved.join(QLatin1Char('/'));
    return local;
}

QString DriveMap::toWindows(const QString& localPath) const
{
    const QString prefijo = root_ + QLatin1Char('/');
    if (!localPath.startsWith(prefijo))
        return localPath;
    const QString resto = localPath.mid(prefijo.size());
    if (resto.size() < 2 || resto.at(1) != QLatin1Char(':') || !resto.at(0).isLetter())
        return localPath;
    QString r = resto.left(1).toUpper() + QLatin1Char(':') + resto.mid(2);
    r.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (r.size() == 2)
        r += QLatin1Char('\\');
    return forDisplay(r);
}

QString DriveMap::toWindowsBeside(const QString& localPath, const QString& windowsSibling) const
{
    const QString vista = forDisplay(windowsSibling);
    const qsizetype barra = vista.lastIndexOf(QLatin1Char('\\'));
    const QFileInfo archivo(localPath);
    if (barra >= 0 && !localPath.isEmpty()
        && QFileInfo(toLocal(windowsSibling)).absolutePath() == archivo.absolutePath())
        return vista.left(barra + 1) + archivo.fileName();
    return toWindows(localPath);
}

QString DriveMap::forDisplay(const QString& windowsPath)
{
    const bool red = windowsPath.startsWith(QLatin1String("\\\\"));
    QString r;
    r.reserve(windowsPath.size());
    for (qsizetype i = 0; i < windowsPath.size(); ++i) {
        const QChar c = windowsPath.at(i);
        if (c == QLatin1Char('\\') && !r.isEmpty() && r.back() == QLatin1Char('\\') && !(red && i == 1))
            continue;
        r += c;
    }
    return r;
}

} // namespace platform
