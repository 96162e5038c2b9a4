#include "components/enh_cbox.h"
#include "tests/support/qt_printers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QStyle>

#include <gtest/gtest.h>

static int widestOf(const QComboBox& combo)
{
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i)
        widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
    return widest;
}

static void fill(QComboBox& combo, int count)
{
    for (int i = 0; i < count; ++i)
        combo.addItem(QString("A rather long item text number %1 for the list").arg(i));
}

TEST(EnhComboBox, DropDownWidthFollowsItsMode)
{
    const struct {
        bool fixed;
        int set, read;
    } cases[] = {{false, 300, 300}, {false, 50, 120}, {true, 300, 120}, {true, 50, 120}};
    for (const auto& c : cases) {
        TEnhComboBox combo;
        combo.resize(120, 24);
        combo.SetFixedDropDownWidth(c.fixed);
        combo.SetDropDownWidth(c.set);
        EXPECT_EQ(combo.DropDownWidth(), c.read) << c.fixed << " " << c.set;
    }
}

TEST(EnhComboBox, AutomaticWidthsComeFromTheWidestItemWhenTheListOpens)
{
    const int scrollBar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (const int items : {3, 12}) {
        TEnhComboBox combo;
        combo.resize(120, 24);
        fill(combo, items);
        combo.SetAutoDropDownWidth(true);
        combo.show();
        combo.showPopup();
        const int expected = widestOf(combo) + 8 + (items > combo.maxVisibleItems() ? scrollBar : 0);
        EXPECT_EQ(combo.DropDownWidth(), expected) << items;
        EXPECT_EQ(combo.view()->window()->width(), expected);
        combo.hidePopup();
    }
    TEnhComboBox combo;
    fill(combo, 3);
    combo.SetAutoHorizontalScroll(true);
    combo.show();
    combo.showPopup();
    EXPECT_EQ(combo.HorizontalExtent(), widestOf(combo) + 8);
    combo.hidePopup();
}

TEST(EnhComboBox, ASizeableListKeepsTheWidthTheUserGaveIt)
{
    TEnhComboBox combo;
    fill(combo, 3);
    combo.resize(120, 24);
    combo.SetListBorder(lbSizeable);
    int closed = 0;
    combo.OnCloseUp = [&](TCustomEnhComboBox*) { ++closed; };
    combo.show();
    combo.showPopup();
    combo.view()->window()->resize(333, combo.view()->window()->height());
    combo.hidePopup();
    EXPECT_EQ(combo.DropDownWidth(), 333);
    EXPECT_EQ(closed, 1);
}

TEST(EnhComboBox, HintsOnlyATruncatedItem)
{
    TEnhComboBox combo;
    combo.resize(120, 24);
    combo.addItems({"Short", "An item text far too long for a control of this width"});
    combo.setCurrentIndex(0);
    EXPECT_EQ(combo.TruncatedItemHint(), "");
    combo.setCurrentIndex(1);
    EXPECT_EQ(combo.TruncatedItemHint(), combo.itemText(1));
}

TEST(ImgComboBox, StaysOwnerDrawnAtItemHeight16UnlessItsImagesAreTaller)
{
    TImgComboBox combo;
    for (const TComboBoxStyle style : {csDropDown, csSimple, csDropDownList, csOwnerDrawVariable}) {
        combo.SetStyle(style);
        EXPECT_EQ(combo.Style(), csOwnerDrawFixed);
    }
    TImageList small(12, 12), tall(24, 24);
    combo.SetImages(&small);
    EXPECT_EQ(combo.ItemHeight(), 16);
    combo.SetImages(&tall);
    EXPECT_EQ(combo.ItemHeight(), 24);
}

TEST(ImgComboBox, ItemsKeepTheirImagesAndIndentWhenOthersAreInserted)
{
    TImgComboBox combo;
    TImageList images(20, 20);
    combo.SetImages(&images);
    combo.addItems({"One", "Two"});
    combo.SetItem(1, {2, 5, 6, 7});
    combo.insertItem(0, "Zero");
    const TEnhComboItem moved = combo.Item(2);
    EXPECT_EQ(std::tuple(moved.Indent, moved.ImageIndex, moved.SelectedImageIndex, moved.OverlayImageIndex),
              std::tuple(2, 5, 6, 7));
    EXPECT_EQ(combo.Item(0).ImageIndex, -1);
    EXPECT_EQ(combo.GetItemWidth(-1, false), 0);
}

// A mouse event at a point of the combo box, sent to the combo box or to its open list.
static void mouse(TEnhComboBox& combo, QWidget* target, QEvent::Type type, const QPoint& point)
{
    const QPoint global = combo.mapToGlobal(point);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, target->mapFromGlobal(global), global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(EnhComboBox, AFlatFrameIsSunkenOnlyWhileActiveAndItsButtonShowsWhenItIsPressed)
{
    TEnhComboBox combo;
    fill(combo, 3);
    combo.resize(120, 24);
    QPalette colours;
    for (const auto& [role, colour] : {std::pair{QPalette::Button, Qt::blue},
                                       {QPalette::Base, Qt::white},
                                       {QPalette::Mid, Qt::red},
                                       {QPalette::Light, Qt::green}})
        colours.setColor(role, colour);
    combo.setPalette(colours);
    const QPoint corner = combo.ButtonRect().topLeft();
    auto pixels = [&] {
        const QImage picture = combo.grab().toImage();
        return std::pair(picture.pixelColor(0, 0), picture.pixelColor(corner));
    };
    EXPECT_EQ(pixels(), std::pair(QColor(Qt::blue), QColor(Qt::white)))
        << "inactive: flat in the button face";
    combo.SetAlwaysShowBorder(true);
    EXPECT_EQ(pixels(), std::pair(QColor(Qt::red), QColor(Qt::green)))
        << "active: sunken frame, raised button";
    combo.show();
    mouse(combo, &combo, QEvent::MouseButtonPress, corner);
    EXPECT_EQ(pixels().second, QColor(Qt::red)) << "pressed: the button is sunk";
}

// The list opened by a click takes the mouse: moving off the button and letting go release it, unless it
// stays pushed until the list closes.
TEST(EnhComboBox, AButtonThatStaysPushedIsReleasedOnlyWhenTheListCloses)
{
    for (const bool staysPushed : {false, true}) {
        TEnhComboBox combo;
        fill(combo, 3);
        combo.resize(120, 24);
        combo.ButtonStaysPushed = staysPushed;
        combo.show();
        const QPoint onButton = combo.ButtonRect().center(), offButton(10, 10);
        mouse(combo, &combo, QEvent::MouseButtonPress, offButton);
        EXPECT_FALSE(combo.ButtonPressed()) << "the edit part is no button";
        mouse(combo, &combo, QEvent::MouseButtonPress, onButton);
        ASSERT_TRUE(combo.view()->isVisible());
        EXPECT_TRUE(combo.ButtonPressed());
        QWidget* list = combo.view()->window();
        mouse(combo, list, QEvent::MouseMove, offButton);
        EXPECT_EQ(combo.ButtonPressed(), staysPushed) << staysPushed;
        mouse(combo, list, QEvent::MouseMove, onButton);
        EXPECT_TRUE(combo.ButtonPressed());
        mouse(combo, list, QEvent::MouseButtonRelease, onButton);
        EXPECT_EQ(combo.ButtonPressed(), staysPushed) << staysPushed;
        combo.hidePopup();
        EXPECT_FALSE(combo.ButtonPressed());
    }
}
