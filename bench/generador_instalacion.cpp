#include "generador_instalacion.h"

#include <QDate>
#include <QList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <random>

namespace generador {

namespace {

constexpr int kClientes = 4000;
constexpr int kAgencias = 30;
constexpr int kEmpresas = 40;
constexpr int kFilasPorLote = 20000;

struct Concepto {
    const char* cuenta;
    double precio;
};

const Concepto kConceptos[] = {
    {"705000001", 85.0},   // Alojamiento
    {"705000002", 9.5},    // Desayuno
    {"705000003", 24.0},   // Media pensión
    {"705000004", 31.35},  // Restaurante
    {"705000005", 4.2},    // Bar
    {"705000006", 12.0},   // Lavandería
    {"", 1.125},           // Teléfono, without account
    {"705000008", 15.0},   // Parking
};

const char* const kNombres[] = {"José María", "Núñez", "O'Connor", "Ibáñez", "García", "Martínez",
                                "Müller", "Smith", "Rossi", "Dupont"};

// Rows go in in groups: a whole year of QVariantMaps at once would take a
// lot of memory for nothing.
class Lotes {
public:
    Lotes(demo::Instalacion& inst, QString tabla) : inst_(inst), tabla_(std::move(tabla)) {}
    ~Lotes() { vaciar(); }
    void agregar(QVariantMap fila)
    {
        filas_ << std::move(fila);
        if (filas_.size() >= kFilasPorLote)
            vaciar();
    }
    void vaciar()
    {
        inst_.insertar(tabla_, filas_);
        filas_.clear();
    }

private:
    demo::Instalacion& inst_;
    QString tabla_;
    QList<QVariantMap> filas_;
};

double centimos(std::mt19937& rng, int desde, int hasta)
{
    return std::uniform_int_distribution<int>(desde, hasta)(rng) / 100.0;
}

void crear_maestros(demo::Instalacion& inst)
{
    QList<QVariantMap> clientes;
    for (int i = 0; i < kClientes; ++i) {
        const QString cod = QString::number(10000 + i);
        QVariant cuenta;   // walk-in customers: Null, "" or " "
        switch (i % 6) {
        case 0: case 1: case 2: cuenta = QStringLiteral("43") + QString::number(1000000 + i); break;
        case 3: cuenta = QVariant(); break;
        case 4: cuenta = QStringLiteral(""); break;
        default: cuenta = QStringLiteral(" "); break;
        }
        clientes << QVariantMap{{"CliCod", cod},
                                {"CliNom", QString::fromUtf8(kNombres[i % 10])},
                                {"CliApe", QString::fromUtf8(kNombres[(i / 10) % 10]) + QStringLiteral(" ") + cod},
                                {"CliDni", QString::number(40000000 + i) + QStringLiteral("X")},
                                {"CliDir", QStringLiteral("Calle Mayor ") + QString::number(i % 200)},
                                {"CliPob", QStringLiteral("Palma")},
                                {"CliCp", QStringLiteral("07001")},
                                {"CliProv", QStringLiteral("Baleares")},
                                {"CliCta", cuenta}};
    }
    inst.insertar(QStringLiteral("Cli"), clientes);

    QList<QVariantMap> agencias;
    for (int i = 0; i < kAgencias; ++i) {
        const QString cod = QString::number(200 + i);
        agencias << QVariantMap{{"AgenCod", cod},
                                {"AgenNom", QStringLiteral("Viajes ") + cod},
                                {"AgenFNom", i % 2 ? QStringLiteral("Viajes y Turismo ") + cod : QStringLiteral("")},
                                {"AgenDir", QStringLiteral("Avenida ") + cod},
                                {"AgenFDir", QStringLiteral("")},
                                {"Agencp", QStringLiteral("08001")},
                                {"AgenFcp", QStringLiteral("")},
                                {"AgenPob", QStringLiteral("Barcelona")},
                                {"AgenFPob", QStringLiteral("")},
                                {"AgenProv", QStringLiteral("Barcelona")},
                                {"AgenFProv", QStringLiteral("")},
                                {"AgenNif", QStringLiteral("B0800") + cod},
                                {"AgenCta", i % 3 ? QStringLiteral("") : QStringLiteral("430100") + cod}};
    }
    inst.insertar(QStringLiteral("agen"), agencias);

    QList<QVariantMap> empresas;
    for (int i = 0; i < kEmpresas; ++i) {
        const QString cod = QString::number(300 + i);
        empresas << QVariantMap{{"NaCod", cod},
                                {"NaNom", QStringLiteral("Empresa ") + cod + QStringLiteral(" S.L.")},
                                {"NaNif", QStringLiteral("B0700") + cod},
                                {"NaDir", QStringLiteral("Polígono ") + cod},
                                {"NaPob", QStringLiteral("Inca")},
                                {"NaCp", QStringLiteral("07300")},
                                {"NaProv", QStringLiteral("Baleares")},
                                {"NaCta", i % 4 ? QStringLiteral("") : QStringLiteral("430200") + cod}};
    }
    inst.insertar(QStringLiteral("na"), empresas);

    inst.insertar(QStringLiteral("formas"),
                  QList<QVariantMap>{{{"ForCod", "1"}, {"ForDes", "Contado"}, {"ForCta", "570000001"}},
                                     {{"ForCod", "2"}, {"ForDes", "Tarjeta de crédito"}, {"ForCta", "572000001"}},
                                     {{"ForCod", "3"}, {"ForDes", "Transferencia bancaria"}, {"ForCta", "572000002"}},
                                     {{"ForCod", "4"}, {"ForDes", "Talón"}, {"ForCta", QVariant()}}});
}

// The date keys of a large hotel's own tables (the builder gives every
// installation the keys of the codes): a year of rows is read by date range.
void crear_claves_hotel(demo::Instalacion& inst)
{
    inst.ejecutar(QStringLiteral("emi"), QStringLiteral("CREATE INDEX emi_fecha ON emi (EmiFec)"));
    inst.ejecutar(QStringLiteral("caja"), QStringLiteral("CREATE INDEX caja_fecha ON caja (CajaFec, CajaOrd)"));
}

struct Emitida {
    QString numero;
    double total;
};

} // namespace

QString fecha_dia(const Parametros& p, int n)
{
    return QDate(p.anyo, 1, 1).addDays(n).toString(QStringLiteral("yyyyMMdd"));
}

Totales generar(const QString& raiz, const Parametros& p)
{
    demo::Opciones opciones = demo::Opciones::pruebas();
    opciones.anyo = p.anyo;
    demo::Instalacion inst(raiz, opciones);
    inst.construir();
    inst.configurar({{"ca3nif", true}, {"Ca3CrearCuentas", true}});

    std::mt19937 rng(p.semilla);
    Totales totales;
    crear_maestros(inst);
    totales.clientes = kClientes + kAgencias + kEmpresas;

    const QString ano = QString::number(p.anyo);
    qint64 numero = 0;
    QList<Emitida> pendientes_de_cobro;
    {
        Lotes emi(inst, QStringLiteral("emi"));
        Lotes hiscadia(inst, QStringLiteral("Hiscadia"));
        Lotes caja(inst, QStringLiteral("caja"));
        std::uniform_int_distribution<int> por_cien(0, 99);
        std::uniform_int_distribution<int> concepto(0, int(std::size(kConceptos)) - 1);
        for (int dia = 0; dia < p.dias; ++dia) {
            const QString fecha = fecha_dia(p, dia);
            for (int f = 0; f < p.facturas_dia; ++f) {
                const QString num = QString::number(++numero);
                const int tipo_cliente = por_cien(rng);
                QString clase = QStringLiteral("0");
                QString cliente = QString::number(10000 + int(rng() % kClientes));
                if (tipo_cliente >= 92) {
                    clase = QStringLiteral("2");
                    cliente = QString::number(300 + int(rng() % kEmpresas));
                } else if (tipo_cliente >= 80) {
                    clase = QStringLiteral("1");
                    cliente = QString::number(200 + int(rng() % kAgencias));
                }
                // Sales lines first: the invoice total is what they add up to.
                double ventas = 0;
                for (int l = 0; l < p.lineas_factura; ++l) {
                    const Concepto& c = kConceptos[concepto(rng)];
                    const double cantidad = 1 + int(rng() % 4);
                    const bool abono = por_cien(rng) < 5;
                    const double importe = cantidad * c.precio;
                    ventas += abono ? -importe : importe;
                    hiscadia.agregar({{"HCadiaFra", num},
                                      {"HCadiaFraAno", ano},
                                      {"HCadiaCA", abono ? QStringLiteral("-") : QStringLiteral("+")},
                                      {"HCadiaCan", cantidad},
                                      {"HCadiaPre", c.precio},
                                      {"HCadiaCta", QString::fromLatin1(c.cuenta)},
                                      {"HCadiaSer", QStringLiteral("01")}});
                    ++totales.lineas;
                }
                const double tasa = por_cien(rng) < 30 ? 1.0 + int(rng() % 5) : 0.0;
                const double total = std::round((ventas + tasa) * 100.0) / 100.0;
                const int serie = por_cien(rng);
                const double deposito = por_cien(rng) < 10 ? centimos(rng, 2000, 20000) : 0.0;
                emi.agregar({{"EmiAno", ano},
                             {"EmiNum", num},
                             {"EmiFec", fecha},
                             {"EmiCli", cliente},
                             {"eMIC", clase},
                             {"EmiNif", QStringLiteral("B07") + QString::number(100000 + int(rng() % 900000))},
                             {"EmiNom", QStringLiteral("Cliente ") + cliente},
                             {"EmiTot", total},
                             {"EmiB1", 0.0},
                             {"EmiB3", 0.0},
                             {"EmiB4", 0.0},
                             {"EmiI1", 21.0},
                             {"EmiI2", 10.0},
                             {"EmiI3", 4.0},
                             {"EmiI4", 0.0},
                             {"EmiC1", 0.0},
                             {"EmiC3", 0.0},
                             {"EmiC4", 0.0},
                             {"TasaImporte", tasa == 0.0 ? QVariant() : QVariant(tasa)},
                             {"EmiDep", serie == 50 ? QVariant() : QVariant(deposito)},
                             {"EmiN", serie == 0 ? QStringLiteral("B") : serie == 1 ? QVariant() : QStringLiteral("")},
                             {"EmiCie", QStringLiteral("1")}});
                ++totales.facturas;
                pendientes_de_cobro << Emitida{num, total};
            }

            // The day's collections: the invoices waiting to be paid, split
            // in two now and then, and advance payments without invoice.
            for (int c = 1; c <= p.cobros_dia; ++c) {
                QVariantMap cobro{{"CajaFec", fecha},
                                  {"CajaOrd", c},
                                  {"CajaCobroc", QString::number(1 + int(rng() % 4))},
                                  {"CajaCre", QStringLiteral("")},
                                  {"CajaPago", por_cien(rng) < 3 ? QStringLiteral("0") : QStringLiteral("1")},
                                  {"CajaTur", QStringLiteral("")}};
                cobro.insert(QStringLiteral("CajaCobron"), QStringLiteral("Forma ") + cobro.value("CajaCobroc").toString());
                if (pendientes_de_cobro.isEmpty() || por_cien(rng) < 8) {
                    cobro.insert(QStringLiteral("CajaFra"), QStringLiteral(""));
                    cobro.insert(QStringLiteral("CajaAnoF"), ano);
                    cobro.insert(QStringLiteral("CajaCon"), QStringLiteral("Anticipo nº ")
                                                                + QString::number(100000 + c).right(6));
                    cobro.insert(QStringLiteral("CajaImp"), centimos(rng, 5000, 30000));
                } else {
                    const Emitida e = pendientes_de_cobro.takeFirst();
                    cobro.insert(QStringLiteral("CajaFra"), e.numero);
                    cobro.insert(QStringLiteral("CajaAnoF"), ano);
                    cobro.insert(QStringLiteral("CajaCon"), QStringLiteral("Cobro factura ") + e.numero);
                    cobro.insert(QStringLiteral("CajaImp"), e.total);
                }
                caja.agregar(cobro);
                ++totales.cobros;
            }
            // What is not collected within a few days goes on credit.
            while (pendientes_de_cobro.size() > 3 * p.facturas_dia)
                pendientes_de_cobro.removeFirst();
        }
    }
    crear_claves_hotel(inst);
    inst.cerrar();
    return totales;
}

} // namespace generador
