#include "platform/interaction.h"


namespace platform {

void ScriptedInteraction::message(const QString& text, const QString& title, Icon icon)
{
    shown.push_back(Shown{text, title, icon, false});
}

void ScriptedInteraction::report(const QString& text, const QString& figures, const QString& title, Icon icon)
{
    message(text, title, icon);
    shown.back().figures = figures;
}

bool ScriptedInteraction::ask(const QString& text, const QString& title, Icon icon)
{
    shown.push_back(Shown{text, title, icon, true});
    if (answers.empty())
        return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedInteraction::setBusy(bool value)
{
    if (value != busy)
        ++busyChanges;
    busy = value;
}

void ScriptedInteraction::progress(const QString& phase, qint64 count)
{
    Q_UNUSED(count);
    ++progressCalls;
    if (phases.isEmpty() || phases.constLast() != phase)
        phases << phase;
}

QStringList ScriptedInteraction::texts() const
{
    QStringList out;
    out.reserve(qsizetype(shown.size()));
    for (const Shown& s : shown)
        out << s.text;
    return out;
}

// ---------------------------------------------------------------------------

namespace {

// One message a line or more, ended by a newline; carriage returns (of a
// database's error text, say) become line ends on a console.
void printLines(QTextStream& stream, const QString& text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!normalised.endsWith(QLatin1Char('\n')))
        normalised += QLatin1Char('\n');
    stream << normalised;
    stream.flush();
}

} // namespace

void ConsoleInteraction::message(const QString& text, const QString& title, Icon icon)
{
    ScriptedInteraction::message(text, title, icon);
    const bool resultado =
        es_resultado ? es_resultado(text, icon) : icon != Icon::Critical && icon != Icon::Exclamation;
    printLines(resultado ? out_ : err_, text);
}

bool ConsoleInteraction::ask(const QString& text, const QString& title, Icon icon)
{
    const bool answer = ScriptedInteraction::ask(text, title, icon);
    printLines(out_, text + QStringLiteral(" -> ") + (answer ? QStringLiteral("Sí") : QStringLiteral("No")));
    return answer;
}

void ScriptedInteraction::summary(const Summary& s)
{
    QString text = s.text;
    for (const QString& line : s.leftOut)
        text += QLatin1Char('\n') + line;
    message(text, s.title, s.icon);
    shown.back().figures = s.figures.join(QLatin1Char('\n'));
}

} // namespace platform
