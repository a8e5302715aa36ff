#include "mapping/rejilla_cuentas.h"

#include "mapping/cuentas_hotel.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
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

QVariant ModeloCuentas::data(const QModelIndex& index, int role) const
{
    if (index.column() != kColumnaCuenta || (role != Qt::BackgroundRole && role != Qt::ToolTipRole))
        return QSqlTableModel::data(index, role);
    const QVariant v = QSqlTableModel::data(index, Qt::EditRole);
    const QString problema = problema_cuenta(v.isNull() ? QString() : v.toString(), wdigitos_);
    if (problema.isEmpty())
        return QSqlTableModel::data(index, role);
    if (role == Qt::ToolTipRole)
        return problema;
    return QBrush(QColor(255, 200, 200));
}

void ModeloCuentas::mostrar(const QString& tabla, const QStringList& titulos, int wdigitos)
{
    wdigitos_ = wdigitos;
    setTable(tabla);
    select();
    for (int i = 0; i < titulos.size(); ++i)
        setHeaderData(i, Qt::Horizontal, titulos.at(i));
}

QString ModeloCuentas::selectStatement() const
{
    // The rows in the order they were added, which the rowids of select()
    // follow; a sort of the model's own would come first.
    const QString sql = QSqlTableModel::selectStatement();
    if (sql.isEmpty() || sql.contains(QLatin1String(" ORDER BY "), Qt::CaseInsensitive))
        return sql;
    return sql + QStringLiteral(" ORDER BY rowid");
}

bool ModeloCuentas::select()
{
    filas_.clear();
    if (!QSqlTableModel::select())
        return false;
    while (canFetchMore())
        fetchMore();
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT rowid FROM \"%1\" ORDER BY rowid").arg(tableName())))
        return true;   // edits then go by the row's values
    while (q.next())
        filas_.append(q.value(0).toLongLong());
    if (filas_.size() != rowCount() || !orderByClause().isEmpty() || !filter().isEmpty())
        filas_.clear();
    return true;
}

bool ModeloCuentas::updateRowInTable(int row, const QSqlRecord& values)
{
    if (row < 0 || row >= filas_.size())
        return QSqlTableModel::updateRowInTable(row, values);
    QStringList asignaciones;
    QVariantList valores;
    for (int i = 0; i < values.count(); ++i) {
        if (!values.isGenerated(i))
            continue;
        asignaciones << QStringLiteral("\"%1\" = ?").arg(values.fieldName(i));
        valores << values.value(i);
    }
    if (asignaciones.isEmpty())
        return true;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?").arg(tableName(), asignaciones.join(QStringLiteral(", "))));
    for (const QVariant& v : valores)
        q.addBindValue(v);
    q.addBindValue(filas_.at(row));
    if (!q.exec()) {
        setLastError(q.lastError());
        return false;
    }
    return true;
}

namespace {

// The text an account editor was opened with, to tell a change from none.
const char* const kAnterior = "cuenta_anterior";

QString texto_celda(const QModelIndex& index)
{
    const QVariant v = index.data(Qt::EditRole);
    return v.isNull() ? QString() : v.toString();
}

bool cambiada(const QLineEdit* campo)
{
    return campo->text() != campo->property(kAnterior).toString();
}

} // namespace

int DelegadoCuenta::limite() const
{
    const int d = digitos ? digitos() : 0;
    return d > 0 ? d : 12;
}

QWidget* DelegadoCuenta::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (index.column() != kColumnaCuenta)
        return w;
    if (auto* campo = qobject_cast<QLineEdit*>(w)) {
        campo->setMaxLength(limite());
        // A too long account can be shortened key by key; it never grows.
        connect(campo, &QLineEdit::textEdited, campo, [this, campo] {
            const int maximo = qMax(limite(), int(campo->text().size()));
            if (maximo == campo->maxLength())
                return;
            // A new limit sets the text again, which would move the cursor.
            const int cursor = campo->cursorPosition();
            campo->setMaxLength(maximo);
            campo->setCursorPosition(cursor);
        });
    }
    if (empezar)
        empezar(texto_celda(index));
    return w;
}

void DelegadoCuenta::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* campo = qobject_cast<QLineEdit*>(editor);
    if (index.column() != kColumnaCuenta || !campo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    // The limit is widened first: setText would cut a longer stored account.
    const QString texto = texto_celda(index);
    campo->setMaxLength(qMax(limite(), int(texto.size())));
    campo->setProperty(kAnterior, texto);
    campo->setText(texto);
}

void DelegadoCuenta::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* campo = qobject_cast<QLineEdit*>(editor);
    if (index.column() != kColumnaCuenta || !campo || !aceptar) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // A cell the user did not change is never stored, nor checked.
    if (!cambiada(campo) || campo->text() == texto_celda(index))
        return;
    if (aceptar(campo->text()))
        model->setData(index, campo->text(), Qt::EditRole);
}

bool DelegadoCuenta::eventFilter(QObject* objeto, QEvent* e)
{
    auto* campo = qobject_cast<QLineEdit*>(objeto);
    if (!campo || e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape ||
        !campo->property(kAnterior).isValid())
        return QStyledItemDelegate::eventFilter(objeto, e);
    // Escape closes the window as it does outside an edit, keeping the
    // typed account; one that cannot be stored is explained and stays.
    if (cambiada(campo) && aceptar && !aceptar(campo->text()))
        return true;
    Q_EMIT commitData(campo);
    Q_EMIT closeEditor(campo, QAbstractItemDelegate::NoHint);
    if (escape)
        escape();
    return true;
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
