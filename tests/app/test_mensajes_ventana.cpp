// Message boxes, questions, the hourglass and the progress of the windows on
// real widgets (offscreen); the main window's activation when its own
// sequence shows a message; one window session per installation.

#include "app/arranque.h"
#include "app/ventana_principal.h"
#include "data/instalacion_ocupada.h"
#include "app/ventana_mensajes.h"
#include "support/app_support.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Answers the next box that opens with the button of that text; returns
// title|text|icon|buttons|parent|hourglass|modal of that box.
QString responder(const QString& boton, const std::function<void()>& accion)
{
    QString visto;
    QTimer::singleShot(0, [&visto, boton] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QStringList botones;
        for (QAbstractButton* b : box->buttons()) botones << b->text();
        visto = QStringList({box->windowTitle(), box->text(), QString::number(box->icon()), botones.join('/'),
                             box->parentWidget() ? box->parentWidget()->objectName() : "", QApplication::overrideCursor() ? "reloj" : "", box->isModal() ? "modal" : ""})
                    .join('|');
        for (QAbstractButton* b : box->buttons())
            if (b->text() == boton) b->click();
    });
    accion();
    return visto;
}

} // namespace

class TestMensajesVentana : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cajas_preguntas_y_reloj_de_arena();
    void mensaje_de_la_activacion_no_la_repite();
    void una_sesion_de_ventanas_por_instalacion();
    void progreso_tras_medio_segundo_y_cancelar();
};

// Boxes are modal, over the active window, never under the hourglass (which
// comes back after them and does not stack); questions answer Sí or No; the
// end of a run with thousands of rows left out still fits the screen.
void TestMensajesVentana::cajas_preguntas_y_reloj_de_arena()
{
    QWidget principal;
    platform::WidgetInteraction ui(&principal);
    principal.show();
    QDialog dialogo(&principal);
    dialogo.setObjectName("dialogo");
    dialogo.setModal(true);
    dialogo.show();
    dialogo.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialogo));
    bool si = false, no = true;
    ui.setBusy(true);
    ui.setBusy(true);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    const QStringList vistos = {
        responder("Aceptar", [&] { ui.message("Datos Temporales limpiados correctamente!"); }),
        responder("Aceptar", [&] { ui.message("Formato de Fecha incorrecto.", "Traspaso", platform::Icon::Information); }),
        responder("Sí", [&] { si = ui.ask("¿Desea borrar la información anterior?"); }),
        responder("No", [&] { no = ui.ask("¿Seguro?", "Limpiar"); })};
    QCOMPARE(vistos, (QStringList{"enlace3|Datos Temporales limpiados correctamente!|0|Aceptar|dialogo||modal",
                                  "Traspaso|Formato de Fecha incorrecto.|1|Aceptar|dialogo||modal",
                                  "enlace3|¿Desea borrar la información anterior?|1|Sí/No|dialogo||modal",
                                  "Limpiar|¿Seguro?|1|Sí/No|dialogo||modal"}));
    QVERIFY(si && !no && QApplication::overrideCursor());
    QCOMPARE(ui.shownCount(), 4);
    ui.setBusy(false);
    QVERIFY(!QApplication::overrideCursor());

    platform::Summary s;
    s.title = "Fin del Traspaso";
    s.text = "Se ha generado F:\\NOCTARIS\\Suenlace.dat, pero sin los asientos siguientes:";
    s.figures = {"Facturas: 3", "Fichero: F:\\NOCTARIS\\Suenlace.dat"};
    for (int i = 0; i < 12000; ++i)
        s.leftOut << QString("Factura %1 del 05-01-2013: cuenta vacía").arg(i);
    s.folder = QDir::tempPath();
    std::unique_ptr<QDialog> d(platform::WidgetInteraction::buildSummary(s, &dialogo));
    d->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.get()));
    QVERIFY(d->height() <= d->screen()->availableGeometry().height());
    QCOMPARE(d->findChild<QListWidget*>("omitidos")->count(), 12000);
    QCOMPARE(d->findChild<QLabel*>("cifras")->text(), s.figures.join('\n'));
    auto* cerrar = d->findChild<QPushButton*>("Cerrar");
    auto* abrir = d->findChild<QPushButton*>("AbrirCarpeta");
    QCOMPARE(cerrar->text() + "|" + abrir->text(), QString("Cerrar|Abrir carpeta"));
    QVERIFY(abrir->isEnabled() && d->rect().contains(QRect(cerrar->mapTo(d.get(), QPoint()), cerrar->size())));
    QTest::keyClick(d.get(), Qt::Key_Return);
    QCOMPARE(d->result(), int(QDialog::Accepted));
}

// The window comes back from the box its activation showed: nothing new to
// load, no second box, the status bar filled in.
void TestMensajesVentana::mensaje_de_la_activacion_no_la_repite()
{
    appsupport::Raiz raiz;
    raiz.inst->configurar({{"Ca3Niv", QVariant()}});
    platform::WidgetInteraction ui;
    A3ADO a(platform::DriveMap(raiz.ruta()), ui);
    VentanaPrincipal w(a);
    ui.setParent(&w);
    QVERIFY(w.cargar());
    QStringList textos;
    QTimer vigilante;
    QObject::connect(&vigilante, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            textos << box->text(), box->buttons().first()->click();
    });
    vigilante.start(0);
    w.show();
    QTRY_COMPARE(textos.size(), 1);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    QCOMPARE(textos.size() * 10 + w.activaciones(), 11);
    QVERIFY(textos[0].contains("\"Configuración General\""));
    QCOMPARE(w.findChild<QLabel*>("panel2")->text(), QString("Conectado: F:\\"));
}

// A second start is told who holds the installation; an open window does not
// hold back a run, which keeps its own lock.
void TestMensajesVentana::una_sesion_de_ventanas_por_instalacion()
{
    appsupport::Raiz raiz;
    platform::ScriptedInteraction ui1, ui2;
    A3ADO a1(platform::DriveMap(raiz.ruta()), ui1), a2(platform::DriveMap(raiz.ruta()), ui2);
    QVERIFY(arranque::arrancar(a1) && arranque::arrancar(a2));
    const auto primera = abrir_sesion_ventanas(a1);
    QVERIFY(primera && !abrir_sesion_ventanas(a2));
    QCOMPARE(ui2.shown.size(), size_t(1));
    QVERIFY(ui2.shown[0].text.startsWith("enlace3 ya está abierto en esta instalación (ventanas, pid "));
    QVERIFY(ocupar_instalacion(a2, "traspaso") && ruta_bloqueo_ventanas(a1) != ruta_bloqueo(a1));
}

// Nothing for a short run; after the delay a dialog (not the hourglass) with
// the phase, the rows done (of how many, when known) and a Cancelar button;
// the next run starts uncancelled.
void TestMensajesVentana::progreso_tras_medio_segundo_y_cancelar()
{
    const auto progreso = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->objectName() == "progreso" && p->isVisible()) return p;
        return static_cast<QProgressDialog*>(nullptr);
    };
    platform::WidgetInteraction ui;
    ui.setBusy(true);
    ui.progress("Facturas", 0);
    QVERIFY(!progreso());
    QTest::qWait(platform::WidgetInteraction::kProgressDelayMs + 50);
    ui.progress("Facturas", 500);
    QProgressDialog* p = progreso();
    QVERIFY(p && !QApplication::overrideCursor());
    QVERIFY2(p->labelText().startsWith("Facturas\nFilas hechas: 500\nTiempo: 00:0"), qPrintable(p->labelText()));
    ui.expect(2000);
    ui.progress("Facturas", 1000);
    QVERIFY2(p->labelText().startsWith("Facturas\nFilas hechas: 1000 de 2000\n"), qPrintable(p->labelText()));
    QCOMPARE(p->value(), p->maximum() / 2);
    QVERIFY(!ui.cancelled());
    QPushButton* cancelar = p->findChild<QPushButton*>();
    QCOMPARE(cancelar->text(), QString("Cancelar"));
    QTest::mouseClick(cancelar, Qt::LeftButton);
    QVERIFY(ui.cancelled());
    ui.setBusy(false);
    QVERIFY(!progreso() && ui.cancelled());
    ui.setBusy(true);
    QVERIFY(!ui.cancelled());
    ui.setBusy(false);
}

QTEST_MAIN(TestMensajesVentana)
#include "test_mensajes_ventana.moc"
