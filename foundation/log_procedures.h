#pragma once

#include <QString>
#include <QStringList>

// Levelled lines for the log page's view, callable from the program's first moment: every procedure
// does nothing while there is no view, or once the view is gone. Main thread only.

// The log page's view as the procedures see it. The window side implements it over the real view and
// makes it do nothing (SetLogFileName gives "") once the page is gone.
class TLogView {
public:
    virtual void AddText(const QString& text) = 0;
    virtual void AddDebug(const QString& text) = 0;
    virtual void AddWarning(const QString& text) = 0;
    virtual void AddInformation(const QString& text) = 0;
    virtual void AddError(const QString& text) = 0;
    virtual void AddStrings(const QStringList& lines) = 0;
    // Empties the view and repaints it at once.
    virtual void Clear() = 0;
    // Repaints the view at once.
    virtual void Refresh() = 0;
    virtual QString SetLogFileName(const QString& fileName) = 0;
    virtual void CloseLogFile() = 0;
    virtual void ClearLogFile() = 0;

protected:
    ~TLogView() = default;
};

// The window side hands the view over when the log page is created; none stops the logging.
void SetLogView(TLogView* view);
TLogView* LogView();

void LogText(const QString& text);
void LogDebug(const QString& text);
void LogWarning(const QString& text);
void LogInformation(const QString& text);
void LogError(const QString& text);
// Every line of the list, in order, as plain text.
void LogStrings(const QStringList& lines);

// Empties the view and repaints it at once.
void LogClear();
// Repaints the view at once, so lines added during a long step show up.
void LogRefresh();

// Opens the view's mirror file; returns the name in use, or "" when it cannot be opened or there is no view.
QString LogSetFileName(const QString& fileName);
void LogCloseFile();
// Closes, deletes and reopens the mirror file.
void LogClearFile();
