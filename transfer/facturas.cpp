#include "transfer/facturas.h"

#include "transfer/preparacion.h"
#include "transfer/records/registros.h"
#include "platform/vb.h"

using vb::centimos;

namespace {

// The staged invoice as read once from the current row of rs_fac3.
FilaFactura leer_factura(const ado::Recordset& rs)
{
    FilaFactura f;
    f.eje = rs.text(QStringLiteral("FacEje"));
    f.fra = rs.text(QStringLiteral("FacFra"));
    f.fec = rs.text(QStringLiteral("FacFec"));
    f.cuenta = rs.text(QStringLiteral("FacCtaC"));
    f.nombre = rs.text(QStringLiteral("FacCliN"));
    // Names made once: a field is found faster by a name that stays put.
    static const QString kBases[5] = {QStringLiteral("FacB0"), QStringLiteral("FacB1"), QStringLiteral("FacB2"),
                                      QStringLiteral("FacB3"), QStringLiteral("FacB4")};
    static const QString kTipos[5] = {QString(), QStringLiteral("FacI1"), QStringLiteral("FacI2"),
                                      QStringLiteral("FacI3"), QStringLiteral("FacI4")};
    static const QString kCuotas[5] = {QString(), QStringLiteral("FacC1"), QStringLiteral("FacC2"),
                                       QStringLiteral("FacC3"), QStringLiteral("FacC4")};
    for (int n = 0; n < 5; ++n) {
        f.b[n] = rs.number(kBases[n]);
        if (n > 0) {
            f.i[n] = rs.number(kTipos[n]);
            f.c[n] = rs.number(kCuotas[n]);
        }
    }
    // A staged invoice without its total (a row of an older link database)
    // would go out as a header of 0.00 against VAT lines that are not.
    if (rs.isNull(QStringLiteral("FacTotal")))
        throw registros::RegistroRechazado(QStringLiteral("total"), QString(), QStringLiteral("está vacío"));
    f.total = rs.number(QStringLiteral("FacTotal"));
    f.tasa = rs.number(QStringLiteral("FacTasa"));
    return f;
}

bool banda_valida(int tbase)
{
    return tbase >= 1 && tbase <= 4;
}

// The taxable base of band 2 carries the tourist tax too.
double base_banda(const FilaFactura& f, int tbase)
{
    if (!banda_valida(tbase))
        return 0;
    return tbase == 2 ? f.b[2] + f.tasa : f.b[tbase];
}

double tanto_banda(const FilaFactura& f, int tbase)
{
    return banda_valida(tbase) ? f.i[tbase] : 0;
}

double cuota_banda(const FilaFactura& f, int tbase)
{
    return banda_valida(tbase) ? f.c[tbase] : 0;
}

bool solo_tasa(const FilaFactura& f)
{
    return centimos(f.total - f.c[2]) == centimos(f.tasa);
}

QString bandas_de(const FilaFactura& f, bool factura_solo_tasa)
{
    QString bandas;
    for (int n = 0; n < 5; ++n)
        if (centimos(f.b[n]) != 0 || (n == 2 && factura_solo_tasa))
            bandas += QChar(QLatin1Char('0' + n));
    return bandas;
}

// Fields shared by every line of one invoice.
struct ComunFactura {
    QString empresa;
    QString fecha;
    QString documento;   // the invoice number as given; the builders pad it
    QString concepto;
};

ComunFactura comun_factura(const Traspaso& t, const FilaFactura& f)
{
    ComunFactura c;
    c.empresa = t.a.wempresa;
    c.fecha = f.fec;
    c.documento = f.fra;
    c.concepto = QStringLiteral("Nuestra Factura N.") + c.documento;
    return c;
}

QString cabecera(const FilaFactura& f, const ComunFactura& c)
{
    registros::CabeceraFactura r;
    r.empresa = c.empresa;
    r.fecha = c.fecha;
    r.cuenta = f.cuenta;
    r.nombre = registros::cortar_rellenar(f.nombre, 30);
    r.documento = c.documento;
    r.concepto = c.concepto;
    r.total = f.total;
    return registros::registro_cabecera_factura(r);
}

struct CuentaVentas {
    QString cuenta;
    QString descripcion;
};

CuentaVentas cuenta_cuadre(const Traspaso& t)
{
    return {t.a.wcta_cuadre, QStringLiteral("VENTAS HOTEL                  ")};
}

CuentaVentas cuenta_tasa(const Traspaso& t)
{
    return {t.a.wcta_tasa.trimmed(), QStringLiteral("Impuesto EET                  ")};
}

QStringList lineas_iva(const FilaFactura& f, const ComunFactura& c, const QString& bandas,
                       const CuentaVentas& ventas)
{
    QStringList lineas;
    for (int i = 0; i < bandas.size(); ++i) {
        const int banda = bandas.at(i).digitValue();
        registros::LineaIva r;
        r.empresa = c.empresa;
        r.fecha = c.fecha;
        r.cuenta = ventas.cuenta;
        r.descripcion = ventas.descripcion;
        r.documento = c.documento;
        r.posicion = i == bandas.size() - 1 ? QStringLiteral("U") : QStringLiteral("M");
        r.concepto = c.concepto;
        r.base = base_banda(f, banda);
        r.tipo = tanto_banda(f, banda);
        r.cuota = cuota_banda(f, banda);
        lineas << registros::registro_linea_iva(r);
    }
    return lineas;
}

// The sales of the invoice by account, as fal3 holds them.
std::vector<VentasCuenta> ventas_de(Traspaso& t, const FilaFactura& f)
{
    t.a.rs_fal3.closeIfOpen();
    std::vector<VentasCuenta> ventas;
    ado::Rows::each(t.a.cn_enlace,
                    QStringLiteral("SELECT Sum(FalImp) AS FalSuma, FalCta FROM fal3 "
                                   "WHERE FalEmp = ? AND FalEje = ? AND FalFra = ? GROUP BY FalCta"),
                    {empresa_000(t.a.wempresa), f.eje, f.fra}, [&](const ado::Row& fila) {
                        ventas.push_back({fila.text(fila.column(QStringLiteral("FalCta"))),
                                          fila.number(fila.column(QStringLiteral("FalSuma")))});
                    });
    return ventas;
}

// The sales-breakdown entry. Its closing line carries the sum of the amounts
// as they were written (each rounded to cents), so the entry always balances
// even though the sales lines carry three decimals.
QStringList desglose_ventas(const Traspaso& t, const FilaFactura& f, const ComunFactura& c,
                            const std::vector<VentasCuenta>& ventas)
{
    const QString concepto = QStringLiteral("Desglose N/Factura            ");
    // A sales account's line has no description of its own: thirty "?".
    const QString sin_descripcion(30, QLatin1Char('?'));
    QStringList lineas;
    qint64 total_centimos = 0;
    auto linea = [&](const QString& cuenta, const QString& descripcion, const QString& lado,
                     const QString& conc, double importe) {
        registros::Apunte a;
        a.empresa = c.empresa;
        a.fecha = c.fecha;
        a.cuenta = cuenta;
        a.descripcion = descripcion;
        a.lado = lado;
        a.documento = c.documento;
        a.posicion = lineas.isEmpty() ? QStringLiteral("I") : QStringLiteral("M");
        a.concepto = conc;
        a.importe = importe;
        lineas << registros::registro_apunte(a);
    };

    const double tasa = f.tasa;
    if (centimos(tasa) != 0) {
        const CuentaVentas ct = cuenta_tasa(t);
        linea(ct.cuenta, ct.descripcion, QStringLiteral("H"), ct.descripcion, tasa);
        total_centimos += centimos(tasa);
    }
    for (const VentasCuenta& v : ventas) {
        linea(v.cuenta, sin_descripcion, QStringLiteral("H"), concepto, v.suma);
        total_centimos += centimos(v.suma);
    }

    const CuentaVentas cv = cuenta_cuadre(t);
    registros::Apunte cierre;
    cierre.empresa = c.empresa;
    cierre.fecha = c.fecha;
    cierre.cuenta = cv.cuenta;
    cierre.descripcion = cv.descripcion;
    cierre.lado = QStringLiteral("D");
    cierre.documento = c.documento;
    cierre.posicion = QStringLiteral("U");
    cierre.concepto = concepto;
    cierre.importe = static_cast<double>(total_centimos) / 100.0;
    lineas << registros::registro_apunte(cierre);
    return lineas;
}

} // namespace

bool es_factura_solo_tasa(const ado::Recordset& fac3)
{
    return solo_tasa(leer_factura(fac3));
}

QString cuantas_bases(Traspaso& t)
{
    return bandas_de(leer_factura(t.a.rs_fac3), t.factura_solo_tasa);
}

QString bases(Traspaso& t, int tbase)
{
    return registros::importe(base_banda(leer_factura(t.a.rs_fac3), tbase), QStringLiteral("base imponible"));
}

QString tanto(Traspaso& t, int tbase)
{
    return registros::tanto(tanto_banda(leer_factura(t.a.rs_fac3), tbase), QStringLiteral("tipo de IVA"));
}

QString cuota(Traspaso& t, int tbase)
{
    return registros::importe(cuota_banda(leer_factura(t.a.rs_fac3), tbase), QStringLiteral("cuota de IVA"));
}

QStringList lineas_factura(const Traspaso& t, const FilaFactura& f, const std::vector<VentasCuenta>& ventas)
{
    const bool factura_solo_tasa = solo_tasa(f);
    const ComunFactura c = comun_factura(t, f);

    QStringList lineas;
    lineas << cabecera(f, c);

    QString bandas = bandas_de(f, factura_solo_tasa);
    if (bandas.isEmpty())
        bandas = QStringLiteral("0");
    const CuentaVentas cuenta = factura_solo_tasa ? cuenta_tasa(t) : cuenta_cuadre(t);
    lineas << lineas_iva(f, c, bandas, cuenta);

    if (t.a.wdesglosar_ventas && !factura_solo_tasa)
        lineas << desglose_ventas(t, f, c, ventas);
    return lineas;
}

QStringList generar_factura_ascii(Traspaso& t)
{
    const FilaFactura f = leer_factura(t.a.rs_fac3);
    t.factura_solo_tasa = solo_tasa(f);
    const bool con_desglose = t.a.wdesglosar_ventas && !t.factura_solo_tasa;
    return lineas_factura(t, f, con_desglose ? ventas_de(t, f) : std::vector<VentasCuenta>());
}
