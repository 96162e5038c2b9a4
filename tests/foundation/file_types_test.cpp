#include "foundation/file_types.h"
#include "platform/icon_list.h"

#include <gtest/gtest.h>

TEST(FileTypes, ProgramIconsGoInTheIconListOnce)
{
    RegisterFileTypeIcons();
    const int count = plat::IconList::Instance().Count();
    ASSERT_GE(SoundIconIndex, 0);
    ASSERT_GE(AudioFileIconIndex, 0);
    EXPECT_NE(SoundIconIndex, AudioFileIconIndex);
    EXPECT_FALSE(plat::IconList::Instance().Icon(SoundIconIndex).pixmap(16).isNull());
    EXPECT_FALSE(plat::IconList::Instance().Icon(AudioFileIconIndex).pixmap(16).isNull());
    RegisterFileTypeIcons();
    EXPECT_EQ(plat::IconList::Instance().Count(), count);
    UnregisterFileTypes();
    EXPECT_EQ(ProgramIconName(3), "VcdSound");
    EXPECT_EQ(ProgramIconName(8), QString());
}

TEST(FileTypes, FileIconsDependOnlyOnTheExtensionAndATypeNeedsItsNames)
{
    const int wav = GetFileIconIndex("toto.wav");
    EXPECT_EQ(GetFileIconIndex("/no/such/folder/other.WAV"), wav);
    EXPECT_NE(GetFileIconIndex("song.mp3"), wav);
    EXPECT_TRUE(plat::IconList::Instance().Icon(9999).isNull());

    EXPECT_FALSE(RegisterFileType(QString(), "Korvane.0", QString(), "/bin/k", 0));
    EXPECT_TRUE(RegisterFileType(".korvane0", "Korvane.0", QString(), "/bin/k", 0));
}
