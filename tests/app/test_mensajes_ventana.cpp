// Message boxes, questions and the hourglass of the windows, on real widgets
// (offscreen), and the main window's activation when its own sequence shows
// a message.

#include "app/arranque.h"
#include "app/ventana_principal.h"
#include "data/instalacion_ocupada.h"
#include "app/ventana_mensajes.h"
#include "support/app_support.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QScreen>
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
    void cajas_sobre_la_ventana_activa_y_resumen_largo();
    void una_sesion_de_ventanas_por_instalacion();
    void progreso_tras_medio_segundo_y_cancelar();
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

// A box belongs to the window that asked, never to the main window behind
// it; the end of a run with thousands of rows left out still fits the
// screen, with its buttons on it.
void TestMensajesVentana::cajas_sobre_la_ventana_activa_y_resumen_largo()
{
    QWidget principal;
    platform::WidgetInteraction ui(&principal);
    principal.show();
    QDialog dialogo(&principal);
    dialogo.setModal(true);
    dialogo.show();
    dialogo.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialogo));
    QWidget* padre = nullptr;
    QTimer::singleShot(0, [&padre] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        padre = box->parentWidget();
        box->buttons().first()->click();
    });
    ui.message(QStringLiteral("aviso"));
    QCOMPARE(padre, &dialogo);

    platform::Summary s;
    s.title = QStringLiteral("Fin del Traspaso");
    s.text = QStringLiteral("Se ha generado F:\\NOCTARIS\\Suenlace.dat, pero sin los asientos siguientes:");
    s.figures = {QStringLiteral("Facturas: 3"), QStringLiteral("Fichero: F:\\NOCTARIS\\Suenlace.dat")};
    for (int i = 0; i < 12000; ++i)
        s.leftOut << QStringLiteral("Factura %1 del 05-01-2013: cuenta vacía").arg(i);
    s.folder = QDir::tempPath();
    std::unique_ptr<QDialog> d(platform::WidgetInteraction::buildSummary(s, &dialogo));
    d->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.get()));
    const QRect pantalla = d->screen()->availableGeometry();
    QVERIFY2(d->height() <= pantalla.height(), qPrintable(QString::number(d->height())));
    QCOMPARE(d->findChild<QListWidget*>("omitidos")->count(), 12000);
    QCOMPARE(d->findChild<QLabel*>("cifras")->text(), s.figures.join('\n'));
    auto* cerrar = d->findChild<QPushButton*>("Cerrar");
    auto* abrir = d->findChild<QPushButton*>("AbrirCarpeta");
    QCOMPARE(cerrar->text() + "|" + abrir->text(), QStringLiteral("Cerrar|Abrir carpeta"));
    QVERIFY(abrir->isEnabled());
    QVERIFY(d->rect().contains(QRect(cerrar->mapTo(d.get(), QPoint()), cerrar->size())));
    QTest::keyClick(d.get(), Qt::Key_Return);
    QCOMPARE(d->result(), int(QDialog::Accepted));
}

// A second start on the same installation is told who holds it, while the
// runs (window or batch) keep their own lock.
void TestMensajesVentana::una_sesion_de_ventanas_por_instalacion()
{
    appsupport::Raiz raiz;
    platform::ScriptedInteraction ui1, ui2;
    A3ADO a1(platform::DriveMap(raiz.ruta()), ui1), a2(platform::DriveMap(raiz.ruta()), ui2);
    QVERIFY(arranque::arrancar(a1));
    QVERIFY(arranque::arrancar(a2));
    const auto primera = abrir_sesion_ventanas(a1);
    QVERIFY(primera);
    QVERIFY(!abrir_sesion_ventanas(a2));
    QCOMPARE(ui2.shown.size(), size_t(1));
    QVERIFY2(ui2.shown[0].text.startsWith("enlace3 ya está abierto en esta instalación (ventanas, pid "),
             qPrintable(ui2.shown[0].text));
    // An open window does not hold back a run.
    QVERIFY(ocupar_instalacion(a2, QStringLiteral("traspaso")));
    QVERIFY(ruta_bloqueo_ventanas(a1) != ruta_bloqueo(a1));
}

void TestMensajesVentana::progreso_tras_medio_segundo_y_cancelar()
{
    const auto progreso = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->objectName() == "progreso" && p->isVisible())
                return p;
        return static_cast<QProgressDialog*>(nullptr);
    };
    platform::WidgetInteraction ui;
    ui.setBusy(true);
    ui.progress(QStringLiteral("Facturas"), 0);
    QVERIFY(!progreso());   // a short run shows nothing
    QTest::qWait(platform::WidgetInteraction::kProgressDelayMs + 50);
    ui.progress(QStringLiteral("Facturas"), 500);
    QProgressDialog* p = progreso();
    QVERIFY(p);
    QVERIFY(!QApplication::overrideCursor());   // the dialog, not the hourglass, says it is busy
    QVERIFY2(p->labelText().startsWith("Facturas\nFilas hechas: 500\nTiempo: 00:0"), qPrintable(p->labelText()));
    ui.expect(2000);
    ui.progress(QStringLiteral("Facturas"), 1000);
    QVERIFY2(p->labelText().startsWith("Facturas\nFilas hechas: 1000 de 2000\n"), qPrintable(p->labelText()));
    QCOMPARE(p->value(), p->maximum() / 2);
    QVERIFY(!ui.cancelled());
    QPushButton* cancelar = p->findChild<QPushButton*>();
    QCOMPARE(cancelar->text(), QStringLiteral("Cancelar"));
    QTest::mouseClick(cancelar, Qt::LeftButton);
    QVERIFY(ui.cancelled());
    // The run ends: the dialog goes, and the next run starts uncancelled.
    ui.setBusy(false);
    QVERIFY(!progreso());
    QVERIFY(ui.cancelled());
    ui.setBusy(true);
    QVERIFY(!ui.cancelled());
    ui.setBusy(false);
}

QTEST_MAIN(TestMensajesVentana)
#include "test_mensajes_ventana.moc"
