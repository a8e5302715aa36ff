// The installation builder that the demo command and every test rely on:
// layout, the older and current link databases, server mode, the demo
// month's consistency and the API that tests use to make their rows.

#include "data/tablas_hotel.h"
#include "demo/instalacion.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList columnasDe(const tablas::Tabla& t)
{
    QStringList l;
    for (const tablas::Columna& c : t.columnas)
        l << c.nombre;
    return l;
}

QStringList renglones(const QList<QVariantMap>& filas)
{
    QStringList l;
    for (const QVariantMap& f : filas) {
        QStringList campos;
        for (auto it = f.constBegin(); it != f.constEnd(); ++it)
            campos << it.key() + "=" + (it.value().isValid() ? it.value().toString() : QStringLiteral("<nulo>"));
        l << campos.join("|");
    }
    return l;
}

QString sqlDe(demo::Instalacion& inst, const QString& tabla)
{
    return inst.consultar(tabla, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND "
                                                "lower(name) = lower('%1')")
                                     .arg(tabla))
        .value(0)
        .value("sql")
        .toString();
}

} // namespace

class TestInstalacion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void disposicion();
    void enlaceAntiguoYActual();
    void mesDeDemostracionMismaSemillaYServidor();
    void tamanoDelGenerador();
    void apiDeFilas();
};

void TestInstalacion::disposicion()
{
    QTemporaryDir dir;
    demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
    inst.construir();
    const QString raiz = QDir(dir.path()).absolutePath();
    for (const char* archivo : {"c:/noctaris.MDB", "c:/noctaris/wdb.mdb", "f:/noctaris/INFHSYS.MDB",
                                "f:/noctaris/enlace3.MDB", "g:/zumeral/007MAE.mdb"})
        QVERIFY2(QFileInfo(raiz + "/" + archivo).isFile(), archivo);
    QVERIFY(QFileInfo(inst.ruta("F:\\NOCTARIS\\")).isDir());
    QCOMPARE(inst.ruta("F:\\NOCTARIS\\\\Suenlace.dat"), raiz + "/f:/noctaris/Suenlace.dat");

    QCOMPARE(renglones(inst.filas("noctaris", "cod")), (QStringList{"cod=1|unidad=F", "cod=2|unidad=G"}));
    QCOMPARE(renglones(inst.filas("con")), QStringList{"ConServer=|ConTipo=0|catalogo="});
    QCOMPARE(inst.columnas("vacio"), QStringList{"Vacio"});
    QCOMPARE(inst.columnas("Cta"), (QStringList{"CtaCod", "CtaNom", "CtaNif", "CtaNiv"}));
    QCOMPARE(inst.columnas("TER"), (QStringList{"TerNif", "Ternom", "TerDi", "Terpob", "TerCp", "TerPro"}));
    for (const tablas::Tabla& t : tablas::tablas_hotel()) {
        QCOMPARE(inst.columnas(t.nombre), columnasDe(t));
        QCOMPARE(inst.contar(t.nombre), 0);
        QCOMPARE(inst.archivo_tabla(t.nombre), raiz + "/f:/noctaris/" + t.archivo);
        QVERIFY(QFileInfo(inst.archivo_tabla(t.nombre)).isFile());
    }
    QCOMPARE(inst.archivo_tabla("cadia"), raiz + "/f:/noctaris/cadia.MDB");
    QCOMPARE(inst.archivo_windows("FAC3"), QString("F:\\noctaris\\enlace3.MDB"));
    QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion, inst.archivo_tabla("noexiste"));

    // Without INFHSYS.MDB and on other drives.
    QTemporaryDir otro;
    demo::Opciones o = demo::Opciones::pruebas();
    o.infhsys = false;
    o.unidad_hotel = "D";
    o.unidad_conta = "E";
    demo::Instalacion inst2(otro.path(), o);
    inst2.construir();
    QVERIFY(!QFileInfo::exists(otro.path() + "/d:/noctaris/INFHSYS.MDB"));
    QVERIFY(QFileInfo(otro.path() + "/d:/noctaris/enlace3.MDB").isFile());
    QVERIFY(QFileInfo(otro.path() + "/e:/zumeral/007MAE.mdb").isFile());
    QCOMPARE(renglones(inst2.filas("noctaris", "cod")), (QStringList{"cod=1|unidad=D", "cod=2|unidad=E"}));
}

void TestInstalacion::enlaceAntiguoYActual()
{
    QTemporaryDir dir;
    demo::Instalacion actual(dir.path() + "/actual", demo::Opciones::pruebas());
    actual.construir();
    QCOMPARE(sqlDe(actual, "edep3"), QString("CREATE TABLE edep3(EdepFec varchar(8), EdepCli varchar(9), EdepImp "
                                             "double, EdepFra varchar(6), EdepEstado varchar(1))"));
    QCOMPARE(sqlDe(actual, "ctas3"),
             QString("CREATE TABLE Ctas3 (Cuenta CHAR(12), Nombre CHAR(30), Nif CHAR(14), Siglas CHAR(2), Direccion "
                     "CHAR(30), Localidad CHAR(20), Cp CHAR(5), Provincia CHAR(15), FechaAlta CHAR(8), Estado CHAR(1))"));
    QVERIFY(actual.columnas("fac3").contains("FacTasa"));
    QCOMPARE(renglones(actual.filas("ca3")),
             QStringList{"Ca3CrearCuentas=0|Ca3DesglosarPasantes=0|Ca3Key=KOVE3|Ca3Niv=9|Ca3Tasa=47530000|"
                         "Ca3UnicaCtaPasantes=0|Ca3Vta=705999999|Ca3ruta=F:\\NOCTARIS\\|Zumeral=0|ca3Age=4301|"
                         "ca3Cli=43000|ca3Cre=-1|ca3Dep=561000000|ca3Emp=00001|ca3EmpNa=4302|ca3Ivar=47700000|"
                         "ca3iva=-1|ca3nif=0"});
    for (const char* t : {"fac3", "fal3", "caj3", "cre3", "ctas3", "edep3"})
        QCOMPARE(actual.contar(t), 0);

    demo::Opciones o = demo::Opciones::pruebas();
    o.enlace_antiguo = true;
    demo::Instalacion antigua(dir.path() + "/antigua", o);
    antigua.construir();
    QCOMPARE(antigua.columnas("ca3"), (QStringList{"Ca3Key", "ca3Emp", "Ca3Niv", "Ca3ruta", "ca3Cre", "ca3nif",
                                                   "ca3iva", "ca3Age", "ca3EmpNa", "ca3Cli", "ca3Dep", "Ca3Vta",
                                                   "ca3Ivar"}));
    QVERIFY(!antigua.columnas("fac3").contains("FacTasa"));
    const QList<QVariantMap> tablas =
        antigua.consultar("ca3", "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    QCOMPARE(renglones(tablas), (QStringList{"name=ca3", "name=caj3", "name=cre3", "name=fac3", "name=fal3"}));

    // The demo itself is an older link database with history in it.
    demo::Instalacion demo(dir.path() + "/demo");
    QVERIFY(demo.opciones().antiguo());
    demo.construir();
    QVERIFY(!demo.columnas("ca3").contains("Zumeral"));
    QCOMPARE(demo.contar("fac3", "FacEst = '1'"), demo.contar("fac3"));
    QVERIFY(demo.contar("fac3") > 0);
    QVERIFY(demo.contar("cre3", "Cre3Estado = '0'") > 0);
    QVERIFY(demo.contar("cre3", "Cre3Estado = '1'") > 0);
}

void TestInstalacion::mesDeDemostracionMismaSemillaYServidor()
{
    QTemporaryDir dir;
    demo::Instalacion inst(dir.path() + "/a");
    inst.construir();

    // Every invoice: its "+" lines less its "-" lines and the tourist tax make its total.
    QVERIFY(inst.contar("emi") >= 300);
    QHash<QString, qint64> lineas;
    for (const QVariantMap& l : inst.filas("Hiscadia")) {
        const qint64 importe = qRound64(l.value("HCadiaCan").toDouble() * l.value("HCadiaPre").toDouble() * 100);
        lineas[l.value("HCadiaFraAno").toString() + "/" + l.value("HCadiaFra").toString()] +=
            l.value("HCadiaCA").toString() == "+" ? importe : -importe;
    }
    for (const QVariantMap& f : inst.filas("emi")) {
        const qint64 total = qRound64(f.value("EmiTot").toDouble() * 100);
        const qint64 tasa = qRound64(f.value("TasaImporte").toDouble() * 100);
        QCOMPARE(lineas.value(f.value("EmiAno").toString() + "/" + f.value("EmiNum").toString()) + tasa, total);
    }

    // The cases the link must handle are all there.
    const QList<QPair<const char*, const char*>> alguna = {
        {"emi", "eMIC = '0'"}, {"emi", "eMIC = '1'"}, {"emi", "eMIC = '2'"}, {"emi", "EmiN IS NULL"},
        {"emi", "EmiN = 'B'"}, {"emi", "EmiN = ''"}, {"emi", "EmiCie = '0'"}, {"emi", "TasaImporte IS NULL"},
        {"emi", "TasaImporte > 0"}, {"emi", "EmiDep IS NULL"}, {"emi", "EmiDep > 0"}, {"emi", "EmiB1 > 0"},
        {"emi", "length(EmiNif) > 9"}, {"Hiscadia", "HCadiaCA = '-'"}, {"Hiscadia", "HCadiaCta = ''"},
        {"Cli", "CliCta IS NULL"}, {"Cli", "CliCta = ''"}, {"Cli", "CliCta = ' '"}, {"Cli", "length(CliCta) = 9"},
        {"Cli", "length(CliApe || ' ' || CliNom) > 30"}, {"na", "length(NaNom) > 30"}, {"agen", "AgenFNom = ''"},
        {"agen", "AgenFNom <> ''"}, {"agen", "length(Agencp) > 5"},
        {"caja", "CajaFra = '' AND substr(CajaCon, 13, 6) GLOB '[0-9][0-9][0-9][0-9][0-9][0-9]'"},
        {"caja", "CajaPago = '0'"}, {"Ca", "1"}, {"Cadia", "1"}, {"Cta", "CtaNiv = 9 AND CtaNif IS NULL"},
        {"Cta", "CtaNiv = 9 AND CtaCod GLOB '*[^0-9]*'"}, {"TER", "1"}};
    for (const auto& [tabla, condicion] : alguna)
        QVERIFY2(inst.contar(tabla, condicion) > 0, condicion);
    const QList<QPair<const char*, const char*>> una = {
        {"Cli", "CliApe = 'O''Connor'"}, {"Cli", "CliNom = 'José María' AND CliApe = 'Núñez Ibáñez'"},
        {"formas", "ForCta IS NULL"}, {"ser", "SerCta = ''"}, {"caja", "CajaFra IS NULL"}};
    for (const auto& [tabla, condicion] : una)
        QVERIFY2(inst.contar(tabla, condicion) == 1, condicion);

    // Collections are numbered 1, 2, ... within each day.
    const QList<QVariantMap> dias =
        inst.consultar("caja", "SELECT CajaFec, COUNT(*) AS n, MIN(CajaOrd) AS primero, MAX(CajaOrd) AS ultimo, "
                               "COUNT(DISTINCT CajaOrd) AS distintos FROM caja GROUP BY CajaFec");
    QVERIFY(dias.size() >= 28);
    for (const QVariantMap& d : dias) {
        QCOMPARE(d.value("primero").toInt(), 1);
        QCOMPARE(d.value("ultimo").toInt(), d.value("n").toInt());
        QCOMPARE(d.value("distintos").toInt(), d.value("n").toInt());
    }
    // All in the month asked for.
    QCOMPARE(inst.contar("emi", "EmiFec NOT BETWEEN '20130101' AND '20130131'"), 0);
    QCOMPARE(inst.contar("caja", "CajaFec NOT BETWEEN '20130101' AND '20130131'"), 0);

    // The same seed gives the same rows; another seed and month, others.
    demo::Instalacion b(dir.path() + "/b");
    demo::Opciones otra = demo::Opciones::demostracion();
    otra.semilla = 7;
    otra.mes = 6;
    demo::Instalacion c(dir.path() + "/c", otra);
    b.construir();
    c.construir();
    for (const char* t : {"emi", "Hiscadia", "caja", "Cli", "agen", "na", "formas", "ser", "Ca", "Cadia", "fac3",
                          "caj3", "cre3", "Cta", "TER"})
        QCOMPARE(renglones(inst.filas(t)), renglones(b.filas(t)));
    QVERIFY(renglones(inst.filas("emi")) != renglones(c.filas("emi")));
    QCOMPARE(c.contar("emi", "EmiFec NOT BETWEEN '20130601' AND '20130630'"), 0);
    QCOMPARE(c.contar("fac3", "FacFec NOT BETWEEN '20130501' AND '20130531'"), 0);

    // Server mode: the hotel tables in the server database, the same month.
    demo::Opciones o = demo::Opciones::demostracion();
    o.servidor = true;
    o.dir_servidor = dir.path() + "/sql";
    demo::Instalacion srv(dir.path() + "/raiz", o);
    srv.construir();
    QCOMPARE(srv.archivo_servidor(), dir.path() + "/sql/CATALOGO");
    QVERIFY(QFileInfo(srv.archivo_servidor()).isFile());
    for (const tablas::Tabla& t : tablas::tablas_hotel()) {
        QVERIFY(!QFileInfo::exists(srv.ruta("F:\\noctaris\\" + t.archivo)));
        QCOMPARE(srv.archivo_tabla(t.nombre), srv.archivo_servidor());
        QCOMPARE(srv.archivo_windows(t.nombre), QString());
    }
    QCOMPARE(renglones(srv.filas("con")), QStringList{"ConServer=SERVIDOR|ConTipo=1|catalogo=CATALOGO"});
    QVERIFY(QFileInfo(srv.ruta("F:\\noctaris\\enlace3.MDB")).isFile());
    for (const char* t : {"emi", "Hiscadia", "caja", "Cli", "agen", "na", "formas", "ser", "Ca", "Cadia"})
        QCOMPARE(renglones(srv.filas(t)), renglones(inst.filas(t)));
}

void TestInstalacion::tamanoDelGenerador()
{
    // Every size the generator is asked for is what it writes: holders,
    // invoices a day, the lines of an invoice and collections a day.
    QTemporaryDir dir;
    demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
    inst.construir();
    demo::Tamano t;
    t.dias = 40;   // past the end of the month
    t.clientes = 70;
    t.agencias = 11;
    t.empresas = 9;
    t.facturas_dia_min = t.facturas_dia_max = 6;
    t.lineas_factura = 3;
    t.cobros_dia = 9;
    const demo::Totales tot = demo::generar(inst, t);
    QCOMPARE(QList<qint64>({tot.facturas, tot.lineas, tot.cobros, tot.titulares}),
             QList<qint64>({inst.contar("emi"), inst.contar("Hiscadia"), inst.contar("caja"), 90}));
    QCOMPARE(QList<int>({inst.contar("Cli"), inst.contar("agen"), inst.contar("na"), inst.contar("emi")}),
             QList<int>({70, 11, 9, 240}));
    QCOMPARE(inst.contar("agen", "AgenCod = '211' AND AgenCta = ''"), 1);
    QCOMPARE(inst.contar("na", "NaCod = '309' AND NaNom <> ''"), 1);
    QCOMPARE(inst.contar("emi", "EmiFec NOT BETWEEN '20130101' AND '20130209'"), 0);
    QCOMPARE(inst.consultar("Hiscadia", "SELECT COUNT(*) AS n FROM (SELECT HCadiaFra FROM Hiscadia GROUP BY "
                                        "HCadiaFra HAVING COUNT(*) <> 3)").value(0).value("n").toInt(), 0);
    const QList<QVariantMap> dias = inst.consultar("caja", "SELECT COUNT(*) AS n, MAX(CajaOrd) AS ultimo FROM caja "
                                                           "GROUP BY CajaFec");
    QCOMPARE(dias.size(), 40);
    for (const QVariantMap& d : dias) {
        QVERIFY(d.value("n").toInt() >= 9);
        QCOMPARE(d.value("ultimo").toInt(), d.value("n").toInt());
    }
}

void TestInstalacion::apiDeFilas()
{
    QTemporaryDir dir;
    demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
    inst.construir();
    QVariantMap fila = demo::Instalacion::plantilla("emi");
    QCOMPARE(fila.keys().size(), tablas::tabla_hotel("emi")->columnas.size());
    QCOMPARE(fila.value("EmiNum"), QVariant(QString("")));
    QCOMPARE(fila.value("EmiTot"), QVariant(0.0));
    fila["EmiNum"] = "O'Brien";
    fila["EmiN"] = QVariant();
    inst.insertar("EMI", fila);
    QCOMPARE(renglones(inst.consultar("emi", "SELECT EmiNum, EmiN, EmiCie FROM emi")),
             QStringList{"EmiCie=|EmiN=<nulo>|EmiNum=O'Brien"});

    inst.insertar("ctas3", QVariantMap{{"Cuenta", "430000001"}, {"Estado", "0"}});
    QCOMPARE(inst.contar("Ctas3", "Estado = '0'"), 1);
    inst.vaciar("ctas3");
    QCOMPARE(inst.contar("ctas3"), 0);
    inst.ejecutar("cli", "INSERT INTO Cli (CliCod, CliCta) VALUES ('1', NULL)");
    QCOMPARE(renglones(inst.filas("cli")), QStringList{"CliApe=<nulo>|CliCod=1|CliCp=<nulo>|CliCta=<nulo>|"
                                                        "CliDir=<nulo>|CliDni=<nulo>|CliNom=<nulo>|CliPob=<nulo>|"
                                                        "CliProv=<nulo>"});
    inst.configurar({{"Ca3Niv", QVariant()}, {"ca3Emp", "00007"}});
    QCOMPARE(renglones(inst.consultar("ca3", "SELECT Ca3Niv, ca3Emp FROM ca3")),
             QStringList{"Ca3Niv=<nulo>|ca3Emp=00007"});
    inst.ejecutar_en("C:\\noctaris\\wdb.mdb", "CREATE TABLE formas(ForCod varchar(1))");
    QCOMPARE(renglones(inst.consultar_en("c:\\NOCTARIS\\WDB.MDB", "SELECT name FROM sqlite_master ORDER BY name")),
             (QStringList{"name=formas", "name=vacio"}));
    // A statement that fails says so and leaves the rows alone.
    QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion,
                             inst.insertar("emi", QList<QVariantMap>{{{"EmiNum", "2"}}, {{"NoExiste", "x"}}}));
    QCOMPARE(inst.contar("emi"), 1);

    // Orders compare as numbers, invoice numbers as text.
    inst.insertar("caja", {{{"CajaFec", "20130101"}, {"CajaOrd", 10}}, {{"CajaFec", "20130101"}, {"CajaOrd", 9}}});
    QCOMPARE(renglones(inst.consultar("caja", "SELECT CajaOrd FROM caja WHERE CajaOrd > 8 ORDER BY CajaOrd")),
             (QStringList{"CajaOrd=9", "CajaOrd=10"}));
    inst.insertar("caj3", QVariantMap{{"CajFec", "20130101"}, {"CajOrd", 10}});
    QCOMPARE(inst.contar("caj3", "CajOrd = 10"), 1);
    inst.insertar("fac3", {{{"FacEje", "2013"}, {"FacFra", 10}}, {{"FacEje", "2013"}, {"FacFra", 9}}});
    QCOMPARE(renglones(inst.consultar("fac3", "SELECT FacFra FROM fac3 ORDER BY FacFra")),
             (QStringList{"FacFra=10", "FacFra=9"}));
    QCOMPARE(inst.contar("fac3", "FacFra = '9'"), 1);
    // Amounts keep their decimals; yes/no holds -1.
    inst.insertar("emi", QVariantMap{{"EmiNum", "1"}, {"EmiTot", 110.55}, {"EmiI2", 10}});
    QCOMPARE(inst.consultar("emi", "SELECT EmiTot * 100 AS c FROM emi WHERE EmiNum = '1'").value(0).value("c").toDouble(), 11055.0);
    inst.configurar({{"ca3nif", true}, {"ca3iva", false}});
    QCOMPARE(renglones(inst.consultar("ca3", "SELECT ca3nif, ca3iva FROM ca3")),
             QStringList{"ca3iva=0|ca3nif=-1"});

    // A second installation in the same folder is refused and spoils nothing.
    demo::Instalacion otra(dir.path(), demo::Opciones::pruebas());
    QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion, otra.construir());
    QCOMPARE(inst.contar("emi"), 2);
}

QTEST_GUILESS_MAIN(TestInstalacion)
#include "test_instalacion.moc"
