#include "support/cuentas_hotel_support.h"

#include <QLineEdit>
#include <QTableView>
#include <QtTest>

namespace cuentas_hotel_support {

QStringList lineas(const QTableView* rejilla)
{
    QList<QVariantMap> filas;
    const auto celda = [rejilla](int f, int c) { return rejilla->model()->index(f, c).data().toString(); };
    for (int f = 0; rejilla->model() && f < rejilla->model()->rowCount(); ++f) filas << QVariantMap{{"0", celda(f, 0)}, {"1", celda(f, 1)}, {"2", celda(f, 2)}};
    return lineas(filas, {"0", "1", "2"});
}

QStringList lineas(const QList<QVariantMap>& filas, const QStringList& columnas)
{
    QStringList r;
    for (const QVariantMap& fila : filas) {
        QStringList celdas;
        for (const QString& c : columnas) celdas << (fila.value(c).isNull() ? QStringLiteral("<null>") : fila.value(c).toString());
        r << celdas.join(QLatin1Char('|'));
    }
    return r;
}

QString teclear_cuenta(QTableView* rejilla, int fila, const QString& texto, Qt::Key tecla)
{
    rejilla->setCurrentIndex(rejilla->model()->index(fila, 2)), rejilla->edit(rejilla->currentIndex());
    QLineEdit* campo = nullptr;   // editors closed before are only hidden until the event loop deletes them
    for (QLineEdit* l : rejilla->viewport()->findChildren<QLineEdit*>()) campo = l->isVisible() ? l : campo;
    if (!campo) return QStringLiteral("<sin editor>");
    campo->selectAll(), QTest::keyClick(campo, Qt::Key_Backspace), QTest::keyClicks(campo, texto);
    const QString tecleado = campo->text();
    QTest::keyClick(campo, tecla);
    QCoreApplication::processEvents();   // the grid stores a cell once the key has been handled
    return tecleado;
}

QStringList tomar_mensajes(platform::ScriptedInteraction& ui)
{
    QStringList r;
    for (const auto& s : ui.shown) r << s.title + "|" + s.text + "|" + QString::number(int(s.icon));
    return ui.shown.clear(), r;
}

} // namespace cuentas_hotel_support
