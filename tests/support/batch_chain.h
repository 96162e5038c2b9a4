#pragma once

#include "app/batch_commands.h"
#include "audio/audio_file.h"
#include "audio/audio_mp2_settings.h"
#include "audio/audio_wav_settings.h"
#include "engine/commands_manager.h"
#include "tests/support/recording_views.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A batch of source files, planned and turned into commands as the conversion page does, without the
// page: each output goes beside its source (or into the folder set), intermediates into the temporary
// folder.
class BatchChain {
public:
    using TStepEnded = std::function<void(TCommandInterface* step, const TExecuteStatus& status)>;

    BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded);

    // Before the conversion is added. The folder ends with "/"; empty puts the output beside the source.
    void SetOutputFolder(const QString& folder) { outputFolder_ = folder; }
    void SetPolicy(const TOutputPolicy& policy) { context_.Policy = policy; }

    // Both add the sources as one batch (once per batch) and return the final outputs' planned names (the
    // existing-output policy may give them others).
    QStringList AddMpegConversion(const QStringList& sources, const TAudioMp2EncodingPref& pref);
    QStringList AddWavConversion(const QStringList& sources, const TAudioWavEncodingPref& pref);
    // A batch of one source.
    QString AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref)
    {
        return AddMpegConversion(QStringList{source}, pref).value(0);
    }
    QString AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref)
    {
        return AddWavConversion(QStringList{source}, pref).value(0);
    }
    // Starts the batch as the page does; onQueueEnded gets "every step succeeded".
    void Run(TQueueFlagEvent onQueueEnded);
    // The final outputs the batch wrote, in order.
    const QStringList& Written() const { return written_; }

    const std::shared_ptr<RecordingProgressView> ProgressBarCurrent =
                                                     std::make_shared<RecordingProgressView>(),
                                                 ProgressBarTotal = std::make_shared<RecordingProgressView>();
    const std::shared_ptr<RecordingCaptionView> LabelConversionStatus =
        std::make_shared<RecordingCaptionView>();

private:
    QStringList Add(const QStringList& sources, TBatchFormat format, const QString& description);
    TAfterCommandEvent EndHandler();

    TStepEnded onStepEnded_;
    TBatchStepContext context_;
    QString outputFolder_;
    QStringList written_;

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
