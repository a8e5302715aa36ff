#include "export/ventana_importa.h"

#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int kAncho = 5385;
constexpr int kAlto = 2640;
constexpr int kLadoDibujo = 32;   // drawn at this size, shown at kLadoIcono
constexpr int kLadoIcono = 24;

QRect zona(int izquierda, int arriba, int ancho, int alto)
{
    return QRect(VentanaImporta::px(izquierda), VentanaImporta::px(arriba), VentanaImporta::px(ancho),
                 VentanaImporta::px(alto));
}

// A ledger with a green arrow leaving it: the chart of accounts on its way
// to A3Con.
QPixmap dibujo_exportar()
{
    QPixmap p(kLadoDibujo, kLadoDibujo);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(60, 50, 40), 1.2));
    g.setBrush(QColor(150, 60, 50));
    g.drawRoundedRect(QRectF(3, 3, 20, 26), 2, 2);
    g.setBrush(QColor(250, 248, 235));
    g.drawRect(QRectF(7, 5, 14, 22));
    g.setPen(QPen(QColor(60, 90, 160), 1));
    for (int y = 9; y <= 23; y += 3)
        g.drawLine(QPointF(9, y), QPointF(19, y));
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 150, 60));
    QPainterPath flecha;
    flecha.moveTo(15, 17);
    flecha.lineTo(23, 17);
    flecha.lineTo(23, 12);
    flecha.lineTo(31, 20);
    flecha.lineTo(23, 28);
    flecha.lineTo(23, 23);
    flecha.lineTo(15, 23);
    flecha.closeSubpath();
    g.drawPath(flecha);
    return p;
}

QLabel* crear_etiqueta(QWidget* padre, const char* nombre, const QString& texto, QRect donde)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setGeometry(donde);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

} // namespace

VentanaImporta::VentanaImporta(A3ADO& a, QWidget* parent) : QDialog(parent), a_(a), exportacion_(a)
{
    setObjectName(QStringLiteral("importa"));
    setWindowTitle(QStringLiteral("Exportación PGC desde Noctaris Conta."));
    setWindowIcon(QIcon(dibujo_exportar()));
    setModal(true);
    setFixedSize(px(kAncho), px(kAlto));
    // The small dialog font of the era, so the texts fit their places.
    QFont letra = font();
    letra.setPointSizeF(8.25);
    setFont(letra);
    crear_controles();
    exportacion_.mostrar = [this](const QString& texto) { mostrar_progreso(texto); };
}

VentanaImporta::~VentanaImporta() = default;

void VentanaImporta::crear_controles()
{
    btnGenerar = new QPushButton(QIcon(dibujo_exportar()), QStringLiteral("Exportar PGC de Zumeral"), this);
    btnGenerar->setObjectName(QStringLiteral("btnGenerar"));
    btnGenerar->setToolTip(QStringLiteral("Generar el Fichero Suenlace.DAT para importar desde A3 Con"));
    btnGenerar->setIconSize(QSize(kLadoIcono, kLadoIcono));
    btnGenerar->setGeometry(zona(210, 1275, 4920, 720));

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
    // Every opening is a fresh window, as the main window keeps this one
    // and shows it again after a run closed it.
    if (!e->spontaneous()) {
        txtEmp->clear();
        btnGenerar->setEnabled(true);
        Label1->clear();
        txtEmp->setFocus();
    }
    QDialog::showEvent(e);
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
