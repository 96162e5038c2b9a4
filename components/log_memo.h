#pragma once

#include <QFile>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

// A read-only memo that can mirror every line it receives into a text file.
class TLogMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(bool FileAppend READ FileAppend WRITE SetFileAppend)

public:
    explicit TLogMemo(QWidget* parent = nullptr);
    ~TLogMemo() override;

    // True appends to an existing mirror file, False replaces it at each opening.
    bool FileAppend() const { return fileAppend_; }
    void SetFileAppend(bool append) { fileAppend_ = append; }

    // Selects the mirror file and opens it; returns the open file's full name, or "" when none is open.
    QString SetLogFileName(const QString& name);
    // Opens the selected file when it is not open yet; same result.
    QString OpenLogFile();
    void CloseLogFile();
    // Deletes the mirror file, and creates it afresh when it was open. The memo keeps its lines.
    void ClearLogFile();

    // Adds one line to the memo and to the open mirror file.
    void AddLine(const QString& s);
    // Empties the memo; the mirror file is not touched.
    void Clear();

    int LineCount() const;
    QStringList Lines() const;

private:
    void AppendToView(const QString& text);
    void WriteToLogFile(const QByteArray& bytes);
    void ScrollToNewestLine();

    QString logFileName_;
    QFile logFile_;
    bool fileAppend_ = true;
    bool logFileFailed_ = false;
    // An empty document cannot tell "no line" from "one empty line".
    bool holdsLines_ = false;
};
