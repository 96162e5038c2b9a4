#pragma once

#include "app/except_dlg.h"

// The crash report dialog with a "Send" button that hands the report to the user's mail program.
// Nothing is sent by the program itself.
class TExceptionDialogMail : public TExceptionDialog {
    Q_OBJECT

public:
    static constexpr const char* MailSubjectPrefix = "Bug Report";
    // Mail programs refuse very long links; the whole report is on the clipboard as well.
    static constexpr int MaxMailBodyLength = 8000;

    explicit TExceptionDialogMail(QWidget* parent = nullptr);

    int ReportMaxColumns() const override { return 78; }

    QPushButton* ExceptionDialogSendButton;

    // The mailto link that the send button opens.
    QUrl MailUrl() const;

protected:
    void BeforeCreateDetails() override;
    void AfterCreateDetails() override;
    void TranslateTexts() override;

private:
    void ExceptionDialogSendButtonClick();
};

// Called once by program start, after the application object exists: every throw records its stack,
// fatal signals write their stack to standard error, and unexpected exceptions open this dialog.
// Events reach the crash dialog through TKorvaneApplication (app/korvane_application.h) and workers
// through ReportCurrentException (app/except_dlg.h).
void InstallExceptionHandlers();
