#include "config/configuracion.h"

#include "data/instalacion_ocupada.h"
#include "data/tablas_hotel.h"
#include "platform/ado.h"
#include "platform/vb.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <optional>

namespace configuracion {

using vb::es_numerico;

namespace {

const char* const kSelectAjustes = "SELECT * FROM ca3 WHERE Ca3Key = 'KOVE3'";
const char* const kPassword = "GARVEX";

const char* const kPasswordIncorrecta =
    "Password incorrecta, si no conoce la Password es que no tiene autorización para el uso de este fichero. "
    "Si desea cambiar algo, ponganse en contacto con Noctaris Software.";
const char* const kTituloSeguridad = "Seguridad: Noctaris";
const char* const kNoNumerico = "Tiene que ser numérico";
const char* const kSubcuentaNoNumerica = "Las Subcuentas contables tienen que ser numéricas";
const char* const kFaltaDigito = "Falta algún dígito de esta Subcuenta";
const char* const kRangoDigitos = "Los dígitos de las subcuentas tienen que estar entre 8 y 12";
const char* const kDigitosIndispensables =
    "Los dígitos de la subcuenta son un campo indispensable para el traspaso correcto. No puede contener ningún dato";
const char* const kTituloMuyImportante = "Atención Muy Importante";
const char* const kFaltaDato = "Le falta algun dato muy importante";
const char* const kTituloFaltaDato = "Atención Falta Dato";
const char* const kAtencion = "Atención";
const char* const kEmpresaLarga = "El código de empresa debe tener como máximo 5 dígitos";
constexpr int kCifrasEmpresa = 5;

void avisar(A3ADO& a, const char* texto, const char* titulo)
{
    a.ui.message(QString::fromUtf8(texto), QString::fromUtf8(titulo), platform::Icon::Information);
}

// Left that takes a count below zero as nothing, where Visual
// Basic would stop with an error.
QString izquierda(const QString& s, int n) { return s.left(std::max(n, 0)); }
QString ceros(int n) { return QString(std::max(n, 0), QLatin1Char('0')); }

void abrir_ajustes(A3ADO& a)
{
    a.rs_ca3.closeIfOpen();
    a.rs_ca3.open(QString::fromLatin1(kSelectAjustes), a.cn_enlace, ado::adOpenDynamic, ado::adLockOptimistic);
}

// Ca3Niv as the field shows it: the whole number, "" for Null.
QString texto_digitos(const ado::Recordset& rs)
{
    const QVariant v = rs.field(tablas::ajustes::digitos);
    if (v.isNull() || !v.isValid())
        return QString();
    bool ok = false;
    const double n = v.toDouble(&ok);
    if (ok && n == static_cast<qint64>(n))
        return QString::number(static_cast<qint64>(n));
    return v.toString();
}

// Account refitting moves zeros in and out, never digits, so that any
// series of changes that comes back to a count gives back the accounts it
// started from. A full account (cgru, cven, civa, cTasa) takes or gives its
// zeros right after the fifth digit, where the company's digits end; a
// sub-account at its end. No value: the change would drop a digit that is
// not a zero. An empty field stays empty.
std::optional<QString> refitar(const QString& cuenta, int cambio, bool completa)
{
    if (cuenta.isEmpty() || cambio == 0)
        return cuenta;
    const qsizetype donde = completa ? std::min<qsizetype>(5, cuenta.size()) : cuenta.size();
    if (cambio > 0)
        return cuenta.left(donde) + ceros(cambio) + cuenta.mid(donde);
    const qsizetype quitar = -cambio;
    const qsizetype desde = completa ? donde : cuenta.size() - quitar;
    if (desde < 0 || desde + quitar > cuenta.size() || cuenta.mid(desde, quitar) != ceros(int(quitar)))
        return std::nullopt;
    return cuenta.left(desde) + cuenta.mid(desde + quitar);
}

// The agency and company sub-accounts hold 4 digits up to 9-digit accounts
// and digits - 5 beyond: one at that length moves with it; one the
// administrator made longer moves with the count only when it must. A
// shorter count leaves them as they are: the transfer fits the account it
// builds from them to the digits.
int cambio_subcuenta(int longitud, int viejos, int nuevos)
{
    if (nuevos < viejos)
        return 0;
    const auto normal = [](int digitos) { return digitos <= 9 ? 4 : digitos - 5; };
    if (longitud == normal(viejos))
        return normal(nuevos) - longitud;
    if (longitud >= 4 && longitud <= normal(nuevos))
        return 0;
    return nuevos - viejos;
}

// A text of digits as its number formatted with `cifras` zeros ("00000"),
// worked on the digits so that no length overflows a number.
QString con_ceros(const QString& digitos, int cifras)
{
    qsizetype primera = 0;
    while (primera + 1 < digitos.size() && digitos.at(primera) == QLatin1Char('0'))
        ++primera;
    const QString numero = digitos.mid(primera);
    return ceros(cifras - static_cast<int>(numero.size())) + numero;
}

// A3Con's company field holds five digits: a longer code would make every
// record of the file unreadable to it.
bool empresa_cabe(const QString& digitos)
{
    qsizetype primera = 0;
    while (primera < digitos.size() && digitos.at(primera) == QLatin1Char('0'))
        ++primera;
    return digitos.size() - primera <= kCifrasEmpresa;
}

QString campo_no_valido(A3ADO& a, Formulario& f);

// Every transfer writes into the export folder: one that is not there would
// only fail at the end of the next run. Offers to create it.
bool carpeta_lista(A3ADO& a, const QString& ruta)
{
    const QString local = a.unidades.toLocal(ruta);
    const QFileInfo info(local);
    if (info.isDir())
        return true;
    const QString titulo = QStringLiteral("Carpeta de Exportación");
    if (info.exists()) {
        a.ui.message(QStringLiteral("La carpeta de exportación ") + ruta + QStringLiteral(" no es una carpeta."), titulo,
                     platform::Icon::Exclamation);
        return false;
    }
    if (!a.ui.ask(QStringLiteral("La carpeta de exportación ") + ruta + QStringLiteral(" no existe. ¿Desea crearla?"),
                  titulo, platform::Icon::Question))
        return false;
    if (QDir().mkpath(local))
        return true;
    a.ui.message(QStringLiteral("No se ha podido crear la carpeta de exportación ") + ruta
                     + QStringLiteral(". Compruebe la unidad y los permisos."),
                 titulo, platform::Icon::Exclamation);
    return false;
}

// The account checks of the table of the window: minimum length for the
// agency and company sub-accounts, exact length for the rest.
bool longitud_correcta(const Formulario& f, const QString& nombre, int longitud)
{
    const int digitos = f.digitos();
    if (nombre == QLatin1String("cage") || nombre == QLatin1String("cna"))
        return longitud >= 4;
    if (nombre == QLatin1String("cpas"))
        return f.Check6 || longitud == digitos - 4;
    if (nombre == QLatin1String("civa"))
        return longitud == f.civa.longitud_maxima;
    return longitud == digitos;   // cven, cgru, cTasa
}

// What each account field is called when a check names it.
QString descripcion_cuenta(const QString& nombre)
{
    static const std::pair<const char*, const char*> n[] = {
        {"cage", "La subcuenta de agencias de viajes"}, {"cna", "La subcuenta de empresas y no alojados"},
        {"cpas", "La subcuenta de clientes particulares"}, {"cven", "La cuenta de ventas"},
        {"civa", "La cuenta de IVA repercutido"},        {"cgru", "La cuenta de depósitos y entregas"},
        {"cTasa", "La cuenta del impuesto EET (tasa)"}};
    for (const auto& [campo, texto] : n)
        if (nombre == QLatin1String(campo))
            return QString::fromUtf8(texto);
    return nombre;
}

// Upper case one character at a time, as the hotel's programs do: "ß"
// stays "ß" instead of becoming "SS", another folder.
QString mayusculas(const QString& texto)
{
    QString r = texto;
    for (QChar& c : r)
        c = c.toUpper();
    return r;
}

// The lengths the transfer needs, whatever limit the field was last given:
// "" when the account fits, otherwise what it must hold.
QString requisito_cuenta(const Formulario& f, const QString& nombre, int longitud)
{
    const int digitos = f.digitos();
    const QString quien = descripcion_cuenta(nombre);
    // The same lengths the field checks ask for.
    if (nombre == QLatin1String("cage") || nombre == QLatin1String("cna"))
        return longitud >= 4 ? QString() : quien + QStringLiteral(" debe tener al menos 4 dígitos");
    int exacta = digitos;
    if (nombre == QLatin1String("cpas")) {
        // One account for all walk-in customers: any length.
        if (f.Check6)
            return QString();
        // An account per walk-in customer: the three digits the box leaves,
        // or up to the sub-account's full length.
        if (f.Check4 && longitud >= 3 && longitud <= digitos - 4)
            return QString();
        exacta = digitos - 4;
    } else if (nombre == QLatin1String("civa") && f.Check2) {
        // The rate's two digits complete it.
        exacta = digitos - 2;
    }
    return longitud == exacta ? QString() : quien + QStringLiteral(" debe tener %1 dígitos").arg(exacta);
}

QString siguiente(const QString& nombre)
{
    static const QStringList orden = {QStringLiteral("ce"),   QStringLiteral("di"),   QStringLiteral("cage"),
                                      QStringLiteral("cna"),  QStringLiteral("cpas"), QStringLiteral("cven"),
                                      QStringLiteral("civa"), QStringLiteral("cgru"), QStringLiteral("cTasa"),
                                      QStringLiteral("ruta")};
    const qsizetype i = orden.indexOf(nombre);
    if (i < 0 || i + 1 >= orden.size())
        return nombre;
    return orden.at(i + 1);
}

QString validar_ce(A3ADO& a, Formulario& f)
{
    if (!es_numerico(f.ce.texto)) {
        a.ui.message(QString::fromUtf8(kNoNumerico), QStringLiteral("atención"), platform::Icon::Information);
        f.ce.texto.clear();
        return QStringLiteral("ce");
    }
    if (!empresa_cabe(f.ce.texto)) {
        avisar(a, kEmpresaLarga, kAtencion);
        return QStringLiteral("ce");
    }
    f.ce.texto = con_ceros(f.ce.texto, 5);
    return QStringLiteral("di");
}

// What the save refuses although the spaces are filled: every field is
// held to the rules of its own check (and the lengths the transfer needs),
// however the administrator left it. Returns the field to go back to.
QString campo_no_valido(A3ADO& a, Formulario& f)
{
    if (!es_numerico(f.ce.texto)) {
        a.ui.message(QString::fromUtf8(kNoNumerico), QStringLiteral("atención"), platform::Icon::Information);
        return QStringLiteral("ce");
    }
    if (!empresa_cabe(f.ce.texto)) {
        avisar(a, kEmpresaLarga, kAtencion);
        return QStringLiteral("ce");
    }
    // Typed and saved without Tab or Enter, the code still gets the five
    // digits every record needs, as its own check gives it.
    f.ce.texto = con_ceros(f.ce.texto, 5);
    if (!es_numerico(f.di.texto)) {
        avisar(a, kNoNumerico, kAtencion);
        return QStringLiteral("di");
    }
    if (f.digitos() < 8 || f.digitos() > 12) {
        avisar(a, kRangoDigitos, kAtencion);
        return QStringLiteral("di");
    }
    // The VAT account by rate is cut to its length, as entering the field
    // does (a new row's eight digits at nine, by rate, become seven).
    al_recibir_foco(f, QStringLiteral("civa"));
    for (const QString& nombre : {QStringLiteral("cage"), QStringLiteral("cna"), QStringLiteral("cpas"),
                                  QStringLiteral("cven"), QStringLiteral("civa"), QStringLiteral("cgru"),
                                  QStringLiteral("cTasa")}) {
        const QString& texto = f.campo(nombre)->texto;
        if (nombre == QLatin1String("cTasa") && texto.isEmpty())
            continue;
        if (!es_numerico(texto)) {
            avisar(a, kSubcuentaNoNumerica, kAtencion);
            return nombre;
        }
        // The tax account may be saved as it is (a new row holds eight
        // digits whatever the count): only its field check asks for more.
        if (nombre == QLatin1String("cTasa"))
            continue;
        const QString falta = requisito_cuenta(f, nombre, static_cast<int>(texto.size()));
        if (!falta.isEmpty()) {
            a.ui.message(falta, QString::fromUtf8(kAtencion), platform::Icon::Information);
            return nombre;
        }
    }
    return QString();
}

QString validar_di(A3ADO& a, Formulario& f)
{
    if (!es_numerico(f.di.texto)) {
        avisar(a, kNoNumerico, kAtencion);
        f.di.texto.clear();
        return QStringLiteral("di");
    }
    const double valor = vb::val(f.di.texto);
    if (valor < 8 || valor > 12) {
        avisar(a, kRangoDigitos, kAtencion);
        return QStringLiteral("di");
    }
    // The accounts are refitted from the count they were made for; without
    // one (nothing loaded) from the length of the sales account.
    const int viejos = f.digitos_cuentas > 0 ? f.digitos_cuentas : static_cast<int>(f.cven.texto.size());
    if (viejos < 5) {
        f.digitos_cuentas = f.digitos();
        return QStringLiteral("cage");
    }
    const QString bloquea = ajustar_cuentas(f, f.digitos(), viejos);
    if (!bloquea.isEmpty()) {
        QString quien = descripcion_cuenta(bloquea);
        quien[0] = quien.at(0).toLower();
        a.ui.message(QStringLiteral("No se puede pasar a %1 dígitos: ").arg(f.digitos()) + quien
                         + QStringLiteral(" (") + f.campo(bloquea)->texto
                         + QStringLiteral(") perdería dígitos distintos de cero. Corríjala antes de cambiar los "
                                          "dígitos; no se ha cambiado nada."),
                     QString::fromUtf8(kAtencion), platform::Icon::Information);
        f.di.texto = QString::number(viejos);
        return bloquea;
    }
    f.digitos_cuentas = f.digitos();
    return QStringLiteral("cage");
}

QString validar_cuenta(A3ADO& a, Formulario& f, const QString& nombre)
{
    Campo& c = *f.campo(nombre);
    if (!es_numerico(c.texto)) {
        avisar(a, kSubcuentaNoNumerica, kAtencion);
        c.texto.clear();
        return nombre;
    }
    if (!longitud_correcta(f, nombre, static_cast<int>(c.texto.size()))) {
        avisar(a, kFaltaDigito, kAtencion);
        return nombre;
    }
    return siguiente(nombre);
}

} // namespace

Campo* Formulario::campo(const QString& nombre)
{
    Campo* todos[] = {&pas, &ce, &di, &cage, &cna, &cpas, &cven, &civa, &cgru, &cTasa, &ruta};
    const QStringList& nombres = nombres_campos();
    for (int i = 0; i < nombres.size(); ++i)
        if (nombres.at(i) == nombre)
            return todos[i];
    return nullptr;
}

int Formulario::digitos() const
{
    // Far beyond any account length, and never past what an int holds.
    return static_cast<int>(std::clamp(vb::val(di.texto), -1000.0, 1000.0));
}

const QStringList& nombres_campos()
{
    static const QStringList n = {QStringLiteral("pas"),  QStringLiteral("ce"),   QStringLiteral("di"),
                                  QStringLiteral("cage"), QStringLiteral("cna"),  QStringLiteral("cpas"),
                                  QStringLiteral("cven"), QStringLiteral("civa"), QStringLiteral("cgru"),
                                  QStringLiteral("cTasa"), QStringLiteral("ruta")};
    return n;
}

bool es_campo_cuenta(const QString& nombre)
{
    static const QStringList n = {QStringLiteral("cage"), QStringLiteral("cna"),  QStringLiteral("cpas"),
                                  QStringLiteral("cven"), QStringLiteral("civa"), QStringLiteral("cgru"),
                                  QStringLiteral("cTasa")};
    return n.contains(nombre);
}

void limpiar(Formulario& f)
{
    f.pas.texto.clear();
    f.Image2_visible = false;
    for (Campo* c : {&f.ce, &f.di, &f.cage, &f.cna, &f.cgru, &f.cpas, &f.cven, &f.civa, &f.ruta, &f.cTasa})
        c->texto.clear();
    f.Check1 = f.Check2 = f.Check3 = f.Check4 = f.Check5 = f.Check6 = f.Check7 = false;
    f.digitos_cuentas = 0;
}

QString comprobar_password(A3ADO& a, Formulario& f)
{
    f.pas.texto = mayusculas(f.pas.texto);
    if (f.pas.texto != QLatin1String(kPassword)) {
        avisar(a, kPasswordIncorrecta, kTituloSeguridad);
        f.pas.texto.clear();
        return QStringLiteral("pas");
    }
    abrir_ajustes(a);
    if (a.rs_ca3.eof())
        crear_registro(a);
    a.rs_ca3.close();
    visualizar_datos(a, f);
    return QStringLiteral("ce");
}

void visualizar_datos(A3ADO& a, Formulario& f)
{
    abrir_ajustes(a);
    namespace ajustes = tablas::ajustes;
    const ado::Recordset& rs = a.rs_ca3;
    if (rs.eof())
        return;
    f.ce.texto = rs.text(ajustes::empresa);
    f.di.texto = texto_digitos(rs);
    f.digitos_cuentas = f.digitos();
    f.cage.texto = rs.text(ajustes::agencias);
    f.cna.texto = rs.text(ajustes::empresas);
    f.cgru.texto = rs.text(ajustes::depositos);
    f.cpas.texto = rs.text(ajustes::clientes);
    f.cven.texto = rs.text(ajustes::cuadre);
    f.civa.texto = rs.text(ajustes::iva);
    f.ruta.texto = rs.text(ajustes::ruta);
    f.cTasa.texto = rs.text(ajustes::tasa);
    // A box whose column is no keeps what it shows.
    const auto marcar = [&rs](bool& casilla, const QString& columna) {
        if (ado::isYes(rs.field(columna)))
            casilla = true;
    };
    marcar(f.Check1, ajustes::creditos);
    marcar(f.Check2, ajustes::iva_por_tipo);
    marcar(f.Check3, ajustes::desglosar);
    marcar(f.Check4, ajustes::por_pasante);
    marcar(f.Check5, ajustes::crear_cuentas);
    marcar(f.Check6, ajustes::unica_pasantes);
    marcar(f.Check7, ajustes::zumeral);
    f.Image2_visible = true;
}

void crear_registro(A3ADO& a)
{
    ado::Recordset& rs = a.rs_ca3;
    rs.addNew();
    for (const tablas::ajustes::Ajuste& c : tablas::ajustes::columnas())
        rs.setField(c.columna.nombre,
                    c.nuevo.typeId() == QMetaType::Bool ? ado::yesNo(c.nuevo.toBool()) : c.nuevo);
    rs.update();
}

QString validar(A3ADO& a, Formulario& f, const QString& nombre)
{
    if (nombre == QLatin1String("ce"))
        return validar_ce(a, f);
    if (nombre == QLatin1String("di"))
        return validar_di(a, f);
    if (nombre == QLatin1String("ruta")) {
        f.ruta.texto = mayusculas(f.ruta.texto);
        return nombre;
    }
    if (es_campo_cuenta(nombre))
        return validar_cuenta(a, f, nombre);
    return nombre;
}

void al_recibir_foco(Formulario& f, const QString& nombre)
{
    Campo* c = f.campo(nombre);
    if (!c || c->texto.isEmpty() || !es_campo_cuenta(nombre))
        return;
    const int digitos = f.digitos();
    if (nombre == QLatin1String("cage") || nombre == QLatin1String("cna")) {
        c->longitud_maxima = (digitos == 8 || digitos == 9) ? 4 : digitos - 5;
    } else if (nombre == QLatin1String("cpas")) {
        c->longitud_maxima = f.Check6 ? digitos : digitos - 4;
    } else if (nombre == QLatin1String("civa")) {
        if (f.Check2) {
            c->longitud_maxima = digitos - 2;
            if (c->texto.size() > c->longitud_maxima)
                c->texto = izquierda(c->texto, c->longitud_maxima);
        } else {
            c->longitud_maxima = digitos;
        }
    } else {
        c->longitud_maxima = digitos;   // cven, cgru, cTasa
    }
    // Without digits there is nothing to fit; a limit below zero would
    // mean no typing at all.
    c->longitud_maxima = std::max(c->longitud_maxima, 0);
}

bool di_puede_perder_foco(A3ADO& a, const Formulario& f)
{
    if (f.di.texto.isEmpty() && !f.pas.texto.isEmpty()) {
        avisar(a, kDigitosIndispensables, kTituloMuyImportante);
        return false;
    }
    return true;
}

void pulsar_Check4(Formulario& f)
{
    QString& cpas = f.cpas.texto;
    if (f.Check4) {
        f.Check6 = false;
        if (cpas.size() > 3)
            cpas = cpas.left(3);
    } else if (!cpas.isEmpty() && cpas.size() < 5) {
        const int hasta = f.digitos() - 4;
        if (cpas.size() < hasta)
            cpas += ceros(hasta - static_cast<int>(cpas.size()));
    }
}

void pulsar_Check6(Formulario& f)
{
    if (f.pas.texto.isEmpty())
        return;
    QString& cpas = f.cpas.texto;
    const int digitos = f.digitos();
    if (f.Check6) {
        f.Check4 = false;
        if (cpas.size() > 3)
            cpas = cpas.left(4) + ceros(digitos - 4);
        return;
    }
    if (cpas.size() > 3) {
        // A sub-account already shorter than the zeros to remove is left
        // alone rather than emptied.
        const int quedan = static_cast<int>(cpas.size()) - (digitos - 5);
        if (quedan > 0)
            cpas = cpas.left(quedan);
    } else {
        cpas = QStringLiteral("43") + ceros(digitos - 2);
    }
}

bool guardar(A3ADO& a, Formulario& f)
{
    f.foco.clear();
    for (const Campo* c : {&f.civa, &f.cgru, &f.cven, &f.cpas, &f.ce, &f.cna, &f.di, &f.cage, &f.ruta}) {
        if (c->texto.isEmpty()) {
            avisar(a, kFaltaDato, kTituloFaltaDato);
            return false;
        }
    }
    const QString mal = campo_no_valido(a, f);
    if (!mal.isEmpty()) {
        f.foco = mal;
        return false;
    }
    if (!carpeta_lista(a, f.ruta.texto)) {
        f.foco = QStringLiteral("ruta");
        return false;
    }
    // Settings changed under a running transfer would change its accounts
    // half-way through.
    const auto ocupada = ocupar_instalacion(a, QStringLiteral("configuración"));
    if (!ocupada)
        return false;
    abrir_ajustes(a);
    ado::Recordset& rs = a.rs_ca3;
    // The row has gone since the window was unlocked: nothing is saved, and
    // the window says so rather than that it saved.
    if (rs.eof()) {
        rs.close();
        a.ui.message(QStringLiteral("No se ha guardado la configuración: la base de datos del enlace ya no tiene su "
                                    "fila (KOVE3). Bloquee la ventana y vuelva a escribir la contraseña para crearla."),
                     QStringLiteral("Configuración"), platform::Icon::Exclamation);
        return false;
    }
    {
        rs.moveFirst();
        rs.setField(tablas::ajustes::empresa, f.ce.texto);
        rs.setField(tablas::ajustes::digitos, f.digitos());
        rs.setField(tablas::ajustes::ruta, f.ruta.texto);
        rs.setField(tablas::ajustes::agencias, f.cage.texto);
        rs.setField(tablas::ajustes::empresas, f.cna.texto);
        rs.setField(tablas::ajustes::clientes, f.cpas.texto);
        rs.setField(tablas::ajustes::depositos, f.cgru.texto);
        rs.setField(tablas::ajustes::cuadre, f.cven.texto);
        rs.setField(tablas::ajustes::iva, f.civa.texto);
        rs.setField(tablas::ajustes::creditos, ado::yesNo(f.Check1));
        rs.setField(tablas::ajustes::desglosar, ado::yesNo(f.Check3));
        rs.setField(tablas::ajustes::iva_por_tipo, ado::yesNo(f.Check2));
        rs.setField(tablas::ajustes::por_pasante, ado::yesNo(f.Check4));
        rs.setField(tablas::ajustes::crear_cuentas, ado::yesNo(f.Check5));
        rs.setField(tablas::ajustes::unica_pasantes, ado::yesNo(f.Check6));
        rs.setField(tablas::ajustes::tasa, f.cTasa.texto);
        rs.setField(tablas::ajustes::zumeral, ado::yesNo(f.Check7));
        rs.update();
    }
    rs.close();
    limpiar(f);
    return true;
}

QString ajustar_cuentas(Formulario& f, int digitos_nuevos, int digitos_viejos)
{
    if (digitos_nuevos == digitos_viejos)
        return QString();
    const int d = digitos_nuevos - digitos_viejos;
    struct Ajuste {
        const char* nombre;
        int cambio;
        bool completa;
    };
    const Ajuste ajustes[] = {
        {"cage", cambio_subcuenta(int(f.cage.texto.size()), digitos_viejos, digitos_nuevos), false},
        {"cna", cambio_subcuenta(int(f.cna.texto.size()), digitos_viejos, digitos_nuevos), false},
        {"cpas", d, false}, {"cven", d, true}, {"civa", d, true}, {"cgru", d, true}, {"cTasa", d, true}};
    // All or nothing: one account that cannot follow stops the change.
    QString nuevos[std::size(ajustes)];
    for (size_t i = 0; i < std::size(ajustes); ++i) {
        const auto r = refitar(f.campo(QString::fromLatin1(ajustes[i].nombre))->texto, ajustes[i].cambio,
                               ajustes[i].completa);
        if (!r)
            return QString::fromLatin1(ajustes[i].nombre);
        nuevos[i] = *r;
    }
    for (size_t i = 0; i < std::size(ajustes); ++i) {
        Campo* c = f.campo(QString::fromLatin1(ajustes[i].nombre));
        c->longitud_maxima = 12;
        c->texto = nuevos[i];
    }
    f.digitos_cuentas = digitos_nuevos;
    return QString();
}

} // namespace configuracion
