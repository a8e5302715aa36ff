#include "support/sqlite_support.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace testsupport {

void buildDatabase(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("fixture-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& s : statements)
            QVERIFY2(query.exec(s), qPrintable(s));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace testsupport
