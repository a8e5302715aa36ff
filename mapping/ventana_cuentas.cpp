#include "mapping/ventana_cuentas.h"

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

VentanaCuentas::VentanaCuentas(A3ADO& a, Tabla tabla, QWidget* parent) : QDialog(parent), a_(a)
{
    const bool de_ventas = tabla == Tabla::Ventas;
    if (de_ventas)
        ventas_ = std::make_unique<CuentasVentas>(a);
    else
        cobro_ = std::make_unique<CuentasCobro>(a);
    setObjectName(de_ventas ? QStringLiteral("conf_ventas") : QStringLiteral("fcobro"));
    setWindowTitle(de_ventas ? QStringLiteral("Configuración Cuentas de Ventas.")
                             : QStringLiteral("Configuracion Cuentas de Cobro."));
    modelo_nombre_ = de_ventas ? QStringLiteral("wventas") : QStringLiteral("wformas");
    columna_nombre_ = de_ventas ? QStringLiteral("Descripcion Concepto Ventas") : QStringLiteral("Nombre Forma de Cobro");
    setModal(true);
    resize(520, de_ventas ? 340 : 300);

    // In the order the window declares them: the button first takes the focus first.
    if (de_ventas) {
        btnGenerar = new QPushButton(QStringLiteral("Regenerar Cuentas Contables"), this);
        btnGenerar->setObjectName(QStringLiteral("btnGenerar"));
        btnGenerar->setToolTip(QString::fromUtf8(kTooltipGenerar));
        btnGenerar->setAutoDefault(false);
        btnGenerar->setEnabled(false);
        connect(btnGenerar, &QPushButton::clicked, this, &VentanaCuentas::btnGenerar_Click);
    }

    delegado_ = new DelegadoCuenta(this);
    delegado_->digitos = [this] { return a_.wdigitos; };
    delegado_->empezar = [this](const QString& t) { edicion().empezar(t); };
    delegado_->aceptar = [this](const QString& nuevo) { return edicion().aceptar(nuevo, a_.ui, a_.wdigitos); };
    delegado_->escape = [this] { close(); };
    rejilla_ = crear_rejilla(this, de_ventas ? QStringLiteral("gventas") : QStringLiteral("gformas"), nullptr, delegado_);
    rejilla_->installEventFilter(this);

    auto* capa = new QVBoxLayout(this);
    if (btnGenerar) {
        // The button follows the counter after every stored cell.
        connect(delegado_, &QAbstractItemDelegate::closeEditor, this, &VentanaCuentas::seguir_contador);
        capa->setContentsMargins(4, 4, 4, 4);
        capa->addWidget(btnGenerar, 0, Qt::AlignLeft);
    } else {
        capa->setContentsMargins(0, 0, 0, 0);
    }
    capa->addWidget(rejilla_);
}

VentanaCuentas::~VentanaCuentas()
{
    // A window destroyed while open still writes its copy back, and its
    // grid lets go of the work database before the database is closed.
    if (cargada_)
        Form_Unload();
    modelo_ = poner_modelo(rejilla_, modelo_, QSqlDatabase(), QString());
}

CopiaTrabajo& VentanaCuentas::copia()
{
    return ventas_ ? ventas_->copia() : cobro_->copia();
}

EdicionCuenta& VentanaCuentas::edicion()
{
    return ventas_ ? ventas_->edicion : cobro_->edicion;
}

void VentanaCuentas::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous() && !cargada_)
        Form_Load();
}

void VentanaCuentas::Form_Load()
{
    cargada_ = true;
    if (ventas_) {
        ventas_->preparar_ventas();
        avisar_solo_lectura();
        Form_Activate();
    } else if (cobro_->preparar_formas()) {
        // Known before loading: the load tells whether adjusted accounts
        // will be written back.
        avisar_solo_lectura();
        if (cobro_->cargar_formas())
            mostrar();
    }
}

// Told before anything is typed: an edit the hotel cannot take is never
// offered, rather than lost at closing.
void VentanaCuentas::avisar_solo_lectura()
{
    solo_lectura_ = ventas_ ? ventas_->comprobar_escritura() : cobro_->comprobar_escritura();
    if (!solo_lectura_.isEmpty()) {
        rejilla_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        a_.ui.message(solo_lectura_, QStringLiteral("Solo lectura"), platform::Icon::Information);
    }
}

void VentanaCuentas::mostrar()
{
    modelo_ = poner_modelo(rejilla_, modelo_, copia().conexion().database(), modelo_nombre_);
    modelo_->mostrar(copia().tabla().tabla, {QStringLiteral("Codigo"), columna_nombre_, QStringLiteral("Cta. Contable")},
                     a_.wdigitos);
    rejilla_->setColumnWidth(0, 60);
    rejilla_->setColumnWidth(1, 260);
}

void VentanaCuentas::Form_Activate()
{
    if (!ventas_)
        return;
    modelo_ = poner_modelo(rejilla_, modelo_, QSqlDatabase(), QString());
    if (ventas_->cargar_ventas())
        mostrar();
    seguir_contador();
}

void VentanaCuentas::seguir_contador()
{
    if (!ventas_)
        return;
    if (ventas_->cargada())
        ventas_->contar_sin_cuenta();
    const bool habilitado = ventas_->cargada() && ventas_->generar_habilitado() && solo_lectura_.isEmpty();
    btnGenerar->setEnabled(habilitado);
    // A disabled button says what it waits for.
    btnGenerar->setToolTip(habilitado || !ventas_->cargada() ? QString::fromUtf8(kTooltipGenerar)
                           : !solo_lectura_.isEmpty()        ? solo_lectura_
                                                             : ventas_->motivo_sin_cuenta());
}

void VentanaCuentas::btnGenerar_Click()
{
    if (!ventas_)
        return;
    terminar_edicion(rejilla_);
    seguir_contador();
    if (!btnGenerar->isEnabled())
        return;
    ventas_->regenerar();
}

void VentanaCuentas::Form_Unload()
{
    cargada_ = false;
    terminar_edicion(rejilla_);
    modelo_ = poner_modelo(rejilla_, modelo_, QSqlDatabase(), QString());
    if (ventas_)
        ventas_->grabar_ventas();
    else
        cobro_->grabar_formas();
    copia().cerrar();
    if (btnGenerar)
        btnGenerar->setEnabled(false);
}

void VentanaCuentas::done(int resultado)
{
    if (cargada_)
        Form_Unload();
    QDialog::done(resultado);
}

bool VentanaCuentas::eventFilter(QObject* objeto, QEvent* e)
{
    if (objeto == rejilla_ && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QDialog::eventFilter(objeto, e);
}

std::unique_ptr<QDialog> crear_ventana_formas(A3ADO& a)
{
    return std::make_unique<VentanaCuentas>(a, VentanaCuentas::Tabla::Cobro);
}

std::unique_ptr<QDialog> crear_ventana_ventas(A3ADO& a)
{
    return std::make_unique<VentanaCuentas>(a, VentanaCuentas::Tabla::Ventas);
}
