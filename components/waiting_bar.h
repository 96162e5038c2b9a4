#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QTimer;

enum TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// A painted bar with two modes. Ordinarily it shows a percentage bar with a centred text that stays
// legible over both colours; in waiting mode a short shaded block slides back and forth on a timer, to
// show that something is busy without knowing for how long.
class TWaitingBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Waiting READ Waiting WRITE SetWaiting)
    Q_PROPERTY(QString Text READ Text WRITE SetText)

public:
    static constexpr int WaitingColorCount = 33;

    explicit TWaitingBar(QWidget* parent = nullptr);

    // The moving block is Width / ratio long (1 .. 100).
    int WaitingLengthRatio() const { return waitingLengthRatio_; }
    void SetWaitingLengthRatio(int ratio);
    // Timer interval in milliseconds, at least 1.
    int StepDelay() const { return stepDelay_; }
    void SetStepDelay(int delay);
    // Pixels per tick: at least 1, at most Width div 10.
    int WaitingStep() const { return waitingStep_; }
    void SetWaitingStep(int step);
    // Pixels of the block still visible at either end before it turns: 0 .. Width div (ratio + 1).
    int WaitingRemainingWidth() const { return waitingRemainingWidth_; }
    void SetWaitingRemainingWidth(int width);
    const QString& Text() const { return text_; }
    void SetText(const QString& text);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    // The percentage and the free text exclude each other.
    bool ShowPosText() const { return showPosText_; }
    void SetShowPosText(bool show);
    bool ShowText() const { return showText_; }
    void SetShowText(bool show);
    // Left unset, they follow the palette's window text and button face.
    QColor ForeColor() const;
    void SetForeColor(const QColor& color);
    QColor BackColor() const;
    void SetBackColor(const QColor& color);
    int Min() const { return min_; }
    void SetMin(int min);
    int Max() const { return max_; }
    void SetMax(int max);
    int Position() const { return position_; }
    // Kept within Min .. Max; repaints only when the whole percent changes.
    void SetPosition(int position);
    bool Waiting() const { return waiting_; }
    // Switching it on (again) puts the block just outside the left edge, moving right.
    void SetWaiting(bool waiting);

    // 0 for an empty range.
    int GetPercent() const;
    // Moves the block one step, as each timer tick does.
    void TimerTick();
    int BlockOffset() const { return offset_; }
    bool MovingForward() const { return forward_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildWaitingColors();
    void StartWaiting();
    void SetWaitingState(bool waiting);
    void Restart();
    void PaintWaiting(QPainter& painter) const;
    void PaintPercentage(QPainter& painter) const;
    QString ShownText() const;
    void PaintBevel(QPainter& painter, QRect& frame, TBevelCut cut) const;

    int waitingLengthRatio_ = 3;
    int stepDelay_ = 10;
    int waitingStep_ = 1;
    int waitingRemainingWidth_ = 10;
    QString text_;
    TBevelCut bevelInner_ = bvLowered;
    TBevelCut bevelOuter_ = bvNone;
    int bevelWidth_ = 1;
    bool showPosText_ = true;
    bool showText_ = false;
    QColor foreColor_;
    QColor backColor_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool waiting_ = false;
    int offset_ = -100; // the block's left edge
    bool forward_ = true;
    std::array<QColor, WaitingColorCount> waitingColors_;
    QTimer* timer_ = nullptr; // made on first use
};
