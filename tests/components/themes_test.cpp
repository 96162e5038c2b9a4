#include "components/themes.h"
#include "tests/support/qt_printers.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <array>

#include <gtest/gtest.h>

namespace {

struct Look {
    QString Style;
    QRgb Window, Text, Highlight;
    bool operator==(const Look&) const = default;
};

Look CurrentLook()
{
    const QPalette palette = QApplication::palette();
    return {QApplication::style()->name().toLower(), palette.color(QPalette::Window).rgb(),
            palette.color(QPalette::WindowText).rgb(), palette.color(QPalette::Highlight).rgb()};
}

TEST(Themes, EveryThemeLooksDifferentAndDefaultGivesBackTheDesktopsLook)
{
    const Look desktop = CurrentLook();
    EXPECT_EQ(plat::ThemeNames(), QStringList({"Default", "Classic", "Dark", "High Contrast"}));
    // High Contrast draws Fusion through its style sheet, which stands in as the application's style.
    const QString styles[] = {desktop.Style, "windows", "fusion", ""};
    QList<Look> looks;
    for (int i = 0; i < plat::ThemeNames().size(); ++i) {
        const QString name = plat::ThemeNames().at(i);
        EXPECT_EQ(plat::UseTheme(name.toUpper()), name) << "letter case does not matter";
        EXPECT_EQ(plat::CurrentTheme(), name);
        EXPECT_EQ(CurrentLook().Style, styles[i]) << name.toStdString();
        EXPECT_EQ(qApp->styleSheet().isEmpty(), !styles[i].isEmpty());
        EXPECT_FALSE(looks.contains(CurrentLook())) << name.toStdString();
        looks.append(CurrentLook());
    }
    EXPECT_EQ(QColor(looks.last().Highlight), QColor(Qt::yellow));
    EXPECT_EQ(plat::UseTheme("Office 2003"), "Default") << "a name that is not registered";
    EXPECT_EQ(CurrentLook(), desktop);
}

// How far the darkest or lightest pixel of a button's label stands from the button's face (the most
// common grey in the middle of the button).
int LabelContrast(bool enabled)
{
    QPushButton button(QStringLiteral("Disabled"));
    button.setEnabled(enabled);
    button.resize(120, 30);
    const QImage picture = button.grab().toImage();
    const QRect middle(30, 8, 60, 14);
    std::array<int, 256> counts{};
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            ++counts[qGray(picture.pixel(x, y))];
    const int face = int(std::max_element(counts.begin(), counts.end()) - counts.begin());
    int contrast = 0;
    for (int grey = 0; grey < 256; ++grey)
        if (counts[grey] > 0)
            contrast = std::max(contrast, std::abs(grey - face));
    return contrast;
}

TEST(Themes, DisabledButtonsLookDisabledInEveryThemeWithAndWithoutVisualStyles)
{
    for (const bool styles : {true, false}) {
        plat::SetVisualStyles(styles);
        for (const QString& name : plat::ThemeNames()) {
            plat::UseTheme(name);
            EXPECT_LT(LabelContrast(false) * 4, LabelContrast(true) * 3)
                << name.toStdString() << (styles ? "" : " without visual styles");
        }
    }
    plat::SetVisualStyles(true);
    plat::UseTheme(plat::DefaultThemeName);
}

} // namespace
