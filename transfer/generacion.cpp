#include "transfer/generacion.h"

#include "transfer/apuntes.h"
#include "transfer/cuentas.h"
#include "transfer/facturas.h"
#include "transfer/fichero_suenlace.h"
#include "transfer/records/registros.h"
#include "platform/vb.h"

#include <QHash>
#include <cmath>

namespace {

constexpr qint64 kCadaCuantosAvisar = 500;

// One run over the staging tables. The marks and the file take effect
// together (FicheroSuenlace): A3Con must never be missing a record whose row
// says it was sent, nor get one twice.
class Generacion {
public:
    Generacion(Traspaso& t, ResultadoGeneracion& r)
        : t(t), a(t.a), r(r), fichero(t.a, diario::Tipo::Traspaso, t.wdesde, t.whasta)
    {
    }

    void ejecutar();

private:
    void cerrar_fichero();

    void seccion_cuentas();
    void seccion_facturas();
    void seccion_depositos();
    void seccion_caja();
    void seccion_creditos();
    void dia_de_caja();

    // Each section is a step of its own: a database failure abandons it and
    // the run goes on with the next, telling the user what was not sent.
    template <typename F> void seccion(const QString& nombre, F&& cuerpo);
    bool escribir(const QStringList& lineas) { return fichero.escribir(lineas); }
    // Marks come before the lines: a row whose mark fails is left out of
    // the file, so nothing goes out that stays pending.
    bool marcar(ado::Recordset& rs, const QString& tabla, const QString& columna, const QString& quien);
    // A run the user cancelled stops where it is and is abandoned whole.
    bool detenido() { return a.ui.cancelled() || !fichero.transaccion_viva(); }
    void omitir(const QString& quien, const QString& motivo) { r.omitidos << quien + QStringLiteral(": ") + motivo; }
    void avisar(const QString& fase, qint64 n)
    {
        if (n % kCadaCuantosAvisar == 0)
            a.ui.progress(fase, n);
    }
    void abrir(ado::Recordset& rs, const QString& sql, const ado::Values& valores = {})
    {
        rs.closeIfOpen();
        rs.open(sql, valores, a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
        a.ui.expect(rs.recordCount());
    }
    // Totals and rows that are only read: nothing is saved through them.
    void consultar(ado::Recordset& rs, const QString& sql, const ado::Values& valores)
    {
        rs.closeIfOpen();
        rs.open(sql, valores, a.cn_enlace, ado::adOpenDynamic, ado::adLockReadOnly);
    }

    Traspaso& t;
    A3ADO& a;
    ResultadoGeneracion& r;
    FicheroSuenlace fichero;
};

QString fecha_legible(const QDate& d)
{
    return d.toString(QStringLiteral("dd-MM-yyyy"));
}

QString texto_cancelado(const QString& ruta)
{
    return QStringLiteral("Traspaso cancelado: no se ha marcado nada como enviado y el fichero ") + ruta
           + QStringLiteral(" queda como estaba.");
}

void Generacion::ejecutar()
{
    // Cancelled while staging: the file is not even opened (nor asked about).
    if (a.ui.cancelled()) {
        r.ruta = platform::DriveMap::forDisplay(a.wruta + QStringLiteral("\\Suenlace.dat"));
        r.error = texto_cancelado(r.ruta);
        return;
    }
    const bool abierto = fichero.abrir();
    r.ruta = fichero.ruta();
    if (!abierto) {
        r.fichero_ok = false;
        r.error = fichero.error();
        return;
    }

    if (a.wcrear_cuentas)
        seccion(QStringLiteral("Cuentas"), [this] { seccion_cuentas(); });
    seccion(QStringLiteral("Facturas"), [this] { seccion_facturas(); });
    seccion(QStringLiteral("Depósitos"), [this] { seccion_depositos(); });
    seccion(QStringLiteral("Cobros de caja"), [this] { seccion_caja(); });
    if (a.wtraspasar_creditos)
        seccion(QStringLiteral("Créditos"), [this] { seccion_creditos(); });

    cerrar_fichero();
}

void Generacion::cerrar_fichero()
{
    r.lineas = fichero.lineas();
    if (a.ui.cancelled())
        fichero.abandonar(texto_cancelado(fichero.ruta()));
    r.fichero_ok = !a.ui.cancelled() && fichero.confirmar(r);
    if (r.fichero_ok) {
        r.copia = fichero.copia();
        r.generacion = fichero.generacion();
        return;
    }
    r.error = fichero.error();
    static_cast<diario::Cifras&>(r) = diario::Cifras();
}

template <typename F> void Generacion::seccion(const QString& nombre, F&& cuerpo)
{
    if (detenido())
        return;
    a.ui.expect(0);
    a.ui.progress(nombre, 0);
    try {
        cuerpo();
    } catch (const ado::Error& e) {
        omitir(nombre, QStringLiteral("no se ha podido completar (") + e.description() + QStringLiteral(")"));
    } catch (const std::exception& e) {
        omitir(nombre, QStringLiteral("no se ha podido completar (") + QString::fromLocal8Bit(e.what())
                           + QStringLiteral(")"));
    }
}

bool Generacion::marcar(ado::Recordset& rs, const QString& tabla, const QString& columna, const QString& quien)
{
    try {
        fichero.marcar(tabla, rs.rowid(), rs.field(columna));
        rs.setField(columna, QStringLiteral("1"));
        rs.update();
        return true;
    } catch (const ado::Error& e) {
        rs.cancelUpdate();
        omitir(quien, QStringLiteral("no se ha podido marcar como traspasado (") + e.description() + QStringLiteral(")"));
        return false;
    }
}

void Generacion::seccion_cuentas()
{
    ado::Recordset& rs = a.rs_ctas3;
    abrir(rs, QStringLiteral("SELECT * FROM ctas3 WHERE Estado = '0'"));
    while (!rs.eof() && !detenido()) {
        const QString quien = QStringLiteral("Cuenta ") + rs.text(QStringLiteral("cuenta"));
        try {
            const QString linea = linea_de_cuenta_pendiente(a, rs);
            if (marcar(rs, QStringLiteral("ctas3"), QStringLiteral("Estado"), quien) && escribir({linea}))
                avisar(QStringLiteral("Cuentas"), ++r.cuentas);
        } catch (const registros::RegistroRechazado& e) {
            omitir(quien, e.explicacion());
        }
        rs.moveNext();
    }
    rs.close();
}

void Generacion::seccion_facturas()
{
    ado::Recordset& rs = a.rs_fac3;
    abrir(rs,
          QStringLiteral("SELECT * FROM fac3 WHERE FacFec Between ? AND ? AND FacEst = '0' "
                         "ORDER BY FacFec, val(FacFra)"),
          {t.wdesde, t.whasta});
    while (!rs.eof() && !detenido()) {
        const QString quien = QStringLiteral("Factura ") + rs.text(QStringLiteral("FacFra"))
            + QStringLiteral(" del ejercicio ") + rs.text(QStringLiteral("FacEje"));
        try {
            const QStringList lineas = generar_factura_ascii(t);
            if (marcar(rs, QStringLiteral("fac3"), QStringLiteral("FacEst"), quien) && escribir(lineas)) {
                r.importe_facturas += vb::centimos(rs.number(QStringLiteral("FacTotal")));
                avisar(QStringLiteral("Facturas"), ++r.facturas);
            }
        } catch (const registros::RegistroRechazado& e) {
            omitir(quien, e.explicacion());
        } catch (const ado::Error& e) {
            omitir(quien, QStringLiteral("no se han podido leer sus líneas de venta (") + e.description()
                              + QStringLiteral(")"));
        }
        rs.moveNext();
    }
    rs.close();
}

void Generacion::seccion_depositos()
{
    ado::Recordset& rs = a.rs_edep3;
    abrir(rs, QStringLiteral("SELECT * FROM edep3 WHERE EdepEstado = '0' ORDER BY EdepFec"));
    while (!rs.eof() && !detenido()) {
        const QString quien = QStringLiteral("Depósito de la factura ") + rs.text(QStringLiteral("EdepFra"))
            + QStringLiteral(" del ") + rs.text(QStringLiteral("EdepFec"));
        try {
            const QStringList lineas = lineas_deposito(t, leer_deposito(rs));
            if (marcar(rs, QStringLiteral("edep3"), QStringLiteral("EdepEstado"), quien) && escribir(lineas)) {
                r.importe_depositos += vb::centimos(rs.number(QStringLiteral("EdepImp")));
                avisar(QStringLiteral("Depósitos"), ++r.depositos);
            }
        } catch (const registros::RegistroRechazado& e) {
            omitir(quien, e.explicacion());
        }
        rs.moveNext();
    }
    rs.close();
}

void Generacion::seccion_caja()
{
    const QDate primero = dma(t.wdesde);
    const QDate ultimo = dma(t.whasta);
    if (!primero.isValid() || !ultimo.isValid()) {
        omitir(QStringLiteral("Cobros de caja"), QStringLiteral("el intervalo de fechas no es válido (")
                                                     + t.wdesde + QStringLiteral(" - ") + t.whasta
                                                     + QStringLiteral(")"));
        return;
    }
    a.ui.expect(primero.daysTo(ultimo) + 1);
    for (t.wdia = primero; t.wdia <= ultimo && !detenido(); t.wdia = t.wdia.addDays(1)) {
        try {
            dia_de_caja();
        } catch (const registros::RegistroRechazado& e) {
            a.rs_caj3.closeIfOpen();
            omitir(QStringLiteral("Cobros de caja del día ") + fecha_legible(t.wdia), e.explicacion());
        } catch (const ado::Error& e) {
            a.rs_caj3.closeIfOpen();
            omitir(QStringLiteral("Cobros de caja del día ") + fecha_legible(t.wdia),
                   QStringLiteral("no se han podido leer (") + e.description() + QStringLiteral(")"));
        }
    }
}

// A payment method as the day's totals group it: its name and its account,
// a Null apart from any text.
QString clave_forma_cobro(const QVariant& nombre, const QVariant& cuenta)
{
    QString clave;
    for (const QVariant* v : {&nombre, &cuenta})
        clave += v->isNull() ? QStringLiteral("N|") : QStringLiteral("T") + v->toString() + QLatin1Char('|');
    return clave;
}

// Each payment method's total of the day in cents is the sum of its
// collections as their credit lines show them, each in cents: the day's
// entry balances even when the hotel keeps fractions of a cent. A non-finite
// amount stays in the sum, so the debit line refuses it as its credit line does.
QHash<QString, double> centimos_de_caja(A3ADO& a, const QString& dia, const QString& del_dia)
{
    QHash<QString, double> sumas;
    ado::Rows::each(a.cn_enlace, QStringLiteral("SELECT CajCobroN, CajCobro, CajImp FROM ") + del_dia, {dia},
                    [&sumas](const ado::Row& fila) {
                        const double importe = fila.number(2);
                        sumas[clave_forma_cobro(fila.field(0), fila.field(1))] +=
                            std::isfinite(importe) ? double(vb::centimos(importe)) : importe;
                    });
    return sumas;
}

// One entry per day: the payment methods' totals on the debit side, then every
// collection on the credit side. A day is written whole or left for the next
// run, all of its rows still pending.
void Generacion::dia_de_caja()
{
    ado::Recordset& rs = a.rs_caj3;
    const QString dia = amd(t.wdia);
    const QString del_dia = QStringLiteral("caj3 WHERE CajFec = ? AND CajEstado = '0'");

    consultar(rs, QStringLiteral("SELECT Sum(CajImp) AS CajSuma, CajCobro, CajCobroN FROM ") + del_dia
                  + QStringLiteral(" GROUP BY CajCobroN, CajCobro"),
              {dia});
    if (rs.eof() || rs.isNull(QStringLiteral("CajSuma"))) {
        rs.close();
        return;
    }
    const QHash<QString, double> centimos = centimos_de_caja(a, dia, del_dia);
    std::vector<registros::Apunte> lineas;
    t.wlinea = 0;
    while (!rs.eof()) {
        t.wlinea = t.wlinea + 1;
        t.wsuma_caja = centimos.value(clave_forma_cobro(rs.field(QStringLiteral("CajCobroN")), rs.field(QStringLiteral("CajCobro")))) / 100.0;
        if (auto l = apunte_debe_caja(t))
            lineas.push_back(*l);
        rs.moveNext();
    }
    rs.close();

    consultar(rs, QStringLiteral("SELECT Count(*) AS wtotal FROM ") + del_dia, {dia});
    if (rs.eof() || rs.isNull(QStringLiteral("wtotal"))) {
        rs.close();
        return;
    }
    t.wtotal_cobros = static_cast<int>(rs.number(QStringLiteral("wtotal")));
    rs.close();

    consultar(rs, QStringLiteral("SELECT * FROM ") + del_dia, {dia});
    if (rs.eof()) {
        rs.close();
        return;
    }
    t.wlinea = 0;
    qint64 importe = 0;
    while (!rs.eof()) {
        t.wlinea = t.wlinea + 1;
        if (auto l = apunte_haber_caja(t)) {
            lineas.push_back(*l);
            importe += vb::centimos(rs.number(QStringLiteral("CajImp")));
        }
        rs.moveNext();
    }
    rs.close();

    const QStringList asiento = cerrar_asiento_caja(std::move(lineas));
    try {
        fichero.marcar_dia_caja(dia);
        a.cn_enlace.execute(QStringLiteral("UPDATE caj3 Set CajEstado = '1' WHERE CajFEc = ?"), {dia});
    } catch (const ado::Error& e) {
        omitir(QStringLiteral("Cobros de caja del día ") + fecha_legible(t.wdia),
               QStringLiteral("no se han podido marcar como traspasados (") + e.description() + QStringLiteral(")"));
        return;
    }
    if (!escribir(asiento) || asiento.isEmpty())
        return;
    r.importe_caja += importe;
    avisar(QStringLiteral("Cobros de caja"), ++r.dias_caja);
}

void Generacion::seccion_creditos()
{
    ado::Recordset& rs = a.rs_cre3;
    abrir(rs,
          QStringLiteral("SELECT * FROM Cre3 WHERE Cre3FecvALOR Between ? AND ? AND Cre3Estado = '0' "
                         "ORDER BY Cre3Fec, Cre3Ord"),
          {t.wdesde, t.whasta});
    while (!rs.eof() && !detenido()) {
        const QString quien = QStringLiteral("Crédito de la factura ") + rs.text(QStringLiteral("Cre3Fra"))
            + QStringLiteral(" del ") + rs.text(QStringLiteral("Cre3FecValor"));
        try {
            const QStringList lineas{crear_credito_debe(t), crear_credito_haber(t)};
            if (marcar(rs, QStringLiteral("cre3"), QStringLiteral("Cre3Estado"), quien) && escribir(lineas)) {
                r.importe_creditos += vb::centimos(rs.number(QStringLiteral("Cre3Imp")));
                avisar(QStringLiteral("Créditos"), ++r.creditos);
            }
        } catch (const registros::RegistroRechazado& e) {
            omitir(quien, e.explicacion());
        }
        rs.moveNext();
    }
    rs.close();
}

} // namespace

ResultadoGeneracion generar_suenlace_dat(Traspaso& t)
{
    ResultadoGeneracion r;
    Generacion(t, r).ejecutar();
    return r;
}

QStringList resumen_generacion(const ResultadoGeneracion& g)
{
    QStringList lineas = diario::texto_cifras(g);
    lineas << QStringLiteral("Fichero: ") + g.ruta;
    if (!g.copia.isEmpty())
        lineas << QStringLiteral("Copia del fichero anterior: ") + g.copia;
    return lineas;
}

QString linea_de_cuenta_pendiente(const A3ADO& a, const ado::Recordset& rs)
{
    registros::RegistroCuenta c;
    c.empresa = a.wempresa;
    c.fecha = rs.text(QStringLiteral("fechaAlta"));
    c.cuenta = rs.text(QStringLiteral("cuenta"));
    c.nombre = rs.text(QStringLiteral("nombre"));
    c.nif = rs.text(QStringLiteral("nif"));
    c.direccion = rs.text(QStringLiteral("direccion"));
    c.localidad = rs.text(QStringLiteral("localidad"));
    c.cp = rs.text(QStringLiteral("Cp"));
    c.provincia = rs.text(QStringLiteral("provincia"));
    return registros::registro_cuenta(c);
}
