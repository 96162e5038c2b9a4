#include "components/log_memo.h"

#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"

#include "platform/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

QString FullPath(const QString& name)
{
    return name.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(name).absoluteFilePath());
}

} // namespace

TLogMemo::TLogMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
}

TLogMemo::~TLogMemo()
{
    CloseLogFile();
}

QString TLogMemo::SetLogFileName(const QString& name)
{
    const QString fullName = FullPath(name);
    if (logFile_.isOpen() && fullName != logFileName_)
        CloseLogFile();
    logFileName_ = fullName;
    return logFile_.isOpen() ? logFileName_ : OpenLogFile();
}

QString TLogMemo::OpenLogFile()
{
    if (logFile_.isOpen())
        return logFileName_;
    if (logFileName_.isEmpty())
        return QString();
    logFile_.setFileName(logFileName_);
    const QIODevice::OpenMode mode = fileAppend_ ? QIODevice::Append : QIODevice::Truncate;
    logFileFailed_ = false;
    return logFile_.open(QIODevice::WriteOnly | mode) ? logFileName_ : QString();
}

void TLogMemo::CloseLogFile()
{
    if (logFile_.isOpen()) {
        logFile_.flush();
        logFile_.close();
    }
}

void TLogMemo::ClearLogFile()
{
    if (logFileName_.isEmpty())
        return;
    const bool wasOpen = logFile_.isOpen();
    CloseLogFile();
    DeleteFileIfWritable(logFileName_);
    if (wasOpen)
        SetLogFileName(logFileName_);
}

void TLogMemo::AddLine(const QString& s)
{
    const QString line = plat::ForDisplay(s);
    AppendToView(line);
    if (logFile_.isOpen())
        WriteToLogFile(line.toUtf8() + '\n');
}

// A log file that cannot take a line (a full disk) must not stop the work it records: the memo says so
// once per opening and keeps the lines.
void TLogMemo::WriteToLogFile(const QByteArray& bytes)
{
    const bool written = logFile_.write(bytes) == bytes.size() && logFile_.flush();
    if (written || logFileFailed_)
        return;
    logFileFailed_ = true;
    AppendToView(Format(TranslateMsg(QStringLiteral("Cannot write the log file %s: %s")), logFileName_,
                        logFile_.errorString()));
}

void TLogMemo::Clear()
{
    clear();
    holdsLines_ = false;
}

int TLogMemo::LineCount() const
{
    return holdsLines_ ? document()->blockCount() : 0;
}

QStringList TLogMemo::Lines() const
{
    QStringList lines;
    if (!holdsLines_)
        return lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

void TLogMemo::AppendToView(const QString& text)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (holdsLines_)
        cursor.insertBlock();
    cursor.insertText(text);
    holdsLines_ = true;
    ScrollToNewestLine();
}

// The newest line is the one the user needs to see, as when typing at the end of a memo.
void TLogMemo::ScrollToNewestLine()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}
