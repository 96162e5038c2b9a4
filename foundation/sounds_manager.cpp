#include "foundation/sounds_manager.h"

#include "foundation/language.h"
#include "foundation/settings.h"
#include "foundation/sound_item.h"
#include "platform/sound_player.h"

#include <vector>

namespace {

const QString enabledKey = QStringLiteral("SoundsEnabled");
const QString noSoundName = QStringLiteral("NoSnd");

struct SoundsState {
    std::vector<std::unique_ptr<TSoundItem>> items;
    bool enabled = true;
    TSettings* store = nullptr;
    TSoundsNotifications notifications;
};

SoundsState& state()
{
    static SoundsState sounds;
    return sounds;
}

void notifySoundsChanged()
{
    // A copy: the handler may replace itself.
    const auto handler = state().notifications.OnSoundsChanged;
    if (handler)
        handler();
}

} // namespace

TSoundsNotifications& SoundsNotifications()
{
    return state().notifications;
}

void NotifySoundItemChanged(TSoundItem* item)
{
    const auto handler = state().notifications.OnSoundItemChanged;
    if (handler)
        handler(item);
}

TSoundItem* RegisterSound(std::unique_ptr<TSoundItem> item)
{
    auto& items = state().items;
    std::erase_if(items, [&](const auto& registered) { return registered->Name() == item->Name(); });
    items.push_back(std::move(item));
    return items.back().get();
}

QList<TSoundItem*> GetSoundsList()
{
    QList<TSoundItem*> list;
    for (const auto& item : state().items)
        list.append(item.get());
    return list;
}

void SetSoundsEnabled(bool enabled)
{
    if (state().enabled == enabled)
        return;
    state().enabled = enabled;
    if (!enabled)
        StopSound();
    const auto handler = state().notifications.OnSoundsEnabledChanged;
    if (handler)
        handler();
}

bool GetSoundsEnabled()
{
    return state().enabled;
}

void PlaySoundByName(const QString& name)
{
    if (!state().enabled || name == noSoundName)
        return;
    for (const auto& item : state().items) {
        if (item->Name() == name) {
            if (item->CanPlay())
                PlaySoundItem(item.get());
            return;
        }
    }
}

void PlaySoundItem(const TSoundItem* item)
{
    if (state().enabled && item && item->HasWaveData())
        plat::CurrentSoundPlayer().play(item->WaveData());
}

void StopSound()
{
    plat::CurrentSoundPlayer().stop();
}

void SetSoundsSettings(TSettings* store)
{
    state().store = store;
    if (!store)
        return;
    AddSoundSetting(*store, enabledKey, stBoolean);
    for (const auto& item : state().items)
        item->AddSettings(*store);
}

void SetSoundsDefaults()
{
    if (TSettings* store = state().store) {
        store->SetDefaultValue(enabledKey, true);
        for (const auto& item : state().items)
            item->RegisterDefaults(*store);
    }
    notifySoundsChanged();
}

void LoadSoundsSettings()
{
    if (const TSettings* store = state().store) {
        SetSoundsEnabled(store->GetValue(enabledKey).toBool());
        for (const auto& item : state().items)
            item->LoadSettings(*store);
    }
    notifySoundsChanged();
}

void SaveSoundsSettings()
{
    TSettings* store = state().store;
    if (!store)
        return;
    store->SetValue(enabledKey, state().enabled);
    for (const auto& item : state().items)
        item->SaveSettings(*store);
}

void ReloadSounds()
{
    for (const auto& item : state().items)
        item->Reload();
    notifySoundsChanged();
}

void TranslateSounds()
{
    for (const auto& item : state().items)
        item->SetTranslatedCaption(TranslateMsg(item->Caption()));
    notifySoundsChanged();
}

void AddSoundSetting(TSettings& store, const QString& name, TSettingType type)
{
    if (store.FindItem(name))
        return;
    TSettingItem* item = store.Settings().Add();
    item->SetName(name);
    item->SetDataType(type);
    item->SetStorage(ssIniFile);
}
