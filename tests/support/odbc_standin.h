#pragma once

// The tests reach "SQL Server" through the real unixODBC driver manager with
// the SQLite ODBC driver registered under the name the link asks for,
// "SQL Native Client", in a private odbcinst.ini.

#include <QProcessEnvironment>
#include <QString>

namespace testsupport {

// Full path of the SQLite 3 ODBC driver library; empty when not installed.
QString sqliteOdbcDriverPath();

// Writes <dir>/odbcinst.ini (and an empty odbc.ini) registering
// "SQL Native Client" -> the SQLite ODBC driver, and points ODBCSYSINI of
// this process at <dir>. Call before any ODBC use. False (with `error`)
// when the driver is missing or the files cannot be written.
bool installOdbcStandin(const QString& dir, QString* error = nullptr);

// The environment a child process needs to find the same registration.
QProcessEnvironment odbcStandinEnvironment(const QString& dir);

// The connection string the link builds for a server and catalogue.
QString sqlServerConnectionString(const QString& server, const QString& catalogue);

} // namespace testsupport
