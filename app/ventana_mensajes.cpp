#include "app/ventana_mensajes.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace platform {

QMessageBox::Icon WidgetInteraction::boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString WidgetInteraction::effectiveTitle(const QString& title)
{
    return title.isEmpty() ? QString::fromUtf8(kDefaultTitle) : title;
}

QMessageBox* WidgetInteraction::buildBox(const QString& text, const QString& title, Icon icon, bool question,
                                         QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(question ? QStringLiteral("pregunta") : QStringLiteral("mensaje"));
    box->setWindowTitle(effectiveTitle(title));
    box->setText(text);
    box->setIcon(boxIcon(icon));
    // The standard buttons (Yes/No, OK) with Spanish texts: whoever looks
    // for a box's OK or Yes finds it by its role.
    if (question) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        QPushButton* si = qobject_cast<QPushButton*>(box->button(QMessageBox::Yes));
        QPushButton* no = qobject_cast<QPushButton*>(box->button(QMessageBox::No));
        si->setText(QString::fromUtf8("Sí"));
        si->setObjectName(QStringLiteral("Si"));
        no->setText(QStringLiteral("No"));
        no->setObjectName(QStringLiteral("No"));
        box->setDefaultButton(si);
        box->setEscapeButton(no);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        QPushButton* ok = qobject_cast<QPushButton*>(box->button(QMessageBox::Ok));
        ok->setText(QStringLiteral("Aceptar"));
        ok->setObjectName(QStringLiteral("Aceptar"));
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    return box;
}

QWidget* WidgetInteraction::boxParent() const
{
    // The window that asked, not the main window: a box parented to the main
    // window raises it over the dialog the user is working in.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return parent_;
}

void WidgetInteraction::message(const QString& text, const QString& title, Icon icon)
{
    report(text, QString(), title, icon);
}

void WidgetInteraction::report(const QString& text, const QString& figures, const QString& title, Icon icon)
{
    bool wasCursor = false;
    pause(wasCursor);
    QMessageBox* box = buildBox(text, title, icon, false, boxParent());
    box->setInformativeText(figures);
    box->exec();
    delete box;
    ++shown_;
    resume(wasCursor);
}

bool WidgetInteraction::ask(const QString& text, const QString& title, Icon icon)
{
    bool wasCursor = false;
    pause(wasCursor);
    QMessageBox* box = buildBox(text, title, icon, true, boxParent());
    box->exec();
    const bool yes = box->buttonRole(box->clickedButton()) == QMessageBox::YesRole;
    delete box;
    ++shown_;
    resume(wasCursor);
    return yes;
}

void WidgetInteraction::pause(bool& wasCursor)
{
    // A box must never sit under the hourglass the work in progress set,
    // nor behind the progress dialog.
    delete progress_.data();
    wasCursor = cursor_;
    cursor(false);
}

void WidgetInteraction::resume(bool wasCursor)
{
    cursor(wasCursor);
}

void WidgetInteraction::cursor(bool on)
{
    if (on == cursor_) return;
    cursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QDialog* WidgetInteraction::buildSummary(const Summary& s, QWidget* parent)
{
    auto* d = new QDialog(parent);
    d->setObjectName(QStringLiteral("resumen"));
    d->setWindowTitle(effectiveTitle(s.title));
    d->setModal(true);
    auto* capa = new QVBoxLayout(d);

    auto* cabecera = new QHBoxLayout;
    if (s.icon != Icon::None) {
        auto* icono = new QLabel(d);
        const int lado = d->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, d);
        icono->setPixmap(QMessageBox::standardIcon(boxIcon(s.icon)).scaled(lado, lado, Qt::KeepAspectRatio,
                                                                             Qt::SmoothTransformation));
        icono->setAlignment(Qt::AlignTop);
        cabecera->addWidget(icono);
    }
    auto* texto = new QLabel(s.text, d);
    texto->setObjectName(QStringLiteral("texto"));
    texto->setWordWrap(true);
    texto->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cabecera->addWidget(texto, 1);
    capa->addLayout(cabecera);

    // The figures scroll as the list does, so that a small or scaled screen
    // still shows the buttons.
    auto* cifras = new QLabel(s.figures.join(QLatin1Char('\n')));
    cifras->setObjectName(QStringLiteral("cifras"));
    cifras->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cifras->setWordWrap(true);
    cifras->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* marco = new QScrollArea(d);
    marco->setFrameShape(QFrame::NoFrame);
    marco->setWidgetResizable(true);
    marco->setWidget(cifras);
    marco->setMinimumHeight(60);
    marco->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    capa->addWidget(marco, 1);

    if (!s.leftOut.isEmpty()) {
        auto* titulo = new QLabel(QStringLiteral("No enviado (%1), con su motivo:").arg(s.leftOut.size()), d);
        capa->addWidget(titulo);
        auto* lista = new QListWidget(d);
        lista->setObjectName(QStringLiteral("omitidos"));
        lista->addItems(s.leftOut);
        lista->setMinimumHeight(60);
        capa->addWidget(lista, 1);
    }

    auto* botones = new QDialogButtonBox(d);
    QPushButton* abrir = botones->addButton(QStringLiteral("Abrir carpeta"), QDialogButtonBox::ActionRole);
    abrir->setObjectName(QStringLiteral("AbrirCarpeta"));
    abrir->setEnabled(!s.folder.isEmpty());
    const QString carpeta = s.folder;
    QObject::connect(abrir, &QPushButton::clicked, d,
                     [carpeta] { QDesktopServices::openUrl(QUrl::fromLocalFile(carpeta)); });
    QPushButton* cerrar = botones->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::AcceptRole);
    cerrar->setObjectName(QStringLiteral("Cerrar"));
    cerrar->setDefault(true);
    QObject::connect(botones, &QDialogButtonBox::accepted, d, &QDialog::accept);
    capa->addWidget(botones);

    // However much was left out, the buttons stay on the screen.
    const QScreen* pantalla = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (pantalla) {
        const QRect zona = pantalla->availableGeometry();
        d->setMaximumSize(zona.width() * 9 / 10, zona.height() * 9 / 10);
    }
    d->resize(qMax(480, d->sizeHint().width()), qMin(d->sizeHint().height(), d->maximumHeight()));
    cerrar->setFocus();
    return d;
}

void WidgetInteraction::summary(const Summary& s)
{
    // A run that left nothing out ends with the message box it has always
    // ended with (its figures under the text); the dialog with its list is
    // for what was left out.
    if (s.leftOut.isEmpty()) {
        report(s.text, s.figures.join(QLatin1Char('\n')), s.title, s.icon);
        return;
    }
    bool wasCursor = false;
    pause(wasCursor);
    QDialog* d = buildSummary(s, boxParent());
    d->exec();
    delete d;
    ++shown_;
    resume(wasCursor);
}

void WidgetInteraction::setBusy(bool busy)
{
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        // A new run: nobody has cancelled it yet.
        cancelled_ = false;
        clock_.start();
    } else {
        delete progress_.data();
    }
    cursor(busy);
}

void WidgetInteraction::progress(const QString& phase, qint64 count)
{
    if (!busy_ || cancelled_) return;
    if (!progress_) {
        // Short runs finish before anybody would read a dialog.
        if (clock_.elapsed() < kProgressDelayMs) return;
        progress_ = new QProgressDialog(boxParent());
        progress_->setObjectName(QStringLiteral("progreso"));
        progress_->setWindowTitle(effectiveTitle(QString()));
        progress_->setCancelButtonText(QStringLiteral("Cancelar"));
        progress_->setRange(0, 0);
        progress_->setMinimumDuration(0);
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumWidth(360);
        QObject::connect(progress_.data(), &QProgressDialog::canceled, progress_.data(), [this] {
            cancelled_ = true;
            if (progress_) progress_->setLabelText(QStringLiteral("Cancelando: se deja todo como estaba..."));
        });
        progress_->show();
        // The dialog says the work goes on; the pointer must be able to
        // reach Cancelar as a pointer.
        cursor(false);
    }
    const qint64 s = clock_.elapsed() / 1000;
    const QString hechas = total_ > 0 ? QStringLiteral("%1 de %2").arg(count).arg(total_) : QString::number(count);
    if (total_ > 0) {
        progress_->setRange(0, 1000);
        progress_->setValue(int(1000 * qMin(count, total_) / total_));
    } else {
        progress_->setRange(0, 0);
    }
    progress_->setLabelText(QStringLiteral("%1\nFilas hechas: %2\nTiempo: %3:%4")
                                .arg(phase, hechas)
                                .arg(s / 60, 2, 10, QLatin1Char('0'))
                                .arg(s % 60, 2, 10, QLatin1Char('0')));
    // The only moment the user can reach the Cancel button.
    QCoreApplication::processEvents();
}

} // namespace platform
