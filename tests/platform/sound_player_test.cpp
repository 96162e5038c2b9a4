#include "platform/audio_output.h"
#include "platform/sound_player.h"
#include "tests/support/fake_audio_output.h"
#include "tests/support/patience.h"
#include "tests/support/wav_image.h"

#include <QBuffer>
#include <QMediaDevices>

#include <gtest/gtest.h>

using namespace plat;

namespace {

// 8000 Hz mono 16-bit: one millisecond is 16 bytes.
const int rate = 8000;

QAudioFormat MonoFormat()
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// Stands in for the program's WAV reader: "mono:" or "stereo:" and then the samples themselves.
DecodedSound Decode(const QByteArray& wav)
{
    QAudioFormat format = MonoFormat();
    if (wav.startsWith("stereo:"))
        format.setChannelCount(2);
    else if (!wav.startsWith("mono:"))
        return {};
    return {format, wav.mid(wav.indexOf(':') + 1)};
}

class OutputSoundPlayerTest : public ::testing::Test {
protected:
    std::unique_ptr<FakeAudioOutput> owned_ = std::make_unique<FakeAudioOutput>();
    FakeAudioOutput* output_ = owned_.get();
    OutputSoundPlayer player_{std::move(owned_), Decode};
};

} // namespace

TEST_F(OutputSoundPlayerTest, PlaysOnlyTheWholeFramesOfTheSamplesAndEndsWithThem)
{
    const QByteArray samples = RampSamples(800); // 100 ms
    player_.play("mono:" + samples);
    EXPECT_TRUE(player_.isPlaying());
    EXPECT_EQ(output_->Format(), MonoFormat());

    output_->Advance(60);
    EXPECT_EQ(output_->Played, samples.left(960));
    EXPECT_TRUE(player_.isPlaying());
    output_->Advance(60);
    EXPECT_EQ(output_->Played, samples);
    EXPECT_FALSE(player_.isPlaying());
    EXPECT_FALSE(output_->isActive());

    QByteArray stereo = RampSamples(8);
    stereo.append("\x01\x02", 2); // half a stereo frame
    player_.play("stereo:" + stereo);
    output_->Advance(100);
    EXPECT_EQ(output_->Played, stereo.left(16));
}

TEST_F(OutputSoundPlayerTest, ANewSoundCutsTheOneThatPlaysAndStopEndsItAtOnce)
{
    const QByteArray second = RampSamples(400, 5000);
    player_.play("mono:" + RampSamples(800, 0));
    output_->Advance(20);
    player_.play("mono:" + second);
    EXPECT_EQ(output_->Starts, 2);
    output_->Advance(500);
    EXPECT_EQ(output_->Played, second) << "nothing of the first sound after the cut";
    EXPECT_FALSE(player_.isPlaying());

    player_.play("mono:" + RampSamples(800));
    output_->Advance(10);
    player_.stop();
    EXPECT_FALSE(player_.isPlaying());
    output_->Advance(100);
    EXPECT_EQ(output_->Played.size(), 160);
    player_.stop(); // stopping twice is harmless
}

TEST_F(OutputSoundPlayerTest, WhatCannotPlayIsSkippedSilently)
{
    player_.play(QByteArray("not a wave file at all, just text"));
    player_.play("mono:");
    player_.play("stereo:\x01\x02");
    output_->FailOpen = true;
    player_.play("mono:" + RampSamples(80));
    EXPECT_EQ(output_->Starts, 0);
    EXPECT_FALSE(player_.isPlaying());
}

TEST(SoundPlayer, TheProgramsPlayerDecodesWithTheDecoderHandedIn)
{
    InstallSoundPlayer(nullptr);
    CurrentSoundPlayer().play("mono:" + RampSamples(800));
    EXPECT_FALSE(CurrentSoundPlayer().isPlaying()) << "silent without a decoder";
    InstallSoundDecoder(Decode);
    CurrentSoundPlayer().play("mono:" + RampSamples(800));
    EXPECT_TRUE(CurrentSoundPlayer().isPlaying());
    CurrentSoundPlayer().stop();
    InstallSoundDecoder(nullptr);
}

TEST(AudioOutput, TheEnvironmentChoosesTheSilentOutputThatPlaysTheWholeSoundThenFinishes)
{
    const QByteArray saved = qgetenv("KORVANE_AUDIO_OUTPUT");
    qunsetenv("KORVANE_AUDIO_OUTPUT");
    EXPECT_NE(dynamic_cast<QtAudioOutput*>(CreateAudioOutput().get()), nullptr);
    qputenv("KORVANE_AUDIO_OUTPUT", "null");
    EXPECT_NE(dynamic_cast<NullAudioOutput*>(CreateAudioOutput().get()), nullptr);
    qputenv("KORVANE_AUDIO_OUTPUT", saved);

    NullAudioOutput output;
    ASSERT_TRUE(output.open(MonoFormat()));
    QByteArray samples = RampSamples(400); // 50 ms
    QBuffer source(&samples);
    source.open(QIODevice::ReadOnly);
    bool finished = false;
    output.setFinishedHandler([&] { finished = true; });
    ASSERT_TRUE(output.start(&source));
    EXPECT_TRUE(output.isActive());
    EXPECT_TRUE(Reaches([&] { return finished; }, "the sound's end"));
    EXPECT_FALSE(output.isActive());
    EXPECT_TRUE(source.atEnd());
    EXPECT_EQ(output.processedUSecs(), 50000);

    source.seek(0);
    ASSERT_TRUE(output.start(&source));
    output.stop();
    EXPECT_FALSE(output.isActive());
}

TEST(AudioOutput, SoundDeviceRefusesToOpenWhenThereIsNone)
{
    if (!QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "this machine has a sound device";
    QtAudioOutput output;
    EXPECT_FALSE(output.open(MonoFormat()));
    QByteArray samples = RampSamples(10);
    QBuffer source(&samples);
    source.open(QIODevice::ReadOnly);
    EXPECT_FALSE(output.start(&source));
    EXPECT_FALSE(output.isActive());
}
