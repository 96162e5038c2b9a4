#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "tests/support/temp_world.h"

class ProgramGlobals : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        StartupFlags = TStartupFlags();
        WriteFile("program/Lng/korvane_fr.lng", "[Language]\nLanguage=Fran\xc3\xa7"
                                                "ais\nLanguageExt=fr\n\n[Messages]\nNo %s=Pas de %s\n");
    }
    void TearDown() override
    {
        InitLanguage(false, QString(), true, QString());
        NoTooLameText = "No TooLame";
        NoMplexText = "No Mplex";
        TempWorld::TearDown();
    }
    void WriteStartupSettings(const QByteArray& lines)
    {
        WriteFile(GlobalSettingsFileName(), "[Korvane]\n" + lines);
    }
};

TEST_F(ProgramGlobals, VersionTextsShowABuildNumberAsABeta)
{
    EXPECT_EQ(ProgramVersionFromFileVersion("2.0.0.0"), "2.0.0");
    EXPECT_EQ(ProgramVersionFromFileVersion("2.0.0.3"), "2.0.0b3");
    EXPECT_EQ(ProgramVersionFromFileVersion("2.0.0.12"), "2.0.0b12");
    EXPECT_EQ(ProgramVersionFromFileVersion("2.0.0.123"), "2.0.0");
    EXPECT_EQ(ProgramVersionFromFileVersion(QString()), QString());
    EXPECT_EQ(ShortVersionOf("2.0.0b12"), "2.0.0");

    // A program without version strings is titled by its name alone.
    ClearVersionCaches();
    EXPECT_EQ(GetProgramVersion(), QString());
    EXPECT_EQ(GetVersionNoDots(), QString());
    EXPECT_EQ(GetProgramTitleVersion(), "Korvane");
    ClearVersionCaches();
}

TEST_F(ProgramGlobals, FlagsAreOnOnlyForExactlyOne)
{
    bool scaling = false;
    SetScalingSwitch([&scaling](bool on) { scaling = on; });
    LoadGlobalSettings();
    EXPECT_FALSE(StartupFlags.NoScaling) << "no settings file";
    EXPECT_TRUE(scaling);
    EXPECT_EQ(TranslateMsg("No %s"), "No %s") << "nor language: English";

    WriteStartupSettings("NoScaling=1 \nDebug=true\nDoNotShowNoMplexAgain=1\nDoNotShowBadMplexAgain=01\n"
                         "DoNotShowNoTooLameAgain= 1\n");
    LoadGlobalSettings();
    EXPECT_TRUE(StartupFlags.NoScaling);
    EXPECT_FALSE(scaling);
    SetScalingSwitch(nullptr);
    EXPECT_FALSE(StartupFlags.Debug);
    EXPECT_TRUE(StartupFlags.DoNotShowNoMplexAgain);
    EXPECT_FALSE(StartupFlags.DoNotShowBadMplexAgain);
    EXPECT_TRUE(StartupFlags.DoNotShowNoTooLameAgain);

    WriteFile(GlobalSettingsFileName(), "[Application]\nDoNotShowBadMplexAgain=1\n");
    LoadGlobalSettings();
    EXPECT_TRUE(StartupFlags.DoNotShowBadMplexAgain) << "an earlier version's section";
}

TEST_F(ProgramGlobals, ALanguageListEntrySelectsItsLanguageAndFlagsGoThroughTheStore)
{
    WriteStartupSettings("Language=Fran\xc3\xa7"
                         "ais\t(2.0.0)\n");
    LoadGlobalSettings();
    EXPECT_EQ(CurrentLanguageCode(), "fr");
    InitToolMissingTexts();
    EXPECT_EQ(NoTooLameText, "Pas de TooLame");
    EXPECT_EQ(NoMplexText, "Pas de Mplex");

    TSettings store;
    store.SetApplicationIni(ProgramName);
    for (const char* key : {"DoNotShowNoTooLameAgain", "DoNotShowNoMplexAgain", "DoNotShowBadTooLameAgain",
                            "DoNotShowBadMplexAgain", "DoNotShowTooSmallDesktopAgain"}) {
        TSettingItem* item = store.Settings().Add();
        item->SetName(key);
        item->SetStorage(ssIniFile);
    }
    RegisterDoNotShowSettings(&store);
    EXPECT_EQ(store.FindItem("DoNotShowBadTooLameAgain")->ValueDefault(), QVariant(false));
    StartupFlags.DoNotShowBadTooLameAgain = true;
    StoreDoNotShowSettings(&store);
    ASSERT_TRUE(store.Save());

    StartupFlags = TStartupFlags();
    LoadGlobalSettings();
    EXPECT_TRUE(StartupFlags.DoNotShowBadTooLameAgain) << "the start-up settings read the store's file";
    RegisterDoNotShowSettings(nullptr);
    StoreDoNotShowSettings(nullptr);
}
