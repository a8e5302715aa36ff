// Start-up, settings load and schema upgrade of the link, on installations
// written by the demo builder and opened through the real data layer.

#include "support/fixtures.h"

#include "app/linea_comandos.h"
#include "data/tablas_hotel.h"

#include <QFileInfo>
#include <QtTest>

namespace {

const QStringList kSentenciasActualizacion = {
    "ALTER TABLE ca3 ADD  Ca3DesglosarPasantes BIT", "ALTER TABLE ca3 ADD  Ca3CrearCuentas BIT",
    "UPDATE ca3 SET Ca3DesglosarPasantes = 0", "UPDATE ca3 SET Ca3CrearCuentas = 0",
    "ALTER TABLE ca3 ADD  Ca3UnicaCtaPasantes BIT", "UPDATE ca3 SET Ca3UnicaCtaPasantes = 0",
    "CREATE TABLE Ctas3 (Cuenta CHAR(12), Nombre CHAR(30), Nif CHAR(14), Siglas CHAR(2), Direccion CHAR(30), "
    "Localidad CHAR(20), Cp CHAR(5), Provincia CHAR(15), FechaAlta CHAR(8), Estado CHAR(1))",
    "ALTER TABLE ca3 ADD Ca3Tasa TEXT(12)", "UPDATE ca3 SET Ca3Tasa = '475300000'", "ALTER TABLE fac3 ADD FacTasa DOUBLE",
    "UPDATE fac3 SET FacTasa =0", "ALTER TABLE ca3 ADD Zumeral BIT", "UPDATE ca3 SET Zumeral = 0"};

const QStringList kIndices = {"caj3(CajFec, CajOrd)", "cre3(Cre3FecValor)", "ctas3(Cuenta)",
                              "fac3(FacEje, FacFra)", "fac3(FacFec)",        "fal3(FalEmp, FalEje, FalFra)"};

// Every setting, one "name = value" a line, so a whole state compares at once.
QStringList ajustes(const A3ADO& a)
{
    QStringList l;
    for (const auto& [nombre, valor] : linea_comandos::ajustes(a)) l << nombre + " = " + valor;
    return l;
}

// Settings no load could produce, to see whether a load changed anything.
void marcar(A3ADO& a)
{
    a.wempresa = a.wruta = a.wcta_clientes = a.wcta_agencias = a.wcta_empresas = a.wcta_depositos = a.wcta_iva = a.wcta_cuadre = "X";
    a.wcta_tasa = "X", a.wdigitos = 77;
    a.wdesglosar_ventas = a.wtraspasar_creditos = a.wiva_por_tipo = a.wcuenta_por_pasante = a.wcrear_cuentas =
        a.wcuenta_unica_pasantes = a.wexportar_pgc = true;
}

// "table(col, col)" of every index of the link database, sorted.
QStringList indices(demo::Instalacion& inst)
{
    QStringList lista;
    for (const QVariantMap& i : inst.consultar("ca3", "SELECT lower(tbl_name) || '(' || (SELECT group_concat(name, ', ') FROM "
                                                      "pragma_index_info(m.name)) || ')' AS i FROM sqlite_master m WHERE "
                                                      "type = 'index' AND sql IS NOT NULL ORDER BY 1"))
        lista << i.value("i").toString();
    return lista;
}


} // namespace

class TestA3ado : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void actualizacionDesdeEnlaceAntiguo()
    {
        fixture::Entorno e(demo::Opciones::demostracion());
        demo::Instalacion& inst = e.inst();
        const int facturas = inst.contar("fac3");
        e.arrancar(false);
        QCOMPARE(::indices(inst).join("; "), kIndices.join("; ").remove("ctas3(Cuenta); "));   // Ctas3 is not there yet
        A3ADO& a = e.a();
        a.cn_enlace.trace = true;
        QVERIFY(a.cargar_configuracion());
        QCOMPARE(a.cn_enlace.executed, kSentenciasActualizacion);
        QCOMPARE(ajustes(a), fixture::ajustesTrasActualizar());
        QVERIFY(e.ui.shown.empty() && inst.contar("fac3", "FacTasa = 0") == facturas && inst.contar("Ctas3") == 0);

        // A new start and the indexes again: nothing runs; with Ctas3 came its index.
        A3ADO& b = e.reiniciar();
        e.arrancar(false);
        b.cn_enlace.trace = true;
        QVERIFY(b.cargar_configuracion() && (b.asegurar_indices(), b.cn_enlace.executed.isEmpty()) && ::indices(inst) == kIndices);
        QCOMPARE(ajustes(b), fixture::ajustesTrasActualizar());
    }

    // The start-up's edep3 check: a missing table is created with the
    // system's statement; one that exists, staged rows and all, is left as it is.
    void comprobacionDeEdep3()
    {
        const struct { const char* caso; int filas; QStringList ejecutadas; } casos[] = {
            {"falta", -1, {tablas::edep3().ddl}}, {"vacia", 0, {}}, {"con depositos", 3, {}}};
        for (const auto& c : casos) {
            fixture::Entorno e;
            if (c.filas < 0) e.inst().ejecutar("edep3", "DROP TABLE edep3");
            for (int i = 0; i < c.filas; ++i) e.inst().insertar("edep3", demo::Instalacion::plantilla("edep3"));
            e.arrancar(false);
            e.a().cn_enlace.trace = true;
            QVERIFY2(arranque::comprobar_edep(e.a()) && e.ui.shown.empty() && !e.a().rs_edep3.isOpen(), c.caso);
            QCOMPARE(e.a().cn_enlace.executed, c.ejecutadas);
            QCOMPARE(e.inst().contar("edep3"), std::max(c.filas, 0));
        }
    }

    void actualizacionParcial()
    {
        // The walk-in options and Ctas3 already there: only steps 3-5 run.
        demo::Opciones o = demo::Opciones::pruebas();
        o.enlace_antiguo = true;
        fixture::Entorno e(o);
        for (const char* c : {"Ca3DesglosarPasantes", "Ca3CrearCuentas", "Ca3UnicaCtaPasantes"})
            e.inst().ejecutar("ca3", QStringLiteral("ALTER TABLE ca3 ADD %1 BIT").arg(c));
        e.inst().ejecutar("ca3", "UPDATE ca3 SET Ca3DesglosarPasantes = -1, Ca3CrearCuentas = -1, Ca3UnicaCtaPasantes = 0");
        e.inst().ejecutar("ca3", tablas::ctas3().ddl);
        e.arrancar(false);
        e.a().cn_enlace.trace = true;
        QVERIFY(e.a().cargar_configuracion() && e.a().wcuenta_por_pasante && e.a().wcrear_cuentas && !e.a().wcuenta_unica_pasantes);
        QCOMPARE(e.a().cn_enlace.executed, kSentenciasActualizacion.mid(7));

        // An existing empty Ca3Tasa is left empty.
        fixture::Entorno vacia(demo::Opciones::pruebas(), {{"Ca3Tasa", ""}});
        vacia.arrancar(false);
        vacia.a().cn_enlace.trace = true;
        QVERIFY(vacia.a().cargar_configuracion() && vacia.a().cn_enlace.executed.isEmpty() && vacia.a().wcta_tasa.isEmpty());
    }

    void cargaDeLaFilaDeAjustes()
    {
        const auto todos = [](const QVariant& v) {
            QVariantMap m;
            for (const char* c : {"ca3nif", "ca3Cre", "ca3iva", "Ca3DesglosarPasantes", "Ca3CrearCuentas", "Ca3UnicaCtaPasantes", "Zumeral"})
                m.insert(c, v);
            return m;
        };
        QStringList tras = fixture::ajustesTrasActualizar();
        tras[15] = "wcta_tasa = 47530000";   // a new row's value, not the upgrade's
        const auto si_no = [&](bool si) {
            QStringList l = tras;
            for (int i : {9, 10, 11, 12, 13, 14, 16}) l[i] = l[i].section(" = ", 0, 0) + (si ? " = true" : " = false");
            return l;
        };
        QStringList nulos = tras;
        nulos[1] = "wruta = ", nulos[3] = "wcta_clientes = ", nulos[15] = "wcta_tasa = ";
        // `esperado` empty: the marked settings stay.
        const struct { const char* caso; QVariantMap fila; const char* sql; bool cargada; QStringList esperado; } casos[] = {
            // Flag rule: Null and "0" are false; -1 and 1 are yes.
            {"nulo", todos(QVariant()), "", true, si_no(false)}, {"texto 0", todos("0"), "", true, si_no(false)},
            {"si", todos(-1), "", true, si_no(true)}, {"si como 1", todos(1), "", true, si_no(true)},
            {"textos nulos", {{"ca3Cli", QVariant()}, {"Ca3ruta", QVariant()}, {"Ca3Tasa", QVariant()}, {"Zumeral", QVariant()}}, "", true,
             nulos},
            {"sin fila KOVE3", {{"ca3Emp", "00002"}, {"Ca3Niv", 10}}, "UPDATE ca3 SET Ca3Key = 'OTRA'", true, {}},
            {"sin digitos", {{"Ca3Niv", QVariant()}, {"ca3Emp", "00009"}}, "", false, {}},
        };
        for (const auto& c : casos) {
            fixture::Entorno e(demo::Opciones::pruebas(), c.fila);
            if (*c.sql) e.inst().ejecutar("ca3", c.sql);
            e.arrancar(false);
            A3ADO& a = e.a();
            marcar(a);
            const QStringList marcados = ajustes(a);
            QVERIFY2(a.cargar_configuracion() == c.cargada && e.ui.shown.empty() == c.cargada, c.caso);
            QCOMPARE(ajustes(a), c.esperado.isEmpty() ? marcados : c.esperado);
            if (c.cargada)
                continue;
            QCOMPARE(e.ui.texts(), QStringList{"La configuración del enlace está incompleta: falta el número de "
                                               "dígitos de las cuentas contables. Complete la configuración en "
                                               "\"Configuración General\"."});
            // Once completed, the next load takes the whole row.
            e.inst().configurar({{"Ca3Niv", 10}});
            QVERIFY(a.cargar_configuracion() && a.wdigitos == 10 && a.wempresa == "00009");
        }
    }

    void modoSegunLaTablaCon()
    {
        // Without INFHSYS.MDB: Access files, whatever was set before.
        demo::Opciones o = demo::Opciones::pruebas();
        o.infhsys = false;
        fixture::Entorno sin(o);
        sin.a().wsql = true, sin.a().wservidor = sin.a().wcatalogo = "previo";
        sin.arrancar();
        QVERIFY(!sin.a().wsql && sin.a().wservidor.isEmpty() && sin.a().wcatalogo.isEmpty() && !sin.a().cn_sql.isOpen()
                && !sin.a().cn_sistema.isOpen() && sin.a().cn_enlace.isOpen());
        fixture::Entorno e;
        A3ADO& a = e.a();
        QCOMPARE(a.wunidad = a.leer_unidad_hotel(), QString("F"));
        const auto leer = [&](const QString& sentencia) {
            e.inst().ejecutar("con", sentencia);
            a.leer_conexion_sql();
            return QString(a.wsql ? "servidor" : "access") + "|" + a.wservidor + "|" + a.wcatalogo;
        };
        // ConTipo "0" wins over any server values; a Null ConTipo is not "0";
        // an empty con is Access; any other failure leaves what was set.
        QCOMPARE(leer("UPDATE con SET ConServer = 'SRV1', catalogo = 'HOTEL'"), QString("access||"));
        QCOMPARE(leer("UPDATE con SET ConTipo = NULL, ConServer = 'S2', catalogo = 'C2'"), QString("servidor|S2|C2"));
        QCOMPARE(leer("DELETE FROM con"), QString("access||"));
        a.wsql = true, a.wservidor = "S";
        QCOMPARE(leer("DROP TABLE con"), QString("servidor|S|"));
    }

    void fallosDeArranque()
    {
        // The file removed first, or the statement run on noctaris first.
        const struct { const char* archivo; const char* sql; qint64 numero; const char* fuente; const char* descripcion; } casos[] = {
            {"C:\\noctaris.MDB", nullptr, ado::kCannotOpen, "C:\\noctaris.MDB", nullptr},
            {nullptr, "DELETE FROM noctaris WHERE cod = '1'", ado::kNoCurrentRecord, "C:\\noctaris.MDB",
             "La tabla noctaris no tiene la fila cod = '1' que indica la unidad de los datos"},
            {nullptr, "UPDATE noctaris SET unidad = ' ' WHERE cod = '1'", ado::kNoCurrentRecord, "C:\\noctaris.MDB",
             "La fila cod = '1' de la tabla noctaris no indica ninguna unidad"},
        };
        for (const auto& c : casos) {
            fixture::Entorno e;
            const QString local = c.archivo ? e.inst().ruta(c.archivo) : QString();
            QVERIFY(!c.archivo || (e.inst().cerrar(), QFile::remove(local)));
            if (c.sql) e.inst().ejecutar("noctaris", c.sql);
            A3ADO& a = e.a();
            ado::Error error(0, QString(), QString());
            try {
                e.arrancar(false);
            } catch (const ado::Error& x) {
                error = x;
            }
            QCOMPARE(QString("%1 %2 %3").arg(error.number()).arg(error.source(), c.descripcion ? error.description() : ""),
                     QString("%1 %2 %3").arg(c.numero).arg(c.fuente, c.descripcion ? c.descripcion : ""));
            QVERIFY(!a.cn_unidades.isOpen() && (local.isEmpty() || !QFileInfo::exists(local)));   // nothing made in its place
            if (c.sql)
                QCOMPARE(a.leer_unidad_conta(), QString("G"));
        }
    }

    void conexionesDelHotel()
    {
        fixture::Entorno e;
        e.arrancar();
        A3ADO& a = e.a();
        const QList<QPair<QString, ado::Connection A3ADO::*>> tablas = {
            {"EMI", &A3ADO::cn_emi}, {"Hiscadia", &A3ADO::cn_hiscadia}, {"agen", &A3ADO::cn_agen}, {"na", &A3ADO::cn_na},
            {"Caja", &A3ADO::cn_caja}, {"Cli", &A3ADO::cn_cli}, {"formas", &A3ADO::cn_formas}};
        for (const auto& [tabla, cn] : tablas)
            QVERIFY(&a.conexion_hotel(tabla) == &(a.*cn) && (a.*cn).isOpen());
        QVERIFY_THROWS_EXCEPTION(ado::Error, a.conexion_hotel("ser"));
        QCOMPARE(a.cn_cli.connectionString(), QString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= F:\\noctaris\\cli.MDB"));
        // Server mode: one ODBC connection serves every hotel table.
        demo::Opciones o = demo::Opciones::pruebas();
        o.servidor = true;
        fixture::Entorno s(o);
        s.arrancar();
        A3ADO& b = s.a();
        QCOMPARE(b.cn_sql.connectionString(),
                 QString("Driver={SQL Native Client};Server=SERVIDOR;Database=CATALOGO; Uid=noctaris;Pwd=KOVE3;"));
        QVERIFY(b.wsql && b.cn_sql.isOpen() && b.cn_sql.kind() == ado::Connection::Kind::Odbc);
        for (const auto& [tabla, cn] : tablas)
            QVERIFY(&b.conexion_hotel(tabla) == &b.cn_sql && !(b.*cn).isOpen());
    }
};

QTEST_GUILESS_MAIN(TestA3ado)
#include "test_a3ado.moc"
