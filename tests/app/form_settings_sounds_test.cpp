#include "app/dialog_settings.h"
#include "app/form_settings_sounds.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/sounds_list_view.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/program_globals.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "tests/support/patience.h"
#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_sound_player.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class SoundsPage : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        auto player = std::make_unique<RecordingSoundPlayer>();
        Player = player.get();
        plat::InstallSoundPlayer(std::move(player));
        SetSoundsSettings(nullptr);
        SetSoundsEnabled(true);
        InitSoundEvents();
        for (TSoundItem* sound : GetSoundsList())
            sound->SetFileName(WriteWav(sound->FileName()));
        Player->Clear();
        Page = std::make_unique<TPageSettingsSounds>();
        Page->SetActive(true);
        QStringList names, rows;
        for (const TSoundItem* sound : GetSoundsList())
            names << sound->Name();
        for (int row = 0; row < Page->SoundsVisualList->topLevelItemCount(); ++row)
            rows << Page->SoundsVisualList->topLevelItem(row)->text(0);
        ASSERT_EQ(names, QStringList({"SndBatchConversionEnded", "SndSuccess", "SndFailure",
                                      "SndPleaseConfirm", "SndNewVersion", "SndNoNewVersion"}));
        ASSERT_EQ(rows, QStringList({"Batch conversion ended", "Success", "Failure", "Please confirm...",
                                     "A new version is available", "No new version is available"}));
    }
    void TearDown() override
    {
        Page.reset();
        InitSoundEvents();
        plat::InstallSoundPlayer(nullptr);
        TempWorld::TearDown();
    }

    // A wave file under the test's root, with samples of its own.
    QString WriteWav(const QString& fileName)
    {
        Images.append(MakeWavImage(8000, 1, 16, RampSamples(64, Images.size() * 1000)));
        return WriteFile(fileName.mid(Root().size()), Images.last());
    }
    TSoundItem* Select(int row) const
    {
        Page->SoundsVisualList->setCurrentItem(Page->SoundsVisualList->topLevelItem(row));
        return GetSoundsList().at(row);
    }

    RecordingSoundPlayer* Player = nullptr;
    QList<QByteArray> Images;
    std::unique_ptr<TPageSettingsSounds> Page;
};

TEST_F(SoundsPage, BrowseTakesTheChosenWaveAndACancelledOrRefusedChoiceKeepsTheSoundChosenBefore)
{
    const QString bell = WriteWav(Root() + "mine/bell.wav");
    TSoundItem* sound = Select(0);
    const struct {
        QString choice, kept, startFolder;
    } cases[] = {
        {bell, bell, GetSoundFolder()},
        {"", bell, Root() + "mine/"},
        {Root() + "missing.wav", bell, Root() + "mine/"},
    };
    for (const auto& c : cases) {
        if (!c.choice.isEmpty())
            Dialogs().QueueChoice(c.choice);
        Page->ButtonLocationSound->click();
        EXPECT_EQ(Dialogs().FileRequests().last().Folder, c.startFolder);
        EXPECT_EQ(sound->FileName(), c.kept) << c.choice.toStdString();
        EXPECT_EQ(Page->EditSoundFilename->text(), c.kept);
    }
    EXPECT_EQ(Dialogs().Messages().size(), 1) << "the missing file is refused with a box";
    EXPECT_EQ(sound->WaveData(), Images.last());
}

TEST_F(SoundsPage, WithSoundsOffTheListIsGreyAndNothingPlaysAndBackOnPlayStopAndClearActOnTheSelection)
{
    Select(2);
    Page->CheckBoxEnableSounds->click();
    EXPECT_FALSE(GetSoundsEnabled());
    EXPECT_FALSE(Page->SoundsVisualList->isEnabled());
    EXPECT_TRUE(Page->SoundsVisualList->selectedItems().isEmpty());
    Select(2);
    EXPECT_FALSE(Page->EditSoundFilename->text().isEmpty());
    for (const QWidget* button : {Page->BitBtnPlay, Page->BitBtnStop, Page->ButtonClearSound})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    for (int row = 0; row < Page->SoundsVisualList->topLevelItemCount(); ++row) {
        EXPECT_FALSE(Page->SoundsVisualList->topLevelItem(row)->data(0, Qt::CheckStateRole).isValid());
        EXPECT_TRUE(GetSoundsList().at(row)->UseIt()) << "hiding the marks keeps the sounds in use";
    }
    SetSoundsEnabled(true);
    EXPECT_TRUE(Page->CheckBoxEnableSounds->isChecked()) << "the manager's switch shows in the box";

    TSoundItem* sound = Select(1);
    Page->BitBtnPlay->click();
    Page->BitBtnStop->click();
    EXPECT_EQ(Player->Played(), QList<QByteArray>{Images.at(1)});
    EXPECT_EQ(Player->Calls.last().What, RecordingSoundPlayer::Kind::Stop);
    Page->ButtonClearSound->click();
    EXPECT_TRUE(sound->FileName().isEmpty());
    EXPECT_FALSE(sound->UseIt());
    EXPECT_FALSE(Page->BitBtnPlay->isEnabled());
}

class SoundsAtStart : public ProgramWorld {
protected:
    void TearDown() override
    {
        ProgramWorld::TearDown();
        SetSoundsEnabled(true);
    }
};

TEST_F(SoundsAtStart, SoundsStoredOffShowTheListGreyWithoutMarksAndNoRowTakesTheSelection)
{
    ASSERT_TRUE(InitializeUnits());
    WriteFile(GlobalSettingsFileName(), "[Korvane]\nSoundsEnabled=0\n");
    // As in a new process; and with the switch already off when the page is made, so that loading
    // changes nothing and only the page's own load brings the list in line.
    for (const bool onBefore : {true, false}) {
        SCOPED_TRACE(onBefore ? "on before" : "off before");
        SetSoundsEnabled(onBefore);
        TKorvaneForm& main = Start();
        auto* page = Find<TPageSettingsSounds>("PageSettingsSounds");
        ASSERT_NE(page, nullptr);
        EXPECT_FALSE(GetSoundsEnabled());
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = Find<TDlgSettings>("DlgSettings");
            dialog->TreeViewSettings->setCurrentItem(
                dialog->TreeViewSettings->findItems("Sounds", Qt::MatchExactly).value(0));
            TSoundsListView* list = page->SoundsVisualList;
            EXPECT_TRUE(QTest::qWaitForWindowExposed(list->window(), PatienceLeft()))
                << "the dialog never showed";
            EXPECT_TRUE(list->isVisible());
            EXPECT_FALSE(page->CheckBoxEnableSounds->isChecked());
            EXPECT_FALSE(list->isEnabled());
            EXPECT_EQ(list->topLevelItemCount(), 6);
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                EXPECT_FALSE(list->topLevelItem(row)->data(0, Qt::CheckStateRole).isValid()) << row;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(1)).center());
            EXPECT_TRUE(list->selectedItems().isEmpty());
            EXPECT_FALSE(page->ButtonLocationSound->isEnabled());
            for (const QWidget* button : {page->BitBtnPlay, page->BitBtnStop, page->ButtonClearSound})
                EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
            seen = true;
            dialog->close();
        });
        main.MenuSettings->trigger();
        EXPECT_TRUE(seen);
        Stop();
    }
}

} // namespace
