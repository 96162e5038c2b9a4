#pragma once

#include "app/brindlow_form_tabbed.h"

class QLabel;
class QPlainTextEdit;
class QSplitter;
class TNeroMemo;

// The program's log, as a tool window: every line with its level's icon or its number in the margin,
// mirrored into the log file when the log settings page asks for it. The memo of the external
// programs' command lines is kept below a splitter but never shown.
class TPageLog : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageLog(QWidget* parent = nullptr);

    QWidget* PanelTabSheetLog;
    QWidget* PanelLogSpiltted;
    QSplitter* LogSplitter;
    QWidget* CommandLinePanel;
    QLabel* LabelCommandLineArguments;
    QPlainTextEdit* MemoCommandLine;
    QWidget* LogPanel;
    TNeroMemo* LogMemo;

    void Translate() override;

    // Shows a line such as <log level="warning">text</log> at its level, unless the log settings page
    // hides that level; a line of no known level is shown whole, tags included.
    void AddTaggedLogLine(const QString& line);
};
