// The lock that keeps two runs off one installation, on real files and a
// real second process.

#include "platform/bloqueo.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using platform::Bloqueo;

class TestBloqueo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void uno_a_la_vez_y_se_suelta_al_destruirse()
    {
        QTemporaryDir dir; const QString ruta = dir.filePath("enlace3.lock");
        QString ocupante = "sin tocar"; bool sistema = true;
        auto primero = Bloqueo::tomar(ruta, "traspaso", &ocupante, &sistema);
        QVERIFY(primero && ocupante.isEmpty() && !sistema);
        // Another taker in the same process is refused as another process would be.
        QVERIFY(!Bloqueo::tomar(ruta, "limpieza", &ocupante, &sistema) && !sistema);
        const QRegularExpression quien("^traspaso, pid " + QString::number(getpid())
                                       + " en [^,]+, desde \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d$");
        QVERIFY2(quien.match(ocupante).hasMatch(), qPrintable(ocupante));
        primero.reset();
        QVERIFY(Bloqueo::tomar(ruta, "exportación", &ocupante));
        // A place where no lock file can be made: the system's reason, never a holder.
        const QString imposible = dir.filePath("no/existe/enlace3.lock");
        QVERIFY(!Bloqueo::tomar(imposible, "traspaso", &ocupante, &sistema) && sistema);
        QVERIFY2(ocupante.startsWith("no se puede usar el archivo de bloqueo '" + imposible), qPrintable(ocupante));
    }

    void el_de_un_proceso_muerto_se_retoma()
    {
        QTemporaryDir dir; const QString ruta = dir.filePath("enlace3.lock");
        int tubo[2]; QCOMPARE(pipe(tubo), 0);
        const pid_t hijo = fork(); QVERIFY(hijo >= 0);
        if (hijo == 0) {
            auto b = Bloqueo::tomar(ruta, "recuperación", nullptr);
            const char hecho = b ? '1' : '0';
            if (write(tubo[1], &hecho, 1) == 1)
                pause();   // holds the lock until killed: it never releases it itself
            _exit(2);
        }
        char hecho = 0;
        QVERIFY(read(tubo[0], &hecho, 1) == 1 && hecho == '1');
        QString ocupante;
        QVERIFY(!Bloqueo::tomar(ruta, "traspaso", &ocupante));
        QVERIFY2(ocupante.startsWith("recuperación, pid " + QString::number(hijo) + " en "), qPrintable(ocupante));
        int estado = 0;
        QVERIFY(kill(hijo, SIGKILL) == 0 && waitpid(hijo, &estado, 0) == hijo);
        auto b = Bloqueo::tomar(ruta, "traspaso", &ocupante);
        QFile f(ruta);
        QVERIFY(b && f.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(f.readAll()).startsWith("traspaso, pid " + QString::number(getpid()) + " en "));
    }
};

QTEST_GUILESS_MAIN(TestBloqueo)
#include "test_bloqueo.moc"
