#include "components/credits.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TScrollingCredits::TScrollingCredits(QWidget* parent) : QWidget(parent)
{
    resize(305, 201);
    setAttribute(Qt::WA_OpaquePaintEvent);
    credits_ = {QStringLiteral("TScrollingCredits"), QString(14, QChar(0x00AF))};
    creditsFont_ = font();
    creditsFontBold_ = font();
    creditsFontBold_.setBold(true);
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &TScrollingCredits::ScrollTick);
}

TScrollingCredits::~TScrollingCredits() = default;

void TScrollingCredits::SetCredits(const QStringList& credits)
{
    credits_ = credits;
    update();
}

void TScrollingCredits::SetCreditsFont(const QFont& font)
{
    creditsFont_ = font;
    update();
}

void TScrollingCredits::SetCreditsFontBold(const QFont& font)
{
    creditsFontBold_ = font;
    update();
}

void TScrollingCredits::SetBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void TScrollingCredits::SetBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

void TScrollingCredits::SetAnimate(bool animate)
{
    if (animate)
        timer_.start();
    else
        timer_.stop();
    update();
}

void TScrollingCredits::SetInterval(int interval)
{
    // A zero interval would make the timer spin.
    timer_.setInterval(std::max(interval, 1));
}

int TScrollingCredits::LineHeight(const QFont& font)
{
    // The height of a line of text, as the font gives it for any letter.
    return QFontMetrics(font).height();
}

void TScrollingCredits::Restart()
{
    scrollPosition_ = height() - LineHeight(creditsFont_);
}

void TScrollingCredits::ScrollTick()
{
    const int lineHeight = LineHeight(creditsFont_);
    if (scrollPosition_ < -credits_.size() * lineHeight)
        scrollPosition_ = height() + lineHeight;
    else if (Animate())
        --scrollPosition_;
    if (Animate())
        update();
}

void TScrollingCredits::paintEvent(QPaintEvent*)
{
    if (firstPaint_) {
        firstPaint_ = false;
        scrollPosition_ = height();
    }
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), backgroundColor_);
    painter.setPen(palette().color(QPalette::WindowText));
    int y = scrollPosition_;
    for (const QString& line : credits_) {
        const bool marked = line.startsWith(QLatin1Char('_'));
        const QString text = marked ? line.mid(1) : line;
        painter.setFont(marked ? creditsFontBold_ : creditsFont_);
        const QFontMetrics metrics = painter.fontMetrics();
        const int x = width() / 2 - metrics.horizontalAdvance(text) / 2;
        painter.drawText(x, y + metrics.ascent(), text);
        y += LineHeight(painter.font());
    }
    painter.setPen(borderColor_);
    painter.drawRect(frame);
}

void TScrollingCredits::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick(this);
    QWidget::mouseReleaseEvent(event);
}
