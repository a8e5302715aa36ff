#include "transfer/ejecucion.h"

#include "data/instalacion_ocupada.h"
#include "platform/interaction.h"
#include "transfer/cuentas.h"
#include "transfer/preparacion.h"

namespace {

using platform::Reloj;

QString rango(const Traspaso& t)
{
    return QStringLiteral("'") + ado::q(t.wdesde) + QStringLiteral("' AND '") + ado::q(t.whasta) + QStringLiteral("'");
}

// The closing words of a run. Success is only claimed for a file that holds
// everything staged; otherwise the user learns what is missing and why.
void informar_fin(platform::Interaction& ui, const ResultadoGeneracion& g, const std::vector<DatoRechazado>& rechazados)
{
    const QString titulo = QStringLiteral("Fin del Traspaso");
    QString no_traspasados;
    if (!rechazados.empty())
        no_traspasados = QStringLiteral("\nEstos datos del hotel no se han traspasado; corríjalos en Noctaris Hotel y "
                                        "vuelva a traspasar las fechas:\n")
                         + informe_rechazados(rechazados).join(QLatin1Char('\n'));
    if (g.completo() && rechazados.empty()) {
        ui.report(QStringLiteral("Se ha generado Suenlace.dat correctamente"),
                  resumen_generacion(g).join(QLatin1Char('\n')), titulo, platform::Icon::Information);
        return;
    }
    if (!g.fichero_ok) {
        // The generation says which file and why (and whether anything was marked).
        ui.message((g.error.isEmpty() ? QStringLiteral("No se ha podido generar el fichero ") + g.ruta + QStringLiteral(".")
                                      : g.error)
                       + no_traspasados,
                   titulo, platform::Icon::Critical);
        return;
    }
    QString texto = QStringLiteral("Se ha generado ") + g.ruta;
    if (!g.omitidos.isEmpty()) {
        texto += QStringLiteral(", pero sin los asientos siguientes, que quedan pendientes para el próximo traspaso:");
        for (const QString& omitido : g.omitidos)
            texto += QStringLiteral("\n") + omitido;
    } else {
        texto += QLatin1Char('.');
    }
    ui.report(texto + no_traspasados, resumen_generacion(g).join(QLatin1Char('\n')), titulo,
              platform::Icon::Exclamation);
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

ResultadoTraspaso iniciar(Traspaso& t)
{
    A3ADO& a = t.a;
    ResultadoTraspaso resultado;
    const QString al_reves = rango_al_reves(t.wdesde, t.whasta);
    if (!al_reves.isEmpty()) {
        a.ui.message(al_reves, QStringLiteral("Traspaso"), platform::Icon::Exclamation);
        resultado.rango_invertido = true;
        return resultado;
    }

    const std::unique_ptr<platform::Bloqueo> bloqueo = ocupar_instalacion(a, QStringLiteral("traspaso"));
    if (!bloqueo) {
        resultado.ocupada = true;
        return resultado;
    }
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
    informar_fin(a.ui, resultado.generacion, resultado.rechazados);
    return resultado;
}

bool limpiar_temporales(Traspaso& t)
{
    A3ADO& a = t.a;
    const QString al_reves = rango_al_reves(t.wdesde, t.whasta);
    if (!al_reves.isEmpty()) {
        a.ui.message(al_reves, QStringLiteral("Limpieza"), platform::Icon::Exclamation);
        return false;
    }
    // Deleting staged rows while another run writes or marks them would
    // lose or resend them.
    const auto ocupada = ocupar_instalacion(a, QStringLiteral("limpieza"));
    if (!ocupada)
        return false;
    Reloj reloj(a.ui);
    const QString entre = rango(t);

    a.conexion_hotel(QStringLiteral("caja"))
        .execute(QStringLiteral("UPDATE Caja SET CajaTur = '' WHERE CajaFec BETWEEN ") + entre);
    a.cn_enlace.execute(QStringLiteral("DELETE * FROM caj3 WHERE CajFec BETWEEN ") + entre);
    a.cn_enlace.execute(QStringLiteral("DELETE * FROM edep3 WHERE EdepFec BETWEEN ") + entre);
    a.cn_enlace.execute(QStringLiteral("UPDATE cre3 SET Cre3Estado = '0' WHERE Cre3Fec BETWEEN ") + entre);
    // Only the sales lines of the invoices deleted below: an invoice of
    // another range that is still waiting keeps its breakdown.
    a.cn_enlace.execute(QStringLiteral("DELETE * FROM fal3 WHERE EXISTS (SELECT * FROM fac3 WHERE fac3.FacEje = fal3.FalEje "
                                       "AND fac3.FacFra = fal3.FalFra AND fac3.FacFec BETWEEN ")
                        + entre + QStringLiteral(")"));
    a.cn_enlace.execute(QStringLiteral("DELETE * FROM fac3 WHERE FacFec BETWEEN ") + entre);

    a.ui.message(QStringLiteral("Datos Temporales limpiados correctamente!"));
    return true;
}
