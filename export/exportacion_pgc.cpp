#include "export/exportacion_pgc.h"

#include "data/bitacora.h"
#include "data/instalacion_ocupada.h"
#include "platform/cp1252.h"
#include "platform/interaction.h"
#include "transfer/fichero_suenlace.h"
#include "transfer/generacion.h"
#include "transfer/records/registros.h"
#include "platform/vb.h"

#include <QFileInfo>


namespace {

// Every account brought over from Zumeral is opened in A3Con on this date.
const char* const kFechaAlta = "20130101";
// The first digits of the walk-in customers' accounts: Zumeral keeps no
// holder for them, so they get a name of their own.
const char* const kPasantes = "43000";

using vb::primeros;

// Padded with blanks to `ancho` bytes of the file; a longer text is left as
// it is (the record builder is the one that refuses it).
QString rellenado(const QString& texto, int ancho)
{
    const int ocupa = platform::cp1252Width(texto);
    return ocupa >= ancho ? texto : texto + QString(ancho - ocupa, QLatin1Char(' '));
}

// Accounts of customers (43), suppliers (40, 41) and other debtors and
// creditors (44) have a holder with an address.
QString siglas_de(const QString& cuenta)
{
    static const QStringList con_titular = {QStringLiteral("40"), QStringLiteral("41"), QStringLiteral("43"),
                                            QStringLiteral("44")};
    return con_titular.contains(cuenta.left(2)) ? QStringLiteral("CL") : QString();
}

using platform::Reloj;

// The link database's changes of one phase go in one transaction of our own,
// unless the caller already holds one.
class Transaccion {
public:
    explicit Transaccion(ado::Connection& cn) : cn_(cn)
    {
        if (!cn_.inTransaction()) {
            cn_.beginTrans();
            propia_ = true;
        }
    }
    ~Transaccion() { deshacer(); }
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;

    void confirmar()
    {
        if (propia_) {
            propia_ = false;
            cn_.commitTrans();
        }
    }
    void deshacer()
    {
        if (propia_) {
            propia_ = false;
            try {
                cn_.rollbackTrans();
            } catch (const ado::Error&) {
                // Nothing of it was committed; the failure that led here is what is reported.
            }
        }
    }

private:
    ado::Connection& cn_;
    bool propia_ = false;
};

QString texto_error(const ado::Error& e)
{
    return QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description());
}

} // namespace

std::optional<QString> formatear_empresa(const QString& texto)
{
    const QString limpio = texto.trimmed();
    if (!vb::es_numerico(limpio))
        return std::nullopt;
    qsizetype ceros = 0;
    while (ceros < limpio.size() - 1 && limpio.at(ceros) == QLatin1Char('0'))
        ++ceros;
    const QString valor = limpio.mid(ceros);
    return valor.size() >= 3 ? valor : QString(3 - valor.size(), QLatin1Char('0')) + valor;
}

QString archivo_empresa(const QString& unidad, const QString& empresa)
{
    return unidad + QStringLiteral(":\\zumeral\\") + empresa + QStringLiteral("MAE.mdb");
}

QString mensaje_exito_exportacion(const QString& wruta)
{
    return QStringLiteral("La Exportación del PGC ha finalizado con éxito. Ud debe importar ahora desde A3Con el "
                          "fichero SUENLACE.DAT generado en ")
           + wruta;
}

// The state of one writing of SUENLACE.DAT.
struct ExportacionPgc::Escritura {
    explicit Escritura(A3ADO& a) : fichero(a, diario::Tipo::Exportacion) {}
    FicheroSuenlace fichero;
};

ExportacionPgc::ExportacionPgc(A3ADO& a) : a(a) {}

ExportacionPgc::~ExportacionPgc() = default;

void ExportacionPgc::informar(const QString& texto)
{
    if (mostrar)
        mostrar(texto);
}

bool ExportacionPgc::abrir_empresa(const QString& empresa)
{
    r_ = ResultadoExportacion();
    r_.empresa = empresa;
    try {
        wunidad_conta = a.leer_unidad_conta();
        // A new connection object each time; the one of the last run goes.
        cn_conta = std::make_unique<ado::Connection>();
        cn_conta->setDriveMap(&a.unidades);
        cn_conta->open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + wunidad_conta
                       + QStringLiteral(":\\zumeral\\") + empresa
                       + QStringLiteral("MAE.mdb;Jet OLEDB:Database Password='BRANQUISO'"));
        rs_cta = std::make_unique<ado::Recordset>();
        rs_ter = std::make_unique<ado::Recordset>();
    } catch (const ado::Error&) {
        return false;
    }
    r_.empresa_abierta = true;
    return true;
}

qint64 ExportacionPgc::contar_cuentas()
{
    rs_cta->closeIfOpen();
    rs_cta->open(QStringLiteral("SELECT COUNT(*) as TotalCuentas FROM cta WHERE CtaNiv = 9"), *cn_conta,
                 ado::adOpenDynamic, ado::adLockReadOnly);
    const qint64 total = rs_cta->eof() ? 0 : static_cast<qint64>(rs_cta->number(QStringLiteral("TotalCuentas")));
    rs_cta->close();
    return total;
}

bool ExportacionPgc::existe_en_ctas3(const QString& cuenta)
{
    return a.existe_en_ctas3(cuenta);
}

void ExportacionPgc::guardar_cuenta(const QString& cuenta, const QString& nombre_cta, const QString& nif)
{
    informar(QStringLiteral("Almacenando Información ") + cuenta + QStringLiteral(" ") + nombre_cta);

    QString nombre = primeros(nombre_cta, 30);
    QString nif_fila = nif;
    // A holder's Null address, town, postcode or province stays Null.
    QVariant direccion = QString(), localidad = QString(), cp = QString(), provincia = QString();

    // The account was just looked up and is not there: its own selection is
    // empty, so adding the row loads nothing else of the table.
    ado::Recordset& rs = a.rs_ctas3;
    rs.closeIfOpen();
    rs.open(QStringLiteral("SELECT * FROM ctas3 WHERE Cuenta =?"), {cuenta}, a.cn_enlace, ado::adOpenDynamic,
            ado::adLockOptimistic);
    rs.addNew();

    rs_ter->closeIfOpen();
    rs_ter->open(QStringLiteral("SELECT * FROM TER WHERE TerNif = ?"), {nif}, *cn_conta, ado::adOpenDynamic,
                 ado::adLockReadOnly);
    const bool pasantes = cuenta.left(5) == QLatin1String(kPasantes);
    if (!pasantes && !nif.isEmpty() && !rs_ter->eof()) {
        const QString titular = rs_ter->text(QStringLiteral("Ternom"));
        if (!titular.isEmpty())
            nombre = primeros(titular, 30);
        const auto del_titular = [this](const QString& columna, int ancho) -> QVariant {
            if (rs_ter->isNull(columna))
                return QVariant();
            const QString texto = rs_ter->text(columna);
            return ancho > 0 ? primeros(texto, ancho) : texto;
        };
        direccion = del_titular(QStringLiteral("TerDi"), 30);
        localidad = del_titular(QStringLiteral("Terpob"), 20);
        cp = del_titular(QStringLiteral("TerCp"), 0);
        provincia = del_titular(QStringLiteral("TerPro"), 15);
    } else if (pasantes) {
        // "CLIENTES PASANTES " + the two digits after 43000 + the last two.
        nombre = QStringLiteral("CLIENTES PASANTES ") + cuenta.mid(5, 2) + cuenta.right(2);
        nif_fila.clear();
    }
    rs_ter->close();

    rs.setField(QStringLiteral("cuenta"), cuenta);
    rs.setField(QStringLiteral("nombre"), nombre);
    rs.setField(QStringLiteral("nif"), nif_fila);
    rs.setField(QStringLiteral("Siglas"), siglas_de(cuenta));
    rs.setField(QStringLiteral("direccion"), direccion);
    rs.setField(QStringLiteral("localidad"), localidad);
    rs.setField(QStringLiteral("Cp"), cp);
    rs.setField(QStringLiteral("provincia"), provincia);
    rs.setField(QStringLiteral("fechaAlta"), QString::fromLatin1(kFechaAlta));
    rs.setField(QStringLiteral("Estado"), QStringLiteral("0"));
    rs.update();
    rs.close();
}

bool ExportacionPgc::leer_plan_contable()
{
    try {
        Reloj reloj(a.ui);
        Transaccion transaccion(a.cn_enlace);
        r_.total_cuentas = contar_cuentas();
        a.ui.message(QStringLiteral("Cuentas a Traspasar : ") + QString::number(r_.total_cuentas));

        rs_cta->closeIfOpen();
        rs_cta->open(QStringLiteral("SELECT * FROM Cta WHERE CTANiv = 9 order by ctacod"), *cn_conta,
                     ado::adOpenDynamic, ado::adLockReadOnly);
        int almacenadas = 0;
        while (!rs_cta->eof()) {
            // Blanks after the code are its column's padding: the account is
            // the same, and is found in ctas3 as a transfer recorded it.
            const QString cuenta = vb::sin_blancos_finales(rs_cta->text(QStringLiteral("CtaCod")));
            if (vb::es_numerico(cuenta) && !existe_en_ctas3(cuenta)) {
                guardar_cuenta(cuenta, rs_cta->text(QStringLiteral("CtaNom")), rs_cta->text(QStringLiteral("CtaNif")));
                ++almacenadas;
            }
            rs_cta->moveNext();
        }
        rs_cta->close();
        transaccion.confirmar();
        r_.almacenadas = almacenadas;
    } catch (const ado::Error& e) {
        rs_cta->closeIfOpen();
        rs_ter->closeIfOpen();
        a.rs_ctas3.closeIfOpen();
        informar(QString());
        r_.almacenadas = 0;
        r_.error_lectura = QStringLiteral("No se ha podido completar la lectura del plan contable de la empresa ") + r_.empresa
                           + QStringLiteral(" de Noctaris Conta (") + e.source() + QStringLiteral(").\n\n")
                           + texto_error(e)
                           + QStringLiteral("\n\nNo se ha almacenado ninguna cuenta ni se ha generado el fichero.");
        a.ui.message(r_.error_lectura, QString(), platform::Icon::Critical);
        return false;
    }
    r_.lectura_ok = true;
    return true;
}

bool ExportacionPgc::abrir_fichero(Escritura& e)
{
    const bool abierto = e.fichero.abrir();
    r_.ruta = e.fichero.ruta();
    if (!abierto)
        r_.error = e.fichero.error() + QStringLiteral(" No se ha marcado ninguna cuenta como exportada.");
    return abierto;
}

// The mark comes before the line: an account whose mark fails is left out
// of the file, so nothing goes out that stays pending.
bool ExportacionPgc::marcar_exportada(Escritura& e, const QString& quien)
{
    try {
        e.fichero.marcar(QStringLiteral("ctas3"), a.rs_ctas3.rowid(), a.rs_ctas3.field(QStringLiteral("Estado")));
        a.rs_ctas3.setField(QStringLiteral("Estado"), QStringLiteral("1"));
        a.rs_ctas3.update();
        return true;
    } catch (const ado::Error& error) {
        a.rs_ctas3.cancelUpdate();
        r_.omitidos << quien + QStringLiteral(": no se ha podido marcar como exportada (") + error.description()
                           + QStringLiteral(")");
        return false;
    }
}

void ExportacionPgc::escribir_pendientes(Escritura& e)
{
    ado::Recordset& rs = a.rs_ctas3;
    rs.closeIfOpen();
    rs.open(QStringLiteral("SELECT * FROM ctas3 WHERE Estado = '0' ORDER BY Cuenta"), a.cn_enlace,
            ado::adOpenDynamic, ado::adLockOptimistic);
    while (!rs.eof() && e.fichero.transaccion_viva()) {
        const QString cuenta = rs.text(QStringLiteral("cuenta"));
        const QString nombre = rs.text(QStringLiteral("nombre"));
        const QString quien = QStringLiteral("Cuenta ") + cuenta;
        informar(QStringLiteral("Exportando : ") + rellenado(cuenta, 12) + QStringLiteral(" ") + rellenado(nombre, 30));
        try {
            const QString linea = linea_de_cuenta_pendiente(a, rs);
            if (marcar_exportada(e, quien) && e.fichero.escribir(linea))
                ++r_.exportadas;
        } catch (const registros::RegistroRechazado& rechazo) {
            r_.omitidos << quien + QStringLiteral(": ") + rechazo.explicacion();
        }
        rs.moveNext();
    }
    rs.close();
}

void ExportacionPgc::cerrar_fichero(Escritura& e)
{
    diario::Cifras cifras;
    cifras.cuentas = r_.exportadas;
    r_.fichero_ok = e.fichero.confirmar(cifras);
    if (r_.fichero_ok) {
        r_.copia = e.fichero.copia();
        return;
    }
    r_.exportadas = 0;
    r_.error = e.fichero.error() + QStringLiteral(" Todas las cuentas siguen pendientes.");
}

void ExportacionPgc::exportar_cuentas()
{
    r_.escritura = true;
    Escritura e(a);
    if (abrir_fichero(e)) {
        try {
            escribir_pendientes(e);
        } catch (const ado::Error& error) {
            // Reading the pending accounts failed: the phase ends with
            // what was written so far, the rest stays pending.
            a.rs_ctas3.closeIfOpen();
            r_.omitidos << QStringLiteral("Cuentas pendientes: no se han podido leer todas (") + error.description()
                               + QStringLiteral(")");
        }
        cerrar_fichero(e);
    }
    avisar_fin();
    informar(QString());
}

void ExportacionPgc::avisar_fin()
{
    if (!r_.fichero_ok) {
        a.ui.message(r_.error, QString(), platform::Icon::Critical);
        return;
    }
    platform::Summary s;
    s.icon = platform::Icon::None;
    s.figures << QStringLiteral("Cuentas exportadas: %1").arg(r_.exportadas);
    s.figures << lineas_del_fichero(a, r_.ruta, r_.copia);
    s.folder = QFileInfo(a.unidades.toLocal(r_.ruta)).absolutePath();
    s.leftOut = r_.omitidos;
    if (r_.omitidos.isEmpty()) {
        s.text = mensaje_exito_exportacion(a.wruta);
    } else {
        s.icon = platform::Icon::Exclamation;
        s.text = QStringLiteral("Se ha generado ") + r_.ruta
                 + QStringLiteral(", pero sin las cuentas siguientes, que quedan pendientes de exportar:");
    }
    a.ui.summary(s);
}

static ResultadoExportacion exportar(ExportacionPgc& e, const QString& empresa, const std::function<void()>& al_abrir)
{
    if (!e.a.exigir_configuracion()) {
        e.resultado().sin_configuracion = true;
        return e.resultado();
    }
    const std::unique_ptr<platform::Bloqueo> bloqueo = ocupar_instalacion(e.a, QStringLiteral("exportación"));
    if (!bloqueo) {
        e.resultado().ocupada = true;
        return e.resultado();
    }
    const ReservaCarpeta carpeta = ocupar_carpeta_suenlace(e.a, QStringLiteral("exportación"));
    if (carpeta.negada) {
        e.resultado().ocupada = e.resultado().carpeta_ocupada = true;
        return e.resultado();
    }
    if (!e.abrir_empresa(empresa)) {
        e.a.ui.message(QStringLiteral("No existe la empresa: ") + empresa);
        return e.resultado();
    }
    if (al_abrir)
        al_abrir();
    if (e.leer_plan_contable())
        e.exportar_cuentas();
    return e.resultado();
}

namespace {

// What the log keeps of an export: what the user was shown, in short.
QStringList lineas_bitacora(const QString& empresa, const ResultadoExportacion& r)
{
    QStringList l{QStringLiteral("Empresa: ") + empresa};
    if (r.carpeta_ocupada)
        return l << QStringLiteral("No se ha hecho nada: otro proceso de enlace3 tenía la carpeta de exportación.");
    if (r.ocupada)
        return l << QStringLiteral("No se ha hecho nada: otro proceso de enlace3 tenía la instalación.");
    if (r.sin_configuracion)
        return l << QStringLiteral("No se ha hecho nada: no había configuración cargada.");
    if (!r.empresa_abierta)
        return l << QStringLiteral("No existe la empresa.");
    l << QStringLiteral("Cuentas almacenadas: %1").arg(r.almacenadas);
    if (!r.lectura_ok)
        l << QStringLiteral("No se ha leído el plan de cuentas: ") + r.error_lectura;
    else if (r.fichero_ok)
        l << QStringLiteral("Cuentas exportadas: %1").arg(r.exportadas) << QStringLiteral("Fichero: ") + r.ruta;
    else
        l << QStringLiteral("No se ha generado el fichero: ") + r.error;
    if (!r.copia.isEmpty())
        l << QStringLiteral("Copia del fichero anterior: ") + r.copia;
    for (const QString& o : r.omitidos)
        l << QStringLiteral("No exportada: ") + o;
    return l;
}

} // namespace

ResultadoExportacion exportar_pgc(ExportacionPgc& e, const QString& empresa, const std::function<void()>& al_abrir)
{
    const QDateTime inicio = QDateTime::currentDateTime();
    const QString tarea = QStringLiteral("exportación");
    try {
        ResultadoExportacion r = exportar(e, empresa, al_abrir);
        bitacora::anotar(e.a, tarea, inicio, lineas_bitacora(empresa, r), r.completo() ? 0 : 1);
        return r;
    } catch (const std::exception& error) {
        bitacora::anotar(e.a, tarea, inicio, {QStringLiteral("Empresa: ") + empresa, bitacora::interrumpido(error)}, 1);
        throw;
    }
}
