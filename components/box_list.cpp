#include "components/box_list.h"

#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace {

// Tall enough for any paragraph: measuring is bounded only by the width.
const int measureHeight = std::numeric_limits<int>::max() / 4;

} // namespace

TCustomBoxList::TCustomBoxList(QWidget* parent) : QWidget(parent)
{
    resize(140, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
}

TCustomBoxList::~TCustomBoxList() = default;

void TCustomBoxList::SetItems(const QStringList& items)
{
    items_ = items;
    update();
}

void TCustomBoxList::SetNumbers(bool numbers)
{
    numbers_ = numbers;
    update();
}

void TCustomBoxList::SetWordWrap(bool wordWrap)
{
    if (wordWrap_ == wordWrap)
        return;
    wordWrap_ = wordWrap;
    update();
}

void TCustomBoxList::SetAlignItems(Qt::Alignment alignment)
{
    if (alignItems_ == alignment)
        return;
    alignItems_ = alignment;
    update();
}

void TCustomBoxList::SetMargin(int margin)
{
    margin_ = margin;
    update();
}

void TCustomBoxList::SetSpacing(int spacing)
{
    spacing_ = std::max(spacing, 0);
    update();
}

void TCustomBoxList::SetSelection(const QColor& color)
{
    selection_ = color;
    update();
}

void TCustomBoxList::SetBackground(const QColor& color)
{
    background_ = color;
    update();
}

void TCustomBoxList::SetSelTransparent(bool transparent)
{
    selTransparent_ = transparent;
    update();
}

void TCustomBoxList::SetImage(const QImage& image)
{
    image_ = image;
    update();
}

void TCustomBoxList::Reset()
{
    scrollTop_ = 0;
    curentItem_ = 0;
    update();
}

QString TCustomBoxList::DisplayText(int item) const
{
    const QString& text = items_.at(item - 1);
    return numbers_ ? QString::number(item) + QStringLiteral(". ") + text : text;
}

int TCustomBoxList::TextFlags() const
{
    return int(alignItems_) | (wordWrap_ ? Qt::TextWordWrap : 0);
}

void TCustomBoxList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(backgroundRole()));
    // A picture stands on the bottom edge, unscaled; whatever it does not cover keeps the colour.
    if (!image_.isNull())
        painter.drawImage(0, height() - image_.height(), image_);

    scrollTop_ += pendingScroll_;
    pendingScroll_ = 0;
    positions_.assign(1, scrollTop_);
    const QFontMetrics metrics(font());
    QRect box(margin_, scrollTop_, width() - 2 * margin_, 0);
    for (int item = 1; item <= items_.size(); ++item) {
        const QString text = DisplayText(item);
        box.setHeight(
            metrics.boundingRect(QRect(box.left(), box.top(), box.width(), measureHeight), TextFlags(), text)
                .height());
        if (item == curentItem_ && isEnabled()) {
            painter.setPen(selection_);
            if (!selTransparent_)
                painter.fillRect(
                    QRect(QPoint(margin_, box.top()), QPoint(width() - margin_ - 1, box.bottom())),
                    background_);
        } else {
            painter.setPen(palette().color(foregroundRole()));
        }
        painter.drawText(box, TextFlags(), text);
        positions_.push_back(box.top() + box.height() + spacing_);
        box.moveTop(positions_.back());
    }
    if (OnChange)
        OnChange(this);
}

void TCustomBoxList::mousePressEvent(QMouseEvent* event)
{
    const int y = event->position().toPoint().y();
    for (size_t item = 1; item < positions_.size(); ++item)
        if (positions_[item - 1] <= y && y < positions_[item])
            curentItem_ = int(item);
    ScrollCurrentIntoView();
    QWidget::mousePressEvent(event);
}

void TCustomBoxList::ScrollCurrentIntoView()
{
    if (curentItem_ < 1 || size_t(curentItem_) >= positions_.size())
        return;
    const int bottom = positions_[curentItem_];
    const int top = positions_[curentItem_ - 1];
    if (bottom > height())
        pendingScroll_ = height() - bottom;
    if (top < 0)
        pendingScroll_ = -top;
    update();
}
