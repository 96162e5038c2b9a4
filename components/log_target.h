#pragma once

class QPlainTextEdit;
class TNeroMemo;

// The log page's views, handed to the log procedures. Both are guarded: once the page is gone the log
// procedures do nothing and the command-line memo reads as none. Main thread only.

// The log page hands its views over when it is created.
void SetLogTarget(TNeroMemo* memo);
TNeroMemo* LogTarget();
void SetCommandLineMemo(QPlainTextEdit* memo);
// The memo that echoes the external programs' command lines, or none.
QPlainTextEdit* CommandLineMemo();

void ClearCommandLines();
