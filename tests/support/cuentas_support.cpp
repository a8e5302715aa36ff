#include "cuentas_support.h"

#include "odbc_standin.h"

#include <QDir>
#include <stdexcept>

namespace pruebas_cuentas {

Enlace::Enlace(const QVariantMap& ajustes, bool servidor)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.servidor = servidor;
    inst_ = std::make_unique<demo::Instalacion>(dir_.path(), opciones);
    inst_->construir();
    if (!ajustes.isEmpty())
        inst_->configurar(ajustes);
    if (servidor) {
        QString error;
        const QString odbc = dir_.path() + QStringLiteral("/odbc");
        QDir().mkpath(odbc);
        if (!testsupport::installOdbcStandin(odbc, &error))
            throw std::runtime_error("ODBC stand-in: " + error.toStdString());
        // The driver finds the catalogue as a file of the working folder.
        cwd_ = QDir::currentPath();
        QDir::setCurrent(inst_->dir_servidor());
    }
    a_ = std::make_unique<A3ADO>(inst_->unidades(), ui);
    a_->wunidad = a_->leer_unidad_hotel();
    a_->leer_conexion_sql();
    a_->abrir_conexiones();
    a_->cargar_configuracion();
    t_ = std::make_unique<Traspaso>(*a_);
}

Enlace::~Enlace()
{
    t_.reset();
    a_.reset();
    if (inst_)
        inst_->cerrar();
    if (!cwd_.isEmpty())
        QDir::setCurrent(cwd_);
}

QVariantMap sobre_plantilla(const QString& tabla, const QVariantMap& columnas)
{
    QVariantMap fila = demo::Instalacion::plantilla(tabla);
    for (auto it = columnas.begin(); it != columnas.end(); ++it) {
        QString clave = it.key();
        for (auto jt = fila.begin(); jt != fila.end(); ++jt)
            if (jt.key().compare(it.key(), Qt::CaseInsensitive) == 0)
                clave = jt.key();
        fila[clave] = it.value();
    }
    return fila;
}

void Enlace::fila(const QString& tabla, const QVariantMap& columnas)
{
    inst_->insertar(tabla, sobre_plantilla(tabla, columnas));
}

void Enlace::situar_en_factura(const QString& ano, const QString& num)
{
    a_->rs_emi.closeIfOpen();
    a_->rs_emi.open(QStringLiteral("SELECT * FROM emi WHERE EmiAno = '%1' AND EmiNum = '%2'").arg(ano, num),
                    a_->conexion_hotel(QStringLiteral("emi")), ado::adOpenDynamic, ado::adLockReadOnly);
    if (a_->rs_emi.eof())
        throw std::runtime_error("no such invoice in emi");
}

QStringList Enlace::ctas3() const
{
    static const char* columnas[] = {"Cuenta", "Nombre", "Nif", "Siglas", "Direccion",
                                     "Localidad", "Cp", "Provincia", "FechaAlta", "Estado"};
    QStringList filas;
    for (const QVariantMap& f : inst_->consultar(QStringLiteral("ctas3"),
                                                 QStringLiteral("SELECT * FROM ctas3 ORDER BY rowid"))) {
        QStringList campos;
        for (const char* c : columnas) {
            QVariant v;
            for (auto it = f.begin(); it != f.end(); ++it)
                if (it.key().compare(QLatin1String(c), Qt::CaseInsensitive) == 0)
                    v = it.value();
            campos << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        }
        filas << campos.join(QLatin1Char('|'));
    }
    return filas;
}

namespace {

QString icono(platform::Icon i)
{
    switch (i) {
    case platform::Icon::None: return QStringLiteral("sin icono");
    case platform::Icon::Information: return QStringLiteral("información");
    case platform::Icon::Exclamation: return QStringLiteral("exclamación");
    case platform::Icon::Critical: return QStringLiteral("error");
    case platform::Icon::Question: return QStringLiteral("pregunta");
    }
    return QString();
}

} // namespace

QStringList Enlace::mensajes() const
{
    QStringList r;
    for (const auto& s : ui.shown)
        r << QStringLiteral("%1|%2|%3").arg(s.title, icono(s.icon), s.text);
    return r;
}

} // namespace pruebas_cuentas
