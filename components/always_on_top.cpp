#include "components/always_on_top.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

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
        KeepAbove(value);
    if (OnStayOnTop)
        OnStayOnTop(this, value);
}

// Qt's own way of changing a window flag hides the window and shows it again, and the window manager then
// places it anew. Staying on top is a hint the window keeps: it is handed over in place, to the window
// on the screen and to the one the form will make. A window made but not shown yet takes it once it is
// on the screen: Qt would make that window anew at its show, and icewm tells such a window it stands a
// title bar lower than it does, then keeps it on top for good.
void TStayOnTop::KeepAbove(bool value)
{
    Qt::WindowFlags flags = form_->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, value);
    form_->overrideWindowFlags(flags);
    QWindow* window = form_->windowHandle();
    if (!window)
        return;
    if (window->isVisible())
        window->setFlags(flags);
    else
        window->installEventFilter(this);
}

bool TStayOnTop::eventFilter(QObject* watched, QEvent* event)
{
    auto* window = qobject_cast<QWindow*>(watched);
    if (window && event->type() == QEvent::Expose && window->isExposed()) {
        window->removeEventFilter(this);
        if (form_)
            window->setFlags(form_->windowFlags());
    }
    return QObject::eventFilter(watched, event);
}

void TStayOnTop::SetStayOnTopMessage(const QString& text)
{
    stayOnTopMessage_ = text;
    SetStayOnTop(stayOnTop_);
}
