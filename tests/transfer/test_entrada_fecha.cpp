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
        const QString mal = "incorrecta||", nada = "descartada||", formato = "Formato de Fecha incorrecto.";
        const QList<std::pair<QString, QString>> casos = {
            {"01012013", "aceptada|01-01-2013|20130101"}, {"29022012", "aceptada|29-02-2012|20120229"},
            {"29022000", "aceptada|29-02-2000|20000229"}, {"01010100", "aceptada|01-01-0100|01000101"},
            {"1-2-2024", "aceptada|01-02-2024|20240201"}, {" 31/12/1999 ", "aceptada|31-12-1999|19991231"}, {"0101201", nada},
            {"29021900", mal}, {"31022013", mal}, {"01132013", mal}, {"01002013", mal}, {"00012013", mal}, {"31120099", mal},
            {"31-02-2013", mal}, {"1-2-24", nada}, {"2013-01-01", nada}, {"٠١٠١٢٠١٣", nada}, {"010120133", nada}, {"", nada},
            {"0101 013", nada}, {"+1012013", nada}};
        const char* estados[] = {"descartada", "incorrecta", "aceptada"};
        for (const auto& [t, esperado] : casos) {
            const EntradaFecha r = leer_fecha_tecleada(t);
            QCOMPARE(estados[int(r.estado)] + QString("|") + r.texto + "|" + r.fecha, esperado);
            platform::ScriptedInteraction campo, boton;
            // Tab or Enter take eight digits only: the rest is dropped without a word.
            const EstadoFecha en_campo = QRegularExpression("^[0-9]{8}$").match(t).hasMatch() ? r.estado : EstadoFecha::Descartada;
            QCOMPARE(entrar_fecha(t, campo).estado, en_campo);
            QCOMPARE(campo.texts(), en_campo == EstadoFecha::Incorrecta ? QStringList{formato} : QStringList());
            const EntradaFecha b = fecha_de_campo(t, boton);
            QCOMPARE(estados[int(b.estado)] + b.fecha, (r.estado == EstadoFecha::Aceptada ? "aceptada" : "incorrecta") + r.fecha);
            QCOMPARE(boton.texts().join('\n'), r.estado == EstadoFecha::Incorrecta ? formato : r.estado == EstadoFecha::Aceptada ? QString()
                     : "La fecha «" + t.trimmed() + "» no es válida. Escríbala como ddmmaaaa o dd-mm-aaaa.");
            QCOMPARE(fecha_de_lote(t, QDate(2024, 1, 15)).value_or(QString()), r.fecha);
        }
        for (int tecla : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backtab})
            QCOMPARE(confirma_fecha(tecla), tecla != Qt::Key_Backtab);
    }
};

QTEST_GUILESS_MAIN(TestEntradaFecha)
#include "test_entrada_fecha.moc"
