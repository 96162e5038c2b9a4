#include "tests/support/batch_chain.h"

#include "engine/command_common_data.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/file_tools.h"

#include <QRandomGenerator>

#include <utility>

BatchChain::BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded) : onStepEnded_(std::move(onStepEnded))
{
    context_.OnLog = std::move(onLog);
    context_.StepBar = ProgressBarCurrent;
    context_.OverallBar = ProgressBarTotal;
    context_.StatusLabel = LabelConversionStatus;
    context_.WaveIn = &WaveFileIn;
    context_.SampleConverterTo16 = &SampleConverterTo16;
    context_.SampleConverterTo8 = &SampleConverterTo8;
    context_.ChannelsConverter = &ChannelsConverter;
    context_.RateConverter = &FreqRateConverter;
    context_.WaveOut = &WaveFileOut;
}

QStringList BatchChain::AddMpegConversion(const QStringList& sources, const TAudioMp2EncodingPref& pref)
{
    context_.Mp2Pref = pref;
    return Add(sources, TBatchFormat::Mpeg, pref.GetDescription());
}

QStringList BatchChain::AddWavConversion(const QStringList& sources, const TAudioWavEncodingPref& pref)
{
    context_.WavPref = std::make_shared<const TAudioWavEncodingPref>(pref);
    return Add(sources, TBatchFormat::Wav, pref.GetDescription());
}

QStringList BatchChain::Add(const QStringList& sources, TBatchFormat format, const QString& description)
{
    TBatchChoices choices;
    for (const QString& source : sources)
        choices.Sources.push_back(ProbeSource(WaveFileIn, source));
    choices.OutputFolder = outputFolder_;
    choices.FileKey = FileIdentityKey;
    choices.Format = format;
    choices.Description = description;
    const TTempNamer::TRandom random = [](std::uint32_t bound) {
        return QRandomGenerator::global()->bounded(bound);
    };
    TTempNamer namer(BatchTempFolder(QString(), random), random, FileExistsEx);
    const std::vector<TStepPlan> steps = PlanBatch(choices, namer);
    std::vector<std::shared_ptr<TAudioFile>> audioFiles;
    QStringList outputs;
    for (const QString& source : sources) {
        audioFiles.push_back(std::make_shared<TAudioFile>(source, nullptr));
        outputs << PlanOutputName(source, choices);
    }
    context_.TaskCount = int(sources.size());
    for (const TStepPlan& step : steps)
        Queue.AddCommand(NewStepCommand(step, context_, audioFiles[step.Task - 1], EndHandler()));
    return outputs;
}

void BatchChain::Run(TQueueFlagEvent onQueueEnded)
{
    Queue.Run("MpegAudio.RunConversions", false, nullptr, nullptr, std::move(onQueueEnded), nullptr, SndNone,
              SndNone, false, false);
}

// A step that succeeded lets the rest of its file run.
TAfterCommandEvent BatchChain::EndHandler()
{
    return [this](TCommandInterface* step, const TExecuteStatus& status, QObject*, bool&) {
        if (status.IsSucceeded())
            step->SkipNextCount = 0;
        const TCommandCommonData* data = step->StepData();
        if (status.IsSucceeded() && data && data->CheckOutput)
            written_ << data->OutputFile;
        if (onStepEnded_)
            onStepEnded_(step, status);
    };
}
