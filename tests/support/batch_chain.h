#pragma once

#include "audio/acs_converters.h"
#include "audio/acs_wave.h"
#include "audio/audio_file.h"
#include "audio/audio_mp2_settings.h"
#include "audio/audio_wav_settings.h"
#include "engine/command_common_data.h"
#include "engine/command_interface.h"
#include "engine/commands_manager.h"

#include <QLabel>
#include <QProgressBar>
#include <QString>

#include <functional>
#include <memory>

// The conversion page's chain of steps for a batch of one file, built from code: decode when the WAV
// reader cannot take the source, convert the WAV, then encode and multiplex or finish as a WAV file.
// Intermediates are "Tmp?????.tmp" in the temporary folder; the output goes beside the source.
class BatchChain {
public:
    using TStepEnded = std::function<void(TCommandInterface* step, const TExecuteStatus& status)>;

    BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded);

    // Both return the final output's name.
    QString AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref);
    QString AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref);
    // Starts the batch as the page does; onQueueEnded gets "every step succeeded".
    void Run(TQueueFlagEvent onQueueEnded);

    QProgressBar ProgressBarCurrent, ProgressBarTotal;
    QLabel LabelConversionStatus;

private:
    // None in an MPEG chain.
    using TWavPref = std::shared_ptr<const TAudioWavEncodingPref>;

    QString NewTempFileName();
    void Begin(const QString& source, const QString& preference);
    // Adds the decode step when the WAV reader cannot take the source as it is; returns the WAV the
    // next step reads.
    QString AddDecodeStep(int progressMax, int skipNextCount, TWavPref pref);
    QString AddWavToWavStep(const QString& input, const QString& output, int progressMin, int progressMax,
                            int skipNextCount, TWavPref pref);
    TCommandCommonData NewCommonData(const QString& input, const QString& output, int progressMin,
                                     int progressMax, bool deleteInput);
    QString OutputName(const QString& extension) const;
    void Add(std::unique_ptr<TCommandInterface> step, int skipNextCount, bool cancellable);
    TAfterCommandEvent EndHandler() const;

    TCommandLogEvent onLog_;
    TStepEnded onStepEnded_;
    QString source_;
    QString description_;
    std::shared_ptr<TAudioFile> audioFile_;
    bool decoded_ = false;
    int tempCount_ = 0;

    // The conversion page's audio components, shared by the WAV steps and the encoder's checks.
    TWaveIn WaveFileIn;
    TSampleConverter SampleConverterTo16, SampleConverterTo8;
    TMSConverter ChannelsConverter;
    TRateConverter FreqRateConverter;
    TWaveOut WaveFileOut;

public:
    // Last, so that its steps go before the components and controls they use.
    TCommandsManager Queue{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
};
