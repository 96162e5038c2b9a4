#pragma once

#include <QFlags>
#include <QObject>
#include <QString>

#include <functional>

class QScreen;
class QWidget;
namespace plat {
class IniFile;
}

// Keeps a window's position, size and state in the settings file, one placement per screen
// configuration: every key starts with <SavedName>_<pixels per inch>_<width>x<height>_. Left and Top
// are the client area's, which the window manager frames where it is.
class TSavedForm : public QObject {
    Q_OBJECT

public:
    enum TSavedArg { saState = 0x1, saPosition = 0x2, saSize = 0x4 };
    Q_DECLARE_FLAGS(TSavedArgs, TSavedArg)

    using TSFRequestProc = std::function<void(TSavedForm* Sender, bool& AExecute)>;
    using TNotifyEvent = std::function<void(TSavedForm* Sender)>;

    // The owner must be a window: EKorvaneError "TSavedForm: owner is not a TForm" otherwise.
    explicit TSavedForm(QObject* owner);

    TSavedArgs SavedArgs = TSavedArgs(saState | saPosition | saSize);
    TSFRequestProc OnSaveRequest, OnLoadRequest;
    TNotifyEvent OnBeforeLoad, OnAfterLoad;
    QString IniFile;         // store name for GetIniFileName; the executable's name at creation
    QString IniSuffix;       // suffix for GetIniFileName
    bool CenterForm = false; // a missing position then defaults to the screen's centre

    QString Section() const { return section_; }
    void SetSection(const QString& section) { section_ = section; }
    QString SavedName() const { return savedName_; }
    void SetSavedName(const QString& name);
    QString KeyPrefix() const { return keyPrefix_; }

    // Ask the request events, then load or save. Both open the settings file on their own; its folder must
    // exist (EKorvaneError "TSavedForm: folder for ini file does not exist").
    void Load();
    void Save();
    void LoadFromIni(plat::IniFile* ini = nullptr);
    void SaveToIni(plat::IniFile* ini = nullptr);

private:
    void buildKeyPrefix();
    plat::IniFile openIni() const;
    void loadFrom(const plat::IniFile& ini);
    void saveTo(plat::IniFile& ini);
    QString key(const char* name) const { return keyPrefix_ + QLatin1String(name); }

    QWidget* form_;
    QString section_ = QStringLiteral("Positions");
    QString savedName_;
    QString keyPrefix_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSavedForm::TSavedArgs)

// Centres a window on a screen's work area (the primary screen when none is given).
void CentreOnScreen(QWidget* form, const QScreen* screen = nullptr);
