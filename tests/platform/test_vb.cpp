#include <charconv>
#include "platform/vb.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestVb : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void redondeos_sobre_el_decimal()
    {
        // Each value rounded half away from zero and half to even; the
        // binary value of 2.675 or 1.005 lies below the tie a person reads.
        const struct {
            double valor;
            int decimales;
            double lejos, par;
        } casos[] = {
            {2.675, 2, 2.68, 2.68},       {1.005, 2, 1.01, 1.0},      {2.665, 2, 2.67, 2.66},
            {2.6651, 2, 2.67, 2.67},      {1.0005, 3, 1.001, 1.0},    {0.0005, 3, 0.001, 0.0},
            {0.125, 2, 0.13, 0.12},       {-0.375, 2, -0.38, -0.38},  {2.5, 0, 3.0, 2.0},
            {-2.5, 0, -3.0, -2.0},        {3.5, 0, 4.0, 4.0},         {0.5, 0, 1.0, 0.0},
            {123456.5, 0, 123457.0, 123456.0},                        {1250, -2, 1300.0, 1200.0},
            {1250.5, -2, 1300.0, 1300.0},                             // a 5 followed by more is no tie
            // ties in whole millionths, either side of 10^8
            {99999999.125, 2, 99999999.13, 99999999.12},             {-100000000.125, 2, -100000000.13, -100000000.12},
            {0.000025, 5, 0.00003, 0.00002},                          {0.0000025, 6, 0.000003, 0.000002},
            {0.123456789, 7, 0.1234568, 0.1234568},                   // finer than millionths
            // too long for an exact integer of a double
            {98765432109876.5, 3, 98765432109876.5, 98765432109876.5},
            {123456789012345.0, 4, 123456789012345.0, 123456789012345.0},
        };
        for (const auto& c : casos) {
            const QByteArray que = QByteArray::number(c.valor, 'g', 17) + " " + QByteArray::number(c.decimales);
            QVERIFY2(vb::redondear(c.valor, c.decimales) == c.lejos, que.constData());
            QVERIFY2(vb::redondear_par(c.valor, c.decimales) == c.par, que.constData());
        }
    }

    void centimos_y_quince_cifras()
    {
        constexpr double inf = std::numeric_limits<double>::infinity();
        constexpr qint64 max = std::numeric_limits<qint64>::max(), min = std::numeric_limits<qint64>::min();
        const struct {
            double valor;
            qint64 centimos;
        } casos[] = {
            {1.005, 101}, {-87.456, -8746}, {0.1 + 0.7, 80}, {-0.0, 0}, {-0.004, 0}, {-0.005, -1},
            {9999999999999990.0, 999999999999999000}, {-9999999999999990.0, -999999999999999000},
            {1e16, max}, {-1e16, min}, {inf, max}, {-inf, min}, {std::nan(""), 0},
        };
        for (const auto& c : casos)
            QVERIFY2(vb::centimos(c.valor) == c.centimos, QByteArray::number(c.valor, 'g', 17).constData());
        QCOMPARE(vb::quince_cifras(38.52499999999999), 38.525);
        QCOMPARE(vb::quince_cifras(-1.0000000000000002), -1.0);
        QCOMPARE(vb::quince_cifras(0.0), 0.0);
        QVERIFY(std::isnan(vb::quince_cifras(std::nan(""))));
        // Whole millionths take a short way; everything must read as the 15 digits do.
        auto por_cifras = [](double v) {
            char b[64];
            const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::scientific, 14);
            double d = 0;
            std::from_chars(b, r.ptr, d);
            return d;
        };
        for (double base : {0.01, 0.07, 1.005, 2.675, 38.525, 123456.789, 9999999.999999, 99999999.999999, 1e8, 3e13}) {
            for (double v : {base, std::nextafter(base, 0.0), std::nextafter(base, 1e300), base * 3, 0.1 + base}) {
                for (double x : {v, -v})
                    QVERIFY2(vb::quince_cifras(x) == por_cifras(x), QByteArray::number(x, 'g', 17).constData());
            }
        }
        for (qint64 k = -200000; k <= 200000; k += 7)
            QVERIFY2(vb::quince_cifras(k / 1000.0) == por_cifras(k / 1000.0), QByteArray::number(k));
    }

    void textos_como_visual_basic()
    {
        const QString cara = QStringLiteral("A\U0001F600B");   // one character in two UTF-16 units
        const struct {
            QString texto;
            int n;
            QString primeros;
        } left[] = {{"ABCDEF", 3, "ABC"}, {"AB", 5, "AB"}, {"ABC", 0, ""}, {cara, 2, "A"}, {cara, 3, cara.left(3)}};
        for (const auto& c : left)
            QCOMPARE(vb::primeros(c.texto, c.n), c.primeros);

        // LTrim$, RTrim$, Trim$: blanks only, never a tab.
        const struct { QString texto, izquierda, derecha, ambos; } blancos[] = {
            {"  a b ", "a b ", "  a b", "a b"}, {"\t x\t", "\t x\t", "\t x\t", "\t x\t"}, {"   ", "", "", ""}, {"x", "x", "x", "x"}};
        for (const auto& c : blancos) {
            QCOMPARE(vb::sin_blancos_iniciales(c.texto), c.izquierda);
            QCOMPARE(vb::sin_blancos_finales(c.texto), c.derecha);
            QCOMPARE(vb::sin_blancos(c.texto), c.ambos);
        }

        for (const char* si : {"0", "0123456789", "4300000012"})
            QVERIFY2(vb::es_numerico(QString::fromLatin1(si)), si);
        for (const QString& no : {QString(), QStringLiteral(" 1"), QStringLiteral("1 "), QStringLiteral("-1"),
                                  QStringLiteral("12a"), QStringLiteral("1.5"), QStringLiteral("/"),
                                  QStringLiteral(":"), QStringLiteral("\uFF11")})
            QVERIFY2(!vb::es_numerico(no), qPrintable(no));

        const struct {
            QString texto;
            double valor;
        } val[] = {{"\t+.25 1x", 0.251}, {"-", 0.0}, {"4300000012", 4300000012.0}, {"-1.5.2", -1.5},
                   {"A12", 0.0},         {" 3 4x", 34.0}, {"1e3", 1.0}, {"\n-7", -7.0}, {"", 0.0}, {"+-1", 0.0}};
        for (const auto& c : val)
            QVERIFY2(vb::val(c.texto) == c.valor, qPrintable(c.texto));
    }
};

QTEST_GUILESS_MAIN(TestVb)
#include "test_vb.moc"
