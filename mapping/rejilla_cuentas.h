#pragma once

// The grid both account windows edit their scratch table in: code and name
// shown, only the account typed into, each account cell checked by the
// window's logic before it is stored (at once) in the work database.

#include <QSqlTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

class QTableView;
class QWidget;

namespace cuentas_hotel {

inline constexpr int kColumnaCuenta = 2;

// The scratch table under the grid; only the account column can be changed.
// An account that is not exactly `wdigitos` digits is shown marked, its
// tooltip saying what is wrong, until it is fixed.
class ModeloCuentas : public QSqlTableModel {
    Q_OBJECT
public:
    ModeloCuentas(QObject* parent, const QSqlDatabase& db);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Shows the rows of `tabla` in the order they were added, under `titulos`.
    void mostrar(const QString& tabla, const QStringList& titulos, int wdigitos);
    bool select() override;

protected:
    QString selectStatement() const override;
    // An edit changes its own row only: the table has no key, and two rows
    // alike (a code twice in the hotel) would both take it.
    bool updateRowInTable(int row, const QSqlRecord& values) override;

private:
    int wdigitos_ = 0;
    QList<qint64> filas_;   // the rowid of each row shown
};

class DelegadoCuenta : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Characters that can be typed into the account column. A longer stored
    // account is opened whole: the limit stops typing, it never cuts.
    std::function<int()> digitos;
    // An edit of an account cell starts with this text.
    std::function<void(const QString& texto)> empezar;
    // A changed account is about to be stored: whether it may be (when not,
    // the user has been told why and the cell keeps its account).
    std::function<bool(const QString& nuevo)> aceptar;
    // Escape in an account cell, after its valid change (if any) is stored.
    std::function<void()> escape;

    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;

private:
    int limite() const;
};

// The grid, named `nombre`, over `modelo` with `delegado` on its cells.
QTableView* crear_rejilla(QWidget* parent, const QString& nombre, ModeloCuentas* modelo, DelegadoCuenta* delegado);

// Puts a new model named `nombre` over `db` under the grid in place of
// `anterior` (deleted); an invalid `db` leaves the grid empty (nullptr).
// The work database is reopened at each load, so its model is made anew.
ModeloCuentas* poner_modelo(QTableView* rejilla, ModeloCuentas* anterior, const QSqlDatabase& db, const QString& nombre);

// Stores the cell being edited, if any, as leaving it would.
void terminar_edicion(QTableView* rejilla);

} // namespace cuentas_hotel
