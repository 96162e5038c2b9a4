#include "platform/dialogs.h"
#include "platform/paths.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace plat;

class Paths : public TempWorld {};

TEST_F(Paths, FoldersFollowTheEnvironmentAndEndWithASlash)
{
    EXPECT_EQ(ApplicationDataFolder(), ConfigHome());
    EXPECT_EQ(TempFolder(), Temp());
    for (const QString& unusable : {Root() + "missing", QString("relative/tmp"), QString("/"), QString()}) {
        qputenv("TMPDIR", unusable.toUtf8());
        EXPECT_EQ(TempFolder(), "/tmp/") << unusable.toStdString();
    }
    EXPECT_EQ(HomeFolder(), Home());
    EXPECT_EQ(PersonalFolder(), Home()) << "no Documents folder in a fresh home";
    QDir().mkpath(Home() + "Documents");
    EXPECT_EQ(PersonalFolder(), Home() + "Documents/");
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ApplicationDataFolder(), Home() + ".config/") << "a relative configuration folder is ignored";
}

TEST_F(Paths, ProgramFolderAndNameFallBackToTheRunningProgram)
{
    SetProgramFolder(QString());
    SetExecutableName(QString());
    EXPECT_EQ(plat::ProgramFolder(), QCoreApplication::applicationDirPath() + u'/');
    EXPECT_EQ(ExecutableName(), "test_platform");
}

TEST_F(Paths, MessageBoxesReachTheInstalledDialogsAndTextsAreMadeForWidgets)
{
    Dialogs().QueueAnswer(mrNo);
    EXPECT_EQ(MessageDlg("Go on ?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
    EXPECT_EQ(MessageDlg("Again ?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);
    ShowError("Broken");
    ASSERT_EQ(Dialogs().Messages().size(), 3);
    EXPECT_EQ(Dialogs().Messages()[2].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Dialogs().LastText(), "Broken");

    // A box the user asked not to see again.
    MessageRequest request;
    request.Text = "Once";
    request.CheckCaption = "Don't show this message again";
    bool dontShowAgain = false;
    Dialogs().QueueAnswer(mrOk, true);
    EXPECT_EQ(ShowCheckedMessage(request, mrNo, dontShowAgain), mrOk);
    EXPECT_TRUE(dontShowAgain);
    EXPECT_EQ(ShowCheckedMessage(request, mrNo, dontShowAgain), mrNo);
    EXPECT_EQ(Dialogs().Messages().size(), 4);

    EXPECT_EQ(ForDisplay("\rOne\r\nTwo\rThree\n"), "\nOne\nTwo\nThree\n");
}
