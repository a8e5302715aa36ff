// The account windows of the hotel's tables (payment methods, sales concepts)
// driven as a user would, over the fixture builder's installation; the rules
// of an account cell checked on the logic itself.

#include "mapping/cuentas_hotel.h"
#include "mapping/ventana_cuentas.h"
#include "support/cuentas_hotel_support.h"
#include "support/fixtures.h"
#include "platform/jet.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace cuentas_hotel_support;
using Tabla = VentanaCuentas::Tabla;

namespace {

const QString kWdb = "c:\\noctaris\\wdb.mdb";
const QString kNoNumerica = "|La Cuenta debe de ser numérica|0";
const QString kExclamacion = "|" + QString::number(int(platform::Icon::Exclamation));
QString largo(const QString& c) { return QString("La cuenta debe tener 9 dígitos; %1 tiene %2.").arg(c).arg(c.size()); }
QString ajustada(const QString& c) { return "|Las cuentas siguientes se han ajustado a 9 dígitos; se guardarán así en el hotel al cerrar la ventana:\n" + c + "|1"; }
QVariant cuenta(const QString& c) { return c == "<null>" ? QVariant() : QVariant(c.isNull() ? QString("") : c); }

struct Ventana {
    explicit Ventana(Tabla t, bool servidor = false, const QVariant& digitos = 9)
        : tabla(t), e([servidor] { auto o = demo::Opciones::pruebas(); o.servidor = servidor; return o; }())
    {
        e.inst().configurar({{"Ca3Niv", digitos}});
        const bool cobro = t == Tabla::Cobro;
        const QStringList filas = cobro ? QStringList{"3|Transferencia bancaria|57200002", "1|Contado|570000001", "9|Interna|55500001",
                                                      "4|Talón|<null>", "'|Vale de O'Connor|"}
                                        : QStringList{"12|Alojamiento|70500001", "04|Parking|705000004", "O'|Bar de O'Connor|", "03|Desayuno|<null>"};
        const QStringList c = cobro ? QStringList{"formas", "ForCod", "ForDes", "ForCta"} : QStringList{"ser", "SerCod", "SerNom", "SerCta"};
        for (const QString& f : filas) e.inst().insertar(c[0], {{c[1], f.section('|', 0, 0)}, {c[2], f.section('|', 1, 1)}, {c[3], cuenta(f.section('|', 2))}});
        for (const QString s : cobro ? QStringList() : QStringList{"12", "04", "O'", "99", "12"}) {   // the charge lines
            e.inst().insertar("Ca", {{"CaSer", s}, {"CaCta", "1"}});
            e.inst().insertar("Cadia", {{"CadiaSer", s}, {"CadiaCta", "2"}});
            e.inst().insertar("Hiscadia", {{"HCadiaFra", "7"}, {"HCadiaFraAno", "2013"}, {"HCadiaSer", s}, {"HCadiaCta", "3"}});
        }
        e.arrancar();
    }
    void abrir()
    {
        if (!w) w = std::make_unique<VentanaCuentas>(e.a(), tabla);
        w->show(), w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        g = w->findChild<QTableView*>(tabla == Tabla::Cobro ? "gformas" : "gventas");
        b = w->findChild<QPushButton*>("btnGenerar");
        al_abrir = tomar_mensajes(e.ui);
    }
    QStringList hotel(const QString& t, const QStringList& columnas, const QString& orden = {}) { return lineas(e.inst().filas(t, orden), columnas); }
    QStringList formas() { return hotel("formas", {"ForCod", "ForDes", "ForCta"}, "ForCod"); }
    QStringList ser() { return hotel("ser", {"SerCod", "SerCta"}); }
    QString cabecera() const   // the title, the column headings, whether each column can be edited
    {
        QString t = w->windowTitle();
        for (int c = 0; c < 3; ++c) t += "|" + g->model()->headerData(c, Qt::Horizontal).toString() + QString::number(bool(g->model()->index(0, c).flags() & Qt::ItemIsEditable));
        return t;
    }
    bool cerrar_con_escape() { return g->setFocus(), QTest::keyClick(g, Qt::Key_Escape), !w->isVisible(); }
    Tabla tabla;
    fixture::Entorno e;
    std::unique_ptr<VentanaCuentas> w;
    QTableView* g = nullptr;   // the grid, and the regeneration button (sales only)
    QPushButton* b = nullptr;
    QStringList al_abrir;
};

} // namespace

class TestVentanaCuentas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What a cell accepts (j: fitted to the digits, m: shown of a stored
    // account, as it is when the fitting cannot make it right, p: its problem,
    // a: accepted when typed) and how rows are ordered.
    void reglas_de_las_cuentas()
    {
        const QList<std::tuple<char, const char*, int, QString>> casos = {
            {'j', "570000001", 9, "570000001"}, {'j', "430999999", 8, "43099999"}, {'j', "", 9, ""}, {'j', " ", 8, ""}, {'j', "57200A02", 9, ""},
            {'j', "430000001234", 8, "43001234"}, {'j', "57200002", 9, "572000002"}, {'j', "5720002", 9, "5720000002"}, {'j', "-5720002", 8, ""},
            {'j', "572000002", 10, ""}, {'j', "5720000002", 9, ""}, {'j', "57200002", 12, ""}, {'m', "430999999", 8, "43099999"},
            {'m', "5720002", 8, "5720002"}, {'m', "<null>", 9, ""}, {'m', "572 000 001", 8, "572 000 001"},
            {'m', "705000001   ", 9, "705000001"}, {'m', "57200002    ", 9, "572000002"}, {'m', "   ", 9, "   "}, {'p', "705000005", 9, ""},
            {'p', "57", 9, largo("57")}, {'p', "70500000123", 9, largo("70500000123")}, {'p', "", 9, "Falta la cuenta: debe tener 9 dígitos."},
            {'p', "   ", 9, "La cuenta está en blanco: debe tener 9 dígitos."}, {'p', "70500A004", 9, "La cuenta \"70500A004\" no es numérica: debe tener 9 dígitos."},
            {'a', "570000001", 9, "1|"}, {'a', "57X", 9, "0|" + kNoNumerica}, {'a', "", 9, "0|" + kNoNumerica}, {'a', "57000001", 9, "0||" + largo("57000001") + "|0"}};
        for (const auto& [regla, texto, d, esperado] : casos) {
            const QString t = QString::fromUtf8(texto);
            platform::ScriptedInteraction ui;
            cuentas_hotel::EdicionCuenta edicion;
            edicion.empezar("570000009");
            const bool aceptada = regla == 'a' && edicion.aceptar(t, ui, d);
            const QString r = regla == 'j' ? cuentas_hotel::ajustar_digitos(t, d) : regla == 'm' ? cuentas_hotel::cuenta_a_mostrar(cuenta(t), d)
                            : regla == 'p' ? cuentas_hotel::problema_cuenta(t, d)
                                           : QString::number(aceptada) + "|" + tomar_mensajes(ui).join('\n');
            QCOMPARE(QString(regla) + t + r, QString(regla) + t + esperado);
        }
        QList<cuentas_hotel::FilaCuenta> f;   // by name, ignoring case and accents; equal names keep their order
        for (const char* n : {"Teléfono", "agua mineral", "Ático", "Alojamiento", "agua mineral"}) f << cuentas_hotel::FilaCuenta{QString::number(f.size()), n, {}};
        cuentas_hotel::ordenar_por_nombre(f);
        QCOMPARE(f[0].codigo + f[1].codigo + f[2].codigo + f[3].codigo + f[4].codigo, QString("14320"));
        // Only the padding differs: the same account, not written back; fitted or edited, it is.
        QString cambios;
        for (const auto& [guardada, mostrada] : {std::pair<QVariant, QString>{"705000001   ", "705000001"}, {"705000001", "705000001"},
                                                 {"70500001   ", "705000001"}, {"705000001   ", "705000002"}, {QVariant(), ""}, {"  ", "  "}})
            cambios += QString::number(cuentas_hotel::FilaCuenta{"1", "x", mostrada, "1", "x", guardada}.cambiada());
        QCOMPARE(cambios, QString("001100"));
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
        QCOMPARE(c.copia().conexion().executed, QStringList({"SELECT * FROM vacio", crear, "SELECT * FROM vacio", "DROP TABLE formas", crear}));
    }

    // Opening shows the rows fitted to the digits (code 9 is not the user's);
    // the cell keeps its account on a wrong one and typing stops at the
    // digits; Escape closes and writes every row back, one deleted meanwhile
    // added again; a second opening shows what was written.
    void cobro()
    {
        Ventana v(Tabla::Cobro, true);   // the hotel's tables on the server
        v.e.inst().ejecutar_en(kWdb, "CREATE TABLE formas(x integer)");
        v.abrir();
        QCOMPARE(v.cabecera(), QString("Configuracion Cuentas de Cobro.|Codigo0|Nombre Forma de Cobro0|Cta. Contable1"));
        QCOMPARE(lineas(v.g), QStringList({"'|Vale de O'Connor|", "1|Contado|570000001", "3|Transferencia bancaria|572000002", "4|Talón|"}));
        QVERIFY(v.al_abrir.isEmpty());   // fitted without a word
        QCOMPARE(teclear_cuenta(v.g, 1, "57X"), QString("57X"));   // refused when entered
        QCOMPARE(tomar_mensajes(v.e.ui) << lineas(v.g).at(1), QStringList({kNoNumerica, "1|Contado|570000001"}));
        QCOMPARE(teclear_cuenta(v.g, 2, "572000009999") + teclear_cuenta(v.g, 3, "570000004"), QString("572000009570000004"));
        QCOMPARE(v.formas().at(2), QString("3|Transferencia bancaria|57200002"));   // nothing written while open
        v.e.inst().ejecutar("formas", "DELETE FROM formas WHERE ForCod = '4'");
        QVERIFY(v.cerrar_con_escape());
        const QStringList escritas = {"'|Vale de O'Connor|", "1|Contado|570000001", "3|Transferencia bancaria|572000009",
                                      "4|Talón|570000004", "9|Interna|55500001"};
        QCOMPARE(v.formas(), escritas);
        v.abrir();
        QCOMPARE(lineas(v.g) + v.al_abrir, escritas.mid(0, 4));
    }

    // Closing writes each account to the row it was read from, and only when
    // it changed: two rows of one code keep their own accounts (alike or
    // not), a Null nobody typed stays Null, and a row the hotel changed
    // while the window was open is left as the hotel has it, and said.
    void cada_cuenta_a_su_fila()
    {
        Ventana v(Tabla::Cobro);
        for (const char* f : {"2|Tarjeta A|572000002", "2|Tarjeta B|572000003", "5|Bono|570000005", "5|Bono|570000005"})
            v.e.inst().insertar("formas", {{"ForCod", QString(f).section('|', 0, 0)}, {"ForDes", QString(f).section('|', 1, 1)},
                                           {"ForCta", QString(f).section('|', 2)}});
        v.abrir();
        const auto fila = [&](const QString& nombre, int vez = 1) {
            for (int i = 0; i < v.g->model()->rowCount(); ++i)
                if (v.g->model()->index(i, 1).data().toString() == nombre && --vez == 0) return i;
            return -1;
        };
        teclear_cuenta(v.g, fila("Tarjeta B"), "572000033");
        teclear_cuenta(v.g, fila("Bono", 2), "570000055");
        teclear_cuenta(v.g, fila("Contado"), "570000222");
        QCOMPARE(lineas(v.g).filter("|Bono|"), QStringList({"5|Bono|570000005", "5|Bono|570000055"}));
        v.e.inst().ejecutar("formas", "UPDATE formas SET ForCta = '570000111' WHERE ForCod = '1'");
        tomar_mensajes(v.e.ui);
        QVERIFY(v.cerrar_con_escape());
        QCOMPARE(tomar_mensajes(v.e.ui), QStringList({"|Las cuentas siguientes no se han grabado: su fila ha cambiado en el hotel "
                                                      "mientras la ventana estaba abierta.\n1 Contado: 570000222" + kExclamacion}));
        QStringList formas = v.formas();
        std::sort(formas.begin(), formas.end());
        QCOMPARE(formas, QStringList({"'|Vale de O'Connor|", "1|Contado|570000111", "2|Tarjeta A|572000002", "2|Tarjeta B|572000033",
                                      "3|Transferencia bancaria|572000002", "4|Talón|<null>", "5|Bono|570000005", "5|Bono|570000055",
                                      "9|Interna|55500001"}));
    }

    // Hotel files that cannot take a change are found at opening: genuine
    // Access files (j), a read-only file (l), a folder where the file saved
    // beside it while writing cannot be made (c). The accounts are shown and
    // can be neither typed nor written back, and the window names the files.
    // SQLite refuses root too: the file's header says it is for reading only
    // (l), a link that leads nowhere stands where that file would go (c).
    void ficheros_del_hotel_que_no_admiten_cambios()
    {
        qputenv("ENLACE3_JET_SUSTITUTO", "1");
        const QString motivo = ": las cuentas se muestran pero no se pueden cambiar. Cámbielas en el programa del hotel.|1";
        const QString permiso = ": las cuentas se muestran pero no se pueden cambiar. Para cambiarlas, dé permiso de escritura y vuelva a abrir la ventana.|1";
        for (const auto& [tabla, ficheros, aviso] :
             {std::tuple<Tabla, QStringList, QString>{Tabla::Cobro, {"jformas"}, "Solo lectura|El fichero del hotel formas.MDB es un fichero Access (Access Jet 4 (Access 2000-2003)) de una instalación de Windows, que aquí solo se puede leer" + motivo},
              {Tabla::Ventas, {"jser", "jhiscadia"}, "Solo lectura|Los ficheros del hotel ser.MDB, hiscadia.MDB son ficheros Access (Access Jet 4 (Access 2000-2003)) de una instalación de Windows, que aquí solo se pueden leer" + motivo},
              {Tabla::Cobro, {"cformas"}, "Solo lectura|La carpeta F:\\noctaris no admite ficheros nuevos, y grabar en F:\\noctaris\\formas.MDB necesita crear uno a su lado mientras graba" + permiso},
              {Tabla::Ventas, {"lser", "lCa", "chiscadia"}, "Solo lectura|Los ficheros del hotel F:\\noctaris\\ser.MDB, F:\\noctaris\\Ca.MDB son de solo lectura; la carpeta F:\\noctaris no admite ficheros nuevos, y grabar en F:\\noctaris\\hiscadia.MDB necesita crear uno a su lado mientras graba" + permiso}}) {
            Ventana v(tabla);
            for (const QString& f : ficheros) {
                const QString archivo = v.e.inst().archivo_tabla(f.mid(1));
                QFile cabecera(archivo);
                QVERIFY(f[0] == 'j' ? jet::marcar_sustituto(archivo, jet::Formato::Jet4)
                        : f[0] == 'c' ? QFile::link("/no-existe/diario", archivo + "-journal")
                                      : cabecera.open(QIODevice::ReadWrite) && cabecera.seek(18) && cabecera.putChar(3));
            }
            v.e.arrancar();
            const QStringList antes = tabla == Tabla::Cobro ? v.formas() : v.ser();
            v.abrir();
            const QString ajuste = tabla == Tabla::Cobro ? "3 Transferencia bancaria: 57200002 -> 572000002" : "12 Alojamiento: 70500001 -> 705000001";
            QCOMPARE(v.al_abrir, QStringList({aviso, "|Las cuentas siguientes se muestran ajustadas a 9 dígitos; en el hotel siguen como están:\n" + ajuste + "|1"}));
            // Neither F2 nor a double click opens the account cell.
            v.g->setCurrentIndex(v.g->model()->index(1, 2));
            QTest::keyClick(v.g, Qt::Key_F2);
            const QRect celda = v.g->visualRect(v.g->currentIndex());
            QTest::mouseDClick(v.g->viewport(), Qt::LeftButton, {}, celda.center());
            QVERIFY(v.g->viewport()->findChildren<QLineEdit*>().isEmpty());
            QVERIFY(!v.b || !v.b->isEnabled());
            QVERIFY(v.cerrar_con_escape());
            QCOMPARE(tomar_mensajes(v.e.ui), QStringList());
            QCOMPARE(tabla == Tabla::Cobro ? v.formas() : v.ser(), antes);
        }
        qunsetenv("ENLACE3_JET_SUSTITUTO");
        // A file that stops taking changes while the window is open is told
        // at closing, named as the user knows it.
        Ventana v(Tabla::Cobro);
        v.abrir();
        teclear_cuenta(v.g, 1, "570000011");
        QVERIFY(QFile::link("/no-existe/diario", v.e.inst().archivo_tabla("formas") + "-journal") && v.cerrar_con_escape());
        QCOMPARE(tomar_mensajes(v.e.ui), QStringList({"|No se han podido grabar las cuentas de las formas de cobro en el hotel.\n\nError -2147467259: "
                                                      "no se puede abrir el archivo en la base de datos F:\\noctaris\\formas.MDB (unable to open database file)" + kExclamacion}));
    }

    // Without the work database or a number of digits from 8 to 12 the
    // window says why, shows nothing and the hotel keeps its rows.
    void cobro_sin_base_o_sin_digitos()
    {
        for (const QVariant& digitos : {QVariant(9), QVariant(), QVariant(13)}) {
            const bool sin_base = digitos == QVariant(9);
            Ventana v(Tabla::Cobro, false, digitos);
            const QStringList antes = v.formas();
            if (sin_base) v.e.inst().cerrar(), QFile::remove(v.e.inst().ruta(kWdb));
            v.e.ui.shown.clear(), v.abrir();
            const QString motivo = sin_base ? "|No se puede abrir la base de datos de trabajo c:\\noctaris\\wdb.mdb."
                                   : digitos.isNull() ? "|Falta el número de dígitos de las cuentas: complete antes la \"Configuración General\"." + kExclamacion
                                                      : "|El número de dígitos de las cuentas (13) no es válido: debe estar entre 8 y 12. "
                                                        "Corríjalo antes en la \"Configuración General\"." + kExclamacion;
            QVERIFY2(lineas(v.g).isEmpty() && v.al_abrir.size() == 1 && v.al_abrir.at(0).startsWith(motivo), qPrintable(v.al_abrir.join('\n')));
            v.w->close();
            QVERIFY(v.formas() == antes && QFile::exists(v.e.inst().ruta(kWdb)) == !sin_base);
        }
        // Payment methods that cannot be read are said so, and no grid stands for them.
        Ventana v(Tabla::Cobro, false, 9);
        v.e.inst().ejecutar("formas", "ALTER TABLE formas RENAME COLUMN ForCta TO ForCuenta");
        v.e.ui.shown.clear(), v.abrir();
        QVERIFY2(!v.g->model() && v.al_abrir.size() == 1 && v.al_abrir.at(0).startsWith("|No se pueden leer las formas de cobro del hotel."),
                 qPrintable(v.al_abrir.join('\n')));
    }

    // The button waits for the last service without a valid account; the
    // regeneration writes the grid's accounts into every charge line; ser is
    // written at closing (a service deleted meanwhile is not added back).
    void ventas()
    {
        Ventana v(Tabla::Ventas);
        v.abrir();
        QCOMPARE(v.cabecera() + "|" + v.b->text(),
                 QString("Configuración Cuentas de Ventas.|Codigo0|Descripcion Concepto Ventas0|Cta. Contable1|Regenerar Cuentas Contables"));
        QCOMPARE(lineas(v.g), QStringList({"12|Alojamiento|705000001", "O'|Bar de O'Connor|", "03|Desayuno|", "04|Parking|705000004"}));
        QVERIFY(v.al_abrir.isEmpty());
        QString pasos;   // the button, then the services still without an account, at each account typed
        for (const auto& [fila, nueva] : {std::pair{1, "705000002"}, {3, "705000044"}, {2, "705000003"}})
            pasos += QString::number(v.b->isEnabled()), teclear_cuenta(v.g, fila, nueva), pasos += QString::number(v.w->ventas()->wsin_cuenta);
        QCOMPARE(pasos + QString::number(v.b->isEnabled()), QString("0101001"));
        QTest::mouseClick(v.b, Qt::LeftButton);
        QVERIFY(tomar_mensajes(v.e.ui) == QStringList({"|Regeneración realizada correctamente!|0"}) && !v.e.ui.busy);
        QCOMPARE(v.hotel("Ca", {"CaSer", "CaCta"}) + v.hotel("Cadia", {"CadiaSer", "CadiaCta"}) + v.hotel("Hiscadia", {"HCadiaSer", "HCadiaCta"}),
                 QString("12|705000001,04|705000044,O'|705000002,99|1,12|705000001,12|705000001,04|705000044,O'|705000002,99|2,"
                         "12|705000001,12|705000001,04|705000044,O'|705000002,99|3,12|705000001").split(','));
        v.e.inst().ejecutar("ser", "DELETE FROM ser WHERE SerCod = '03'");
        QVERIFY(v.cerrar_con_escape() && tomar_mensajes(v.e.ui).isEmpty());
        QCOMPARE(v.ser(), QStringList({"12|705000001", "04|705000044", "O'|705000002"}));
    }

    // A code that appears with two accounts holds the regeneration back until
    // both agree; a service without a code rewrites no charge line.
    void ventas_codigo_repetido_o_sin_codigo()
    {
        Ventana v(Tabla::Ventas);
        v.e.inst().ejecutar("ser", "UPDATE ser SET SerCta = '705000003' WHERE SerCta IS NULL OR SerCta = ''");
        v.e.inst().insertar("ser", {{"SerCod", "12"}, {"SerNom", "Alojamiento bis"}, {"SerCta", "705000099"}});
        v.e.inst().insertar("ser", {{"SerCod", QVariant()}, {"SerNom", QStringLiteral("Sin código")}, {"SerCta", "705000777"}});
        v.e.inst().insertar("Ca", {{"CaSer", ""}, {"CaCta", "1"}});
        v.abrir();
        QVERIFY(!v.b->isEnabled());
        QCOMPARE(v.b->toolTip(), QString("Para regenerar, el código 12 tiene que tener una sola cuenta: aparece con 705000001 y con 705000099."));
        int bis = 0;
        while (v.g->model()->index(bis, 1).data().toString() != "Alojamiento bis") ++bis;
        teclear_cuenta(v.g, bis, "705000001");
        QVERIFY(v.b->isEnabled());
        QTest::mouseClick(v.b, Qt::LeftButton);
        QCOMPARE(tomar_mensajes(v.e.ui), QStringList({"|Regeneración realizada correctamente!|0"}));
        QCOMPARE(v.hotel("Ca", {"CaSer", "CaCta"}), QString("12|705000001,04|705000004,O'|705000003,99|1,12|705000001,|1").split(','));
        QVERIFY(v.cerrar_con_escape());
        QCOMPARE(v.hotel("ser", {"SerCod", "SerNom", "SerCta"}),
                 QStringList({"12|Alojamiento|705000001", "04|Parking|705000004", "O'|Bar de O'Connor|705000003", "03|Desayuno|705000003",
                              "12|Alojamiento bis|705000001", QStringLiteral("<null>|Sin código|705000777")}));
    }

    // Stored accounts that are not accounts: marked in the grid with their
    // problem and never stored unless typed over; Escape on a wrong one says
    // why and stays; the regeneration is refused (naming the service) until
    // every account is valid; a charge file that cannot be opened stops it
    // with its reason, and ser is still written.
    void ventas_cuentas_no_validas()
    {
        Ventana v(Tabla::Ventas);
        for (const auto& [cod, cta] : {std::pair{"12", "70500000123"}, {"04", "70500A004"}, {"O''", "   "}})
            v.e.inst().ejecutar("ser", QString("UPDATE ser SET SerCta = '%1' WHERE SerCod = '%2'").arg(cta, cod));
        v.abrir();
        QString marcas;   // every wrong account marked, shown whole, its problem as a tip
        for (int i = 0; i < 4; ++i) marcas += QString::number(v.g->model()->index(i, 2).data(Qt::BackgroundRole).isValid());
        QCOMPARE(marcas + lineas(v.g).at(3) + v.g->model()->index(3, 2).data(Qt::ToolTipRole).toString(),
                 "111104|Parking|70500A004La cuenta \"70500A004\" no es numérica: debe tener 9 dígitos.");
        QCOMPARE(v.b->toolTip(), "Para regenerar faltan cuentas válidas de 9 dígitos en 4 conceptos de ventas; el primero es 12 Alojamiento. " + largo("70500000123"));
        teclear_cuenta(v.g, 3, "70500", Qt::Key_Escape);   // rows by name: 12, O', 03, 04
        QVERIFY(tomar_mensajes(v.e.ui) == QStringList({"|" + largo("70500") + "|0"}) && v.w->isVisible());
        teclear_cuenta(v.g, 3, "705000004", Qt::Key_Escape);
        QVERIFY(!v.w->isVisible() && v.ser() == QStringList({"12|70500000123", "04|705000004", "O'|   ", "03|<null>"}));   // a Null nobody typed over stays
        v.abrir();
        for (const int fila : {0, 1}) teclear_cuenta(v.g, fila, "705000001");
        const QString falta = "Para regenerar falta una cuenta válida de 9 dígitos en 1 concepto de ventas: 03 Desayuno. Falta la cuenta: debe tener 9 dígitos.";
        const QList<QVariantMap> antes = v.e.inst().filas("Hiscadia");
        QVERIFY(v.b->toolTip() == falta && !v.w->ventas()->regenerar());
        QVERIFY(tomar_mensajes(v.e.ui) == QStringList({"|" + falta + kExclamacion}) && v.e.inst().filas("Hiscadia") == antes);
        teclear_cuenta(v.g, 2, "705000003");
        v.e.inst().cerrar(), QFile::remove(v.e.inst().ruta("F:\\noctaris\\cadia.MDB"));
        QTest::mouseClick(v.b, Qt::LeftButton);
        const QStringList m = tomar_mensajes(v.e.ui);
        QVERIFY2(m.size() == 1 && m.at(0).startsWith("|No se han podido regenerar las cuentas de los movimientos del hotel.\n")
                     && m.at(0).endsWith(kExclamacion) && !v.e.ui.busy, qPrintable(m.join('\n')));
        v.w->close();
        QCOMPARE(v.ser(), QStringList({"12|705000001", "04|705000004", "O'|705000001", "03|705000003"}));
    }
};

QTEST_MAIN(TestVentanaCuentas)
#include "test_ventana_cuentas.moc"
