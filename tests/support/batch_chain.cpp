#include "tests/support/batch_chain.h"

#include "engine/command_audio_to_wav.h"
#include "engine/command_mplex.h"
#include "engine/command_too_lame.h"
#include "engine/command_wav_to_wav.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/program_globals.h"
#include "foundation/useful_files.h"

#include <QFileInfo>

#include <utility>

BatchChain::BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded)
    : onLog_(std::move(onLog)), onStepEnded_(std::move(onStepEnded))
{
}

QString BatchChain::NewTempFileName()
{
    QString name;
    do
        name = GetTempFolder(QString()) + QString("Tmp%1.tmp").arg(++tempCount_, 5, 10, QChar('0'));
    while (QFileInfo::exists(name));
    return name;
}

QString BatchChain::AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref)
{
    Begin(source, pref.GetDescription());
    QString input = AddDecodeStep(9, 3, nullptr);
    input = AddWavToWavStep(input, NewTempFileName(), 9, 16, 2, nullptr);

    const QString encoded = NewTempFileName();
    auto info = std::make_unique<TWavToMpegInfo>();
    info->CommonData = NewCommonData(input, encoded, 16, 96, true);
    info->WavAnalyser = &WaveFileIn;
    info->Mp2Pref = pref;
    Add(std::make_unique<TCommandTooLame>(nullptr, onLog_, "WAV to MPEG encoding", description_,
                                          TWavToMpegSettings{TooLameFound}, std::move(info), EndHandler(),
                                          false, false),
        1, true);

    const QString output = OutputName(".vcd.mpg");
    auto data = std::make_unique<TMplexData>();
    data->CommonData = NewCommonData(encoded, output, 96, 100, true);
    data->CommonData.SetCheckOutput(true);
    Add(std::make_unique<TCommandMplex>(nullptr, onLog_, "MPEG multiplexing", description_,
                                        TMplexSettings{MplexFound}, std::move(data), EndHandler(), false,
                                        false),
        0, true);
    return output;
}

QString BatchChain::AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref)
{
    Begin(source, pref.GetDescription());
    const auto wavPref = std::make_shared<const TAudioWavEncodingPref>(pref);
    const QString input = AddDecodeStep(57, 1, wavPref);
    const QString output = AddWavToWavStep(input, OutputName(".wav"), 57, 100, 0, wavPref);
    Add(std::make_unique<TCommandFake>(nullptr, onLog_, "Finalizing", description_, TFakeSettings{MplexFound},
                                       std::make_unique<TFakeData>(), EndHandler(), false, false),
        0, false);
    return output;
}

void BatchChain::Run(TQueueFlagEvent onQueueEnded)
{
    Queue.Run("MpegAudio.RunConversions", false, nullptr, nullptr, std::move(onQueueEnded), nullptr, SndNone,
              SndNone, false, false);
}

void BatchChain::Begin(const QString& source, const QString& preference)
{
    source_ = source;
    description_ = "[1/1] - " + QFileInfo(source).completeBaseName() + "  -->  " + preference;
    audioFile_ = std::make_shared<TAudioFile>(source, nullptr, nullptr);
}

QString BatchChain::AddDecodeStep(int progressMax, int skipNextCount, TWavPref pref)
{
    WaveFileIn.FileName = source_;
    decoded_ = IsUnusableWav(&WaveFileIn);
    WaveFileIn.FileName.clear();
    WaveFileIn.Reset();
    if (!decoded_)
        return source_;
    const QString output = NewTempFileName();
    auto info = std::make_unique<TAudioToWavInfo>(
        std::make_unique<TCommandCommonData>(NewCommonData(source_, output, 0, progressMax, false)),
        std::move(pref));
    Add(std::make_unique<TCommandAudioToWav>(nullptr, onLog_, "Audio file to WAV file conversion",
                                             description_, std::move(info), EndHandler(), false, false),
        skipNextCount, true);
    return output;
}

QString BatchChain::AddWavToWavStep(const QString& input, const QString& output, int progressMin,
                                    int progressMax, int skipNextCount, TWavPref pref)
{
    auto common = std::make_unique<TCommandCommonData>(
        NewCommonData(input, output, progressMin, progressMax, decoded_));
    common->SetCheckOutput(skipNextCount == 0);
    auto info = std::make_unique<TWavToWavInfo>(std::move(common), &WaveFileIn, &SampleConverterTo16,
                                                &SampleConverterTo8, &ChannelsConverter, &FreqRateConverter,
                                                &WaveFileOut, std::move(pref));
    Add(std::make_unique<TCommandWavToWav>(nullptr, onLog_, "WAV to WAV trancoding", description_,
                                           std::move(info), EndHandler(), false, false),
        skipNextCount, true);
    return output;
}

TCommandCommonData BatchChain::NewCommonData(const QString& input, const QString& output, int progressMin,
                                             int progressMax, bool deleteInput)
{
    TCommandCommonData data;
    data.SetProgressControls(&ProgressBarCurrent, &ProgressBarTotal, progressMin, progressMax,
                             &LabelConversionStatus);
    data.SetTaskIndex(1, 1);
    data.SetOutputPolicy(true, false, false);
    data.InputFile = input;
    data.OutputFile = output;
    data.SetAudioFile(audioFile_);
    data.SetUnattended(true);
    data.SetFiles(QString(), source_, deleteInput, deleteInput);
    return data;
}

QString BatchChain::OutputName(const QString& extension) const
{
    const QFileInfo info(source_);
    return info.absolutePath() + '/' + info.completeBaseName() + extension;
}

void BatchChain::Add(std::unique_ptr<TCommandInterface> step, int skipNextCount, bool cancellable)
{
    step->SkipNextCount = skipNextCount;
    step->Cancellable = cancellable;
    Queue.AddCommand(std::move(step));
}

// A step that succeeded lets the rest of its file run.
TAfterCommandEvent BatchChain::EndHandler() const
{
    return [this](TCommandInterface* step, const TExecuteStatus& status, QObject*, bool&) {
        if (status.IsSucceeded())
            step->SkipNextCount = 0;
        if (onStepEnded_)
            onStepEnded_(step, status);
    };
}
