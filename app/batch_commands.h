#pragma once

#include "app/batch_plan.h"
#include "audio/acs_converters.h"
#include "audio/acs_wave.h"
#include "audio/audio_mp2_settings.h"
#include "engine/command_common_data.h"
#include "engine/command_interface.h"

#include <memory>

// What every step of one batch shares when it becomes a command: where its progress shows, the audio
// components its WAV steps wire, the preferences, and the batch-wide choices.
struct TBatchStepContext {
    QObject* Owner = nullptr;
    TCommandLogEvent OnLog;
    std::shared_ptr<TProgressView> StepBar;
    std::shared_ptr<TProgressView> OverallBar;
    std::shared_ptr<TCaptionView> StatusLabel;
    TWaveIn* WaveIn = nullptr;
    TSampleConverter* SampleConverterTo16 = nullptr;
    TSampleConverter* SampleConverterTo8 = nullptr;
    TMSConverter* ChannelsConverter = nullptr;
    TRateConverter* RateConverter = nullptr;
    TWaveOut* WaveOut = nullptr;
    std::shared_ptr<const TAudioWavEncodingPref> WavPref;
    TAudioMp2EncodingPref Mp2Pref;
    TOutputPolicy Policy;
    bool Unattended = true;
    int TaskCount = 1;
};

// Whether the WAV steps can read the file without decoding it first; the reader is left reset.
bool IsReadableAsIs(TWaveIn& waveIn, const QString& fileName);
// What the planner needs to know of a source file. Only a regular file is opened, and only by the reader.
TBatchSource ProbeSource(TWaveIn& waveIn, const QString& fileName);

// The batch's temporary folder: the chosen one when it takes files, else the system's. Throws
// EBatchPlanError, naming the folder and why, when that one takes no file either: the batch is refused
// before any work.
QString BatchTempFolder(const QString& chosen, const TTempNamer::TRandom& random);

// The command that carries out one planned step; its end goes to onEnded.
std::unique_ptr<TCommandInterface> NewStepCommand(const TStepPlan& step, const TBatchStepContext& context,
                                                  const std::shared_ptr<TAudioFile>& entry,
                                                  TAfterCommandEvent onEnded);
