#include "app/audio_mp2_settings_dialog.h"
#include "app/audio_wav_settings_dialog.h"
#include "app/dialog_settings.h"
#include "app/except_dlg.h"
#include "app/info_dialog.h"
#include "app/korvane_main.h"
#include "components/form_registry.h"
#include "components/qt_dialogs.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "tests/support/patience.h"
#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <map>

namespace {

const QString french = QString::fromUtf8("Français");

// Where a text is shown (the scene, the names of the widgets down to it, what it is) and the text.
using ShownTexts = std::map<QString, QString>;

// The names from the control's form down to the control: a page is the same wherever it is shown.
QString PathOf(const QObject* object)
{
    QString path;
    for (; object; object = object->parent()) {
        path.prepend(u'/' + object->objectName());
        if (FormRegistry::Instance().IsForm(object) ||
            (object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow()))
            break;
    }
    return path;
}

// Hidden on purpose, so never seen: hidden itself or inside a hidden container of its window.
bool HiddenInItsWindow(const QWidget* widget)
{
    for (; widget && !widget->isWindow(); widget = widget->parentWidget())
        if (widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden())
            return true;
    return false;
}

// The window a control shows in; a menu pops up from its owner's window.
const QWidget* ShownIn(const QWidget* widget)
{
    while (qobject_cast<const QMenu*>(widget) && widget->parentWidget())
        widget = widget->parentWidget();
    return widget->window();
}

class TextCollector {
public:
    TextCollector(const QString& scene, ShownTexts& texts) : scene_(scene), texts_(texts) {}

    // The window's controls and the menus that pop up from them, not the windows it owns.
    void Window(const QWidget* window)
    {
        Widget(window);
        for (const QWidget* widget : window->findChildren<QWidget*>())
            if (ShownIn(widget) == window)
                Widget(widget);
    }

    void Widget(const QWidget* widget)
    {
        if (HiddenInItsWindow(widget))
            return;
        if (qobject_cast<const QDialog*>(widget) || qobject_cast<const QMainWindow*>(widget))
            Add(widget, "title", widget->windowTitle());
        Add(widget, "tip", widget->toolTip());
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            Add(widget, "text", label->text());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            Add(widget, "text", button->text());
        if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            Add(widget, "title", group->title());
        if (const auto* box = qobject_cast<const QComboBox*>(widget))
            for (int row = 0; row < box->count(); ++row)
                Add(widget, "item" + QString::number(row), box->itemText(row));
        if (const auto* list = qobject_cast<const QListWidget*>(widget))
            for (int row = 0; row < list->count(); ++row)
                Add(widget, "item" + QString::number(row), list->item(row)->text());
        if (const auto* tree = qobject_cast<const QTreeWidget*>(widget))
            Tree(tree);
        if (const auto* menu = qobject_cast<const QMenu*>(widget))
            Menu(menu);
    }

private:
    void Tree(const QTreeWidget* tree)
    {
        for (int column = 0; column < tree->columnCount(); ++column) {
            if (!tree->isHeaderHidden())
                Add(tree, "header" + QString::number(column), tree->headerItem()->text(column));
            for (int row = 0; row < tree->topLevelItemCount(); ++row)
                Add(tree, QString("item%1.%2").arg(row).arg(column), tree->topLevelItem(row)->text(column));
        }
    }

    void Menu(const QMenu* menu)
    {
        Add(menu, "title", menu->title());
        // Each language is listed by its own name.
        if (menu->objectName() == "MenuLanguage")
            return;
        for (const QAction* item : menu->actions())
            if (item->isVisible() && !item->menu())
                Add(item, "text", item->text());
    }

    void Add(const QObject* where, const QString& what, const QString& text)
    {
        if (!text.trimmed().isEmpty())
            texts_[scene_ + PathOf(where) + " [" + what + ']'] = text;
    }

    QString scene_;
    ShownTexts& texts_;
};

class ProgramLanguage : public ProgramWorld {
protected:
    // Opens a modal dialog as the user does and reads it while it is open.
    static void WhileOpen(const std::function<void()>& open, const std::function<void(QDialog&)>& read)
    {
        QTimer::singleShot(0, [read] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            read(*dialog);
            dialog->reject();
        });
        open();
    }

    // Every text of the main window and of its dialogs, each open as the user sees it: the settings on
    // each of its pages, about, credits, the two encoding preferences, the new-version notice and a
    // message box.
    ShownTexts TextsOfEveryWindow()
    {
        ShownTexts texts;
        const auto collect = [&texts](const QString& scene) {
            return [&texts, scene](QDialog& dialog) { TextCollector(scene, texts).Window(&dialog); };
        };
        TextCollector("main", texts).Window(&Main());
        WhileOpen([this] { Main().MenuSettings->trigger(); },
                  [&texts](QDialog& dialog) {
                      QTreeWidget* tree = static_cast<TDlgSettings&>(dialog).TreeViewSettings;
                      for (int row = 0; row < tree->topLevelItemCount(); ++row) {
                          tree->setCurrentItem(tree->topLevelItem(row));
                          TextCollector("settings" + QString::number(row), texts).Window(&dialog);
                      }
                  });
        WhileOpen([this] { Main().MenuAbout->trigger(); }, collect("about"));
        WhileOpen([this] { Main().MenuCredits->trigger(); }, collect("credits"));
        WhileOpen(ExecuteAudioMp2SettingsDialog, collect("mpeg"));
        WhileOpen(ExecuteAudioWavSettingsDialog, collect("wav"));
        WhileOpen([] { ShowException({"EAccessViolation", "Broken", QString(), {}}); }, collect("crash"));
        auto* notice = Find<TInfoDlg>("InfoDlg");
        notice->ShowInfo(TranslateMsg("A new version is available"), "https://example.org/home",
                         "https://example.org/download", "https://example.org/full",
                         "https://example.org/guide", QString());
        collect("notice")(*notice);
        notice->reject();
        plat::MessageRequest request;
        request.Type = plat::TMsgDlgType::mtConfirmation;
        request.Buttons = plat::mbYes | plat::mbNo | plat::mbCancel | plat::mbAll;
        request.CheckCaption = TranslateMsg("Don't show this message again");
        collect("box")(*plat::MakeMessageBox(request, nullptr));
        return texts;
    }

    // The mnemonic letters of the items of a menu bar or menu that a user can choose.
    static QStringList Mnemonics(const QWidget& menu)
    {
        QStringList keys;
        for (const QAction* item : menu.actions())
            if (item->isVisible() && !item->isSeparator())
                if (const QKeySequence key = QKeySequence::mnemonic(item->text()); !key.isEmpty())
                    keys << key.toString();
        return keys;
    }
};

TEST_F(ProgramLanguage, EveryMenuGivesEachShortcutLetterOnceInEitherLanguage)
{
    Start();
    for (const QString& language : {QString("English"), french}) {
        Main().SelectLanguage(language);
        std::vector<const QWidget*> menus{Main().menuBar()};
        for (const QWidget* widget : QApplication::allWidgets())
            if (qobject_cast<const QMenu*>(widget))
                menus.push_back(widget);
        EXPECT_GE(menus.size(), 7u) << "the bar, its four menus, the language menu and the list's menu";
        for (const QWidget* menu : menus) {
            QStringList keys = Mnemonics(*menu);
            const QString where = language + ' ' + PathOf(menu) + ": " + keys.join(' ');
            EXPECT_EQ(keys.removeDuplicates(), 0) << where.toStdString();
        }
    }
}

// Names stay as they are: the program's, the formats', the disc standards' and the units'; and a few
// words French shares with English. Compared without a shortcut mark or a closing colon.
const QStringList namesAndSharedWords{
    "Korvane", "VCD 2.0",       "SVCD 1.0",     "XVCD",  "XSVCD", "MPEG-1 Audio Layer II",
    "WAV",     "DVI IMA ADPCM", "Hz",           "Ok",    "Pause", "Normal",
    "Proxy",   "Internet",      "Distribution", "Guide", "Mono"};

bool IsNameOrSharedWord(QString text)
{
    text.remove(u'&');
    text = text.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    return namesAndSharedWords.contains(text) || text == GetProgramTitleVersion();
}

// Web addresses stay as they are.
bool IsAddress(const QString& text)
{
    const QUrl address(text, QUrl::StrictMode);
    return address.isValid() && !address.scheme().isEmpty() && !address.host().isEmpty();
}

TEST_F(ProgramLanguage, InFrenchNoWindowShowsAnEnglishTextButNames)
{
    Start();
    auto* page = Find<QWidget>("PageMpegAudio");
    ASSERT_TRUE(Reaches([&] { return page->window() == &Main(); }, "the conversion page in the main window"));
    const ShownTexts english = TextsOfEveryWindow();
    Main().SelectLanguage(french);
    const ShownTexts translated = TextsOfEveryWindow();
    ASSERT_EQ(translated.size(), english.size());

    QStringList untranslated;
    for (const auto& [where, text] : translated) {
        const bool hasLetters = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
        if (hasLetters && english.at(where) == text && !IsNameOrSharedWord(text) && !IsAddress(text))
            untranslated << where + ": " + text;
    }
    EXPECT_EQ(untranslated, QStringList());
}

} // namespace
