#include "engine/command_audio_to_wav.h"

#include "audio/audio_wav_settings.h"
#include "tests/support/audio_step_world.h"
#include "tests/support/device_nodes.h"
#include "tests/support/irregular_sources.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/wav_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>

class AudioToWav : public AudioStepWorld {
protected:
    void Decode(const QString& source, std::shared_ptr<TAudioWavEncodingPref> pref = {})
    {
        auto info = std::make_unique<TAudioToWavInfo>(NewCommonData(source), std::move(pref));
        RunStep(std::make_unique<TCommandAudioToWav>(nullptr, Logger, "Audio file to WAV file conversion",
                                                     QString(), std::move(info), AfterCommand, false, false),
                source, false);
    }
};

TEST_F(AudioToWav, EverySourceTypeBecomesA16BitWavAtTheBatchRate)
{
    // The WAV preference sets the rate decoded to; bits and channels are the next step's business.
    auto pref = std::make_shared<TAudioWavEncodingPref>();
    std::tie(pref->SamplingFrequency, pref->ChannelsMode, pref->BitsPerSample) =
        std::tuple(22050, wcmMono, wbs8);
    for (const auto& [source, channels, rate] : {std::tuple{"dec-tone.mp3", 2, 44100},
                                                 {"dec-tone.mp2", 2, 44100},
                                                 {"dec-tone.mp1", 2, 44100},
                                                 {"dec-tone.ogg", 2, 44100},
                                                 {"dec-tone.wma", 2, 44100},
                                                 {"dec-source.wav", 2, 44100},
                                                 {"dec-mono22k.wma", 1, 44100},
                                                 {"dec-48k.ogg", 2, 22050}}) {
        SCOPED_TRACE(source);
        Decode(DataFixture(source), rate == 22050 ? pref : nullptr);
        EXPECT_TRUE(LastStatus.IsSucceeded());
        EXPECT_EQ(Log.first(4),
                  (QStringList{"[Audio file to WAV file conversion]", "BASS DecodeFile Started",
                               "BASS DecodeFile Ended", "Audio to WAV conversion done successfully"}));
        qsizetype dataSize = 0;
        EXPECT_EQ(ExpectTrueWav(Output, &dataSize), std::tuple(1, channels, rate, 16));
        EXPECT_NEAR(dataSize, rate * channels * 2, rate * channels / 5); // the sources last a second
        EXPECT_GT(StepBar->Position(), 50);
    }
    const QByteArray first = ReadFile(Output);
    Decode(DataFixture("dec-48k.ogg"), pref);
    EXPECT_EQ(ReadFile(Output), first);
}

TEST_F(AudioToWav, ADamagedSourceOrAFailedWriteFailsTheStepAndLeavesNoOutput)
{
    const QString cut = WriteFile("cut.ogg", ReadFile(DataFixture("dec-tone.ogg")).left(3000));
    // A rate no WAV reader takes, and one frame that resamples to no sample at all.
    QByteArray absurdRate = MakeWavImage(44100, 2, 16, QByteArray(4 * 44100, '\x10'));
    qToLittleEndian<quint32>(2147483646u, absurdRate.data() + 24);
    const QString oneFrame = WriteFile("one frame.wav", MakeWavImage(384000, 2, 16, QByteArray(4, 1)));
    for (const QString& source :
         {DataFixture("dec-garbage.mp3"), cut, WriteFile("absurd rate.wav", absurdRate), oneFrame}) {
        Decode(source);
        EXPECT_EQ(Log.mid(1, 2),
                  (QStringList{"BASS DecodeFile Started", "ERROR: Unable to read/play the audio file"}));
        EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
        ASSERT_EQ(LastStatus.Errors.size(), 2) << "the cause follows";
        EXPECT_TRUE(LastStatus.Errors[1].contains(source)) << LastStatus.Errors[1].toStdString();
    }
    {
        const FileSizeLimit fullDisk(64 * 1024);
        Decode(DataFixture("dec-tone.mp3"));
    }
    EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
    // The output takes no more: its write failure is to blame, with the system's reason, not the source.
    const QString failure = "Unable to create/write the output file: " + Output + " (File too large)";
    EXPECT_EQ(LastStatus.Errors, QStringList{failure});
    EXPECT_EQ(Log.filter("ERROR: "), QStringList{"ERROR: " + failure});
    // A device is never deleted or replaced as an old output, and the source is not blamed for it.
    QDir().mkpath(Root() + "devices");
    Output = Root() + "devices/full";
    if (const QString refusal = MakeDevice(Output, Device::Full); !refusal.isEmpty())
        GTEST_SKIP() << refusal.toStdString();
    Decode(DataFixture("dec-tone.mp3"));
    EXPECT_TRUE(LastStatus.IsFailed() && IsDevice(Output, Device::Full));
    EXPECT_EQ(QDir(Root() + "devices")
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"full"});
    EXPECT_EQ(LastStatus.Errors,
              QStringList{"Unable to create/write the output file: " + Output + " (File exists)"});
}

TEST_F(AudioToWav, APipeADeviceOrASourceTooLongForItsWavFilesIsRefusedBeforeAnythingIsWritten)
{
    const PipeSource pipe(Temp() + "pipe.mp3", DataFixture("dec-tone.mp3"));
    for (const QString& source : {pipe.Name, ZeroDeviceSource(Temp() + "zeros.mp3")}) {
        Decode(source);
        EXPECT_EQ(Log.mid(1, 1),
                  QStringList{"ERROR: The audio source \"" + source + "\" is not a regular file"});
        EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
    }

    // Seven hours of 8 kHz A-law (a sparse file), which only the decoder reads: the encoder's 44.1 kHz
    // stereo WAV of it would pass 4 GB.
    QByteArray header = MakeWavImage(8000, 1, 8, {});
    const quint32 dataSize = 7 * 3600 * 8000;
    qToLittleEndian<quint16>(6, header.data() + 20);
    qToLittleEndian<quint32>(dataSize + 36, header.data() + 4);
    qToLittleEndian<quint32>(dataSize, header.data() + 40);
    QFile sevenHours(WriteFile("seven hours.wav", header));
    ASSERT_TRUE(sevenHours.resize(header.size() + dataSize));
    Decode(sevenHours.fileName());
    EXPECT_EQ(Log.mid(1, 2), (QStringList{"BASS DecodeFile Started",
                                          "ERROR: The audio file lasts longer than 6:45:47, the most a WAV "
                                          "file can hold"}));
    EXPECT_TRUE(LastStatus.IsFailed() && !QFileInfo::exists(Output));
}

// 6:45:47 is the longest the 44.1 kHz stereo WAV of the encoder's chain holds. The sources are sparse
// 8 kHz A-law files: only their declared length matters, and the one accepted is cancelled early.
TEST_F(AudioToWav, TheLongestSourceAcceptedLastsTheLimitItselfNotOneFrameMore)
{
    constexpr quint32 limitFrames = (6 * 3600 + 45 * 60 + 47) * 8000;
    for (const quint32 frames : {limitFrames, limitFrames + 1}) {
        SCOPED_TRACE(frames);
        QByteArray header = MakeWavImage(8000, 1, 8, {});
        qToLittleEndian<quint16>(6, header.data() + 20);
        qToLittleEndian<quint32>(frames + 36, header.data() + 4);
        qToLittleEndian<quint32>(frames, header.data() + 40);
        QFile source(WriteFile("long.wav", header));
        ASSERT_TRUE(source.resize(header.size() + frames));
        auto info = std::make_unique<TAudioToWavInfo>(NewCommonData(source.fileName()), nullptr);
        RunStep(std::make_unique<TCommandAudioToWav>(nullptr, Logger, "Decode", QString(), std::move(info),
                                                     AfterCommand, false, false),
                source.fileName(), true);
        if (frames == limitFrames) {
            EXPECT_TRUE(LastStatus.IsCancelled()) << Log.join('\n').toStdString();
        } else {
            EXPECT_EQ(Log.mid(1, 2), (QStringList{"BASS DecodeFile Started",
                                                  "ERROR: The audio file lasts longer than 6:45:47, the "
                                                  "most a WAV file can hold"}));
            EXPECT_TRUE(LastStatus.IsFailed());
        }
        EXPECT_FALSE(QFileInfo::exists(Output));
    }
}

TEST_F(AudioToWav, AQueueTakenApartWhileDecodingWaitsForTheWorkerAndLeavesNoOutput)
{
    // Ten minutes of 8 kHz silence, resampled on the way: long enough to be caught decoding.
    const QString source = WriteFile("long.wav", MakeWavImage(8000, 1, 8, QByteArray(600 * 8000, '\x80')));
    Queue->AddCommand(std::make_unique<TCommandAudioToWav>(
        nullptr, Logger, "Decode", QString(),
        std::make_unique<TAudioToWavInfo>(NewCommonData(source), nullptr), AfterCommand, false, false));
    Queue->Run("Batch", true, nullptr, nullptr, nullptr, nullptr, 0, 0, false, false);
    ASSERT_TRUE(Reaches([this] { return StepBar->Position() > 0; }, "the decoder's first progress"));
    Queue.reset();
    const QStringList logged = Log;
    QCoreApplication::processEvents();
    EXPECT_EQ(Log, logged);
    EXPECT_EQ(QDir(Temp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

TEST_F(AudioToWav, ACancelWhileALongMp3DecodesOnEveryCoreEndsTheStepCancelledWithoutOutput)
{
    // Five minutes of MP3: the tone's frames after its tag and its information frame, over and over.
    const QByteArray tone = ReadFile(DataFixture("dec-tone.mp3"));
    const QByteArray frames = tone.mid(tone.indexOf("\xff\xfb", tone.indexOf("Info")));
    const QString source = WriteFile("long.mp3", frames.repeated(300));
    auto info = std::make_unique<TAudioToWavInfo>(NewCommonData(source), nullptr);
    RunStep(std::make_unique<TCommandAudioToWav>(nullptr, Logger, "Decode", QString(), std::move(info),
                                                 AfterCommand, false, false),
            source, true);
    EXPECT_TRUE(LastStatus.IsCancelled());
    EXPECT_EQ(Log.filter("DecodeFile"), QStringList{"BASS DecodeFile Started"});
    EXPECT_FALSE(QFileInfo::exists(Output));
    EXPECT_EQ(QDir(Temp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}
