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

QString uno(demo::Instalacion& inst, const QString& tabla, const QString& sql)
{
    return inst.consultar(tabla, sql).value(0).first().toString();
}

} // namespace

class TestInstalacion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void disposicionYEnlaces()
    {
        QTemporaryDir dir;
        demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
        inst.construir();
        const QString raiz = QDir(dir.path()).absolutePath();
        for (const char* archivo : {"c:/noctaris.MDB", "c:/noctaris/wdb.mdb", "f:/noctaris/INFHSYS.MDB", "g:/zumeral/007MAE.mdb"})
            QVERIFY2(QFileInfo(raiz + "/" + archivo).isFile(), archivo);
        QCOMPARE(inst.ruta("F:\\NOCTARIS\\\\Suenlace.dat"), raiz + "/f:/noctaris/Suenlace.dat");
        QCOMPARE(renglones(inst.filas("noctaris", "cod")), (QStringList{"cod=1|unidad=F", "cod=2|unidad=G"}));
        QCOMPARE(renglones(inst.filas("con")), QStringList{"ConServer=|ConTipo=0|catalogo="});
        for (const tablas::Tabla& t : tablas::tablas_hotel()) {
            QStringList columnas;
            for (const tablas::Columna& c : t.columnas)
                columnas << c.nombre;
            QCOMPARE(inst.columnas(t.nombre), columnas);
            QCOMPARE(inst.archivo_tabla(t.nombre), raiz + "/f:/noctaris/" + t.archivo);
            QVERIFY(QFileInfo(inst.archivo_tabla(t.nombre)).isFile() && inst.contar(t.nombre) == 0);
        }
        QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion, inst.archivo_tabla("noexiste"));
        // The current link database: every upgrade in.
        QCOMPARE(uno(inst, "ca3", "SELECT sql FROM sqlite_master WHERE name = 'Ctas3'"),
                 QString("CREATE TABLE Ctas3 (Cuenta CHAR(12), Nombre CHAR(30), Nif CHAR(14), Siglas CHAR(2), Direccion "
                         "CHAR(30), Localidad CHAR(20), Cp CHAR(5), Provincia CHAR(15), FechaAlta CHAR(8), Estado CHAR(1))"));

        // Without INFHSYS.MDB, on other drives, with an older link database.
        demo::Opciones o = demo::Opciones::pruebas();
        o.infhsys = false;
        o.unidad_hotel = "D";
        o.unidad_conta = "E";
        o.enlace_antiguo = true;
        demo::Instalacion otra(dir.path() + "/otra", o);
        otra.construir();
        QVERIFY(!QFileInfo::exists(otra.ruta("D:\\noctaris\\INFHSYS.MDB")) && QFileInfo(otra.ruta("E:\\zumeral\\007MAE.mdb")).isFile());
        QCOMPARE(renglones(otra.filas("noctaris", "cod")), (QStringList{"cod=1|unidad=D", "cod=2|unidad=E"}));
        QCOMPARE(otra.columnas("ca3"), (QStringList{"Ca3Key", "ca3Emp", "Ca3Niv", "Ca3ruta", "ca3Cre", "ca3nif", "ca3iva",
                                                    "ca3Age", "ca3EmpNa", "ca3Cli", "ca3Dep", "Ca3Vta", "ca3Ivar"}));
        QVERIFY(!otra.columnas("fac3").contains("FacTasa"));
        QCOMPARE(uno(otra, "ca3", "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name)"),
                 QString("ca3,caj3,cre3,fac3,fal3"));
    }

    void mesDeDemostracionMismaSemillaYServidor()
    {
        QTemporaryDir dir;
        demo::Instalacion inst(dir.path() + "/a");
        QVERIFY(inst.opciones().antiguo());   // the demo is an older link database with history in it
        inst.construir();
        QVERIFY(!inst.columnas("ca3").contains("Zumeral") && inst.contar("fac3") > 0 && inst.contar("emi") >= 300);
        QCOMPARE(inst.contar("fac3", "FacEst = '1'"), inst.contar("fac3"));

        // Every invoice: its "+" lines less its "-" lines and the tourist tax make its total.
        QHash<QString, qint64> lineas;
        for (const QVariantMap& l : inst.filas("Hiscadia")) {
            const qint64 importe = qRound64(l.value("HCadiaCan").toDouble() * l.value("HCadiaPre").toDouble() * 100);
            lineas[l.value("HCadiaFraAno").toString() + "/" + l.value("HCadiaFra").toString()] +=
                l.value("HCadiaCA").toString() == "+" ? importe : -importe;
        }
        for (const QVariantMap& f : inst.filas("emi"))
            QCOMPARE(lineas.value(f.value("EmiAno").toString() + "/" + f.value("EmiNum").toString())
                         + qRound64(f.value("TasaImporte").toDouble() * 100), qRound64(f.value("EmiTot").toDouble() * 100));

        // The cases the link must handle are there: at least one (or exactly one) of each.
        const struct { const char* tabla; const char* condicion; bool exacta; } casos[] = {
            {"emi", "eMIC = '2'", false}, {"emi", "EmiN IS NULL", false}, {"emi", "TasaImporte IS NULL", false}, {"emi", "EmiDep > 0", false},
            {"emi", "length(EmiNif) > 9", false}, {"Hiscadia", "HCadiaCA = '-'", false}, {"Cli", "CliCta = ' '", false},
            {"cre3", "Cre3Estado = '0'", false}, {"cre3", "Cre3Estado = '1'", false}, {"Cli", "CliApe = 'O''Connor'", true},
            {"caja", "CajaFra = '' AND substr(CajaCon, 13, 6) GLOB '[0-9][0-9][0-9][0-9][0-9][0-9]'", false}, {"caja", "CajaFra IS NULL", true},
            {"Cta", "CtaNiv = 9 AND CtaCod GLOB '*[^0-9]*'", false}, {"formas", "ForCta IS NULL", true}};
        for (const auto& c : casos)
            QVERIFY2(c.exacta ? inst.contar(c.tabla, c.condicion) == 1 : inst.contar(c.tabla, c.condicion) > 0, c.condicion);
        // Collections are numbered 1, 2, ... within each day, all in the month asked for.
        QCOMPARE(uno(inst, "caja", "SELECT COUNT(*) FROM (SELECT CajaFec FROM caja GROUP BY CajaFec HAVING MIN(CajaOrd) <> 1 "
                                   "OR MAX(CajaOrd) <> COUNT(*) OR COUNT(DISTINCT CajaOrd) <> COUNT(*))"), QString("0"));
        QVERIFY(inst.consultar("caja", "SELECT DISTINCT CajaFec FROM caja").size() >= 28);
        QCOMPARE(inst.contar("emi", "EmiFec NOT BETWEEN '20130101' AND '20130131'"), 0);

        // The same seed gives the same rows; another seed and month, others.
        demo::Opciones junio = demo::Opciones::demostracion();
        junio.semilla = 7, junio.mes = 6;
        demo::Instalacion b(dir.path() + "/b"), c(dir.path() + "/c", junio);
        b.construir(), c.construir();
        for (const char* t : {"emi", "Hiscadia", "caja", "Cli", "agen", "na", "formas", "ser", "Ca", "Cadia", "fac3", "caj3", "cre3", "Cta", "TER"})
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
        for (const tablas::Tabla& t : tablas::tablas_hotel())
            QVERIFY(!QFileInfo::exists(srv.ruta("F:\\noctaris\\" + t.archivo)) && srv.archivo_tabla(t.nombre) == srv.archivo_servidor());
        QCOMPARE(renglones(srv.filas("con")), QStringList{"ConServer=SERVIDOR|ConTipo=1|catalogo=CATALOGO"});
        for (const char* t : {"emi", "Hiscadia", "caja", "Cli", "agen", "na", "formas", "ser", "Ca", "Cadia"})
            QCOMPARE(renglones(srv.filas(t)), renglones(inst.filas(t)));
    }

    // Every size the generator is asked for is what it writes: holders,
    // invoices a day, the lines of an invoice and collections a day.
    void tamanoDelGenerador()
    {
        QTemporaryDir dir;
        demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
        inst.construir();
        // 40 days: past the end of the month.
        const demo::Totales tot = demo::generar(inst, {.dias = 40, .clientes = 70, .agencias = 11, .empresas = 9, .facturas_dia_min = 6,
                                                       .facturas_dia_max = 6, .lineas_factura = 3, .cobros_dia = 9});
        QCOMPARE(QList<qint64>({tot.facturas, tot.lineas, tot.cobros, tot.titulares}),
                 QList<qint64>({inst.contar("emi"), inst.contar("Hiscadia"), inst.contar("caja"), 90}));
        QCOMPARE(QList<int>({inst.contar("Cli"), inst.contar("agen"), inst.contar("na"), inst.contar("emi")}),
                 QList<int>({70, 11, 9, 240}));
        QCOMPARE(inst.contar("emi", "EmiFec NOT BETWEEN '20130101' AND '20130209'"), 0);
        QCOMPARE(uno(inst, "Hiscadia", "SELECT COUNT(*) FROM (SELECT HCadiaFra FROM Hiscadia GROUP BY HCadiaFra HAVING COUNT(*) <> 3)"),
                 QString("0"));
        QCOMPARE(uno(inst, "caja", "SELECT COUNT(*) || '|' || SUM(n < 9 OR ultimo <> n) FROM (SELECT COUNT(*) AS n, "
                                   "MAX(CajaOrd) AS ultimo FROM caja GROUP BY CajaFec)"), QString("40|0"));
    }

    void apiDeFilas()
    {
        QTemporaryDir dir;
        demo::Instalacion inst(dir.path(), demo::Opciones::pruebas());
        inst.construir();
        QVariantMap fila = demo::Instalacion::plantilla("emi");
        QVERIFY(fila.size() == tablas::tabla_hotel("emi")->columnas.size() && fila.value("EmiTot") == QVariant(0.0));
        fila.insert(QVariantMap{{"EmiNum", "O'Brien"}, {"EmiN", QVariant()}});
        inst.insertar("EMI", fila);
        QCOMPARE(renglones(inst.consultar("emi", "SELECT EmiNum, EmiN, EmiCie FROM emi")),
                 QStringList{"EmiCie=|EmiN=<nulo>|EmiNum=O'Brien"});
        inst.configurar({{"Ca3Niv", QVariant()}, {"ca3Emp", "00007"}, {"ca3nif", true}, {"ca3iva", false}});
        QCOMPARE(renglones(inst.consultar("ca3", "SELECT Ca3Niv, ca3Emp, ca3nif, ca3iva FROM ca3")),
                 QStringList{"Ca3Niv=<nulo>|ca3Emp=00007|ca3iva=0|ca3nif=-1"});   // yes/no holds -1
        inst.ejecutar_en("C:\\noctaris\\wdb.mdb", "CREATE TABLE formas(ForCod varchar(1))");
        QCOMPARE(renglones(inst.consultar_en("c:\\NOCTARIS\\WDB.MDB", "SELECT name FROM sqlite_master ORDER BY name")),
                 (QStringList{"name=formas", "name=vacio"}));
        // A statement that fails says so and leaves the rows alone.
        QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion,
                                 inst.insertar("emi", QList<QVariantMap>{{{"EmiNum", "2"}}, {{"NoExiste", "x"}}}));
        QCOMPARE(inst.contar("emi"), 1);
        // Orders compare as numbers, invoice numbers as text; amounts keep their decimals.
        inst.insertar("caja", {{{"CajaFec", "20130101"}, {"CajaOrd", 10}}, {{"CajaFec", "20130101"}, {"CajaOrd", 9}}});
        QCOMPARE(uno(inst, "caja", "SELECT group_concat(CajaOrd) FROM (SELECT CajaOrd FROM caja WHERE CajaOrd > 8 ORDER BY CajaOrd)"),
                 QString("9,10"));
        inst.insertar("fac3", {{{"FacEje", "2013"}, {"FacFra", 10}}, {{"FacEje", "2013"}, {"FacFra", 9}}});
        QCOMPARE(uno(inst, "fac3", "SELECT group_concat(FacFra) FROM (SELECT FacFra FROM fac3 ORDER BY FacFra)"), QString("10,9"));
        inst.insertar("emi", QVariantMap{{"EmiNum", "1"}, {"EmiTot", 110.55}});
        QCOMPARE(uno(inst, "emi", "SELECT EmiTot * 100 FROM emi WHERE EmiNum = '1'").toDouble(), 11055.0);
        // A second installation in the same folder is refused and spoils nothing.
        demo::Instalacion otra(dir.path(), demo::Opciones::pruebas());
        QVERIFY_THROWS_EXCEPTION(demo::ErrorInstalacion, otra.construir());
        QCOMPARE(inst.contar("emi"), 2);
    }
};

QTEST_GUILESS_MAIN(TestInstalacion)
#include "test_instalacion.moc"
