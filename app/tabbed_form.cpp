#include "app/tabbed_form.h"

#include "components/embedded_form_control.h"
#include "components/form_registry.h"

TFormToEmbed::TFormToEmbed(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormToEmbed"));
    setWindowTitle(QStringLiteral("FormToEmbed"));
    FormRegistry::Instance().Register(this);
}

TEmbeddedFormControl* TFormToEmbed::HostControl() const
{
    return qobject_cast<TEmbeddedFormControl*>(parentWidget());
}

void TFormToEmbed::Embed()
{
    if (HostControl() || !host_)
        return;
    host_->SetEmbeddedFormName(objectName());
}

void TFormToEmbed::Float()
{
    TEmbeddedFormControl* host = HostControl();
    if (!host)
        return;
    host_ = host;
    QWidget* owner = host->window();
    host->SetEmbeddedFormName(QString());
    setParent(owner, Qt::Tool);
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
    show();
}
