#include "generacion_support.h"

#include "app/arranque.h"
#include "cuentas_support.h"
#include "platform/cp1252.h"

#include <QFile>
#include <QtTest>

namespace pruebas_generacion {

QString sp(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString pad(const QString& texto, int ancho)
{
    return texto + sp(ancho - static_cast<int>(texto.size()));
}

Entorno::Entorno(const QVariantMap& ajustes)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    inst_ = std::make_unique<demo::Instalacion>(dir_.path(), demo::Opciones::pruebas());
    inst_->construir();
    if (!ajustes.isEmpty())
        inst_->configurar(ajustes);
    a_ = std::make_unique<A3ADO>(inst_->unidades(), ui);
    if (!arranque::arrancar(*a_))
        throw std::runtime_error("start-up failed: " + ui.texts().join(" | ").toStdString());
    const arranque::Activacion act = arranque::activar(*a_);
    if (!act.continuar || !act.configuracion_ok)
        throw std::runtime_error("settings not loaded: " + ui.texts().join(" | ").toStdString());
    t_ = std::make_unique<Traspaso>(*a_);
    ui.shown.clear();
}

Entorno::~Entorno()
{
    t_.reset();
    a_.reset();
    if (inst_)
        inst_->cerrar();
}

ResultadoGeneracion Entorno::generar(const QString& desde, const QString& hasta)
{
    t_->wdesde = desde;
    t_->whasta = hasta;
    return generar_suenlace_dat(*t_);
}

using pruebas_cuentas::sobre_plantilla;

void Entorno::factura(const QVariantMap& columnas)
{
    QVariantMap base{{"FacEje", "2013"}, {"FacEst", "0"}};
    for (auto it = columnas.begin(); it != columnas.end(); ++it)
        base[it.key()] = it.value();
    inst_->insertar("fac3", sobre_plantilla("fac3", base));
}

void Entorno::linea_venta(const QString& fra, const QString& cta, double imp, const QString& eje)
{
    const int orden = inst_->contar("fal3", QStringLiteral("FalFra = '%1' AND FalEje = '%2'").arg(fra, eje)) + 1;
    inst_->insertar("fal3", QVariantMap{{"FalEmp", "001"}, {"FalEje", eje}, {"FalOrden", orden},
                                        {"FalFra", fra}, {"FalCta", cta}, {"FalImp", imp}});
}

void Entorno::deposito(const QVariantMap& columnas)
{
    QVariantMap base{{"EdepEstado", "0"}};
    for (auto it = columnas.begin(); it != columnas.end(); ++it)
        base[it.key()] = it.value();
    inst_->insertar("edep3", sobre_plantilla("edep3", base));
}

void Entorno::cobro(const QVariantMap& columnas)
{
    QVariantMap base{{"CajEstado", "0"}, {"CajAnoF", "2013"}};
    for (auto it = columnas.begin(); it != columnas.end(); ++it)
        base[it.key()] = it.value();
    inst_->insertar("caj3", sobre_plantilla("caj3", base));
}

void Entorno::credito(const QVariantMap& columnas)
{
    QVariantMap base{{"Cre3Estado", "0"}};
    for (auto it = columnas.begin(); it != columnas.end(); ++it)
        base[it.key()] = it.value();
    inst_->insertar("cre3", sobre_plantilla("cre3", base));
}

void Entorno::cuenta(const QVariantMap& columnas)
{
    QVariantMap base{{"Siglas", "CL"}, {"Estado", "0"}};
    for (auto it = columnas.begin(); it != columnas.end(); ++it)
        base[it.key()] = it.value();
    inst_->insertar("ctas3", sobre_plantilla("ctas3", base));
}

QString Entorno::fichero() const
{
    return inst_->ruta(QStringLiteral("F:\\NOCTARIS\\Suenlace.dat"));
}

QByteArray Entorno::bytes() const
{
    QFile f(fichero());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QStringList Entorno::lineas() const
{
    const QByteArray b = bytes();
    QStringList out;
    if (b.isEmpty())
        return out;
    if (!b.endsWith("\r\n")) {
        QTest::qFail("the file does not end with CR LF", __FILE__, __LINE__);
        return out;
    }
    const QList<QByteArray> partes = b.left(b.size() - 2).split('\n');
    for (const QByteArray& p : partes) {
        if (!p.endsWith('\r') && &p != &partes.last()) {
            QTest::qFail("a line does not end with CR LF", __FILE__, __LINE__);
            return out;
        }
        out << platform::fromCp1252(p.endsWith('\r') ? p.left(p.size() - 1) : p);
    }
    return out;
}

QStringList Entorno::estados(const QString& tabla, const QString& clave, const QString& estado,
                             const QString& orden) const
{
    QStringList out;
    for (const QVariantMap& fila : inst_->filas(tabla, orden)) {
        QString k, e;
        for (auto it = fila.begin(); it != fila.end(); ++it) {
            if (it.key().compare(clave, Qt::CaseInsensitive) == 0)
                k = it.value().toString();
            if (it.key().compare(estado, Qt::CaseInsensitive) == 0)
                e = it.value().toString();
        }
        out << k + QLatin1Char('=') + e;
    }
    return out;
}

bool mismas_lineas(const QStringList& obtenidas, const QStringList& esperadas, QString* diferencia)
{
    for (int i = 0; i < esperadas.size(); ++i) {
        if (esperadas[i].size() != 254) {
            *diferencia = QStringLiteral("expected line %1 is %2 characters long, not 254:\n[%3]")
                              .arg(i + 1)
                              .arg(esperadas[i].size())
                              .arg(esperadas[i]);
            return false;
        }
    }
    const int n = std::max(obtenidas.size(), esperadas.size());
    for (int i = 0; i < n; ++i) {
        const QString o = i < obtenidas.size() ? obtenidas[i] : QStringLiteral("<missing>");
        const QString e = i < esperadas.size() ? esperadas[i] : QStringLiteral("<none expected>");
        if (o != e) {
            *diferencia = QStringLiteral("line %1 differs (%2 lines written, %3 expected)\n   got: [%4]\nwanted: [%5]")
                              .arg(i + 1)
                              .arg(obtenidas.size())
                              .arg(esperadas.size())
                              .arg(o, e);
            return false;
        }
    }
    return true;
}

QStringList sin_diario(const QStringList& sentencias)
{
    static const QRegularExpression diario(QStringLiteral("\\b(gen3|genmar3|sqlite_master)\\b"));
    QStringList r;
    for (const QString& s : sentencias)
        if (!diario.match(s).hasMatch())
            r << s;
    return r;
}

} // namespace pruebas_generacion
