#include "traspaso_support.h"

#include "app/arranque.h"
#include "cuentas_support.h"
#include "odbc_standin.h"

#include <QDir>
#include <QFile>
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

} // namespace pruebas_traspaso
