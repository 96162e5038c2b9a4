#include "foundation/log_procedures.h"

#include "components/nero_memo.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace {

// The log page may be destroyed before the last line is logged; guarded pointers then read as none.
QPointer<TNeroMemo>& Target()
{
    static QPointer<TNeroMemo> target;
    return target;
}

QPointer<QPlainTextEdit>& CommandLines()
{
    static QPointer<QPlainTextEdit> memo;
    return memo;
}

template <typename Action> void WithTarget(Action action)
{
    if (TNeroMemo* target = Target().data())
        action(*target);
}

} // namespace

void SetLogTarget(TNeroMemo* memo)
{
    Target() = memo;
}

TNeroMemo* LogTarget()
{
    return Target().data();
}

void SetCommandLineMemo(QPlainTextEdit* memo)
{
    CommandLines() = memo;
}

QPlainTextEdit* CommandLineMemo()
{
    return CommandLines().data();
}

void LogText(const QString& text)
{
    WithTarget([&](TNeroMemo& target) { target.AddText(text); });
}

void LogDebug(const QString& text)
{
    WithTarget([&](TNeroMemo& target) { target.AddDebug(text); });
}

void LogWarning(const QString& text)
{
    WithTarget([&](TNeroMemo& target) { target.AddWarning(text); });
}

void LogInformation(const QString& text)
{
    WithTarget([&](TNeroMemo& target) { target.AddInformation(text); });
}

void LogError(const QString& text)
{
    WithTarget([&](TNeroMemo& target) { target.AddError(text); });
}

void LogStrings(const QStringList& lines)
{
    WithTarget([&](TNeroMemo& target) { target.AddStrings(lines); });
}

void LogClear()
{
    WithTarget([](TNeroMemo& target) {
        target.Clear();
        target.repaint();
    });
}

void LogRefresh()
{
    WithTarget([](TNeroMemo& target) { target.repaint(); });
}

QString LogSetFileName(const QString& fileName)
{
    QString opened;
    WithTarget([&](TNeroMemo& target) { opened = target.SetLogFileName(fileName); });
    return opened;
}

void LogCloseFile()
{
    WithTarget([](TNeroMemo& target) { target.CloseLogFile(); });
}

void LogClearFile()
{
    WithTarget([](TNeroMemo& target) { target.ClearLogFile(); });
}

void ClearCommandLines()
{
    if (QPlainTextEdit* memo = CommandLines().data())
        memo->clear();
}
