#include "config/ventana_configuracion.h"

#include "app/dibujos.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QDateTime>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>

namespace {

constexpr int kAncho = 5385;
constexpr int kAlto = 10275;
constexpr int kAltoBarra = 22;   // pixels, below the drawn client area
const char* const kLongitud = "longitud_maxima";

using ventana::zona;

QLabel* crear_dibujo(QWidget* padre, const char* nombre, const QPixmap& dibujo, QRect donde)
{
    auto* l = new QLabel(padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setPixmap(dibujo);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(donde);
    return l;
}

bool es_confirmacion(int tecla)
{
    return tecla == Qt::Key_Tab || tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
}

} // namespace

VentanaConfiguracion::VentanaConfiguracion(A3ADO& a, QWidget* parent) : DialogoTerminable(parent), a_(a)
{
    setObjectName(QStringLiteral("configc3"));
    setWindowTitle(QStringLiteral("Configuración enlace a A3 Software."));
    setWindowIcon(QIcon(dibujos::ajustes()));
    setModal(true);
    // A narrow face, so the long captions fit the places they were given.
    QFont letra(QStringLiteral("Calibri"));
    letra.setFamilies({QStringLiteral("Calibri"), QStringLiteral("Carlito")});
    letra.setPointSizeF(9);
    setFont(letra);
    crear_controles();
    escribir();
}

VentanaConfiguracion::~VentanaConfiguracion() = default;

int VentanaConfiguracion::longitud_maxima(const QLineEdit* campo)
{
    const QVariant v = campo->property(kLongitud);
    return v.isValid() ? v.toInt() : campo->maxLength();
}

QLabel* VentanaConfiguracion::crear_etiqueta(QWidget* padre, const QString& texto, int izquierda, int arriba,
                                             int ancho)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QStringLiteral("Label%1").arg(++etiquetas_));
    l->setGeometry(zona(izquierda, arriba, ancho, 285));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QLineEdit* VentanaConfiguracion::crear_campo(QWidget* padre, const char* nombre, int izquierda, int arriba,
                                             int ancho)
{
    auto* c = new QLineEdit(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(zona(izquierda, arriba, ancho, 330));
    c->setProperty(kLongitud, configuracion::kSinLimite);
    c->installEventFilter(this);
    // A limit never cuts what a field already holds; it only stops typing.
    connect(c, &QLineEdit::textChanged, this, [this, c] { aplicar_longitud(c); });
    return c;
}

QCheckBox* VentanaConfiguracion::crear_casilla(QWidget* padre, const char* nombre, const QString& texto, int arriba)
{
    auto* c = new QCheckBox(texto, padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(zona(585, arriba, 3945, 285));
    c->installEventFilter(this);
    return c;
}

void VentanaConfiguracion::crear_controles()
{
    // The controls lie on a canvas of the window's drawn size; a screen too
    // small for it (a laptop at 150 % or 200 %) scrolls it.
    lienzo_ = new QWidget;
    lienzo_->setObjectName(QStringLiteral("lienzo"));
    lienzo_->setFixedSize(px(kAncho), px(kAlto));
    crear_etiqueta(lienzo_, QStringLiteral("Password Administrador :"), 300, 180, 2010);
    pas = crear_campo(lienzo_, "pas", 2370, 150, 1530);
    pas->setEchoMode(QLineEdit::Password);
    Image1 = crear_dibujo(lienzo_, "Image1", dibujos::llave(), zona(3990, 90, 480, 480));
    Image2 = crear_dibujo(lienzo_, "Image2", dibujos::guardar(), zona(4620, 90, 480, 480));
    Image2->setToolTip(QStringLiteral("Guardar los cambios"));
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->installEventFilter(this);

    GroupBox1 = new QGroupBox(QStringLiteral(" Datos del enlace contable "), lienzo_);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(zona(195, 735, 4920, 1050));
    crear_etiqueta(GroupBox1, QStringLiteral("Código Empresa "), 180, 420, 1260);
    ce = crear_campo(GroupBox1, "ce", 1470, 390, 1020);
    crear_etiqueta(GroupBox1, QStringLiteral("Nº Dígitos Cuentas :"), 2580, 435, 1600);
    di = crear_campo(GroupBox1, "di", 4215, 405, 375);

    GroupBox2 = new QGroupBox(QStringLiteral(" Configuración cuentas contables  "), lienzo_);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(zona(195, 1935, 4920, 3465));
    const auto cuenta = [this](const char* nombre, const QString& texto, int arriba) {
        crear_etiqueta(GroupBox2, texto, 180, arriba + 30, 2640);
        return crear_campo(GroupBox2, nombre, 2850, arriba, 1800);
    };
    cage = cuenta("cage", QStringLiteral("SubCuenta de Agencias de Viajes "), 390);
    cna = cuenta("cna", QStringLiteral("SubCuenta de Empresas y No Aloj."), 795);
    cpas = cuenta("cpas", QStringLiteral("SubCuenta de Clientes Particulares"), 1185);
    cven = cuenta("cven", QStringLiteral("Cuenta de Cuadre de Ventas"), 1575);
    civa = cuenta("civa", QStringLiteral("Cuenta de IVA Repercutido"), 1965);
    cgru = cuenta("cgru", QStringLiteral("Cuenta de depósitos y entregas"), 2370);
    cTasa = cuenta("cTasa", QStringLiteral("Cuenta Impuesto EET (Tasa)"), 2775);

    GroupBox3 = new QGroupBox(QStringLiteral(" Opciones del traspaso "), lienzo_);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(zona(180, 5550, 4920, 4230));
    Check1 = crear_casilla(GroupBox3, "Check1", QStringLiteral("Traspasar créditos cobrados no pasados por caja."), 480);
    Check2 = crear_casilla(GroupBox3, "Check2", QStringLiteral("Separar en distintas cuentas el IVA por su tipo."), 840);
    Check3 = crear_casilla(GroupBox3, "Check3", QStringLiteral("Desglosar cuentas de ventas en facturas emitidas."), 1200);
    Check4 = crear_casilla(GroupBox3, "Check4", QStringLiteral("Crear una cuenta para cada cliente pasante."), 1545);
    Check6 = crear_casilla(GroupBox3, "Check6", QStringLiteral("Crear Una única cuenta contable para pasantes."), 1905);
    Check5 = crear_casilla(GroupBox3, "Check5", QStringLiteral("Crear Cuentas Contables en el traspaso."), 2265);
    Check7 = crear_casilla(GroupBox3, "Check7", QStringLiteral("Exportar PGC desde Zumeral"), 2610);
    crear_etiqueta(GroupBox3, QStringLiteral("Carpeta de Exportación : "), 165, 3285, 3000);
    ruta = crear_campo(GroupBox3, "ruta", 165, 3645, 4500);

    Image3 = crear_dibujo(lienzo_, "Image3", dibujos::ajustes(), zona(4620, 9800, 480, 420));

    QWidget* orden[] = {pas, ce, di, cage, cna, cpas, cven, civa, cgru, cTasa,
                        Check1, Check2, Check3, Check4, Check6, Check5, Check7, ruta};
    for (size_t i = 1; i < std::size(orden); ++i)
        setTabOrder(orden[i - 1], orden[i]);

    desplazable_ = new QScrollArea(this);
    desplazable_->setObjectName(QStringLiteral("desplazable"));
    desplazable_->setFrameShape(QFrame::NoFrame);
    // A click on the picture must not take the focus from the field being
    // typed in: the field's own check would answer before the save's.
    desplazable_->setFocusPolicy(Qt::NoFocus);
    desplazable_->setWidget(lienzo_);
    // The field being typed in stays in sight however small the screen.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* ahora) {
        if (ahora && lienzo_->isAncestorOf(ahora))
            desplazable_->ensureWidgetVisible(ahora);
    });
    barra = new QStatusBar(this);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setSizeGripEnabled(false);
    ajustar_a_pantalla();

    // The picture is not reachable by keyboard: Ctrl+S saves as it does.
    auto* guardar = new QShortcut(QKeySequence::Save, this);
    connect(guardar, &QShortcut::activated, this, [this] {
        if (Image2->isVisibleTo(this))
            Image2_Click();
    });

    connect(Check4, &QCheckBox::clicked, this, &VentanaConfiguracion::Check4_Click);
    connect(Check6, &QCheckBox::clicked, this, &VentanaConfiguracion::Check6_Click);
}

void VentanaConfiguracion::ajustar_a_pantalla()
{
    int ancho = px(kAncho);
    int alto = px(kAlto);
    if (const QScreen* pantalla = screen() ? screen() : QGuiApplication::primaryScreen()) {
        // Room for the title bar and the frame the window manager adds.
        const QRect libre = pantalla->availableGeometry();
        const int cabe = libre.height() - kAltoBarra - 48;
        if (cabe > 0 && cabe < alto) {
            alto = cabe;
            ancho += desplazable_->verticalScrollBar()->sizeHint().width();
        }
    }
    desplazable_->setGeometry(0, 0, ancho, alto);
    barra->setGeometry(0, alto, ancho, kAltoBarra);
    setFixedSize(ancho, alto + kAltoBarra);
}

void VentanaConfiguracion::leer()
{
    for (const QString& nombre : configuracion::nombres_campos()) {
        auto* w = findChild<QLineEdit*>(nombre);
        configuracion::Campo* c = f_.campo(nombre);
        c->texto = w->text();
        c->longitud_maxima = longitud_maxima(w);
    }
    f_.Check1 = Check1->isChecked();
    f_.Check2 = Check2->isChecked();
    f_.Check3 = Check3->isChecked();
    f_.Check4 = Check4->isChecked();
    f_.Check5 = Check5->isChecked();
    f_.Check6 = Check6->isChecked();
    f_.Check7 = Check7->isChecked();
    f_.Image2_visible = Image2->isVisibleTo(this);
}

void VentanaConfiguracion::escribir()
{
    for (const QString& nombre : configuracion::nombres_campos()) {
        auto* w = findChild<QLineEdit*>(nombre);
        const configuracion::Campo* c = f_.campo(nombre);
        w->setProperty(kLongitud, c->longitud_maxima);
        // The limit first, so the text is never cut to an older one.
        w->setMaxLength(std::max<int>(c->longitud_maxima, static_cast<int>(c->texto.size())));
        if (w->text() != c->texto)
            w->setText(c->texto);
        aplicar_longitud(w);
    }
    Check1->setChecked(f_.Check1);
    Check2->setChecked(f_.Check2);
    Check3->setChecked(f_.Check3);
    Check4->setChecked(f_.Check4);
    Check5->setChecked(f_.Check5);
    Check6->setChecked(f_.Check6);
    Check7->setChecked(f_.Check7);
    Image2->setVisible(f_.Image2_visible);
}

void VentanaConfiguracion::aplicar_longitud(QLineEdit* campo)
{
    const int limite = longitud_maxima(campo);
    const int longitud = std::max<int>(limite, static_cast<int>(campo->text().size()));
    if (campo->maxLength() != longitud)
        campo->setMaxLength(std::min(longitud, configuracion::kSinLimite));
}

void VentanaConfiguracion::showEvent(QShowEvent* e)
{
    // Every opening starts locked, as the main window keeps this one and
    // shows it again.
    if (!e->spontaneous())
        bloquear();
    QDialog::showEvent(e);
}

void VentanaConfiguracion::bloquear()
{
    ocupado_ = true;
    configuracion::limpiar(f_);
    escribir();
    ocupado_ = false;
    pas->setFocus();
}

void VentanaConfiguracion::enfocar(const QString& nombre)
{
    if (auto* w = findChild<QWidget*>(nombre))
        w->setFocus();
}

bool VentanaConfiguracion::eventFilter(QObject* objeto, QEvent* e)
{
    if (objeto == Image2) {
        if (e->type() == QEvent::MouseButtonRelease) {
            Image2_Click();
            return true;
        }
        if (e->type() == QEvent::MouseButtonPress)
            return true;
        return QDialog::eventFilter(objeto, e);
    }
    if (auto* casilla = qobject_cast<QCheckBox*>(objeto)) {
        const bool limpia = casilla == Check1 || casilla == Check2 || casilla == Check3;
        if (limpia && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            bloquear();
            return true;
        }
        return QDialog::eventFilter(objeto, e);
    }
    auto* campo = qobject_cast<QLineEdit*>(objeto);
    if (!campo)
        return QDialog::eventFilter(objeto, e);
    switch (e->type()) {
    case QEvent::KeyPress:
        return tecla_en_campo(campo, static_cast<QKeyEvent*>(e)->key());
    case QEvent::FocusIn:
        campo_recibe_foco(campo);
        break;
    case QEvent::FocusOut: {
        // A message box or another window taking the focus is not the
        // administrator leaving the field.
        const Qt::FocusReason motivo = static_cast<QFocusEvent*>(e)->reason();
        if (campo == di && !ocupado_ && motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason)
            di_pierde_foco();
        break;
    }
    case QEvent::MouseButtonRelease:
        if (campo == pas)
            bloquear();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(objeto, e);
}

bool VentanaConfiguracion::tecla_en_campo(QLineEdit* campo, int tecla)
{
    if (tecla == Qt::Key_Escape) {
        if (campo == pas)
            reject();
        else
            bloquear();
        return true;
    }
    if (!es_confirmacion(tecla))
        return false;
    leer();
    QString siguiente;
    try {
        ocupado_ = true;
        if (campo == pas)
            siguiente = configuracion::comprobar_password(a_, f_);
        else
            siguiente = configuracion::validar(a_, f_, campo->objectName());
        escribir();
        ocupado_ = false;
        if (campo == pas && siguiente == QLatin1String("ce"))
            barra->clearMessage();
    } catch (const std::exception& error) {
        ocupado_ = false;
        fallo_base_datos(error);
        return true;
    }
    enfocar(siguiente);
    return true;
}

void VentanaConfiguracion::campo_recibe_foco(QLineEdit* campo)
{
    if (ocupado_ || campo->text().isEmpty())
        return;
    const QString nombre = campo->objectName();
    if (configuracion::es_campo_cuenta(nombre)) {
        leer();
        configuracion::al_recibir_foco(f_, nombre);
        escribir();
    }
    if (configuracion::es_campo_cuenta(nombre) || campo == ce || campo == di || campo == ruta)
        campo->selectAll();
}

void VentanaConfiguracion::di_pierde_foco()
{
    leer();
    if (!configuracion::di_puede_perder_foco(a_, f_))
        di->setFocus();
}

void VentanaConfiguracion::keyPressEvent(QKeyEvent* e)
{
    // Escape is the fields' and the first three boxes' (they lock the window)
    // and the password's (it closes it); elsewhere it does nothing, not even
    // the dialog's own closing.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void VentanaConfiguracion::Check4_Click()
{
    leer();
    configuracion::pulsar_Check4(f_);
    escribir();
}

void VentanaConfiguracion::Check6_Click()
{
    leer();
    configuracion::pulsar_Check6(f_);
    escribir();
}

void VentanaConfiguracion::Image2_Click()
{
    leer();
    bool guardado = false;
    try {
        ocupado_ = true;
        guardado = configuracion::guardar(a_, f_);
        ocupado_ = false;
    } catch (const std::exception& error) {
        ocupado_ = false;
        fallo_base_datos(error);
        return;
    }
    if (guardado) {
        bloquear();
        barra->showMessage(QStringLiteral("Configuración guardada el ")
                           + QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy 'a las' hh:mm:ss")) + QLatin1Char('.'));
    } else if (!f_.foco.isEmpty()) {
        enfocar(f_.foco);
        f_.foco.clear();
    }
}

void VentanaConfiguracion::fallo_base_datos(const std::exception& error)
{
    DialogoTerminable::fallo_base_datos(a_.ui, QStringLiteral("La configuración no se ha podido leer ni guardar"),
                                        error);
}

std::unique_ptr<QDialog> crear_ventana_configuracion(A3ADO& a)
{
    return std::make_unique<VentanaConfiguracion>(a);
}
