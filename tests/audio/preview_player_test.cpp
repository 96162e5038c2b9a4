#include "audio/preview_player.h"

#include "tests/support/fake_audio_output.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const int rate = 44100;

// Like a sound device, the output plays what it pulled a while later.
class BufferingOutput : public FakeAudioOutput {
public:
    qint64 processedUSecs() const override
    {
        return std::max<qint64>(FakeAudioOutput::processedUSecs() - 200000, 0);
    }
};

// Mono samples of full-scale sines at the centres of the given FFT bins (of 512 at 44100 Hz), each of
// the given amplitude, for the given number of seconds; then as long a silence.
QByteArray TonesThenSilence(std::initializer_list<int> bins, double amplitude, double seconds)
{
    const int frames = int(seconds * rate);
    QByteArray samples(2 * 2 * frames, '\0');
    for (int n = 0; n < frames; ++n) {
        double value = 0;
        for (const int bin : bins)
            value += amplitude * std::sin(2 * std::numbers::pi * bin * n / 512);
        qToLittleEndian<qint16>(qint16(std::lrint(value * 32767)), samples.data() + 2 * n);
    }
    return samples;
}

int FirstPlayedSample(const FakeAudioOutput& output)
{
    return qFromLittleEndian<quint16>(output.Played.constData());
}

class PreviewPlayer : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        PlayerSetOutputFactory([this] {
            ++outputsMade_;
            auto output = std::make_unique<BufferingOutput>();
            output->FailOpen = noDevice_;
            output_ = output.get();
            return output;
        });
        PlayerSetStateCallback([this] { ++stateChanges_; });
        PlayerSetTimerHandler([this] { ++ticks_; });
    }
    void TearDown() override
    {
        PlayerStop();
        PlayerSetTimerHandler({});
        PlayerSetStateCallback({});
        PlayerSetOutputFactory({});
        PlayerSetVolume(100);
        TempWorld::TearDown();
    }

    // Three seconds of mono samples counting up, so every position is recognizable.
    QString RampFile() { return WriteFile("ramp.wav", MakeWavImage(rate, 1, 16, RampSamples(3 * rate))); }

    FakeAudioOutput* output_ = nullptr;
    int outputsMade_ = 0;
    bool noDevice_ = false;
    int stateChanges_ = 0;
    int ticks_ = 0;
};

TEST_F(PreviewPlayer, PausesWithoutLosingAnySampleAndStopsBackToZero)
{
    ASSERT_TRUE(PlayerPlayFile(RampFile()));
    EXPECT_EQ(PlayerGetLength(), 3);
    EXPECT_EQ(PlayerGetLengthMs(), 3000);
    EXPECT_TRUE(PlayerIsTimerEnabled());
    output_->Advance(1000);
    EXPECT_EQ(PlayerGetPosition(), 1);
    // Mono sources play on both channels.
    EXPECT_EQ(output_->Played.size(), rate * 4);

    PlayerTogglePause();
    output_->Advance(1000);
    EXPECT_EQ(PlayerGetPosition(), 1);
    EXPECT_FALSE(PlayerIsStopped());
    PlayerTogglePause();
    output_->Advance(1000);
    // What was pulled but not heard yet comes first.
    EXPECT_EQ(FirstPlayedSample(*output_), rate * 8 / 10);
    EXPECT_EQ(PlayerGetPosition(), 2);

    PlayerStop();
    EXPECT_TRUE(PlayerIsStopped());
    EXPECT_FALSE(PlayerIsTimerEnabled());
    EXPECT_EQ(PlayerGetPosition(), 0);
    EXPECT_EQ(PlayerGetLength(), 0);
    EXPECT_EQ(ticks_, 1);
    EXPECT_EQ(stateChanges_, 4);
}

TEST_F(PreviewPlayer, LengthsAndPositionsRoundHalvesToEven)
{
    ASSERT_TRUE(PlayerPlayFile(WriteFile("half.wav", MakeWavImage(rate, 1, 16, RampSamples(rate * 5 / 2)))));
    EXPECT_EQ(PlayerGetLengthMs(), 2500);
    EXPECT_EQ(PlayerGetLength(), 2);
    output_->Advance(1700); // 1.5 s heard behind the output's buffer
    EXPECT_EQ(PlayerGetPosition(), 2);
}

TEST_F(PreviewPlayer, SpectrumBarsTakeTheirBinsBoostHighBandsAndFallBackSlowly)
{
    // Bin 1 alone is the lowest band, bins 4 to 6 the fourth, bins 157 to 180 the highest.
    ASSERT_TRUE(PlayerPlayFile(
        WriteFile("tones.wav", MakeWavImage(rate, 1, 16, TonesThenSilence({1, 5, 170}, 0.25, 1)))));
    output_->Advance(500);
    TPlayerSpectrum levels{};
    PlayerGetSpectrum(levels);
    // A quarter of full scale reads 20, boosted by 1 + 0.15 per band.
    EXPECT_NEAR(levels[0], 20, 1);
    EXPECT_NEAR(levels[3], 29, 1);
    EXPECT_NEAR(levels[24], 92, 1);
    for (int band = 5; band < 24; ++band)
        EXPECT_LE(levels[band], 1) << band;
    EXPECT_TRUE(PlayerIsTimerEnabled());

    TPlayerSpectrum steady{};
    PlayerGetSpectrum(steady);
    EXPECT_EQ(steady, levels) << "a steady band holds its bar";

    output_->Advance(1000); // the silence is heard
    for (int call = 1; call <= 3; ++call) {
        PlayerGetSpectrum(steady);
        EXPECT_EQ(steady[24], levels[24] - 2 * call);
        EXPECT_EQ(steady[0], std::max(levels[0] - 2 * call, 0));
    }
    PlayerStop();
    PlayerGetSpectrum(steady);
    EXPECT_EQ(steady, TPlayerSpectrum{});
}

TEST_F(PreviewPlayer, SeeksOnlyWithinTheFileAndStopsAtItsEnd)
{
    ASSERT_TRUE(PlayerPlayFile(RampFile()));
    PlayerSetPosition(4);
    PlayerSetPosition(-1);
    EXPECT_EQ(output_->Starts, 1);
    PlayerSetPosition(2);
    EXPECT_EQ(PlayerGetPosition(), 2);
    output_->Advance(100);
    EXPECT_EQ(FirstPlayedSample(*output_), quint16(2 * rate));
    output_->Advance(1000);
    EXPECT_TRUE(PlayerIsStopped());
    EXPECT_EQ(PlayerGetPosition(), 3);
}

TEST_F(PreviewPlayer, KeepsTheVolumeWithinItsRange)
{
    for (const auto& [set, heard] : {std::pair{250, 1.0}, {-5, 0.0}, {40, 0.4}}) {
        PlayerSetVolume(set);
        ASSERT_TRUE(PlayerPlayFile(RampFile()));
        EXPECT_DOUBLE_EQ(output_->volume(), heard) << set;
        PlayerSetVolume(100);
        EXPECT_DOUBLE_EQ(output_->volume(), 1.0);
    }
}

TEST_F(PreviewPlayer, ReportsWhatCannotPlayAndPlaysOnTheSilentOutput)
{
    const QString ramp = RampFile();
    const struct {
        QString file;
        bool noDevice;
        QString message;
        int outputsMade;
    } cases[] = {
        {ramp, true, "\rCan't initialize sound device", 1},
        {"mms://example.com/a.wma", false, "\rCan't play the file mms://example.com/a.wma", 0},
        {Root() + "missing.mp3", false, "\rCan't play the file " + Root() + "missing.mp3", 1},
    };
    for (const auto& c : cases) {
        outputsMade_ = stateChanges_ = 0;
        noDevice_ = c.noDevice;
        EXPECT_FALSE(PlayerPlayFile(c.file));
        EXPECT_EQ(Dialogs().LastText(), c.message);
        EXPECT_EQ(outputsMade_, c.outputsMade);
        EXPECT_EQ(stateChanges_, 1);
        EXPECT_TRUE(PlayerIsStopped());
    }
    // Without an output of the test's making it plays on the silent one.
    PlayerSetOutputFactory({});
    const auto shown = Dialogs().Messages().size();
    EXPECT_TRUE(PlayerPlayFile(ramp));
    EXPECT_EQ(Dialogs().Messages().size(), shown);
}

} // namespace
