#pragma once

#include "foundation/settings.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class TSoundItem;

// The program's sounds: the registered list, the global on/off switch, playing, and their settings.
// Main thread only.

using TSoundsNotifyEvent = std::function<void()>;
using TSoundItemNotifyEvent = std::function<void(TSoundItem* Item)>;

// Filled by the sounds settings page; an empty slot is skipped.
struct TSoundsNotifications {
    TSoundItemNotifyEvent OnSoundItemChanged; // one sound's file, data or use changed
    TSoundsNotifyEvent OnSoundsChanged;       // after load, defaults, reload and translation
    TSoundsNotifyEvent OnSoundsEnabledChanged;
};
TSoundsNotifications& SoundsNotifications();
void NotifySoundItemChanged(TSoundItem* item);

// The list owns its sounds. A sound registered under a name already in the list replaces that one,
// which is stopped and freed. Returns the registered sound.
TSoundItem* RegisterSound(std::unique_ptr<TSoundItem> item);
// In registration order.
QList<TSoundItem*> GetSoundsList();

void SetSoundsEnabled(bool enabled);
bool GetSoundsEnabled();

// Plays the first sound of that name (case-sensitive) when sounds are on and the sound can play.
void PlaySoundByName(const QString& name);
// Plays the sound when sounds are on and it has data, whether it is in use or not.
void PlaySoundItem(const TSoundItem* item);
void StopSound();

// The settings protocol. Attaching a store adds "SoundsEnabled" and each sound's two items to it, those it
// lacks. Without a store (nullptr detaches it) only the sounds themselves are touched.
void SetSoundsSettings(TSettings* store);
void SetSoundsDefaults();
void LoadSoundsSettings();
void SaveSoundsSettings();
void ReloadSounds();
void TranslateSounds();

// Adds an item kept in the ini file, unless the store has one of that name.
void AddSoundSetting(TSettings& store, const QString& name, TSettingType type);
