#include "components/url_link.h"

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
    focusColor_ = palette().color(QPalette::Dark);
    showFont(linkFont(), palette().color(QPalette::WindowText));
    normalFont_ = font();
    normalColor_ = palette().color(QPalette::WindowText);
    clickHandler_ = [this] { URLClick(); };
}

void TURLLink::showFont(const QFont& font, const QColor& color)
{
    setFont(font);
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, color);
    setPalette(colors);
}

void TURLLink::enterEvent(QEnterEvent* event)
{
    normalFont_ = font();
    normalColor_ = palette().color(QPalette::WindowText);
    showFont(focusFont_, focusColor_);
    QLabel::enterEvent(event);
    Q_EMIT OnMouseEnter();
}

void TURLLink::leaveEvent(QEvent* event)
{
    showFont(normalFont_, normalColor_);
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
