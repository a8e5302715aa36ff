// The store of accounts A3Con does not know yet: one row of ctas3 per
// holder whose account the transfer (or the Zumeral export) has to create.

#include "data/a3ado.h"
#include "platform/vb.h"

namespace {

using vb::primeros;
using vb::sin_blancos_iniciales;

// A value the table receives as text. A missing value is stored as the empty
// text, as the link always has, never as Null.
QVariant texto(const QString& valor)
{
    return valor.isNull() ? QVariant(QStringLiteral("")) : QVariant(valor);
}

} // namespace

void A3ADO::grabar_cuenta_pendiente(RegistroCliente& registro)
{
    // A person is listed surname first; an agency or company (no surname)
    // by its name alone, without the blank that joined the two.
    const QString nombre = primeros(sin_blancos_iniciales(registro.apellidos + QLatin1Char(' ') + registro.nombre), 30);
    const QString nif = primeros(registro.nif, 14);
    const QString direccion = primeros(registro.direccion, 30);
    const QString localidad = primeros(registro.poblacion, 20);
    const QString provincia = primeros(registro.provincia, 15);

    // Opened on the new account's own rows (normally none) only to add it:
    // the whole store, read again for every account, grew with the square of
    // the holders a year brings.
    rs_ctas3.closeIfOpen();
    rs_ctas3.open(QStringLiteral("SELECT * FROM ctas3 WHERE Cuenta = ?"), {registro.cuenta}, cn_enlace,
                  ado::adOpenDynamic, ado::adLockOptimistic);
    rs_ctas3.addNew();
    rs_ctas3.setField(QStringLiteral("cuenta"), texto(registro.cuenta));
    rs_ctas3.setField(QStringLiteral("nombre"), texto(nombre));
    rs_ctas3.setField(QStringLiteral("nif"), texto(nif));
    rs_ctas3.setField(QStringLiteral("Siglas"), texto(QStringLiteral("")));
    rs_ctas3.setField(QStringLiteral("direccion"), texto(direccion));
    rs_ctas3.setField(QStringLiteral("Cp"), texto(registro.cp));
    rs_ctas3.setField(QStringLiteral("provincia"), texto(provincia));
    rs_ctas3.setField(QStringLiteral("localidad"), texto(localidad));
    rs_ctas3.setField(QStringLiteral("fechaAlta"), texto(registro.fecha));
    rs_ctas3.setField(QStringLiteral("Siglas"), texto(QStringLiteral("CL")));
    rs_ctas3.setField(QStringLiteral("Estado"), texto(QStringLiteral("0")));
    rs_ctas3.update();
    rs_ctas3.close();
}

bool A3ADO::existe_en_ctas3(const QString& cuenta)
{
    // The index on Cuenta finds the account and its padded forms, which
    // sort right after it; rtrim keeps only those.
    const QString sin_relleno = vb::sin_blancos_finales(cuenta);
    rs_ctas3.closeIfOpen();
    rs_ctas3.open(QStringLiteral("SELECT * FROM ctas3 WHERE Cuenta BETWEEN ? AND ? AND rtrim(Cuenta) = ?"),
                  {sin_relleno, sin_relleno + QString(64, QLatin1Char(' ')), sin_relleno}, cn_enlace, ado::adOpenDynamic,
                  ado::adLockReadOnly);
    const bool existe = !rs_ctas3.eof();
    rs_ctas3.close();
    return existe;
}
