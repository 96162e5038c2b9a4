#include "engine/command_common_data.h"

#include "engine/command_interface.h"
#include "foundation/file_tools.h"
#include "foundation/global_events.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_command.h"
#include "tests/support/recording_views.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#endif

// Runs the call in a child process where every file opened for writing only is refused as on a full
// disk, while one opened for reading and writing (a reserved temporary name) is still made. Returns
// the call's result; the child ends without taking anything apart, so the disk shows what the call
// itself left. Skips the test where the system has no such filter.
bool InChildWhereWritingIsRefused(const std::function<bool()>& call)
{
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr auto flagsLow = [](int index) {
            return offsetof(seccomp_data, args) + index * sizeof(__u64);
        };
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, flagsLow(2)),
            BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_WRONLY, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSPC),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            ::_exit(2);
        ::_exit(call() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        ADD_FAILURE() << "the child could not refuse writing";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const auto kReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

class CommonData : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        SetLogView(&log);
        GlobalEvents().OnWaitEnd = [this](QObject* sender) { waitEnds << sender; };
        common.SetProgressControls(stepBar, overallBar, 0, 100, label);
        common.SetAudioFile(entry);
    }
    void TearDown() override
    {
        GlobalEvents().OnWaitEnd = nullptr;
        SetLogView(nullptr);
        TempWorld::TearDown();
    }

    // The step that writes the final file: the existing-output policy applies.
    void FinalOutput(const QString& output, bool rename, bool refuse, bool renameIfSource)
    {
        common.SetCheckOutput(true);
        common.SetOutputPolicy(rename, refuse, renameIfSource);
        common.OutputFile = output;
    }

    QObject data;
    RecordingCommand step{&data, "Step"};
    std::shared_ptr<RecordingProgressView> stepBar = std::make_shared<RecordingProgressView>(),
                                           overallBar = std::make_shared<RecordingProgressView>();
    std::shared_ptr<RecordingCaptionView> label = std::make_shared<RecordingCaptionView>("before");
    std::shared_ptr<TAudioFile> entry = std::make_shared<TAudioFile>(QString(), nullptr);
    TCommandCommonData common;
    RecordingLogView log;
    QList<QObject*> waitEnds;
};

} // namespace

TEST_F(CommonData, ProgressIsTruncatedClampedAndTheOverallBarSharedAmongTheTasks)
{
    common.SetProgress(step, 5, 0);
    common.SetProgress(step, 5, -1);
    EXPECT_EQ(stepBar->Positions, QList<int>()) << "an empty length shows nothing";
    EXPECT_EQ(label->Caption, "before");
    EXPECT_EQ(entry->GetStatus(), afsWaiting);

    common.SetTaskIndex(2, 3);
    EXPECT_FALSE(common.IsLastTask());
    common.SetProgress(step, 1, 3);
    EXPECT_EQ(stepBar->Position(), 33);
    EXPECT_EQ(label->Caption, "33 %");
    EXPECT_EQ(entry->GetStatusText(), "33 %");
    common.SetProgress(step, 50, 100);
    EXPECT_EQ(overallBar->Position(), 33 + 16) << "task 2 of 3 at 50 %";

    // The encoding step of the last file covers 16..96 of its bar.
    common.SetProgressControls(stepBar, overallBar, 16, 96, label);
    common.SetTaskIndex(3, 3);
    EXPECT_TRUE(common.IsLastTask());
    common.SetProgress(step, 1, 2);
    EXPECT_EQ(stepBar->Position(), 56);
    EXPECT_EQ(overallBar->Position(), 66 + 18);
    EXPECT_EQ(std::pair(stepBar->Minimum, stepBar->Maximum), std::pair(16, 96))
        << "the step is half done on its bar, the batch 84 % on the whole bar";
    EXPECT_EQ(std::pair(overallBar->Minimum, overallBar->Maximum), std::pair(0, 100));

    // Progress stays in its range.
    common.SetTaskIndex(1, 1);
    constexpr std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    common.SetProgress(step, huge, 3);
    EXPECT_EQ(stepBar->Position(), 96) << "a counter past the end";
    EXPECT_EQ(overallBar->Position(), 96);
    common.SetProgress(step, -5, 1152);
    EXPECT_EQ(stepBar->Position(), 16) << "a negative counter";
    common.SetProgress(step, std::int64_t(1) << 61, std::int64_t(1) << 62);
    EXPECT_EQ(stepBar->Position(), 56);
    common.SetProgress(step, huge, huge);
    EXPECT_EQ(label->Caption, "96 %");
    common.SetTaskIndex(1, 0);
    common.SetProgress(step, 0, 10);
    EXPECT_EQ(overallBar->Position(), 96) << "no tasks: the overall bar is left alone";
    common.SetTaskIndex(1 << 30, 1);
    common.SetProgress(step, 0, 10);
    EXPECT_EQ(overallBar->Position(), std::numeric_limits<int>::max()) << "a task far past the count";
}

TEST_F(CommonData, ProgressReachesOnlyWhatIsStillThere)
{
    common.SetProgress(step, 1, 4);
    step.Cancelled = true;
    common.SetProgress(step, 2, 4);
    EXPECT_EQ(stepBar->Position(), 50);
    EXPECT_EQ(entry->GetStatusText(), "25 %") << "a cancelled step leaves the entry alone";
    common.SetCancelled();
    EXPECT_EQ(entry->GetStatus(), afsCancelled);

    common.SetProgressControls(nullptr, nullptr, 0, 100, nullptr);
    step.Cancelled = false;
    common.SetProgress(step, 3, 4);
    EXPECT_EQ(entry->GetStatusText(), "75 %");
    EXPECT_EQ(stepBar->Positions, QList<int>({25, 50})) << "controls taken away are left alone";
    TCommandCommonData bare;
    bare.SetCancelled();
    bare.SetProgress(step, 1, 2);
}

using CommonDataAsUser = AsOrdinaryUser<CommonData>;

TEST_F(CommonDataAsUser, ARefusedOutputTellsTheStepWhy)
{
    const QString output = WriteFile("out/song.vcd.mpg", "keep me");
    FinalOutput(output, false, true, false);
    EXPECT_FALSE(common.CheckOutputFile(step));

    QFile::setPermissions(Root(), kReadOnly | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                      QFile::ExeOther);
    QFile::setPermissions(Root() + "out", kReadOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    FinalOutput(Root() + "out/new.vcd.mpg", true, false, false);
    {
        const OrdinaryUserFiles user;
        EXPECT_FALSE(common.CheckOutputFile(step));
    }
    const QString readOnlyFolder =
        "Unable to create/write the output file: " + Root() + "out/new.vcd.mpg (Permission denied)";
    EXPECT_EQ(step.Status.Errors,
              QStringList({"The file \"" + output + "\" already exists", readOnlyFolder}));
    EXPECT_EQ(log.Lines, QStringList{readOnlyFolder});

    // In a sticky folder open to all (the shared temporary folder), only root or the owner of the file or
    // of the folder may replace a file, whatever its mode: the user is refused at a chain's first step,
    // with the system's reason, and a source there is not deleted either.
    const QString shared = Root() + "shared/", usersFolder = Root() + "users/";
    QDir().mkpath(shared);
    QDir().mkpath(usersFolder);
    const QString others = WriteFile(shared + "Song.vcd.mpg", "another user's");
    const QString own = WriteFile(shared + "Mine.vcd.mpg", "the user's own");
    const QString inUsersFolder = WriteFile(usersFolder + "Song.vcd.mpg", "another user's");
    for (const QString& name : {shared, usersFolder})
        ::chmod(QFile::encodeName(name).constData(), 01777);
    for (const QString& name : {others, own, inUsersFolder})
        ::chmod(QFile::encodeName(name).constData(), 0666);
    for (const QString& name : {own, usersFolder})
        EXPECT_TRUE(::chown(QFile::encodeName(name).constData(), OrdinaryUserId, gid_t(-1)) == 0 ||
                    ::geteuid() != 0);
    const std::optional<QString> asUser = InChildAsOrdinaryUser([&] {
        QStringList found;
        for (const QString& name : {others, own, inUsersFolder}) {
            RecordingCommand first(&data, "Decode");
            TCommandCommonData chain;
            chain.SetOutputPolicy(false, false, true);
            chain.ChainOutputFile = name;
            chain.OutputFile = shared + "TmpA1B23.tmp";
            found << (chain.CheckOutputFile(first) ? "accepted" : first.Status.Errors.join(' '));
        }
        QString reason;
        found << (DeleteFileIfWritable(others, &reason) ? "deleted" : reason);
        return found.join('\n');
    });
    if (!asUser)
        GTEST_SKIP() << "only root can hand a file to another user: the sticky folder's rule is left untried";
    EXPECT_EQ(asUser->split('\n'),
              QStringList({"Unable to create/write the output file: " + others + " (Operation not permitted)",
                           "accepted", "accepted", "Operation not permitted"}));
    EXPECT_EQ(ReadFile(others), "another user's");
}

TEST_F(CommonData, ARefusedOrReadOnlyOutputIsKept)
{
    const QString output = WriteFile("out/song.wav", "keep me");
    FinalOutput(output, true, true, false);
    EXPECT_FALSE(common.CheckOutputFile(step));
    EXPECT_EQ(Dialogs().LastText(), "\rThe file \"" + output + "\" already exists");
    common.CleanupOnFailure(step);
    EXPECT_EQ(ReadFile(output), "keep me") << "the file the user wanted kept survives the failure";
    EXPECT_EQ(waitEnds, QList<QObject*>({&step}));

    // A read-only output is neither overwritten nor deleted.
    const QString locked = WriteFile("out/locked.vcd.mpg", "locked");
    QFile::setPermissions(locked, kReadOnly);
    FinalOutput(locked, false, false, true);
    EXPECT_FALSE(common.CheckOutputFile(step));
    EXPECT_EQ(log.Lines,
              QStringList({"Unable to create/write the output file: " + locked + " (Permission denied)"}));
    EXPECT_EQ(Dialogs().Messages().size(), 1) << "the step's errors say why";
    common.CleanupOnFailure(step);
    EXPECT_EQ(ReadFile(locked), "locked");
}

TEST_F(CommonData, AnExistingOutputGetsAFreeNameOrFailsTheStepWhenNoneIsLeft)
{
    const QString existing = WriteFile("out/Song.WAV", "old");
    FinalOutput(existing, true, false, false);
    ASSERT_TRUE(common.CheckOutputFile(step));
    const QString renamed = Root() + "out/Song-1.wav";
    EXPECT_EQ(common.OutputFile, renamed);
    EXPECT_FALSE(QFileInfo::exists(renamed)) << "the new data has a hidden name until it is whole";
    WriteFile(common.WorkFile, "half");
    common.CleanupOnFailure(step);
    EXPECT_EQ(QDir(Root() + "out").entryList(QDir::Files | QDir::Hidden), QStringList("Song.WAV"));
    EXPECT_EQ(ReadFile(existing), "old");
    EXPECT_TRUE(Dialogs().Messages().isEmpty());

    // A file that takes the free name while the step works is kept: the policy picks again, or refuses.
    for (const bool rename : {true, false}) {
        FinalOutput(existing, rename, !rename, false);
        common.OutputFile = Root() + "out/New.wav";
        ASSERT_TRUE(common.CheckOutputFile(step));
        WriteFile(common.WorkFile, "new");
        const QString taken = WriteFile("out/New.wav", "taken meanwhile");
        EXPECT_EQ(common.CompleteOutput(step), rename);
        if (rename) {
            EXPECT_EQ(ReadFile(Root() + "out/New-1.wav"), "new");
            EXPECT_EQ(common.OutputFile, Root() + "out/New-1.wav");
        } else {
            EXPECT_EQ(Dialogs().LastText(), "\rThe file \"" + taken + "\" already exists");
            common.CleanupOnFailure(step);
        }
        EXPECT_EQ(ReadFile(taken), "taken meanwhile");
        QFile::remove(taken);
    }
    EXPECT_EQ(QDir(Root() + "out").entryList(QDir::Files | QDir::Hidden),
              QStringList({"New-1.wav", "Song.WAV"}));

    // When every free name is taken the step fails and overwrites nothing.
    const QString output = WriteFile("full/song.wav", "0");
    for (int n = 1; n <= 50; ++n)
        WriteFile(QString("full/song-%1.wav").arg(n), QByteArray::number(n));
    FinalOutput(output, true, false, true);
    EXPECT_FALSE(common.CheckOutputFile(step));
    EXPECT_EQ(log.Lines,
              QStringList({"Unable to create/write the output file: " + output + " (File exists)"}));
    common.CleanupOnFailure(step);
    EXPECT_EQ(ReadFile(output), "0");
    for (int n = 1; n <= 50; ++n)
        EXPECT_EQ(ReadFile(Root() + QString("full/song-%1.wav").arg(n)), QByteArray::number(n));
    EXPECT_EQ(QDir(Root() + "full").count(), 2u + 51u);
}

TEST_F(CommonData, OverwritingReplacesAnOldOutputOnlyOnceTheNewOneIsWholeAndNeverTheSource)
{
    const QString source = WriteFile("music/Song.wav", "source");
    const QString old = WriteFile("music/old.wav", "old");
    common.SetFiles(QString(), source, false, false);
    const auto hidden = [this] {
        return QDir(Root() + "music").entryList({".old.wav.*"}, QDir::Hidden | QDir::Files);
    };
    // The new data has a name of the run's own beside the older output, which stays in place until the
    // new one is whole; a failure (or a cancel) only deletes the new data.
    for (const bool succeeds : {false, true}) {
        FinalOutput(old, false, false, true);
        ASSERT_TRUE(common.CheckOutputFile(step));
        EXPECT_EQ(common.OutputFile, old);
        EXPECT_EQ(hidden(), QStringList(QFileInfo(common.WorkFile).fileName()));
        WriteFile(common.WorkFile, succeeds ? "new" : "half");
        EXPECT_EQ(ReadFile(old), "old");
        if (succeeds) {
            EXPECT_TRUE(common.CompleteOutput(step));
            common.CleanupOnSuccess(step);
        } else {
            common.CleanupOnFailure(step);
        }
        EXPECT_EQ(ReadFile(old), succeeds ? "new" : "old");
        EXPECT_EQ(hidden(), QStringList());
    }
    // A step taken apart before it ended leaves the output as it was.
    {
        TCommandCommonData taken;
        taken.SetCheckOutput(true);
        taken.SetOutputPolicy(false, false, true);
        taken.OutputFile = old;
        ASSERT_TRUE(taken.CheckOutputFile(step));
        WriteFile(taken.WorkFile, "half");
    }
    EXPECT_EQ(ReadFile(old), "new");
    EXPECT_EQ(hidden(), QStringList());
    // A new output that cannot be made leaves nothing behind.
    FinalOutput(old, false, false, true);
    EXPECT_FALSE(InChildWhereWritingIsRefused([this] { return common.CheckOutputFile(step); }));
    EXPECT_EQ(ReadFile(old), "new");
    EXPECT_EQ(hidden(), QStringList());

    // The source, named as such or through a linked folder, gets a free name.
    ASSERT_TRUE(QFile::link(Root() + "music", Root() + "alias"));
    for (const QString& folder : {Root() + "music/", Root() + "alias/"}) {
        FinalOutput(folder + "Song.wav", false, false, true);
        EXPECT_TRUE(common.CheckOutputFile(step));
        EXPECT_EQ(common.OutputFile, folder + "Song-1.wav");
    }
    // Another case names another file here: it is written as asked.
    FinalOutput(Root() + "music/SONG.wav", false, false, true);
    EXPECT_TRUE(common.CheckOutputFile(step));
    EXPECT_EQ(common.OutputFile, Root() + "music/SONG.wav");
    // An intermediate step has no policy, but never prepares over the source either.
    common.SetCheckOutput(false);
    common.OutputFile = source;
    EXPECT_FALSE(common.CheckOutputFile(step));
    EXPECT_EQ(ReadFile(source), "source");
    EXPECT_TRUE(Dialogs().Messages().isEmpty());
}

TEST_F(CommonData, TheFailureCleanUpDeletesIntermediatesButNeverTheSource)
{
    const QString source = WriteFile("music/Song.mp3", "source");
    const QString other = WriteFile("music/other.wav", "other");
    common.SetFiles(QString(), source.toUpper(), true, true);
    common.InputFile = source;
    common.OutputFile = other; // never prepared by this step
    common.CleanupOnFailure(step);
    EXPECT_EQ(ReadFile(source), "source");
    EXPECT_EQ(ReadFile(other), "other");
    EXPECT_EQ(step.Logged, QStringList());

    const QString input = WriteFile("tmp/TmpA1B23.tmp", "pcm");
    common.InputFile = input;
    common.OutputFile = Root() + "tmp/TmpC4D56.tmp";
    ASSERT_TRUE(common.CheckOutputFile(step));
    WriteFile(common.OutputFile, "half");
    common.CleanupOnFailure(step);
    EXPECT_FALSE(QFileInfo::exists(input));
    EXPECT_FALSE(QFileInfo::exists(common.OutputFile));
    EXPECT_EQ(step.Logged, QStringList({"Deleting \"" + input + "\" file", "Deletion done."}));

    const QString locked = WriteFile("tmp/TmpE7F89.tmp", "locked");
    QFile::setPermissions(locked, kReadOnly);
    common.InputFile = locked;
    common.CleanupOnFailure(step);
    EXPECT_EQ(ReadFile(locked), "locked");
    EXPECT_EQ(step.Logged.last(), "Deletion failed. (Permission denied)");
    EXPECT_TRUE(waitEnds.isEmpty()) << "only the final output's step ends the wait";
}

TEST_F(CommonData, TheSuccessCleanUpDeletesTheInputAndTheExtraFile)
{
    const QString source = WriteFile("music/song.mp3", "source");
    const QString input = WriteFile("tmp/TmpA1B23.tmp", "mp2");
    const QString output = WriteFile("music/song.vcd.mpg", "mpeg");
    common.SetFiles(source, source, true, true);
    common.SetCheckOutput(true);
    common.InputFile = input;
    common.OutputFile = output;
    common.CleanupOnSuccess(step);
    EXPECT_FALSE(QFileInfo::exists(input));
    EXPECT_FALSE(QFileInfo::exists(source)) << "the user asked for the source to go once converted";
    EXPECT_EQ(ReadFile(output), "mpeg");
    EXPECT_EQ(step.Logged, QStringList({"Deleting \"" + input + "\" file...", "Deletion done.",
                                        "Deleting \"" + source + "\" file...", "Deletion done."}));
    EXPECT_EQ(waitEnds, QList<QObject*>({&step}));

    const QString kept = WriteFile("tmp/TmpC4D56.tmp", "wav");
    common.SetFiles(Root() + "tmp/gone.tmp", source, false, false);
    common.InputFile = kept;
    common.CleanupOnSuccess(step);
    EXPECT_EQ(ReadFile(kept), "wav");
    EXPECT_EQ(step.Logged.last(), "Deletion failed. (No such file or directory)");

    // A source the user asked to delete, in a folder that takes no writing, stays, and the log says why.
    const QString locked = WriteFile("locked/song.mp3", "source");
    QFile::setPermissions(Root() + "locked", kReadOnly | QFile::ExeOwner);
    common.SetFiles(locked, locked, false, false);
    common.CleanupOnSuccess(step);
    EXPECT_EQ(ReadFile(locked), "source");
    EXPECT_EQ(step.Logged.mid(step.Logged.size() - 2),
              QStringList({"Deleting \"" + locked + "\" file...", "Deletion failed. (Permission denied)"}));
}
