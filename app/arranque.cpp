#include "app/arranque.h"

#include "data/migracion.h"
#include "data/tablas_hotel.h"
#include "platform/jet.h"
#include "transfer/diario.h"

#include <exception>
#include <utility>

namespace arranque {

namespace {

QString carpeta_datos(const A3ADO& a)
{
    return a.wunidad + QStringLiteral(":\\noctaris\\");
}

// The first connection of the start-up order that did not open is the one
// that failed: the open routines stop at the first failure.
QString que_no_se_abrio(const A3ADO& a)
{
    if (a.wsql) {
        if (!a.cn_sql.isOpen())
            return QStringLiteral("No se ha podido conectar con el servidor SQL Server «%1» (base de datos «%2»).")
                .arg(a.wservidor, a.wcatalogo);
    } else {
        const std::pair<const ado::Connection*, const char*> hotel[] = {
            {&a.cn_emi, "emi.MDB"},   {&a.cn_hiscadia, "hiscadia.MDB"}, {&a.cn_agen, "agen.MDB"},
            {&a.cn_na, "na.MDB"},     {&a.cn_caja, "caja.MDB"},         {&a.cn_cli, "cli.MDB"},
            {&a.cn_formas, "formas.MDB"},
        };
        for (const auto& [cn, archivo] : hotel)
            if (!cn->isOpen())
                return QStringLiteral("No se ha podido abrir la base de datos del hotel %1%2.")
                    .arg(carpeta_datos(a), QString::fromLatin1(archivo));
    }
    return QStringLiteral("No se ha podido abrir la base de datos del enlace %1enlace3.MDB.").arg(carpeta_datos(a));
}

QString frase(const A3ADO& a, Paso paso)
{
    switch (paso) {
    case Paso::Unidad:
        return QStringLiteral("No se ha podido leer la unidad de datos del hotel (fila cod = '1') "
                              "en la tabla de unidades C:\\noctaris.MDB.");
    case Paso::ConexionSql:
        return QStringLiteral("No se ha podido leer el modo de datos del hotel en %1INFHSYS.MDB.")
            .arg(carpeta_datos(a));
    case Paso::Conexiones:
        return que_no_se_abrio(a);
    case Paso::Edep:
        return QStringLiteral("No se ha podido comprobar la tabla edep3 en %1enlace3.MDB.").arg(carpeta_datos(a));
    case Paso::Configuracion:
        return QStringLiteral("No se ha podido cargar la configuración del enlace (tabla ca3) de %1enlace3.MDB.")
            .arg(carpeta_datos(a));
    }
    return QString();
}

void avisar_fallo(A3ADO& a, Paso paso, const ado::Error& error)
{
    a.ui.message(describir_error(a, paso, error), QString::fromUtf8(kTituloError), platform::Icon::Critical);
}

void avisar_fallo(A3ADO& a, Paso paso, const std::exception& error)
{
    a.ui.message(frase(a, paso) + QStringLiteral("\n\n") + QString::fromLocal8Bit(error.what())
                     + QStringLiteral("\n\nLa aplicación no puede continuar."),
                 QString::fromUtf8(kTituloError), platform::Icon::Critical);
}

} // namespace

QString describir_error(const A3ADO& a, Paso paso, const ado::Error& error)
{
    return frase(a, paso) + QStringLiteral("\n\nError %1: %2\n\nLa aplicación no puede continuar.")
                                .arg(error.number())
                                .arg(error.description());
}

void avisar_error_fatal(A3ADO& a, const std::exception& error)
{
    QString texto;
    if (const auto* e = dynamic_cast<const ado::Error*>(&error)) {
        texto = QStringLiteral("Se ha producido un error en la base de datos.\n\nError %1: %2")
                    .arg(e->number())
                    .arg(e->description());
        if (!e->source().isEmpty()) texto += QStringLiteral("\n(%1)").arg(e->source());
    } else {
        texto = QStringLiteral("Se ha producido un error inesperado.\n\n") + QString::fromLocal8Bit(error.what());
    }
    a.ui.message(texto + QStringLiteral("\n\nLa aplicación no puede continuar."), QString::fromUtf8(kTituloError),
                 platform::Icon::Critical);
}

bool comprobar_edep(A3ADO& a)
{
    // Only whether the table is there and can be read matters: the statement
    // is compiled as always, and "1 = 0" keeps it from reading the staged
    // deposits of every year.
    const QString comprobar = QStringLiteral("SELECT * FROM edep3 WHERE 1 = 0");
    try {
        a.rs_edep3.closeIfOpen();
        try {
            a.rs_edep3.open(comprobar, a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
        } catch (const ado::Error& e) {
            if (e.number() != ado::kNoSuchTable) throw;
            a.cn_enlace.execute(tablas::edep3().ddl);
            a.rs_edep3.open(comprobar, a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
        }
        a.rs_edep3.close();
        return true;
    } catch (const std::exception&) {
        a.ui.message(QString::fromUtf8(kErrorEdep));
        return false;
    }
}

bool arrancar(A3ADO& a)
{
    Paso paso = Paso::Unidad;
    try {
        a.wunidad = a.leer_unidad_hotel();
        paso = Paso::ConexionSql;
        a.leer_conexion_sql();
        paso = Paso::Conexiones;
        a.abrir_conexiones();
    } catch (const ado::Error& e) {
        avisar_fallo(a, paso, e);
        return false;
    } catch (const std::exception& e) {
        avisar_fallo(a, paso, e);
        return false;
    }
    return comprobar_edep(a);
}

bool ofrecer_migracion(A3ADO& a)
{
    try {
        a.wunidad = a.leer_unidad_hotel();
    } catch (const std::exception&) {
        return false;
    }
    const QString ruta = carpeta_datos(a) + QStringLiteral("enlace3.MDB");
    const jet::Formato forma = jet::formato(a.unidades.toLocal(ruta));
    if (!jet::es_jet(forma))
        return true;
    const QString pregunta =
        QStringLiteral("La base del enlace %1 está en formato %2 y este programa no puede trabajar con ella así.\n\n"
                       "¿Desea convertirla ahora? El original se guarda como copia a su lado y no se envía nada "
                       "dos veces.")
            .arg(ruta, jet::nombre(forma));
    if (!a.ui.ask(pregunta, QStringLiteral("Convertir la base del enlace"), platform::Icon::Information))
        return true;
    const Migracion m = migrar_enlace(a.unidades, ruta);
    a.ui.message(m.mensaje, QStringLiteral("Convertir la base del enlace"),
                 m.resultado == Migracion::Resultado::Fallo ? platform::Icon::Critical
                                                            : platform::Icon::Information);
    return true;
}

QString texto_version()
{
    return QString::fromUtf8(kVersion);
}

QString texto_conexion(const A3ADO& a)
{
    if (a.wsql)
        return QStringLiteral("Conectado: ") + a.wservidor + QStringLiteral(" (") + a.wcatalogo + QStringLiteral(")");
    return QStringLiteral("Conectado: ") + a.wunidad + QStringLiteral(":\\");
}

Activacion activar(A3ADO& a)
{
    Activacion r;
    try {
        r.configuracion_ok = a.cargar_configuracion();
    } catch (const ado::Error& e) {
        avisar_fallo(a, Paso::Configuracion, e);
        r.continuar = false;
        r.configuracion_ok = false;
    } catch (const std::exception& e) {
        avisar_fallo(a, Paso::Configuracion, e);
        r.continuar = false;
        r.configuracion_ok = false;
    }
    if (r.continuar)
        recuperar_generaciones(a);
    r.barra = {texto_version(), texto_conexion(a)};
    return r;
}

void recuperar_generaciones(A3ADO& a)
{
    try {
        diario::recuperar_al_arrancar(a);
    } catch (const ado::Error& e) {
        // The journal stays as it is and the next start-up tries again; the
        // rows it holds stay marked, so nothing is sent twice meanwhile.
        a.ui.message(QStringLiteral("No se ha podido completar la recuperación de un envío interrumpido de "
                                    "Suenlace.dat; se intentará de nuevo al arrancar.\n\nError ")
                         + QString::number(e.number()) + QStringLiteral(": ") + e.description(),
                     QString::fromUtf8(kTituloError), platform::Icon::Critical);
    }
}

} // namespace arranque
