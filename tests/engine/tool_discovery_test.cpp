#include "engine/tool_discovery.h"
#include "foundation/program_globals.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QFile>

#include <string_view>

using namespace plat;

namespace {

// Short enough to keep the hanging cases quick.
constexpr int kHangLimitMs = 300;

// A tool that answers may take any time on a loaded machine: only the hanging one meets the limit.
int ProbeLimit(const char* name)
{
    return std::string_view(name) == "hangs" ? kHangLimitMs : PatienceLeft();
}

class ToolDiscovery : public TempWorld {
protected:
    void TearDown() override
    {
        StartupFlags = TStartupFlags();
        TooLameFolder = MplexFolder = TooLameVersion = MplexVersion = QString();
        TooLameFound = MplexFound = false;
        TempWorld::TearDown();
    }
    // A stand-in tool as a shell script; an empty body leaves it missing. The user ticks "don't show
    // again" in the one message it may cause.
    void Tool(const QString& name, const QString& body, bool executable = true)
    {
        QFile::remove(ProgramFolder() + name);
        StartupFlags = TStartupFlags();
        Dialogs().QueueAnswer(mrOk, true);
        if (body.isEmpty())
            return;
        const QString file = WriteFile(ProgramFolder() + name, ("#!/bin/sh\n" + body + "\n").toUtf8());
        QFile::setPermissions(file, QFile::ReadOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    }
    // The one message shown since the count was taken, or "" when none was.
    QString ShownSince(qsizetype count) const
    {
        EXPECT_LE(Dialogs().Messages().size() - count, 1);
        return Dialogs().Messages().size() > count ? Dialogs().LastText() : QString();
    }
};

const QString kGoodTooLame = "echo 'tooLAME version 0.2l (tamsel.works/korvane)'";
const QString kTooLame02k = "echo 'tooLAME version 0.2k'";

} // namespace

TEST_F(ToolDiscovery, TheEncoderIsUsableOnlyWhenItRunsAndReports02l)
{
    struct Case {
        const char* name;
        QString body;
        bool executable, badFlag;
        QString inText; // empty: found, nothing shown
    };
    const Case cases[] = {
        {"good", kGoodTooLame, true, false, ""},
        {"missing", "", true, false,
         "\"toolame\" (from TooLame) not found... \r\rSome files required by Korvane"},
        {"not executable", kGoodTooLame, false, false, "not found"},
        {"0.2k", kTooLame02k, true, false,
         "\rThis version of Korvane supports only the version 0.2l of \"tooLame\"...   "},
        {"0.2k, told not to show", kTooLame02k, true, true,
         "the required files.     \r\rVersion found: 0.2k"},
        {"1.0", "echo 'tooLAME version 1.0'", true, false, "Version found: 1.0"},
        {"hangs", "exec sleep 30", true, false, "the required files.     "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tool("TooLame/toolame", c.body, c.executable);
        StartupFlags.DoNotShowBadTooLameAgain = c.badFlag;
        const qsizetype before = Dialogs().Messages().size();
        const bool found = c.inText.isEmpty();
        EXPECT_EQ(FindTooLame(ProbeLimit(c.name)), found);
        EXPECT_EQ(TooLameFolder.isEmpty(), !found);
        EXPECT_EQ(GetTooLameVersionTag(), found ? "02l" : "NoTooLame");
        const QString shown = ShownSince(before);
        EXPECT_TRUE(found ? shown.isEmpty() : shown.contains(c.inText)) << shown.toStdString();
        EXPECT_EQ(StartupFlags.DoNotShowBadTooLameAgain, c.badFlag || QString(c.name) == "0.2k")
            << "ticked in the wrong-version warning only";
    }
}

TEST_F(ToolDiscovery, TheMultiplexerOnlyWarnsAndEachWarningHasItsFlag)
{
    struct Case {
        const char* name;
        QString body;
        bool TStartupFlags::*flag;
        QString inText;
    };
    const Case cases[] = {
        {"good", "echo 'mjpegtools mplex-2 version 1.6.2'", nullptr, ""},
        {"missing", "", &TStartupFlags::DoNotShowNoMplexAgain, "\"mplex\" not found. \r\rPlease, install"},
        {"1.6.3", "echo 'mjpegtools mplex version 1.6.3'", &TStartupFlags::DoNotShowBadMplexAgain,
         "\rThis version of Korvane supports only the version 1.6.x/1.7.x of \"Mjpegtools Mplex\""},
        {"hangs", "exec sleep 30", &TStartupFlags::DoNotShowBadMplexAgain, "1.6.x/1.7.x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tool("Mplex/mplex", c.body);
        const qsizetype before = Dialogs().Messages().size();
        const bool found = c.inText.isEmpty();
        EXPECT_TRUE(FindMplex(ProbeLimit(c.name)));
        EXPECT_EQ(MplexFolder.isEmpty(), !found);
        EXPECT_EQ(GetMplexVersionTag(), found ? "162" : "No Mplex");
        const QString shown = ShownSince(before);
        EXPECT_TRUE(found ? shown.isEmpty() : shown.contains(c.inText)) << shown.toStdString();
        if (!found) {
            EXPECT_TRUE(StartupFlags.*c.flag) << "the ticked box sets its own flag";
            EXPECT_TRUE(FindMplex(ProbeLimit(c.name)));
            EXPECT_EQ(Dialogs().Messages().size() - before, 1) << "not shown again";
        }
    }
}

TEST_F(ToolDiscovery, ARuntimeConflictInEitherToolIsExplainedOnceAndEndsTheProgram)
{
    const QString conflict = "echo '1 [main] shared version mismatch detected'";
    Tool("TooLame/toolame", kGoodTooLame);
    Tool("Mplex/mplex", conflict);
    qsizetype before = Dialogs().Messages().size();
    EXPECT_TRUE(FindTooLame(PatienceLeft()));
    EXPECT_FALSE(RuntimeConflictFound());
    EXPECT_TRUE(FindMplex(PatienceLeft())) << "the multiplexer's own answer stays a warning's";
    EXPECT_TRUE(MplexFolder.isEmpty());
    EXPECT_TRUE(ShownSince(before).contains("cygwin1.dll"));
    EXPECT_TRUE(RuntimeConflictFound());

    Tool("TooLame/toolame", conflict);
    before = Dialogs().Messages().size();
    EXPECT_FALSE(FindTooLame(PatienceLeft()));
    EXPECT_TRUE(ShownSince(before).contains("cygwin1.dll"));
    EXPECT_TRUE(RuntimeConflictFound());

    Tool("Mplex/mplex", "echo 'mjpegtools mplex version 1.6.2'");
    EXPECT_TRUE(FindMplex(PatienceLeft()));
    EXPECT_FALSE(RuntimeConflictFound());
}

TEST_F(ToolDiscovery, CapturedOutputIsCutIntoLinesOfAtMost256Characters)
{
    QStringList lines;
    TConsoleLineSplitter splitter(lines);
    const QByteArray text = "a\r\nb\n" + QByteArray(300, 'x');
    splitter.Feed(text.constData(), 3);
    splitter.Feed(text.constData() + 3, text.size() - 3);
    splitter.Finish();
    EXPECT_EQ(lines, QStringList({"a", "", "b", QString(256, u'x'), QString(44, u'x')}));
}
