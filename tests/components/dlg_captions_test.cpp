#include "components/qt_dialogs.h"
#include "foundation/dlg_m_lang.h"
#include "tests/support/qt_printers.h"

#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace plat;

namespace {

class DialogCaptions : public ::testing::Test {
protected:
    void TearDown() override { RestoreDialogStrings(); }
};

QStringList selectedRow()
{
    QStringList row;
    for (int column = 0; column < DlgCaptionCount; ++column)
        row << DlgCaption(static_cast<TDlgCaption>(column));
    return row;
}

} // namespace

TEST_F(DialogCaptions, EveryLanguageHasEveryCaptionAndCodesSelectTheirRowIgnoringCase)
{
    for (int row = 0; row < DlgLanguageCount; ++row)
        for (int column = 0; column < DlgCaptionCount; ++column)
            EXPECT_FALSE(QString::fromUtf8(DlgCaptionRows[row][column]).trimmed().isEmpty())
                << row << ", " << column;

    const QStringList english = selectedRow();
    ApplyDialogLanguage("De");
    EXPECT_EQ(DlgCaption(dcMsgNo), "&Nein");
    for (const QString code : {"xx", "fra", ""}) {
        ApplyDialogLanguage("de");
        ApplyDialogLanguage(code);
        EXPECT_EQ(selectedRow(), english) << code.toStdString();
    }
    ApplyDialogLanguage("fR");
    EXPECT_EQ(DlgCaption(dcMsgNoToAll), "Non &pour tout");
    RestoreDialogStrings();
    EXPECT_EQ(selectedRow(), english);
}

TEST_F(DialogCaptions, QtsOwnTextsFollowTheLanguageAndComeBackToEnglish)
{
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
    ApplyDialogLanguage("fr");
    EXPECT_EQ(lookIn(), "Voir dans :");
    for (const QString code : {"xx", "en"}) {
        ApplyDialogLanguage("fr");
        ApplyDialogLanguage(code);
        EXPECT_EQ(lookIn(), "Look in:") << code.toStdString();
    }
    ApplyDialogLanguage("fr");
    RestoreDialogStrings();
    EXPECT_EQ(lookIn(), "Look in:");
}

TEST_F(DialogCaptions, MessageBoxesTakeTitleAndButtonsFromTheSelectedRow)
{
    MessageRequest request;
    request.Text = "Replace the file?";
    request.Type = TMsgDlgType::mtConfirmation;
    request.Buttons = mbYes | mbNo | mbYesToAll | mbCancel;

    ApplyDialogLanguage("fr");
    auto box = MakeMessageBox(request, nullptr);
    EXPECT_EQ(box->windowTitle(), "Confirmation");
    EXPECT_EQ(box->Button(mbYes)->text(), "&Oui");
    EXPECT_EQ(box->Button(mbNo)->text(), "&Non");
    EXPECT_EQ(box->Button(mbYesToAll)->text(), "O&ui pour tout");
    EXPECT_EQ(box->Button(mbCancel)->text(), "Annuler");
    EXPECT_EQ(box->Button(mbOK), nullptr);

    RestoreDialogStrings();
    request.Type = TMsgDlgType::mtError;
    request.Buttons = mbOK;
    box = MakeMessageBox(request, nullptr);
    EXPECT_EQ(box->windowTitle(), "Error");
    EXPECT_EQ(box->Button(mbOK)->text(), "OK");
}
