#include "transfer/generacion.h"

#include "platform/cp1252.h"
#include "transfer/apuntes.h"
#include "transfer/cuentas.h"
#include "transfer/facturas.h"
#include "transfer/records/registros.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

namespace {

constexpr qint64 kCadaCuantosAvisar = 500;

// One run over the staging tables. Every mark goes into one transaction on
// cn_enlace that is committed only once the file is safely closed: A3Con must
// never be missing a record whose row says it was sent.
class Generacion {
public:
    Generacion(Traspaso& t, ResultadoGeneracion& r) : t(t), a(t.a), r(r) {}

    void ejecutar();

private:
    bool abrir_fichero();
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
    bool escribir(const QStringList& lineas);
    void marcar(ado::Recordset& rs, const QString& columna, const QString& quien);
    void omitir(const QString& quien, const QString& motivo) { r.omitidos << quien + QStringLiteral(": ") + motivo; }
    void avisar(const QString& fase, qint64 n)
    {
        if (n % kCadaCuantosAvisar == 0)
            a.ui.progress(fase, n);
    }
    void abrir(ado::Recordset& rs, const QString& sql)
    {
        rs.closeIfOpen();
        rs.open(sql, a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
    }
    // Totals and rows that are only read: nothing is saved through them.
    void consultar(ado::Recordset& rs, const QString& sql)
    {
        rs.closeIfOpen();
        rs.open(sql, a.cn_enlace, ado::adOpenDynamic, ado::adLockReadOnly);
    }

    Traspaso& t;
    A3ADO& a;
    ResultadoGeneracion& r;
    platform::LineWriter salida;
    QString local;
    qint64 tamano_previo = 0;   // what the file held before this run's lines
    bool transaccion_propia = false;
    bool detenido = false;   // the file stopped accepting lines
};

QString fecha_legible(const QDate& d)
{
    return d.toString(QStringLiteral("dd-MM-yyyy"));
}

// A file nobody may write to was made read-only on purpose: it is left alone
// even when the link runs with the rights to overwrite it anyway.
bool es_de_solo_lectura(const QString& local)
{
    constexpr auto escritura =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileInfo info(local);
    return info.exists() && info.isFile() && !(info.permissions() & escritura);
}

bool Generacion::abrir_fichero()
{
    r.ruta = a.wruta + QStringLiteral("\\Suenlace.dat");
    local = a.unidades.toLocal(r.ruta);
    auto modo = platform::LineWriter::Mode::Truncate;
    if (QFileInfo::exists(local)) {
        const bool borrar = a.ui.ask(QStringLiteral("El fichero ") + r.ruta
                                         + QStringLiteral(", ya está generado. ¿Desea borrar la información anterior?"),
                                     QStringLiteral("Atención Muy Importante"), platform::Icon::Information);
        if (!borrar)
            modo = platform::LineWriter::Mode::Append;
    }
    if (es_de_solo_lectura(local)) {
        r.fichero_ok = false;
        r.error = QStringLiteral("No se ha podido abrir el fichero ") + r.ruta
            + QStringLiteral(": el fichero es de solo lectura");
        return false;
    }
    tamano_previo = modo == platform::LineWriter::Mode::Append ? QFileInfo(local).size() : 0;
    if (!salida.open(local, modo)) {
        r.fichero_ok = false;
        r.error = QStringLiteral("No se ha podido abrir el fichero ") + r.ruta + QStringLiteral(": ")
            + salida.errorString();
        return false;
    }
    return true;
}

void Generacion::ejecutar()
{
    if (!abrir_fichero())
        return;
    try {
        if (!a.cn_enlace.inTransaction()) {
            a.cn_enlace.beginTrans();
            transaccion_propia = true;
        }
    } catch (const ado::Error& e) {
        salida.close();
        r.fichero_ok = false;
        r.error = QStringLiteral("No se puede marcar lo traspasado en la base de datos del enlace: ") + e.description();
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
    const bool escrito = salida.close() && !detenido;
    QString fallo_marcas;
    if (escrito && transaccion_propia) {
        try {
            a.cn_enlace.commitTrans();
        } catch (const ado::Error& e) {
            fallo_marcas = e.description();
        }
    } else if (transaccion_propia) {
        try {
            a.cn_enlace.rollbackTrans();
        } catch (const ado::Error&) {
            // Nothing was committed; the file failure below is what matters.
        }
    }

    if (!escrito) {
        // Half a run in the file would be imported with nothing marked, and
        // sent again by the next run: leave the file as this run found it
        // (emptied when the user chose to empty it).
        QFile::resize(local, tamano_previo);
        r.fichero_ok = false;
        r.error = QStringLiteral("No se ha podido escribir el fichero ") + r.ruta + QStringLiteral(": ")
            + salida.errorString() + QStringLiteral(". No se ha marcado nada como traspasado.");
    } else if (!fallo_marcas.isEmpty()) {
        r.fichero_ok = false;
        r.error = QStringLiteral("Se ha escrito el fichero ") + r.ruta
            + QStringLiteral(", pero no se han podido marcar los datos traspasados: ") + fallo_marcas;
    } else {
        r.fichero_ok = true;
        return;
    }
    r.cuentas = r.facturas = r.depositos = r.dias_caja = r.creditos = 0;
}

template <typename F> void Generacion::seccion(const QString& nombre, F&& cuerpo)
{
    if (detenido)
        return;
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

bool Generacion::escribir(const QStringList& lineas)
{
    for (const QString& l : lineas) {
        if (!salida.writeLine(l)) {
            detenido = true;
            return false;
        }
    }
    return true;
}

void Generacion::marcar(ado::Recordset& rs, const QString& columna, const QString& quien)
{
    try {
        rs.setField(columna, QStringLiteral("1"));
        rs.update();
    } catch (const ado::Error& e) {
        omitir(quien, QStringLiteral("escrito, pero no se ha podido marcar como traspasado (") + e.description()
                          + QStringLiteral(")"));
    }
}

void Generacion::seccion_cuentas()
{
    ado::Recordset& rs = a.rs_ctas3;
    abrir(rs, QStringLiteral("SELECT * FROM ctas3 WHERE Estado = '0'"));
    while (!rs.eof() && !detenido) {
        const QString quien = QStringLiteral("Cuenta ") + rs.text(QStringLiteral("cuenta"));
        try {
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
            if (escribir({registros::registro_cuenta(c)})) {
                marcar(rs, QStringLiteral("Estado"), quien);
                avisar(QStringLiteral("Cuentas"), ++r.cuentas);
            }
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
    abrir(rs, QStringLiteral("SELECT * FROM fac3 WHERE FacFec Between '") + ado::q(t.wdesde)
                  + QStringLiteral("' AND '") + ado::q(t.whasta)
                  + QStringLiteral("' AND FacEst = '0' ORDER BY FacFec, val(FacFra)"));
    while (!rs.eof() && !detenido) {
        const QString quien = QStringLiteral("Factura ") + rs.text(QStringLiteral("FacFra"))
            + QStringLiteral(" del ejercicio ") + rs.text(QStringLiteral("FacEje"));
        try {
            if (escribir(generar_factura_ascii(t))) {
                marcar(rs, QStringLiteral("FacEst"), quien);
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
    while (!rs.eof() && !detenido) {
        const QString quien = QStringLiteral("Depósito de la factura ") + rs.text(QStringLiteral("EdepFra"))
            + QStringLiteral(" del ") + rs.text(QStringLiteral("EdepFec"));
        try {
            const QStringList lineas{apunte_debe_descontar_deposito(t), apunte_haber_descontar_deposito(t)};
            if (escribir(lineas)) {
                marcar(rs, QStringLiteral("EdepEstado"), quien);
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
    for (t.wdia = primero; t.wdia <= ultimo && !detenido; t.wdia = t.wdia.addDays(1)) {
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

// One entry per day: the payment methods' totals on the debit side, then every
// collection on the credit side. A day is written whole or left for the next
// run, all of its rows still pending.
void Generacion::dia_de_caja()
{
    ado::Recordset& rs = a.rs_caj3;
    const QString dia = amd(t.wdia);
    const QString del_dia = QStringLiteral("caj3 WHERE CajFec = '") + ado::q(dia) + QStringLiteral("' AND CajEstado = '0'");

    consultar(rs, QStringLiteral("SELECT Sum(CajImp) AS CajSuma, CajCobro, CajCobroN FROM ") + del_dia
                  + QStringLiteral(" GROUP BY CajCobroN, CajCobro"));
    if (rs.eof() || rs.isNull(QStringLiteral("CajSuma"))) {
        rs.close();
        return;
    }
    std::vector<registros::Apunte> lineas;
    t.wlinea = 0;
    while (!rs.eof()) {
        t.wlinea = t.wlinea + 1;
        if (auto l = apunte_debe_caja(t))
            lineas.push_back(*l);
        rs.moveNext();
    }
    rs.close();

    consultar(rs, QStringLiteral("SELECT Count(*) AS wtotal FROM ") + del_dia);
    if (rs.eof() || rs.isNull(QStringLiteral("wtotal"))) {
        rs.close();
        return;
    }
    t.wtotal_cobros = static_cast<int>(rs.number(QStringLiteral("wtotal")));
    rs.close();

    consultar(rs, QStringLiteral("SELECT * FROM ") + del_dia);
    if (rs.eof()) {
        rs.close();
        return;
    }
    t.wlinea = 0;
    while (!rs.eof()) {
        t.wlinea = t.wlinea + 1;
        if (auto l = apunte_haber_caja(t))
            lineas.push_back(*l);
        rs.moveNext();
    }
    rs.close();

    const QStringList asiento = cerrar_asiento_caja(std::move(lineas));
    if (!escribir(asiento))
        return;
    try {
        a.cn_enlace.execute(QStringLiteral("UPDATE caj3 Set CajEstado = '1' WHERE CajFEc = '") + ado::q(dia)
                            + QStringLiteral("'"));
    } catch (const ado::Error& e) {
        omitir(QStringLiteral("Cobros de caja del día ") + fecha_legible(t.wdia),
               QStringLiteral("escritos, pero no se han podido marcar como traspasados (") + e.description()
                   + QStringLiteral(")"));
        return;
    }
    if (!asiento.isEmpty())
        avisar(QStringLiteral("Cobros de caja"), ++r.dias_caja);
}

void Generacion::seccion_creditos()
{
    ado::Recordset& rs = a.rs_cre3;
    abrir(rs, QStringLiteral("SELECT * FROM Cre3 WHERE Cre3FecvALOR Between '") + ado::q(t.wdesde)
                  + QStringLiteral("' AND '") + ado::q(t.whasta)
                  + QStringLiteral("' AND Cre3Estado = '0' ORDER BY Cre3Fec, Cre3Ord"));
    while (!rs.eof() && !detenido) {
        const QString quien = QStringLiteral("Crédito de la factura ") + rs.text(QStringLiteral("Cre3Fra"))
            + QStringLiteral(" del ") + rs.text(QStringLiteral("Cre3FecValor"));
        try {
            const QStringList lineas{crear_credito_debe(t), crear_credito_haber(t)};
            if (escribir(lineas)) {
                marcar(rs, QStringLiteral("Cre3Estado"), quien);
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
