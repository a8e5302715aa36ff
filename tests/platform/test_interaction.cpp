#include "platform/interaction.h"

#include <QtTest>

using namespace platform;

class TestInteraction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Recorded in order, answered from the queue then by the default; a
    // summary is one message (text, then what was left out) with its figures.
    void scriptedRecordsAnswersAndCounts()
    {
        ScriptedInteraction ui;
        ui.answers = {false, true}, ui.defaultAnswer = false, ui.cancelAfter = 2;
        ui.message("Hecho.");
        QCOMPARE(QList<bool>({ui.ask("¿A?", "T", Icon::Question), ui.ask("¿B?"), ui.ask("¿C?")}), QList<bool>({false, true, false}));
        ui.summary({"Fin", "Generado", Icon::Exclamation, {"Registros: 3"}, {"Factura 1", "Factura 2"}, QString()});
        QCOMPARE(ui.texts(), QStringList({"Hecho.", "¿A?", "¿B?", "¿C?", "Generado\nFactura 1\nFactura 2"}));
        QVERIFY(ui.shown.at(1).question && !ui.shown.at(0).question && !ui.shown.at(4).question
                && ui.shown.at(1).icon == Icon::Question && ui.shown.at(4).icon == Icon::Exclamation);
        QCOMPARE(ui.shown.at(1).title + ui.shown.at(4).title + ui.shown.at(4).figures, QString("TFinRegistros: 3"));
        for (bool b : {true, true, false}) ui.setBusy(b);
        QString cancelado;   // asked before each step: cancelled after the second
        for (const char* fase : {"Facturas", "Facturas", "Cobros"}) cancelado += QString::number(ui.cancelled()), ui.progress(fase, 1);
        QCOMPARE(cancelado + QString::number(ui.cancelled()), QString("0001"));
        QCOMPARE(ui.phases.join(',') + QString::number(ui.busyChanges), QString("Facturas,Cobros2"));
    }

    // A message goes to out when it is a result (by default: neither Critical
    // nor Exclamation), else to err; questions print with their answer on
    // out; carriage returns become line ends.
    void consoleRoutesEveryMessage()
    {
        for (const bool conFiltro : {false, true}) {
            QString out, err; QTextStream o(&out), e(&err);
            ConsoleInteraction ui(o, e);   // flushes each message
            if (conFiltro) ui.es_resultado = [](const QString& t, Icon) { return t.startsWith("Fin"); };
            ui.answers = {false};   // then the default, Sí
            ui.message("Fin del proceso.", "T", Icon::Information), ui.message("Aviso");
            ui.message("Sin carpeta.\r\nRevise.", QString(), Icon::Critical), ui.message("Falta\rla cuenta.\n", QString(), Icon::Exclamation);
            QCOMPARE(QList<bool>({ui.ask("¿Sigo?"), ui.ask("¿Seguro?")}), QList<bool>({false, true}));
            QCOMPARE(out, QString("Fin del proceso.\n") + (conFiltro ? "" : "Aviso\n") + "¿Sigo? -> No\n¿Seguro? -> Sí\n");
            QCOMPARE(err, QString(conFiltro ? "Aviso\n" : "") + "Sin carpeta.\nRevise.\nFalta\nla cuenta.\n");
        }
    }
};

QTEST_GUILESS_MAIN(TestInteraction)
#include "test_interaction.moc"
