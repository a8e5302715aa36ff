#include "transfer/apuntes.h"

#include "transfer/cuentas.h"
#include "transfer/preparacion.h"
#include "platform/vb.h"

using registros::Apunte;

namespace {

Apunte apunte_base(const Traspaso& t, const QString& fecha)
{
    Apunte a;
    a.empresa = t.a.wempresa;
    a.fecha = fecha;
    return a;
}

QString concepto_credito(const ado::Recordset& rs)
{
    return QStringLiteral("Cobro Credito Factura") + rs.text(QStringLiteral("Cre3Fra"));
}

// The hotel product fills cre3: an amount it left Null, or kept as text that
// is no number ("12abc", "1.234,56"), is refused, not sent as 0.00 or as the
// digits it starts with.
double importe_credito(const ado::Recordset& rs)
{
    const QVariant v = rs.field(QStringLiteral("Cre3Imp"));
    const NumeroHotel n = numero_hotel(v);
    if (n.estado == NumeroHotel::Vacio)
        throw registros::RegistroRechazado(QStringLiteral("importe"), v.toString(), QStringLiteral("está vacío"));
    // A number that is not finite is the record's to refuse, as anywhere.
    const bool es_texto = v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
    if (n.estado == NumeroHotel::NoNumero && es_texto)
        throw registros::RegistroRechazado(QStringLiteral("importe"), v.toString(), QStringLiteral("no es un número"));
    return rs.number(QStringLiteral("Cre3Imp"));
}

} // namespace

std::optional<Apunte> apunte_debe_caja(Traspaso& t)
{
    const ado::Recordset& rs = t.a.rs_caj3;
    const double suma = t.wsuma_caja;
    if (vb::centimos(suma) == 0) {
        if (t.wlinea == 1)
            t.wlinea = 0;
        return std::nullopt;
    }
    const QString nombre = rs.text(QStringLiteral("CajCobroN"));
    Apunte a = apunte_base(t, amd(t.wdia));
    a.cuenta = rs.text(QStringLiteral("CajCobro"));
    a.descripcion = registros::cortar_rellenar(nombre, 30);
    a.lado = QStringLiteral("D");
    a.posicion = t.wlinea == 1 ? QStringLiteral("I") : QStringLiteral("M");
    a.concepto = QStringLiteral("Cobros Dia ") + registros::cortar_rellenar(nombre, 19);
    a.importe = suma;
    return a;
}

std::optional<Apunte> apunte_haber_caja(Traspaso& t)
{
    const ado::Recordset& rs = t.a.rs_caj3;
    const double importe = rs.number(QStringLiteral("CajImp"));
    if (vb::centimos(importe) == 0)
        return std::nullopt;
    Apunte a = apunte_cobro(t, amd(t.wdia), rs.text(QStringLiteral("CajCli")), rs.text(QStringLiteral("CajFra")), importe);
    a.posicion = t.wlinea == t.wtotal_cobros ? QStringLiteral("U") : QStringLiteral("M");
    return a;
}

Apunte apunte_cobro(const Traspaso& t, const QString& fecha, const QString& cliente, const QString& factura,
                    double importe)
{
    Apunte a = apunte_base(t, fecha);
    a.cuenta = cliente;
    a.lado = QStringLiteral("H");
    a.documento = factura;
    a.posicion = QStringLiteral("M");
    a.concepto = QStringLiteral("Cobros N/Factura N. ")
        + registros::rellenar(factura, 10, QStringLiteral("factura del cobro"));
    a.importe = importe;
    return a;
}

QStringList cerrar_asiento_caja(std::vector<Apunte> lineas)
{
    QStringList salida;
    const int n = static_cast<int>(lineas.size());
    for (int i = 0; i < n; ++i) {
        Apunte& a = lineas[static_cast<size_t>(i)];
        if (i == 0)
            a.posicion = QStringLiteral("I");
        else if (i == n - 1)
            a.posicion = QStringLiteral("U");
        else
            a.posicion = QStringLiteral("M");
        salida << registros::registro_apunte(a);
    }
    return salida;
}

FilaDeposito leer_deposito(const ado::Recordset& rs)
{
    return {rs.text(QStringLiteral("EdepFec")), rs.text(QStringLiteral("EdepCli")), rs.text(QStringLiteral("EdepFra")),
            rs.number(QStringLiteral("EdepImp"))};
}

QStringList lineas_deposito(const Traspaso& t, const FilaDeposito& d)
{
    Apunte debe = apunte_base(t, d.fecha);
    debe.cuenta = t.a.wcta_depositos;
    debe.lado = QStringLiteral("D");
    debe.posicion = QStringLiteral("I");
    debe.concepto = QStringLiteral("Dep.Descontado Factura ") + d.factura;
    debe.importe = d.importe;
    Apunte haber = debe;
    haber.cuenta = d.cuenta;
    haber.lado = QStringLiteral("H");
    haber.posicion = QStringLiteral("U");
    return {registros::registro_apunte(debe), registros::registro_apunte(haber)};
}

QString crear_credito_debe(Traspaso& t)
{
    const ado::Recordset& rs = t.a.rs_cre3;
    Apunte a = apunte_base(t, rs.text(QStringLiteral("Cre3FecValor")));
    a.cuenta = rs.text(QStringLiteral("Cre3Cobro"));
    a.descripcion = registros::cortar_rellenar(rs.text(QStringLiteral("Cre3CobroN")), 30);
    a.lado = QStringLiteral("D");
    a.documento = rs.text(QStringLiteral("Cre3Fra"));
    a.posicion = QStringLiteral("I");
    a.concepto = concepto_credito(rs);
    a.importe = importe_credito(rs);
    return registros::registro_apunte(a);
}

QString crear_credito_haber(Traspaso& t)
{
    const ado::Recordset& rs = t.a.rs_cre3;
    Apunte a = apunte_base(t, rs.text(QStringLiteral("Cre3FecValor")));
    a.cuenta = rs.text(QStringLiteral("Cre3Cli"));
    a.lado = QStringLiteral("H");
    a.documento = rs.text(QStringLiteral("Cre3Fra"));
    a.posicion = QStringLiteral("U");
    a.concepto = concepto_credito(rs);
    a.importe = importe_credito(rs);
    return registros::registro_apunte(a);
}
