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
    QStringList folders = {QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc"), QStringLiteral("/usr/lib/odbc"),
                           QStringLiteral("/usr/local/lib/odbc"), QStringLiteral("/usr/lib64/odbc"),
                           QStringLiteral("/usr/lib"), QStringLiteral("/usr/lib64"), QStringLiteral("/usr/local/lib")};
    // Other multiarch triplets (aarch64-linux-gnu, ...).
    const QStringList triplets = QDir(QStringLiteral("/usr/lib")).entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs);
    for (const QString& t : triplets)
        folders << QStringLiteral("/usr/lib/%1/odbc").arg(t) << QStringLiteral("/usr/lib/%1").arg(t);
    for (const QString& folder : folders) {
        const QString plain = folder + QStringLiteral("/libsqlite3odbc.so");
        if (QFileInfo(plain).isFile())
            return plain;
        const QStringList versions =
            QDir(folder).entryList({QStringLiteral("libsqlite3odbc*.so")}, QDir::Files, QDir::Name);
        if (!versions.isEmpty())
            return folder + QLatin1Char('/') + versions.constFirst();
    }
    return QString();
}

bool installOdbcStandin(const QString& dir, QString* error)
{
    const QString driver = sqliteOdbcDriverPath();
    if (driver.isEmpty()) {
        if (error)
            *error = QStringLiteral("SQLite ODBC driver (libsqliteodbc) not found");
        return false;
    }
    QFile ini(dir + QStringLiteral("/odbcinst.ini"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = ini.errorString();
        return false;
    }
    const QByteArray text = QStringLiteral("[SQL Native Client]\n"
                                           "Description=SQLite 3 ODBC driver standing in for SQL Server\n"
                                           "Driver=%1\n"
                                           "Setup=%1\n"
                                           "UsageCount=1\n")
                                .arg(driver)
                                .toUtf8();
    ini.write(text);
    ini.close();
    QFile dsn(dir + QStringLiteral("/odbc.ini"));
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
