#include "foundation/settings.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest-spi.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTime>

#include <cstring>

namespace {

const QString kSection = "Korvane";
const QString kKey = "Korvane\\2.0.0g";

struct Sample {
    const char* name;
    TSettingType type;
    QVariant value;
};

std::vector<Sample> samples()
{
    return {
        {"Flag", stBoolean, true},
        {"Money", stCurrency, 1234.5678},
        {"Day", stDate, QDate(2024, 2, 29)},
        {"Moment", stDateTime, QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58, 678))},
        {"Ratio", stFloat, 3.141592653589793},
        {"Count", stInteger, -42},
        {"Text", stString, "a=b [x] %s \\\\server\\share Ünï 日本"},
        {"Clock", stTime, QTime(7, 5, 3)},
    };
}

const QStringList kAwkward = {"=starts",  "[x]",        "%s%%",    "C:\\a\\b\\", "Français 日本", "  both  ",
                              ";comment", "\"quoted\"", "\" half", "\ttab",      "[Positions]"};

} // namespace

class Settings : public TempWorld {
protected:
    QString IniName() const { return ConfigHome() + "korvane/korvane.ini"; }

    static std::unique_ptr<TSettings> MakeStore()
    {
        auto store = std::make_unique<TSettings>();
        store->SetBaseKey("Software\\Tamsel.Works");
        store->SetApplicationIni(kSection);
        store->SetApplicationKey(kKey);
        return store;
    }

    static TSettingItem* AddItem(TSettings& store, const QString& name, TSettingType type,
                                 TSettingStorage storage, const QVariant& defaultValue = {})
    {
        TSettingItem* item = store.Settings().Add();
        item->SetName(name);
        item->SetDataType(type);
        item->SetStorage(storage);
        if (defaultValue.isValid())
            store.SetDefaultValue(name, defaultValue);
        return item;
    }
    static std::optional<plat::RegistryKey> ApplicationKey(bool create)
    {
        return plat::RegistryKey::Open(plat::RegistryRoot::CurrentUser,
                                       QStringLiteral("Software\\Tamsel.Works\\") + kKey, create);
    }

    // Every sample and awkward text, once in each storage, with the storage's letter ending its name.
    static std::unique_ptr<TSettings> MakeFullStore()
    {
        auto store = MakeStore();
        for (const TSettingStorage storage : {ssIniFile, ssRegistry}) {
            const QString tail = storage == ssIniFile ? "I" : "R";
            for (const Sample& sample : samples())
                AddItem(*store, QString::fromLatin1(sample.name) + tail, sample.type, storage);
            for (int i = 0; i < kAwkward.size(); ++i)
                AddItem(*store, QStringLiteral("Awkward%1").arg(i) + tail, stString, storage);
        }
        return store;
    }
};

TEST_F(Settings, EveryTypeComesBackThroughTheIniFileAndTheRegistry)
{
    auto store = MakeFullStore();
    for (const QString tail : {"I", "R"}) {
        for (const Sample& sample : samples())
            store->SetValue(QString::fromLatin1(sample.name) + tail, sample.value);
        for (int i = 0; i < kAwkward.size(); ++i)
            store->SetValue(QStringLiteral("Awkward%1").arg(i) + tail, kAwkward[i]);
    }
    ASSERT_TRUE(store->Save());

    auto fresh = MakeFullStore();
    ASSERT_TRUE(fresh->Load());
    for (const QString tail : {"I", "R"}) {
        for (const Sample& sample : samples()) {
            const QVariant value = fresh->GetValue(QString::fromLatin1(sample.name) + tail);
            EXPECT_EQ(value, sample.value)
                << sample.name << tail.toStdString() << " read back as " << value.toString().toStdString();
        }
        for (int i = 0; i < kAwkward.size(); ++i)
            EXPECT_EQ(fresh->GetValue(QStringLiteral("Awkward%1").arg(i) + tail), kAwkward[i]);
    }

    const plat::IniText text = plat::IniText::Load(IniName()).value();
    EXPECT_EQ(text.ReadString(kSection, "FlagI", QString()), "1");
    EXPECT_EQ(text.ReadString(kSection, "MoneyI", QString()), "1234.5678");
    EXPECT_EQ(text.ReadString(kSection, "DayI", QString()), "2024-02-29");
    EXPECT_EQ(text.ReadString(kSection, "MomentI", QString()), "1999-12-31T23:59:58.678");
    EXPECT_EQ(text.ReadString(kSection, "ClockI", QString()), "07:05:03");
    EXPECT_FALSE(text.ValueExists(kSection, "FlagR"));

    const auto key = ApplicationKey(false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadDword("FlagR"), 1u);
    EXPECT_EQ(key->ReadDword("CountR"), std::uint32_t(-42));
    const QByteArray day = key->ReadBinary("DayR").value_or(QByteArray());
    double days = 0;
    ASSERT_EQ(day.size(), 8);
    std::memcpy(&days, day.constData(), 8);
    EXPECT_EQ(days, 45351.0) << "days since 30 December 1899";
}

TEST_F(Settings, SavingKeepsEverySectionAndKeyOfOthers)
{
    auto store = MakeStore();
    AddItem(*store, "Language", stString, ssIniFile);
    AddItem(*store, "Debug", stBoolean, ssIniFile);
    WriteFile(IniName(), "[Positions]\nKorvaneMain_96_1024x768_Left=12\n\n"
                         "[korvane]\nLanguage=English\nDoNotShowNoMplexAgain=1\nForeign=kept\n");
    ASSERT_TRUE(store->Load());
    EXPECT_EQ(store->GetValue("Language"), "English");

    // The window saves its position after the settings were read.
    plat::IniFile(GetIniFileName("Korvane", QString()))
        .WriteInteger("Positions", "KorvaneMain_96_1024x768_Top", 34);
    store->SetValue("Language", "Français");
    store->SetValue("Debug", false);
    ASSERT_TRUE(store->Save());
    EXPECT_EQ(ReadFile(IniName()),
              QByteArray("[Positions]\nKorvaneMain_96_1024x768_Left=12\n"
                         "KorvaneMain_96_1024x768_Top=34\n\n"
                         "[korvane]\nLanguage=Français\nDoNotShowNoMplexAgain=1\nForeign=kept\n"
                         "Debug=0\n"));
}

TEST_F(Settings, AnEarlierVersionsSectionIsReadOnlyWhileTheStoresOwnIsAbsent)
{
    auto store = MakeStore();
    AddItem(*store, "Volume", stInteger, ssIniFile, 20);
    WriteFile(IniName(), "[Application]\nVolume=35\n");
    ASSERT_TRUE(store->Load());
    EXPECT_EQ(store->GetValue("Volume"), 35);

    store->SetValue("Volume", 40);
    ASSERT_TRUE(store->Save());
    WriteFile(IniName(), ReadFile(IniName()).replace("Volume=35", "Volume=10"));
    ASSERT_TRUE(store->Load());
    EXPECT_EQ(store->GetValue("Volume"), 40) << "the store's own section wins once it exists";
}

TEST_F(Settings, MissingOrBadValuesTakeTheDefault)
{
    auto store = MakeStore();
    AddItem(*store, "Number", stInteger, ssIniFile, 7);
    AddItem(*store, "When", stDate, ssIniFile, QDate(2001, 1, 1));
    AddItem(*store, "Empty", stString, ssIniFile, "default");
    AddItem(*store, "Missing", stFloat, ssIniFile, "2.5");
    AddItem(*store, "PerformCheck", stBoolean, ssRegistry, true);
    AddItem(*store, "Name", stString, ssRegistry, "default");
    WriteFile(IniName(), "[Korvane]\nNumber=seven\nWhen=2024-13-45\nEmpty=\n");
    auto key = ApplicationKey(true);
    ASSERT_TRUE(key);
    key->WriteString("PerformCheck", "0");
    key->WriteString("Name", QString());

    ASSERT_TRUE(store->Load());
    EXPECT_EQ(store->GetValue("Number"), 7);
    EXPECT_EQ(store->GetValue("When"), QDate(2001, 1, 1));
    EXPECT_EQ(store->GetValue("Empty"), QString()) << "an ini text may be empty";
    EXPECT_EQ(store->GetValue("Missing"), 2.5);
    EXPECT_EQ(store->GetValue("PerformCheck"), true) << "a string is not a Boolean";
    EXPECT_EQ(store->GetValue("Name"), "default") << "an empty registry string";
}

TEST_F(Settings, LoadingMakesTheRegistryKeyAndSavingWritesOnlyHeldValues)
{
    auto store = MakeStore();
    AddItem(*store, "Useful", stBoolean, ssRegistry);
    AddItem(*store, "Kept", stString, ssIniFile);
    AddItem(*store, QString(), stString, ssIniFile);
    ASSERT_TRUE(store->Load());
    EXPECT_TRUE(ApplicationKey(false));
    WriteFile(IniName(), "[Korvane]\nKept=by the user\n");
    ASSERT_TRUE(store->Save());
    EXPECT_EQ(ReadFile(IniName()), QByteArray("[Korvane]\nKept=by the user\n"));
}

TEST_F(Settings, AReadOnlyFileMakesSaveFailAndLosesNothing)
{
    auto store = MakeStore();
    AddItem(*store, "Language", stString, ssIniFile);
    AddItem(*store, "Useful", stBoolean, ssRegistry);
    const QByteArray content = "[Korvane]\nLanguage=English\n[Other]\nx=1\n";
    WriteFile(IniName(), content);
    QFile::setPermissions(IniName(), QFile::ReadOwner | QFile::ReadGroup);
    ASSERT_TRUE(store->Load());
    store->SetValue("Language", "Français");
    store->SetValue("Useful", true);
    EXPECT_FALSE(store->Save());
    EXPECT_EQ(ReadFile(IniName()), content);

    auto fresh = MakeStore();
    AddItem(*fresh, "Useful", stBoolean, ssRegistry);
    ASSERT_TRUE(fresh->Load());
    EXPECT_EQ(fresh->GetValue("Useful"), true) << "the other items are still written";
}

TEST_F(Settings, ItemsAreFoundIgnoringTheCaseOfAsciiLetters)
{
    auto store = MakeStore();
    TSettingItem* language = AddItem(*store, "Language", stString, ssIniFile);
    TSettingItem* summer = AddItem(*store, "Été", stString, ssIniFile);
    EXPECT_EQ(store->FindItem("lANGUAGE"), language);
    EXPECT_EQ(store->FindItem("Été"), summer);
    EXPECT_EQ(store->FindItem("été"), nullptr);
    QVariant unknown;
    EXPECT_NONFATAL_FAILURE(unknown = store->GetValue("Unknown"), "Unknown setting \"Unknown\"");
    EXPECT_FALSE(unknown.isValid());
    EXPECT_NONFATAL_FAILURE(store->SetValue("Unknown", 1), "Unknown setting");
    EXPECT_NONFATAL_FAILURE(store->SetDefaultValue("Unknown", 1), "Unknown setting");
    EXPECT_EQ(store->Settings().Count(), 2);
}

TEST_F(Settings, ChangesFireOnlyWhenSomethingChanges)
{
    auto store = MakeStore();
    int fired = 0;
    store->OnChange = [&](TSettings* sender) {
        EXPECT_EQ(sender, store.get());
        ++fired;
    };
    TSettingItem* item = AddItem(*store, "Count", stInteger, ssIniFile);
    EXPECT_EQ(fired, 3);
    item->SetStorage(ssIniFile);
    item->SetValue(QVariant());
    EXPECT_EQ(fired, 4) << "setting an empty item always changes it";
    item->SetValue(5);
    item->SetValue(5);
    item->SetValue("5");
    item->SetValue(5.0);
    EXPECT_EQ(fired, 5) << "equal values, whatever their form";
    item->SetValueDefault(5);
    EXPECT_EQ(fired, 6);

    store->Settings().BeginUpdate();
    item->SetValue(6);
    item->SetValue(7);
    EXPECT_EQ(fired, 6);
    store->Settings().EndUpdate();
    EXPECT_EQ(fired, 7);
}

TEST_F(Settings, TheFileIsNamedAfterTheExecutableInALowerCaseFolderThatIsMade)
{
    QDir(ConfigHome()).removeRecursively();
    EXPECT_EQ(GetIniFileName("Korvane", QString()), IniName()) << "the start-up settings";
    EXPECT_TRUE(QFileInfo(ConfigHome() + "korvane").isDir());
    auto store = MakeStore();
    EXPECT_EQ(store->IniFileName(), IniName());

    plat::SetExecutableName("Korvane.bin.x");
    store->SetIniSuffix("  ");
    EXPECT_EQ(store->IniFileName(), IniName());
    store->SetIniSuffix("_2");
    EXPECT_EQ(store->IniFileName(), ConfigHome() + "korvane/korvane_2.ini");
    store->SetApplicationKey("   ");
    EXPECT_EQ(store->ApplicationKey(), "Application");
}

TEST_F(Settings, TheFileGoesBesideTheExecutableWhenItsFolderCannotBeMade)
{
    QDir(ConfigHome()).removeRecursively();
    WriteFile(ConfigHome().chopped(1), "not a folder");
    auto store = MakeStore();
    store->SetIniFileName("ignored.ini");
    EXPECT_EQ(store->IniFileName(), ProgramFolder() + "korvane.ini");
    AddItem(*store, "Language", stString, ssIniFile);
    store->SetValue("Language", "Deutsch");
    EXPECT_TRUE(store->Save());
    EXPECT_EQ(ReadFile(ProgramFolder() + "korvane.ini"), QByteArray("[Korvane]\nLanguage=Deutsch\n"));
}
