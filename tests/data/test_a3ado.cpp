// Start-up, settings load and schema upgrade of the link, on installations
// written by the demo builder and opened through the real data layer.

#include "support/fixtures.h"

#include "app/linea_comandos.h"
#include "data/tablas_hotel.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QStringList kSentenciasActualizacion = {
    "ALTER TABLE ca3 ADD  Ca3DesglosarPasantes BIT",
    "ALTER TABLE ca3 ADD  Ca3CrearCuentas BIT",
    "UPDATE ca3 SET Ca3DesglosarPasantes = 0",
    "UPDATE ca3 SET Ca3CrearCuentas = 0",
    "ALTER TABLE ca3 ADD  Ca3UnicaCtaPasantes BIT",
    "UPDATE ca3 SET Ca3UnicaCtaPasantes = 0",
    "CREATE TABLE Ctas3 (Cuenta CHAR(12), Nombre CHAR(30), Nif CHAR(14), Siglas CHAR(2), Direccion CHAR(30), "
    "Localidad CHAR(20), Cp CHAR(5), Provincia CHAR(15), FechaAlta CHAR(8), Estado CHAR(1))",
    "ALTER TABLE ca3 ADD Ca3Tasa TEXT(12)",
    "UPDATE ca3 SET Ca3Tasa = '475300000'",
    "ALTER TABLE fac3 ADD FacTasa DOUBLE",
    "UPDATE fac3 SET FacTasa =0",
    "ALTER TABLE ca3 ADD Zumeral BIT",
    "UPDATE ca3 SET Zumeral = 0",
};

// Every setting, one "name = value" a line, so a whole state compares at once.
QStringList ajustes(const A3ADO& a)
{
    QStringList l;
    for (const auto& [nombre, valor] : linea_comandos::ajustes(a))
        l << nombre + " = " + valor;
    return l;
}

using fixture::ajustesTrasActualizar;

// Settings no load could produce, to see whether a load changed anything.
void marcar(A3ADO& a)
{
    a.wempresa = "X";
    a.wruta = "X";
    a.wdigitos = 77;
    a.wcta_clientes = a.wcta_agencias = a.wcta_empresas = a.wcta_depositos = "X";
    a.wcta_iva = a.wcta_cuadre = a.wcta_tasa = "X";
    a.wdesglosar_ventas = a.wtraspasar_creditos = a.wiva_por_tipo = true;
    a.wcuenta_por_pasante = a.wcrear_cuentas = a.wcuenta_unica_pasantes = a.wexportar_pgc = true;
}

// "name(col, col)" of every index of the link database, sorted.
QStringList indices(demo::Instalacion& inst)
{
    QStringList lista;
    for (const QVariantMap& i : inst.consultar(
             "ca3", "SELECT name, tbl_name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL")) {
        QStringList columnas;
        for (const QVariantMap& c :
             inst.consultar("ca3", QStringLiteral("PRAGMA index_info(%1)").arg(i.value("name").toString())))
            columnas << c.value("name").toString();
        lista << i.value("tbl_name").toString().toLower() + "(" + columnas.join(", ") + ")";
    }
    lista.sort();
    return lista;
}

QStringList esquema(demo::Instalacion& inst)
{
    QStringList l;
    for (const QVariantMap& f : inst.consultar("ca3", "SELECT sql FROM sqlite_master ORDER BY name"))
        l << f.value("sql").toString();
    return l;
}

const QStringList kIndices = {"caj3(CajFec, CajOrd)", "cre3(Cre3FecValor)", "ctas3(Cuenta)",
                              "fac3(FacEje, FacFra)", "fac3(FacFec)",        "fal3(FalEmp, FalEje, FalFra)"};

// The error a start-up step raises (number 0 when it raises none).
template <typename Paso>
ado::Error errorDe(Paso paso)
{
    try {
        paso();
    } catch (const ado::Error& error) {
        return error;
    }
    return ado::Error(0, QString(), QString());
}

} // namespace

class TestA3ado : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void actualizacionDesdeEnlaceAntiguo();
    void actualizacionParcial();
    void reglaDeIndicadores_data();
    void reglaDeIndicadores();
    void zumeralNuloYTextosNulos();
    void sinFilaKove3ConservaAjustes();
    void ca3NivNuloNoCargaNada();
    void conexionSqlModoAccess();
    void conexionSqlSegunLaTablaCon();
    void fallosDeArranque();
    void arranqueEnModoServidor();
    void indices();
    void conexionHotelYCadenaJet();
};

void TestA3ado::actualizacionDesdeEnlaceAntiguo()
{
    fixture::Entorno e(demo::Opciones::demostracion());
    demo::Instalacion& inst = e.inst();
    const int facturas = inst.contar("fac3");
    QVERIFY(facturas > 0);
    QVERIFY(!inst.columnas("ca3").contains("Zumeral"));

    e.arrancar(false);
    QStringList sinCtas3 = kIndices;
    sinCtas3.removeAll("ctas3(Cuenta)");
    QCOMPARE(::indices(inst), sinCtas3);
    A3ADO& a = e.a();
    a.cn_enlace.trace = true;
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(a.cn_enlace.executed, kSentenciasActualizacion);
    QCOMPARE(::indices(inst), kIndices);  // with Ctas3 comes its index
    QCOMPARE(ajustes(a), ajustesTrasActualizar());
    QVERIFY(e.ui.shown.empty());

    const QList<QVariantMap> fila = inst.consultar(
        "ca3", "SELECT Ca3DesglosarPasantes, Ca3CrearCuentas, Ca3UnicaCtaPasantes, Ca3Tasa, Zumeral FROM ca3");
    QCOMPARE(fila.size(), 1);
    QCOMPARE(fila[0], (QVariantMap{{"Ca3DesglosarPasantes", 0},
                                   {"Ca3CrearCuentas", 0},
                                   {"Ca3UnicaCtaPasantes", 0},
                                   {"Ca3Tasa", "475300000"},
                                   {"Zumeral", 0}}));
    QCOMPARE(inst.contar("fac3", "FacTasa = 0"), facturas);
    QCOMPARE(inst.columnas("Ctas3"), (QStringList{"Cuenta", "Nombre", "Nif", "Siglas", "Direccion", "Localidad",
                                                  "Cp", "Provincia", "FechaAlta", "Estado"}));
    QCOMPARE(inst.contar("Ctas3"), 0);

    // Second load, and a whole new start: nothing is executed, nothing changes.
    const QStringList antes = esquema(inst);
    a.cn_enlace.executed.clear();
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(a.cn_enlace.executed, QStringList());

    A3ADO& b = e.reiniciar();
    e.arrancar(false);
    b.cn_enlace.trace = true;
    QVERIFY(b.cargar_configuracion());
    QCOMPARE(b.cn_enlace.executed, QStringList());
    QCOMPARE(ajustes(b), ajustesTrasActualizar());
    QCOMPARE(esquema(inst), antes);
}

void TestA3ado::actualizacionParcial()
{
    // A database that already has the walk-in options and Ctas3 but not the
    // tourist-tax account: only steps 3-5 run; an existing empty Ca3Tasa of
    // another database is left empty.
    demo::Opciones o = demo::Opciones::pruebas();
    o.enlace_antiguo = true;
    fixture::Entorno e(o);
    demo::Instalacion& inst = e.inst();
    inst.ejecutar("ca3", "ALTER TABLE ca3 ADD Ca3DesglosarPasantes BIT");
    inst.ejecutar("ca3", "ALTER TABLE ca3 ADD Ca3CrearCuentas BIT");
    inst.ejecutar("ca3", "ALTER TABLE ca3 ADD Ca3UnicaCtaPasantes BIT");
    inst.ejecutar("ca3", "UPDATE ca3 SET Ca3DesglosarPasantes = -1, Ca3CrearCuentas = -1, Ca3UnicaCtaPasantes = 0");
    inst.ejecutar("ca3", tablas::ctas3().ddl);
    e.arrancar(false);
    A3ADO& a = e.a();
    a.cn_enlace.trace = true;
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(a.cn_enlace.executed, kSentenciasActualizacion.mid(7));
    QVERIFY(a.wcuenta_por_pasante);
    QVERIFY(a.wcrear_cuentas);
    QVERIFY(!a.wcuenta_unica_pasantes);

    fixture::Entorno vacia(demo::Opciones::pruebas());
    vacia.inst().configurar({{"Ca3Tasa", ""}});
    vacia.arrancar(false);
    vacia.a().cn_enlace.trace = true;
    QVERIFY(vacia.a().cargar_configuracion());
    QCOMPARE(vacia.a().cn_enlace.executed, QStringList());
    QCOMPARE(vacia.a().wcta_tasa, QString());
    QCOMPARE(vacia.inst().consultar("ca3", "SELECT Ca3Tasa FROM ca3").value(0).value("Ca3Tasa"), QVariant(""));
}

void TestA3ado::reglaDeIndicadores_data()
{
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<bool>("esperado");
    QTest::newRow("nulo") << QVariant() << false;
    QTest::newRow("texto 0") << QVariant("0") << false;
    QTest::newRow("texto vacio") << QVariant("") << false;
    QTest::newRow("no") << QVariant(0) << false;
    QTest::newRow("si") << QVariant(-1) << true;
    QTest::newRow("si como 1") << QVariant(1) << true;
}

void TestA3ado::reglaDeIndicadores()
{
    QFETCH(QVariant, valor);
    QFETCH(bool, esperado);
    fixture::Entorno e;
    const QStringList columnas = {"ca3nif", "ca3Cre", "ca3iva", "Ca3DesglosarPasantes", "Ca3CrearCuentas",
                                  "Ca3UnicaCtaPasantes", "Zumeral"};
    QVariantMap cambios;
    for (const QString& c : columnas)
        cambios.insert(c, valor);
    e.inst().configurar(cambios);
    e.arrancar(false);
    A3ADO& a = e.a();
    marcar(a);
    QVERIFY(a.cargar_configuracion());
    const QList<bool> leidos = {a.wdesglosar_ventas,   a.wtraspasar_creditos, a.wiva_por_tipo,
                                a.wcuenta_por_pasante, a.wcrear_cuentas,      a.wcuenta_unica_pasantes,
                                a.wexportar_pgc};
    QCOMPARE(leidos, QList<bool>(columnas.size(), esperado));
}

void TestA3ado::zumeralNuloYTextosNulos()
{
    fixture::Entorno e;
    e.inst().configurar({{"Zumeral", QVariant()}, {"ca3Cli", QVariant()}, {"Ca3ruta", QVariant()},
                         {"Ca3Tasa", QVariant()}});
    e.arrancar(false);
    A3ADO& a = e.a();
    marcar(a);
    QVERIFY(a.cargar_configuracion());
    QStringList esperado = ajustesTrasActualizar();
    esperado[1] = "wruta = ";
    esperado[3] = "wcta_clientes = ";
    esperado[15] = "wcta_tasa = ";
    QCOMPARE(ajustes(a), esperado);
    QVERIFY(e.ui.shown.empty());
}

void TestA3ado::sinFilaKove3ConservaAjustes()
{
    fixture::Entorno e;
    e.arrancar(true);
    A3ADO& a = e.a();
    QStringList cargados = ajustes(a);
    cargados[15] = "wcta_tasa = 47530000";  // a new row's value
    QCOMPARE(ajustes(a), cargados);

    // Other rows exist, none is 'KOVE3': nothing changes.
    e.inst().configurar({{"ca3Emp", "00002"}, {"Ca3Niv", 10}});
    e.inst().ejecutar("ca3", "UPDATE ca3 SET Ca3Key = 'OTRA'");
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(ajustes(a), cargados);
    marcar(a);
    const QStringList marcados = ajustes(a);
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(ajustes(a), marcados);
    QVERIFY(e.ui.shown.empty());
}

void TestA3ado::ca3NivNuloNoCargaNada()
{
    fixture::Entorno e;
    e.inst().configurar({{"Ca3Niv", QVariant()}, {"ca3Emp", "00009"}});
    e.arrancar(false);
    A3ADO& a = e.a();
    marcar(a);
    const QStringList marcados = ajustes(a);
    QVERIFY(!a.cargar_configuracion());
    QCOMPARE(ajustes(a), marcados);
    QCOMPARE(e.ui.texts(), QStringList{"La configuración del enlace está incompleta: falta el número de dígitos de "
                                       "las cuentas contables. Complete la configuración en \"Configuración "
                                       "General\"."});
    QVERIFY(!e.ui.shown.front().question);

    // Once completed, the next load takes the whole row.
    e.inst().configurar({{"Ca3Niv", 10}});
    QVERIFY(a.cargar_configuracion());
    QCOMPARE(a.wdigitos, 10);
    QCOMPARE(a.wempresa, QString("00009"));
}

void TestA3ado::conexionSqlModoAccess()
{
    // Without INFHSYS.MDB: Access files, whatever was set before.
    {
        demo::Opciones o = demo::Opciones::pruebas();
        o.infhsys = false;
        fixture::Entorno e(o);
        A3ADO& a = e.a();
        a.wsql = true;
        a.wservidor = a.wcatalogo = "previo";
        e.arrancar();
        QVERIFY(!a.wsql);
        QCOMPARE(a.wservidor, QString());
        QCOMPARE(a.wcatalogo, QString());
        QVERIFY(!QFileInfo::exists(e.inst().ruta("F:\\noctaris\\INFHSYS.MDB")));
        for (ado::Connection* cn : {&a.cn_emi, &a.cn_hiscadia, &a.cn_agen, &a.cn_na, &a.cn_caja, &a.cn_cli,
                                    &a.cn_formas, &a.cn_enlace})
            QVERIFY(cn->isOpen());
        QVERIFY(!a.cn_sql.isOpen());
        QVERIFY(!a.cn_sistema.isOpen());
    }
}

void TestA3ado::conexionSqlSegunLaTablaCon()
{
    fixture::Entorno e;
    A3ADO& a = e.a();
    a.wunidad = a.leer_unidad_hotel();
    QCOMPARE(a.wunidad, QString("F"));
    auto leer = [&](const QString& sentencia) {
        e.inst().ejecutar("con", sentencia);
        a.leer_conexion_sql();
        return QString(a.wsql ? "servidor" : "access") + "|" + a.wservidor + "|" + a.wcatalogo
            + (a.cn_sistema.isOpen() ? "|INFHSYS abierta" : "");
    };
    // ConTipo "0" wins over any server values; a Null ConTipo is not "0".
    QCOMPARE(leer("UPDATE con SET ConServer = 'SRV1', catalogo = 'HOTEL'"), QString("access||"));
    QCOMPARE(leer("UPDATE con SET ConTipo = NULL, ConServer = 'S2', catalogo = 'C2'"), QString("servidor|S2|C2"));
    // An empty con means Access files.
    a.wsql = false;
    e.inst().vaciar("con");
    a.leer_conexion_sql();
    QVERIFY(!a.wsql);
    // Any failure but a file that cannot be opened leaves what was set.
    a.wsql = true;
    a.wservidor = "S";
    QCOMPARE(leer("DROP TABLE con"), QString("servidor|S|"));
}

void TestA3ado::fallosDeArranque()
{
    {
        fixture::Entorno e;
        const QString archivo = e.inst().ruta("C:\\noctaris.MDB");
        e.inst().cerrar();
        QVERIFY(QFile::remove(archivo));
        const ado::Error error = errorDe([&] { e.a().leer_unidad_hotel(); });
        QCOMPARE(error.number(), ado::kCannotOpen);
        QCOMPARE(error.source(), QString("C:\\noctaris.MDB"));
        QVERIFY(!QFileInfo::exists(archivo));
    }
    {
        fixture::Entorno e;
        e.inst().ejecutar("noctaris", "DELETE FROM noctaris WHERE cod = '1'");
        const ado::Error error = errorDe([&] { e.a().leer_unidad_hotel(); });
        QCOMPARE(error.source(), QString("C:\\noctaris.MDB"));
        QCOMPARE(error.description(),
                 QString("La tabla noctaris no tiene la fila cod = '1' que indica la unidad de los datos"));
        QCOMPARE(e.a().leer_unidad_conta(), QString("G"));
        QVERIFY(!e.a().cn_unidades.isOpen());
    }
    {
        fixture::Entorno e;
        const QString cli = e.inst().ruta("F:\\noctaris\\cli.MDB");
        e.inst().cerrar();
        QVERIFY(QFile::remove(cli));
        A3ADO& a = e.a();
        a.wunidad = a.leer_unidad_hotel();
        a.leer_conexion_sql();
        const ado::Error error = errorDe([&] { a.abrir_conexiones(); });
        QCOMPARE(error.number(), Q_INT64_C(-2147467259));
        QCOMPARE(error.source(), QString("F:\\noctaris\\cli.MDB"));
        const QList<bool> abiertas = {a.cn_emi.isOpen(), a.cn_hiscadia.isOpen(), a.cn_agen.isOpen(),
                                      a.cn_na.isOpen(),  a.cn_caja.isOpen(),     a.cn_cli.isOpen(),
                                      a.cn_formas.isOpen(), a.cn_enlace.isOpen()};
        QCOMPARE(abiertas, (QList<bool>{true, true, true, true, true, false, false, false}));
        QVERIFY(!QFileInfo::exists(cli));
    }
}

void TestA3ado::arranqueEnModoServidor()
{
    demo::Opciones o = demo::Opciones::pruebas();
    o.servidor = true;
    fixture::Entorno e(o);
    demo::Instalacion& inst = e.inst();
    for (const tablas::Tabla& t : tablas::tablas_hotel())
        QVERIFY2(!QFileInfo::exists(inst.ruta("F:\\noctaris\\" + t.archivo)), qPrintable(t.archivo));
    inst.insertar("formas", QVariantMap{{"ForCod", "1"}, {"ForDes", "Contado"}, {"ForCta", "570000001"}});

    e.arrancar();
    A3ADO& a = e.a();
    QVERIFY(a.wsql);
    QCOMPARE(a.cn_sql.connectionString(),
             QString("Driver={SQL Native Client};Server=SERVIDOR;Database=CATALOGO; Uid=noctaris;Pwd=KOVE3;"));
    QVERIFY(a.cn_sql.isOpen());
    QCOMPARE(a.cn_sql.kind(), ado::Connection::Kind::Odbc);
    for (ado::Connection* cn : {&a.cn_emi, &a.cn_hiscadia, &a.cn_agen, &a.cn_na, &a.cn_caja, &a.cn_cli, &a.cn_formas})
        QVERIFY(!cn->isOpen());
    QCOMPARE(&a.conexion_hotel("formas"), &a.cn_sql);
    a.rs_formas.open("SELECT * FROM formas WHERE ForCod = '1'", a.conexion_hotel("formas"));
    QCOMPARE(a.rs_formas.text("ForCta"), QString("570000001"));
    a.rs_formas.close();
    QCOMPARE(ajustes(a)[2], QString("wdigitos = 9"));
}

void TestA3ado::indices()
{
    fixture::Entorno e;
    QCOMPARE(::indices(e.inst()), QStringList());
    e.arrancar(false);
    QCOMPARE(::indices(e.inst()), kIndices);
    e.a().asegurar_indices();
    QCOMPARE(::indices(e.inst()), kIndices);
}

void TestA3ado::conexionHotelYCadenaJet()
{
    fixture::Entorno e;
    e.arrancar();
    A3ADO& a = e.a();
    const QList<QPair<QString, ado::Connection*>> tablas = {
        {"EMI", &a.cn_emi}, {"Hiscadia", &a.cn_hiscadia}, {"agen", &a.cn_agen},   {"na", &a.cn_na},
        {"Caja", &a.cn_caja}, {"Cli", &a.cn_cli},         {"formas", &a.cn_formas}};
    for (const auto& [tabla, cn] : tablas)
        QCOMPARE(&a.conexion_hotel(tabla), cn);
    QVERIFY_THROWS_EXCEPTION(ado::Error, a.conexion_hotel("ser"));
    QCOMPARE(a.cn_enlace.connectionString(),
             QString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= F:\\noctaris\\enlace3.MDB"));
    QCOMPARE(a.cn_cli.connectionString(), a.cadena_jet("cli.MDB"));
}

QTEST_GUILESS_MAIN(TestA3ado)
#include "test_a3ado.moc"
