#include "app/form_settings_internet.h"
#include "app/info_dialog.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/url_link.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/sounds_manager.h"
#include "platform/registry.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/patience.h"
#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_sound_player.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"
#include "tests/support/wav_image.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const char* const soundFiles[] = {"new version.wav", "no new version.wav", "failure.wav"};

QByteArray VersionDocument(const QString& version, const QByteArray& extra = {})
{
    return "tamsel.works\nVersion=" + version.toUtf8() +
           "\nHomePage=http://home.example/\nDownloadPage=https://get.example/\nGuide=http://guide.example/"
           "\n" +
           extra;
}

} // namespace

TEST(VersionDocument, KeepsOnlyValidLinksPrefersTheLanguagesValuesAndComparesVersionsNumberByNumber)
{
    const QStringList doc{"HomePage=ftp://home.example/",
                          "DownloadPage=httpx://evil.example/",
                          "Guide=javascript:alert(1)",
                          "Distribution=ftp://files.example/k.tgz",
                          "  guidefr=http://guide.example/fr  ",
                          "HomePagefr=<b>not a link</b>",
                          "InfoMessage=for everyone",
                          "InfoMessage=<300 for older copies",
                          "InfoMessage=>100 for newer copies"};
    const TVersionDocument read = ReadVersionDocument(doc, "fr", "200");
    EXPECT_EQ(read.HomePage, QString());
    EXPECT_EQ(read.DownloadPage, QString());
    EXPECT_EQ(read.Guide, "http://guide.example/fr");
    EXPECT_EQ(read.Distribution, "ftp://files.example/k.tgz");
    EXPECT_EQ(read.InfoMessage, "for everyone\rfor older copies\rfor newer copies\r");

    const QStringList withFrenchInfo =
        doc + QStringList{"InfoMessagefr==200 pour cette version", "InfoMessagefr==199 jamais"};
    EXPECT_EQ(ReadVersionDocument(withFrenchInfo, "fr", "200").InfoMessage, "pour cette version\r");
    EXPECT_EQ(ReadVersionDocument(withFrenchInfo, QString(), "300").InfoMessage,
              "for everyone\rfor newer copies\r");

    const struct {
        const char *A, *B;
        int Order;
    } cases[] = {{"10.0.0", "2.0.0", 1},  {"2.0.0", "2.0.0", 0},   {"2.0", "2.0.0", 0},
                 {"2.0.1", "2.0.10", -1}, {"2.1.0b3", "2.1.0", 0}, {"002.0.0", "2.0.0", 0}};
    for (const auto& c : cases) {
        const int order = CompareVersions(c.A, c.B);
        EXPECT_EQ((order > 0) - (order < 0), c.Order) << c.A << " " << c.B;
    }
}

class PageSettingsInternet : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        DefineGuiSettings(store_);
        InitLanguage(false, QString(), true, QString());
        auto player = std::make_unique<RecordingSoundPlayer>();
        player_ = player.get();
        plat::InstallSoundPlayer(std::move(player));
        SetSoundsEnabled(true);
        InitSoundEvents();
        for (int i = 0; i < 3; ++i)
            sounds_[i] = WriteFile(GetSoundFolder() + soundFiles[i],
                                   MakeWavImage(8000, 1, 16, RampSamples(50, i * 100)));
        ReloadSounds();
        player_->Clear();
        GlobalEvents().OnCommandsFinished = [this](QObject*) { ++finished_; };
        // The program's one new-version window, which the page finds by its name.
        infoDlg_ = std::make_unique<TInfoDlg>();
    }
    void TearDown() override
    {
        page_.reset();
        infoDlg_.reset();
        GlobalEvents() = TGlobalEvents();
        InitSoundEvents();
        plat::InstallSoundPlayer(nullptr);
        TempWorld::TearDown();
    }

    // The page over a fresh store, with the start-up addresses of the given paths (none for an empty one).
    void MakePage(const QString& versionPath, const QString& alternatePath = "/alternate",
                  const QString& hitPath = "/hit/")
    {
        const auto address = [this](const QString& path) {
            return path.isEmpty() ? QByteArray() : server_.Url(path).toUtf8();
        };
        WriteFile(GlobalSettingsFileName(), "[Korvane]\nVersionCheckUrl=" + address(versionPath) +
                                                "\nVersionCheckAlternateUrl=" + address(alternatePath) +
                                                "\nUsageHitUrl=" + address(hitPath) + "\n");
        page_ = std::make_unique<TPageSettingsInternet>();
        page_->SetSettingsStore(&store_);
        page_->DefineDefaults();
        store_.Load();
        page_->LoadSettings();
        page_->Translate();
        page_->VersionCheck->TimeoutMs = PatienceLeft();
        const TWebVersionCheckEvent pageHandler = page_->VersionCheck->OnCheckDone;
        page_->VersionCheck->OnCheckDone = [this, pageHandler](auto&&... outcome) {
            pageHandler(outcome...);
            ++checksDone_;
        };
    }
    // The requests other than usage hits.
    QStringList VersionRequests() const
    {
        QStringList paths = server_.Requests();
        paths.removeIf([](const QString& path) { return path.startsWith("/hit/"); });
        return paths;
    }
    // Waits until the page has handled the outcome of that many version requests since the test began.
    void WaitForChecks(int count)
    {
        EXPECT_TRUE(
            Reaches([&] { return checksDone_ >= count; }, "the end of check " + std::to_string(count)));
        EXPECT_EQ(VersionRequests().size(), count);
    }
    QList<QByteArray> SoundsPlayed() const { return player_->Played(); }
    QByteArray Sound(int index) const { return ReadFile(sounds_[index]); }
    TInfoDlg* Dialog() const { return page_->InfoDlg(); }

    LoopbackHttpServer server_;
    TSettings store_;
    std::unique_ptr<TInfoDlg> infoDlg_;
    std::unique_ptr<TPageSettingsInternet> page_;
    RecordingSoundPlayer* player_ = nullptr;
    QString sounds_[3];
    int finished_ = 0;
    int checksDone_ = 0;
};

TEST_F(PageSettingsInternet, AnEqualVersionIsSilentUnlessTheUserAsked)
{
    server_.SetAnswer("/v", {200, VersionDocument(GetShortVersion())});
    MakePage("/v");
    page_->SettingsLoaded();
    WaitForChecks(1);
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_TRUE(SoundsPlayed().isEmpty());

    page_->CheckNewVersion(true);
    WaitForChecks(2);
    ASSERT_TRUE(Dialog()->isVisible());
    EXPECT_TRUE(Dialog()->LabelNewVersion->text().startsWith("No new version available at this time: "));
    EXPECT_TRUE(Dialog()->PanelHomePage->isVisibleTo(Dialog()));
    EXPECT_FALSE(Dialog()->PanelDownloadPage->isVisibleTo(Dialog()));
    EXPECT_EQ(SoundsPlayed(), QList<QByteArray>{Sound(1)});
    EXPECT_EQ(finished_, 0) << "the check ends when the window closes";
    Dialog()->InfoDialogTitleButtonOk->click();
    EXPECT_EQ(finished_, 1);
}

TEST_F(PageSettingsInternet, ANewerVersionShowsItsLinksAsPlainTextWithTheSound)
{
    server_.SetAnswer("/v", {200, VersionDocument("10.0.0", "InfoMessage=Read <b>this</b>\n")});
    MakePage("/v");
    page_->SettingsLoaded();
    ASSERT_TRUE(Reaches([&] { return Dialog()->isVisible(); }, "the new-version window"));
    EXPECT_EQ(Dialog()->LabelNewVersion->text(), "A new version is available: 10.0.0 !  \n");
    EXPECT_EQ(Dialog()->UrlDownloadPage->Link(), "https://get.example/");
    EXPECT_EQ(Dialog()->UrlGuide->Link(), "http://guide.example/");
    EXPECT_EQ(Dialog()->UrlGuide->textFormat(), Qt::PlainText);
    EXPECT_EQ(Dialog()->MemoInfoMessage->toPlainText(), "Read <b>this</b>\n");
    EXPECT_EQ(SoundsPlayed(), QList<QByteArray>{Sound(0)});
    EXPECT_EQ(page_->LastVersionCheckDate, QDate::currentDate());
}

TEST_F(PageSettingsInternet, AFailedCheckTriesTheAlternateOnceThenTellsOnlyAnExplicitCheck)
{
    MakePage("/gone");
    const QDate before = page_->LastVersionCheckDate;
    page_->CheckNewVersion(false);
    WaitForChecks(2);
    EXPECT_EQ(VersionRequests(), (QStringList{"/gone", "/alternate"}));
    EXPECT_TRUE(Dialogs().Messages().isEmpty());

    page_->CheckNewVersion(true);
    WaitForChecks(4);
    EXPECT_EQ(Dialogs().LastText(), "\rThe check for new version available failed");
    EXPECT_EQ(SoundsPlayed(), QList<QByteArray>{Sound(2)});
    EXPECT_EQ(finished_, 1);
    EXPECT_EQ(page_->LastVersionCheckDate, before);

    server_.SetAnswer("/alternate", {200, VersionDocument(GetShortVersion())});
    page_->CheckNewVersion(false);
    WaitForChecks(6);
    EXPECT_EQ(page_->LastVersionCheckDate, QDate::currentDate());

    // With no address set, an explicit check says so at once instead of blaming the network.
    MakePage(QString(), QString(), QString());
    const int shown = Dialogs().Messages().size();
    page_->CheckNewVersion(true);
    EXPECT_EQ(Dialogs().Messages().size(), shown + 1);
    EXPECT_EQ(Dialogs().LastText(), "\rNo address is set for the check for new version available");
    EXPECT_EQ(SoundsPlayed().size(), 1);
    EXPECT_EQ(finished_, 1) << "no check was started";
    EXPECT_EQ(VersionRequests().size(), 6);
}

TEST_F(PageSettingsInternet, TheDailyCheckWaitsForALaterDayAndTheUsageHitIsSentUntilOneArrived)
{
    server_.SetAnswer("/v", {200, VersionDocument(GetShortVersion())});
    server_.SetAnswer("/hit/CheckNew2_" + GetShortVersionNoDots() + u'g', {200, "ok"});
    MakePage("/v");
    page_->LastVersionCheckDate = QDate::currentDate();
    page_->SettingsLoaded();
    page_->CheckBoxCheckAutomatic->click();
    EXPECT_TRUE(page_->CheckBoxCheckAutomatic->isChecked());
    page_->CheckNewVersion(false);
    WaitForChecks(1);
    ASSERT_TRUE(Reaches([&] { return page_->Useful; }, "the usage hit's answer"));
    EXPECT_EQ(server_.Requests().size(), 2) << "nothing was sent on the same day";
    page_->CheckNewVersion(false);
    WaitForChecks(2);
    EXPECT_EQ(server_.Requests().size(), 3);

    MakePage("/v", "/alternate", QString());
    page_->Useful = false;
    page_->CheckNewVersion(false);
    WaitForChecks(3);
    EXPECT_FALSE(page_->Useful);
    EXPECT_EQ(server_.Requests().size(), 4);
}

using InternetPageAtStart = ProgramWorld;

TEST_F(InternetPageAtStart, ADailyCheckStoredOffIsTurnedBackOnAndStoredOn)
{
    ASSERT_TRUE(InitializeUnits());
    const TSettings& store = *Start().GuiSettings();
    const QString keyPath = store.BaseKey() + "\\" + store.ApplicationKey();
    Stop();
    auto key = plat::RegistryKey::Open(plat::RegistryRoot::CurrentUser, keyPath, true);
    ASSERT_TRUE(key && key->WriteDword("PerformCheck", 0));
    Start();
    EXPECT_TRUE(Find<TPageSettingsInternet>("PageSettingsInternet")->CheckBoxCheckAutomatic->isChecked());
    Main().close();
    EXPECT_EQ(key->ReadDword("PerformCheck"), 1u);
}
