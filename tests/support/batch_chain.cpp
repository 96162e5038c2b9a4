#include "tests/support/batch_chain.h"

#include "engine/command_common_data.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/file_tools.h"
#include "foundation/useful_files.h"

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

QString BatchChain::AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref)
{
    context_.Mp2Pref = pref;
    return Add(source, TBatchFormat::Mpeg, pref.GetDescription());
}

QString BatchChain::AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref)
{
    context_.WavPref = std::make_shared<const TAudioWavEncodingPref>(pref);
    return Add(source, TBatchFormat::Wav, pref.GetDescription());
}

QString BatchChain::Add(const QString& source, TBatchFormat format, const QString& description)
{
    TBatchChoices choices;
    choices.Sources = {ProbeSource(WaveFileIn, source)};
    choices.OutputFolder = outputFolder_;
    choices.Format = format;
    choices.Description = description;
    TTempNamer namer(
        GetTempFolder(QString()),
        [](std::uint32_t bound) { return QRandomGenerator::global()->bounded(bound); }, FileExistsEx);
    const auto audioFile = std::make_shared<TAudioFile>(source, nullptr);
    for (const TStepPlan& step : PlanBatch(choices, namer))
        Queue.AddCommand(NewStepCommand(step, context_, audioFile, EndHandler()));
    return PlanOutputName(source, choices);
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
            written_ = data->OutputFile;
        if (onStepEnded_)
            onStepEnded_(step, status);
    };
}
