// The date entry of the transfer window's fields: eight digits ddmmyyyy
// become dd-mm-yyyy on screen and yyyymmdd for the range. The message and
// the keys that confirm a date are checked on the window itself.

#include "transfer/entrada_fecha.h"

#include <QtTest>

namespace {

QString estado(EstadoFecha e)
{
    switch (e) {
    case EstadoFecha::Descartada: return QStringLiteral("descartada");
    case EstadoFecha::Incorrecta: return QStringLiteral("incorrecta");
    case EstadoFecha::Aceptada: return QStringLiteral("aceptada");
    }
    return QString();
}

QString linea(const EntradaFecha& r)
{
    return estado(r.estado) + QLatin1Char('|') + r.texto + QLatin1Char('|') + r.fecha;
}

} // namespace

class TestEntradaFecha : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fechas_tecleadas_data();
    void fechas_tecleadas();
};

void TestEntradaFecha::fechas_tecleadas_data()
{
    QTest::addColumn<QString>("tecleado");
    QTest::addColumn<QString>("esperado");

    QTest::newRow("primero de enero") << "01012013" << "aceptada|01-01-2013|20130101";
    QTest::newRow("fin de año") << "31121999" << "aceptada|31-12-1999|19991231";
    QTest::newRow("bisiesto") << "29022012" << "aceptada|29-02-2012|20120229";
    QTest::newRow("siglo bisiesto") << "29022000" << "aceptada|29-02-2000|20000229";
    QTest::newRow("siglo no bisiesto") << "29021900" << "incorrecta||";
    QTest::newRow("no bisiesto") << "29022013" << "incorrecta||";
    QTest::newRow("31 de febrero") << "31022013" << "incorrecta||";
    QTest::newRow("mes 13") << "01132013" << "incorrecta||";
    QTest::newRow("mes 00") << "01002013" << "incorrecta||";
    QTest::newRow("día 00") << "00012013" << "incorrecta||";
    // Month and day are never swapped to make a date out of a wrong one.
    QTest::newRow("mes y día al revés") << "12312013" << "incorrecta||";
    QTest::newRow("año 0000") << "01010000" << "incorrecta||";
    // The form the field shows is read back.
    QTest::newRow("con guiones") << "1-2-2024" << "aceptada|01-02-2024|20240201";
    QTest::newRow("ya mostrada") << "01-01-2013" << "aceptada|01-01-2013|20130101";
    QTest::newRow("con barras") << "31/12/1999" << "aceptada|31-12-1999|19991231";
    QTest::newRow("mostrada imposible") << "31-02-2013" << "incorrecta||";
    QTest::newRow("año de dos cifras") << "1-2-24" << "descartada||";
    QTest::newRow("guiones no latinos") << QString::fromUtf8("٠١-٠١-٢٠١٣") << "descartada||";
    QTest::newRow("siete dígitos") << "0101201" << "descartada||";
    QTest::newRow("nueve dígitos") << "010120133" << "descartada||";
    QTest::newRow("vacía") << "" << "descartada||";
    QTest::newRow("con blanco") << "0101 013" << "descartada||";
    QTest::newRow("con signo") << "+1012013" << "descartada||";
    QTest::newRow("letras") << "0I012O13" << "descartada||";
    QTest::newRow("dígitos no latinos") << QString::fromUtf8("٠١٠١٢٠١٣") << "descartada||";
}

void TestEntradaFecha::fechas_tecleadas()
{
    QFETCH(QString, tecleado);
    QFETCH(QString, esperado);
    QCOMPARE(linea(leer_fecha_tecleada(tecleado)), esperado);
}

QTEST_GUILESS_MAIN(TestEntradaFecha)
#include "test_entrada_fecha.moc"
