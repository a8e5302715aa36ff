#include "mapping/cuentas_hotel.h"

#include "platform/vb.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace cuentas_hotel {

namespace {

bool es_nulo(const QVariant& v) { return !v.isValid() || v.isNull(); }

QString texto(const QVariant& v)
{
    return es_nulo(v) ? QString() : v.toString();
}

// Jet's error 3010: the table to create is already there.
bool ya_existe(const ado::Error& e)
{
    return e.description().contains(QLatin1String("already exists"), Qt::CaseInsensitive);
}

void avisar_error(platform::Interaction& ui, const QString& que, const ado::Error& e)
{
    ui.message(QStringLiteral("%1\n\nError %2: %3").arg(que).arg(e.number()).arg(e.description()),
               QString(), platform::Icon::Exclamation);
}

bool mismo_valor(const QVariant& x, const QVariant& y)
{
    return es_nulo(x) || es_nulo(y) ? es_nulo(x) == es_nulo(y) : x.toString() == y.toString();
}

// Opens `rs` on the hotel rows of the code `f` was read with.
void abrir_codigo(ado::Recordset& rs, ado::Connection& cn, const QString& tabla, const TablaCopia& t,
                  const FilaCuenta& f)
{
    rs.closeIfOpen();
    if (es_nulo(f.codigo_hotel))
        rs.open(QStringLiteral("SELECT * FROM %1 WHERE %2 IS NULL").arg(tabla, t.codigo), cn, ado::adOpenDynamic,
                ado::adLockOptimistic);
    else
        rs.open(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(tabla, t.codigo), {f.codigo_hotel}, cn,
                ado::adOpenDynamic, ado::adLockOptimistic);
}

// Moves `rs` (open on the rows of the code) to the first row that still
// holds the name and account `f` was read with; false when none does: the
// hotel has changed it since the window read it.
bool ir_a_fila_leida(ado::Recordset& rs, const TablaCopia& t, const FilaCuenta& f)
{
    for (; !rs.eof(); rs.moveNext())
        if (mismo_valor(rs.field(t.nombre), f.nombre_hotel) && mismo_valor(rs.field(t.cuenta), f.cuenta_hotel))
            return true;
    return false;
}

void avisar_no_grabadas(platform::Interaction& ui, const QStringList& filas)
{
    if (filas.isEmpty())
        return;
    ui.message(QStringLiteral("Las cuentas siguientes no se han grabado: su fila ha cambiado en el hotel mientras la "
                              "ventana estaba abierta.\n")
                   + filas.join(QLatin1Char('\n')),
               QString(), platform::Icon::Exclamation);
}

QString nombrar(const FilaCuenta& f)
{
    return f.codigo + QStringLiteral(" ") + f.nombre.trimmed() + QStringLiteral(": ") + f.cuenta;
}

// Writes the account of `f`, when it differs from the hotel's, to the row it
// was read from; a row the hotel changed meanwhile is named in `no_grabadas`.
// Leaves `rs` open on the rows of the code; false when the code has none.
bool grabar_cuenta_leida(ado::Recordset& rs, ado::Connection& cn, const QString& tabla, const TablaCopia& t,
                         const FilaCuenta& f, QStringList& no_grabadas)
{
    abrir_codigo(rs, cn, tabla, t, f);
    if (rs.eof())
        return false;
    if (!f.cambiada())
        return true;
    if (ir_a_fila_leida(rs, t, f)) {
        rs.setField(t.cuenta, f.cuenta);
        rs.update();
    } else {
        no_grabadas << nombrar(f);
    }
    return true;
}

} // namespace

// An account that differs from the stored one only by its padding is the
// same account: it is not written back, and the padding stays.
bool FilaCuenta::cambiada() const
{
    const QString guardada = texto(cuenta_hotel);
    return cuenta != vb::sin_relleno(guardada) && cuenta != guardada;
}

QString ajustar_digitos(const QString& wcuenta, int wdigitos)
{
    if (!vb::es_numerico(wcuenta))
        return QString();
    const int largo = int(wcuenta.size());
    if (largo == wdigitos)
        return wcuenta;
    if (largo > wdigitos && wdigitos == 8)
        return wcuenta.left(4) + wcuenta.right(4);
    if (largo < wdigitos && wdigitos == 9)
        return wcuenta.left(4) + QString(wdigitos - largo, QLatin1Char('0')) + wcuenta.right(4);
    return QString();
}

QString problema_cuenta(const QString& cuenta, int wdigitos)
{
    if (cuenta.isEmpty())
        return QStringLiteral("Falta la cuenta: debe tener %1 dígitos.").arg(wdigitos);
    if (cuenta.trimmed().isEmpty())
        return QStringLiteral("La cuenta está en blanco: debe tener %1 dígitos.").arg(wdigitos);
    if (!vb::es_numerico(cuenta))
        return QStringLiteral("La cuenta \"%2\" no es numérica: debe tener %1 dígitos.").arg(wdigitos).arg(cuenta);
    if (wdigitos > 0 && cuenta.size() != wdigitos)
        return QStringLiteral("La cuenta debe tener %1 dígitos; %2 tiene %3.").arg(wdigitos).arg(cuenta).arg(cuenta.size());
    return QString();
}

void ordenar_por_nombre(QList<FilaCuenta>& filas)
{
    // ICU's Spanish collation: it needs no locale installed on the system.
    QCollator orden(QLocale(QLocale::Spanish, QLocale::Spain));
    orden.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(filas.begin(), filas.end(), [&orden](const FilaCuenta& x, const FilaCuenta& y) {
        return orden.compare(x.nombre, y.nombre) < 0;
    });
}

QString cuenta_a_mostrar(const QVariant& cuenta_hotel, int wdigitos)
{
    // An account the fitting cannot handle (an unusual length, spaces, a
    // letter) is shown as stored: shown empty, closing the window would
    // write the hotel's account back as nothing.
    // Nor is an account fitted into another wrong length ("57" would come
    // out as 57000000057): only a fit to exactly wdigitos digits is used.
    // Blanks after the digits are the column's padding (a char(n) column
    // hands accounts back padded): the account is fitted without them.
    const QString guardada = texto(cuenta_hotel);
    const QString ajustada = ajustar_digitos(vb::sin_relleno(guardada), wdigitos);
    return ajustada.size() == wdigitos ? ajustada : guardada;
}

// Every row of an open recordset as the grid shows it, with each account the
// fitting changed told as "code name: before -> after".
static QList<FilaCuenta> leer_filas(ado::Recordset& rs, const QString& cod, const QString& nom, const QString& cta,
                                    int wdigitos, QStringList& ajustadas)
{
    QList<FilaCuenta> leidas;
    for (; !rs.eof(); rs.moveNext()) {
        leidas.append({rs.text(cod), rs.text(nom), cuenta_a_mostrar(rs.field(cta), wdigitos), rs.field(cod),
                       rs.field(nom), rs.field(cta)});
        if (const QString antes = rs.text(cta); !antes.isEmpty() && leidas.last().cambiada())
            ajustadas << leidas.last().codigo + QStringLiteral(" ") + leidas.last().nombre.trimmed()
                             + QStringLiteral(": ") + antes + QStringLiteral(" -> ") + leidas.last().cuenta;
    }
    rs.close();
    return leidas;
}

void avisar_cuentas_ajustadas(platform::Interaction& ui, const QStringList& cambios, int wdigitos, bool solo_lectura)
{
    // A fitted account is shown and stored so without a word; only where
    // the hotel's file cannot take it back is the user told.
    if (cambios.isEmpty() || !solo_lectura)
        return;
    const QString texto = solo_lectura ? QStringLiteral("Las cuentas siguientes se muestran ajustadas a %1 dígitos; en el "
                                                        "hotel siguen como están:\n")
                                       : QStringLiteral("Las cuentas siguientes se han ajustado a %1 dígitos; se guardarán "
                                                        "así en el hotel al cerrar la ventana:\n");
    ui.message(texto.arg(wdigitos) + cambios.join(QLatin1Char('\n')), QString(), platform::Icon::Information);
}

QString motivo_sin_cambios(const A3ADO& a, const QStringList& tablas,
                           const std::function<ado::Connection&(const QString&)>& conexion)
{
    QStringList archivos;
    for (const QString& tabla : tablas)
        archivos << tabla + QStringLiteral(".MDB");
    const QString de_access = a.motivo_solo_lectura(archivos);
    if (!de_access.isEmpty())
        return de_access;
    QStringList solo_lectura, sin_ficheros_nuevos;
    for (qsizetype i = 0; i < tablas.size(); ++i) {
        ado::Connection* cn = nullptr;
        try {
            cn = &conexion(tablas.at(i));
        } catch (const ado::Error&) {
            continue;
        }
        switch (cn->checkWrite()) {
        case ado::Connection::WriteCheck::FileReadOnly: solo_lectura << a.ruta_hotel(archivos.at(i)); break;
        case ado::Connection::WriteCheck::FolderTakesNoFiles: sin_ficheros_nuevos << a.ruta_hotel(archivos.at(i)); break;
        case ado::Connection::WriteCheck::Writable: break;
        }
    }
    QStringList por_que;
    const QString coma = QStringLiteral(", ");
    if (!solo_lectura.isEmpty())
        por_que << (solo_lectura.size() == 1 ? QStringLiteral("el fichero del hotel %1 es de solo lectura")
                                             : QStringLiteral("los ficheros del hotel %1 son de solo lectura"))
                       .arg(solo_lectura.join(coma));
    if (!sin_ficheros_nuevos.isEmpty()) {
        const QString& primero = sin_ficheros_nuevos.first();
        por_que << QStringLiteral("la carpeta %1 no admite ficheros nuevos, y grabar en %2 necesita crear uno a su lado "
                                  "mientras graba")
                       .arg(primero.left(primero.lastIndexOf(QLatin1Char('\\'))), sin_ficheros_nuevos.join(coma));
    }
    if (por_que.isEmpty())
        return QString();
    QString texto = por_que.join(QStringLiteral("; "));
    texto[0] = texto[0].toUpper();
    return texto + QStringLiteral(": las cuentas se muestran pero no se pueden cambiar. Para cambiarlas, dé permiso de "
                                  "escritura y vuelva a abrir la ventana.");
}

TablaCopia tabla_formas()
{
    return {QStringLiteral("formas"),
            QStringLiteral("CREATE TABLE formas(ForCod varchar(1), ForDes varchar(25), ForCta varchar(12))"),
            QStringLiteral("ForCod"), QStringLiteral("ForDes"), QStringLiteral("ForCta")};
}

TablaCopia tabla_ventas()
{
    return {QStringLiteral("ventas"),
            QStringLiteral("CREATE TABLE ventas(SerCod varchar(2), SerNom varchar(25), SerCta varchar(12))"),
            QStringLiteral("SerCod"), QStringLiteral("SerNom"), QStringLiteral("SerCta")};
}

// ---------------------------------------------------------------------------

CopiaTrabajo::CopiaTrabajo(A3ADO& a, TablaCopia tabla) : a_(a), tabla_(std::move(tabla))
{
    cn_trabajo_.setDriveMap(&a_.unidades);
}

CopiaTrabajo::~CopiaTrabajo() = default;

bool CopiaTrabajo::preparar()
{
    preparada_ = false;
    // Without the number of digits every account would be fitted to nothing
    // and written back empty at closing.
    if (a_.wdigitos <= 0) {
        a_.ui.message(QStringLiteral("Falta el número de dígitos de las cuentas: complete antes la "
                                     "\"Configuración General\"."),
                      QString(), platform::Icon::Exclamation);
        return false;
    }
    // Nor with a count no account can have (only the configuration's 8 to
    // 12 fit the twelve characters of a record and of the hotel's column).
    if (a_.wdigitos < 8 || a_.wdigitos > 12) {
        a_.ui.message(QStringLiteral("El número de dígitos de las cuentas (%1) no es válido: debe estar entre 8 y 12. "
                                     "Corríjalo antes en la \"Configuración General\".")
                          .arg(a_.wdigitos),
                      QString(), platform::Icon::Exclamation);
        return false;
    }
    const QString base = QString::fromUtf8(kBaseTrabajo);
    try {
        if (!cn_trabajo_.isOpen())
            cn_trabajo_.open(a_.cadena_jet(base));
    } catch (const ado::Error& e) {
        avisar_error(a_.ui, QStringLiteral("No se puede abrir la base de datos de trabajo %1.").arg(base), e);
        return false;
    }
    try {
        probar_vacio();
        crear_tabla();
    } catch (const ado::Error& e) {
        avisar_error(a_.ui,
                     QStringLiteral("No se puede preparar la tabla %1 en la base de datos de trabajo %2.")
                         .arg(tabla_.tabla, base),
                     e);
        return false;
    }
    preparada_ = true;
    return true;
}

// The work database is only valid with its table vacio.
void CopiaTrabajo::probar_vacio()
{
    cn_trabajo_.execute(QStringLiteral("SELECT * FROM vacio"));
}

void CopiaTrabajo::crear_tabla()
{
    try {
        cn_trabajo_.execute(tabla_.crear);
    } catch (const ado::Error& e) {
        if (!ya_existe(e))
            throw;
        // Checked again before anything is dropped: a file that has lost
        // vacio meanwhile is not the work database to drop tables in.
        probar_vacio();
        cn_trabajo_.execute(QStringLiteral("DROP TABLE ") + tabla_.tabla);
        cn_trabajo_.execute(tabla_.crear);
    }
}

void CopiaTrabajo::cerrar()
{
    if (cn_trabajo_.isOpen())
        cn_trabajo_.close();
    preparada_ = false;
}

void CopiaTrabajo::vaciar()
{
    cn_trabajo_.execute(QStringLiteral("DELETE * FROM ") + tabla_.tabla);
    origen_.clear();
}

void CopiaTrabajo::anadir(const FilaCuenta& fila)
{
    ado::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ") + tabla_.tabla, cn_trabajo_, ado::adOpenDynamic, ado::adLockOptimistic);
    rs.addNew();
    rs.setField(tabla_.codigo, fila.codigo);
    rs.setField(tabla_.nombre, fila.nombre);
    rs.setField(tabla_.cuenta, fila.cuenta);
    rs.update();
    origen_.insert(rs.rowid(), fila);
    rs.close();
}

QList<FilaCuenta> CopiaTrabajo::filas(const QString& orden)
{
    QList<FilaCuenta> r;
    QString sql = QStringLiteral("SELECT * FROM ") + tabla_.tabla;
    if (!orden.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + orden;
    ado::Recordset rs;
    // Editable only to know each row's rowid.
    rs.open(sql, cn_trabajo_, ado::adOpenDynamic, ado::adLockOptimistic);
    for (; !rs.eof(); rs.moveNext()) {
        FilaCuenta f = origen_.value(rs.rowid());
        f.codigo = rs.text(tabla_.codigo);
        f.nombre = rs.text(tabla_.nombre);
        f.cuenta = rs.text(tabla_.cuenta);
        r.append(f);
    }
    rs.close();
    return r;
}

// ---------------------------------------------------------------------------

bool EdicionCuenta::aceptar(const QString& nuevo, platform::Interaction& ui, int wdigitos) const
{
    if (!vb::es_numerico(nuevo)) {
        ui.message(QString::fromUtf8(kCuentaNoNumerica));
        return false;
    }
    const QString problema = problema_cuenta(nuevo, wdigitos);
    if (!problema.isEmpty())
        ui.message(problema);
    return problema.isEmpty();
}

// ---------------------------------------------------------------------------

CuentasCobro::CuentasCobro(A3ADO& a) : a_(a), copia_(a, tabla_formas()) {}

bool CuentasCobro::preparar_formas()
{
    cargada_ = false;
    return copia_.preparar();
}

bool CuentasCobro::cargar_formas()
{
    cargada_ = false;
    if (!copia_.preparada())
        return false;
    try {
        copia_.vaciar();
        // Read in full before writing any scratch row: the hotel file and the
        // work database may be the same kind of file, never the same table.
        QList<FilaCuenta> leidas;
        QStringList ajustadas;
        ado::Recordset& rs = a_.rs_formas;
        rs.closeIfOpen();
        rs.open(QStringLiteral("SELECT * FROM formas WHERE ForCod <> 9 ORDER BY ForCod"), a_.conexion_hotel("formas"),
                ado::adOpenDynamic, ado::adLockReadOnly);
        leidas = leer_filas(rs, QStringLiteral("ForCod"), QStringLiteral("ForDes"), QStringLiteral("ForCta"), a_.wdigitos,
                            ajustadas);
        for (const FilaCuenta& f : leidas)
            copia_.anadir(f);
        avisar_cuentas_ajustadas(a_.ui, ajustadas, a_.wdigitos, hotel_solo_lectura);
    } catch (const ado::Error& e) {
        a_.rs_formas.closeIfOpen();
        avisar_error(a_.ui, QStringLiteral("No se pueden leer las formas de cobro del hotel."), e);
        return false;
    }
    cargada_ = true;
    return true;
}

QString CuentasCobro::comprobar_escritura()
{
    const QString motivo = motivo_sin_cambios(a_, {QStringLiteral("formas")},
                                              [this](const QString& t) -> ado::Connection& { return a_.conexion_hotel(t); });
    hotel_solo_lectura = !motivo.isEmpty();
    return motivo;
}

bool CuentasCobro::grabar_formas()
{
    if (!cargada_ || hotel_solo_lectura)
        return true;
    cargada_ = false;
    try {
        const QList<FilaCuenta> filas = copia_.filas(QStringLiteral("ForCod"));
        const TablaCopia& t = copia_.tabla();
        ado::Recordset& rs = a_.rs_formas;
        QStringList no_grabadas;
        // Only an account that differs from the hotel's is written, to the
        // row it was read from; a payment method gone from the hotel is
        // added again.
        for (const FilaCuenta& f : filas) {
            if (!grabar_cuenta_leida(rs, a_.conexion_hotel("formas"), QStringLiteral("formas"), t, f, no_grabadas)) {
                rs.addNew();
                rs.setField(t.codigo, f.codigo);
                rs.setField(t.nombre, f.nombre);
                rs.setField(t.cuenta, f.cuenta);
                rs.update();
            }
            rs.close();
        }
        avisar_no_grabadas(a_.ui, no_grabadas);
    } catch (const ado::Error& e) {
        a_.rs_formas.closeIfOpen();
        avisar_error(a_.ui, QStringLiteral("No se han podido grabar las cuentas de las formas de cobro en el hotel."),
                     e);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

CuentasVentas::CuentasVentas(A3ADO& a) : a_(a), copia_(a, tabla_ventas())
{
    for (ado::Connection* cn : {&cn_ser_, &cn_ca_, &cn_cadia_})
        cn->setDriveMap(&a_.unidades);
}

CuentasVentas::~CuentasVentas() = default;

ado::Connection& CuentasVentas::conexion(const QString& tabla)
{
    if (a_.wsql)
        return a_.cn_sql;
    const QString t = tabla.toLower();
    if (t == QLatin1String("hiscadia"))
        return a_.conexion_hotel(QStringLiteral("hiscadia"));
    ado::Connection& cn = t == QLatin1String("ser") ? cn_ser_ : t == QLatin1String("ca") ? cn_ca_ : cn_cadia_;
    if (!cn.isOpen())
        cn.open(a_.cadena_jet(t + QStringLiteral(".MDB")));
    return cn;
}

QString CuentasVentas::comprobar_escritura()
{
    const QString motivo = motivo_sin_cambios(
        a_, {QStringLiteral("ser"), QStringLiteral("Ca"), QStringLiteral("Cadia"), QStringLiteral("hiscadia")},
        [this](const QString& t) -> ado::Connection& { return conexion(t); });
    hotel_solo_lectura = !motivo.isEmpty();
    return motivo;
}

bool CuentasVentas::preparar_ventas()
{
    cargada_ = false;
    wsin_cuenta = 0;
    return copia_.preparar();
}

bool CuentasVentas::cargar_ventas()
{
    cargada_ = false;
    if (!copia_.preparada())
        return false;
    try {
        copia_.vaciar();
        QList<FilaCuenta> leidas;
        QStringList ajustadas;
        ado::Recordset& rs = a_.rs_ser;
        rs.closeIfOpen();
        rs.open(QStringLiteral("SELECT SerCod, SerNom, SerCta FROM ser ORDER BY SerNom"), conexion(QStringLiteral("ser")),
                ado::adOpenDynamic, ado::adLockReadOnly);
        leidas = leer_filas(rs, QStringLiteral("SerCod"), QStringLiteral("SerNom"), QStringLiteral("SerCta"), a_.wdigitos,
                            ajustadas);
        // The database orders names byte by byte ("agua mineral" after
        // "Teléfono"); the grid shows them as the hotel product does.
        ordenar_por_nombre(leidas);
        for (const FilaCuenta& f : leidas)
            copia_.anadir(f);
        cargada_ = true;
        contar_sin_cuenta();
        avisar_cuentas_ajustadas(a_.ui, ajustadas, a_.wdigitos, hotel_solo_lectura);
    } catch (const ado::Error& e) {
        cargada_ = false;
        a_.rs_ser.closeIfOpen();
        avisar_error(a_.ui, QStringLiteral("No se pueden leer los conceptos de ventas del hotel."), e);
        return false;
    }
    return true;
}

void CuentasVentas::contar_sin_cuenta()
{
    wsin_cuenta = 0;
    motivo_.clear();
    if (!copia_.preparada())
        return;
    QList<FilaCuenta> filas;
    try {
        filas = copia_.filas();
    } catch (const ado::Error& e) {
        // Unread accounts are not known to be valid.
        wsin_cuenta = 1;
        motivo_ = QStringLiteral("No se pueden leer las cuentas de los conceptos de ventas: %1").arg(e.description());
        return;
    }
    FilaCuenta primera;
    for (const FilaCuenta& f : filas) {
        if (problema_cuenta(f.cuenta, a_.wdigitos).isEmpty())
            continue;
        if (wsin_cuenta++ == 0)
            primera = f;
    }
    if (wsin_cuenta == 0) {
        // One code, two accounts: its charge lines would take whichever came
        // last.
        QHash<QString, QString> cuenta_de;
        for (const FilaCuenta& f : filas) {
            if (f.codigo.trimmed().isEmpty())
                continue;
            const auto otra = cuenta_de.constFind(f.codigo);
            if (otra == cuenta_de.cend()) {
                cuenta_de.insert(f.codigo, f.cuenta);
            } else if (*otra != f.cuenta) {
                wsin_cuenta = 1;
                motivo_ = QStringLiteral("Para regenerar, el código %1 tiene que tener una sola cuenta: aparece con %2 y "
                                         "con %3.")
                              .arg(f.codigo.trimmed(), *otra, f.cuenta);
                return;
            }
        }
        return;
    }
    const QString nombre = primera.codigo.trimmed() + QLatin1Char(' ') + primera.nombre.trimmed();
    const QString problema = problema_cuenta(primera.cuenta, a_.wdigitos);
    motivo_ = wsin_cuenta == 1
                  ? QStringLiteral("Para regenerar falta una cuenta válida de %1 dígitos en 1 concepto de ventas: %2. %3")
                        .arg(a_.wdigitos)
                        .arg(nombre, problema)
                  : QStringLiteral("Para regenerar faltan cuentas válidas de %1 dígitos en %2 conceptos de ventas; "
                                   "el primero es %3. %4")
                        .arg(a_.wdigitos)
                        .arg(wsin_cuenta)
                        .arg(nombre, problema);
}

bool CuentasVentas::grabar_ventas()
{
    if (!cargada_ || hotel_solo_lectura)
        return true;
    cargada_ = false;
    try {
        const QList<FilaCuenta> filas = copia_.filas(QStringLiteral("SerCod"));
        const TablaCopia& t = copia_.tabla();
        ado::Recordset& rs = a_.rs_ser;
        QStringList no_grabadas;
        // As for the payment methods, except that a service gone from the
        // hotel stays gone.
        for (const FilaCuenta& f : filas) {
            if (!f.cambiada())
                continue;
            grabar_cuenta_leida(rs, conexion(QStringLiteral("ser")), QStringLiteral("ser"), t, f, no_grabadas);
            rs.close();
        }
        avisar_no_grabadas(a_.ui, no_grabadas);
    } catch (const ado::Error& e) {
        a_.rs_ser.closeIfOpen();
        avisar_error(a_.ui, QStringLiteral("No se han podido grabar las cuentas de los conceptos de ventas en el hotel."),
                     e);
        return false;
    }
    return true;
}

void CuentasVentas::regenerar_ca_cadia_hiscadia(const QString& codigo_servicio, const QString& cuenta)
{
    const ado::Values valores{cuenta, codigo_servicio};
    conexion(QStringLiteral("Ca")).execute(QStringLiteral("UPDATE Ca SET CaCta = ? WHERE CaSer = ?"), valores);
    conexion(QStringLiteral("Cadia"))
        .execute(QStringLiteral("UPDATE Cadia SET CadiaCta = ? WHERE CadiaSer = ?"), valores);
    conexion(QStringLiteral("Hiscadia"))
        .execute(QStringLiteral("UPDATE Hiscadia SET HCadiaCta = ? WHERE HCadiaSer = ?"), valores);
}

bool CuentasVentas::regenerar()
{
    if (!cargada_)
        return false;
    // All or nothing: a half-regenerated hotel would mix old and new
    // accounts, and an account that is not one must never be written.
    contar_sin_cuenta();
    if (wsin_cuenta > 0) {
        a_.ui.message(motivo_, QString(), platform::Icon::Exclamation);
        return false;
    }
    a_.ui.setBusy(true);
    try {
        for (const FilaCuenta& f : copia_.filas())
            // A service without a code names no charge line: its '' would
            // rewrite the lines of no service.
            if (!f.codigo.trimmed().isEmpty())
                regenerar_ca_cadia_hiscadia(f.codigo, f.cuenta);
    } catch (const ado::Error& e) {
        a_.ui.setBusy(false);
        avisar_error(a_.ui, QStringLiteral("No se han podido regenerar las cuentas de los movimientos del hotel."), e);
        return false;
    }
    a_.ui.message(QString::fromUtf8(kRegeneracionCorrecta));
    a_.ui.setBusy(false);
    return true;
}

} // namespace cuentas_hotel
