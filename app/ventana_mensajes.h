#pragma once

// Messages, questions and the hourglass of the windows, over QMessageBox and
// the application's override cursor.

#include "platform/interaction.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

class QDialog;
class QWidget;

namespace platform {

class WidgetInteraction : public Interaction {
public:
    explicit WidgetInteraction(QWidget* parent = nullptr) : parent_(parent) {}

    void message(const QString& text, const QString& title = QString(), Icon icon = Icon::None) override;
    void report(const QString& text, const QString& figures, const QString& title = QString(),
                Icon icon = Icon::Information) override;
    bool ask(const QString& text, const QString& title = QString(), Icon icon = Icon::Information) override;
    void summary(const Summary& s) override;
    void setBusy(bool busy) override;
    // After half a second of work, a dialog "progreso" with the phase, the
    // rows done and the time taken, and a button "Cancelar".
    void progress(const QString& phase, qint64 count) override;
    void expect(qint64 total) override { total_ = total; }
    bool cancelled() const override { return cancelled_; }
    static constexpr int kProgressDelayMs = 500;

    // The window the boxes are centred on when no window of the program is
    // active (none: centred on the screen).
    void setParent(QWidget* parent) { parent_ = parent; }
    // The active modal dialog, else the active window, else the one given.
    QWidget* boxParent() const;

    // How many boxes have been shown so far.
    int shownCount() const { return shown_; }

    // The box a message or question would show, not yet shown: the window
    // and its tests build the very same box.
    static QMessageBox* buildBox(const QString& text, const QString& title, Icon icon, bool question,
                                 QWidget* parent = nullptr);
    static QMessageBox::Icon boxIcon(Icon icon);
    // The end-of-run dialog (objectName "resumen"): the text, the figures,
    // a scrolling list of what was left out ("omitidos"), and the buttons
    // "Abrir carpeta" and "Cerrar". Never taller than the screen.
    static QDialog* buildSummary(const Summary& s, QWidget* parent = nullptr);
    // An empty title stands for the program's own name.
    static QString effectiveTitle(const QString& title);

private:
    // A box is about to show: no hourglass over it, no progress dialog under it.
    void pause(bool& wasCursor);
    void resume(bool wasCursor);
    void cursor(bool on);

    QWidget* parent_ = nullptr;
    bool busy_ = false;
    bool cursor_ = false;
    bool cancelled_ = false;
    QElapsedTimer clock_;
    QPointer<QProgressDialog> progress_;
    qint64 total_ = 0;
    int shown_ = 0;
};

} // namespace platform
