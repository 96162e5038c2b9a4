#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

// A painted, read-only list of text paragraphs, one below the other, over the widget's colour or over a
// picture standing on its bottom edge. A click makes an item the current one, drawn in a highlight
// box, and scrolls it into view.
class TCustomBoxList : public QWidget {
    Q_OBJECT

public:
    explicit TCustomBoxList(QWidget* parent = nullptr);
    ~TCustomBoxList() override;

    const QStringList& Items() const { return items_; }
    void SetItems(const QStringList& items);
    // 1-based, 0 for none; writing it does not repaint.
    int CurentItem() const { return curentItem_; }
    void SetCurentItem(int item) { curentItem_ = item; }
    bool Numbers() const { return numbers_; }
    void SetNumbers(bool numbers);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment AlignItems() const { return alignItems_; }
    void SetAlignItems(Qt::Alignment alignment);
    // Left and right, in pixels.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    // Pixels between items; never negative.
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    // Text colour of the current item.
    QColor Selection() const { return selection_; }
    void SetSelection(const QColor& color);
    // Fill of the current item's box.
    QColor Background() const { return background_; }
    void SetBackground(const QColor& color);
    // The current item gets no box, only the selection colour.
    bool SelTransparent() const { return selTransparent_; }
    void SetSelTransparent(bool transparent);
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);

    // Back to the first item at the top, with no current item.
    void Reset();

    // Fired after every paint.
    std::function<void(TCustomBoxList* sender)> OnChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString DisplayText(int item) const;
    int TextFlags() const;
    void ScrollCurrentIntoView();

    QStringList items_;
    int curentItem_ = 0;
    bool numbers_ = true;
    bool wordWrap_ = false;
    Qt::Alignment alignItems_ = Qt::AlignLeft;
    int margin_ = 0;
    int spacing_ = 0;
    QColor selection_ = Qt::blue;
    QColor background_ = Qt::white;
    bool selTransparent_ = false;
    QImage image_;

    int scrollTop_ = 0;
    int pendingScroll_ = 0;
    // As last painted: entry 0 is the first item's top, entry i the top of the place after item i.
    std::vector<int> positions_;
};

// The box list with its settings as properties.
class TBoxList : public TCustomBoxList {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int CurentItem READ CurentItem WRITE SetCurentItem)
    Q_PROPERTY(bool Numbers READ Numbers WRITE SetNumbers)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(Qt::Alignment AlignItems READ AlignItems WRITE SetAlignItems)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(QColor Selection READ Selection WRITE SetSelection)
    Q_PROPERTY(QColor Background READ Background WRITE SetBackground)
    Q_PROPERTY(bool SelTransparent READ SelTransparent WRITE SetSelTransparent)
    Q_PROPERTY(QImage Image READ Image WRITE SetImage)

public:
    using TCustomBoxList::TCustomBoxList;
};
