#include "components/adv_group_box.h"

#include <QEvent>
#include <QPainter>

namespace {

constexpr int defaultMargin = 4;
constexpr int defaultOffset = 8;
// The etched frame: a light line and a dark line, one pixel apart.
constexpr int frameWidth = 2;

int orDefault(int value, int fallback)
{
    return value < 0 ? fallback : value;
}

} // namespace

TAdvGroupBox::TAdvGroupBox(QWidget* parent) : QGroupBox(parent)
{
    fitContents();
}

void TAdvGroupBox::SetCaption(const QString& caption)
{
    setTitle(caption);
    fitContents();
    update();
}

void TAdvGroupBox::SetMargin(int margin)
{
    margin_ = static_cast<qint8>(margin);
    update();
}

void TAdvGroupBox::SetOffset(int offset)
{
    offset_ = static_cast<qint8>(offset);
    update();
}

void TAdvGroupBox::SetCaptionPos(Qt::Alignment position)
{
    captionPos_ = position & Qt::AlignHorizontal_Mask;
    update();
}

QColor TAdvGroupBox::ColorLight() const
{
    return colorLight_.isValid() ? colorLight_ : palette().color(QPalette::Light);
}

QColor TAdvGroupBox::ColorShadow() const
{
    return colorShadow_.isValid() ? colorShadow_ : palette().color(QPalette::Dark);
}

void TAdvGroupBox::SetColorLight(const QColor& color)
{
    colorLight_ = color;
    update();
}

void TAdvGroupBox::SetColorShadow(const QColor& color)
{
    colorShadow_ = color;
    update();
}

int TAdvGroupBox::halfTextHeight() const
{
    return fontMetrics().height() / 2;
}

// The children stay below the caption and inside the frame.
void TAdvGroupBox::fitContents()
{
    setContentsMargins(frameWidth, fontMetrics().height() + frameWidth, frameWidth, frameWidth);
}

void TAdvGroupBox::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    // The group box recomputes its own margins on these changes; ours hold.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitContents();
}

TAdvGroupBox::CaptionPlace TAdvGroupBox::PlaceCaption() const
{
    const int offset = orDefault(offset_, defaultOffset);
    const int margin = orDefault(margin_, defaultMargin);
    const int textWidth = fontMetrics().horizontalAdvance(title());
    const int textHeight = 2 * halfTextHeight() + 1;
    Qt::Alignment position = captionPos_;
    if (layoutDirection() == Qt::RightToLeft && position != Qt::AlignHCenter)
        position = position == Qt::AlignRight ? Qt::AlignLeft : Qt::AlignRight;
    if (position == Qt::AlignHCenter) {
        const int left = (width() - textWidth) / 2;
        return {left - margin, left + textWidth + margin, QRect(left, 0, textWidth, textHeight)};
    }
    if (position == Qt::AlignRight) {
        const int right = width() - frameWidth - offset;
        return {right - textWidth - 2 * margin, right,
                QRect(right - textWidth - margin, 0, textWidth, textHeight)};
    }
    return {offset, offset + textWidth + 2 * margin, QRect(offset + margin, 0, textWidth, textHeight)};
}

void TAdvGroupBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int top = halfTextHeight();
    painter.setPen(ColorLight());
    painter.drawRect(1, top + 1, width() - 2, height() - top - 2);
    painter.setPen(ColorShadow());
    painter.drawRect(0, top, width() - 2, height() - top - 2);
    if (title().isEmpty())
        return;
    const CaptionPlace place = PlaceCaption();
    const QColor background = palette().color(backgroundRole());
    painter.fillRect(QRect(QPoint(place.GapLeft, top), QPoint(place.GapRight - 1, top + 1)), background);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(place.Text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}
