#pragma once

#include <QString>
#include <QStringList>

namespace testsupport {

// Makes a real SQLite file at `path` and runs `statements` on it through a
// short-lived QtSql connection of its own. Fails the current test on any error.
void buildDatabase(const QString& path, const QStringList& statements);

} // namespace testsupport
