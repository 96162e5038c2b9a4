#include "engine/command_audio_to_wav.h"

#include "audio/acs_wave.h"
#include "audio/audio_wav_settings.h"
#include "engine/command_common_data.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/regular_file.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr std::int64_t DecodeBlockSize = 10240;
// Written in larger pieces than decoded: a write per decoded block costs the kernel more than decoding.
constexpr std::int64_t WriteBlockSize = 6 * DecodeBlockSize;
constexpr int DefaultDecodeRate = 44100;

QString doneText()
{
    return QStringLiteral("Audio to WAV conversion done successfully");
}

// The output takes no more (a full disk): the system's reason, which never blames the source.
class EOutputWriteError : public EAudioConversionError {
public:
    using EAudioConversionError::EAudioConversionError;
};

[[noreturn]] void fileFailed(const QFile& file)
{
    throw EOutputWriteError(file.errorString());
}

// The longest source a WAV file of 16-bit frames of that many channels holds at that rate.
std::int64_t longestSeconds(int rate, int channels)
{
    return MaxWaveFrames(wtPCM, channels, 16, 0) / rate;
}

QString hoursMinutesSeconds(std::int64_t seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void writeAll(QFile& file, const char* data, std::int64_t count)
{
    if (!plat::WriteWhole(file, data, count))
        fileFailed(file);
}

void writeAt(QFile& file, std::int64_t offset, std::int64_t value)
{
    char bytes[4];
    qToLittleEndian<quint32>(static_cast<quint32>(value), bytes);
    if (!file.seek(offset))
        fileFailed(file);
    writeAll(file, bytes, 4);
}

void patchSizes(QFile& file)
{
    const std::int64_t size = file.size();
    writeAt(file, 4, size - 8);
    writeAt(file, PcmDataSizeOffset, size - PcmWaveHeaderSize);
    file.close();
    if (file.error() != QFileDevice::NoError)
        fileFailed(file);
}

} // namespace

QString SourceTooLongText(std::int64_t longestSeconds)
{
    return Format(
        TranslateMsg(QStringLiteral("The audio file lasts longer than %s, the most a WAV file can hold")),
        hoursMinutesSeconds(longestSeconds));
}

ESourceTooLong::ESourceTooLong(std::int64_t longestSeconds)
    : EAudioConversionError(QStringLiteral("The source lasts longer than a WAV file can hold")),
      LongestSeconds(longestSeconds)
{
}

TAudioToWavInfo::TAudioToWavInfo(std::unique_ptr<TCommandCommonData> commonData,
                                 std::shared_ptr<const TAudioWavEncodingPref> wavPref)
    : CommonData(std::move(commonData)), WavPref(std::move(wavPref))
{
}

TAudioToWavInfo::~TAudioToWavInfo() = default;

TCommandAudioToWav::TCommandAudioToWav(QObject* owner, TCommandLogEvent onLog, const QString& name,
                                       const QString& statusText, std::unique_ptr<TAudioToWavInfo> data,
                                       TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag)
    : TCommandInterface(owner, std::move(onLog), name, statusText, data.get(), std::move(onAfterCommand),
                        reportResult, doneFlag),
      info_(std::move(data))
{
}

TCommandAudioToWav::~TCommandAudioToWav()
{
    AbandonWorker();
}

void TCommandAudioToWav::Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                               TCommandTextEvent onStatus)
{
    if (!BeginAudioStep(*this, std::move(echoMemo), std::move(onFinished), std::move(onStatus)))
        return;
    if (!info_) {
        Fail(Format(TranslateMsg(QStringLiteral("Unable to execute %s, execution aborted...")),
                    QStringLiteral("AudioToWav")));
        return;
    }
    TCommandCommonData* common = info_->CommonData.get();
    if (common && RefuseIrregularInput(*this, common->InputFile))
        return;
    // The output policy may ask the user, so the output is prepared here, before the worker starts.
    const bool outputReady = common && common->CheckOutputFile(*this);
    if (common && !outputReady && !Cancelled) {
        // The output's own errors say why: the source is not to blame.
        Finish(this, 1);
        return;
    }
    if (!outputReady || Cancelled) {
        DecodingEnded({});
        return;
    }
    const TAudioWavEncodingPref* pref = info_->WavPref.get();
    // The decoder resamples to the rate the batch writes, so no later step needs to. The encoder's
    // input is always stereo.
    const TDecodeJob job{common->InputFile, common->WorkFile,
                         pref ? pref->SamplingFrequency : DefaultDecodeRate,
                         pref && pref->ChannelsMode == wcmMono ? 1 : 2};
    StopWorker();
    stopRequested_ = false;
    mailbox_ = std::make_unique<QObject>();
    worker_ = std::thread([this, job] {
        const TDecodeEnd end = DecodeFile(job);
        ToMain([this, end] { DecodingEnded(end); });
    });
}

TCommandAudioToWav::TDecodeEnd TCommandAudioToWav::DecodeFile(const TDecodeJob& job)
{
    TDecodeEnd end;
    try {
        Decode(job);
        end.Whole = !stopRequested_;
    } catch (const ESourceTooLong& e) {
        end.LongestSeconds = e.LongestSeconds;
    } catch (const EOutputWriteError& e) {
        end.OutputReason = e.Message();
    } catch (const std::exception& e) {
        end.Reason = QString::fromUtf8(e.what());
    }
    return end;
}

// Runs on the worker: it never touches the step's data or widgets, and the language layer is the
// main thread's, so the reasons kept for debugging stay untranslated.
void TCommandAudioToWav::Decode(const TDecodeJob& job)
{
    QString error;
    const auto decoder =
        plat::AudioDecoder::Open(job.InputFile, {.OutRate = job.Rate, .AllCores = true}, error);
    ToMain([this] { HandleLine(this, QStringLiteral("BASS DecodeFile Started")); });
    if (!decoder)
        throw ELoadFileException(Format(QStringLiteral("Can't play the file %s"), job.InputFile) +
                                 QStringLiteral(": ") + error);
    // A source too long for the WAV files of the chain is refused before anything is written; one
    // whose length is unknown fails when the data reach the limit.
    const std::int64_t longest =
        longestSeconds(decoder->SampleRate(), std::max(decoder->Channels(), job.TargetChannels));
    if (decoder->BytesToSeconds(decoder->LengthBytes()) > double(longest))
        throw ESourceTooLong(longest);
    const std::int64_t mostData = longest * decoder->SampleRate() * decoder->FrameBytes();

    QFile output(job.OutputFile);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        fileFailed(output);
    const QByteArray header =
        MakePcmWaveHeader(decoder->Channels(), std::uint32_t(decoder->SampleRate()), 16, 0);
    writeAll(output, header.constData(), header.size());

    std::vector<char> block(WriteBlockSize);
    std::int64_t filled = 0;
    std::int64_t dataSize = 0;
    int shown = -1;
    while (decoder->Active() && !stopRequested_) {
        const std::int64_t count = decoder->Read(block.data() + filled, DecodeBlockSize);
        // A read error must not leave a file that passes for the whole source.
        if (count < 0)
            throw EAudioConversionError(QStringLiteral("Cannot decode ") + job.InputFile);
        dataSize += count;
        if (dataSize > mostData)
            throw ESourceTooLong(longest);
        filled += count;
        if (filled + DecodeBlockSize > WriteBlockSize)
            writeAll(output, block.data(), std::exchange(filled, 0));
        PostProgress(*decoder, shown);
    }
    writeAll(output, block.data(), filled);
    patchSizes(output);
}

// Only a change of percent is posted: a long source must not flood the main thread.
void TCommandAudioToWav::PostProgress(const plat::AudioDecoder& decoder, int& shown)
{
    const std::int64_t length = decoder.LengthBytes();
    const int percent = length > 0 ? int(decoder.PositionBytes() * 100 / length) : 0;
    if (percent == shown)
        return;
    shown = percent;
    ToMain([this, percent] {
        if (!Cancelled && !IsFinished() && info_ && info_->CommonData)
            info_->CommonData->SetProgress(*this, percent, 100);
    });
}

void TCommandAudioToWav::ToMain(std::function<void()> call)
{
    plat::RunOnMain(mailbox_.get(), std::move(call));
}

// On the main thread, once the worker has posted its last call.
void TCommandAudioToWav::DecodingEnded(const TDecodeEnd& end)
{
    StopWorker();
    if (Cancelled) {
        Status.SetCancelled();
        Finish(this, 1);
    } else if (end.Whole) {
        HandleLine(this, QStringLiteral("BASS DecodeFile Ended"));
        HandleLine(this, doneText());
        Finish(this, 0);
    } else if (end.LongestSeconds > 0) {
        Fail(SourceTooLongText(end.LongestSeconds));
    } else if (!end.OutputReason.isEmpty()) {
        Fail(OutputFileFailureText(info_->CommonData->OutputFile, end.OutputReason));
    } else {
        Fail(TranslateMsg(QStringLiteral("Unable to read/play the audio file")), end.Reason);
    }
}

void TCommandAudioToWav::StopWorker()
{
    if (!worker_.joinable())
        return;
    stopRequested_ = true;
    worker_.join();
}

// A step taken apart while it decodes never ends, so nothing else would remove what it wrote, and a
// stopped decode leaves a shorter file that passes for a whole one.
void TCommandAudioToWav::AbandonWorker()
{
    if (!worker_.joinable())
        return;
    StopWorker();
    mailbox_.reset();
    if (!IsFinished() && info_ && info_->CommonData)
        info_->CommonData->DiscardWorkFile();
}

void TCommandAudioToWav::Fail(const QString& text, const QString& cause)
{
    FailAudioStep(*this, text, cause);
}

void TCommandAudioToWav::Cancel()
{
    Cancelled = true;
    stopRequested_ = true;
}

void TCommandAudioToWav::Detach()
{
    OnFinished = nullptr;
    AbandonWorker();
}

void TCommandAudioToWav::ParseLine(QString& line)
{
    line = line.trimmed();
    if (line.contains(doneText()))
        Status.Successes.append(line);
    ParseErrorLine(line, Status);
}

QString TCommandAudioToWav::TranslateLine(const QString& line)
{
    QString translated = line;
    if (translated.contains(doneText(), Qt::CaseInsensitive))
        translated.replace(doneText(), TranslateMsg(doneText()), Qt::CaseInsensitive);
    return TCommandInterface::TranslateLine(translated);
}

TCommandCommonData* TCommandAudioToWav::StepData()
{
    return info_ ? info_->CommonData.get() : nullptr;
}

bool IsUnusableWav(TWaveIn* waveIn)
{
    return !waveIn || waveIn->FileName.isEmpty() || !waveIn->GetValid() ||
           waveIn->GetWavType() == wtUnsupported;
}

bool IsVcdReadyWav(TWaveIn* waveIn)
{
    return waveIn && !waveIn->FileName.isEmpty() && waveIn->GetValid() && waveIn->GetCh() == 2 &&
           waveIn->GetSR() == 44100 && waveIn->GetBPS() == 16 && waveIn->GetWavType() == wtPCM;
}

bool BeginAudioStep(TCommandInterface& command, std::shared_ptr<TLineSink> echoMemo,
                    TCommandFinishedEvent onFinished, TCommandTextEvent onStatus)
{
    if (command.Cancelled)
        return false;
    command.TCommandInterface::Start(std::move(echoMemo), std::move(onFinished), std::move(onStatus));
    command.Status.Started = true;
    if (TLineSink* memo = command.EchoMemo.get()) {
        memo->AddLine(command.Name);
        memo->AddLine(QString());
        memo->ShowFirstLine();
    }
    return true;
}

void FailAudioStep(TCommandInterface& command, const QString& text, const QString& cause)
{
    if (command.Cancelled)
        return;
    command.Failed = true;
    command.HandleLine(&command, ErrorPrefix + QStringLiteral(": ") + text);
    if (!cause.isEmpty())
        command.HandleLine(&command, ErrorPrefix + QStringLiteral(": ") + cause);
    command.Status.SetFailed();
    command.Finish(&command, 1);
}

bool RefuseIrregularInput(TCommandInterface& command, const QString& input)
{
    if (!QFileInfo::exists(input) || plat::IsRegularFile(input))
        return false;
    FailAudioStep(
        command,
        Format(TranslateMsg(QStringLiteral("The audio source \"%s\" is not a regular file")), input));
    return true;
}

void ParseErrorLine(QString& line, TExecuteStatus& status)
{
    line = line.trimmed();
    const QString prefix = ErrorPrefix + QStringLiteral(": ");
    if (line.startsWith(prefix, Qt::CaseInsensitive))
        status.Errors.append(line.mid(prefix.size()));
}

bool CheckAudioLibraries(const plat::DecoderLibraries& loaded)
{
    const QString problems = plat::CheckDecoderLibraries(loaded);
    if (problems.isEmpty())
        return true;
    // No language is loaded this early: the box stays in English.
    plat::MessageDlg(QStringLiteral("Incorrect FFmpeg libraries\r\r") + problems, plat::TMsgDlgType::mtError,
                     plat::mbOK);
    return false;
}
