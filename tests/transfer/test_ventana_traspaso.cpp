// The transfer window as a user drives it (keys in the date fields, clicks
// on the buttons) over installations made by the fixture builder: the keys,
// one run with its clean-up and second run, and every way a button stops.

#include "platform/bloqueo.h"
#include "support/fixtures.h"
#include "transfer/ventana_traspaso.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <functional>

using Enlace = fixture::Sesion;
using fixture::crear_cuentas;
using fixture::estados_preparados;
using fixture::Hotel;
using fixture::sin_cuentas;

namespace {

const QString kFin = "Fin del Traspaso|Se ha generado Suenlace.dat correctamente|info";
const QString kMalFormato = "Error Datos|Formato de Fecha incorrecto.|info";
const QStringList kEnero = {"fac3 10=1", "fac3 11=1", "fac3 9=1", "edep3 9=1", "caj3 1=1", "caj3 2=1", "cre3 9=1"};

// The usual range of January, and an invoice of February outside it.
void poblar_con_febrero(Hotel& h) { poblar_enero(h), h.factura("12", "20130205", 44.0); }
// The question repeats the dates as the fields hold them when the button is pressed.
QString pregunta(const QString& de, const QString& hasta)
{
    return "Seguridad Traspaso|Esta Ud. seguro/a de querer traspasar del " + de + " al " + hasta + " ?|info|Sí/No";
}
const QString kPregunta = pregunta("01-01-2013", "31-01-2013");
const QString kExiste = "Atención Muy Importante|El fichero F:\\NOCTARIS\\\\Suenlace.dat, ya está generado. ¿Desea borrar la información anterior?|info|Sí/No";

// The window over a started link, shown and active, as the main window opens it.
struct Abierta {
    explicit Abierta(Hotel& h, std::deque<bool> respuestas = {}) : e(h.arrancar(std::move(respuestas))), w(*e->a) { abrir(); }
    void abrir() { w.show(), w.activateWindow(); QVERIFY(QTest::qWaitForWindowActive(&w)); }
    QLineEdit* de() { return w.findChild<QLineEdit*>("de"); }
    QLineEdit* hasta() { return w.findChild<QLineEdit*>("hasta"); }
    QPushButton* boton(bool limpiar) { return w.findChild<QPushButton*>(limpiar ? "btnLimpiar" : "btnGenerar"); }
    QString foco() { return w.focusWidget() ? w.focusWidget()->objectName() : QString(); }
    // What the user was shown, one line per box: title|text|icon[|Sí/No]; then forgotten.
    QStringList vistos()
    {
        static const char* const iconos[] = {"-", "info", "aviso", "critico", "pregunta"};
        QStringList r;
        for (const auto& s : std::exchange(e->ui.shown, {})) r << s.title + '|' + s.text + '|' + iconos[int(s.icon)] + (s.question ? "|Sí/No" : "");
        return r;
    }
    // Fields, range, focus and boxes shown: de|hasta|wdesde|whasta|foco|boxes.
    QString estado() { return QStringList({de()->text(), hasta()->text(), w.wdesde(), w.whasta(), foco(), vistos().join('+')}).join('|'); }
    // Types into a field (over what it holds) and ends with `tecla` (none: no key).
    void teclear(QLineEdit* campo, const QString& texto, Qt::Key tecla = Qt::Key_unknown)
    {
        campo->setFocus(), campo->selectAll(), QTest::keyClick(campo, Qt::Key_Backspace), QTest::keyClicks(campo, texto);
        if (tecla != Qt::Key_unknown) QTest::keyClick(campo, tecla);
    }
    void rango(const QString& desde, const QString& h) { teclear(de(), desde, Qt::Key_Tab), teclear(hasta(), h, Qt::Key_Return); }
    void pulsar(bool limpiar) { boton(limpiar)->setFocus(), QTest::mouseClick(boton(limpiar), Qt::LeftButton); }

    std::unique_ptr<Enlace> e;
    VentanaTraspaso w;
};

} // namespace

class TestVentanaTraspaso : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Tab and Enter accept a date and are swallowed; a wrong one empties its
    // field (with a message only for eight digits naming no date) and keeps the
    // range; other keys type; Escape closes from `de` only; a double click
    // empties `de`; every opening starts afresh.
    void teclas_de_las_fechas()
    {
        Hotel h;
        Abierta v(h);
        QCOMPARE(v.estado(), QString("||||de|"));
        const std::pair<std::function<void()>, QString> pasos[] = {
            {[&] { v.teclear(v.de(), "01012013", Qt::Key_Tab); }, "01-01-2013||20130101||hasta|"},
            {[&] { QTest::keyClicks(v.hasta(), "28022013"), QTest::keyClick(v.hasta(), Qt::Key_Enter); }, "01-01-2013|28-02-2013|20130101|20130228|btnGenerar|"},
            {[&] { v.teclear(v.hasta(), "29022013", Qt::Key_Tab); }, "01-01-2013||20130101|20130228|hasta|" + kMalFormato},
            {[&] { v.teclear(v.de(), "0101201", Qt::Key_Tab); }, "||20130101|20130228|de|"},
            {[&] { v.teclear(v.de(), "1-2-2024", Qt::Key_Return); }, "||20130101|20130228|de|"},   // not eight digits: dropped, no message
            {[&] { v.teclear(v.de(), "0101"), QTest::keyClick(v.de(), Qt::Key_Left), QTest::keyClicks(v.de(), "x"); }, "010x1||20130101|20130228|de|"},
            {[&] { QTest::mouseDClick(v.de(), Qt::LeftButton); }, "||20130101|20130228|de|"},
            {[&] { v.hasta()->setFocus(), QTest::keyClick(v.hasta(), Qt::Key_Escape); }, "||20130101|20130228|hasta|"},
            {[&] { v.boton(false)->setFocus(), QTest::keyClick(v.boton(false), Qt::Key_Escape); }, "||20130101|20130228|btnGenerar|"},
        };
        for (const auto& [accion, esperado] : pasos) {
            accion();
            QCOMPARE(v.estado(), esperado);
        }
        QVERIFY(v.w.isVisible());
        v.de()->setFocus();
        QTest::keyClick(v.de(), Qt::Key_Escape);
        QVERIFY(!v.w.isVisible() && v.w.result() == QDialog::Rejected && h.contar("fac3") == 0);
    }

    // A range typed over a stale one and not confirmed runs as shown; a
    // clean-up of the range then lets it go again, without the account
    // already sent.
    void traspaso_limpieza_y_otra_vez()
    {
        Hotel h(false, crear_cuentas());
        poblar_con_febrero(h);
        Abierta v(h);
        v.rango("05012013", "05012013");
        v.teclear(v.hasta(), "31-1-2013"), v.teclear(v.de(), "01012013"), v.pulsar(false);
        QCOMPARE(v.e->ui.shown.back().figures.split('\n').mid(0, 6),
                 (QStringList{"Cuentas: 1", "Facturas: 3", "Depósitos: 1", "Días de caja: 1", "Créditos: 1", "Registros: 15"}));
        QCOMPARE(v.vistos(), (QStringList{pregunta("01012013", "31-1-2013"), kFin}));
        const QStringList primero = h.lineas();
        QVERIFY(primero.size() == 15 && QFileInfo(h.fichero()).size() == 15 * 256 && estados_preparados(h) == kEnero);
        QVERIFY(!v.w.isVisible() && v.w.result() == QDialog::Accepted && (v.de()->text() + v.hasta()->text()).isEmpty());
        QVERIFY(v.e->ui.busyChanges == 2 && !v.e->ui.busy && v.w.ultimo_resultado()->generacion.completo());
        QCOMPARE(v.e->ui.phases.mid(0, 3), (QStringList{"Preparando facturas", "Preparando cobros de caja", "Generando Suenlace.dat"}));
        const QStringList cuentas = h.volcar("ctas3");
        v.abrir();
        v.rango("01012013", "31012013");
        v.pulsar(true);
        QCOMPARE(v.e->ui.shown.back().figures.split('\n'),
                 (QStringList{"Facturas borradas (fac3): 3", "Depósitos borrados (edep3): 1", "Cobros de caja borrados (caj3): 2",
                              "Créditos por enviar otra vez (cre3): 1", "Marcas de caja del hotel quitadas: 2"}));
        QCOMPARE(v.estado(), "01-01-2013|31-01-2013|20130101|20130131|btnLimpiar||Datos Temporales limpiados correctamente!|-");
        QVERIFY(estados_preparados(h) == QStringList{"cre3 9=0"} && h.contar("caja", "CajaTur = ''") == 2 && !v.e->ui.busy);
        v.pulsar(false);
        QCOMPARE(v.vistos(), (QStringList{kPregunta, kExiste, kFin}));   // "Sí" to the existing file: only this run's records
        QVERIFY(h.lineas() == sin_cuentas(primero) && h.volcar("ctas3") == cuentas && !v.w.isVisible() && estados_preparados(h) == kEnero);
        // Nothing new, and "Sí": an empty file, which is what it should be.
        v.abrir();
        v.rango("01012013", "31012013");
        v.pulsar(false);
        QVERIFY(QFileInfo(h.fichero()).size() == 0);
        QVERIFY2(v.e->ui.shown.back().figures.endsWith("\nComprobación del fichero: vacío, no hay ningún registro"), qPrintable(v.e->ui.shown.back().figures));
    }

    // A field empty, not a date, a range the wrong way round, a stale range for
    // the clean-up, or "No" to the question: nothing runs and nothing changes.
    void botones_que_no_hacen_nada()
    {
        Hotel h;
        poblar_con_febrero(h);
        h.traspasar("20130101", "20130131");
        const QStringList enero = estados_preparados(h), fichero = h.lineas();
        const QString malo = "Error Datos|La fecha «%1» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa.|info";
        const std::tuple<const char*, const char*, bool, QString> casos[] = {   // de, hasta, clean-up, then de|hasta|focus|boxes
            {"", "31012013", false, "|31012013|de|"}, {"01012013", "", true, "01012013||de|"},
            {"31022013", "31012013", false, "|31012013|de|" + kMalFormato}, {"01012013", "3101", true, "01-01-2013||hasta|" + malo.arg("3101")},
            {"enero", "31012013", true, "|31012013|de|" + malo.arg("enero")},
            {"31012013", "01012013", true, "31-01-2013|01-01-2013|de|Error Datos|La fecha Desde (31-01-2013) es posterior a la fecha Hasta "
                                           "(01-01-2013). Corrija el rango de fechas.|info"},
            {"01122012", "31122012", true, "01-12-2012|31-12-2012|btnLimpiar||Datos Temporales limpiados correctamente!|-"},
            {"01012013", "31012013", false, "||de|" + pregunta("01012013", "31012013")}};
        Abierta v(h, {false});
        for (const auto& [de, hasta, limpiar, quedan] : casos) {
            v.rango("01012013", "31012013"), v.vistos();
            v.teclear(v.de(), de), v.teclear(v.hasta(), hasta), v.pulsar(limpiar);
            QCOMPARE(QStringList({v.de()->text(), v.hasta()->text(), v.foco(), v.vistos().join('+')}).join('|'), quedan);
            QVERIFY(v.w.isVisible() && estados_preparados(h) == enero);
        }
        QCOMPARE(h.lineas(), fichero);
    }

    // Runs that stop: the installation held by a batch run or a cancel leave
    // the window open with its dates; a missing holder or a database failure
    // ends the application; a wrong payment account closes the window. None
    // marks a row nor changes the file.
    void paradas_y_fallos()
    {
        const QString abierta = "abierta", cerrada = "cerrada", termina = "termina";
        const auto enero = [](Hotel& h) { h.traspasar("20130101", "20130131"); };
        const auto febrero = [](Hotel& h) { h.traspasar("20130201", "20130228"); };
        const struct {
            const char* nombre;
            QVariantMap ajustes;
            std::function<void(Hotel&)> preparar;
            const char* rota;   // the link table dropped once the window is open
            bool limpiar;
            int cancelar, cajas;   // boxes shown
            QString ultimo, salida;   // the start of the last box, how the window ends
        } casos[] = {
            {"ocupada", crear_cuentas(), {}, nullptr, false, -1, 2, "Instalación ocupada|La instalación está ocupada por otro proceso de enlace3 (traspaso, pid ", abierta},
            {"cancelada", crear_cuentas(), febrero, nullptr, false, 4, 2, "Fin del Traspaso|Traspaso cancelado: no se ha marcado nada como enviado y el fichero "
                                                                             "F:\\NOCTARIS\\Suenlace.dat queda como estaba.|info", abierta},
            {"titular inexistente", {}, [](Hotel& h) { h.factura("13", "20130107", 10.0, {{"EmiCli", "9999"}}); }, nullptr, false, -1, 2, "", termina},
            {"cuenta de cobro de 9 con 10", {{"Ca3Niv", 10}}, {}, nullptr, false, -1, 2, "error fatal|", cerrada},
            {"base en el traspaso", {}, {}, "caj3", false, -1, 2, "|El traspaso se ha interrumpido por un error de la base de datos.\n\nError -2147217865: "
                                                                  "Cobro de caja del 05-01-2013, orden 1: no such table: caj3\n\nLa aplicación no puede continuar.|critico", termina},
            {"base en la limpieza", {}, enero, "edep3", true, -1, 1, "|La limpieza de los datos temporales se ha interrumpido por un error de la base de datos."
                                                                     "\n\nError -2147217865: no such table: edep3\n\nLa aplicación no puede continuar.|critico", termina},
        };
        for (const auto& c : casos) {
            Hotel h(false, c.ajustes);
            poblar_con_febrero(h);
            if (c.preparar) c.preparar(h);
            const auto lote = c.salida == abierta && c.cancelar < 0
                                  ? platform::Bloqueo::tomar(QFileInfo(h.fichero()).absoluteDir().filePath("enlace3.lock"), "traspaso", nullptr) : nullptr;
            const QStringList fichero = h.lineas();
            const int marcadas = h.contar("fac3", "FacEst = '1'") * 100 + h.contar("cre3", "Cre3Estado = '1'");
            Abierta v(h, {true, true});
            QSignalSpy fin(&v.w, &VentanaTraspaso::terminar_aplicacion);
            v.e->ui.cancelAfter = c.cancelar;
            if (c.rota) h.inst().ejecutar(c.rota, QString("DROP TABLE ") + c.rota);
            v.rango("01012013", "31012013"), v.pulsar(c.limpiar);
            const QStringList vistos = v.vistos();
            QVERIFY2(vistos.size() == c.cajas && vistos.last().startsWith(c.ultimo), qPrintable(vistos.join("\n")));
            const QString salida = v.w.isVisible() ? abierta : !fin.isEmpty() ? termina : cerrada;
            // Open with its dates; ending the application with status 1; or just closed.
            const QString fin_visto = salida == abierta ? v.de()->text() : QString::number(10 * (fin.isEmpty() ? 0 : fin.at(0).at(0).toInt()) + v.w.result());
            const QString fin_esperado = c.salida == abierta ? "01-01-2013" : QString::number(c.salida == termina ? 10 + VentanaTraspaso::kTerminarAplicacion : QDialog::Rejected);
            QCOMPARE(salida + c.nombre + fin_visto, c.salida + c.nombre + fin_esperado);
            QVERIFY(!v.e->ui.busy && h.lineas() == fichero && QFile::exists(h.fichero()) == !fichero.isEmpty());
            if (c.salida == abierta && c.cancelar < 0) QCOMPARE(h.contar("fac3"), 0);   // nothing staged either
            QCOMPARE(h.contar("fac3", "FacEst = '1'") * 100 + h.contar("cre3", "Cre3Estado = '1'"), marcadas);
            if (c.limpiar)   // the link's statements are undone together: nothing staged is removed
                QCOMPARE(h.contar("caj3") * 10 + h.contar("fac3"), 23);
        }
    }
};

QTEST_MAIN(TestVentanaTraspaso)
#include "test_ventana_traspaso.moc"
