#pragma once

#include <QComboBox>
#include <QList>
#include <QPixmap>
#include <QPointer>

#include <functional>

class QPainter;
class QStyleOptionComboBox;

enum TListBorderStyle { lbNone, lbSingle, lbRaised, lbSunken, lbSizeable };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Images of one size, shared by the controls that show them by index.
class TImageList : public QObject {
    Q_OBJECT

public:
    TImageList(int width, int height, QObject* parent = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    // Scaled to the list's size when it has another one.
    int Add(const QPixmap& image);
    // A null pixmap for an index outside the list.
    QPixmap Image(int index) const;

Q_SIGNALS:
    void Changed();

private:
    int width_, height_;
    QList<QPixmap> images_;
};

// A combo box whose drop-down list can be as wide as the control, as wide as its widest item or a set
// width, can scroll sideways, and shows a truncated item's text as its hint. Flat, it paints its own
// frame, sunken while in use, and a button that shows when it is pressed.
class TCustomEnhComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(bool AlwaysShowBorder READ AlwaysShowBorder WRITE SetAlwaysShowBorder)
    Q_PROPERTY(bool AutoDropDownWidth READ AutoDropDownWidth WRITE SetAutoDropDownWidth)
    Q_PROPERTY(bool FixedDropDownWidth READ FixedDropDownWidth WRITE SetFixedDropDownWidth)
    Q_PROPERTY(bool AutoHorizontalScroll READ AutoHorizontalScroll WRITE SetAutoHorizontalScroll)
    Q_PROPERTY(bool ButtonStaysPushed MEMBER ButtonStaysPushed)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool ShowBorderWhenInactive READ ShowBorderWhenInactive WRITE SetShowBorderWhenInactive)
    Q_PROPERTY(bool ToolTip MEMBER ToolTip)
    Q_PROPERTY(int DropDownWidth READ DropDownWidth WRITE SetDropDownWidth)
    Q_PROPERTY(int HorizontalExtent READ HorizontalExtent WRITE SetHorizontalExtent)
    Q_PROPERTY(bool ExtendedInterface READ ExtendedInterface WRITE SetExtendedInterface)
    Q_PROPERTY(int DropDownCount READ maxVisibleItems WRITE setMaxVisibleItems)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)

public:
    // Room around the widest item text in the list.
    static constexpr int ListMargin = 8;

    explicit TCustomEnhComboBox(QWidget* parent = nullptr);

    bool AlwaysShowBorder() const { return alwaysShowBorder_; }
    void SetAlwaysShowBorder(bool value);
    // Each of the three width modes switches off the one it contradicts.
    bool AutoDropDownWidth() const { return autoDropDownWidth_; }
    void SetAutoDropDownWidth(bool value);
    bool FixedDropDownWidth() const { return fixedDropDownWidth_; }
    void SetFixedDropDownWidth(bool value);
    bool AutoHorizontalScroll() const { return autoHorizontalScroll_; }
    void SetAutoHorizontalScroll(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool ShowBorderWhenInactive() const { return showBorderWhenInactive_; }
    void SetShowBorderWhenInactive(bool value);
    // Never narrower than the control; exactly its width while the width is fixed.
    int DropDownWidth() const;
    // Setting it closes an open list.
    void SetDropDownWidth(int value);
    int HorizontalExtent() const { return horizontalExtent_; }
    void SetHorizontalExtent(int value);
    // Down opens the list and F4 does nothing.
    bool ExtendedInterface() const { return extendedInterface_; }
    void SetExtendedInterface(bool value) { extendedInterface_ = value; }
    TListBorderStyle ListBorder() const { return listBorder_; }
    void SetListBorder(TListBorderStyle value);
    int ItemHeight() const { return itemHeight_; }
    virtual void SetItemHeight(int value);
    TComboBoxStyle Style() const { return style_; }
    virtual void SetStyle(TComboBoxStyle value);

    // The button stays pressed while the mouse, held after opening the list, leaves it, and after the
    // mouse is released over an open list, until the list closes.
    bool ButtonStaysPushed = false;
    bool ToolTip = false;
    std::function<void(TCustomEnhComboBox* Sender)> OnCloseUp;

    // The width item Index takes (0 for -1), in the list or in the edit part.
    virtual int GetItemWidth(int Index, bool IsEditPart) const;
    // Whether the frame is drawn as active now.
    bool BorderActive() const;
    // The drop button's strip at the right, inside the frame.
    QRect ButtonRect() const;
    bool ButtonPressed() const { return buttonPressed_; }
    // The hint for the selected item: its text when the control cuts it, else empty.
    QString TruncatedItemHint() const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void FitListToItems();

private:
    void ApplyListBorder();
    int WidestItem() const;
    void PaintFlatFrame(QPainter& painter, const QColor& face, const QColor& control) const;
    void PaintFlatButton(QPainter& painter, const QColor& face, const QColor& control) const;
    void SetButtonPressed(bool pressed);
    // Pressed over the button, released elsewhere unless it stays pushed.
    void UpdateButtonState(const QPoint& point);
    void ReleaseButton();

    bool alwaysShowBorder_ = false;
    bool autoDropDownWidth_ = false;
    bool fixedDropDownWidth_ = false;
    bool autoHorizontalScroll_ = false;
    bool flat_ = true;
    bool showBorderWhenInactive_ = false;
    bool extendedInterface_ = false;
    bool mouseInside_ = false;
    bool buttonPressed_ = false;
    // The mouse went down on the control and opened the list; its moves press and release the button.
    bool tracking_ = false;
    int dropDownWidth_ = 0;
    int horizontalExtent_ = 0;
    int itemHeight_;
    TListBorderStyle listBorder_ = lbSingle;
    TComboBoxStyle style_ = csDropDown;
};

class TEnhComboBox : public TCustomEnhComboBox {
    Q_OBJECT

public:
    using TCustomEnhComboBox::TCustomEnhComboBox;
};

// What an image combo box shows with an item: its indent level and its images (-1 for none).
struct TEnhComboItem {
    int Indent = 0;
    int ImageIndex = -1;
    int SelectedImageIndex = -1;
    int OverlayImageIndex = -1;
};

// A combo box that draws an image in front of every item, indented by level in its list.
class TCustomImgComboBox : public TCustomEnhComboBox {
    Q_OBJECT

public:
    static constexpr int IndentStep = 8;

    explicit TCustomImgComboBox(QWidget* parent = nullptr);

    TImageList* Images() const { return images_; }
    // An image taller than the items raises the item height to it.
    void SetImages(TImageList* images);
    // Only owner-draw fixed is accepted.
    void SetStyle(TComboBoxStyle value) override;

    // Items carry their data through sorting, insertion and removal.
    TEnhComboItem Item(int index) const;
    void SetItem(int index, const TEnhComboItem& item);

    int GetItemWidth(int Index, bool IsEditPart) const override;

protected:
    void initStyleOption(QStyleOptionComboBox* option) const override;

private:
    friend class ImgComboDelegate;
    QPixmap ItemImage(int index, bool selected) const;

    QPointer<TImageList> images_;
};

class TImgComboBox : public TCustomImgComboBox {
    Q_OBJECT

public:
    using TCustomImgComboBox::TCustomImgComboBox;
};
