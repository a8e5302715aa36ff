// The configuration rules as tables against the logic the window calls, and
// the window itself once unlocked and saved, once refused and abandoned.

#include "config/configuracion.h"
#include "config/ventana_configuracion.h"
#include "data/instalacion_ocupada.h"
#include "support/fixtures.h"

#include <QtTest>
#include <QtWidgets>

namespace cf = configuracion;

namespace {

const QStringList kColumnas = {"Ca3Key", "ca3Emp", "Ca3Niv", "Ca3ruta", "ca3Cre", "ca3nif", "ca3iva", "ca3Age",
                               "ca3EmpNa", "ca3Cli", "ca3Dep", "Ca3Vta", "ca3Ivar", "Ca3Tasa", "Ca3DesglosarPasantes",
                               "Ca3CrearCuentas", "Ca3UnicaCtaPasantes", "Zumeral"};
const QString kFilaInicial = "KOVE3|00001|9|F:\\NOCTARIS\\|-1|0|-1|4301|4302|43000|561000000|705999999|47700000|47530000|0|0|0|0";
const QString kCuentasIniciales = "cage=4301 cna=4302 cpas=43000 cven=705999999 civa=47700000 cgru=561000000 cTasa=47530000";
const QString kFaltaDigito = "Atención|Falta algún dígito de esta Subcuenta";
const QString kNumerica = "Atención|Las Subcuentas contables tienen que ser numéricas";
const QString kRangoDigitos = "Atención|Los dígitos de las subcuentas tienen que estar entre 8 y 12";

// The link started over a fresh installation, the form unlocked by the password.
struct Enlace {
    explicit Enlace(const QVariantMap& ajustes = {}, bool desbloquear = true) : e(demo::Opciones::pruebas(), ajustes)
    {
        e.arrancar(), f.pas.texto = "garvex";
        if (desbloquear) cf::comprobar_password(e.a(), f);
    }
    QString validar(const QString& n, const QString& texto) { return f.campo(n)->texto = texto, cf::validar(e.a(), f, n); }
    QString cuentas()
    {
        QString r;
        for (const char* n : {"cage", "cna", "cpas", "cven", "civa", "cgru", "cTasa"}) r += QString(" %1=%2").arg(n, f.campo(n)->texto);
        return r.mid(1);
    }
    QStringList mensajes()   // title|text of each box, then forgotten
    {
        QStringList r;
        for (const auto& s : std::exchange(e.ui.shown, {})) r << s.title + "|" + s.text;
        return r;
    }
    QStringList filas()   // the settings rows, Null as "Null"
    {
        QStringList r;
        for (const QVariantMap& fila : e.inst().filas("ca3")) {
            QString v;
            for (const QString& c : kColumnas) v += "|" + (fila.value(c).isNull() ? "Null" : fila.value(c).toString());
            r << v.mid(1);
        }
        return r;
    }
    fixture::Entorno e;
    cf::Formulario f;
};

// The window over a started link, shown and active as the main window opens it.
struct Ventana : Enlace {
    Ventana() : Enlace({}, false), w(e.a()) { abrir(); }
    void abrir() { w.show(), w.activateWindow(); QVERIFY(QTest::qWaitForWindowActive(&w)); }
    QLineEdit* campo(const QString& n) { return w.findChild<QLineEdit*>(n); }
    QCheckBox* casilla(const QString& n) { return w.findChild<QCheckBox*>(n); }
    QLabel* guardar() { return w.findChild<QLabel*>("Image2"); }
    QString foco() { return w.focusWidget() ? w.focusWidget()->objectName() : QString(); }
    void pulsar(const char* n) { QTest::mouseClick(casilla(n), Qt::LeftButton, {}, QPoint(6, casilla(n)->height() / 2)); }
    void teclear(const QString& n, const QString& texto, Qt::Key tecla = Qt::Key_Return)
    {
        campo(n)->setFocus(), campo(n)->selectAll(), QTest::keyClick(campo(n), Qt::Key_Backspace), QTest::keyClicks(campo(n), texto);
        if (tecla != Qt::Key_unknown) QTest::keyClick(campo(n), tecla);
    }
    // Locked: every field, box and the save picture emptied or hidden.
    bool bloqueada()
    {
        QString r = guardar()->isVisible() ? "Image2" : "";
        for (const QString& n : cf::nombres_campos()) r += campo(n)->text();
        for (int i = 1; i <= 7; ++i) r += casilla(QString("Check%1").arg(i))->isChecked() ? "1" : "";
        return r.isEmpty();
    }
    VentanaConfiguracion w;
};

} // namespace

class TestConfiguracion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void password_y_primera_fila()
    {
        Enlace l({}, false);   // without the row 'KOVE3' the first unlock adds it with the starting values
        l.e.inst().vaciar("ca3"), l.e.inst().insertar("ca3", {{"Ca3Key", "OTRA"}, {"ca3Emp", "00099"}});
        l.f.pas.texto = "gArVex";
        QCOMPARE(cf::comprobar_password(l.e.a(), l.f) + " " + l.f.pas.texto, QString("ce GARVEX"));
        QCOMPARE(l.filas(), (QStringList{"OTRA|00099|" + QStringList(16, "Null").join('|'), kFilaInicial}));
        QCOMPARE(l.cuentas() + " " + l.f.ce.texto + " " + l.f.di.texto + " " + l.f.ruta.texto, kCuentasIniciales + " 00001 9 F:\\NOCTARIS\\");
        QCOMPARE(QList<bool>({l.f.Check1, l.f.Check2, l.f.Check3, l.f.Check4, l.f.Check5, l.f.Check6, l.f.Check7, l.f.Image2_visible}),
                 QList<bool>({true, true, false, false, false, false, false, true}));
        QVERIFY(l.mensajes().isEmpty());
    }

    // A box is ticked by the rule the transfer reads its setting by: both agree.
    void casillas_como_los_ajustes()
    {
        Enlace l({{"ca3Cre", 2}, {"ca3iva", "0"}, {"ca3nif", "x"}, {"Ca3DesglosarPasantes", "no"}, {"Ca3CrearCuentas", -1},
                  {"Ca3UnicaCtaPasantes", QVariant()}, {"Zumeral", " 0 "}});
        const A3ADO& a = l.e.a();
        QCOMPARE(QList<bool>({l.f.Check1, l.f.Check2, l.f.Check3, l.f.Check4, l.f.Check5, l.f.Check6, l.f.Check7}),
                 QList<bool>({true, false, true, false, true, false, false}));
        QCOMPARE(QList<bool>({a.wtraspasar_creditos, a.wiva_por_tipo, a.wdesglosar_ventas, a.wcuenta_por_pasante, a.wcrear_cuentas,
                              a.wcuenta_unica_pasantes, a.wexportar_pgc}),
                 QList<bool>({true, false, true, false, true, false, false}));
    }

    // Tab or Enter in a field: what it keeps, what it says, where the focus goes.
    void comprobacion_de_campos()
    {
        const std::tuple<const char*, const char*, bool, QString, const char*, const char*> casos[] = {   // Check6 ticked
            {"ce", "12", false, "", "00012", "di"}, {"ce", "000012345", false, "", "12345", "di"}, {"di", "9.", false, "Atención|Tiene que ser numérico", "", "di"},
            {"ce", "123456", false, "Atención|El código de empresa debe tener como máximo 5 dígitos", "123456", "ce"}, {"di", "7", false, kRangoDigitos, "7", "di"},
            {"ce", "1a", false, "atención|Tiene que ser numérico", "", "ce"}, {"di", "13", false, kRangoDigitos, "13", "di"}, {"cage", "4301", false, "", "4301", "cna"},
            {"cage", "43", false, kFaltaDigito, "43", "cage"}, {"cna", "43 2", false, kNumerica, "", "cna"}, {"cpas", "4300", false, kFaltaDigito, "4300", "cpas"},
            {"cpas", "4300", true, "", "4300", "cven"}, {"cven", "70599999", false, kFaltaDigito, "70599999", "cven"}, {"cTasa", "", false, kNumerica, "", "cTasa"},
            {"cgru", "561000001", false, "", "561000001", "cTasa"}, {"ruta", "c:\\o'brien\\", false, "", "C:\\O'BRIEN\\", "ruta"},
            {"ruta", "f:\\straße\\", false, "", "F:\\STRAßE\\", "ruta"}};   // one character at a time: ß is no SS
        for (const auto& [campo, texto, unica, mensaje, queda, foco] : casos) {
            Enlace l;
            l.f.Check6 = unica;
            const QString va = l.validar(campo, texto);
            QCOMPARE(QStringList({campo, texto, l.mensajes().join(""), l.f.campo(campo)->texto, va}), QStringList({campo, texto, mensaje, queda, foco}));
        }
    }

    // A new count in `di` refits every account with zeros in and out only; the
    // lengths follow once each field is entered again; going back gives back
    // every account exactly.
    void cambio_de_digitos()
    {
        const std::tuple<QVariantMap, QStringList, QString> casos[] = {   // settings, counts confirmed in `di`, accounts ("": as before)
            {{}, {"10"}, "cage=43010 cna=43020 cpas=430000 cven=7059909999 civa=477000000 cgru=5610000000 cTasa=475300000"},
            {{{"Ca3Niv", 12}, {"ca3Age", "4301000"}, {"ca3EmpNa", "4302000"}, {"ca3Cli", "43000000"}, {"Ca3Vta", "705990009999"},
              {"ca3Ivar", "477000000000"}, {"ca3Dep", "561000000000"}, {"Ca3Tasa", "475300000000"}, {"ca3iva", false}},
             {"9"}, "cage=4301000 cna=4302000 cpas=43000 cven=705999999 civa=477000000 cgru=561000000 cTasa=475300000"},
            // the full accounts come back; the sub-accounts keep what lengthening gave them
            {{{"ca3iva", false}, {"ca3Ivar", "477000001"}, {"Ca3Vta", "705990999"}}, {"8", "11", "9"},
             "cage=430100 cna=430200 cpas=43000 cven=705990999 civa=477000001 cgru=561000000 cTasa=47530000"},
            // the top of the range, and back: the agency sub-accounts keep their seven characters
            {{}, {"12", "9"}, "cage=4301000 cna=4302000 cpas=43000 cven=705999999 civa=47700000 cgru=561000000 cTasa=47530000"},
        };
        for (const auto& [ajustes, pasos, cuentas] : casos) {
            Enlace l(ajustes);
            const QString antes = l.cuentas();
            QString focos;
            for (const QString& di : pasos) focos += l.validar("di", di) + " ";
            QCOMPARE(focos + l.mensajes().join(""), QString("cage ").repeated(pasos.size()));
            QCOMPARE(l.cuentas(), cuentas.isEmpty() ? antes : cuentas);
            const int d = pasos.constLast().toInt();
            QList<int> longitudes;
            // VAT by rate (Check2) takes two digits less, and the account is cut to them.
            const QString civa = l.f.Check2 ? l.f.civa.texto.left(d - 2) : l.f.civa.texto;
            for (const char* n : {"cage", "cven", "cpas", "civa"}) cf::al_recibir_foco(l.f, n), longitudes << l.f.campo(n)->longitud_maxima;
            QCOMPARE(longitudes, QList<int>({d <= 9 ? 4 : d - 5, d, d - 4, l.f.Check2 ? d - 2 : d}));
            QCOMPARE(l.f.civa.texto, civa);
        }
        // A digit other than zero where the change must remove one stops it whole.
        Enlace l({{"Ca3Niv", 10}, {"ca3Age", "43010"}, {"ca3EmpNa", "43020"}, {"ca3Cli", "430000"}, {"Ca3Vta", "7059919999"},
                  {"ca3Ivar", "47700000"}, {"ca3Dep", "5610000000"}, {"Ca3Tasa", ""}});
        const QString antes = l.cuentas();
        QCOMPARE(l.validar("di", "9"), QString("cven"));
        QCOMPARE(l.mensajes(), QStringList{"Atención|No se puede pasar a 9 dígitos: la cuenta de ventas (7059919999) perdería dígitos "
                                           "distintos de cero. Corríjala antes de cambiar los dígitos; no se ha cambiado nada."});
        QCOMPARE(l.cuentas() + " " + l.f.di.texto, antes + " 10");
    }

    // Each refusal writes nothing and says why; a field that is wrong takes the
    // focus. The checks run in a fixed order: each case comes before the fields
    // the earlier ones left wrong.
    void guardar_rechazado()
    {
        const auto rechazo = [](Enlace& l, const QString& foco, const QString& mensaje) {
            const bool guardado = cf::guardar(l.e.a(), l.f);
            const QStringList m = l.mensajes();
            QVERIFY2(!guardado && m.size() == 1 && m[0].startsWith(mensaje) && l.f.foco == foco && l.filas() == QStringList{kFilaInicial}, qPrintable(m.join('+')));
        };
        Enlace l;
        for (const char* n : {"civa", "cgru", "cven", "cpas", "ce", "cna", "di", "cage", "ruta"}) {
            const QString valor = std::exchange(l.f.campo(n)->texto, QString());
            rechazo(l, QString(), "Atención Falta Dato|Le falta algun dato muy importante");
            l.f.campo(n)->texto = valor;
        }
        l.f.civa.texto = "4770000";   // VAT by rate: one digit less than the default
        const QList<QStringList> casos = {
            {"cTasa", "4753x", kNumerica}, {"cven", "70599", "Atención|La cuenta de ventas debe tener 9 dígitos"},
            {"cpas", "4300", "Atención|La subcuenta de clientes particulares debe tener 5 dígitos"}, {"cna", "43O2", kNumerica},
            {"cage", "12", "Atención|La subcuenta de agencias de viajes debe tener al menos 4 dígitos"}, {"di", "13", kRangoDigitos},
            {"ce", "1234567", "Atención|El código de empresa debe tener como máximo 5 dígitos"}, {"ce", "1 2", "atención|Tiene que ser numérico"}};
        for (const QStringList& c : casos) l.f.campo(c[0])->texto = c[1], rechazo(l, c[0], c[2]);
        // A valid form: the export folder must be a folder, made only when the
        // administrator agrees, and no run may hold the installation.
        Enlace v;
        v.f.civa.texto = "4770000", v.f.cTasa.texto = "475300000", v.f.ruta.texto = "F:\\ARCHIVO";
        QFile(v.e.a().unidades.toLocal("F:\\ARCHIVO")).open(QIODevice::WriteOnly);
        rechazo(v, "ruta", "Carpeta de Exportación|La carpeta de exportación F:\\ARCHIVO no es una carpeta.");
        v.f.ruta.texto = "F:\\NUEVA", v.e.ui.answers = {false};
        rechazo(v, "ruta", "Carpeta de Exportación|La carpeta de exportación F:\\NUEVA no existe. ¿Desea crearla?");
        QVERIFY(!QFileInfo::exists(v.e.a().unidades.toLocal("F:\\NUEVA")));
        v.f.ruta.texto = "F:\\";
        const auto otro = platform::Bloqueo::tomar(ruta_bloqueo(v.e.a()), "traspaso", nullptr);
        rechazo(v, QString(), "Instalación ocupada|La instalación está ocupada por otro proceso de enlace3 (traspaso, pid ");
        QVERIFY(otro && v.f.Image2_visible && v.f.cTasa.texto == "475300000");
        // What the boxes and the field checks let through is saved: an account
        // per walk-in customer keeps the three digits its box leaves, an
        // agency sub-account may be longer than four; a company code typed
        // and never checked gets its five digits.
        Enlace w;
        w.f.civa.texto = "4770000", w.f.cTasa.texto = "475300000", w.f.ruta.texto = "F:\\", w.f.cage.texto = "43010", w.f.ce.texto = "12";
        w.f.Check4 = true, cf::pulsar_Check4(w.f);
        QVERIFY2(w.f.cpas.texto == "430" && cf::guardar(w.e.a(), w.f), qPrintable(w.mensajes().join('+')));
        QCOMPARE(w.filas().constFirst().section('|', 1, 1), "00012");
        // A new row saves as it is created, also with the tax account
        // empty: its VAT account by rate is cut to seven digits.
        for (const char* tasa : {"47530000", ""}) {
            Enlace n({}, false);
            n.e.inst().vaciar("ca3"), n.f.pas.texto = "garvex", cf::comprobar_password(n.e.a(), n.f), n.f.cTasa.texto = tasa;
            n.f.Check7 = true, n.f.ruta.texto = "F:\\";
            QVERIFY2(cf::guardar(n.e.a(), n.f), qPrintable(n.mensajes().join('+')));
            QCOMPARE(n.filas().constFirst().section('|', 12, 13), QString("4770000|") + tasa);
        }
        // A row gone since the unlock: nothing saved, and said.
        w.f.pas.texto = "garvex", cf::comprobar_password(w.e.a(), w.f);
        w.e.inst().vaciar("ca3");
        QVERIFY(!cf::guardar(w.e.a(), w.f) && w.filas().isEmpty());
        QCOMPARE(w.mensajes(), QStringList{"Configuración|No se ha guardado la configuración: la base de datos del enlace ya no tiene su "
                                           "fila (KOVE3). Bloquee la ventana y vuelva a escribir la contraseña para crearla."});
    }

    // Unlocked by the password, changed by keys and clicks, saved by Ctrl+S
    // once the new folder is agreed to and by the picture: the row and the lock.
    void ventana_desbloquea_guarda_y_bloquea()
    {
        Ventana v;
        QVERIFY(v.bloqueada() && v.w.windowTitle() == "Configuración enlace a A3 Software.");
        v.e.inst().insertar("ca3", {{"Ca3Key", "OTRA"}, {"ca3Emp", "00099"}});
        v.teclear("pas", "gArVex", Qt::Key_Tab);
        QCOMPARE(v.campo("pas")->text() + v.campo("ce")->text() + v.campo("cage")->text() + v.foco(), QString("GARVEX000014301ce"));
        QStringList pasantes;   // both walk-in options pass through their click handlers and back
        for (const char* n : {"Check6", "Check6", "Check4", "Check4", "Check1", "Check2", "Check3", "Check5", "Check7"}) v.pulsar(n), pasantes << v.campo("cpas")->text();
        QCOMPARE(pasantes.mid(0, 4), QStringList({"430000000", "43000", "430", "43000"}));
        v.teclear("ce", "7"), v.teclear("di", "10");
        QCOMPARE(v.foco() + QString::number(VentanaConfiguracion::longitud_maxima(v.campo("cage"))), QString("cage5"));
        v.teclear("cTasa", "", Qt::Key_unknown), v.teclear("civa", "4770000000", Qt::Key_unknown), v.teclear("ruta", "f:\\l'enlace\\", Qt::Key_Tab);
        QVERIFY(v.mensajes().isEmpty());
        v.e.ui.answers = {false, true};   // the new folder: refused, then agreed to
        QTest::keyClick(v.campo("ruta"), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(v.foco() == "ruta" && !v.bloqueada());
        QTest::mouseClick(v.guardar(), Qt::LeftButton);
        QVERIFY(v.mensajes().size() == 2 && QFileInfo(v.e.a().unidades.toLocal("F:\\L'ENLACE\\")).isDir());
        QCOMPARE(v.filas(), (QStringList{"KOVE3|00007|10|F:\\L'ENLACE\\|0|-1|0|43010|43020|430000|5610000000|7059909999|4770000000||0|-1|0|-1",
                                         "OTRA|00099|" + QStringList(16, "Null").join('|')}));
        QVERIFY(v.bloqueada() && v.foco() == "pas");
        QVERIFY(v.w.findChild<QStatusBar*>("barra")->currentMessage().startsWith("Configuración guardada el "));
    }

    // A wrong password keeps it locked; changes are dropped only when the
    // administrator agrees; `di` cannot be left empty; the row stays as it was.
    void ventana_rechaza_y_descarta()
    {
        Ventana v;
        v.teclear("pas", "nogarvex");
        QCOMPARE(v.mensajes(), QStringList{"Seguridad: Noctaris|Password incorrecta, si no conoce la Password es que no tiene "
                                           "autorización para el uso de este fichero. Si desea cambiar algo, ponganse en contacto con Noctaris Software."});
        QVERIFY(v.bloqueada() && v.foco() == "pas" && v.campo("pas")->text().isEmpty());
        v.teclear("pas", "garvex");   // unlocked: Escape on a box that does not lock does nothing; in the password it closes
        v.casilla("Check7")->setFocus(), QTest::keyClick(v.casilla("Check7"), Qt::Key_Escape);
        QVERIFY(v.w.isVisible() && !v.bloqueada() && v.mensajes().isEmpty());
        QTest::keyClick(v.campo("pas"), Qt::Key_Escape);
        QVERIFY(!v.w.isVisible() && v.mensajes().isEmpty());
        v.abrir();
        QVERIFY(v.bloqueada());
        // Escape in a changed field locks at once, the change dropped, nothing asked.
        v.teclear("pas", "garvex"), v.teclear("cven", "7", Qt::Key_unknown);
        QTest::keyClick(v.campo("cven"), Qt::Key_Escape);
        QVERIFY(v.mensajes().isEmpty() && v.w.isVisible() && v.bloqueada() && v.foco() == "pas" && v.campo("cven")->text().isEmpty());
        v.teclear("pas", "garvex"), v.teclear("di", "", Qt::Key_unknown), v.campo("cage")->setFocus();   // `di` cannot be left empty
        QCOMPARE(v.mensajes() << v.foco(), (QStringList{"Atención Muy Importante|Los dígitos de la subcuenta son un campo indispensable "
                                                        "para el traspaso correcto. No puede contener ningún dato", "di"}));
        QTest::mouseClick(v.guardar(), Qt::LeftButton);   // the picture takes no focus: only the save answers
        QCOMPARE(v.mensajes() << v.foco(), (QStringList{"Atención Falta Dato|Le falta algun dato muy importante", "di"}));
        QTest::mouseClick(v.campo("pas"), Qt::LeftButton);   // a click on the password locks; Escape there closes
        QVERIFY(v.bloqueada());
        QTest::keyClick(v.campo("pas"), Qt::Key_Escape);
        QVERIFY(!v.w.isVisible() && v.filas() == QStringList{kFilaInicial});
    }
};

QTEST_MAIN(TestConfiguracion)
#include "test_configuracion.moc"
