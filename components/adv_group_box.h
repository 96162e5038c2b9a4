#pragma once

#include <QColor>
#include <QGroupBox>

// A group box drawn as an etched frame of two colours, with its caption set into the top line at the
// left, at the right or in the middle.
class TAdvGroupBox : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Offset READ Offset WRITE SetOffset)
    Q_PROPERTY(Qt::Alignment CaptionPos READ CaptionPos WRITE SetCaptionPos)
    Q_PROPERTY(QColor ColorLight READ ColorLight WRITE SetColorLight)
    Q_PROPERTY(QColor ColorShadow READ ColorShadow WRITE SetColorShadow)

public:
    explicit TAdvGroupBox(QWidget* parent = nullptr);

    QString Caption() const { return title(); }
    void SetCaption(const QString& caption);
    // Blank pixels between the caption and the line around it; negative means 4.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    // Distance of the caption from the end of the frame; negative means 8.
    int Offset() const { return offset_; }
    void SetOffset(int offset);
    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter; left and right swap when reading right to left.
    Qt::Alignment CaptionPos() const { return captionPos_; }
    void SetCaptionPos(Qt::Alignment position);
    // The frame's colours; until set, the theme's light and dark ones.
    QColor ColorLight() const;
    void SetColorLight(const QColor& color);
    QColor ColorShadow() const;
    void SetColorShadow(const QColor& color);

    // Where the caption stands: the span of the gap in the top line, and the text's own box.
    struct CaptionPlace {
        int GapLeft, GapRight;
        QRect Text;
    };
    CaptionPlace PlaceCaption() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitContents();
    int halfTextHeight() const;

    qint8 margin_ = -1;
    qint8 offset_ = -1;
    Qt::Alignment captionPos_ = Qt::AlignLeft;
    QColor colorLight_;
    QColor colorShadow_;
};
