#include "fixture_instalacion.h"

#include "odbc_standin.h"

#include <QDir>

namespace fixture {

Entorno::Entorno(demo::Opciones opciones)
{
    if (!dir_.isValid())
        throw demo::ErrorInstalacion("No se puede crear la carpeta temporal de la instalación");
    if (opciones.servidor) {
        if (opciones.dir_servidor.isEmpty())
            opciones.dir_servidor = dir_.path() + QStringLiteral("/servidor");
        // One registration for the whole process: the driver manager keeps
        // what it read of odbcinst.ini.
        static QTemporaryDir odbc;
        static QString error;
        static const bool registrado = odbc.isValid() && testsupport::installOdbcStandin(odbc.path(), &error);
        if (!registrado)
            throw demo::ErrorInstalacion(("No se puede registrar el controlador ODBC: " + error).toStdString());
    }
    instalacion_ = std::make_unique<demo::Instalacion>(raiz(), opciones);
    instalacion_->construir();
    if (opciones.servidor) {
        cwd_anterior_ = QDir::currentPath();
        QDir::setCurrent(instalacion_->dir_servidor());
    }
    a_ = std::make_unique<A3ADO>(instalacion_->unidades(), ui);
}

Entorno::~Entorno()
{
    a_.reset();
    instalacion_.reset();
    if (!cwd_anterior_.isEmpty())
        QDir::setCurrent(cwd_anterior_);
}

void Entorno::arrancar(bool cargar)
{
    A3ADO& x = *a_;
    x.wunidad = x.leer_unidad_hotel();
    x.leer_conexion_sql();
    x.abrir_conexiones();
    if (cargar)
        x.cargar_configuracion();
}

A3ADO& Entorno::reiniciar()
{
    a_ = std::make_unique<A3ADO>(instalacion_->unidades(), ui);
    return *a_;
}

QStringList ajustesTrasActualizar()
{
    return {"wempresa = 00001",          "wruta = F:\\NOCTARIS\\",         "wdigitos = 9",
            "wcta_clientes = 43000",     "wcta_agencias = 4301",           "wcta_empresas = 4302",
            "wcta_depositos = 561000000", "wcta_iva = 47700000",          "wcta_cuadre = 705999999",
            "wdesglosar_ventas = false", "wtraspasar_creditos = true",     "wiva_por_tipo = true",
            "wcuenta_por_pasante = false", "wcrear_cuentas = false",       "wcuenta_unica_pasantes = false",
            "wcta_tasa = 475300000",     "wexportar_pgc = false"};
}

} // namespace fixture
