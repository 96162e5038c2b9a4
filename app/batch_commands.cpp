#include "app/batch_commands.h"

#include "engine/command_audio_to_wav.h"
#include "engine/command_common_data.h"
#include "engine/command_mplex.h"
#include "engine/command_too_lame.h"
#include "engine/command_wav_to_wav.h"
#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/useful_files.h"

#include <QFileInfo>

namespace {

TCommandCommonData NewCommonData(const TStepPlan& step, const TBatchStepContext& context,
                                 const std::shared_ptr<TAudioFile>& entry)
{
    TCommandCommonData data;
    data.SetProgressControls(context.StepBar, context.OverallBar, step.ProgressMin, step.ProgressMax,
                             context.StatusLabel);
    data.SetTaskIndex(step.Task, context.TaskCount);
    data.SetOutputPolicy(context.Policy.GenerateNewName, context.Policy.GenerateError,
                         context.Policy.Overwrite);
    data.InputFile = step.Input;
    data.OutputFile = step.Output;
    data.ChainOutputFile = step.ChainOutput;
    data.ChainOutputTakenBy = step.ChainOutputTakenBy;
    data.ChainOutputIsSource = step.ChainOutputIsSource;
    data.SetAudioFile(entry);
    data.SetUnattended(context.Unattended);
    data.SetCheckOutput(step.CheckOutput);
    data.SetFiles(step.DeleteAfterSuccess, step.Source, step.DeleteInputOnSuccess, step.DeleteInputOnFailure);
    return data;
}

std::shared_ptr<const TAudioWavEncodingPref> WavPrefOf(const TStepPlan& step,
                                                       const TBatchStepContext& context)
{
    return step.UsesWavPref ? context.WavPref : nullptr;
}

} // namespace

bool IsReadableAsIs(TWaveIn& waveIn, const QString& fileName)
{
    waveIn.FileName = fileName;
    const bool readable = !IsUnusableWav(&waveIn);
    waveIn.FileName.clear();
    waveIn.Reset();
    return readable;
}

TBatchSource ProbeSource(TWaveIn& waveIn, const QString& fileName)
{
    const QFileInfo file(fileName);
    const bool exists = !fileName.isEmpty() && file.exists();
    const bool regular = exists && file.isFile();
    return {fileName, exists, regular && IsReadableAsIs(waveIn, fileName), regular};
}

QString BatchTempFolder(const QString& chosen, const TTempNamer::TRandom& random)
{
    // A system folder would be refused by the encoder after the decoding: it takes no temporary file.
    const auto usable = [](const QString& name) { return !IsSystemFolder(name) && CanCreateFile(name); };
    const QString folder = ChooseTempFolder(chosen, random, usable, [] { return GetTempFolder(QString()); });
    const QString refusal =
        IsSystemFolder(folder) ? TranslateMsg(QStringLiteral("Read only folder")) : NewFileRefusal(folder);
    if (!refusal.isEmpty())
        throw EBatchPlanError(TranslateMsg(QStringLiteral("Unable to write in the temporary folder")) +
                              QStringLiteral(":\r\r  ") + folder + QStringLiteral("\r\r") + refusal);
    return folder;
}

std::unique_ptr<TCommandInterface> NewStepCommand(const TStepPlan& step, const TBatchStepContext& context,
                                                  const std::shared_ptr<TAudioFile>& entry,
                                                  TAfterCommandEvent onEnded)
{
    std::unique_ptr<TCommandInterface> command;
    switch (step.Kind) {
    case TStepKind::Decode:
        command = std::make_unique<TCommandAudioToWav>(
            context.Owner, context.OnLog, TranslateMsg(QStringLiteral("Audio file to WAV file conversion")),
            step.StatusText,
            std::make_unique<TAudioToWavInfo>(
                std::make_unique<TCommandCommonData>(NewCommonData(step, context, entry)),
                WavPrefOf(step, context)),
            std::move(onEnded), false, false);
        break;
    case TStepKind::WavToWav:
        command = std::make_unique<TCommandWavToWav>(
            context.Owner, context.OnLog, TranslateMsg(QStringLiteral("WAV to WAV trancoding")),
            step.StatusText,
            std::make_unique<TWavToWavInfo>(
                std::make_unique<TCommandCommonData>(NewCommonData(step, context, entry)), context.WaveIn,
                context.SampleConverterTo16, context.SampleConverterTo8, context.ChannelsConverter,
                context.RateConverter, context.WaveOut, WavPrefOf(step, context)),
            std::move(onEnded), false, false);
        break;
    case TStepKind::Encode: {
        auto info = std::make_unique<TWavToMpegInfo>();
        info->CommonData = NewCommonData(step, context, entry);
        info->WavAnalyser = context.WaveIn;
        info->Mp2Pref = context.Mp2Pref;
        command = std::make_unique<TCommandTooLame>(context.Owner, context.OnLog,
                                                    TranslateMsg(QStringLiteral("WAV to MPEG encoding")),
                                                    step.StatusText, TWavToMpegSettings{TooLameFound},
                                                    std::move(info), std::move(onEnded), false, false);
        break;
    }
    case TStepKind::Multiplex: {
        auto data = std::make_unique<TMplexData>();
        data->CommonData = NewCommonData(step, context, entry);
        command = std::make_unique<TCommandMplex>(
            context.Owner, context.OnLog, TranslateMsg(QStringLiteral("MPEG multiplexing")), step.StatusText,
            TMplexSettings{MplexFound}, std::move(data), std::move(onEnded), false, false);
        break;
    }
    case TStepKind::Finalize:
        command = std::make_unique<TCommandFake>(
            context.Owner, context.OnLog, TranslateMsg(QStringLiteral("Finalizing")), step.StatusText,
            TFakeSettings{MplexFound}, std::make_unique<TFakeData>(), std::move(onEnded), false, false);
        break;
    }
    command->SkipNextCount = step.SkipNextCount;
    command->Cancellable = step.Cancellable;
    return command;
}
