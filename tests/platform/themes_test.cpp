#include "platform/themes.h"
#include "tests/support/qt_printers.h"

#include <QApplication>
#include <QStyle>

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

} // namespace
