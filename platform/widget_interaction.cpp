#include "platform/widget_interaction.h"

#include <QApplication>
#include <QPushButton>

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
    if (question) {
        QPushButton* si = box->addButton(QString::fromUtf8("Sí"), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
        si->setObjectName(QStringLiteral("Si"));
        no->setObjectName(QStringLiteral("No"));
        box->setDefaultButton(si);
        box->setEscapeButton(no);
    } else {
        QPushButton* ok = box->addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        ok->setObjectName(QStringLiteral("Aceptar"));
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    }
    return box;
}

void WidgetInteraction::message(const QString& text, const QString& title, Icon icon)
{
    report(text, QString(), title, icon);
}

void WidgetInteraction::report(const QString& text, const QString& figures, const QString& title, Icon icon)
{
    QMessageBox* box = buildBox(text, title, icon, false, parent_);
    box->setInformativeText(figures);
    // A box must never sit under the hourglass the work in progress set.
    const bool wasBusy = busy_;
    if (wasBusy) setBusy(false);
    box->exec();
    delete box;
    ++shown_;
    if (wasBusy) setBusy(true);
}

bool WidgetInteraction::ask(const QString& text, const QString& title, Icon icon)
{
    QMessageBox* box = buildBox(text, title, icon, true, parent_);
    const bool wasBusy = busy_;
    if (wasBusy) setBusy(false);
    box->exec();
    const bool yes = box->buttonRole(box->clickedButton()) == QMessageBox::YesRole;
    delete box;
    ++shown_;
    if (wasBusy) setBusy(true);
    return yes;
}

void WidgetInteraction::setBusy(bool busy)
{
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace platform
