#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace plat {
class IniFile;
class IniText;
} // namespace plat

enum TSettingType { stBoolean, stCurrency, stDate, stDateTime, stFloat, stInteger, stString, stTime };

enum TSettingStorage { ssRegistry, ssIniFile };

enum TRootKeys {
    rkHKEY_CLASSES_ROOT,
    rkHKEY_CURRENT_USER,
    rkHKEY_LOCAL_MACHINE,
    rkHKEY_USERS,
    rkHKEY_PERFORMANCE_DATA,
    rkHKEY_CURRENT_CONFIG,
    rkHKEY_DYN_DATA
};

class TSettingCollection;
class TSettings;

// One named, typed setting. Values are held as the type's QVariant (bool, double for Currency and Float,
// QDate, QDateTime, int, QString, QTime); an invalid QVariant is the empty value.
class TSettingItem {
public:
    explicit TSettingItem(TSettingCollection& collection) : collection_(collection) {}
    TSettingItem(const TSettingItem&) = delete;
    TSettingItem& operator=(const TSettingItem&) = delete;

    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    TSettingType DataType() const { return dataType_; }
    void SetDataType(TSettingType dataType);
    TSettingStorage Storage() const { return storage_; }
    void SetStorage(TSettingStorage storage);

    // Setting an equal value changes nothing; anything else, also onto an empty value, is a change.
    const QVariant& Value() const { return value_; }
    void SetValue(const QVariant& value);
    const QVariant& ValueDefault() const { return valueDefault_; }
    void SetValueDefault(const QVariant& value);

private:
    void assign(QVariant& held, const QVariant& value);
    void changed();

    TSettingCollection& collection_;
    QString name_;
    TSettingType dataType_ = stBoolean;
    TSettingStorage storage_ = ssRegistry;
    QVariant value_;
    QVariant valueDefault_;
};

class TSettingCollection {
public:
    explicit TSettingCollection(TSettings& owner) : owner_(owner) {}
    TSettingCollection(const TSettingCollection&) = delete;
    TSettingCollection& operator=(const TSettingCollection&) = delete;

    // The new item is empty: set its Name, DataType and Storage next.
    TSettingItem* Add();
    int Count() const { return int(items_.size()); }
    TSettingItem* Items(int index) const { return items_.at(std::size_t(index)).get(); }

    // Changes made in between fire the store's OnChange once, at the end.
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TSettingItem;
    void itemChanged();

    TSettings& owner_;
    std::vector<std::unique_ptr<TSettingItem>> items_;
    int updateCount_ = 0;
    bool changedInUpdate_ = false;
};

// The program's settings: named items kept in the settings ini file (section ApplicationIni) or in the
// registry (key BaseKey\ApplicationKey under RootKey), all read or written at once. In the ini file,
// Booleans are "1"/"0", numbers use ".", dates and times are ISO texts; a save rewrites only the store's
// own keys and keeps every other line of the file.
class TSettings {
public:
    TSettings();
    ~TSettings();
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    // The settings file, named after the executable (up to its first ".") and IniSuffix. Assigning any
    // text only derives the name again.
    QString IniFileName();
    void SetIniFileName(const QString& ignored);

    TSettingCollection& Settings() { return settings_; }
    const TSettingCollection& Settings() const { return settings_; }

    TRootKeys RootKey() const { return rootKey_; }
    void SetRootKey(TRootKeys rootKey) { rootKey_ = rootKey; }
    const QString& BaseKey() const { return baseKey_; }
    void SetBaseKey(const QString& baseKey) { baseKey_ = baseKey; }
    // A blank section or key becomes "Application".
    const QString& ApplicationIni() const { return applicationIni_; }
    void SetApplicationIni(const QString& section);
    const QString& ApplicationKey() const { return applicationKey_; }
    void SetApplicationKey(const QString& key);
    // A blank suffix is cleared; the file name is derived again.
    const QString& IniSuffix() const { return iniSuffix_; }
    void SetIniSuffix(const QString& suffix);

    std::function<void(TSettings*)> OnChange;

    // A missing or unreadable value takes the item's default.
    bool Load();
    // Writes every item that holds a value, the ini items in one atomic replacement of the file; false
    // when any item could not be written. A file that cannot be written is left as it was.
    bool Save();

    // Names are compared ignoring the case of A to Z only. Every name the program uses is an item: an
    // unknown name reads as empty, takes nothing and is reported as an "Unknown setting" critical message.
    TSettingItem* FindItem(const QString& name) const;
    QVariant GetValue(const QString& name) const;
    void SetValue(const QString& name, const QVariant& value);
    void SetDefaultValue(const QString& name, const QVariant& value);

private:
    friend class TSettingCollection;
    TSettingItem* knownItem(const QString& name) const;
    void deriveIniFile();
    plat::IniFile& ini();
    QString registryKeyPath() const;

    TSettingCollection settings_;
    TRootKeys rootKey_ = rkHKEY_CURRENT_USER;
    QString baseKey_ = QStringLiteral("Software");
    QString applicationIni_ = QStringLiteral("Application");
    QString applicationKey_ = QStringLiteral("Application");
    QString iniSuffix_;
    std::unique_ptr<plat::IniFile> ini_;
};

// The section that holds a store's items in this file: the section itself, or the store's former default
// section "Application" when only that one is there, so the settings of an earlier version are kept.
QString ReadableSection(const plat::IniText& text, const QString& section);
