#include "engine/run_journal.h"

#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

// Runs of the program as a kill finds them, left by a probe that dies or lives on.
class RunJournal : public TempWorld {
protected:
    void TearDown() override
    {
        holder.kill();
        holder.waitForFinished();
        TempWorld::TearDown();
    }
    void Die(const QStringList& steps)
    {
        QProcess probe;
        probe.start(TestProgramsFolder() + "journal_probe", QStringList{"die"} + steps);
        ASSERT_TRUE(probe.waitForFinished(PatienceLeft())) << "the probe never died";
        ASSERT_EQ(probe.exitStatus(), QProcess::CrashExit) << "exit code " << probe.exitCode();
    }
    void Hold(const QStringList& steps)
    {
        holder.start(TestProgramsFolder() + "journal_probe", QStringList{"hold"} + steps);
        ASSERT_TRUE(Reaches([this] { return holder.readAllStandardOutput().contains("holding"); },
                            "the probe's files"));
    }
    static QStringList Journals() { return QDir(RunJournalFolder()).entryList(QDir::Files); }
    QStringList Music() const
    {
        return QDir(Root() + "music").entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QProcess holder;
};

TEST_F(RunJournal, AStartPutsRightWhatADeadRunLeftAndNothingElse)
{
    // Names with blanks and line feeds go through the journal unchanged.
    const QString aside = WriteFile("music/Aside b\nc.wav", "older aside");
    const QString whole = WriteFile("music/Whole.wav", "older whole");
    const QString reserved = WriteFile("music/Reserved.wav", "older reserved");
    const QString output = Root() + "music/Output.wav";
    const QString temp = Temp() + "TmpA1B23.tmp";
    const QString mine = WriteFile("tmp/TmpZ9Y87.tmp", "the user's");
    const QString others = WriteFile("music/.Whole.wav.other", "another program's");
    Die({"temp:" + temp, "output:" + output, "aside:" + aside, "whole:" + whole, "reserved:" + reserved});
    ASSERT_EQ(Music().size(), 8) << Music().join(' ').toStdString();
    ASSERT_EQ(Journals().size(), 1u);

    const QStringList lines = RecoverKilledRuns();
    const QString report = lines.join('\n');
    EXPECT_EQ(ReadFile(aside), "older aside") << "not whole: the older output is back";
    EXPECT_EQ(ReadFile(whole), "new") << "whole: the new output stays and its older copy goes";
    EXPECT_EQ(ReadFile(reserved), "older reserved") << "it never moved";
    EXPECT_EQ(Music(), QStringList({".Whole.wav.other", "Aside b\nc.wav", "Reserved.wav", "Whole.wav"}))
        << "the incomplete output, the older copies and the reserved name are gone";
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(ReadFile(mine), "the user's") << "only what the journal lists is touched";
    EXPECT_EQ(ReadFile(others), "another program's");
    EXPECT_EQ(Journals(), QStringList());
    EXPECT_EQ(lines.size(), 4) << report.toStdString();
    for (const QString& name : {aside, whole, output, temp})
        EXPECT_TRUE(report.contains(name)) << name.toStdString() << " in " << report.toStdString();
    EXPECT_EQ(RecoverKilledRuns(), QStringList()) << "once put right, nothing is left to do";
}

TEST_F(RunJournal, ARunStillGoingIsLeftAloneUntilItDies)
{
    const QString older = WriteFile("music/Song.wav", "older");
    const QString temp = Temp() + "TmpB2C34.tmp";
    Hold({"temp:" + temp, "aside:" + older});
    // This process's own journal is one of a run still going too.
    TRunJournal own;
    const QString ownTemp = Temp() + "TmpC3D45.tmp";
    own.NoteTemporary(ownTemp);
    WriteFile("tmp/TmpC3D45.tmp", "own");
    ASSERT_EQ(Journals().size(), 2u);

    EXPECT_EQ(RecoverKilledRuns(), QStringList());
    EXPECT_EQ(ReadFile(temp), "partial");
    EXPECT_EQ(ReadFile(older), "half");
    EXPECT_EQ(Music().size(), 2) << "the older output stays aside";
    EXPECT_EQ(Journals().size(), 2u);

    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(PatienceLeft())) << "the probe outlives its kill";
    EXPECT_EQ(RecoverKilledRuns().size(), 2);
    EXPECT_EQ(ReadFile(older), "older");
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(ReadFile(ownTemp), "own");
    EXPECT_EQ(Journals().size(), 1u);
    // A run whose files are all dealt with keeps no journal.
    QFile::remove(ownTemp);
    own.Forget(ownTemp);
    EXPECT_EQ(Journals(), QStringList());
}

} // namespace
