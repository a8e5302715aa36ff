#include "transfer/cuentas.h"

#include "platform/interaction.h"
#include "platform/vb.h"

#include <algorithm>
#include <optional>

namespace {

const QString kCuentaFacturaDesconocida = QStringLiteral("430999999");

// How the fatal message of a missing holder ends: the invoice routine and the
// collection routine have always worded it differently.
enum class Final { Coma, Punto };

QString final_mensaje(Final f)
{
    return f == Final::Coma ? QStringLiteral(" no existe, la aplicación no puede continuar")
                            : QStringLiteral(" no existe. La aplicación no puede continuar");
}

// A message the user has to close: the hotel's files are not held meanwhile.
void avisar(Traspaso& t, const QString& texto, const QString& titulo = QString(),
            platform::Icon icono = platform::Icon::None)
{
    if (t.leido.soltar_hotel)
        t.leido.soltar_hotel();
    t.a.ui.message(texto, titulo, icono);
}

[[noreturn]] void titular_inexistente(Traspaso& t, const QString& numfra, const QString& quien,
                                      const QString& ccliente, Final f)
{
    const QString mensaje = QStringLiteral("Existe un problema grave con la Factura ") + numfra + quien + ccliente
        + final_mensaje(f);
    avisar(t, mensaje);
    throw TraspasoDetenido(TraspasoDetenido::Motivo::TitularInexistente, mensaje);
}

// Opens a shared recordset read-only on the hotel connection of `tabla`.
void abrir_lectura(A3ADO& a, ado::Recordset& rs, const QString& tabla, const QString& sql,
                   const ado::Values& valores = {})
{
    rs.closeIfOpen();
    rs.open(sql, valores, a.conexion_hotel(tabla), ado::adOpenDynamic, ado::adLockReadOnly);
}

// The first field that is not empty, else the second (a Null counts as "").
QString preferente(const ado::Recordset& rs, const QString& primero, const QString& segundo)
{
    const QString valor = rs.text(primero);
    return valor.isEmpty() ? rs.text(segundo) : valor;
}

// A postcode written with a country prefix ("E-08001") keeps its last five
// characters, the width A3Con has for it.
QString cp_cortado(const QString& cp)
{
    return cp.size() > 5 ? cp.right(5) : cp;
}

QString digitos_ajustados(int wdigitos, const QString& cuenta)
{
    QString c = cuenta;
    return ajustar_digitos(wdigitos, c);
}

// Hands a holder to the pending-accounts store when accounts are created by
// the transfer and A3Con is not already getting this one.
void registrar_para_crear(Traspaso& t, RegistroCliente& registro, const QString& cuenta, const QString& anofra)
{
    A3ADO& a = t.a;
    if (!a.wcrear_cuentas)
        return;
    Traspaso::Leido& leido = t.leido;
    if (leido.activo && leido.cuentas_pendientes.contains(cuenta))
        return;
    if (!existe_cuenta(a, cuenta)) {
        registro.fecha = anofra + QStringLiteral("0101");
        a.grabar_cuenta_pendiente(registro);
    }
    if (leido.activo)
        leido.cuentas_pendientes.insert(cuenta);
}

// What the rules take from a holder's row, worked out by `leer` from the
// row current in `rs` (opened by `sql` on `codigo`); nothing when there is
// no such row. Inside a staging loop each row is read once.
template <typename Leer>
std::optional<RegistroCliente> datos_titular(Traspaso& t, ado::Recordset& rs, const QString& tabla, const QString& sql,
                                             const QString& codigo, Leer leer)
{
    const QString clave = tabla + QChar(0x1F) + codigo;
    if (t.leido.activo) {
        const auto it = t.leido.titulares.constFind(clave);
        if (it != t.leido.titulares.constEnd())
            return it.value();
    }
    abrir_lectura(t.a, rs, tabla, sql, {codigo});
    std::optional<RegistroCliente> datos;
    if (!rs.eof()) {
        datos = leer(rs);
        datos->codigo = codigo;
    }
    rs.close();
    if (t.leido.activo) {
        if (t.leido.titulares.size() >= Traspaso::Leido::kMaximo)
            t.leido.titulares.clear();
        t.leido.titulares.insert(clave, datos);
    }
    return datos;
}

// The holder handed on takes the row's fields; its date, and its account
// unless `con_cuenta`, stay as the rules left them.
void tomar_datos(RegistroCliente& r, const RegistroCliente& fila, bool con_cuenta)
{
    const QString fecha = r.fecha;
    const QString cuenta = r.cuenta;
    r = fila;
    r.fecha = fecha;
    if (!con_cuenta)
        r.cuenta = cuenta;
}

struct FilaFactura {
    QString fecha;     // EmiFec
    QString cliente;   // EmiCli
};

// The invoice row the walk-in rules read: the one the staging stands on in
// rs_emi when it is this invoice; otherwise the invoice is looked up on its
// own, so a row left current by an earlier call never lends its date or
// customer to another invoice.
FilaFactura fila_factura(Traspaso& t, const QString& numfra, const QString& anofra, const QString& ccliente)
{
    A3ADO& a = t.a;
    const QStringList& en_curso = t.leido.factura_en_curso;
    if (en_curso.size() == 4 && en_curso.at(0) == anofra && en_curso.at(1) == numfra)
        return {en_curso.at(2), en_curso.at(3)};
    ado::Recordset& actual = a.rs_emi;
    if (actual.isOpen() && !actual.eof() && !actual.bof()
        && actual.text(QStringLiteral("EmiAno")) == anofra && actual.text(QStringLiteral("EmiNum")) == numfra)
        return {actual.text(QStringLiteral("EmiFec")), actual.text(QStringLiteral("EmiCli"))};

    ado::Recordset factura;
    factura.open(QStringLiteral("SELECT * FROM emi WHERE EmiAno = ? AND EmiNum = ?"), {anofra, numfra},
                 a.conexion_hotel(QStringLiteral("emi")), ado::adOpenDynamic, ado::adLockReadOnly);
    if (factura.eof())
        return {QString(), ccliente};
    return {factura.text(QStringLiteral("EmiFec")), factura.text(QStringLiteral("EmiCli"))};
}

QString cuenta_particular(Traspaso& t, const QString& numfra, const QString& anofra, const QString& ccliente,
                          Final f)
{
    A3ADO& a = t.a;
    const std::optional<RegistroCliente> fila = datos_titular(
        t, a.rs_cli, QStringLiteral("cli"), QStringLiteral("SELECT * FROM Cli WHERE CliCod = ?"), ccliente,
        [&](const ado::Recordset& rs) {
            RegistroCliente d;
            d.nombre = rs.text(QStringLiteral("CliNom"));
            d.apellidos = rs.text(QStringLiteral("CliApe"));
            d.nif = rs.text(QStringLiteral("CliDni"));
            d.direccion = rs.text(QStringLiteral("CliDir"));
            d.poblacion = rs.text(QStringLiteral("CliPob"));
            d.cp = rs.text(QStringLiteral("CliCp"));
            d.provincia = rs.text(QStringLiteral("CliProv"));
            if (!rs.isNull(QStringLiteral("CliCta")))
                d.cuenta = digitos_ajustados(a.wdigitos, vb::sin_blancos(rs.text(QStringLiteral("CliCta"))));
            return d;
        });
    if (!fila)
        titular_inexistente(t, numfra, QStringLiteral(", el cliente: "), ccliente, f);

    RegistroCliente& r = t.reg_cliente;
    tomar_datos(r, *fila, false);
    const QString propia = fila->cuenta;
    // A customer with an account of his own already exists in A3Con.
    if (!propia.trimmed().isEmpty())
        return propia;

    // A walk-in customer.
    if (!a.wcuenta_por_pasante && a.wcuenta_unica_pasantes)
        return a.wcta_clientes;
    const FilaFactura factura = fila_factura(t, numfra, anofra, ccliente);
    if (!a.wcuenta_por_pasante)
        return a.wcta_clientes + factura.fecha.mid(2, 4);   // one account per month

    const QString cuenta = digitos_ajustados(a.wdigitos, a.wcta_clientes + factura.cliente);
    r.cuenta = cuenta;
    registrar_para_crear(t, r, cuenta, anofra);
    return cuenta;
}

struct CamposEntidad {
    QString tabla, clave, quien;
    QString nombre, nombre_alt, direccion, direccion_alt, cp, cp_alt, poblacion, poblacion_alt, provincia,
        provincia_alt, nif, cuenta;
};

const CamposEntidad& campos_agencia()
{
    static const CamposEntidad c{QStringLiteral("agen"), QStringLiteral("AgenCod"), QStringLiteral(", la Agencia: "),
                                 QStringLiteral("AgenFNom"), QStringLiteral("AgenNom"),
                                 QStringLiteral("AgenFDir"), QStringLiteral("AgenDir"),
                                 QStringLiteral("AgenFcp"), QStringLiteral("Agencp"),
                                 QStringLiteral("AgenFPob"), QStringLiteral("AgenPob"),
                                 QStringLiteral("AgenFProv"), QStringLiteral("AgenProv"),
                                 QStringLiteral("AgenNif"), QStringLiteral("AgenCta")};
    return c;
}

const CamposEntidad& campos_empresa()
{
    // A company has one set of data: each field is its own fallback.
    static const CamposEntidad c{QStringLiteral("na"), QStringLiteral("NaCod"), QStringLiteral(", la Empresa: "),
                                 QStringLiteral("NaNom"), QStringLiteral("NaNom"),
                                 QStringLiteral("NaDir"), QStringLiteral("NaDir"),
                                 QStringLiteral("NaCp"), QStringLiteral("NaCp"),
                                 QStringLiteral("NaPob"), QStringLiteral("NaPob"),
                                 QStringLiteral("NaProv"), QStringLiteral("NaProv"),
                                 QStringLiteral("NaNif"), QStringLiteral("NaCta")};
    return c;
}

// Travel agency or company: its own account when it has one, otherwise the
// sub-account followed by its code.
QString cuenta_entidad(Traspaso& t, const QString& numfra, const QString& anofra, const QString& ccliente,
                       const CamposEntidad& c, ado::Recordset& rs, RegistroCliente& r, const QString& subcuenta,
                       Final f)
{
    A3ADO& a = t.a;
    const std::optional<RegistroCliente> fila = datos_titular(
        t, rs, c.tabla, QStringLiteral("SELECT * FROM ") + c.tabla + QStringLiteral(" WHERE ") + c.clave + QStringLiteral(" = ?"),
        ccliente, [&](const ado::Recordset& rs) {
            RegistroCliente d;
            d.nombre = preferente(rs, c.nombre, c.nombre_alt);
            d.direccion = preferente(rs, c.direccion, c.direccion_alt);
            d.cp = cp_cortado(preferente(rs, c.cp, c.cp_alt));
            d.poblacion = preferente(rs, c.poblacion, c.poblacion_alt);
            d.provincia = preferente(rs, c.provincia, c.provincia_alt);
            d.nif = rs.text(c.nif);
            d.cuenta = rs.text(c.cuenta);
            return d;
        });
    if (!fila)
        titular_inexistente(t, numfra, c.quien, ccliente, f);
    tomar_datos(r, *fila, true);

    // An account of blanks only is no account: it would reach A3Con blank.
    if (r.cuenta.trimmed().isEmpty())
        r.cuenta = digitos_ajustados(a.wdigitos, subcuenta + ccliente);
    const QString cuenta = r.cuenta;
    registrar_para_crear(t, r, cuenta, anofra);
    return cuenta;
}

QString cuenta_titular(Traspaso& t, const QString& numfra, const QString& anofra, const QString& ccliente,
                       const QString& tipocliente, Final f)
{
    A3ADO& a = t.a;
    if (tipocliente == QLatin1String("0"))
        return cuenta_particular(t, numfra, anofra, ccliente, f);
    if (tipocliente == QLatin1String("1"))
        return cuenta_entidad(t, numfra, anofra, ccliente, campos_agencia(), a.rs_agen, t.reg_agencia,
                              a.wcta_agencias, f);
    if (tipocliente == QLatin1String("2"))
        return cuenta_entidad(t, numfra, anofra, ccliente, campos_empresa(), a.rs_na, t.reg_empresa,
                              a.wcta_empresas, f);
    return QString();
}

const QString kFacturaPorClave = QStringLiteral("SELECT * FROM emi WHERE EmiAno = ? AND EmiNum = ?");

// EmiCli, eMIC and EmiFec of the first row of the invoice, read where they
// lie; empty when there is no such invoice, nothing when the table has no
// EmiFec. rs_emi is left closed, as after reading it.
std::optional<QStringList> leer_factura_del_cobro(A3ADO& a, const QString& numfra, const QString& anofra)
{
    a.rs_emi.closeIfOpen();
    std::optional<QStringList> factura = QStringList();
    bool primera = true;
    ado::Rows::each(a.conexion_hotel(QStringLiteral("emi")), kFacturaPorClave, {anofra, numfra},
                    [&](const ado::Row& fila) {
                        if (!primera)
                            return;
                        primera = false;
                        int fec = -1;
                        try {
                            fec = fila.column(QStringLiteral("EmiFec"));
                        } catch (const ado::Error&) {
                            factura.reset();
                            return;
                        }
                        factura = QStringList{fila.text(fila.column(QStringLiteral("EmiCli"))),
                                              fila.text(fila.column(QStringLiteral("eMIC"))), fila.text(fec)};
                    });
    return factura;
}

QString cuenta_de_contado_por_defecto(int wdigitos)
{
    return QStringLiteral("57") + QString(std::max(0, wdigitos - 3), QLatin1Char('0')) + QStringLiteral("1");
}

} // namespace

QString ajustar_digitos(int wdigitos, QString& wcuenta)
{
    // Blanks after the digits are a fixed-width column's padding (SQL
    // Server's char(n)): counted as digits, the cut would keep blanks and
    // drop the account's last digits. An account of blanks only stays what
    // it is.
    wcuenta = vb::sin_relleno(wcuenta);
    if (wcuenta.size() > wdigitos) {
        if (wdigitos == 8)
            wcuenta = wcuenta.left(4) + wcuenta.right(4);
        else if (wdigitos == 9)
            wcuenta = wcuenta.left(4) + wcuenta.right(5);
    }
    return wcuenta;
}

bool existe_cuenta(A3ADO& a, const QString& cuenta_busqueda)
{
    return a.existe_en_ctas3(cuenta_busqueda);
}

QString cuenta_cliente(Traspaso& t, const QString& numfra, const QString& anofra, const QString& ccliente,
                       const QString& tipocliente)
{
    if (numfra.isEmpty())
        return t.a.wcta_depositos;
    return cuenta_titular(t, numfra, anofra, ccliente, tipocliente, Final::Coma);
}

QString cuenta_cliente2(Traspaso& t, const QString& numfra, const QString& anofra)
{
    A3ADO& a = t.a;
    if (numfra.isEmpty())
        return a.wcta_depositos;
    Traspaso::Leido& leido = t.leido;
    const QString clave = anofra + QChar(0x1F) + numfra;
    std::optional<QStringList> factura;   // EmiCli, eMIC, EmiFec; empty: there is no such invoice
    const auto it = leido.activo ? leido.facturas.constFind(clave) : leido.facturas.constEnd();
    if (it != leido.facturas.constEnd()) {
        factura = it.value();
    } else {
        factura = leer_factura_del_cobro(a, numfra, anofra);
        // A table without the invoice's date: its rules read the row itself.
        if (!factura)
            abrir_lectura(a, a.rs_emi, QStringLiteral("emi"), kFacturaPorClave, {anofra, numfra});
        if (factura) {
            if (leido.activo) {
                if (leido.facturas.size() >= Traspaso::Leido::kMaximo)
                    leido.facturas.clear();
                leido.facturas.insert(clave, *factura);
            }
        }
    }
    if (!factura) {
        // The walk-in customer rules read the invoice row: rs_emi stays on
        // it until the account is decided.
        const QString cuenta = cuenta_titular(t, numfra, anofra, a.rs_emi.text(QStringLiteral("EmiCli")),
                                              a.rs_emi.text(QStringLiteral("eMIC")), Final::Punto);
        a.rs_emi.closeIfOpen();
        return cuenta;
    }
    if (factura->isEmpty())
        return kCuentaFacturaDesconocida;
    // The walk-in customer rules read the invoice's date and customer.
    leido.factura_en_curso = {anofra, numfra, factura->at(2), factura->at(0)};
    struct Olvidar {
        QStringList& en_curso;
        ~Olvidar() { en_curso.clear(); }
    } olvidar{leido.factura_en_curso};
    return cuenta_titular(t, numfra, anofra, factura->at(0), factura->at(1), Final::Punto);
}

QString cuenta_cobro(Traspaso& t, const QString& codcobro)
{
    A3ADO& a = t.a;
    const auto conocida = t.cuentas_cobro.constFind(codcobro);
    if (conocida != t.cuentas_cobro.constEnd()) {
        a.rs_formas.closeIfOpen();
        return *conocida;
    }

    QString cuenta;
    bool avisado = false;
    abrir_lectura(a, a.rs_formas, QStringLiteral("formas"),
                  QStringLiteral("SELECT * FROM formas WHERE ForCod = ?"), {codcobro});
    if (!a.rs_formas.eof() && !a.rs_formas.isNull(QStringLiteral("ForCta"))) {
        cuenta = digitos_ajustados(a.wdigitos, a.rs_formas.text(QStringLiteral("ForCta")));
    } else {
        // No method or no account: the collection goes to the cash method.
        abrir_lectura(a, a.rs_formas, QStringLiteral("formas"),
                      QStringLiteral("SELECT * FROM formas WHERE ForCod = '1'"));
        if (a.rs_formas.eof()) {
            avisar(t, QStringLiteral("Error no existe contado"), QStringLiteral("Atención"),
                         platform::Icon::Information);
            avisado = true;
        } else {
            cuenta = digitos_ajustados(a.wdigitos, a.rs_formas.text(QStringLiteral("ForCta")));
        }
    }
    a.rs_formas.close();

    if (cuenta.isEmpty())
        cuenta = cuenta_de_contado_por_defecto(a.wdigitos);
    if (cuenta.size() == a.wdigitos) {
        if (!avisado)
            t.cuentas_cobro.insert(codcobro, cuenta);
        return cuenta;
    }

    // An empty or misshapen account must never reach a record: stop here.
    const QString mensaje = QStringLiteral(
        "La cuenta contable del cobro no tiene los dígitos que marca la configuración. La aplicación no puede "
        "seguir, revise la configuración del enlace a A3Con y las formas de cobro de Noctaris Hotel");
    avisar(t, mensaje, QStringLiteral("error fatal"), platform::Icon::Information);
    throw TraspasoDetenido(TraspasoDetenido::Motivo::CuentaCobroErronea, mensaje);
}

QString amd(const QDate& ddmmaa)
{
    if (!ddmmaa.isValid())
        return QString();
    const int ano = ddmmaa.year();
    if (ano < 1 || ano > 9999)
        return QString::asprintf("%04d%02d%02d", ano, ddmmaa.month(), ddmmaa.day());
    // Written digit by digit: it is asked for every collection written.
    const int cifras[] = {ano / 1000, ano / 100 % 10, ano / 10 % 10, ano % 10,
                          ddmmaa.month() / 10, ddmmaa.month() % 10, ddmmaa.day() / 10, ddmmaa.day() % 10};
    QString texto(8, Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        texto[i] = QLatin1Char(char('0' + cifras[i]));
    return texto;
}

QDate dma(const QString& aaaammdd)
{
    if (aaaammdd.size() != 8 || !vb::es_numerico(aaaammdd))
        return QDate();
    return QDate(aaaammdd.left(4).toInt(), aaaammdd.mid(4, 2).toInt(), aaaammdd.mid(6, 2).toInt());
}
