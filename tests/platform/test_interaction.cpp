#include "platform/interaction.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace platform;

// Runs `body` with stdout and stderr captured into the two returned texts.
template <typename Body>
static QPair<QString, QString> captured(Body body)
{
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    auto slurp = [](FILE* f) {
        std::rewind(f);
        QByteArray bytes;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, qsizetype(n));
        std::fclose(f);
        return QString::fromUtf8(bytes);
    };
    return {slurp(out), slurp(err)};
}

class TestInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scriptedRecordsAndAnswersFromTheQueue()
    {
        ScriptedInteraction ui;
        ui.answers = {false, true};
        ui.defaultAnswer = false;
        ui.message(QStringLiteral("Proceso terminado."));
        QCOMPARE(ui.ask(QStringLiteral("¿Desea continuar?"), QStringLiteral("Traspaso"), Icon::Question), false);
        QCOMPARE(ui.ask(QStringLiteral("¿Seguro?")), true);
        QCOMPARE(ui.ask(QStringLiteral("¿Otra vez?")), false); // queue empty: the default
        QCOMPARE(ui.texts(), QStringList({QStringLiteral("Proceso terminado."), QStringLiteral("¿Desea continuar?"),
                                          QStringLiteral("¿Seguro?"), QStringLiteral("¿Otra vez?")}));
        QCOMPARE(ui.shown.at(1).title, QStringLiteral("Traspaso"));
        QCOMPARE(ui.shown.at(1).icon, Icon::Question);
        QVERIFY(ui.shown.at(1).question);
        QVERIFY(!ui.shown.at(0).question);

        ui.setBusy(true);
        ui.setBusy(true);
        ui.setBusy(false);
        QCOMPARE(ui.busyChanges, 2);
        QVERIFY(!ui.busy);
        ui.progress(QStringLiteral("Facturas"), 1);
        ui.progress(QStringLiteral("Facturas"), 2);
        ui.progress(QStringLiteral("Cobros"), 1);
        QCOMPARE(ui.phases, QStringList({QStringLiteral("Facturas"), QStringLiteral("Cobros")}));
    }

    void consoleSendsErrorsToStderr()
    {
        ConsoleInteraction ui;
        ui.errorTitles.insert(QStringLiteral("Error de conexión"));
        ui.answers = {false};
        const auto [out, err] = captured([&] {
            ui.message(QStringLiteral("Proceso terminado."), QStringLiteral("Traspaso"), Icon::Information);
            ui.message(QStringLiteral("No existe la carpeta."), QString(), Icon::Critical);
            ui.message(QStringLiteral("Falta la cuenta."), QString(), Icon::Exclamation);
            ui.message(QStringLiteral("Servidor no disponible."), QStringLiteral("Error de conexión"));
            ui.ask(QStringLiteral("¿Desea continuar?"));
            ui.ask(QStringLiteral("¿Seguro?"));
            ui.progress(QStringLiteral("Facturas"), 10);
        });
        QCOMPARE(out, QStringLiteral("Proceso terminado.\n¿Desea continuar? -> No\n¿Seguro? -> Sí\n"));
        QCOMPARE(err, QStringLiteral("No existe la carpeta.\nFalta la cuenta.\nServidor no disponible.\n"));
        QCOMPARE(ui.shown.size(), size_t(6));

        // Progress only when verbose.
        ui.verbose = true;
        const auto [conProgreso, sinError] = captured([&] { ui.progress(QStringLiteral("Facturas"), 25); });
        QCOMPARE(conProgreso, QStringLiteral("Facturas: 25\n"));
        QCOMPARE(sinError, QString());
    }
};

QTEST_GUILESS_MAIN(TestInteraction)
#include "test_interaction.moc"
