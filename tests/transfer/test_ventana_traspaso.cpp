// The transfer window as a user drives it: keys typed into the date fields,
// clicks on the buttons, over installations made by the fixture builder.

#include "platform/bloqueo.h"
#include "support/fixtures.h"
#include "transfer/ventana_traspaso.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Enlace = fixture::Sesion;
using fixture::crear_cuentas;
using fixture::estados_preparados;
using fixture::Hotel;
using fixture::sin_cuentas;

namespace {

const QString kFin = QStringLiteral("Fin del Traspaso|Se ha generado Suenlace.dat correctamente|info");

// The usual range of January, and an invoice of February outside it.
void poblar_con_febrero(Hotel& h)
{
    fixture::poblar_enero(h);
    h.factura("12", "20130205", 44.0);
}

QString icono(platform::Icon i)
{
    switch (i) {
    case platform::Icon::None: return QStringLiteral("-");
    case platform::Icon::Information: return QStringLiteral("info");
    case platform::Icon::Exclamation: return QStringLiteral("aviso");
    case platform::Icon::Critical: return QStringLiteral("critico");
    case platform::Icon::Question: return QStringLiteral("pregunta");
    }
    return QString();
}

// What the user was shown, one line per box: title|text|icon[|Sí/No].
QStringList vistos(const Enlace& e)
{
    QStringList r;
    for (const auto& s : e.ui.shown)
        r << s.title + QLatin1Char('|') + s.text + QLatin1Char('|') + icono(s.icon)
                 + (s.question ? QStringLiteral("|Sí/No") : QString());
    return r;
}

QString pregunta(const QString& de, const QString& hasta)
{
    return "Seguridad Traspaso|Esta Ud. seguro/a de querer traspasar del " + de + " al " + hasta + " ?|info|Sí/No";
}

// The window over a started link, shown and active, as the main window opens it.
struct Abierta {
    explicit Abierta(Hotel& h, std::deque<bool> respuestas = {})
        : e(h.arrancar(std::move(respuestas))), w(*e->a)
    {
        abrir();
    }
    void abrir()
    {
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    QLineEdit* de() { return w.findChild<QLineEdit*>("de"); }
    QLineEdit* hasta() { return w.findChild<QLineEdit*>("hasta"); }
    QPushButton* btnGenerar() { return w.findChild<QPushButton*>("btnGenerar"); }
    QPushButton* btnLimpiar() { return w.findChild<QPushButton*>("btnLimpiar"); }
    QString foco() { return w.focusWidget() ? w.focusWidget()->objectName() : QString(); }

    // Types into a field (over what it holds) and ends with `tecla` (none: no key).
    void teclear(QLineEdit* campo, const QString& texto, Qt::Key tecla = Qt::Key_unknown)
    {
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Backspace);
        QTest::keyClicks(campo, texto);
        if (tecla != Qt::Key_unknown)
            QTest::keyClick(campo, tecla);
    }
    void rango(const QString& desde, const QString& hasta_)
    {
        teclear(de(), desde, Qt::Key_Tab);
        teclear(hasta(), hasta_, Qt::Key_Return);
    }

    std::unique_ptr<Enlace> e;
    VentanaTraspaso w;
};

// The window closed asking the application to end with status 1.
void termina_la_aplicacion(Abierta& v, const QSignalSpy& fin)
{
    QCOMPARE(fin.size(), 1);
    QCOMPARE(fin.at(0).at(0).toInt(), 1);
    QCOMPARE(v.w.result(), VentanaTraspaso::kTerminarAplicacion);
    QVERIFY(!v.w.isVisible());
    QVERIFY(!v.e->ui.busy);
}

} // namespace

class TestVentanaTraspaso : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controles_y_fechas_aceptadas();
    void fechas_mal_tecleadas_escape_y_doble_clic();
    void botones_con_un_campo_vacio_y_respuesta_no();
    void traspaso_escribe_el_fichero_y_cierra();
    void otro_proceso_ocupa_la_instalacion();
    void cancelar_deja_todo_como_estaba();
    void los_botones_usan_lo_que_muestran_los_campos();
    void limpiar_y_volver_a_traspasar();
    void titular_inexistente_termina_la_aplicacion();
    void cuenta_de_cobro_erronea_cierra_la_ventana();
    void fallo_de_la_base_en_el_traspaso();
    void fallo_de_la_base_en_la_limpieza();
};

void TestVentanaTraspaso::controles_y_fechas_aceptadas()
{
    Hotel h;
    Abierta v(h);
    QCOMPARE(v.w.objectName(), QString("traspa3"));
    QCOMPARE(v.w.windowTitle(), QString("Traspaso a Suenlace.dat"));
    QCOMPARE(v.w.size(), QSize(359, 190));
    QVERIFY(v.w.isModal());

    QStringList controles;
    auto rect = [](QWidget* c) {
        const QRect r = c->geometry();
        return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    auto* grupo = v.w.findChild<QGroupBox*>("GroupBox1");
    QVERIFY(grupo);
    controles << "GroupBox1|" + grupo->title() + "|" + rect(grupo);
    for (const char* n : {"Label2", "Label1"}) {
        auto* l = grupo->findChild<QLabel*>(n);
        QVERIFY(l);
        controles << QString(n) + "|" + l->text() + "|" + rect(l);
    }
    for (QLineEdit* c : {v.de(), v.hasta()}) {
        QCOMPARE(c->parentWidget(), grupo);
        controles << c->objectName() + "|" + c->text() + "|" + rect(c);
    }
    for (QPushButton* b : {v.btnGenerar(), v.btnLimpiar()}) {
        controles << b->objectName() + "|" + b->text() + "|" + b->toolTip() + "|" + rect(b);
        QVERIFY(!b->icon().isNull());
    }
    QCOMPARE(controles,
             (QStringList{"GroupBox1| Selección de Fechas |14,13 328x83", "Label2|Desde :|12,37 45x19",
                          "Label1|Hasta :|178,36 45x19", "de||60,33 81x22", "hasta||225,33 81x22",
                          "btnGenerar|Generar Suenlace.DAT|Generar el Fichero Suenlace.DAT para importar desde A3 "
                          "Con|16,118 150x48",
                          "btnLimpiar|Limpiar Temporales|Limpia los ficheros temporales para realizar de nuevo la "
                          "exportación.|193,118 150x48"}));
    QCOMPARE(v.foco(), QString("de"));

    // Dates accepted with Tab and with Enter.
    v.teclear(v.de(), "01012013", Qt::Key_Tab);
    QCOMPARE(v.de()->text(), QString("01-01-2013"));
    QCOMPARE(v.w.wdesde(), QString("20130101"));
    QCOMPARE(v.foco(), QString("hasta"));
    // Tab was swallowed: nothing typed into the next field.
    QCOMPARE(v.hasta()->text(), QString());

    QTest::keyClicks(v.hasta(), "28022013");
    QTest::keyClick(v.hasta(), Qt::Key_Enter);
    QCOMPARE(v.hasta()->text(), QString("28-02-2013"));
    QCOMPARE(v.w.whasta(), QString("20130228"));
    QCOMPARE(v.foco(), QString("btnGenerar"));
    QCOMPARE(vistos(*v.e), QStringList());
    QVERIFY(v.w.isVisible());
    QCOMPARE(h.contar("fac3"), 0);
}

void TestVentanaTraspaso::fechas_mal_tecleadas_escape_y_doble_clic()
{
    Hotel h;
    Abierta v(h);
    v.teclear(v.de(), "31022013", Qt::Key_Return);
    QCOMPARE(vistos(*v.e), QStringList{"Error Datos|Formato de Fecha incorrecto.|info"});
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.foco(), QString("de"));
    QCOMPARE(v.w.wdesde(), QString());

    // A wrong date keeps the range last accepted in the other field too.
    v.rango("01012013", "31012013");
    v.e->ui.shown.clear();
    v.teclear(v.hasta(), "29022013", Qt::Key_Tab);
    QCOMPARE(vistos(*v.e), QStringList{"Error Datos|Formato de Fecha incorrecto.|info"});
    QCOMPARE(v.hasta()->text(), QString());
    QCOMPARE(v.foco(), QString("hasta"));
    QCOMPARE(v.w.whasta(), QString("20130131"));
    QCOMPARE(v.de()->text(), QString("01-01-2013"));

    // Neither eight digits nor the form shown: emptied without a message.
    v.e->ui.shown.clear();
    v.teclear(v.de(), "0101201", Qt::Key_Tab);
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.foco(), QString("de"));
    // The form the field shows is read back as its date.
    for (const char* forma : {"1-2-2024", "01-02-2024", "1/2/2024"}) {
        v.teclear(v.de(), forma, Qt::Key_Return);
        QCOMPARE(v.de()->text(), QString("01-02-2024"));
        QCOMPARE(v.w.wdesde(), QString("20240201"));
        QCOMPARE(v.foco(), QString("hasta"));
    }
    v.teclear(v.de(), "05012013", Qt::Key_Tab);
    v.de()->setFocus();
    QTest::keyClick(v.de(), Qt::Key_Tab);
    QCOMPARE(v.de()->text(), QString("05-01-2013"));
    QCOMPARE(v.foco(), QString("hasta"));
    QCOMPARE(v.w.wdesde(), QString("20130105"));
    QCOMPARE(vistos(*v.e), QStringList());

    // Other keys are typed as usual.
    v.de()->clear();
    v.de()->setFocus();
    QTest::keyClicks(v.de(), "0101");
    QTest::keyClick(v.de(), Qt::Key_Left);
    QTest::keyClicks(v.de(), "x");
    QCOMPARE(v.de()->text(), QString("010x1"));
    QCOMPARE(v.foco(), QString("de"));
    QCOMPARE(v.w.wdesde(), QString("20130105"));

    // Escape closes the window wherever the focus is; a double click empties a field.
    for (QWidget* donde : std::initializer_list<QWidget*>{v.hasta(), v.btnGenerar()}) {
        donde->setFocus();
        QTest::keyClick(donde, Qt::Key_Escape);
        QVERIFY(!v.w.isVisible());
        v.abrir();
    }

    v.teclear(v.de(), "01012013", Qt::Key_Tab);
    v.hasta()->setFocus();
    QTest::mouseDClick(v.de(), Qt::LeftButton);
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.foco(), QString("de"));

    QTest::keyClick(v.de(), Qt::Key_Escape);
    QVERIFY(!v.w.isVisible());
    QCOMPARE(v.w.result(), int(QDialog::Rejected));
    QCOMPARE(vistos(*v.e), QStringList());

    // Opened again, it starts afresh.
    v.abrir();
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.hasta()->text(), QString());
    QCOMPARE(v.w.wdesde(), QString());
    QCOMPARE(v.foco(), QString("de"));
}

void TestVentanaTraspaso::botones_con_un_campo_vacio_y_respuesta_no()
{
    Hotel h;
    poblar_con_febrero(h);
    h.traspasar("20130101", "20130131");
    const QStringList antes = estados_preparados(h);
    Abierta v(h, {false});
    v.teclear(v.hasta(), "31012013", Qt::Key_Tab);
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
    QCOMPARE(v.foco(), QString("de"));
    v.hasta()->setFocus();
    QTest::mouseClick(v.btnLimpiar(), Qt::LeftButton);
    QCOMPARE(v.foco(), QString("de"));

    v.hasta()->clear();
    v.teclear(v.de(), "01012013", Qt::Key_Tab);
    QTest::mouseClick(v.btnLimpiar(), Qt::LeftButton);
    QCOMPARE(v.foco(), QString("de"));
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
    QCOMPARE(v.foco(), QString("de"));

    QCOMPARE(vistos(*v.e), QStringList());
    QVERIFY(v.w.isVisible());
    QCOMPARE(estados_preparados(h), antes);

    // Answering "No" to the confirmation empties the dates and runs nothing.
    const QStringList lineas = h.lineas();
    QVERIFY(!lineas.isEmpty());
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
    QCOMPARE(vistos(*v.e), QStringList{pregunta("01-01-2013", "31-01-2013")});
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.hasta()->text(), QString());
    QCOMPARE(v.foco(), QString("de"));
    QVERIFY(v.w.isVisible());
    QCOMPARE(estados_preparados(h), antes);
    QCOMPARE(h.lineas(), lineas);
}

void TestVentanaTraspaso::traspaso_escribe_el_fichero_y_cierra()
{
    // The same month sent by the engine itself, on an identical installation.
    Hotel gemelo(false, crear_cuentas());
    poblar_con_febrero(gemelo);
    QStringList mensajes;
    QVERIFY(!gemelo.traspasar("20130101", "20130131", &mensajes).detenido);
    const QStringList esperado = gemelo.lineas();
    QCOMPARE(esperado.size(), 1 + 3 * 2 + 2 + 4 + 2);

    Hotel h(false, crear_cuentas());
    poblar_con_febrero(h);
    Abierta v(h);
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);

    QCOMPARE(vistos(*v.e), (QStringList{pregunta("01-01-2013", "31-01-2013"), kFin}));
    QCOMPARE(h.lineas(), esperado);
    QCOMPARE(estados_preparados(h), (QStringList{"fac3 10=1", "fac3 11=1", "fac3 9=1", "edep3 9=1", "caj3 1=1", "caj3 2=1",
                                      "cre3 9=1"}));
    QVERIFY(!v.w.isVisible());
    QCOMPARE(v.w.result(), int(QDialog::Accepted));
    QCOMPARE(v.de()->text(), QString());
    QCOMPARE(v.hasta()->text(), QString());
    QVERIFY(v.e->ui.busyChanges > 0);
    QVERIFY(!v.e->ui.busy);
    QVERIFY(v.w.ultimo_resultado());
    QVERIFY(v.w.ultimo_resultado()->generacion.completo());
    // The end carries the run's figures, checked against the file itself.
    const QStringList cifras = v.e->ui.shown.back().figures.split('\n');
    QCOMPARE(cifras.mid(0, 6), (QStringList{"Cuentas: 1", "Facturas: 3", "Depósitos: 1", "Días de caja: 1",
                                            "Créditos: 1", "Registros: 15"}));
    QCOMPARE(cifras.mid(10), (QStringList{"Fichero: F:\\NOCTARIS\\Suenlace.dat",
                                          QString("Tamaño: %1 bytes").arg(QFileInfo(h.fichero()).size()),
                                          "Comprobación del fichero: correcto, 15 líneas"}));
    QCOMPARE(QFileInfo(h.fichero()).size(), 15 * 256);
}

// A batch run holding the installation: the window says who, changes
// nothing and stays open with its dates for another try.
void TestVentanaTraspaso::otro_proceso_ocupa_la_instalacion()
{
    Hotel h(false, crear_cuentas());
    poblar_con_febrero(h);
    QString ocupante;
    const auto lote = platform::Bloqueo::tomar(QFileInfo(h.fichero()).absoluteDir().filePath("enlace3.lock"),
                                               "traspaso", &ocupante);
    QVERIFY(lote);
    Abierta v(h);
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);

    QCOMPARE(vistos(*v.e).size(), 2);
    QVERIFY2(vistos(*v.e).at(1).startsWith("Instalación ocupada|La instalación está ocupada por otro proceso de "
                                           "enlace3 (traspaso, pid "),
             qPrintable(vistos(*v.e).at(1)));
    QVERIFY(v.w.isVisible());
    QCOMPARE(v.de()->text(), QString("01-01-2013"));
    QCOMPARE(h.contar("fac3"), 0);
    QVERIFY(!QFileInfo::exists(h.fichero()));
}

// Cancelled in the middle of the file: nothing marked, the old file as it
// was, the window open for another try.
void TestVentanaTraspaso::cancelar_deja_todo_como_estaba()
{
    Hotel h(false, crear_cuentas());
    poblar_con_febrero(h);
    h.traspasar("20130201", "20130228");
    const QStringList antes = h.lineas();
    const int marcadas = h.contar("fac3", "FacEst = '1'");
    for (int tras : {0, 4}) {
        Abierta v(h, {true, true});
        v.e->ui.cancelAfter = tras;
        v.rango("01012013", "31012013");
        QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
        QCOMPARE(vistos(*v.e).constLast(), QString("Fin del Traspaso|Traspaso cancelado: no se ha marcado nada como "
                                                   "enviado y el fichero F:\\NOCTARIS\\Suenlace.dat queda como "
                                                   "estaba.|info"));
        QVERIFY(v.w.isVisible());
        QCOMPARE(v.de()->text(), QString("01-01-2013"));
        QCOMPARE(h.lineas(), antes);
        QCOMPARE(h.contar("fac3", "FacEst = '1'"), marcadas);
        QCOMPARE(h.contar("cre3", "Cre3Estado = '1'"), 0);
        QVERIFY(!v.e->ui.busy);
    }
}

// What the fields show when a button is pressed is what runs, whether or
// not Tab or Enter accepted it; a field that is no date, or a range that
// ends before it starts, stops the button with nothing done.
void TestVentanaTraspaso::los_botones_usan_lo_que_muestran_los_campos()
{
    Hotel h;
    poblar_con_febrero(h);
    h.traspasar("20130101", "20130131");
    const QStringList enero = estados_preparados(h);
    const QString malo = "Error Datos|La fecha «%1» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa.|info";
    struct Caso {
        const char *de, *hasta;
        bool limpiar;
        QStringList vistos;
        const char* foco;
    };
    const Caso casos[] = {
        {"31022013", "31012013", false, {"Error Datos|Formato de Fecha incorrecto.|info"}, "de"},
        {"01012013", "3101", true, {malo.arg("3101")}, "hasta"},
        {"enero", "31012013", true, {malo.arg("enero")}, "de"},
        {"01-13-2013", "31012013", true, {"Error Datos|Formato de Fecha incorrecto.|info"}, "de"},
        {"31012013", "01012013", true,
         {"Error Datos|La fecha Desde (31-01-2013) es posterior a la fecha Hasta (01-01-2013). Corrija el rango de "
          "fechas.|info"},
         "de"},
        // The stale range: January accepted, December typed over it.
        {"01122012", "31122012", true,
         {"|No había datos temporales del 01-12-2012 al 31-12-2012: no se ha limpiado nada.|info"}, "btnLimpiar"},
    };
    Abierta v(h);
    for (const Caso& c : casos) {
        v.rango("01012013", "31012013");
        v.e->ui.shown.clear();
        v.teclear(v.de(), c.de);
        v.teclear(v.hasta(), c.hasta);
        QPushButton* boton = c.limpiar ? v.btnLimpiar() : v.btnGenerar();
        boton->setFocus();
        QTest::mouseClick(boton, Qt::LeftButton);
        QCOMPARE(vistos(*v.e), c.vistos);
        QCOMPARE(v.foco(), QString(c.foco));
        QVERIFY(v.w.isVisible());
        QCOMPARE(estados_preparados(h), enero);
    }

    // Typed without Tab or Enter, in either form: shown in the question and used.
    Hotel h2;
    poblar_con_febrero(h2);
    Abierta v2(h2);
    v2.rango("05012013", "05012013");
    v2.teclear(v2.hasta(), "31-1-2013");
    v2.teclear(v2.de(), "01012013");
    QTest::mouseClick(v2.btnGenerar(), Qt::LeftButton);
    QCOMPARE(vistos(*v2.e), (QStringList{pregunta("01-01-2013", "31-01-2013"), kFin}));
    QCOMPARE(estados_preparados(h2), (QStringList{"fac3 10=1", "fac3 11=1", "fac3 9=1", "edep3 9=1", "caj3 1=1",
                                                  "caj3 2=1", "cre3 9=1"}));
    QVERIFY(!v2.w.isVisible());
}

void TestVentanaTraspaso::limpiar_y_volver_a_traspasar()
{
    Hotel h(false, crear_cuentas());
    poblar_con_febrero(h);
    Abierta v(h);
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
    QVERIFY(!v.w.isVisible());
    const QStringList primera = h.lineas();
    const QStringList cuentas = h.volcar("ctas3");

    v.abrir();
    v.e->ui.shown.clear();
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnLimpiar(), Qt::LeftButton);
    QCOMPARE(vistos(*v.e), QStringList{"|Datos Temporales limpiados correctamente!|-"});
    // What was removed, per table.
    QCOMPARE(v.e->ui.shown.back().figures.split('\n'),
             (QStringList{"Facturas borradas (fac3): 3", "Depósitos borrados (edep3): 1", "Cobros de caja borrados (caj3): 2",
                          "Créditos por enviar otra vez (cre3): 1", "Marcas de caja del hotel quitadas: 2"}));
    QVERIFY(v.w.isVisible());
    QCOMPARE(v.de()->text(), QString("01-01-2013"));
    QCOMPARE(v.hasta()->text(), QString("31-01-2013"));
    QCOMPARE(estados_preparados(h), QStringList{"cre3 9=0"});
    QCOMPARE(h.contar("caja", "CajaTur = ''"), 2);
    QVERIFY(!v.e->ui.busy);

    v.e->ui.shown.clear();
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);
    QCOMPARE(v.e->ui.shown.size(), size_t(3));   // confirmation, the existing file, the end
    QCOMPARE(vistos(*v.e).constFirst(), pregunta("01-01-2013", "31-01-2013"));
    QCOMPARE(vistos(*v.e).constLast(), kFin);
    // The range's invoices, deposit, collections and credit again; the account was sent already.
    QCOMPARE(h.lineas(), sin_cuentas(primera));
    QCOMPARE(h.volcar("ctas3"), cuentas);
    QCOMPARE(estados_preparados(h), (QStringList{"fac3 10=1", "fac3 11=1", "fac3 9=1", "edep3 9=1", "caj3 1=1", "caj3 2=1",
                                      "cre3 9=1"}));
    QVERIFY(!v.w.isVisible());
}

void TestVentanaTraspaso::titular_inexistente_termina_la_aplicacion()
{
    Hotel h;
    poblar_con_febrero(h);
    h.factura("13", "20130107", 10.0, {{"EmiCli", "9999"}});
    Abierta v(h);
    QSignalSpy fin(&v.w, &VentanaTraspaso::terminar_aplicacion);
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);

    termina_la_aplicacion(v, fin);
    QCOMPARE(v.e->ui.shown.size(), size_t(2));
    QVERIFY(!QFile::exists(h.fichero()));
    QCOMPARE(h.contar("fac3", "FacEst = '1'"), 0);
}

void TestVentanaTraspaso::cuenta_de_cobro_erronea_cierra_la_ventana()
{
    Hotel h(false, {{"Ca3Niv", 10}});
    poblar_con_febrero(h);   // payment accounts of 9 digits, with 10 configured
    Abierta v(h);
    QSignalSpy fin(&v.w, &VentanaTraspaso::terminar_aplicacion);
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);

    QCOMPARE(fin.size(), 0);
    QVERIFY(!v.w.isVisible());
    QCOMPARE(v.w.result(), int(QDialog::Rejected));
    QCOMPARE(v.e->ui.shown.size(), size_t(2));
    QCOMPARE(v.e->ui.shown[1].title, QString("error fatal"));
    QVERIFY(!QFile::exists(h.fichero()));
}

void TestVentanaTraspaso::fallo_de_la_base_en_el_traspaso()
{
    Hotel h;
    poblar_con_febrero(h);
    Abierta v(h);
    QSignalSpy fin(&v.w, &VentanaTraspaso::terminar_aplicacion);
    h.inst().ejecutar("caj3", "DROP TABLE caj3");
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnGenerar(), Qt::LeftButton);

    QCOMPARE(vistos(*v.e).mid(1), QStringList{"|El traspaso se ha interrumpido por un error de la base de datos.\n\n"
                                              "Error -2147217865: Cobro de caja del 05-01-2013, orden 1: no such "
                                              "table: caj3\n\nLa aplicación no puede "
                                              "continuar.|critico"});
    termina_la_aplicacion(v, fin);
    QVERIFY(!QFile::exists(h.fichero()));
    QCOMPARE(h.contar("fac3", "FacEst = '1'"), 0);
}

void TestVentanaTraspaso::fallo_de_la_base_en_la_limpieza()
{
    Hotel h;
    poblar_con_febrero(h);
    h.traspasar("20130101", "20130131");
    Abierta v(h);
    QSignalSpy fin(&v.w, &VentanaTraspaso::terminar_aplicacion);
    h.inst().ejecutar("edep3", "DROP TABLE edep3");
    v.rango("01012013", "31012013");
    QTest::mouseClick(v.btnLimpiar(), Qt::LeftButton);

    QCOMPARE(vistos(*v.e), QStringList{"|La limpieza de los datos temporales se ha interrumpido por un error de la "
                                       "base de datos.\n\nError -2147217865: no such table: edep3\n\nLa aplicación "
                                       "no puede continuar.|critico"});
    termina_la_aplicacion(v, fin);
    // The statements before the failing one have taken effect, the later ones not.
    QCOMPARE(h.contar("caj3"), 0);
    QCOMPARE(h.contar("fac3"), 3);
}

QTEST_MAIN(TestVentanaTraspaso)
#include "test_ventana_traspaso.moc"
