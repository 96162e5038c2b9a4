#include "app/info_dialog.h"

#include "components/easysize.h"
#include "components/form_registry.h"
#include "components/t_saved_form_unit.h"
#include "components/url_link.h"
#include "foundation/language.h"
#include "platform/dialogs.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int minimumContentWidth = 260;
constexpr int sideMargins = 40;

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TInfoDlg::TInfoDlg(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("InfoDlg"));
    FormRegistry::Instance().Register(this);
    setWindowTitle(QStringLiteral("Korvane"));
    auto* layout = new QVBoxLayout(this);

    PanelTopInfo = named(new QWidget(this), "PanelTopInfo");
    LabelNewVersion = named(new QLabel(PanelTopInfo), "LabelNewVersion");
    LabelNewVersion->setTextFormat(Qt::PlainText);
    LabelNewVersion->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(PanelTopInfo))->addWidget(LabelNewVersion);
    layout->addWidget(PanelTopInfo);

    InfoDialogPanel = named(new QWidget(this), "InfoDialogPanel");
    new QVBoxLayout(InfoDialogPanel);
    addLinkRow(QStringLiteral("HomePage"), PanelHomePage, LabelHomePage, UrlHomePage);
    addLinkRow(QStringLiteral("DownloadPage"), PanelDownloadPage, LabelDownloadPage, UrlDownloadPage);
    addLinkRow(QStringLiteral("Distribution"), PanelDistribution, LabelDistribution, UrlDistribution);
    addLinkRow(QStringLiteral("Guide"), PanelGuide, LabelGuide, UrlGuide);

    PanelInfoMessage = named(new QWidget(InfoDialogPanel), "PanelInfoMessage");
    auto* infoLayout = new QVBoxLayout(PanelInfoMessage);
    BevelInfo = named(new QFrame(PanelInfoMessage), "BevelInfo");
    BevelInfo->setFrameShape(QFrame::HLine);
    MemoInfoMessage = named(new QPlainTextEdit(PanelInfoMessage), "MemoInfoMessage");
    MemoInfoMessage->setReadOnly(true);
    MemoInfoMessage->setFrameShape(QFrame::NoFrame);
    MemoInfoMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    infoLayout->addWidget(BevelInfo);
    infoLayout->addWidget(MemoInfoMessage);
    InfoDialogPanel->layout()->addWidget(PanelInfoMessage);
    layout->addWidget(InfoDialogPanel);

    PanelBottom = named(new QWidget(this), "PanelBottom");
    auto* bottomLayout = new QHBoxLayout(PanelBottom);
    InfoDialogTitleButtonOk =
        named(new QPushButton(QStringLiteral("&Ok"), PanelBottom), "InfoDialogTitleButtonOk");
    InfoDialogTitleButtonOk->setDefault(true);
    bottomLayout->addStretch(1);
    bottomLayout->addWidget(InfoDialogTitleButtonOk);
    bottomLayout->addStretch(1);
    layout->addWidget(PanelBottom);
    connect(InfoDialogTitleButtonOk, &QPushButton::clicked, this, &QDialog::accept);

    FormResizer1 = named(new TFormResizer(this), "FormResizer1");
    FormResizer1->OnPostResize = [this](QObject*, QWidget* control, double heightRatio, double) {
        if (control->inherits("TURLLink"))
            FormResizer1->ResizeFontProp(control, "FocusFont", heightRatio);
    };
    FormResizer1->AdaptToScreen(false);
}

void TInfoDlg::addLinkRow(const QString& name, QWidget*& panel, QLabel*& caption, TURLLink*& link)
{
    panel = new QWidget(InfoDialogPanel);
    panel->setObjectName(QStringLiteral("Panel") + name);
    caption = new QLabel(panel);
    caption->setObjectName(QStringLiteral("Label") + name);
    link = new TURLLink(panel);
    link->setObjectName(QStringLiteral("Url") + name);
    link->setTextFormat(Qt::PlainText);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(caption);
    row->addWidget(link);
    row->addStretch(1);
    InfoDialogPanel->layout()->addWidget(panel);
}

int TInfoDlg::showLink(const LinkRow& row)
{
    row.Panel->setVisible(!row.Value.isEmpty());
    row.Link->setText(row.Value);
    row.Link->SetLink(row.Value);
    row.Caption->setText(TranslateMsg(row.CaptionText) + u':');
    if (row.Value.isEmpty())
        return 0;
    return row.Caption->sizeHint().width() + row.Panel->layout()->spacing() + row.Link->sizeHint().width();
}

void TInfoDlg::ShowInfo(const QString& Message, const QString& HomePage, const QString& DownloadPage,
                        const QString& Distribution, const QString& Guide, const QString& InfoMessage)
{
    LabelNewVersion->setVisible(!Message.isEmpty());
    LabelNewVersion->setText(Message.isEmpty() ? QString() : plat::ForDisplay(Message + u'\r'));
    int width = Message.isEmpty() ? 0 : LabelNewVersion->sizeHint().width();
    const LinkRow rows[] = {
        {PanelHomePage, LabelHomePage, UrlHomePage, QStringLiteral("Home Page"), HomePage},
        {PanelDownloadPage, LabelDownloadPage, UrlDownloadPage, QStringLiteral("Download Page"),
         DownloadPage},
        {PanelDistribution, LabelDistribution, UrlDistribution, QStringLiteral("Distribution"), Distribution},
        {PanelGuide, LabelGuide, UrlGuide, QStringLiteral("Guide"), Guide}};
    for (const LinkRow& row : rows)
        width = std::max(width, showLink(row));
    PanelInfoMessage->setVisible(!InfoMessage.isEmpty());
    MemoInfoMessage->setPlainText(plat::ForDisplay(InfoMessage));
    InfoDialogTitleButtonOk->setText(TranslateMsg(QStringLiteral("&Ok")));

    setFixedWidth(std::max(width, minimumContentWidth) + sideMargins);
    adjustSize();
    CentreOnScreen(this);
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}
