#include "data/a3ado.h"

#include "data/tablas_hotel.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>
#include <cmath>
#include <limits>

namespace {

const QString kCadenaUnidades = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source= C:\\noctaris.MDB");
const QString kTablaUnidades = QStringLiteral("C:\\noctaris.MDB");

// Opens a connection of the start-up. The provider's number and text are
// kept; what was being opened is named when the provider did not say it.
void abrir(A3ADO& a, ado::Connection& cn, const QString& cadena, const QString& fuente)
{
    if (cn.isOpen())
        cn.close();
    cn.setDriveMap(&a.unidades);
    try {
        cn.open(cadena);
    } catch (const ado::Error& e) {
        if (!e.source().isEmpty())
            throw;
        throw ado::Error(e.number(), e.description(), fuente);
    }
}

QString ruta_datos(const A3ADO& a, const QString& archivo)
{
    return a.wunidad + QStringLiteral(":\\noctaris\\") + archivo;
}

// The drive of a row of the drive table. A missing row or an empty drive
// cannot start anything, so they fail here with words that say so rather
// than later with a path that makes no sense.
QString leer_unidad(A3ADO& a, const QString& cod)
{
    abrir(a, a.cn_unidades, kCadenaUnidades, kTablaUnidades);
    QString unidad;
    try {
        a.rs_unidades.closeIfOpen();
        a.rs_unidades.open(QStringLiteral("SELECT unidad FROM noctaris WHERE cod = ?"), {cod}, a.cn_unidades,
                           ado::adOpenDynamic, ado::adLockReadOnly);
        if (a.rs_unidades.eof())
            throw ado::Error(ado::kNoCurrentRecord,
                             QStringLiteral("La tabla noctaris no tiene la fila cod = '%1' que indica la unidad de "
                                            "los datos")
                                 .arg(cod),
                             kTablaUnidades);
        unidad = a.rs_unidades.text(QStringLiteral("unidad")).trimmed();
        if (unidad.isEmpty())
            throw ado::Error(ado::kNoCurrentRecord,
                             QStringLiteral("La fila cod = '%1' de la tabla noctaris no indica ninguna unidad").arg(cod),
                             kTablaUnidades);
    } catch (const ado::Error& e) {
        a.rs_unidades.closeIfOpen();
        a.cn_unidades.close();
        // The start-up names the file that failed, not the statement.
        throw ado::Error(e.number(), e.description(), kTablaUnidades);
    }
    a.rs_unidades.close();
    a.cn_unidades.close();
    return unidad;
}

// Ca3Niv as the 16-bit whole number the settings keep (rounded half to even,
// as the conversion always did); nothing when it is Null or not a number.
std::optional<int> digitos(const QVariant& valor)
{
    if (!valor.isValid() || valor.isNull())
        return std::nullopt;
    bool ok = false;
    const double n = valor.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(n))
        return std::nullopt;
    const double redondeado = std::nearbyint(n);
    if (redondeado < std::numeric_limits<qint16>::min() || redondeado > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<int>(redondeado);
}

struct Sonda {
    int paso;
    ado::Recordset A3ADO::*recordset;
    const char* sentencia;
    bool es_ctas3;
};

// Each probe only asks whether its table and column exist: the statement
// is compiled (a missing column or table is the provider's error, as
// always), and its "1 = 0", false before any row is looked at, keeps it from
// reading the rows, however many invoices are staged. (A bare "AND 0" would
// not do: SQLite drops the other term unread, missing column and all.)
const Sonda kSondas[] = {
    {1, &A3ADO::rs_ca3, "SELECT * FROM CA3 WHERE Ca3DesglosarPasantes = 0 AND 1 = 0", false},
    {2, &A3ADO::rs_ca3, "SELECT * FROM CA3 WHERE Ca3UnicaCtaPasantes = 0 AND 1 = 0", false},
    {2, &A3ADO::rs_ctas3, "SELECT * FROM ctas3 WHERE 1 = 0", true},
    {3, &A3ADO::rs_ca3, "SELECT * FROM ca3 WHERE ca3Tasa = '' AND 1 = 0", false},
    {4, &A3ADO::rs_fac3, "SELECT * FROM fac3 WHERE FacTasa = 0 AND 1 = 0", false},
    {5, &A3ADO::rs_ca3, "SELECT * FROM CA3 WHERE Zumeral = 0 AND 1 = 0", false},
};

QStringList sentencias_del_paso(int paso)
{
    switch (paso) {
    case 1:
        return {QStringLiteral("ALTER TABLE ca3 ADD  Ca3DesglosarPasantes BIT"),
                QStringLiteral("ALTER TABLE ca3 ADD  Ca3CrearCuentas BIT"),
                QStringLiteral("UPDATE ca3 SET Ca3DesglosarPasantes = 0"),
                QStringLiteral("UPDATE ca3 SET Ca3CrearCuentas = 0")};
    case 2:
        return {QStringLiteral("ALTER TABLE ca3 ADD  Ca3UnicaCtaPasantes BIT"),
                QStringLiteral("UPDATE ca3 SET Ca3UnicaCtaPasantes = 0")};
    case 3:
        return {QStringLiteral("ALTER TABLE ca3 ADD Ca3Tasa TEXT(12)"),
                QStringLiteral("UPDATE ca3 SET Ca3Tasa = '475300000'")};
    case 4:
        return {QStringLiteral("ALTER TABLE fac3 ADD FacTasa DOUBLE"), QStringLiteral("UPDATE fac3 SET FacTasa =0")};
    case 5:
        return {QStringLiteral("ALTER TABLE ca3 ADD Zumeral BIT"), QStringLiteral("UPDATE ca3 SET Zumeral = 0")};
    default:
        return {};
    }
}

struct Indice {
    const char* nombre;
    const char* tabla;
    const char* columnas;
};

// The lookups of the transfer go by these keys; no other index is made, so
// rows read without ORDER BY keep coming in the same order everywhere.
const Indice kIndices[] = {
    {"enlace3_fac3_eje_fra", "fac3", "FacEje, FacFra"},
    {"enlace3_fac3_fec", "fac3", "FacFec"},
    {"enlace3_caj3_fec_ord", "caj3", "CajFec, CajOrd"},
    {"enlace3_ctas3_cuenta", "ctas3", "Cuenta"},
    {"enlace3_fal3_emp_eje_fra", "fal3", "FalEmp, FalEje, FalFra"},
    {"enlace3_cre3_fecvalor", "cre3", "Cre3FecValor"},
};

// The hotel's Access files the link opens, each on its own connection.
struct BaseHotel {
    ado::Connection A3ADO::*cn;
    const char* archivo;
};
const BaseHotel kBasesHotel[] = {
    {&A3ADO::cn_emi, "emi.MDB"}, {&A3ADO::cn_hiscadia, "hiscadia.MDB"}, {&A3ADO::cn_agen, "agen.MDB"},
    {&A3ADO::cn_na, "na.MDB"},   {&A3ADO::cn_caja, "caja.MDB"},         {&A3ADO::cn_cli, "cli.MDB"},
    {&A3ADO::cn_formas, "formas.MDB"},
};

} // namespace

A3ADO::A3ADO(platform::DriveMap drives, platform::Interaction& interaccion)
    : unidades(std::move(drives)), ui(interaccion)
{
}

QString A3ADO::leer_unidad_hotel() { return leer_unidad(*this, QStringLiteral("1")); }

QString A3ADO::leer_unidad_conta() { return leer_unidad(*this, QStringLiteral("2")); }

void A3ADO::leer_conexion_sql()
{
    try {
        abrir(*this, cn_sistema, QString::fromUtf8(kJetPrefix) + ruta_datos(*this, QStringLiteral("INFHSYS.MDB")),
              ruta_datos(*this, QStringLiteral("INFHSYS.MDB")));
        rs_con.closeIfOpen();
        rs_con.open(QStringLiteral("SELECT * FROM con "), cn_sistema, ado::adOpenDynamic, ado::adLockReadOnly);
        // A Null ConTipo is not "0": it means the server, as it always has.
        if (rs_con.eof() || (!rs_con.isNull(QStringLiteral("ConTipo")) &&
                             rs_con.field(QStringLiteral("ConTipo")).toString() == QStringLiteral("0"))) {
            wsql = false;
            wservidor.clear();
            wcatalogo.clear();
        } else {
            wsql = true;
            wservidor = rs_con.text(QStringLiteral("ConServer"));
            wcatalogo = rs_con.text(QStringLiteral("catalogo"));
        }
        rs_con.close();
        cn_sistema.close();
    } catch (const ado::Error& e) {
        rs_con.closeIfOpen();
        if (cn_sistema.isOpen())
            cn_sistema.close();
        // Without the hotel's system file the data are Access files.
        if (e.number() == ado::kCannotOpen) {
            wsql = false;
            wservidor.clear();
            wcatalogo.clear();
        }
    }
}

void A3ADO::abrir_conexiones()
{
    if (wsql)
        abrir_sql();
    else
        abrir_bases_hotel();
    for (ado::Recordset* rs : {&rs_emi, &rs_hiscadia, &rs_agen, &rs_na, &rs_cli, &rs_caja, &rs_formas, &rs_ser})
        rs->closeIfOpen();
    abrir_enlace();
}

void A3ADO::abrir_sql()
{
    const QString cadena = QStringLiteral("Driver={SQL Native Client};Server=") + wservidor +
                           QStringLiteral(";Database=") + wcatalogo + QStringLiteral("; Uid=noctaris;Pwd=KOVE3;");
    abrir(*this, cn_sql, cadena, wservidor + QStringLiteral(" (") + wcatalogo + QLatin1Char(')'));
}

QStringList A3ADO::archivos_hotel()
{
    QStringList archivos;
    for (const BaseHotel& base : kBasesHotel)
        archivos << QString::fromLatin1(base.archivo);
    return archivos;
}

void A3ADO::abrir_bases_hotel()
{
    for (const BaseHotel& base : kBasesHotel) {
        const QString ruta = ruta_datos(*this, QString::fromLatin1(base.archivo));
        (this->*(base.cn)).setRole(ado::Connection::Role::HotelData);
        abrir(*this, this->*(base.cn), QString::fromUtf8(kJetPrefix) + ruta, ruta);
    }
}

void A3ADO::abrir_enlace()
{
    const QString ruta = ruta_datos(*this, QStringLiteral("enlace3.MDB"));
    cn_enlace.setRole(ado::Connection::Role::LinkDatabase);
    abrir(*this, cn_enlace, QString::fromUtf8(kJetPrefix) + ruta, ruta);
    for (ado::Recordset* rs : {&rs_caj3, &rs_ca3, &rs_fac3, &rs_fal3, &rs_cre3, &rs_edep3, &rs_ctas3})
        rs->closeIfOpen();
    asegurar_indices();
}

void A3ADO::asegurar_indices()
{
    if (!cn_enlace.isOpen())
        return;
    QSqlDatabase db = cn_enlace.database();
    QStringList existentes;
    for (const QString& tabla : db.tables())
        existentes << tabla.toLower();
    for (const Indice& indice : kIndices) {
        if (!existentes.contains(QString::fromLatin1(indice.tabla)))
            continue;
        // An index only speeds the lookups up: one that cannot be made (an
        // odd older table) must not stop the start.
        QSqlQuery query(db);
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                       .arg(QString::fromLatin1(indice.nombre), QString::fromLatin1(indice.tabla),
                            QString::fromLatin1(indice.columnas)));
    }
}

void A3ADO::actualizar_estructura()
{
    for (const Sonda& sonda : kSondas) {
        ado::Recordset& rs = this->*(sonda.recordset);
        try {
            rs.closeIfOpen();
            rs.open(QString::fromLatin1(sonda.sentencia), cn_enlace, ado::adOpenDynamic, ado::adLockReadOnly);
            rs.close();
        } catch (const ado::Error& e) {
            rs.closeIfOpen();
            if (e.number() == ado::kNoSuchColumn) {
                for (const QString& sentencia : sentencias_del_paso(sonda.paso))
                    cn_enlace.execute(sentencia);
            } else if (e.number() == ado::kNoSuchTable) {
                // Only Ctas3 is ever created here; a link database without
                // ca3 or fac3 cannot be mended and must not be changed.
                if (!sonda.es_ctas3)
                    throw;
                cn_enlace.execute(tablas::ctas3().ddl);
                asegurar_indices();
            }
        }
    }
}

bool A3ADO::exigir_configuracion()
{
    if (wdigitos > 0)
        return true;
    ui.message(QStringLiteral("La configuración del enlace está incompleta: no hay ninguna configuración cargada (falta "
                              "su fila o el número de dígitos de las cuentas contables). Complete la configuración en "
                              "\"Configuración General\"."),
               QString(), platform::Icon::Exclamation);
    return false;
}

bool A3ADO::cargar_configuracion()
{
    actualizar_estructura();
    rs_ca3.closeIfOpen();
    rs_ca3.open(QStringLiteral("SELECT * FROM ca3 WHERE Ca3Key = 'KOVE3'"), cn_enlace, ado::adOpenDynamic,
                ado::adLockReadOnly);
    if (rs_ca3.eof()) {
        rs_ca3.close();
        return true;
    }
    // Read everything first so that a row that cannot be loaded changes no
    // setting at all.
    const QString empresa = rs_ca3.text(tablas::ajustes::empresa);
    const QString ruta = rs_ca3.text(tablas::ajustes::ruta);
    const std::optional<int> niv = digitos(rs_ca3.field(tablas::ajustes::digitos));
    const QString clientes = rs_ca3.text(tablas::ajustes::clientes);
    const QString agencias = rs_ca3.text(tablas::ajustes::agencias);
    const QString empresas = rs_ca3.text(tablas::ajustes::empresas);
    const QString depositos = rs_ca3.text(tablas::ajustes::depositos);
    const QString iva = rs_ca3.text(tablas::ajustes::iva);
    const QString cuadre = rs_ca3.text(tablas::ajustes::cuadre);
    const bool desglosar = ado::isYes(rs_ca3.field(tablas::ajustes::desglosar));
    const bool creditos = ado::isYes(rs_ca3.field(tablas::ajustes::creditos));
    const bool por_tipo = ado::isYes(rs_ca3.field(tablas::ajustes::iva_por_tipo));
    const bool por_pasante = ado::isYes(rs_ca3.field(tablas::ajustes::por_pasante));
    const bool crear = ado::isYes(rs_ca3.field(tablas::ajustes::crear_cuentas));
    const bool unica = ado::isYes(rs_ca3.field(tablas::ajustes::unica_pasantes));
    const QString tasa = rs_ca3.text(tablas::ajustes::tasa);
    const bool zumeral = ado::isYes(rs_ca3.field(tablas::ajustes::zumeral));
    rs_ca3.close();

    if (!niv) {
        ui.message(QStringLiteral("La configuración del enlace está incompleta: falta el número de dígitos de las "
                                  "cuentas contables. Complete la configuración en \"Configuración General\"."),
                   QString(), platform::Icon::Information);
        return false;
    }
    wempresa = empresa;
    wruta = ruta;
    wdigitos = *niv;
    wcta_clientes = clientes;
    wcta_agencias = agencias;
    wcta_empresas = empresas;
    wcta_depositos = depositos;
    wcta_iva = iva;
    wcta_cuadre = cuadre;
    wdesglosar_ventas = desglosar;
    wtraspasar_creditos = creditos;
    wiva_por_tipo = por_tipo;
    wcuenta_por_pasante = por_pasante;
    wcrear_cuentas = crear;
    wcuenta_unica_pasantes = unica;
    wcta_tasa = tasa;
    wexportar_pgc = zumeral;
    return true;
}

QString A3ADO::ruta_hotel(const QString& archivo) const { return ruta_datos(*this, archivo); }

QString A3ADO::cadena_jet(const QString& windowsPath) const
{
    static const QRegularExpression conUnidad(QStringLiteral("^[A-Za-z]:"));
    if (conUnidad.match(windowsPath).hasMatch())
        return QString::fromUtf8(kJetPrefix) + windowsPath;
    QString archivo = windowsPath;
    while (archivo.startsWith(QLatin1Char('\\')) || archivo.startsWith(QLatin1Char('/')))
        archivo.remove(0, 1);
    return QString::fromUtf8(kJetPrefix) + ruta_datos(*this, archivo);
}

ado::Connection& A3ADO::conexion_hotel(const QString& tabla)
{
    if (wsql)
        return cn_sql;
    // Asked for before every statement on the hotel's files: compared in
    // place, without making the file's name each time.
    for (const BaseHotel& base : kBasesHotel) {
        const QLatin1StringView archivo(base.archivo);
        if (archivo.size() == tabla.size() + 4 && archivo.endsWith(QLatin1String(".MDB"))
            && QStringView(tabla).compare(archivo.first(tabla.size()), Qt::CaseInsensitive) == 0)
            return this->*(base.cn);
    }
    throw ado::Error(ado::kCannotOpen,
                     QStringLiteral("La tabla %1 del hotel no tiene una base de datos abierta en modo Access").arg(tabla),
                     tabla);
}

void A3ADO::refrescar_copias_hotel()
{
    if (wsql)
        return;
    for (ado::Recordset* rs : {&rs_emi, &rs_hiscadia, &rs_agen, &rs_na, &rs_cli, &rs_caja, &rs_formas, &rs_ser})
        rs->closeIfOpen();
    for (const BaseHotel& base : kBasesHotel)
        if ((this->*(base.cn)).isOpen())
            (this->*(base.cn)).refreshSnapshot();
}

QString A3ADO::motivo_solo_lectura(const QStringList& archivos) const
{
    if (wsql)
        return QString();
    QStringList jet;
    jet::Formato version = jet::Formato::Desconocido;
    for (const QString& archivo : archivos) {
        const jet::Formato f = jet::formato(unidades.toLocal(ruta_datos(*this, archivo)));
        if (jet::es_jet(f)) {
            jet << archivo;
            version = f;
        }
    }
    if (jet.isEmpty())
        return QString();
    const bool uno = jet.size() == 1;
    return (uno ? QStringLiteral("El fichero del hotel %1 es un fichero Access (%2) de una instalación de Windows, "
                                 "que aquí solo se puede leer")
                : QStringLiteral("Los ficheros del hotel %1 son ficheros Access (%2) de una instalación de Windows, "
                                 "que aquí solo se pueden leer"))
               .arg(jet.join(QStringLiteral(", ")), jet::nombre(version))
           + QStringLiteral(": las cuentas se muestran pero no se pueden cambiar. Cámbielas en el programa del hotel.");
}
