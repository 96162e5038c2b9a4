#include "components/embedded_form_control.h"

#include "components/form_registry.h"
#include "components/t_saved_form_unit.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// A released form's close handler: closing its window brings it back into the control that let
// it go. One per form, like the form's single close event.
class TakeBackOnClose : public QObject {
public:
    explicit TakeBackOnClose(QWidget* form) : QObject(form), form_(form) { form->installEventFilter(this); }

    void SetHost(TEmbeddedFormControl* host) { host_ = host; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != form_ || event->type() != QEvent::Close || !host_)
            return false;
        // Closing hides the window first, so the form comes back remembered as hidden and a later
        // release does not pop it up again.
        event->ignore();
        form_->hide();
        host_->SetEmbeddedFormName(form_->objectName());
        return true;
    }

private:
    QWidget* form_;
    QPointer<TEmbeddedFormControl> host_;
};

void setCloseHandler(QWidget* form, TEmbeddedFormControl* host)
{
    for (QObject* child : form->children()) {
        if (auto* handler = dynamic_cast<TakeBackOnClose*>(child)) {
            handler->SetHost(host);
            return;
        }
    }
    if (host)
        (new TakeBackOnClose(form))->SetHost(host);
}

QString outermostFormName(QWidget* parent)
{
    QString name;
    for (QWidget* widget = parent; widget; widget = widget->parentWidget())
        if (widget->isWindow() || FormRegistry::Instance().IsForm(widget))
            name = widget->objectName();
    return name;
}

} // namespace

TEmbeddedFormControl::TEmbeddedFormControl(QWidget* parent)
    : QWidget(parent), layout_(new QVBoxLayout(this)), parentFormName_(outermostFormName(parent))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

TEmbeddedFormControl::~TEmbeddedFormControl()
{
    if (HoldsForm())
        HandBack(currentForm_);
}

void TEmbeddedFormControl::SetEmbeddedFormName(const QString& value)
{
    if (value == parentFormName_ || value == embeddedFormName_)
        return;
    ReleaseForm();
    embeddedFormName_ = value;
    if (value.isEmpty())
        return;
    EmbedForm();
    pending_ = true;
}

void TEmbeddedFormControl::EmbedForm()
{
    if (embeddedFormName_.isEmpty())
        return;
    QWidget* form = FormRegistry::Instance().Find(embeddedFormName_);
    // A form that holds this control cannot go inside it.
    if (form && form != this && !form->isAncestorOf(this))
        TakeIn(form);
    if (OnEmbeddedChange)
        OnEmbeddedChange(this, true);
    pending_ = false;
}

QString TEmbeddedFormControl::GetEmbeddedCaption() const
{
    return currentForm_ ? currentForm_->windowTitle() : QString();
}

void TEmbeddedFormControl::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // Re-parenting inside a paint is unsafe, so the embedding waits for the event loop.
    if (pending_)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (pending_)
                    EmbedForm();
            },
            Qt::QueuedConnection);
}

void TEmbeddedFormControl::TakeIn(QWidget* form)
{
    if (form != currentForm_) {
        savedParent_ = form->parentWidget();
        savedFlags_ = form->windowFlags();
        savedVisible_ = !form->isHidden();
    }
    currentForm_ = form;
    form->setParent(this, Qt::Widget);
    if (layout_->indexOf(form) < 0)
        layout_->addWidget(form);
    form->setVisible(true);
    setCloseHandler(form, nullptr);
    if (form->layout())
        form->layout()->activate();
}

void TEmbeddedFormControl::ReleaseForm()
{
    if (!HoldsForm()) {
        currentForm_ = nullptr;
        return;
    }
    const QPointer<QWidget> form = currentForm_;
    HandBack(form);
    setCloseHandler(form, this);
    currentForm_ = nullptr;
    if (OnEmbeddedChange)
        OnEmbeddedChange(this, false);
    if (!form)
        return;
    CentreOnScreen(form, screen());
    form->setVisible(savedVisible_);
}

// A form another control has taken since is no longer ours to hand back.
bool TEmbeddedFormControl::HoldsForm() const
{
    return currentForm_ && currentForm_->parentWidget() == this;
}

void TEmbeddedFormControl::HandBack(QWidget* form)
{
    form->setVisible(false);
    layout_->removeWidget(form);
    form->setParent(savedParent_, savedFlags_);
}
