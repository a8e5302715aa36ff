// The one reading of a typed date, shared by the transfer window's fields and
// the batch line: eight digits ddmmyyyy (or the dd-mm-yyyy a field shows)
// become dd-mm-yyyy on screen and yyyymmdd for the range.

#include "app/comando_traspasar.h"
#include "transfer/entrada_fecha.h"

#include <QtTest>

class TestEntradaFecha : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each text as the window reads it ("state|field text|yyyymmdd"), what a
    // field (on Tab or Enter) and a button say of it, and the batch line's reading.
    void fechas_tecleadas()
    {
        const QString mal = "incorrecta||", nada = "descartada||";
        const QList<std::pair<const char*, QString>> casos = {
            {"01012013", "aceptada|01-01-2013|20130101"}, {"31121999", "aceptada|31-12-1999|19991231"},
            {"29022012", "aceptada|29-02-2012|20120229"}, {"29022000", "aceptada|29-02-2000|20000229"},
            {"29021900", mal}, {"29022013", mal}, {"31022013", mal}, {"01132013", mal}, {"01002013", mal}, {"00012013", mal},
            {"12312013", mal}, {"01010000", mal}, {"01010050", mal}, {"31120099", mal}, {"01010100", "aceptada|01-01-0100|01000101"},
            {"1-2-2024", "aceptada|01-02-2024|20240201"}, {" 01-01-2013 ", "aceptada|01-01-2013|20130101"},
            {"31/12/1999", "aceptada|31-12-1999|19991231"}, {"31.12.1999", "aceptada|31-12-1999|19991231"}, {"31-02-2013", mal},
            {"01-01-0050", mal}, {"1-2-24", nada}, {"2013-01-01", nada}, {"٠١-٠١-٢٠١٣", nada}, {"0101201", nada},
            {"010120133", nada}, {"", nada}, {"0101 013", nada}, {"+1012013", nada}, {"0I012O13", nada}, {"٠١٠١٢٠١٣", nada}};
        const char* estados[] = {"descartada", "incorrecta", "aceptada"};
        const QString formato = "Formato de Fecha incorrecto.";
        for (const auto& [tecleado, esperado] : casos) {
            const QString t = QString::fromUtf8(tecleado);
            const EntradaFecha r = leer_fecha_tecleada(t);
            QCOMPARE(estados[int(r.estado)] + QString("|") + r.texto + "|" + r.fecha, esperado);
            platform::ScriptedInteraction campo, boton;
            QCOMPARE(entrar_fecha(t, campo).estado, r.estado);
            QCOMPARE(campo.texts(), r.estado == EstadoFecha::Incorrecta ? QStringList{formato} : QStringList());
            const EntradaFecha b = fecha_de_campo(t, boton);
            QCOMPARE(b.fecha, r.fecha);
            QCOMPARE(b.estado, r.estado == EstadoFecha::Aceptada ? EstadoFecha::Aceptada : EstadoFecha::Incorrecta);
            QCOMPARE(boton.texts().join('\n'), r.estado == EstadoFecha::Incorrecta   ? formato
                                               : r.estado == EstadoFecha::Aceptada ? QString()
                                               : "La fecha «" + t.trimmed() + "» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa.");
            for (const auto& dicho : boton.shown)
                QCOMPARE(dicho.title + QString::number(int(dicho.icon)), QString("Error Datos1"));
            QCOMPARE(fecha_de_lote(t, QDate(2024, 1, 15)).value_or(QString()), r.fecha);
        }
        for (const auto& [tecla, confirma] : {std::pair{Qt::Key_Tab, true}, {Qt::Key_Return, true}, {Qt::Key_Enter, true},
                                              {Qt::Key_Backtab, false}, {Qt::Key_Space, false}, {Qt::Key_0, false}})
            QCOMPARE(confirma_fecha(tecla), confirma);
    }
};

QTEST_GUILESS_MAIN(TestEntradaFecha)
#include "test_entrada_fecha.moc"
