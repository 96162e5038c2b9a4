#include "audio/audio_wav_settings.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

TEST(WavPreference, StoredTextsReadLooselyAndUnknownOnesGiveTheDefaultOfTheirKind)
{
    EXPECT_EQ(TextToWavChannelsMode(" mono "), wcmMono);
    EXPECT_EQ(TextToWavChannelsMode("Quad"), wcmStereo);
    EXPECT_EQ(TextToWavBitsPerSample("8 "), wbs8);
    EXPECT_EQ(TextToWavBitsPerSample("24"), wbs16);
    EXPECT_EQ(TextToWavEncodingMode("dvi ima ADPCM"), wemDviImaAdpcm);
    EXPECT_EQ(TextToWavEncodingMode("FLAC"), wemRawPcm);
    EXPECT_EQ(IndexOfValueText({"a", "B"}, " b"), 1);
    EXPECT_EQ(IndexOfValueText({"a", "B"}, "c"), -1);
}

TEST(WavPreference, TheSourceGivesTheValuesInForceAndWithoutOneTheDefaultsApply)
{
    EXPECT_EQ(GetAudioWavEncodingPref()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Stereo");

    TAudioWavEncodingPref chosen;
    chosen.SamplingFrequency = 22050;
    chosen.EncodingMode = wemDviImaAdpcm;
    chosen.ChannelsMode = wcmMono;
    chosen.BitsPerSample = wbs8;
    SetAudioWavEncodingPrefSource([&chosen] { return std::make_unique<TAudioWavEncodingPref>(chosen); });
    const std::unique_ptr<TAudioWavEncodingPref> snapshot = GetAudioWavEncodingPref();
    chosen.SamplingFrequency = 48000;
    EXPECT_EQ(snapshot->GetDescription(), "WAV (DVI IMA ADPCM) 8bits 22050 Hz Mono")
        << "a snapshot keeps its values";
    EXPECT_EQ(GetAudioWavEncodingPref()->SamplingFrequency, 48000);

    // A source whose dialog is gone yields nothing.
    SetAudioWavEncodingPrefSource([] { return std::unique_ptr<TAudioWavEncodingPref>(); });
    EXPECT_EQ(GetAudioWavEncodingPref()->GetDescription(), "WAV (Raw PCM) 16bits 44100 Hz Stereo");
    SetAudioWavEncodingPrefSource(nullptr);
}
