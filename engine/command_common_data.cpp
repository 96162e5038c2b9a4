#include "engine/command_common_data.h"

#include "engine/command_interface.h"
#include "engine/run_journal.h"
#include "foundation/file_tools.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/file_identity.h"
#include "platform/messages.h"
#include "platform/temporary_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <limits>
#include <utility>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString cleanAbsolute(const QString& name)
{
    return QDir::cleanPath(QFileInfo(name).absoluteFilePath());
}

// Two names of one existing file, whatever links or spellings lead to it.
bool sameExistingFile(const QString& first, const QString& second)
{
    struct stat a {
    }, b{};
    return !first.isEmpty() && !second.isEmpty() && ::stat(QFile::encodeName(first).constData(), &a) == 0 &&
           ::stat(QFile::encodeName(second).constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

constexpr int kFreeNameAttempts = 20;

// A name of the run's own beside the output, hidden, cut short where the file system would refuse it.
QString hiddenWorkName(const QString& output)
{
    const QString suffix =
        u'.' + QString::number(QRandomGenerator::global()->generate64(), 36) + QStringLiteral(".part");
    return QFile::decodeName(
        plat::HiddenNameBeside(QFile::encodeName(QFileInfo(output).absoluteFilePath()).toStdString(),
                               QFile::encodeName(suffix).toStdString())
            .c_str());
}

// The file may still be held by whatever just wrote it; let pending work run once first.
void waitForRelease()
{
    plat::PumpEvents();
}

bool cannotCreateOutput(TCommandInterface& command, const QString& name, const QString& cause = QString())
{
    const QString text = OutputFileFailureText(name, cause);
    LogError(text);
    command.Status.Errors << text;
    return false;
}

bool refuseExisting(TCommandInterface& command, const QString& name)
{
    const QString text = Format(TranslateMsg(QStringLiteral("The file \"%s\" already exists")), name);
    plat::ShowError(u'\r' + text);
    command.Status.Errors << text;
    return false;
}

} // namespace

QString OutputFileFailureText(const QString& name, const QString& cause)
{
    QString text = QStringLiteral("Unable to create/write the output file: ") + name;
    if (!cause.isEmpty())
        text += QStringLiteral(" (") + cause + u')';
    return text;
}

void TCommandCommonData::SetTaskIndex(int index, int count)
{
    TaskIndex = index;
    TaskCount = count;
}

void TCommandCommonData::SetProgressControls(std::shared_ptr<TProgressView> stepBar,
                                             std::shared_ptr<TProgressView> overallBar, int progressMin,
                                             int progressMax, std::shared_ptr<TCaptionView> percentLabel)
{
    StepBar = std::move(stepBar);
    OverallBar = std::move(overallBar);
    ProgressMin = progressMin;
    ProgressMax = progressMax;
    PercentLabel = std::move(percentLabel);
}

void TCommandCommonData::SetOutputPolicy(bool renameIfExists, bool refuseIfExists, bool renameIfSameAsSource)
{
    RenameIfExists = renameIfExists;
    RefuseIfExists = refuseIfExists;
    RenameIfSameAsSource = renameIfSameAsSource;
}

void TCommandCommonData::SetAudioFile(std::shared_ptr<TAudioFile> audioFile)
{
    AudioFile = std::move(audioFile);
}

void TCommandCommonData::SetCheckOutput(bool checkOutput)
{
    CheckOutput = checkOutput;
}

void TCommandCommonData::SetUnattended(bool unattended)
{
    Unattended = unattended;
}

void TCommandCommonData::SetFiles(const QString& extraTempFile, const QString& sourceFile,
                                  bool deleteInputOnSuccess, bool deleteInputOnFailure)
{
    ExtraTempFile = extraTempFile;
    SourceFile = sourceFile;
    DeleteInputOnSuccess = deleteInputOnSuccess;
    DeleteInputOnFailure = deleteInputOnFailure;
}

bool TCommandCommonData::CompleteOutput(TCommandInterface& command)
{
    if (!OutputPrepared)
        return true;
    // What a program of the run wrote there is the run's, to be deleted after a kill as before.
    if (Journal)
        Journal->Adopt(WorkFile);
    if (!CheckOutput) {
        OutputPrepared = false;
        return true;
    }
    // On the disk before it takes the place of an older output, or a power cut could leave neither.
    const int error = plat::SyncToDisk(WorkFile) ? MoveToOutputName() : errno;
    if (error != 0)
        return error == EEXIST && RefuseIfExists
                   ? refuseExisting(command, OutputFile)
                   : cannotCreateOutput(command, OutputFile, qt_error_string(error));
    OutputPrepared = false;
    if (Journal)
        Journal->Forget(WorkFile);
    return true;
}

int TCommandCommonData::MoveToOutputName()
{
    waitForRelease();
    const QString chosen = OutputFile;
    int error = plat::MoveFile(WorkFile, OutputFile, !Overwrites());
    // Another file took the name while the step worked: the policy picks again.
    for (int attempt = 0; error == EEXIST && RenameIfExists && attempt < kFreeNameAttempts; ++attempt) {
        const QString free = MakeUniqueFileName(chosen);
        if (free.isEmpty())
            break;
        OutputFile = free;
        error = plat::MoveFile(WorkFile, OutputFile, true);
    }
    if (error == 0)
        plat::SyncToDisk(OutputFile);
    return error;
}

void TCommandCommonData::CleanupOnSuccess(TCommandInterface& command)
{
    if (DeleteInputOnSuccess && !InputFile.isEmpty())
        DeleteLogged(command, InputFile, QStringLiteral("..."));
    if (!ExtraTempFile.isEmpty())
        DeleteLogged(command, ExtraTempFile, QStringLiteral("..."));
    if (CheckOutput)
        FireWaitEnd(&command);
}

void TCommandCommonData::CleanupOnFailure(TCommandInterface& command)
{
    CleanupOnRefusal(command);
    if (CheckOutput)
        FireWaitEnd(&command);
}

void TCommandCommonData::CleanupOnRefusal(TCommandInterface& command)
{
    if (DeleteInputOnFailure && !InputFile.isEmpty() && !IsSource(InputFile))
        DeleteLogged(command, InputFile, QString());
    DiscardWorkFile();
}

void TCommandCommonData::DiscardWorkFile()
{
    if (!OutputPrepared)
        return;
    OutputPrepared = false;
    if (!IsSource(WorkFile))
        DeleteFileIfWritable(WorkFile);
    ForgetIfGone(WorkFile);
}

void TCommandCommonData::DiscardUnusedInput(TCommandInterface& command)
{
    if (!InputFile.isEmpty() && FileExistsEx(InputFile))
        CleanupOnRefusal(command);
}

void TCommandCommonData::SetCancelled()
{
    if (AudioFile)
        AudioFile->SetStatus(afsCancelled, QString());
}

void TCommandCommonData::SetProgress(const TCommandInterface& command, std::int64_t position,
                                     std::int64_t length)
{
    if (length <= 0)
        return;
    const int percent = PercentOf(position, length);
    if (StepBar) {
        // The step bar runs over the step's own range, so that it shows how far this step has come.
        if (ProgressMin < ProgressMax)
            StepBar->SetRange(ProgressMin, ProgressMax);
        StepBar->SetPosition(percent);
    }
    if (PercentLabel)
        PercentLabel->SetCaption(QString::number(percent) + QStringLiteral(" %"));
    if (OverallBar && TaskCount >= 1)
        ShowOverall(percent);
    if (AudioFile && !command.Cancelled)
        AudioFile->SetProgress(percent);
}

bool TCommandCommonData::CheckOutputFile(TCommandInterface& command)
{
    DiscardWorkFile();
    if (!CheckChainOutput(command))
        return false;
    if (CheckOutput) {
        QString name;
        if (!PolicyOutputName(command, OutputFile, name))
            return false;
        OutputFile = name;
    }
    // The step's file takes the output's name: never let that be the source.
    if (sameExistingFile(OutputFile, SourceFile))
        return cannotCreateOutput(command, OutputFile);
    QString cause;
    if (!MakeWorkFile(cause))
        return cannotCreateOutput(command, OutputFile, cause);
    OutputPrepared = true;
    return true;
}

bool TCommandCommonData::MakeWorkFile(QString& cause)
{
    int error = EEXIST;
    // An intermediate has a fresh name of the batch's own; something else there now is not ours to replace.
    for (int attempt = 0; error == EEXIST && attempt < (CheckOutput ? kFreeNameAttempts : 1); ++attempt) {
        WorkFile = CheckOutput ? hiddenWorkName(OutputFile) : OutputFile;
        error = Journal ? Journal->MakeFile(WorkFile) : plat::MakeNewFile(WorkFile, [](const QByteArray&) {});
    }
    if (error == 0)
        return true;
    cause = qt_error_string(error);
    WorkFile.clear();
    return false;
}

bool TCommandCommonData::PolicyOutputName(TCommandInterface& command, const QString& name,
                                          QString& result) const
{
    if (const QString refusal = OutputFileRefusal(name); !refusal.isEmpty())
        return cannotCreateOutput(command, name, refusal);
    if (RefuseIfExists && FileExistsEx(name))
        return refuseExisting(command, name);
    QString chosen = name;
    if (RenameIfExists && FileExistsEx(chosen))
        chosen = MakeUniqueFileName(chosen);
    if (!chosen.isEmpty() && RenameIfSameAsSource && IsSource(chosen))
        chosen = MakeUniqueFileName(chosen);
    // Every free name is taken.
    if (chosen.isEmpty())
        return cannotCreateOutput(command, name, qt_error_string(EEXIST));
    if (chosen != name) {
        if (const QString refusal = OutputFileRefusal(chosen); !refusal.isEmpty())
            return cannotCreateOutput(command, chosen, refusal);
    } else if (FileExistsEx(chosen)) {
        // Kept as it is, the name is overwritten, which the system must let the user do.
        if (const QString refusal = ReplaceRefusal(chosen); !refusal.isEmpty())
            return cannotCreateOutput(command, chosen, refusal);
    }
    result = chosen;
    return true;
}

bool TCommandCommonData::CheckChainOutput(TCommandInterface& command) const
{
    if (ChainOutputFile.isEmpty())
        return true;
    if (!ChainOutputTakenBy.isEmpty() && Overwrites())
        return cannotCreateOutput(
            command, ChainOutputFile,
            ChainOutputIsSource
                ? TranslateMsg(QStringLiteral("already a source file of this batch"))
                : Format(TranslateMsg(QStringLiteral("already the output of \"%s\" in this batch")),
                         ChainOutputTakenBy));
    // A step that writes the final output itself decides its name when it prepares it.
    QString name;
    return CheckOutput || PolicyOutputName(command, ChainOutputFile, name);
}

int TCommandCommonData::PercentOf(std::int64_t position, std::int64_t length) const
{
    // Counters can run past the end or below zero; the percent stays within the step's range.
    const std::int64_t done = std::clamp<std::int64_t>(position, 0, length);
    const std::int64_t range = std::int64_t(ProgressMax) - ProgressMin;
    return ProgressMin + int(static_cast<long double>(range) * done / length);
}

void TCommandCommonData::ShowOverall(int percent)
{
    const std::int64_t share = 100 / TaskCount;
    const std::int64_t position = (std::int64_t(TaskIndex) - 1) * share + share * percent / 100;
    OverallBar->SetPosition(int(std::clamp<std::int64_t>(position, std::numeric_limits<int>::min(),
                                                         std::numeric_limits<int>::max())));
}

bool TCommandCommonData::IsSource(const QString& name) const
{
    // Names that differ only in case count as the source too: it is never deleted or overwritten.
    return !name.isEmpty() && !SourceFile.isEmpty() &&
           (cleanAbsolute(name).compare(cleanAbsolute(SourceFile), Qt::CaseInsensitive) == 0 ||
            sameExistingFile(name, SourceFile));
}

void TCommandCommonData::DeleteLogged(TCommandInterface& command, const QString& name,
                                      const QString& ellipsis)
{
    waitForRelease();
    command.HandleLine(&command,
                       Format(TranslateMsg(QStringLiteral("Deleting \"%s\" file")), name) + ellipsis);
    QString reason;
    const bool deleted = DeleteFileIfWritable(name, &reason);
    ForgetIfGone(name);
    command.HandleLine(&command, deleted ? TranslateMsg(QStringLiteral("Deletion done."))
                                         : TranslateMsg(QStringLiteral("Deletion failed.")) +
                                               QStringLiteral(" (") + reason + u')');
}

// Still there, it stays listed for the next start to delete.
void TCommandCommonData::ForgetIfGone(const QString& name)
{
    if (Journal && !FileExistsEx(name))
        Journal->Forget(name);
}
