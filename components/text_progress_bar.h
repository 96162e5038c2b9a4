#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>

enum TBarColorStyle : std::uint8_t { cs1Color, cs2Colors, cs3Colors };
enum TProgressDirection : std::uint8_t { pdLeftToRight, pdRightToLeft, pdBottomToTop, pdTopToBottom };

// The colour at step index (1 .. count) of an even run from start to end; index 1 gives start and
// index count gives end. A run of one step is its start colour.
QColor GetGradientColor(const QColor& start, const QColor& end, int index, int count);

// A painted progress bar: one colour, a gradient of two or three colours, or a tiled picture, filled
// from one of four sides, with the part not reached yet in the background colour. It writes the
// position (prefix, number, suffix) or a free text in its middle, optionally in another colour where
// the text lies over the filled part. Setters paint at once, so the bar follows a batch step by step.
class TTextProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(bool ShowPosText READ ShowPosText WRITE SetShowPosText)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)

public:
    explicit TTextProgressBar(QWidget* parent = nullptr);

    // Colours left unset follow the palette (button face, shadow and light).
    QColor BackgroundColor() const;
    void SetBackgroundColor(const QColor& color) { Change(backgroundColor_, color); }
    const QPixmap& BarBitmap() const { return barBitmap_; }
    void SetBarBitmap(const QPixmap& picture) { Change(barBitmap_, picture); }
    const QColor& BarColor1() const { return barColor1_; }
    void SetBarColor1(const QColor& color) { Change(barColor1_, color); }
    const QColor& BarColor2() const { return barColor2_; }
    void SetBarColor2(const QColor& color) { Change(barColor2_, color); }
    const QColor& BarColor3() const { return barColor3_; }
    void SetBarColor3(const QColor& color) { Change(barColor3_, color); }
    TBarColorStyle BarColorStyle() const { return barColorStyle_; }
    void SetBarColorStyle(TBarColorStyle style);
    QColor BorderColor1() const;
    void SetBorderColor1(const QColor& color) { Change(borderColor1_, color); }
    QColor BorderColor2() const;
    void SetBorderColor2(const QColor& color) { Change(borderColor2_, color); }
    TProgressDirection Direction() const { return direction_; }
    void SetDirection(TProgressDirection direction) { Change(direction_, direction); }
    int Min() const { return min_; }
    void SetMin(int min) { Change(min_, min); }
    int Max() const { return max_; }
    void SetMax(int max) { Change(max_, max); }
    int Position() const { return position_; }
    // A value outside Min .. Max is ignored.
    void SetPosition(int position);
    int Insets1Color() const { return insets1Color_; }
    // Kept between 0 and half the height less one.
    void SetInsets1Color(int inset);
    const QString& Text() const { return text_; }
    void SetText(const QString& text) { Change(text_, text); }
    const QString& PosTextPrefix() const { return posTextPrefix_; }
    void SetPosTextPrefix(const QString& text) { Change(posTextPrefix_, text); }
    const QString& PosTextSuffix() const { return posTextSuffix_; }
    void SetPosTextSuffix(const QString& text) { Change(posTextSuffix_, text); }
    bool ShowBorder() const { return showBorder_; }
    void SetShowBorder(bool show) { Change(showBorder_, show); }
    // The position text and the free text exclude each other.
    bool ShowPosText() const { return showPosText_; }
    void SetShowPosText(bool show);
    bool ShowText() const { return showText_; }
    void SetShowText(bool show);
    const QColor& InverseColor() const { return inverseColor_; }
    void SetInverseColor(const QColor& color) { Change(inverseColor_, color); }
    bool UseInverseColor() const { return useInverseColor_; }
    void SetUseInverseColor(bool use) { Change(useInverseColor_, use); }

    // The length of the bar inside the border, and the part of it that is filled (0 .. bar length).
    int GetBarLength() const;
    int GetFilledLength() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    template <typename T> void Change(T& field, const T& value)
    {
        field = value;
        cacheValid_ = false;
        repaint();
    }
    bool Horizontal() const { return direction_ == pdLeftToRight || direction_ == pdRightToLeft; }
    int ClampedInset(int inset) const;
    QRect InnerFrame() const;
    void PaintBar(QPainter& painter);
    void PaintGradient();
    void PaintGradientRun(QPainter& painter, int first, int count, const QColor& start, const QColor& end);
    void TileBitmap();
    void PaintBorder(QPainter& painter) const;
    void PaintCentredText(QPainter& painter, const QString& text) const;
    QRect GetFilledRect() const;
    QRect GetEmptyRect() const;

    QColor backgroundColor_;
    QPixmap barBitmap_;
    QColor barColor1_ = QColor(0x00, 0x80, 0x00);
    QColor barColor2_ = QColor(0xFF, 0xFF, 0x00);
    QColor barColor3_ = QColor(0xFF, 0x00, 0x00);
    TBarColorStyle barColorStyle_ = cs3Colors;
    QColor borderColor1_;
    QColor borderColor2_;
    TProgressDirection direction_ = pdLeftToRight;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int insets1Color_ = 0;
    QString text_;
    QString posTextPrefix_;
    QString posTextSuffix_ = QStringLiteral("%");
    bool showBorder_ = true;
    bool showPosText_ = true;
    bool showText_ = false;
    QColor inverseColor_ = Qt::white;
    bool useInverseColor_ = false;
    // The gradient or tiling, kept while only the position moves.
    QImage barCache_;
    bool cacheValid_ = false;
};
