// The one reading of a typed date, shared by the transfer window's fields and
// the batch line: eight digits ddmmyyyy (or the dd-mm-yyyy a field shows)
// become dd-mm-yyyy on screen and yyyymmdd for the range.

#include "app/comando_traspasar.h"
#include "transfer/entrada_fecha.h"

#include <QtTest>

class TestEntradaFecha : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fechas_tecleadas_data()
    {
        QTest::addColumn<QString>("tecleado");
        QTest::addColumn<QString>("esperado");   // state|field text|yyyymmdd
        const QString mal = "incorrecta||";
        const QString nada = "descartada||";
        const QList<std::pair<const char*, QString>> casos = {
            {"01012013", "aceptada|01-01-2013|20130101"}, {"31121999", "aceptada|31-12-1999|19991231"},
            {"29022012", "aceptada|29-02-2012|20120229"}, {"29022000", "aceptada|29-02-2000|20000229"},
            {"29021900", mal}, {"29022013", mal}, {"31022013", mal}, {"01132013", mal}, {"01002013", mal}, {"00012013", mal},
            {"12312013", mal},   // month and day are never swapped to make a date
            {"01010000", mal}, {"01010050", mal}, {"31120099", mal}, {"01010100", "aceptada|01-01-0100|01000101"},
            // the form a field shows is read back
            {"1-2-2024", "aceptada|01-02-2024|20240201"}, {" 01-01-2013 ", "aceptada|01-01-2013|20130101"},
            {"31/12/1999", "aceptada|31-12-1999|19991231"}, {"31.12.1999", "aceptada|31-12-1999|19991231"},
            {"31-02-2013", mal}, {"01-01-0050", mal}, {"1-2-24", nada}, {"2013-01-01", nada}, {"٠١-٠١-٢٠١٣", nada},
            {"0101201", nada}, {"010120133", nada}, {"", nada}, {"0101 013", nada}, {"+1012013", nada}, {"0I012O13", nada},
            {"٠١٠١٢٠١٣", nada},
        };
        for (const auto& [tecleado, esperado] : casos)
            QTest::newRow(tecleado) << QString::fromUtf8(tecleado) << esperado;
    }
    // The window's reading, what its field and its buttons say, and the batch
    // line's reading of the same text.
    void fechas_tecleadas()
    {
        QFETCH(QString, tecleado);
        QFETCH(QString, esperado);
        const EntradaFecha r = leer_fecha_tecleada(tecleado);
        const char* estados[] = {"descartada", "incorrecta", "aceptada"};
        QCOMPARE(estados[int(r.estado)] + QString("|") + r.texto + "|" + r.fecha, esperado);

        platform::ScriptedInteraction campo, boton;
        QCOMPARE(int(entrar_fecha(tecleado, campo).estado), int(r.estado));
        const EntradaFecha de_boton = fecha_de_campo(tecleado, boton);
        QCOMPARE(de_boton.fecha, r.fecha);
        QCOMPARE(de_boton.estado, r.estado == EstadoFecha::Aceptada ? EstadoFecha::Aceptada : EstadoFecha::Incorrecta);
        const QString dicho = r.estado == EstadoFecha::Incorrecta ? "Formato de Fecha incorrecto.|Error Datos|1"
                              : r.estado == EstadoFecha::Descartada
                                  ? "La fecha «" + tecleado.trimmed() + "» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa.|Error Datos|1"
                                  : QString();
        QCOMPARE(campo.texts().join('\n'), r.estado == EstadoFecha::Incorrecta ? QString("Formato de Fecha incorrecto.") : QString());
        QCOMPARE(boton.shown.empty() ? QString()
                                     : boton.shown[0].text + "|" + boton.shown[0].title + "|" + QString::number(int(boton.shown[0].icon)),
                 dicho);

        QCOMPARE(fecha_de_lote(tecleado, QDate(2024, 1, 15)).value_or(QString()), r.fecha);
    }

    void teclas_que_confirman()
    {
        for (const auto& [tecla, confirma] : {std::pair{Qt::Key_Tab, true}, {Qt::Key_Return, true}, {Qt::Key_Enter, true},
                                              {Qt::Key_Backtab, false}, {Qt::Key_Space, false}, {Qt::Key_0, false}})
            QCOMPARE(confirma_fecha(tecla), confirma);
    }
};

QTEST_GUILESS_MAIN(TestEntradaFecha)
#include "test_entrada_fecha.moc"
