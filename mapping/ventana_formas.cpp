#include "mapping/ventana_formas.h"

#include "mapping/rejilla_cuentas.h"

#include <QKeyEvent>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

using namespace cuentas_hotel;

VentanaFormas::VentanaFormas(A3ADO& a, QWidget* parent) : QDialog(parent), a_(a), logica_(a)
{
    setObjectName(QStringLiteral("fcobro"));
    setWindowTitle(QStringLiteral("Configuracion Cuentas de Cobro."));
    setModal(true);
    resize(520, 300);

    delegado_ = new DelegadoCuenta(this);
    delegado_->digitos = [this] { return logica_.wdigitos(); };
    delegado_->empezar = [this](const QString& t) { logica_.edicion.empezar(t); };
    delegado_->aceptar = [this](const QString& nuevo) { return logica_.edicion.aceptar(nuevo, a_.ui, a_.wdigitos); };
    delegado_->escape = [this] { close(); };

    gformas = crear_rejilla(this, QStringLiteral("gformas"), nullptr, delegado_);
    gformas->installEventFilter(this);
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->addWidget(gformas);
}

VentanaFormas::~VentanaFormas()
{
    // A window destroyed while open still writes its copy back, and its
    // grid lets go of the work database before the database is closed.
    if (cargada_)
        Form_Unload();
    wformas = cuentas_hotel::poner_modelo(gformas, wformas, QSqlDatabase(), QString());
}

void VentanaFormas::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous() && !cargada_)
        Form_Load();
}

void VentanaFormas::Form_Load()
{
    cargada_ = true;
    if (logica_.preparar_formas() && logica_.cargar_formas()) {
        wformas = poner_modelo(gformas, wformas, logica_.copia().conexion().database(), QStringLiteral("wformas"));
        wformas->mostrar(logica_.copia().tabla().tabla, {QStringLiteral("Codigo"), QStringLiteral("Nombre Forma de Cobro"),
                                                         QStringLiteral("Cta. Contable")},
                         a_.wdigitos);
        gformas->setColumnWidth(0, 60);
        gformas->setColumnWidth(1, 260);
        const QString solo_lectura = a_.motivo_solo_lectura({QStringLiteral("formas.MDB")});
        if (!solo_lectura.isEmpty()) {
            gformas->setEditTriggers(QAbstractItemView::NoEditTriggers);
            a_.ui.message(solo_lectura, QStringLiteral("Solo lectura"), platform::Icon::Information);
        }
    }
}

void VentanaFormas::Form_Unload()
{
    cargada_ = false;
    terminar_edicion(gformas);
    wformas = poner_modelo(gformas, wformas, QSqlDatabase(), QString());
    logica_.grabar_formas();
    logica_.copia().cerrar();
}

void VentanaFormas::done(int resultado)
{
    if (cargada_)
        Form_Unload();
    QDialog::done(resultado);
}

bool VentanaFormas::eventFilter(QObject* objeto, QEvent* e)
{
    if (objeto == gformas && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QDialog::eventFilter(objeto, e);
}

std::unique_ptr<QDialog> crear_ventana_formas(A3ADO& a)
{
    return std::make_unique<VentanaFormas>(a);
}
