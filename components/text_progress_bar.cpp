#include "components/text_progress_bar.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QRect rectLTRB(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// a × b / c to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c)
{
    const std::int64_t product = std::int64_t(a) * b;
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(c) / 2) / std::llabs(c);
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

int gradientComponent(int start, int end, int index, int count)
{
    return std::clamp(start + mulDiv(index - 1, end - start, count - 1), 0, 255);
}

} // namespace

QColor GetGradientColor(const QColor& start, const QColor& end, int index, int count)
{
    if (count <= 1)
        return start;
    index = std::clamp(index, 1, count);
    return QColor(gradientComponent(start.red(), end.red(), index, count),
                  gradientComponent(start.green(), end.green(), index, count),
                  gradientComponent(start.blue(), end.blue(), index, count));
}

TTextProgressBar::TTextProgressBar(QWidget* parent) : QWidget(parent)
{
    resize(200, 20);
}

QColor TTextProgressBar::BackgroundColor() const
{
    return backgroundColor_.isValid() ? backgroundColor_ : palette().color(QPalette::Button);
}

QColor TTextProgressBar::BorderColor1() const
{
    return borderColor1_.isValid() ? borderColor1_ : palette().color(QPalette::Mid);
}

QColor TTextProgressBar::BorderColor2() const
{
    return borderColor2_.isValid() ? borderColor2_ : palette().color(QPalette::Light);
}

void TTextProgressBar::SetBarColorStyle(TBarColorStyle style)
{
    insets1Color_ = ClampedInset(insets1Color_);
    Change(barColorStyle_, style);
}

void TTextProgressBar::SetPosition(int position)
{
    if (position == position_ || position < min_ || position > max_)
        return;
    // Only the covered part moves: the gradient or tiling is reused as it is.
    position_ = position;
    repaint();
}

int TTextProgressBar::ClampedInset(int inset) const
{
    const int halfHeight = static_cast<int>(std::nearbyint(height() / 2.0));
    return std::max(0, std::min(inset, halfHeight - 1));
}

void TTextProgressBar::SetInsets1Color(int inset)
{
    insets1Color_ = ClampedInset(inset);
    if (barColorStyle_ == cs1Color)
        repaint();
}

void TTextProgressBar::SetShowPosText(bool show)
{
    if (show)
        showText_ = false;
    Change(showPosText_, show);
}

void TTextProgressBar::SetShowText(bool show)
{
    if (show)
        showPosText_ = false;
    Change(showText_, show);
}

int TTextProgressBar::GetBarLength() const
{
    const int length = (Horizontal() ? width() : height()) - (showBorder_ ? 2 : 0);
    return std::max(0, length);
}

int TTextProgressBar::GetFilledLength() const
{
    // An empty range, or a position left above a lowered Max, must not fill past the bar.
    if (position_ <= min_ || max_ <= min_)
        return 0;
    const double ratio = (double(position_) - min_) / (double(max_) - min_);
    const int length = GetBarLength();
    return std::clamp(static_cast<int>(std::nearbyint(length * ratio)), 0, length);
}

QRect TTextProgressBar::InnerFrame() const
{
    return showBorder_ ? rect().adjusted(1, 1, -1, -1) : rect();
}

void TTextProgressBar::resizeEvent(QResizeEvent* event)
{
    cacheValid_ = false;
    QWidget::resizeEvent(event);
}

void TTextProgressBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        cacheValid_ = false;
        update();
    }
    QWidget::changeEvent(event);
}

void TTextProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // What an inset leaves between the border and a one-colour fill is background.
    painter.fillRect(rect(), BackgroundColor());
    PaintBar(painter);
    if (showBorder_)
        PaintBorder(painter);
    if (showPosText_ && !showText_)
        PaintCentredText(painter, posTextPrefix_ + QString::number(position_) + posTextSuffix_);
    else if (showText_ && !showPosText_)
        PaintCentredText(painter, text_);
}

void TTextProgressBar::PaintBar(QPainter& painter)
{
    if (!barBitmap_.isNull() || barColorStyle_ != cs1Color) {
        if (!cacheValid_ || barCache_.size() != size()) {
            barCache_ = QImage(size(), QImage::Format_RGB32);
            barCache_.fill(BackgroundColor());
            if (!barBitmap_.isNull())
                TileBitmap();
            else
                PaintGradient();
            cacheValid_ = true;
        }
        painter.drawImage(0, 0, barCache_);
    } else {
        const int inset = insets1Color_;
        painter.fillRect(rectLTRB(inset, inset, width() - inset, height() - inset), barColor1_);
    }
    // The whole bar is drawn, then covered from its far end.
    const QRect frame = InnerFrame();
    const int uncovered = GetBarLength() - GetFilledLength();
    const int l = frame.left(), t = frame.top(), r = frame.right() + 1, b = frame.bottom() + 1;
    QRect background;
    switch (direction_) {
    case pdLeftToRight:
        background = rectLTRB(r - uncovered, t, r, b);
        break;
    case pdRightToLeft:
        background = rectLTRB(l, t, l + uncovered, b);
        break;
    case pdBottomToTop:
        background = rectLTRB(l, t, r, t + uncovered);
        break;
    case pdTopToBottom:
        background = rectLTRB(l, b - uncovered, r, b);
        break;
    }
    painter.fillRect(background, BackgroundColor());
}

void TTextProgressBar::TileBitmap()
{
    QPainter painter(&barCache_);
    painter.drawTiledPixmap(barCache_.rect(), barBitmap_);
}

void TTextProgressBar::PaintGradient()
{
    QPainter painter(&barCache_);
    const int length = Horizontal() ? width() : height();
    // Runs go left to right and top to bottom, so the first colour lies where the bar starts.
    const bool reversed = direction_ == pdRightToLeft || direction_ == pdBottomToTop;
    if (barColorStyle_ == cs2Colors) {
        if (reversed)
            PaintGradientRun(painter, 0, length, barColor2_, barColor1_);
        else
            PaintGradientRun(painter, 0, length, barColor1_, barColor2_);
        return;
    }
    const int half = length / 2;
    if (reversed) {
        PaintGradientRun(painter, 0, half, barColor3_, barColor2_);
        PaintGradientRun(painter, half, length - half, barColor2_, barColor1_);
    } else {
        PaintGradientRun(painter, 0, half, barColor1_, barColor2_);
        PaintGradientRun(painter, half, length - half, barColor2_, barColor3_);
    }
}

void TTextProgressBar::PaintGradientRun(QPainter& painter, int first, int count, const QColor& start,
                                        const QColor& end)
{
    for (int step = 0; step < count; ++step) {
        const QColor color = GetGradientColor(start, end, step + 1, count);
        if (Horizontal())
            painter.fillRect(first + step, 0, 1, height(), color);
        else
            painter.fillRect(0, first + step, width(), 1, color);
    }
}

void TTextProgressBar::PaintBorder(QPainter& painter) const
{
    const int w = width(), h = height();
    const QColor shadow = BorderColor1(), light = BorderColor2();
    painter.fillRect(0, 0, w, 1, shadow);
    painter.fillRect(0, 0, 1, h, shadow);
    painter.fillRect(1, h - 1, w - 2, 1, light);
    painter.fillRect(w - 1, 1, 1, h - 1, light);
}

void TTextProgressBar::PaintCentredText(QPainter& painter, const QString& text) const
{
    const QFontMetrics metrics(font());
    const QRect box(width() / 2 - metrics.horizontalAdvance(text) / 2, height() / 2 - metrics.height() / 2,
                    metrics.horizontalAdvance(text) + 1, metrics.height());
    const QColor fontColor = palette().color(QPalette::WindowText);
    painter.setFont(font());
    if (!useInverseColor_) {
        painter.setPen(fontColor);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        return;
    }
    const std::pair<QRect, QColor> parts[] = {{GetFilledRect(), inverseColor_}, {GetEmptyRect(), fontColor}};
    for (const auto& [clip, color] : parts) {
        painter.save();
        painter.setClipRect(clip);
        painter.setPen(color);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        painter.restore();
    }
}

QRect TTextProgressBar::GetFilledRect() const
{
    const int filled = GetFilledLength(), edge = GetBarLength() - filled + 1;
    switch (direction_) {
    case pdLeftToRight:
        return rectLTRB(0, 0, filled + 1, height());
    case pdRightToLeft:
        return rectLTRB(edge, 0, width(), height());
    case pdTopToBottom:
        return rectLTRB(0, 0, width(), filled + 1);
    case pdBottomToTop:
        return rectLTRB(0, edge, width(), height());
    }
    return QRect();
}

QRect TTextProgressBar::GetEmptyRect() const
{
    const int filled = GetFilledLength(), edge = GetBarLength() - filled + 1;
    switch (direction_) {
    case pdLeftToRight:
        return rectLTRB(filled + 1, 0, width(), height());
    case pdRightToLeft:
        return rectLTRB(0, 0, edge, height());
    case pdTopToBottom:
        return rectLTRB(0, filled + 1, width(), height());
    case pdBottomToTop:
        return rectLTRB(0, 0, width(), edge);
    }
    return QRect();
}
