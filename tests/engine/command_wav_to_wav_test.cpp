#include "engine/command_wav_to_wav.h"

#include "audio/audio_wav_settings.h"
#include "tests/support/audio_step_world.h"
#include "tests/support/irregular_sources.h"
#include "tests/support/qt_printers.h"
#include "tests/support/wav_image.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace {

std::shared_ptr<TAudioWavEncodingPref> Pref(TWavEncodingMode mode, int rate, TWavChannelsMode channels,
                                            TWavBitsPerSample bits)
{
    auto pref = std::make_shared<TAudioWavEncodingPref>();
    std::tie(pref->EncodingMode, pref->SamplingFrequency, pref->ChannelsMode, pref->BitsPerSample) =
        std::tuple(mode, rate, channels, bits);
    return pref;
}

} // namespace

class WavToWav : public AudioStepWorld {
protected:
    // With the conversion page's components, shared by the steps.
    void Convert(const QString& source, std::shared_ptr<TAudioWavEncodingPref> pref, bool cancel = false)
    {
        auto info = std::make_unique<TWavToWavInfo>(NewCommonData(source), &waveIn, &to16, &to8, &channels,
                                                    &rate, &waveOut, std::move(pref));
        RunStep(std::make_unique<TCommandWavToWav>(nullptr, Logger, "WAV to WAV trancoding", QString(),
                                                   std::move(info), AfterCommand, false, false),
                source, cancel);
    }

    TWaveIn waveIn;
    TSampleConverter to16, to8;
    TMSConverter channels;
    TRateConverter rate;
    TWaveOut waveOut;
    const QString source = DataFixture("dec-source.wav"); // 1 s, 16-bit stereo, 44100 Hz
};

TEST_F(WavToWav, ConvertsToThePreferenceWithHeadersTrueToTheData)
{
    using Format = std::tuple<int, int, int, int>; // tag, channels, rate, bits
    for (const auto& [input, pref, format, size] :
         {std::tuple{source, Pref(wemRawPcm, 22050, wcmMono, wbs8), Format{1, 1, 22050, 8}, 22050},
          {source, Pref(wemDviImaAdpcm, 44100, wcmStereo, wbs16), Format{0x11, 2, 44100, 4}, 45056},
          {DataFixture("wav-pcm8-mono.wav"), nullptr, Format{1, 2, 44100, 16},
           4 * 17640}, // the encoder's input
          // Raising the rate makes the size the writer starts with wrong.
          {source, Pref(wemRawPcm, 48000, wcmStereo, wbs16), Format{1, 2, 48000, 16}, 4 * 48000}}) {
        SCOPED_TRACE(std::get<2>(format));
        Convert(input, pref);
        EXPECT_TRUE(LastStatus.IsSucceeded());
        qsizetype dataSize = 0;
        EXPECT_EQ(ExpectTrueWav(Output, &dataSize), format);
        EXPECT_NEAR(dataSize, size, size / 50);
        EXPECT_EQ(StepBar->Position(), 100);
    }
    const QByteArray first = ReadFile(Output);
    Convert(source, Pref(wemRawPcm, 48000, wcmStereo, wbs16));
    EXPECT_EQ(ReadFile(Output), first);
}

TEST_F(WavToWav, EveryProgressReachesTheControlsInOrderBeforeTheStepEnds)
{
    // The writer reports from its worker; the bars, the label and the row must still see each percent
    // once, in order, and the last one before the page hears of the end.
    QStringList journal;
    RecordingFileStatusView row(&journal);
    Entry = std::make_shared<TAudioFile>(QString(), &row);
    auto common = NewCommonData(source);
    common->SetProgressControls(std::make_shared<RecordingProgressView>("step", &journal),
                                std::make_shared<RecordingProgressView>("batch", &journal), 0, 100,
                                std::make_shared<RecordingCaptionView>(QString(), &journal));
    common->SetTaskIndex(2, 2);
    auto info = std::make_unique<TWavToWavInfo>(std::move(common), &waveIn, &to16, &to8, &channels, &rate,
                                                &waveOut, Pref(wemDviImaAdpcm, 44100, wcmStereo, wbs16));
    RunStep(std::make_unique<TCommandWavToWav>(
                nullptr, [&](QObject*, QString line) { journal << "log " + line; }, "WAV", QString(),
                std::move(info),
                [&](TCommandInterface*, const TExecuteStatus& status, QObject*, bool&) {
                    journal << (status.IsSucceeded() ? "end" : "failed");
                },
                false, false),
            source, false);

    ASSERT_EQ(journal.last(), "end");
    const QStringList progress = journal.filter(QRegularExpression("^(step|label|batch|entry) "));
    ASSERT_GE(progress.size(), 4 * 3) << journal.join('\n').toStdString();
    ASSERT_EQ(progress.size() % 4, 0);
    int previous = -1;
    for (qsizetype at = 0; at < progress.size(); at += 4) {
        const int percent = progress[at].mid(5).toInt();
        EXPECT_GT(percent, previous) << "each percent once, never going back";
        previous = percent;
        EXPECT_EQ(progress.mid(at, 4),
                  QStringList({"step " + QString::number(percent), "label " + QString::number(percent) + " %",
                               "batch " + QString::number(50 + percent / 2),
                               "entry " + QString::number(percent) + " %"}));
    }
    EXPECT_EQ(previous, 100) << "the last percent is not lost";
    EXPECT_LT(journal.indexOf("step 100"), journal.indexOf("end"));
}

TEST_F(WavToWav, EveryFailureEndsTheStepWithItsReasonAndNoOutput)
{
    const auto expectFailed = [&](const QStringList& errors) {
        EXPECT_EQ(LastStatus.Errors, errors);
        EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
    };
    Convert(source, Pref(wemDviImaAdpcm, 44100, wcmStereo, wbs8)); // refused while the writer prepares
    expectFailed({"Cannot encode 8 bit sound into ADPCM.", "Transcoding Failure"});
    EXPECT_TRUE(Log.contains("ERROR: Cannot encode 8 bit sound into ADPCM."));
    {
        const FileSizeLimit fullDisk(64 * 1024); // a write on the worker fails
        Convert(source, nullptr);
    }
    expectFailed({"Cannot write to this .wav file: File too large.", "Transcoding Failure"});
    Convert(DataFixture("dec-tone.mp3"), nullptr);
    expectFailed({"Transcoding Failure"});
    // The header promises 100000 IMA ADPCM samples; the data chunk holds none.
    QByteArray promise = ReadFile(DataFixture("wav-ima-stereo.wav"));
    const qsizetype data = promise.indexOf("data");
    qToLittleEndian<quint32>(100000, promise.data() + promise.indexOf("fact") + 8);
    qToLittleEndian<quint32>(0, promise.data() + data + 4);
    promise.truncate(data + 8);
    Convert(WriteFile("promise.wav", promise), nullptr);
    expectFailed({"No audio frame came out of the source.", "Transcoding Failure"});
    const PipeSource pipe(Temp() + "pipe.wav", source);
    Convert(pipe.Name, nullptr);
    expectFailed({"The audio source \"" + pipe.Name + "\" is not a regular file"});
}

TEST_F(WavToWav, CancelStopsTheWriterAndRemovesTheOutput)
{
    Convert(WriteFile("long.wav", MakeWavImage(22050, 1, 16, QByteArray(2 * 22050 * 120, '\0'))), nullptr,
            true);
    EXPECT_TRUE(LastStatus.IsCancelled() && !QFileInfo::exists(Output) && Entry->GetStatus() == afsCancelled);
    EXPECT_EQ(waveOut.GetStatus(), 2);
}

TEST_F(WavToWav, AnOutputLongerThanOneWavFileHoldsIsRefusedBeforeAnythingIsWritten)
{
    // 8-bit mono at 22050 Hz (a sparse file) becomes the encoder's 16-bit stereo at 44100 Hz: twice
    // the frames, four bytes each. The most one file holds is (2^32 - 1 - 36) / 4 frames.
    const std::int64_t mostFrames = (0xFFFFFFFFll - 36) / 4 / 2;
    for (const std::int64_t frames : {mostFrames + 1, mostFrames}) {
        SCOPED_TRACE(frames);
        QByteArray header = MakeWavImage(22050, 1, 8, {});
        qToLittleEndian<quint32>(quint32(frames + 36), header.data() + 4);
        qToLittleEndian<quint32>(quint32(frames), header.data() + 40);
        QFile sparse(WriteFile("hours.wav", header));
        ASSERT_TRUE(sparse.resize(header.size() + frames));
        {
            const FileSizeLimit fullDisk(64 * 1024); // a conversion that starts fails at once
            Convert(sparse.fileName(), nullptr);
        }
        EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
        if (frames > mostFrames) {
            EXPECT_EQ(LastStatus.Errors,
                      QStringList({"The audio file lasts longer than 6:45:47, the most a WAV file can hold",
                                   "Transcoding Failure"}));
        } else {
            EXPECT_EQ(LastStatus.Errors,
                      QStringList({"Cannot write to this .wav file: File too large.", "Transcoding Failure"}))
                << "the longest output that fits is converted";
        }
    }
}
