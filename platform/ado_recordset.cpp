// Recordsets: the rows of a statement read at once, and the changes made
// to them written back at once, by rowid on a local database and by every
// original value through ODBC.

#include "platform/ado_internal.h"
#include "platform/vb.h"

#include <QSqlRecord>

#include <array>

namespace ado {

using namespace detail;

namespace {

enum class EditMode { None, Changing, Adding };

Error itemNotFound(const QString& name, const QString& source)
{
    return Error(kItemNotFound,
                 QStringLiteral("No se encontró el elemento '%1' en la colección correspondiente al nombre solicitado.")
                     .arg(name),
                 source);
}

// A field as text and as a number: Null counts as "" and 0; a text is read
// as a number the way the hotel's figures are written.
QString textOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    return v.toString();
}

double numberOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
        bool ok = false;
        const double n = v.toString().trimmed().toDouble(&ok);
        return ok ? n : vb::val(v.toString());
    }
    return v.toDouble();
}


QString bracketed(const QString& name)
{
    if (name.startsWith(QLatin1Char('[')))
        return name;
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QVariant bindable(const QVariant& value, Connection::Kind kind)
{
    if (value.isValid())
        return value;
    // The ODBC binding needs a type even for Null.
    return kind == Connection::Kind::Odbc ? QVariant(QMetaType(QMetaType::QString)) : QVariant();
}

} // namespace

struct Recordset::Impl {
    bool open = false;
    Connection* cn = nullptr;
    QString cnName;
    // The statement and its values; rendered as one text only for an error.
    QString statement;
    Values values;
    mutable QString rendered;
    mutable bool isRendered = false;
    QString source() const
    {
        if (!isRendered) {
            rendered = render(statement, values);
            isRendered = true;
        }
        return rendered;
    }
    QString table; // non-empty when rows can be written back
    bool byRowid = false;
    QStringList names;
    QHash<QString, int> index; // lower-case name -> column
    QHash<QString, int> exact; // name as given by the database -> column
    // Every row's fields one after another in blocks: a row is no
    // allocation of its own (a year is tens of thousands of invoices), and a
    // growing result is never copied to a larger place. The first block is
    // small: most results are a row or a few.
    struct RowStore {
        static constexpr qsizetype kFirst = 64;     // cells of 32 bytes: 2 KB
        static constexpr qsizetype kBlock = 2048;   // 64 KB
        std::vector<std::unique_ptr<QVariant[]>> blocks;
        qsizetype width = 0;
        qsizetype count = 0;
        qsizetype used = 0;   // cells written
        qsizetype size() const { return count; }
        bool empty() const { return count == 0; }
        void clear()
        {
            blocks.clear();
            width = 0;
            count = 0;
            used = 0;
        }
        QVariant& cell(qsizetype n) const
        {
            if (n < kFirst)
                return blocks.front()[n];
            return blocks[size_t(1 + (n - kFirst) / kBlock)][(n - kFirst) % kBlock];
        }
        const QVariant& at(qsizetype row, int column) const { return cell(row * width + column); }
        // The next cell, to be written.
        QVariant& next()
        {
            if (used == 0 || (used >= kFirst && (used - kFirst) % kBlock == 0))
                blocks.push_back(std::make_unique<QVariant[]>(size_t(used == 0 ? kFirst : kBlock)));
            return cell(used++);
        }
        void push(const QVariant& value) { next() = value; }
        QList<QVariant> copy(qsizetype row) const
        {
            QList<QVariant> values;
            values.reserve(width);
            for (qsizetype c = 0; c < width; ++c)
                values.append(cell(row * width + c));
            return values;
        }
        // The fields of `row` marked in `which` (all when it is empty).
        void assign(qsizetype row, const QList<QVariant>& values, const QList<bool>& which = {})
        {
            for (qsizetype c = 0; c < width; ++c) {
                if (which.isEmpty() || which.at(c))
                    cell(row * width + c) = values.at(c);
            }
        }
        void append(const QList<QVariant>& values)
        {
            for (const QVariant& v : values)
                push(v);
            ++count;
        }
    };
    RowStore rows;
    std::vector<qint64> rowids;
    qsizetype pos = 0;
    EditMode edit = EditMode::None;
    QList<QVariant> buffer;
    QList<bool> changed;
    // Rows added here whose columns left to the database (defaults) have not
    // been read back yet: row -> the columns that were given.
    QHash<qsizetype, QList<bool>> unread;
    // The last write statements built, and what they were built for.
    struct WriteText {
        QString table;
        QStringList names;
        QList<bool> columns;
        QString sql;
        bool matches(const QString& t, const QStringList& n, const QList<bool>& c) const
        {
            return !sql.isEmpty() && table == t && names == n && columns == c;
        }
    };
    WriteText insertText;
    WriteText updateText;

    // Field names come mostly from literals in the code, whose text sits at
    // a fixed address: a few remembered answers per address spare hashing
    // the name on every read and write. An answer counts only when the
    // name is still the column's name and the columns are the same list.
    struct Remembered {
        const QChar* text = nullptr;
        qsizetype size = -1;
        int nameIndex = 0;
        int column = 0;
    };
    mutable std::array<Remembered, 256> remembered{};
    mutable QStringList rememberedFor;

    int column(const QString& name) const
    {
        if (rememberedFor.constData() != names.constData() || rememberedFor.size() != names.size()) {
            remembered.fill(Remembered{});
            rememberedFor = names;
        }
        // Literals lie a few bytes apart: mix the address before taking a slot.
        const quint64 mixed = quint64(quintptr(name.constData())) * 0x9E3779B97F4A7C15ull;
        Remembered& slot = remembered[(mixed >> 56) % remembered.size()];
        // A literal's characters never change; any other name is compared.
        if (slot.text == name.constData() && slot.size == name.size() && slot.nameIndex < names.size()
            && (!name.data_ptr().isMutable() || names.at(slot.nameIndex) == name))
            return slot.column;
        const auto found = exact.constFind(name);
        if (found != exact.constEnd()) {
            slot.text = name.constData();
            slot.size = name.size();
            slot.nameIndex = int(names.indexOf(name));
            slot.column = found.value();
            return found.value();
        }
        const auto it = index.constFind(name.toLower());
        if (it == index.constEnd())
            throw itemNotFound(name, source());
        return it.value();
    }

    void requireOpen() const
    {
        if (!open)
            throw closedError(source());
    }

    void requireCurrent() const
    {
        if (pos < 0 || pos >= qsizetype(rows.size()))
            throw Error(kNoCurrentRecord,
                        QStringLiteral("BOF o EOF es True, o el registro actual se eliminó. La operación solicitada "
                                       "requiere un registro actual."),
                        source());
    }

    void requireUpdatable() const
    {
        requireOpen();
        if (table.isEmpty())
            throw Error(kNotUpdatable, QStringLiteral("El conjunto de registros actual no admite actualizaciones."),
                        source());
    }

    void requireConnection() const
    {
        if (!cn || !cn->isOpen() || cn->name_ != cnName)
            throw closedError(source());
    }

    void clear()
    {
        open = false;
        cn = nullptr;
        cnName.clear();
        table.clear();
        byRowid = false;
        names.clear();
        index.clear();
        exact.clear();
        rows.clear();
        rowids.clear();
        pos = 0;
        edit = EditMode::None;
        buffer.clear();
        changed.clear();
        unread.clear();
        // The write statement texts are kept: the same recordset is opened
        // again and again on the same table (see insertRow / updateRow).
    }

    const QVariant& value(const QString& name);
    // Reads back a row added here before a column the caller did not give
    // is shown.
    void readDefaults(qsizetype row, int column)
    {
        if (unread.isEmpty())
            return;
        const auto it = unread.constFind(row);
        if (it == unread.constEnd() || (column >= 0 && it.value().at(column)))
            return;
        unread.remove(row);
        rereadInserted(row);
    }

    struct Written {
        qint64 changes = 0;
        qint64 rowid = 0;
    };
    Written write(const QString& sql, const QList<QVariant>& values);
    // The values given to the columns changed since addNew() or the first setField().
    QList<QVariant> changedValues() const;
    void insertRow();
    void updateRow();
    void rereadInserted(qsizetype row);
    void openLocal(const QString& sql, const Values& values, bool withRowid);
};

Recordset::Recordset() : d(std::make_unique<Impl>()) {}

Recordset::~Recordset() = default;

void Recordset::open(const QString& source, Connection& cn, CursorType cursor, LockType lock)
{
    open(source, Values(), cn, cursor, lock);
}

void Recordset::open(const QString& statement, const Values& values, Connection& cn, CursorType cursor, LockType lock)
{
    Q_UNUSED(cursor);
    if (isOpen())
        close();
    d->clear();
    d->statement = statement;
    d->values = values;
    d->isRendered = false;
    if (!cn.isOpen())
        throw closedError(d->source());

    QString sql = cn.translate(statement);
    EditableShape shape;
    if (lock != adLockReadOnly)
        shape = cn.prepared_->shape(sql);
    const QString table = shape.table;
    const bool byRowid = !table.isEmpty() && cn.kind() == Connection::Kind::Jet;
    if (byRowid)
        sql = shape.withRowid;

    d->cn = &cn;
    if (cn.kind() == Connection::Kind::Jet) {
        try {
            d->openLocal(sql, values, byRowid);
        } catch (...) {
            d->cn = nullptr;
            d->names.clear();
            d->index.clear();
            d->rows.clear();
            d->rowids.clear();
            throw;
        }
    } else {
        QSqlQuery query(cn.prepared_->db);
        query.setForwardOnly(true);
        if (!query.exec(values.isEmpty() ? sql : render(sql, values))) {
            d->cn = nullptr;
            throw errorFrom(query.lastError(), d->source());
        }

        const QSqlRecord record = query.record();
        const int columns = record.count();
        d->names.reserve(columns);
        for (int i = 0; i < columns; ++i)
            d->names << record.fieldName(i);
        indexNames(d->names, d->index, d->exact);

        d->rows.width = columns;
        while (query.next()) {
            for (int i = 0; i < columns; ++i)
                d->rows.push(query.isNull(i) ? QVariant() : query.value(i));
            ++d->rows.count;
        }
        query.finish();
    }

    d->cn = &cn;
    d->cnName = cn.name_;
    d->table = table;
    d->byRowid = byRowid;
    d->pos = 0;
    d->open = true;
}

void Recordset::Impl::openLocal(const QString& sql, const Values& values, bool withRowid)
{
    Connection::Prepared& p = *cn->prepared_;
    const Source source(statement, this->values);
    Statement& s = p.statement(sql, source);
    if (!s.stmt)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna sentencia que ejecutar."), source.text());
    p.bind(s, values, source);
    Use use(s);
    sqlite3_stmt* stmt = use.stmt();
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw cn->prepared_->failure(source);
    const int offset = withRowid ? 1 : 0;
    use->readColumns(offset);
    names = use->names;
    index = use->index;
    exact = use->exact;
    const int columns = int(names.size());
    rows.width = columns;
    const QVariant none;
    while (rc == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            // Read into its place; a text equal to the one above it in its
            // column (the day, the year, a code) shares that one's string.
            const qsizetype at = rows.used;
            readColumn(stmt, i + offset, rows.next(), rows.count > 0 ? rows.cell(at - columns) : none);
        }
        ++rows.count;
        if (withRowid)
            rowids.push_back(sqlite3_column_int64(stmt, 0));
        rc = sqlite3_step(stmt);
    }
    if (rc != SQLITE_DONE)
        throw cn->prepared_->failure(source);
}

void Recordset::close() { d->clear(); }

int Recordset::state() const { return d->open ? adStateOpen : adStateClosed; }

bool Recordset::eof() const { return !d->open || d->pos >= qsizetype(d->rows.size()); }

bool Recordset::bof() const { return !d->open || d->rows.empty() || d->pos < 0; }

void Recordset::moveFirst()
{
    d->requireOpen();
    if (d->edit != EditMode::None)
        update();
    d->pos = 0;
}

void Recordset::moveNext()
{
    d->requireOpen();
    if (d->edit != EditMode::None)
        update();
    d->requireCurrent();
    ++d->pos;
}

qint64 Recordset::recordCount() const { return d->open ? qint64(d->rows.size()) : -1; }

int Recordset::fieldCount() const { return int(d->names.size()); }

QString Recordset::fieldName(int index) const { return d->names.value(index); }

bool Recordset::hasField(const QString& name) const
{
    return d->exact.contains(name) || d->index.contains(name.toLower());
}

// The field as held, read where it lies: the readers below copy only what
// they return.
const QVariant& Recordset::Impl::value(const QString& name)
{
    requireOpen();
    const int i = column(name);
    if (edit != EditMode::None)
        return buffer.at(i);
    requireCurrent();
    readDefaults(pos, i);
    return rows.at(pos, i);
}

QVariant Recordset::field(const QString& name) const { return d->value(name); }

bool Recordset::isNull(const QString& name) const
{
    const QVariant& v = d->value(name);
    return !v.isValid() || v.isNull();
}

QString Recordset::text(const QString& name) const { return textOf(d->value(name)); }

double Recordset::number(const QString& name) const { return numberOf(d->value(name)); }

bool Recordset::isUpdatable() const { return d->open && !d->table.isEmpty(); }

qint64 Recordset::rowid() const
{
    if (!d->open || !d->byRowid || d->edit == EditMode::Adding || d->pos < 0
        || d->pos >= qsizetype(d->rowids.size()))
        return -1;
    return d->rowids[size_t(d->pos)];
}

void Recordset::addNew()
{
    d->requireUpdatable();
    if (d->edit != EditMode::None)
        update();
    d->buffer = QList<QVariant>(d->names.size());
    d->changed = QList<bool>(d->names.size(), false);
    d->edit = EditMode::Adding;
}

void Recordset::setField(const QString& name, const QVariant& value)
{
    d->requireUpdatable();
    const int i = d->column(name);
    if (d->edit == EditMode::None) {
        d->requireCurrent();
        d->readDefaults(d->pos, -1);
        d->buffer = d->rows.copy(d->pos);
        d->changed = QList<bool>(d->names.size(), false);
        d->edit = EditMode::Changing;
    }
    d->buffer[i] = value.typeId() == QMetaType::Bool ? yesNo(value.toBool()) : value;
    d->changed[i] = true;
}

void Recordset::cancelUpdate()
{
    d->edit = EditMode::None;
    d->buffer.clear();
    d->changed.clear();
}

void Recordset::update()
{
    d->requireOpen();
    if (d->edit == EditMode::None)
        return;
    try {
        d->requireConnection();
        if (d->edit == EditMode::Adding)
            d->insertRow();
        else
            d->updateRow();
    } catch (...) {
        // A failed write leaves nothing pending that a later move could
        // write behind the caller's back.
        cancelUpdate();
        throw;
    }
    cancelUpdate();
}

// Runs one of the recordset's own writes, its values bound in order.
Recordset::Impl::Written Recordset::Impl::write(const QString& sql, const QList<QVariant>& values)
{
    if (cn->kind() == Connection::Kind::Jet) {
        Connection::Prepared& p = *cn->prepared_;
        p.run(sql, values, Source(statement, this->values));
        return {sqlite3_changes64(p.handle), sqlite3_last_insert_rowid(p.handle)};
    }
    QSqlQuery& query = cn->prepared(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw errorFrom(query.lastError(), source());
    const Written done{query.numRowsAffected(), 0};
    query.finish();
    return done;
}

QList<QVariant> Recordset::Impl::changedValues() const
{
    QList<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (changed.at(i))
            values << bindable(buffer.at(i), cn->kind());
    }
    return values;
}

void Recordset::Impl::insertRow()
{
    QList<QVariant> values = changedValues();
    if (!insertText.matches(table, names, changed)) {
        QStringList columns;
        QStringList marks;
        for (int i = 0; i < names.size(); ++i) {
            if (!changed.at(i))
                continue;
            columns << bracketed(names.at(i));
            marks << QStringLiteral("?");
        }
        insertText.sql = columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        insertText.table = table;
        insertText.names = names;
        insertText.columns = changed;
    }
    const QString& insertSql = insertText.sql;

    const qint64 id = write(insertSql, values).rowid;

    rows.width = names.size();
    rows.append(buffer);
    pos = rows.size() - 1;
    if (byRowid) {
        rowids.push_back(id);
        // What the database filled in is read back only when asked for:
        // the staging adds hundreds of thousands of rows and reads none.
        if (changed.contains(false))
            unread.insert(pos, changed);
    }
}

// Picks up the defaults the database filled in, as a fresh read would show.
void Recordset::Impl::rereadInserted(qsizetype row)
{
    Connection::Prepared& p = *cn->prepared_;
    Use use(p.statement(QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(table), Source(statement, values)));
    sqlite3_bind_int64(use.stmt(), 1, rowids[size_t(row)]);
    if (sqlite3_step(use.stmt()) != SQLITE_ROW)
        return;
    use->readColumns(0);
    if (use->names.size() != names.size())
        return;
    QList<QVariant> values(names.size());
    for (int i = 0; i < names.size(); ++i)
        values[i] = columnValue(use.stmt(), i);
    rows.assign(row, values);
}

void Recordset::Impl::updateRow()
{
    QList<QVariant> values = changedValues();
    if (values.isEmpty())
        return;

    QString sql;
    if (byRowid) {
        values << rowids[size_t(pos)];
        if (!updateText.matches(table, names, changed)) {
            QStringList sets;
            for (int i = 0; i < names.size(); ++i) {
                if (changed.at(i))
                    sets << bracketed(names.at(i)) + QStringLiteral(" = ?");
            }
            updateText.sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(table, sets.join(QStringLiteral(", ")));
            updateText.table = table;
            updateText.names = names;
            updateText.columns = changed;
        }
        sql = updateText.sql;
    } else {
        QStringList sets;
        for (int i = 0; i < names.size(); ++i) {
            if (changed.at(i))
                sets << bracketed(names.at(i)) + QStringLiteral(" = ?");
        }
        // Without a key the row is found by everything it held when read.
        QStringList where;
        const QList<QVariant> original = rows.copy(pos);
        for (int i = 0; i < names.size(); ++i) {
            const QVariant& v = original.at(i);
            if (!v.isValid() || v.isNull()) {
                where << bracketed(names.at(i)) + QStringLiteral(" IS NULL");
            } else {
                where << bracketed(names.at(i)) + QStringLiteral(" = ?");
                values << v;
            }
        }
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(table, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
    }
    if (write(sql, values).changes == 0)
        throw Error(kRowNotFound,
                    QStringLiteral("No se encuentra la fila para actualizarla: sus valores han cambiado desde que se "
                                   "leyó."),
                    source());
    // The other fields are those read: the buffer holds them unchanged.
    rows.assign(pos, buffer, changed);
}

// --- Rows ---------------------------------------------------------------------

QString Row::source() const { return text_ ? Source(*text_, *values_).text() : QString(); }

int Row::column(const QString& name) const
{
    if (recordset_) {
        for (int i = 0; i < recordset_->fieldCount(); ++i) {
            if (recordset_->fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        throw itemNotFound(name, source());
    }
    const auto* s = static_cast<const Statement*>(statement_);
    const auto found = s->exact.constFind(name);
    if (found != s->exact.constEnd())
        return found.value();
    const auto it = s->index.constFind(name.toLower());
    if (it == s->index.constEnd())
        throw itemNotFound(name, source());
    return it.value();
}

QVariant Row::field(int column) const
{
    if (recordset_)
        return recordset_->field(recordset_->fieldName(column));
    return columnValue(static_cast<const Statement*>(statement_)->stmt, column);
}

bool Row::isNull(int column) const
{
    if (recordset_)
        return recordset_->isNull(recordset_->fieldName(column));
    return sqlite3_column_type(static_cast<const Statement*>(statement_)->stmt, column) == SQLITE_NULL;
}

QString Row::text(int column) const { return textOf(field(column)); }

double Row::number(int column) const { return numberOf(field(column)); }

void Rows::each(Connection& cn, const QString& statement, const Values& values,
                const std::function<void(const Row&)>& each)
{
    Row row;
    row.text_ = &statement;
    row.values_ = &values;
    if (cn.kind() != Connection::Kind::Jet || !cn.isOpen()) {
        Recordset rs;
        rs.open(statement, values, cn, adOpenForwardOnly, adLockReadOnly);
        row.recordset_ = &rs;
        for (; !rs.eof(); rs.moveNext())
            each(row);
        return;
    }
    const Source source(statement, values);
    Connection::Prepared& p = *cn.prepared_;
    Statement* s = &p.statement(cn.translate(statement), source);
    // A statement compiled for this once only must outlive the statements
    // `each` runs.
    std::unique_ptr<Statement> own;
    if (s == p.single.get())
        own = std::move(p.single);
    if (!s->stmt)
        throw Error(kCannotOpen, QStringLiteral("No hay ninguna sentencia que ejecutar."), source.text());
    p.bind(*s, values, source);
    struct Busy {
        Statement& s;
        explicit Busy(Statement& st) : s(st) { s.busy = true; }
        ~Busy() { s.busy = false; }
    } busy(*s);
    Use use(*s);
    row.statement_ = s;
    int rc = sqlite3_step(use.stmt());
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        use->readColumns(0);
    while (rc == SQLITE_ROW) {
        each(row);
        rc = sqlite3_step(use.stmt());
    }
    if (rc != SQLITE_DONE)
        throw p.failure(source);
}

} // namespace ado
