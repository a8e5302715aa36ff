#include "transfer/preparacion.h"

#include "platform/punto_fallo.h"
#include "transfer/cuentas.h"
#include "transfer/records/registros.h"

#include <QDate>

#include <cmath>

namespace {

// Staged rows are committed in groups rather than one by one: on SQLite a
// commit per row costs a disk sync. Whatever was saved before a stop or a
// failure is committed on the way out, as it would have been without
// grouping, and the next transfer skips it. Each invoice or collection is
// whole by then (see preparar_entero); a group the database engine has
// rolled back by itself is let go, never committed in pieces.
class GrupoEnlace {
public:
    explicit GrupoEnlace(ado::Connection& cn) : cn_(cn)
    {
        if (!cn_.inTransaction()) {
            cn_.beginTrans();
            propio_ = true;
        }
    }
    ~GrupoEnlace()
    {
        if (!propio_ || !cn_.inTransaction())
            return;
        // Already leaving on an error; the first failure is the one to report.
        try {
            if (cn_.transactionLost())
                cn_.rollbackTrans();
            else
                cn_.commitTrans();
        } catch (...) {
            try {
                if (cn_.inTransaction())
                    cn_.rollbackTrans();
            } catch (...) {
            }
        }
    }
    GrupoEnlace(const GrupoEnlace&) = delete;
    GrupoEnlace& operator=(const GrupoEnlace&) = delete;

    void fila_guardada()
    {
        if (!propio_ || ++pendientes_ < kFilasPorGrupo)
            return;
        cn_.commitTrans();
        cn_.beginTrans();
        pendientes_ = 0;
    }
    void terminar()
    {
        if (propio_ && cn_.inTransaction())
            cn_.commitTrans();
        propio_ = false;
    }

private:
    static constexpr int kFilasPorGrupo = 10000;
    ado::Connection& cn_;
    bool propio_ = false;
    int pendientes_ = 0;
};

constexpr int kAvisoCada = 200;

// A text column gets "" for an empty value, never Null: the hotel's Null
// texts count as empty, and the readers of the staged rows compare with ''.
QVariant texto(const QString& valor)
{
    return valor.isNull() ? QVariant(QStringLiteral("")) : QVariant(valor);
}

QString entre_fechas(const Traspaso& t)
{
    return QStringLiteral("'") + ado::q(t.wdesde) + QStringLiteral("' AND '") + ado::q(t.whasta) + QStringLiteral("'");
}

// The holders kept from the last account decision may describe ctas3 rows
// that a rollback has just removed; the recordsets may hold such rows too.
void olvidar_lo_deshecho(Traspaso& t)
{
    A3ADO& a = t.a;
    t.reg_cliente = RegistroCliente();
    t.reg_agencia = RegistroCliente();
    t.reg_empresa = RegistroCliente();
    for (ado::Recordset* rs : {&a.rs_fac3, &a.rs_fal3, &a.rs_edep3, &a.rs_caj3, &a.rs_ctas3})
        rs->closeIfOpen();
}

QString factura_de(const QString& numero, const QString& eje)
{
    return QStringLiteral("Factura ") + numero + QStringLiteral(" del ejercicio ") + eje;
}

QString cobro_de(const QString& fecha, qint64 orden)
{
    const QDate dia = QDate::fromString(fecha, QStringLiteral("yyyyMMdd"));
    return QStringLiteral("Cobro de caja del ") + (dia.isValid() ? dia.toString(QStringLiteral("dd-MM-yyyy")) : fecha)
           + QStringLiteral(", orden ") + QString::number(orden);
}

// A failure while `quien` (an invoice, a collection) was being looked up or
// staged stops the staging; the message says which one it was.
template <typename Accion>
void nombrando(Traspaso& t, const QString& quien, Accion accion)
{
    try {
        accion();
    } catch (const ado::Error& e) {
        QString descripcion = quien + QStringLiteral(": ") + e.description();
        if (t.a.cn_enlace.transactionLost())
            descripcion += QStringLiteral(" Tampoco se ha guardado lo preparado desde la última confirmación; el "
                                          "próximo traspaso lo preparará de nuevo.");
        throw ado::Error(e.number(), descripcion, e.source());
    }
}

// Stages one invoice (with its lines, deposit and the accounts it records) or
// one collection as a whole: a failure half-way, on the hotel side or the
// link side, or a stop leaves no trace of it, and the next transfer stages
// it from the start.
template <typename Accion>
void preparar_entero(Traspaso& t, Accion accion)
{
    try {
        ado::Savepoint punto(t.a.cn_enlace);
        accion();
        punto.release();
    } catch (...) {
        olvidar_lo_deshecho(t);
        throw;
    }
    platform::punto_de_fallo("preparar");
}

} // namespace

// --- value rules ------------------------------------------------------------

double base_banda2(double total, double tipo)
{
    const double divisor = 1.0 + tipo / 100.0;
    if (divisor == 0.0 || !std::isfinite(divisor))
        return 0.0;   // a rate of -100 % has no base; never store an infinity
    return registros::redondear_par(total / divisor, 2);
}

QString cuenta_iva_factura(const QString& wcta_iva, bool wiva_por_tipo, double tipo)
{
    if (!wiva_por_tipo)
        return wcta_iva;
    const qint64 entero = qint64(registros::redondear(tipo, 0));
    const QString digitos = QString::number(entero < 0 ? -entero : entero).rightJustified(2, QLatin1Char('0'));
    return wcta_iva + (entero < 0 ? QStringLiteral("-") : QString()) + digitos;
}

QString empresa_000(const QString& wempresa)
{
    const QString limpio = wempresa.trimmed();
    bool numerico = false;
    const qint64 valor = limpio.toLongLong(&numerico);
    if (!numerico)
        return wempresa;
    const QString digitos = QString::number(valor < 0 ? -valor : valor).rightJustified(3, QLatin1Char('0'));
    return valor < 0 ? QStringLiteral("-") + digitos : digitos;
}

double importe_linea(double cantidad, double precio, const QString& cargo_abono)
{
    const double importe = registros::redondear(cantidad * precio, 3);
    // + 0.0 turns a negated zero into a plain zero.
    return (cargo_abono == QLatin1String("+") ? importe : -importe) + 0.0;
}

qint64 orden_cobro(const QVariant& valor)
{
    if (!valor.isValid() || valor.isNull())
        return 0;
    bool ok = false;
    const QString texto = valor.toString().trimmed();
    const qint64 entero = texto.toLongLong(&ok);
    if (ok)
        return entero;
    const double real = texto.toDouble(&ok);
    if (ok && std::isfinite(real))
        return qint64(std::nearbyint(real));
    return 0;
}

// --- staging ------------------------------------------------------------------

void normalizar_cuentas_clientes(Traspaso& t)
{
    t.a.conexion_hotel(QStringLiteral("cli"))
        .execute(QStringLiteral("UPDATE cli SET CliCta = '' WHERE CliCta = ' ' OR CliCta is null"));
}

bool ya_ha_sido_traspasado(Traspaso& t, const QString& eje, const QString& numero)
{
    A3ADO& a = t.a;
    a.rs_fac3.closeIfOpen();
    a.rs_fac3.open(QStringLiteral("SELECT * FROM fac3 WHERE FacEje = '") + ado::q(eje) + QStringLiteral("' AND FacFra = '")
                       + ado::q(numero) + QStringLiteral("'"),
                   a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    return !a.rs_fac3.eof();
}

bool ya_ha_sido_traspasado_caja(Traspaso& t, const QString& fecha, qint64 orden)
{
    A3ADO& a = t.a;
    a.rs_caj3.closeIfOpen();
    a.rs_caj3.open(QStringLiteral("SELECT * FROM caj3 WHERE CajFec = '") + ado::q(fecha) + QStringLiteral("' AND CajOrd = ")
                       + QString::number(orden),
                   a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    return !a.rs_caj3.eof();
}

void mover_datos_factura(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& emi = a.rs_emi;
    ado::Recordset& fac = a.rs_fac3;

    const QString eje = emi.text(QStringLiteral("EmiAno"));
    const QString numero = emi.text(QStringLiteral("EmiNum"));
    const double total = emi.number(QStringLiteral("EmiTot"));
    const double tipo2 = emi.number(QStringLiteral("EmiI2"));

    fac.addNew();
    fac.setField(QStringLiteral("FacEje"), texto(eje));
    fac.setField(QStringLiteral("FacFec"), texto(emi.text(QStringLiteral("EmiFec"))));
    fac.setField(QStringLiteral("FacFra"), texto(numero));
    fac.setField(QStringLiteral("FacCli"), texto(emi.text(QStringLiteral("EmiCli"))));
    fac.setField(QStringLiteral("FacB0"), 0.0);
    fac.setField(QStringLiteral("FacB1"), emi.number(QStringLiteral("EmiB1")));
    const double base2 = base_banda2(total, tipo2);
    fac.setField(QStringLiteral("FacB2"), base2);
    fac.setField(QStringLiteral("FacB3"), emi.number(QStringLiteral("EmiB3")));
    fac.setField(QStringLiteral("FacB4"), emi.number(QStringLiteral("EmiB4")));
    fac.setField(QStringLiteral("FacI1"), emi.number(QStringLiteral("EmiI1")));
    fac.setField(QStringLiteral("FacI2"), tipo2);
    fac.setField(QStringLiteral("FacI3"), emi.number(QStringLiteral("EmiI3")));
    fac.setField(QStringLiteral("FacI4"), emi.number(QStringLiteral("EmiI4")));
    fac.setField(QStringLiteral("FacC1"), emi.number(QStringLiteral("EmiC1")));
    // Band 2 base plus band 2 VAT is the total to the last bit.
    fac.setField(QStringLiteral("FacC2"), total - base2);
    fac.setField(QStringLiteral("FacC3"), emi.number(QStringLiteral("EmiC3")));
    fac.setField(QStringLiteral("FacC4"), emi.number(QStringLiteral("EmiC4")));
    fac.setField(QStringLiteral("FacTotal"), total);
    fac.setField(QStringLiteral("FacNifC"), texto(emi.text(QStringLiteral("EmiNif")).left(9)));
    fac.setField(QStringLiteral("FacEst"), QStringLiteral("0"));
    fac.setField(QStringLiteral("FacCliN"), texto(emi.text(QStringLiteral("EmiNom"))));
    fac.setField(QStringLiteral("FacIvaR"), texto(cuenta_iva_factura(a.wcta_iva, a.wiva_por_tipo, tipo2)));
    const QString cuenta =
        cuenta_cliente(t, numero, eje, emi.text(QStringLiteral("EmiCli")), emi.text(QStringLiteral("eMIC")));
    fac.setField(QStringLiteral("FacCtaC"), texto(cuenta));
    fac.setField(QStringLiteral("FacTasa"), emi.number(QStringLiteral("TasaImporte")));
    fac.update();

    if (a.wdesglosar_ventas)
        generar_fal(t, eje, numero);
}

void generar_fal(Traspaso& t, const QString& w_eje, const QString& w_numero)
{
    A3ADO& a = t.a;
    ado::Recordset& lineas = a.rs_hiscadia;
    lineas.closeIfOpen();
    lineas.open(QStringLiteral("SELECT * FROM Hiscadia WHERE HCadiaFra = '") + ado::q(w_numero)
                    + QStringLiteral("' AND HCadiaFraAno = '") + ado::q(w_eje) + QStringLiteral("'"),
                a.conexion_hotel(QStringLiteral("hiscadia")), ado::adOpenDynamic, ado::adLockReadOnly);
    if (lineas.eof()) {
        lineas.close();
        return;
    }

    // The recordset only serves to add the invoice's lines, so it is opened on
    // the invoice's own rows (normally none) rather than on all of fal3, which
    // keeps every invoice ever staged: reading the whole table again for each
    // invoice made a year's transfer take hours.
    const QString empresa = empresa_000(a.wempresa);
    ado::Recordset& fal = a.rs_fal3;
    fal.closeIfOpen();
    fal.open(QStringLiteral("SELECT * FROM fal3 WHERE FalEmp = '") + ado::q(empresa) + QStringLiteral("' AND FalEje = '")
                 + ado::q(w_eje) + QStringLiteral("' AND FalFra = '") + ado::q(w_numero) + QStringLiteral("'"),
             a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    qint64 orden = 0;
    while (!lineas.eof()) {
        ++orden;
        fal.addNew();
        fal.setField(QStringLiteral("FalEmp"), texto(empresa));
        fal.setField(QStringLiteral("FalEje"), texto(w_eje));
        fal.setField(QStringLiteral("FalOrden"), orden);
        fal.setField(QStringLiteral("FalFra"), texto(w_numero));
        QString cuenta = lineas.text(QStringLiteral("HCadiaCta"));
        if (!cuenta.isEmpty())
            ajustar_digitos(a.wdigitos, cuenta);
        fal.setField(QStringLiteral("FalCta"), texto(cuenta.isEmpty() ? a.wcta_cuadre : cuenta));
        fal.setField(QStringLiteral("FalImp"),
                     importe_linea(lineas.number(QStringLiteral("HCadiaCan")), lineas.number(QStringLiteral("HCadiaPre")),
                                   lineas.text(QStringLiteral("HCadiaCA"))));
        fal.update();
        lineas.moveNext();
    }
    fal.close();
    lineas.close();
}

void mover_deposito(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& emi = a.rs_emi;
    ado::Recordset& dep = a.rs_edep3;
    // Opened once for the whole invoice selection (preparar_facturas closes
    // it): reading all of edep3 again for each deposit grows with its history.
    if (!dep.isOpen())
        dep.open(QStringLiteral("SELECT * FROM edep3"), a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    dep.addNew();
    dep.setField(QStringLiteral("EdepFec"), texto(emi.text(QStringLiteral("EmiFec"))));
    // The whole account, even when it is longer than the column was declared:
    // a cut account would credit the deposit to another customer.
    const QString cuenta = cuenta_cliente(t, emi.text(QStringLiteral("EmiNum")), emi.text(QStringLiteral("EmiAno")),
                                          emi.text(QStringLiteral("EmiCli")), emi.text(QStringLiteral("eMIC")));
    dep.setField(QStringLiteral("EdepCli"), texto(cuenta));
    dep.setField(QStringLiteral("EdepImp"), emi.number(QStringLiteral("EmiDep")));
    dep.setField(QStringLiteral("EdepEstado"), QStringLiteral("0"));
    dep.setField(QStringLiteral("EdepFra"), texto(emi.text(QStringLiteral("EmiNum"))));
    dep.update();
}

void mover_datos_caja(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& caja = a.rs_caja;
    ado::Recordset& caj = a.rs_caj3;

    caj.addNew();
    caj.setField(QStringLiteral("CajFec"), texto(caja.text(QStringLiteral("CajaFec"))));
    caj.setField(QStringLiteral("CajOrd"), orden_cobro(caja.field(QStringLiteral("CajaOrd"))));
    caj.setField(QStringLiteral("CajImp"), caja.number(QStringLiteral("CajaImp")));

    const bool factura_nula = caja.isNull(QStringLiteral("CajaFra"));
    const QString factura = caja.text(QStringLiteral("CajaFra"));
    const QString ano_factura = caja.text(QStringLiteral("CajaAnoF"));
    if (factura.isEmpty()) {
        // Without an invoice the money is a deposit or an advance payment.
        caj.setField(QStringLiteral("CajFra"), texto(QString()));
        caj.setField(QStringLiteral("CajCli"), texto(a.wcta_depositos));
    } else {
        caj.setField(QStringLiteral("CajFra"), texto(factura));
        caj.setField(QStringLiteral("CajCli"), texto(cuenta_cliente2(t, factura, ano_factura)));
    }
    caj.setField(QStringLiteral("CajAnoF"), texto(ano_factura));
    caj.setField(QStringLiteral("CajCre"), texto(caja.text(QStringLiteral("CajaCre"))));
    // Only an advance payment typed without invoice ("" rather than Null)
    // carries its reference in the concept text.
    const bool anticipo = !factura_nula && factura.isEmpty();
    caj.setField(QStringLiteral("CajDep"),
                 texto(anticipo ? caja.text(QStringLiteral("CajaCon")).mid(12, 6) : QString()));
    caj.setField(QStringLiteral("CajCobro"), texto(cuenta_cobro(t, caja.text(QStringLiteral("CajaCobroc")))));
    caj.setField(QStringLiteral("CajCobroN"), texto(caja.text(QStringLiteral("CajaCobron"))));
    caj.setField(QStringLiteral("CajEstado"), QStringLiteral("0"));
    caj.update();
}

int preparar_facturas(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Connection& cn = a.conexion_hotel(QStringLiteral("emi"));
    a.rs_emi.closeIfOpen();
    if (a.wsql) {
        cn.execute(QStringLiteral("UPDATE emi set EmiN = '' WHERE EmiN is null"));
        cn.execute(QStringLiteral("UPDATE emi set EmiDep = 0 WHERE EmiDep is null"));
    } else {
        cn.execute(QStringLiteral("UPDATE emi SET EmiN = '' WHERE EmiN is null"));
        cn.execute(QStringLiteral("UPDATE emi SET EmiDep = 0 WHERE EmiDep is null"));
    }
    a.rs_emi.open(QStringLiteral("SELECT * FROM Emi WHERE EmiFec Between ") + entre_fechas(t)
                      + QStringLiteral(" AND EmiCie = '1' AND (EmiN <> 'B')"),
                  cn, ado::adOpenDynamic, ado::adLockOptimistic);

    const QString fase = QStringLiteral("Preparando facturas");
    a.ui.progress(fase, 0);
    a.rs_edep3.closeIfOpen();
    GrupoEnlace grupo(a.cn_enlace);
    int preparadas = 0;
    qint64 leidas = 0;
    while (!a.rs_emi.eof() && !a.ui.cancelled()) {
        const QString eje = a.rs_emi.text(QStringLiteral("EmiAno"));
        const QString numero = a.rs_emi.text(QStringLiteral("EmiNum"));
        bool preparada = false;
        nombrando(t, factura_de(numero, eje), [&] {
            if (ya_ha_sido_traspasado(t, eje, numero))
                return;
            preparar_entero(t, [&] {
                mover_datos_factura(t);
                // A deposit that rounds to no cent is no deposit.
                if (registros::centimos(a.rs_emi.number(QStringLiteral("EmiDep"))) != 0)
                    mover_deposito(t);
            });
            preparada = true;
        });
        if (preparada) {
            ++preparadas;
            grupo.fila_guardada();
        }
        a.rs_emi.moveNext();
        if (++leidas % kAvisoCada == 0)
            a.ui.progress(fase, leidas);
    }
    grupo.terminar();
    a.rs_emi.close();
    a.rs_fac3.closeIfOpen();
    a.rs_edep3.closeIfOpen();
    a.ui.progress(fase, leidas);
    return preparadas;
}

int preparar_cobros(Traspaso& t)
{
    A3ADO& a = t.a;
    // A new staging asks the payment methods afresh: they may have been
    // edited since the last transfer of this window.
    t.cuentas_cobro.clear();
    ado::Recordset& caja = a.rs_caja;
    caja.closeIfOpen();
    caja.open(QStringLiteral("SELECT * FROM caja WHERE CajaFec Between ") + entre_fechas(t)
                  + QStringLiteral(" AND CajaPago = '1'"),
              a.conexion_hotel(QStringLiteral("caja")), ado::adOpenDynamic, ado::adLockReadOnly);

    const QString fase = QStringLiteral("Preparando cobros de caja");
    a.ui.progress(fase, 0);
    GrupoEnlace grupo(a.cn_enlace);
    int preparados = 0;
    qint64 leidos = 0;
    while (!caja.eof() && !a.ui.cancelled()) {
        const QString fecha = caja.text(QStringLiteral("CajaFec"));
        const qint64 orden = orden_cobro(caja.field(QStringLiteral("CajaOrd")));
        bool preparado = false;
        nombrando(t, cobro_de(fecha, orden), [&] {
            if (ya_ha_sido_traspasado_caja(t, fecha, orden))
                return;
            preparar_entero(t, [&] { mover_datos_caja(t); });
            preparado = true;
        });
        if (preparado) {
            ++preparados;
            grupo.fila_guardada();
        }
        caja.moveNext();
        if (++leidos % kAvisoCada == 0)
            a.ui.progress(fase, leidos);
    }
    grupo.terminar();
    caja.close();
    a.rs_caj3.closeIfOpen();
    a.ui.progress(fase, leidos);
    return preparados;
}
