#include "engine/tool_discovery.h"
#include "foundation/program_globals.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QFile>

using namespace plat;

namespace {

// Short enough to keep the hanging case quick.
constexpr int kTestLimitMs = 300;

class ToolDiscovery : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        StartupFlags = TStartupFlags();
    }
    void TearDown() override
    {
        StartupFlags = TStartupFlags();
        TooLameFolder = MplexFolder = TooLameVersion = MplexVersion = QString();
        TooLameFound = MplexFound = false;
        TempWorld::TearDown();
    }
    // A stand-in tool; an empty body writes nothing.
    void Tool(const QString& name, const QString& body, bool executable = true) const
    {
        if (body.isEmpty())
            return;
        const QString file = WriteFile("program/" + name, ("#!/bin/sh\n" + body + "\n").toUtf8());
        QFile::setPermissions(file, QFile::ReadOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    }
};

const QString kGoodTooLame = "echo 'tooLAME version 0.2l (tamsel.works/korvane)'";

} // namespace

TEST_F(ToolDiscovery, TheEncoderIsUsableOnlyWhenItRunsAndReports02l)
{
    struct Case {
        const char* name;
        QString body;
        bool executable;
        bool badFlag;
        bool found;
        int messages;
        QString inLastText; // empty: nothing shown
    };
    const Case cases[] = {
        {"good", kGoodTooLame, true, false, true, 0, ""},
        {"missing", "", true, false, false, 1, "\"toolame\" (from TooLame) not found... \r\r"},
        {"not executable", kGoodTooLame, false, false, false, 1, "not found"},
        {"0.2k", "echo 'tooLAME version 0.2k'", true, false, false, 1,
         "only the version 0.2l of \"tooLame\""},
        {"0.2k, told not to show", "echo 'tooLAME version 0.2k'", true, true, false, 1,
         "\r\rVersion found: 0.2k"},
        {"1.0", "echo 'tooLAME version 1.0'", true, false, false, 1, "Version found: 1.0"},
        {"hangs", "exec sleep 30", true, false, false, 1, "install the Korvane full distribution"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ProgramFolder() + "TooLame/toolame");
        Tool("TooLame/toolame", c.body, c.executable);
        StartupFlags.DoNotShowBadTooLameAgain = c.badFlag;
        const qsizetype before = Dialogs().Messages().size();
        EXPECT_EQ(FindTooLame(kTestLimitMs), c.found);
        EXPECT_EQ(TooLameFound, c.found);
        EXPECT_EQ(TooLameFolder.isEmpty(), !c.found);
        EXPECT_EQ(Dialogs().Messages().size() - before, c.messages);
        if (c.messages > 0) {
            EXPECT_TRUE(Dialogs().LastText().contains(c.inLastText)) << Dialogs().LastText().toStdString();
        }
    }
}

TEST_F(ToolDiscovery, TheWrongEncoderWarningOffersDontShowAgain)
{
    Tool("TooLame/toolame", "echo 'tooLAME version 0.2k'");
    Dialogs().QueueAnswer(mrOk, true);
    EXPECT_FALSE(FindTooLame(kTestLimitMs));
    const MessageRequest& shown = Dialogs().Messages().at(0);
    EXPECT_EQ(shown.CheckCaption, "Don't show this message again");
    EXPECT_EQ(shown.Text, "\rThis version of Korvane supports only the version 0.2l of \"tooLame\"...   ");
    EXPECT_TRUE(StartupFlags.DoNotShowBadTooLameAgain);
    EXPECT_EQ(TooLameVersion, NoTooLameText);
    EXPECT_EQ(GetTooLameVersionTag(), "NoTooLame");
}

TEST_F(ToolDiscovery, TheMultiplexerOnlyWarnsAndEachWarningHasItsFlag)
{
    struct Case {
        const char* name;
        QString body;
        bool TStartupFlags::*flag;
        bool found;
        QString inText;
    };
    const Case cases[] = {
        {"good", "echo 'mjpegtools mplex-2 version 1.6.2'", nullptr, true, ""},
        {"missing", "", &TStartupFlags::DoNotShowNoMplexAgain, false,
         "\"mplex\" not found. \r\rPlease, install"},
        {"1.6.3", "echo 'mjpegtools mplex version 1.6.3'", &TStartupFlags::DoNotShowBadMplexAgain, false,
         "version 1.6.x/1.7.x of \"Mjpegtools Mplex\""},
        {"hangs", "exec sleep 30", &TStartupFlags::DoNotShowBadMplexAgain, false, "1.6.x/1.7.x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ProgramFolder() + "Mplex/mplex");
        Tool("Mplex/mplex", c.body);
        StartupFlags = TStartupFlags();
        const qsizetype before = Dialogs().Messages().size();
        if (!c.found)
            Dialogs().QueueAnswer(mrOk, true);
        EXPECT_TRUE(FindMplex(kTestLimitMs));
        EXPECT_EQ(MplexFound, c.found);
        EXPECT_EQ(MplexFolder.isEmpty(), !c.found);
        if (c.found) {
            EXPECT_EQ(GetMplexVersion(), "1.6.2");
            EXPECT_EQ(GetMplexVersionTag(), "162");
            continue;
        }
        EXPECT_EQ(MplexVersion, NoMplexText);
        ASSERT_EQ(Dialogs().Messages().size() - before, 1);
        EXPECT_TRUE(Dialogs().LastText().contains(c.inText)) << Dialogs().LastText().toStdString();
        EXPECT_TRUE(StartupFlags.*c.flag) << "the ticked box sets its own flag";
        EXPECT_TRUE(FindMplex(kTestLimitMs));
        EXPECT_EQ(Dialogs().Messages().size() - before, 1) << "not shown again";
    }
}

TEST_F(ToolDiscovery, VersionLinesAndTags)
{
    EXPECT_EQ(TooLameVersionFromLines({"", "This is free software tooLAME version 9",
                                       "  TOOLAME VERSION 0.2l (tamsel.works/korvane)", "usage: toolame",
                                       "tooLAME version 1.0"}),
              "0.2l");
    EXPECT_EQ(TooLameVersionFromLines({"usage: x", "tooLAME version 0.2l"}), "");
    EXPECT_EQ(MplexVersionFromLines({"mplex: unknown option -- ?", "mjpegtools mplex-2 version 1.6.2 (2.1)"}),
              "1.6.2 2.1");

    Tool("TooLame/toolame", kGoodTooLame);
    ASSERT_TRUE(FindTooLame(kTestLimitMs));
    EXPECT_EQ(GetTooLameDescription(), "0.2l tooLame");
    EXPECT_EQ(GetTooLameVersionTag(), "02l");
}

TEST_F(ToolDiscovery, CapturedOutputSplitsAtEveryLineEndAnd256Characters)
{
    QStringList lines;
    TConsoleLineSplitter splitter(lines);
    const QByteArray text = "a\r\nb\n" + QByteArray(300, 'x');
    splitter.Feed(text.constData(), 3);
    splitter.Feed(text.constData() + 3, text.size() - 3);
    splitter.Finish();
    EXPECT_EQ(lines, QStringList({"a", "", "b", QString(256, u'x'), QString(44, u'x')}));

    QStringList missing;
    EXPECT_EQ(RunConsoleCapture(ProgramFolder() + "nothing", {}, missing), TConsoleCaptureResult::NotStarted);
}
