#include "demo/instalacion.h"

#include "data/tablas_hotel.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>


namespace demo {

namespace {

QAtomicInteger<quint64> contador_conexiones;

[[noreturn]] void fallar(const QString& texto)
{
    throw ErrorInstalacion(texto.toStdString());
}

bool es_tabla_enlace(const QString& tabla) { return !tablas::tabla_enlace(tabla).nombre.isEmpty(); }

QVariant valor_sql(const QVariant& valor)
{
    if (valor.typeId() == QMetaType::Bool)
        return valor.toBool() ? -1 : 0;
    return valor;
}

} // namespace

Opciones Opciones::pruebas()
{
    Opciones o;
    o.datos = false;
    o.enlace_antiguo = false;
    return o;
}

Opciones Opciones::demostracion()
{
    Opciones o;
    o.datos = true;
    o.enlace_antiguo = true;
    return o;
}

Instalacion::Instalacion(QString raiz, Opciones opciones)
    : raiz_(QDir::cleanPath(QDir(raiz).absolutePath())), opciones_(std::move(opciones))
{
}

Instalacion::~Instalacion() { cerrar(); }

void Instalacion::cerrar() const
{
    for (const QString& nombre : std::as_const(conexiones_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(nombre, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(nombre);
    }
    conexiones_.clear();
}

QString Instalacion::ruta(const QString& windowsPath) const { return unidades().toLocal(windowsPath); }

QString Instalacion::dir_servidor() const
{
    return opciones_.dir_servidor.isEmpty() ? raiz_ + QStringLiteral("/servidor") : opciones_.dir_servidor;
}

QString Instalacion::archivo_servidor() const { return dir_servidor() + QLatin1Char('/') + opciones_.catalogo; }

QString Instalacion::archivo_windows(const QString& tabla) const
{
    const QString datos = opciones_.unidad_hotel + QStringLiteral(":\\noctaris\\");
    if (const tablas::Tabla* hotel = tablas::tabla_hotel(tabla))
        return opciones_.servidor ? QString() : datos + hotel->archivo;
    if (es_tabla_enlace(tabla))
        return datos + QStringLiteral("enlace3.MDB");
    const QString nombre = tabla.toLower();
    if (nombre == "noctaris")
        return QStringLiteral("C:\\noctaris.MDB");
    if (nombre == "con")
        return datos + QStringLiteral("INFHSYS.MDB");
    if (nombre == "vacio")
        return QStringLiteral("C:\\noctaris\\wdb.mdb");
    if (nombre == "cta" || nombre == "ter")
        return opciones_.unidad_conta + QStringLiteral(":\\zumeral\\") + opciones_.empresa_zumeral +
               QStringLiteral("MAE.mdb");
    fallar(QStringLiteral("La tabla %1 no pertenece a ninguna base de datos de la instalación").arg(tabla));
}

QString Instalacion::archivo_tabla(const QString& tabla) const
{
    if (opciones_.servidor && tablas::tabla_hotel(tabla))
        return archivo_servidor();
    return ruta(archivo_windows(tabla));
}

QString Instalacion::conexion(const QString& archivoLocal) const
{
    auto it = conexiones_.constFind(archivoLocal);
    if (it != conexiones_.constEnd())
        return *it;
    const QString nombre = QStringLiteral("demo-%1").arg(contador_conexiones.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
    db.setDatabaseName(archivoLocal);
    // The program may be writing the same file: wait for it a little.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        const QString error = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(nombre);
        fallar(QStringLiteral("No se puede abrir %1: %2").arg(archivoLocal, error));
    }
    // An installation is rebuilt rather than recovered: no need to wait for
    // the disk at every commit (tests build hundreds of them).
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous = OFF"));
    conexiones_.insert(archivoLocal, nombre);
    return nombre;
}

namespace {

void exigir_archivo(const QString& archivoLocal)
{
    if (!QFileInfo(archivoLocal).isFile())
        fallar(QStringLiteral("No existe la base de datos %1").arg(archivoLocal));
}

void ejecutar_sql(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, db.databaseName(), query.lastError().text()));
}

} // namespace

void Instalacion::crear_base(const QString& archivoLocal, const QStringList& ddl)
{
    if (QFileInfo::exists(archivoLocal))
        fallar(QStringLiteral("La base de datos %1 ya existe").arg(archivoLocal));
    if (!QDir().mkpath(QFileInfo(archivoLocal).absolutePath()))
        fallar(QStringLiteral("No se puede crear la carpeta de %1").arg(archivoLocal));
    QSqlDatabase db = QSqlDatabase::database(conexion(archivoLocal));
    db.transaction();
    for (const QString& sentencia : ddl)
        ejecutar_sql(db, sentencia);
    db.commit();
}

void Instalacion::ejecutar_en(const QString& windowsPath, const QString& sql)
{
    ejecutar_en_archivo(ruta(windowsPath), sql);
}

QList<QVariantMap> Instalacion::consultar_en(const QString& windowsPath, const QString& sql) const
{
    return consultar_en_archivo(ruta(windowsPath), sql);
}

void Instalacion::ejecutar(const QString& tabla, const QString& sql)
{
    ejecutar_en_archivo(archivo_tabla(tabla), sql);
}

QList<QVariantMap> Instalacion::consultar(const QString& tabla, const QString& sql) const
{
    return consultar_en_archivo(archivo_tabla(tabla), sql);
}

void Instalacion::ejecutar_en_archivo(const QString& archivo, const QString& sql)
{
    exigir_archivo(archivo);
    QSqlDatabase db = QSqlDatabase::database(conexion(archivo));
    ejecutar_sql(db, sql);
}

QList<QVariantMap> Instalacion::consultar_en_archivo(const QString& archivo, const QString& sql) const
{
    exigir_archivo(archivo);
    QSqlDatabase db = QSqlDatabase::database(conexion(archivo));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, archivo, query.lastError().text()));
    QList<QVariantMap> filas;
    while (query.next()) {
        const QSqlRecord registro = query.record();
        QVariantMap fila;
        for (int i = 0; i < registro.count(); ++i) {
            const QVariant v = query.value(i);
            fila.insert(registro.fieldName(i), v.isNull() ? QVariant() : v);
        }
        filas << fila;
    }
    return filas;
}

QList<QVariantMap> Instalacion::filas(const QString& tabla, const QString& orden) const
{
    return consultar(tabla, QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                                .arg(tabla, orden.isEmpty() ? QStringLiteral("rowid") : orden));
}

int Instalacion::contar(const QString& tabla, const QString& where) const
{
    QString sql = QStringLiteral("SELECT COUNT(*) AS n FROM %1").arg(tabla);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return consultar(tabla, sql).value(0).value(QStringLiteral("n")).toInt();
}

QStringList Instalacion::columnas(const QString& tabla) const
{
    QStringList nombres;
    for (const QVariantMap& fila : consultar(tabla, QStringLiteral("PRAGMA table_info(%1)").arg(tabla)))
        nombres << fila.value(QStringLiteral("name")).toString();
    return nombres;
}

void Instalacion::insertar(const QString& tabla, const QVariantMap& columnas)
{
    insertar(tabla, QList<QVariantMap>{columnas});
}

void Instalacion::insertar(const QString& tabla, const QList<QVariantMap>& filas)
{
    if (filas.isEmpty())
        return;
    const QString archivo = archivo_tabla(tabla);
    exigir_archivo(archivo);
    QSqlDatabase db = QSqlDatabase::database(conexion(archivo));
    db.transaction();
    QSqlQuery query(db);
    QString preparada;
    for (const QVariantMap& fila : filas) {
        const QStringList nombres = fila.keys();
        QStringList marcas;
        for (int i = 0; i < nombres.size(); ++i)
            marcas << QStringLiteral("?");
        const QString sql = nombres.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tabla)
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(tabla, nombres.join(QStringLiteral(", ")), marcas.join(QStringLiteral(", ")));
        if (sql != preparada) {
            if (!query.prepare(sql)) {
                db.rollback();
                fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, archivo, query.lastError().text()));
            }
            preparada = sql;
        }
        for (int i = 0; i < nombres.size(); ++i)
            query.bindValue(i, valor_sql(fila.value(nombres[i])));
        if (!query.exec()) {
            const QString error = query.lastError().text();
            db.rollback();
            fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, archivo, error));
        }
    }
    db.commit();
}

void Instalacion::vaciar(const QString& tabla) { ejecutar(tabla, QStringLiteral("DELETE FROM %1").arg(tabla)); }

void Instalacion::configurar(const QVariantMap& columnas_ca3)
{
    if (columnas_ca3.isEmpty())
        return;
    const QString archivo = archivo_tabla(QStringLiteral("ca3"));
    exigir_archivo(archivo);
    QSqlDatabase db = QSqlDatabase::database(conexion(archivo));
    QStringList asignaciones;
    for (const QString& nombre : columnas_ca3.keys())
        asignaciones << nombre + QStringLiteral(" = ?");
    const QString sql =
        QStringLiteral("UPDATE ca3 SET %1 WHERE Ca3Key = 'KOVE3'").arg(asignaciones.join(QStringLiteral(", ")));
    QSqlQuery query(db);
    if (!query.prepare(sql))
        fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, archivo, query.lastError().text()));
    int i = 0;
    for (const QVariant& valor : columnas_ca3)
        query.bindValue(i++, valor_sql(valor));
    if (!query.exec())
        fallar(QStringLiteral("Error en «%1» sobre %2: %3").arg(sql, archivo, query.lastError().text()));
}

QVariantMap Instalacion::plantilla(const QString& tabla)
{
    const tablas::Tabla d = tablas::tabla(tabla);
    if (d.nombre.isEmpty())
        fallar(QStringLiteral("La tabla %1 no pertenece a ninguna base de datos de la instalación").arg(tabla));
    QVariantMap fila;
    for (const tablas::Columna& c : d.columnas) {
        switch (c.tipo) {
        case tablas::Tipo::Texto: fila.insert(c.nombre, QStringLiteral("")); break;
        case tablas::Tipo::Numero: fila.insert(c.nombre, 0.0); break;
        case tablas::Tipo::Entero:
        case tablas::Tipo::SiNo: fila.insert(c.nombre, 0); break;
        }
    }
    return fila;
}

void Instalacion::construir()
{
    construir_unidades();
    construir_sistema();
    construir_hotel();
    construir_enlace();
    construir_trabajo();
    construir_zumeral();
    if (opciones_.datos)
        generar(*this, opciones_.tamano);
}

void Instalacion::construir_unidades()
{
    // Every drive the installation uses exists even where no file lies yet.
    for (const QString& unidad : {QStringLiteral("c"), opciones_.unidad_hotel.toLower(), opciones_.unidad_conta.toLower()})
        QDir().mkpath(raiz_ + QLatin1Char('/') + unidad + QLatin1Char(':'));
    QDir().mkpath(raiz_ + QLatin1Char('/') + opciones_.unidad_hotel.toLower() + QStringLiteral(":/noctaris"));
    crear_base(ruta(QStringLiteral("C:\\noctaris.MDB")), {tablas::noctaris().ddl});
    insertar(QStringLiteral("noctaris"),
             QList<QVariantMap>{{{"cod", "1"}, {"unidad", opciones_.unidad_hotel}},
                                {{"cod", "2"}, {"unidad", opciones_.unidad_conta}}});
}

void Instalacion::construir_sistema()
{
    if (!opciones_.infhsys)
        return;
    crear_base(archivo_tabla(QStringLiteral("con")), {tablas::con().ddl});
    if (opciones_.servidor)
        insertar(QStringLiteral("con"), QVariantMap{{"ConTipo", "1"},
                                                    {"ConServer", opciones_.nombre_servidor},
                                                    {"catalogo", opciones_.catalogo}});
    else
        insertar(QStringLiteral("con"), QVariantMap{{"ConTipo", "0"}, {"ConServer", ""}, {"catalogo", ""}});
}

namespace {

// The keys a hotel's database has on the codes the link looks rows up by.
// Only lookups by equal codes use them, so the rows of every range read
// come in the order they were written, as without them; and they are not
// unique, so a test can still write the odd duplicate it needs.
QStringList claves_hotel(const QString& tabla)
{
    const QString t = tabla.toLower();
    if (t == QLatin1String("emi"))
        return {QStringLiteral("CREATE INDEX emi_clave ON emi (EmiAno, EmiNum)")};
    if (t == QLatin1String("hiscadia"))
        return {QStringLiteral("CREATE INDEX hiscadia_factura ON Hiscadia (HCadiaFra, HCadiaFraAno)")};
    if (t == QLatin1String("cli"))
        return {QStringLiteral("CREATE INDEX cli_clave ON Cli (CliCod)")};
    if (t == QLatin1String("agen"))
        return {QStringLiteral("CREATE INDEX agen_clave ON agen (AgenCod)")};
    if (t == QLatin1String("na"))
        return {QStringLiteral("CREATE INDEX na_clave ON na (NaCod)")};
    if (t == QLatin1String("formas"))
        return {QStringLiteral("CREATE INDEX formas_clave ON formas (ForCod)")};
    return {};
}

} // namespace

void Instalacion::construir_hotel()
{
    if (opciones_.servidor) {
        QStringList ddl;
        for (const tablas::Tabla& tabla : tablas::tablas_hotel())
            ddl << tabla.ddl << claves_hotel(tabla.nombre);
        QDir().mkpath(dir_servidor());
        crear_base(archivo_servidor(), ddl);
        return;
    }
    for (const tablas::Tabla& tabla : tablas::tablas_hotel())
        crear_base(archivo_tabla(tabla.nombre), QStringList{tabla.ddl} << claves_hotel(tabla.nombre));
}

void Instalacion::construir_enlace()
{
    const bool actual = !opciones_.antiguo();
    QStringList ddl;
    for (const tablas::Tabla& tabla : tablas::tablas_enlace(actual))
        ddl << tabla.ddl;
    crear_base(archivo_tabla(QStringLiteral("ca3")), ddl);

    insertar(QStringLiteral("ca3"), tablas::ajustes::fila_nueva(actual));
}

void Instalacion::construir_trabajo()
{
    crear_base(ruta(QStringLiteral("C:\\noctaris\\wdb.mdb")), {tablas::vacio().ddl});
}

void Instalacion::construir_zumeral()
{
    crear_base(archivo_tabla(QStringLiteral("Cta")), {tablas::cta().ddl, tablas::ter().ddl});
}

void construir_demo(const QString& raiz) { Instalacion(raiz, Opciones::demostracion()).construir(); }

} // namespace demo
