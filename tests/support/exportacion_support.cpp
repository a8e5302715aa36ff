#include "exportacion_support.h"

#include "platform/cp1252.h"

#include <QFile>

namespace pruebas_pgc {

namespace {

QString campo(const QString& texto, int ancho)
{
    return texto + QString(ancho - texto.size(), QLatin1Char(' '));
}

QString texto(const QVariant& valor)
{
    return valor.isNull() ? QStringLiteral("<Null>") : valor.toString();
}

} // namespace

void cuenta(demo::Instalacion& inst, const QString& codigo, const QString& nombre, const QVariant& nif, int nivel)
{
    inst.insertar(QStringLiteral("Cta"),
                  QVariantMap{{"CtaCod", codigo}, {"CtaNom", nombre}, {"CtaNif", nif}, {"CtaNiv", nivel}});
}

void tercero(demo::Instalacion& inst, const QString& nif, const QString& nombre, const QString& direccion,
             const QString& poblacion, const QString& cp, const QString& provincia)
{
    inst.insertar(QStringLiteral("TER"), QVariantMap{{"TerNif", nif}, {"Ternom", nombre}, {"TerDi", direccion},
                                                     {"Terpob", poblacion}, {"TerCp", cp}, {"TerPro", provincia}});
}

void pendiente(demo::Instalacion& inst, const QString& cuenta, const QString& nombre, const QString& estado)
{
    inst.insertar(QStringLiteral("ctas3"),
                  QVariantMap{{"Cuenta", cuenta}, {"Nombre", nombre}, {"Nif", "12345678Z"}, {"Siglas", "CL"},
                              {"Direccion", "CALLE MAYOR 1"}, {"Localidad", "PALMA"}, {"Cp", "07001"},
                              {"Provincia", "BALEARES"}, {"FechaAlta", "20130101"}, {"Estado", estado}});
}

QStringList ctas3(const demo::Instalacion& inst)
{
    QStringList r;
    for (const QVariantMap& f : inst.consultar(QStringLiteral("ctas3"), QStringLiteral("SELECT * FROM ctas3 ORDER BY rowid"))) {
        QStringList v;
        for (const char* c : {"Cuenta", "Nombre", "Nif", "Siglas", "Direccion", "Localidad", "Cp", "Provincia",
                              "FechaAlta", "Estado"})
            v << texto(f.value(QLatin1String(c)));
        r << v.join(QLatin1Char('|'));
    }
    return r;
}

QString linea_cuenta(const QString& fecha, const QString& cuenta, const QString& nombre, const QString& nif,
                     const QString& direccion, const QString& localidad, const QString& cp, const QString& provincia)
{
    return QStringLiteral("4") + QStringLiteral("00001") + fecha + QStringLiteral("C") + campo(cuenta, 12)
           + campo(nombre, 30) + QStringLiteral("S") + QStringLiteral("+0000000000.00") + QString(5, QLatin1Char(' '))
           + campo(nif, 14) + QStringLiteral("CL") + campo(direccion, 30) + QString(11, QLatin1Char(' '))
           + campo(localidad, 20) + campo(cp, 5) + campo(provincia, 15) + QStringLiteral("011")
           + QString(75, QLatin1Char(' ')) + QStringLiteral("EN");
}

QStringList lineas(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<sin fichero>")};
    QStringList r;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.isEmpty())
            r << platform::fromCp1252(l.endsWith('\r') ? l.chopped(1) : l + QByteArray("<sin CR>"));
    return r;
}

void escribir_lineas(const QString& ruta, const QStringList& lineas)
{
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    for (const QString& l : lineas)
        f.write(platform::toCp1252(l) + "\r\n");
}

} // namespace pruebas_pgc
