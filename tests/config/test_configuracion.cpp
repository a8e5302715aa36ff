// The configuration window as the administrator drives it: keys typed into
// its fields, clicks on its boxes and on the save picture, over link
// databases made by the fixture builder.

#include "config/configuracion.h"
#include "config/ventana_configuracion.h"
#include "data/instalacion_ocupada.h"
#include "support/fixtures.h"

#include <QCheckBox>
#include <QDir>
#include <QStatusBar>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

const QStringList kColumnas = {"Ca3Key",  "ca3Emp",   "Ca3Niv",  "Ca3ruta", "ca3Cre",  "ca3nif",
                               "ca3iva",  "ca3Age",   "ca3EmpNa", "ca3Cli", "ca3Dep",  "Ca3Vta",
                               "ca3Ivar", "Ca3Tasa",  "Ca3DesglosarPasantes", "Ca3CrearCuentas",
                               "Ca3UnicaCtaPasantes", "Zumeral"};
const QStringList kCuentas = {"cage", "cna", "cpas", "cven", "civa", "cgru", "cTasa"};
const QString kFaltaDigito = "Atención|Falta algún dígito de esta Subcuenta";

// The window over a started link, shown and active as the main window opens it.
struct Abierta {
    explicit Abierta(const QVariantMap& ajustes = {})
    {
        if (!ajustes.isEmpty())
            e.inst().configurar(ajustes);
        e.arrancar();
        w = std::make_unique<VentanaConfiguracion>(e.a());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    QLineEdit* campo(const QString& n) { return w->findChild<QLineEdit*>(n); }
    QCheckBox* casilla(const QString& n) { return w->findChild<QCheckBox*>(n); }
    // A click on the box itself, whatever the width of its caption.
    void pulsar(const QString& n) { QTest::mouseClick(casilla(n), Qt::LeftButton, {}, QPoint(6, casilla(n)->height() / 2)); }
    QString foco() { return w->focusWidget() ? w->focusWidget()->objectName() : QString(); }
    // Types over what the field holds and ends with `tecla`.
    void teclear(const QString& n, const QString& texto, Qt::Key tecla = Qt::Key_Return)
    {
        campo(n)->setFocus();
        campo(n)->selectAll();
        QTest::keyClick(campo(n), Qt::Key_Backspace);
        QTest::keyClicks(campo(n), texto);
        if (tecla != Qt::Key_unknown)
            QTest::keyClick(campo(n), tecla);
    }
    void desbloquear() { teclear("pas", "garvex"); }
    // title|text of every box shown so far, then forgotten.
    QStringList mensajes()
    {
        QStringList r;
        for (const auto& s : e.ui.shown)
            r << s.title + "|" + s.text;
        e.ui.shown.clear();
        return r;
    }
    QString cuentas()
    {
        QStringList r;
        for (const QString& n : kCuentas)
            r << n + "=" + campo(n)->text();
        return r.join(' ');
    }
    QString casillas()
    {
        QString r;
        for (int i = 1; i <= 7; ++i)
            r += casilla(QString("Check%1").arg(i))->isChecked() ? "1" : "0";
        return r;
    }
    bool bloqueada()
    {
        for (const QString& n : configuracion::nombres_campos())
            if (!campo(n)->text().isEmpty())
                return false;
        return casillas() == "0000000" && !w->findChild<QLabel*>("Image2")->isVisible();
    }
    // The settings rows, one line each, columns in the order of a new row.
    QStringList filas()
    {
        QStringList r;
        for (const QVariantMap& f : e.inst().filas("ca3")) {
            QStringList v;
            for (const QString& c : kColumnas)
                v << (f.value(c).isNull() ? "Null" : f.value(c).toString());
            r << v.join('|');
        }
        return r;
    }
    fixture::Entorno e{demo::Opciones::pruebas()};
    std::unique_ptr<VentanaConfiguracion> w;
};

const QString kFilaInicial =
    "KOVE3|00001|9|F:\\NOCTARIS\\|-1|0|-1|4301|4302|43000|561000000|705999999|47700000|47530000|0|0|0|0";

} // namespace

class TestConfiguracion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void password_abre_y_cierra_la_ventana();
    void primer_desbloqueo_crea_la_fila();
    void comprobacion_de_campos_data();
    void comprobacion_de_campos();
    void longitud_de_cuentas_data();
    void longitud_de_cuentas();
    void ida_y_vuelta_de_digitos_data();
    void ida_y_vuelta_de_digitos();
    void digitos_que_no_se_pueden_quitar();
    void cambios_sin_guardar_y_ctrl_s();
    void opciones_de_pasantes();
    void guardar_escribe_la_fila_y_bloquea();
    void guardar_sin_dato_indispensable();
};

void TestConfiguracion::password_abre_y_cierra_la_ventana()
{
    Abierta v;
    QVERIFY(v.bloqueada());
    QCOMPARE(v.w->windowTitle(), QString("Configuración enlace a A3 Software."));

    v.teclear("pas", "nogarvex");
    QCOMPARE(v.mensajes(), QStringList{"Seguridad: Noctaris|Password incorrecta, si no conoce la Password es que no "
                                       "tiene autorización para el uso de este fichero. Si desea cambiar algo, "
                                       "ponganse en contacto con Noctaris Software."});
    QVERIFY(v.bloqueada());
    QCOMPARE(v.foco(), QString("pas"));

    v.teclear("pas", "gArVex", Qt::Key_Tab);
    QCOMPARE(v.mensajes(), QStringList());
    QCOMPARE(v.campo("pas")->text(), QString("GARVEX"));
    QCOMPARE(v.foco(), QString("ce"));
    QCOMPARE(v.cuentas(), QString("cage=4301 cna=4302 cpas=43000 cven=705999999 civa=47700000 cgru=561000000 "
                                  "cTasa=47530000"));
    QCOMPARE(v.campo("ce")->text() + " " + v.campo("di")->text() + " " + v.campo("ruta")->text(),
             QString("00001 9 F:\\NOCTARIS\\"));
    QCOMPARE(v.casillas(), QString("1100000"));
    QVERIFY(v.w->findChild<QLabel*>("Image2")->isVisible());

    // Escape in a field locks again (asking first, as something changed);
    // emptying di while unlocked keeps the focus in it.
    v.teclear("cven", "7", Qt::Key_Escape);
    QCOMPARE(v.mensajes(), QStringList{"Cambios sin guardar|Hay cambios en la configuración que no se han guardado. "
                                       "¿Desea descartarlos?"});
    QVERIFY(v.bloqueada());
    QCOMPARE(v.foco(), QString("pas"));
    v.desbloquear();
    v.teclear("di", "", Qt::Key_unknown);
    v.campo("cage")->setFocus();
    QCOMPARE(v.mensajes(), QStringList{"Atención Muy Importante|Los dígitos de la subcuenta son un campo "
                                       "indispensable para el traspaso correcto. No puede contener ningún dato"});
    QCOMPARE(v.foco(), QString("di"));

    QTest::mouseClick(v.campo("pas"), Qt::LeftButton);
    QVERIFY(v.bloqueada());
    QTest::keyClick(v.campo("pas"), Qt::Key_Escape);
    QVERIFY(!v.w->isVisible());
    QCOMPARE(v.filas(), QStringList{kFilaInicial});
}

void TestConfiguracion::primer_desbloqueo_crea_la_fila()
{
    Abierta v;
    v.e.inst().vaciar("ca3");
    v.e.inst().insertar("ca3", {{"Ca3Key", "OTRA"}, {"ca3Emp", "00099"}});
    v.desbloquear();
    QCOMPARE(v.filas(), (QStringList{"OTRA|00099|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|"
                                     "Null|Null|Null",
                                     kFilaInicial}));
    QCOMPARE(v.campo("ce")->text() + " " + v.campo("di")->text() + " " + v.campo("ruta")->text(),
             QString("00001 9 F:\\NOCTARIS\\"));
    QCOMPARE(v.casillas(), QString("1100000"));
}

void TestConfiguracion::comprobacion_de_campos_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("unica");   // Check6 ticked before typing
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<QString>("queda");
    QTest::addColumn<QString>("foco");

    const QString numerica = "Atención|Las Subcuentas contables tienen que ser numéricas";
    QTest::newRow("ce con ceros") << "ce" << "12" << false << "" << "00012" << "di";
    QTest::newRow("ce de 5 con ceros") << "ce" << "000012345" << false << "" << "12345" << "di";
    QTest::newRow("ce de 6") << "ce" << "123456" << false
                             << "Atención|El código de empresa debe tener como máximo 5 dígitos" << "123456" << "ce";
    QTest::newRow("ce no numérico") << "ce" << "1a" << false << "atención|Tiene que ser numérico" << "" << "ce";
    QTest::newRow("di no numérico") << "di" << "9." << false << "Atención|Tiene que ser numérico" << "" << "di";
    const QString rango = "Atención|Los dígitos de las subcuentas tienen que estar entre 8 y 12";
    QTest::newRow("di 13") << "di" << "13" << false << rango << "13" << "di";
    QTest::newRow("di 7") << "di" << "7" << false << rango << "7" << "di";
    QTest::newRow("cage corta") << "cage" << "43" << false << kFaltaDigito << "43" << "cage";
    QTest::newRow("cage") << "cage" << "4301" << false << "" << "4301" << "cna";
    QTest::newRow("cna no numérica") << "cna" << "43 2" << false << numerica << "" << "cna";
    QTest::newRow("cpas de 4") << "cpas" << "4300" << false << kFaltaDigito << "4300" << "cpas";
    QTest::newRow("cpas de 5") << "cpas" << "43001" << false << "" << "43001" << "cven";
    QTest::newRow("cpas única") << "cpas" << "4300" << true << "" << "4300" << "cven";
    QTest::newRow("cven de 8") << "cven" << "70599999" << false << kFaltaDigito << "70599999" << "cven";
    QTest::newRow("cgru") << "cgru" << "561000001" << false << "" << "561000001" << "cTasa";
    QTest::newRow("cTasa vacía") << "cTasa" << "" << false << numerica << "" << "cTasa";
    QTest::newRow("cTasa") << "cTasa" << "475300000" << false << "" << "475300000" << "ruta";
    QTest::newRow("ruta") << "ruta" << "c:\\o'brien\\" << false << "" << "C:\\O'BRIEN\\" << "ruta";
}

void TestConfiguracion::comprobacion_de_campos()
{
    QFETCH(QString, campo);
    QFETCH(QString, texto);
    QFETCH(bool, unica);
    QFETCH(QString, mensaje);
    QFETCH(QString, queda);
    QFETCH(QString, foco);

    Abierta v;
    v.desbloquear();
    v.casilla("Check6")->setChecked(unica);
    v.teclear(campo, texto);
    QCOMPARE(v.mensajes(), mensaje.isEmpty() ? QStringList() : QStringList{mensaje});
    QCOMPARE(v.campo(campo)->text(), queda);
    QCOMPARE(v.foco(), foco);
}

void TestConfiguracion::longitud_de_cuentas_data()
{
    QTest::addColumn<QVariantMap>("ajustes");
    QTest::addColumn<QString>("di");
    QTest::addColumn<QString>("cuentas");

    QTest::newRow("9 a 9") << QVariantMap() << "9"
                           << "cage=4301 cna=4302 cpas=43000 cven=705999999 civa=47700000 cgru=561000000 "
                              "cTasa=47530000";
    QTest::newRow("9 a 10") << QVariantMap() << "10"
                            << "cage=43010 cna=43020 cpas=430000 cven=7059909999 civa=477000000 "
                               "cgru=5610000000 cTasa=475300000";
    QTest::newRow("9 a 12") << QVariantMap({{"ca3iva", false}}) << "12"
                            << "cage=4301000 cna=4302000 cpas=43000000 cven=705990009999 civa=47700000000 "
                               "cgru=561000000000 cTasa=47530000000";
    const QVariantMap doce = {{"Ca3Niv", 12},          {"ca3Age", "4301000"},       {"ca3EmpNa", "4302000"},
                              {"ca3Cli", "43000000"},  {"Ca3Vta", "705990009999"},  {"ca3Ivar", "477000000000"},
                              {"ca3Dep", "561000000000"}, {"Ca3Tasa", "475300000000"}, {"ca3iva", false}};
    QTest::newRow("12 a 9") << doce << "9"
                            << "cage=4301 cna=4302 cpas=43000 cven=705999999 civa=477000000 "
                               "cgru=561000000 cTasa=475300000";
}

void TestConfiguracion::longitud_de_cuentas()
{
    QFETCH(QVariantMap, ajustes);
    QFETCH(QString, di);
    QFETCH(QString, cuentas);

    Abierta v(ajustes);
    v.desbloquear();
    v.teclear("di", di);
    QCOMPARE(v.mensajes(), QStringList());
    QCOMPARE(v.cuentas(), cuentas);
    QCOMPARE(v.foco(), QString("cage"));
    // Lengths follow the new count once each field is entered again.
    const int d = di.toInt();
    const int subcuenta = d <= 9 ? 4 : d - 5;
    QCOMPARE(VentanaConfiguracion::longitud_maxima(v.campo("cage")), subcuenta);
    v.campo("cven")->setFocus();
    QCOMPARE(v.campo("cven")->maxLength(), d);
    v.campo("cpas")->setFocus();
    QCOMPARE(v.campo("cpas")->maxLength(), d - 4);
}

void TestConfiguracion::ida_y_vuelta_de_digitos_data()
{
    QTest::addColumn<QVariantMap>("ajustes");
    QTest::addColumn<QStringList>("pasos");   // counts confirmed in `di`, the last one the starting count

    // Accounts with the zeros a shorter count can take back.
    const QVariantMap diez = {{"Ca3Niv", 10},           {"ca3Age", "43090"},        {"ca3EmpNa", "43020"},
                              {"ca3Cli", "430100"},     {"Ca3Vta", "7059900999"},   {"ca3Ivar", "47712003"},
                              {"ca3Dep", "5610000345"}, {"Ca3Tasa", "4753000100"}};
    QTest::newRow("10-12-10") << diez << QStringList{"12", "10"};
    QTest::newRow("10-8-12-9-10") << diez << QStringList{"8", "12", "9", "10"};
    QTest::newRow("9-12-9") << QVariantMap() << QStringList{"12", "9"};
    QTest::newRow("9-8-11-9") << QVariantMap({{"ca3iva", false}, {"ca3Ivar", "477000001"}, {"Ca3Vta", "705990999"}})
                              << QStringList{"8", "11", "9"};
}

// Whatever the changes, coming back to the starting count gives back every
// account exactly, through the window as the administrator types.
void TestConfiguracion::ida_y_vuelta_de_digitos()
{
    QFETCH(QVariantMap, ajustes);
    QFETCH(QStringList, pasos);
    Abierta v(ajustes);
    v.desbloquear();
    const QString antes = v.cuentas();
    for (const QString& di : pasos) {
        v.teclear("di", di);
        QCOMPARE(v.mensajes().join(""), QString());
        QCOMPARE(v.foco(), QString("cage"));
    }
    QCOMPARE(v.cuentas(), antes);
}

void TestConfiguracion::digitos_que_no_se_pueden_quitar()
{
    // A digit other than zero where the change must remove one stops it whole.
    Abierta v({{"Ca3Niv", 10}, {"ca3Age", "43010"}, {"ca3EmpNa", "43020"}, {"ca3Cli", "430000"},
               {"Ca3Vta", "7059919999"}, {"ca3Ivar", "47700000"}, {"ca3Dep", "5610000000"}, {"Ca3Tasa", ""}});
    v.desbloquear();
    const QString antes = v.cuentas();
    v.teclear("di", "9");
    QCOMPARE(v.mensajes(), QStringList{"Atención|No se puede pasar a 9 dígitos: la cuenta de ventas (7059919999) "
                                       "perdería dígitos distintos de cero. Corríjala antes de cambiar los dígitos; no "
                                       "se ha cambiado nada."});
    QCOMPARE(v.cuentas(), antes);
    QCOMPARE(v.campo("di")->text(), QString("10"));
    QCOMPARE(v.foco(), QString("cven"));

    // Confirming the same count again with a malformed field touches nothing.
    v.teclear("cven", "70599", Qt::Key_unknown);
    v.teclear("di", "10");
    QCOMPARE(v.mensajes(), QStringList());
    QCOMPARE(v.cuentas(), QString(antes).replace("7059919999", "70599"));
}

void TestConfiguracion::opciones_de_pasantes()
{
    Abierta v;
    v.desbloquear();
    const auto pulsar = [&v](const char* n) {
        v.pulsar(n);
        return v.campo("cpas")->text() + " " + v.casillas().mid(3, 1) + v.casillas().mid(5, 1);
    };
    QCOMPARE(pulsar("Check6"), QString("430000000 01"));
    QCOMPARE(pulsar("Check4"), QString("430 10"));
    QCOMPARE(pulsar("Check4"), QString("43000 00"));
    QCOMPARE(pulsar("Check6"), QString("430000000 01"));
    QCOMPARE(pulsar("Check6"), QString("43000 00"));
    v.campo("cpas")->clear();
    QCOMPARE(pulsar("Check6"), QString(" 01"));
    QCOMPARE(pulsar("Check6"), QString("430000000 00"));
}

void TestConfiguracion::guardar_escribe_la_fila_y_bloquea()
{
    Abierta v;
    v.e.inst().insertar("ca3", {{"Ca3Key", "OTRA"}, {"ca3Emp", "00099"}});
    v.desbloquear();
    v.teclear("ce", "7");
    v.teclear("di", "10");
    v.teclear("ruta", "f:\\l'enlace\\");
    QVERIFY(QDir().mkpath(v.e.a().unidades.toLocal("F:\\L'ENLACE\\")));
    v.teclear("cTasa", "", Qt::Key_unknown);
    for (const char* n : {"Check1", "Check2", "Check3", "Check5", "Check7"})
        v.pulsar(n);
    v.teclear("civa", "4770000000", Qt::Key_unknown);
    {
        // While another run holds the installation nothing is saved and the form stays as typed.
        const QStringList antes = v.filas();
        const auto otro = platform::Bloqueo::tomar(ruta_bloqueo(v.e.a()), "traspaso", nullptr);
        QVERIFY(otro);
        QTest::mouseClick(v.w->findChild<QLabel*>("Image2"), Qt::LeftButton);
        const QStringList m = v.mensajes();
        QCOMPARE(m.size(), 1);
        QVERIFY2(m[0].startsWith("Instalación ocupada|La instalación está ocupada por otro proceso de enlace3 "
                                 "(traspaso, pid "),
                 qPrintable(m[0]));
        QCOMPARE(v.filas(), antes);
        QVERIFY(!v.bloqueada());
    }
    QTest::mouseClick(v.w->findChild<QLabel*>("Image2"), Qt::LeftButton);

    QCOMPARE(v.mensajes(), QStringList());
    QCOMPARE(v.filas(), (QStringList{"KOVE3|00007|10|F:\\L'ENLACE\\|0|-1|0|43010|43020|430000|5610000000|"
                                     "7059909999|4770000000||0|-1|0|-1",
                                     "OTRA|00099|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|Null|"
                                     "Null|Null|Null|Null"}));
    QVERIFY(v.bloqueada());
    QCOMPARE(v.foco(), QString("pas"));
    QVERIFY(v.w->findChild<QStatusBar*>("barra")->currentMessage().startsWith("Configuración guardada el "));

    // What the rest of the link sees once the main window reloads.
    A3ADO& a = v.e.a();
    a.cargar_configuracion();
    QCOMPARE(QStringList({a.wempresa, QString::number(a.wdigitos), a.wruta, a.wcta_cuadre, a.wcta_tasa}),
             QStringList({"00007", "10", "F:\\L'ENLACE\\", "7059909999", ""}));
    QCOMPARE(QList<bool>({a.wtraspasar_creditos, a.wdesglosar_ventas, a.wiva_por_tipo, a.wcrear_cuentas,
                          a.wexportar_pgc}),
             QList<bool>({false, true, false, true, true}));
}

void TestConfiguracion::guardar_sin_dato_indispensable()
{
    Abierta v;
    v.desbloquear();
    v.teclear("ruta", "", Qt::Key_unknown);
    v.teclear("cage", "4399", Qt::Key_unknown);
    QTest::mouseClick(v.w->findChild<QLabel*>("Image2"), Qt::LeftButton);
    QCOMPARE(v.mensajes(), QStringList{"Atención Falta Dato|Le falta algun dato muy importante"});
    QCOMPARE(v.filas(), QStringList{kFilaInicial});
    QCOMPARE(v.campo("cage")->text(), QString("4399"));
    QVERIFY(v.w->findChild<QLabel*>("Image2")->isVisible());

    // Filled but not numbers, or a digit count out of range: refused as well.
    v.teclear("ruta", "F:\\", Qt::Key_unknown);
    // Each case is checked before the fields the earlier ones left wrong.
    // The VAT account goes by rate: the default's extra digit goes once it is entered.
    v.teclear("civa", "4770000", Qt::Key_unknown);
    const QList<QStringList> casos = {{"cTasa", "47530000", "Atención|La cuenta del impuesto EET (tasa) debe tener 9 dígitos"},
                                      {"cven", "70599", "Atención|La cuenta de ventas debe tener 9 dígitos"},
                                      {"cpas", "4300", "Atención|La subcuenta de clientes particulares debe tener 5 dígitos"},
                                      {"cna", "43O2", "Atención|Las Subcuentas contables tienen que ser numéricas"},
                                      {"cage", "12", "Atención|La subcuenta de agencias de viajes debe tener 4 dígitos"},
                                      {"di", "13", "Atención|Los dígitos de las subcuentas tienen que estar entre 8 y 12"},
                                      {"ce", "1234567", "Atención|El código de empresa debe tener como máximo 5 dígitos"},
                                      {"ce", "1 2", "atención|Tiene que ser numérico"}};
    for (const QStringList& c : casos) {
        v.teclear(c[0], c[1], Qt::Key_unknown);
        QTest::mouseClick(v.w->findChild<QLabel*>("Image2"), Qt::LeftButton);
        QCOMPARE(v.mensajes(), QStringList{c[2]});
        QCOMPARE(v.filas(), QStringList{kFilaInicial});
        QCOMPARE(v.foco() + "=" + v.campo(c[0])->text(), c[0] + "=" + c[1]);
    }
}

void TestConfiguracion::cambios_sin_guardar_y_ctrl_s()
{
    Abierta v;
    v.desbloquear();
    // Nothing changed: Escape closes without asking.
    v.casilla("Check7")->setFocus();
    QTest::keyClick(v.casilla("Check7"), Qt::Key_Escape);
    QVERIFY(!v.w->isVisible());
    QCOMPARE(v.mensajes(), QStringList());

    v.w->show();
    v.w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(v.w.get()));
    v.desbloquear();
    v.teclear("cTasa", "475300000", Qt::Key_unknown);
    v.teclear("civa", "4770000", Qt::Key_unknown);
    v.teclear("ruta", "F:\\NUEVA\\A3", Qt::Key_unknown);
    const QString pregunta = "Cambios sin guardar|Hay cambios en la configuración que no se han guardado. ¿Desea "
                             "descartarlos?";
    // Kept: the window stays, unlocked, with the changes; the close box asks the same.
    v.e.ui.answers = {false, false};
    QTest::keyClick(v.campo("ruta"), Qt::Key_Escape);
    QVERIFY(!v.bloqueada());
    v.w->close();
    QVERIFY(v.w->isVisible());
    QCOMPARE(v.mensajes(), (QStringList{pregunta, pregunta}));

    // Ctrl+S saves as the picture does; a missing export folder is offered to be made.
    const QString carpeta = v.e.a().unidades.toLocal("F:\\NUEVA\\A3");
    v.e.ui.answers = {false};
    QTest::keyClick(v.campo("ruta"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(v.mensajes(), QStringList{"Carpeta de Exportación|La carpeta de exportación F:\\NUEVA\\A3 no existe. "
                                       "¿Desea crearla?"});
    QCOMPARE(v.foco(), QString("ruta"));
    QCOMPARE(v.filas(), QStringList{kFilaInicial});
    v.e.ui.answers = {true};
    QTest::keyClick(v.campo("ruta"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(v.mensajes().size(), 1);
    QVERIFY(QFileInfo(carpeta).isDir());
    QVERIFY(v.bloqueada());
    QCOMPARE(v.filas().value(0).section('|', 3, 3), QString("F:\\NUEVA\\A3"));
}

QTEST_MAIN(TestConfiguracion)
#include "test_configuracion.moc"
