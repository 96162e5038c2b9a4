#pragma once

#include "engine/command_mplex.h"
#include "engine/command_too_lame.h"
#include "engine/commands_manager.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/global_events.h"
#include "foundation/program_globals.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_views.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QFile>

#include <memory>

// The built encoder and multiplexer on the real queue, and what their steps log and report.
class MpegSteps : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        TooLameFolder = BuiltProgramFolder() + "TooLame/";
        MplexFolder = BuiltProgramFolder() + "Mplex/";
        GlobalEvents().OnWaitEnd = [this](QObject*) { ++waitEnds; };
    }
    void TearDown() override
    {
        queue.reset();
        GlobalEvents().OnWaitEnd = nullptr;
        TooLameFolder = MplexFolder = QString();
        TempWorld::TearDown();
    }

    QString WriteWav(const QString& name, int rate = 44100, int channels = 2) const
    {
        return WriteFile(name, MakeWavImage(rate, channels, 16, RampSamples(rate * channels * 2)));
    }

    // Steps of the source's chain: each deletes its input once used, never the source.
    template <typename Command, typename Data>
    std::unique_ptr<Command> Make(std::unique_ptr<Data> data, std::uint8_t active, const QString& input = {},
                                  const QString& output = {})
    {
        if constexpr (!std::is_same_v<Data, TFakeData>) {
            data->CommonData.InputFile = input;
            data->CommonData.OutputFile = output;
            data->CommonData.WorkFile = output; // until the step's check makes its own
            data->CommonData.SetFiles(QString(), source, true, true);
            data->CommonData.SetCheckOutput(std::is_same_v<Data, TMplexData>);
            data->CommonData.SetProgressControls(bar, nullptr, 0, 100, nullptr);
        }
        return std::make_unique<Command>(
            nullptr, [this](QObject*, QString text) { log << text; }, "Step", "Step",
            TConsoleToolSettings{active}, std::move(data),
            [this](TCommandInterface*, const TExecuteStatus& status, QObject*, bool&) { statuses << status; },
            false, false);
    }
    std::unique_ptr<TCommandTooLame> MakeEncoder(const QString& input, const QString& output,
                                                 const TAudioMp2EncodingPref& pref = {},
                                                 std::uint8_t active = 1)
    {
        auto info = std::make_unique<TWavToMpegInfo>();
        info->WavAnalyser = &analyser;
        info->Mp2Pref = pref;
        return Make<TCommandTooLame>(std::move(info), active, input, output);
    }

    void RunQueue(bool wait = true)
    {
        queue->Run("Batch", true, echo, nullptr, nullptr, nullptr, SndNone, SndNone, false, false);
        if (wait) {
            ASSERT_TRUE(Reaches([this] { return !queue->IsRunning(); }, "the batch's end"));
        }
    }

    // A stand-in program written as a shell script; returns its folder.
    QString ScriptTool(const QString& name, const QString& body) const
    {
        const QString script = WriteFile("tools/" + name, ("#!/bin/sh\n" + body + "\n").toUtf8());
        // Writable, so that a test can put another script in its place without root's rights.
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return Root() + "tools/";
    }

    QString source; // the user's file
    TWaveIn analyser;
    std::shared_ptr<RecordingProgressView> bar = std::make_shared<RecordingProgressView>();
    std::shared_ptr<RecordingLineSink> echo = std::make_shared<RecordingLineSink>();
    QStringList log;
    QList<TExecuteStatus> statuses;
    int waitEnds = 0;
    std::unique_ptr<TCommandsManager> queue =
        std::make_unique<TCommandsManager>(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
};
