// The SUENLACE.DAT lines as A3Con reads them: every expected line below is
// written out field by field from the record layouts, never produced by the
// code under test.

#include "platform/cp1252.h"
#include "transfer/records/registros.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

using namespace registros;

namespace {

QString sp(int n) { return QString(n, QLatin1Char(' ')); }

// Runs `construir` and returns the refusal it must raise.
struct Rechazo {
    bool lanzado = false;
    QString campo, valor, explicacion;
};

Rechazo rechazo_de(const std::function<void()>& construir)
{
    Rechazo r;
    try {
        construir();
    } catch (const RegistroRechazado& e) {
        r.lanzado = true;
        r.campo = e.campo;
        r.valor = e.valor;
        r.explicacion = e.explicacion();
    }
    return r;
}

RegistroCuenta cuenta_valida()
{
    return {"00001", "20130101", "430000123", "GARCIA LOPEZ JUAN", "12345678Z", "MAYOR 1", "PALMA", "07001",
            "BALEARES"};
}

Apunte apunte_valido()
{
    return {"00001", "20130215", "570000001", "CONTADO", "D", "F1234", "I", "Cobros Dia CONTADO", 120.5};
}

CabeceraFactura cabecera_valida()
{
    return {"00001", "20130215", "43011301", "HOTELES REUNIDOS SA", "000123", "N/Factura 000123", 1100};
}

LineaIva iva_valida()
{
    return {"00001", "20130215", "700000000", "VENTAS", "000123", "U", "N/Factura 000123", 1000, 10, 100};
}

// A whole line, and the record length every line must have.
void comparar_linea(const QString& linea, const QString& esperado)
{
    QCOMPARE(linea, esperado);
    QCOMPARE(linea.size(), 254);
}

} // namespace

class TestRegistros : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registro_de_cuenta_con_nombre_corto()
    {
        // account 12, name 30, tax id 14, address 30, town 20, postcode 5, province 15
        const QString esperado = QStringLiteral("4") + "00001" + "20130101" + "C" + "430000123   "
            + "GARCIA LOPEZ JUAN             " + "S" + "+0000000000.00" + " " + "    " + "12345678Z     " + "CL"
            + "MAYOR 1                       " + sp(11) + "PALMA               " + "07001" + "BALEARES       "
            + "011" + sp(58) + sp(17) + "EN";
        comparar_linea(registro_cuenta(cuenta_valida()), esperado);
    }

    void linea_de_apunte_con_documento()
    {
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "0" + "570000001   "
            + "CONTADO                       " + "D" + "F1234     " + "I" + "Cobros Dia CONTADO            "
            + "+0000000120.50" + sp(139) + "E" + "N";
        comparar_linea(registro_apunte(apunte_valido()), esperado);
    }

    void linea_de_apunte_sin_documento_ni_descripcion()
    {
        Apunte a = apunte_valido();
        a.cuenta = "430999999";
        a.descripcion.clear();
        a.documento.clear();
        a.lado = "H";
        a.posicion = "U";
        a.concepto = "Dep.Descontado Factura 000123";
        a.importe = -87.456;
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "0" + "430999999   " + sp(30) + "H"
            + sp(10) + "U" + "Dep.Descontado Factura 000123 " + "-0000000087.46" + sp(139) + "E" + "N";
        comparar_linea(registro_apunte(a), esperado);
    }

    void cabecera_de_factura()
    {
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "1" + "43011301    "
            + "HOTELES REUNIDOS SA           " + "1" + "000123    " + "I" + "N/Factura 000123              "
            + "+0000001100.00" + sp(139) + "E" + "N";
        comparar_linea(registro_cabecera_factura(cabecera_valida()), esperado);
    }

    void linea_de_iva_al_diez_por_ciento()
    {
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "9" + "700000000   "
            + "VENTAS                        " + "C" + "000123    " + "U" + "N/Factura 000123              " + "01"
            + "+0000001000.00" + "10.00" + "+0000000100.00" + "00.00" + "+0000000000.00" + "00.00"
            + "+0000000000.00" + "01" + "S" + sp(77) + "E" + "N";
        comparar_linea(registro_linea_iva(iva_valida()), esperado);
    }

    void linea_de_iva_exenta()
    {
        LineaIva l = iva_valida();
        l.posicion = "M";
        l.base = 250.25;
        l.tipo = 0;
        l.cuota = 0;
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "9" + "700000000   "
            + "VENTAS                        " + "C" + "000123    " + "M" + "N/Factura 000123              " + "01"
            + "+0000000250.25" + "00.00" + "+0000000000.00" + "00.00" + "+0000000000.00" + "00.00"
            + "+0000000000.00" + "01" + "S" + sp(77) + "E" + "N";
        comparar_linea(registro_linea_iva(l), esperado);
    }

    void importes_con_signo()
    {
        QCOMPARE(importe(1234.5, "importe"), QStringLiteral("+0000001234.50"));
        QCOMPARE(importe(0, "importe"), QStringLiteral("+0000000000.00"));
        QCOMPARE(importe(-87.456, "importe"), QStringLiteral("-0000000087.46"));
        QCOMPARE(importe(2.675, "importe"), QStringLiteral("+0000000002.68"));
        QCOMPARE(importe(1.005, "importe"), QStringLiteral("+0000000001.01"));
        QCOMPARE(importe(-1.005, "importe"), QStringLiteral("-0000000001.01"));
        QCOMPARE(importe(-0.004, "importe"), QStringLiteral("+0000000000.00"));
        QCOMPARE(importe(-0.005, "importe"), QStringLiteral("-0000000000.01"));
        QCOMPARE(importe(0.1 + 0.2, "importe"), QStringLiteral("+0000000000.30"));
        QCOMPARE(importe(9999999999.994, "importe"), QStringLiteral("+9999999999.99"));
        QCOMPARE(importe(-9999999999.99, "importe"), QStringLiteral("-9999999999.99"));
        QCOMPARE(importe(1e-300, "importe"), QStringLiteral("+0000000000.00"));
    }

    void tantos_de_iva()
    {
        QCOMPARE(tanto(7, "tipo"), QStringLiteral("07.00"));
        QCOMPARE(tanto(5.5, "tipo"), QStringLiteral("05.50"));
        QCOMPARE(tanto(21, "tipo"), QStringLiteral("21.00"));
        QCOMPARE(tanto(0, "tipo"), QStringLiteral("00.00"));
        QCOMPARE(tanto(4.005, "tipo"), QStringLiteral("04.01"));
        QCOMPARE(tanto(-0.004, "tipo"), QStringLiteral("00.00"));
        QCOMPARE(tanto(99.994, "tipo"), QStringLiteral("99.99"));
    }

    void redondeo_sobre_el_decimal()
    {
        QCOMPARE(redondear(1.0005, 3), 1.001);
        QCOMPARE(redondear(123456.5, 0), 123457.0);
        QCOMPARE(redondear(1250, -2), 1300.0);
        QCOMPARE(redondear_par(2.665, 2), 2.66);
        QCOMPARE(redondear_par(2.675, 2), 2.68);
        QCOMPARE(redondear_par(0.5, 0), 0.0);
        QCOMPARE(redondear_par(2.6651, 2), 2.67);
        QCOMPARE(centimos(1.005), qint64(101));
        QCOMPARE(centimos(-87.456), qint64(-8746));
        QCOMPARE(centimos(0.1 + 0.7), qint64(80));
    }

    void importes_y_tantos_que_no_caben()
    {
        const struct {
            double valor;
            bool es_tanto;
        } casos[] = {
            {1e10, false},
            {9999999999.995, false},
            {-1e10, false},
            {-9999999999.995, false},
            {1e300, false},
            {std::numeric_limits<double>::quiet_NaN(), false},
            {std::numeric_limits<double>::infinity(), false},
            {100, true},
            {99.995, true},
            {-0.01, true},
            {-7, true},
            {std::numeric_limits<double>::quiet_NaN(), true},
        };
        for (const auto& c : casos) {
            const Rechazo r = rechazo_de([&] {
                if (c.es_tanto)
                    tanto(c.valor, "tipo");
                else
                    importe(c.valor, "importe");
            });
            QVERIFY2(r.lanzado, qPrintable(QString::number(c.valor, 'g', 17)));
            QCOMPARE(r.campo, c.es_tanto ? QStringLiteral("tipo") : QStringLiteral("importe"));
        }
        const Rechazo r = rechazo_de([] { importe(1e10, "total"); });
        QCOMPARE(r.explicacion,
                 QStringLiteral("campo total: «10000000000» no cabe en diez cifras enteras (el máximo es 9999999999.99)"));
        const Rechazo t = rechazo_de([] { tanto(100, "tipo"); });
        QCOMPARE(t.explicacion, QStringLiteral("campo tipo: «100» no cabe en el formato 00.00 (el máximo es 99.99)"));
        auto c = cuenta_valida();
        c.cuenta = "4300001234567";
        QCOMPARE(rechazo_de([&] { registro_cuenta(c); }).explicacion,
                 QStringLiteral("campo cuenta: «4300001234567» ocupa 13 caracteres y el campo admite 12"));
        auto a = apunte_valido();
        a.empresa = "1";
        QCOMPARE(rechazo_de([&] { registro_apunte(a); }).explicacion,
                 QStringLiteral("campo empresa: «1» el código de empresa debe tener exactamente 5 caracteres"));
    }

    void cada_campo_demasiado_largo_se_rechaza()
    {
        struct Caso {
            QString campo;
            QString valor;
            std::function<void()> construir;
        };
        const QString c13 = "4300001234567";
        const QString t31 = QString(31, 'A');
        const std::vector<Caso> casos = {
            {"empresa", "0001", [] { auto c = cuenta_valida(); c.empresa = "0001"; registro_cuenta(c); }},
            {"empresa", "000001", [] { auto a = apunte_valido(); a.empresa = "000001"; registro_apunte(a); }},
            {"empresa", "", [] { auto c = cabecera_valida(); c.empresa = ""; registro_cabecera_factura(c); }},
            {"empresa", "1", [] { auto l = iva_valida(); l.empresa = "1"; registro_linea_iva(l); }},
            {"fecha", "2013011", [] { auto c = cuenta_valida(); c.fecha = "2013011"; registro_cuenta(c); }},
            {"fecha", "201301011", [] { auto a = apunte_valido(); a.fecha = "201301011"; registro_apunte(a); }},
            {"fecha", "", [] { auto c = cabecera_valida(); c.fecha = ""; registro_cabecera_factura(c); }},
            {"fecha", "2013-01-01", [] { auto l = iva_valida(); l.fecha = "2013-01-01"; registro_linea_iva(l); }},
            {"cuenta", c13, [&] { auto c = cuenta_valida(); c.cuenta = c13; registro_cuenta(c); }},
            {"cuenta", c13, [&] { auto a = apunte_valido(); a.cuenta = c13; registro_apunte(a); }},
            {"cuenta", c13, [&] { auto c = cabecera_valida(); c.cuenta = c13; registro_cabecera_factura(c); }},
            {"cuenta", c13, [&] { auto l = iva_valida(); l.cuenta = c13; registro_linea_iva(l); }},
            {"nombre", t31, [&] { auto c = cuenta_valida(); c.nombre = t31; registro_cuenta(c); }},
            {"nombre", t31, [&] { auto c = cabecera_valida(); c.nombre = t31; registro_cabecera_factura(c); }},
            {"nif", "123456789012345", [] { auto c = cuenta_valida(); c.nif = "123456789012345"; registro_cuenta(c); }},
            {"direccion", t31, [&] { auto c = cuenta_valida(); c.direccion = t31; registro_cuenta(c); }},
            {"localidad", QString(21, 'L'), [] { auto c = cuenta_valida(); c.localidad = QString(21, 'L'); registro_cuenta(c); }},
            {"cp", "070012", [] { auto c = cuenta_valida(); c.cp = "070012"; registro_cuenta(c); }},
            {"provincia", QString(16, 'P'), [] { auto c = cuenta_valida(); c.provincia = QString(16, 'P'); registro_cuenta(c); }},
            {"descripcion", t31, [&] { auto a = apunte_valido(); a.descripcion = t31; registro_apunte(a); }},
            {"descripcion", t31, [&] { auto l = iva_valida(); l.descripcion = t31; registro_linea_iva(l); }},
            {"documento", "12345678901", [] { auto a = apunte_valido(); a.documento = "12345678901"; registro_apunte(a); }},
            {"documento", "12345678901", [] { auto c = cabecera_valida(); c.documento = "12345678901"; registro_cabecera_factura(c); }},
            {"documento", "12345678901", [] { auto l = iva_valida(); l.documento = "12345678901"; registro_linea_iva(l); }},
            {"concepto", t31, [&] { auto a = apunte_valido(); a.concepto = t31; registro_apunte(a); }},
            {"concepto", t31, [&] { auto c = cabecera_valida(); c.concepto = t31; registro_cabecera_factura(c); }},
            {"concepto", t31, [&] { auto l = iva_valida(); l.concepto = t31; registro_linea_iva(l); }},
            {"lado", "X", [] { auto a = apunte_valido(); a.lado = "X"; registro_apunte(a); }},
            {"lado", "", [] { auto a = apunte_valido(); a.lado = ""; registro_apunte(a); }},
            {"posicion", "IU", [] { auto a = apunte_valido(); a.posicion = "IU"; registro_apunte(a); }},
            {"posicion", "", [] { auto l = iva_valida(); l.posicion = ""; registro_linea_iva(l); }},
            {"importe", "10000000000", [] { auto a = apunte_valido(); a.importe = 1e10; registro_apunte(a); }},
            {"total", "-10000000000", [] { auto c = cabecera_valida(); c.total = -1e10; registro_cabecera_factura(c); }},
            {"base", "10000000000", [] { auto l = iva_valida(); l.base = 1e10; registro_linea_iva(l); }},
            {"cuota", "10000000000", [] { auto l = iva_valida(); l.cuota = 1e10; registro_linea_iva(l); }},
            {"tipo", "100", [] { auto l = iva_valida(); l.tipo = 100; registro_linea_iva(l); }},
            {"tipo", "-10", [] { auto l = iva_valida(); l.tipo = -10; registro_linea_iva(l); }},
            // What A3Con would book wrongly: codes with control characters,
            // accounts that are not digits, impossible dates, invoices without number.
            {"documento", "F\t12", [] { auto a = apunte_valido(); a.documento = "F\t12"; registro_apunte(a); }},
            {"nif", QString::fromLatin1("1\0", 2), [] { auto c = cuenta_valida(); c.nif = QString::fromLatin1("1\0", 2); registro_cuenta(c); }},
            {"cuenta", "4300\n01", [] { auto c = cuenta_valida(); c.cuenta = "4300\n01"; registro_cuenta(c); }},
            {"cuenta", "4300013-0", [] { auto a = apunte_valido(); a.cuenta = "4300013-0"; registro_apunte(a); }},
            {"cuenta", "", [] { auto c = cabecera_valida(); c.cuenta = ""; registro_cabecera_factura(c); }},
            {"fecha", "20130231", [] { auto a = apunte_valido(); a.fecha = "20130231"; registro_apunte(a); }},
            {"fecha", "2013011a", [] { auto l = iva_valida(); l.fecha = "2013011a"; registro_linea_iva(l); }},
            {"documento", " ", [] { auto c = cabecera_valida(); c.documento = " "; registro_cabecera_factura(c); }},
            {"documento", "", [] { auto l = iva_valida(); l.documento = ""; registro_linea_iva(l); }},
            {"importe", "nan", [] { auto a = apunte_valido(); a.importe = std::nan(""); registro_apunte(a); }},
        };
        for (const Caso& c : casos) {
            const Rechazo r = rechazo_de(c.construir);
            QVERIFY2(r.lanzado, qPrintable(c.campo + " " + c.valor));
            QCOMPARE(r.campo, c.campo);
            QCOMPARE(r.valor, c.valor);
        }
    }

    void campos_que_llenan_exactamente_su_anchura()
    {
        RegistroCuenta c = cuenta_valida();
        c.cuenta = "123456789012";
        c.nombre = QString(30, 'N');
        c.localidad = "VILAFRANCA DEL PENED";   // exactly 20
        const QString linea = registro_cuenta(c);
        QCOMPARE(linea.size(), 254);
        QCOMPARE(linea.mid(15, 12), QStringLiteral("123456789012"));
        QCOMPARE(linea.mid(27, 30), QString(30, 'N'));
        QCOMPARE(linea.mid(134, 20), QStringLiteral("VILAFRANCA DEL PENED"));
    }

    void textos_en_windows_1252()
    {
        // Control characters in free texts become blanks, whatever the path.
        RegistroCuenta control = cuenta_valida();
        control.nombre = QStringLiteral("Ana\tBel\r\nX\x7F");
        control.direccion = QString::fromLatin1("C/\0Mar", 6);
        const QString con_controles = registro_cuenta(control);
        QCOMPARE(con_controles.mid(27, 30), QStringLiteral("Ana Bel  X ").leftJustified(30));
        QCOMPARE(con_controles.mid(93, 30), QStringLiteral("C/ Mar").leftJustified(30));
        QCOMPARE(cortar_rellenar(QStringLiteral("Pe\u0301rez\t"), 7), QStringLiteral("Pérez  "));

        QCOMPARE(rellenar(QStringLiteral("Muñoz Pérez"), 11, "nombre"), QStringLiteral("Muñoz Pérez"));
        QCOMPARE(rellenar(QStringLiteral("Muñoz Pérez"), 14, "nombre"), QStringLiteral("Muñoz Pérez   "));
        // The same name typed with combining accents takes the same 11 bytes.
        const QString descompuesto = QStringLiteral("Mun\u0303oz Pe\u0301rez");
        QCOMPARE(rellenar(descompuesto, 11, "nombre"), QStringLiteral("Muñoz Pérez"));

        RegistroCuenta c = cuenta_valida();
        c.nombre = QStringLiteral("Muñoz Pérez");
        c.localidad = QStringLiteral("Łódź");           // Ł and ź are not in Windows-1252
        c.provincia = QStringLiteral("Sm\U0001F600le"); // one character outside the BMP
        const QString linea = registro_cuenta(c);
        const QString esperado = QStringLiteral("4") + "00001" + "20130101" + "C" + "430000123   "
            + QStringLiteral("Muñoz Pérez                   ") + "S" + "+0000000000.00" + " " + "    "
            + "12345678Z     " + "CL" + "MAYOR 1                       " + sp(11)
            + QStringLiteral("?ód?                ") + "07001" + "Sm?le          " + "011" + sp(58) + sp(17) + "EN";
        QCOMPARE(linea, esperado);
        const QByteArray bytes = platform::toCp1252(linea);
        QCOMPARE(bytes.size(), 254);
        QCOMPARE(bytes.mid(27, 11), QByteArray("Mu\xF1oz P\xE9rez"));

        // The euro sign exists in Windows-1252 and stays.
        QCOMPARE(rellenar(QStringLiteral("5€"), 3, "concepto"), QStringLiteral("5€ "));
        // An over-long accented text is measured in bytes too.
        const Rechazo r = rechazo_de([] { rellenar(QStringLiteral("Peñíscola Peñíscola Peñíscola P"), 30, "localidad"); });
        QVERIFY(r.lanzado);
    }

    void textos_ascii_y_acentuados_en_el_mismo_campo()
    {
        // A field written with combining accents takes more UTF-16 units
        // than bytes: 31 units, 30 bytes, so it fits its 30 places exactly.
        Apunte a = apunte_valido();
        a.concepto = QStringLiteral("Pe\u0301rez") + QString(25, 'A');
        a.descripcion = QString(29, 'D') + QStringLiteral("é");   // last place taken by an accented letter
        a.documento = QStringLiteral("F\t12");                     // a free text would get a blank; a code does not
        QCOMPARE(rechazo_de([&] { registro_apunte(a); }).campo, QStringLiteral("documento"));
        a.documento = QStringLiteral("F~12");
        const QString esperado = QStringLiteral("4") + "00001" + "20130215" + "0" + "570000001   "
            + QString(29, 'D') + QStringLiteral("é") + "D" + "F~12      " + "I"
            + QStringLiteral("Pérez") + QString(25, 'A') + "+0000000120.50" + sp(139) + "E" + "N";
        comparar_linea(registro_apunte(a), esperado);

        a.concepto = QStringLiteral("Pérez") + QString(26, 'A');
        const Rechazo largo = rechazo_de([&] { registro_apunte(a); });
        QCOMPARE(largo.explicacion,
                 QStringLiteral("campo concepto: «Pérez") + QString(26, 'A')
                     + QStringLiteral("» ocupa 31 caracteres y el campo admite 30"));

        CabeceraFactura c = cabecera_valida();
        c.empresa = QStringLiteral("0000é");
        const QString linea = registro_cabecera_factura(c);
        QCOMPARE(linea.left(6), QStringLiteral("40000é"));
        QCOMPARE(linea.size(), 254);
        c.empresa = QStringLiteral("0000e\u0301");   // five characters once composed
        QCOMPARE(registro_cabecera_factura(c), linea);
        c.empresa = QStringLiteral("000\u00e9\u00e9\u00e9");
        QCOMPARE(rechazo_de([&] { registro_cabecera_factura(c); }).campo, QStringLiteral("empresa"));
    }

    void importes_en_el_empate_exacto()
    {
        // 0.125 and 2.5 are ties even in binary: away from zero, or to even.
        QCOMPARE(importe(0.125, "importe"), QStringLiteral("+0000000000.13"));
        QCOMPARE(importe(-0.125, "importe"), QStringLiteral("-0000000000.13"));
        QCOMPARE(importe(9999999999.985, "importe"), QStringLiteral("+9999999999.99"));
        QCOMPARE(tanto(10.125, "tipo"), QStringLiteral("10.13"));
        QCOMPARE(redondear(2.5, 0), 3.0);
        QCOMPARE(redondear(-2.5, 0), -3.0);
        QCOMPARE(redondear_par(2.5, 0), 2.0);
        QCOMPARE(redondear_par(3.5, 0), 4.0);
        QCOMPARE(redondear_par(0.125, 2), 0.12);
        QCOMPARE(redondear_par(-0.375, 2), -0.38);
        QCOMPARE(redondear(0.0005, 3), 0.001);
        QCOMPARE(redondear_par(0.0005, 3), 0.0);
        // Rounded values too long for an exact integer of a double.
        QCOMPARE(redondear(98765432109876.5, 3), 98765432109876.5);
        QCOMPARE(redondear(123456789012345.0, 4), 123456789012345.0);
        QCOMPARE(centimos(9999999999999990.0), qint64(999999999999999000));
        QCOMPARE(centimos(-9999999999999990.0), qint64(-999999999999999000));
        QCOMPARE(centimos(1e16), std::numeric_limits<qint64>::max());
        QCOMPARE(centimos(-1e16), std::numeric_limits<qint64>::min());
        QCOMPARE(centimos(-0.0), qint64(0));
        QCOMPARE(importe(-0.0, "importe"), QStringLiteral("+0000000000.00"));
    }

    void cortar_y_rellenar()
    {
        QCOMPARE(cortar_rellenar("CONTADO", 10), QStringLiteral("CONTADO   "));
        QCOMPARE(cortar_rellenar("", 4), QStringLiteral("    "));
        QCOMPARE(cortar_rellenar("TARJETA DE CREDITO VISA", 19), QStringLiteral("TARJETA DE CREDITO "));
        QCOMPARE(cortar_rellenar(QStringLiteral("Peñíscola"), 4), QStringLiteral("Peñí"));
        QCOMPARE(cortar_rellenar(QStringLiteral("A\r\nB"), 5), QStringLiteral("A  B "));
        QCOMPARE(rellenar("abc", 12, "cuenta"), QStringLiteral("abc         "));
        QCOMPARE(rellenar("", 12, "cuenta"), sp(12));
    }
};

QTEST_GUILESS_MAIN(TestRegistros)
#include "test_registros.moc"
