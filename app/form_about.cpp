#include "app/form_about.h"

#include "components/am_tr_bmp.h"
#include "components/box_list.h"
#include "components/list_strings.h"
#include "components/url_link.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "foundation/useful_string.h"
#include "platform/ini_file.h"
#include "platform/url_opener.h"
#include "platform/version_info.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QRegularExpression>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {

constexpr int logoSize = 96;
constexpr int noticeLines = 3;

QString webAddress(const QString& text)
{
    const QUrl url = plat::UrlOpener::ToUrl(text);
    const QString scheme = url.scheme().toLower();
    return (scheme == u"http" || scheme == u"https") && plat::UrlOpener::IsAllowed(url) ? text : QString();
}

// One plain address: no blanks, and nothing that would add headers or recipients to the mail.
QString mailAddress(const QString& text)
{
    static const QRegularExpression address(QStringLiteral(R"(^[^\s@?&/:<>",;]+@[^\s@?&/:<>",;]+$)"));
    return address.match(text).hasMatch() ? text : QString();
}

QString mailLink(const QString& address, const QString& subject = QString())
{
    if (address.isEmpty())
        return QString();
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address);
    if (!subject.isEmpty()) {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("subject"), subject);
        url.setQuery(query);
    }
    return url.toString(QUrl::FullyEncoded);
}

QString programVersionText(const QString& name)
{
    const QByteArray block = plat::GetFileVersionInfo(QCoreApplication::applicationFilePath());
    return plat::VerQueryValue(block, QStringLiteral("\\StringFileInfo\\040904E4\\") + name)
        .value_or(QString());
}

QLabel* addLabel(QWidget* parent, QLayout* layout, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
}

TURLLink* addLink(QWidget* parent, QLayout* layout, const QString& name)
{
    auto* link = new TURLLink(parent);
    link->setObjectName(name);
    link->setTextFormat(Qt::PlainText);
    link->setCursor(Qt::PointingHandCursor);
    layout->addWidget(link);
    return link;
}

void showLink(TURLLink* link, const QString& caption, const QString& shown, const QString& target)
{
    link->SetLink(target);
    link->setText(caption + QStringLiteral("  ") + shown);
    link->setVisible(!target.isEmpty());
}

} // namespace

TAboutAddresses TAboutAddresses::Load()
{
    const plat::IniText ini = plat::IniText::Load(GlobalSettingsFileName()).value_or(plat::IniText());
    const auto read = [&ini](const char* key) {
        return ini.ReadString(ProgramName, QString::fromLatin1(key), QString()).trimmed();
    };
    return {webAddress(read("WebSiteUrl")), mailAddress(read("EMail")), mailAddress(read("SupportEMail"))};
}

TPageAbout::TPageAbout(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageAbout"));
    setWindowFlag(Qt::Tool);
    auto* columns = new QHBoxLayout(this);

    ImageBrindlow = new TAMTrBmp(this);
    ImageBrindlow->setObjectName(QStringLiteral("ImageBrindlow"));
    // Drawn at the control's size, the logo fills it.
    ImageBrindlow->SetPicture(
        QIcon(QStringLiteral(":/icons/app.svg")).pixmap(QSize(logoSize, logoSize), 1.0).toImage());
    ImageBrindlow->setFixedSize(logoSize, logoSize);
    connect(ImageBrindlow, &TAMTrBmp::OnClick, this, &TPageAbout::ImageLogoClick);
    columns->addWidget(ImageBrindlow, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    columns->addLayout(texts, 1);
    LabelAboutVersion = addLabel(this, texts, QStringLiteral("LabelAboutVersion"));
    QFont title = LabelAboutVersion->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    LabelAboutVersion->setFont(title);
    LabelCopy = addLabel(this, texts, QStringLiteral("LabelCopy"));
    LabelRights = addLabel(this, texts, QStringLiteral("LabelRights"));
    TextBox = new TBoxList(this);
    TextBox->setObjectName(QStringLiteral("TextBox"));
    TextBox->SetNumbers(false);
    TextBox->SetWordWrap(true);
    TextBox->setMinimumHeight(noticeLines * TextBox->fontMetrics().height());
    texts->addWidget(TextBox);
    URLLinkBrindlow = addLink(this, texts, QStringLiteral("URLLinkBrindlow"));
    MailURLLinkDF = addLink(this, texts, QStringLiteral("MailURLLinkDF"));
    MailURLLinkSUP = addLink(this, texts, QStringLiteral("MailURLLinkSUP"));
    MailURLLinkBug = addLink(this, texts, QStringLiteral("MailURLLinkBug"));
    texts->addStretch();

    FormCreate();
    SetAddresses(TAboutAddresses::Load());
}

void TPageAbout::SetAddresses(const TAboutAddresses& addresses)
{
    addresses_ = addresses;
    showTexts();
}

void TPageAbout::showTexts()
{
    LabelAboutVersion->setText(GetProgramTitleVersion());
    LabelCopy->setText(programVersionText(QStringLiteral("LegalCopyright")));
    LabelRights->setText(texts_.Rights);
    TextBox->SetItems({Format(texts_.Notice, ProgramName)});
    showLink(URLLinkBrindlow, texts_.WebSite, addresses_.WebSite, addresses_.WebSite);
    showLink(MailURLLinkDF, texts_.EMail, addresses_.EMail, mailLink(addresses_.EMail));
    showLink(MailURLLinkSUP, texts_.Support, addresses_.SupportEMail, mailLink(addresses_.SupportEMail));
    showLink(MailURLLinkBug, QString(), addresses_.SupportEMail,
             mailLink(addresses_.SupportEMail, texts_.BugSubject));
    // The bug report link is reached through the Help menu only.
    MailURLLinkBug->hide();
}

void TPageAbout::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("About")));
    texts_ = {
        TranslateMsg(QStringLiteral("Web Site:")),
        TranslateMsg(QStringLiteral("E-mail:")),
        TranslateMsg(QStringLiteral("Support:")),
        TranslateMsg(QStringLiteral("Bug Report")),
        TranslateMsg(QStringLiteral("All rights reserved.")),
        TranslateMsg(QStringLiteral("%s converts audio files (MP3, MP2, MP1, WMA, Ogg Vorbis, WAV) into "
                                    "MPEG-1 Layer II audio for Video CD authoring, or into WAV files."))};
    showTexts();
}

void TPageAbout::MenuHomePage()
{
    URLLinkBrindlow->URLClick();
}

void TPageAbout::MenuReportBug()
{
    MailURLLinkBug->URLClick();
}

void TPageAbout::ImageLogoClick()
{
    URLLinkBrindlow->URLClick();
}
