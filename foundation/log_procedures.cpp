#include "foundation/log_procedures.h"

namespace {

// A plain pointer, so that a line logged while the program winds down finds no half-destroyed holder.
TLogView* target = nullptr;

template <typename Action> void WithTarget(Action action)
{
    if (target)
        action(*target);
}

} // namespace

void SetLogView(TLogView* view)
{
    target = view;
}

TLogView* LogView()
{
    return target;
}

void LogText(const QString& text)
{
    WithTarget([&](TLogView& view) { view.AddText(text); });
}

void LogDebug(const QString& text)
{
    WithTarget([&](TLogView& view) { view.AddDebug(text); });
}

void LogWarning(const QString& text)
{
    WithTarget([&](TLogView& view) { view.AddWarning(text); });
}

void LogInformation(const QString& text)
{
    WithTarget([&](TLogView& view) { view.AddInformation(text); });
}

void LogError(const QString& text)
{
    WithTarget([&](TLogView& view) { view.AddError(text); });
}

void LogStrings(const QStringList& lines)
{
    WithTarget([&](TLogView& view) { view.AddStrings(lines); });
}

void LogClear()
{
    WithTarget([](TLogView& view) { view.Clear(); });
}

void LogRefresh()
{
    WithTarget([](TLogView& view) { view.Refresh(); });
}

QString LogSetFileName(const QString& fileName)
{
    QString opened;
    WithTarget([&](TLogView& view) { opened = view.SetLogFileName(fileName); });
    return opened;
}

void LogCloseFile()
{
    WithTarget([](TLogView& view) { view.CloseLogFile(); });
}

void LogClearFile()
{
    WithTarget([](TLogView& view) { view.ClearLogFile(); });
}
