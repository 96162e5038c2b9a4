#include "components/enh_cbox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSizeGrip>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

enum ItemRole {
    IndentRole = Qt::UserRole + 100,
    ImageRole,
    SelectedImageRole,
    OverlayImageRole,
};

int intData(const QComboBox* combo, int index, int role, int missing)
{
    const QVariant value = combo->itemData(index, role);
    return value.isValid() ? value.toInt() : missing;
}

// A one-pixel 3-D edge: the top and left lines in one colour, the bottom and right ones in the other.
void drawEdge(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    painter.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    painter.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
}

void drawFrame(QPainter& painter, const QRect& r, const QColor& colour)
{
    drawEdge(painter, r, colour, colour);
}

} // namespace

// Items as tall as the control's item height, and as wide as the horizontal extent when that is wider.
class EnhComboDelegate : public QStyledItemDelegate {
public:
    explicit EnhComboDelegate(TCustomEnhComboBox* combo) : QStyledItemDelegate(combo), combo_(combo) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize natural = QStyledItemDelegate::sizeHint(option, index);
        return {std::max(natural.width(), combo_->HorizontalExtent()), combo_->ItemHeight()};
    }

protected:
    TCustomEnhComboBox* combo_;
};

// Draws an item of an image combo box: indent, image, overlay image, text.
class ImgComboDelegate : public EnhComboDelegate {
public:
    explicit ImgComboDelegate(TCustomImgComboBox* combo) : EnhComboDelegate(combo), imgCombo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->fillRect(option.rect, palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        const TEnhComboItem item = imgCombo_->Item(index.row());
        int x = option.rect.left() + 2 + item.Indent * TCustomImgComboBox::IndentStep;
        if (const TImageList* images = imgCombo_->Images()) {
            const int y = option.rect.top() + (option.rect.height() - images->Height()) / 2;
            painter->drawPixmap(x, y, imgCombo_->ItemImage(index.row(), selected));
            painter->drawPixmap(x, y, images->Image(item.OverlayImageIndex));
            x += images->Width() + 2;
        }
        painter->setFont(imgCombo_->font());
        painter->setPen(!imgCombo_->isEnabled() ? palette.color(QPalette::Dark)
                        : selected              ? palette.color(QPalette::HighlightedText)
                                                : palette.color(QPalette::Text));
        const QRect textRect(x, option.rect.top(), option.rect.right() - x, option.rect.height());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    }

private:
    TCustomImgComboBox* imgCombo_;
};

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width), height_(height)
{
}

int TImageList::Add(const QPixmap& image)
{
    images_ << (image.size() == QSize(width_, height_) ? image : image.scaled(width_, height_));
    Q_EMIT Changed();
    return Count() - 1;
}

QPixmap TImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? images_[index] : QPixmap();
}

TCustomEnhComboBox::TCustomEnhComboBox(QWidget* parent)
    : QComboBox(parent), itemHeight_(std::max(16, fontMetrics().height()))
{
    setMaxVisibleItems(8);
    setItemDelegate(new EnhComboDelegate(this));
    view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMouseTracking(true);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, qOverload<>(&QWidget::update));
    SetStyle(csDropDown);
}

void TCustomEnhComboBox::SetAlwaysShowBorder(bool value)
{
    alwaysShowBorder_ = value;
    update();
}

void TCustomEnhComboBox::SetAutoDropDownWidth(bool value)
{
    autoDropDownWidth_ = value;
    if (value)
        autoHorizontalScroll_ = false;
}

void TCustomEnhComboBox::SetFixedDropDownWidth(bool value)
{
    fixedDropDownWidth_ = value;
    if (value)
        autoDropDownWidth_ = false;
}

void TCustomEnhComboBox::SetAutoHorizontalScroll(bool value)
{
    autoHorizontalScroll_ = value;
    if (value)
        autoDropDownWidth_ = false;
}

void TCustomEnhComboBox::SetFlat(bool value)
{
    flat_ = value;
    update();
}

void TCustomEnhComboBox::SetShowBorderWhenInactive(bool value)
{
    showBorderWhenInactive_ = value;
    update();
}

int TCustomEnhComboBox::DropDownWidth() const
{
    return fixedDropDownWidth_ ? width() : std::max(dropDownWidth_, width());
}

void TCustomEnhComboBox::SetDropDownWidth(int value)
{
    if (view()->isVisible())
        hidePopup();
    dropDownWidth_ = value;
}

void TCustomEnhComboBox::SetHorizontalExtent(int value)
{
    if (view()->isVisible())
        hidePopup();
    horizontalExtent_ = std::max(0, value);
    view()->doItemsLayout();
}

void TCustomEnhComboBox::SetListBorder(TListBorderStyle value)
{
    listBorder_ = value;
    ApplyListBorder();
}

void TCustomEnhComboBox::ApplyListBorder()
{
    auto* frame = qobject_cast<QFrame*>(view()->window());
    if (!frame || frame == window())
        return;
    const std::pair<QFrame::Shape, QFrame::Shadow> looks[] = {
        {QFrame::NoFrame, QFrame::Plain},      {QFrame::Box, QFrame::Plain},
        {QFrame::Panel, QFrame::Raised},       {QFrame::Panel, QFrame::Sunken},
        {QFrame::StyledPanel, QFrame::Raised},
    };
    frame->setFrameShape(looks[listBorder_].first);
    frame->setFrameShadow(looks[listBorder_].second);
    auto* grip = frame->findChild<QSizeGrip*>();
    if (listBorder_ == lbSizeable && !grip)
        grip = new QSizeGrip(frame);
    if (grip)
        grip->setVisible(listBorder_ == lbSizeable);
}

void TCustomEnhComboBox::SetItemHeight(int value)
{
    itemHeight_ = std::max(1, value);
    view()->doItemsLayout();
    updateGeometry();
}

void TCustomEnhComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    // Qt has no always-open list: the simple style edits like the drop-down one.
    setEditable(value == csDropDown || value == csSimple);
    update();
}

int TCustomEnhComboBox::GetItemWidth(int Index, bool IsEditPart) const
{
    Q_UNUSED(IsEditPart);
    return Index < 0 ? 0 : fontMetrics().horizontalAdvance(itemText(Index));
}

int TCustomEnhComboBox::WidestItem() const
{
    int widest = 0;
    for (int index = 0; index < count(); ++index)
        widest = std::max(widest, GetItemWidth(index, false));
    return widest;
}

void TCustomEnhComboBox::FitListToItems()
{
    if (!autoDropDownWidth_ && !autoHorizontalScroll_)
        return;
    const int widest = WidestItem();
    if (autoDropDownWidth_) {
        const int scrollBar =
            count() > maxVisibleItems() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
        SetDropDownWidth(widest + scrollBar + ListMargin);
    }
    if (autoHorizontalScroll_)
        SetHorizontalExtent(widest + ListMargin);
}

void TCustomEnhComboBox::showPopup()
{
    FitListToItems();
    QComboBox::showPopup();
    ApplyListBorder();
    QWidget* list = view()->window();
    if (list != window()) {
        // The open list takes the mouse: follow it there to press and release the button.
        list->installEventFilter(this);
        view()->viewport()->installEventFilter(this);
        list->resize(DropDownWidth(), list->height());
        if (auto* grip = list->findChild<QSizeGrip*>())
            grip->move(list->width() - grip->width(), list->height() - grip->height());
    }
}

void TCustomEnhComboBox::hidePopup()
{
    // The user may have sized the list.
    if (listBorder_ == lbSizeable && view()->window() != window())
        dropDownWidth_ = view()->window()->width();
    QComboBox::hidePopup();
    tracking_ = false;
    SetButtonPressed(false);
    if (OnCloseUp)
        OnCloseUp(this);
}

bool TCustomEnhComboBox::BorderActive() const
{
    if (alwaysShowBorder_)
        return true;
    const bool inUse = mouseInside_ || hasFocus();
    return inUse && (QGuiApplication::applicationState() == Qt::ApplicationActive || showBorderWhenInactive_);
}

QRect TCustomEnhComboBox::ButtonRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this)
        .intersected(rect().adjusted(2, 2, -2, -2));
}

void TCustomEnhComboBox::paintEvent(QPaintEvent* event)
{
    if (!flat_ || style_ == csSimple) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    // A disabled flat control takes the button face.
    const QColor control = isEnabled() ? palette().color(QPalette::Base) : face;
    painter.fillRect(rect(), control);
    PaintFlatFrame(painter, face, control);
    PaintFlatButton(painter, face, control);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// Three one-pixel rings: a sunken edge while active, else button face; then button face; then the
// control's own colour.
void TCustomEnhComboBox::PaintFlatFrame(QPainter& painter, const QColor& face, const QColor& control) const
{
    QRect ring = rect();
    if (BorderActive())
        drawEdge(painter, ring, palette().color(QPalette::Mid), palette().color(QPalette::Light));
    else
        drawFrame(painter, ring, face);
    ring.adjust(1, 1, -1, -1);
    drawFrame(painter, ring, face);
    ring.adjust(1, 1, -1, -1);
    drawFrame(painter, ring, control);
}

// Active, the button stands out raised, or sunk while pressed; inactive, it lies flat in the button face.
void TCustomEnhComboBox::PaintFlatButton(QPainter& painter, const QColor& face, const QColor& control) const
{
    QRect strip = ButtonRect();
    if (BorderActive()) {
        painter.fillRect(strip.left() - 1, strip.top(), 1, strip.height(), control);
        const QColor light = palette().color(QPalette::Light), shadow = palette().color(QPalette::Mid);
        drawEdge(painter, strip, buttonPressed_ ? shadow : light, buttonPressed_ ? light : shadow);
        strip.adjust(1, 1, -1, -1);
    } else {
        strip.adjust(1, 1, -1, -1);
        painter.fillRect(strip.left() - 2, strip.top(), 2, strip.height(), control);
    }
    painter.fillRect(strip, face);
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = buttonPressed_ ? strip.translated(1, 1) : strip;
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

void TCustomEnhComboBox::SetButtonPressed(bool pressed)
{
    if (pressed == buttonPressed_)
        return;
    buttonPressed_ = pressed;
    update();
}

void TCustomEnhComboBox::UpdateButtonState(const QPoint& point)
{
    SetButtonPressed(ButtonRect().contains(point) || (ButtonStaysPushed && buttonPressed_));
}

// Over an open list a button that stays pushed keeps waiting for the list to close.
void TCustomEnhComboBox::ReleaseButton()
{
    if (ButtonStaysPushed && view()->isVisible())
        return;
    tracking_ = false;
    SetButtonPressed(false);
}

void TCustomEnhComboBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QComboBox::mousePressEvent(event);
        return;
    }
    // The edit part of a drop-down combo box is no button; the whole of the other styles is.
    if (style_ == csDropDown)
        UpdateButtonState(event->position().toPoint());
    else
        SetButtonPressed(true);
    QComboBox::mousePressEvent(event);
    tracking_ = view()->isVisible();
}

void TCustomEnhComboBox::mouseReleaseEvent(QMouseEvent* event)
{
    QComboBox::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        ReleaseButton();
}

bool TCustomEnhComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (tracking_ && event->type() == QEvent::MouseMove)
        UpdateButtonState(mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
    else if (tracking_ && event->type() == QEvent::MouseButtonRelease)
        ReleaseButton();
    return QComboBox::eventFilter(watched, event);
}

QString TCustomEnhComboBox::TruncatedItemHint() const
{
    if (currentIndex() < 0)
        return {};
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int button =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this).width();
    const QString text = itemText(currentIndex());
    return GetItemWidth(currentIndex(), true) > width() - button ? text : QString();
}

void TCustomEnhComboBox::enterEvent(QEnterEvent* event)
{
    mouseInside_ = true;
    update();
    QComboBox::enterEvent(event);
}

void TCustomEnhComboBox::leaveEvent(QEvent* event)
{
    mouseInside_ = false;
    update();
    QComboBox::leaveEvent(event);
}

void TCustomEnhComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    update();
}

void TCustomEnhComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    update();
}

void TCustomEnhComboBox::keyPressEvent(QKeyEvent* event)
{
    if (extendedInterface_ && event->key() == Qt::Key_F4) {
        event->accept();
        return;
    }
    if (extendedInterface_ && event->key() == Qt::Key_Down && !(event->modifiers() & Qt::AltModifier)) {
        showPopup();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void TCustomEnhComboBox::mouseMoveEvent(QMouseEvent* event)
{
    if (tracking_)
        UpdateButtonState(event->position().toPoint());
    if (ToolTip)
        setToolTip(TruncatedItemHint());
    QComboBox::mouseMoveEvent(event);
}

bool TCustomEnhComboBox::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && ToolTip)
        setToolTip(TruncatedItemHint());
    return QComboBox::event(event);
}

TCustomImgComboBox::TCustomImgComboBox(QWidget* parent) : TCustomEnhComboBox(parent)
{
    setItemDelegate(new ImgComboDelegate(this));
    TCustomEnhComboBox::SetStyle(csOwnerDrawFixed);
    SetItemHeight(16);
}

void TCustomImgComboBox::SetStyle(TComboBoxStyle value)
{
    if (value == csOwnerDrawFixed)
        TCustomEnhComboBox::SetStyle(value);
}

void TCustomImgComboBox::SetImages(TImageList* images)
{
    if (images_)
        disconnect(images_, nullptr, this, nullptr);
    images_ = images;
    if (images) {
        connect(images, &TImageList::Changed, this, qOverload<>(&QWidget::update));
        if (ItemHeight() < images->Height())
            SetItemHeight(images->Height());
    }
    update();
}

TEnhComboItem TCustomImgComboBox::Item(int index) const
{
    TEnhComboItem item;
    item.Indent = intData(this, index, IndentRole, 0);
    item.ImageIndex = intData(this, index, ImageRole, -1);
    item.SelectedImageIndex = intData(this, index, SelectedImageRole, -1);
    item.OverlayImageIndex = intData(this, index, OverlayImageRole, -1);
    return item;
}

void TCustomImgComboBox::SetItem(int index, const TEnhComboItem& item)
{
    setItemData(index, item.Indent, IndentRole);
    setItemData(index, item.ImageIndex, ImageRole);
    setItemData(index, item.SelectedImageIndex, SelectedImageRole);
    setItemData(index, item.OverlayImageIndex, OverlayImageRole);
}

int TCustomImgComboBox::GetItemWidth(int Index, bool IsEditPart) const
{
    if (Index < 0)
        return 0;
    int width = TCustomEnhComboBox::GetItemWidth(Index, IsEditPart);
    if (images_)
        width += images_->Width();
    if (!IsEditPart)
        width += Item(Index).Indent * IndentStep + 6;
    return width;
}

QPixmap TCustomImgComboBox::ItemImage(int index, bool selected) const
{
    if (!images_)
        return {};
    const TEnhComboItem item = Item(index);
    return images_->Image(selected && item.SelectedImageIndex >= 0 ? item.SelectedImageIndex
                                                                   : item.ImageIndex);
}

void TCustomImgComboBox::initStyleOption(QStyleOptionComboBox* option) const
{
    TCustomEnhComboBox::initStyleOption(option);
    const QPixmap image = currentIndex() >= 0 ? ItemImage(currentIndex(), false) : QPixmap();
    if (!image.isNull()) {
        option->currentIcon = QIcon(image);
        option->iconSize = image.size();
    }
}
