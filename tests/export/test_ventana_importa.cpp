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

// Records, with every box, what the window showed at that moment.
struct Espia : platform::ScriptedInteraction {
    void message(const QString& text, const QString& title, platform::Icon icon) override
    {
        ScriptedInteraction::message(text, title, icon);
        vistos << text + "|" + ventana->findChild<QLabel*>("Label1")->text() + "|"
                      + (ventana->findChild<QPushButton*>("btnGenerar")->isEnabled() ? "botón" : "") + "|" + (busy ? "reloj" : "");
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
    // Types over the code, ends with `tecla`: code|progress line|focus.
    QString teclear(const QString& texto, Qt::Key tecla)
    {
        txtEmp()->setFocus();
        txtEmp()->clear();
        QTest::keyClicks(txtEmp(), texto);
        if (tecla != Qt::Key_unknown) QTest::keyClick(txtEmp(), tecla);
        return estado();
    }
    QString estado()
    {
        return txtEmp()->text() + "|" + w->findChild<QLabel*>("Label1")->text() + "|" + w->focusWidget()->objectName();
    }
};

} // namespace

class TestVentanaImporta : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codigo_de_empresa()
    {
        const std::pair<const char*, const char*> casos[] = {
            {"7", "007"}, {"1234", "1234"}, {"0012", "012"}, {"abc", nullptr}, {"7.5", nullptr}, {"", nullptr}};
        for (const auto& [tecleado, queda] : casos)
            QCOMPARE(formatear_empresa(tecleado).value_or("-"), QString(queda ? queda : "-"));
    }

    // A code accepted by Enter, kept when the window comes back (the progress
    // line emptied); the run tells its count and its end, then the window closes
    // and opens again empty.
    void exportacion_cierra_la_ventana()
    {
        Abierta v;
        QCOMPARE(v.teclear("0007", Qt::Key_Enter), QString("007||btnGenerar"));
        v.w->findChild<QLabel*>("Label1")->setText("Almacenando");
        v.w->hide();
        v.abrir();
        QCOMPARE(v.estado(), QString("007||txtEmp"));
        QCOMPARE(v.teclear("7", Qt::Key_Tab), QString("007||btnGenerar"));
        v.w->findChild<QPushButton*>("btnGenerar")->click();
        QCOMPARE(v.ui.vistos, (QStringList{"Cuentas a Traspasar : 1|||reloj",
                                           "La Exportación del PGC ha finalizado con éxito. Ud debe importar ahora desde A3Con el fichero "
                                           "SUENLACE.DAT generado en F:\\NOCTARIS\\|Exportando : 430100001    "
                                                                                          "Cliente nuevo                 ||"}));
        QVERIFY(!v.w->isVisible());
        QCOMPARE(v.w->result(), int(QDialog::Accepted));
        QCOMPARE(lineas(v.e.inst().ruta("F:\\NOCTARIS\\Suenlace.dat")), QStringList{linea_cuenta("20130101", "430100001", "Cliente nuevo")});
        v.abrir();
        QCOMPARE(v.estado(), QString("||txtEmp"));
        QVERIFY(v.w->findChild<QPushButton*>("btnGenerar")->isEnabled());
    }

    // A code that is not one is emptied by its key and ignored by the button;
    // a company that does not exist is named, the window stays; Escape forgets the code.
    void empresa_inexistente_deja_la_ventana_abierta()
    {
        Abierta v;
        QCOMPARE(v.teclear("7.5", Qt::Key_Tab) + v.teclear("abc", Qt::Key_Return), QString("||txtEmp||txtEmp"));
        v.teclear("abc", Qt::Key_unknown);
        v.w->findChild<QPushButton*>("btnGenerar")->click();
        QCOMPARE(v.txtEmp()->text(), QString("abc"));
        v.teclear("8", Qt::Key_unknown);
        v.w->findChild<QPushButton*>("btnGenerar")->click();
        QCOMPARE(v.ui.vistos, QStringList{"No existe la empresa: 008||botón|"});
        QCOMPARE(v.estado(), QString("||txtEmp"));
        QCOMPARE(v.teclear("9", Qt::Key_Return), QString("009||btnGenerar"));
        QTest::keyClick(v.txtEmp(), Qt::Key_Escape);
        QVERIFY(v.w->isVisible() == false);
        v.abrir();
        QCOMPARE(v.estado(), QString("||txtEmp"));
        QCOMPARE(ctas3(v.e.inst()), QStringList());
    }
};

QTEST_MAIN(TestVentanaImporta)
#include "test_ventana_importa.moc"
