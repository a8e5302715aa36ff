#include "transfer/ventana_traspaso.h"

#include "app/dibujos.h"
#include "transfer/entrada_fecha.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>

namespace {

constexpr int kAncho = 5385;
constexpr int kAlto = 2850;
constexpr int kLadoIcono = 24;   // the 32 x 32 pictures shown smaller

const char* const kPregunta = "Esta Ud. seguro/a de querer traspasar del ";
const char* const kTituloPregunta = "Seguridad Traspaso";

using ventana::crear_etiqueta;
using ventana::zona;

QPushButton* crear_boton(QWidget* padre, const char* nombre, const QString& texto, const QString& consejo,
                         const QPixmap& dibujo, QRect donde)
{
    return ventana::crear_boton(padre, nombre, texto, consejo, dibujo, donde, kLadoIcono);
}

QLineEdit* crear_campo(QWidget* padre, const char* nombre, QRect donde)
{
    auto* c = new QLineEdit(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(donde);
    return c;
}

} // namespace

VentanaTraspaso::VentanaTraspaso(A3ADO& a, QWidget* parent)
    : DialogoTerminable(parent), a_(a), t_(std::make_unique<Traspaso>(a))
{
    setObjectName(QStringLiteral("traspa3"));
    setWindowTitle(QStringLiteral("Traspaso a Suenlace.dat"));
    setWindowIcon(QIcon(dibujos::generar()));
    setModal(true);
    setFixedSize(px(kAncho), px(kAlto));
    // The small dialog font of the era, so the button texts fit beside their pictures.
    ventana::letra_pequena(*this);
    crear_controles();
}

VentanaTraspaso::~VentanaTraspaso() = default;

void VentanaTraspaso::crear_controles()
{
    GroupBox1 = new QGroupBox(QStringLiteral(" Selección de Fechas "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(zona(210, 195, 4920, 1245));

    Label2 = crear_etiqueta(GroupBox1, "Label2", QStringLiteral("Desde :"), zona(180, 555, 675, 285));
    de = crear_campo(GroupBox1, "de", zona(900, 500, 1215, 330));
    Label1 = crear_etiqueta(GroupBox1, "Label1", QStringLiteral("Hasta :"), zona(2670, 540, 675, 285));
    hasta = crear_campo(GroupBox1, "hasta", zona(3375, 500, 1215, 330));

    btnGenerar = crear_boton(this, "btnGenerar", QStringLiteral("Generar Suenlace.DAT"),
                             QStringLiteral("Generar el Fichero Suenlace.DAT para importar desde A3 Con"),
                             dibujos::generar(), zona(240, 1770, 2250, 720));
    btnLimpiar = crear_boton(this, "btnLimpiar", QStringLiteral("Limpiar Temporales"),
                             QStringLiteral("Limpia los ficheros temporales para realizar de nuevo la exportación."),
                             dibujos::limpiar(), zona(2895, 1770, 2250, 720));

    setTabOrder(de, hasta);
    setTabOrder(hasta, btnGenerar);
    setTabOrder(btnGenerar, btnLimpiar);

    de->installEventFilter(this);
    hasta->installEventFilter(this);
    // The buttons by keyboard as well: Alt+G generates, Alt+L cleans up.
    for (const auto& [boton, tecla] : {std::pair{btnGenerar, "Alt+G"}, std::pair{btnLimpiar, "Alt+L"}}) {
        auto* atajo = new QShortcut(QKeySequence(QString::fromLatin1(tecla)), this);
        connect(atajo, &QShortcut::activated, boton, &QPushButton::click);
    }
    connect(btnGenerar, &QPushButton::clicked, this, &VentanaTraspaso::btnGenerar_Click);
    connect(btnLimpiar, &QPushButton::clicked, this, &VentanaTraspaso::btnLimpiar_Click);
}

void VentanaTraspaso::showEvent(QShowEvent* e)
{
    // Every opening is a fresh window: empty fields and no range yet, as the
    // main window keeps this one and shows it again.
    if (!e->spontaneous()) {
        t_ = std::make_unique<Traspaso>(a_);
        de->clear();
        hasta->clear();
        de->setFocus();
    }
    QDialog::showEvent(e);
}

bool VentanaTraspaso::eventFilter(QObject* objeto, QEvent* e)
{
    auto* campo = qobject_cast<QLineEdit*>(objeto);
    if (campo != de && campo != hasta)
        return QDialog::eventFilter(objeto, e);
    if (e->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(e)->key();
        // Escape in `de` closes the window; in `hasta` it does nothing.
        if (tecla == Qt::Key_Escape) {
            if (campo == de)
                reject();
            return true;
        }
        return tecla_en_fecha(campo, tecla);
    }
    if (campo == de && e->type() == QEvent::MouseButtonDblClick) {
        de_DblClick();
        return true;
    }
    return QDialog::eventFilter(objeto, e);
}

void VentanaTraspaso::keyPressEvent(QKeyEvent* e)
{
    // Only `de` closes the window on Escape (the dialog's own Escape would
    // close it from anywhere).
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool VentanaTraspaso::tecla_en_fecha(QLineEdit* campo, int tecla)
{
    if (!confirma_fecha(tecla))
        return false;
    aceptar_fecha(campo);
    return true;
}

void VentanaTraspaso::aceptar_fecha(QLineEdit* campo)
{
    const EntradaFecha r = entrar_fecha(campo->text(), a_.ui);
    campo->setText(r.texto);
    if (r.estado != EstadoFecha::Aceptada) {
        campo->setFocus();
        return;
    }
    if (campo == de) {
        t_->wdesde = r.fecha;
        hasta->setFocus();
    } else {
        t_->whasta = r.fecha;
        btnGenerar->setFocus();
    }
}

void VentanaTraspaso::de_DblClick()
{
    de->clear();
    de->setFocus();
}

bool VentanaTraspaso::tomar_fechas()
{
    if (de->text().isEmpty() || hasta->text().isEmpty()) {
        de->setFocus();
        return false;
    }
    // What the fields show is what runs: a date typed without Tab or Enter
    // counts as much as an accepted one, and a wrong one stops the button.
    QString fechas[2];
    QLineEdit* campos[2] = {de, hasta};
    for (int i = 0; i < 2; ++i) {
        const EntradaFecha r = fecha_de_campo(campos[i]->text(), a_.ui);
        if (r.estado != EstadoFecha::Aceptada) {
            campos[i]->clear();
            campos[i]->setFocus();
            return false;
        }
        campos[i]->setText(r.texto);
        fechas[i] = r.fecha;
    }
    t_->wdesde = fechas[0];
    t_->whasta = fechas[1];
    if (fechas[0] > fechas[1]) {
        a_.ui.message(QStringLiteral("La fecha Desde (") + de->text() + QStringLiteral(") es posterior a la fecha Hasta (")
                          + hasta->text() + QStringLiteral("). Corrija el rango de fechas."),
                      QString::fromUtf8(kTituloErrorDatos), platform::Icon::Information);
        de->setFocus();
        de->selectAll();
        return false;
    }
    return true;
}

void VentanaTraspaso::btnGenerar_Click()
{
    // The question repeats the dates as the user typed them.
    const QString tecleado_de = de->text(), tecleado_hasta = hasta->text();
    if (!tomar_fechas())
        return;
    const QString pregunta = QString::fromUtf8(kPregunta) + tecleado_de + QStringLiteral(" al ") + tecleado_hasta
                             + QStringLiteral(" ?");
    if (!a_.ui.ask(pregunta, QString::fromUtf8(kTituloPregunta), platform::Icon::Information)) {
        hasta->clear();
        de->clear();
        de->setFocus();
        return;
    }

    ResultadoTraspaso r;
    try {
        r = iniciar(*t_);
    } catch (const std::exception& e) {
        fallo_base_datos(a_.ui, QStringLiteral("El traspaso se ha interrumpido"), e);
        return;
    }
    ultimo_ = std::make_unique<ResultadoTraspaso>(r);
    // Another run holds the installation: the user was told, and may try
    // again with the same dates once it ends.
    if (r.ocupada)
        return;
    // Dates the wrong way round: told, and the dates stay to be corrected.
    if (r.rango_invertido) {
        de->setFocus();
        return;
    }
    // No settings: told to complete "Configuración General" first.
    if (r.sin_configuracion) {
        reject();
        return;
    }

    if (r.detenido && r.motivo == TraspasoDetenido::Motivo::TitularInexistente) {
        terminar(1);
        return;
    }
    // Cancelled by the user: nothing was sent, the same range may go again.
    if (a_.ui.cancelled())
        return;
    // The run reached its end (its closing words have been said), or a
    // payment account of the wrong length stopped it: the window closes.
    de->clear();
    hasta->clear();
    if (r.detenido)
        reject();
    else
        accept();
}

void VentanaTraspaso::btnLimpiar_Click()
{
    if (!tomar_fechas())
        return;
    try {
        limpiar_temporales(*t_);
    } catch (const std::exception& e) {
        fallo_base_datos(a_.ui, QStringLiteral("La limpieza de los datos temporales se ha interrumpido"), e);
    }
}

std::unique_ptr<QDialog> crear_ventana_traspaso(A3ADO& a)
{
    return std::make_unique<VentanaTraspaso>(a);
}
