#include "engine/run_journal.h"

#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

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
    static void Run(const QString& mode, const QStringList& steps, const QString& trace = QString())
    {
        QProcess probe;
        if (!trace.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("KORVANE_TRACE", trace);
            probe.setProcessEnvironment(environment);
        }
        probe.start(TestProgramsFolder() + "journal_probe", QStringList{mode} + steps);
        ASSERT_TRUE(probe.waitForFinished(PatienceLeft())) << "the probe never ended";
        ASSERT_EQ(probe.exitStatus() == QProcess::CrashExit, mode == "die")
            << "exit code " << probe.exitCode();
        ASSERT_TRUE(mode == "die" || probe.exitCode() == 0) << "exit code " << probe.exitCode();
    }
    static void Die(const QStringList& steps) { Run("die", steps); }
    void Hold(const QStringList& steps)
    {
        holder.start(TestProgramsFolder() + "journal_probe", QStringList{"hold"} + steps);
        ASSERT_TRUE(Reaches([this] { return holder.readAllStandardOutput().contains("holding"); },
                            "the probe's files"));
    }
    static QStringList Journals() { return QDir(RunJournalFolder()).entryList(QDir::Files); }
    static QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList Music() const { return Entries(Root() + "music"); }
    // The hidden names the new data of an output has beside it.
    QStringList WorkFiles(const QString& output) const
    {
        return QDir(Root() + "music")
            .entryList({'.' + QFileInfo(output).fileName() + ".*.part"}, QDir::Hidden | QDir::Files);
    }

    QProcess holder;
};

TEST_F(RunJournal, AStartDeletesWhatADeadRunMadeThatStillIsWhatItMadeAndNothingElse)
{
    // Names with blanks and line feeds go through the journal unchanged.
    const QString older = WriteFile("music/Song b\nc.wav", "older");
    const QString whole = WriteFile("music/Whole.wav", "older whole");
    const QString fresh = Root() + "music/Fresh.wav";
    const QString temp = Temp() + "TmpA1B23.tmp", encoded = Temp() + "TmpP1Q23.tmp";
    const QString letGo = Temp() + "TmpG1H23.tmp", replaced = Temp() + "TmpR1S23.tmp";
    const QString notLeftByTheRun = WriteFile("tmp/.TmpZ9Y87.tmp.4242-0.tmp", "another program's");
    Die({"temp:" + temp, "program:" + encoded, "let-go:" + letGo, "temp:" + replaced, "output:" + older,
         "output:" + fresh, "whole:" + whole});
    ASSERT_EQ(ReadFile(older), "older") << "an older output is never touched while its new data is written";
    ASSERT_EQ(ReadFile(whole), "new");
    ASSERT_EQ(WorkFiles(older).size(), 1);
    ASSERT_EQ(ReadFile(Root() + "music/" + WorkFiles(older)[0]), "half");
    ASSERT_EQ(Entries(Temp()).size(), 6) << "with the hidden file of the program that was encoding";
    ASSERT_EQ(Journals().size(), 1u);
    // After the kill, the user puts files of their own where the run's were or would have been.
    ASSERT_TRUE(QFile::remove(replaced));
    WriteFile("tmp/TmpR1S23.tmp", "the user's");
    WriteFile("music/Fresh.wav", "the user's own");

    const QStringList lines = RecoverKilledRuns();
    const QString report = lines.join('\n');
    EXPECT_EQ(Music(), QStringList({"Fresh.wav", "Song b\nc.wav", "Whole.wav"}));
    EXPECT_EQ(ReadFile(older), "older");
    EXPECT_EQ(ReadFile(whole), "new");
    EXPECT_EQ(ReadFile(fresh), "the user's own");
    EXPECT_EQ(Entries(Temp()), QStringList({".TmpZ9Y87.tmp.4242-0.tmp", "TmpG1H23.tmp", "TmpR1S23.tmp"}))
        << "what the run let go of, or no longer is what it made, stays";
    EXPECT_EQ(ReadFile(letGo), "whole");
    EXPECT_EQ(ReadFile(replaced), "the user's");
    EXPECT_EQ(ReadFile(notLeftByTheRun), "another program's");
    EXPECT_EQ(Journals(), QStringList());
    EXPECT_EQ(lines.size(), 4) << report.toStdString();
    for (const QString& name : {temp, encoded})
        EXPECT_TRUE(report.contains(name)) << name.toStdString() << " in " << report.toStdString();
    EXPECT_EQ(RecoverKilledRuns(), QStringList()) << "once put right, nothing is left to do";
}

TEST_F(RunJournal, WhatARunStillGoingOrAnotherUserMadeIsLeftAlone)
{
    const QString song = WriteFile("music/Song.wav", "older");
    const QString temp = Temp() + "TmpB2C34.tmp";
    // Two runs write the same output, and one of them is killed.
    Hold({"temp:" + temp, "output:" + song});
    const QStringList live = WorkFiles(song);
    Die({"output:" + song});
    ASSERT_EQ(WorkFiles(song).size(), 2);
    // This process's own journal is one of a run still going too.
    TRunJournal own;
    const QString ownTemp = Temp() + "TmpC3D45.tmp";
    ASSERT_EQ(own.MakeFile(ownTemp), 0);
    ASSERT_EQ(Journals().size(), 3u);

    EXPECT_EQ(RecoverKilledRuns().size(), 1);
    EXPECT_EQ(WorkFiles(song), live) << "the live run keeps its new data";
    EXPECT_EQ(ReadFile(song), "older");
    EXPECT_EQ(ReadFile(temp), "partial");
    EXPECT_EQ(Journals().size(), 2u);

    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(PatienceLeft())) << "the probe outlives its kill";
    EXPECT_EQ(RecoverKilledRuns().size(), 2);
    EXPECT_EQ(Music(), QStringList("Song.wav"));
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_TRUE(QFileInfo::exists(ownTemp));
    EXPECT_EQ(Journals().size(), 1u);
    // A run whose files are all dealt with keeps no journal.
    QFile::remove(ownTemp);
    own.Forget(ownTemp);
    EXPECT_EQ(Journals(), QStringList());

    // Another user's journal is theirs to put right (only root can leave one here).
    if (::geteuid() == 0) {
        Die({"temp:" + temp});
        const QString journal = RunJournalFolder() + Journals().value(0);
        ASSERT_EQ(::chown(QFile::encodeName(journal).constData(), OrdinaryUserId, OrdinaryUserId), 0);
        EXPECT_EQ(RecoverKilledRuns(), QStringList());
        EXPECT_EQ(ReadFile(temp), "partial");
        EXPECT_TRUE(QFileInfo::exists(journal));
    }
}

// The order in which the run writes, syncs and names files, as the probe traces it: a kill or a power cut
// at any point must leave a journal that knows every file of the run, and never an output that is not
// whole in place of an older one.
TEST_F(RunJournal, EachLineIsOnTheDiskBeforeTheFileItNamesAndAnOutputBeforeItTakesItsName)
{
    const QString song = WriteFile("music/Song.wav", "older");
    const QString trace = Root() + "trace";
    Run("end",
        {"temp:" + Temp() + "TmpA1B23.tmp", "program:" + Temp() + "TmpP1Q23.tmp", "whole:" + song,
         "let-go:" + Temp() + "TmpG1H23.tmp"},
        trace);
    const QStringList events = QString::fromUtf8(ReadFile(trace)).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(events.isEmpty());

    QString unsynced; // the journal line written last, until the journal is synced
    QStringList madeNames, renamed, movedAway;
    QHash<QString, bool> written; // files written since their last sync
    for (const QString& event : events) {
        const QString kind = event.section(' ', 0, 0), path = event.section(' ', 1, 1);
        if (kind == "write" && path.endsWith(".journal")) {
            ASSERT_TRUE(unsynced.isEmpty()) << "\"" << unsynced.toStdString() << "\" is not synced";
            unsynced = event.section(' ', 2);
            const QString name =
                QFile::decodeName(QByteArray::fromPercentEncoding(unsynced.section(' ', 1, 1).toUtf8()));
            if (unsynced.startsWith("made "))
                madeNames << name;
            if (unsynced.startsWith("gone ") && name.endsWith(".part")) {
                EXPECT_TRUE(movedAway.contains(name))
                    << "a work file is forgotten only once it took its name";
            }
            continue;
        }
        if (kind == "sync" && path.endsWith(".journal")) {
            unsynced.clear();
            continue;
        }
        ASSERT_TRUE(unsynced.isEmpty())
            << "\"" << unsynced.toStdString() << "\" is not synced before: " << event.toStdString();
        if (kind == "write")
            written[path] = true;
        else if (kind == "sync")
            written[path] = false;
        else if (kind == "name")
            EXPECT_TRUE(madeNames.contains(path))
                << path.toStdString() << " is named before the journal knows it";
        else if (kind == "rename") {
            EXPECT_FALSE(written.value(path)) << "the new output takes its name before it is on the disk";
            movedAway << path;
            renamed << event.section(' ', 2);
        }
    }
    EXPECT_EQ(renamed, QStringList(song));
    EXPECT_EQ(madeNames.size(), 4) << events.join('\n').toStdString();
    EXPECT_EQ(ReadFile(song), "new");
}

} // namespace
