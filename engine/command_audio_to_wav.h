#pragma once

#include "engine/command_interface.h"
#include "foundation/exceptions.h"
#include "platform/audio_decoder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class TAudioWavEncodingPref;
class TCommandCommonData;
class TWaveIn;

// The source cannot be opened as audio.
class ELoadFileException : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

// A decoding step that cannot go on.
class EAudioConversionError : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

// The source lasts longer than the WAV files of its chain can hold.
class ESourceTooLong : public EAudioConversionError {
public:
    explicit ESourceTooLong(std::int64_t longestSeconds);
    std::int64_t LongestSeconds;
};

// Why a step refused a source too long for its WAV file, for the log.
QString SourceTooLongText(std::int64_t longestSeconds);

// What the decoding step gets from the batch builder.
class TAudioToWavInfo : public QObject {
public:
    TAudioToWavInfo(std::unique_ptr<TCommandCommonData> commonData,
                    std::shared_ptr<const TAudioWavEncodingPref> wavPref);
    ~TAudioToWavInfo() override;

    std::unique_ptr<TCommandCommonData> CommonData;
    // The batch's WAV preference in a WAV batch (its rate is the rate decoded to); none in an MPEG batch.
    std::shared_ptr<const TAudioWavEncodingPref> WavPref;
};

// Decodes any source the decoder reads (MP1/2/3, Ogg Vorbis, WMA, WAV) into a 16-bit PCM WAV file
// with a 44-byte header. The decoding runs on a worker thread of its own: Start returns at once, and
// the worker's lines, progress and end come back as queued calls, so the step ends on the main thread
// and no event is ever handled inside it.
class TCommandAudioToWav : public TCommandInterface {
public:
    // The command owns its data; a missing data object fails the step when it starts.
    TCommandAudioToWav(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                       std::unique_ptr<TAudioToWavInfo> data, TAfterCommandEvent onAfterCommand,
                       bool reportResult, bool doneFlag);
    // Waits for the worker, which stops after its current block, and removes its half-written output.
    ~TCommandAudioToWav() override;

    void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override;
    // The worker stops after its current block; the step then ends as cancelled.
    void Cancel() override;
    TCommandInterface* ReleaseHook() override { return this; }
    // Stops and waits for the worker and removes its half-written output; nothing it posted is handled
    // afterwards.
    void Detach() override;
    void ParseLine(QString& line) override;
    QString TranslateLine(const QString& line) override;
    TCommandCommonData* StepData() override;

    TAudioToWavInfo* Info() const { return info_.get(); }

private:
    // What the worker needs, copied from the main thread's data before it starts.
    struct TDecodeJob {
        QString InputFile;
        QString OutputFile;
        int Rate = 0;
        int TargetChannels = 2; // of the WAV files after this one in the chain
    };
    // How the worker's run ended.
    struct TDecodeEnd {
        bool Whole = false;              // the whole source was written
        QString Reason;                  // why not, logged after the failure
        QString OutputReason;            // the output took no more: the system's reason
        std::int64_t LongestSeconds = 0; // above 0: the source lasts longer than its WAV files can hold
    };
    TDecodeEnd DecodeFile(const TDecodeJob& job);
    void Decode(const TDecodeJob& job);
    void PostProgress(const plat::AudioDecoder& decoder, int& shown);
    // From the worker: the call runs on the main thread, unless the step was detached first.
    void ToMain(std::function<void()> call);
    void DecodingEnded(const TDecodeEnd& end);
    void StopWorker();
    void AbandonWorker();
    void Fail(const QString& text, const QString& cause = QString());

    std::unique_ptr<TAudioToWavInfo> info_;
    std::thread worker_;
    std::atomic<bool> stopRequested_ = false;
    // The receiver of the worker's calls; dropping it drops whatever is still queued.
    std::unique_ptr<QObject> mailbox_;
};

// A reader the WAV chain cannot take as it is: none, without a name, invalid or of an unsupported type.
bool IsUnusableWav(TWaveIn* waveIn);
// 16-bit stereo PCM at 44100 Hz, the encoder's own input.
bool IsVcdReadyWav(TWaveIn* waveIn);

// What the audio steps share: the opening of Start (nothing when the step was cancelled before it
// began; else the hooks are kept, the step's name is echoed in the command-line memo and the step
// counts as started), the failure that logs "ERROR: text", then "ERROR: cause" when there is one, and
// ends the step (never a cancelled one), and error lines kept in the status.
bool BeginAudioStep(TCommandInterface& command, std::shared_ptr<TLineSink> echoMemo,
                    TCommandFinishedEvent onFinished, TCommandTextEvent onStatus);
void FailAudioStep(TCommandInterface& command, const QString& text, const QString& cause = QString());
// A pipe or a device named as the step's input fails the step at once, before anything is prepared:
// true when it did.
bool RefuseIrregularInput(TCommandInterface& command, const QString& input);
void ParseErrorLine(QString& line, TExecuteStatus& status);

// The start-up check of the decoding libraries: a box naming what is wrong and false, after which
// the program must stop.
bool CheckAudioLibraries(const plat::DecoderLibraries& loaded = plat::LoadedDecoderLibraries());
