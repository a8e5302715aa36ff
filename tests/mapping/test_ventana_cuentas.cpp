// The account windows of the hotel's tables (payment methods, sales concepts)
// driven as a user would, over the fixture builder's installation; the rules
// of an account cell checked on the logic itself.

#include "mapping/cuentas_hotel.h"
#include "mapping/ventana_cuentas.h"
#include "support/cuentas_hotel_support.h"
#include "support/fixtures.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace cuentas_hotel_support;
using Tabla = VentanaCuentas::Tabla;

namespace {

const QString kWdb = "c:\\noctaris\\wdb.mdb";
const QString kNoNumerica = "La Cuenta debe de ser numérica";
const QString kHecho = "|Regeneración realizada correctamente!|0";
const QString kExclamacion = QString::number(int(platform::Icon::Exclamation));
QString largo(const QString& c) { return QString("La cuenta debe tener 9 dígitos; %1 tiene %2.").arg(c).arg(c.size()); }
QString ajustada(const QString& c)
{
    return "|Las cuentas siguientes se han ajustado a 9 dígitos; se guardarán así en el hotel al cerrar la ventana:\n" + c
           + "|1";
}
QVariant cuenta(const QString& c) { return c == "<null>" ? QVariant() : QVariant(c.isNull() ? QString("") : c); }

struct Ventana {
    explicit Ventana(Tabla t, bool servidor = false, const QVariant& digitos = 9)
        : tabla(t), e([servidor] { auto o = demo::Opciones::pruebas(); o.servidor = servidor; return o; }())
    {
        e.inst().configurar({{"Ca3Niv", digitos}});
        const bool cobro = t == Tabla::Cobro;
        const QStringList filas = cobro ? QStringList{"3|Transferencia bancaria|57200002", "1|Contado|570000001", "9|Interna|55500001",
                                                      "4|Talón|<null>", "'|Vale de O'Connor|"}
                                        : QStringList{"12|Alojamiento|70500001", "04|Parking|705000004", "O'|Bar de O'Connor|",
                                                      "03|Desayuno|<null>"};
        for (const QString& f : filas)
            e.inst().insertar(cobro ? "formas" : "ser", {{cobro ? "ForCod" : "SerCod", f.section('|', 0, 0)},
                                                         {cobro ? "ForDes" : "SerNom", f.section('|', 1, 1)},
                                                         {cobro ? "ForCta" : "SerCta", cuenta(f.section('|', 2))}});
        for (const QString s : {"12", "04", "O'", "99", "12"}) {
            if (cobro)
                break;
            e.inst().insertar("Ca", {{"CaSer", s}, {"CaCta", "1"}});
            e.inst().insertar("Cadia", {{"CadiaSer", s}, {"CadiaCta", "2"}});
            e.inst().insertar("Hiscadia", {{"HCadiaFra", "7"}, {"HCadiaFraAno", "2013"}, {"HCadiaSer", s}, {"HCadiaCta", "3"}});
        }
        e.arrancar();
    }
    void abrir()
    {
        if (!w)
            w = std::make_unique<VentanaCuentas>(e.a(), tabla);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        g = w->findChild<QTableView*>(tabla == Tabla::Cobro ? "gformas" : "gventas");
        b = w->findChild<QPushButton*>("btnGenerar");
        QVERIFY(g && (b != nullptr) == (tabla == Tabla::Ventas));
        al_abrir = mensajes();
    }
    QStringList hotel(const QString& t, const QStringList& columnas) { return lineas(e.inst().filas(t), columnas); }
    QStringList formas() { return lineas(e.inst().filas("formas", "ForCod"), {"ForCod", "ForDes", "ForCta"}); }
    QStringList mensajes() { return tomar_mensajes(e.ui); }
    int fila(const QString& cod) { return int(lineas(g).indexOf(QRegularExpression("^" + cod + "\\|.*"))); }
    // The title, the column headings and whether code and name can be edited.
    QString cabecera() const
    {
        QStringList t{w->windowTitle()};
        for (int c = 0; c < 3; ++c)
            t << g->model()->headerData(c, Qt::Horizontal).toString()
                     + QString::number(bool(g->model()->flags(g->model()->index(0, c)) & Qt::ItemIsEditable));
        return t.join('|');
    }
    Tabla tabla;
    fixture::Entorno e;
    std::unique_ptr<VentanaCuentas> w;
    QTableView* g = nullptr;
    QPushButton* b = nullptr;
    QStringList al_abrir;
};

} // namespace

class TestVentanaCuentas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What a cell accepts, what the grid shows of a stored account and how
    // the rows are ordered: the logic under both windows.
    void reglas_de_las_cuentas()
    {
        const QList<std::tuple<const char*, const char*, int, QString>> casos = {
            {"ajustar", "570000001", 9, "570000001"}, {"ajustar", "430999999", 8, "43099999"}, {"ajustar", "", 9, ""},
            {"ajustar", "430000001234", 8, "43001234"}, {"ajustar", "57200002", 9, "572000002"}, {"ajustar", " ", 8, ""},
            {"ajustar", "5720002", 9, "5720000002"}, {"ajustar", "57200A02", 9, ""}, {"ajustar", "-5720002", 8, ""},
            {"ajustar", "572000002", 10, ""}, {"ajustar", "5720000002", 9, ""}, {"ajustar", "57200002", 12, ""},
            // a stored account the fitting cannot make right is shown (and written back) as it is
            {"mostrar", "430999999", 8, "43099999"}, {"mostrar", "5720002", 8, "5720002"}, {"mostrar", "<null>", 9, ""},
            {"mostrar", "572 000 001", 8, "572 000 001"}, {"problema", "705000005", 9, ""}, {"problema", "57", 9, largo("57")},
            {"problema", "70500000123", 9, largo("70500000123")}, {"problema", "", 9, "Falta la cuenta: debe tener 9 dígitos."},
            {"problema", "   ", 9, "La cuenta está en blanco: debe tener 9 dígitos."},
            {"problema", "70500A004", 9, "La cuenta \"70500A004\" no es numérica: debe tener 9 dígitos."},
            {"aceptar", "570000001", 9, "1|"}, {"aceptar", "57X", 9, "0||" + kNoNumerica + "|0"},
            {"aceptar", "", 9, "0||" + kNoNumerica + "|0"}, {"aceptar", "57000001", 9, "0||" + largo("57000001") + "|0"},
            {"ordenar", "Teléfono,agua mineral,Ático,Alojamiento,agua mineral", 0, "agua mineral,agua mineral,Alojamiento,Ático,Teléfono"},
        };
        for (const auto& [regla, texto, digitos, esperado] : casos) {
            const QString t = QString::fromUtf8(texto);
            QString r = regla == QLatin1String("ajustar") ? cuentas_hotel::ajustar_digitos(t, digitos)
                      : regla == QLatin1String("mostrar") ? cuentas_hotel::cuenta_a_mostrar(cuenta(t), digitos)
                                                          : cuentas_hotel::problema_cuenta(t, digitos);
            if (regla == QLatin1String("aceptar")) {
                platform::ScriptedInteraction ui;
                cuentas_hotel::EdicionCuenta edicion;
                edicion.empezar("570000009");
                r = QString::number(edicion.aceptar(t, ui, digitos)) + "|";
                r += tomar_mensajes(ui).join('\n');
            } else if (regla == QLatin1String("ordenar")) {
                QList<cuentas_hotel::FilaCuenta> filas;
                for (const QString& n : t.split(','))
                    filas << cuentas_hotel::FilaCuenta{QString::number(filas.size()), n, QString()};
                cuentas_hotel::ordenar_por_nombre(filas);
                QStringList nombres;
                for (const auto& f : filas)
                    nombres << f.nombre;
                r = nombres.join(',');
                QCOMPARE(filas.at(0).codigo + filas.at(1).codigo, QString("14"));   // equal names keep their order
            }
            QCOMPARE(r, esperado);
        }
    }

    // A scratch table left by an earlier opening is dropped only once the
    // work database has shown its table vacio again.
    void tabla_de_trabajo_existente()
    {
        Ventana v(Tabla::Cobro);
        const QString crear = "CREATE TABLE formas(ForCod varchar(1), ForDes varchar(25), ForCta varchar(12))";
        v.e.inst().ejecutar_en(kWdb, crear);
        cuentas_hotel::CuentasCobro c(v.e.a());
        c.copia().conexion().trace = true;
        QVERIFY(c.preparar_formas());
        QCOMPARE(c.copia().conexion().executed,
                 QStringList({"SELECT * FROM vacio", crear, "SELECT * FROM vacio", "DROP TABLE formas", crear}));
        QCOMPARE(v.mensajes(), QStringList());
    }

    void cobro_data()
    {
        QTest::addColumn<bool>("servidor");
        QTest::newRow("ficheros") << false;
        QTest::newRow("servidor") << true;
    }
    // Opening shows the rows fitted to the digits (code 9 is not the user's);
    // the cell keeps its account on a wrong one and typing stops at the
    // digits; Escape closes and writes every row back, one deleted meanwhile
    // added again; a second opening shows what was written.
    void cobro()
    {
        QFETCH(bool, servidor);
        Ventana v(Tabla::Cobro, servidor);
        v.e.inst().ejecutar_en(kWdb, "CREATE TABLE formas(x integer)");
        v.abrir();
        QCOMPARE(v.cabecera(), QString("Configuracion Cuentas de Cobro.|Codigo0|Nombre Forma de Cobro0|Cta. Contable1"));
        QCOMPARE(lineas(v.g), QStringList({"'|Vale de O'Connor|", "1|Contado|570000001", "3|Transferencia bancaria|572000002",
                                           "4|Talón|"}));
        QCOMPARE(v.al_abrir, QStringList({ajustada("3 Transferencia bancaria: 57200002 -> 572000002")}));
        QCOMPARE(teclear_cuenta(v.g, 1, "57X"), QString("57X"));
        QCOMPARE(v.mensajes(), QStringList({"|" + kNoNumerica + "|0"}));
        QCOMPARE(lineas(v.g).at(1), QString("1|Contado|570000001"));
        QCOMPARE(teclear_cuenta(v.g, 2, "572000009999"), QString("572000009"));
        teclear_cuenta(v.g, 3, "570000004");
        QCOMPARE(v.formas().at(2), QString("3|Transferencia bancaria|57200002"));   // nothing written while open
        v.e.inst().ejecutar("formas", "DELETE FROM formas WHERE ForCod = '4'");
        v.g->setFocus();
        QTest::keyClick(v.g, Qt::Key_Escape);
        QVERIFY(!v.w->isVisible());
        const QStringList escritas = {"'|Vale de O'Connor|", "1|Contado|570000001", "3|Transferencia bancaria|572000009",
                                      "4|Talón|570000004", "9|Interna|55500001"};
        QCOMPARE(v.formas(), escritas);
        v.abrir();
        QCOMPARE(lineas(v.g), escritas.mid(0, 4));
        QCOMPARE(v.al_abrir, QStringList());
        v.w->close();
        QCOMPARE(v.mensajes(), QStringList());
    }

    // Without the work database or the number of digits the window says why,
    // shows nothing and the hotel keeps its rows.
    void cobro_sin_base_o_sin_digitos()
    {
        for (const bool sin_base : {true, false}) {
            Ventana v(Tabla::Cobro, false, sin_base ? QVariant(9) : QVariant());
            const QStringList antes = v.formas();
            if (sin_base) {
                v.e.inst().cerrar();
                QVERIFY(QFile::remove(v.e.inst().ruta(kWdb)));
            }
            v.e.ui.shown.clear();
            v.abrir();
            QCOMPARE(lineas(v.g), QStringList());
            QCOMPARE(v.al_abrir.size(), 1);
            const QString motivo = sin_base ? "|No se puede abrir la base de datos de trabajo c:\\noctaris\\wdb.mdb."
                                            : "|Falta el número de dígitos de las cuentas: complete antes la "
                                              "\"Configuración General\".|" + kExclamacion;
            QVERIFY2(v.al_abrir.at(0).startsWith(motivo), qPrintable(v.al_abrir.at(0)));
            v.w->close();
            QCOMPARE(v.formas(), antes);
            QCOMPARE(QFile::exists(v.e.inst().ruta(kWdb)), !sin_base);
        }
    }

    void ventas_data() { cobro_data(); }
    // The button waits for the last service without a valid account; the
    // regeneration writes the grid's accounts into every charge line; ser is
    // written at closing (a service deleted meanwhile is not added back).
    void ventas()
    {
        QFETCH(bool, servidor);
        Ventana v(Tabla::Ventas, servidor);
        v.abrir();
        QCOMPARE(v.cabecera() + "|" + v.b->text(),
                 QString("Configuración Cuentas de Ventas.|Codigo0|Descripcion Concepto Ventas0|Cta. Contable1|Regenerar Cuentas Contables"));
        QCOMPARE(lineas(v.g), QStringList({"12|Alojamiento|705000001", "O'|Bar de O'Connor|", "03|Desayuno|",
                                           "04|Parking|705000004"}));
        QCOMPARE(v.al_abrir, QStringList({ajustada("12 Alojamiento: 70500001 -> 705000001")}));
        QCOMPARE(v.w->ventas()->wsin_cuenta, qint16(2));
        for (const auto& [fila, nueva, faltan] : {std::tuple{1, "705000002", 1}, {3, "705000044", 1}, {2, "705000003", 0}}) {
            QVERIFY(!v.b->isEnabled());
            teclear_cuenta(v.g, fila, nueva);
            QCOMPARE(v.w->ventas()->wsin_cuenta, qint16(faltan));
        }
        QVERIFY(v.b->isEnabled());
        QVERIFY(v.b->toolTip().startsWith("Regenera todos los movimientos"));
        for (int vez = 0; vez < 2; ++vez) {   // a second click with nothing to change still tells once
            QTest::mouseClick(v.b, Qt::LeftButton);
            QCOMPARE(v.mensajes(), QStringList({kHecho}));
            QVERIFY(!v.e.ui.busy);
            QCOMPARE(v.hotel("Ca", {"CaSer", "CaCta"}) + v.hotel("Cadia", {"CadiaSer", "CadiaCta"}) + v.hotel("Hiscadia", {"HCadiaSer", "HCadiaCta"}),
                     QString("12|705000001,04|705000044,O'|705000002,99|1,12|705000001,12|705000001,04|705000044,O'|705000002,99|2,"
                             "12|705000001,12|705000001,04|705000044,O'|705000002,99|3,12|705000001").split(','));
        }
        QCOMPARE(v.hotel("ser", {"SerCod", "SerCta"}), QStringList({"12|70500001", "04|705000004", "O'|", "03|<null>"}));
        v.e.inst().ejecutar("ser", "DELETE FROM ser WHERE SerCod = '03'");
        v.g->setFocus();
        QTest::keyClick(v.g, Qt::Key_Escape);
        QVERIFY(!v.w->isVisible());
        QCOMPARE(v.hotel("ser", {"SerCod", "SerCta"}), QStringList({"12|705000001", "04|705000044", "O'|705000002"}));
        QCOMPARE(v.mensajes(), QStringList());
    }

    // Stored accounts that are not accounts: marked in the grid with their
    // problem, opened whole and never stored unless typed over; Escape on a
    // wrong one says why and stays; a new opening counts again from the
    // hotel and the regeneration is refused (and says which service) until
    // every account is valid; a charge file that cannot
    // be opened stops it with its reason, and ser is still written.
    void ventas_cuentas_no_validas()
    {
        Ventana v(Tabla::Ventas);
        for (const auto& [cod, cta] : {std::pair{"12", "70500000123"}, {"04", "70500A004"}, {"O''", "   "}})
            v.e.inst().ejecutar("ser", QString("UPDATE ser SET SerCta = '%1' WHERE SerCod = '%2'").arg(cta, cod));
        v.abrir();
        QStringList marcas;
        for (int i = 0; i < 4; ++i) {
            const QModelIndex celda = v.g->model()->index(i, 2);
            marcas << celda.data().toString() + "|" + QString::number(celda.data(Qt::BackgroundRole).isValid()) + "|"
                          + celda.data(Qt::ToolTipRole).toString();
        }
        QCOMPARE(marcas, QStringList({"70500000123|1|" + largo("70500000123"),
                                      "   |1|La cuenta está en blanco: debe tener 9 dígitos.",
                                      "|1|Falta la cuenta: debe tener 9 dígitos.",
                                      "70500A004|1|La cuenta \"70500A004\" no es numérica: debe tener 9 dígitos."}));
        QCOMPARE(v.b->toolTip(), "Para regenerar faltan cuentas válidas de 9 dígitos en 4 conceptos de ventas; el primero es "
                                 "12 Alojamiento. " + largo("70500000123"));
        QLineEdit* campo = abrir_cuenta(v.g, v.fila("12"));
        QCOMPARE(campo->text(), QString("70500000123"));
        QTest::keyClick(campo, Qt::Key_Return);
        QCoreApplication::processEvents();
        campo = abrir_cuenta(v.g, v.fila("04"));
        campo->selectAll();
        QTest::keyClicks(campo, "70500");
        QTest::keyClick(campo, Qt::Key_Escape);
        QCOMPARE(v.mensajes(), QStringList({"|" + largo("70500") + "|0"}));
        QVERIFY(v.w->isVisible());
        QTest::keyClicks(campo, "0004");
        QTest::keyClick(campo, Qt::Key_Escape);
        QVERIFY(!v.w->isVisible());
        QCOMPARE(v.hotel("ser", {"SerCod", "SerCta"}), QStringList({"12|70500000123", "04|705000004", "O'|   ", "03|"}));

        v.abrir();
        for (const char* cod : {"12", "O'"})
            teclear_cuenta(v.g, v.fila(cod), "705000001");
        const QString falta = "Para regenerar falta una cuenta válida de 9 dígitos en 1 concepto de ventas: 03 Desayuno. "
                              "Falta la cuenta: debe tener 9 dígitos.";
        QCOMPARE(v.b->toolTip(), falta);
        const QList<QVariantMap> antes = v.e.inst().filas("Hiscadia");
        QVERIFY(!v.w->ventas()->regenerar());
        QCOMPARE(v.mensajes(), QStringList({"|" + falta + "|" + kExclamacion}));
        QCOMPARE(v.e.inst().filas("Hiscadia"), antes);
        teclear_cuenta(v.g, v.fila("03"), "705000003");
        v.e.inst().cerrar();
        QVERIFY(QFile::remove(v.e.inst().ruta("F:\\noctaris\\cadia.MDB")));
        QTest::mouseClick(v.b, Qt::LeftButton);
        const QStringList m = v.mensajes();
        QVERIFY2(m.size() == 1 && m.at(0).startsWith("|No se han podido regenerar las cuentas de los movimientos del hotel.\n")
                     && m.at(0).endsWith("|" + kExclamacion),
                 qPrintable(m.join('\n')));
        QVERIFY(!v.e.ui.busy);
        v.w->close();
        QCOMPARE(v.hotel("ser", {"SerCod", "SerCta"}),
                 QStringList({"12|705000001", "04|705000004", "O'|705000001", "03|705000003"}));
    }
};

QTEST_MAIN(TestVentanaCuentas)
#include "test_ventana_cuentas.moc"
