#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Centred lines scrolling slowly upwards inside a framed box, starting again from below once the last
// one has left the top. A line that begins with "_" is drawn without it in the bold font. The text takes
// the palette's window text colour.
class TScrollingCredits : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList Credits READ Credits WRITE SetCredits)
    Q_PROPERTY(QFont CreditsFont READ CreditsFont WRITE SetCreditsFont)
    Q_PROPERTY(QFont CreditsFontBold READ CreditsFontBold WRITE SetCreditsFontBold)
    Q_PROPERTY(QColor BackgroundColor READ BackgroundColor WRITE SetBackgroundColor)
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(bool Animate READ Animate WRITE SetAnimate)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)

public:
    explicit TScrollingCredits(QWidget* parent = nullptr);
    ~TScrollingCredits() override;

    const QStringList& Credits() const { return credits_; }
    void SetCredits(const QStringList& credits);
    const QFont& CreditsFont() const { return creditsFont_; }
    void SetCreditsFont(const QFont& font);
    const QFont& CreditsFontBold() const { return creditsFontBold_; }
    void SetCreditsFontBold(const QFont& font);
    QColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(const QColor& color);
    QColor BorderColor() const { return borderColor_; }
    void SetBorderColor(const QColor& color);
    // Scrolling on or off.
    bool Animate() const { return timer_.isActive(); }
    void SetAnimate(bool animate);
    // Milliseconds between steps of one pixel; at least 1.
    int Interval() const { return timer_.interval(); }
    void SetInterval(int interval);

    // Puts the first line at the bottom edge for the next paint.
    void Restart();
    // One step of the scrolling; the timer calls it.
    void ScrollTick();

    // Where the first line stands, in pixels from the top.
    int ScrollPosition() const { return scrollPosition_; }

    // A click on the box; the credits page pauses or resumes the scrolling with it.
    std::function<void(TScrollingCredits* sender)> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static int LineHeight(const QFont& font);

    QStringList credits_;
    QFont creditsFont_;
    QFont creditsFontBold_;
    QColor backgroundColor_ = Qt::black;
    QColor borderColor_ = Qt::white;
    QTimer timer_;
    int scrollPosition_ = 0;
    bool firstPaint_ = true;
};
