// The window `importa` as a user drives it: keys typed into the company
// field and clicks on its button, over an installation made by the fixture
// builder.

#include "export/ventana_importa.h"
#include "support/fixtures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace fixture;

namespace {

// Records, with every box, what the window showed at that moment.
class Espia : public platform::ScriptedInteraction {
public:
    void message(const QString& text, const QString& title, platform::Icon icon) override
    {
        ScriptedInteraction::message(text, title, icon);
        const auto* etiqueta = ventana->findChild<QLabel*>("Label1");
        const auto* boton = ventana->findChild<QPushButton*>("btnGenerar");
        vistos << text + "|Label1=" + etiqueta->text() + "|btnGenerar=" + (boton->isEnabled() ? "sí" : "no")
                      + "|reloj=" + (busy ? "sí" : "no");
    }
    QWidget* ventana = nullptr;
    QStringList vistos;
};

struct Abierta {
    fixture::Entorno e;
    Espia ui;
    std::unique_ptr<A3ADO> a;
    std::unique_ptr<VentanaImporta> w;

    Abierta()
    {
        cuenta(e.inst(), "430100001", "Cliente nuevo", QVariant());
        a = std::make_unique<A3ADO>(e.inst().unidades(), ui);
        a->wunidad = a->leer_unidad_hotel();
        a->leer_conexion_sql();
        a->abrir_conexiones();
        a->cargar_configuracion();
        w = std::make_unique<VentanaImporta>(*a);
        ui.ventana = w.get();
        abrir();
    }
    void abrir()
    {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    QLineEdit* txtEmp() { return w->findChild<QLineEdit*>("txtEmp"); }
    QPushButton* btnGenerar() { return w->findChild<QPushButton*>("btnGenerar"); }
    QString foco() { return w->focusWidget() ? w->focusWidget()->objectName() : QString(); }
    void teclear(const QString& texto)
    {
        txtEmp()->setFocus();
        txtEmp()->clear();
        QTest::keyClicks(txtEmp(), texto);
    }
};

} // namespace

class TestVentanaImporta : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codigo_de_empresa_data()
    {
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<int>("tecla");
        QTest::addColumn<QString>("queda");
        QTest::addColumn<QString>("foco");
        QTest::newRow("7 Intro") << "7" << int(Qt::Key_Return) << "007" << "btnGenerar";
        QTest::newRow("1234 Tab") << "1234" << int(Qt::Key_Tab) << "1234" << "btnGenerar";
        QTest::newRow("ceros Intro") << "0012" << int(Qt::Key_Enter) << "012" << "btnGenerar";
        QTest::newRow("letras Intro") << "abc" << int(Qt::Key_Return) << "" << "txtEmp";
        QTest::newRow("decimal Tab") << "7.5" << int(Qt::Key_Tab) << "" << "txtEmp";
        QTest::newRow("vacío Intro") << "" << int(Qt::Key_Return) << "" << "txtEmp";
    }

    void codigo_de_empresa()
    {
        QFETCH(QString, tecleado);
        QFETCH(int, tecla);
        QFETCH(QString, queda);
        QFETCH(QString, foco);
        Abierta v;
        QCOMPARE(v.foco(), QStringLiteral("txtEmp"));
        v.teclear(tecleado);
        QTest::keyClick(v.txtEmp(), Qt::Key(tecla));
        QCOMPARE(v.txtEmp()->text(), queda);
        QCOMPARE(v.foco(), foco);
        QVERIFY(v.w->isVisible());
        QCOMPARE(v.ui.vistos, QStringList());
    }

    void empresa_inexistente_deja_la_ventana_abierta()
    {
        Abierta v;
        v.teclear("abc");   // not a code: the button does nothing
        v.btnGenerar()->click();
        QCOMPARE(v.txtEmp()->text(), QStringLiteral("abc"));
        v.teclear("8");
        v.btnGenerar()->click();
        QCOMPARE(v.ui.vistos, QStringList{"No existe la empresa: 008|Label1=|btnGenerar=sí|reloj=no"});
        QVERIFY(v.w->isVisible());
        QCOMPARE(v.txtEmp()->text(), QString());
        QCOMPARE(v.foco(), QStringLiteral("txtEmp"));
        QCOMPARE(ctas3(v.e.inst()), QStringList());
    }

    // Coming back to the window empties the progress line only; closing it
    // forgets the code.
    void volver_a_la_ventana_conserva_el_codigo()
    {
        Abierta v;
        v.teclear("7");
        QTest::keyClick(v.txtEmp(), Qt::Key_Return);
        v.w->findChild<QLabel*>("Label1")->setText("Almacenando Información 430100001 Cliente nuevo");
        v.w->hide();
        v.abrir();
        QCOMPARE(v.txtEmp()->text() + "|" + v.w->findChild<QLabel*>("Label1")->text() + "|" + v.foco(),
                 QStringLiteral("007||txtEmp"));
        QTest::keyClick(v.txtEmp(), Qt::Key_Escape);
        QVERIFY(!v.w->isVisible());
        v.abrir();
        QCOMPARE(v.txtEmp()->text() + "|" + v.foco(), QStringLiteral("|txtEmp"));
        QCOMPARE(ctas3(v.e.inst()), QStringList());
    }

    void exportacion_cierra_la_ventana()
    {
        Abierta v;
        v.teclear("7");
        v.btnGenerar()->click();
        QCOMPARE(v.ui.vistos,
                 (QStringList{"Cuentas a Traspasar : 1|Label1=|btnGenerar=no|reloj=sí",
                              QStringLiteral("La Exportación del PGC ha finalizado con éxito. Ud debe importar ahora "
                                             "desde A3Con el fichero SUENLACE.DAT generado en F:\\NOCTARIS\\|Label1="
                                             "Exportando : 430100001    Cliente nuevo                 |btnGenerar=no|"
                                             "reloj=no")}));
        QVERIFY(!v.w->isVisible());
        QCOMPARE(v.w->result(), int(QDialog::Accepted));
        QCOMPARE(v.w->findChild<QLabel*>("Label1")->text(), QString());
        QCOMPARE(lineas(v.e.inst().ruta("F:\\NOCTARIS\\Suenlace.dat")),
                 QStringList{linea_cuenta("20130101", "430100001", "Cliente nuevo")});

        // Opened again from the menu, it is a fresh window.
        v.abrir();
        QCOMPARE(v.txtEmp()->text(), QString());
        QVERIFY(v.btnGenerar()->isEnabled());
        QCOMPARE(v.foco(), QStringLiteral("txtEmp"));
    }
};

QTEST_MAIN(TestVentanaImporta)
#include "test_ventana_importa.moc"
