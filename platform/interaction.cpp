#include "platform/interaction.h"

#include <cstdio>

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

void printLines(std::FILE* stream, const QString& text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!normalised.endsWith(QLatin1Char('\n')))
        normalised += QLatin1Char('\n');
    const QByteArray bytes = normalised.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

bool ConsoleInteraction::isError(const QString& title, Icon icon) const
{
    return icon == Icon::Critical || icon == Icon::Exclamation || errorTitles.contains(title);
}

void ConsoleInteraction::message(const QString& text, const QString& title, Icon icon)
{
    ScriptedInteraction::message(text, title, icon);
    printLines(isError(title, icon) ? stderr : stdout, text);
}

bool ConsoleInteraction::ask(const QString& text, const QString& title, Icon icon)
{
    const bool answer = ScriptedInteraction::ask(text, title, icon);
    printLines(stdout, text + QStringLiteral(" -> ") + (answer ? QStringLiteral("Sí") : QStringLiteral("No")));
    return answer;
}

void ConsoleInteraction::progress(const QString& phase, qint64 count)
{
    ScriptedInteraction::progress(phase, count);
    if (verbose)
        printLines(stdout, QStringLiteral("%1: %2").arg(phase).arg(count));
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
