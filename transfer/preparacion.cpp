#include "transfer/preparacion.h"

#include "platform/punto_fallo.h"
#include "transfer/apuntes.h"
#include "transfer/cuentas.h"
#include "transfer/facturas.h"
#include "transfer/records/registros.h"
#include "platform/vb.h"

#include <QDate>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

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

// Each statement on a hotel file outside a transaction takes the file's lock,
// checks the file for a journal left behind and reads its header again, and
// lets the lock go: most of a staging's time went into those calls. A read
// transaction takes them once for many rows. It is let go every few tens of
// milliseconds, so the hotel's own program never waits long to write.
class LecturaHotel {
public:
    LecturaHotel(A3ADO& a, Traspaso::Leido& leido) : leido_(leido)
    {
        leido_.soltar_hotel = [this] { terminar(); };
        for (const QString& archivo : A3ADO::archivos_hotel()) {
            ado::Connection& cn = a.conexion_hotel(archivo.section(QLatin1Char('.'), 0, 0));
            if (cn.isOpen() && cn.kind() == ado::Connection::Kind::Jet && !cn.inTransaction()
                && std::find(conexiones_.begin(), conexiones_.end(), &cn) == conexiones_.end())
                conexiones_.push_back(&cn);
        }
        empezar();
    }
    ~LecturaHotel()
    {
        leido_.soltar_hotel = nullptr;
        terminar();
    }
    LecturaHotel(const LecturaHotel&) = delete;
    LecturaHotel& operator=(const LecturaHotel&) = delete;

    // Between two rows: lets the files go when they have been held long
    // enough (or were let go for a message), and takes them again.
    void seguir()
    {
        if (tomados_ && reloj_.elapsed() < kMilisegundos)
            return;
        terminar();
        empezar();
    }

private:
    static constexpr qint64 kMilisegundos = 50;

    void empezar()
    {
        for (ado::Connection* cn : conexiones_) {
            try {
                if (cn->isOpen() && !cn->inTransaction())
                    cn->beginTrans();
            } catch (const ado::Error&) {
                // Without it each statement locks the file on its own, as always.
            }
        }
        tomados_ = true;
        reloj_.start();
    }
    void terminar()
    {
        tomados_ = false;
        for (ado::Connection* cn : conexiones_) {
            try {
                if (cn->isOpen() && cn->inTransaction())
                    cn->commitTrans();
            } catch (const ado::Error&) {
                try {
                    if (cn->inTransaction())
                        cn->rollbackTrans();
                } catch (const ado::Error&) {
                }
            }
        }
    }

    Traspaso::Leido& leido_;
    std::vector<ado::Connection*> conexiones_;
    QElapsedTimer reloj_;
    bool tomados_ = false;
};

// A staging loop keeps what it reads from the hotel and the link while it
// runs, and nothing of it afterwards: the next one reads afresh.
class Lectura {
public:
    explicit Lectura(Traspaso& t) : leido_(t.leido)
    {
        leido_.olvidar();
        leido_.activo = true;
    }
    ~Lectura()
    {
        leido_.olvidar();
        leido_.activo = false;
    }
    Lectura(const Lectura&) = delete;
    Lectura& operator=(const Lectura&) = delete;

private:
    Traspaso::Leido& leido_;
};

// A text column gets "" for an empty value, never Null: the hotel's Null
// texts count as empty, and the readers of the staged rows compare with ''.
QVariant texto(const QString& valor)
{
    return valor.isNull() ? QVariant(QStringLiteral("")) : QVariant(valor);
}

ado::Values fechas(const Traspaso& t) { return {t.wdesde, t.whasta}; }

// The holders kept from the last account decision may describe ctas3 rows
// that a rollback has just removed; the recordsets may hold such rows too.
void olvidar_lo_deshecho(Traspaso& t)
{
    A3ADO& a = t.a;
    t.reg_cliente = RegistroCliente();
    t.reg_agencia = RegistroCliente();
    t.reg_empresa = RegistroCliente();
    t.leido.cuentas_pendientes.clear();
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
// `quien` is the name itself or what makes it: it is only needed on failure.
QString nombre_de(const QString& quien) { return quien; }
template <typename Quien> QString nombre_de(const Quien& quien) { return quien(); }

template <typename Quien, typename Accion>
void nombrando(Traspaso& t, const Quien& quien, Accion accion)
{
    try {
        accion();
    } catch (const ado::Error& e) {
        QString descripcion = nombre_de(quien) + QStringLiteral(": ") + e.description();
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

// --- hotel values the records cannot do without ------------------------------

// A row whose data do not fit a record: it is not staged, the run goes on,
// and the row is named in the closing report.
class FilaRechazada : public std::exception {
public:
    explicit FilaRechazada(DatoRechazado d) : dato(std::move(d)) {}
    const char* what() const noexcept override { return "fila rechazada"; }
    DatoRechazado dato;
};

struct Columna {
    const char* nombre;
    const char* texto;   // how the accountant calls it, with its article
    bool femenino() const { return texto[0] == 'l'; }
};

const Columna kColumnas[] = {
    {"EmiAno", "el ejercicio"},          {"EmiNum", "el número"},
    {"EmiFec", "la fecha"},               {"EmiTot", "el total"},
    {"EmiB1", "la base imponible 1"},     {"EmiB3", "la base imponible 3"},
    {"EmiB4", "la base imponible 4"},     {"EmiI1", "el tipo de IVA 1"},
    {"EmiI2", "el tipo de IVA 2"},       {"EmiI3", "el tipo de IVA 3"},
    {"EmiI4", "el tipo de IVA 4"},       {"EmiC1", "la cuota de IVA 1"},
    {"EmiC3", "la cuota de IVA 3"},       {"EmiC4", "la cuota de IVA 4"},
    {"TasaImporte", "la tasa turística"}, {"EmiDep", "el depósito"},
    {"HCadiaCan", "la cantidad de una línea"}, {"HCadiaPre", "el precio de una línea"},
    {"CajaFec", "la fecha"},              {"CajaOrd", "el número de orden"},
    {"CajaImp", "el importe"},           {"EmiCli", "el cliente"},
    {"eMIC", "el tipo de cliente"},      {"CajaFra", "la factura"},
    {"CajaAnoF", "el ejercicio de la factura"}, {"CajaCobroc", "la forma de cobro"},
};

const Columna& columna_de(const QString& nombre)
{
    for (const Columna& c : kColumnas)
        if (nombre == QLatin1String(c.nombre))
            return c;
    static const Columna ninguna{"", "el dato"};
    return ninguna;
}

QString en_tabla(const QString& tabla)
{
    if (tabla == QLatin1String("emi"))
        return QStringLiteral("en la tabla de facturas emitidas (emi)");
    if (tabla == QLatin1String("Hiscadia"))
        return QStringLiteral("en la tabla de líneas de factura (Hiscadia)");
    return QStringLiteral("en la tabla de cobros de caja (caja)");
}

// A value as the report shows it: a control character, which a message box
// or a terminal would not show, as its code.
QString visible(const QString& texto)
{
    QString r;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            r += QStringLiteral("[código %1]").arg(int(u));
        else
            r += c;
    }
    return r;
}

QString valor_original(const QVariant& v)
{
    return QStringLiteral("«") + visible(v.toString()) + QStringLiteral("»");
}

bool con_control(const QString& texto)
{
    for (const QChar c : texto)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

[[noreturn]] void rechazar(DatoRechazado::Clase clase, const QString& quien, const QString& tabla,
                           const QString& nombre, const QVariant& valor)
{
    const Columna& c = columna_de(nombre);
    QString que;
    switch (clase) {
    case DatoRechazado::Clase::Vacio:
        que = c.femenino() ? QStringLiteral("está vacía") : QStringLiteral("está vacío");
        break;
    case DatoRechazado::Clase::NoNumero:
        que = valor_original(valor)
              + (nombre == QLatin1String("CajaOrd") ? QStringLiteral(" no es un número entero")
                                                    : QStringLiteral(" no es un número"));
        break;
    case DatoRechazado::Clase::Control:
        que = valor_original(valor) + QStringLiteral(" tiene un carácter de control");
        break;
    case DatoRechazado::Clase::Fecha:
        que = valor_original(valor) + QStringLiteral(" no es una fecha del calendario escrita aaaammdd");
        break;
    case DatoRechazado::Clase::Repetido:
    case DatoRechazado::Clase::Cuenta:
    case DatoRechazado::Clase::Registro:
        break;
    }
    throw FilaRechazada({clase, quien + QStringLiteral(": ") + QString::fromUtf8(c.texto) + QStringLiteral(" (")
                                    + nombre + QStringLiteral(") ") + que + QLatin1Char(' ') + en_tabla(tabla)
                                    + QStringLiteral("; no se ha traspasado.")});
}

// A number the record needs: Null (when `nulo_es_cero` is false) or text
// that is not a number stops the row.
template <typename Quien>
double numero_exigido(const QVariant& v, const Quien& quien, const QString& tabla, const QString& nombre,
                      bool nulo_es_cero = false)
{
    const NumeroHotel n = numero_hotel(v);
    if (n.estado == NumeroHotel::NoNumero)
        rechazar(DatoRechazado::Clase::NoNumero, nombre_de(quien), tabla, nombre, v);
    if (n.estado == NumeroHotel::Vacio && !nulo_es_cero)
        rechazar(DatoRechazado::Clase::Vacio, nombre_de(quien), tabla, nombre, v);
    return n.valor;
}

template <typename Quien>
double numero_exigido(const ado::Recordset& rs, const Quien& quien, const QString& tabla, const QString& nombre,
                      bool nulo_es_cero = false)
{
    return numero_exigido(rs.field(nombre), quien, tabla, nombre, nulo_es_cero);
}

// `quien` and `que` give the texts only when they are needed: this runs for
// every collection.
template <typename Quien, typename Que>
void exigir_cuenta_de(const Quien& quien, const Que& que, const QString& cuenta)
{
    try {
        registros::exigir_cuenta(cuenta);
    } catch (const registros::RegistroRechazado& e) {
        throw FilaRechazada({DatoRechazado::Clase::Cuenta, quien() + QStringLiteral(": ") + que() + QStringLiteral(" no vale (")
                                                               + e.explicacion() + QStringLiteral("); no se ha traspasado.")});
    }
}

// The records a staged row will make, built before it is staged: a value no
// record can carry (an account with a letter, an amount of eleven integer
// digits, an invoice number longer than its field) leaves the row in the
// hotel and reported, instead of staged to be refused at every generation.
template <typename Quien, typename Construir>
void exigir_registros(const Quien& quien, const Construir& construir)
{
    try {
        construir();
    } catch (const registros::RegistroRechazado& e) {
        const auto clase = e.campo == QLatin1String("cuenta") ? DatoRechazado::Clase::Cuenta : DatoRechazado::Clase::Registro;
        throw FilaRechazada({clase, nombre_de(quien) + QStringLiteral(": no cabe en un registro de A3Con (") + e.explicacion()
                                        + QStringLiteral("); no se ha traspasado.")});
    }
}

QString factura_hotel(const QString& eje, const QString& numero)
{
    return QStringLiteral("Factura ") + visible(eje) + QLatin1Char('/') + visible(numero);
}

// The codes a row is looked up by, or that name accounts: a control
// character in one is not part of the code anyone typed, and blanking it
// would look up, or send, another code.
template <typename Quien>
void exigir_codigos(const ado::Recordset& rs, const Quien& quien, const QString& tabla,
                    std::initializer_list<const char*> columnas)
{
    for (const char* columna : columnas) {
        const QString nombre = QString::fromLatin1(columna);
        const QString valor = rs.text(nombre);
        if (con_control(valor))
            rechazar(DatoRechazado::Clase::Control, nombre_de(quien), tabla, nombre, valor);
    }
}

QString fecha_o_texto(const QString& fecha)
{
    return registros::es_fecha(fecha) ? dma(fecha).toString(QStringLiteral("dd-MM-yyyy")) : fecha;
}

// The amounts of an invoice row, each one checked: the total and the band-2
// rate always make the record; a band of 1, 3 or 4 needs its rate and its VAT
// amount only when its base is not zero (a band without base is written by
// no record), and a Null base with a VAT amount hides a band. A Null tourist
// tax or deposit is none. Text in any of them is never a number.
struct ImportesFactura {
    double total = 0, tipo2 = 0, tasa = 0, deposito = 0;
    double b[5] = {0, 0, 0, 0, 0};
    double i[5] = {0, 0, 0, 0, 0};
    double c[5] = {0, 0, 0, 0, 0};
};

ImportesFactura importes_factura(const ado::Recordset& emi, const QString& quien)
{
    const QString tabla = QStringLiteral("emi");
    ImportesFactura f;
    f.total = numero_exigido(emi, quien, tabla, QStringLiteral("EmiTot"));
    f.tipo2 = numero_exigido(emi, quien, tabla, QStringLiteral("EmiI2"));
    static const QString kBases[5] = {{}, QStringLiteral("EmiB1"), {}, QStringLiteral("EmiB3"), QStringLiteral("EmiB4")};
    static const QString kTipos[5] = {{}, QStringLiteral("EmiI1"), {}, QStringLiteral("EmiI3"), QStringLiteral("EmiI4")};
    static const QString kCuotas[5] = {{}, QStringLiteral("EmiC1"), {}, QStringLiteral("EmiC3"), QStringLiteral("EmiC4")};
    for (int n : {1, 3, 4}) {
        const QString &b = kBases[n], &i = kTipos[n], &c = kCuotas[n];
        f.b[n] = numero_exigido(emi, quien, tabla, b, true);
        f.i[n] = numero_exigido(emi, quien, tabla, i, true);
        f.c[n] = numero_exigido(emi, quien, tabla, c, true);
        const bool con_base = vb::centimos(f.b[n]) != 0;
        if (!con_base && emi.isNull(b) && vb::centimos(f.c[n]) != 0)
            rechazar(DatoRechazado::Clase::Vacio, quien, tabla, b, QVariant());
        if (con_base) {
            numero_exigido(emi, quien, tabla, i);
            numero_exigido(emi, quien, tabla, c);
        }
    }
    f.tasa = numero_exigido(emi, quien, tabla, QStringLiteral("TasaImporte"), true);
    f.deposito = numero_exigido(emi, quien, tabla, QStringLiteral("EmiDep"), true);
    return f;
}

// The month "yyyymm" a badly written date stands for ("2013-01-15",
// "15/01/2013", "20130100", " 20130115"), or "" when it cannot be told.
QString mes_escrito(const QString& texto)
{
    static const QRegularExpression cifras(QStringLiteral("[0-9]+"));
    QStringList grupos;
    for (auto it = cifras.globalMatch(texto); it.hasNext();)
        grupos << it.next().captured();
    auto mes_de = [](int ano, int mes) {
        return ano > 0 && mes >= 1 && mes <= 12
                   ? QStringLiteral("%1%2").arg(ano, 4, 10, QLatin1Char('0')).arg(mes, 2, 10, QLatin1Char('0'))
                   : QString();
    };
    if (grupos.size() == 1 && grupos.first().size() >= 6) {
        const QString g = grupos.first();
        const QString primero = mes_de(g.left(4).toInt(), g.mid(4, 2).toInt());
        return primero.isEmpty() && g.size() == 8 ? mes_de(g.right(4).toInt(), g.mid(2, 2).toInt()) : primero;
    }
    if (grupos.size() >= 2 && grupos.first().size() == 4)
        return mes_de(grupos.at(0).toInt(), grupos.at(1).toInt());
    if (grupos.size() == 3 && grupos.last().size() == 4)
        return mes_de(grupos.at(2).toInt(), grupos.at(1).toInt());
    return QString();
}

// Whether an index gives the values of `columna` in order: then each next
// distinct value is one seek, and a table of years is not read whole.
bool en_orden_por_indice(ado::Connection& cn, const QString& tabla, const QString& columna)
{
    if (cn.kind() != ado::Connection::Kind::Jet)
        return false;
    bool por_indice = false;
    ado::Rows::each(cn,
                    QStringLiteral("EXPLAIN QUERY PLAN SELECT min(") + columna + QStringLiteral(") FROM ") + tabla
                        + QStringLiteral(" WHERE ") + columna + QStringLiteral(" > ?"),
                    {QStringLiteral("0")}, [&](const ado::Row& paso) {
                        const QString detalle = paso.text(paso.column(QStringLiteral("detail")));
                        por_indice = por_indice
                                     || (detalle.startsWith(QLatin1String("SEARCH")) && detalle.contains(QLatin1String("INDEX")));
                    });
    return por_indice;
}

// The distinct dates of an indexed column, in order, one seek each: false as
// soon as one is not a calendar date (a Null included), or when the walk
// does not move on.
bool fechas_del_indice_bien_escritas(ado::Connection& cn, const QString& tabla, const QString& columna)
{
    bool nulos = false;
    ado::Rows::each(cn,
                    QStringLiteral("SELECT 1 FROM ") + tabla + QStringLiteral(" WHERE ") + columna
                        + QStringLiteral(" IS NULL LIMIT 1"),
                    {}, [&](const ado::Row&) { nulos = true; });
    if (nulos)
        return false;
    const QString primero = QStringLiteral("SELECT min(") + columna + QStringLiteral(") FROM ") + tabla;
    const QString siguiente = primero + QStringLiteral(" WHERE ") + columna + QStringLiteral(" > ?");
    QVariant anterior;
    for (;;) {
        QVariant valor;
        ado::Rows::each(cn, anterior.isValid() ? siguiente : primero,
                        anterior.isValid() ? ado::Values{anterior} : ado::Values{},
                        [&](const ado::Row& fila) { valor = fila.field(0); });
        if (!valor.isValid() || valor.isNull())
            return true;
        if (valor == anterior || !registros::es_fecha(valor.toString()))
            return false;
        anterior = valor;
    }
}

// Whether every date the table holds is a calendar date written yyyymmdd:
// then no row can have a badly written one. Asked of the distinct dates,
// which the date's index gives without reading the rows. A question the
// database cannot answer is left to the full search, which reports it.
bool todas_las_fechas_bien_escritas(Traspaso& t, const QString& tabla, const QString& columna_fecha)
{
    try {
        ado::Connection& cn = t.a.conexion_hotel(tabla.toLower());
        if (en_orden_por_indice(cn, tabla, columna_fecha)) {
            // One read of the file for all the seeks, not one each.
            bool bien = false;
            ado::inOwnTransaction(cn, [&] { bien = fechas_del_indice_bien_escritas(cn, tabla, columna_fecha); });
            return bien;
        }
        ado::Recordset rs;
        rs.open(QStringLiteral("SELECT DISTINCT ") + columna_fecha + QStringLiteral(" FROM ") + tabla, {}, cn,
                ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !rs.eof(); rs.moveNext()) {
            if (!registros::es_fecha(rs.text(columna_fecha)))
                return false;
        }
        return true;
    } catch (const ado::Error&) {
        return false;
    }
}

// Rows of the range's months that no "Between" of the range sees, or sees
// only as a date that is not one. Only three kinds of row can hold such a
// date: those of the range's years outside the text window of those years
// ("2013-01-15", "15/01/2013"), and those of the first and last month of the
// range outside the range ("20130100", "2013013x"); inner months lie wholly
// inside the window. Those rows are read (few: the rest of the two end
// months at most) and the ones that are not calendar dates of a range month
// are named.
void fechas_mal_escritas(Traspaso& t, const QString& tabla, const QString& columna_fecha, const QString& filtro,
                         const std::function<QString(const ado::Recordset&)>& quien)
{
    const int desde = t.wdesde.left(4).toInt(), hasta = t.whasta.left(4).toInt();
    if (!registros::es_fecha(t.wdesde) || !registros::es_fecha(t.whasta) || hasta < desde || hasta - desde > 50)
        return;
    if (todas_las_fechas_bien_escritas(t, tabla, columna_fecha))
        return;
    const QString c = columna_fecha;
    QStringList anos;
    ado::Values valores;
    for (int ano = desde; ano <= hasta; ++ano) {
        anos << c + QStringLiteral(" LIKE ?");
        valores << QStringLiteral("%") + QString::number(ano) + QStringLiteral("%");
    }
    valores << QString::number(desde) + QStringLiteral("0101") << QString::number(hasta) + QStringLiteral("1231")
            << t.wdesde.left(6) + QStringLiteral("%") << t.whasta.left(6) + QStringLiteral("%") << t.wdesde << t.whasta;
    const QString sql = QStringLiteral("SELECT * FROM ") + tabla + QStringLiteral(" WHERE (((") + anos.join(QStringLiteral(" OR "))
        + QStringLiteral(") AND NOT (") + c + QStringLiteral(" BETWEEN ? AND ?)) OR ((") + c + QStringLiteral(" LIKE ? OR ")
        + c + QStringLiteral(" LIKE ?) AND NOT (") + c + QStringLiteral(" BETWEEN ? AND ?))) AND ") + filtro;
    ado::Recordset rs;
    rs.open(sql, valores, t.a.conexion_hotel(tabla.toLower()), ado::adOpenForwardOnly, ado::adLockReadOnly);
    while (!rs.eof()) {
        const QString fecha = rs.text(c);
        const QString mes = registros::es_fecha(fecha) ? QString() : mes_escrito(fecha);
        if (!mes.isEmpty() && mes >= t.wdesde.left(6) && mes <= t.whasta.left(6))
            t.rechazados.push_back({DatoRechazado::Clase::Fecha,
                                    quien(rs) + QStringLiteral(": la fecha (") + c + QStringLiteral(") ")
                                        + valor_original(fecha)
                                        + QStringLiteral(" no es una fecha del calendario escrita aaaammdd y "
                                                         "ninguna selección de fechas la ve ")
                                        + en_tabla(tabla) + QStringLiteral("; no se ha traspasado.")});
        rs.moveNext();
    }
    rs.close();
}

QString cobro_de_texto(const QString& fecha, const QString& orden)
{
    return QStringLiteral("Cobro de caja del ") + visible(fecha_o_texto(fecha)) + QStringLiteral(", orden ")
           + (orden.isEmpty() ? QStringLiteral("(vacío)") : visible(orden));
}

// An invoice is known by its year and number: without them, or with those of
// an invoice already read in this selection, no record can name it.
void comprobar_clave_factura(const ado::Recordset& emi, QSet<QString>& vistas)
{
    const QString eje = emi.text(QStringLiteral("EmiAno"));
    const QString numero = emi.text(QStringLiteral("EmiNum"));
    const QString tabla = QStringLiteral("emi");
    exigir_codigos(emi, [&] { return factura_hotel(eje, numero); }, tabla, {"EmiAno", "EmiNum", "EmiCli", "eMIC"});
    if (numero.trimmed().isEmpty() || eje.trimmed().isEmpty()) {
        const QString quien = QStringLiteral("Factura del ") + fecha_o_texto(emi.text(QStringLiteral("EmiFec")))
                              + QStringLiteral(" (ejercicio ") + (eje.isEmpty() ? QStringLiteral("vacío") : eje)
                              + QStringLiteral(", número ") + (numero.isEmpty() ? QStringLiteral("vacío") : numero)
                              + QStringLiteral(", cliente ") + emi.text(QStringLiteral("EmiCli"))
                              + QStringLiteral(", total ") + emi.text(QStringLiteral("EmiTot")) + QLatin1Char(')');
        rechazar(DatoRechazado::Clase::Vacio, quien, tabla,
                 numero.trimmed().isEmpty() ? QStringLiteral("EmiNum") : QStringLiteral("EmiAno"), QVariant());
    }
    const QString clave = eje + QChar(0x1F) + numero;
    if (vistas.contains(clave))
        throw FilaRechazada({DatoRechazado::Clase::Repetido,
                             factura_hotel(eje, numero) + QStringLiteral(": otra factura ") + en_tabla(tabla)
                                 + QStringLiteral(" tiene el mismo ejercicio y número (EmiAno, EmiNum); esta, de total ")
                                 + emi.text(QStringLiteral("EmiTot")) + QStringLiteral(", no se ha traspasado.")});
    vistas.insert(clave);
}

// A collection is known by its day and its order within the day.
void comprobar_clave_cobro(const ado::Recordset& caja, QSet<QString>& vistos)
{
    const QString fecha = caja.text(QStringLiteral("CajaFec"));
    const QVariant orden = caja.field(QStringLiteral("CajaOrd"));
    // Written only for a message.
    const auto quien = [&] { return cobro_de_texto(fecha, orden.isNull() ? QString() : orden.toString()); };
    const QString tabla = QStringLiteral("caja");
    if (!registros::es_fecha(fecha))
        rechazar(DatoRechazado::Clase::Fecha, quien(), tabla, QStringLiteral("CajaFec"), fecha);
    exigir_codigos(caja, quien, tabla, {"CajaFra", "CajaAnoF", "CajaCobroc"});
    const NumeroHotel n = numero_hotel(orden);
    if (n.estado == NumeroHotel::Vacio)
        rechazar(DatoRechazado::Clase::Vacio, quien(), tabla, QStringLiteral("CajaOrd"), orden);
    if (n.estado == NumeroHotel::NoNumero || n.valor != std::trunc(n.valor) || std::fabs(n.valor) > 1e15)
        rechazar(DatoRechazado::Clase::NoNumero, quien(), tabla, QStringLiteral("CajaOrd"), orden);
    const QString clave = fecha + QChar(0x1F) + QString::number(qint64(n.valor));
    if (vistos.contains(clave))
        throw FilaRechazada({DatoRechazado::Clase::Repetido,
                             quien() + QStringLiteral(": otro cobro ") + en_tabla(tabla)
                                 + QStringLiteral(" tiene el mismo día y número de orden (CajaFec, CajaOrd); este, de importe ")
                                 + caja.text(QStringLiteral("CajaImp")) + QStringLiteral(", no se ha traspasado.")});
    vistos.insert(clave);
}

} // namespace

// --- value rules ------------------------------------------------------------

double base_banda2(double total, double tipo)
{
    const double divisor = 1.0 + tipo / 100.0;
    if (divisor == 0.0 || !std::isfinite(divisor))
        return 0.0;   // a rate of -100 % has no base; never store an infinity
    return vb::redondear_par(total / divisor, 2);
}

QString cuenta_iva_factura(const QString& wcta_iva, bool wiva_por_tipo, double tipo)
{
    if (!wiva_por_tipo)
        return wcta_iva;
    const qint64 entero = qint64(vb::redondear(tipo, 0));
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
    const double importe = vb::redondear(cantidad * precio, 3);
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

NumeroHotel numero_hotel(const QVariant& valor)
{
    NumeroHotel n;
    if (!valor.isValid() || valor.isNull()) {
        n.estado = NumeroHotel::Vacio;
        return n;
    }
    bool ok = false;
    double d = 0;
    if (valor.typeId() == QMetaType::QString || valor.typeId() == QMetaType::QByteArray) {
        const QString texto = valor.toString().trimmed();
        if (texto.isEmpty()) {
            n.estado = NumeroHotel::Vacio;
            return n;
        }
        d = texto.toDouble(&ok);
    } else {
        d = valor.toDouble(&ok);
    }
    if (!ok || !std::isfinite(d)) {
        n.estado = NumeroHotel::NoNumero;
        return n;
    }
    n.valor = vb::quince_cifras(d);
    return n;
}

QStringList informe_rechazados(const std::vector<DatoRechazado>& rechazados, int maximo_por_clase)
{
    using C = DatoRechazado::Clase;
    const std::pair<C, const char*> clases[] = {
        {C::Vacio, "Datos vacíos"},
        {C::NoNumero, "Datos que no son números"},
        {C::Fecha, "Fechas que no son fechas aaaammdd del calendario"},
        {C::Repetido, "Filas repetidas"},
        {C::Control, "Códigos con caracteres de control"},
        {C::Cuenta, "Cuentas contables que A3Con no admite"},
        {C::Registro, "Valores que no caben en los registros de A3Con"},
    };
    QStringList lineas;
    for (const auto& [clase, titulo] : clases) {
        QStringList de_la_clase;
        for (const DatoRechazado& d : rechazados)
            if (d.clase == clase)
                de_la_clase << d.linea;
        if (de_la_clase.isEmpty())
            continue;
        lineas << QString::fromUtf8(titulo) + QStringLiteral(" (") + QString::number(de_la_clase.size())
                      + QStringLiteral("):");
        for (int i = 0; i < de_la_clase.size() && i < maximo_por_clase; ++i)
            lineas << QStringLiteral("  ") + de_la_clase.at(i);
        if (de_la_clase.size() > maximo_por_clase)
            lineas << QStringLiteral("  ... y %1 más de este tipo.").arg(de_la_clase.size() - maximo_por_clase);
    }
    return lineas;
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
    a.rs_fac3.open(QStringLiteral("SELECT * FROM fac3 WHERE FacEje = ? AND FacFra = ?"), {eje, numero}, a.cn_enlace,
                   ado::adOpenDynamic, ado::adLockOptimistic);
    return !a.rs_fac3.eof();
}

bool ya_ha_sido_traspasado_caja(Traspaso& t, const QString& fecha, qint64 orden)
{
    A3ADO& a = t.a;
    a.rs_caj3.closeIfOpen();
    a.rs_caj3.open(QStringLiteral("SELECT * FROM caj3 WHERE CajFec = ? AND CajOrd = ?"), {fecha, orden}, a.cn_enlace,
                   ado::adOpenDynamic, ado::adLockOptimistic);
    return !a.rs_caj3.eof();
}

void mover_datos_factura(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& emi = a.rs_emi;

    const QString eje = emi.text(QStringLiteral("EmiAno"));
    const QString numero = emi.text(QStringLiteral("EmiNum"));
    const QString quien = factura_hotel(eje, numero);
    const QString fecha = emi.text(QStringLiteral("EmiFec"));
    // Everything is checked before anything is saved or any account recorded.
    if (!registros::es_fecha(fecha))
        rechazar(DatoRechazado::Clase::Fecha, quien, QStringLiteral("emi"), QStringLiteral("EmiFec"), fecha);
    const ImportesFactura f = importes_factura(emi, quien);
    const double total = f.total;
    const double tipo2 = f.tipo2;

    // Added by one statement compiled once (rs_fac3, opened on the invoice's
    // own rows by ya_ha_sido_traspasado, is not needed for it).
    static const QString insertar = QStringLiteral(
        "INSERT INTO fac3 ([FacEje], [FacFec], [FacFra], [FacCli], [FacB0], [FacB1], [FacB2], [FacB3], [FacB4], "
        "[FacI1], [FacI2], [FacI3], [FacI4], [FacC1], [FacC2], [FacC3], [FacC4], [FacTotal], [FacNifC], [FacEst], "
        "[FacCliN], [FacIvaR], [FacCtaC], [FacTasa]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?)");
    const double base2 = base_banda2(total, tipo2);
    ado::Values fila{texto(eje), texto(fecha), texto(numero), texto(emi.text(QStringLiteral("EmiCli"))), 0.0, f.b[1],
                     base2, f.b[3], f.b[4], f.i[1], tipo2, f.i[3], f.i[4], f.c[1],
                     // Band 2 base plus band 2 VAT is the total to the last bit.
                     total - base2, f.c[3], f.c[4], total, texto(emi.text(QStringLiteral("EmiNif")).left(9)),
                     QStringLiteral("0"), texto(emi.text(QStringLiteral("EmiNom"))),
                     texto(cuenta_iva_factura(a.wcta_iva, a.wiva_por_tipo, tipo2))};
    const QString cuenta =
        cuenta_cliente(t, numero, eje, emi.text(QStringLiteral("EmiCli")), emi.text(QStringLiteral("eMIC")));
    fila << texto(cuenta) << f.tasa;
    a.cn_enlace.execute(insertar, fila);

    const std::vector<VentasCuenta> ventas = a.wdesglosar_ventas ? generar_fal(t, eje, numero) : std::vector<VentasCuenta>();
    FilaFactura preparada;
    preparada.eje = eje, preparada.fra = numero, preparada.fec = fecha, preparada.cuenta = cuenta;
    preparada.nombre = emi.text(QStringLiteral("EmiNom"));
    for (int n : {1, 3, 4})
        preparada.b[n] = f.b[n], preparada.i[n] = f.i[n], preparada.c[n] = f.c[n];
    preparada.b[2] = base2, preparada.i[2] = tipo2, preparada.c[2] = total - base2;
    preparada.total = total, preparada.tasa = f.tasa;
    exigir_registros(quien, [&] { lineas_factura(t, preparada, ventas); });
}

std::vector<VentasCuenta> generar_fal(Traspaso& t, const QString& w_eje, const QString& w_numero)
{
    A3ADO& a = t.a;
    a.rs_hiscadia.closeIfOpen();
    // The lines are only added, by one statement compiled once: opening a
    // recordset of fal3 for each invoice only to add to it cost a query each.
    static const QString insertar = QStringLiteral(
        "INSERT INTO fal3 ([FalEmp], [FalEje], [FalOrden], [FalFra], [FalCta], [FalImp]) VALUES (?, ?, ?, ?, ?, ?)");
    static const QString tabla = QStringLiteral("Hiscadia");
    static const QString kCta = QStringLiteral("HCadiaCta"), kCan = QStringLiteral("HCadiaCan"),
                         kPre = QStringLiteral("HCadiaPre"), kCA = QStringLiteral("HCadiaCA");
    QString empresa;
    int cta = -1, can = -1, pre = -1, ca = -1;
    qint64 orden = 0;
    std::vector<VentasCuenta> ventas;
    // Each line is read where it lies and added at once; none is kept.
    ado::Rows::each(
        a.conexion_hotel(QStringLiteral("hiscadia")),
        QStringLiteral("SELECT * FROM Hiscadia WHERE HCadiaFra = ? AND HCadiaFraAno = ?"), {w_numero, w_eje},
        [&](const ado::Row& linea) {
            if (orden == 0) {
                empresa = empresa_000(a.wempresa);
                a.rs_fal3.closeIfOpen();
            }
            ++orden;
            // Each column is looked up by name where it is first read.
            const auto columna = [&](int& c, const QString& nombre) { return c < 0 ? (c = linea.column(nombre)) : c; };
            QString cuenta = linea.text(columna(cta, kCta));
            if (!cuenta.isEmpty())
                ajustar_digitos(a.wdigitos, cuenta);
            const auto quien = [&] { return factura_hotel(w_eje, w_numero); };
            const double cantidad = numero_exigido(linea.field(columna(can, kCan)), quien, tabla, kCan);
            const double precio = numero_exigido(linea.field(columna(pre, kPre)), quien, tabla, kPre);
            const QString cuenta_linea = cuenta.isEmpty() ? a.wcta_cuadre : cuenta;
            const double importe = importe_linea(cantidad, precio, linea.text(columna(ca, kCA)));
            a.cn_enlace.execute(insertar,
                                {texto(empresa), texto(w_eje), orden, texto(w_numero), texto(cuenta_linea), importe});
            const auto suya = std::find_if(ventas.begin(), ventas.end(),
                                           [&](const VentasCuenta& v) { return v.cuenta == cuenta_linea; });
            if (suya == ventas.end())
                ventas.push_back({cuenta_linea, importe});
            else
                suya->suma += importe;
        });
    return ventas;
}

void mover_deposito(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& emi = a.rs_emi;
    ado::Recordset& dep = a.rs_edep3;
    // Opened once for the whole invoice selection (preparar_facturas closes
    // it), and on no row: it only adds deposits, and reading the history of
    // edep3 would grow with every year staged.
    if (!dep.isOpen())
        dep.open(QStringLiteral("SELECT * FROM edep3 WHERE 1 = 0"), a.cn_enlace, ado::adOpenDynamic,
                 ado::adLockOptimistic);
    // The whole account, even when it is longer than the column was declared:
    // a cut account would credit the deposit to another customer.
    const FilaDeposito d{emi.text(QStringLiteral("EmiFec")),
                         cuenta_cliente(t, emi.text(QStringLiteral("EmiNum")), emi.text(QStringLiteral("EmiAno")),
                                        emi.text(QStringLiteral("EmiCli")), emi.text(QStringLiteral("eMIC"))),
                         emi.text(QStringLiteral("EmiNum")), numero_hotel(emi.field(QStringLiteral("EmiDep"))).valor};
    exigir_registros([&] { return factura_hotel(emi.text(QStringLiteral("EmiAno")), d.factura); },
                     [&] { lineas_deposito(t, d); });
    dep.addNew();
    dep.setField(QStringLiteral("EdepFec"), texto(d.fecha));
    dep.setField(QStringLiteral("EdepCli"), texto(d.cuenta));
    dep.setField(QStringLiteral("EdepImp"), d.importe);
    dep.setField(QStringLiteral("EdepEstado"), QStringLiteral("0"));
    dep.setField(QStringLiteral("EdepFra"), texto(d.factura));
    dep.update();
}

void mover_datos_caja(Traspaso& t)
{
    A3ADO& a = t.a;
    ado::Recordset& caja = a.rs_caja;

    const QString fecha = caja.text(QStringLiteral("CajaFec"));
    const qint64 orden = orden_cobro(caja.field(QStringLiteral("CajaOrd")));
    const double importe = numero_exigido(caja, [&] { return cobro_de(fecha, orden); }, QStringLiteral("caja"),
                                          QStringLiteral("CajaImp"));

    const bool factura_nula = caja.isNull(QStringLiteral("CajaFra"));
    const QString factura = caja.text(QStringLiteral("CajaFra"));
    const QString ano_factura = caja.text(QStringLiteral("CajaAnoF"));
    // Without an invoice the money is a deposit or an advance payment.
    const QString cliente = factura.isEmpty() ? a.wcta_depositos : cuenta_cliente2(t, factura, ano_factura);
    const QString credito = caja.text(QStringLiteral("CajaCre"));
    // Only an advance payment typed without invoice ("" rather than Null)
    // carries its reference in the concept text.
    const bool anticipo = !factura_nula && factura.isEmpty();
    const QString deposito = anticipo ? caja.text(QStringLiteral("CajaCon")).mid(12, 6) : QString();
    const QString forma = caja.text(QStringLiteral("CajaCobroc"));
    const QString cobro = cuenta_cobro(t, forma);
    // An account the day's entry cannot carry would hold the whole day back
    // at every run, even once the hotel corrected it: the collection is left
    // here instead, and staged as corrected next time.
    if (vb::centimos(importe) != 0) {
        const auto quien = [&] { return cobro_de(fecha, orden); };
        exigir_cuenta_de(quien, [&] { return QStringLiteral("la cuenta de la forma de cobro ") + visible(forma); }, cobro);
        exigir_cuenta_de(quien, [] { return QStringLiteral("la cuenta del cliente"); }, cliente);
        exigir_registros(quien, [&] { registros::registro_apunte(apunte_cobro(t, fecha, cliente, factura, importe)); });
    }
    // Added by one statement compiled once (see mover_datos_factura).
    static const QString insertar = QStringLiteral(
        "INSERT INTO caj3 ([CajFec], [CajOrd], [CajImp], [CajFra], [CajCli], [CajAnoF], [CajCre], [CajDep], "
        "[CajCobro], [CajCobroN], [CajEstado]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    a.cn_enlace.execute(insertar, {texto(fecha), orden, importe, texto(factura), texto(cliente), texto(ano_factura),
                                   texto(credito), texto(deposito), texto(cobro),
                                   texto(caja.text(QStringLiteral("CajaCobron"))), QStringLiteral("0")});
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
        // Both clean-ups in one pass over the file: each row is read once
        // and rewritten once, and one commit writes and syncs the pages.
        cn.execute(QStringLiteral("UPDATE emi SET EmiN = CASE WHEN EmiN IS NULL THEN '' ELSE EmiN END, "
                                  "EmiDep = CASE WHEN EmiDep IS NULL THEN 0 ELSE EmiDep END "
                                  "WHERE EmiN IS NULL OR EmiDep IS NULL"));
    }
    a.rs_emi.open(QStringLiteral("SELECT * FROM Emi WHERE EmiFec Between ? AND ? AND EmiCie = '1' AND (EmiN <> 'B')"),
                  fechas(t), cn, ado::adOpenDynamic, ado::adLockOptimistic);

    const QString fase = QStringLiteral("Preparando facturas");
    a.ui.expect(a.rs_emi.recordCount());
    a.ui.progress(fase, 0);
    fechas_mal_escritas(t, QStringLiteral("emi"), QStringLiteral("EmiFec"),
                        QStringLiteral("EmiCie = '1' AND (EmiN <> 'B')"), [](const ado::Recordset& rs) {
                            return factura_hotel(rs.text(QStringLiteral("EmiAno")), rs.text(QStringLiteral("EmiNum")));
                        });
    a.rs_edep3.closeIfOpen();
    Lectura lectura(t);
    LecturaHotel hotel(a, t.leido);
    GrupoEnlace grupo(a.cn_enlace);
    int preparadas = 0;
    qint64 leidas = 0;
    QSet<QString> vistas;
    while (!a.rs_emi.eof() && !a.ui.cancelled()) {
        const QString eje = a.rs_emi.text(QStringLiteral("EmiAno"));
        const QString numero = a.rs_emi.text(QStringLiteral("EmiNum"));
        bool preparada = false;
        try {
            comprobar_clave_factura(a.rs_emi, vistas);
            nombrando(t, [&] { return factura_de(numero, eje); }, [&] {
                if (ya_ha_sido_traspasado(t, eje, numero))
                    return;
                preparar_entero(t, [&] {
                    mover_datos_factura(t);
                    // A deposit that rounds to no cent is no deposit.
                    if (vb::centimos(numero_hotel(a.rs_emi.field(QStringLiteral("EmiDep"))).valor) != 0)
                        mover_deposito(t);
                });
                preparada = true;
            });
        } catch (const FilaRechazada& r) {
            t.rechazados.push_back(r.dato);
        }
        if (preparada) {
            ++preparadas;
            grupo.fila_guardada();
        }
        a.rs_emi.moveNext();
        hotel.seguir();
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
    caja.open(QStringLiteral("SELECT * FROM caja WHERE CajaFec Between ? AND ? AND CajaPago = '1'"), fechas(t),
              a.conexion_hotel(QStringLiteral("caja")), ado::adOpenDynamic, ado::adLockReadOnly);

    const QString fase = QStringLiteral("Preparando cobros de caja");
    a.ui.expect(caja.recordCount());
    a.ui.progress(fase, 0);
    fechas_mal_escritas(t, QStringLiteral("caja"), QStringLiteral("CajaFec"), QStringLiteral("CajaPago = '1'"),
                        [](const ado::Recordset& rs) {
                            return cobro_de_texto(rs.text(QStringLiteral("CajaFec")),
                                                  rs.text(QStringLiteral("CajaOrd")));
                        });
    Lectura lectura(t);
    LecturaHotel hotel(a, t.leido);
    GrupoEnlace grupo(a.cn_enlace);
    int preparados = 0;
    qint64 leidos = 0;
    QSet<QString> vistos;
    while (!caja.eof() && !a.ui.cancelled()) {
        const QString fecha = caja.text(QStringLiteral("CajaFec"));
        const qint64 orden = orden_cobro(caja.field(QStringLiteral("CajaOrd")));
        bool preparado = false;
        try {
            comprobar_clave_cobro(caja, vistos);
            nombrando(t, [&] { return cobro_de(fecha, orden); }, [&] {
                if (ya_ha_sido_traspasado_caja(t, fecha, orden))
                    return;
                preparar_entero(t, [&] { mover_datos_caja(t); });
                preparado = true;
            });
        } catch (const FilaRechazada& r) {
            t.rechazados.push_back(r.dato);
        }
        if (preparado) {
            ++preparados;
            grupo.fila_guardada();
        }
        caja.moveNext();
        hotel.seguir();
        if (++leidos % kAvisoCada == 0)
            a.ui.progress(fase, leidos);
    }
    grupo.terminar();
    caja.close();
    a.rs_caj3.closeIfOpen();
    a.ui.progress(fase, leidos);
    return preparados;
}
