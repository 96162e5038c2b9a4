#pragma once

#include <QByteArray>
#include <QString>

class TSettings;

// One sound event: its captions, the names of its settings, its WAV file and the whole file in memory.
// Main thread only.
class TSoundItem {
public:
    TSoundItem(const QString& caption, const QString& fileName, bool useIt, const QString& name);
    ~TSoundItem();
    TSoundItem(const TSoundItem&) = delete;
    TSoundItem& operator=(const TSoundItem&) = delete;

    const QString& Caption() const { return caption_; }
    const QString& TranslatedCaption() const { return translatedCaption_; }
    void SetTranslatedCaption(const QString& caption) { translatedCaption_ = caption; }
    const QString& Name() const { return name_; }
    const QString& KeyPrefix() const { return keyPrefix_; }
    const QString& FileName() const { return fileName_; }
    bool UseIt() const { return useIt_; }
    const QByteArray& WaveData() const { return waveData_; }

    bool HasWaveData() const { return !waveData_.isEmpty(); }
    bool CanPlay() const { return HasWaveData() && useIt_; }

    // A valid file loads into memory; anything else empties the sound and turns its use off.
    void SetFileName(const QString& fileName);
    // The sound is only used while it has data.
    void SetUseIt(bool useIt);
    // Reads the file again.
    void Reload();

    // Adds the sound's two items to the store, unless it has them already.
    void AddSettings(TSettings& store) const;
    // Registers what the sound holds now as the defaults of its two keys.
    void RegisterDefaults(TSettings& store) const;
    // Takes the stored file only when it is a valid wave file; its data comes with the next Reload.
    void LoadSettings(const TSettings& store);
    void SaveSettings(TSettings& store) const;

    // Not empty, an existing file, extension ".wav" or ".wave" in any case, and no larger than a sound
    // needs to be.
    static bool IsValidWaveFile(const QString& fileName);

private:
    QString fileKey() const { return keyPrefix_ + QStringLiteral("File"); }
    QString useItKey() const { return keyPrefix_ + QStringLiteral("UseIt"); }
    void clearWaveData();
    void changed();

    QString caption_;
    QString translatedCaption_;
    QString name_;
    QString keyPrefix_;
    QString fileName_;
    bool useIt_ = false;
    QByteArray waveData_;
};
