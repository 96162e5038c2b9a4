#include "audio/audio_mp2_settings.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

TEST(Mp2Preference, TheSourceGivesTheValuesInForceAndWithoutOneTheDefaultsApply)
{
    const std::unique_ptr<TAudioMp2EncodingPref> defaults = GetAudioMp2EncodingPref();
    EXPECT_EQ(defaults->GetDescription(), "mp2 224 kbps Stereo");
    EXPECT_TRUE(defaults->ErrorProtection && !defaults->OriginalFlag && !defaults->CopyrightFlag);
    EXPECT_EQ(TextToMp2ChannelMode(" JOINT stereo"), mcmJointStereo);
    EXPECT_EQ(TextToMp2ChannelMode("Surround"), mcmStereo);

    TAudioMp2EncodingPref chosen;
    chosen.BitRate = 128;
    chosen.ChannelMode = mcmDualChannel;
    SetAudioMp2EncodingPrefSource([&chosen] { return std::make_unique<TAudioMp2EncodingPref>(chosen); });
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 128 kbps Dual Channel");
    SetAudioMp2EncodingPrefSource([] { return std::unique_ptr<TAudioMp2EncodingPref>(); });
    EXPECT_EQ(GetAudioMp2EncodingPref()->GetDescription(), "mp2 224 kbps Stereo");
    SetAudioMp2EncodingPrefSource(nullptr);
}
