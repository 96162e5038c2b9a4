#include "components/themes.h"
#include "tests/support/qt_printers.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <type_traits>

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
    // Dark and High Contrast draw Fusion through their style sheets, which stand in as the application's
    // style.
    const QString styles[] = {desktop.Style, "windows", "", ""};
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

// The contrast ratio of two colours by their relative luminance, as accessibility guides measure it:
// 1 for the same colour, 21 for black on white.
double ContrastRatio(QRgb first, QRgb second)
{
    const auto luminance = [](QRgb colour) {
        const auto linear = [](int channel) {
            const double value = channel / 255.0;
            return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) +
               0.0722 * linear(qBlue(colour));
    };
    const double a = luminance(first), b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::map<QRgb, int> Colours(const QImage& picture, const QRect& part)
{
    std::map<QRgb, int> counts;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            ++counts[picture.pixel(x, y) & RGB_MASK];
    return counts;
}

QRgb MostCommon(const QImage& picture, const QRect& part)
{
    const std::map<QRgb, int> counts = Colours(picture, part);
    return std::max_element(counts.begin(), counts.end(), [](auto a, auto b) { return a.second < b.second; })
        ->first;
}

double StrongestContrast(const QImage& picture, const QRect& part, QRgb ground)
{
    double strongest = 1;
    for (const auto& [colour, count] : Colours(picture, part))
        strongest = std::max(strongest, ContrastRatio(colour, ground));
    return strongest;
}

// How a control shows: its edges (an indicator's, the groove's and handle's) and its text, each
// against the ground they lie on, and how far a field stands out from the window as a whole (the mean
// contrast of its pixels); empty for what the control does not have.
struct Legibility {
    std::optional<double> Edge, Text;
    std::optional<double> Field = std::nullopt;
};

QImage Picture(QWidget& control, bool enabled)
{
    control.setEnabled(enabled);
    control.ensurePolished();
    control.resize(control.sizeHint().expandedTo(QSize(120, 24)));
    return control.grab().toImage();
}

template <typename Box> Legibility OfBox(bool checked, bool enabled)
{
    Box box(QStringLiteral("Sounds"));
    box.setChecked(checked);
    const QImage picture = Picture(box, enabled);
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect mark = box.style()->subElementRect(
        std::is_same_v<Box, QCheckBox> ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator,
        &option, &box);
    const QRgb window = MostCommon(picture, picture.rect());
    return {StrongestContrast(picture, mark, window),
            StrongestContrast(picture, picture.rect().adjusted(mark.right() + 2, 0, 0, 0), window)};
}

// A button's or a label's text, against what lies around it.
template <typename Control> Legibility OfText(bool enabled)
{
    Control control(QStringLiteral("00:00:00 / 00:00:00"));
    const QImage picture = Picture(control, enabled);
    const QRect inside = picture.rect().adjusted(4, 4, -4, -4);
    return {std::nullopt, StrongestContrast(picture, inside, MostCommon(picture, inside))};
}

// The volume slider at its lowest: its empty groove, and the handle.
Legibility OfSlider(bool enabled)
{
    QSlider slider(Qt::Horizontal);
    slider.setRange(0, 100);
    const QImage picture = Picture(slider, enabled);
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.maximum = 100;
    const auto part = [&](QStyle::SubControl which) {
        return slider.style()->subControlRect(QStyle::CC_Slider, &option, which, &slider);
    };
    const QRect handle = part(QStyle::SC_SliderHandle);
    const QRgb window = MostCommon(picture, picture.rect());
    return {std::min(StrongestContrast(picture,
                                       part(QStyle::SC_SliderGroove).adjusted(handle.width() + 2, 0, 0, 0),
                                       window),
                     StrongestContrast(picture, handle, window)),
            std::nullopt};
}

// The most a part's outline stands from the given ground.
double EdgeContrast(const QImage& picture, const QRect& part, QRgb ground)
{
    double strongest = 1;
    for (const QRect side :
         {QRect(part.left(), part.top(), part.width(), 1), QRect(part.left(), part.bottom(), part.width(), 1),
          QRect(part.left(), part.top(), 1, part.height()),
          QRect(part.right(), part.top(), 1, part.height())})
        strongest = std::max(strongest, StrongestContrast(picture, side, ground));
    return strongest;
}

// The preview's position bar, partly played: its track and its arrow buttons' edges against the window,
// their arrows against their face, and the handle's edge against each colour of the track beside it.
Legibility OfScrollBar(bool enabled)
{
    struct Bar : QScrollBar {
        using QScrollBar::initStyleOption;
    } bar;
    bar.setOrientation(Qt::Horizontal);
    bar.setValue(30);
    const QImage picture = Picture(bar, enabled);
    QStyleOptionSlider option;
    bar.initStyleOption(&option);
    const auto part = [&](QStyle::SubControl which) {
        return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, which, &bar);
    };
    const QRect handle = part(QStyle::SC_ScrollBarSlider);
    const QRgb window = QApplication::palette().color(QPalette::Window).rgb();
    double weakest = StrongestContrast(picture, QRect(handle.right() + 1, 0, 8, picture.height()), window);
    for (const QRect button : {part(QStyle::SC_ScrollBarSubLine), part(QStyle::SC_ScrollBarAddLine)}) {
        const QRect inside = button.adjusted(2, 2, -2, -2);
        weakest = std::min({weakest, EdgeContrast(picture, button, window),
                            StrongestContrast(picture, inside, MostCommon(picture, inside))});
    }
    for (const auto& [colour, count] :
         Colours(picture, QRect(handle.right() + 1, handle.top(), 8, handle.height())))
        weakest = std::min(weakest, EdgeContrast(picture, handle, colour));
    return {weakest, std::nullopt};
}

// An empty line edit, as the output folder is while the output goes beside the source: only its frame
// and its ground tell whether it takes input.
Legibility OfField(bool enabled)
{
    QLineEdit field;
    const QImage picture = Picture(field, enabled);
    const QRgb window = field.palette().color(QPalette::Window).rgb();
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            sum += ContrastRatio(picture.pixel(x, y), window);
    return {std::nullopt, std::nullopt, sum / (picture.width() * picture.height())};
}

// Edges stand 3:1 from their ground and texts 4.5:1, as accessibility guides ask; a disabled text
// stands at most a third as far as the enabled one, and a disabled field half as far beyond its ground.
TEST(Themes, EveryControlStandsOutFromItsGroundAndADisabledOneLooksDisabledWithAndWithoutVisualStyles)
{
    const std::pair<const char*, std::function<Legibility(bool enabled)>> controls[] = {
        {"unchecked box", [](bool on) { return OfBox<QCheckBox>(false, on); }},
        {"checked box", [](bool on) { return OfBox<QCheckBox>(true, on); }},
        {"unchecked radio", [](bool on) { return OfBox<QRadioButton>(false, on); }},
        {"checked radio", [](bool on) { return OfBox<QRadioButton>(true, on); }},
        {"button", OfText<QPushButton>},
        {"label", OfText<QLabel>},
        {"slider", OfSlider},
        {"position bar", OfScrollBar},
        {"line edit", OfField}};
    for (const bool styles : {true, false}) {
        plat::SetVisualStyles(styles);
        for (const QString& name : plat::ThemeNames()) {
            plat::UseTheme(name);
            // The desktop's own look is not the program's to restyle: only its texts are held to this.
            const bool ownLook = name != plat::DefaultThemeName;
            for (const auto& [what, measure] : controls) {
                const Legibility enabled = measure(true), disabled = measure(false);
                const std::string where =
                    name.toStdString() + (styles ? ", " : " without visual styles, ") + what;
                if (enabled.Edge && ownLook) {
                    EXPECT_GE(*enabled.Edge, 3.0) << where;
                }
                if (enabled.Text) {
                    EXPECT_GE(*enabled.Text, 4.5) << where;
                    EXPECT_LE(*disabled.Text * 3, *enabled.Text) << where << " disabled";
                }
                if (enabled.Field && ownLook) {
                    EXPECT_LE((*disabled.Field - 1) * 2, *enabled.Field - 1) << where << " disabled";
                }
            }
        }
    }
    plat::SetVisualStyles(true);
    plat::UseTheme(plat::DefaultThemeName);
}

} // namespace
