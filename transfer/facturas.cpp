#include "transfer/facturas.h"

#include "transfer/records/registros.h"

using registros::centimos;

namespace {

const QString kBlancos18 = QString(18, QLatin1Char(' '));

double campo(const Traspaso& t, const char* nombre)
{
    return t.a.rs_fac3.number(QLatin1String(nombre));
}

double base_banda(const Traspaso& t, int tbase)
{
    switch (tbase) {
    case 1: return campo(t, "FacB1");
    case 2: return campo(t, "FacB2") + campo(t, "FacTasa");
    case 3: return campo(t, "FacB3");
    case 4: return campo(t, "FacB4");
    default: return 0;
    }
}

double tanto_banda(const Traspaso& t, int tbase)
{
    switch (tbase) {
    case 1: return campo(t, "FacI1");
    case 2: return campo(t, "FacI2");
    case 3: return campo(t, "FacI3");
    case 4: return campo(t, "FacI4");
    default: return 0;
    }
}

double cuota_banda(const Traspaso& t, int tbase)
{
    switch (tbase) {
    case 1: return campo(t, "FacC1");
    case 2: return campo(t, "FacC2");
    case 3: return campo(t, "FacC3");
    case 4: return campo(t, "FacC4");
    default: return 0;
    }
}

// Fields shared by every line of one invoice.
struct ComunFactura {
    QString empresa;
    QString fecha;
    QString documento;   // the invoice number as given; the builders pad it
    QString concepto;
};

ComunFactura comun_factura(const Traspaso& t)
{
    const ado::Recordset& rs = t.a.rs_fac3;
    ComunFactura c;
    c.empresa = t.a.wempresa;
    c.fecha = rs.text(QStringLiteral("FacFec"));
    c.documento = rs.text(QStringLiteral("FacFra"));
    c.concepto = QStringLiteral("Nuestra Factura N.") + c.documento;
    return c;
}

QString cabecera(const Traspaso& t, const ComunFactura& c)
{
    const ado::Recordset& rs = t.a.rs_fac3;
    registros::CabeceraFactura r;
    r.empresa = c.empresa;
    r.fecha = c.fecha;
    r.cuenta = rs.text(QStringLiteral("FacCtaC"));
    r.nombre = registros::cortar_rellenar(rs.text(QStringLiteral("FacCliN")), 30);
    r.documento = c.documento;
    r.concepto = c.concepto;
    r.total = rs.number(QStringLiteral("FacTotal"));
    return registros::registro_cabecera_factura(r);
}

struct CuentaVentas {
    QString cuenta;
    QString descripcion;
};

CuentaVentas cuenta_cuadre(const Traspaso& t)
{
    return {t.a.wcta_cuadre, QStringLiteral("VENTAS HOTEL") + kBlancos18};
}

CuentaVentas cuenta_tasa(const Traspaso& t)
{
    return {t.a.wcta_tasa.trimmed(), QStringLiteral("Impuesto EET") + kBlancos18};
}

QStringList lineas_iva(const Traspaso& t, const ComunFactura& c, const QString& bandas,
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
        r.base = base_banda(t, banda);
        r.tipo = tanto_banda(t, banda);
        r.cuota = cuota_banda(t, banda);
        lineas << registros::registro_linea_iva(r);
    }
    return lineas;
}

// The sales-breakdown entry. Its closing line carries the sum of the amounts
// as they were written (each rounded to cents), so the entry always balances
// even though the sales lines carry three decimals.
QStringList desglose_ventas(Traspaso& t, const ComunFactura& c)
{
    ado::Recordset& rs = t.a.rs_fac3;
    ado::Recordset& fal = t.a.rs_fal3;
    const QString filtro = QStringLiteral("FalEmp = '") + ado::q(empresa_tres_digitos(t.a.wempresa))
        + QStringLiteral("' AND FalEje = '") + ado::q(rs.text(QStringLiteral("FacEje")))
        + QStringLiteral("' AND FalFra = '") + ado::q(rs.text(QStringLiteral("FacFra"))) + QStringLiteral("'");

    fal.closeIfOpen();
    fal.open(QStringLiteral("SELECT Count(*) as ContaFal FROM fal3 WHERE ") + filtro, t.a.cn_enlace,
             ado::adOpenDynamic, ado::adLockOptimistic);
    fal.close();

    const QString concepto = QStringLiteral("Desglose N/Factura") + QString(12, QLatin1Char(' '));
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

    const double tasa = rs.number(QStringLiteral("FacTasa"));
    if (centimos(tasa) != 0) {
        const CuentaVentas ct = cuenta_tasa(t);
        linea(ct.cuenta, ct.descripcion, QStringLiteral("H"), ct.descripcion, tasa);
        total_centimos += centimos(tasa);
    }

    fal.open(QStringLiteral("SELECT Sum(FalImp) AS FalSuma, FalCta FROM fal3 WHERE ") + filtro
                 + QStringLiteral(" GROUP BY FalCta"),
             t.a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    while (!fal.eof()) {
        const double suma = fal.number(QStringLiteral("FalSuma"));
        linea(fal.text(QStringLiteral("FalCta")), QString(30, QLatin1Char('?')), QStringLiteral("H"), concepto,
              suma);
        total_centimos += centimos(suma);
        fal.moveNext();
    }
    fal.close();

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

QString empresa_tres_digitos(const QString& wempresa)
{
    bool numero = false;
    const qlonglong n = wempresa.trimmed().toLongLong(&numero);
    if (!numero)
        return wempresa;
    return QString::number(n).rightJustified(3, QLatin1Char('0'));
}

bool es_factura_solo_tasa(const ado::Recordset& fac3)
{
    const double total = fac3.number(QStringLiteral("FacTotal"));
    const double c2 = fac3.number(QStringLiteral("FacC2"));
    return centimos(total - c2) == centimos(fac3.number(QStringLiteral("FacTasa")));
}

QString cuantas_bases(Traspaso& t)
{
    QString bandas;
    if (centimos(campo(t, "FacB0")) != 0)
        bandas += QLatin1Char('0');
    if (centimos(campo(t, "FacB1")) != 0)
        bandas += QLatin1Char('1');
    if (centimos(campo(t, "FacB2")) != 0 || t.factura_solo_tasa)
        bandas += QLatin1Char('2');
    if (centimos(campo(t, "FacB3")) != 0)
        bandas += QLatin1Char('3');
    if (centimos(campo(t, "FacB4")) != 0)
        bandas += QLatin1Char('4');
    return bandas;
}

QString bases(Traspaso& t, int tbase)
{
    return registros::importe(base_banda(t, tbase), QStringLiteral("base imponible"));
}

QString tanto(Traspaso& t, int tbase)
{
    return registros::tanto(tanto_banda(t, tbase), QStringLiteral("tipo de IVA"));
}

QString cuota(Traspaso& t, int tbase)
{
    return registros::importe(cuota_banda(t, tbase), QStringLiteral("cuota de IVA"));
}

QStringList generar_factura_ascii(Traspaso& t)
{
    t.factura_solo_tasa = es_factura_solo_tasa(t.a.rs_fac3);
    const ComunFactura c = comun_factura(t);

    QStringList lineas;
    lineas << cabecera(t, c);

    QString bandas = cuantas_bases(t);
    if (bandas.isEmpty())
        bandas = QStringLiteral("0");
    const CuentaVentas ventas = t.factura_solo_tasa ? cuenta_tasa(t) : cuenta_cuadre(t);
    lineas << lineas_iva(t, c, bandas, ventas);

    if (t.a.wdesglosar_ventas && !t.factura_solo_tasa)
        lineas << desglose_ventas(t, c);
    return lineas;
}
