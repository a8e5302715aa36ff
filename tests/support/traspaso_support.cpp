#include "traspaso_support.h"

#include "app/arranque.h"
#include "app/comando_traspasar.h"
#include "verificador_support.h"
#include "cuentas_support.h"
#include "odbc_standin.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <functional>
#include <stdexcept>

namespace pruebas_traspaso {

namespace {

QString valor_texto(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("<null>");
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

} // namespace

QString texto_fila(const QVariantMap& fila, const QStringList& columnas)
{
    QStringList partes;
    for (const QString& c : columnas) {
        QVariant v;
        for (auto it = fila.begin(); it != fila.end(); ++it)
            if (it.key().compare(c, Qt::CaseInsensitive) == 0)
                v = it.value();
        partes << c + QLatin1Char('=') + valor_texto(v);
    }
    return partes.join(QLatin1Char('|'));
}

Hotel::Hotel(bool servidor, const QVariantMap& ajustes) : servidor_(servidor)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    raiz_ = dir_.path() + QStringLiteral("/raiz");
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.servidor = servidor;
    inst_ = std::make_unique<demo::Instalacion>(raiz_, opciones);
    inst_->construir();
    if (!ajustes.isEmpty())
        inst_->configurar(ajustes);
    if (servidor) {
        const QString odbc = dir_.path() + QStringLiteral("/odbc");
        QDir().mkpath(odbc);
        QString error;
        if (!testsupport::installOdbcStandin(odbc, &error))
            throw std::runtime_error(error.toStdString());
        // The SQLite ODBC driver takes Database= as a file of the current folder.
        cwd_ = QDir::currentPath();
        QDir::setCurrent(inst_->dir_servidor());
    }
}

Hotel::~Hotel()
{
    if (inst_)
        inst_->cerrar();
    if (!cwd_.isEmpty())
        QDir::setCurrent(cwd_);
}

void Hotel::fila(const QString& tabla, const QVariantMap& columnas)
{
    inst_->insertar(tabla, pruebas_cuentas::sobre_plantilla(tabla, columnas));
}

void Hotel::cliente(const QString& cod, const QVariant& cta, const QVariantMap& extra)
{
    QVariantMap c{{"CliCod", cod}, {"CliNom", "Nombre " + cod}, {"CliApe", "Apellido " + cod},
                  {"CliDni", "1234567" + cod}, {"CliDir", "Calle " + cod}, {"CliPob", "Palma"},
                  {"CliCp", "07001"}, {"CliProv", "Baleares"}, {"CliCta", cta}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        c[it.key()] = it.value();
    fila(QStringLiteral("Cli"), c);
}

void Hotel::factura(const QString& num, const QString& fec, double total, const QVariantMap& extra)
{
    QVariantMap f{{"EmiAno", fec.left(4)}, {"EmiNum", num}, {"EmiFec", fec}, {"EmiCli", "1001"}, {"eMIC", "0"},
                  {"EmiNif", "B07000001"}, {"EmiNom", "Cliente de la factura " + num}, {"EmiTot", total},
                  {"EmiI1", 21.0}, {"EmiI2", 10.0}, {"EmiI3", 4.0}, {"EmiN", ""}, {"EmiCie", "1"},
                  {"EmiDep", 0.0}, {"TasaImporte", 0.0}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        f[it.key()] = it.value();
    fila(QStringLiteral("emi"), f);
}

void Hotel::linea(const QString& num, const QString& ano, const QString& ca, double can, double pre,
                  const QVariant& cta)
{
    fila(QStringLiteral("Hiscadia"), {{"HCadiaFra", num}, {"HCadiaFraAno", ano}, {"HCadiaCA", ca},
                                      {"HCadiaCan", can}, {"HCadiaPre", pre}, {"HCadiaCta", cta},
                                      {"HCadiaSer", "01"}});
}

void Hotel::cobro(const QString& fec, qint64 ord, double imp, const QVariant& fra, const QVariantMap& extra)
{
    QVariantMap c{{"CajaFec", fec}, {"CajaOrd", ord}, {"CajaFra", fra}, {"CajaAnoF", fec.left(4)},
                  {"CajaCobroc", "1"}, {"CajaCobron", "Contado"}, {"CajaCon", "Cobro"}, {"CajaCre", ""},
                  {"CajaImp", imp}, {"CajaPago", "1"}, {"CajaTur", "1"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        c[it.key()] = it.value();
    fila(QStringLiteral("caja"), c);
}

void Hotel::forma(const QString& cod, const QString& des, const QVariant& cta)
{
    fila(QStringLiteral("formas"), {{"ForCod", cod}, {"ForDes", des}, {"ForCta", cta}});
}

std::unique_ptr<Enlace> Hotel::arrancar(std::deque<bool> respuestas, bool por_defecto)
{
    auto enlace = std::make_unique<Enlace>();
    enlace->ui.answers = std::move(respuestas);
    enlace->ui.defaultAnswer = por_defecto;
    enlace->a = std::make_unique<A3ADO>(inst_->unidades(), enlace->ui);
    if (!arranque::arrancar(*enlace->a))
        throw std::runtime_error("start-up failed: " + enlace->ui.texts().join(" | ").toStdString());
    const arranque::Activacion activacion = arranque::activar(*enlace->a);
    if (!activacion.continuar || !activacion.configuracion_ok)
        throw std::runtime_error("settings not loaded: " + enlace->ui.texts().join(" | ").toStdString());
    enlace->t = std::make_unique<Traspaso>(*enlace->a);
    enlace->ui.shown.clear();
    return enlace;
}

ResultadoTraspaso Hotel::traspasar(const QString& desde, const QString& hasta, QStringList* mensajes,
                                   bool sobrescribir)
{
    auto enlace = arrancar({}, sobrescribir);
    enlace->t->wdesde = desde;
    enlace->t->whasta = hasta;
    const ResultadoTraspaso r = iniciar(*enlace->t);
    if (mensajes)
        *mensajes = enlace->ui.texts();
    return r;
}

void Hotel::limpiar(const QString& desde, const QString& hasta, QStringList* mensajes)
{
    auto enlace = arrancar();
    enlace->t->wdesde = desde;
    enlace->t->whasta = hasta;
    limpiar_temporales(*enlace->t);
    if (mensajes)
        *mensajes = enlace->ui.texts();
}

QStringList Hotel::volcar(const QString& tabla, const QString& orden) const
{
    const QStringList columnas = inst_->columnas(tabla);
    QStringList lineas;
    for (const QVariantMap& f : inst_->filas(tabla, orden))
        lineas << texto_fila(f, columnas);
    return lineas;
}

int Hotel::contar(const QString& tabla, const QString& where) const
{
    return inst_->contar(tabla, where);
}

QString Hotel::fichero() const
{
    return inst_->ruta(QStringLiteral("F:\\NOCTARIS\\Suenlace.dat"));
}

QStringList Hotel::lineas() const
{
    QFile f(fichero());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lineas = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lineas.isEmpty() && lineas.constLast().isEmpty())
        lineas.removeLast();
    return lineas;
}

void poblar_enero(Hotel& h)
{
    h.forma("1", "Contado", "570000001");
    h.forma("2", "Tarjeta", "572000001");
    h.cliente("1001", "430000001");
    h.cliente("1002", QVariant());
    h.factura("10", "20130105", 55.0);
    h.factura("9", "20130105", 110.0, {{"EmiDep", 20.0}});
    h.factura("11", "20130106", 33.0, {{"EmiCli", "1002"}});
    h.cobro("20130105", 1, 90.0, "9");
    h.cobro("20130105", 2, 55.0, "10", {{"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta"}});
    h.fila("cre3", {{"Cre3Fec", "20130110"}, {"Cre3Ord", 1}, {"Cre3FecValor", "20130112"},
                    {"Cre3Cli", "430000001"}, {"Cre3Cobro", "572000001"}, {"Cre3CobroN", "Tarjeta"},
                    {"Cre3Fra", "9"}, {"Cre3Imp", 30.0}, {"Cre3Estado", "0"}});
}

QVariantMap crear_cuentas()
{
    return {{"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}};
}

QStringList estados_preparados(const Hotel& h)
{
    QStringList r;
    for (const QVariantMap& f : h.inst().filas("fac3", "FacEje, FacFra"))
        r << "fac3 " + f.value("FacFra").toString() + "=" + f.value("FacEst").toString();
    for (const QVariantMap& f : h.inst().filas("edep3", "EdepFra"))
        r << "edep3 " + f.value("EdepFra").toString() + "=" + f.value("EdepEstado").toString();
    for (const QVariantMap& f : h.inst().filas("caj3", "CajFec, CajOrd"))
        r << "caj3 " + f.value("CajOrd").toString() + "=" + f.value("CajEstado").toString();
    for (const QVariantMap& f : h.inst().filas("cre3", "Cre3Fec, Cre3Ord"))
        r << "cre3 " + f.value("Cre3Fra").toString() + "=" + f.value("Cre3Estado").toString();
    return r;
}

QStringList sin_cuentas(const QStringList& lineas)
{
    QStringList r;
    for (const QString& l : lineas)
        if (l.mid(14, 1) != QLatin1String("C"))
            r << l;
    return r;
}

namespace {

struct Lote {
    int estado = -1;
    QString out, err;
};

Lote traspasar_lote(const Hotel& h, const QStringList& args)
{
    qputenv("ENLACE3_DOSDEVICES", QFile::encodeName(h.raiz()));
    Lote l;
    QTextStream out(&l.out), err(&l.err);
    l.estado = comando_traspasar(args, out, err);
    out.flush();
    err.flush();
    return l;
}

const QString kEmi = QStringLiteral(" en la tabla de facturas emitidas (emi); no se ha traspasado.");
const QString kCaja = QStringLiteral(" en la tabla de cobros de caja (caja); no se ha traspasado.");

std::function<void(Hotel&)> factura8(const QVariantMap& m, const QString& cliente = QStringLiteral("1001"))
{
    return [=](Hotel& h) {
        QVariantMap f = m;
        f.insert("EmiCli", cliente);
        h.factura("8", "20130107", 77.0, f);
    };
}

std::function<void(Hotel&)> cobro8(const QVariantMap& m, const QString& fec = QStringLiteral("20130108"))
{
    return [=](Hotel& h) { h.cobro(fec, 3, 6.5, "10", m); };
}

std::function<void(Hotel&)> linea8(const QVariant& can, const QVariant& pre)
{
    return [=](Hotel& h) {
        h.factura("8", "20130107", 77.0);
        h.fila("Hiscadia", {{"HCadiaFra", "8"}, {"HCadiaFraAno", "2013"}, {"HCadiaCA", "+"}, {"HCadiaCan", can},
                            {"HCadiaPre", pre}, {"HCadiaCta", "705000001"}, {"HCadiaSer", "01"}});
    };
}

} // namespace

void comprobar_rarezas(bool servidor)
{
    struct Caso {
        const char* que;
        std::function<void(Hotel&)> plantar;
        int estado;
        QStringList informe;      // pieces of the error stream
        QString fuera;            // no line of the file holds it
        QString dentro;           // some line of the file holds it
        QStringList mas_estados;  // staged rows beyond those of the clean hotel
    };
    const QString fac8 = QStringLiteral("Nuestra Factura N.8 ");
    const QList<Caso> casos = {
        {"EmiTot Null", factura8({{"EmiTot", QVariant()}}), 1,
         {"Factura 2013/8: el total (EmiTot) está vacío" + kEmi}, fac8, {}, {}},
        {"EmiTot texto", factura8({{"EmiTot", "12abc"}}), 1,
         {"Factura 2013/8: el total (EmiTot) «12abc» no es un número" + kEmi}, fac8, {}, {}},
        {"EmiI2 texto", factura8({{"EmiI2", "diez"}}), 1,
         {"Factura 2013/8: el tipo de IVA 2 (EmiI2) «diez» no es un número" + kEmi}, fac8, {}, {}},
        {"HCadiaCan Null", linea8(QVariant(), 10.0), 1,
         {"Factura 2013/8: la cantidad de una línea (HCadiaCan) está vacía en la tabla de líneas de factura "
          "(Hiscadia); no se ha traspasado."}, fac8, {}, {}},
        {"HCadiaPre texto", linea8(1.0, "x"), 1,
         {"Factura 2013/8: el precio de una línea (HCadiaPre) «x» no es un número en la tabla de líneas de factura "
          "(Hiscadia); no se ha traspasado."}, fac8, {}, {}},
        {"CajaImp Null", cobro8({{"CajaImp", QVariant()}}), 1,
         {"Cobro de caja del 08-01-2013, orden 3: el importe (CajaImp) está vacío" + kCaja}, "20130108", {}, {}},
        {"CajaImp texto", cobro8({{"CajaImp", "5x"}}), 1,
         {"Cobro de caja del 08-01-2013, orden 3: el importe (CajaImp) «5x» no es un número" + kCaja}, "20130108",
         {}, {}},
        {"EmiFec imposible", factura8({{"EmiFec", "20130231"}}), 1,
         {"Factura 2013/8: la fecha (EmiFec) «20130231» no es una fecha del calendario escrita aaaammdd" + kEmi},
         fac8, {}, {}},
        {"EmiFec con letra", factura8({{"EmiFec", "2013011a"}}), 1,
         {"Factura 2013/8: la fecha (EmiFec) «2013011a» no es una fecha del calendario escrita aaaammdd" + kEmi},
         fac8, {}, {}},
        {"EmiFec día 0, fuera del Between", factura8({{"EmiFec", "20130100"}}), 1,
         {"Factura 2013/8: la fecha (EmiFec) «20130100» no es una fecha del calendario escrita aaaammdd y ninguna "
          "selección de fechas la ve" + kEmi}, fac8, {}, {}},
        {"EmiFec con guiones y su cobro",
         [](Hotel& h) {
             factura8({{"EmiFec", "2013-01-15"}}, "1002")(h);
             h.cobro("20130108", 1, 5.0, "8");
         },
         1,
         {"Factura 2013/8: la fecha (EmiFec) «2013-01-15» no es una fecha del calendario escrita aaaammdd y ninguna "
          "selección de fechas la ve" + kEmi,
          "Cobros de caja del día 08-01-2013: campo cuenta: «", "13-0» una cuenta solo puede tener cifras"},
         "20130108", {}, {"caj3 1=0"}},
        {"CajaFec con letra", cobro8({}, "2013011a"), 1,
         {"Cobro de caja del 2013011a, orden 3: la fecha (CajaFec) «2013011a» no es una fecha del calendario "
          "escrita aaaammdd" + kCaja}, "+0000000006.50", {}, {}},
        {"factura repetida", [](Hotel& h) { h.factura("9", "20130107", 999.99); }, 1,
         {"Factura 2013/9: otra factura en la tabla de facturas emitidas (emi) tiene el mismo ejercicio y número "
          "(EmiAno, EmiNum); esta, de total 999.99, no se ha traspasado."},
         "999.99", "+0000000110.00", {}},
        {"cobro repetido", [](Hotel& h) { h.cobro("20130105", 1, 7.0, "10"); }, 1,
         {"Cobro de caja del 05-01-2013, orden 1: otro cobro en la tabla de cobros de caja (caja) tiene el mismo "
          "día y número de orden (CajaFec, CajaOrd); este, de importe 7"}, "+0000000007.00", {}, {}},
        {"CajaOrd Null", cobro8({{"CajaOrd", QVariant()}}), 1,
         {"Cobro de caja del 08-01-2013, orden (vacío): el número de orden (CajaOrd) está vacío" + kCaja},
         "20130108", {}, {}},
        {"CajaOrd texto", cobro8({{"CajaOrd", "x"}}), 1,
         {"Cobro de caja del 08-01-2013, orden x: el número de orden (CajaOrd) «x» no es un número entero" + kCaja},
         "20130108", {}, {}},
        {"EmiNum Null", factura8({{"EmiNum", QVariant()}}), 1,
         {"Factura del 07-01-2013 (ejercicio 2013, número vacío, cliente 1001, total 77",
          "): el número (EmiNum) está vacío" + kEmi}, "Nuestra Factura N.  ", {}, {}},
        {"controles en el nombre", factura8({{"EmiNom", "Ana\tBel\x1f"}}), 0, {}, "Ana\t", "Ana Bel  ",
         {"fac3 8=1"}},
        {"control en el número", factura8({{"EmiNum", "8\t"}}), 1,
         {"Factura 2013/8[código 9]: el número (EmiNum) «8[código 9]» tiene un carácter de control" + kEmi},
         "N.8\t", {}, {}},
        // A driver's 38.52499999999999 for 38.525: band 2 is 35.02 + 3.51, not 3.50.
        {"15 cifras", factura8({{"EmiTot", 38.52499999999999}}), 0, {}, {},
         "+0000000035.0210.00+0000000003.51", {"fac3 8=1"}},
    };
    const QStringList limpio = {"caj3 1=1", "caj3 2=1", "cre3 9=1", "edep3 9=1", "fac3 10=1", "fac3 11=1",
                                "fac3 9=1"};
    for (const Caso& c : casos) {
        // Through ODBC a number column hands over a number: the driver reads
        // "12abc" as 12 before the link sees it, as a server column typed
        // float would never hold it. Text in a number column is a case of
        // the Access files.
        if (servidor && c.informe.join(QString()).contains(QStringLiteral("no es un número")))
            continue;
        Hotel h(servidor, {{"ca3nif", true}});
        poblar_enero(h);
        c.plantar(h);
        const Lote l = traspasar_lote(h, {"01012013", "31032013", "--sobrescribir"});
        const QByteArray caso = QByteArray(c.que) + ": " + l.err.toUtf8();
        QVERIFY2(l.estado == c.estado, (caso + "\nout: " + l.out.toUtf8()).constData());
        for (const QString& trozo : c.informe)
            QVERIFY2(l.err.contains(trozo), (caso + "\nfalta: " + trozo.toUtf8()).constData());
        if (c.informe.isEmpty())
            QVERIFY2(l.err.isEmpty(), caso.constData());
        const QStringList lineas = h.lineas();
        QVERIFY2(!lineas.isEmpty(), caso.constData());
        bool dentro = c.dentro.isEmpty();
        for (const QString& linea : lineas) {
            QVERIFY2(c.fuera.isEmpty() || !linea.contains(c.fuera), (caso + "\n" + linea.toUtf8()).constData());
            dentro = dentro || linea.contains(c.dentro);
        }
        QVERIFY2(dentro, (caso + "\nno está: " + c.dentro.toUtf8()).constData());
        exigirFicheroValido(h.fichero());
        QStringList esperados = limpio + c.mas_estados;
        QStringList estados = estados_preparados(h);
        esperados.sort();
        estados.sort();
        QCOMPARE(estados, esperados);
        if (QTest::currentTestFailed())
            return;
    }

    // A range the wrong way round touches nothing: no staging, no file.
    Hotel h(servidor);
    poblar_enero(h);
    const QString al_reves = QStringLiteral("La fecha inicial (31-01-2013) es posterior a la final (01-01-2013)");
    const Lote l = traspasar_lote(h, {"31012013", "01012013", "--sobrescribir"});
    QCOMPARE(l.estado, 2);
    QVERIFY2(l.err.startsWith(al_reves), qPrintable(l.err));
    QStringList mensajes;
    const ResultadoTraspaso r = h.traspasar("20130131", "20130101", &mensajes);
    QVERIFY(r.rango_invertido && !r.completo());
    QCOMPARE(mensajes.size(), 1);
    QVERIFY(mensajes.first().startsWith(al_reves));
    QCOMPARE(h.contar("fac3") + h.contar("caj3") + h.contar("ctas3"), 0);
    QVERIFY(!QFile::exists(h.fichero()));
}

} // namespace pruebas_traspaso
