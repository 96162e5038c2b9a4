#include "components/always_on_top.h"

#include <QWidget>
#include <QWindow>

namespace {

// Qt's own way of changing a window flag hides the window and shows it again, and the window manager then
// places it anew, even in the middle of its first show. Staying on top is a hint the window keeps: hand it
// over in place, to the window when it has one and to the one it will have.
void KeepAbove(QWidget& form, bool value)
{
    Qt::WindowFlags flags = form.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, value);
    form.overrideWindowFlags(flags);
    if (QWindow* window = form.windowHandle())
        window->setFlags(flags);
}

} // namespace

TStayOnTop::TStayOnTop(QObject* owner) : QObject(owner)
{
    auto* form = qobject_cast<QWidget*>(owner);
    if (form && form->isWindow())
        form_ = form;
    SetStayOnTop(false);
}

void TStayOnTop::SetStayOnTop(bool value)
{
    stayOnTop_ = value;
    if (form_)
        KeepAbove(*form_, value);
    if (OnStayOnTop)
        OnStayOnTop(this, value);
}

void TStayOnTop::SetStayOnTopMessage(const QString& text)
{
    stayOnTopMessage_ = text;
    SetStayOnTop(stayOnTop_);
}
