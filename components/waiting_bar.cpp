#include "components/waiting_bar.h"

#include <QImage>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kLastColor = TWaitingBar::WaitingColorCount - 1;

int stepTowards(int back, int fore, int step)
{
    const int distance = static_cast<int>(std::nearbyint(std::abs(fore - back) / double(kLastColor) * step));
    return fore >= back ? back + distance : back - distance;
}

} // namespace

TWaitingBar::TWaitingBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 20);
    BuildWaitingColors();
}

QColor TWaitingBar::ForeColor() const
{
    return foreColor_.isValid() ? foreColor_ : palette().color(QPalette::WindowText);
}

QColor TWaitingBar::BackColor() const
{
    return backColor_.isValid() ? backColor_ : palette().color(QPalette::Button);
}

void TWaitingBar::SetWaitingLengthRatio(int ratio)
{
    waitingLengthRatio_ = std::clamp(ratio, 1, 100);
    SetWaitingRemainingWidth(waitingRemainingWidth_);
}

void TWaitingBar::SetStepDelay(int delay)
{
    stepDelay_ = std::max(1, delay);
    Restart();
}

void TWaitingBar::SetWaitingStep(int step)
{
    // A bar under ten pixels wide still moves one pixel per tick.
    waitingStep_ = std::max(1, std::min(step, width() / 10));
    update();
}

void TWaitingBar::SetWaitingRemainingWidth(int remaining)
{
    waitingRemainingWidth_ = std::max(0, std::min(remaining, width() / (waitingLengthRatio_ + 1)));
    Restart();
}

void TWaitingBar::SetText(const QString& text)
{
    text_ = text;
    update();
}

void TWaitingBar::SetBevelInner(TBevelCut cut)
{
    bevelInner_ = cut;
    update();
}

void TWaitingBar::SetBevelOuter(TBevelCut cut)
{
    bevelOuter_ = cut;
    update();
}

void TWaitingBar::SetBevelWidth(int width)
{
    bevelWidth_ = std::max(1, width);
    update();
}

void TWaitingBar::SetShowPosText(bool show)
{
    showPosText_ = show;
    if (show)
        showText_ = false;
    update();
}

void TWaitingBar::SetShowText(bool show)
{
    showText_ = show;
    if (show)
        showPosText_ = false;
    update();
}

void TWaitingBar::SetForeColor(const QColor& color)
{
    foreColor_ = color;
    BuildWaitingColors();
    Restart();
}

void TWaitingBar::SetBackColor(const QColor& color)
{
    backColor_ = color;
    BuildWaitingColors();
    Restart();
}

void TWaitingBar::SetMin(int min)
{
    if (min == min_)
        return;
    min_ = std::min(min, max_);
    position_ = std::max(position_, min_);
    repaint();
}

void TWaitingBar::SetMax(int max)
{
    if (max == max_)
        return;
    max_ = std::max(max, min_);
    position_ = std::min(position_, max_);
    repaint();
}

void TWaitingBar::SetPosition(int position)
{
    position = std::clamp(position, min_, max_);
    if (position == position_)
        return;
    const int percent = GetPercent();
    position_ = position;
    if (GetPercent() != percent)
        repaint();
}

int TWaitingBar::GetPercent() const
{
    if (max_ <= min_)
        return 0;
    return static_cast<int>((std::int64_t(position_) - min_) * 100 / (std::int64_t(max_) - min_));
}

void TWaitingBar::SetWaiting(bool waiting)
{
    if (waiting)
        StartWaiting();
    SetWaitingState(waiting);
}

void TWaitingBar::StartWaiting()
{
    offset_ = -(width() / waitingLengthRatio_);
    forward_ = true;
    update();
}

void TWaitingBar::SetWaitingState(bool waiting)
{
    if (waiting == waiting_)
        return;
    waiting_ = waiting;
    if (waiting) {
        BuildWaitingColors();
        if (timer_ == nullptr) {
            timer_ = new QTimer(this);
            connect(timer_, &QTimer::timeout, this, &TWaitingBar::TimerTick);
        }
        timer_->setInterval(stepDelay_);
        timer_->start();
    } else if (timer_ != nullptr) {
        timer_->stop();
    }
    update();
}

void TWaitingBar::Restart()
{
    update();
    if (!waiting_)
        return;
    SetWaitingState(false);
    SetWaitingState(true);
}

void TWaitingBar::BuildWaitingColors()
{
    const QColor back = BackColor(), fore = ForeColor();
    for (int step = 0; step <= kLastColor; ++step)
        waitingColors_[step] =
            QColor(stepTowards(back.red(), fore.red(), step), stepTowards(back.green(), fore.green(), step),
                   stepTowards(back.blue(), fore.blue(), step));
}

void TWaitingBar::TimerTick()
{
    if (forward_) {
        offset_ += waitingStep_;
        if (offset_ + 1 > width() - waitingRemainingWidth_)
            forward_ = false;
    } else {
        offset_ -= waitingStep_;
        if (offset_ < waitingRemainingWidth_ - width() / double(waitingLengthRatio_))
            forward_ = true;
    }
    repaint();
}

void TWaitingBar::paintEvent(QPaintEvent*)
{
    // The text is inverted against what lies under it, which needs a picture of our own.
    QImage picture(size(), QImage::Format_RGB32);
    picture.fill(BackColor());
    {
        QPainter painter(&picture);
        if (waiting_)
            PaintWaiting(painter);
        else
            PaintPercentage(painter);
        QRect frame = rect();
        PaintBevel(painter, frame, bevelOuter_);
        PaintBevel(painter, frame, bevelInner_);
    }
    QPainter(this).drawImage(0, 0, picture);
}

void TWaitingBar::PaintWaiting(QPainter& painter) const
{
    const double blockLength = width() / double(waitingLengthRatio_);
    const int lines = width() / waitingLengthRatio_;
    // A collapsed bar has no block to shade.
    if (lines <= 0)
        return;
    for (int line = 0; line <= lines; ++line) {
        const int shade = std::clamp(static_cast<int>(line * kLastColor / blockLength), 0, kLastColor);
        const QColor& color = waitingColors_[forward_ ? shade : kLastColor - shade];
        painter.fillRect(offset_ + line, 0, 1, height(), color);
    }
}

QString TWaitingBar::ShownText() const
{
    if (showText_)
        return text_;
    if (showPosText_)
        return QString::number(GetPercent()) + u'%';
    return QString();
}

void TWaitingBar::PaintPercentage(QPainter& painter) const
{
    const int filled = std::clamp(static_cast<int>(GetPercent() * width() * 0.01), 0, width());
    if (filled > 0) {
        painter.fillRect(0, 0, filled, height(), ForeColor());
        painter.setPen(BackColor());
        painter.drawRect(0, 0, filled - 1, height() - 1);
    }
    const QString text = ShownText();
    if (text.isEmpty())
        return;
    QImage textPicture(size(), QImage::Format_RGB32);
    textPicture.fill(Qt::black);
    {
        QPainter textPainter(&textPicture);
        textPainter.setFont(font());
        textPainter.setPen(Qt::white);
        const int textHeight = QFontMetrics(font()).height();
        textPainter.drawText(QRect(5, (height() - textHeight) / 2, width() - 5, textHeight),
                             Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    }
    // White text over black: each text pixel turns what lies under it to its inverse.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.drawImage(0, 0, textPicture);
    painter.restore();
}

void TWaitingBar::PaintBevel(QPainter& painter, QRect& frame, TBevelCut cut) const
{
    if (cut == bvNone)
        return;
    const QColor shadow = palette().color(QPalette::Mid), light = palette().color(QPalette::Light);
    const QColor topLeft = cut == bvLowered ? shadow : light;
    const QColor bottomRight = cut == bvLowered ? light : shadow;
    for (int ring = 0; ring < bevelWidth_ && frame.width() > 0 && frame.height() > 0; ++ring) {
        painter.fillRect(frame.left(), frame.top(), frame.width() - 1, 1, topLeft);
        painter.fillRect(frame.left(), frame.top(), 1, frame.height() - 1, topLeft);
        painter.fillRect(frame.right(), frame.top(), 1, frame.height(), bottomRight);
        painter.fillRect(frame.left(), frame.bottom(), frame.width(), 1, bottomRight);
        frame.adjust(1, 1, -1, -1);
    }
}
