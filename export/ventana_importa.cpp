#include "export/ventana_importa.h"

#include "app/dibujos.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int kAncho = 5385;
constexpr int kAlto = 2640;
constexpr int kLadoIcono = 24;   // the 32 x 32 pictures shown smaller

using ventana::crear_etiqueta;
using ventana::zona;


} // namespace

VentanaImporta::VentanaImporta(A3ADO& a, QWidget* parent) : QDialog(parent), a_(a), exportacion_(a)
{
    setObjectName(QStringLiteral("importa"));
    setWindowTitle(QStringLiteral("Exportación PGC desde Noctaris Conta."));
    setWindowIcon(QIcon(dibujos::exportar_pgc()));
    setModal(true);
    setFixedSize(px(kAncho), px(kAlto));
    // The small dialog font of the era, so the texts fit their places.
    ventana::letra_pequena(*this);
    crear_controles();
    exportacion_.mostrar = [this](const QString& texto) { mostrar_progreso(texto); };
}

VentanaImporta::~VentanaImporta() = default;

void VentanaImporta::crear_controles()
{
    btnGenerar = ventana::crear_boton(this, "btnGenerar", QStringLiteral("Exportar PGC de Zumeral"),
                                      QStringLiteral("Generar el Fichero Suenlace.DAT para importar desde A3 Con"),
                                      dibujos::exportar_pgc(), zona(210, 1275, 4920, 720), kLadoIcono);

    GroupBox2 = new QGroupBox(QStringLiteral(" Empresa en Noctaris Conta "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(zona(210, 120, 4920, 975));

    txtEmp = new QLineEdit(GroupBox2);
    txtEmp->setObjectName(QStringLiteral("txtEmp"));
    txtEmp->setGeometry(zona(1950, 435, 1215, 330));

    Label2 = crear_etiqueta(GroupBox2, "Label2", QStringLiteral("Código Empresa "), zona(330, 465, 1560, 285));

    Label1 = crear_etiqueta(this, "Label1", QString(), zona(210, 2130, 4920, 330));

    setTabOrder(txtEmp, btnGenerar);
    txtEmp->installEventFilter(this);
    connect(btnGenerar, &QPushButton::clicked, this, &VentanaImporta::btnGenerar_Click);
}

void VentanaImporta::showEvent(QShowEvent* e)
{
    // Coming back to the window keeps the code typed in it; only the
    // progress line of an earlier run goes.
    if (!e->spontaneous()) {
        Label1->clear();
        txtEmp->setFocus();
    }
    QDialog::showEvent(e);
}

void VentanaImporta::done(int resultado)
{
    // The main window keeps this object and shows it again: what a closed
    // window held must not reach the next opening.
    txtEmp->clear();
    btnGenerar->setEnabled(true);
    QDialog::done(resultado);
}

bool VentanaImporta::eventFilter(QObject* objeto, QEvent* e)
{
    if (objeto == txtEmp && e->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(e)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter || tecla == Qt::Key_Tab) {
            txtEmp_aceptar();
            return true;
        }
    }
    return QDialog::eventFilter(objeto, e);
}

void VentanaImporta::keyPressEvent(QKeyEvent* e)
{
    // The window has no Escape of its own: it is closed by its close box.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void VentanaImporta::txtEmp_aceptar()
{
    const std::optional<QString> empresa = formatear_empresa(txtEmp->text());
    if (!empresa) {
        txtEmp->clear();
        txtEmp->setFocus();
        return;
    }
    txtEmp->setText(*empresa);
    btnGenerar->setFocus();
}

void VentanaImporta::mostrar_progreso(const QString& texto)
{
    Label1->setText(texto);
    Label1->repaint();
}

void VentanaImporta::btnGenerar_Click()
{
    const std::optional<QString> empresa = formatear_empresa(txtEmp->text());
    if (!empresa)
        return;
    txtEmp->setText(*empresa);

    ResultadoExportacion r = exportar_pgc(exportacion_, *empresa, [this] { btnGenerar->setEnabled(false); });
    ultimo_ = std::make_unique<ResultadoExportacion>(r);
    if (r.ocupada)
        return;   // told who holds the installation; the code stays for another try
    if (r.sin_configuracion) {
        reject();   // told to complete "Configuración General" first
        return;
    }
    if (!r.empresa_abierta) {
        txtEmp->clear();
        txtEmp->setFocus();
        return;
    }
    Label1->clear();
    accept();
}

std::unique_ptr<QDialog> crear_ventana_importa(A3ADO& a)
{
    return std::make_unique<VentanaImporta>(a);
}
