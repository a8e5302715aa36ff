// The SUENLACE.DAT checker: faults planted one at a time in a valid file
// written out here field by field, each found at its line and column and
// nothing else reported; line ends and encodings; the summary.

#include "support/fixtures.h"
#include "transfer/records/verificador.h"

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

QByteArray cuenta(const QByteArray& fecha, const QString& cta, const QString& nombre, const QString& nif, const QString& direccion,
                  const QString& localidad, const QString& cp, const QString& provincia)
{
    return "4" + kEmpresa + fecha + "C" + pad(cta, 12) + pad(nombre, 30) + "S" + "+0000000000.00" + blancos(5) + pad(nif, 14) + "CL"
        + pad(direccion, 30) + blancos(11) + pad(localidad, 20) + pad(cp, 5) + pad(provincia, 15) + "011" + blancos(75) + "EN";
}

QByteArray apunte(const QByteArray& fecha, const QString& cta, const QString& descripcion, char lado, const QString& documento,
                  char posicion, const QString& concepto, const QByteArray& importe)
{
    return "4" + kEmpresa + fecha + "0" + pad(cta, 12) + pad(descripcion, 30) + lado + pad(documento, 10) + posicion
        + pad(concepto, 30) + importe + blancos(139) + "EN";
}

QByteArray factura(const QByteArray& fecha, const QString& cta, const QString& nombre, const QString& documento, const QByteArray& total)
{
    return "4" + kEmpresa + fecha + "1" + pad(cta, 12) + pad(nombre, 30) + "1" + pad(documento, 10) + "I"
        + pad("Nuestra Factura N." + documento, 30) + total + blancos(139) + "EN";
}

QByteArray iva(const QByteArray& fecha, const QString& documento, char posicion, const QByteArray& base, const QByteArray& tipo,
               const QByteArray& cuota)
{
    return "4" + kEmpresa + fecha + "9" + pad("70000000", 12) + pad("VENTAS HOTEL", 30) + "C" + pad(documento, 10) + posicion
        + pad("Nuestra Factura N." + documento, 30) + "01" + base + tipo + cuota + "00.00+0000000000.0000.00+0000000000.0001S"
        + blancos(77) + "EN";
}

// Every record kind and entry form the link writes: an account; an invoice
// with two bands and its breakdown (tax line, a sales line, closing line); an
// invoice with only band 0 and a breakdown of its closing line alone; a
// deposit; a cash day (two methods, three collections, one negative); a
// credit.
QList<QByteArray> lineasValidas()
{
    const QString muñoz = QStringLiteral("Muñoz Pérez, Ana"), dep = QStringLiteral("Dep.Descontado Factura 10"),
                  cre = QStringLiteral("Cobro Credito Factura88");
    return {
        cuenta("20260301", "43000001", muñoz, "12345678Z", "Mayor 1", QStringLiteral("Málaga"), "29001", QStringLiteral("Málaga")),
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
QList<QByteArray> cambiar(QList<QByteArray> l, int linea, int columna, const QByteArray& bytes)
{
    l[linea - 1].replace(columna - 1, bytes.size(), bytes);
    return l;
}

QList<QByteArray> plantar(int linea, int columna, const QByteArray& bytes) { return cambiar(lineasValidas(), linea, columna, bytes); }

// The valid file followed by a copy of its lines `desde`-`hasta`, each copied
// line changed at `columna` by `bytes`.
QList<QByteArray> repetir(int desde, int hasta, int columna = 1, const QByteArray& bytes = "4")
{
    QList<QByteArray> l = lineasValidas();
    for (int i = desde; i <= hasta; ++i)
        l.append(QByteArray(l[i - 1]).replace(columna - 1, bytes.size(), bytes));
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

void fila(const char* nombre, const QByteArray& contenido, const QStringList& esperado) { QTest::newRow(nombre) << contenido << esperado; }
void fila(const char* nombre, const QList<QByteArray>& lineas, const QStringList& esperado) { fila(nombre, fichero(lineas), esperado); }

// The valid file with its last `bytes` bytes cut.
QByteArray cortado(int bytes) { return fichero(lineasValidas()).chopped(bytes); }
QByteArray enUtf8(const QByteArray& cp1252) { return QString::fromLatin1(cp1252).toUtf8(); }
QString en(int linea, int columna, const QString& texto) { return QStringLiteral("línea %1, columna %2: ").arg(linea).arg(columna) + texto; }

// A value planted in its field and the one problem line that must name it.
void valorMalo(const char* nombre, int l, int c, const QByteArray& valor, const QString& texto)
{
    fila(nombre, plantar(l, c, valor), {en(l, c, texto.arg(QString::fromLatin1(valor)))});
}

void importeMalo(const char* nombre, int l, int c, const QString& campo, const QByteArray& valor)
{
    valorMalo(nombre, l, c, valor, campo + QStringLiteral(" «%1» no válido: debe tener la forma +0000000000.00 o -0000000000.00"));
}

QStringList fijo(int l, int c, const QString& campo, const QString& debe, const QString& es)
{
    return {en(l, c, QStringLiteral("el campo fijo de %1 debe ser «%2» y es «%3»").arg(campo, debe, es))};
}

QStringList blanco(int l, int desde, int hasta, int c, const QString& hay)
{
    return {en(l, c, QStringLiteral("las columnas %1-%2 deben estar en blanco y la columna %3 tiene «%4»").arg(desde).arg(hasta).arg(c).arg(hay))};
}

} // namespace

class TestVerificador : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void elFicheroValidoNoTieneProblemas()
    {
        const Informe informe = verificador::verificar(fichero(lineasValidas()));
        QCOMPARE(verificador::estado_salida(informe), 0);
        QCOMPARE(verificador::texto_informe(informe, "SUENLACE.DAT").split(u'\n'),
                 (QStringList{"Fichero: SUENLACE.DAT", "Líneas: 19",
                              "Registros: 1 cuentas (C), 2 facturas (1), 3 líneas de IVA (9), 13 apuntes (0)", "Asientos: 5",
                              "Fechas: del 01-03-2026 al 08-03-2026", "Apuntes: debe 240.00, haber 240.00",
                              "Facturas: total 169.10, bases 62.00, cuotas de IVA 7.10",
                              "Diferencia entre facturas y sus líneas de IVA (información): 100.00 en 1 facturas", "Sin problemas.", ""}));
    }

    void faltaPlantada_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("esperado");

        // Head of every record.
        valorMalo("marca de formato", 1, 1, "5", "marca de formato «%1» desconocida: debe ser «4»");
        valorMalo("empresa no numérica", 8, 2, "0000A", QStringLiteral("código de empresa «%1» no válido: deben ser cinco dígitos"));
        const QString fecha = QStringLiteral("fecha «%1» no válida: debe ser una fecha aaaammdd");
        valorMalo("29 de febrero no bisiesto", 1, 7, "21000229", fecha);
        fila("29 de febrero bisiesto", plantar(1, 7, "20280229"), {});
        valorMalo("fecha dd-mm-aa", 1, 7, "05-03-26", fecha);
        valorMalo("mes 13", 1, 7, "20261301", fecha);
        valorMalo("mes 00", 1, 7, "20260001", fecha);
        valorMalo("día 00", 1, 7, "20260300", fecha);
        valorMalo("año 0000", 1, 7, "00000301", fecha);
        valorMalo("31 de abril", 1, 7, "20260431", fecha);
        valorMalo("tipo desconocido", 11, 15, "2", QStringLiteral("tipo de registro «%1» desconocido: debe ser «C», «0», «1» o «9»"));

        // Amounts and rates, each named as the user knows it.
        importeMalo("importe con letra", 12, 100, "importe", "+00000000A0.00");
        importeMalo("total de factura", 2, 100, "total de factura", "+69.1         ");
        importeMalo("base imponible", 3, 102, "base imponible", " 0000000050.00");
        importeMalo("cuota de IVA", 4, 121, "cuota de IVA", "+0000000002.1 ");
        valorMalo("tipo de IVA", 4, 116, "21,00", QStringLiteral("tipo de IVA «%1» no válido: debe tener la forma 00.00"));

        // Literal fields of each record kind, at their first differing column.
        fila("C: S", plantar(1, 58, "N"), fijo(1, 58, "la columna 58", "S", "N"));
        fila("C: hueco tras el importe", plantar(1, 75, "x"), blanco(1, 73, 77, 75, "x"));
        fila("C: 011", plantar(1, 175, "001"), fijo(1, 176, "las columnas 175-177", "011", "001"));
        fila("1: clase", plantar(8, 58, "2"), fijo(8, 58, "la columna 58", "1", "2"));
        fila("1: cola en blanco", plantar(2, 114, "0"), blanco(2, 114, 252, 114, "0"));
        fila("9: 00.00 en 135", plantar(4, 135, "10.00"), fijo(4, 135, "las columnas 135-139", "00.00", "10.00"));
        fila("0: cola en blanco", plantar(15, 114, "+"), blanco(15, 114, 252, 114, "+"));
        fila("C: última columna del hueco", plantar(1, 77, "x"), blanco(1, 73, 77, 77, "x"));
        fila("0: última columna de la cola", plantar(15, 252, "+"), blanco(15, 114, 252, 252, "+"));
        fila("0: N", plantar(19, 254, "E"), fijo(19, 254, "la columna 254", "N", "E"));

        // Values of the entry lines.
        const QString vacia = QStringLiteral("la cuenta (columnas 16-27) está vacía");
        fila("cuenta vacía en un apunte", plantar(12, 16, blancos(12)), {en(12, 16, vacia)});
        valorMalo("lado", 16, 58, "X", "lado «%1» no válido: debe ser «D» o «H»");
        valorMalo("posición desconocida", 14, 69, "Z", "posición de línea «%1» no válida: debe ser «I», «M» o «U»");
        fila("tabulador en un nombre", plantar(1, 31, "\t"), {en(1, 31, "carácter de control 0x09 en un campo de texto")});

        // Entry structure.
        const QString sinI = QStringLiteral("el asiento no empieza con «I»"), sinU = QStringLiteral("el asiento no termina con «U»");
        fila("asiento que empieza con M", plantar(11, 69, "M"), {en(11, 69, sinI)});
        fila("asiento sin U seguido de otro", plantar(12, 69, "M"), {en(12, 69, sinU)});
        fila("último asiento sin U", plantar(19, 69, "M"), {en(19, 69, sinU)});
        fila("línea U sin su I", quitar(11), {en(11, 69, sinI)});
        fila("factura que no empieza con I", plantar(2, 69, "M"), {en(2, 69, "la factura no empieza con «I»: la columna 69 tiene «M»")});
        fila("línea de IVA con I", plantar(3, 69, "I"),
             {en(3, 69, "posición de línea «I» no válida en una línea de IVA: debe ser «M» o «U»")});
        fila("factura sin U antes de su desglose", plantar(4, 69, "M"), {en(4, 69, sinU)});
        fila("factura sin líneas de IVA", quitar(9), {en(8, 69, "la factura no tiene líneas de IVA: " + sinU)});
        const QString sinCabecera = QStringLiteral("la línea de IVA no sigue a una cabecera de factura «1»");
        fila("líneas de IVA sin cabecera", quitar(2), {en(2, 15, sinCabecera)});
        fila("línea de IVA de otra factura", plantar(4, 59, "7"),
             {en(4, 59, "la línea de IVA no sigue a su cabecera: documento «7         » y el de la factura de la línea 2 es «9         »")});
        fila("línea de IVA de otra fecha", plantar(9, 7, "20260304"),
             {en(9, 7, "la línea de IVA no sigue a su cabecera: fecha «20260304» y la de la factura de la línea 8 es «20260305»")});
        QList<QByteArray> repetida = lineasValidas();
        repetida.insert(4, repetida[3]);
        fila("línea de IVA tras el cierre", repetida, {en(5, 15, sinCabecera)});
        fila("desglose de una línea de otra factura", plantar(10, 59, "11"), {en(10, 69, sinI)});

        // Balance of the journal entries, in cents; the invoice entries are not
        // balanced: a header that differs from its bands is information only.
        fila("cobros descuadrados un céntimo", plantar(15, 100, "+0000000025.01"),
             {en(17, 100, "el asiento de las líneas 13-17 no cuadra: debe 60.00, haber 60.01")});
        fila("depósito en el mismo lado", plantar(12, 58, "D"), {en(12, 100, "el asiento de las líneas 11-12 no cuadra: debe 60.00, haber 0.00")});
        fila("desglose de una línea no nulo", plantar(10, 100, "+0000000000.01"),
             {en(10, 100, "el asiento de la línea 10 no cuadra: debe 0.01, haber 0.00")});
        fila("factura distinta de sus bandas", plantar(2, 100, "+0000000070.00"), {});

        // Line ends and lengths. LF alone: each line is reported where its CR is missing, nothing else.
        QStringList soloLf;
        for (int i = 1; i <= 19; ++i)
            soloLf << en(i, 255, "la línea termina en LF sin CR");
        fila("solo LF", fichero(lineasValidas(), "\n"), soloLf);
        fila("última línea sin CR LF", cortado(2), {en(19, 255, "la última línea no termina en CR LF")});
        fila("última línea con CR sin LF", cortado(1), {en(19, 255, "la última línea termina en CR sin LF")});
        fila("última línea cortada", cortado(2 + 154), {en(19, 101, "la línea tiene 100 bytes en lugar de 254 y no termina en CR LF")});
        // One byte too many in the middle of an entry: the line is reported and its entry is not judged again.
        QList<QByteArray> larga = lineasValidas();
        larga[13].insert(40, "x");
        fila("línea de 255 bytes", larga, {en(14, 255, "la línea tiene 255 bytes en lugar de 254")});
        fila("fichero vacío", QByteArray(), {"El fichero está vacío: no tiene ningún registro"});
        // A line without end stops the reading there, whatever follows.
        fila("línea sin fin", fichero(lineasValidas()) + QByteArray(3 << 20, '\0') + fichero(lineasValidas()),
             {en(20, 255, "la línea tiene más de 1048576 bytes sin fin de línea: no es un fichero de registros y se deja de leer")});
        QStringList mil;
        for (int i = 1; i <= 1000; ++i)
            mil << en(i, 1, "la línea tiene 0 bytes en lugar de 254");
        mil << en(1000, 1, "hay 1000 problemas o más: se deja de leer el fichero tras esta línea");
        fila("mil problemas", QByteArray(3000, '\n').replace("\n", "\r\n"), mil);

        // Documents sent twice: what identifies each, not equal lines. The copy starts at line 20.
        fila("cuenta repetida con otro nombre", cambiar(repetir(1, 1), 20, 28, "Otro nombre"),
             {en(20, 16, "la cuenta «43000001» está repetida: aparece en las líneas 1 y 20")});
        fila("la misma cuenta en otra empresa", repetir(1, 1, 2, "00002"), {});
        fila("factura repetida con otro total", cambiar(repetir(8, 10), 20, 100, "+0000000200.00"),
             {en(20, 59, "la factura «10» del 05-03-2026 está repetida: aparece en las líneas 8 y 20")});
        fila("el mismo número otro año", repetir(8, 10, 7, "20270305"), {});
        fila("depósito repetido", repetir(11, 12),
             {en(20, 70, "el depósito de la factura «10» del 06-03-2026 está repetido: aparece en las líneas 11 y 20")});
        fila("depósito de otra factura el mismo día", repetir(11, 12, 93, "11"), {});
        const QString caja = QStringLiteral("los cobros de caja del día 07-03-2026 están repetidos: aparecen en las líneas 13 y 20");
        fila("día de caja repetido", repetir(13, 17), {en(20, 7, caja)});
        // A day whose payment totals are all zero opens on its first collection.
        fila("día de caja repetido sin totales", cambiar(repetir(15, 17), 20, 69, "I"),
             {en(20, 7, caja), en(22, 100, "el asiento de las líneas 20-22 no cuadra: debe 0.00, haber 60.00")});
        fila("caja de otro día", repetir(13, 17, 7, "20260309"), {});
        fila("crédito repetido", repetir(18, 19),
             {en(20, 59, "el cobro a crédito de la factura «88» del 08-03-2026 está repetido: aparece en las líneas 18 y 20")});
        fila("crédito de otra factura el mismo día", repetir(18, 19, 59, "89"), {});

        // UTF-8: each line reported once, at its first accented letter (by characters).
        const QString utf8 = QStringLiteral("texto en UTF-8 («%1»): el fichero debe estar en Windows-1252");
        fila("fichero en UTF-8", enUtf8(fichero(lineasValidas())), {en(1, 30, utf8.arg("ñ")), en(2, 30, utf8.arg("ñ"))});
        QList<QByteArray> l = lineasValidas();
        l[10].replace(27, 4, QStringLiteral("Łódź").toUtf8());
        fila("letra que no está en Windows-1252", l, {en(11, 28, utf8.arg("Ł"))});
        fila("letra de dos bytes que empieza por C2", plantar(11, 28, QStringLiteral("¢").toUtf8() + "  "),
             {en(11, 28, utf8.arg("¢"))});
        // Á and three € in Windows-1252 are no UTF-8 character: C1 starts none.
        fila("Windows-1252 que parece UTF-8 de cuatro bytes", plantar(11, 28, "\xC1\x80\x80\x80"), {});
    }

    void faltaPlantada()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, esperado);
        const Informe informe = verificador::verificar(contenido);
        QCOMPARE(problemas(informe), esperado);
        QCOMPARE(verificador::estado_salida(informe), esperado.isEmpty() ? 0 : 1);
    }

    void resumenDeFicherosMalFormados()
    {
        // Lines with LF alone, UTF-8 or cut are still read for the summary.
        QCOMPARE(verificador::verificar(fichero(lineasValidas(), "\n")).resumen.debe, 24000);
        QCOMPARE(verificador::verificar(enUtf8(fichero(lineasValidas()))).resumen.total_facturas, 16910);
        QCOMPARE(verificador::verificar(cortado(2 + 154)).resumen.apuntes, 12);
        QVERIFY(verificador::texto_informe(verificador::verificar(QByteArray()), "x").contains("\nFechas: ninguna\n"));
    }

    void unaLineaIAisladaEImportesExtremos()
    {
        // A day's cash entry with a single written line carries "I" alone: it is
        // a complete entry, judged by its balance only.
        QList<QByteArray> l = lineasValidas();
        l.append(apunte("20260309", "57000001", "CONTADO", 'D', "", 'I', "Cobros Dia CONTADO", "+0000000000.00"));
        l.append(apunte("20260310", "57000001", "CONTADO", 'D', "", 'I', "Cobros Dia CONTADO", "+0000000005.00"));
        const Informe informe = verificador::verificar(fichero(l));
        QCOMPARE(problemas(informe), QStringList{"línea 21, columna 100: el asiento de la línea 21 no cuadra: debe 5.00, haber 0.00"});
        QCOMPARE(informe.resumen.asientos, 7);
        // Extreme amounts add up without overflow.
        l.clear();
        for (int i = 0; i < 4; ++i)
            l << apunte("20260301", "57000001", "", 'D', "", 'I', "x", "-9999999999.99") << apunte("20260301", "43000001", "", 'H', "", 'U', "x", "-9999999999.99");
        const Informe extremos = verificador::verificar(fichero(l));
        QCOMPARE(problemas(extremos), QStringList());
        QCOMPARE(verificador::texto_centimos(extremos.resumen.debe), QStringLiteral("-39999999999.96"));
        QCOMPARE(verificador::texto_centimos(-5), QStringLiteral("-0.05"));
    }

    void comando()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath("SUENLACE.DAT");
        const auto escribir = [&](const QByteArray& contenido) {
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contenido) == contenido.size());
        };
        const auto ejecutar = [](const QStringList& args) { return fixture::lote(QString(), QStringLiteral("verificar"), args); };
        escribir(fichero(plantar(12, 69, "M")) + "4000");
        fixture::Salida s = ejecutar({ruta});
        QCOMPARE(s.estado, 1);
        QVERIFY(s.out.endsWith("Problemas: 2\nlínea 12, columna 69: el asiento no termina con «U»\n"
                               "línea 20, columna 5: la línea tiene 4 bytes en lugar de 254 y no termina en CR LF\n"));

        // A file is read in pieces with the same result as its bytes at once; a line
        // too long to be a record is measured, not kept.
        const QByteArray grande = QByteArray((1 << 20) - 102, 'x') + "\r\n" + fichero(repetir(11, 19));
        escribir(grande);
        const auto leido = verificador::verificar_fichero(ruta);
        QVERIFY(leido);
        QCOMPARE(problemas(*leido), problemas(verificador::verificar(grande)));
        QCOMPARE(problemas(*leido).mid(0, 1), QStringList{en(1, 255, "la línea tiene 1048474 bytes en lugar de 254")});

        // Nothing readable: status 2, the reason on the error output.
        const QString falta = dir.filePath("NADA.DAT");
        s = ejecutar({falta});
        QCOMPARE(QString::number(s.estado) + s.out + s.err, "2No se puede leer el fichero " + falta + ": no existe\n");
        s = ejecutar({dir.path()});
        QCOMPARE(QString::number(s.estado) + s.err, "2No se puede leer el fichero " + dir.path() + ": es una carpeta\n");
        for (const QStringList& args : {QStringList{}, QStringList{falta, falta}, QStringList{QString()}}) {
            s = ejecutar(args);
            QCOMPARE(QString::number(s.estado) + s.out + s.err, QStringLiteral("2Uso: enlace3 verificar FICHERO\n"));
        }
    }
};

QTEST_GUILESS_MAIN(TestVerificador)
#include "test_verificador.moc"
