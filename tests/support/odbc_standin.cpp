#include "odbc_standin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace testsupport {

QString sqliteOdbcDriverPath()
{
    const QString given = qEnvironmentVariable("ENLACE3_SQLITEODBC");
    if (!given.isEmpty() && QFileInfo(given).isFile())
        return given;
    // Multiarch folders (x86_64-linux-gnu, aarch64-linux-gnu, ...) first, then the plain ones.
    QStringList folders;
    for (const QString& t : QDir(QStringLiteral("/usr/lib")).entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs))
        folders << QStringLiteral("/usr/lib/%1/odbc").arg(t) << QStringLiteral("/usr/lib/%1").arg(t);
    folders << QStringLiteral("/usr/lib/odbc") << QStringLiteral("/usr/local/lib/odbc") << QStringLiteral("/usr/lib64/odbc")
            << QStringLiteral("/usr/lib") << QStringLiteral("/usr/lib64") << QStringLiteral("/usr/local/lib");
    for (const QString& folder : folders) {
        // The unversioned name first, else the first versioned one.
        const QStringList found = QDir(folder).entryList({QStringLiteral("libsqlite3odbc*.so")}, QDir::Files, QDir::Name);
        if (!found.isEmpty())
            return folder + QLatin1Char('/')
                + (found.contains(QStringLiteral("libsqlite3odbc.so")) ? QStringLiteral("libsqlite3odbc.so")
                                                                        : found.constFirst());
    }
    return QString();
}

bool installOdbcStandin(const QString& dir, QString* error)
{
    const QString driver = sqliteOdbcDriverPath();
    QFile ini(dir + QStringLiteral("/odbcinst.ini"));
    QFile dsn(dir + QStringLiteral("/odbc.ini"));
    const QString why = driver.isEmpty() ? QStringLiteral("SQLite ODBC driver (libsqliteodbc) not found")
        : !ini.open(QIODevice::WriteOnly | QIODevice::Truncate) ? ini.errorString() : QString();
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    ini.write(QStringLiteral("[SQL Native Client]\nDescription=SQLite 3 ODBC driver standing in for SQL Server\n"
                             "Driver=%1\nSetup=%1\nUsageCount=1\n").arg(driver).toUtf8());
    ini.close();
    if (dsn.open(QIODevice::WriteOnly | QIODevice::Truncate))
        dsn.close();
    qputenv("ODBCSYSINI", QFile::encodeName(dir));
    qputenv("ODBCINI", QFile::encodeName(dir + QStringLiteral("/odbc.ini")));
    return true;
}

QProcessEnvironment odbcStandinEnvironment(const QString& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ODBCSYSINI"), dir);
    env.insert(QStringLiteral("ODBCINI"), dir + QStringLiteral("/odbc.ini"));
    return env;
}

QString sqlServerConnectionString(const QString& server, const QString& catalogue)
{
    return QStringLiteral("Driver={SQL Native Client};Server=") + server + QStringLiteral(";Database=") + catalogue
        + QStringLiteral("; Uid=noctaris;Pwd=KOVE3;");
}

} // namespace testsupport
