#pragma once

#include "components/log_memo.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// The level of one log line; values other than these show no icon.
enum TLogLevel : std::uint8_t {
    llNone = 0,
    llDebug = 1,
    llWarning = 2,
    llInformation = 3,
    llAssertion = 4,
    llError = 5,
    llUnknown = 6,
};

// The program's own 11 by 11 picture for a level, with a transparent background; null for llNone.
QImage LogLevelIcon(TLogLevel level);

// The text of line number `line` (counted from 0) as the margin shows it: padded with "0" to `digits`.
QString MarginNumberText(int line, int digits, bool zeroStart);

class QPainter;
class TNeroMargin;

// The log page's view: every line carries a level, and a margin at the left shows for each visible row
// either the icon of its line's level or its line number.
class TNeroMemo : public TLogMemo {
    Q_OBJECT
    Q_PROPERTY(int GapLeft READ GapLeft WRITE SetGapLeft)
    Q_PROPERTY(int GapTop READ GapTop WRITE SetGapTop)
    Q_PROPERTY(int GapRight READ GapRight WRITE SetGapRight)
    Q_PROPERTY(int GapBottom READ GapBottom WRITE SetGapBottom)
    Q_PROPERTY(bool NumShow READ NumShow WRITE SetNumShow)
    Q_PROPERTY(int NumDigits READ NumDigits WRITE SetNumDigits)
    Q_PROPERTY(int NumAlignment READ NumAlignment WRITE SetNumAlignment)
    Q_PROPERTY(bool NumZeroStart READ NumZeroStart WRITE SetNumZeroStart)
    Q_PROPERTY(bool IconShow READ IconShow WRITE SetIconShow)
    Q_PROPERTY(int MarginWidth READ MarginWidth WRITE SetMarginWidth)
    Q_PROPERTY(QColor MarginColor READ MarginColor WRITE SetMarginColor)

public:
    static constexpr int MaxLines = 500;
    enum TNumAlignment { naLeft = 0, naRight = 1, naCenter = 2 };

    // What the margin shows in one row, in the margin's own coordinates.
    struct TMarginRow {
        QRect Cell;     // where the number or the icon goes
        QString Number; // empty unless numbers are shown
        int Level = -1; // the line's level when icons are shown and the line has one, else -1
    };

    explicit TNeroMemo(QWidget* parent = nullptr);

    void AddText(const QString& s) { AddTextWithLevel(s, llNone); }
    void AddDebug(const QString& s) { AddTextWithLevel(s, llDebug); }
    void AddWarning(const QString& s) { AddTextWithLevel(s, llWarning); }
    void AddInformation(const QString& s) { AddTextWithLevel(s, llInformation); }
    void AddAssertion(const QString& s) { AddTextWithLevel(s, llAssertion); }
    void AddError(const QString& s) { AddTextWithLevel(s, llError); }
    void AddUnknown(const QString& s) { AddTextWithLevel(s, llUnknown); }
    // Splits at CR LF, CR or LF; a break at the very end adds no empty line.
    void AddTextWithLevel(const QString& s, TLogLevel level);
    void AddLineWithLevel(const QString& s, TLogLevel level);
    void AddStrings(const QStringList& list);
    void Clear();

    // The level stored with a line, or -1 for a line added without one.
    int LineLevel(int line) const;

    QImage BitmapDebug() const { return bitmaps_[llDebug - 1]; }
    QImage BitmapWarning() const { return bitmaps_[llWarning - 1]; }
    QImage BitmapInformation() const { return bitmaps_[llInformation - 1]; }
    QImage BitmapAssertion() const { return bitmaps_[llAssertion - 1]; }
    QImage BitmapError() const { return bitmaps_[llError - 1]; }
    QImage BitmapUnknown() const { return bitmaps_[llUnknown - 1]; }
    void SetBitmapDebug(const QImage& picture) { SetBitmap(llDebug, picture); }
    void SetBitmapWarning(const QImage& picture) { SetBitmap(llWarning, picture); }
    void SetBitmapInformation(const QImage& picture) { SetBitmap(llInformation, picture); }
    void SetBitmapAssertion(const QImage& picture) { SetBitmap(llAssertion, picture); }
    void SetBitmapError(const QImage& picture) { SetBitmap(llError, picture); }
    void SetBitmapUnknown(const QImage& picture) { SetBitmap(llUnknown, picture); }

    int GapLeft() const { return gapLeft_; }
    int GapTop() const { return gapTop_; }
    int GapRight() const { return gapRight_; }
    int GapBottom() const { return gapBottom_; }
    void SetGapLeft(int gap) { SetGap(gapLeft_, gap); }
    void SetGapTop(int gap) { SetGap(gapTop_, gap); }
    void SetGapRight(int gap) { SetGap(gapRight_, gap); }
    void SetGapBottom(int gap) { SetGap(gapBottom_, gap); }

    bool NumShow() const { return numShow_; }
    void SetNumShow(bool show);
    int NumDigits() const { return numDigits_; }
    void SetNumDigits(int digits);
    int NumAlignment() const { return numAlignment_; }
    void SetNumAlignment(int alignment);
    bool NumZeroStart() const { return numZeroStart_; }
    void SetNumZeroStart(bool zeroStart);
    bool IconShow() const { return iconShow_; }
    void SetIconShow(bool show);
    int MarginWidth() const { return marginWidth_; }
    void SetMarginWidth(int width);
    // Follows the palette's button colour until a colour is set.
    QColor MarginColor() const;
    void SetMarginColor(const QColor& color);

    // The rows the margin paints now, from the first visible line down to the margin's bottom.
    std::vector<TMarginRow> MarginRows() const;

protected:
    bool viewportEvent(QEvent* event) override;

private:
    friend class TNeroMargin;

    void SetBitmap(TLogLevel level, const QImage& picture);
    void SetGap(int& gap, int value);
    void LayoutMargin();
    void PlaceMargin();
    void Invalidate();
    int RowHeight() const;
    void PaintMargin(QPainter& painter) const;

    TNeroMargin* margin_;
    std::array<QImage, 6> bitmaps_;
    int gapLeft_ = 0, gapTop_ = 0, gapRight_ = 0, gapBottom_ = 0;
    bool numShow_ = false;
    int numDigits_ = 2;
    int numAlignment_ = naLeft;
    bool numZeroStart_ = true;
    bool iconShow_ = false;
    int marginWidth_ = 20;
    QColor marginColor_;
};
