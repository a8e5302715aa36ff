// The payment-method accounts window as a user drives it: opened over the
// fixture builder's installation, accounts typed into its grid, closed by the
// close box or Escape; the hotel's formas table read back afterwards.

#include "mapping/cuentas_hotel.h"
#include "mapping/ventana_formas.h"
#include "support/cuentas_hotel_support.h"
#include "support/fixtures.h"

#include <QFile>
#include <QTableView>
#include <QtTest>

using cuentas_hotel_support::lineas;
using cuentas_hotel_support::teclear_cuenta;

namespace {

const QStringList kHotel = {"ForCod", "ForDes", "ForCta"};
const QString kNoNumerica = "La Cuenta debe de ser numérica";

struct Formas {
    explicit Formas(int digitos = 9)
    {
        e.inst().configurar({{"Ca3Niv", digitos}});
        e.inst().insertar("formas", {{"ForCod", "3"}, {"ForDes", "Transferencia bancaria"}, {"ForCta", "57200002"}});
        e.inst().insertar("formas", {{"ForCod", "1"}, {"ForDes", "Contado"}, {"ForCta", "570000001"}});
        e.inst().insertar("formas", {{"ForCod", "9"}, {"ForDes", "Interna"}, {"ForCta", "55500001"}});
        e.inst().insertar("formas", {{"ForCod", "4"}, {"ForDes", "Talón"}, {"ForCta", QVariant()}});
        e.inst().insertar("formas", {{"ForCod", "'"}, {"ForDes", "Vale de O'Connor, cortesía de la dirección"},
                                     {"ForCta", ""}});
        e.arrancar();
    }
    void abrir()
    {
        w = std::make_unique<VentanaFormas>(e.a());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        g = w->findChild<QTableView*>("gformas");
        QVERIFY(g);
    }
    QStringList hotel() { return lineas(e.inst().filas("formas", "ForCod"), kHotel); }
    QStringList mensajes() { return cuentas_hotel_support::tomar_mensajes(e.ui); }
    fixture::Entorno e;
    std::unique_ptr<VentanaFormas> w;
    QTableView* g = nullptr;
};

} // namespace

class TestVentanaFormas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ajustar_digitos_data()
    {
        QTest::addColumn<QString>("cuenta");
        QTest::addColumn<int>("digitos");
        QTest::addColumn<QString>("resultado");
        QTest::newRow("same length") << "570000001" << 9 << "570000001";
        QTest::newRow("nine to eight") << "430999999" << 8 << "43099999";
        QTest::newRow("twelve to eight") << "430000001234" << 8 << "43001234";
        QTest::newRow("eight to nine") << "57200002" << 9 << "572000002";
        QTest::newRow("seven to nine gives ten") << "5720002" << 9 << "5720000002";
        QTest::newRow("empty") << "" << 9 << "";
        QTest::newRow("letters") << "57200A02" << 9 << "";
        QTest::newRow("blank") << " " << 8 << "";
        QTest::newRow("signed") << "-5720002" << 8 << "";
        QTest::newRow("nine to ten") << "572000002" << 10 << "";
        QTest::newRow("ten to nine") << "5720000002" << 9 << "";
        QTest::newRow("eight to twelve") << "57200002" << 12 << "";
    }
    void ajustar_digitos()
    {
        QFETCH(QString, cuenta);
        QFETCH(int, digitos);
        QFETCH(QString, resultado);
        QCOMPARE(cuentas_hotel::ajustar_digitos(cuenta, digitos), resultado);
    }

    // Opening shows the hotel rows fitted to the digits, without code 9;
    // closing untouched writes every fitted account back and leaves 9 alone.
    void abrir_y_cerrar_sin_cambios()
    {
        Formas f(9);
        // A scratch table of another shape left in the work database.
        f.e.inst().ejecutar_en("c:\\noctaris\\wdb.mdb", "CREATE TABLE formas(x integer)");
        f.e.inst().ejecutar_en("c:\\noctaris\\wdb.mdb", "INSERT INTO formas VALUES (1)");
        f.abrir();
        const QStringList vistas = {"'|Vale de O'Connor, cortesía de la dirección|", "1|Contado|570000001",
                                    "3|Transferencia bancaria|572000002", "4|Talón|"};
        QCOMPARE(lineas(f.g), vistas);
        // An account fitted at opening is not changed without telling.
        const QStringList ajuste = {"|Las cuentas siguientes se han ajustado a 9 dígitos; se guardarán así en el hotel "
                                    "al cerrar la ventana:\n3 Transferencia bancaria: 57200002 -> 572000002|1"};
        QCOMPARE(f.mensajes(), ajuste);
        QCOMPARE(f.g->model()->headerData(0, Qt::Horizontal).toString(), QString("Codigo"));
        QCOMPARE(f.g->model()->headerData(1, Qt::Horizontal).toString(), QString("Nombre Forma de Cobro"));
        QCOMPARE(f.g->model()->headerData(2, Qt::Horizontal).toString(), QString("Cta. Contable"));
        QCOMPARE(f.w->windowTitle(), QString("Configuracion Cuentas de Cobro."));
        // Nothing reaches the hotel before the window closes.
        QCOMPARE(f.hotel().at(2), QString("3|Transferencia bancaria|57200002"));
        f.w->close();
        QCOMPARE(f.hotel(), QStringList({"'|Vale de O'Connor, cortesía de la dirección|", "1|Contado|570000001",
                                         "3|Transferencia bancaria|572000002", "4|Talón|",
                                         "9|Interna|55500001"}));
        QCOMPARE(f.mensajes(), QStringList());

        // A second opening recreates the scratch copy with the same rows.
        f.w->show();
        QCOMPARE(lineas(f.g), vistas);
        QCOMPARE(f.mensajes(), QStringList());
        QCOMPARE(f.e.inst().consultar_en("c:\\noctaris\\wdb.mdb", "SELECT count(*) AS n FROM formas").at(0).value("n").toInt(), 4);
        f.w->close();
    }

    void ocho_digitos_recortan()
    {
        Formas f(8);
        f.e.inst().ejecutar("formas", "UPDATE formas SET ForCta = '430999999' WHERE ForCod = '1'");
        // A stored account of a length the fitting does not cover is kept.
        f.e.inst().ejecutar("formas", "UPDATE formas SET ForCta = '5720002' WHERE ForCod = '3'");
        // So is one that is not a plain number: nothing of it is lost.
        f.e.inst().ejecutar("formas", "UPDATE formas SET ForCta = '572 000 001' WHERE ForCod = '4'");
        f.abrir();
        const QStringList vistas = {"1|Contado|43099999", "3|Transferencia bancaria|5720002", "4|Talón|572 000 001"};
        QCOMPARE(lineas(f.g).mid(1, 3), vistas);
        f.w->close();
        QCOMPARE(f.hotel().mid(1, 3), vistas);
    }

    // Letters or an emptied cell bring the message and the old account back;
    // a number is kept, cut to the digits; Escape closes and writes back.
    void edicion_de_cuentas()
    {
        Formas f(9);
        f.abrir();
        f.mensajes();   // the fitted account, as above
        QCOMPARE(teclear_cuenta(f.g, 1, "57X"), QString("57X"));
        QCOMPARE(f.mensajes(), QStringList({"|" + kNoNumerica + "|0"}));
        QCOMPARE(lineas(f.g).at(1), QString("1|Contado|570000001"));
        teclear_cuenta(f.g, 1, "");
        QCOMPARE(f.mensajes(), QStringList({"|" + kNoNumerica + "|0"}));
        QCOMPARE(lineas(f.g).at(1), QString("1|Contado|570000001"));
        // Only an account of the configured length is stored ("57" is no account).
        for (const char* corta : {"57", "57000001"}) {
            teclear_cuenta(f.g, 1, corta);
            QCOMPARE(f.mensajes(), QStringList({QString("|La cuenta debe tener 9 dígitos; %1 tiene %2.|0")
                                                    .arg(corta).arg(strlen(corta))}));
            QCOMPARE(lineas(f.g).at(1), QString("1|Contado|570000001"));
        }
        // Typing stops at the number of digits.
        QCOMPARE(teclear_cuenta(f.g, 2, "572000009999"), QString("572000009"));
        teclear_cuenta(f.g, 3, "570000004");
        QCOMPARE(f.mensajes(), QStringList());
        // Code and name are not editable.
        QVERIFY(!(f.g->model()->flags(f.g->model()->index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!(f.g->model()->flags(f.g->model()->index(0, 1)) & Qt::ItemIsEditable));
        f.g->setFocus();
        QTest::keyClick(f.g, Qt::Key_Escape);
        QVERIFY(!f.w->isVisible());
        QCOMPARE(f.hotel(), QStringList({"'|Vale de O'Connor, cortesía de la dirección|", "1|Contado|570000001",
                                         "3|Transferencia bancaria|572000009", "4|Talón|570000004",
                                         "9|Interna|55500001"}));
    }

    // A code the hotel no longer has is added back at closing.
    void codigo_borrado_entretanto_se_anade()
    {
        Formas f(9);
        f.abrir();
        f.e.inst().ejecutar("formas", "DELETE FROM formas WHERE ForCod = '4'");
        f.w->close();
        QCOMPARE(f.hotel().at(3), QString("4|Talón|"));
    }

    // A scratch table left by an earlier opening is dropped only once the
    // work database has shown its table vacio again.
    void tabla_de_trabajo_existente()
    {
        Formas f(9);
        const QString crear = "CREATE TABLE formas(ForCod varchar(1), ForDes varchar(25), ForCta varchar(12))";
        f.e.inst().ejecutar_en("c:\\noctaris\\wdb.mdb", crear);
        cuentas_hotel::CuentasCobro c(f.e.a());
        c.copia().conexion().trace = true;
        QVERIFY(c.preparar_formas());
        QCOMPARE(c.copia().conexion().executed,
                 QStringList({"SELECT * FROM vacio", crear, "SELECT * FROM vacio", "DROP TABLE formas", crear}));
        QCOMPARE(f.mensajes(), QStringList());
    }

    // Without the work database the window says so and the hotel keeps its rows.
    void sin_base_de_trabajo()
    {
        Formas f(9);
        const QStringList antes = f.hotel();
        f.e.inst().cerrar();
        QVERIFY(QFile::remove(f.e.inst().ruta("c:\\noctaris\\wdb.mdb")));
        f.abrir();
        QCOMPARE(lineas(f.g), QStringList());
        const QStringList m = f.mensajes();
        QCOMPARE(m.size(), 1);
        QVERIFY2(m.at(0).startsWith("|No se puede abrir la base de datos de trabajo c:\\noctaris\\wdb.mdb."), qPrintable(m.at(0)));
        f.w->close();
        QCOMPARE(f.hotel(), antes);
        QVERIFY(!QFile::exists(f.e.inst().ruta("c:\\noctaris\\wdb.mdb")));
    }

    // Without the number of digits nothing is shown and nothing written.
    void sin_digitos()
    {
        Formas f(9);
        f.e.inst().configurar({{"Ca3Niv", QVariant()}});
        A3ADO& a = f.e.reiniciar();
        f.e.arrancar();
        f.e.ui.shown.clear();
        QCOMPARE(a.wdigitos, 0);
        const QStringList antes = f.hotel();
        f.abrir();
        QCOMPARE(lineas(f.g), QStringList());
        QCOMPARE(f.mensajes(), QStringList({"|Falta el número de dígitos de las cuentas: complete antes la "
                                            "\"Configuración General\".|" +
                                            QString::number(int(platform::Icon::Exclamation))}));
        f.w->close();
        QCOMPARE(f.hotel(), antes);
    }

    // In server mode the payment methods are read and written through cn_sql.
    void modo_servidor()
    {
        demo::Opciones o = demo::Opciones::pruebas();
        o.servidor = true;
        fixture::Entorno e(o);
        e.inst().insertar("formas", {{"ForCod", "2"}, {"ForDes", "Tarjeta de crédito"}, {"ForCta", "57200001"}});
        e.arrancar();
        VentanaFormas w(e.a());
        w.show();
        auto* g = w.findChild<QTableView*>("gformas");
        QCOMPARE(lineas(g), QStringList({"2|Tarjeta de crédito|572000001"}));
        w.close();
        QCOMPARE(lineas(e.inst().filas("formas"), kHotel), QStringList({"2|Tarjeta de crédito|572000001"}));
    }
};

QTEST_MAIN(TestVentanaFormas)
#include "test_ventana_formas.moc"
