#include "support/cuentas_hotel_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>

namespace cuentas_hotel_support {

QStringList lineas(const QTableView* rejilla)
{
    QStringList r;
    const QAbstractItemModel* m = rejilla->model();
    for (int f = 0; m && f < m->rowCount(); ++f) {
        QStringList celdas;
        for (int c = 0; c < m->columnCount(); ++c) celdas << m->index(f, c).data(Qt::DisplayRole).toString();
        r << celdas.join(QLatin1Char('|'));
    }
    return r;
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

QLineEdit* abrir_cuenta(QTableView* rejilla, int fila)
{
    const QModelIndex i = rejilla->model()->index(fila, 2);
    rejilla->setCurrentIndex(i);
    rejilla->edit(i);
    QLineEdit* campo = nullptr;
    // Editors closed before are only hidden until the event loop deletes them.
    for (QLineEdit* l : rejilla->viewport()->findChildren<QLineEdit*>())
        if (l->isVisible()) campo = l;
    return campo;
}

QString teclear_cuenta(QTableView* rejilla, int fila, const QString& texto)
{
    QLineEdit* campo = abrir_cuenta(rejilla, fila);
    if (!campo) return QStringLiteral("<sin editor>");
    campo->selectAll();
    QTest::keyClick(campo, Qt::Key_Backspace);
    QTest::keyClicks(campo, texto);
    const QString tecleado = campo->text();
    QTest::keyClick(campo, Qt::Key_Return);
    // The grid stores a cell once the key has been handled.
    QCoreApplication::processEvents();
    return tecleado;
}

QStringList tomar_mensajes(platform::ScriptedInteraction& ui)
{
    QStringList r;
    for (const auto& s : ui.shown) r << s.title + "|" + s.text + "|" + QString::number(int(s.icon));
    ui.shown.clear();
    return r;
}

} // namespace cuentas_hotel_support
