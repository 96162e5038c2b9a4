#pragma once

#include "audio/audio_file.h"
#include "foundation/exceptions.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// What the conversion page turns its choices into before any command exists: one chain of steps per
// source file. Nothing here touches a widget or the disk; the page probes the files and runs the plan.

// The building of a batch stops with this; the message is for the user.
class EBatchPlanError : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

enum class TBatchFormat { Mpeg, Wav };
enum class TStepKind { Decode, WavToWav, Encode, Multiplex, Finalize };

struct TBatchSource {
    QString FileName;
    bool Exists = true;
    bool ReadableAsIs = false; // the WAV reader takes it without decoding
    bool Regular = true;       // not a pipe, a device or a folder
};

// The existing-output choice of the general settings: exactly one is set.
struct TOutputPolicy {
    bool GenerateNewName = true;
    bool GenerateError = false;
    bool Overwrite = false;
};

// Two names with one key are one file to the batch. The plan calls it for every source and output; the
// page gives it one that asks the disk (FileIdentityKey), so that no spelling hides a file.
using TFileKeyer = std::function<QString(const QString& name)>;
// Without a disk: the cleaned name.
QString TextFileKey(const QString& name);

struct TBatchChoices {
    std::vector<TBatchSource> Sources;
    TFileKeyer FileKey = TextFileKey;
    QString OutputFolder; // ends with "/"; empty puts each output beside its source
    TBatchFormat Format = TBatchFormat::Mpeg;
    QString Description; // the encoding preference's description
    bool AddFormatToFileName = false;
    bool DeleteSource = false;
};

struct TStepPlan {
    TStepKind Kind = TStepKind::Decode;
    int Task = 1; // 1-based file number
    QString Source;
    QString Input, Output;
    QString ChainOutput; // on the chain's first step: the final output, checked before any work
    // With it: another source of the batch that has that name, or writes it before this chain does.
    QString ChainOutputTakenBy;
    bool ChainOutputIsSource = false; // that source is the output itself, not the one that writes it
    int ProgressMin = 0, ProgressMax = 100;
    int SkipNextCount = 0;
    bool DeleteInputOnSuccess = false, DeleteInputOnFailure = false;
    QString DeleteAfterSuccess; // the source, when the user asked for it
    bool CheckOutput = false;
    bool Cancellable = true;
    bool HasCommonData = true;
    bool UsesWavPref = false; // the WAV chain's decode and conversion steps
    QString StatusText;
};

// Draws the intermediate files' names: "Tmp" + letter digit letter digit digit + ".tmp" in one folder,
// never a name that exists or that this namer handed out before.
class TTempNamer {
public:
    using TRandom = std::function<std::uint32_t(std::uint32_t bound)>; // 0 <= result < bound
    using TExists = std::function<bool(const QString& name)>;

    TTempNamer(const QString& folder, TRandom random, TExists exists);

    // Throws EBatchPlanError when 50 draws found no free name.
    QString NewTempFileName();
    const QString& Folder() const { return folder_; }

private:
    QString Draw() const;

    QString folder_;
    TRandom random_;
    TExists exists_;
    QSet<QString> handedOut_;
};

// The temporary folder to use: the chosen one when a fresh name can be created in it, else the system's.
QString ChooseTempFolder(const QString& chosen, const TTempNamer::TRandom& random,
                         const std::function<bool(const QString&)>& canCreate,
                         const std::function<QString()>& systemTemp);

// Qt reads file names as UTF-8 and holds U+FFFD for each byte that is not: such a name no longer leads
// to its file.
bool IsUndecodableFileName(const QString& name);
// Why a source that cannot be found is refused: missing, or named in bytes that are not UTF-8.
QString MissingSourceText(const QString& name);

// The steps of the whole batch in order; throws EBatchPlanError when a file cannot be planned.
std::vector<TStepPlan> PlanBatch(const TBatchChoices& choices, TTempNamer& namer);
// The final output of one source: folder + name [+ " - " + description] + extension.
QString PlanOutputName(const QString& source, const TBatchChoices& choices);

// One result line per file: a tag, the file's full name, and "  -  " + a message.
extern const QString ResultSuccess, ResultError, ResultSkipped;
// Rewrites the file's "skipped" line with the tag of its status and the message on one line.
void MarkResultLine(QStringList& resultLines, const QString& fullName, TAudioFileStatus status,
                    const QString& text);

enum class TSummaryLevel { Plain, Debug, Warning, Information, Error };
struct TSummaryLine {
    TSummaryLevel Level;
    QString Text;
};
struct TBatchSummary {
    std::vector<TSummaryLine> LogLines; // the message's lines included, at the end
    QString Message;                    // for the closing box
    int Succeeded = 0, Failed = 0, Skipped = 0;
};
TBatchSummary BuildBatchSummary(const QStringList& resultLines);
