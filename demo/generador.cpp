#include "demo/generador.h"

#include "demo/instalacion.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

// The same installation for the same seed on every machine: a generator of
// our own rather than the library's distributions, whose results may differ
// between implementations.
class Azar {
public:
    explicit Azar(unsigned semilla) : estado_(0x9E3779B97F4A7C15ull ^ semilla) {}
    quint64 siguiente()
    {
        quint64 z = (estado_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Whole number in [desde, hasta].
    int entre(int desde, int hasta) { return desde + int(siguiente() % quint64(hasta - desde + 1)); }
    bool porcentaje(int p) { return entre(1, 100) <= p; }
    template <typename T> const T& elegir(const QList<T>& lista) { return lista.at(entre(0, int(lista.size()) - 1)); }

private:
    quint64 estado_;
};

double euros(qint64 centimos) { return double(centimos) / 100.0; }

QString dni(int numero)
{
    static const char letras[] = "TRWAGMYFPDXBNJZSQVHLCKE";
    return QStringLiteral("%1%2").arg(numero, 8, 10, QLatin1Char('0')).arg(QLatin1Char(letras[numero % 23]));
}

struct Lugar {
    QString poblacion, provincia, cp;
};

const QList<Lugar>& lugares()
{
    static const QList<Lugar> l = {
        {"Madrid", "Madrid", "28013"},
        {"Barcelona", "Barcelona", "08001"},
        {"Sevilla", "Sevilla", "41001"},
        {"A Coruña", "A Coruña", "15001"},
        {"Logroño", "La Rioja", "26001"},
        {"Cádiz", "Cádiz", "11001"},
        {"L'Hospitalet de Llobregat", "Barcelona", "08901"},
        {"Castellón de la Plana", "Castellón", "12001"},
        {"Málaga", "Málaga", "29001"},
        {"Valencia", "Valencia", "46001"},
        {"Donostia-San Sebastián", "Gipuzkoa", "20001"},
        {"Palma", "Illes Balears", "07001"},
    };
    return l;
}

const QList<QString>& direcciones()
{
    static const QList<QString> d = {
        "Calle Mayor 12",
        "Avenida de la Constitución 145, 3º B, escalera izquierda",
        "Plaza de España 1",
        "Calle del Doctor Fleming 7",
        "Rambla de Catalunya 88",
        "Passeig de Gràcia 43",
        "Calle Real 5, bajo",
        "Camino de Santiago 21",
    };
    return d;
}

struct Servicio {
    QString codigo, nombre, cuenta;
};

const QList<Servicio>& servicios()
{
    static const QList<Servicio> s = {
        {"01", "Alojamiento", "705000001"}, {"02", "Desayuno", "705000002"},   {"03", "Media pensión", "705000003"},
        {"04", "Restaurante", "705000004"}, {"05", "Bar", "705000005"},        {"06", "Lavandería", "705000006"},
        {"07", "Teléfono", ""},             {"08", "Parking", "705000008"},
    };
    return s;
}

struct Forma {
    QString codigo, nombre;
    QVariant cuenta;
};

const QList<Forma>& formas_de_cobro()
{
    static const QList<Forma> f = {
        {"1", "Contado", "570000001"},
        {"2", "Tarjeta de crédito", "572000001"},
        {"3", "Transferencia bancaria", "572000002"},
        {"4", "Talón", QVariant()},
        {"5", "Crédito agencia", "430000000"},
    };
    return f;
}

struct Titular {
    QString codigo, nombre, nif, tipo;  // tipo: eMIC
};

// Rows go in in groups of this many: a whole year at once would take a lot
// of memory for nothing.
constexpr qsizetype kLote = 20000;

QString cinco_cifras(int n) { return QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0')); }

// The i-th holder of the hand-made list, or one made up past its end (a
// large hotel works with more agencies and companies than the list names).
template <typename Nuevo>
QStringList de_la_lista_o(const QList<QStringList>& lista, int i, Nuevo nuevo)
{
    return i < lista.size() ? lista[i] : nuevo();
}

void llenar_hotel(Instalacion& inst, const Tamano& t, Totales& tot)
{
    const Opciones& opciones = inst.opciones();
    Azar azar(opciones.semilla);
    const QDate inicio(opciones.anyo, opciones.mes, 1);
    const QString ano = QString::number(opciones.anyo);

    // Private customers.
    static const QList<QString> nombres = {"Ana",    "Lucía",  "Javier", "Carmen",        "Pedro",  "Jordi",
                                           "Núria",  "Íñigo",  "Begoña", "Raúl",          "Sofía",  "Tomás",
                                           "Inés",   "Álvaro", "Mónica", "Montserrat",    "Óscar",  "Joan"};
    static const QList<QString> apellidos = {"García López",    "Muñoz Pérez",     "Martínez Sáez",   "Fernández Ruiz",
                                             "Sánchez Gómez",   "Peña Domínguez",  "Puig i Solà",     "Rodríguez Martín",
                                             "Jiménez Cañete",  "Ortega Valdés",   "Castaño Ríos",    "Llorente Añón"};
    QList<QVariantMap> clientes;
    QList<Titular> particulares;
    for (int i = 0; i < t.clientes; ++i) {
        const QString codigo = QString::number(1001 + i);
        QString nombre = azar.elegir(nombres);
        QString apellido = azar.elegir(apellidos);
        if (i == 0) {
            nombre = "José María";
            apellido = "Núñez Ibáñez";
        } else if (i == 1) {
            nombre = "Seán";
            apellido = "O'Connor";
        } else if (i == 2) {
            nombre = "María de las Mercedes";
            apellido = "Fernández de Córdoba y Montalbán";
        }
        const Lugar& lugar = azar.elegir(lugares());
        QVariant cuenta;
        if (i % 2 == 0)
            cuenta = QStringLiteral("4300") + QStringLiteral("%1").arg(1001 + i, 5, 10, QLatin1Char('0'));
        else if (i % 6 == 3)
            cuenta = QStringLiteral("");
        else if (i % 6 == 5)
            cuenta = QStringLiteral(" ");
        // Foreign guests carry a passport number longer than a Spanish tax id.
        const QString nif = i % 10 == 7 ? QStringLiteral("PA%1").arg(4821000 + i * 37, 10, 10, QLatin1Char('0'))
                                        : dni(30000000 + i * 104729 % 9000000);
        clientes << QVariantMap{{"CliCod", codigo},         {"CliNom", nombre},       {"CliApe", apellido},
                                {"CliDni", nif},            {"CliDir", azar.elegir(direcciones())},
                                {"CliPob", lugar.poblacion}, {"CliCp", lugar.cp},    {"CliProv", lugar.provincia},
                                {"CliCta", cuenta}};
        particulares << Titular{codigo, nombre + QLatin1Char(' ') + apellido, nif, "0"};
    }
    inst.insertar(QStringLiteral("Cli"), clientes);

    // Travel agencies: some invoice under a billing name and address of their own.
    const QList<QStringList> agencias = {
        {"201", "Viajes Sol y Mar", "Viajes Sol y Mar, S.L.", "B12345674", "430120100"},
        {"202", "Iberotours", "", "A28000001", ""},
        {"203", "Viatges Catalunya", "Viatges Catalunya Incoming, S.A.", "A08123456", "430120300"},
        {"204", "Halcón Viajes Oficina Centro de Negocios Madrid", "", "A10005510", ""},
        {"205", "Rutas del Norte", "Rutas del Norte Cooperativa", "F33000012", ""},
        {"206", "Travel O'Brien Ltd.", "", "N0012345B", "430120600"},
        {"207", "Atlántida Viajes", "", "B41999888", ""},
        {"208", "Mundo Joven", "Mundo Joven Turismo Juvenil, S.L.", "B46555444", ""},
    };
    QList<QVariantMap> filasAgencias;
    QList<Titular> agenciasTitulares;
    for (int i = 0; i < t.agencias; ++i) {
        const QStringList a = de_la_lista_o(agencias, i, [i] {
            const QString cod = QString::number(201 + i);
            return QStringList{cod, "Viajes " + cod, i % 2 ? "Viajes y Turismo " + cod : "", "B0800" + cod,
                               i % 3 ? "" : "4301" + cinco_cifras(i)};
        });
        const Lugar& lugar = lugares().at(i % lugares().size());
        const bool facturacion = !a[2].isEmpty();
        filasAgencias << QVariantMap{
            {"AgenCod", a[0]},
            {"AgenNom", a[1]},
            {"AgenFNom", a[2]},
            {"AgenDir", direcciones().at(i % direcciones().size())},
            {"AgenFDir", facturacion ? QStringLiteral("Gran Vía 28, 5ª planta") : QString("")},
            {"Agencp", i == 1 ? QStringLiteral("E-08001") : lugar.cp},
            {"AgenFcp", facturacion ? QStringLiteral("28013") : QString("")},
            {"AgenPob", lugar.poblacion},
            {"AgenFPob", facturacion ? QStringLiteral("Madrid") : QString("")},
            {"AgenProv", lugar.provincia},
            {"AgenFProv", facturacion ? QStringLiteral("Madrid") : QString("")},
            {"AgenNif", a[3]},
            {"AgenCta", a[4]}};
        agenciasTitulares << Titular{a[0], facturacion ? a[2] : a[1], a[3], "1"};
    }
    inst.insertar(QStringLiteral("agen"), filasAgencias);

    const QList<QStringList> empresas = {
        {"301", "Construcciones y Reformas Hermanos García del Río, S.A.", "A28111222", "430230100"},
        {"302", "Telefónica Servicios Empresariales", "A82018474", ""},
        {"303", "Laboratorios Peñalara, S.L.", "B80444333", "430230300"},
        {"304", "Consultoría Ágil", "B87000111", ""},
        {"305", "Transportes L'Ebre", "B43222111", ""},
        {"306", "Hospital San Juan de Dios", "R2800123D", "430230600"},
    };
    QList<QVariantMap> filasEmpresas;
    QList<Titular> empresasTitulares;
    for (int i = 0; i < t.empresas; ++i) {
        const QStringList e = de_la_lista_o(empresas, i, [i] {
            const QString cod = QString::number(301 + i);
            return QStringList{cod, "Empresa " + cod + " S.L.", "B0700" + cod, i % 4 ? "" : "4302" + cinco_cifras(i)};
        });
        const Lugar& lugar = lugares().at((i + 3) % lugares().size());
        filasEmpresas << QVariantMap{{"NaCod", e[0]},
                                     {"NaNom", e[1]},
                                     {"NaNif", e[2]},
                                     {"NaDir", direcciones().at((i + 2) % direcciones().size())},
                                     {"NaPob", lugar.poblacion},
                                     {"NaCp", lugar.cp},
                                     {"NaProv", lugar.provincia},
                                     {"NaCta", e[3]}};
        empresasTitulares << Titular{e[0], e[1], e[2], "2"};
    }
    inst.insertar(QStringLiteral("na"), filasEmpresas);

    QList<QVariantMap> filasFormas;
    for (const Forma& f : formas_de_cobro())
        filasFormas << QVariantMap{{"ForCod", f.codigo}, {"ForDes", f.nombre}, {"ForCta", f.cuenta}};
    inst.insertar(QStringLiteral("formas"), filasFormas);

    QList<QVariantMap> filasServicios;
    for (const Servicio& s : servicios())
        filasServicios << QVariantMap{{"SerCod", s.codigo}, {"SerNom", s.nombre}, {"SerCta", s.cuenta}};
    inst.insertar(QStringLiteral("ser"), filasServicios);

    // Charges of the guests still in house: some lines carry an account
    // that no longer matches their concept, which regeneration rewrites.
    QList<QVariantMap> cargos, cargosDia;
    for (int i = 0; i < 24; ++i) {
        const Servicio& s = azar.elegir(servicios());
        const QString cuenta = i % 5 == 4 ? QStringLiteral("700000000") : s.cuenta;
        cargos << QVariantMap{{"CaSer", s.codigo}, {"CaCta", cuenta}};
        const Servicio& d = azar.elegir(servicios());
        cargosDia << QVariantMap{{"CadiaSer", d.codigo}, {"CadiaCta", i % 7 == 6 ? QString("") : d.cuenta}};
    }
    inst.insertar(QStringLiteral("Ca"), cargos);
    inst.insertar(QStringLiteral("Cadia"), cargosDia);

    // Invoices of the month, their lines and their collections.
    struct Cobro {
        int dia;
        QVariantMap fila;
    };
    QList<QVariantMap> facturas, lineas;
    QList<Cobro> cobros;
    static const QList<qint64> precios_noche = {6270, 7810, 9570, 12100};
    int numero = (opciones.mes - 1) * 400;
    int referencia = 1200 + opciones.mes * 100;
    bool anticipoSinFactura = false;
    const int dias = t.dias > 0 ? t.dias : inicio.daysInMonth();
    // A large period goes in in groups; the collections of a day are final
    // once no later invoice can put an advance payment on it.
    const auto volcar = [&inst](const QString& tabla, QList<QVariantMap>& filas, qsizetype desde, qint64& cuenta) {
        if (filas.size() < desde)
            return;
        cuenta += filas.size();
        inst.insertar(tabla, filas);
        filas.clear();
    };
    QList<QVariantMap> caja;
    int diaAnterior = 0, orden = 0;
    int dia_completo = 0;
    const auto asentar_cobros = [&](int hasta_dia) {
        // A busy desk also takes advance payments for stays still to come:
        // they fill each day, once final, up to its number of collections.
        while (dia_completo < hasta_dia) {
            const int dia = ++dia_completo;
            const auto del_dia = std::count_if(cobros.cbegin(), cobros.cend(), [dia](const Cobro& c) { return c.dia == dia; });
            for (qsizetype n = del_dia; n < t.cobros_dia; ++n) {
                ++referencia;
                cobros << Cobro{dia, QVariantMap{{"CajaFra", QStringLiteral("")},
                                                 {"CajaAnoF", ano},
                                                 {"CajaCobroc", "2"},
                                                 {"CajaCobron", "Tarjeta de crédito"},
                                                 {"CajaCon", QStringLiteral("Anticipo nº %1").arg(referencia, 6, 10, QLatin1Char('0'))},
                                                 {"CajaCre", "0"},
                                                 {"CajaImp", euros(azar.entre(50, 300) * 100)},
                                                 {"CajaPago", "1"},
                                                 {"CajaTur", "1"}}};
            }
        }
        std::stable_sort(cobros.begin(), cobros.end(), [](const Cobro& a, const Cobro& b) { return a.dia < b.dia; });
        qsizetype n = 0;
        for (; n < cobros.size() && cobros[n].dia <= hasta_dia; ++n) {
            Cobro& c = cobros[n];
            orden = c.dia == diaAnterior ? orden + 1 : 1;
            diaAnterior = c.dia;
            c.fila.insert("CajaFec", inicio.addDays(c.dia - 1).toString(QStringLiteral("yyyyMMdd")));
            c.fila.insert("CajaOrd", orden);
            caja << c.fila;
        }
        cobros.remove(0, n);
    };
    for (int dia = 1; dia <= dias; ++dia) {
        const QString fecha = inicio.addDays(dia - 1).toString(QStringLiteral("yyyyMMdd"));
        const int cuantas = azar.entre(t.facturas_dia_min, t.facturas_dia_max);
        for (int k = 0; k < cuantas; ++k) {
            ++numero;
            const QString num = QString::number(numero);
            const int tipo = azar.entre(1, 100);
            const Titular& titular = tipo <= 75   ? azar.elegir(particulares)
                                     : tipo <= 90 ? azar.elegir(agenciasTitulares)
                                                  : azar.elegir(empresasTitulares);
            const int noches = azar.entre(1, 5);
            const int personas = azar.entre(1, 2);
            const qint64 noche = azar.elegir(precios_noche);

            struct Linea {
                const Servicio* servicio;
                QString signo;
                int cantidad;
                qint64 precio;
            };
            QList<Linea> partes;
            partes << Linea{&servicios()[0], "+", noches, noche};
            if (azar.porcentaje(50))
                partes << Linea{&servicios()[1], "+", noches * personas, 950};
            if (azar.porcentaje(15))
                partes << Linea{&servicios()[2], "+", noches * personas, 2200};
            if (azar.porcentaje(20))
                partes << Linea{&servicios()[3], "+", azar.entre(1, 2), 2500 + azar.entre(0, 20) * 100};
            qint64 bar = 0;
            if (azar.porcentaje(30)) {
                const Linea l{&servicios()[4], "+", azar.entre(1, 4), 350 + azar.entre(0, 17) * 50};
                bar = l.cantidad * l.precio;
                partes << l;
            }
            if (azar.porcentaje(5))
                partes << Linea{&servicios()[5], "+", 1, 1200};
            if (azar.porcentaje(5))
                partes << Linea{&servicios()[6], "+", 1, 100 + azar.entre(0, 50) * 10};
            if (azar.porcentaje(15))
                partes << Linea{&servicios()[7], "+", noches, 1200};
            if (azar.porcentaje(10))
                partes << Linea{&servicios()[0], "-", 1, noche / 10};
            if (t.lineas_factura > 0) {
                while (partes.size() < t.lineas_factura)
                    partes << Linea{&servicios()[3], "+", 1, 2500 + azar.entre(0, 20) * 100};
                partes.resize(t.lineas_factura);
                if (std::none_of(partes.cbegin(), partes.cend(), [](const Linea& l) { return l.servicio == &servicios()[4]; }))
                    bar = 0;
            }

            qint64 lineasTotal = 0;
            for (const Linea& l : std::as_const(partes)) {
                const qint64 importe = l.cantidad * l.precio;
                lineasTotal += l.signo == "+" ? importe : -importe;
                lineas << QVariantMap{{"HCadiaFra", num},
                                      {"HCadiaFraAno", ano},
                                      {"HCadiaCA", l.signo},
                                      {"HCadiaCan", l.cantidad},
                                      {"HCadiaPre", euros(l.precio)},
                                      {"HCadiaCta", l.servicio->cuenta},
                                      {"HCadiaSer", l.servicio->codigo}};
            }

            QVariant tasa;
            const int t = azar.entre(1, 100);
            if (t <= 40)
                tasa = euros(qint64(noches) * personas * 90);
            else if (t <= 80)
                tasa = 0.0;
            const qint64 total = lineasTotal + (tasa.isValid() ? qint64(std::llround(tasa.toDouble() * 100)) : 0);

            QVariant deposito = 0.0;
            qint64 depositoCentimos = 0;
            const int d = azar.entre(1, 100);
            if (d <= 15 && total > 10000) {
                depositoCentimos = azar.porcentaje(50) ? 5000 : 10000;
                deposito = euros(depositoCentimos);
            } else if (d > 90) {
                deposito = QVariant();
            }

            QVariant serie = QStringLiteral("");
            const int s = azar.entre(1, 100);
            if (s > 95)
                serie = QStringLiteral("B");
            else if (s > 85)
                serie = QVariant();
            const QString cerrada = dia == dias && k % 2 == 1 ? QStringLiteral("0") : QStringLiteral("1");

            const qint64 base1 = bar ? qint64(std::llround(double(bar) / 1.21)) : 0;
            facturas << QVariantMap{{"EmiAno", ano},
                                    {"EmiNum", num},
                                    {"EmiFec", fecha},
                                    {"EmiCli", titular.codigo},
                                    {"eMIC", titular.tipo},
                                    {"EmiNif", titular.nif},
                                    {"EmiNom", titular.nombre},
                                    {"EmiTot", euros(total)},
                                    {"EmiB1", euros(base1)},
                                    {"EmiB3", 0.0},
                                    {"EmiB4", 0.0},
                                    {"EmiI1", 21.0},
                                    {"EmiI2", 10.0},
                                    {"EmiI3", 4.0},
                                    {"EmiI4", 0.0},
                                    {"EmiC1", euros(bar - base1)},
                                    {"EmiC3", 0.0},
                                    {"EmiC4", 0.0},
                                    {"TasaImporte", tasa},
                                    {"EmiDep", deposito},
                                    {"EmiN", serie},
                                    {"EmiCie", cerrada}};
            if (cerrada != "1")
                continue;

            // The advance payment, a few days before, without invoice.
            if (depositoCentimos > 0) {
                ++referencia;
                const bool sinReferencia = !anticipoSinFactura;
                anticipoSinFactura = true;
                cobros << Cobro{std::max(1, dia - azar.entre(1, 4)),
                                QVariantMap{{"CajaFra", sinReferencia ? QVariant() : QVariant(QStringLiteral(""))},
                                            {"CajaAnoF", ano},
                                            {"CajaCobroc", "2"},
                                            {"CajaCobron", "Tarjeta de crédito"},
                                            {"CajaCon", sinReferencia
                                                            ? QStringLiteral("Anticipo sin referencia")
                                                            : QStringLiteral("Anticipo nº %1").arg(referencia, 6, 10,
                                                                                                   QLatin1Char('0'))},
                                            {"CajaCre", "0"},
                                            {"CajaImp", euros(depositoCentimos)},
                                            {"CajaPago", "1"},
                                            {"CajaTur", "1"}}};
            }
            const qint64 pendiente = total - depositoCentimos;
            if (pendiente <= 0)
                continue;
            const bool credito = titular.tipo != "0" && azar.porcentaje(70);
            auto cobro = [&](const QString& forma, qint64 importe) {
                const Forma* f = nullptr;
                for (const Forma& candidata : formas_de_cobro())
                    if (candidata.codigo == forma)
                        f = &candidata;
                cobros << Cobro{dia, QVariantMap{{"CajaFra", num},
                                                 {"CajaAnoF", ano},
                                                 {"CajaCobroc", forma},
                                                 {"CajaCobron", f->nombre},
                                                 {"CajaCon", QStringLiteral("Cobro factura ") + num},
                                                 {"CajaCre", credito ? "1" : "0"},
                                                 {"CajaImp", euros(importe)},
                                                 {"CajaPago", credito ? "0" : "1"},
                                                 {"CajaTur", "1"}}};
            };
            if (credito) {
                cobro("5", pendiente);
            } else if (azar.porcentaje(20) && pendiente > 2000) {
                const qint64 parte = pendiente / 2;
                cobro("1", parte);
                cobro("2", pendiente - parte);
            } else {
                const int f = azar.entre(1, 100);
                cobro(f <= 40 ? "1" : f <= 90 ? "2" : f <= 95 ? "3" : "4", pendiente);
            }
        }
        asentar_cobros(dia - 4);
        volcar(QStringLiteral("emi"), facturas, kLote, tot.facturas);
        volcar(QStringLiteral("Hiscadia"), lineas, kLote, tot.lineas);
        volcar(QStringLiteral("caja"), caja, kLote, tot.cobros);
    }
    asentar_cobros(dias);
    volcar(QStringLiteral("emi"), facturas, 0, tot.facturas);
    volcar(QStringLiteral("Hiscadia"), lineas, 0, tot.lineas);
    volcar(QStringLiteral("caja"), caja, 0, tot.cobros);
    tot.titulares = t.clientes + t.agencias + t.empresas;
}

void llenar_enlace(Instalacion& inst)
{
    // What earlier transfers left: last month sent, credits of this month waiting.
    const QDate inicio(inst.opciones().anyo, inst.opciones().mes, 1);
    const QDate anterior = inicio.addMonths(-1);
    const QString anoAnterior = QString::number(anterior.year());
    QList<QVariantMap> facturas, cajas;
    for (int i = 0; i < 5; ++i) {
        const QString fecha = anterior.addDays(i * 5 + 2).toString(QStringLiteral("yyyyMMdd"));
        const QString num = QString::number(9001 + i);
        const double total = 110.0 + i * 55.0;
        const double base = std::nearbyint(total / 1.1 * 100) / 100;
        facturas << QVariantMap{{"FacEje", anoAnterior}, {"FacFec", fecha},      {"FacFra", num},
                                {"FacCli", "1001"},      {"FacB0", 0.0},        {"FacB1", 0.0},
                                {"FacB2", base},         {"FacB3", 0.0},        {"FacB4", 0.0},
                                {"FacI1", 21.0},         {"FacI2", 10.0},       {"FacI3", 4.0},
                                {"FacI4", 0.0},          {"FacC1", 0.0},        {"FacC2", total - base},
                                {"FacC3", 0.0},          {"FacC4", 0.0},        {"FacTotal", total},
                                {"FacNifC", "30000000L"}, {"FacEst", "1"},       {"FacCliN", "José María Núñez Ibáñez"},
                                {"FacIvaR", "4770000010"}, {"FacCtaC", "430001001"}};
        cajas << QVariantMap{{"CajFec", fecha},         {"CajOrd", 1},          {"CajImp", total},
                             {"CajFra", num},           {"CajCli", "430001001"}, {"CajAnoF", anoAnterior},
                             {"CajCre", "0"},           {"CajDep", ""},         {"CajCobro", "570000001"},
                             {"CajCobroN", "Contado"},  {"CajEstado", "1"}};
    }
    inst.insertar(QStringLiteral("fac3"), facturas);
    inst.insertar(QStringLiteral("caj3"), cajas);

    auto fecha = [&](int dia) { return inicio.addDays(dia - 1).toString(QStringLiteral("yyyyMMdd")); };
    const QList<QVariantMap> creditos = {
        {{"Cre3Fec", anterior.addDays(20).toString(QStringLiteral("yyyyMMdd"))}, {"Cre3Ord", 1},
         {"Cre3FecValor", anterior.addDays(22).toString(QStringLiteral("yyyyMMdd"))}, {"Cre3Cli", "430120100"},
         {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", "9002"},
         {"Cre3Imp", 165.0}, {"Cre3Estado", "1"}},
        {{"Cre3Fec", fecha(8)}, {"Cre3Ord", 1}, {"Cre3FecValor", fecha(10)}, {"Cre3Cli", "430120300"},
         {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", "9003"},
         {"Cre3Imp", 220.0}, {"Cre3Estado", "0"}},
        {{"Cre3Fec", fecha(15)}, {"Cre3Ord", 1}, {"Cre3FecValor", fecha(15)}, {"Cre3Cli", "4301204"},
         {"Cre3Cobro", "572000001"}, {"Cre3CobroN", "Tarjeta de crédito"}, {"Cre3Fra", "9004"},
         {"Cre3Imp", 275.5}, {"Cre3Estado", "0"}},
        {{"Cre3Fec", fecha(15)}, {"Cre3Ord", 2}, {"Cre3FecValor", fecha(18)}, {"Cre3Cli", "430230100"},
         {"Cre3Cobro", "572000002"}, {"Cre3CobroN", "Transferencia bancaria"}, {"Cre3Fra", "9005"},
         {"Cre3Imp", 330.0}, {"Cre3Estado", "0"}},
    };
    inst.insertar(QStringLiteral("cre3"), creditos);
}

void llenar_zumeral(Instalacion& inst)
{
    const QList<QVariantMap> cuentas = {
        {{"CtaCod", "4"}, {"CtaNom", "Acreedores y deudores"}, {"CtaNiv", 1}},
        {{"CtaCod", "43"}, {"CtaNom", "Clientes"}, {"CtaNiv", 2}},
        {{"CtaCod", "430"}, {"CtaNom", "Clientes"}, {"CtaNiv", 3}},
        {{"CtaCod", "4300"}, {"CtaNom", "Clientes (euros)"}, {"CtaNiv", 4}},
        {{"CtaCod", "430000001"}, {"CtaNom", "Núñez Ibáñez, José María"}, {"CtaNif", "30000000L"}, {"CtaNiv", 9}},
        {{"CtaCod", "430000002"}, {"CtaNom", "O'Connor, Seán"}, {"CtaNif", "X1234567L"}, {"CtaNiv", 9}},
        {{"CtaCod", "430000003"},
         {"CtaNom", "Construcciones y Reformas Hermanos García del Río"},
         {"CtaNif", "A28111222"},
         {"CtaNiv", 9}},
        {{"CtaCod", "430000004"}, {"CtaNom", "Cliente sin ficha de tercero"}, {"CtaNif", "B99999999"}, {"CtaNiv", 9}},
        {{"CtaCod", "430000005"}, {"CtaNom", "Clientes varios"}, {"CtaNif", QVariant()}, {"CtaNiv", 9}},
        {{"CtaCod", "4300000AB"}, {"CtaNom", "Cuenta mal codificada"}, {"CtaNif", ""}, {"CtaNiv", 9}},
        {{"CtaCod", "40"}, {"CtaNom", "Proveedores"}, {"CtaNiv", 2}},
        {{"CtaCod", "400000001"}, {"CtaNom", "Lavandería Industrial Peñalara"}, {"CtaNif", "B80444333"}, {"CtaNiv", 9}},
        {{"CtaCod", "400000002"}, {"CtaNom", "Distribuciones L'Alzina"}, {"CtaNif", "B43555666"}, {"CtaNiv", 9}},
        {{"CtaCod", "570000001"}, {"CtaNom", "Caja, euros"}, {"CtaNif", QVariant()}, {"CtaNiv", 9}},
    };
    inst.insertar(QStringLiteral("Cta"), cuentas);
    const QList<QVariantMap> terceros = {
        {{"TerNif", "30000000L"}, {"Ternom", "José María Núñez Ibáñez"}, {"TerDi", "Calle Mayor 12"},
         {"Terpob", "Madrid"}, {"TerCp", "28013"}, {"TerPro", "Madrid"}},
        {{"TerNif", "X1234567L"}, {"Ternom", "Seán O'Connor"}, {"TerDi", "Avenida de la Constitución 145, 3º B"},
         {"Terpob", "L'Hospitalet de Llobregat"}, {"TerCp", "08901"}, {"TerPro", "Barcelona"}},
        {{"TerNif", "A28111222"}, {"Ternom", "Construcciones y Reformas Hermanos García del Río, S.A."},
         {"TerDi", "Polígono Industrial Las Mercedes, nave 14"}, {"Terpob", "Castellón de la Plana"},
         {"TerCp", "12001"}, {"TerPro", "Castellón"}},
        {{"TerNif", "B80444333"}, {"Ternom", "Lavandería Industrial Peñalara, S.L."}, {"TerDi", "Calle Real 5"},
         {"Terpob", "Logroño"}, {"TerCp", "26001"}, {"TerPro", "La Rioja"}},
        {{"TerNif", "B43555666"}, {"Ternom", "Distribuciones L'Alzina"}, {"TerDi", "Rambla de Catalunya 88"},
         {"Terpob", "Barcelona"}, {"TerCp", "08001"}, {"TerPro", "Barcelona"}},
    };
    inst.insertar(QStringLiteral("TER"), terceros);
}

} // namespace

Tamano Tamano::mes() { return Tamano(); }

Tamano Tamano::anyo_grande()
{
    return Tamano{.dias = 365,
                  .clientes = 4000,
                  .agencias = 30,
                  .empresas = 40,
                  .facturas_dia_min = 165,
                  .facturas_dia_max = 165,
                  .lineas_factura = 3,
                  .cobros_dia = 250};
}

Totales generar(Instalacion& inst, const Tamano& tamano)
{
    Totales tot;
    llenar_hotel(inst, tamano, tot);
    llenar_enlace(inst);
    llenar_zumeral(inst);
    return tot;
}

} // namespace demo
