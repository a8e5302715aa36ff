// Message boxes, questions and the hourglass of the windows, on real widgets
// (offscreen), and the main window's activation when its own sequence shows
// a message.

#include "app/ventana_principal.h"
#include "platform/widget_interaction.h"
#include "support/app_support.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

struct Visto {
    QString titulo;
    QString texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QStringList botones;
    bool modal = false;
    bool reloj_durante = false;
};

// Answers the next box that opens by clicking the button with that text.
void responder(Visto& visto, const QString& boton)
{
    QTimer::singleShot(0, [&visto, boton] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        visto.titulo = box->windowTitle();
        visto.texto = box->text();
        visto.icono = box->icon();
        visto.modal = box->isModal();
        visto.reloj_durante = QApplication::overrideCursor() != nullptr;
        for (QAbstractButton* b : box->buttons()) visto.botones << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == boton) b->click();
    });
}

} // namespace

class TestMensajesVentana : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mensajes_preguntas_y_reloj_de_arena();
    void mensaje_de_la_activacion_no_la_repite();
};

void TestMensajesVentana::mensajes_preguntas_y_reloj_de_arena()
{
    platform::WidgetInteraction ui;
    Visto v;
    responder(v, QStringLiteral("Aceptar"));
    ui.message(QStringLiteral("Datos Temporales limpiados correctamente!"));
    QCOMPARE(v.titulo, QStringLiteral("enlace3"));
    QCOMPARE(v.texto, QStringLiteral("Datos Temporales limpiados correctamente!"));
    QCOMPARE(v.icono, QMessageBox::NoIcon);
    QCOMPARE(v.botones, QStringList({QStringLiteral("Aceptar")}));
    QVERIFY(v.modal);
    QCOMPARE(ui.shownCount(), 1);

    Visto w;
    responder(w, QStringLiteral("Aceptar"));
    ui.message(QStringLiteral("Formato de Fecha incorrecto."), QStringLiteral("Traspaso"), platform::Icon::Information);
    QCOMPARE(w.titulo, QStringLiteral("Traspaso"));
    QCOMPARE(w.icono, QMessageBox::Information);

    // questions: "Sí" and "No", the information icon
    Visto si;
    responder(si, QString::fromUtf8("Sí"));
    QVERIFY(ui.ask(QStringLiteral("¿Desea borrar la información anterior?")));
    QCOMPARE(si.botones, QStringList({QString::fromUtf8("Sí"), QStringLiteral("No")}));
    QCOMPARE(si.titulo, QStringLiteral("enlace3"));
    QCOMPARE(si.icono, QMessageBox::Information);

    Visto no;
    responder(no, QStringLiteral("No"));
    QVERIFY(!ui.ask(QStringLiteral("¿Seguro?"), QStringLiteral("Limpiar")));
    QCOMPARE(no.titulo, QStringLiteral("Limpiar"));

    // The hourglass.
    QVERIFY(!QApplication::overrideCursor());
    ui.setBusy(true);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.setBusy(true);  // saying it twice does not stack
    // a box shown while busy is not under the hourglass; the hourglass comes back
    Visto aviso;
    responder(aviso, QStringLiteral("Aceptar"));
    ui.message(QStringLiteral("aviso"));
    QVERIFY(!aviso.reloj_durante);
    QVERIFY(QApplication::overrideCursor());
    ui.setBusy(false);
    QVERIFY(!QApplication::overrideCursor());
}

void TestMensajesVentana::mensaje_de_la_activacion_no_la_repite()
{
    appsupport::Raiz raiz;
    raiz.inst->configurar({{QStringLiteral("Ca3Niv"), QVariant()}});
    platform::WidgetInteraction ui;
    A3ADO a(platform::DriveMap(raiz.ruta()), ui);
    VentanaPrincipal w(a);
    ui.setParent(&w);
    QVERIFY(w.cargar());
    int cajas = 0;
    QString texto;
    // every box that opens is answered; count them
    QTimer vigilante;
    QObject::connect(&vigilante, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++cajas;
            texto = box->text();
            box->buttons().first()->click();
        }
    });
    vigilante.start(0);
    w.show();
    QTRY_COMPARE(cajas, 1);
    // the window comes back from the box: nothing new to load, no second box
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    vigilante.stop();
    QCOMPARE(cajas, 1);
    QCOMPARE(w.activaciones(), 1);
    QVERIFY(texto.contains(QStringLiteral("\"Configuración General\"")));
    // the status bar is still filled in
    QCOMPARE(w.findChild<QLabel*>(QStringLiteral("panel2"))->text(), QStringLiteral("Conectado: F:\\"));
}

QTEST_MAIN(TestMensajesVentana)
#include "test_mensajes_ventana.moc"
