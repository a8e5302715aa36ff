#include "platform/drive_map.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using platform::DriveMap;

class TestDriveMap : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;

    void touch(const QString& relative)
    {
        const QString path = root_.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        touch(QStringLiteral("f:/NOCTARIS/Enlace3.MDB"));
        touch(QStringLiteral("c:/noctaris.MDB"));
        touch(QStringLiteral("g:/zumeral/007MAE.mdb"));
    }

    // Existing components are found whatever their case; separators repeat
    // harmlessly; a path without a drive is on C:.
    void resolvesPaths()
    {
        const DriveMap map(root_.path());
        const QList<QPair<QString, QString>> casos = {
            {"F:\\noctaris\\enlace3.MDB", "f:/NOCTARIS/Enlace3.MDB"},
            {"f:/NoCtArIs/ENLACE3.mdb", "f:/NOCTARIS/Enlace3.MDB"},
            {"G:\\ZUMERAL\\007mae.MDB", "g:/zumeral/007MAE.mdb"},
            {"\\NOCTARIS.mdb", "c:/noctaris.MDB"},
            {"noctaris.mdb", "c:/noctaris.MDB"},
            {"F:\\NOCTARIS\\\\Suenlace.dat", "f:/NOCTARIS/Suenlace.dat"},
            {"F:\\\\noctaris//\\enlace3.mdb", "f:/NOCTARIS/Enlace3.MDB"},
            {"F:\\", "f:"},
        };
        for (const auto& [windows, local] : casos)
            QCOMPARE(map.toLocal(windows), root_.path() + QLatin1Char('/') + local);
    }

    void newFileKeepsTheGivenSpellingAndNothingIsCreated()
    {
        const DriveMap map(root_.path());
        const QString local = map.toLocal(QStringLiteral("F:\\noctaris\\Export\\SUENLACE.DAT"));
        QCOMPARE(local, root_.path() + QStringLiteral("/f:/NOCTARIS/Export/SUENLACE.DAT"));
        QVERIFY(!QFileInfo::exists(root_.path() + QStringLiteral("/f:/NOCTARIS/Export")));
        QFile f(local);
        QVERIFY(!f.open(QIODevice::WriteOnly)); // missing folder: fails as on Windows
        QVERIFY(!QFileInfo::exists(root_.path() + QStringLiteral("/f:/NOCTARIS/Export")));

        const QString fresh = map.toLocal(QStringLiteral("F:\\NOCTARIS\\Nuevo Año.txt"));
        QCOMPARE(fresh, root_.path() + QStringLiteral("/f:/NOCTARIS/Nuevo Año.txt"));
        QFile n(fresh);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.close();
        QCOMPARE(QDir(root_.path() + QStringLiteral("/f:/NOCTARIS")).entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("Enlace3.MDB"), QStringLiteral("Nuevo Año.txt")}));
        QVERIFY(QFile::remove(fresh));
        // A drive without a folder maps to its letter and creates nothing either.
        QCOMPARE(map.toLocal(QStringLiteral("H:\\datos\\x.mdb")), root_.path() + QStringLiteral("/h:/datos/x.mdb"));
        QVERIFY(!QFileInfo::exists(root_.path() + QStringLiteral("/h:")));
    }

    void environmentChoosesTheRoot()
    {
        const QByteArray savedExplicit = qgetenv("ENLACE3_DOSDEVICES");
        const QByteArray savedPrefix = qgetenv("WINEPREFIX");
        const QByteArray savedHome = qgetenv("HOME");

        qputenv("ENLACE3_DOSDEVICES", root_.path().toUtf8());
        qputenv("WINEPREFIX", "/somewhere/wine");
        QCOMPARE(DriveMap::fromEnvironment().root(), root_.path());
        QCOMPARE(DriveMap::fromEnvironment().toLocal(QStringLiteral("C:\\noctaris.MDB")),
                 root_.path() + QStringLiteral("/c:/noctaris.MDB"));

        qunsetenv("ENLACE3_DOSDEVICES");
        QCOMPARE(DriveMap::fromEnvironment().root(), QStringLiteral("/somewhere/wine/dosdevices"));

        qunsetenv("WINEPREFIX");
        qputenv("HOME", "/home/recepcion");
        QCOMPARE(DriveMap::fromEnvironment().root(), QStringLiteral("/home/recepcion/.wine/dosdevices"));

        qputenv("ENLACE3_DOSDEVICES", savedExplicit);
        if (savedExplicit.isNull())
            qunsetenv("ENLACE3_DOSDEVICES");
        if (savedPrefix.isNull())
            qunsetenv("WINEPREFIX");
        else
            qputenv("WINEPREFIX", savedPrefix);
        qputenv("HOME", savedHome);
    }
};

QTEST_GUILESS_MAIN(TestDriveMap)
#include "test_drive_map.moc"
