#include "transfer/entrada_fecha.h"

#include "platform/vb.h"

#include <QDate>
#include <QRegularExpression>
#include <Qt>

namespace {

bool ocho_digitos(const QString& texto)
{
    return texto.size() == 8 && vb::es_numerico(texto);
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
    int dia = 0, mes = 0, anyo = 0;
    // The form the field shows once accepted (dd-mm-yyyy, also d-m-yyyy or
    // with slashes) is read back as the same date.
    static const QRegularExpression mostrada(QStringLiteral("^([0-9]{1,2})[-/.]([0-9]{1,2})[-/.]([0-9]{4})$"));
    if (ocho_digitos(tecleado)) {
        dia = tecleado.left(2).toInt();
        mes = tecleado.mid(2, 2).toInt();
        anyo = tecleado.mid(4, 4).toInt();
    } else if (const auto m = mostrada.match(tecleado.trimmed()); m.hasMatch()) {
        dia = m.captured(1).toInt();
        mes = m.captured(2).toInt();
        anyo = m.captured(3).toInt();
    } else {
        return r;
    }
    const QDate fecha(anyo, mes, dia);
    if (!fecha_con_sentido(fecha)) {
        r.estado = EstadoFecha::Incorrecta;
        return r;
    }
    r.estado = EstadoFecha::Aceptada;
    r.texto = fecha.toString(QStringLiteral("dd-MM-yyyy"));
    r.fecha = fecha.toString(QStringLiteral("yyyyMMdd"));
    return r;
}

namespace {

EntradaFecha avisar_si_incorrecta(const EntradaFecha& r, platform::Interaction& ui)
{
    if (r.estado == EstadoFecha::Incorrecta)
        ui.message(QString::fromUtf8(kFechaIncorrecta), QString::fromUtf8(kTituloErrorDatos),
                   platform::Icon::Information);
    return r;
}

} // namespace

EntradaFecha entrar_fecha(const QString& tecleado, platform::Interaction& ui)
{
    // Tab or Enter take the eight digits only; anything else is dropped
    // without a word, and the field waits for the date again.
    return avisar_si_incorrecta(ocho_digitos(tecleado) ? leer_fecha_tecleada(tecleado) : EntradaFecha{}, ui);
}

EntradaFecha fecha_de_campo(const QString& texto, platform::Interaction& ui)
{
    // A button press reads what the field shows, which is dd-mm-yyyy once
    // a date has been accepted.
    EntradaFecha r = avisar_si_incorrecta(leer_fecha_tecleada(texto), ui);
    if (r.estado == EstadoFecha::Descartada) {
        r.estado = EstadoFecha::Incorrecta;
        ui.message(QStringLiteral("La fecha «") + texto.trimmed()
                       + QStringLiteral("» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa."),
                   QString::fromUtf8(kTituloErrorDatos), platform::Icon::Information);
    }
    return r;
}
