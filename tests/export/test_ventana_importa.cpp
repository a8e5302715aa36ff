// The window `importa` as a user drives it, over an installation made by the
// fixture builder; the company code as a table against its formatting.

#include "export/ventana_importa.h"
#include "support/fixtures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace fixture;

namespace {

struct Abierta {
    fixture::Entorno e;
    std::unique_ptr<VentanaImporta> w;
    Abierta()
    {
        cuenta(e.inst(), "430100001", "Cliente nuevo", QVariant());
        e.arrancar();
        w = std::make_unique<VentanaImporta>(e.a());
        abrir();
    }
    void abrir() { w->show(), w->activateWindow(); QVERIFY(QTest::qWaitForWindowActive(w.get())); }
    QLineEdit* txtEmp() { return w->findChild<QLineEdit*>("txtEmp"); }
    void generar() { w->findChild<QPushButton*>("btnGenerar")->click(); }
    // Types over the code, ends with `tecla`: code|progress line|focus.
    QString teclear(const QString& texto, Qt::Key tecla = Qt::Key_unknown)
    {
        txtEmp()->setFocus(), txtEmp()->clear();
        QTest::keyClicks(txtEmp(), texto);
        if (tecla != Qt::Key_unknown) QTest::keyClick(txtEmp(), tecla);
        return estado();
    }
    QString estado() { return txtEmp()->text() + "|" + w->findChild<QLabel*>("Label1")->text() + "|" + w->focusWidget()->objectName(); }
};

} // namespace

class TestVentanaImporta : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codigo_de_empresa()
    {
        const std::pair<const char*, const char*> casos[] = {{"7", "007"}, {"1234", "1234"}, {"0012", "012"}, {"7.5", nullptr}, {"", nullptr}};
        for (const auto& [tecleado, queda] : casos)
            QCOMPARE(formatear_empresa(tecleado).value_or("-"), QString(queda ? queda : "-"));
    }

    // A code accepted by Enter, kept when the window comes back (the progress
    // line emptied); the run tells its count and its end, then the window
    // closes and opens again empty.
    void exportacion_cierra_la_ventana()
    {
        Abierta v;
        QCOMPARE(v.teclear("0007", Qt::Key_Enter), QString("007||btnGenerar"));
        v.w->findChild<QLabel*>("Label1")->setText("Almacenando");
        v.w->hide(), v.abrir();
        QCOMPARE(v.estado(), QString("007||txtEmp"));
        v.generar();
        QCOMPARE(v.e.ui.texts(), (QStringList{"Cuentas a Traspasar : 1", "La Exportación del PGC ha finalizado con éxito. Ud debe "
                                              "importar ahora desde A3Con el fichero SUENLACE.DAT generado en F:\\NOCTARIS\\"}));
        QVERIFY(!v.w->isVisible() && v.w->result() == QDialog::Accepted && v.e.ui.busyChanges > 0 && !v.e.ui.busy);
        QCOMPARE(lineas(v.e.inst().ruta("F:\\NOCTARIS\\Suenlace.dat")), QStringList{linea_cuenta("20130101", "430100001", "Cliente nuevo")});
        v.abrir();
        QCOMPARE(v.estado(), QString("||txtEmp"));
    }

    // A code that is not one is emptied by its key and ignored by the button;
    // a company that does not exist is named, the window stays; Escape does
    // nothing, and closing forgets the code.
    void empresa_inexistente_deja_la_ventana_abierta()
    {
        Abierta v;
        QCOMPARE(v.teclear("7.5", Qt::Key_Tab) + v.teclear("abc", Qt::Key_Return), QString("||txtEmp||txtEmp"));
        v.teclear("abc"), v.generar();
        QCOMPARE(v.txtEmp()->text(), QString("abc"));
        v.teclear("8"), v.generar();
        QCOMPARE(v.e.ui.texts(), QStringList{"No existe la empresa: 008"});
        QCOMPARE(v.estado(), QString("||txtEmp"));
        QCOMPARE(v.teclear("9", Qt::Key_Return), QString("009||btnGenerar"));
        QTest::keyClick(v.txtEmp(), Qt::Key_Escape);
        QVERIFY(v.w->isVisible() && v.txtEmp()->text() == "009");
        v.w->close();
        QVERIFY(!v.w->isVisible());
        v.abrir();
        QCOMPARE(v.estado(), QString("||txtEmp"));
        QCOMPARE(ctas3(v.e.inst()), QStringList());
    }
};

QTEST_MAIN(TestVentanaImporta)
#include "test_ventana_importa.moc"
