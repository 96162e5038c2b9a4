#include "components/enh_cbox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
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
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TCustomEnhComboBox::UpdateBorder);
    SetStyle(csDropDown);
    UpdateBorder();
}

void TCustomEnhComboBox::SetAlwaysShowBorder(bool value)
{
    alwaysShowBorder_ = value;
    UpdateBorder();
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
    UpdateBorder();
}

void TCustomEnhComboBox::SetShowBorderWhenInactive(bool value)
{
    showBorderWhenInactive_ = value;
    UpdateBorder();
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
    UpdateBorder();
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

void TCustomEnhComboBox::UpdateBorder()
{
    setFrame(!flat_ || style_ == csSimple || BorderActive());
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
    UpdateBorder();
    QComboBox::enterEvent(event);
}

void TCustomEnhComboBox::leaveEvent(QEvent* event)
{
    mouseInside_ = false;
    UpdateBorder();
    QComboBox::leaveEvent(event);
}

void TCustomEnhComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    UpdateBorder();
}

void TCustomEnhComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    UpdateBorder();
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

void TCustomImgComboBox::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QPixmap image = currentIndex() >= 0 ? ItemImage(currentIndex(), false) : QPixmap();
    if (!image.isNull()) {
        option.currentIcon = QIcon(image);
        option.iconSize = image.size();
    }
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
