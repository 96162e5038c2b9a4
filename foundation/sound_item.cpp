#include "foundation/sound_item.h"

#include "foundation/file_tools.h"
#include "foundation/settings.h"
#include "foundation/sounds_manager.h"

#include <QFile>
#include <QFileInfo>

namespace {

// A sound is held whole in memory; anything larger is no event sound.
const qint64 maximumWaveSize = 16 * 1024 * 1024;

QByteArray readWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumWaveSize)
        return {};
    // Asking for exactly the size keeps the buffer no larger than the sound.
    return file.read(file.size());
}

} // namespace

TSoundItem::TSoundItem(const QString& caption, const QString& fileName, bool useIt, const QString& name)
    : caption_(caption), translatedCaption_(caption), name_(name), keyPrefix_(name), fileName_(fileName),
      useIt_(useIt)
{
}

TSoundItem::~TSoundItem()
{
    if (HasWaveData())
        StopSound();
}

bool TSoundItem::IsValidWaveFile(const QString& fileName)
{
    // Only a regular file: reading a pipe or a device named "*.wav" would never end.
    if (fileName.isEmpty() || !FileExistsEx(fileName) || !QFileInfo(fileName).isFile())
        return false;
    const QString extension = GetLowerExtension(fileName);
    return (extension == QStringLiteral(".wav") || extension == QStringLiteral(".wave")) &&
           GetFileSizeEx(fileName) <= maximumWaveSize;
}

void TSoundItem::SetFileName(const QString& fileName)
{
    fileName_ = fileName.trimmed();
    if (IsValidWaveFile(fileName_)) {
        StopSound();
        waveData_ = readWholeFile(fileName_);
        if (HasWaveData()) {
            changed();
            return;
        }
    }
    fileName_.clear();
    clearWaveData();
    useIt_ = false;
    changed();
}

void TSoundItem::SetUseIt(bool useIt)
{
    const bool use = useIt && HasWaveData();
    if (use == useIt_)
        return;
    useIt_ = use;
    changed();
}

void TSoundItem::Reload()
{
    SetFileName(fileName_);
    SetUseIt(useIt_);
}

void TSoundItem::AddSettings(TSettings& store) const
{
    AddSoundSetting(store, fileKey(), stString);
    AddSoundSetting(store, useItKey(), stBoolean);
}

void TSoundItem::RegisterDefaults(TSettings& store) const
{
    store.SetDefaultValue(fileKey(), fileName_);
    store.SetDefaultValue(useItKey(), useIt_);
}

void TSoundItem::LoadSettings(const TSettings& store)
{
    useIt_ = store.GetValue(useItKey()).toBool();
    const QString fileName = store.GetValue(fileKey()).toString().trimmed();
    if (IsValidWaveFile(fileName)) {
        fileName_ = fileName;
        return;
    }
    useIt_ = false;
    if (!IsValidWaveFile(fileName_))
        fileName_.clear();
}

void TSoundItem::SaveSettings(TSettings& store) const
{
    store.SetValue(useItKey(), useIt_);
    store.SetValue(fileKey(), fileName_);
}

void TSoundItem::clearWaveData()
{
    // Whatever plays may be this sound: stop it before its data goes.
    if (HasWaveData())
        StopSound();
    waveData_.clear();
}

void TSoundItem::changed()
{
    NotifySoundItemChanged(this);
}
