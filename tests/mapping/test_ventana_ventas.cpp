// The sales-concept accounts window as a user drives it: the counter of
// services without an account behind btnGenerar, the regeneration of the
// charge lines' accounts and the write-back to ser at closing, over the
// fixture builder's installation in Access and in server mode.

#include "mapping/cuentas_hotel.h"
#include "mapping/ventana_ventas.h"
#include "support/cuentas_hotel_support.h"
#include "support/fixture_instalacion.h"

#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

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
