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
#include "platform/messages.h"
#include "platform/temporary_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

TOlderOutput::TOlderOutput(TOlderOutput&& other) noexcept
    : name_(std::exchange(other.name_, QString())), hidden_(std::exchange(other.hidden_, QString())),
      journal_(std::exchange(other.journal_, nullptr))
{
}

TOlderOutput& TOlderOutput::operator=(TOlderOutput&& other) noexcept
{
    if (this != &other) {
        PutBack();
        name_ = std::exchange(other.name_, QString());
        hidden_ = std::exchange(other.hidden_, QString());
        journal_ = std::exchange(other.journal_, nullptr);
    }
    return *this;
}

bool TOlderOutput::SetAside(const QString& name, TRunJournal* journal)
{
    PutBack();
    if (!IsReplaceableFile(name))
        return false;
    const QByteArray path = QFile::encodeName(name);
    // A name of our own first, so that the move replaces nothing of the user's.
    // Cut short where the hidden name would pass what the file system takes, as a long name may.
    const QFileInfo file(name);
    const std::string folder = QFile::encodeName(file.absolutePath() + u'/').toStdString();
    const QString start = QFile::decodeName(
        plat::NameStartThatFits(folder, QFile::encodeName(file.fileName()).toStdString(), 8).c_str());
    QTemporaryFile reserved(file.absolutePath() + QStringLiteral("/.") + start + QStringLiteral(".XXXXXX"));
    reserved.setAutoRemove(false);
    if (!reserved.open())
        return false;
    const QString hidden = reserved.fileName();
    reserved.close();
    if (journal)
        journal->NoteOutput(name, hidden);
    if (::rename(path.constData(), QFile::encodeName(hidden).constData()) != 0) {
        ::unlink(QFile::encodeName(hidden).constData());
        if (journal)
            journal->Forget(name);
        return false;
    }
    name_ = name;
    hidden_ = hidden;
    journal_ = journal;
    return true;
}

void TOlderOutput::PutBack()
{
    if (hidden_.isEmpty())
        return;
    // Replaces whatever the step left under the name. Left where it is, the journal keeps it for the
    // next start to put back.
    if (::rename(QFile::encodeName(hidden_).constData(), QFile::encodeName(name_).constData()) != 0)
        LogError(QStringLiteral("The older output is left as ") + hidden_);
    else if (journal_)
        journal_->Forget(name_);
    release();
}

void TOlderOutput::Drop()
{
    if (hidden_.isEmpty())
        return;
    // Known whole before the older one goes, so that a kill in between never puts it back over the new.
    if (journal_)
        journal_->NoteWhole(name_);
    ::unlink(QFile::encodeName(hidden_).constData());
    if (journal_)
        journal_->Forget(name_);
    release();
}

void TOlderOutput::release()
{
    name_.clear();
    hidden_.clear();
    journal_ = nullptr;
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

void TCommandCommonData::CleanupOnSuccess(TCommandInterface& command)
{
    OlderOutput.Drop();
    // The final output is the result now; an intermediate stays listed until the next step deletes it.
    if (CheckOutput && Journal)
        Journal->Forget(OutputFile);
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
    if (OutputPrepared && !OutputFile.isEmpty() && !IsSource(OutputFile))
        DeleteFileIfWritable(OutputFile);
    OlderOutput.PutBack();
    if (OutputPrepared)
        ForgetIfGone(OutputFile);
    if (CheckOutput)
        FireWaitEnd(&command);
}

void TCommandCommonData::CleanupOnRefusal(TCommandInterface& command)
{
    if (DeleteInputOnFailure && !InputFile.isEmpty() && !IsSource(InputFile))
        DeleteLogged(command, InputFile, QString());
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
    OutputPrepared = false;
    if (!CheckChainOutput(command))
        return false;
    if (CheckOutput) {
        QString name;
        if (!PolicyOutputName(command, OutputFile, name))
            return false;
        OutputFile = name;
    }
    // Preparing deletes whatever has the name: never let that be the source.
    if (sameExistingFile(OutputFile, SourceFile))
        return cannotCreateOutput(command, OutputFile);
    // The older output goes only once the new one is whole.
    const bool setAside = CheckOutput && OlderOutput.SetAside(OutputFile, Journal);
    QString cause;
    if (!PrepareOutputFile(OutputFile, &cause)) {
        OlderOutput.PutBack();
        return cannotCreateOutput(command, OutputFile, cause);
    }
    OutputPrepared = true;
    if (Journal && !setAside) {
        if (CheckOutput)
            Journal->NoteOutput(OutputFile);
        else
            Journal->NoteTemporary(OutputFile);
    }
    return true;
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
