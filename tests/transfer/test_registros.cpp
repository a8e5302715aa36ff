// The SUENLACE.DAT lines as A3Con reads them. Each record type is described
// once below, field by field (name, width, fixed text); every line built is
// cut by that layout and compared field by field, never against the output
// of the code under test.

#include "platform/cp1252.h"
#include "transfer/records/registros.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace registros;

namespace {

// nombre "" for a fixed field; fijo nullptr for blanks.
struct Campo { const char* nombre; int ancho; const char* fijo; };

const QList<Campo> kInicio = {{"", 1, "4"}, {"empresa", 5, nullptr}, {"fecha", 8, nullptr}};

QList<Campo> disposicion(QChar tipo)
{
    QList<Campo> d = kInicio;
    const auto mas = [&d](std::initializer_list<Campo> c) { d.append(QList<Campo>(c)); };
    if (tipo == u'C')
        mas({{"", 1, "C"}, {"cuenta", 12, nullptr}, {"nombre", 30, nullptr}, {"", 1, "S"}, {"", 14, "+0000000000.00"}, {"", 5, nullptr},
             {"nif", 14, nullptr}, {"", 2, "CL"}, {"direccion", 30, nullptr}, {"", 11, nullptr}, {"localidad", 20, nullptr},
             {"cp", 5, nullptr}, {"provincia", 15, nullptr}, {"", 3, "011"}, {"", 75, nullptr}, {"", 2, "EN"}});
    else if (tipo == u'0')
        mas({{"", 1, "0"}, {"cuenta", 12, nullptr}, {"descripcion", 30, nullptr}, {"lado", 1, nullptr}, {"documento", 10, nullptr},
             {"posicion", 1, nullptr}, {"concepto", 30, nullptr}, {"importe", 14, nullptr}, {"", 139, nullptr}, {"", 2, "EN"}});
    else if (tipo == u'1')
        mas({{"", 1, "1"}, {"cuenta", 12, nullptr}, {"nombre", 30, nullptr}, {"", 1, "1"}, {"documento", 10, nullptr}, {"", 1, "I"},
             {"concepto", 30, nullptr}, {"total", 14, nullptr}, {"", 139, nullptr}, {"", 2, "EN"}});
    else
        mas({{"", 1, "9"}, {"cuenta", 12, nullptr}, {"descripcion", 30, nullptr}, {"", 1, "C"}, {"documento", 10, nullptr},
             {"posicion", 1, nullptr}, {"concepto", 30, nullptr}, {"", 2, "01"}, {"base", 14, nullptr}, {"tipo", 5, nullptr},
             {"cuota", 14, nullptr}, {"", 38, "00.00+0000000000.0000.00+0000000000.00"}, {"", 2, "01"}, {"", 1, "S"}, {"", 77, nullptr},
             {"", 2, "EN"}});
    return d;
}

// Every field of the line against the layout: fixed ones as fixed, the
// others as `valores` gives them (left-aligned, blank-padded to their width).
void comprobar_linea(const QString& linea, const QMap<QString, QString>& valores)
{
    QCOMPARE(linea.size(), kLongitud);
    QCOMPARE(platform::toCp1252(linea).size(), kLongitud);
    int columna = 0, usados = 0;
    for (const Campo& c : disposicion(linea.at(14))) {
        const QString nombre = QString::fromLatin1(c.nombre);
        usados += valores.contains(nombre);
        const QString esperado = nombre.isEmpty() ? QString::fromLatin1(c.fijo) : valores.value(nombre, "(falta)");
        QCOMPARE(linea.mid(columna, c.ancho), esperado.leftJustified(c.ancho));
        columna += c.ancho;
    }
    QCOMPARE(columna, kLongitud);
    QCOMPARE(usados, int(valores.size()));
}

using Valores = QMap<QString, QString>;

// A valid line of each type, as the field values of the layout; amounts are
// given as they appear and read back with strtod to build the record.
const QMap<QChar, Valores> kValidos = {
    {u'C', {{"empresa", "00001"}, {"fecha", "20130101"}, {"cuenta", "430000123"}, {"nombre", "GARCIA LOPEZ JUAN"}, {"nif", "12345678Z"},
            {"direccion", "MAYOR 1"}, {"localidad", "PALMA"}, {"cp", "07001"}, {"provincia", "BALEARES"}}},
    {u'0', {{"empresa", "00001"}, {"fecha", "20130215"}, {"cuenta", "570000001"}, {"descripcion", "CONTADO"}, {"lado", "D"},
            {"documento", "F1234"}, {"posicion", "I"}, {"concepto", "Cobros Dia CONTADO"}, {"importe", "+0000000120.50"}}},
    {u'1', {{"empresa", "00001"}, {"fecha", "20130215"}, {"cuenta", "43011301"}, {"nombre", "HOTELES REUNIDOS SA"},
            {"documento", "000123"}, {"concepto", "N/Factura 000123"}, {"total", "+0000001100.00"}}},
    {u'9', {{"empresa", "00001"}, {"fecha", "20130215"}, {"cuenta", "700000000"}, {"descripcion", "VENTAS"}, {"documento", "000123"},
            {"posicion", "U"}, {"concepto", "N/Factura 000123"}, {"base", "+0000001000.00"}, {"tipo", "10.00"}, {"cuota", "+0000000100.00"}}}};

Valores con(Valores v, const Valores& cambios) { v.insert(cambios); return v; }

// The line of type `tipo` whose fields are the valid ones with `cambios`.
QString construir(QChar tipo, const Valores& cambios)
{
    const Valores v = con(kValidos.value(tipo), cambios);
    const auto x = [&v](const char* campo) { return v.value(QString::fromLatin1(campo)); };
    const auto n = [&v](const char* campo) { return std::strtod(v.value(QString::fromLatin1(campo)).toLatin1().constData(), nullptr); };
    if (tipo == u'C')
        return registro_cuenta({x("empresa"), x("fecha"), x("cuenta"), x("nombre"), x("nif"), x("direccion"), x("localidad"), x("cp"), x("provincia")});
    if (tipo == u'0')
        return registro_apunte({x("empresa"), x("fecha"), x("cuenta"), x("descripcion"), x("lado"), x("documento"), x("posicion"),
                                x("concepto"), n("importe")});
    if (tipo == u'1')
        return registro_cabecera_factura({x("empresa"), x("fecha"), x("cuenta"), x("nombre"), x("documento"), x("concepto"), n("total")});
    return registro_linea_iva({x("empresa"), x("fecha"), x("cuenta"), x("descripcion"), x("documento"), x("posicion"), x("concepto"),
                               n("base"), n("tipo"), n("cuota")});
}

struct Rechazo { bool lanzado = false; QString campo, valor, explicacion; };

Rechazo rechazo_de(const std::function<void()>& construir)
{
    try { construir(); } catch (const RegistroRechazado& e) { return {true, e.campo, e.valor, e.explicacion()}; }
    return {};
}

} // namespace

class TestRegistros : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cada_tipo_de_registro_campo_a_campo()
    {
        const QString p25 = QStringLiteral("Pérez") + QString(25, 'A'), d30 = QString(29, 'D') + QStringLiteral("é");
        // leidos: the fields as the line shows them, when not as given.
        const struct { QChar tipo; Valores cambios, leidos; } casos[] = {
            {u'C', {}, {}}, {u'0', {}, {}}, {u'1', {}, {}}, {u'9', {}, {}},
            // fields filled to their exact width
            {u'C', {{"cuenta", "123456789012"}, {"nombre", QString(30, 'N')}, {"localidad", "VILAFRANCA DEL PENED"}}, {}},
            // no description nor document, credit side, closing line, negative amount
            {u'0', {{"cuenta", "430999999"}, {"descripcion", ""}, {"documento", ""}, {"lado", "H"}, {"posicion", "U"},
                    {"concepto", "Dep.Descontado Factura 000123"}, {"importe", "-87.456"}},
             {{"importe", "-0000000087.46"}}},
            {u'9', {{"posicion", "M"}, {"base", "250.25"}, {"tipo", "0"}, {"cuota", "0"}},
             {{"base", "+0000000250.25"}, {"tipo", "00.00"}, {"cuota", "+0000000000.00"}}},
            // free texts: control characters blanked, Windows-1252, "?" for the rest
            {u'C', {{"nombre", QStringLiteral("Ana\tBel\r\nX\x7F")}, {"direccion", QString::fromLatin1("C/\0Mar", 6)}},
             {{"nombre", "Ana Bel  X "}, {"direccion", "C/ Mar"}}},
            {u'C', {{"nombre", QStringLiteral("Ana Belen\x7F")}}, {{"nombre", "Ana Belen "}}},   // DEL after eight plain characters
            {u'C', {{"nombre", QStringLiteral("Muñoz Pérez")}, {"localidad", QStringLiteral("Łódź")}, {"provincia", QStringLiteral("Sm\U0001F600le")}},
             {{"localidad", QStringLiteral("?ód?")}, {"provincia", "Sm?le"}}},
            // combining accents: 31 UTF-16 units, 30 bytes; a code may hold "~"
            {u'0', {{"concepto", QStringLiteral("Pe\u0301rez") + QString(25, 'A')}, {"descripcion", d30}, {"documento", "F~12"}},
             {{"concepto", p25}}},
            {u'1', {{"empresa", QStringLiteral("0000e\u0301")}}, {{"empresa", QStringLiteral("0000é")}}},
            // blanks after an account are the column's padding: the record is the account's
            {u'1', {{"cuenta", "43011301    "}}, {{"cuenta", "43011301"}}},
            {u'0', {{"cuenta", "123456789012 "}}, {{"cuenta", "123456789012"}}},
        };
        for (const auto& c : casos) {
            const QString linea = construir(c.tipo, c.cambios);
            comprobar_linea(linea, con(con(kValidos.value(c.tipo), c.cambios), c.leidos));
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(platform::toCp1252(construir(u'C', {{"nombre", QStringLiteral("Muñoz Pérez")}})).mid(27, 11),
                 QByteArray("Mu\xF1oz P\xE9rez"));
    }

    void importes_y_tantos()
    {
        // Rounded half away from zero on the decimal a person reads.
        const std::pair<double, const char*> importes[] = {
            {1234.5, "+0000001234.50"}, {0, "+0000000000.00"}, {-87.456, "-0000000087.46"}, {2.675, "+0000000002.68"},
            {1.005, "+0000000001.01"}, {-1.005, "-0000000001.01"}, {-0.004, "+0000000000.00"}, {-0.005, "-0000000000.01"},
            {0.125, "+0000000000.13"}, {-0.0, "+0000000000.00"}, {9999999999.994, "+9999999999.99"}, {-9999999999.99, "-9999999999.99"}};
        for (const auto& [valor, texto] : importes)
            QCOMPARE(importe(valor, "importe"), QString::fromLatin1(texto));
        const std::pair<double, const char*> tantos[] = {{7, "07.00"}, {21, "21.00"}, {0, "00.00"}, {4.005, "04.01"}, {-0.004, "00.00"}, {99.994, "99.99"}};
        for (const auto& [valor, texto] : tantos)
            QCOMPARE(tanto(valor, "tipo"), QString::fromLatin1(texto));
        const double nan = std::nan(""), inf = INFINITY;
        for (double no : {1e10, 9999999999.995, -9999999999.995, nan, inf})
            QVERIFY2(rechazo_de([no] { importe(no, "importe"); }).campo == "importe", qPrintable(QString::number(no)));
        for (double no : {100.0, 99.995, -0.01, nan})
            QVERIFY2(rechazo_de([no] { tanto(no, "tipo"); }).campo == "tipo", qPrintable(QString::number(no)));
    }

    void textos_sueltos()
    {
        const std::pair<QString, QString> casos[] = {
            {cortar_rellenar("CONTADO", 10), "CONTADO   "}, {cortar_rellenar("TARJETA DE CREDITO VISA", 19), "TARJETA DE CREDITO "},
            {cortar_rellenar(QStringLiteral("Peñíscola"), 4), QStringLiteral("Peñí")}, {cortar_rellenar(QStringLiteral("A\r\nB"), 5), "A  B "},
            {cortar_rellenar(QStringLiteral("Pe\u0301rez\t"), 7), QStringLiteral("Pérez  ")}, {rellenar("", 12, "cuenta"), QString(12, ' ')},
            {rellenar(QStringLiteral("Mun\u0303oz Pe\u0301rez"), 14, "nombre"), QStringLiteral("Muñoz Pérez   ")},
            {rellenar(QStringLiteral("Muñoz Pérez"), 11, "nombre"), QStringLiteral("Muñoz Pérez")}, {rellenar(QStringLiteral("5€"), 3, "concepto"), QStringLiteral("5€ ")}};
        for (const auto& [hecho, esperado] : casos)
            QCOMPARE(hecho, esperado);
    }

    void lo_que_a3con_leeria_mal_se_rechaza()
    {
        const QString c13 = "4300001234567", t31 = QString(31, 'A'), largo = QStringLiteral("Pérez") + QString(26, 'A');
        const QString nul = QString::fromLatin1("1\0", 2), acentuada31 = QStringLiteral("Peñíscola Peñíscola Peñíscola P");
        // valor: as the refusal names it, when not as given.
        const struct { QChar tipo; QString campo, dado, valor, explicacion; } casos[] = {
            {u'C', "empresa", "0001"}, {u'0', "empresa", "000001"}, {u'1', "empresa", QStringLiteral("000ééé")},
            {u'9', "empresa", "1", {}, "campo empresa: «1» el código de empresa debe tener exactamente 5 caracteres"},
            {u'C', "fecha", "2013011"}, {u'0', "fecha", "20130231"}, {u'1', "fecha", ""}, {u'9', "fecha", "2013011a"},
            {u'C', "cuenta", c13, {}, "campo cuenta: «4300001234567» ocupa 13 caracteres y el campo admite 12"},
            {u'9', "cuenta", c13}, {u'C', "cuenta", "4300\n01"}, {u'0', "cuenta", "4300013-0"}, {u'1', "cuenta", ""},
            {u'9', "cuenta", "   ", {}, "campo cuenta: «   » está vacía"}, {u'0', "cuenta", " 4300013"}, {u'C', "cuenta", "4300 013"},
            {u'1', "nombre", t31}, {u'C', "nif", "123456789012345"}, {u'C', "nif", nul}, {u'C', "direccion", t31},
            {u'C', "localidad", acentuada31}, {u'C', "cp", "070012"}, {u'C', "provincia", QString(16, 'P')},
            {u'0', "descripcion", t31}, {u'1', "documento", "12345678901"}, {u'0', "documento", "F\t12"}, {u'9', "documento", ""},
            {u'0', "concepto", t31}, {u'9', "concepto", largo, {}, "campo concepto: «" + largo + "» ocupa 31 caracteres y el campo admite 30"},
            {u'0', "lado", "X"}, {u'0', "posicion", "IU"}, {u'9', "posicion", ""}, {u'0', "importe", "nan"},
            {u'1', "total", "1e10", "10000000000", "campo total: «10000000000» no cabe en diez cifras enteras (el máximo es 9999999999.99)"},
            {u'9', "base", "1e10", "10000000000"}, {u'9', "cuota", "-1e10", "-10000000000"},
            {u'9', "tipo", "100", {}, "campo tipo: «100» no cabe en el formato 00.00 (el máximo es 99.99)"}, {u'9', "tipo", "-10"}};
        for (const auto& c : casos) {
            const Rechazo r = rechazo_de([&] { construir(c.tipo, {{c.campo, c.dado}}); });
            QVERIFY2(r.lanzado, qPrintable(c.campo + " " + c.dado));
            QCOMPARE(r.campo, c.campo);
            QCOMPARE(r.valor, c.valor.isNull() ? c.dado : c.valor);
            if (!c.explicacion.isEmpty())
                QCOMPARE(r.explicacion, c.explicacion);
        }
    }
};

QTEST_GUILESS_MAIN(TestRegistros)
#include "test_registros.moc"
