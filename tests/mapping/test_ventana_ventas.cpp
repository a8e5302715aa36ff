// The sales-concept accounts window as a user drives it: the counter of
// services without an account behind btnGenerar, the regeneration of the
// charge lines' accounts and the write-back to ser at closing, over the
// fixture builder's installation in Access and in server mode.

#include "mapping/cuentas_hotel.h"
#include "mapping/ventana_ventas.h"
#include "support/cuentas_hotel_support.h"
#include "support/fixtures.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using cuentas_hotel_support::abrir_cuenta;
using cuentas_hotel_support::lineas;
using cuentas_hotel_support::teclear_cuenta;

namespace {

const QString kNoNumerica = "La Cuenta debe de ser numérica";
const QString kHecho = "Regeneración realizada correctamente!";

struct Ventas {
    explicit Ventas(demo::Opciones o = demo::Opciones::pruebas()) : e(o)
    {
        e.inst().configurar({{"Ca3Niv", 9}});
        e.inst().insertar("ser", {{"SerCod", "12"}, {"SerNom", "Alojamiento"}, {"SerCta", "70500001"}});
        e.inst().insertar("ser", {{"SerCod", "04"}, {"SerNom", "Parking"}, {"SerCta", "705000004"}});
        e.inst().insertar("ser", {{"SerCod", "O'"}, {"SerNom", "Bar de O'Connor"}, {"SerCta", ""}});
        e.inst().insertar("ser", {{"SerCod", "03"}, {"SerNom", "Desayuno"}, {"SerCta", QVariant()}});
        for (const QString s : {"12", "04", "O'", "99", "12"}) {
            e.inst().insertar("Ca", {{"CaSer", s}, {"CaCta", "1"}});
            e.inst().insertar("Cadia", {{"CadiaSer", s}, {"CadiaCta", "2"}});
            e.inst().insertar("Hiscadia", {{"HCadiaFra", "7"}, {"HCadiaFraAno", "2013"}, {"HCadiaSer", s}, {"HCadiaCta", "3"}});
        }
        e.arrancar();
    }
    void abrir()
    {
        w = std::make_unique<VentanaVentas>(e.a());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        g = w->findChild<QTableView*>("gventas");
        b = w->findChild<QPushButton*>("btnGenerar");
        QVERIFY(g && b);
        al_abrir = mensajes();
    }
    QStringList tabla(const QString& t, const QStringList& columnas) { return lineas(e.inst().filas(t), columnas); }
    QStringList mensajes() { return cuentas_hotel_support::tomar_mensajes(e.ui); }
    fixture::Entorno e;
    std::unique_ptr<VentanaVentas> w;
    QTableView* g = nullptr;
    QPushButton* b = nullptr;
    QStringList al_abrir;   // what the opening said
};

} // namespace

class TestVentanaVentas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The button waits for the last service without an account; the
    // regeneration uses the accounts of the grid; closing writes them to ser.
    void contador_regeneracion_y_grabacion()
    {
        Ventas v;
        v.abrir();
        QCOMPARE(v.w->windowTitle(), QString("Configuración Cuentas de Ventas."));
        QCOMPARE(v.b->text(), QString("Regenerar Cuentas Contables"));
        QCOMPARE(lineas(v.g), QStringList({"12|Alojamiento|705000001", "O'|Bar de O'Connor|", "03|Desayuno|",
                                           "04|Parking|705000004"}));
        QCOMPARE(v.g->model()->headerData(1, Qt::Horizontal).toString(), QString("Descripcion Concepto Ventas"));
        QCOMPARE(v.w->logica().wsin_cuenta, qint16(2));
        QCOMPARE(v.al_abrir, QStringList({"|Las cuentas siguientes se han ajustado a 9 dígitos; se guardarán así en el "
                                          "hotel al cerrar la ventana:\n12 Alojamiento: 70500001 -> 705000001|1"}));
        QVERIFY(!v.b->isEnabled());

        teclear_cuenta(v.g, 1, "70500000X");
        QCOMPARE(v.mensajes(), QStringList({"|" + kNoNumerica + "|0"}));
        QCOMPARE(lineas(v.g).at(1), QString("O'|Bar de O'Connor|"));
        QVERIFY(!v.b->isEnabled());
        teclear_cuenta(v.g, 1, "705000002");
        QVERIFY(!v.b->isEnabled());
        // Changing an account that was set leaves the count alone.
        teclear_cuenta(v.g, 3, "705000044");
        QCOMPARE(v.w->logica().wsin_cuenta, qint16(1));
        QVERIFY(!v.b->isEnabled());
        teclear_cuenta(v.g, 2, "705000003");
        QCOMPARE(v.w->logica().wsin_cuenta, qint16(0));
        QVERIFY(v.b->isEnabled());
        QCOMPARE(v.mensajes(), QStringList());

        QTest::mouseClick(v.b, Qt::LeftButton);
        QCOMPARE(v.mensajes(), QStringList({"|" + kHecho + "|0"}));
        QVERIFY(!v.e.ui.busy);
        const QStringList ca = {"12|705000001", "04|705000044", "O'|705000002", "99|1", "12|705000001"};
        QCOMPARE(v.tabla("Ca", {"CaSer", "CaCta"}), ca);
        QCOMPARE(v.tabla("Cadia", {"CadiaSer", "CadiaCta"}),
                 QStringList({"12|705000001", "04|705000044", "O'|705000002", "99|2", "12|705000001"}));
        QCOMPARE(v.tabla("Hiscadia", {"HCadiaSer", "HCadiaCta"}),
                 QStringList({"12|705000001", "04|705000044", "O'|705000002", "99|3", "12|705000001"}));
        // ser is not written before the window closes.
        QCOMPARE(v.tabla("ser", {"SerCod", "SerCta"}), QStringList({"12|70500001", "04|705000004", "O'|", "03|<null>"}));

        // A second click with nothing to change still tells once.
        QTest::mouseClick(v.b, Qt::LeftButton);
        QCOMPARE(v.mensajes(), QStringList({"|" + kHecho + "|0"}));
        QCOMPARE(v.tabla("Ca", {"CaSer", "CaCta"}), ca);

        // A service removed from ser meanwhile is skipped, not added back.
        v.e.inst().ejecutar("ser", "DELETE FROM ser WHERE SerCod = '03'");
        v.g->setFocus();
        QTest::keyClick(v.g, Qt::Key_Escape);
        QVERIFY(!v.w->isVisible());
        QCOMPARE(v.mensajes(), QStringList());
        QCOMPARE(v.tabla("ser", {"SerCod", "SerNom", "SerCta"}),
                 QStringList({"12|Alojamiento|705000001", "04|Parking|705000044", "O'|Bar de O'Connor|705000002"}));
    }

    // Over the demo installation: stored accounts that are not accounts are
    // shown marked and reach ser unchanged unless typed over; Escape keeps a
    // valid edit; regeneration waits for every service to have an account
    // of the configured length, and then writes only such accounts.
    void cuentas_no_validas_sobre_demo()
    {
        fixture::Entorno e(demo::Opciones::demostracion());
        e.arrancar();
        struct Caso {
            QString cod, guardada, problema;
        };
        const QString largo = "La cuenta debe tener 9 dígitos; %1 tiene %2.";
        // In the grid's order: Spanish, ignoring case and accents.
        const QList<Caso> casos = {
            {"05", "705000005", ""},
            {"01", "70500000123", largo.arg("70500000123").arg(11)},
            {"03", "   ", "La cuenta está en blanco: debe tener 9 dígitos."},
            {"02", "57", largo.arg("57").arg(2)},
            {"06", "7050000061234", largo.arg("7050000061234").arg(13)},
            {"08", "705000008", ""},
            {"04", "70500A004", "La cuenta \"70500A004\" no es numérica: debe tener 9 dígitos."},
            {"07", "", "Falta la cuenta: debe tener 9 dígitos."},
        };
        for (const Caso& c : casos)
            e.inst().ejecutar("ser", QString("UPDATE ser SET SerCta = '%1' WHERE SerCod = '%2'").arg(c.guardada, c.cod));
        e.inst().ejecutar("ser", "UPDATE ser SET SerNom = 'agua mineral' WHERE SerCod = '05'");
        e.inst().ejecutar("ser", "UPDATE ser SET SerNom = 'Ático' WHERE SerCod = '03'");

        VentanaVentas w(e.a());
        w.show();
        auto* g = w.findChild<QTableView*>("gventas");
        auto* b = w.findChild<QPushButton*>("btnGenerar");
        QVERIFY(g && b);
        const auto fila = [&](const QString& cod) { return int(lineas(g).indexOf(QRegularExpression("^" + cod + "\\|.*"))); };
        QStringList marcas, esperadas;
        for (int i = 0; i < casos.size(); ++i) {
            const QModelIndex celda = g->model()->index(i, 2);
            marcas << lineas(g).at(i).section('|', 0, 0) + "|" + celda.data().toString() + "|" +
                          celda.data(Qt::ToolTipRole).toString() + "|" + QString::number(celda.data(Qt::BackgroundRole).isValid());
            esperadas << casos[i].cod + "|" + casos[i].guardada + "|" + casos[i].problema + "|" +
                             QString::number(!casos[i].problema.isEmpty());
        }
        QCOMPARE(marcas, esperadas);
        QVERIFY(!b->isEnabled());
        QCOMPARE(b->toolTip(), "Para regenerar faltan cuentas válidas de 9 dígitos en 6 conceptos de ventas; el primero es "
                               "01 Alojamiento. " + casos[1].problema);

        // Opened and left: shown whole, never stored.
        for (const char* cod : {"01", "02", "03", "07"}) {
            QLineEdit* campo = abrir_cuenta(g, fila(cod));
            QVERIFY(campo);
            QCOMPARE(campo->text(), casos[fila(cod)].guardada);
            QTest::keyClick(campo, Qt::Key_Return);
            QCoreApplication::processEvents();
        }
        teclear_cuenta(g, fila("05"), "705000055");
        // A long account is shortened key by key, not cut at opening.
        QLineEdit* campo = abrir_cuenta(g, fila("06"));
        QTest::keyClick(campo, Qt::Key_End);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(campo, Qt::Key_Backspace);
        QTest::keyClick(campo, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(e.ui.shown.size(), size_t(0));
        // Escape with an account that cannot be stored says why and stays;
        // with a valid one it stores it and closes.
        campo = abrir_cuenta(g, fila("04"));
        campo->selectAll();
        QTest::keyClicks(campo, "70500");
        QTest::keyClick(campo, Qt::Key_Escape);
        QCOMPARE(cuentas_hotel_support::tomar_mensajes(e.ui), QStringList({"|" + largo.arg("70500").arg(5) + "|0"}));
        QVERIFY(w.isVisible());
        QTest::keyClicks(campo, "0004");
        QTest::keyClick(campo, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(lineas(e.inst().filas("ser"), {"SerCod", "SerCta"}),
                 QStringList({"01|70500000123", "02|57", "03|   ", "04|705000004", "05|705000055", "06|705000006", "07|",
                              "08|705000008"}));

        // Reopened: the button waits for the last invalid account and the
        // regeneration refuses to run without it.
        w.show();
        teclear_cuenta(g, fila("01"), "705000001");
        teclear_cuenta(g, fila("02"), "705000002");
        teclear_cuenta(g, fila("07"), "705000007");
        QVERIFY(!b->isEnabled());
        const QString falta = "Para regenerar falta una cuenta válida de 9 dígitos en 1 concepto de ventas: 03 Ático. "
                              "La cuenta está en blanco: debe tener 9 dígitos.";
        QCOMPARE(b->toolTip(), falta);
        const QList<QVariantMap> antes = e.inst().filas("Hiscadia");
        QVERIFY(!w.logica().regenerar());
        QCOMPARE(cuentas_hotel_support::tomar_mensajes(e.ui),
                 QStringList({"|" + falta + "|" + QString::number(int(platform::Icon::Exclamation))}));
        QCOMPARE(e.inst().filas("Hiscadia"), antes);
        teclear_cuenta(g, fila("03"), "705000003");
        QVERIFY(b->isEnabled());
        QVERIFY(b->toolTip().startsWith("Regenera todos los movimientos"));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(cuentas_hotel_support::tomar_mensajes(e.ui), QStringList({"|" + kHecho + "|0"}));
        QMap<QString, QString> cuenta;
        for (const QString& l : lineas(g))
            cuenta[l.section('|', 0, 0)] = l.section('|', 2);
        for (const QStringList& t : {QStringList{"Ca", "CaSer", "CaCta"}, QStringList{"Cadia", "CadiaSer", "CadiaCta"},
                                     QStringList{"Hiscadia", "HCadiaSer", "HCadiaCta"}}) {
            const QStringList filas = lineas(e.inst().filas(t[0]), {t[1], t[2]});
            QVERIFY(!filas.isEmpty());
            for (const QString& l : filas) {
                QCOMPARE(l.section('|', 1), cuenta.value(l.section('|', 0, 0)));
                QVERIFY2(QRegularExpression("^[0-9]{9}$").match(l.section('|', 1)).hasMatch(), qPrintable(t[0] + ": " + l));
            }
        }
        w.close();
    }

    // Each opening starts the count again from the hotel's table.
    void reabrir_cuenta_de_nuevo()
    {
        Ventas v;
        v.abrir();
        v.w->close();
        QCOMPARE(v.tabla("ser", {"SerCod", "SerCta"}), QStringList({"12|705000001", "04|705000004", "O'|", "03|"}));
        v.e.inst().ejecutar("ser", "UPDATE ser SET SerCta = '70500003' WHERE SerCod = '03'");
        v.w->show();
        QCOMPARE(v.w->logica().wsin_cuenta, qint16(1));
        QCOMPARE(lineas(v.g).at(2), QString("03|Desayuno|705000003"));
        QVERIFY(!v.b->isEnabled());
        v.w->close();
    }

    // A charge file that cannot be opened stops the run with its reason,
    // never with the success message; the accounts still reach ser.
    void regeneracion_fallida()
    {
        Ventas v;
        v.e.inst().ejecutar("ser", "UPDATE ser SET SerCta = '705000009' WHERE SerCta IS NULL OR SerCta = ''");
        v.e.inst().cerrar();
        QVERIFY(QFile::remove(v.e.inst().ruta("F:\\noctaris\\cadia.MDB")));
        v.abrir();
        QTest::mouseClick(v.b, Qt::LeftButton);
        const QStringList m = v.mensajes();
        QCOMPARE(m.size(), 1);
        QVERIFY2(m.at(0).startsWith("|No se han podido regenerar las cuentas de los movimientos del hotel.\n"),
                 qPrintable(m.at(0)));
        QVERIFY(m.at(0).endsWith("|" + QString::number(int(platform::Icon::Exclamation))));
        QVERIFY(!v.e.ui.busy);
        v.w->close();
        QCOMPARE(v.tabla("ser", {"SerCod", "SerCta"}),
                 QStringList({"12|705000001", "04|705000004", "O'|705000009", "03|705000009"}));
    }

    // In server mode every table is reached through cn_sql.
    void modo_servidor()
    {
        demo::Opciones o = demo::Opciones::pruebas();
        o.servidor = true;
        Ventas v(o);
        v.e.inst().ejecutar("ser", "UPDATE ser SET SerCta = '705000009' WHERE SerCta IS NULL OR SerCta = ''");
        v.abrir();
        QVERIFY(v.b->isEnabled());
        QTest::mouseClick(v.b, Qt::LeftButton);
        QCOMPARE(v.mensajes(), QStringList({"|" + kHecho + "|0"}));
        QCOMPARE(v.tabla("Ca", {"CaSer", "CaCta"}),
                 QStringList({"12|705000001", "04|705000004", "O'|705000009", "99|1", "12|705000001"}));
        QCOMPARE(v.tabla("Hiscadia", {"HCadiaSer", "HCadiaCta"}),
                 QStringList({"12|705000001", "04|705000004", "O'|705000009", "99|3", "12|705000001"}));
        v.w->close();
        QCOMPARE(v.tabla("ser", {"SerCod", "SerCta"}),
                 QStringList({"12|705000001", "04|705000004", "O'|705000009", "03|705000009"}));
    }
};

QTEST_MAIN(TestVentanaVentas)
#include "test_ventana_ventas.moc"
