#include "app/dialog_settings.h"

#include "app/brindlow_form_tabbed.h"
#include "components/easysize.h"
#include "components/embedded_form_control.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "components/t_saved_form_unit.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString soundsPage = QStringLiteral("PageSettingsSounds");
const QString internetPage = QStringLiteral("PageSettingsInternet");
const QString logPage = QStringLiteral("PageSettingsLog");
const QString batchPage = QStringLiteral("PageSettingsBatch");
const QString generalPage = QStringLiteral("PageSettingsGeneral");
const QString themesPage = QStringLiteral("PageSettingsThemes");
const QString expertPage = QStringLiteral("PageSettingsExpert");

struct TreeNode {
    QString Caption;
    QString PageName;
};

// The tree, top to bottom. The expert page is listed only in expert mode.
const TreeNode treeNodes[] = {{QStringLiteral("General"), generalPage},
                              {QStringLiteral("Expert"), expertPage},
                              {QStringLiteral("Sounds"), soundsPage},
                              {QStringLiteral("Themes"), themesPage},
                              {QStringLiteral("Internet"), internetPage},
                              {QStringLiteral("Batch Queue"), batchPage},
                              {QStringLiteral("Log"), logPage}};

// The order in which the pages are told whether they are the one shown, so that a switch hides and
// shows pages in a known order.
const QString activationOrder[] = {soundsPage,  internetPage, logPage,   batchPage,
                                   generalPage, themesPage,   expertPage};

constexpr int kPageNameRole = Qt::UserRole;
constexpr int kDesignWidth = 650;
constexpr int kDesignHeight = 360;

TBrindlowTabbedForm* FindPage(const QString& name)
{
    return qobject_cast<TBrindlowTabbedForm*>(FormRegistry::Instance().Find(name));
}

template <typename Widget> Widget* Named(QWidget* parent, const QString& name)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}

QFrame* AddLine(QWidget* parent, QBoxLayout* layout, const QString& name)
{
    auto* line = Named<QFrame>(parent, name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    return line;
}

// Layouts keep the sizes they found until a change they see, and a new theme does not reach them all.
void ForgetLayouts(QWidget* widget)
{
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->updateGeometry();
    for (QLayout* layout : widget->findChildren<QLayout*>())
        layout->invalidate();
}

} // namespace

TDlgSettings::TDlgSettings(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    // The embedded-form control reads the dialog's name when it is created.
    setObjectName(QStringLiteral("DlgSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    FormRegistry::Instance().Register(this);
    auto* dialogLayout = new QVBoxLayout(this);
    dialogLayout->setContentsMargins(0, 0, 0, 0);
    PanelSettingsBack = Named<QWidget>(this, QStringLiteral("PanelSettingsBack"));
    dialogLayout->addWidget(PanelSettingsBack);
    auto* backLayout = new QHBoxLayout(PanelSettingsBack);

    PanelSettingsTree = Named<QWidget>(PanelSettingsBack, QStringLiteral("PanelSettingsTree"));
    auto* treeLayout = new QVBoxLayout(PanelSettingsTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    TreeViewSettings = Named<QTreeWidget>(PanelSettingsTree, QStringLiteral("TreeViewSettings"));
    TreeViewSettings->setHeaderHidden(true);
    TreeViewSettings->setRootIsDecorated(false);
    TreeViewSettings->setIndentation(19);
    TreeViewSettings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeViewSettings->setMaximumWidth(160);
    treeLayout->addWidget(TreeViewSettings);
    backLayout->addWidget(PanelSettingsTree);

    PanelSettingsPages = Named<QWidget>(PanelSettingsBack, QStringLiteral("PanelSettingsPages"));
    auto* pagesLayout = new QVBoxLayout(PanelSettingsPages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    PanelSettingsTop = Named<QWidget>(PanelSettingsPages, QStringLiteral("PanelSettingsTop"));
    auto* topLayout = new QVBoxLayout(PanelSettingsTop);
    topLayout->setContentsMargins(0, 0, 0, 0);
    BevelSettingsTop = AddLine(PanelSettingsTop, topLayout, QStringLiteral("BevelSettingsTop"));
    SettingsPageLabel = Named<QLabel>(PanelSettingsTop, QStringLiteral("SettingsPageLabel"));
    SettingsPageLabel->setText(QStringLiteral("Title"));
    QFont bold = SettingsPageLabel->font();
    bold.setBold(true);
    SettingsPageLabel->setFont(bold);
    topLayout->addWidget(SettingsPageLabel);
    pagesLayout->addWidget(PanelSettingsTop);

    TBXAlignmentPanelCenter = Named<QWidget>(PanelSettingsPages, QStringLiteral("TBXAlignmentPanelCenter"));
    auto* centerLayout = new QVBoxLayout(TBXAlignmentPanelCenter);
    centerLayout->setContentsMargins(0, 0, 12, 1);
    EmbeddedFormControlSettings =
        Named<TEmbeddedFormControl>(TBXAlignmentPanelCenter, QStringLiteral("EmbeddedFormControlSettings"));
    centerLayout->addWidget(EmbeddedFormControlSettings);
    pagesLayout->addWidget(TBXAlignmentPanelCenter, 1);
    backLayout->addWidget(PanelSettingsPages, 1);

    PanelSettingsBottom = Named<QWidget>(this, QStringLiteral("PanelSettingsBottom"));
    auto* bottomLayout = new QVBoxLayout(PanelSettingsBottom);
    BevelSettingsBottom = AddLine(PanelSettingsBottom, bottomLayout, QStringLiteral("BevelSettingsBottom"));
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    SettingsButtonOk = Named<QPushButton>(PanelSettingsBottom, QStringLiteral("SettingsButtonOk"));
    SettingsButtonOk->setText(QStringLiteral("Ok"));
    SettingsButtonOk->setDefault(true);
    buttonRow->addWidget(SettingsButtonOk);
    bottomLayout->addLayout(buttonRow);
    dialogLayout->addWidget(PanelSettingsBottom);

    measuringPlace_ = new QWidget(this);
    measuringPlace_->hide();

    FormResizer1 = NewFormResizer1(this);
    ListStringsToTranslate = NewListStringsToTranslate(this);
    ListStringsToTranslate->SetProperties({QStringLiteral("SettingsButtonOk")});

    connect(SettingsButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(TreeViewSettings, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { TreeViewSettingsChange(node); });
    setMinimumSize(kDesignWidth, kDesignHeight);
    FormCreate();
}

void TDlgSettings::FormCreate()
{
    if (minimumWidth() > 100)
        resize(minimumWidth(), height());
    if (minimumHeight() > 100)
        resize(width(), minimumHeight());
    FormResizer1->AdaptToScreen(true);
    designSize_ = fittedSize_ = minimumSize();
    ShowExpertPage = true;
}

void TDlgSettings::Translate()
{
    TranslateForm(this, ListStringsToTranslate->Properties());
}

void TDlgSettings::BuildTree()
{
    TreeViewSettings->clear();
    QTreeWidgetItem* general = nullptr;
    for (const TreeNode& node : treeNodes) {
        // A page the program lacks gets no node.
        if ((node.PageName == expertPage && !ShowExpertPage) || !FindPage(node.PageName))
            continue;
        auto* item = new QTreeWidgetItem(TreeViewSettings, {TranslateMsg(node.Caption)});
        item->setData(0, kPageNameRole, node.PageName);
        if (node.PageName == generalPage)
            general = item;
    }
    TreeViewSettings->setCurrentItem(general ? general : TreeViewSettings->topLevelItem(0));
}

void TDlgSettings::PrepareToShow()
{
    BuildTree();
    setWindowTitle(TranslateMsg(QStringLiteral("Settings")));
}

void TDlgSettings::Execute()
{
    PrepareToShow();
    CentreOnScreen(this);
    exec();
}

void TDlgSettings::TreeViewSettingsChange(QTreeWidgetItem* node)
{
    // The tree is being cleared.
    if (!node)
        return;
    EmbeddedFormControlSettings->SetEmbeddedFormName(node->data(0, kPageNameRole).toString());
    ActivateEmbeddedPage();
    UpdateTitleStrip();
    FitPages();
}

void TDlgSettings::FitPages()
{
    // The pages are laid out in the user's font, language and theme: rather than cut a page, the
    // dialog grows to show the largest of them whole, so that it keeps one size from page to page and
    // the same after a change of theme as after a start with that theme.
    QSize largest(0, 0);
    for (int row = 0; row < TreeViewSettings->topLevelItemCount(); ++row)
        largest = largest.expandedTo(
            RoomFor(FindPage(TreeViewSettings->topLevelItem(row)->data(0, kPageNameRole).toString())));
    ForgetLayouts(this);
    const QSize around = layout()->totalMinimumSize() - RoomFor(EmbeddedFormControlSettings->EmbeddedForm());
    const QSize needed = designSize_.expandedTo(around + largest);
    setMinimumSize(needed);
    // A size the user chose is kept when the pages fit in it.
    resize(size() == fittedSize_ ? needed : size().expandedTo(needed));
    fittedSize_ = size();
}

QSize TDlgSettings::RoomFor(QWidget* page) const
{
    if (!page)
        return QSize(0, 0);
    // A page floating on its own is a window, with a window's margins and push buttons that no dialog
    // holds: it is measured where this dialog holds it, out of sight.
    const bool floating = page->isWindow() && !page->isVisible();
    QWidget* const parent = page->parentWidget();
    const Qt::WindowFlags flags = page->windowFlags();
    if (floating)
        page->setParent(measuringPlace_);
    ForgetLayouts(page);
    const QSize room = page->minimumSizeHint();
    if (floating)
        page->setParent(parent, flags);
    return room;
}

void TDlgSettings::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    const bool looksChanged = event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange;
    // A theme reaches the dialog before its pages: the fit waits until they all have it.
    if (looksChanged && TreeViewSettings && TreeViewSettings->topLevelItemCount() > 0 && !fitPending_) {
        fitPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                fitPending_ = false;
                FitPages();
            },
            Qt::QueuedConnection);
    }
}

void TDlgSettings::ActivateEmbeddedPage() const
{
    const QString shown = EmbeddedFormControlSettings->EmbeddedFormName();
    for (const QString& name : activationOrder)
        if (TBrindlowTabbedForm* page = FindPage(name))
            page->SetActive(name == shown);
}

void TDlgSettings::UpdateTitleStrip()
{
    const QString caption = EmbeddedFormControlSettings->GetEmbeddedCaption();
    PanelSettingsTop->setVisible(!TrimBlanks(caption).isEmpty());
    SettingsPageLabel->setText(caption);
    SettingsButtonOk->setText(TranslateMsg(QStringLiteral("&Ok")));
}

void ShowSettingsDialog()
{
    if (auto* dialog =
            qobject_cast<TDlgSettings*>(FormRegistry::Instance().Find(QStringLiteral("DlgSettings"))))
        dialog->Execute();
}
