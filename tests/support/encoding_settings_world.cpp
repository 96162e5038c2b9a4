#include "tests/support/encoding_settings_world.h"

#include "foundation/global_events.h"
#include "foundation/language.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

void EncodingSettingsWorld::SetUp()
{
    TempWorld::SetUp();
    plat::SetExecutableName("korvane");
    GlobalEvents().OnEncodingSettingsChanged = [this](QObject* sender) { Senders.push_back(sender); };
}

void EncodingSettingsWorld::TearDown()
{
    GlobalEvents().OnEncodingSettingsChanged = nullptr;
    InitLanguage(false, QString(), true, QString());
    plat::SetExecutableName(QString());
    TempWorld::TearDown();
}

std::unique_ptr<TSettings>
EncodingSettingsWorld::FreshStore(TEncodingSettingsDialog& dialog,
                                  const std::vector<std::pair<QString, TSettingType>>& items) const
{
    auto store = std::make_unique<TSettings>();
    for (const auto& [name, type] : items) {
        TSettingItem* item = store->Settings().Add();
        item->SetName(name);
        item->SetDataType(type);
        item->SetStorage(ssIniFile);
    }
    dialog.SetSettings(store.get());
    dialog.RegisterDefaults();
    store->Load();
    dialog.LoadSettings();
    return store;
}

QString EncodingSettingsWorld::StoredText(TSettings& store, const QString& key) const
{
    const auto file = plat::IniText::Load(store.IniFileName());
    return file ? file->ReadString("Application", key, QString()) : QString();
}

void EncodingSettingsWorld::UseFrench() const
{
    InitLanguage(true, SourceFolder() + "resources/Lng/korvane_fr.lng", true, QString());
}
