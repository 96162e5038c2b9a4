#include "components/always_on_top.h"

#include <QWidget>

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
    if (form_ && form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != value) {
        // Changing a window flag hides the window: show it again where it was.
        const bool visible = form_->isVisible();
        const QRect geometry = form_->geometry();
        form_->setWindowFlag(Qt::WindowStaysOnTopHint, value);
        if (visible) {
            form_->setGeometry(geometry);
            form_->show();
        }
    }
    if (OnStayOnTop)
        OnStayOnTop(this, value);
}

void TStayOnTop::SetStayOnTopMessage(const QString& text)
{
    stayOnTopMessage_ = text;
    SetStayOnTop(stayOnTop_);
}
