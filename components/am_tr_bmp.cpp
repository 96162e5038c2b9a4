#include "components/am_tr_bmp.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

constexpr int initialSize = 105;

// A picture with an alpha channel says itself what shows through; others lose their key colour.
QPixmap withoutKeyColour(const QImage& picture, const QColor& key)
{
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (!picture.hasAlphaChannel())
        pixmap.setMask(pixmap.createMaskFromColor(key, Qt::MaskInColor));
    return pixmap;
}

} // namespace

TAMTrBmp::TAMTrBmp(QWidget* parent) : QWidget(parent)
{
    setGeometry(0, 0, initialSize, initialSize);
}

void TAMTrBmp::SetPicture(const QImage& picture)
{
    picture_ = picture;
    if (!picture_.isNull()) {
        setGeometry(0, 0, picture_.width(), picture_.height());
        transparentColor_ = picture_.pixelColor(0, picture_.height() - 1);
    }
    update();
}

void TAMTrBmp::SetTransparentColor(const QColor& color)
{
    if (picture_.isNull() || color == transparentColor_)
        return;
    transparentColor_ = color;
    update();
}

void TAMTrBmp::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    const int x = std::max(0, (width() - picture_.width()) / 2);
    const int y = std::max(0, (height() - picture_.height()) / 2);
    QPainter(this).drawPixmap(x, y, withoutKeyColour(picture_, transparentColor_));
}

void TAMTrBmp::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT OnClick();
}
