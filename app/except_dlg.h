#pragma once

#include "platform/crash_info.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QFile;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TFormResizer;

// An exception caught on its way out of an event handler or a worker.
struct TCaughtException {
    QString ClassName;
    QString Message;
    QString Thread; // empty when it was thrown on the main thread
    plat::StackTrace Stack;
};

// The translation, or the English text while no language is loaded: a crash can come before the
// language is chosen, and its dialog must still speak.
QString SafeTranslateMsg(const QString& text);

// Describes the exception being handled; call it inside a catch block.
TCaughtException CurrentCaughtException();

// Appends crash reports to a text file; a file that cannot be opened is skipped silently.
class TSimpleExceptionLog {
public:
    explicit TSimpleExceptionLog(const QString& fileName = DefaultFileName());
    ~TSimpleExceptionLog();

    // The settings' folder + the executable's name + "_Err.log".
    static QString DefaultFileName();

    QString FileName;

    void OpenLog();
    void CloseLog();
    // A blank line after an earlier report, then the time framed in lines of "=" width wide
    // (0 means 100, at least 20).
    void WriteStamp(int width = 0);
    // Every line with its trailing blanks removed.
    void Write(const QString& text);

private:
    std::unique_ptr<QFile> file_;
    bool fileWasEmpty_ = true;
};

// The crash report dialog: a short explanation, the exception's message and, under "Details", a report
// of the exception, its stack, the system and the program's state, ready to copy.
class TExceptionDialog : public QDialog {
    Q_OBJECT

public:
    // Option bits of Tag.
    static constexpr int LogEveryReport = 1;
    static constexpr int KeepMessageScrollBars = 2;
    static constexpr QChar ReportDelimiter = u'-';

    explicit TExceptionDialog(QWidget* parent = nullptr);
    ~TExceptionDialog() override;

    virtual int ReportMaxColumns() const { return 100; }

    int Tag = 0;

    QWidget* PanelHeader;
    QLabel* LabelHeaderTitle;
    QLabel* LabelHeaderMessage;
    QLabel* LabelErrorTitle;
    QPlainTextEdit* TextLabel;
    QFrame* BevelBefore;
    QFrame* BevelAfter;
    QPlainTextEdit* DetailsMemo;
    QPushButton* ExceptionDialogOkButton;
    QPushButton* ExceptionDialogDetailsButton;
    TFormResizer* FormResizer1;

    // Fills the message and the head of the details; activeControl is the focus at the time.
    void SetException(const TCaughtException& exception, QWidget* activeControl);
    // The message, a blank line and the details: what is copied, logged and mailed.
    QString ReportText() const;
    bool DetailsShown() const { return detailsShown_; }
    void ShowDetails(bool show);
    TSimpleExceptionLog& Log() { return log_; }

protected:
    // The size with details shown, and the room the header takes above the message.
    TExceptionDialog(QWidget* parent, const QSize& designSize, int headerHeight);

    virtual void BeforeCreateDetails() {}
    virtual void AfterCreateDetails() {}
    virtual void TranslateTexts();
    QString DelimiterLine() const;
    void LayoutControls();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDetails();
    void CopyReport();
    void UpdateMessageScrollBar();
    void UpdateDetailsCaption();
    QStringList ReportSections() const;

    TSimpleExceptionLog log_;
    QPointer<QWidget> lastActiveControl_;
    TCaughtException exception_;
    bool detailsShown_ = true;
    int fullHeight_ = 0;
    int nonDetailsHeight_ = 0;
    bool detailsCreated_ = false;
    int headerHeight_;
};

// Makes the dialogs that ShowException shows (the program registers the mail variant).
using TExceptionDialogFactory = std::function<TExceptionDialog*()>;
void SetExceptionDialogClass(TExceptionDialogFactory factory);

// Shows the crash dialog modally for the exception.
void ShowException(const TCaughtException& exception);
// The one handler of every unexpected exception, on the main thread: the crash dialog, or a plain
// message box while a crash dialog is already open.
void HandleException(const TCaughtException& exception);
// Call inside a catch block, on any thread: the exception reaches HandleException on the main thread.
void ReportCurrentException();

// Runs one delivery of an event; an exception escaping it is reported and the event counts as
// handled. The program's application object delivers every event through it.
bool DeliverReportingExceptions(const std::function<bool()>& deliver);
