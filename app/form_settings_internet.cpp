#include "app/form_settings_internet.h"

#include "app/form_settings_general.h"
#include "app/info_dialog.h"
#include "components/adv_group_box.h"
#include "components/adv_message_dlg.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/num_edit.h"
#include "engine/commands_manager.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "foundation/web_counter_hit.h"
#include "platform/dialogs.h"
#include "platform/url_opener.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

namespace {

const QString proxyKey = QStringLiteral("Proxy");
const QString proxyPortKey = QStringLiteral("ProxyPort");
const QString performCheckKey = QStringLiteral("PerformCheck");
const QString lastCheckKey = QStringLiteral("LastVersionCheckDate");
const QString usefulKey = QStringLiteral("Useful");
const QString doNotShowKey = QStringLiteral("DoNotShowNoPersonalDataAgain");
const QString infoMessageKey = QStringLiteral("InfoMessage");
// Day 0 of the stored dates: earlier than any real check.
const QDate neverChecked(1899, 12, 30);

enum LinkIndex { HomePageLink, DownloadPageLink, GuideLink, DistributionLink, LinkCount };
const std::array<QString, LinkCount> linkKeys{QStringLiteral("HomePage"), QStringLiteral("DownloadPage"),
                                              QStringLiteral("Guide"), QStringLiteral("Distribution")};

// The value after "<key>=" when the trimmed line starts with it, ignoring case.
bool valueOf(const QString& line, const QString& key, QString& value)
{
    const QString prefix = key + u'=';
    if (!line.startsWith(prefix, Qt::CaseInsensitive))
        return false;
    value = line.mid(prefix.size()).trimmed();
    return true;
}

QString keptInfoLines(const QStringList& lines, const QString& runningNoDots)
{
    QString joined;
    QString text;
    for (const QString& line : lines)
        if (KeepInfoLine(line, runningNoDots, text))
            joined += text + u'\r';
    return joined;
}

// The number a version part starts with, as digits without leading zeros, so any length compares.
QString leadingNumber(const QString& part)
{
    qsizetype end = 0;
    while (end < part.size() && part.at(end).isDigit())
        ++end;
    QString digits = part.left(end);
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

bool isNewerVersion(const QString& offered, const QString& running)
{
    return !QString(offered).remove(u'.').trimmed().isEmpty() && CompareVersions(offered, running) > 0;
}

} // namespace

bool IsAcceptedLink(const QString& value, bool ftpAllowed)
{
    const QUrl url(value, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool schemeAccepted = scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ||
                                (ftpAllowed && scheme == QStringLiteral("ftp"));
    return url.isValid() && schemeAccepted && !url.host().isEmpty();
}

bool KeepInfoLine(const QString& line, const QString& runningNoDots, QString& text)
{
    const QChar condition = line.isEmpty() ? QChar() : line.at(0);
    if (condition != u'>' && condition != u'=' && condition != u'<') {
        text = line;
        return true;
    }
    text = line.mid(5);
    const int order = QString::compare(runningNoDots, line.mid(1, 3));
    return condition == u'>' ? order > 0 : condition == u'=' ? order == 0 : order < 0;
}

int CompareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(u'.');
    const QStringList right = b.trimmed().split(u'.');
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const QString x = leadingNumber(i < left.size() ? left.at(i) : QString());
        const QString y = leadingNumber(i < right.size() ? right.at(i) : QString());
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        if (const int order = QString::compare(x, y))
            return order;
    }
    return 0;
}

TVersionDocument ReadVersionDocument(const QStringList& doc, const QString& languageCode,
                                     const QString& runningNoDots)
{
    TVersionDocument result;
    std::array<QString, LinkCount> general, forLanguage;
    QStringList generalInfo, languageInfo;
    QString value;
    for (const QString& raw : doc) {
        const QString line = raw.trimmed();
        if (valueOf(line, QStringLiteral("Version"), value))
            result.Version = value;
        for (int link = 0; link < LinkCount; ++link) {
            if (valueOf(line, linkKeys[link], value))
                general[link] = value;
            else if (!languageCode.isEmpty() && valueOf(line, linkKeys[link] + languageCode, value))
                forLanguage[link] = value;
        }
        if (valueOf(line, infoMessageKey, value))
            generalInfo.append(value);
        else if (!languageCode.isEmpty() && valueOf(line, infoMessageKey + languageCode, value))
            languageInfo.append(value);
    }
    std::array<QString, LinkCount> chosen;
    for (int link = 0; link < LinkCount; ++link) {
        const bool ftpAllowed = link == DistributionLink;
        chosen[link] = IsAcceptedLink(forLanguage[link], ftpAllowed) ? forLanguage[link]
                       : IsAcceptedLink(general[link], ftpAllowed)   ? general[link]
                                                                     : QString();
    }
    result.HomePage = chosen[HomePageLink];
    result.DownloadPage = chosen[DownloadPageLink];
    result.Guide = chosen[GuideLink];
    result.Distribution = chosen[DistributionLink];
    result.InfoMessage = keptInfoLines(languageInfo, runningNoDots);
    if (result.InfoMessage.isEmpty())
        result.InfoMessage = keptInfoLines(generalInfo, runningNoDots);
    return result;
}

TPageSettingsInternet::TPageSettingsInternet(QWidget* parent)
    : TBrindlowTabbedForm(parent), LastVersionCheckDate(neverChecked), addresses_(LoadWebAddresses())
{
    setObjectName(QStringLiteral("PageSettingsInternet"));
    ListStringsToTranslate->SetProperties({QStringLiteral("LabelProxyTitle"), QStringLiteral("LabelCheck"),
                                           QStringLiteral("LabelProxyPort"), QStringLiteral("LabelProxy"),
                                           QStringLiteral("CheckBoxCheckAutomatic"),
                                           QStringLiteral("ButtonCheckNewVersion")});
    auto* layout = new QVBoxLayout(this);

    LabelProxyTitle = new TAdvGroupBox(this);
    LabelProxyTitle->SetCaption(QStringLiteral(" Proxy "));
    LabelProxyTitle->setObjectName(QStringLiteral("LabelProxyTitle"));
    auto* proxyGrid = new QGridLayout(LabelProxyTitle);
    LabelProxy = new QLabel(QStringLiteral("Proxy"), LabelProxyTitle);
    LabelProxy->setObjectName(QStringLiteral("LabelProxy"));
    EditProxy = new QLineEdit(LabelProxyTitle);
    EditProxy->setObjectName(QStringLiteral("EditProxy"));
    LabelProxyPort = new QLabel(QStringLiteral("Proxy Port"), LabelProxyTitle);
    LabelProxyPort->setObjectName(QStringLiteral("LabelProxyPort"));
    NumEditProxyPort = new TNumEdit(LabelProxyTitle);
    NumEditProxyPort->setObjectName(QStringLiteral("NumEditProxyPort"));
    NumEditProxyPort->setMaxLength(5);
    NumEditProxyPort->setText(QStringLiteral("80"));
    proxyGrid->addWidget(LabelProxy, 0, 0);
    proxyGrid->addWidget(EditProxy, 0, 1);
    proxyGrid->addWidget(LabelProxyPort, 1, 0);
    proxyGrid->addWidget(NumEditProxyPort, 1, 1);
    layout->addWidget(LabelProxyTitle);

    LabelCheck =
        AddSettingsGroup(this, QStringLiteral("LabelCheck"), QStringLiteral(" Check for new version "));
    CheckBoxCheckAutomatic = AddGroupControl<QCheckBox>(
        LabelCheck, QStringLiteral("CheckBoxCheckAutomatic"),
        QStringLiteral("Perform automatically and daily a check for new version available"));
    CheckBoxCheckAutomatic->setChecked(true);
    ButtonCheckNewVersion = AddGroupControl<QPushButton>(LabelCheck, QStringLiteral("ButtonCheckNewVersion"),
                                                         QStringLiteral("Check"));
    ButtonSilentCheck = AddGroupControl<QPushButton>(LabelCheck, QStringLiteral("ButtonSilentCheck"),
                                                     QStringLiteral("Silent Check"));
    ButtonDoHits =
        AddGroupControl<QPushButton>(LabelCheck, QStringLiteral("ButtonDoHits"), QStringLiteral("Do Hits"));
    ButtonForceRegister = AddGroupControl<QPushButton>(LabelCheck, QStringLiteral("ButtonForceRegister"),
                                                       QStringLiteral("Force Register"));
    layout->addStretch(1);

    VersionCheck = new TWebVersionCheck(this);
    VersionCheck->setObjectName(QStringLiteral("VersionCheck"));
    VersionCheck->OnCheckDone = [this](QObject* sender, bool success, bool showFailure, bool tryAlternate,
                                       const QString& url, const QString& proxyInfo, const QString& status,
                                       const QString& version, const QStringList* doc) {
        VersionCheckCheckDone(sender, success, showFailure, tryAlternate, url, proxyInfo, status, version,
                              doc);
    };
    WebCounterHit = new TWebCounterHit(this);
    WebCounterHit->setObjectName(QStringLiteral("WebCounterHit"));
    WebCounterHit->OnHitCountDone = [this](QObject* sender, bool success, const QString& url,
                                           const QString& proxyInfo, const QString& status) {
        CounterHitHitCountDone(sender, success, url, proxyInfo, status);
    };

    connect(EditProxy, &QLineEdit::textChanged, this, &TPageSettingsInternet::EditProxyChange);
    connect(NumEditProxyPort, &QLineEdit::textChanged, this, &TPageSettingsInternet::NumEditProxyPortChange);
    // On every change, not only a click: a stored "off" must be turned back on as it loads.
    connect(CheckBoxCheckAutomatic, &QCheckBox::toggled, this,
            &TPageSettingsInternet::CheckBoxCheckAutomaticClick);
    connect(ButtonCheckNewVersion, &QPushButton::clicked, this, [this] { CheckNewVersion(true); });
    connect(ButtonSilentCheck, &QPushButton::clicked, this, [this] { CheckNewVersion(false); });
    connect(ButtonForceRegister, &QPushButton::clicked, this, &TPageSettingsInternet::SendUsageHit);

    // The hidden buttons are for trying the server side out; the components report through events only.
    for (QPushButton* hidden : {ButtonSilentCheck, ButtonDoHits, ButtonForceRegister})
        hidden->hide();
    for (TWebRequester* requester : std::initializer_list<TWebRequester*>{VersionCheck, WebCounterHit}) {
        requester->Silent = true;
        requester->OnNewLine = nullptr;
    }
    FormCreate();
}

TPageSettingsInternet::~TPageSettingsInternet() = default;

void TPageSettingsInternet::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Internet")).trimmed());
    GuidesUrl.clear();
    FaqUrl.clear();
    if (addresses_.SiteBaseUrl.isEmpty())
        return;
    const QString language =
        GetLanguageExt() == QStringLiteral("fr") ? QStringLiteral("?lang=fr") : QString();
    GuidesUrl = addresses_.SiteBaseUrl + QStringLiteral("guides") + language;
    FaqUrl = addresses_.SiteBaseUrl + QStringLiteral("faq") + language;
}

void TPageSettingsInternet::DefineDefaults()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetDefaultValue(proxyKey, QString());
    SettingsStore()->SetDefaultValue(proxyPortKey, QStringLiteral("80"));
    SettingsStore()->SetDefaultValue(performCheckKey, true);
    SettingsStore()->SetDefaultValue(lastCheckKey, neverChecked);
    SettingsStore()->SetDefaultValue(usefulKey, false);
    SettingsStore()->SetDefaultValue(doNotShowKey, false);
}

void TPageSettingsInternet::LoadSettings()
{
    if (!SettingsStore())
        return;
    EditProxy->setText(SettingsStore()->GetValue(proxyKey).toString());
    NumEditProxyPort->setText(SettingsStore()->GetValue(proxyPortKey).toString());
    CheckBoxCheckAutomatic->setChecked(SettingsStore()->GetValue(performCheckKey).toBool());
    const QDate last = SettingsStore()->GetValue(lastCheckKey).toDate();
    LastVersionCheckDate = last.isValid() ? last : neverChecked;
    Useful = SettingsStore()->GetValue(usefulKey).toBool();
    DoNotShowNoPersonalDataAgain = SettingsStore()->GetValue(doNotShowKey).toBool();
}

void TPageSettingsInternet::SaveSettings()
{
    if (!SettingsStore())
        return;
    SettingsStore()->SetValue(proxyKey, EditProxy->text());
    SettingsStore()->SetValue(proxyPortKey, NumEditProxyPort->text());
    SettingsStore()->SetValue(performCheckKey, CheckBoxCheckAutomatic->isChecked());
    SettingsStore()->SetValue(lastCheckKey, LastVersionCheckDate);
    SettingsStore()->SetValue(usefulKey, Useful);
    SettingsStore()->SetValue(doNotShowKey, DoNotShowNoPersonalDataAgain);
}

void TPageSettingsInternet::EnableControls(bool Value)
{
    TBrindlowTabbedForm::EnableControls(Value);
    ButtonCheckNewVersion->setEnabled(Value);
}

void TPageSettingsInternet::SettingsLoaded()
{
    hitReferrer_ = addresses_.HitReferrer;
    Today = QDate::currentDate();
    if (Today > LastVersionCheckDate)
        CheckNewVersion(false);
}

void TPageSettingsInternet::EditProxyChange()
{
    VersionCheck->Proxy = WebCounterHit->Proxy = EditProxy->text();
}

void TPageSettingsInternet::NumEditProxyPortChange()
{
    VersionCheck->ProxyPort = WebCounterHit->ProxyPort = NumEditProxyPort->text();
}

void TPageSettingsInternet::CheckBoxCheckAutomaticClick()
{
    if (!CheckBoxCheckAutomatic->isChecked())
        CheckBoxCheckAutomatic->setChecked(true);
}

namespace {

bool queueIsRunning()
{
    const TCommandsManager* queue = GlobalEvents().CommandsManager;
    return queue && queue->IsRunning();
}

} // namespace

bool TPageSettingsInternet::StartInteractiveCheck(const QString& title)
{
    if (queueIsRunning())
        return false;
    const QString performing = TranslateMsg(QStringLiteral("Performing check for new version available"));
    FireCommandsStarting(this, title);
    FireWaitBegin(this, performing + QStringLiteral("..."));
    return true;
}

void TPageSettingsInternet::CheckNewVersion(bool Interactive)
{
    if (Interactive) {
        if (queueIsRunning())
            return;
        // Without an address nothing can be asked for: saying the check failed would blame the network.
        if (addresses_.VersionUrl.isEmpty() && addresses_.AlternateUrl.isEmpty()) {
            plat::MessageDlg(u'\r' + TranslateMsg(QStringLiteral(
                                         "No address is set for the check for new version available")),
                             plat::TMsgDlgType::mtInformation, plat::mbOK);
            return;
        }
        const QString text =
            u'\r' + TranslateMsg(QStringLiteral("Performing check for new version available")) +
            QStringLiteral("...         \r") + TranslateMsg(QStringLiteral("No personal data is sent")) +
            QStringLiteral(".    \r");
        const int answer =
            AdvancedMessageDlg(text, plat::TMsgDlgType::mtInformation, plat::mbOK | plat::mbAbort, 0,
                               plat::mrOk, DoNotShowNoPersonalDataAgain,
                               TranslateMsg(QStringLiteral("Don't show this message again")), QString());
        if (answer == plat::mrAbort || !StartInteractiveCheck(QStringLiteral("PerformWebCheck")))
            return;
    }
    if (!Useful)
        SendUsageHit();
    VersionCheck->Check(addresses_.VersionUrl, addresses_.VersionUrl, Interactive, true);
}

void TPageSettingsInternet::CheckNewVersionAlternate(bool Interactive)
{
    if (Interactive && !StartInteractiveCheck(QStringLiteral("PerformWebCheckAlternate")))
        return;
    VersionCheck->Check(addresses_.AlternateUrl, addresses_.AlternateUrl, Interactive, false);
}

void TPageSettingsInternet::SendUsageHit()
{
    if (addresses_.HitBaseUrl.isEmpty())
        return;
    WebCounterHit->Hit(addresses_.HitBaseUrl + QStringLiteral("CheckNew2_") + GetShortVersionNoDots() + u'g',
                       hitReferrer_);
}

void TPageSettingsInternet::OpenGuidesPage()
{
    if (!GuidesUrl.isEmpty())
        plat::UrlOpener::Open(GuidesUrl);
}

void TPageSettingsInternet::OpenFaqPage()
{
    if (!FaqUrl.isEmpty())
        plat::UrlOpener::Open(FaqUrl);
}

void TPageSettingsInternet::CounterHitHitCountDone(QObject*, bool Success, const QString& Url, const QString&,
                                                   const QString&)
{
    if (Success && Url.toLower().contains(QStringLiteral("checknew2_")))
        Useful = true;
}

void TPageSettingsInternet::VersionCheckCheckDone(QObject*, bool Success, bool ShowFailure, bool TryAlternate,
                                                  const QString&, const QString&, const QString&,
                                                  QString Version, const QStringList* doc)
{
    if (!Success) {
        if (TryAlternate) {
            CheckNewVersionAlternate(ShowFailure);
        } else if (ShowFailure) {
            PlaySoundEvent(SndFailure);
            plat::MessageDlg(u'\r' +
                                 TranslateMsg(QStringLiteral("The check for new version available failed")),
                             plat::TMsgDlgType::mtError, plat::mbOK);
            FireCommandsFinished(this);
        }
        return;
    }
    LastVersionCheckDate = QDate::currentDate();
    SaveSettings();
    const TVersionDocument info =
        ReadVersionDocument(doc ? *doc : QStringList(), CurrentLanguageCode(), GetShortVersionNoDots());
    if (!info.Version.isEmpty())
        Version = info.Version;
    if (isNewerVersion(Version, GetShortVersion())) {
        PlaySoundEvent(SndNewVersion);
        ShowVersionInfo(TranslateMsg(QStringLiteral("A new version is available")), Version, info, true,
                        ShowFailure);
    } else if (ShowFailure) {
        PlaySoundEvent(SndNoNewVersion);
        ShowVersionInfo(TranslateMsg(QStringLiteral("No new version available at this time")), Version, info,
                        false, true);
    }
}

TInfoDlg* TPageSettingsInternet::InfoDlg() const
{
    return qobject_cast<TInfoDlg*>(FormRegistry::Instance().Find(QStringLiteral("InfoDlg")));
}

void TPageSettingsInternet::ShowVersionInfo(const QString& message, const QString& version,
                                            const TVersionDocument& info, bool withDownloads,
                                            bool finishWhenClosed)
{
    TInfoDlg* dialog = InfoDlg();
    if (!dialog) {
        if (finishWhenClosed)
            FireCommandsFinished(this);
        return;
    }
    if (finishWhenClosed)
        connect(
            dialog, &QDialog::finished, this, [this] { FireCommandsFinished(this); },
            Qt::SingleShotConnection);
    dialog->ShowInfo(message + QStringLiteral(": ") + version + QStringLiteral(" !  "), info.HomePage,
                     withDownloads ? info.DownloadPage : QString(),
                     withDownloads ? info.Distribution : QString(), info.Guide, info.InfoMessage);
}
