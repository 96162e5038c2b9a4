#include "app/dialog_settings.h"
#include "app/form_mpeg_audio.h"
#include "app/korvane_main.h"
#include "components/themes.h"
#include "tests/support/patience.h"
#include "tests/support/program_world.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMetaEnum>
#include <QStyle>
#include <QTreeWidget>

#include <map>

namespace {

// A widget's place among the program's windows: for each level down from its window, its name, or its
// class and rank among its unnamed brothers of that class.
QString PlaceOf(const QObject* widget)
{
    QString place;
    for (const QObject* level = widget; level; level = level->parent()) {
        QString step = level->objectName();
        if (step.isEmpty()) {
            int rank = 0;
            for (const QObject* brother : level->parent() ? level->parent()->children() : QObjectList()) {
                if (brother == level)
                    break;
                rank += brother->objectName().isEmpty() && brother->metaObject() == level->metaObject();
            }
            step = QString::fromLatin1(level->metaObject()->className()) + u'#' + QString::number(rank);
        }
        place = step + u'/' + place;
    }
    return place;
}

// How a widget looks: its style, its own style sheet, every colour of its palette and, for an open
// window, its size.
QStringList LookOf(const QWidget* widget)
{
    QStringList look = {QStringLiteral("style ") + widget->style()->metaObject()->className() + u' ' +
                            widget->style()->name(),
                        QStringLiteral("sheet ") + widget->styleSheet()};
    // A window open on the screen keeps the size a start would give it.
    if (widget->isWindow() && widget->isVisible())
        look.append(QStringLiteral("size %1x%2").arg(widget->width()).arg(widget->height()));
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            look.append(
                QStringLiteral("%1 %2 %3")
                    .arg(groups.valueToKey(group), roles.valueToKey(role),
                         widget->palette().color(group, QPalette::ColorRole(role)).name(QColor::HexArgb)));
    return look;
}

using Looks = std::map<QString, QStringList>;

Looks EveryWidgetsLook()
{
    // A combo box makes its list at its first use: both sides have them all.
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            combo->view();
    Looks looks;
    for (const QWidget* widget : QApplication::allWidgets())
        looks[PlaceOf(widget)] = LookOf(widget);
    return looks;
}

// Qt's own unnamed parts count only where both sides have them: a combo box's list keeps the scroll
// arrows of the style it was made in, or lacks those of a later one.
void ExpectSameLooks(const Looks& expected, const Looks& shown, const std::string& what)
{
    int differences = 0;
    for (const auto& [place, look] : expected) {
        const auto found = shown.find(place);
        if (found == shown.end()) {
            EXPECT_TRUE(place.section(u'/', -2, -2).contains(u'#')) << what << ": " << place.toStdString();
            continue;
        }
        QStringList differing;
        for (qsizetype i = 0; i < look.size(); ++i)
            if (look[i] != found->second.value(i))
                differing << look[i] + QStringLiteral(" but ") + found->second.value(i).section(u' ', -1);
        // The first few are enough to tell what is wrong.
        if (!differing.isEmpty() && ++differences <= 5)
            ADD_FAILURE() << what << ": " << place.toStdString() << "\n  "
                          << differing.join("\n  ").toStdString();
    }
    EXPECT_EQ(differences, 0) << what;
}

class ThemeSwitch : public ProgramWorld {
protected:
    // The settings dialog open on the themes page, as the user switches themes.
    void OpenThemesPage()
    {
        auto* page = Find<TPageMpegAudio>("PageMpegAudio");
        ASSERT_TRUE(Reaches([&] { return page->parentWidget() == Main().PanelMain; },
                            "the conversion page in the main window"));
        auto* dialog = Find<TDlgSettings>("DlgSettings");
        dialog->PrepareToShow();
        dialog->show();
        dialog->TreeViewSettings->setCurrentItem(
            dialog->TreeViewSettings->findItems("Themes", Qt::MatchExactly).value(0));
        QCoreApplication::processEvents();
    }
    void Choose(const QString& theme)
    {
        Control<QListWidget>("ListBoxThemes")->setCurrentRow(plat::ThemeNames().indexOf(theme));
        QCoreApplication::processEvents();
        ASSERT_EQ(plat::CurrentTheme(), theme);
    }
    // A start with that theme stored, as after the user chose it and closed the program.
    Looks StartWith(const QString& theme)
    {
        Start();
        OpenThemesPage();
        Choose(theme);
        Stop();
        Start();
        OpenThemesPage();
        EXPECT_EQ(plat::CurrentTheme(), theme);
        return EveryWidgetsLook();
    }
};

TEST_F(ThemeSwitch, AfterEverySwitchEveryWidgetLooksAsAfterAStartWithTheNewTheme)
{
    std::map<QString, Looks> started;
    for (const QString& theme : plat::ThemeNames()) {
        started[theme] = StartWith(theme);
        Stop();
    }
    // From each theme to each other one and back: every ordered pair, the first switch of a start
    // and a switch after others.
    for (const QString& first : plat::ThemeNames()) {
        StartWith(first);
        for (const QString& second : plat::ThemeNames()) {
            if (second == first)
                continue;
            Choose(second);
            ExpectSameLooks(started[second], EveryWidgetsLook(), (first + " to " + second).toStdString());
            Choose(first);
            ExpectSameLooks(started[first], EveryWidgetsLook(), (second + " to " + first).toStdString());
        }
        Stop();
    }
}

} // namespace
