#include "mapping/rejilla_cuentas.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace cuentas_hotel {

ModeloCuentas::ModeloCuentas(QObject* parent, const QSqlDatabase& db) : QSqlTableModel(parent, db)
{
    setEditStrategy(QSqlTableModel::OnFieldChange);
}

Qt::ItemFlags ModeloCuentas::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QSqlTableModel::flags(index);
    if (index.column() != kColumnaCuenta)
        f &= ~Qt::ItemIsEditable;
    return f;
}

void ModeloCuentas::mostrar(const QString& tabla, const QStringList& titulos)
{
    setTable(tabla);
    select();
    while (canFetchMore())
        fetchMore();
    for (int i = 0; i < titulos.size(); ++i)
        setHeaderData(i, Qt::Horizontal, titulos.at(i));
}

QWidget* DelegadoCuenta::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (index.column() != kColumnaCuenta)
        return w;
    if (auto* campo = qobject_cast<QLineEdit*>(w))
        campo->setMaxLength(digitos ? digitos() : 12);
    if (empezar) {
        const QVariant v = index.data(Qt::EditRole);
        empezar(v.isNull() ? QString() : v.toString());
    }
    return w;
}

void DelegadoCuenta::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* campo = qobject_cast<QLineEdit*>(editor);
    if (index.column() != kColumnaCuenta || !campo || !guardar) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    const QVariant v = index.data(Qt::EditRole);
    const QString antes = v.isNull() ? QString() : v.toString();
    // A cell left as it was is not a change and is not checked.
    if (campo->text() == antes)
        return;
    model->setData(index, guardar(campo->text()), Qt::EditRole);
}

QTableView* crear_rejilla(QWidget* parent, const QString& nombre, ModeloCuentas* modelo, DelegadoCuenta* delegado)
{
    auto* g = new QTableView(parent);
    g->setObjectName(nombre);
    g->setModel(modelo);
    g->setItemDelegate(delegado);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->horizontalHeader()->setStretchLastSection(true);
    return g;
}

ModeloCuentas* poner_modelo(QTableView* rejilla, ModeloCuentas* anterior, const QSqlDatabase& db, const QString& nombre)
{
    ModeloCuentas* nuevo = nullptr;
    if (db.isValid()) {
        nuevo = new ModeloCuentas(rejilla->parent(), db);
        nuevo->setObjectName(nombre);
    }
    rejilla->setModel(nuevo);
    delete anterior;
    return nuevo;
}

void terminar_edicion(QTableView* rejilla)
{
    const QModelIndex actual = rejilla->currentIndex();
    bool editando = false;
    for (const QLineEdit* campo : rejilla->viewport()->findChildren<QLineEdit*>())
        editando = editando || campo->isVisible();
    if (!editando || !actual.isValid())
        return;
    // Moving the current cell stores the editor's text through the delegate.
    rejilla->setCurrentIndex(rejilla->model()->index(actual.row(), 0));
}

} // namespace cuentas_hotel
