// The main window on real widgets (offscreen) over installations made by the
// demo builder: the menu by mouse and keyboard, and every way it ends.

#include "app/ventana_principal.h"
#include "platform/ado.h"
#include "support/app_support.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QLabel* control(QWidget& w, const char* nombre) { return w.findChild<QLabel*>(QString::fromLatin1(nombre)); }

// The labels lit (as the pointer lights them), in menu order, e.g. "1-2--".
QString resaltadas(QWidget& w)
{
    QString r;
    for (const char* n : {"Label1", "Label2", "Label3", "Label4", "Label5"})
        r += control(w, n)->palette().color(QPalette::Window) == QColor(255, 192, 128) && control(w, n)->font().bold() ? QChar(n[5]) : QChar('-');
    return r;
}

// Runs `accion` (a click or a key) and accepts the modal window it opens;
// returns that window's name ("" when none opened).
QString abre(const std::function<void()>& accion)
{
    QString abierta;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&abierta] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()); d && d->isVisible()) abierta = d->objectName(), d->accept();
    });
    vigia.start(5), accion();
    return abierta;
}

// A real activation: another window takes the focus, then the main window gets it back.
void reactivar(QWidget& w)
{
    QWidget otra;
    otra.show(), otra.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otra));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// A main window over its own installation; `codigo` is the exit status it
// asked for (-1 while it runs).
struct Abierta {
    explicit Abierta(ventanas::Tabla tabla = ventanas::tabla_ventanas()) : a(platform::DriveMap(raiz.ruta()), ui), w(a, std::move(tabla))
    {
        w.al_terminar = [this](int c) { codigo = c, w.close(); };
    }
    bool mostrar() { return w.cargar() && (w.show(), QTest::qWaitFor([this] { return w.activaciones() >= 1; })); }
    QString visibles() { return QString("%1%2").arg(control(w, "Label4")->isVisibleTo(&w)).arg(control(w, "Image3")->isVisibleTo(&w)); }
    QString mensajes()
    {
        QStringList r;
        for (const auto& s : std::exchange(ui.shown, {})) r << s.title + '|' + s.text + '|' + QString::number(int(s.icon)) + (s.question ? "?" : "");
        return r.join('+');
    }
    appsupport::Raiz raiz;
    platform::ScriptedInteraction ui;
    A3ADO a;
    VentanaPrincipal w;
    int codigo = -1;
};

// A window that ends the program the way the menu windows do.
class DialogoQueTermina : public QDialog {
    Q_OBJECT
Q_SIGNALS:
    void terminar_aplicacion(int codigo);

protected:
    void showEvent(QShowEvent*) override { QTimer::singleShot(0, this, [this] { done(2), Q_EMIT terminar_aplicacion(3); }); }
};

} // namespace

class TestVentanaPrincipal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menu_con_raton_y_teclado()
    {
        Abierta v;
        QVERIFY(v.mostrar());
        auto& w = v.w;
        QCOMPARE(control(w, "panel1")->text() + " " + control(w, "panel2")->text(), QString("Versión:5.04.004 Conectado: F:\\"));
        QVERIFY(v.a.cn_emi.isOpen() && !v.a.cn_sql.isOpen() && w.activaciones() == 1 && resaltadas(w) == "-----");

        // The pointer lights labels; a picture clears nothing, the background clears all.
        QTest::mouseMove(&w, QPoint(150, 160));
        QTest::mouseMove(control(w, "Label1"), QPoint(20, 10));
        QCOMPARE(resaltadas(w), QString("1----"));
        QTest::mouseMove(control(w, "Label2"), QPoint(20, 10));
        QTest::mouseMove(control(w, "Image1"), QPoint(10, 10));
        QCOMPARE(resaltadas(w), QString("12---"));
        QTest::mouseMove(&w, QPoint(270, 150));
        QCOMPARE(resaltadas(w), QString("-----"));

        // Each setting shows its entry at the next activation, without a restart.
        const std::pair<QVariantMap, const char*> ajustes[] = {{{{"ca3nif", false}, {"Zumeral", true}}, "01"}, {{{"Zumeral", false}, {"ca3nif", true}}, "10"}};
        for (const auto& [a, visibles] : ajustes) {
            v.raiz.inst->configurar(a), reactivar(w);
            QTRY_COMPARE(v.visibles(), QString(visibles));
        }
        // Settings saved while a window is open are in force once it closes; each window is made once.
        v.raiz.inst->configurar({{"Zumeral", true}});
        const int antes = w.activaciones();
        QCOMPARE(abre([&] { QTest::mouseClick(control(w, "Label1"), Qt::LeftButton); }), QString("configc3"));
        QTRY_VERIFY(w.activaciones() > antes);
        QDialog* primera = w.ventana("configc3");
        QVERIFY(v.a.wexportar_pgc && v.visibles() == "11" && primera && w.cursor().shape() != Qt::WaitCursor);
        const std::pair<const char*, const char*> clics[] = {
            {"Label1", "configc3"}, {"Label2", "traspa3"}, {"Label5", "fcobro"}, {"Image3", "importa"}, {"Label4", "conf_ventas"}};
        for (const auto& [entrada, ventana] : clics)
            QCOMPARE(abre([&] { QTest::mouseClick(control(w, entrada), Qt::LeftButton); }), QString(ventana));
        QCOMPARE(w.ventana("configc3"), primera);

        // Tab walks the six entries in a ring (lit as the pointer lights them),
        // Enter opens, each entry has its Alt key, Alt+X ends.
        reactivar(w);
        QStringList orden;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Tab);
            orden << (w.focusWidget() ? w.focusWidget()->objectName() : QString());
        }
        QCOMPARE(orden.mid(orden.indexOf("Label1"), 6), (QStringList{"Label1", "Label4", "Label5", "Label2", "Image3", "Image2"}));
        QVERIFY(resaltadas(w).contains('2'));
        control(w, "Label5")->setFocus(Qt::TabFocusReason);
        QCOMPARE(abre([&] { QTest::keyClick(control(w, "Label5"), Qt::Key_Return); }), QString("fcobro"));
        const std::pair<Qt::Key, const char*> teclas[] = {
            {Qt::Key_G, "configc3"}, {Qt::Key_V, "conf_ventas"}, {Qt::Key_C, "fcobro"}, {Qt::Key_S, "traspa3"}, {Qt::Key_E, "importa"}};
        for (const auto& [tecla, ventana] : teclas) {
            QVERIFY((w.activateWindow(), QTest::qWaitForWindowActive(&w)));
            QCOMPARE(abre([&] { QTest::keyClick(&w, tecla, Qt::AltModifier); }), QString(ventana));
        }
        QVERIFY((w.activateWindow(), QTest::qWaitForWindowActive(&w)));
        QTest::keyClick(&w, Qt::Key_X, Qt::AltModifier);
        QVERIFY(v.codigo == 0 && v.mensajes().isEmpty());

        Abierta salida;
        QVERIFY(salida.mostrar());
        QTest::mouseClick(control(salida.w, "Image2"), Qt::LeftButton);
        QVERIFY(salida.codigo == 0 && !salida.w.isVisible());
    }

    // Start-up failures name what failed; a window whose making fails with a
    // database error ends the program with its report, a missing holder ends it
    // silently, a stopped transfer leaves the menu usable; a window may end the
    // program with its own status, and an ending program reads no settings again.
    void fallos_que_terminan()
    {
        {   // edep3 exists but cannot be read: not the missing-table case
            Abierta v;
            v.raiz.inst->ejecutar("edep3", "DROP TABLE edep3"), v.raiz.inst->ejecutar("fac3", "CREATE VIEW edep3 AS SELECT nada FROM fac3");
            v.a.cn_enlace.trace = true;
            QVERIFY(!v.w.cargar() && v.a.cn_enlace.executed.isEmpty());
            QCOMPARE(v.mensajes(), QString("|ha ocurrido un error la aplicacion no puede continuar|0"));
        }
        {   // a hotel file missing: the files before it were opened, the link database was not
            Abierta v;
            const QString cli = v.raiz.inst->ruta("F:\\noctaris\\cli.MDB");
            v.raiz.inst->cerrar(), QFile::remove(cli);
            QVERIFY(!v.w.cargar() && !QFileInfo::exists(cli) && v.a.cn_caja.isOpen() && !v.a.cn_enlace.isOpen());
            QCOMPARE(v.mensajes().replace(QRegularExpression("(Error -2147467259: ).*cli.MDB'\\.\n"), "\\1\n"),
                     "enlace3|No se ha podido abrir la base de datos del hotel F:\\noctaris\\cli.MDB.\n\nError -2147467259: "
                     "\n\nLa aplicación no puede continuar.|3");
        }
        {   // the settings table goes away after the start-up
            Abierta v;
            QVERIFY(v.w.cargar());
            v.raiz.inst->ejecutar("ca3", "DROP TABLE ca3"), v.w.show();
            QTRY_COMPARE(v.codigo, 1);
            const QStringList m = v.mensajes().split('\n');
            QCOMPARE(m.value(0), QString("enlace3|No se ha podido cargar la configuración del enlace (tabla ca3) de F:\\noctaris\\enlace3.MDB."));
            QVERIFY(!v.w.isVisible() && m.value(2).startsWith("Error -") && m.last().endsWith("|3"));
        }
        ventanas::Tabla tabla;
        int creadas = 0;
        tabla["fcobro"] = [&](A3ADO&) { return ++creadas, std::make_unique<QDialog>(); };
        tabla["traspa3"] = [](A3ADO&) -> std::unique_ptr<QDialog> { throw ado::Error(ado::kNoSuchTable, "no existe la tabla emi", "SELECT * FROM emi"); };
        tabla["conf_ventas"] = [](A3ADO&) { return std::make_unique<DialogoQueTermina>(); };
        const std::tuple<const char*, int, int, QString> casos[] = {   // entry, exit status (-1: none), activated again (-1: either), boxes
            {"Label5", -1, 1, ""}, {"Label4", 3, 0, ""},
            {"Label2", 1, -1, "enlace3|Se ha producido un error en la base de datos.\n\nError -2147217865: no existe la tabla "
                              "emi\n(SELECT * FROM emi)\n\nLa aplicación no puede continuar.|3"}};
        for (const auto& [entrada, codigo, reactiva, mensajes] : casos) {
            Abierta v(tabla);
            v.raiz.inst->configurar({{"Zumeral", true}, {"ca3nif", true}});
            QVERIFY(v.mostrar());
            const int antes = v.w.activaciones();
            const auto clic = [&, entrada = entrada] { QTest::mouseClick(control(v.w, entrada), Qt::LeftButton); };
            if (codigo < 0) abre(clic), abre(clic);   // opened twice, made once
            else clic();
            QCOMPARE(QString("%1 %2 %3").arg(entrada).arg(v.codigo).arg(reactiva < 0 ? -1 : int(v.w.activaciones() > antes)),
                     QString("%1 %2 %3").arg(entrada).arg(codigo).arg(reactiva));
            QVERIFY(v.mensajes() == mensajes && v.w.cursor().shape() != Qt::WaitCursor);
        }
        QCOMPARE(creadas, 1);
    }
};

QTEST_MAIN(TestVentanaPrincipal)
#include "test_ventana_principal.moc"
