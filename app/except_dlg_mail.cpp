#include "app/except_dlg_mail.h"

#include "app/form_about.h"
#include "foundation/program_globals.h"
#include "platform/url_opener.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

TExceptionDialogMail::TExceptionDialogMail(QWidget* parent) : TExceptionDialog(parent, QSize(381, 350), 89)
{
    ExceptionDialogSendButton = new QPushButton(this);
    ExceptionDialogSendButton->setObjectName(QStringLiteral("ExceptionDialogSendButton"));
    ExceptionDialogSendButton->setEnabled(false);
    connect(ExceptionDialogSendButton, &QPushButton::clicked, this,
            &TExceptionDialogMail::ExceptionDialogSendButtonClick);
}

void TExceptionDialogMail::BeforeCreateDetails()
{
    ExceptionDialogSendButton->setEnabled(false);
}

void TExceptionDialogMail::AfterCreateDetails()
{
    ExceptionDialogSendButton->setEnabled(true);
}

void TExceptionDialogMail::TranslateTexts()
{
    TExceptionDialog::TranslateTexts();
    LabelHeaderMessage->setText(
        LabelHeaderMessage->text() + u' ' +
        SafeTranslateMsg("Click the \"Send Report\" button to e-mail a bug report to the development team."));
    ExceptionDialogSendButton->setText(SafeTranslateMsg("&Send"));
    ExceptionDialogSendButton->setToolTip(SafeTranslateMsg("Send bug report using default mail client"));
    ExceptionDialogSendButton->setGeometry(8, ExceptionDialogOkButton->y(), 80, 25);
}

QUrl TExceptionDialogMail::MailUrl() const
{
    QString body =
        SafeTranslateMsg("Please give us a bug description, and specify the last action(s) you took "
                         "when the bug appeared") +
        QStringLiteral(":\n\n\n\n") + QString(78, u'-') + u'\n' + ReportText();
    body.truncate(MaxMailBodyLength);
    const QString subject = QString::fromLatin1(MailSubjectPrefix) + u' ' + GetProgramVersion();
    // Every reserved character is escaped, so "&", "+" or "#" in the report cannot cut it short.
    // The support address of the start-up settings, when one is set; else the user fills it in.
    const QByteArray recipient = TAboutAddresses::Load().SupportEMail.toUtf8();
    return QUrl::fromEncoded(QByteArray("mailto:") + recipient + "?subject=" +
                                 QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body),
                             QUrl::StrictMode);
}

void TExceptionDialogMail::ExceptionDialogSendButtonClick()
{
    QGuiApplication::clipboard()->setText(ReportText());
    plat::UrlOpener::Open(MailUrl().toString(QUrl::FullyEncoded));
}

void InstallExceptionHandlers()
{
    plat::SetThrowTracking(true);
    plat::InstallFatalSignalReport();
    SetExceptionDialogClass([] { return new TExceptionDialogMail; });
}
