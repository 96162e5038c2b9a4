#include "components/url_link.h"

#include "components/themes.h"
#include "platform/url_opener.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

QFont linkFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    font.setUnderline(true);
    return font;
}

} // namespace

TURLLink::TURLLink(QWidget* parent) : QLabel(parent), focusFont_(linkFont())
{
    setFont(linkFont());
    clickHandler_ = [this] { URLClick(); };
}

QColor TURLLink::FocusColor() const
{
    return focusColor_.isValid()
               ? focusColor_
               : plat::ReadableOn(palette().color(QPalette::Dark), palette().color(QPalette::Window));
}

void TURLLink::enterEvent(QEnterEvent* event)
{
    normalFont_ = font();
    normalColours_ = palette();
    setFont(focusFont_);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, FocusColor());
    setPalette(colours);
    QLabel::enterEvent(event);
    Q_EMIT OnMouseEnter();
}

void TURLLink::leaveEvent(QEvent* event)
{
    setFont(normalFont_);
    // Only the colours set on the label come back: the others follow the theme in use.
    setPalette(normalColours_);
    QLabel::leaveEvent(event);
    Q_EMIT OnMouseLeave();
}

void TURLLink::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clickHandler_)
        clickHandler_();
}

void TURLLink::URLClick()
{
    if (!link_.isEmpty() && link_.size() <= MaxLinkLength)
        plat::UrlOpener::Open(link_);
    Q_EMIT OnClicked();
}
