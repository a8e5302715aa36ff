// Message boxes, questions, the hourglass and the progress of the windows on
// real widgets (offscreen); the main window's activation when its own
// sequence shows a message; one window session per installation.

#include "app/arranque.h"
#include "app/ventana_principal.h"
#include "data/instalacion_ocupada.h"
#include "app/ventana_mensajes.h"
#include "support/app_support.h"

#include <QTimer>
#include <QtWidgets>
#include <QtTest>

namespace {

// Answers every box that opens with the buttons named, in turn (then the
// first); keeps title|text|icon|buttons|parent|hourglass|modal of each.
struct Vigia {
    explicit Vigia(QStringList botones = {}) : respuestas(std::move(botones))
    {
        QObject::connect(&t, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            QStringList b;
            for (QAbstractButton* x : box->buttons()) b << x->text() + (box->standardButton(x) == QMessageBox::NoButton ? "?" : "");
            vistos << QStringList({box->windowTitle(), box->text(), QString::number(box->icon()), b.join('/'), box->parentWidget()->objectName(),
                                   QApplication::overrideCursor() ? "reloj" : "", box->isModal() ? "modal" : ""}).join('|');
            box->buttons().at(std::max(0, int(b.indexOf(respuestas.value(vistos.size() - 1)))))->click();
        });
        t.start(0);
    }
    QStringList respuestas, vistos;
    QTimer t;
};

} // namespace

class TestMensajesVentana : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Boxes are modal, over the active window, never under the hourglass (which
    // comes back after them and does not stack); questions answer Sí or No.
    void cajas_preguntas_y_reloj_de_arena()
    {
        QWidget principal;
        platform::WidgetInteraction ui(&principal);
        QDialog dialogo(&principal);
        dialogo.setObjectName("dialogo"), dialogo.setModal(true), principal.show(), dialogo.show(), dialogo.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialogo));
        Vigia v({"Aceptar", "Sí", "No"});
        ui.setBusy(true), ui.setBusy(true), ui.message("Datos Temporales limpiados correctamente!");
        const bool si = ui.ask("¿Desea borrar la información anterior?"), no = ui.ask("¿Seguro?", "Limpiar");
        // The end of a run that left nothing out is a message box too, its figures under the text.
        platform::Summary fin;
        fin.text = "Se ha generado Suenlace.dat correctamente", fin.title = "Fin del Traspaso", fin.figures = {"Facturas: 3"};
        ui.summary(fin);
        QCOMPARE(v.vistos, (QStringList{"enlace3|Datos Temporales limpiados correctamente!|0|Aceptar|dialogo||modal",
                                      "enlace3|¿Desea borrar la información anterior?|1|Sí/No|dialogo||modal",
                                      "Limpiar|¿Seguro?|1|Sí/No|dialogo||modal",
                                      "Fin del Traspaso|Se ha generado Suenlace.dat correctamente|1|Aceptar|dialogo||modal"}));
        QVERIFY(si && !no && QApplication::overrideCursor()->shape() == Qt::WaitCursor && ui.shownCount() == 4);
        ui.setBusy(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    // The window comes back from the box its activation showed: nothing new to
    // load, no second box, the status bar filled in.
    void mensaje_de_la_activacion_no_la_repite()
    {
        appsupport::Raiz raiz;
        raiz.inst->configurar({{"Ca3Niv", QVariant()}});
        platform::WidgetInteraction ui;
        A3ADO a(platform::DriveMap(raiz.ruta()), ui);
        VentanaPrincipal w(a);
        Vigia v;
        QVERIFY(w.cargar());
        ui.setParent(&w), w.show();
        QTRY_COMPARE(v.vistos.size(), 1);
        QVERIFY((w.activateWindow(), QTest::qWaitForWindowActive(&w)));
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        QCOMPARE(v.vistos.size() * 10 + w.activaciones(), 11);
        QVERIFY(v.vistos[0].contains("\"Configuración General\"") && w.findChild<QLabel*>("panel2")->text() == "Conectado: F:\\");
    }

    // A second start is told who holds the installation; an open window does not
    // hold back a run, which keeps its own lock.
    void una_sesion_de_ventanas_por_instalacion()
    {
        appsupport::Raiz raiz;
        platform::ScriptedInteraction ui1, ui2;
        A3ADO a1(platform::DriveMap(raiz.ruta()), ui1), a2(platform::DriveMap(raiz.ruta()), ui2);
        QVERIFY(arranque::arrancar(a1) && arranque::arrancar(a2));
        const auto primera = abrir_sesion_ventanas(a1);
        QVERIFY(primera && !abrir_sesion_ventanas(a2) && ui2.shown.size() == 1
                && ui2.shown[0].text.startsWith("enlace3 ya está abierto en esta instalación (ventanas, pid "));
        QVERIFY(ocupar_instalacion(a2, "traspaso") && ruta_bloqueo_ventanas(a1) != ruta_bloqueo(a1));
    }

    // Nothing for a short run; after the delay a dialog (not the hourglass) with
    // the phase, the rows done (of how many, when known) and a Cancelar button;
    // the next run starts uncancelled.
    void progreso_tras_medio_segundo_y_cancelar()
    {
        const auto progreso = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) return p;
            return static_cast<QProgressDialog*>(nullptr);
        };
        platform::WidgetInteraction ui;
        ui.setBusy(true), ui.progress("Facturas", 0);
        QVERIFY(!progreso());
        QTest::qWait(platform::WidgetInteraction::kProgressDelayMs + 50), ui.progress("Facturas", 500);
        QProgressDialog* p = progreso();
        QVERIFY(p && !QApplication::overrideCursor() && p->labelText().startsWith("Facturas\nFilas hechas: 500\nTiempo: 00:0")
                && p->findChild<QPushButton*>()->text() == "Cancelar");
        ui.expect(2000), ui.progress("Facturas", 1000);
        QVERIFY(p->labelText().startsWith("Facturas\nFilas hechas: 1000 de 2000\n") && p->value() == p->maximum() / 2 && !ui.cancelled());
        QTest::mouseClick(p->findChild<QPushButton*>(), Qt::LeftButton);
        ui.setBusy(false);
        QVERIFY(!progreso() && ui.cancelled());
        ui.setBusy(true);   // a new run
        QVERIFY(!ui.cancelled());
        ui.setBusy(false);
    }
};

QTEST_MAIN(TestMensajesVentana)
#include "test_mensajes_ventana.moc"
