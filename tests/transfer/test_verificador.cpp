// The SUENLACE.DAT checker: faults planted one at a time in a valid file
// written out here field by field, each found at its line and column and
// nothing else reported; line ends and encodings; the summary.

#include "app/comando_verificar.h"
#include "platform/cp1252.h"
#include "transfer/records/registros.h"
#include "transfer/records/verificador.h"
#include "support/verificador_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using verificador::Informe;

namespace {

const QByteArray kEmpresa = "00001";

QByteArray pad(const QString& texto, int ancho)
{
    QByteArray b = texto.toLatin1();  // the Spanish letters used here are the same bytes in Windows-1252
    Q_ASSERT(b.size() <= ancho);
    return b + QByteArray(ancho - b.size(), ' ');
}

QByteArray blancos(int n) { return QByteArray(n, ' '); }

QByteArray cuenta(const QByteArray& fecha, const QString& cta, const QString& nombre, const QString& nif,
                  const QString& direccion, const QString& localidad, const QString& cp, const QString& provincia)
{
    return "4" + kEmpresa + fecha + "C" + pad(cta, 12) + pad(nombre, 30) + "S" + "+0000000000.00" + " " + "    "
        + pad(nif, 14) + "CL" + pad(direccion, 30) + blancos(11) + pad(localidad, 20) + pad(cp, 5) + pad(provincia, 15)
        + "011" + blancos(58) + blancos(17) + "EN";
}

QByteArray apunte(const QByteArray& fecha, const QString& cta, const QString& descripcion, char lado,
                  const QString& documento, char posicion, const QString& concepto, const QByteArray& importe)
{
    return "4" + kEmpresa + fecha + "0" + pad(cta, 12) + pad(descripcion, 30) + lado + pad(documento, 10) + posicion
        + pad(concepto, 30) + importe + blancos(139) + "E" + "N";
}

QByteArray factura(const QByteArray& fecha, const QString& cta, const QString& nombre, const QString& documento,
                   const QByteArray& total)
{
    return "4" + kEmpresa + fecha + "1" + pad(cta, 12) + pad(nombre, 30) + "1" + pad(documento, 10) + "I"
        + pad("Nuestra Factura N." + documento, 30) + total + blancos(139) + "E" + "N";
}

QByteArray iva(const QByteArray& fecha, const QString& documento, char posicion, const QByteArray& base,
               const QByteArray& tipo, const QByteArray& cuota)
{
    return "4" + kEmpresa + fecha + "9" + pad("70000000", 12) + pad("VENTAS HOTEL", 30) + "C" + pad(documento, 10)
        + posicion + pad("Nuestra Factura N." + documento, 30) + "01" + base + tipo + cuota + "00.00"
        + "+0000000000.00" + "00.00" + "+0000000000.00" + "01" + "S" + blancos(77) + "E" + "N";
}

// Every record kind and entry form the link writes: an account; an invoice
// with two bands and its breakdown (tax line, a sales line, closing line); an
// invoice with only band 0 and a breakdown of its closing line alone; a
// deposit; a cash day (two methods, three collections, one negative); a
// credit.
QList<QByteArray> lineasValidas()
{
    const QString muñoz = QStringLiteral("Muñoz Pérez, Ana");
    const QString dep = QStringLiteral("Dep.Descontado Factura 10");
    const QString cre = QStringLiteral("Cobro Credito Factura88");
    return {
        cuenta("20260301", "43000001", muñoz, "12345678Z", "Mayor 1", QStringLiteral("Málaga"), "29001",
               QStringLiteral("Málaga")),
        factura("20260305", "43000001", muñoz, "9", "+0000000069.10"),
        iva("20260305", "9", 'M', "+0000000050.00", "10.00", "+0000000005.00"),
        iva("20260305", "9", 'U', "+0000000012.00", "21.00", "+0000000002.10"),
        apunte("20260305", "47500000", "Impuesto EET", 'H', "9", 'I', "Impuesto EET", "+0000000002.00"),
        apunte("20260305", "70500001", QString(30, u'?'), 'H', "9", 'M', "Desglose N/Factura", "+0000000060.00"),
        apunte("20260305", "70000000", "VENTAS HOTEL", 'D', "9", 'U', "Desglose N/Factura", "+0000000062.00"),
        factura("20260305", "43000002", "Hostal Sol", "10", "+0000000100.00"),
        iva("20260305", "10", 'U', "+0000000000.00", "00.00", "+0000000000.00"),
        apunte("20260305", "70000000", "VENTAS HOTEL", 'D', "10", 'U', "Desglose N/Factura", "+0000000000.00"),
        apunte("20260306", "43800000", "", 'D', "", 'I', dep, "+0000000030.00"),
        apunte("20260306", "43000002", "", 'H', "", 'U', dep, "+0000000030.00"),
        apunte("20260307", "57000001", "CONTADO", 'D', "", 'I', "Cobros Dia CONTADO", "+0000000040.00"),
        apunte("20260307", "57200001", "VISA", 'D', "", 'M', "Cobros Dia VISA", "+0000000020.00"),
        apunte("20260307", "43000001", "", 'H', "9", 'M', "Cobros N/Factura N. 9", "+0000000025.00"),
        apunte("20260307", "43000003", "", 'H', "11", 'M', "Cobros N/Factura N. 11", "-0000000005.00"),
        apunte("20260307", "43000004", "", 'H', "12", 'U', "Cobros N/Factura N. 12", "+0000000040.00"),
        apunte("20260308", "57200001", "VISA", 'D', "88", 'I', cre, "+0000000088.00"),
        apunte("20260308", "43000005", "", 'H', "88", 'U', cre, "+0000000088.00"),
    };
}

QByteArray fichero(const QList<QByteArray>& lineas, const QByteArray& fin = "\r\n")
{
    QByteArray f;
    for (const QByteArray& l : lineas)
        f += l + fin;
    return f;
}

// Overwrites bytes of one line, at a 1-based line and column.
QList<QByteArray> plantar(int linea, int columna, const QByteArray& bytes)
{
    QList<QByteArray> l = lineasValidas();
    l[linea - 1].replace(columna - 1, bytes.size(), bytes);
    return l;
}

QList<QByteArray> quitar(int linea)
{
    QList<QByteArray> l = lineasValidas();
    l.removeAt(linea - 1);
    return l;
}

QStringList problemas(const Informe& informe)
{
    QStringList r;
    for (const auto& p : informe.problemas)
        r << verificador::texto_problema(p);
    return r;
}

} // namespace

class TestVerificador : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void elFicheroValidoNoTieneProblemas();
    void resumenDelFicheroValido();
    void faltaPlantada_data();
    void faltaPlantada();
    void finesDeLinea();
    void ultimaLineaCortada();
    void ficheroEnUtf8();
    void lineaVaciaEnMedio();
    void ficheroVacio();
    void unaLineaIAislada();
    void importesExtremosNoDesbordan();
    void registrosDeLosConstructores();
    void comandoConFicheroValido();
    void comandoConProblemas();
    void comandoSinFicheroLegible();
};

void TestVerificador::elFicheroValidoNoTieneProblemas()
{
    const QList<QByteArray> lineas = lineasValidas();
    for (const QByteArray& l : lineas)
        QCOMPARE(l.size(), 254);
    const Informe informe = verificador::verificar(fichero(lineas));
    QCOMPARE(problemas(informe), QStringList());
    QCOMPARE(verificador::estado_salida(informe), 0);
}

void TestVerificador::resumenDelFicheroValido()
{
    const Informe informe = verificador::verificar(fichero(lineasValidas()));
    const QStringList esperado = {
        "Fichero: SUENLACE.DAT",
        "Líneas: 19",
        "Registros: 1 cuentas (C), 2 facturas (1), 3 líneas de IVA (9), 13 apuntes (0)",
        "Asientos: 5",
        "Fechas: del 01-03-2026 al 08-03-2026",
        "Apuntes: debe 240.00, haber 240.00",
        "Facturas: total 169.10, bases 62.00, cuotas de IVA 7.10",
        "Diferencia entre facturas y sus líneas de IVA (información): 100.00 en 1 facturas",
        "Sin problemas.",
        "",
    };
    QCOMPARE(verificador::texto_informe(informe, "SUENLACE.DAT").split(u'\n'), esperado);
    QCOMPARE(informe.resumen.debe, 24000);
    QCOMPARE(informe.resumen.haber, 24000);
}

void TestVerificador::faltaPlantada_data()
{
    QTest::addColumn<QList<QByteArray>>("lineas");
    QTest::addColumn<QStringList>("esperado");

    // Head of every record.
    QTest::newRow("marca de formato") << plantar(1, 1, "5")
        << QStringList{"línea 1, columna 1: marca de formato «5» desconocida: debe ser «4»"};
    QTest::newRow("empresa no numérica") << plantar(8, 2, "0000A")
        << QStringList{"línea 8, columna 2: código de empresa «0000A» no válido: deben ser cinco dígitos"};
    QTest::newRow("empresa con blanco") << plantar(13, 2, " 0001")
        << QStringList{"línea 13, columna 2: código de empresa « 0001» no válido: deben ser cinco dígitos"};
    QTest::newRow("30 de febrero") << plantar(11, 7, "20260230")
        << QStringList{"línea 11, columna 7: fecha «20260230» no válida: debe ser una fecha aaaammdd"};
    QTest::newRow("29 de febrero no bisiesto") << plantar(1, 7, "21000229")
        << QStringList{"línea 1, columna 7: fecha «21000229» no válida: debe ser una fecha aaaammdd"};
    QTest::newRow("mes 13") << plantar(19, 7, "20261301")
        << QStringList{"línea 19, columna 7: fecha «20261301» no válida: debe ser una fecha aaaammdd"};
    QTest::newRow("fecha dd-mm-aa") << plantar(1, 7, "05-03-26")
        << QStringList{"línea 1, columna 7: fecha «05-03-26» no válida: debe ser una fecha aaaammdd"};
    QTest::newRow("tipo desconocido en una cuenta") << plantar(1, 15, "X")
        << QStringList{"línea 1, columna 15: tipo de registro «X» desconocido: debe ser «C», «0», «1» o «9»"};
    QTest::newRow("tipo desconocido abriendo un asiento") << plantar(11, 15, "2")
        << QStringList{"línea 11, columna 15: tipo de registro «2» desconocido: debe ser «C», «0», «1» o «9»"};

    // Amounts and rates.
    QTest::newRow("importe con letra") << plantar(12, 100, "+00000000A0.00")
        << QStringList{"línea 12, columna 100: importe «+00000000A0.00» no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("importe con coma") << plantar(14, 100, "+0000000020,00")
        << QStringList{"línea 14, columna 100: importe «+0000000020,00» no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("importe sin signo") << plantar(17, 100, "00000000040.00")
        << QStringList{"línea 17, columna 100: importe «00000000040.00» no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("total de factura") << plantar(2, 100, "+69.1         ")
        << QStringList{"línea 2, columna 100: total de factura «+69.1         » no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("base imponible") << plantar(3, 102, " 0000000050.00")
        << QStringList{"línea 3, columna 102: base imponible « 0000000050.00» no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("cuota de IVA") << plantar(4, 121, "+0000000002.1 ")
        << QStringList{"línea 4, columna 121: cuota de IVA «+0000000002.1 » no válido: debe tener la forma "
                       "+0000000000.00 o -0000000000.00"};
    QTest::newRow("tipo de IVA") << plantar(3, 116, "1O.00")
        << QStringList{"línea 3, columna 116: tipo de IVA «1O.00» no válido: debe tener la forma 00.00"};
    QTest::newRow("tipo de IVA con coma") << plantar(4, 116, "21,00")
        << QStringList{"línea 4, columna 116: tipo de IVA «21,00» no válido: debe tener la forma 00.00"};

    // Literal fields, at their first differing column.
    QTest::newRow("C: S") << plantar(1, 58, "N")
        << QStringList{"línea 1, columna 58: el campo fijo de la columna 58 debe ser «S» y es «N»"};
    QTest::newRow("C: importe fijo") << plantar(1, 69, "1")
        << QStringList{"línea 1, columna 69: el campo fijo de las columnas 59-72 debe ser «+0000000000.00» y es "
                       "«+0000000001.00»"};
    QTest::newRow("C: hueco tras el importe") << plantar(1, 75, "x")
        << QStringList{"línea 1, columna 75: las columnas 73-77 deben estar en blanco y la columna 75 tiene «x»"};
    QTest::newRow("C: CL") << plantar(1, 93, "X")
        << QStringList{"línea 1, columna 93: el campo fijo de las columnas 92-93 debe ser «CL» y es «CX»"};
    QTest::newRow("C: hueco tras la dirección") << plantar(1, 124, "7")
        << QStringList{"línea 1, columna 124: las columnas 124-134 deben estar en blanco y la columna 124 tiene «7»"};
    QTest::newRow("C: 011") << plantar(1, 175, "001")
        << QStringList{"línea 1, columna 176: el campo fijo de las columnas 175-177 debe ser «011» y es «001»"};
    QTest::newRow("C: cola en blanco") << plantar(1, 240, "z")
        << QStringList{"línea 1, columna 240: las columnas 178-252 deben estar en blanco y la columna 240 tiene «z»"};
    QTest::newRow("C: EN") << plantar(1, 254, "M")
        << QStringList{"línea 1, columna 254: el campo fijo de las columnas 253-254 debe ser «EN» y es «EM»"};
    QTest::newRow("1: clase") << plantar(8, 58, "2")
        << QStringList{"línea 8, columna 58: el campo fijo de la columna 58 debe ser «1» y es «2»"};
    QTest::newRow("1: cola en blanco") << plantar(2, 114, "0")
        << QStringList{"línea 2, columna 114: las columnas 114-252 deben estar en blanco y la columna 114 tiene «0»"};
    QTest::newRow("1: E") << plantar(2, 253, "F")
        << QStringList{"línea 2, columna 253: el campo fijo de la columna 253 debe ser «E» y es «F»"};
    QTest::newRow("9: C") << plantar(9, 58, "D")
        << QStringList{"línea 9, columna 58: el campo fijo de la columna 58 debe ser «C» y es «D»"};
    QTest::newRow("9: 01 ante la base") << plantar(3, 101, "2")
        << QStringList{"línea 3, columna 101: el campo fijo de las columnas 100-101 debe ser «01» y es «02»"};
    QTest::newRow("9: 00.00 en 135") << plantar(4, 135, "10.00")
        << QStringList{"línea 4, columna 135: el campo fijo de las columnas 135-139 debe ser «00.00» y es «10.00»"};
    QTest::newRow("9: importe fijo en 140") << plantar(4, 150, "5")
        << QStringList{"línea 4, columna 150: el campo fijo de las columnas 140-153 debe ser «+0000000000.00» y es "
                       "«+0000000005.00»"};
    QTest::newRow("9: 00.00 en 154") << plantar(3, 157, "1")
        << QStringList{"línea 3, columna 157: el campo fijo de las columnas 154-158 debe ser «00.00» y es «00.10»"};
    QTest::newRow("9: importe fijo en 159") << plantar(3, 159, "-")
        << QStringList{"línea 3, columna 159: el campo fijo de las columnas 159-172 debe ser «+0000000000.00» y es "
                       "«-0000000000.00»"};
    QTest::newRow("9: 01 en 173") << plantar(9, 173, "10")
        << QStringList{"línea 9, columna 173: el campo fijo de las columnas 173-174 debe ser «01» y es «10»"};
    QTest::newRow("9: S") << plantar(9, 175, "N")
        << QStringList{"línea 9, columna 175: el campo fijo de la columna 175 debe ser «S» y es «N»"};
    QTest::newRow("9: cola en blanco") << plantar(4, 252, ".")
        << QStringList{"línea 4, columna 252: las columnas 176-252 deben estar en blanco y la columna 252 tiene «.»"};
    QTest::newRow("0: cola en blanco") << plantar(15, 114, "+")
        << QStringList{"línea 15, columna 114: las columnas 114-252 deben estar en blanco y la columna 114 tiene «+»"};
    QTest::newRow("0: N") << plantar(19, 254, "E")
        << QStringList{"línea 19, columna 254: el campo fijo de la columna 254 debe ser «N» y es «E»"};

    // Values of the entry lines.
    QTest::newRow("cuenta vacía en un apunte") << plantar(12, 16, blancos(12))
        << QStringList{"línea 12, columna 16: la cuenta (columnas 16-27) está vacía"};
    QTest::newRow("cuenta vacía en una cuenta") << plantar(1, 16, blancos(12))
        << QStringList{"línea 1, columna 16: la cuenta (columnas 16-27) está vacía"};
    QTest::newRow("cuenta vacía en una factura") << plantar(2, 16, blancos(12))
        << QStringList{"línea 2, columna 16: la cuenta (columnas 16-27) está vacía"};
    QTest::newRow("cuenta vacía en una línea de IVA") << plantar(4, 16, blancos(12))
        << QStringList{"línea 4, columna 16: la cuenta (columnas 16-27) está vacía"};
    QTest::newRow("lado") << plantar(16, 58, "X")
        << QStringList{"línea 16, columna 58: lado «X» no válido: debe ser «D» o «H»"};
    QTest::newRow("posición desconocida") << plantar(14, 69, "Z")
        << QStringList{"línea 14, columna 69: posición de línea «Z» no válida: debe ser «I», «M» o «U»"};
    QTest::newRow("tabulador en un nombre") << plantar(1, 31, "\t")
        << QStringList{"línea 1, columna 31: carácter de control 0x09 en un campo de texto"};
    QTest::newRow("NUL en un concepto") << plantar(15, 80, QByteArray(1, '\0'))
        << QStringList{"línea 15, columna 80: carácter de control 0x00 en un campo de texto"};

    // Entry structure.
    QTest::newRow("asiento que empieza con M") << plantar(11, 69, "M")
        << QStringList{"línea 11, columna 69: el asiento no empieza con «I»"};
    QTest::newRow("asiento sin U seguido de otro") << plantar(12, 69, "M")
        << QStringList{"línea 12, columna 69: el asiento no termina con «U»"};
    QTest::newRow("último asiento sin U") << plantar(19, 69, "M")
        << QStringList{"línea 19, columna 69: el asiento no termina con «U»"};
    QTest::newRow("línea U sin su I") << quitar(11)
        << QStringList{"línea 11, columna 69: el asiento no empieza con «I»"};
    QTest::newRow("factura que no empieza con I") << plantar(2, 69, "M")
        << QStringList{"línea 2, columna 69: la factura no empieza con «I»: la columna 69 tiene «M»"};
    QTest::newRow("línea de IVA con I") << plantar(3, 69, "I")
        << QStringList{"línea 3, columna 69: posición de línea «I» no válida en una línea de IVA: debe ser «M» o «U»"};
    QTest::newRow("factura sin U antes de su desglose") << plantar(4, 69, "M")
        << QStringList{"línea 4, columna 69: el asiento no termina con «U»"};
    QTest::newRow("factura sin U antes de su desglose de una línea") << plantar(9, 69, "M")
        << QStringList{"línea 9, columna 69: el asiento no termina con «U»"};
    QTest::newRow("factura sin líneas de IVA") << quitar(9)
        << QStringList{"línea 8, columna 69: la factura no tiene líneas de IVA: el asiento no termina con «U»"};
    QTest::newRow("líneas de IVA sin cabecera") << quitar(2)
        << QStringList{"línea 2, columna 15: la línea de IVA no sigue a una cabecera de factura «1»"};
    QTest::newRow("línea de IVA de otra factura") << plantar(4, 59, "7")
        << QStringList{"línea 4, columna 59: la línea de IVA no sigue a su cabecera: documento «7         » y el de "
                       "la factura de la línea 2 es «9         »"};
    QTest::newRow("línea de IVA de otra fecha") << plantar(9, 7, "20260304")
        << QStringList{"línea 9, columna 7: la línea de IVA no sigue a su cabecera: fecha «20260304» y la de la "
                       "factura de la línea 8 es «20260305»"};
    QTest::newRow("línea de IVA tras el cierre") << [] {
        QList<QByteArray> l = lineasValidas();
        l.insert(4, l[3]);
        return l;
    }() << QStringList{"línea 5, columna 15: la línea de IVA no sigue a una cabecera de factura «1»"};
    QTest::newRow("desglose de una línea de otra factura") << plantar(10, 59, "11")
        << QStringList{"línea 10, columna 69: el asiento no empieza con «I»"};

    // Balance of the journal entries, in cents.
    QTest::newRow("cobros descuadrados un céntimo") << plantar(15, 100, "+0000000025.01")
        << QStringList{"línea 17, columna 100: el asiento de las líneas 13-17 no cuadra: debe 60.00, haber 60.01"};
    QTest::newRow("desglose descuadrado") << plantar(7, 100, "+0000000061.99")
        << QStringList{"línea 7, columna 100: el asiento de las líneas 5-7 no cuadra: debe 61.99, haber 62.00"};
    QTest::newRow("depósito en el mismo lado") << plantar(12, 58, "D")
        << QStringList{"línea 12, columna 100: el asiento de las líneas 11-12 no cuadra: debe 60.00, haber 0.00"};
    QTest::newRow("desglose de una línea no nulo") << plantar(10, 100, "+0000000000.01")
        << QStringList{"línea 10, columna 100: el asiento de la línea 10 no cuadra: debe 0.01, haber 0.00"};
    QTest::newRow("signo cambiado") << plantar(16, 100, "+")
        << QStringList{"línea 17, columna 100: el asiento de las líneas 13-17 no cuadra: debe 60.00, haber 70.00"};

    // The invoice entries are not balanced: a header that differs from its
    // bands is information only.
    QTest::newRow("factura distinta de sus bandas") << plantar(2, 100, "+0000000070.00") << QStringList{};
}

void TestVerificador::faltaPlantada()
{
    QFETCH(QList<QByteArray>, lineas);
    QFETCH(QStringList, esperado);
    const Informe informe = verificador::verificar(fichero(lineas));
    QCOMPARE(problemas(informe), esperado);
    QCOMPARE(verificador::estado_salida(informe), esperado.isEmpty() ? 0 : 1);
}

void TestVerificador::finesDeLinea()
{
    // LF alone: each line is reported where its CR is missing, nothing else.
    const Informe soloLf = verificador::verificar(fichero(lineasValidas(), "\n"));
    QStringList esperado;
    for (int i = 1; i <= 19; ++i)
        esperado << QStringLiteral("línea %1, columna 255: la línea termina en LF sin CR").arg(i);
    QCOMPARE(problemas(soloLf), esperado);
    QCOMPARE(soloLf.resumen.apuntes, 13);
    QCOMPARE(soloLf.resumen.debe, 24000);

    // The last line without CR LF, or with CR alone.
    QByteArray f = fichero(lineasValidas());
    f.chop(2);
    QCOMPARE(problemas(verificador::verificar(f)),
             QStringList{"línea 19, columna 255: la última línea no termina en CR LF"});
    f += '\r';
    QCOMPARE(problemas(verificador::verificar(f)),
             QStringList{"línea 19, columna 255: la última línea termina en CR sin LF"});

    // A line with one byte too many, in the middle of an entry: the line is
    // reported and its entry is not judged again.
    QList<QByteArray> larga = lineasValidas();
    larga[13].insert(40, "x");
    QCOMPARE(problemas(verificador::verificar(fichero(larga))),
             QStringList{"línea 14, columna 255: la línea tiene 255 bytes en lugar de 254"});
}

void TestVerificador::ultimaLineaCortada()
{
    QByteArray f = fichero(lineasValidas());
    f.chop(2 + 154);  // the last line keeps its first 100 bytes
    const Informe informe = verificador::verificar(f);
    QCOMPARE(problemas(informe),
             QStringList{"línea 19, columna 101: la línea tiene 100 bytes en lugar de 254 y no termina en CR LF"});
    QCOMPARE(informe.resumen.lineas, 19);
    QCOMPARE(informe.resumen.apuntes, 12);

    // Cut inside the CR LF of the last line.
    QByteArray g = fichero(lineasValidas());
    g.chop(1);
    QCOMPARE(problemas(verificador::verificar(g)),
             QStringList{"línea 19, columna 255: la última línea termina en CR sin LF"});
}

void TestVerificador::ficheroEnUtf8()
{
    // The valid file saved as UTF-8: the lines with accents are reported at
    // the column of their first accented letter, and only once each.
    const QByteArray utf8 = QString::fromLatin1(fichero(lineasValidas())).toUtf8();
    const Informe informe = verificador::verificar(utf8);
    const QString texto = QStringLiteral("texto en UTF-8 («ñ»): el fichero debe estar en Windows-1252");
    QCOMPARE(problemas(informe), (QStringList{QStringLiteral("línea 1, columna 30: ") + texto,
                                              QStringLiteral("línea 2, columna 30: ") + texto}));
    QCOMPARE(informe.resumen.cuentas, 1);
    QCOMPARE(informe.resumen.total_facturas, 16910);

    // A character Windows-1252 lacks is still located by characters.
    QList<QByteArray> l = lineasValidas();
    l[10].replace(27, 4, QStringLiteral("Łódź").toUtf8());
    QCOMPARE(problemas(verificador::verificar(fichero(l))),
             QStringList{QStringLiteral("línea 11, columna 28: texto en UTF-8 («Ł»): el fichero debe estar en "
                                        "Windows-1252")});

    // Windows-1252 accents are no UTF-8 (line 1 has "ñ" and "é" as single
    // bytes). A UTF-8 line padded to 254 bytes is reported and its fields are
    // read where they are.
    QList<QByteArray> m = lineasValidas();
    m[10].replace(27, 2, QByteArray("\xC3\xB1"));
    QCOMPARE(problemas(verificador::verificar(fichero(m))),
             QStringList{QStringLiteral("línea 11, columna 28: texto en UTF-8 («ñ»): el fichero debe estar en "
                                        "Windows-1252")});

    // A UTF-8 line whose characters do not add up to 254.
    QList<QByteArray> n = lineasValidas();
    n[1] = QString::fromLatin1(n[1]).toUtf8();
    n[1].chop(1);
    QCOMPARE(problemas(verificador::verificar(fichero(n))),
             (QStringList{QStringLiteral("línea 2, columna 30: ") + texto,
                          QStringLiteral("línea 2, columna 254: la línea tiene 253 caracteres en lugar de 254")}));
}

void TestVerificador::lineaVaciaEnMedio()
{
    QList<QByteArray> l = lineasValidas();
    l.insert(5, QByteArray());
    QCOMPARE(problemas(verificador::verificar(fichero(l))),
             QStringList{"línea 6, columna 1: la línea tiene 0 bytes en lugar de 254"});
}

void TestVerificador::ficheroVacio()
{
    const Informe informe = verificador::verificar(QByteArray());
    QCOMPARE(problemas(informe), QStringList());
    QCOMPARE(informe.resumen.lineas, 0);
    QVERIFY(verificador::texto_informe(informe, "x").contains("\nFechas: ninguna\n"));
}

void TestVerificador::unaLineaIAislada()
{
    // A day's cash entry with a single written line carries "I" alone: it is
    // a complete entry, judged by its balance only.
    QList<QByteArray> l = lineasValidas();
    l.append(apunte("20260309", "57000001", "CONTADO", 'D', "", 'I', "Cobros Dia CONTADO", "+0000000000.00"));
    l.append(apunte("20260310", "57000001", "CONTADO", 'D', "", 'I', "Cobros Dia CONTADO", "+0000000005.00"));
    const Informe informe = verificador::verificar(fichero(l));
    QCOMPARE(problemas(informe),
             QStringList{"línea 21, columna 100: el asiento de la línea 21 no cuadra: debe 5.00, haber 0.00"});
    QCOMPARE(informe.resumen.asientos, 7);
}

void TestVerificador::importesExtremosNoDesbordan()
{
    QList<QByteArray> l;
    for (int i = 0; i < 4; ++i) {
        l.append(apunte("20260301", "57000001", "", 'D', "", 'I', "x", "-9999999999.99"));
        l.append(apunte("20260301", "43000001", "", 'H', "", 'U', "x", "-9999999999.99"));
    }
    const Informe informe = verificador::verificar(fichero(l));
    QCOMPARE(problemas(informe), QStringList());
    QCOMPARE(informe.resumen.debe, -3999999999996LL);
    QCOMPARE(verificador::texto_centimos(informe.resumen.debe), QStringLiteral("-39999999999.96"));
    QCOMPARE(verificador::texto_centimos(-5), QStringLiteral("-0.05"));
}

void TestVerificador::registrosDeLosConstructores()
{
    // What the record builders make passes the checker, including what the
    // checker must accept by design: a "0" line without description or
    // document, and a breakdown made of its closing line alone.
    using namespace registros;
    const QString emp = "00001";
    QStringList l;
    l << registro_cuenta({emp, "20130101", "430000123", QStringLiteral("Núñez Ibáñez, José María"), "12345678Z",
                          QStringLiteral("Avda. de la Constitución 1"), QStringLiteral("Cádiz"), "11001",
                          QStringLiteral("Cádiz")});
    l << registro_cabecera_factura({emp, "20130105", "430000123", QStringLiteral("Núñez Ibáñez, José María"), "10",
                                    "Nuestra Factura N.10", 57.20});
    l << registro_linea_iva({emp, "20130105", "705999999", "VENTAS HOTEL", "10", "M", "Nuestra Factura N.10", 40.0,
                             10.0, 4.0});
    l << registro_linea_iva({emp, "20130105", "705999999", "VENTAS HOTEL", "10", "U", "Nuestra Factura N.10", 12.0,
                             10.0, 1.2});
    l << registro_apunte({emp, "20130105", "705999999", "VENTAS HOTEL", "D", "10", "U", "Desglose N/Factura", 0.0});
    l << registro_apunte({emp, "20130106", "561000000", "", "D", "", "I", "Dep.Descontado Factura 10", 20.0});
    l << registro_apunte({emp, "20130106", "430000123", "", "H", "", "U", "Dep.Descontado Factura 10", 20.0});
    l << registro_apunte({emp, "20130107", "570000001", "Contado", "D", "", "I", "Cobros Dia Contado", -0.004});
    l << registro_apunte({emp, "20130107", "430000123", "", "H", "10", "U", "Cobros N/Factura N. 10", -0.001});
    QByteArray f;
    for (const QString& linea : l)
        f += platform::toCp1252(linea) + "\r\n";
    const Informe informe = verificador::verificar(f);
    QCOMPARE(problemas(informe), QStringList());
    QCOMPARE(informe.resumen.facturas, 1);
    QCOMPARE(informe.resumen.asientos, 3);
    QCOMPARE(informe.resumen.debe, 2000);
}

namespace {

struct Salida {
    int estado = 0;
    QString out;
    QString err;
};

Salida ejecutar(const QStringList& args)
{
    Salida s;
    QTextStream out(&s.out);
    QTextStream err(&s.err);
    s.estado = comando_verificar(args, out, err);
    return s;
}

QString escribir(const QTemporaryDir& dir, const QByteArray& contenido)
{
    const QString ruta = dir.filePath("SUENLACE.DAT");
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenido) != contenido.size())
        return QString();
    return ruta;
}

} // namespace

void TestVerificador::comandoConFicheroValido()
{
    QTemporaryDir dir;
    const QString ruta = escribir(dir, fichero(lineasValidas()));
    QVERIFY(!ruta.isEmpty());
    exigirFicheroValido(ruta);
    QVERIFY(!QTest::currentTestFailed());

    const Salida s = ejecutar({ruta});
    QCOMPARE(s.estado, 0);
    QCOMPARE(s.err, QString());
    const QStringList lineas = s.out.split(u'\n');
    QCOMPARE(lineas.first(), "Fichero: " + ruta);
    QCOMPARE(lineas.at(2), "Registros: 1 cuentas (C), 2 facturas (1), 3 líneas de IVA (9), 13 apuntes (0)");
    QCOMPARE(lineas.at(lineas.size() - 2), "Sin problemas.");
}

void TestVerificador::comandoConProblemas()
{
    QTemporaryDir dir;
    const QString ruta = escribir(dir, fichero(plantar(12, 69, "M")) + "4000");
    QVERIFY(!ruta.isEmpty());
    const Salida s = ejecutar({ruta});
    QCOMPARE(s.estado, 1);
    QCOMPARE(s.err, QString());
    QVERIFY(s.out.endsWith("Problemas: 2\n"
                           "línea 12, columna 69: el asiento no termina con «U»\n"
                           "línea 20, columna 5: la línea tiene 4 bytes en lugar de 254 y no termina en CR LF\n"));
}

void TestVerificador::comandoSinFicheroLegible()
{
    QTemporaryDir dir;
    const QString falta = dir.filePath("SUENLACE.DAT");
    Salida s = ejecutar({falta});
    QCOMPARE(s.estado, 2);
    QCOMPARE(s.out, QString());
    QCOMPARE(s.err, "No se puede leer el fichero " + falta + ": no existe\n");

    s = ejecutar({dir.path()});
    QCOMPARE(s.estado, 2);
    QCOMPARE(s.err, "No se puede leer el fichero " + dir.path() + ": es una carpeta\n");

    for (const QStringList& args : {QStringList{}, QStringList{falta, falta}, QStringList{QString()}}) {
        s = ejecutar(args);
        QCOMPARE(s.estado, 2);
        QCOMPARE(s.out, QString());
        QCOMPARE(s.err, QStringLiteral("Uso: enlace3 verificar FICHERO\n"));
    }
}

QTEST_GUILESS_MAIN(TestVerificador)
#include "test_verificador.moc"
