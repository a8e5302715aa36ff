#include "app/ventana_principal.h"

#include "app/arranque.h"
#include "app/dibujos.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

namespace {

// The client area and the controls, in twips as the window was drawn.
constexpr int kAncho = 7545, kAlto = 2925, kAltoBarra = 345;

QRect twips(int izquierda, int arriba, int ancho, int alto)
{
    return QRect(VentanaPrincipal::px(izquierda), VentanaPrincipal::px(arriba), VentanaPrincipal::px(ancho),
                 VentanaPrincipal::px(alto));
}

QFont fuente(const QString& familia, const QString& sustituta, qreal puntos)
{
    QFont f(familia);
    f.setFamilies({familia, sustituta});
    f.setPointSizeF(puntos);
    return f;
}

QFont calibri() { return fuente(QStringLiteral("Calibri"), QStringLiteral("Carlito"), 11.25); }
QFont verdana() { return fuente(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), 9.75); }

} // namespace

const QColor& VentanaPrincipal::color_resaltado()
{
    static const QColor c(255, 192, 128);  // &H80C0FF
    return c;
}

int VentanaPrincipal::px_mm100(int centesimas)
{
    return qRound(centesimas * 96.0 / 2540.0);
}

VentanaPrincipal::VentanaPrincipal(A3ADO& a, ventanas::Tabla tabla, QWidget* parent)
    : QWidget(parent), a_(a), tabla_(std::move(tabla))
{
    setObjectName(QStringLiteral("enlace3"));
    setWindowTitle(QStringLiteral("Enlace de Noctaris a A3 Software."));
    setWindowIcon(QIcon(dibujos::icono_ventana(QSize(64, 64))));
    setFixedSize(px(kAncho), px(kAlto));
    setMouseTracking(true);
    al_terminar = [this](int codigo) {
        codigo_salida_ = codigo;
        close();
        QCoreApplication::exit(codigo);
    };
    crear_controles();
}

VentanaPrincipal::~VentanaPrincipal() = default;

QLabel* VentanaPrincipal::crear_etiqueta(const char* nombre, const QString& texto, const QString& consejo, QRect zona)
{
    auto* l = new QLabel(texto, this);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setGeometry(zona);
    l->setFont(calibri());
    l->setToolTip(consejo);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setAutoFillBackground(true);
    l->setMouseTracking(true);
    l->installEventFilter(this);
    pintar_etiqueta(l, Qt::white, false);
    return l;
}

QLabel* VentanaPrincipal::crear_imagen(const char* nombre, QRect zona, const QPixmap& dibujo)
{
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setGeometry(zona);
    l->setPixmap(dibujo);
    l->setAlignment(Qt::AlignCenter);
    l->installEventFilter(this);
    return l;
}

void VentanaPrincipal::crear_controles()
{
    // In the order the window declares them.
    barra_ = new QStatusBar(this);
    barra_->setObjectName(QStringLiteral("barra"));
    barra_->setSizeGripEnabled(false);
    barra_->setGeometry(0, px(kAlto) - px(kAltoBarra), px(kAncho), px(kAltoBarra));
    barra_->installEventFilter(this);
    // The small face status bars have always had, so the version fits its
    // inch-wide panel.
    barra_->setFont(fuente(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"), 7.5));
    panel1_ = new QLabel(barra_);
    panel1_->setObjectName(QStringLiteral("panel1"));
    panel1_->setFixedWidth(px_mm100(2540));
    panel2_ = new QLabel(barra_);
    panel2_->setObjectName(QStringLiteral("panel2"));
    panel2_->setFixedWidth(px_mm100(8819));
    for (QLabel* panel : {panel1_, panel2_}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(3);
        barra_->addWidget(panel);
    }

    image3_ = crear_imagen("Image3", twips(150, 1470, 480, 480), dibujos::exportar(QSize(px(480), px(480))));
    image3_->setToolTip(QStringLiteral("Exportar PGC desde Zumeral"));
    label5_ = crear_etiqueta("Label5", QStringLiteral("Configuración Cuentas Cobro"),
                             QStringLiteral("Configuración Cuentas Contables de Formas de Cobro en el Hotel"),
                             twips(4200, 1260, 3300, 315));
    label4_ = crear_etiqueta("Label4", QStringLiteral("Configuración Cuentas Ventas"),
                             QStringLiteral("Configuración Cuentas Contables de los Conceptos Facturables en el Hotel"),
                             twips(4200, 810, 3300, 315));
    image4_ = crear_imagen("Image4", twips(195, 165, 3540, 990), dibujos::banner(QSize(px(3540), px(990))));
    label3_ = crear_etiqueta("Label3", QStringLiteral("Ficheros"), QString(), twips(12870, 9885, 1875, 315));
    label3_->setFont(verdana());
    label3_->setAutoFillBackground(false);
    label2_ = crear_etiqueta("Label2", QStringLiteral("Generación SUENLACE.DAT"),
                             QStringLiteral("Inicia el proceso de generación del fichero a importar desde A3 Con."),
                             twips(4200, 1710, 3300, 315));
    pintar_etiqueta(label2_, palette().color(QPalette::Window), false);
    label1_ = crear_etiqueta("Label1", QStringLiteral("Configuración General"),
                             QStringLiteral("Configuración Parámetros Generales del Enlace"),
                             twips(4200, 345, 3300, 315));
    image2_ = crear_imagen("Image2", twips(3375, 1440, 480, 480), dibujos::salida(QSize(px(480), px(480))));
    image1_ = crear_imagen("Image1", twips(765, 1395, 2490, 1005), dibujos::decorativo(QSize(px(2490), px(1005))));

    // The menu by keyboard: Tab goes through the entries top to bottom (each
    // lit as the pointer would light it), Enter or Space opens the one with
    // the focus, and each has its Alt key.
    QLabel* orden[] = {label1_, label4_, label5_, label2_, image3_, image2_};
    for (QLabel* l : orden)
        l->setFocusPolicy(Qt::TabFocus);
    for (size_t i = 1; i < std::size(orden); ++i)
        setTabOrder(orden[i - 1], orden[i]);
    const std::pair<QLabel*, const char*> teclas[] = {{label1_, "Alt+G"}, {label4_, "Alt+V"}, {label5_, "Alt+C"},
                                                      {label2_, "Alt+S"}, {image3_, "Alt+E"}, {image2_, "Alt+X"}};
    for (const auto& [control, tecla] : teclas) {
        auto* atajo = new QShortcut(QKeySequence(QString::fromLatin1(tecla)), this);
        QLabel* c = control;
        connect(atajo, &QShortcut::activated, this, [this, c] { pulsado(c); });
    }
}

void VentanaPrincipal::pintar_etiqueta(QLabel* etiqueta, const QColor& fondo, bool negrita)
{
    QPalette p = etiqueta->palette();
    p.setColor(QPalette::Window, fondo);
    etiqueta->setPalette(p);
    QFont f = etiqueta->font();
    f.setBold(negrita);
    etiqueta->setFont(f);
}

void VentanaPrincipal::resaltar(QLabel* etiqueta)
{
    etiqueta->setAutoFillBackground(true);
    pintar_etiqueta(etiqueta, color_resaltado(), true);
}

void VentanaPrincipal::quitar_resaltado()
{
    for (QLabel* l : {label1_, label2_, label3_, label4_, label5_}) {
        l->setAutoFillBackground(true);
        pintar_etiqueta(l, Qt::white, false);
    }
}

bool VentanaPrincipal::cargar()
{
    arranque::ofrecer_migracion(a_);
    return arranque::arrancar(a_);
}

bool VentanaPrincipal::activar()
{
    if (activando_) return true;
    activando_ = true;
    pendiente_ = false;
    mensaje_en_activacion_ = false;
    const arranque::Activacion r = arranque::activar(a_);
    ++activaciones_;
    activando_ = false;
    if (!r.continuar) {
        terminar(1);
        return false;
    }
    label4_->setVisible(a_.wdesglosar_ventas);
    image3_->setVisible(a_.wexportar_pgc);
    panel1_->setText(r.barra.version);
    panel2_->setText(r.barra.conexion);
    unsetCursor();
    Q_EMIT activada();
    return true;
}

void VentanaPrincipal::abrir(const QString& nombre)
{
    setCursor(Qt::WaitCursor);
    const int antes = activaciones_;
    try {
        std::unique_ptr<QDialog>& d = abiertas_[nombre];
        if (!d) {
            d = ventanas::crear(tabla_, nombre, a_);
            if (d->metaObject()->indexOfSignal("terminar_aplicacion(int)") >= 0)
                connect(d.get(), SIGNAL(terminar_aplicacion(int)), this, SLOT(terminar_por_ventana(int)));
        }
        d->exec();
    } catch (const std::exception& e) {
        // Nothing a window leaves unhandled may cross the event loop: the
        // program reports it and ends, as it always has.
        unsetCursor();
        arranque::avisar_error_fatal(a_, e);
        terminar(1);
        return;
    }
    unsetCursor();
    if (terminada_) return;
    // The window system may or may not give the activation back on its own:
    // the settings must be fresh at once, and a later real activation still
    // counts unless a message of the sequence is what handed the window back.
    if (activaciones_ == antes) {
        activar();
        pendiente_ = !isActiveWindow() && !mensaje_en_activacion_;
    }
}

QDialog* VentanaPrincipal::ventana(const QString& nombre) const
{
    const auto it = abiertas_.find(nombre);
    return it == abiertas_.end() ? nullptr : it->second.get();
}

void VentanaPrincipal::terminar(int codigo)
{
    terminada_ = true;
    if (al_terminar) al_terminar(codigo);
}

void VentanaPrincipal::terminar_por_ventana(int codigo)
{
    terminar(codigo);
}

void VentanaPrincipal::pulsado(QObject* control)
{
    // A hidden entry (its option off) is not there to be chosen.
    if (auto* w = qobject_cast<QWidget*>(control); w && !w->isVisibleTo(this))
        return;
    if (control == label1_) abrir(QString::fromLatin1(ventanas::kConfiguracion));
    else if (control == label2_) abrir(QString::fromLatin1(ventanas::kTraspaso));
    else if (control == label4_) abrir(QString::fromLatin1(ventanas::kCuentasVentas));
    else if (control == label5_) abrir(QString::fromLatin1(ventanas::kCuentasCobro));
    else if (control == image3_) abrir(QString::fromLatin1(ventanas::kExportarPgc));
    else if (control == image2_) terminar(0);
}

bool VentanaPrincipal::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowDeactivate:
        // A message box shown by the activation itself hands the window back
        // without anything having changed: that return is no new activation.
        if (!qobject_cast<QMessageBox*>(QApplication::activeWindow()))
            pendiente_ = true;
        else if (activando_)
            mensaje_en_activacion_ = true;
        break;
    case QEvent::WindowActivate:
        if (pendiente_ || !e->spontaneous()) activar();
        break;
    default:
        break;
    }
    return QWidget::event(e);
}

void VentanaPrincipal::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (mostrada_) return;
    mostrada_ = true;
    // Some window systems never activate a window (no window manager,
    // offscreen): the first display still runs the activation.
    QTimer::singleShot(0, this, [this] {
        if (activaciones_ == 0) activar();
    });
}

bool VentanaPrincipal::eventFilter(QObject* objeto, QEvent* e)
{
    const bool etiqueta = objeto == label1_ || objeto == label2_ || objeto == label3_ || objeto == label4_
                          || objeto == label5_;
    switch (e->type()) {
    case QEvent::FocusIn: {
        // Lit only when the user moves onto it with the keyboard, as the
        // pointer would light it; the window's first focus lights nothing.
        const Qt::FocusReason motivo = static_cast<QFocusEvent*>(e)->reason();
        if (etiqueta && (motivo == Qt::TabFocusReason || motivo == Qt::BacktabFocusReason))
            resaltar(static_cast<QLabel*>(objeto));
        break;
    }
    case QEvent::KeyPress: {
        const int tecla = static_cast<QKeyEvent*>(e)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter || tecla == Qt::Key_Space) {
            pulsado(objeto);
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        // Only the background clears the highlights: moving over a picture,
        // the status bar or another label leaves them as they are.
        if (etiqueta) resaltar(static_cast<QLabel*>(objeto));
        return true;
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(e);
        auto* w = qobject_cast<QWidget*>(objeto);
        if (m->button() == Qt::LeftButton && w && w->rect().contains(m->position().toPoint())) {
            pulsado(objeto);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(objeto, e);
}

void VentanaPrincipal::mouseMoveEvent(QMouseEvent* e)
{
    quitar_resaltado();
    QWidget::mouseMoveEvent(e);
}
