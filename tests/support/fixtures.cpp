#include "support/fixtures.h"

#include "app/arranque.h"
#include "app/comando_exportar_pgc.h"
#include "app/comando_traspasar.h"
#include "app/comando_verificar.h"
#include "platform/cp1252.h"
#include "support/odbc_standin.h"
#include "transfer/records/verificador.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

void testsupport::buildDatabase(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("fixture-") + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& s : statements) QVERIFY2(query.exec(s), qPrintable(s));
    }
    QSqlDatabase::removeDatabase(name);
}

void exigirFicheroValido(const QString& path)
{
    QString error;
    const auto informe = verificador::verificar_fichero(path, &error);
    if (!informe) QFAIL(qPrintable(error));
    else if (!informe->correcto()) QFAIL(qPrintable("SUENLACE.DAT con problemas:\n" + verificador::texto_informe(*informe, path)));
}

namespace fixture {

namespace {

// The key of `fila` matching `nombre` case-insensitively (`nombre` when none does).
QString clave(const QVariantMap& fila, const QString& nombre)
{
    for (auto it = fila.begin(); it != fila.end(); ++it)
        if (it.key().compare(nombre, Qt::CaseInsensitive) == 0) return it.key();
    return nombre;
}

QVariant columna(const QVariantMap& fila, const QString& nombre) { return fila.value(clave(fila, nombre)); }

QString texto(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) return QStringLiteral("<null>");
    return v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15) : v.toString();
}

QVariantMap con(QVariantMap base, const QVariantMap& extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it) base[clave(base, it.key())] = it.value();
    return base;
}

} // namespace

// ---- Entorno ---------------------------------------------------------------

Entorno::Entorno(demo::Opciones opciones, const QVariantMap& ajustes)
{
    if (!dir_.isValid()) throw demo::ErrorInstalacion("No se puede crear la carpeta temporal de la instalación");
    if (opciones.servidor) {
        if (opciones.dir_servidor.isEmpty()) opciones.dir_servidor = dir_.path() + QStringLiteral("/servidor");
        // One registration for the whole process: the driver manager keeps
        // what it read of odbcinst.ini.
        static QTemporaryDir odbc;
        static QString error;
        static const bool registrado = odbc.isValid() && testsupport::installOdbcStandin(odbc.path(), &error);
        if (!registrado) throw demo::ErrorInstalacion(("No se puede registrar el controlador ODBC: " + error).toStdString());
    }
    (instalacion_ = std::make_unique<demo::Instalacion>(raiz(), opciones))->construir();
    if (!ajustes.isEmpty()) instalacion_->configurar(ajustes);
    if (opciones.servidor) cwd_anterior_ = QDir::currentPath(), QDir::setCurrent(instalacion_->dir_servidor());
    a_ = std::make_unique<A3ADO>(instalacion_->unidades(), ui);
}

Entorno::~Entorno()
{
    a_.reset(), instalacion_.reset();
    if (!cwd_anterior_.isEmpty()) QDir::setCurrent(cwd_anterior_);
}

void Entorno::arrancar(bool cargar)
{
    A3ADO& x = *a_;
    x.wunidad = x.leer_unidad_hotel();
    x.leer_conexion_sql(), x.abrir_conexiones();
    if (cargar) x.cargar_configuracion();
}

A3ADO& Entorno::reiniciar() { return *(a_ = std::make_unique<A3ADO>(instalacion_->unidades(), ui)); }

// ---- Hotel -------------------------------------------------------------------

Hotel::Hotel(bool servidor, const QVariantMap& ajustes) : e_([servidor] { auto o = demo::Opciones::pruebas(); o.servidor = servidor; return o; }(), ajustes) {}


void Hotel::fila(const QString& tabla, const QVariantMap& columnas) { inst().insertar(tabla, con(demo::Instalacion::plantilla(tabla), columnas)); }

void Hotel::cliente(const QString& cod, const QVariant& cta, const QVariantMap& extra)
{
    fila("Cli", con({{"CliCod", cod}, {"CliNom", "Nombre " + cod}, {"CliApe", "Apellido " + cod}, {"CliDni", "1234567" + cod},
                     {"CliDir", "Calle " + cod}, {"CliPob", "Palma"}, {"CliCp", "07001"}, {"CliProv", "Baleares"}, {"CliCta", cta}}, extra));
}

void Hotel::factura(const QString& num, const QString& fec, double total, const QVariantMap& extra)
{
    fila("emi", con({{"EmiAno", fec.left(4)}, {"EmiNum", num}, {"EmiFec", fec}, {"EmiCli", "1001"}, {"eMIC", "0"}, {"EmiNif", "B07000001"},
                     {"EmiNom", "Cliente de la factura " + num}, {"EmiTot", total}, {"EmiI1", 21.0}, {"EmiI2", 10.0}, {"EmiI3", 4.0},
                     {"EmiN", ""}, {"EmiCie", "1"}, {"EmiDep", 0.0}, {"TasaImporte", 0.0}}, extra));
}

void Hotel::linea(const QString& num, const QString& ano, const QString& ca, double can, double pre, const QVariant& cta)
{
    fila("Hiscadia", {{"HCadiaFra", num}, {"HCadiaFraAno", ano}, {"HCadiaCA", ca}, {"HCadiaCan", can}, {"HCadiaPre", pre}, {"HCadiaCta", cta}, {"HCadiaSer", "01"}});
}

void Hotel::cobro(const QString& fec, qint64 ord, double imp, const QVariant& fra, const QVariantMap& extra)
{
    fila("caja", con({{"CajaFec", fec}, {"CajaOrd", ord}, {"CajaFra", fra}, {"CajaAnoF", fec.left(4)}, {"CajaCobroc", "1"}, {"CajaCobron", "Contado"},
                      {"CajaCon", "Cobro"}, {"CajaCre", ""}, {"CajaImp", imp}, {"CajaPago", "1"}, {"CajaTur", "1"}}, extra));
}

void Hotel::forma(const QString& cod, const QString& des, const QVariant& cta) { fila("formas", {{"ForCod", cod}, {"ForDes", des}, {"ForCta", cta}}); }

std::unique_ptr<Sesion> Hotel::arrancar(std::deque<bool> respuestas, bool por_defecto)
{
    auto s = std::make_unique<Sesion>();
    s->ui.answers = std::move(respuestas), s->ui.defaultAnswer = por_defecto;
    s->a = std::make_unique<A3ADO>(inst().unidades(), s->ui);
    if (!arranque::arrancar(*s->a)) throw std::runtime_error("start-up failed: " + s->ui.texts().join(" | ").toStdString());
    const arranque::Activacion activacion = arranque::activar(*s->a);
    if (!activacion.continuar || !activacion.configuracion_ok) throw std::runtime_error("settings not loaded: " + s->ui.texts().join(" | ").toStdString());
    s->t = std::make_unique<Traspaso>(*s->a), s->ui.shown.clear();
    return s;
}

ResultadoTraspaso Hotel::traspasar(const QString& desde, const QString& hasta, QStringList* mensajes, bool sobrescribir)
{
    auto s = arrancar({}, sobrescribir);
    s->t->wdesde = desde, s->t->whasta = hasta;
    const ResultadoTraspaso r = iniciar(*s->t);
    if (mensajes) *mensajes = s->ui.texts();
    return r;
}

void Hotel::limpiar(const QString& desde, const QString& hasta, QStringList* mensajes)
{
    auto s = arrancar();
    s->t->wdesde = desde, s->t->whasta = hasta;
    limpiar_temporales(*s->t);
    if (mensajes) *mensajes = s->ui.texts();
}

QStringList Hotel::volcar(const QString& tabla, const QString& orden) const
{
    const QStringList columnas = inst().columnas(tabla);
    QStringList r;
    for (const QVariantMap& f : inst().filas(tabla, orden)) {
        QStringList partes;
        for (const QString& c : columnas) partes << c + QLatin1Char('=') + texto(columna(f, c));
        r << partes.join(QLatin1Char('|'));
    }
    return r;
}

int Hotel::contar(const QString& tabla, const QString& where) const { return inst().contar(tabla, where); }

QStringList Hotel::estados(const QString& tabla, const QString& clave, const QString& estado, const QString& orden) const
{
    QStringList r;
    for (const QVariantMap& f : inst().filas(tabla, orden)) r << columna(f, clave).toString() + QLatin1Char('=') + columna(f, estado).toString();
    return r;
}

QStringList Hotel::ctas3() const { return fixture::ctas3(inst()); }

QString Hotel::fichero() const { return inst().ruta(QStringLiteral("F:\\NOCTARIS\\Suenlace.dat")); }

QByteArray Hotel::bytes() const { QFile f(fichero()); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }

QStringList Hotel::lineas() const
{
    const QByteArray b = bytes();
    const QStringList r = b.isEmpty() ? QStringList() : fixture::lineas(fichero());
    if (!b.isEmpty() && (!b.endsWith("\r\n") || r.join(QString()).contains("<sin CR>"))) QTest::qFail("a line does not end with CR LF", __FILE__, __LINE__);
    return r;
}

// ---- Enlace ------------------------------------------------------------------

Enlace::Enlace(const QVariantMap& ajustes, bool servidor) : Hotel(servidor, ajustes), ui((s_ = arrancar())->ui) {}


void Enlace::factura3(const QVariantMap& columnas) { fila("fac3", con({{"FacEje", "2013"}, {"FacEst", "0"}}, columnas)); }

void Enlace::linea_venta(const QString& fra, const QString& cta, double imp, const QString& eje)
{
    const int orden = contar("fal3", QStringLiteral("FalFra = '%1' AND FalEje = '%2'").arg(fra, eje)) + 1;
    inst().insertar("fal3", QVariantMap{{"FalEmp", "001"}, {"FalEje", eje}, {"FalOrden", orden}, {"FalFra", fra}, {"FalCta", cta}, {"FalImp", imp}});
}

void Enlace::deposito(const QVariantMap& columnas) { fila("edep3", con({{"EdepEstado", "0"}}, columnas)); }

void Enlace::cobro3(const QVariantMap& columnas) { fila("caj3", con({{"CajEstado", "0"}, {"CajAnoF", "2013"}}, columnas)); }

void Enlace::credito(const QVariantMap& columnas) { fila("cre3", con({{"Cre3Estado", "0"}}, columnas)); }

void Enlace::cuenta(const QVariantMap& columnas) { fila("ctas3", con({{"Siglas", "CL"}, {"Estado", "0"}}, columnas)); }

ResultadoGeneracion Enlace::generar(const QString& desde, const QString& hasta)
{
    t().wdesde = desde, t().whasta = hasta;
    return generar_suenlace_dat(t());
}

void Enlace::situar_en_factura(const QString& ano, const QString& num)
{
    a().rs_emi.closeIfOpen();
    a().rs_emi.open(QStringLiteral("SELECT * FROM emi WHERE EmiAno = '%1' AND EmiNum = '%2'").arg(ano, num),
                    a().conexion_hotel(QStringLiteral("emi")), ado::adOpenDynamic, ado::adLockReadOnly);
    if (a().rs_emi.eof()) throw std::runtime_error("no such invoice in emi");
}

QStringList Enlace::mensajes() const
{
    static const char* const iconos[] = {"sin icono", "información", "exclamación", "error", "pregunta"};
    QStringList r;
    for (const auto& s : ui.shown) r << QStringLiteral("%1|%2|%3").arg(s.title, QString::fromUtf8(iconos[int(s.icon)]), s.text);
    return r;
}

// ---- the January hotel -----------------------------------------------------------

void poblar_enero(Hotel& h)
{
    h.forma("1", "Contado", "570000001"), h.forma("2", "Tarjeta", "572000001");
    h.cliente("1001", "430000001"), h.cliente("1002", QVariant());
    h.factura("10", "20130105", 55.0);
    h.factura("9", "20130105", 110.0, {{"EmiDep", 20.0}});
    h.factura("11", "20130106", 33.0, {{"EmiCli", "1002"}});
    h.cobro("20130105", 1, 90.0, "9");
    h.cobro("20130105", 2, 55.0, "10", {{"CajaCobroc", "2"}, {"CajaCobron", "Tarjeta"}});
    h.fila("cre3", {{"Cre3Fec", "20130110"}, {"Cre3Ord", 1}, {"Cre3FecValor", "20130112"}, {"Cre3Cli", "430000001"}, {"Cre3Cobro", "572000001"},
                    {"Cre3CobroN", "Tarjeta"}, {"Cre3Fra", "9"}, {"Cre3Imp", 30.0}, {"Cre3Estado", "0"}});
}

QVariantMap crear_cuentas() { return {{"Ca3CrearCuentas", true}, {"Ca3DesglosarPasantes", true}}; }

QStringList estados_preparados(const Hotel& h)
{
    QStringList r;
    using T = std::tuple<const char*, const char*, const char*, const char*>;
    for (const auto& [tabla, clave, estado, orden] : {T{"fac3", "FacFra", "FacEst", "FacEje, FacFra"}, T{"edep3", "EdepFra", "EdepEstado", "EdepFra"},
                                                      T{"caj3", "CajOrd", "CajEstado", "CajFec, CajOrd"}, T{"cre3", "Cre3Fra", "Cre3Estado", "Cre3Fec, Cre3Ord"}})
        for (const QString& e : h.estados(tabla, clave, estado, orden))
            r << QString::fromLatin1(tabla) + QLatin1Char(' ') + e;
    return r;
}

QStringList sin_cuentas(const QStringList& lineas)
{
    QStringList r;
    for (const QString& l : lineas)
        if (campo(l, "tipo") != QLatin1String("C")) r << l;
    return r;
}

static QStringList lineas_de(const QString& texto)
{
    QStringList l = texto.split(QLatin1Char('\n'));
    if (l.constLast().isEmpty()) l.removeLast();
    return l;
}

QStringList Salida::lineas_out() const { return lineas_de(out); }
QStringList Salida::lineas_err() const { return lineas_de(err); }

Salida lote(const QString& raiz, const QString& comando, const QStringList& args)
{
    qputenv("ENLACE3_DOSDEVICES", QFile::encodeName(raiz));
    Salida s;
    QTextStream out(&s.out), err(&s.err);
    using Comando = int (*)(const QStringList&, QTextStream&, QTextStream&);
    static const QMap<QString, Comando> comandos = {{"traspasar", comando_traspasar}, {"limpiar", comando_limpiar}, {"verificar", comando_verificar}, {"exportar-pgc", comando_exportar_pgc}};
    s.estado = comandos.value(comando)(args, out, err);
    out.flush(), err.flush();
    return s;
}

// ---- SUENLACE.DAT ------------------------------------------------------------

namespace {

struct Campo { const char* nombre; int columna /* 1-based */, ancho; };

// The record layout: where each named field lies in the 254 characters.
constexpr Campo kCampos[] = {{"empresa", 2, 5}, {"fecha", 7, 8}, {"tipo", 15, 1}, {"cuenta", 16, 12}, {"nombre", 28, 30},
    {"lado", 58, 1}, {"documento", 59, 10}, {"posicion", 69, 1}, {"concepto", 70, 30}, {"importe", 100, 14}, {"base", 102, 14},
    {"iva", 116, 5}, {"cuota", 121, 14}, {"nif", 78, 14}, {"direccion", 94, 30}, {"localidad", 135, 20}, {"cp", 155, 5}, {"provincia", 160, 15}};

} // namespace

QString campo(const QString& linea, const QString& nombre)
{
    for (const Campo& c : kCampos)
        if (nombre == QLatin1String(c.nombre)) {
            QString v = linea.mid(c.columna - 1, c.ancho);
            while (v.endsWith(QLatin1Char(' '))) v.chop(1);
            return v;
        }
    QTest::qFail(qPrintable("no field named " + nombre), __FILE__, __LINE__);
    return {};
}

QString campos(const QString& linea)
{
    static const QMap<QString, QStringList> por_tipo = {{"C", {"cuenta", "nombre", "nif", "direccion", "localidad", "cp", "provincia"}},
        {"0", {"cuenta", "nombre", "lado", "documento", "posicion", "concepto", "importe"}}, {"1", {"cuenta", "nombre", "documento", "concepto", "importe"}},
        {"9", {"cuenta", "nombre", "documento", "posicion", "concepto", "base", "iva", "cuota"}}};
    const QString tipo = linea.mid(14, 1);
    QStringList r{campo(linea, "fecha"), tipo};
    for (const QString& n : por_tipo.value(tipo)) r << campo(linea, n);
    return r.join(QLatin1Char('|'));
}

QStringList campos(const QStringList& lineas)
{
    QStringList r;
    for (const QString& l : lineas) r << campos(l);
    return r;
}

QString linea_cuenta(const QString& fecha, const QString& cuenta, const QString& nombre, const QString& nif,
                     const QString& direccion, const QString& localidad, const QString& cp, const QString& provincia)
{
    QString l = "400001" + fecha + "C" + QString(239, QLatin1Char(' '));
    const auto poner = [&l](int columna, const QString& v) { l.replace(columna - 1, v.size(), v); };
    const QList<std::pair<const char*, QString>> valores = {{"cuenta", cuenta}, {"nombre", nombre}, {"nif", nif},
        {"direccion", direccion}, {"localidad", localidad}, {"cp", cp}, {"provincia", provincia}};
    for (const auto& [n, v] : valores)
        for (const Campo& c : kCampos)
            if (QLatin1String(c.nombre) == QLatin1String(n)) poner(c.columna, v);
    poner(58, "S+0000000000.00"), poner(92, "CL"), poner(175, "011"), poner(253, "EN");
    return l;
}

QStringList lineas(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("<sin fichero>")};
    QStringList r;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.isEmpty()) r << platform::fromCp1252(l.endsWith('\r') ? l.chopped(1) : l + QByteArray("<sin CR>"));
    return r;
}

void escribir_lineas(const QString& ruta, const QStringList& lineas)
{
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    for (const QString& l : lineas) f.write(platform::toCp1252(l) + "\r\n");
}

// ---- Zumeral and the pending accounts --------------------------------------------

void cuenta(demo::Instalacion& inst, const QString& codigo, const QString& nombre, const QVariant& nif, int nivel)
{
    inst.insertar("Cta", QVariantMap{{"CtaCod", codigo}, {"CtaNom", nombre}, {"CtaNif", nif}, {"CtaNiv", nivel}});
}

void tercero(demo::Instalacion& inst, const QString& nif, const QString& nombre, const QString& direccion, const QString& poblacion,
             const QString& cp, const QString& provincia)
{
    inst.insertar("TER", QVariantMap{{"TerNif", nif}, {"Ternom", nombre}, {"TerDi", direccion}, {"Terpob", poblacion}, {"TerCp", cp}, {"TerPro", provincia}});
}

void pendiente(demo::Instalacion& inst, const QString& cuenta, const QString& nombre, const QString& estado)
{
    inst.insertar("ctas3", QVariantMap{{"Cuenta", cuenta}, {"Nombre", nombre}, {"Nif", "12345678Z"}, {"Siglas", "CL"}, {"Direccion", "CALLE MAYOR 1"},
                                       {"Localidad", "PALMA"}, {"Cp", "07001"}, {"Provincia", "BALEARES"}, {"FechaAlta", "20130101"}, {"Estado", estado}});
}

QStringList ctas3(const demo::Instalacion& inst)
{
    QStringList r;
    for (const QVariantMap& f : inst.consultar("ctas3", "SELECT * FROM ctas3 ORDER BY rowid")) {
        QStringList v;
        for (const char* c : {"Cuenta", "Nombre", "Nif", "Siglas", "Direccion", "Localidad", "Cp", "Provincia", "FechaAlta", "Estado"})
            v << texto(columna(f, QLatin1String(c)));
        r << v.join(QLatin1Char('|'));
    }
    return r;
}

// ---- odds and ends ---------------------------------------------------------------

QStringList sin_diario(const QStringList& sentencias)
{
    static const QRegularExpression diario(QStringLiteral("\\b(gen3|genmar3|sqlite_master)\\b"));
    QStringList r;
    for (const QString& s : sentencias)
        if (!diario.match(s).hasMatch()) r << s;
    return r;
}

QStringList ajustesTrasActualizar()
{
    return {"wempresa = 00001", "wruta = F:\\NOCTARIS\\", "wdigitos = 9", "wcta_clientes = 43000", "wcta_agencias = 4301",
            "wcta_empresas = 4302", "wcta_depositos = 561000000", "wcta_iva = 47700000", "wcta_cuadre = 705999999",
            "wdesglosar_ventas = false", "wtraspasar_creditos = true", "wiva_por_tipo = true", "wcuenta_por_pasante = false",
            "wcrear_cuentas = false", "wcuenta_unica_pasantes = false", "wcta_tasa = 475300000", "wexportar_pgc = false"};
}

} // namespace fixture
