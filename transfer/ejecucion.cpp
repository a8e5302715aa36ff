#include "transfer/ejecucion.h"

#include "data/bitacora.h"
#include "data/instalacion_ocupada.h"
#include "platform/interaction.h"
#include "transfer/cuentas.h"
#include "transfer/preparacion.h"
#include "transfer/fichero_suenlace.h"

#include <QFileInfo>

namespace {

using platform::Reloj;

// The closing words of a run. Success is only claimed for a file that holds
// everything staged; otherwise the user learns what is missing and why.
void informar_fin(A3ADO& a, const ResultadoGeneracion& g, const std::vector<DatoRechazado>& rechazados)
{
    platform::Summary s;
    s.title = QStringLiteral("Fin del Traspaso");
    QStringList no_traspasados;
    if (!rechazados.empty())
        no_traspasados << QStringLiteral("Estos datos del hotel no se han traspasado; corríjalos en Noctaris Hotel y "
                                         "vuelva a traspasar las fechas:")
                       << informe_rechazados(rechazados);
    if (!g.fichero_ok && a.ui.cancelled()) {
        a.ui.message(g.error, s.title, platform::Icon::Information);
        return;
    }
    if (!g.fichero_ok) {
        // The generation says which file and why (and whether anything was marked).
        QString texto = g.error.isEmpty() ? QStringLiteral("No se ha podido generar el fichero ") + g.ruta + QStringLiteral(".")
                                          : g.error;
        for (const QString& linea : no_traspasados)
            texto += QLatin1Char('\n') + linea;
        a.ui.message(texto, s.title, platform::Icon::Critical);
        return;
    }
    s.figures = diario::texto_cifras(g) + lineas_del_fichero(a, g.ruta, g.copia);
    s.folder = QFileInfo(a.unidades.toLocal(g.ruta)).absolutePath();
    s.leftOut = g.omitidos + no_traspasados;
    if (g.completo() && rechazados.empty()) {
        s.text = QStringLiteral("Se ha generado Suenlace.dat correctamente");
    } else {
        s.icon = platform::Icon::Exclamation;
        s.text = QStringLiteral("Se ha generado ") + g.ruta
                 + (g.omitidos.isEmpty()
                        ? QStringLiteral(".")
                        : QStringLiteral(", pero sin los asientos siguientes, que quedan pendientes para el próximo traspaso:"));
    }
    a.ui.summary(s);
}

QString legible(const QString& aaaammdd)
{
    const QDate d = dma(aaaammdd);
    return d.isValid() ? d.toString(QStringLiteral("dd-MM-yyyy")) : aaaammdd;
}

} // namespace

QString rango_al_reves(const QString& wdesde, const QString& whasta)
{
    if (wdesde <= whasta)
        return QString();
    return QStringLiteral("La fecha inicial (") + legible(wdesde) + QStringLiteral(") es posterior a la final (")
           + legible(whasta) + QStringLiteral("): no se ha hecho nada. Escriba primero la fecha más antigua.");
}

static ResultadoTraspaso traspasar(Traspaso& t)
{
    A3ADO& a = t.a;
    ResultadoTraspaso resultado;
    const QString al_reves = rango_al_reves(t.wdesde, t.whasta);
    if (!al_reves.isEmpty()) {
        a.ui.message(al_reves, QStringLiteral("Traspaso"), platform::Icon::Exclamation);
        resultado.rango_invertido = true;
        return resultado;
    }
    if (!a.exigir_configuracion()) {
        resultado.sin_configuracion = true;
        return resultado;
    }

    const std::unique_ptr<platform::Bloqueo> bloqueo = ocupar_instalacion(a, QStringLiteral("traspaso"));
    if (!bloqueo) {
        resultado.ocupada = true;
        return resultado;
    }
    const ReservaCarpeta carpeta = ocupar_carpeta_suenlace(a, QStringLiteral("traspaso"));
    if (carpeta.negada) {
        resultado.ocupada = resultado.carpeta_ocupada = true;
        return resultado;
    }
    a.refrescar_copias_hotel();
    normalizar_cuentas_clientes(t);
    Reloj reloj(a.ui);
    t.rechazados.clear();
    try {
        resultado.facturas_preparadas = preparar_facturas(t);
        resultado.cobros_preparados = preparar_cobros(t);
    } catch (const TraspasoDetenido& detenido) {
        // Its message has been shown. What was staged before the stop stays
        // in state "0" and goes out with the next transfer; no file is written.
        resultado.detenido = true;
        resultado.motivo = detenido.motivo;
        resultado.rechazados = std::move(t.rechazados);
        return resultado;
    }
    resultado.rechazados = std::move(t.rechazados);

    a.ui.progress(QStringLiteral("Generando Suenlace.dat"), 0);
    resultado.generacion = generar_suenlace_dat(t);
    informar_fin(a, resultado.generacion, resultado.rechazados);
    return resultado;
}

namespace {

QString fechas_de(const Traspaso& t)
{
    return QStringLiteral("Fechas: ") + legible(t.wdesde) + QStringLiteral(" a ") + legible(t.whasta);
}

// What the log keeps of a transfer: what the user was shown, in short.
QStringList lineas_bitacora(const Traspaso& t, const ResultadoTraspaso& r)
{
    QStringList l{fechas_de(t)};
    if (r.carpeta_ocupada)
        return l << QStringLiteral("No se ha hecho nada: otro proceso de enlace3 tenía la carpeta de exportación.");
    if (r.ocupada)
        return l << QStringLiteral("No se ha hecho nada: otro proceso de enlace3 tenía la instalación.");
    if (r.rango_invertido)
        return l << rango_al_reves(t.wdesde, t.whasta);
    if (r.sin_configuracion)
        return l << QStringLiteral("No se ha hecho nada: no había configuración cargada.");
    l << QStringLiteral("Facturas preparadas: %1").arg(r.facturas_preparadas)
      << QStringLiteral("Cobros preparados: %1").arg(r.cobros_preparados);
    if (r.detenido)
        l << QStringLiteral("Detenido antes de escribir el fichero por un dato del hotel; lo preparado queda "
                            "pendiente.");
    else if (r.generacion.fichero_ok)
        l << resumen_generacion(r.generacion);
    else
        l << QStringLiteral("No se ha generado el fichero: ") + r.generacion.error;
    for (const QString& o : r.generacion.omitidos)
        l << QStringLiteral("No escrito: ") + o;
    for (const QString& o : informe_rechazados(r.rechazados))
        l << QStringLiteral("No traspasado: ") + o;
    return l;
}

} // namespace

ResultadoTraspaso iniciar(Traspaso& t)
{
    const QDateTime inicio = QDateTime::currentDateTime();
    try {
        ResultadoTraspaso r = traspasar(t);
        bitacora::anotar(t.a, QStringLiteral("traspaso"), inicio, lineas_bitacora(t, r), r.completo() ? 0 : 1);
        return r;
    } catch (const std::exception& e) {
        bitacora::anotar(t.a, QStringLiteral("traspaso"), inicio, {fechas_de(t), bitacora::interrumpido(e)}, 1);
        throw;
    }
}

namespace {

int contar(ado::Connection& cn, const QString& desde_donde, const ado::Values& valores)
{
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT COUNT(*) AS n FROM ") + desde_donde, valores, cn, ado::adOpenDynamic,
            ado::adLockReadOnly);
    const int n = rs.eof() ? 0 : int(rs.number(QStringLiteral("n")));
    rs.close();
    return n;
}

QString fecha_legible(const QString& amd)
{
    return amd.mid(6, 2) + QLatin1Char('-') + amd.mid(4, 2) + QLatin1Char('-') + amd.left(4);
}

} // namespace

QString aviso_caja_solo_lectura(const Limpieza& l)
{
    if (!l.caja_solo_lectura)
        return QString();
    return QStringLiteral("Marcas de caja del hotel no quitadas: %1 (caja.MDB es un fichero Access de una instalación "
                          "de Windows, que aquí solo se puede leer; quítelas en el programa del hotel si hace falta)")
        .arg(l.marcas_caja_sin_quitar);
}

QStringList resumen_limpieza(const Limpieza& l)
{
    QStringList r;
    const std::pair<int, const char*> filas[] = {
        {l.fac3, "Facturas borradas (fac3): %1"},      {l.fal3, "Líneas de venta borradas (fal3): %1"},
        {l.edep3, "Depósitos borrados (edep3): %1"},   {l.caj3, "Cobros de caja borrados (caj3): %1"},
        {l.cre3, "Créditos por enviar otra vez (cre3): %1"},
        {l.marcas_caja, "Marcas de caja del hotel quitadas: %1"}};
    for (const auto& [n, texto] : filas)
        if (n > 0)
            r << QString::fromUtf8(texto).arg(n);
    if (l.hecha && l.total() == 0)
        r << QStringLiteral("No había datos temporales del ") + fecha_legible(l.desde) + QStringLiteral(" al ")
                 + fecha_legible(l.hasta) + QStringLiteral(": no se ha limpiado nada.");
    return r;
}

static Limpieza limpiar(Traspaso& t)
{
    A3ADO& a = t.a;
    Limpieza l;
    const QString al_reves = rango_al_reves(t.wdesde, t.whasta);
    if (!al_reves.isEmpty()) {
        a.ui.message(al_reves, QStringLiteral("Limpieza"), platform::Icon::Exclamation);
        return l;
    }
    // Deleting staged rows while another run writes or marks them would
    // lose or resend them.
    const auto ocupada = ocupar_instalacion(a, QStringLiteral("limpieza"));
    if (!ocupada)
        return l;
    l.hecha = true;
    l.desde = t.wdesde;
    l.hasta = t.whasta;
    Reloj reloj(a.ui);
    const QString entre = QStringLiteral("? AND ?");
    const ado::Values fechas{t.wdesde, t.whasta};
    ado::Connection& caja = a.conexion_hotel(QStringLiteral("caja"));
    // Every sales line goes, as it always has, except those of invoices of
    // other dates still waiting to be sent: their breakdown is not staged
    // again.
    const QString fal3_del_rango = QStringLiteral("fal3 WHERE NOT EXISTS (SELECT * FROM fac3 WHERE fac3.FacEje = "
                                                  "fal3.FalEje AND fac3.FacFra = fal3.FalFra AND fac3.FacEst = '0' "
                                                  "AND NOT (fac3.FacFec BETWEEN ")
                                   + entre + QStringLiteral("))");

    // A genuine Access file of the hotel is only read: its marks stay.
    const QString marcadas = QStringLiteral("Caja WHERE CajaFec BETWEEN ") + entre + QStringLiteral(" AND CajaTur <> ''");
    if (caja.isSnapshot() && jet::es_jet(caja.sourceFormat())) {
        l.marcas_caja_sin_quitar = contar(caja, marcadas, fechas);
        l.caja_solo_lectura = true;
    } else {
        l.marcas_caja = contar(caja, marcadas, fechas);
        caja.execute(QStringLiteral("UPDATE Caja SET CajaTur = '' WHERE CajaFec BETWEEN ") + entre, fechas);
    }
    // The link's statements go together or not at all: a clean-up stopped
    // half way would leave invoices staged without their sales lines, or
    // deposits gone while their invoices stay sent. Stopped after the
    // hotel's marks only, it has done nothing: a collection already in caj3
    // is not staged twice.
    ado::inOwnTransaction(a.cn_enlace, [&] {
        l.caj3 = contar(a.cn_enlace, QStringLiteral("caj3 WHERE CajFec BETWEEN ") + entre, fechas);
        a.cn_enlace.execute(QStringLiteral("DELETE * FROM caj3 WHERE CajFec BETWEEN ") + entre, fechas);
        l.edep3 = contar(a.cn_enlace, QStringLiteral("edep3 WHERE EdepFec BETWEEN ") + entre, fechas);
        a.cn_enlace.execute(QStringLiteral("DELETE * FROM edep3 WHERE EdepFec BETWEEN ") + entre, fechas);
        l.cre3 = contar(a.cn_enlace,
                        QStringLiteral("cre3 WHERE Cre3Fec BETWEEN ") + entre + QStringLiteral(" AND Cre3Estado <> '0'"), fechas);
        a.cn_enlace.execute(QStringLiteral("UPDATE cre3 SET Cre3Estado = '0' WHERE Cre3Fec BETWEEN ") + entre, fechas);
        l.fal3 = contar(a.cn_enlace, fal3_del_rango, fechas);
        a.cn_enlace.execute(QStringLiteral("DELETE * FROM ") + fal3_del_rango, fechas);
        l.fac3 = contar(a.cn_enlace, QStringLiteral("fac3 WHERE FacFec BETWEEN ") + entre, fechas);
        a.cn_enlace.execute(QStringLiteral("DELETE * FROM fac3 WHERE FacFec BETWEEN ") + entre, fechas);
    });

    // The clean-up has done its work even when there was nothing to remove;
    // the figures say what it found.
    platform::Summary s;
    s.text = QStringLiteral("Datos Temporales limpiados correctamente!");
    s.icon = platform::Icon::None;
    s.figures = resumen_limpieza(l);
    if (l.caja_solo_lectura)
        s.leftOut << aviso_caja_solo_lectura(l);
    a.ui.summary(s);
    return l;
}

Limpieza limpiar_temporales(Traspaso& t)
{
    const QDateTime inicio = QDateTime::currentDateTime();
    try {
        const Limpieza l = limpiar(t);
        QStringList lineas{fechas_de(t)};
        if (!l.hecha)
            lineas << QStringLiteral("No se ha limpiado nada: la instalación estaba ocupada o las fechas al revés.");
        lineas << resumen_limpieza(l);
        bitacora::anotar(t.a, QStringLiteral("limpieza"), inicio, lineas, l.hecha ? 0 : 1);
        return l;
    } catch (const std::exception& e) {
        bitacora::anotar(t.a, QStringLiteral("limpieza"), inicio, {fechas_de(t), bitacora::interrumpido(e)}, 1);
        throw;
    }
}
