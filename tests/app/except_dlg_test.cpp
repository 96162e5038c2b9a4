#include "app/except_dlg.h"
#include "app/except_dlg_mail.h"
#include "foundation/language.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <thread>

namespace {

using CrashReport = TempWorld;

TCaughtException caught(const QString& message)
{
    try {
        throw std::runtime_error(message.toStdString());
    } catch (...) {
        return CurrentCaughtException();
    }
}

void waitForDetails(TExceptionDialog& dialog)
{
    ASSERT_TRUE(Reaches([&] { return dialog.ExceptionDialogOkButton->isEnabled(); }, "the details' end"));
}

// The lines of the details that start a section or end one.
QStringList outline(const QString& details, int columns)
{
    QStringList lines;
    for (const QString& line : details.split(u'\n')) {
        if (line == QString(columns, u'-'))
            lines << "-";
        else if (!line.startsWith(u' ') && !line.startsWith(u'[') && !line.startsWith(u'Q'))
            lines << line.section(u':', 0, 0).section(u',', 0, 0).trimmed();
    }
    return lines;
}

} // namespace

TEST_F(CrashReport, DetailsHoldTheSectionsInOrderAndCtrlCAndSendCarryTheWholeReport)
{
    for (const bool mail : {false, true}) {
        QWidget window;
        window.setObjectName("MainForm");
        auto* edit = new QPlainTextEdit(&window);
        edit->setObjectName("EditName");
        std::unique_ptr<TExceptionDialog> dialog(mail ? new TExceptionDialogMail : new TExceptionDialog);
        const int columns = mail ? 78 : 100;
        dialog->SetException(caught("A & B + C #1"), edit);
        auto* send = dialog->findChild<QPushButton*>("ExceptionDialogSendButton");
        dialog->show();
        EXPECT_FALSE(send && send->isEnabled()) << "no report to send yet";
        waitForDetails(*dialog);
        EXPECT_EQ(send && send->isEnabled(), mail);
        const QString details = dialog->DetailsMemo->toPlainText();
        EXPECT_EQ(outline(details, columns),
                  (QStringList{"Exception class", "Exception address", "-", "Stack list", "-", "System",
                               "Processor", "Display", "-", "List of loaded modules", "-",
                               "Active Controls hierarchy", "-"}))
            << details.toStdString();
        EXPECT_TRUE(details.contains("Exception class: std::runtime_error"));
        EXPECT_TRUE(details.contains("QPlainTextEdit \"EditName\"\nQWidget \"MainForm\"\n"));
        EXPECT_TRUE(details.contains(QRegularExpression("libQt6Core\\.so\\.6\n {11}6\\.\\d+\\.\\d+\n")));

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(dialog->DetailsMemo, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "A & B + C #1.\n\n" + details)
            << "the message, a blank line and the details";
        if (!mail)
            continue;
        // Every reserved character escaped, so none cuts the mail short.
        const QString encoded =
            static_cast<TExceptionDialogMail&>(*dialog).MailUrl().toString(QUrl::FullyEncoded);
        EXPECT_TRUE(encoded.startsWith("mailto:?subject=Bug%20Report%20")) << encoded.toStdString();
        EXPECT_TRUE(encoded.contains("A%20%26%20B%20%2B%20C%20%231.")) << encoded.toStdString();
        const QString body = QUrl::fromPercentEncoding(encoded.section("&body=", 1).toUtf8());
        EXPECT_LE(body.size(), TExceptionDialogMail::MaxMailBodyLength);
    }
}

TEST_F(CrashReport, AnExceptionFromASlotOpensTheDialogAndASecondOneAPlainBox)
{
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] { throw std::logic_error("Slot failed"); });
    QString shownMessage;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TExceptionDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "no shown window owns it";
        waitForDetails(*dialog);
        shownMessage = dialog->TextLabel->toPlainText();
        EXPECT_TRUE(DeliverReportingExceptions([]() -> bool { throw std::runtime_error("Again"); }));
        dialog->ExceptionDialogOkButton->click();
    });
    EXPECT_TRUE(DeliverReportingExceptions([&] {
        Q_EMIT button.clicked();
        return false;
    }));
    EXPECT_EQ(shownMessage, "Slot failed.");
    ASSERT_EQ(Dialogs().Messages().size(), 1);
    EXPECT_EQ(Dialogs().LastText(), "Again.");
}

TEST_F(CrashReport, TheLogFramesEachReportWithItsTimeAndSeparatesThemByABlankLine)
{
    const QString fileName = Temp() + "korvane_Err.log";
    for (const QString& message : {QString("First"), QString("Second")}) {
        TExceptionDialogMail dialog;
        dialog.Tag = TExceptionDialog::LogEveryReport;
        dialog.Log().FileName = fileName;
        dialog.SetException(caught(message), nullptr);
        dialog.show();
        waitForDetails(dialog);
    }
    const QStringList lines = QString::fromUtf8(ReadFile(fileName)).split(u'\n');
    const QString rule(78, u'=');
    ASSERT_GT(lines.size(), 5);
    EXPECT_EQ(lines[0], rule);
    EXPECT_TRUE(QRegularExpression("^= .{74} =$").match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_EQ(lines[2], rule);
    EXPECT_EQ(lines[3], "First.");
    const qsizetype second = lines.indexOf("Second.");
    ASSERT_GT(second, 4);
    EXPECT_EQ(lines.mid(second - 4, 4).join(u'|').section(u'|', 0, 1), "|" + rule);
    EXPECT_EQ(lines[second - 2].size(), 78);
    for (const QString& line : lines)
        EXPECT_FALSE(line.endsWith(u' ')) << line.toStdString();
}

TEST_F(CrashReport, AWorkersExceptionIsShownOnTheMainThreadNamingTheThread)
{
    std::thread worker([] {
        try {
            throw std::runtime_error("Worker failed");
        } catch (...) {
            ReportCurrentException();
        }
    });
    worker.join();
    QString details;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TExceptionDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->ExceptionDialogOkButton->isEnabled())
            return;
        poll.stop();
        details = dialog->DetailsMemo->toPlainText();
        dialog->accept();
    });
    poll.start(5);
    EXPECT_TRUE(Reaches([&] { return !details.isEmpty(); }, "the report of the worker's exception"));
    EXPECT_TRUE(details.contains("\nThread: thread ")) << details.toStdString();
    EXPECT_FALSE(details.contains("Exception address"));
}

TEST_F(CrashReport, TheMailVariantSpeaksEnglishBeforeALanguageIsLoaded)
{
    DoneLanguage();
    struct Restore {
        ~Restore() { InitLanguage(false, QString(), true, QString()); }
    } restore;
    TExceptionDialogMail dialog;
    dialog.SetException(caught("Early"), nullptr);
    dialog.show();
    waitForDetails(dialog);
    EXPECT_EQ(dialog.ExceptionDialogSendButton->text(), "&Send");
    EXPECT_TRUE(dialog.LabelHeaderMessage->text().endsWith("to the development team."));
    EXPECT_TRUE(
        QUrl::fromPercentEncoding(dialog.MailUrl().toEncoded()).contains("Please give us a bug description"));
}
