#pragma once

#include "engine/command_interface.h"
#include "foundation/exceptions.h"
#include "platform/audio_decoder.h"

#include <QObject>
#include <QPlainTextEdit>
#include <QString>

#include <memory>

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
// with a 44-byte header, on the main thread, letting events through after every block so the
// window stays alive and Cancel can arrive.
class TCommandAudioToWav : public TCommandInterface {
public:
    // The command owns its data; a missing data object fails the step when it starts.
    TCommandAudioToWav(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                       std::unique_ptr<TAudioToWavInfo> data, TAfterCommandEvent onAfterCommand,
                       bool reportResult, bool doneFlag);
    ~TCommandAudioToWav() override;

    void Start(QPlainTextEdit* echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override;
    // Noticed by the decoding loop after its current block.
    void Cancel() override;
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override;
    void ParseLine(QString& line) override;
    QString TranslateLine(const QString& line) override;
    TCommandCommonData* StepData() override;

    // True when the whole source was written; false when it failed or was cancelled.
    bool DecodeFile();

    TAudioToWavInfo* Info() const { return info_.get(); }

private:
    void Decode(TCommandCommonData& common);
    void Fail(const QString& text);

    std::unique_ptr<TAudioToWavInfo> info_;
};

// A reader the WAV chain cannot take as it is: none, without a name, invalid or of an unsupported type.
bool IsUnusableWav(TWaveIn* waveIn);
// 16-bit stereo PCM at 44100 Hz, the encoder's own input.
bool IsVcdReadyWav(TWaveIn* waveIn);

// What the audio steps share: the step's name echoed in the command-line memo, the failure that
// logs "ERROR: text" and ends the step (never a cancelled one), and error lines kept in the status.
void EchoStepName(QPlainTextEdit* memo, const QString& name);
void FailAudioStep(TCommandInterface& command, const QString& text);
void ParseErrorLine(QString& line, TExecuteStatus& status);

// The start-up check of the decoding libraries: a box naming what is wrong and false, after which
// the program must stop.
bool CheckAudioLibraries(const plat::DecoderLibraries& loaded = plat::LoadedDecoderLibraries());
