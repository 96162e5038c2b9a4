#pragma once

#include "audio/acs_wave.h"
#include "audio/audio_mp2_settings.h"
#include "engine/command_common_data.h"
#include "engine/command_gui2_console.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>

// Active: the encoder was found.
using TWavToMpegSettings = TConsoleToolSettings;

// What the encoding step works on, built by the conversion page.
class TWavToMpegInfo : public QObject {
public:
    TCommandCommonData CommonData;
    // A reader of the conversion page, only used to examine the input before the run.
    QPointer<TWaveIn> WavAnalyser;
    std::int32_t FrameCount = 0; // MPEG audio frames of the input; 0 until the checks computed it
    TAudioMp2EncodingPref Mp2Pref;
};

// Encodes the step's WAV input (16-bit stereo PCM at 44100 Hz) into MPEG-1 Layer II with "toolame".
class TCommandTooLame : public TCommandGui2Console {
public:
    TCommandTooLame(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                    TWavToMpegSettings settings, std::unique_ptr<TWavToMpegInfo> data,
                    TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag);
    ~TCommandTooLame() override;

    void CheckBeforeRun(bool& ok) override;
    QString GetExePath() override;
    TConsoleArguments GetArguments() override;
    QString GetWorkDir() override;
    // Frame counters become progress, the banner is left out, levelled lines are tagged.
    void ParseLine(QString& line) override;
    void OnSuccess() override;
    TCommandCommonData* StepData() override;

    TWavToMpegInfo* Info() const { return info_.get(); }

protected:
private:
    bool InputUsable();
    // Shows the progress of a frame counter line; false for any other line.
    bool TakeFrameCounter(const QString& line);

    TWavToMpegSettings settings_;
    std::unique_ptr<TWavToMpegInfo> info_;
};
