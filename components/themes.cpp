#include "components/themes.h"

#include <QApplication>
#include <QColor>
#include <QList>
#include <QPalette>
#include <QStyle>
#include <QWidget>

namespace plat {

namespace {

const QString classicStyle = QStringLiteral("Windows");
const QString fusionStyle = QStringLiteral("Fusion");

struct Theme {
    QString Name;
    QString StyleName;
    QPalette Palette;
    QString StyleSheet;
    // The classic style dithers a scroll bar's track from the light and the window colours, which on a
    // light window leaves the track no edge: there scroll bars take a window colour of their own, a grey
    // that stands 3:1 from the theme's window.
    QColor TrackGround = QColor();
};

struct ColourRole {
    QPalette::ColorRole Role;
    QColor Colour;
};

// Disabled controls show greyed text, and a disabled field the button face for its ground, so that an
// empty one does not pass for one that takes input. The classic style also etches the text with the
// light colour, one pixel off: on a dark ground that etch has to stay dark, or the text reads as enabled.
QPalette MakePalette(const QList<ColourRole>& active, const QColor& disabledText, const QColor& disabledEtch)
{
    QPalette palette;
    for (const ColourRole& entry : active)
        palette.setColor(entry.Role, entry.Colour);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Button));
    palette.setColor(QPalette::Disabled, QPalette::Light, disabledEtch);
    return palette;
}

// The grey of the classic desktop, with its navy selection.
QPalette ClassicPalette()
{
    const QColor face(0xd4, 0xd0, 0xc8);
    return MakePalette({{QPalette::Window, face},
                        {QPalette::Button, face},
                        {QPalette::WindowText, Qt::black},
                        {QPalette::ButtonText, Qt::black},
                        {QPalette::Base, Qt::white},
                        {QPalette::AlternateBase, QColor(0xec, 0xe9, 0xd8)},
                        {QPalette::Text, Qt::black},
                        {QPalette::Light, Qt::white},
                        {QPalette::Midlight, face},
                        {QPalette::Mid, QColor(0xa0, 0xa0, 0xa0)},
                        {QPalette::Dark, QColor(0x80, 0x80, 0x80)},
                        {QPalette::Shadow, QColor(0x40, 0x40, 0x40)},
                        {QPalette::Highlight, QColor(0x0a, 0x24, 0x6a)},
                        {QPalette::HighlightedText, Qt::white},
                        {QPalette::ToolTipBase, QColor(0xff, 0xff, 0xe1)},
                        {QPalette::ToolTipText, Qt::black},
                        {QPalette::Link, Qt::blue}},
                       QColor(0x80, 0x80, 0x80), Qt::white);
}

QPalette DarkPalette()
{
    const QColor window(0x35, 0x35, 0x35);
    const QColor blue(0x2a, 0x82, 0xda);
    return MakePalette({{QPalette::Window, window},
                        {QPalette::Button, window},
                        {QPalette::WindowText, Qt::white},
                        {QPalette::ButtonText, Qt::white},
                        {QPalette::Base, QColor(0x2a, 0x2a, 0x2a)},
                        {QPalette::AlternateBase, QColor(0x42, 0x42, 0x42)},
                        {QPalette::Text, Qt::white},
                        {QPalette::BrightText, Qt::red},
                        {QPalette::Light, QColor(0x5a, 0x5a, 0x5a)},
                        {QPalette::Midlight, QColor(0x45, 0x45, 0x45)},
                        {QPalette::Mid, QColor(0x2a, 0x2a, 0x2a)},
                        {QPalette::Dark, QColor(0x20, 0x20, 0x20)},
                        {QPalette::Shadow, QColor(0x10, 0x10, 0x10)},
                        {QPalette::Highlight, blue},
                        {QPalette::HighlightedText, Qt::white},
                        {QPalette::ToolTipBase, window},
                        {QPalette::ToolTipText, Qt::white},
                        {QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a)},
                        {QPalette::Link, blue}},
                       QColor(0x7f, 0x7f, 0x7f), QColor(0x45, 0x45, 0x45));
}

// Black grounds, white text and frames, yellow for what is selected or focused.
QPalette HighContrastPalette()
{
    const QColor yellow(0xff, 0xff, 0x00);
    return MakePalette({{QPalette::Window, Qt::black},
                        {QPalette::Button, Qt::black},
                        {QPalette::WindowText, Qt::white},
                        {QPalette::ButtonText, Qt::white},
                        {QPalette::Base, Qt::black},
                        {QPalette::AlternateBase, Qt::black},
                        {QPalette::Text, Qt::white},
                        {QPalette::BrightText, yellow},
                        {QPalette::Light, Qt::white},
                        {QPalette::Midlight, Qt::white},
                        {QPalette::Mid, Qt::white},
                        {QPalette::Dark, Qt::white},
                        {QPalette::Shadow, Qt::white},
                        {QPalette::Highlight, yellow},
                        {QPalette::HighlightedText, Qt::black},
                        {QPalette::ToolTipBase, Qt::black},
                        {QPalette::ToolTipText, yellow},
                        {QPalette::PlaceholderText, QColor(0xc0, 0xc0, 0xc0)},
                        {QPalette::Link, yellow}},
                       QColor(0x80, 0x80, 0x80), QColor(0x40, 0x40, 0x40));
}

// Fusion draws the edges of check boxes, radio buttons and slider grooves a shade off the window
// colour, which vanishes on a dark ground, and the classic style draws them in the palette's 3D
// shades: on a dark ground both get edges of their own. A mark is filled with the selection colour,
// the slider's handle with the edges' colour.
QString MarksSheet(const QString& edge, const QString& mark, const QString& ground, const QString& disabled)
{
    return QStringLiteral(
               "QCheckBox::indicator, QRadioButton::indicator, QAbstractItemView::indicator"
               " { width: 11px; height: 11px; border: 1px solid %1; background: %3; }"
               "QRadioButton::indicator { border-radius: 6px; }"
               "QCheckBox::indicator:checked, QRadioButton::indicator:checked,"
               " QAbstractItemView::indicator:checked { background: %2; }"
               "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: %4; }"
               "QCheckBox::indicator:checked:disabled, QRadioButton::indicator:checked:disabled"
               " { background: %4; }"
               "QSlider::groove:horizontal { border: 1px solid %1; height: 4px; background: %3; }"
               "QSlider::sub-page:horizontal { border: 1px solid %1; background: %2; }"
               "QSlider::handle:horizontal"
               " { border: 1px solid %1; background: %1; width: 8px; margin: -6px 0; }"
               "QSlider::groove:horizontal:disabled, QSlider::sub-page:horizontal:disabled,"
               " QSlider::handle:horizontal:disabled { border-color: %4; }"
               "QSlider::sub-page:horizontal:disabled, QSlider::handle:horizontal:disabled"
               " { background: %4; }")
        .arg(edge, mark, ground, disabled);
}

// Fusion's scroll bars fade into a dark ground the same way: they get a framed track on the fields' ground,
// framed buttons in the track's margins with their arrows drawn as a border cut to a triangle, and a
// handle in the edges' colour.
QString BarsSheet(const QString& edge, const QString& ground, const QString& disabled)
{
    return QStringLiteral(
               "QScrollBar { border: 1px solid %1; background: %2; }"
               "QScrollBar:horizontal { margin: 0 14px; }"
               "QScrollBar:vertical { margin: 14px 0; }"
               "QScrollBar::handle { border: 1px solid %1; background: %1; }"
               "QScrollBar::handle:horizontal { min-width: 14px; }"
               "QScrollBar::handle:vertical { min-height: 14px; }"
               "QScrollBar::add-line, QScrollBar::sub-line"
               " { border: 1px solid %1; background: %2; subcontrol-origin: margin; }"
               "QScrollBar::add-line:horizontal { width: 12px; subcontrol-position: right; }"
               "QScrollBar::sub-line:horizontal { width: 12px; subcontrol-position: left; }"
               "QScrollBar::add-line:vertical { height: 12px; subcontrol-position: bottom; }"
               "QScrollBar::sub-line:vertical { height: 12px; subcontrol-position: top; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
               "QScrollBar::left-arrow, QScrollBar::right-arrow, QScrollBar::up-arrow, QScrollBar::down-arrow"
               " { width: 0; height: 0; border: 4px solid %2; }"
               "QScrollBar::left-arrow { border-left-width: 0; border-right-color: %1; }"
               "QScrollBar::right-arrow { border-right-width: 0; border-left-color: %1; }"
               "QScrollBar::up-arrow { border-top-width: 0; border-bottom-color: %1; }"
               "QScrollBar::down-arrow { border-bottom-width: 0; border-top-color: %1; }"
               "QScrollBar:disabled, QScrollBar::handle:disabled, QScrollBar::add-line:disabled,"
               " QScrollBar::sub-line:disabled { border-color: %3; }"
               "QScrollBar::handle:disabled { background: %3; }"
               "QScrollBar::left-arrow:disabled { border-right-color: %3; }"
               "QScrollBar::right-arrow:disabled { border-left-color: %3; }"
               "QScrollBar::up-arrow:disabled { border-bottom-color: %3; }"
               "QScrollBar::down-arrow:disabled { border-top-color: %3; }")
        .arg(edge, ground, disabled);
}

const QString darkSheet =
    MarksSheet(QStringLiteral("#a0a0a0"), QStringLiteral("#2a82da"), QStringLiteral("#2a2a2a"),
               QStringLiteral("#606060")) +
    BarsSheet(QStringLiteral("#a0a0a0"), QStringLiteral("#2a2a2a"), QStringLiteral("#606060"));

// On black, Fusion's frames vanish too. A disabled field keeps the black ground, so its frame greys.
const QString highContrastSheet =
    QStringLiteral("QLineEdit, QAbstractItemView, QGroupBox, QPushButton { border: 1px solid white; }"
                   "QPushButton { padding: 3px 12px; }"
                   "QPushButton:focus, QPushButton:default { border-color: yellow; }"
                   "QLineEdit:disabled, QAbstractItemView:disabled, QPushButton:disabled"
                   " { border-color: #808080; }"
                   "QGroupBox { margin-top: 1.2em; padding-top: 4px; }"
                   "QGroupBox::title { subcontrol-origin: margin; left: 8px; }") +
    MarksSheet(QStringLiteral("white"), QStringLiteral("yellow"), QStringLiteral("black"),
               QStringLiteral("#808080")) +
    BarsSheet(QStringLiteral("white"), QStringLiteral("black"), QStringLiteral("#808080"));

struct ThemeState {
    QList<Theme> Themes;
    QString Current;
    bool VisualStyles = true;
};

ThemeState& State()
{
    static ThemeState state{
        {{DefaultThemeName, QApplication::style()->name(), QApplication::palette(), QString()},
         {QStringLiteral("Classic"), classicStyle, ClassicPalette(), QString(), QColor(0x70, 0x70, 0x70)},
         {QStringLiteral("Dark"), fusionStyle, DarkPalette(), darkSheet},
         {QStringLiteral("High Contrast"), fusionStyle, HighContrastPalette(), highContrastSheet}},
        DefaultThemeName};
    return state;
}

const Theme& FindTheme(const QString& name)
{
    const QList<Theme>& themes = State().Themes;
    for (const Theme& theme : themes)
        if (theme.Name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return theme;
    return themes.first();
}

// Each widget takes its colours again from its parent, keeping only the ones set on it; parents first.
void TakeColoursAgain(QWidget* widget)
{
    widget->setPalette(widget->palette());
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        TakeColoursAgain(child);
}

void Apply(const Theme& theme)
{
    // A style sheet wraps the style in one of its own, so it goes first and comes back last.
    qApp->setStyleSheet(QString());
    const QString style = State().VisualStyles ? theme.StyleName : classicStyle;
    if (QApplication::style()->name().compare(style, Qt::CaseInsensitive) != 0)
        QApplication::setStyle(style);
    // A new style brings its own colours, so the theme's come after it. They also drop the scroll bars'
    // own colours of the theme before.
    QApplication::setPalette(theme.Palette);
    if (theme.TrackGround.isValid()) {
        QPalette bars = theme.Palette;
        bars.setColor(QPalette::Window, theme.TrackGround);
        QApplication::setPalette(bars, "QScrollBar");
    }
    // Qt brings the new palette to the widgets late and not to all of them: one the old style sheet held
    // keeps the old theme's colours. So they all take it now, before the new sheet keeps a copy of the
    // colours each widget has.
    for (QWidget* window : QApplication::topLevelWidgets())
        TakeColoursAgain(window);
    qApp->setStyleSheet(theme.StyleSheet);
}

} // namespace

QStringList ThemeNames()
{
    QStringList names;
    for (const Theme& theme : State().Themes)
        names.append(theme.Name);
    return names;
}

QString UseTheme(const QString& name)
{
    const Theme& theme = FindTheme(name);
    State().Current = theme.Name;
    Apply(theme);
    return theme.Name;
}

QString CurrentTheme()
{
    return State().Current;
}

QColor ReadableOn(const QColor& colour, const QColor& ground)
{
    constexpr int darkGround = 128, readableLightness = 200;
    if (ground.lightness() >= darkGround || colour.lightness() >= readableLightness)
        return colour;
    const QColor hsl = colour.toHsl();
    return QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), readableLightness);
}

void SetVisualStyles(bool on)
{
    if (State().VisualStyles == on)
        return;
    State().VisualStyles = on;
    Apply(FindTheme(State().Current));
}

bool VisualStyles()
{
    return State().VisualStyles;
}

} // namespace plat
