#pragma once

#include "app/batch_commands.h"
#include "audio/audio_file.h"
#include "audio/audio_mp2_settings.h"
#include "audio/audio_wav_settings.h"
#include "engine/commands_manager.h"
#include "tests/support/recording_views.h"

#include <QString>

#include <functional>
#include <memory>

// A batch of one source file, planned and turned into commands as the conversion page does, without
// the page: the output goes beside the source (or into the folder set), intermediates into the
// temporary folder.
class BatchChain {
public:
    using TStepEnded = std::function<void(TCommandInterface* step, const TExecuteStatus& status)>;

    BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded);

    // Before the conversion is added. The folder ends with "/"; empty puts the output beside the source.
    void SetOutputFolder(const QString& folder) { outputFolder_ = folder; }
    void SetPolicy(const TOutputPolicy& policy) { context_.Policy = policy; }

    // Both return the final output's planned name (the existing-output policy may give it another).
    QString AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref);
    QString AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref);
    // Starts the batch as the page does; onQueueEnded gets "every step succeeded".
    void Run(TQueueFlagEvent onQueueEnded);
    // The final output the batch wrote; empty until a final step succeeded.
    const QString& Written() const { return written_; }

    const std::shared_ptr<RecordingProgressView> ProgressBarCurrent =
                                                     std::make_shared<RecordingProgressView>(),
                                                 ProgressBarTotal = std::make_shared<RecordingProgressView>();
    const std::shared_ptr<RecordingCaptionView> LabelConversionStatus =
        std::make_shared<RecordingCaptionView>();

private:
    QString Add(const QString& source, TBatchFormat format, const QString& description);
    TAfterCommandEvent EndHandler();

    TStepEnded onStepEnded_;
    TBatchStepContext context_;
    QString outputFolder_;
    QString written_;

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
