#pragma once

#include "audio/audio_file.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

class TCommandInterface;
class TRunJournal;

// A progress bar of the conversion page. The window side implements it over the real bar and lets it
// do nothing once that bar is gone.
class TProgressView {
public:
    virtual ~TProgressView() = default;
    virtual void SetRange(int minimum, int maximum) = 0;
    // A position outside the range shows as the nearer end.
    virtual void SetPosition(int position) = 0;
};

// The label that shows a step's percent, in the normal text colour whatever colour it had before.
class TCaptionView {
public:
    virtual ~TCaptionView() = default;
    virtual void SetCaption(const QString& text) = 0;
};

// Why a step's output cannot be made or written: the name, then the system's reason in brackets.
QString OutputFileFailureText(const QString& name, const QString& cause = QString());

// What every conversion step needs besides its own settings: its files, the source they come from,
// what to do with an existing output, what to delete afterwards, and where its progress shows.
// The conversion page fills one per step. Main thread only.
class TCommandCommonData {
public:
    TCommandCommonData() = default;
    // A step taken apart before its end leaves no file of its own behind.
    ~TCommandCommonData() { DiscardWorkFile(); }
    TCommandCommonData(TCommandCommonData&&) = default;
    TCommandCommonData& operator=(TCommandCommonData&&) = default;

    void SetTaskIndex(int index, int count);
    void SetProgressControls(std::shared_ptr<TProgressView> stepBar,
                             std::shared_ptr<TProgressView> overallBar, int progressMin, int progressMax,
                             std::shared_ptr<TCaptionView> percentLabel);
    void SetOutputPolicy(bool renameIfExists, bool refuseIfExists, bool renameIfSameAsSource);
    void SetAudioFile(std::shared_ptr<TAudioFile> audioFile);
    void SetCheckOutput(bool checkOutput);
    void SetUnattended(bool unattended);
    void SetFiles(const QString& extraTempFile, const QString& sourceFile, bool deleteInputOnSuccess,
                  bool deleteInputOnFailure);

    const std::shared_ptr<TAudioFile>& GetAudioFile() const { return AudioFile; }
    bool IsUnattended() const { return Unattended; }
    bool IsLastTask() const { return TaskIndex >= TaskCount; }

    // A step that did its work: a final output written under the run's own name takes its name now,
    // replacing the older output only under "Overwrite"; false, with the reason in the step's errors,
    // when it cannot (the step then fails).
    bool CompleteOutput(TCommandInterface& command);
    // Deletes the input (when asked) and the extra file, logging each deletion through the command.
    void CleanupOnSuccess(TCommandInterface& command);
    // Deletes the input (when asked) and the file this step made; never the source, nor an output
    // older than the step.
    void CleanupOnFailure(TCommandInterface& command);
    // A step that refused to run deletes its input as a failure would, and the file it made, never an
    // output.
    void CleanupOnRefusal(TCommandInterface& command);
    // Deletes the file this step made to write in, unless it became the step's result.
    void DiscardWorkFile();
    // For a step that will never run: its intermediate input, when an earlier step made it, is deleted.
    void DiscardUnusedInput(TCommandInterface& command);
    void SetCancelled();
    // Shows position out of length on the bars, the label and the entry; a length of 0 or less shows
    // nothing, and the percent stays within ProgressMin..ProgressMax.
    void SetProgress(const TCommandInterface& command, std::int64_t position, std::int64_t length);
    // A chain's first step refuses at once what its last step would refuse about the final output (its
    // folder, its name, the existing-output policy), and an overwrite of what the batch itself has or
    // writes; the final step applies the policy itself, then the output is prepared. False fails the step,
    // whose errors then say why (never blaming the source). An older output that the policy lets this step
    // replace is only set aside until the step succeeds.
    bool CheckOutputFile(TCommandInterface& command);

    int ProgressMin = 0;
    int ProgressMax = 100;
    std::shared_ptr<TProgressView> StepBar;
    std::shared_ptr<TProgressView> OverallBar;
    std::shared_ptr<TCaptionView> PercentLabel;
    std::shared_ptr<TAudioFile> AudioFile;
    bool DeleteInputOnSuccess = false;
    bool DeleteInputOnFailure = false;
    QString ExtraTempFile;
    QString SourceFile; // never deleted
    int TaskIndex = 1;  // 1-based
    int TaskCount = 1;
    bool RenameIfExists = true;
    bool RefuseIfExists = false;
    bool RenameIfSameAsSource = false;
    bool Unattended = false;
    bool CheckOutput = false;
    QString InputFile;
    QString OutputFile;
    // Where the step writes: the output itself for an intermediate, a hidden name beside a final output.
    QString WorkFile;
    // The final output of the file's chain, given to its first step: the step refuses to work while that
    // output cannot be made, so that the chain fails at once rather than at its last step after all the work.
    QString ChainOutputFile;
    // Another source of the same batch that is that final output, or whose own output it is already:
    // overwriting is for outputs older than the batch, so the chain then never overwrites it.
    QString ChainOutputTakenBy;
    bool ChainOutputIsSource = false; // that source is the output itself, however spelt
    // The journal of the queue that runs the step, which it tells of every file it writes; none outside
    // a queue.
    TRunJournal* Journal = nullptr;

private:
    int PercentOf(std::int64_t position, std::int64_t length) const;
    void ShowOverall(int percent);
    bool IsSource(const QString& name) const;
    // The name the final output really gets under the existing-output policy (result), or false, with
    // the reason in the step's errors, when no such output can be made: its folder or its path refuse it,
    // the policy refuses an existing file, no free name is left, or the file to overwrite cannot be
    // replaced. Both the chain's first step and the step that writes the final output decide this way.
    bool PolicyOutputName(TCommandInterface& command, const QString& name, QString& result) const;
    // On a chain's first step: false, with the reason in the step's errors, when the final output cannot
    // be made. The last step still checks for itself: the output may appear while the batch runs.
    bool CheckChainOutput(TCommandInterface& command) const;
    bool Overwrites() const { return !RenameIfExists && !RefuseIfExists; }
    // Makes WorkFile; false, with the system's reason, when it cannot be made.
    bool MakeWorkFile(QString& cause);
    // Gives the final output its name, by the policy; 0 or the system's error.
    int MoveToOutputName();
    void DeleteLogged(TCommandInterface& command, const QString& name, const QString& ellipsis);
    void ForgetIfGone(const QString& name);

    // True while WorkFile is the file this step made and has not yet made its result; only one copy of
    // the data owns that file.
    class TOwnership {
    public:
        TOwnership() = default;
        TOwnership(TOwnership&& other) noexcept : owns_(std::exchange(other.owns_, false)) {}
        TOwnership& operator=(TOwnership&& other) noexcept
        {
            owns_ = std::exchange(other.owns_, false);
            return *this;
        }
        TOwnership& operator=(bool owns)
        {
            owns_ = owns;
            return *this;
        }
        operator bool() const { return owns_; }

    private:
        bool owns_ = false;
    };
    TOwnership OutputPrepared;
};
