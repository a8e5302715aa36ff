#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <deque>
#include <functional>

namespace platform {

enum class Icon { None, Information, Exclamation, Critical, Question };

// The end of a run: what was done, the file written, and what was left out.
struct Summary {
    QString title;
    QString text;
    Icon icon = Icon::Information;
    QStringList figures;   // one line each (counts, file, size, backup, checker)
    QStringList leftOut;   // what was left out and why, one line each
    QString folder;        // local folder the user may open ("" none)
};

// What the logic needs from whoever runs it: messages, Yes/No questions, the
// hourglass and progress. The window, the batch line and the tests each
// provide their own, so no routine of the logic touches a widget.
class Interaction {
public:
    virtual ~Interaction() = default;
    // OK-only message. An empty title means the application's default title.
    virtual void message(const QString& text, const QString& title = QString(), Icon icon = Icon::None) = 0;
    // A result with the figures that back it (a run's summary), shown under
    // the text. Where nothing can show them, the text alone.
    virtual void report(const QString& text, const QString& figures, const QString& title = QString(),
                        Icon icon = Icon::Information)
    {
        Q_UNUSED(figures);
        message(text, title, icon);
    }
    // The end of a run. Where nothing better can show it, a report whose
    // figures are the lines and then what was left out.
    virtual void summary(const Summary& s)
    {
        QStringList lines = s.figures;
        if (!s.leftOut.isEmpty())
            lines << QString() << s.leftOut;
        report(s.text, lines.join(QLatin1Char('\n')), s.title, s.icon);
    }
    // Yes/No question; true means Yes.
    virtual bool ask(const QString& text, const QString& title = QString(), Icon icon = Icon::Information) = 0;
    // Hourglass pointer while busy, default pointer otherwise.
    virtual void setBusy(bool busy) = 0;
    // Long runs report what they are doing and how far they are.
    virtual void progress(const QString& phase, qint64 count) { Q_UNUSED(phase); Q_UNUSED(count); }
    // How many rows the phase reported next has to do (0: not known).
    virtual void expect(qint64 total) { Q_UNUSED(total); }
    // The user asked to stop the run in progress: long runs check it between
    // rows and end safely (nothing of theirs marked, the file as it was).
    virtual bool cancelled() const { return false; }
};

// Hourglass for as long as the work lasts, however it ends.
class Reloj {
public:
    explicit Reloj(Interaction& ui) : ui_(ui) { ui_.setBusy(true); }
    ~Reloj() { ui_.setBusy(false); }
    Reloj(const Reloj&) = delete;
    Reloj& operator=(const Reloj&) = delete;

private:
    Interaction& ui_;
};

inline const char* kDefaultTitle = "enlace3";

// Records every message and answers questions from a queue (an empty queue
// answers `defaultAnswer`). Used by the tests and as the base of the batch line.
class ScriptedInteraction : public Interaction {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon = Icon::None;
        bool question = false;
        QString figures;   // of a report()
    };

    void message(const QString& text, const QString& title = QString(), Icon icon = Icon::None) override;
    void report(const QString& text, const QString& figures, const QString& title = QString(),
                Icon icon = Icon::Information) override;
    bool ask(const QString& text, const QString& title = QString(), Icon icon = Icon::Information) override;
    // Recorded (and, on the batch line, printed) as one message: the text
    // with what was left out under it; the figures kept apart.
    void summary(const Summary& s) override;
    void setBusy(bool busy) override;
    void progress(const QString& phase, qint64 count) override;

    bool cancelled() const override { return cancelAfter >= 0 && progressCalls > cancelAfter; }

    std::deque<bool> answers;
    bool defaultAnswer = true;
    // Cancels the run once progress has been reported more than this many times (-1: never).
    int cancelAfter = -1;
    int progressCalls = 0;
    std::vector<Shown> shown;
    bool busy = false;
    int busyChanges = 0;
    QStringList phases;

    QStringList texts() const;
};

// The batch line's side of the conversation: every message is printed on
// `out` when it is a result, otherwise on `err`; each question is answered
// as above and printed with its answer on `out`. Without `es_resultado` a
// message is a result unless its icon is Critical or Exclamation.
class ConsoleInteraction : public ScriptedInteraction {
public:
    ConsoleInteraction(QTextStream& out, QTextStream& err) : out_(out), err_(err) {}

    std::function<bool(const QString& text, Icon icon)> es_resultado;

    void message(const QString& text, const QString& title = QString(), Icon icon = Icon::None) override;
    bool ask(const QString& text, const QString& title = QString(), Icon icon = Icon::Information) override;

private:
    QTextStream& out_;
    QTextStream& err_;
};

} // namespace platform
