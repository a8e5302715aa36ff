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
    QString at(const QString& relative) const { return root_.path() + QLatin1Char('/') + relative; }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* file : {"f:/NOCTARIS/Enlace3.MDB", "c:/noctaris.MDB", "g:/zumeral/007MAE.mdb"}) {
            QDir().mkpath(QFileInfo(at(file)).path());
            QFile f(at(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    // Existing components are found whatever their case; separators repeat
    // harmlessly; a path without a drive is on C:; a new name keeps its
    // spelling; nothing is created on the way.
    void resolvesPaths()
    {
        const DriveMap map(root_.path());
        const QList<QPair<QString, QString>> casos = {
            {"F:\\noctaris\\enlace3.MDB", "f:/NOCTARIS/Enlace3.MDB"}, {"G:\\ZUMERAL\\007mae.MDB", "g:/zumeral/007MAE.mdb"},
            {"\\NOCTARIS.mdb", "c:/noctaris.MDB"}, {"noctaris.mdb", "c:/noctaris.MDB"},
            {"F:\\\\noctaris//\\enlace3.mdb", "f:/NOCTARIS/Enlace3.MDB"}, {"F:\\", "f:"},
            {"F:\\noctaris\\Export\\SUENLACE.DAT", "f:/NOCTARIS/Export/SUENLACE.DAT"},
            {"F:\\NOCTARIS\\Nuevo Año.txt", "f:/NOCTARIS/Nuevo Año.txt"}, {"H:\\datos\\x.mdb", "h:/datos/x.mdb"},
            {"F:\\falta\\..\\noctaris\\enlace3.mdb", "f:/NOCTARIS/Enlace3.MDB"},
            {"F:\\falta\\otra\\..\\enlace3.mdb", "f:/falta/enlace3.mdb"},
            {"F:\\noctaris\\.\\..\\NOCTARIS\\ENLACE3.mdb", "f:/NOCTARIS/Enlace3.MDB"},
        };
        for (const auto& [windows, local] : casos)
            QCOMPARE(map.toLocal(windows), at(local));
        QCOMPARE(QDir(at("f:/NOCTARIS")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Enlace3.MDB"});
        QVERIFY(!QFileInfo::exists(at("h:")));
    }

    // A file beside a path the user typed is named with the folder as typed;
    // elsewhere, or outside the root, as the disk spells it.
    void namesAFileBesideATypedPath()
    {
        const DriveMap map(root_.path());
        const struct {
            const char *local, *sibling, *shown;
        } casos[] = {
            {"f:/NOCTARIS/Suenlace_1.dat", "F:\\noctaris\\\\Suenlace.dat", "F:\\noctaris\\Suenlace_1.dat"},
            {"f:/NOCTARIS/Suenlace_1.dat", "F:\\NOCTARIS\\Suenlace.dat", "F:\\NOCTARIS\\Suenlace_1.dat"},
            {"f:/NOCTARIS/Export/copia.dat", "F:\\noctaris\\Suenlace.dat", "F:\\NOCTARIS\\Export\\copia.dat"},
            {"g:/zumeral/x.dat", "Suenlace.dat", "G:\\zumeral\\x.dat"},
        };
        for (const auto& c : casos)
            QCOMPARE(map.toWindowsBeside(at(c.local), c.sibling), QString(c.shown));
        QCOMPARE(map.toWindowsBeside("/otra/parte/x.dat", "F:\\NOCTARIS\\Suenlace.dat"), QString("/otra/parte/x.dat"));
        // Under the root but on no drive: left as it is.
        for (const char* fuera : {"x", "1:/a", "ab"})
            QCOMPARE(map.toWindows(at(fuera)), at(fuera));
        QCOMPARE(map.toWindowsBeside(QString(), "F:\\NOCTARIS\\Suenlace.dat"), QString());
        // Shown with one separator between names; a network path keeps its leading two.
        for (const auto& [dado, visto] : {std::pair{"F:\\noctaris\\\\enlace3.MDB", "F:\\noctaris\\enlace3.MDB"},
                                          std::pair{"\\\\servidor\\\\datos\\x.MDB", "\\\\servidor\\datos\\x.MDB"},
                                          std::pair{"\\noctaris\\x", "\\noctaris\\x"}})
            QCOMPARE(DriveMap::forDisplay(dado), QString(visto));
    }

    void environmentChoosesTheRoot()
    {
        const QByteArray saved[] = {qgetenv("ENLACE3_DOSDEVICES"), qgetenv("WINEPREFIX"), qgetenv("HOME")};
        qputenv("ENLACE3_DOSDEVICES", root_.path().toUtf8());
        qputenv("WINEPREFIX", "/somewhere/wine");
        QCOMPARE(DriveMap::fromEnvironment().toLocal(QStringLiteral("C:\\noctaris.MDB")), at("c:/noctaris.MDB"));
        qunsetenv("ENLACE3_DOSDEVICES");
        QCOMPARE(DriveMap::fromEnvironment().root(), QStringLiteral("/somewhere/wine/dosdevices"));
        qunsetenv("WINEPREFIX");
        qputenv("HOME", "/home/recepcion");
        QCOMPARE(DriveMap::fromEnvironment().root(), QStringLiteral("/home/recepcion/.wine/dosdevices"));
        const char* names[] = {"ENLACE3_DOSDEVICES", "WINEPREFIX", "HOME"};
        for (int i = 0; i < 3; ++i)
            saved[i].isNull() ? void(qunsetenv(names[i])) : void(qputenv(names[i], saved[i]));
    }
};

QTEST_GUILESS_MAIN(TestDriveMap)
#include "test_drive_map.moc"
