#include "app/batch_plan.h"

#include "foundation/language.h"
#include "foundation/useful_string.h"

#include <QDir>
#include <QHash>

#include <utility>

const QString ResultSuccess = QStringLiteral("[SUCCESS] \t");
const QString ResultError = QStringLiteral("[ERROR]   \t");
const QString ResultSkipped = QStringLiteral("[SKIPPED] \t");

namespace {

constexpr int TempNameAttempts = 50;

QString WithTrailingSlash(const QString& folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

// Up to and with the last "/"; empty for a bare name.
QString FolderPart(const QString& name)
{
    return name.left(name.lastIndexOf(u'/') + 1);
}

QString BaseNameWithoutExtension(const QString& name)
{
    const QString fileName = name.mid(name.lastIndexOf(u'/') + 1);
    const int dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

// The files a batch already uses, by key, each with the source that uses it: every source itself, and
// the final output of every chain planned so far.
struct TNameTaker {
    QString Source;
    bool IsSource = false; // the file is that source, not its output
};
using TNamesTaken = QHash<QString, TNameTaker>;

// The chain of one file: its shared facts, and each step added in order.
class ChainPlanner {
public:
    ChainPlanner(const TBatchChoices& choices, int index, TTempNamer& namer, std::vector<TStepPlan>& steps,
                 TNamesTaken& namesTaken)
        : choices_(choices), source_(choices.Sources[index]), namer_(namer), steps_(steps),
          namesTaken_(namesTaken)
    {
        base_.Task = index + 1;
        base_.Source = source_.FileName;
        base_.StatusText = QStringLiteral("[%1/%2] - ").arg(index + 1).arg(choices.Sources.size()) +
                           BaseNameWithoutExtension(source_.FileName) + QStringLiteral("  -->  ") +
                           choices.Description;
        if (!source_.Exists)
            throw EBatchPlanError(MissingSourceText(source_.FileName));
        if (!source_.Regular)
            throw EBatchPlanError(
                Format(TranslateMsg(QStringLiteral("The audio source \"%s\" is not a regular file")),
                       source_.FileName));
        chainOutput_ = PlanOutputName(source_.FileName, choices);
        firstStep_ = steps_.size();
        const QString key = choices.FileKey(chainOutput_);
        // The chain's own source, however spelt, is left to the rule on an output named as its source.
        if (const auto taker = namesTaken_.constFind(key);
            taker != namesTaken_.cend() && key != choices.FileKey(source_.FileName))
            outputTakenBy_ = *taker;
        if (!namesTaken_.contains(key))
            namesTaken_.insert(key, {source_.FileName, false});
    }

    void PlanMpeg()
    {
        AddDecode(9, 3, false);
        const bool decoded = Decoded();
        Add(TStepKind::WavToWav, namer_.NewTempFileName(), 9, 16, 2, decoded);
        Add(TStepKind::Encode, namer_.NewTempFileName(), 16, 96, 1, true);
        Last(Add(TStepKind::Multiplex, chainOutput_, 96, 100, 0, true));
    }

    void PlanWav()
    {
        AddDecode(57, 1, true);
        TStepPlan& convert = Add(TStepKind::WavToWav, chainOutput_, 57, 100, 0, Decoded());
        convert.UsesWavPref = true;
        Last(convert);
        TStepPlan finish = base_;
        finish.Kind = TStepKind::Finalize;
        finish.Cancellable = false;
        finish.HasCommonData = false;
        steps_.push_back(finish);
    }

private:
    bool Decoded() const { return input_ != source_.FileName; }

    void AddDecode(int progressMax, int skipNextCount, bool usesWavPref)
    {
        input_ = source_.FileName;
        if (source_.ReadableAsIs)
            return;
        Add(TStepKind::Decode, namer_.NewTempFileName(), 0, progressMax, skipNextCount, false).UsesWavPref =
            usesWavPref;
    }

    TStepPlan& Add(TStepKind kind, const QString& output, int progressMin, int progressMax, int skipNextCount,
                   bool deleteInput)
    {
        TStepPlan step = base_;
        step.Kind = kind;
        step.Input = input_;
        step.Output = output;
        step.ProgressMin = progressMin;
        step.ProgressMax = progressMax;
        step.SkipNextCount = skipNextCount;
        // The first step makes sure the output can be made before any work; the others need not ask again.
        if (steps_.size() == firstStep_) {
            step.ChainOutput = chainOutput_;
            step.ChainOutputTakenBy = outputTakenBy_.Source;
            step.ChainOutputIsSource = outputTakenBy_.IsSource;
        }
        // The source itself is never an intermediate to delete.
        step.DeleteInputOnSuccess = step.DeleteInputOnFailure = deleteInput && input_ != source_.FileName;
        steps_.push_back(step);
        input_ = output;
        return steps_.back();
    }

    void Last(TStepPlan& step) const
    {
        step.CheckOutput = true;
        if (choices_.DeleteSource)
            step.DeleteAfterSuccess = source_.FileName;
    }

    const TBatchChoices& choices_;
    const TBatchSource& source_;
    TTempNamer& namer_;
    std::vector<TStepPlan>& steps_;
    TNamesTaken& namesTaken_;
    TStepPlan base_;
    QString chainOutput_;
    TNameTaker outputTakenBy_;
    std::size_t firstStep_ = 0;
    QString input_;
};

} // namespace

TTempNamer::TTempNamer(const QString& folder, TRandom random, TExists exists)
    : folder_(WithTrailingSlash(folder.trimmed())), random_(std::move(random)), exists_(std::move(exists))
{
}

QString TTempNamer::Draw() const
{
    const auto letter = [this] { return QChar(u'A' + random_(26)); };
    const auto digit = [this] { return QChar(u'0' + random_(10)); };
    QString name = QStringLiteral("Tmp");
    name += letter();
    name += digit();
    name += letter();
    name += digit();
    name += digit();
    return folder_ + name + QStringLiteral(".tmp");
}

QString TTempNamer::NewTempFileName()
{
    if (folder_.isEmpty())
        throw EBatchPlanError(TranslateMsg(QStringLiteral("Unable to create a temporary file name")));
    for (int attempt = 0; attempt < TempNameAttempts; ++attempt) {
        const QString name = Draw();
        if (!handedOut_.contains(name) && !exists_(name)) {
            handedOut_.insert(name);
            return name;
        }
    }
    throw EBatchPlanError(TranslateMsg(QStringLiteral("Unable to create a temporary file name")));
}

QString ChooseTempFolder(const QString& chosen, const TTempNamer::TRandom& random,
                         const std::function<bool(const QString&)>& canCreate,
                         const std::function<QString()>& systemTemp)
{
    const QString folder = WithTrailingSlash(chosen.trimmed());
    if (!folder.isEmpty()) {
        TTempNamer probe(folder, random, [](const QString&) { return false; });
        // A fresh name: the probe must never meet a file of the user's.
        for (int attempt = 0; attempt < TempNameAttempts; ++attempt)
            if (canCreate(probe.NewTempFileName()))
                return folder;
    }
    return WithTrailingSlash(systemTemp());
}

bool IsUndecodableFileName(const QString& name)
{
    return name.contains(QChar::ReplacementCharacter);
}

QString MissingSourceText(const QString& name)
{
    return Format(IsUndecodableFileName(name)
                      ? TranslateMsg(QStringLiteral(
                            "The name of the audio source file \"%s\" is not valid UTF-8: rename the file"))
                      : TranslateMsg(QStringLiteral("Unable to find the audio source file \"%s\"")),
                  name);
}

QString TextFileKey(const QString& name)
{
    return QDir::cleanPath(name);
}

QString PlanOutputName(const QString& source, const TBatchChoices& choices)
{
    const QString folder = choices.OutputFolder.isEmpty() ? FolderPart(source) : choices.OutputFolder;
    if (folder.isEmpty())
        throw EBatchPlanError(TranslateMsg(QStringLiteral("An output folder is required")));
    QString name = folder + BaseNameWithoutExtension(source);
    if (choices.AddFormatToFileName)
        name += QStringLiteral(" - ") + choices.Description;
    return name + (choices.Format == TBatchFormat::Wav ? QStringLiteral(".wav") : QStringLiteral(".vcd.mpg"));
}

std::vector<TStepPlan> PlanBatch(const TBatchChoices& choices, TTempNamer& namer)
{
    std::vector<TStepPlan> steps;
    TNamesTaken namesTaken;
    for (const TBatchSource& source : choices.Sources)
        if (!source.FileName.isEmpty())
            namesTaken.insert(choices.FileKey(source.FileName), {source.FileName, true});
    for (int i = 0; i < static_cast<int>(choices.Sources.size()); ++i) {
        if (choices.Sources[i].FileName.isEmpty())
            continue;
        ChainPlanner chain(choices, i, namer, steps, namesTaken);
        if (choices.Format == TBatchFormat::Wav)
            chain.PlanWav();
        else
            chain.PlanMpeg();
    }
    return steps;
}

void MarkResultLine(QStringList& resultLines, const QString& fullName, TAudioFileStatus status,
                    const QString& text)
{
    if (fullName.isEmpty())
        return;
    const int index = resultLines.indexOf(ResultSkipped + fullName);
    if (index < 0)
        return;
    const QString& tag = status == afsConverted ? ResultSuccess
                         : status == afsError   ? ResultError
                                                : ResultSkipped;
    QString line = tag + fullName;
    if (!text.isEmpty())
        line += QStringLiteral("  -  ") + QString(text).replace(u'\r', u' ').remove(u'\n');
    resultLines[index] = line;
}

namespace {

const QString SixBlanks = QStringLiteral("      ");

TSummaryLine ResultLogLine(const QString& line, TBatchSummary& summary)
{
    if (line.startsWith(ResultSuccess)) {
        ++summary.Succeeded;
        return {TSummaryLevel::Information, line};
    }
    if (line.startsWith(ResultError)) {
        ++summary.Failed;
        return {TSummaryLevel::Error, line};
    }
    ++summary.Skipped;
    return {line.startsWith(ResultSkipped) ? TSummaryLevel::Debug : TSummaryLevel::Warning, line};
}

QString OneFileMessage(const TBatchSummary& summary)
{
    const QString text = summary.Succeeded ? TranslateMsg(QStringLiteral("Audio file creation succeeded"))
                         : summary.Failed  ? TranslateMsg(QStringLiteral("Audio file creation failed"))
                                           : TranslateMsg(QStringLiteral("Audio file creation skipped"));
    return u'\r' + text + SixBlanks + u'\r';
}

QString SeveralFilesMessage(const TBatchSummary& summary, int count)
{
    QString message = TranslateMsg(QStringLiteral("Audio files creation finished")) + QStringLiteral("\r\r") +
                      TranslateMsg(QStringLiteral("Number of files")) + QStringLiteral(": ") +
                      QString::number(count) + SixBlanks + u'\r';
    const std::pair<QString, int> counters[] = {
        {TranslateMsg(QStringLiteral("Succeeded")), summary.Succeeded},
        {TranslateMsg(QStringLiteral("Failed")), summary.Failed},
        {TranslateMsg(QStringLiteral("Skipped")), summary.Skipped}};
    for (const auto& [word, number] : counters)
        if (number > 0)
            message += QStringLiteral("   ") + word + QStringLiteral(": ") + QString::number(number) +
                       SixBlanks + u'\r';
    return message;
}

} // namespace

TBatchSummary BuildBatchSummary(const QStringList& resultLines)
{
    TBatchSummary summary;
    const int count = static_cast<int>(resultLines.size());
    if (count > 1) {
        summary.LogLines.push_back(
            {TSummaryLevel::Plain,
             TranslateMsg(QStringLiteral("Audio files creation summary")) + QStringLiteral(" (") +
                 TranslateMsg(QStringLiteral("Files with supported audio extensions")) +
                 QStringLiteral(" = ") + QString::number(count) + QStringLiteral("):")});
        summary.LogLines.push_back({TSummaryLevel::Plain, QString()});
    }
    for (const QString& line : resultLines)
        summary.LogLines.push_back(ResultLogLine(line, summary));
    summary.LogLines.push_back({TSummaryLevel::Plain, QString()});
    summary.Message = count == 1 ? OneFileMessage(summary) : SeveralFilesMessage(summary, count);
    // A closing carriage return ends the last line; it starts no new one.
    QString lines = summary.Message;
    if (lines.endsWith(u'\r'))
        lines.chop(1);
    for (const QString& line : lines.split(u'\r'))
        summary.LogLines.push_back({TSummaryLevel::Plain, line});
    return summary;
}
