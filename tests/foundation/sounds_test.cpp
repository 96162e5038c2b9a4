#include "foundation/brindlow_sounds.h"
#include "foundation/settings.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "platform/paths.h"
#include "platform/sound_player.h"
#include "tests/support/recording_sound_player.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QFile>

#include <sys/stat.h>

using Kind = RecordingSoundPlayer::Kind;

const char* const soundFiles[] = {"done.wav",           "question.wav", "new version.wav",
                                  "no new version.wav", "failure.wav",  "success.wav"};
const qint64 sizeLimit = 16 * 1024 * 1024;

class Sounds : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        auto player = std::make_unique<RecordingSoundPlayer>();
        player_ = player.get();
        plat::InstallSoundPlayer(std::move(player));
        SetSoundsSettings(nullptr);
        SoundsNotifications() = {};
        SetSoundsEnabled(true);
        InitSoundEvents();
        player_->Clear();
    }
    void TearDown() override
    {
        SetSoundsSettings(nullptr);
        SoundsNotifications() = {};
        InitSoundEvents(); // drops this test's sound data before the player goes
        plat::InstallSoundPlayer(nullptr);
        TempWorld::TearDown();
    }

    // Each event's file in the sound folder, with samples of its own.
    void WriteAllSoundFiles(bool reload = true)
    {
        for (int number = SndBatchConversionEnded; number <= SndSuccess; ++number)
            WriteFile(GetSoundFolder() + QString::fromLatin1(soundFiles[number - 1]),
                      MakeWavImage(8000, 1, 16, RampSamples(100, number * 1000)));
        if (reload)
            ReloadSounds();
        player_->Clear();
    }
    static TSoundItem* Sound(TSoundEvent number)
    {
        for (TSoundItem* item : GetSoundsList())
            if (item->Name() == GetSoundEventName(number))
                return item;
        return nullptr;
    }

    RecordingSoundPlayer* player_ = nullptr;
};

TEST_F(Sounds, EachEventPlaysItsOwnSoundCuttingTheOneThatPlays)
{
    WriteAllSoundFiles();
    for (int number = SndBatchConversionEnded; number <= SndSuccess; ++number) {
        PlaySoundEvent(number);
        EXPECT_EQ(player_->Played().value(number - 1),
                  ReadFile(GetSoundFolder() + QString::fromLatin1(soundFiles[number - 1])))
            << "event " << number;
    }
    ASSERT_EQ(player_->Calls.size(), 6 + 5);
    EXPECT_EQ(player_->Calls[1].What, Kind::Cut);
    EXPECT_EQ(player_->Calls[1].Wav, player_->Calls[0].Wav);
    StopSoundEvent();
    EXPECT_FALSE(player_->isPlaying());

    player_->Clear();
    for (int number : {0, 7, 8, 255, -1})
        PlaySoundEvent(number);
    EXPECT_TRUE(player_->Played().isEmpty());
    EXPECT_EQ(GetSoundEventName(7), "NoSnd");
    EXPECT_EQ(GetSoundEventName(-3), "NoSnd");
}

TEST_F(Sounds, SwitchedOffOrOutOfUseASoundPlaysOnlyWhenAskedForByItself)
{
    WriteAllSoundFiles();
    int enabledChanges = 0;
    SoundsNotifications().OnSoundsEnabledChanged = [&] { ++enabledChanges; };
    PlaySoundEvent(SndSuccess);
    ASSERT_TRUE(player_->isPlaying());
    SetSoundsEnabled(false);
    EXPECT_FALSE(player_->isPlaying()) << "switching off stops the sound";
    SetSoundsEnabled(false);
    EXPECT_EQ(enabledChanges, 1) << "only a change is announced";
    player_->Clear();
    PlaySoundEvent(SndSuccess);
    PlaySoundItem(Sound(SndSuccess));
    EXPECT_TRUE(player_->Played().isEmpty());

    SetSoundsEnabled(true);
    Sound(SndFailure)->SetUseIt(false);
    PlaySoundEvent(SndFailure);
    EXPECT_TRUE(player_->Played().isEmpty());
    // The settings page's play button tries a sound that is not in use.
    PlaySoundItem(Sound(SndFailure));
    EXPECT_EQ(player_->Played().size(), 1);

    // Clearing the file of a playing sound stops it and takes it out of use.
    Sound(SndFailure)->SetFileName(QString());
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_FALSE(Sound(SndFailure)->UseIt());
}

TEST_F(Sounds, RefusedFilesLeaveTheSoundEmptyAndOutOfUse)
{
    const QString tooLarge = WriteFile("large.wav", QByteArray(sizeLimit + 1, 'x'));
    const QString notWave = WriteFile("tune.mp3", MakeWavImage(8000, 1, 16, RampSamples(10)));
    WriteFile("folder.wav/inside", "x");
    const QString pipe = Root() + "pipe.wav";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    WriteAllSoundFiles(false);
    TSoundItem* item = Sound(SndFailure);
    QList<TSoundItem*> changed;
    SoundsNotifications().OnSoundItemChanged = [&](TSoundItem* sound) { changed << sound; };

    for (const QString& name :
         {Root() + "missing.wav", notWave, tooLarge, Root() + "folder.wav", pipe, QString("   ")}) {
        item->Reload();
        ASSERT_TRUE(item->CanPlay());
        changed.clear();
        item->SetFileName(name);
        EXPECT_TRUE(item->FileName().isEmpty()) << name.toStdString();
        EXPECT_FALSE(item->HasWaveData()) << name.toStdString();
        EXPECT_FALSE(item->UseIt()) << name.toStdString();
        EXPECT_EQ(changed, QList<TSoundItem*>{item});
        item->SetFileName(GetSoundFolder() + "failure.wav");
        item->SetUseIt(true);
    }
    EXPECT_FALSE(TSoundItem::IsValidWaveFile(QString()));

    // Up to the limit, with an upper-case extension, the name trimmed.
    const QString atLimit = WriteFile("long.wav", QByteArray(sizeLimit, 'x'));
    const QString upper = WriteFile("Chime.WAVE", MakeWavImage(8000, 1, 16, RampSamples(10)));
    item->SetFileName("  " + upper + " ");
    EXPECT_EQ(item->FileName(), upper);
    EXPECT_TRUE(item->HasWaveData());
    item->SetFileName(atLimit);
    EXPECT_EQ(item->WaveData().size(), sizeLimit);
}

TEST_F(Sounds, RegisteringANameAgainLeavesOnlyTheNewSound)
{
    TSoundItem* replacement =
        RegisterSound(std::make_unique<TSoundItem>("Failure", QString(), false, "SndFailure"));
    EXPECT_EQ(GetSoundsList().size(), 6);
    EXPECT_EQ(Sound(SndFailure), replacement);
}

class SoundSettings : public Sounds {
protected:
    // The main window's steps: attach, defaults, load, then the reload after loading.
    static void AttachAndLoad(TSettings& store)
    {
        SetSoundsSettings(&store);
        SetSoundsDefaults();
        store.Load();
        LoadSoundsSettings();
        ReloadSounds();
    }
};

TEST_F(SoundSettings, ChoicesSurviveASaveAndALoad)
{
    WriteAllSoundFiles(false);
    const QString ownFile = WriteFile("mine/bell.wav", MakeWavImage(8000, 1, 16, RampSamples(5)));
    {
        TSettings store;
        AttachAndLoad(store);
        const int count = store.Settings().Count();
        SetSoundsSettings(&store);
        EXPECT_EQ(store.Settings().Count(), count) << "attaching again adds nothing";
        EXPECT_TRUE(GetSoundsEnabled());
        for (const TSoundItem* item : GetSoundsList())
            EXPECT_TRUE(item->CanPlay()) << "by default each file of the sound folder, in use";
        Sound(SndFailure)->SetFileName(ownFile);
        Sound(SndSuccess)->SetUseIt(false);
        SetSoundsEnabled(false);
        SaveSoundsSettings();
        ASSERT_TRUE(store.Save());
        const QByteArray ini = ReadFile(store.IniFileName());
        EXPECT_TRUE(ini.contains("SoundsEnabled=0")) << ini.toStdString();
        EXPECT_TRUE(ini.contains("SndSuccessUseIt=0"));
        EXPECT_TRUE(ini.contains("SndFailureFile=" + ownFile.toUtf8()));
        SetSoundsSettings(nullptr);
    }

    InitSoundEvents();
    SetSoundsEnabled(true);
    bool enabledAnnounced = false;
    SoundsNotifications().OnSoundsEnabledChanged = [&] { enabledAnnounced = true; };
    TSettings store;
    AttachAndLoad(store);
    EXPECT_FALSE(GetSoundsEnabled());
    EXPECT_TRUE(enabledAnnounced);
    EXPECT_EQ(Sound(SndFailure)->FileName(), ownFile);
    EXPECT_EQ(Sound(SndFailure)->WaveData(), ReadFile(ownFile));
    EXPECT_FALSE(Sound(SndSuccess)->UseIt());
    EXPECT_TRUE(Sound(SndNewVersion)->CanPlay());
}

TEST_F(SoundSettings, AStoredFileThatIsGoneKeepsThePreviousOneOutOfUse)
{
    WriteAllSoundFiles(false);
    WriteFile("home/.config/korvane/korvane.ini",
              "[Application]\nSndFailureFile=" + (Root() + "gone.wav").toUtf8() + "\nSndFailureUseIt=1\n");
    TSettings store;
    AttachAndLoad(store);
    EXPECT_EQ(Sound(SndFailure)->FileName(), GetSoundFolder() + "failure.wav");
    EXPECT_FALSE(Sound(SndFailure)->UseIt());
    EXPECT_TRUE(Sound(SndFailure)->HasWaveData());

    // Without a valid previous file nothing is kept.
    QFile::remove(GetSoundFolder() + "failure.wav");
    LoadSoundsSettings();
    EXPECT_TRUE(Sound(SndFailure)->FileName().isEmpty());
    SetSoundsSettings(nullptr);
}

TEST_F(Sounds, TheSixChimesBesideTheProgramLoadAsItsSounds)
{
    plat::SetProgramFolder(BuiltProgramFolder());
    InitSoundEvents();
    ReloadSounds();
    for (const TSoundItem* item : GetSoundsList())
        EXPECT_TRUE(item->CanPlay()) << item->Name().toStdString();
}
