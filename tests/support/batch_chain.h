#pragma once

#include "app/batch_commands.h"
#include "audio/audio_file.h"
#include "audio/audio_mp2_settings.h"
#include "audio/audio_wav_settings.h"
#include "engine/commands_manager.h"

#include <QLabel>
#include <QProgressBar>
#include <QString>

#include <functional>
#include <memory>

// A batch of one source file, planned and turned into commands as the conversion page does, without
// the page: the output goes beside the source, intermediates into the temporary folder.
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
    QString Add(const QString& source, TBatchFormat format, const QString& description);
    TAfterCommandEvent EndHandler() const;

    TStepEnded onStepEnded_;
    TBatchStepContext context_;

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
