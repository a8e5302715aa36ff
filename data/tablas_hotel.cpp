#include "data/tablas_hotel.h"

namespace tablas {

namespace {

Columna t(const char* nombre, int ancho = 0) { return {QString::fromUtf8(nombre), Tipo::Texto, ancho}; }
Columna n(const char* nombre) { return {QString::fromUtf8(nombre), Tipo::Numero, 0}; }
Columna e(const char* nombre) { return {QString::fromUtf8(nombre), Tipo::Entero, 0}; }

Tabla hacer(const char* nombre, const char* archivo, QList<Columna> columnas, const char* ddl = nullptr)
{
    Tabla tabla;
    tabla.nombre = QString::fromUtf8(nombre);
    tabla.archivo = QString::fromUtf8(archivo);
    tabla.columnas = std::move(columnas);
    tabla.ddl = ddl ? QString::fromUtf8(ddl) : crear(tabla);
    return tabla;
}

QList<Tabla> construir_tablas_hotel()
{
    return {
        hacer("emi", "emi.MDB",
              {t("EmiAno", 4), t("EmiNum", 10), t("EmiFec", 8), t("EmiCli", 10), t("eMIC", 1), t("EmiNif", 20),
               t("EmiNom", 50), n("EmiTot"), n("EmiB1"), n("EmiB3"), n("EmiB4"), n("EmiI1"), n("EmiI2"), n("EmiI3"),
               n("EmiI4"), n("EmiC1"), n("EmiC3"), n("EmiC4"), n("TasaImporte"), n("EmiDep"), t("EmiN", 1),
               t("EmiCie", 1)}),
        hacer("Hiscadia", "hiscadia.MDB",
              {t("HCadiaFra", 10), t("HCadiaFraAno", 4), t("HCadiaCA", 1), n("HCadiaCan"), n("HCadiaPre"),
               t("HCadiaCta", 12), t("HCadiaSer", 2)}),
        hacer("Ca", "ca.MDB", {t("CaSer", 2), t("CaCta", 12)}),
        hacer("Cadia", "cadia.MDB", {t("CadiaSer", 2), t("CadiaCta", 12)}),
        hacer("Cli", "cli.MDB",
              {t("CliCod", 10), t("CliNom", 40), t("CliApe", 50), t("CliDni", 20), t("CliDir", 50), t("CliPob", 40),
               t("CliCp", 10), t("CliProv", 30), t("CliCta", 12)}),
        hacer("agen", "agen.MDB",
              {t("AgenCod", 10), t("AgenNom", 50), t("AgenFNom", 50), t("AgenDir", 50), t("AgenFDir", 50),
               t("Agencp", 10), t("AgenFcp", 10), t("AgenPob", 40), t("AgenFPob", 40), t("AgenProv", 30),
               t("AgenFProv", 30), t("AgenNif", 20), t("AgenCta", 12)}),
        hacer("na", "na.MDB",
              {t("NaCod", 10), t("NaNom", 50), t("NaNif", 20), t("NaDir", 50), t("NaPob", 40), t("NaCp", 10),
               t("NaProv", 30), t("NaCta", 12)}),
        hacer("caja", "caja.MDB",
              {t("CajaFec", 8), e("CajaOrd"), t("CajaFra", 10), t("CajaAnoF", 4), t("CajaCobroc", 1),
               t("CajaCobron", 30), t("CajaCon", 50), t("CajaCre", 1), n("CajaImp"), t("CajaPago", 1),
               t("CajaTur", 1)}),
        hacer("formas", "formas.MDB", {t("ForCod", 1), t("ForDes", 30), t("ForCta", 12)}),
        hacer("ser", "ser.MDB", {t("SerCod", 2), t("SerNom", 30), t("SerCta", 12)}),
    };
}

} // namespace

bool Tabla::tieneColumna(const QString& nombreColumna) const { return columna(nombreColumna) != nullptr; }

const Columna* Tabla::columna(const QString& nombreColumna) const
{
    for (const Columna& c : columnas)
        if (c.nombre.compare(nombreColumna, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QString tipo_sql(const Columna& columna)
{
    switch (columna.tipo) {
    case Tipo::Texto:
        return columna.ancho > 0 ? QStringLiteral("TEXT(%1)").arg(columna.ancho) : QStringLiteral("TEXT");
    case Tipo::Numero:
        return QStringLiteral("DOUBLE");
    case Tipo::Entero:
        return QStringLiteral("INTEGER");
    case Tipo::SiNo:
        return QStringLiteral("BIT");
    }
    return QStringLiteral("TEXT");
}

QString crear(const Tabla& tabla)
{
    QStringList partes;
    for (const Columna& c : tabla.columnas)
        partes << c.nombre + QLatin1Char(' ') + tipo_sql(c);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(tabla.nombre, partes.join(QStringLiteral(", ")));
}

const QList<Tabla>& tablas_hotel()
{
    static const QList<Tabla> tablas = construir_tablas_hotel();
    return tablas;
}

const Tabla* tabla_hotel(const QString& nombre)
{
    for (const Tabla& tabla : tablas_hotel())
        if (tabla.nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return &tabla;
    return nullptr;
}

namespace ajustes {

const QList<Ajuste>& columnas()
{
    static const QList<Ajuste> c = {
        {{clave, Tipo::Texto, 5}, QStringLiteral("KOVE3")},
        {{empresa, Tipo::Texto, 5}, QStringLiteral("00001")},
        {{digitos, Tipo::Entero}, 9},
        {{ruta, Tipo::Texto, 255}, QStringLiteral("F:\\NOCTARIS\\")},
        {{creditos, Tipo::SiNo}, true},
        {{desglosar, Tipo::SiNo}, false},
        {{iva_por_tipo, Tipo::SiNo}, true},
        {{agencias, Tipo::Texto, 12}, QStringLiteral("4301")},
        {{empresas, Tipo::Texto, 12}, QStringLiteral("4302")},
        {{clientes, Tipo::Texto, 12}, QStringLiteral("43000")},
        {{depositos, Tipo::Texto, 12}, QStringLiteral("561000000")},
        {{cuadre, Tipo::Texto, 12}, QStringLiteral("705999999")},
        {{iva, Tipo::Texto, 12}, QStringLiteral("47700000")},
        {{tasa, Tipo::Texto, 12}, QStringLiteral("47530000"), true},
        {{por_pasante, Tipo::SiNo}, false, true},
        {{crear_cuentas, Tipo::SiNo}, false, true},
        {{unica_pasantes, Tipo::SiNo}, false, true},
        {{zumeral, Tipo::SiNo}, false, true},
    };
    return c;
}

QVariantMap fila_nueva(bool actual)
{
    QVariantMap fila;
    for (const Ajuste& a : columnas())
        if (actual || !a.posterior)
            fila.insert(a.columna.nombre, a.nuevo);
    return fila;
}

} // namespace ajustes

Tabla ca3(bool actual)
{
    Tabla tabla;
    tabla.nombre = QStringLiteral("ca3");
    tabla.archivo = QStringLiteral("enlace3.MDB");
    for (const ajustes::Ajuste& a : ajustes::columnas())
        if (actual || !a.posterior)
            tabla.columnas << a.columna;
    tabla.ddl = crear(tabla);
    return tabla;
}

Tabla fac3(bool con_tasa)
{
    QList<Columna> columnas = {t("FacEje", 4),  t("FacFec", 8),  t("FacFra", 10), t("FacCli", 10), n("FacB0"),
                               n("FacB1"),      n("FacB2"),      n("FacB3"),      n("FacB4"),      n("FacI1"),
                               n("FacI2"),      n("FacI3"),      n("FacI4"),      n("FacC1"),      n("FacC2"),
                               n("FacC3"),      n("FacC4"),      n("FacTotal"),   t("FacNifC", 9), t("FacEst", 1),
                               t("FacCliN", 50), t("FacIvaR", 14), t("FacCtaC", 12)};
    if (con_tasa)
        columnas << n("FacTasa");
    return hacer("fac3", "enlace3.MDB", columnas);
}

Tabla fal3()
{
    return hacer("fal3", "enlace3.MDB",
                 {t("FalEmp", 5), t("FalEje", 4), e("FalOrden"), t("FalFra", 10), t("FalCta", 12), n("FalImp")});
}

Tabla caj3()
{
    return hacer("caj3", "enlace3.MDB",
                 {t("CajFec", 8), e("CajOrd"), n("CajImp"), t("CajFra", 10), t("CajCli", 12), t("CajAnoF", 4),
                  t("CajCre", 1), t("CajDep", 6), t("CajCobro", 12), t("CajCobroN", 30), t("CajEstado", 1)});
}

Tabla cre3()
{
    return hacer("cre3", "enlace3.MDB",
                 {t("Cre3Fec", 8), e("Cre3Ord"), t("Cre3FecValor", 8), t("Cre3Cli", 12), t("Cre3Cobro", 12),
                  t("Cre3CobroN", 30), t("Cre3Fra", 10), n("Cre3Imp"), t("Cre3Estado", 1)});
}

Tabla ctas3()
{
    return hacer("Ctas3", "enlace3.MDB",
                 {t("Cuenta", 12), t("Nombre", 30), t("Nif", 14), t("Siglas", 2), t("Direccion", 30),
                  t("Localidad", 20), t("Cp", 5), t("Provincia", 15), t("FechaAlta", 8), t("Estado", 1)},
                 "CREATE TABLE Ctas3 (Cuenta CHAR(12), Nombre CHAR(30), Nif CHAR(14), Siglas CHAR(2), "
                 "Direccion CHAR(30), Localidad CHAR(20), Cp CHAR(5), Provincia CHAR(15), FechaAlta CHAR(8), "
                 "Estado CHAR(1))");
}

Tabla edep3()
{
    return hacer("edep3", "enlace3.MDB",
                 {t("EdepFec", 8), t("EdepCli", 9), n("EdepImp"), t("EdepFra", 6), t("EdepEstado", 1)},
                 "CREATE TABLE edep3(EdepFec varchar(8), EdepCli varchar(9), EdepImp double, EdepFra varchar(6), "
                 "EdepEstado varchar(1))");
}

QList<Tabla> tablas_enlace(bool actual)
{
    QList<Tabla> tablas = {ca3(actual), fac3(actual), fal3(), caj3(), cre3()};
    if (actual)
        tablas << ctas3() << edep3();
    return tablas;
}

Tabla tabla_enlace(const QString& nombre)
{
    for (const Tabla& tabla : tablas_enlace(true))
        if (tabla.nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return tabla;
    return Tabla();
}

Tabla tabla(const QString& nombre)
{
    if (const Tabla* hotel = tabla_hotel(nombre))
        return *hotel;
    const Tabla enlace = tabla_enlace(nombre);
    if (!enlace.nombre.isEmpty())
        return enlace;
    for (Tabla fuera : {noctaris(), con(), vacio(), cta(), ter()})
        if (fuera.nombre.compare(nombre, Qt::CaseInsensitive) == 0)
            return fuera;
    return Tabla();
}

Tabla noctaris() { return hacer("noctaris", "C:\\noctaris.MDB", {t("cod", 1), t("unidad", 1)}); }

Tabla con() { return hacer("con", "INFHSYS.MDB", {t("ConTipo", 1), t("ConServer", 50), t("catalogo", 50)}); }

Tabla vacio() { return hacer("vacio", "C:\\noctaris\\wdb.mdb", {t("Vacio", 1)}); }

Tabla cta()
{
    return hacer("Cta", "", {t("CtaCod", 12), t("CtaNom", 40), t("CtaNif", 20), e("CtaNiv")});
}

Tabla ter()
{
    return hacer("TER", "",
                 {t("TerNif", 20), t("Ternom", 50), t("TerDi", 50), t("Terpob", 40), t("TerCp", 10),
                  t("TerPro", 30)});
}

} // namespace tablas
