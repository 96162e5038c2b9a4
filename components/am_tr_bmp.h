#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// A picture with one colour left out, so that what lies behind the control shows through it. The
// picture stands centred in the control, cut at the right and bottom when it is larger.
class TAMTrBmp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(QColor TransparentColor READ TransparentColor WRITE SetTransparentColor)

public:
    explicit TAMTrBmp(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    // The control takes the picture's size at the top-left of its parent, and the colour of the
    // picture's bottom-left pixel becomes the transparent one.
    void SetPicture(const QImage& picture);
    QColor TransparentColor() const { return transparentColor_; }
    // Ignored while there is no picture.
    void SetTransparentColor(const QColor& color);

Q_SIGNALS:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    QColor transparentColor_ = Qt::black;
};
