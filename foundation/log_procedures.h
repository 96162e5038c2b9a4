#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;
class TNeroMemo;

// Levelled lines for the log page's view, callable from the program's first moment: every procedure
// does nothing while there is no view, or once the view is gone. Main thread only.

// The log page hands its views over when it is created.
void SetLogTarget(TNeroMemo* memo);
TNeroMemo* LogTarget();
void SetCommandLineMemo(QPlainTextEdit* memo);
// The memo that echoes the external programs' command lines, or none.
QPlainTextEdit* CommandLineMemo();

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

void ClearCommandLines();
