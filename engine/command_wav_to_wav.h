#pragma once

#include "audio/acs_converters.h"
#include "audio/acs_wave.h"
#include "engine/command_interface.h"
#include "platform/messages.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <memory>
#include <mutex>

class TAudioWavEncodingPref;
class TCommandCommonData;

// What the WAV conversion step gets from the batch builder. The audio components belong to the
// conversion page and are shared by the steps of a batch; the step only wires them.
class TWavToWavInfo : public QObject {
public:
    TWavToWavInfo(std::unique_ptr<TCommandCommonData> commonData, TWaveIn* waveIn,
                  TSampleConverter* sampleConverterTo16, TSampleConverter* sampleConverterTo8,
                  TMSConverter* channelsConverter, TRateConverter* rateConverter, TWaveOut* waveOut,
                  std::shared_ptr<const TAudioWavEncodingPref> wavPref);
    ~TWavToWavInfo() override;

    std::unique_ptr<TCommandCommonData> CommonData;
    QPointer<TWaveIn> WaveIn;
    QPointer<TSampleConverter> SampleConverterTo16;
    QPointer<TSampleConverter> SampleConverterTo8;
    QPointer<TMSConverter> ChannelsConverter;
    QPointer<TRateConverter> RateConverter;
    QPointer<TWaveOut> WaveOut;
    // The batch's WAV preference in a WAV batch; none for the encoder's input (16-bit stereo PCM, 44100 Hz).
    std::shared_ptr<const TAudioWavEncodingPref> WavPref;
};

// Converts a WAV file the reader can use into the WAV format asked for, through the page's converters,
// on the writer's worker thread. The worker's end, failure and progress come back as messages posted
// to the command's own hidden window, so the step always ends on the main thread.
class TCommandWavToWav : public TCommandInterface {
public:
    // The command owns its data; a missing data object fails the step when it starts.
    TCommandWavToWav(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                     std::unique_ptr<TWavToWavInfo> data, TAfterCommandEvent onAfterCommand,
                     bool reportResult, bool doneFlag);
    ~TCommandWavToWav() override;

    void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override;
    // Stops the writer and ends the step as cancelled.
    void Cancel() override;
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override;
    void ParseLine(QString& line) override;
    void OnCancel() override;
    TCommandCommonData* StepData() override;

    // Wires the chain from the input's format to the target and starts the writer; false when the
    // step cannot run. Raises ESourceTooLong, before preparing anything, for an input longer than one
    // file of the target holds.
    bool BuildChain();

    TWavToWavInfo* Info() const { return info_.get(); }

private:
    void HookOutput(TWaveOut& output);
    void DetachOutput();
    void OutputDone();
    void OutputFailed();
    void OnOutputProgress(int percent);
    void FailWith(const QString& reason);
    void Fail(const QString& text);

    std::unique_ptr<TWavToWavInfo> info_;
    std::unique_ptr<plat::MessageWindow> WindowHandle;
    bool hooked_ = false; // the writer's events are this step's
    // The writer's failure, handed from its worker to the main thread.
    std::mutex exceptionLock_;
    QString exceptionText_;
};
