#include "transfer/entrada_fecha.h"

#include <QDate>
#include <Qt>

namespace {

bool ocho_digitos(const QString& texto)
{
    if (texto.size() != 8)
        return false;
    for (const QChar c : texto)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Dates before the year 100 do not exist for the hotel's data either: every
// date of the tables is written with four digits of a real year.
bool fecha_con_sentido(const QDate& fecha)
{
    return fecha.isValid() && fecha.year() >= 100;
}

} // namespace

bool confirma_fecha(int tecla)
{
    return tecla == Qt::Key_Tab || tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
}

EntradaFecha leer_fecha_tecleada(const QString& tecleado)
{
    EntradaFecha r;
    if (!ocho_digitos(tecleado))
        return r;
    const QDate fecha(tecleado.mid(4, 4).toInt(), tecleado.mid(2, 2).toInt(), tecleado.left(2).toInt());
    if (!fecha_con_sentido(fecha)) {
        r.estado = EstadoFecha::Incorrecta;
        return r;
    }
    r.estado = EstadoFecha::Aceptada;
    r.texto = fecha.toString(QStringLiteral("dd-MM-yyyy"));
    r.fecha = fecha.toString(QStringLiteral("yyyyMMdd"));
    return r;
}

EntradaFecha entrar_fecha(const QString& tecleado, platform::Interaction& ui)
{
    const EntradaFecha r = leer_fecha_tecleada(tecleado);
    if (r.estado == EstadoFecha::Incorrecta)
        ui.message(QString::fromUtf8(kFechaIncorrecta), QString::fromUtf8(kTituloErrorDatos),
                   platform::Icon::Information);
    return r;
}
