#include "mapping/ventana_ventas.h"

#include "mapping/rejilla_cuentas.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

using namespace cuentas_hotel;

namespace {
const char* const kTooltipGenerar = "Regenera todos los movimientos en Noctaris Hotel de los conceptos de ventas en base "
                                    "a la cuenta contable asociada.";
}

VentanaVentas::VentanaVentas(A3ADO& a, QWidget* parent) : QDialog(parent), a_(a), logica_(a)
{
    setObjectName(QStringLiteral("conf_ventas"));
    setWindowTitle(QStringLiteral("Configuración Cuentas de Ventas."));
    setModal(true);
    resize(520, 340);

    btnGenerar = new QPushButton(QStringLiteral("Regenerar Cuentas Contables"), this);
    btnGenerar->setObjectName(QStringLiteral("btnGenerar"));
    btnGenerar->setToolTip(QString::fromUtf8(kTooltipGenerar));
    btnGenerar->setAutoDefault(false);
    btnGenerar->setEnabled(false);
    connect(btnGenerar, &QPushButton::clicked, this, &VentanaVentas::btnGenerar_Click);

    delegado_ = new DelegadoCuenta(this);
    delegado_->digitos = [this] { return logica_.wdigitos(); };
    delegado_->empezar = [this](const QString& t) { logica_.edicion.empezar(t); };
    delegado_->aceptar = [this](const QString& nuevo) { return logica_.edicion.aceptar(nuevo, a_.ui, a_.wdigitos); };
    delegado_->escape = [this] { close(); };
    gventas = crear_rejilla(this, QStringLiteral("gventas"), nullptr, delegado_);
    gventas->installEventFilter(this);
    // The button follows the counter after every stored cell.
    connect(delegado_, &QAbstractItemDelegate::closeEditor, this, &VentanaVentas::seguir_contador);

    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(4, 4, 4, 4);
    capa->addWidget(btnGenerar, 0, Qt::AlignLeft);
    capa->addWidget(gventas);
}

VentanaVentas::~VentanaVentas()
{
    // A window destroyed while open still writes its copy back, and its
    // grid lets go of the work database before the database is closed.
    if (cargada_)
        Form_Unload();
    wventas = cuentas_hotel::poner_modelo(gventas, wventas, QSqlDatabase(), QString());
}

void VentanaVentas::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous() && !cargada_) {
        Form_Load();
        Form_Activate();
    }
}

void VentanaVentas::Form_Load()
{
    cargada_ = true;
    logica_.preparar_ventas();
    solo_lectura_ = a_.motivo_solo_lectura({QStringLiteral("ser.MDB"), QStringLiteral("Ca.MDB"), QStringLiteral("Cadia.MDB"),
                                            QStringLiteral("hiscadia.MDB")});
    if (!solo_lectura_.isEmpty()) {
        gventas->setEditTriggers(QAbstractItemView::NoEditTriggers);
        a_.ui.message(solo_lectura_, QStringLiteral("Solo lectura"), platform::Icon::Information);
    }
}

void VentanaVentas::Form_Activate()
{
    wventas = poner_modelo(gventas, wventas, QSqlDatabase(), QString());
    if (logica_.cargar_ventas()) {
        wventas = poner_modelo(gventas, wventas, logica_.copia().conexion().database(), QStringLiteral("wventas"));
        wventas->mostrar(logica_.copia().tabla().tabla, {QStringLiteral("Codigo"),
                                                         QStringLiteral("Descripcion Concepto Ventas"),
                                                         QStringLiteral("Cta. Contable")},
                         a_.wdigitos);
        gventas->setColumnWidth(0, 60);
        gventas->setColumnWidth(1, 260);
    }
    seguir_contador();
}

void VentanaVentas::seguir_contador()
{
    if (logica_.cargada())
        logica_.contar_sin_cuenta();
    const bool habilitado = logica_.cargada() && logica_.generar_habilitado() && solo_lectura_.isEmpty();
    btnGenerar->setEnabled(habilitado);
    // A disabled button says what it waits for.
    btnGenerar->setToolTip(habilitado || !logica_.cargada() ? QString::fromUtf8(kTooltipGenerar)
                           : !solo_lectura_.isEmpty()       ? solo_lectura_
                                                            : logica_.motivo_sin_cuenta());
}

void VentanaVentas::btnGenerar_Click()
{
    terminar_edicion(gventas);
    seguir_contador();
    if (!btnGenerar->isEnabled())
        return;
    logica_.regenerar();
}

void VentanaVentas::Form_Unload()
{
    cargada_ = false;
    terminar_edicion(gventas);
    wventas = poner_modelo(gventas, wventas, QSqlDatabase(), QString());
    logica_.grabar_ventas();
    logica_.copia().cerrar();
    btnGenerar->setEnabled(false);
}

void VentanaVentas::done(int resultado)
{
    if (cargada_)
        Form_Unload();
    QDialog::done(resultado);
}

bool VentanaVentas::eventFilter(QObject* objeto, QEvent* e)
{
    if (objeto == gventas && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QDialog::eventFilter(objeto, e);
}

std::unique_ptr<QDialog> crear_ventana_ventas(A3ADO& a)
{
    return std::make_unique<VentanaVentas>(a);
}
