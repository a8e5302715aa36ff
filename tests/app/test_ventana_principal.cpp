// The main window on real widgets (offscreen) over installations made by the
// demo builder.

#include "app/ventana_principal.h"
#include "support/app_support.h"
#include "data/a3ado.h"
#include "platform/ado.h"
#include "transfer/traspaso.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

namespace {

struct Enlace {
    explicit Enlace(const QString& raiz) : a(platform::DriveMap(raiz), ui) {}
    platform::ScriptedInteraction ui;
    A3ADO a;
};

QLabel* control(QWidget& w, const char* nombre)
{
    return w.findChild<QLabel*>(QString::fromLatin1(nombre));
}

bool resaltada(QLabel* l)
{
    return l->palette().color(QPalette::Window) == QColor(255, 192, 128) && l->font().bold();
}

bool normal(QLabel* l)
{
    return l->palette().color(QPalette::Window) == QColor(Qt::white) && !l->font().bold();
}

// Clicks a menu entry and accepts the modal window it opens; returns that
// window's name ("" when none opened).
QString abrir_y_cerrar(QWidget& w, const char* entrada)
{
    QString abierta;
    QTimer::singleShot(0, [&abierta] {
        QWidget* m = QApplication::activeModalWidget();
        abierta = m && m->isModal() ? m->objectName() : QString();
        if (auto* d = qobject_cast<QDialog*>(m)) d->accept();
    });
    QTest::mouseClick(control(w, entrada), Qt::LeftButton);
    return abierta;
}

// Sends the window a real activation: another window takes the focus, then
// the main window gets it back.
void reactivar(QWidget& w)
{
    QWidget otra;
    otra.setWindowTitle(QStringLiteral("otra"));
    otra.show();
    otra.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&otra));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// A main window over its own installation; `codigo` is the exit status it
// asked for (-1 while it runs).
struct Abierta {
    explicit Abierta(ventanas::Tabla tabla = ventanas::tabla_ventanas()) : e(raiz.ruta()), w(e.a, std::move(tabla))
    {
        w.al_terminar = [this](int c) {
            codigo = c;
            w.close();
        };
    }
    // Loads, shows and waits for the first activation.
    bool mostrar()
    {
        if (!w.cargar())
            return false;
        w.show();
        return QTest::qWaitForWindowExposed(&w) && QTest::qWaitFor([this] { return w.activaciones() >= 1; });
    }
    appsupport::Raiz raiz;
    Enlace e;
    VentanaPrincipal w;
    int codigo = -1;
};

// A window that ends the program the way the menu windows do.
class DialogoQueTermina : public QDialog {
    Q_OBJECT
public:
    int codigo = 3;
Q_SIGNALS:
    void terminar_aplicacion(int codigo);

protected:
    void showEvent(QShowEvent* e) override
    {
        QDialog::showEvent(e);
        QTimer::singleShot(0, this, [this] {
            done(2);
            Q_EMIT terminar_aplicacion(codigo);
        });
    }
};

} // namespace

class TestVentanaPrincipal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controles_con_sus_nombres_y_posiciones();
    void barra_de_estado_en_modo_servidor();
    void menu_sigue_la_configuracion_sin_reiniciar();
    void barra_de_estado_y_resaltado_al_pasar_el_puntero();
    void menu_abre_ventanas_modales_y_reactiva();
    void imagen2_termina_la_aplicacion();
    void menu_con_el_teclado();
    void fallo_de_edep3_termina_con_su_mensaje();
    void fallo_de_arranque_nombra_el_fichero();
    void fallo_al_cargar_la_configuracion_termina();
    void ventanas_de_la_tabla_y_sus_errores();
    void ventana_que_termina_la_aplicacion();
};

void TestVentanaPrincipal::controles_con_sus_nombres_y_posiciones()
{
    appsupport::Raiz raiz;
    Enlace e(raiz.ruta());
    VentanaPrincipal w(e.a);
    QCOMPARE(w.objectName(), QStringLiteral("enlace3"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Enlace de Noctaris a A3 Software."));
    QCOMPARE(w.size(), QSize(503, 195));
    QCOMPARE(w.minimumSize(), w.maximumSize());

    auto* barra = w.findChild<QStatusBar*>(QStringLiteral("barra"));
    QVERIFY(barra);
    QCOMPARE(barra->geometry(), QRect(0, 172, 503, 23));
    const struct {
        const char* nombre;
        QRect caja;
        const char* texto;
        const char* consejo;
    } controles[] = {
        {"Label1", {280, 23, 220, 21}, "Configuración General", "Configuración Parámetros Generales del Enlace"},
        {"Label4", {280, 54, 220, 21}, "Configuración Cuentas Ventas",
         "Configuración Cuentas Contables de los Conceptos Facturables en el Hotel"},
        {"Label5", {280, 84, 220, 21}, "Configuración Cuentas Cobro",
         "Configuración Cuentas Contables de Formas de Cobro en el Hotel"},
        {"Label2", {280, 114, 220, 21}, "Generación SUENLACE.DAT",
         "Inicia el proceso de generación del fichero a importar desde A3 Con."},
        {"Label3", {858, 659, 125, 21}, "Ficheros", ""},
        {"Image1", {51, 93, 166, 67}, "", ""},
        {"Image2", {225, 96, 32, 32}, "", ""},
        {"Image3", {10, 98, 32, 32}, "", "Exportar PGC desde Zumeral"},
        {"Image4", {13, 11, 236, 66}, "", ""},
    };
    for (const auto& c : controles) {
        QLabel* l = control(w, c.nombre);
        QVERIFY2(l, c.nombre);
        QCOMPARE(l->geometry(), c.caja);
        QCOMPARE(l->text(), QString::fromUtf8(c.texto));
        QCOMPARE(l->toolTip(), QString::fromUtf8(c.consejo));
        QCOMPARE(l->pixmap().isNull(), c.nombre[0] == 'L');
    }

    for (const char* nombre : {"Label1", "Label2", "Label4", "Label5"}) {
        QCOMPARE(control(w, nombre)->font().family(), QStringLiteral("Calibri"));
        QCOMPARE(control(w, nombre)->font().pointSizeF(), 11.25);
    }
    QCOMPARE(control(w, "Label3")->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(control(w, "Label3")->font().pointSizeF(), 9.75);
    QVERIFY(normal(control(w, "Label1")));
    QCOMPARE(control(w, "Label2")->palette().color(QPalette::Window), w.palette().color(QPalette::Window));

    // two panels of 2540 and 8819 hundredths of a millimetre
    auto* p1 = barra->findChild<QLabel*>(QStringLiteral("panel1"));
    auto* p2 = barra->findChild<QLabel*>(QStringLiteral("panel2"));
    QVERIFY(p1 && p2);
    QCOMPARE(p1->width(), 96);
    QCOMPARE(p2->width(), 333);
}

void TestVentanaPrincipal::barra_de_estado_en_modo_servidor()
{
    const QString antes = QDir::currentPath();
    appsupport::RaizServidor raiz;
    QVERIFY2(raiz.listo, qPrintable(raiz.error));
    {
        Enlace e(raiz.dir.path());
        VentanaPrincipal w(e.a);
        QVERIFY(w.cargar());
        w.show();
        QTRY_VERIFY(w.activaciones() >= 1);
        QCOMPARE(control(w, "panel2")->text(), QStringLiteral("Conectado: SERVIDOR (CATALOGO)"));
        QCOMPARE(control(w, "panel1")->text(), QStringLiteral("Versión:5.04.004"));
        QVERIFY(e.a.wsql);
        QVERIFY(e.a.cn_sql.isOpen());
        for (ado::Connection* cn : {&e.a.cn_emi, &e.a.cn_hiscadia, &e.a.cn_agen, &e.a.cn_na, &e.a.cn_caja,
                                    &e.a.cn_cli, &e.a.cn_formas})
            QVERIFY(!cn->isOpen());
        QVERIFY(e.a.cn_enlace.isOpen());
        QVERIFY(e.ui.shown.empty());
    }
    QDir::setCurrent(antes);
}

void TestVentanaPrincipal::menu_sigue_la_configuracion_sin_reiniciar()
{
    Abierta v;
    QVERIFY(v.mostrar());
    auto& [raiz, e, w, codigo] = v;
    QLabel* label4 = control(w, "Label4");
    QLabel* image3 = control(w, "Image3");
    QVERIFY(!label4->isVisibleTo(&w));
    QVERIFY(!image3->isVisibleTo(&w));

    raiz.inst->configurar({{QStringLiteral("ca3nif"), true}, {QStringLiteral("Zumeral"), true}});
    const int antes = w.activaciones();
    reactivar(w);
    QTRY_VERIFY(w.activaciones() > antes);
    QVERIFY(label4->isVisibleTo(&w));
    QVERIFY(image3->isVisibleTo(&w));

    // each setting on its own
    raiz.inst->configurar({{QStringLiteral("ca3nif"), false}});
    reactivar(w);
    QTRY_VERIFY(!label4->isVisibleTo(&w));
    QVERIFY(image3->isVisibleTo(&w));
    raiz.inst->configurar({{QStringLiteral("Zumeral"), false}, {QStringLiteral("ca3nif"), true}});
    reactivar(w);
    QTRY_VERIFY(!image3->isVisibleTo(&w));
    QVERIFY(label4->isVisibleTo(&w));
    QVERIFY(e.ui.shown.empty());
}

void TestVentanaPrincipal::barra_de_estado_y_resaltado_al_pasar_el_puntero()
{
    Abierta v;
    QVERIFY(v.mostrar());
    auto& [raiz, e, w, codigo] = v;
    // Access mode: the hotel files are open, no server connection.
    QCOMPARE(w.activaciones(), 1);
    QCOMPARE(control(w, "panel1")->text(), QStringLiteral("Versión:5.04.004"));
    QCOMPARE(control(w, "panel2")->text(), QStringLiteral("Conectado: F:\\"));
    QVERIFY(e.ui.shown.empty());
    QVERIFY(e.a.cn_emi.isOpen());
    QVERIFY(!e.a.cn_sql.isOpen());

    QLabel* l1 = control(w, "Label1");
    QLabel* l2 = control(w, "Label2");
    QLabel* l5 = control(w, "Label5");

    QTest::mouseMove(&w, QPoint(150, 160));
    QTest::mouseMove(l1, QPoint(20, 10));
    QVERIFY(resaltada(l1));
    QVERIFY(!resaltada(l2));
    QTest::mouseMove(l2, QPoint(20, 10));
    QVERIFY(resaltada(l1));
    QVERIFY(resaltada(l2));
    QVERIFY(normal(l5));
    // a picture is no background: the highlights stay
    QTest::mouseMove(control(w, "Image1"), QPoint(10, 10));
    QVERIFY(resaltada(l1));
    QVERIFY(resaltada(l2));
    // the background clears every label, Label2 included
    QTest::mouseMove(&w, QPoint(270, 150));
    for (const char* nombre : {"Label1", "Label2", "Label3", "Label4", "Label5"})
        QVERIFY2(normal(control(w, nombre)), nombre);
}

void TestVentanaPrincipal::menu_abre_ventanas_modales_y_reactiva()
{
    Abierta v;
    QVERIFY(v.mostrar());
    auto& [raiz, e, w, codigo] = v;

    raiz.inst->configurar({{QStringLiteral("Zumeral"), true}});
    const int antes = w.activaciones();
    QCOMPARE(abrir_y_cerrar(w, "Label1"), QStringLiteral("configc3"));
    // the settings saved while it was open are in force once it closes
    QTRY_VERIFY(w.activaciones() > antes);
    QVERIFY(e.a.wexportar_pgc);
    QVERIFY(control(w, "Image3")->isVisibleTo(&w));
    QDialog* primera = w.ventana(QStringLiteral("configc3"));
    QVERIFY(primera);
    QVERIFY(w.cursor().shape() != Qt::WaitCursor);
    QCOMPARE(abrir_y_cerrar(w, "Label1"), QStringLiteral("configc3"));
    QCOMPARE(w.ventana(QStringLiteral("configc3")), primera);

    QCOMPARE(abrir_y_cerrar(w, "Label2"), QStringLiteral("traspa3"));
    QCOMPARE(abrir_y_cerrar(w, "Label5"), QStringLiteral("fcobro"));
    QCOMPARE(abrir_y_cerrar(w, "Image3"), QStringLiteral("importa"));
    raiz.inst->configurar({{QStringLiteral("ca3nif"), true}});
    reactivar(w);
    QTRY_VERIFY(control(w, "Label4")->isVisibleTo(&w));
    QCOMPARE(abrir_y_cerrar(w, "Label4"), QStringLiteral("conf_ventas"));
}

// Every entry is reached without a mouse: Tab walks the menu (lit as the
// pointer lights it), Enter opens, each entry has its Alt key; nothing is
// lit before the user moves.
void TestVentanaPrincipal::menu_con_el_teclado()
{
    Abierta v;
    v.raiz.inst->configurar({{QStringLiteral("Zumeral"), true}, {QStringLiteral("ca3nif"), true}});
    QVERIFY(v.mostrar());
    auto& w = v.w;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (const char* nombre : {"Label1", "Label2", "Label4", "Label5"})
        QVERIFY2(!resaltada(control(w, nombre)), nombre);
    QStringList orden;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Tab);
        orden << QApplication::focusWidget()->objectName();
    }
    // The six entries in a ring, the four labels top to bottom.
    QCOMPARE(orden.mid(orden.indexOf("Label1"), 6),
             (QStringList{"Label1", "Label4", "Label5", "Label2", "Image3", "Image2"}));
    QVERIFY(resaltada(control(w, "Label2")));

    const auto abre = [&w](QWidget* donde, Qt::Key tecla, Qt::KeyboardModifiers mod) {
        QString abierta;
        QTimer::singleShot(0, [&abierta] {
            QWidget* m = QApplication::activeModalWidget();
            abierta = m ? m->objectName() : QString();
            if (auto* d = qobject_cast<QDialog*>(m)) d->accept();
        });
        QTest::keyClick(donde, tecla, mod);
        return abierta;
    };
    control(w, "Label5")->setFocus(Qt::TabFocusReason);
    QCOMPARE(abre(control(w, "Label5"), Qt::Key_Return, Qt::NoModifier), QStringLiteral("fcobro"));
    const std::pair<Qt::Key, const char*> teclas[] = {{Qt::Key_G, "configc3"}, {Qt::Key_V, "conf_ventas"},
                                                      {Qt::Key_C, "fcobro"}, {Qt::Key_S, "traspa3"},
                                                      {Qt::Key_E, "importa"}};
    for (const auto& [tecla, ventana] : teclas) {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(abre(&w, tecla, Qt::AltModifier), QString::fromLatin1(ventana));
    }
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_X, Qt::AltModifier);
    QCOMPARE(v.codigo, 0);
}

void TestVentanaPrincipal::imagen2_termina_la_aplicacion()
{
    Abierta v;
    QVERIFY(v.mostrar());
    QTest::mouseClick(control(v.w, "Image2"), Qt::LeftButton);
    QCOMPARE(v.codigo, 0);
    QVERIFY(!v.w.isVisible());
}

void TestVentanaPrincipal::fallo_de_edep3_termina_con_su_mensaje()
{
    appsupport::Raiz raiz;
    // edep3 exists but cannot be read: not the missing-table case
    raiz.inst->ejecutar(QStringLiteral("edep3"), QStringLiteral("DROP TABLE edep3"));
    raiz.inst->ejecutar(QStringLiteral("fac3"), QStringLiteral("CREATE VIEW edep3 AS SELECT nada FROM fac3"));
    Enlace e(raiz.ruta());
    e.a.cn_enlace.trace = true;
    VentanaPrincipal w(e.a);
    QVERIFY(!w.cargar());
    QCOMPARE(e.ui.shown.size(), size_t(1));
    QCOMPARE(e.ui.shown[0].text, QStringLiteral("ha ocurrido un error la aplicacion no puede continuar"));
    QCOMPARE(e.ui.shown[0].title, QString());
    QCOMPARE(e.ui.shown[0].icon, platform::Icon::None);
    QVERIFY(!e.ui.shown[0].question);
    QVERIFY(e.a.cn_enlace.executed.isEmpty());
}

void TestVentanaPrincipal::fallo_de_arranque_nombra_el_fichero()
{
    appsupport::Raiz raiz;
    const QString cli = raiz.inst->ruta(QStringLiteral("F:\\noctaris\\cli.MDB"));
    raiz.inst->cerrar();
    QVERIFY(QFile::remove(cli));
    Enlace e(raiz.ruta());
    VentanaPrincipal w(e.a);
    QVERIFY(!w.cargar());
    QVERIFY(!QFileInfo::exists(cli));
    // the files before cli.MDB were opened, the link database was not
    QVERIFY(e.a.cn_caja.isOpen());
    QVERIFY(!e.a.cn_enlace.isOpen());

    ado::Connection prueba;
    prueba.setDriveMap(&e.a.unidades);
    QString descripcion;
    try {
        prueba.open(e.a.cadena_jet(QStringLiteral("cli.MDB")));
    } catch (const ado::Error& error) {
        descripcion = error.description();
    }
    QCOMPARE(e.ui.shown.size(), size_t(1));
    QCOMPARE(e.ui.shown[0].icon, platform::Icon::Critical);
    const QStringList lineas = e.ui.shown[0].text.split(QLatin1Char('\n'));
    const QStringList esperadas = {
        QStringLiteral("No se ha podido abrir la base de datos del hotel F:\\noctaris\\cli.MDB."),
        QString(),
        QStringLiteral("Error -2147467259: ") + descripcion,
        QString(),
        QStringLiteral("La aplicación no puede continuar."),
    };
    QCOMPARE(lineas, esperadas);
}

void TestVentanaPrincipal::fallo_al_cargar_la_configuracion_termina()
{
    Abierta v;
    auto& [raiz, e, w, codigo] = v;
    QVERIFY(w.cargar());
    // the settings table goes away after the start-up
    raiz.inst->ejecutar(QStringLiteral("ca3"), QStringLiteral("DROP TABLE ca3"));
    w.show();
    QTRY_COMPARE(codigo, 1);
    QVERIFY(!w.isVisible());
    QCOMPARE(e.ui.shown.size(), size_t(1));
    QCOMPARE(e.ui.shown[0].icon, platform::Icon::Critical);
    QCOMPARE(e.ui.shown[0].text.section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("No se ha podido cargar la configuración del enlace (tabla ca3) de "
                            "F:\\noctaris\\enlace3.MDB."));
    QVERIFY(e.ui.shown[0].text.section(QLatin1Char('\n'), 2, 2).startsWith(QStringLiteral("Error -")));
}

void TestVentanaPrincipal::ventanas_de_la_tabla_y_sus_errores()
{
    ventanas::Tabla tabla;
    int creadas = 0;
    tabla[QStringLiteral("fcobro")] = [&](A3ADO&) {
        ++creadas;
        auto d = std::make_unique<QDialog>();
        d->setObjectName(QStringLiteral("fcobro_real"));
        return d;
    };
    tabla[QStringLiteral("traspa3")] = [](A3ADO&) -> std::unique_ptr<QDialog> {
        throw ado::Error(ado::kNoSuchTable, QStringLiteral("no existe la tabla emi"), QStringLiteral("SELECT * FROM emi"));
    };
    Abierta v(tabla);
    QVERIFY(v.mostrar());
    auto& [raiz, e, w, codigo] = v;

    for (int vez = 0; vez < 2; ++vez)
        QCOMPARE(abrir_y_cerrar(w, "Label5"), QStringLiteral("fcobro_real"));
    QCOMPARE(creadas, 1);
    QCOMPARE(codigo, -1);

    // a window that fails with a database error ends the program with its report
    QTest::mouseClick(control(w, "Label2"), Qt::LeftButton);
    QCOMPARE(codigo, 1);
    QCOMPARE(e.ui.shown.size(), size_t(1));
    QCOMPARE(e.ui.shown[0].icon, platform::Icon::Critical);
    QCOMPARE(e.ui.shown[0].text.split(QLatin1Char('\n')),
             QStringList({QStringLiteral("Se ha producido un error en la base de datos."), QString(),
                          QStringLiteral("Error -2147217865: no existe la tabla emi"),
                          QStringLiteral("(SELECT * FROM emi)"), QString(),
                          QStringLiteral("La aplicación no puede continuar.")}));
    QVERIFY(w.cursor().shape() != Qt::WaitCursor);
}

void TestVentanaPrincipal::ventana_que_termina_la_aplicacion()
{
    ventanas::Tabla tabla;
    tabla[QStringLiteral("fcobro")] = [](A3ADO&) { return std::make_unique<DialogoQueTermina>(); };
    Abierta v(tabla);
    QVERIFY(v.mostrar());
    auto& [raiz, e, w, codigo] = v;
    const int antes = w.activaciones();
    QTest::mouseClick(control(w, "Label5"), Qt::LeftButton);
    QCOMPARE(codigo, 3);
    // an ending program reads no settings again
    QCOMPARE(w.activaciones(), antes);
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(TestVentanaPrincipal)
#include "test_ventana_principal.moc"
