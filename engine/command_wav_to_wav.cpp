#include "engine/command_wav_to_wav.h"

#include "audio/audio_wav_settings.h"
#include "engine/command_audio_to_wav.h"
#include "engine/command_common_data.h"
#include "foundation/exceptions.h"
#include "foundation/program_globals.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>
#include <utility>

namespace {

QEvent::Type acsMessage(const char* prefix)
{
    return plat::RegisterWindowMessage(QString::fromLatin1(prefix) + QCoreApplication::applicationFilePath());
}

QEvent::Type acsDoneMessage()
{
    static const QEvent::Type type = acsMessage("WM_ACS_DONE_");
    return type;
}

QEvent::Type acsExceptionMessage()
{
    static const QEvent::Type type = acsMessage("WM_ACS_EXCEPTION_");
    return type;
}

QEvent::Type acsProgressMessage()
{
    static const QEvent::Type type = acsMessage("WM_ACS_PROGRESS_");
    return type;
}

QString messageOf(const std::exception& e)
{
    if (const auto* own = dynamic_cast<const EKorvaneError*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

// The worker never needs the main thread, so waiting for it needs no event pump (and lets no event
// in while a step is being taken apart).
void stopUntilIdle(TWaveOut& output)
{
    while (output.GetStatus() != 2) {
        output.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct TTarget {
    TWavType Type = wtPCM;
    TPcmFormat Format;
};

// Without a preference: what the encoder takes.
TTarget targetOf(const TAudioWavEncodingPref* pref)
{
    if (!pref)
        return {};
    return {pref->EncodingMode == wemDviImaAdpcm ? wtDVIADPCM : wtPCM,
            {pref->BitsPerSample == wbs8 ? 8 : 16, pref->ChannelsMode == wcmMono ? 1 : 2,
             pref->SamplingFrequency}};
}

// A file that the writer left without a frame: the source gave no audio, whatever its header said.
bool holdsNoFrame(const QString& fileName)
{
    TWaveIn written;
    written.FileName = fileName;
    return !written.GetValid() || written.Size == 0;
}

TACSInput* chainTo(const TTarget& target, const TWavToWavInfo& info)
{
    return WireConverters(*info.WaveIn, target.Format, *info.SampleConverterTo16, *info.ChannelsConverter,
                          *info.RateConverter, *info.SampleConverterTo8);
}

} // namespace

TWavToWavInfo::TWavToWavInfo(std::unique_ptr<TCommandCommonData> commonData, TWaveIn* waveIn,
                             TSampleConverter* sampleConverterTo16, TSampleConverter* sampleConverterTo8,
                             TMSConverter* channelsConverter, TRateConverter* rateConverter,
                             TWaveOut* waveOut, std::shared_ptr<const TAudioWavEncodingPref> wavPref)
    : CommonData(std::move(commonData)), WaveIn(waveIn), SampleConverterTo16(sampleConverterTo16),
      SampleConverterTo8(sampleConverterTo8), ChannelsConverter(channelsConverter),
      RateConverter(rateConverter), WaveOut(waveOut), WavPref(std::move(wavPref))
{
}

TWavToWavInfo::~TWavToWavInfo() = default;

TCommandWavToWav::TCommandWavToWav(QObject* owner, TCommandLogEvent onLog, const QString& name,
                                   const QString& statusText, std::unique_ptr<TWavToWavInfo> data,
                                   TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag)
    : TCommandInterface(owner, std::move(onLog), name, statusText, data.get(), std::move(onAfterCommand),
                        reportResult, doneFlag),
      info_(std::move(data)), WindowHandle(std::make_unique<plat::MessageWindow>())
{
    WindowHandle->SetHandler(acsDoneMessage(), [this](const plat::PostedMessage&) { OutputDone(); });
    WindowHandle->SetHandler(acsExceptionMessage(), [this](const plat::PostedMessage&) { OutputFailed(); });
    WindowHandle->SetHandler(acsProgressMessage(), [this](const plat::PostedMessage& message) {
        OnOutputProgress(int(message.WParam));
    });
}

TCommandWavToWav::~TCommandWavToWav()
{
    // The writer's worker must not post to a window that is going away.
    DetachOutput();
}

void TCommandWavToWav::Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                             TCommandTextEvent onStatus)
{
    if (!BeginAudioStep(*this, std::move(echoMemo), std::move(onFinished), std::move(onStatus)))
        return;
    if (!info_) {
        Fail(QStringLiteral("Unable to execute WavToWav, execution aborted..."));
        return;
    }
    if (info_->CommonData && RefuseIrregularInput(*this, info_->CommonData->InputFile))
        return;
    try {
        if (!BuildChain()) {
            DetachOutput();
            Fail(QStringLiteral("Transcoding Failure"));
        }
    } catch (const ESourceTooLong& e) {
        FailWith(SourceTooLongText(e.LongestSeconds));
    } catch (const std::exception& e) {
        FailWith(messageOf(e));
    }
}

bool TCommandWavToWav::BuildChain()
{
    DetachOutput();
    if (Cancelled || !info_ || !info_->CommonData || !info_->WaveIn || !info_->SampleConverterTo16 ||
        !info_->SampleConverterTo8 || !info_->ChannelsConverter || !info_->RateConverter || !info_->WaveOut)
        return false;
    const TWavToWavInfo& info = *info_;
    TCommandCommonData& common = *info.CommonData;
    TWaveOut& output = *info.WaveOut;
    HookOutput(output);
    info.WaveIn->FileName = common.InputFile;
    if (IsUnusableWav(info.WaveIn) || common.OutputFile.isEmpty()) {
        info.WaveIn->Reset();
        return false;
    }
    const TTarget target = targetOf(info.WavPref.get());
    // Refused before anything is prepared or written, not once the file has grown to its limit.
    const std::int64_t mostFrames =
        MaxWaveFrames(target.Type, target.Format.Channels, target.Format.Bits, output.GetBlockSize());
    if (ConvertedFrames(*info.WaveIn, target.Format) > mostFrames)
        throw ESourceTooLong(mostFrames / target.Format.Rate);
    if (!common.CheckOutputFile(*this))
        return false;
    output.SetWavType(target.Type);
    output.FileName = common.WorkFile;
    output.SetFileMode(foRewrite);
    output.SetInput(chainTo(target, info));
    stopUntilIdle(output);
    // A failure while the writer prepares arrives through its exception event, as one on the worker does.
    output.Run();
    return true;
}

void TCommandWavToWav::HookOutput(TWaveOut& output)
{
    hooked_ = true;
    // These run on the worker: they only post.
    output.SetOnDone([this](QObject*) { plat::Post(WindowHandle.get(), acsDoneMessage()); });
    output.SetOnProgress([this, &output](QObject*) {
        plat::Post(WindowHandle.get(), acsProgressMessage(), output.GetProgress());
    });
    output.SetOnThreadException([this](QObject*, const std::exception& e) {
        {
            const std::lock_guard lock(exceptionLock_);
            exceptionText_ = messageOf(e);
        }
        plat::Post(WindowHandle.get(), acsExceptionMessage());
    });
}

void TCommandWavToWav::DetachOutput()
{
    // The components are shared by the batch: only the step that wired them lets go of them.
    if (!hooked_ || !info_)
        return;
    hooked_ = false;
    if (TWaveOut* output = info_->WaveOut) {
        output->SetOnDone(nullptr);
        output->SetOnProgress(nullptr);
        output->SetOnThreadException(nullptr);
        stopUntilIdle(*output);
    }
    if (info_->WaveIn)
        info_->WaveIn->Reset();
}

// Messages posted before a cancel (or after the end) find the step over and change nothing.
void TCommandWavToWav::OutputDone()
{
    if (Cancelled || IsFinished())
        return;
    DetachOutput();
    // The progress still queued reaches the bars before the step ends.
    plat::PumpEvents();
    if (info_ && info_->CommonData && holdsNoFrame(info_->CommonData->WorkFile)) {
        FailWith(QStringLiteral("No audio frame came out of the source."));
        return;
    }
    Finish(this, 0);
}

void TCommandWavToWav::OutputFailed()
{
    if (Cancelled || IsFinished())
        return;
    QString reason;
    {
        const std::lock_guard lock(exceptionLock_);
        reason = exceptionText_;
    }
    FailWith(reason);
}

void TCommandWavToWav::OnOutputProgress(int percent)
{
    if (!Cancelled && !IsFinished() && percent >= 0 && info_ && info_->CommonData && info_->WaveOut)
        info_->CommonData->SetProgress(*this, percent, 100);
}

void TCommandWavToWav::FailWith(const QString& reason)
{
    DetachOutput();
    if (!reason.isEmpty())
        HandleLine(this, ErrorPrefix + QStringLiteral(": ") + reason);
    Fail(QStringLiteral("Transcoding Failure"));
}

void TCommandWavToWav::Fail(const QString& text)
{
    FailAudioStep(*this, text);
}

void TCommandWavToWav::Cancel()
{
    DetachOutput();
    if (Cancelled)
        return;
    if (info_ && info_->CommonData)
        info_->CommonData->SetCancelled();
    Cancelled = true;
    Status.SetCancelled();
    Finish(this, 1);
}

void TCommandWavToWav::Detach()
{
    OnFinished = nullptr;
    DetachOutput();
}

void TCommandWavToWav::ParseLine(QString& line)
{
    ParseErrorLine(line, Status);
}

TCommandCommonData* TCommandWavToWav::StepData()
{
    return info_ ? info_->CommonData.get() : nullptr;
}

// A cancelled transcoding cleans up like a failed one and leaves the entry's status to the page.
void TCommandWavToWav::OnCancel()
{
    OnFailure();
}
