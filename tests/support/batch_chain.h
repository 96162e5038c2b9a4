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
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// Builds the chain of steps of one source onto its queue from code, as the conversion page does for a
// batch of one file: decode when the WAV reader cannot take the source as it is, convert the WAV, then
// encode and multiplex, or finish as a WAV file. Intermediate files are "Tmp?????.tmp" names in the
// temporary folder; the output goes next to the source. The batch runs unattended.
class BatchChain {
public:
    using TStepEnded = std::function<void(TCommandInterface* step, const TExecuteStatus& status)>;

    BatchChain(TCommandLogEvent onLog, TStepEnded onStepEnded);

    // Both return the final output's name; a missing source throws and adds nothing.
    QString AddMpegConversion(const QString& source, const TAudioMp2EncodingPref& pref);
    QString AddWavConversion(const QString& source, const TAudioWavEncodingPref& pref);
    // Starts the batch as the page does; onQueueEnded gets "every step succeeded".
    void Run(TQueueFlagEvent onQueueEnded);

    // A name in the temporary folder that neither exists nor was handed out in this batch.
    QString NewTempFileName();

    QString OutFolder; // ends with "/"; empty: beside the source
    QProgressBar ProgressBarCurrent, ProgressBarTotal;
    QLabel LabelConversionStatus;

private:
    // None in an MPEG chain.
    using TWavPref = std::shared_ptr<const TAudioWavEncodingPref>;

    void Begin(const QString& source, const QString& preference);
    // Adds the decode step when the WAV reader cannot take the source as it is; returns the WAV the
    // next step reads.
    QString AddDecodeStep(int progressMax, int skipNextCount, TWavPref pref);
    QString AddWavToWavStep(const QString& input, const QString& output, int progressMin, int progressMax,
                            int skipNextCount, TWavPref pref);
    // One step's data: its files and progress range, the batch's policy, the source never deleted.
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
    QSet<QString> tempNames_;

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
