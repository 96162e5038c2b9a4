#pragma once

#include "app/brindlow_form_tabbed.h"
#include "foundation/web_version_check.h"

#include <QDate>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TAdvGroupBox;
class TInfoDlg;
class TNumEdit;
class TWebCounterHit;

// What the page takes from the version document. Links are kept only when they are valid web addresses
// (ftp also for the distribution); the information lines are joined, each followed by a carriage return.
struct TVersionDocument {
    QString Version;
    QString HomePage;
    QString DownloadPage;
    QString Guide;
    QString Distribution;
    QString InfoMessage;
};

// A value given for a language ("HomePage" + code + "=") replaces the general one when it is accepted;
// information lines for the language, when any is kept, replace all general ones. runningNoDots is the
// running version's short form without dots, for the conditions of the information lines.
TVersionDocument ReadVersionDocument(const QStringList& doc, const QString& languageCode,
                                     const QString& runningNoDots);
bool IsAcceptedLink(const QString& value, bool ftpAllowed);
// An information line starting with ">", "=" or "<" and three version characters is kept when the
// running version compares so, as text; the text then starts at its sixth character.
bool KeepInfoLine(const QString& line, const QString& runningNoDots, QString& text);
// Compares dotted versions number by number (a missing number counts as 0): <0, 0 or >0.
int CompareVersions(const QString& a, const QString& b);

// The network settings page: the proxy, the daily and the explicit check for a new version, and the
// usage hit sent once.
class TPageSettingsInternet : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsInternet(QWidget* parent = nullptr);
    ~TPageSettingsInternet() override;

    TAdvGroupBox* LabelProxyTitle;
    QLabel* LabelProxy;
    QLineEdit* EditProxy;
    QLabel* LabelProxyPort;
    TNumEdit* NumEditProxyPort;
    TAdvGroupBox* LabelCheck;
    QCheckBox* CheckBoxCheckAutomatic;
    QPushButton* ButtonCheckNewVersion;
    QPushButton* ButtonSilentCheck;
    QPushButton* ButtonDoHits;
    QPushButton* ButtonForceRegister;
    TWebVersionCheck* VersionCheck;
    TWebCounterHit* WebCounterHit;
    // The program's new-version window, when it has been created.
    TInfoDlg* InfoDlg() const;

    QDate LastVersionCheckDate;
    QDate Today;
    bool Useful = false;
    bool DoNotShowNoPersonalDataAgain = false;
    QString GuidesUrl;
    QString FaqUrl;

    void Translate() override;
    void DefineDefaults() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void EnableControls(bool Value) override;
    // Runs the daily check when today is later than the last successful one.
    void SettingsLoaded() override;

    // The Help menu's check now, and its guides and FAQ pages.
    void CheckNewVersion(bool Interactive);
    void OpenGuidesPage();
    void OpenFaqPage();
    void SendUsageHit();

    void EditProxyChange();
    void NumEditProxyPortChange();
    void CheckBoxCheckAutomaticClick();
    void CounterHitHitCountDone(QObject* Sender, bool Success, const QString& Url, const QString& ProxyInfo,
                                const QString& StatusCodeMessage);
    void VersionCheckCheckDone(QObject* Sender, bool Success, bool ShowFailure, bool TryAlternate,
                               const QString& Url, const QString& ProxyInfo, const QString& StatusCodeMessage,
                               QString Version, const QStringList* doc);

private:
    void CheckNewVersionAlternate(bool Interactive);
    bool StartInteractiveCheck(const QString& title);
    // The new-version window; closing it ends an explicit check.
    void ShowVersionInfo(const QString& message, const QString& version, const TVersionDocument& info,
                         bool withDownloads, bool finishWhenClosed);

    TWebAddresses addresses_;
    QString hitReferrer_;
};
