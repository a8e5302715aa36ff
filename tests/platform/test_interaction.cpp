#include "platform/interaction.h"

#include <QtTest>

using namespace platform;

class TestInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scriptedRecordsAnswersAndCounts()
    {
        ScriptedInteraction ui;
        ui.answers = {false, true};
        ui.defaultAnswer = false;
        ui.cancelAfter = 2;
        ui.message(QStringLiteral("Hecho."));
        QCOMPARE(ui.ask(QStringLiteral("¿A?"), QStringLiteral("T"), Icon::Question), false);
        QCOMPARE(ui.ask(QStringLiteral("¿B?")), true);
        QCOMPARE(ui.ask(QStringLiteral("¿C?")), false); // queue empty: the default
        ui.summary({QStringLiteral("Fin"), QStringLiteral("Generado"), Icon::Exclamation, {QStringLiteral("Registros: 3")},
                    {QStringLiteral("Factura 1"), QStringLiteral("Factura 2")}, QString()});
        QCOMPARE(ui.texts(), QStringList({"Hecho.", "¿A?", "¿B?", "¿C?", "Generado\nFactura 1\nFactura 2"}));
        QVERIFY(ui.shown.at(1).question && !ui.shown.at(0).question);
        QCOMPARE(ui.shown.at(1).title + ui.shown.at(4).title + ui.shown.at(4).figures, QStringLiteral("TFinRegistros: 3"));
        QCOMPARE(ui.shown.at(4).icon, Icon::Exclamation);
        for (bool b : {true, true, false})
            ui.setBusy(b);
        QCOMPARE(ui.busyChanges, 2);
        for (const char* fase : {"Facturas", "Facturas", "Cobros"}) {
            QVERIFY(!ui.cancelled());
            ui.progress(QString::fromLatin1(fase), 1);
        }
        QVERIFY(ui.cancelled());
        QCOMPARE(ui.phases, QStringList({"Facturas", "Cobros"}));
    }

    // Errors (by icon, or what the order does not count as its result) go to
    // err; questions print with their answer on out; CR becomes a line end.
    void consoleRoutesEveryMessage()
    {
        for (const bool conFiltro : {false, true}) {
            QString out, err;
            QTextStream o(&out), e(&err);
            ConsoleInteraction ui(o, e);
            if (conFiltro)
                ui.es_resultado = [](const QString& t, Icon) { return t.startsWith(QLatin1String("Fin")); };
            ui.answers = {false};
            ui.message(QStringLiteral("Fin del proceso."), QStringLiteral("T"), Icon::Information);
            ui.message(QStringLiteral("Aviso"), QString(), Icon::None);
            ui.message(QStringLiteral("Sin carpeta.\r\nRevise."), QString(), Icon::Critical);
            ui.message(QStringLiteral("Falta\rla cuenta.\n"), QString(), Icon::Exclamation);
            ui.ask(QStringLiteral("¿Sigo?"));
            ui.ask(QStringLiteral("¿Seguro?"));
            const QString aviso = conFiltro ? QString() : QStringLiteral("Aviso\n");
            QCOMPARE(out, QStringLiteral("Fin del proceso.\n") + aviso + QStringLiteral("¿Sigo? -> No\n¿Seguro? -> Sí\n"));
            QCOMPARE(err, (conFiltro ? QStringLiteral("Aviso\n") : QString()) + QStringLiteral("Sin carpeta.\nRevise.\nFalta\nla cuenta.\n"));
            QCOMPARE(ui.shown.size(), size_t(6));
        }
    }
};

QTEST_GUILESS_MAIN(TestInteraction)
#include "test_interaction.moc"
