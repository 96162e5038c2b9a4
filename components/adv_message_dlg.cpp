#include "components/adv_message_dlg.h"

#include "components/easysize.h"
#include "components/url_link.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/dlg_m_lang.h"
#include "foundation/language.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>

#include <algorithm>

using namespace plat;

namespace {

struct ButtonResult {
    TMsgDlgBtn Button;
    int Result;
    TDlgCaption Caption;
};

constexpr ButtonResult buttonTable[] = {
    {mbYes, mrYes, dcMsgYes},
    {mbNo, mrNo, dcMsgNo},
    {mbOK, mrOk, dcMsgOK},
    {mbCancel, mrCancel, dcMsgCancel},
    {mbAbort, mrAbort, dcMsgAbort},
    {mbRetry, mrRetry, dcMsgRetry},
    {mbIgnore, mrIgnore, dcMsgIgnore},
    {mbAll, mrAll, dcMsgAll},
    {mbNoToAll, mrNoToAll, dcMsgNoToAll},
    {mbYesToAll, mrYesToAll, dcMsgYesToAll},
    {mbHelp, mrNone, dcMsgHelp},
};

const char* const buttonProperty = "msgDlgBtn";

QStyle::StandardPixmap iconFor(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case TMsgDlgType::mtError:
        return QStyle::SP_MessageBoxCritical;
    case TMsgDlgType::mtInformation:
        return QStyle::SP_MessageBoxInformation;
    case TMsgDlgType::mtConfirmation:
        return QStyle::SP_MessageBoxQuestion;
    case TMsgDlgType::mtCustom:
        break;
    }
    return QStyle::SP_CustomBase;
}

// The title follows the selected language; a custom dialog carries the program's name.
QString titleFor(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return DlgCaption(dcWarning);
    case TMsgDlgType::mtError:
        return DlgCaption(dcError);
    case TMsgDlgType::mtInformation:
        return DlgCaption(dcInformation);
    case TMsgDlgType::mtConfirmation:
        return DlgCaption(dcConfirm);
    case TMsgDlgType::mtCustom:
        break;
    }
    return QApplication::applicationName();
}

QLabel* makeIcon(TMsgDlgType type, QWidget* parent)
{
    const QStyle::StandardPixmap standard = iconFor(type);
    if (standard == QStyle::SP_CustomBase)
        return nullptr;
    auto* image = new QLabel(parent);
    image->setObjectName(QStringLiteral("Image"));
    const int size = parent->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, parent);
    image->setPixmap(parent->style()->standardIcon(standard, nullptr, parent).pixmap(size, size));
    image->setAlignment(Qt::AlignTop);
    return image;
}

TURLLink* makeHelpLink(const QString& page, QWidget* parent)
{
    auto* link = new TURLLink(parent);
    link->setObjectName(QStringLiteral("_AdvancedMessageDlg_UrlLink"));
    link->setText(TranslateMsg(QStringLiteral("Help")));
    link->SetLink(page);
    QFont normal = link->font();
    normal.setBold(true);
    link->setFont(normal);
    QFont hover = normal;
    hover.setUnderline(false);
    link->SetFocusFont(hover);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

// The message text. Wrapped, it breaks a word too long for a line (a long file name) anywhere rather than
// cut it. The label sets its document's wrap mode again each time it lays its text out anew, so the mode is
// put back after that layout: when the label is measured (as its layout does after a new text), resized, or
// given a new font or style. Never while painting: the new layout asks for another paint, for ever.
class MessageLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize sizeHint() const override
    {
        keepLongWordsWrapped();
        return QLabel::sizeHint();
    }
    QSize minimumSizeHint() const override
    {
        keepLongWordsWrapped();
        return QLabel::minimumSizeHint();
    }
    int heightForWidth(int width) const override
    {
        keepLongWordsWrapped();
        return QLabel::heightForWidth(width);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        keepLongWordsWrapped();
    }
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
            event->type() == QEvent::ContentsRectChange)
            keepLongWordsWrapped();
    }

private:
    void keepLongWordsWrapped() const
    {
        auto* document = findChild<QTextDocument*>();
        if (!wordWrap() || !document)
            return;
        QLabel::heightForWidth(width()); // runs the pending layout, which sets the mode it wants
        QTextOption option = document->defaultTextOption();
        if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere)
            return;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        document->setDefaultTextOption(option);
    }
};

// <Docs>/<name><suffix>.htm, or .html when the .htm page is missing.
QString pageFile(const QString& base)
{
    const QString page = base + QStringLiteral(".htm");
    return QFileInfo::exists(page) ? page : page + u'l';
}

} // namespace

TAdvancedMessageForm::TAdvancedMessageForm(const MessageRequest& request, QWidget* parent)
    : QDialog(parent), requested_(request.Buttons), requestedChecked_(request.Checked)
{
    setWindowTitle(titleFor(request.Type));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    if (QLabel* image = makeIcon(request.Type, this))
        top->addWidget(image);
    message_ = new MessageLabel(ForDisplay(request.Text), this);
    message_->setObjectName(QStringLiteral("Message"));
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(message_, 1);
    layout->addLayout(top);
    auto* extras = new QHBoxLayout;
    addExtras(request, extras);
    if (checkBox_ || urlLink_)
        layout->addLayout(extras);
    else
        delete extras;
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    addButtons(request.Buttons, buttonRow);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    auto* resizer = new TFormResizer(this);
    resizer->ResizeFonts = true;
    resizer->AdaptToScreen(false);
}

void TAdvancedMessageForm::showEvent(QShowEvent* event)
{
    fitMessageToScreen();
    QDialog::showEvent(event);
}

// The standard message box's rule: one line while the box stays within half the screen (500 pixels at
// most), else wrapped, the box as wide as its widest word needs but within the screen; a small screen
// gives all its width but room for the window's frame.
void TAdvancedMessageForm::fitMessageToScreen()
{
    constexpr int frameRoom = 40;
    const int available = screen()->availableGeometry().width();
    const int softLimit = std::min(available / 2, 500);
    const int hardLimit = available <= 1024 ? available - frameRoom : std::min(available - 480, 1000);
    // The nested layouts learn of the label's wrapping only when invalidated all the way down.
    const auto minimumWidth = [this](bool wrapped) {
        message_->setWordWrap(wrapped);
        layout()->invalidate();
        layout()->activate();
        return layout()->totalMinimumSize().width();
    };
    int width = minimumWidth(false);
    if (width > softLimit)
        width = std::min(std::max(softLimit, minimumWidth(true)), hardLimit);
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                     : layout()->totalMinimumSize().height();
    setFixedSize(width, height);
}

void TAdvancedMessageForm::addExtras(const MessageRequest& request, QHBoxLayout* row)
{
    if (!request.CheckCaption.trimmed().isEmpty()) {
        checkBox_ = new QCheckBox(ForDisplay(request.CheckCaption), this);
        checkBox_->setObjectName(QStringLiteral("_AdvancedMessageDlg_CheckBox"));
        checkBox_->setChecked(request.Checked);
        row->addWidget(checkBox_);
    }
    row->addStretch();
    if (!request.HelpPage.trimmed().isEmpty()) {
        urlLink_ = makeHelpLink(request.HelpPage, this);
        row->addWidget(urlLink_);
    }
}

void TAdvancedMessageForm::addButtons(TMsgDlgButtons buttons, QHBoxLayout* row)
{
    for (const ButtonResult& entry : buttonTable) {
        if (!buttons.testFlag(entry.Button))
            continue;
        auto* button = new QPushButton(DlgCaption(entry.Caption), this);
        button->setProperty(buttonProperty, static_cast<int>(entry.Button));
        button->setDefault(buttons_.isEmpty());
        // Help contexts are not shown here: the Help button closes nothing.
        if (const int result = entry.Result; result != mrNone)
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons_.append(button);
        row->addWidget(button);
    }
}

QAbstractButton* TAdvancedMessageForm::Button(TMsgDlgBtn button) const
{
    for (QAbstractButton* candidate : buttons_)
        if (candidate->property(buttonProperty).toInt() == static_cast<int>(button))
            return candidate;
    return nullptr;
}

MessageAnswer TAdvancedMessageForm::Answer(int modalResult) const
{
    MessageAnswer answer;
    answer.ModalResult = modalResult == mrNone ? ClosedWithoutAnswer(requested_) : modalResult;
    answer.Checked = checkBox_ ? checkBox_->isChecked() : requestedChecked_;
    return answer;
}

QString AdvancedMessageHelpPage(const QString& DocName)
{
    const QString name = DocName.trimmed();
    if (name.isEmpty())
        return QString();
    const QString base = plat::ProgramFolder() + QStringLiteral("Docs/") + name;
    const QString page = pageFile(base);
    const QString frenchPage = pageFile(base + QStringLiteral("_fr"));
    const QString chosen =
        CurrentLanguageCode() == u"fr" && QFileInfo::exists(frenchPage) ? frenchPage : page;
    return QFileInfo::exists(chosen) ? chosen : QString();
}

int AdvancedMessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx,
                       int DefaultResult, bool& DontShowAgain, const QString& CheckCaption,
                       const QString& DocName)
{
    MessageRequest request;
    request.Text = Msg;
    request.Type = DlgType;
    request.Buttons = Buttons;
    request.HelpContext = HelpCtx;
    request.CheckCaption = CheckCaption;
    request.HelpPage = AdvancedMessageHelpPage(DocName);
    return ShowCheckedMessage(request, DefaultResult, DontShowAgain);
}

namespace {

bool confirm(const QString& question)
{
    PlaySoundEvent(SndPleaseConfirm);
    const QString text = u'\r' + question + QStringLiteral("       \r");
    return MessageDlg(text, TMsgDlgType::mtConfirmation, mbOK | mbCancel) == mrOk;
}

} // namespace

bool ConfirmDialog()
{
    return confirm(TranslateMsg(QStringLiteral("Please confirm...")));
}

bool ConfirmQuit()
{
    return confirm(TranslateMsg(QStringLiteral("Please confirm that you want to quit")) +
                   QStringLiteral("..."));
}
