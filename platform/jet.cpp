#include "platform/jet.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <cmath>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <vector>

extern "C" {
#include <mdbtools.h>
// Exported by libmdb but not declared in its header: where row `row` of the
// page in the handle's buffer starts and how long it is.
int mdb_find_row(MdbHandle* mdb, int row, int* start, size_t* len);
}

namespace jet {

namespace {

constexpr int kIdJet3 = 0x4A455433;  // 'JET3'
constexpr int kIdJet4 = 0x4A455434;  // 'JET4'

bool sustitutos_activos() { return qEnvironmentVariable("ENLACE3_JET_SUSTITUTO") == QLatin1String("1"); }

bool es_sqlite(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

int application_id(const QString& ruta)
{
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray cabecera = f.read(100);
    if (cabecera.size() < 72)
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(cabecera.constData()) + 68;
    return int((quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]));
}

// One cell on its way from the source to the copy.
struct Valor {
    enum Tipo { Nulo, Entero, Real, Texto, Binario } tipo = Nulo;
    qint64 entero = 0;
    double real = 0;
    QByteArray bytes;  // UTF-8 text or blob
};

struct ColumnaOrigen {
    QString nombre;
    QString tipo;  // declared SQLite type of the copy
};

// Where rows come from: a Jet file through libmdb, or an SQLite file.
class Origen {
public:
    virtual ~Origen() = default;
    virtual QStringList tablas() = 0;
    // Columns of the table; calls `fila` once per row. Returns an error text.
    virtual QString leer(const QString& tabla, std::vector<ColumnaOrigen>& columnas,
                         const std::function<QString(const std::vector<Valor>&)>& fila) = 0;
    // Column lists of the indexes worth having in the copy.
    virtual std::vector<QStringList> indices(const QString&) { return {}; }
};

// ---------------------------------------------------------------------------

class OrigenJet : public Origen {
public:
    explicit OrigenJet(const QString& ruta)
    {
        // libmdb converts text to the charset named by MDB_ICONV (UTF-8 when
        // unset); Jet 3 text is read as MDB_JET3_CHARSET, Windows-1252 unless
        // the installation says otherwise.
        if (qEnvironmentVariable("MDB_ICONV").compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0)
            qputenv("MDB_ICONV", "UTF-8");
        mdb_ = mdb_open(QFile::encodeName(ruta).constData(), MDB_NOFLAGS);
        // A file cut short mid-page is no whole database, and the library
        // may loop for ever over its last page.
        if (mdb_ && (mdb_->fmt->pg_size == 0 || QFileInfo(ruta).size() % qint64(mdb_->fmt->pg_size) != 0)) {
            mdb_close(mdb_);
            mdb_ = nullptr;
            incompleto_ = true;
        }
        if (mdb_) {
            // Memo fields are read whole up to this size.
            mdb_set_bind_size(mdb_, kTamano);
            mdb_set_boolean_fmt_numbers(mdb_);
        }
    }
    ~OrigenJet() override
    {
        if (mdb_)
            mdb_close(mdb_);
    }
    bool abierto() const { return mdb_ != nullptr; }
    bool incompleto() const { return incompleto_; }

    QStringList tablas() override
    {
        QStringList r;
        if (!mdb_read_catalog(mdb_, MDB_TABLE))
            return r;
        for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (e->object_type == MDB_TABLE && mdb_is_user_table(e))
                r << QString::fromUtf8(e->object_name);
        }
        return r;
    }

    QString leer(const QString& tabla, std::vector<ColumnaOrigen>& columnas,
                 const std::function<QString(const std::vector<Valor>&)>& fila) override
    {
        QByteArray nombre = tabla.toUtf8();
        MdbTableDef* t = mdb_read_table_by_name(mdb_, nombre.data(), MDB_TABLE);
        if (!t)
            return QStringLiteral("no se puede leer la tabla %1").arg(tabla);
        struct Liberar {
            MdbTableDef* t;
            ~Liberar() { mdb_free_tabledef(t); }
        } liberar{t};
        if (!mdb_read_columns(t))
            return QStringLiteral("no se pueden leer las columnas de la tabla %1").arg(tabla);
        mdb_read_indices(t);
        indices_.clear();
        for (unsigned i = 0; t->indices && i < t->indices->len; ++i) {
            auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->indices, i));
            QStringList cols;
            for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
                const int n = idx->key_col_num[k] - 1;
                if (n >= 0 && unsigned(n) < t->num_cols)
                    cols << QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, n))->name);
            }
            if (!cols.isEmpty() && cols.size() == int(idx->num_keys))
                indices_.push_back(cols);
        }

        const unsigned n = t->num_cols;
        columnas.clear();
        std::vector<std::unique_ptr<char[]>> buffers(n);
        std::vector<int> longitudes(n, 0);
        for (unsigned i = 0; i < n; ++i) {
            auto* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
            columnas.push_back({QString::fromUtf8(c->name), tipo_sqlite(c->col_type)});
            buffers[i] = std::make_unique<char[]>(kTamano + 1);
            mdb_bind_column(t, int(i + 1), buffers[i].get(), &longitudes[i]);
        }
        std::vector<MdbField> campos(n + 1);
        std::vector<Valor> valores(n);
        mdb_rewind_table(t);
        qint64 leidas = 0;
        while (mdb_fetch_row(t)) {
            ++leidas;
            // The row is still in the page buffer: crack it again for its
            // Null flags, which the bound texts cannot tell from "".
            int inicio = 0;
            size_t largo = 0;
            if (mdb_find_row(mdb_, int(t->cur_row) - 1, &inicio, &largo) != 0)
                return QStringLiteral("no se puede leer una fila de la tabla %1").arg(tabla);
            const int ncampos = mdb_crack_row(t, inicio, largo, campos.data());
            if (ncampos != int(n))
                return QStringLiteral("una fila de la tabla %1 no tiene las columnas de la tabla").arg(tabla);
            for (unsigned i = 0; i < n; ++i) {
                auto* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
                const MdbField& f = campos[i];
                Valor& v = valores[i];
                v.bytes.clear();
                if (c->col_type == MDB_BOOL) {
                    v.tipo = Valor::Entero;
                    v.entero = qstrcmp(buffers[i].get(), "0") == 0 || buffers[i][0] == '\0' ? 0 : -1;
                    continue;
                }
                if (f.is_null) {
                    v.tipo = Valor::Nulo;
                    continue;
                }
                switch (c->col_type) {
                case MDB_BYTE:
                case MDB_INT:
                case MDB_LONGINT:
                    v.tipo = Valor::Entero;
                    v.entero = QByteArray(buffers[i].get()).toLongLong();
                    break;
                case MDB_MONEY:
                case MDB_NUMERIC:
                    v.tipo = Valor::Real;
                    v.real = QByteArray(buffers[i].get()).toDouble();
                    break;
                case MDB_FLOAT:
                    v.tipo = Valor::Real;
                    v.real = double(mdb_get_single(mdb_->pg_buf, f.start));
                    break;
                case MDB_DOUBLE:
                    v.tipo = Valor::Real;
                    v.real = mdb_get_double(mdb_->pg_buf, f.start);
                    break;
                case MDB_DATETIME:
                    v.tipo = Valor::Texto;
                    v.bytes = fecha_jet(mdb_get_double(mdb_->pg_buf, f.start)).toUtf8();
                    break;
                case MDB_BINARY:
                    v.tipo = Valor::Binario;
                    v.bytes = QByteArray(reinterpret_cast<const char*>(mdb_->pg_buf) + f.start, f.siz);
                    break;
                case MDB_OLE: {
                    v.tipo = Valor::Binario;
                    size_t tam = 0;
                    void* datos = mdb_ole_read_full(mdb_, c, &tam);
                    if (datos) {
                        v.bytes = QByteArray(static_cast<const char*>(datos), qsizetype(tam));
                        free(datos);
                    }
                    break;
                }
                default:
                    v.tipo = Valor::Texto;
                    v.bytes = QByteArray(buffers[i].get(), longitudes[i]);
                    break;
                }
            }
            const QString error = fila(valores);
            if (!error.isEmpty())
                return error;
        }
        // The table's own count says whether the pages held every row: a
        // damaged file must not pass for a smaller one.
        if (leidas != qint64(t->num_rows))
            return QStringLiteral("el archivo está incompleto o dañado: la tabla %1 tiene %2 filas y se han podido leer %3")
                .arg(tabla)
                .arg(t->num_rows)
                .arg(leidas);
        return QString();
    }

    std::vector<QStringList> indices(const QString&) override { return indices_; }

private:
    static constexpr size_t kTamano = 1 << 20;

    static QString tipo_sqlite(int tipo)
    {
        switch (tipo) {
        case MDB_BOOL:
            return QStringLiteral("BIT");
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return QStringLiteral("INTEGER");
        case MDB_MONEY:
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:
            return QStringLiteral("DOUBLE");
        case MDB_DATETIME:
            return QStringLiteral("DATETIME");
        case MDB_BINARY:
        case MDB_OLE:
            return QStringLiteral("BLOB");
        case MDB_MEMO:
            return QStringLiteral("MEMO");
        default:
            return QStringLiteral("TEXT");
        }
    }

    MdbHandle* mdb_ = nullptr;
    bool incompleto_ = false;
    std::vector<QStringList> indices_;
};

// ---------------------------------------------------------------------------

class OrigenSqlite : public Origen {
public:
    explicit OrigenSqlite(const QString& ruta)
    {
        if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~OrigenSqlite() override { sqlite3_close(db_); }
    bool abierto() const { return db_ != nullptr; }

    QStringList tablas() override
    {
        return textos("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                      "ORDER BY rowid");
    }

    QString leer(const QString& tabla, std::vector<ColumnaOrigen>& columnas,
                 const std::function<QString(const std::vector<Valor>&)>& fila) override
    {
        columnas.clear();
        sqlite3_stmt* info = nullptr;
        const QByteArray pragma = "PRAGMA table_info(" + cita(tabla) + ")";
        if (sqlite3_prepare_v2(db_, pragma.constData(), -1, &info, nullptr) != SQLITE_OK)
            return error();
        while (sqlite3_step(info) == SQLITE_ROW)
            columnas.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1))),
                                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 2)))});
        sqlite3_finalize(info);

        sqlite3_stmt* s = nullptr;
        const QByteArray sql = "SELECT * FROM " + cita(tabla) + " ORDER BY rowid";
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &s, nullptr) != SQLITE_OK)
            return error();
        std::vector<Valor> valores(columnas.size());
        int rc;
        QString fallo;
        while (fallo.isEmpty() && (rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (size_t i = 0; i < valores.size(); ++i) {
                Valor& v = valores[i];
                const int c = int(i);
                switch (sqlite3_column_type(s, c)) {
                case SQLITE_INTEGER:
                    v.tipo = Valor::Entero;
                    v.entero = sqlite3_column_int64(s, c);
                    break;
                case SQLITE_FLOAT:
                    v.tipo = Valor::Real;
                    v.real = sqlite3_column_double(s, c);
                    break;
                case SQLITE_TEXT:
                    v.tipo = Valor::Texto;
                    v.bytes = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                         sqlite3_column_bytes(s, c));
                    break;
                case SQLITE_BLOB:
                    v.tipo = Valor::Binario;
                    v.bytes = QByteArray(static_cast<const char*>(sqlite3_column_blob(s, c)),
                                         sqlite3_column_bytes(s, c));
                    break;
                default:
                    v.tipo = Valor::Nulo;
                    break;
                }
            }
            fallo = fila(valores);
        }
        if (fallo.isEmpty() && rc != SQLITE_DONE)
            fallo = error();
        sqlite3_finalize(s);
        return fallo;
    }

    std::vector<QStringList> indices(const QString& tabla) override
    {
        std::vector<QStringList> r;
        for (const QString& indice : textos("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?",
                                            tabla)) {
            const QStringList cols = textos("SELECT name FROM pragma_index_info(?) ORDER BY seqno", indice);
            if (!cols.isEmpty())
                r.push_back(cols);
        }
        return r;
    }

private:
    static QByteArray cita(const QString& nombre) { return '"' + nombre.toUtf8().replace('"', "\"\"") + '"'; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }
    // The first column of every row of `sql`, its "?" (if any) taking `valor`.
    QStringList textos(const char* sql, const QString& valor = QString())
    {
        QStringList r;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
            return r;
        const QByteArray texto = valor.toUtf8();
        if (sqlite3_bind_parameter_count(s) > 0
            && sqlite3_bind_text(s, 1, texto.constData(), int(texto.size()), SQLITE_TRANSIENT) != SQLITE_OK) {
            sqlite3_finalize(s);
            return r;
        }
        while (sqlite3_step(s) == SQLITE_ROW)
            r << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return r;
    }
    sqlite3* db_ = nullptr;
};

QByteArray cita(const QString& nombre) { return '"' + nombre.toUtf8().replace('"', "\"\"") + '"'; }

QString ejecutar(sqlite3* db, const QByteArray& sql)
{
    char* mensaje = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &mensaje) == SQLITE_OK)
        return QString();
    const QString r = QString::fromUtf8(mensaje ? mensaje : sqlite3_errmsg(db));
    sqlite3_free(mensaje);
    return r;
}

// Every failure but one of reading `origen` is one of writing `db`:
// `al_escribir` tells which.
QString volcar(Origen& origen, sqlite3* db, QStringList* copiadas, bool& al_escribir)
{
    al_escribir = true;
    QString fallo = ejecutar(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
    if (!fallo.isEmpty())
        return fallo;
    int numero_indice = 0;
    for (const QString& tabla : origen.tablas()) {
        std::vector<ColumnaOrigen> columnas;
        sqlite3_stmt* insertar = nullptr;
        const auto crear = [&]() -> QString {
            QByteArray ddl = "CREATE TABLE " + cita(tabla) + " (";
            QByteArray marcas;
            for (size_t i = 0; i < columnas.size(); ++i) {
                ddl += (i ? ", " : "") + cita(columnas[i].nombre) + ' ' + columnas[i].tipo.toUtf8();
                marcas += i ? ", ?" : "?";
            }
            ddl += ')';
            QString f = ejecutar(db, ddl);
            if (f.isEmpty()
                && sqlite3_prepare_v2(db, ("INSERT INTO " + cita(tabla) + " VALUES (" + marcas + ")").constData(), -1,
                                      &insertar, nullptr) != SQLITE_OK)
                f = QString::fromUtf8(sqlite3_errmsg(db));
            return f;
        };
        bool creada = false;
        al_escribir = false;
        const auto escrito = [&al_escribir](QString f) {
            al_escribir = !f.isEmpty();
            return f;
        };
        fallo = origen.leer(tabla, columnas, [&](const std::vector<Valor>& valores) -> QString {
            if (!creada) {
                creada = true;
                const QString f = crear();
                if (!f.isEmpty())
                    return escrito(f);
            }
            for (size_t i = 0; i < valores.size(); ++i) {
                const Valor& v = valores[i];
                const int p = int(i + 1);
                switch (v.tipo) {
                case Valor::Nulo: sqlite3_bind_null(insertar, p); break;
                case Valor::Entero: sqlite3_bind_int64(insertar, p, v.entero); break;
                case Valor::Real: sqlite3_bind_double(insertar, p, v.real); break;
                case Valor::Texto:
                    sqlite3_bind_text(insertar, p, v.bytes.constData(), int(v.bytes.size()), SQLITE_TRANSIENT);
                    break;
                case Valor::Binario:
                    sqlite3_bind_blob(insertar, p, v.bytes.constData(), int(v.bytes.size()), SQLITE_TRANSIENT);
                    break;
                }
            }
            const int rc = sqlite3_step(insertar);
            sqlite3_reset(insertar);
            return escrito(rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db)));
        });
        if (fallo.isEmpty() && !creada)
            fallo = escrito(crear());  // an empty table is copied too
        sqlite3_finalize(insertar);
        if (!fallo.isEmpty())
            return QStringLiteral("tabla %1: %2").arg(tabla, fallo);
        for (const QStringList& cols : origen.indices(tabla)) {
            QByteArray lista;
            for (const QString& c : cols)
                lista += (lista.isEmpty() ? "" : ", ") + cita(c);
            // An index only speeds the run's lookups up.
            ejecutar(db, "CREATE INDEX " + cita(QStringLiteral("copia_%1").arg(++numero_indice)) + " ON " + cita(tabla)
                             + " (" + lista + ")");
        }
        if (copiadas)
            *copiadas << tabla;
    }
    al_escribir = true;
    return ejecutar(db, "COMMIT");
}

} // namespace

Formato formato(const QString& localPath)
{
    QFile f(localPath);
    if (!f.open(QIODevice::ReadOnly))
        return Formato::Desconocido;
    const QByteArray cabecera = f.read(0x15);
    f.close();
    if (cabecera.startsWith(QByteArray("SQLite format 3\0", 16))) {
        if (sustitutos_activos()) {
            const int id = application_id(localPath);
            if (id == kIdJet3)
                return Formato::Jet3;
            if (id == kIdJet4)
                return Formato::Jet4;
        }
        return Formato::SQLite;
    }
    if (cabecera.size() == 0x15 && cabecera.mid(4, 16) == QByteArray("Standard Jet DB\0", 16)) {
        if (cabecera.at(0x14) == 0)
            return Formato::Jet3;
        if (cabecera.at(0x14) == 1)
            return Formato::Jet4;
    }
    return Formato::Desconocido;
}

bool es_jet(Formato f) { return f == Formato::Jet3 || f == Formato::Jet4; }

QString nombre(Formato f)
{
    switch (f) {
    case Formato::SQLite: return QStringLiteral("SQLite");
    case Formato::Jet3: return QStringLiteral("Access Jet 3 (Access 97)");
    case Formato::Jet4: return QStringLiteral("Access Jet 4 (Access 2000-2003)");
    default: return QStringLiteral("formato desconocido");
    }
}

bool marcar_sustituto(const QString& sqlitePath, Formato version)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(sqlitePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    const QByteArray sql = "PRAGMA application_id = " + QByteArray::number(version == Formato::Jet3 ? kIdJet3 : kIdJet4);
    const bool ok = ejecutar(db, sql).isEmpty();
    sqlite3_close(db);
    return ok;
}

QString fecha_jet(double valor)
{
    // The whole part counts days (negative before 30-12-1899); the fraction,
    // whatever the sign, is the time of the day.
    double dias = std::trunc(valor);
    qint64 segundos = qint64(std::llround(std::fabs(valor - dias) * 86400.0));
    if (segundos >= 86400) {
        segundos -= 86400;
        dias += valor < 0 ? -1 : 1;
    }
    const QDate d = QDate(1899, 12, 30).addDays(qint64(dias));
    const QTime t = QTime(0, 0).addSecs(int(segundos));
    return QStringLiteral("%1-%2-%3 %4")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.toString(QStringLiteral("hh:mm:ss")));
}

QString copiar(const QString& origen, const QString& destino, QStringList* tablas, bool* al_escribir)
{
    if (al_escribir)
        *al_escribir = false;
    const Formato f = formato(origen);
    std::unique_ptr<Origen> fuente;
    // A stand-in for a Jet file is an SQLite file all the same.
    if (f == Formato::SQLite || (es_jet(f) && es_sqlite(origen))) {
        auto s = std::make_unique<OrigenSqlite>(origen);
        if (!s->abierto())
            return QStringLiteral("no se puede abrir el archivo");
        fuente = std::move(s);
    } else if (es_jet(f)) {
        auto j = std::make_unique<OrigenJet>(origen);
        if (j->incompleto())
            return QStringLiteral("el archivo está incompleto o dañado: su tamaño no es un número entero de páginas");
        if (!j->abierto())
            return QStringLiteral("la biblioteca de Access no puede abrir el archivo");
        fuente = std::move(j);
    } else {
        return QStringLiteral("no es una base de datos Access ni SQLite");
    }
    QFile::remove(destino);
    sqlite3* db = nullptr;
    QString fallo;
    bool escribiendo = true;
    if (sqlite3_open_v2(QFile::encodeName(destino).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        fallo = QString::fromUtf8(sqlite3_errmsg(db));
    else
        fallo = volcar(*fuente, db, tablas, escribiendo);
    if (sqlite3_close(db) != SQLITE_OK && fallo.isEmpty()) {
        fallo = QStringLiteral("no se puede cerrar la copia");
        escribiendo = true;
    }
    if (!fallo.isEmpty())
        QFile::remove(destino);
    if (al_escribir)
        *al_escribir = !fallo.isEmpty() && escribiendo;
    return fallo;
}

} // namespace jet
