#include "foundation/language.h"

#include "components/form_registry.h"
#include "components/list_strings.h"
#include "foundation/dlg_m_lang.h"
#include "foundation/useful_string.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "tests/support/patience.h"
#include "tests/support/temp_world.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray frenchFile = R"([Language]
Language=Français
LanguageExt=fr
LanguageVersion= 2.0.0.7

[Translations]
LabelTitle=Titre
ButtonOk=&Valider
MenuFile=&Fichier
ActionQuit=&Quitter
GroupOptions=Options~avancées
LabelPage=Page traduite

[Messages]
Unable to open %s=Impossible d'ouvrir %s
Invalid %s file=Fichier invalide
Copy %s=Copie %n%d %s
	Spaced   =  Espacé = deux  
Two lines=Ligne~un^Ligne deux
Empty=
)";

void UseEnglish()
{
    InitLanguage(false, QString(), true, QString());
}

class Language : public TempWorld {
protected:
    void TearDown() override
    {
        UseEnglish();
        RestoreDialogStrings();
        TempWorld::TearDown();
    }

    QString WriteLanguage(const QString& code, const QByteArray& content) const
    {
        return WriteFile("program/Lng/korvane_" + code + ".lng", content);
    }
    static QByteArray NamedLanguage(const QByteArray& name, const QByteArray& ext,
                                    const QByteArray& version = "1")
    {
        return "[Language]\nLanguage=" + name + "\nLanguageExt=" + ext + "\nLanguageVersion=" + version +
               "\n";
    }
    void UseFrench() const { InitLanguage(true, WriteLanguage("fr", frenchFile), true, QString()); }
};

// A form as the program builds them: named components and a translation list.
struct Form {
    std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
    QLabel* Title;
    QPushButton* Ok;
    TListStrings* List;

    Form(const QString& name, const QString& title)
    {
        Window->setObjectName(name);
        Title = new QLabel(title, Window.get());
        Title->setObjectName("LabelTitle");
        Ok = new QPushButton("OK", Window.get());
        Ok->setObjectName("ButtonOk");
        List = new TListStrings(Window.get());
        List->setObjectName("ListStringsToTranslate");
        List->SetProperties({"LabelTitle", "ButtonOk", QString()});
    }
    void Translate() const { TranslateForm(Window.get(), List->Properties()); }
};

} // namespace

TEST_F(Language, MessagesAreFoundByTheirTrimmedKeyAndKeepTheirMarkers)
{
    UseFrench();
    EXPECT_EQ(TranslateMsg("Unable to open %s"), "Impossible d'ouvrir %s");
    // Framing blanks, carriage returns and the case of the key do not hide it.
    EXPECT_EQ(TranslateMsg("\r  Unable to open %s   \r"), "Impossible d'ouvrir %s");
    EXPECT_EQ(TranslateMsg("spaced"), "Espacé = deux");
    // A translation that loses a marker, an empty one and a missing one give the English text.
    EXPECT_EQ(TranslateMsg("Invalid %s file"), "Invalid %s file");
    EXPECT_EQ(TranslateMsg("Empty"), "Empty");
    EXPECT_EQ(TranslateMsg("Not in the file"), "Not in the file");
    // A translation never acts as a format of its own.
    EXPECT_EQ(Format(TranslateMsg("Copy %s"), "a.wav"), "Copie %n%d a.wav");
    EXPECT_EQ(TranslateMsg("Two lines"), "Ligne\tun\rLigne deux");
    EXPECT_EQ(TranslateText("LanguageExt", QString(), lsLanguage), "fr");
    EXPECT_EQ(GetLanguageExt(), "fr");

    // The English text gets the same escapes, with or without a language.
    EXPECT_EQ(TranslateMsg("first^second~third"), "first\rsecond\tthird");
    UseEnglish();
    EXPECT_EQ(TranslateMsg("Two lines^"), "Two lines\r");
    EXPECT_EQ(GetLanguageExt(), "en");
}

TEST_F(Language, FormsGetTheirOwnEnglishCaptionsBackAndSwitchTheDialogCaptions)
{
    Form first("FormFirst", "First title");
    Form second("FormSecond", "Second title");
    WriteLanguage("fr", frenchFile);
    for (int round = 1; round <= 2; ++round) {
        InitLanguage(true, QString(), true, "Français");
        first.Translate();
        second.Translate();
        EXPECT_EQ(first.Title->text(), "Titre");
        EXPECT_EQ(second.Title->text(), "Titre");
        EXPECT_EQ(first.Ok->text(), "&Valider");
        EXPECT_EQ(DlgCaption(dcMsgYes), "&Oui");

        UseEnglish();
        first.Translate();
        second.Translate();
        EXPECT_EQ(first.Title->text(), "First title");
        EXPECT_EQ(second.Title->text(), "Second title");
        EXPECT_EQ(first.Ok->text(), "OK");
        EXPECT_EQ(DlgCaption(dcMsgYes), "&Yes");
    }
}

TEST_F(Language, CaptionsReachMenusActionsAndBoxesButNotEmbeddedPages)
{
    QWidget window;
    window.setObjectName("FormMain");
    auto* menu = new QMenu(QStringLiteral("&File"), &window);
    menu->setObjectName("MenuFile");
    QAction* quit = menu->addAction("&Quit");
    quit->setObjectName("ActionQuit");
    auto* group = new QGroupBox(QStringLiteral("Options"), &window);
    group->setObjectName("GroupOptions");
    auto* page = new QWidget(&window);
    page->setObjectName("PageLog");
    FormRegistry::Instance().Register(page);
    auto* pageLabel = new QLabel(QStringLiteral("Log"), page);
    pageLabel->setObjectName("LabelPage");

    UseFrench();
    const QStringList names{"menufile", "ActionQuit", "GroupOptions", "LabelPage"};
    TranslateForm(&window, names);
    EXPECT_EQ(menu->title(), "&Fichier");
    EXPECT_EQ(quit->text(), "&Quitter");
    EXPECT_EQ(group->title(), "Options\tavancées");
    EXPECT_EQ(pageLabel->text(), "Log");
    TranslateForm(page, names);
    EXPECT_EQ(pageLabel->text(), "Page traduite");
}

TEST_F(Language, TheLanguageListAndAMenuCaptionPickTheFile)
{
    WriteLanguage("fr", frenchFile);
    WriteLanguage("de", NamedLanguage("Deutsch [Schweiz]", "de", "1.2"));
    WriteLanguage("nameless", NamedLanguage("", "zz"));
    WriteLanguage("XX", NamedLanguage("Template", "xx"));
    WriteLanguage("Po", NamedLanguage("Other", "po"));
    WriteFile("program/Lng/other_it.lng", NamedLanguage("Italiano", "it"));

    const QStringList list = GetLanguageList();
    ASSERT_EQ(list, (QStringList{"Deutsch (Schweiz) \t [v1.2]", "Français \t [v2.0.0]"}));
    EXPECT_EQ(MakeLanguageListEntry("English", QString()), "English \t ?");
    EXPECT_EQ(ExtractLanguageName("English \t ?"), "English");
    EXPECT_EQ(ExtractLanguageName("Français"), "Français");

    InitLanguage(true, QString(), true, list[1]);
    EXPECT_EQ(CurrentLanguageCode(), "fr");
    EXPECT_EQ(TranslateMsg("Unable to open %s"), "Impossible d'ouvrir %s");

    InitLanguage(true, QString(), true, list[0]);
    EXPECT_EQ(CurrentLanguageCode(), "de");
    EXPECT_EQ(GetLanguageExt(), "de");

    // The English entry of the menu matches no file: everything is English again.
    InitLanguage(true, QString(), true, MakeLanguageListEntry("English", "2.0.0"));
    EXPECT_EQ(CurrentLanguageCode(), QString());
    EXPECT_EQ(TranslateMsg("Unable to open %s"), "Unable to open %s");
}

TEST_F(Language, FilesBelongToTheExecutableByItsBaseNameAndALoneOneIsChosen)
{
    WriteLanguage("fr", frenchFile);
    plat::SetExecutableName("Korvane.bin");
    EXPECT_EQ(GetLanguageList().size(), 1);
    EXPECT_FALSE(FindLanguageFileForCode("FR").isEmpty());

    plat::SetExecutableName("other");
    EXPECT_TRUE(GetLanguageList().isEmpty());
    InitLanguage(true, QString(), false, "Français");
    EXPECT_EQ(TranslateMsg("Unable to open %s"), "Unable to open %s");
    EXPECT_EQ(GetLanguageExt(), "en");

    // The only installed file is chosen automatically.
    plat::SetExecutableName("korvane");
    QFile::remove(ProgramFolder() + "Lng/korvane_fr.lng");
    WriteLanguage("qa", NamedLanguage("Qa", "qa"));
    InitLanguage(true, QString(), false, QString());
    EXPECT_EQ(CurrentLanguageCode(), "qa");
    EXPECT_EQ(GetLanguageExt(), "qa");

    WriteLanguage("qb", NamedLanguage("Qb", "qb"));
    InitLanguage(true, QString(), false, QString());
    EXPECT_EQ(GetLanguageExt(), "en");

    // Without automatic detection, no name and no file means English.
    InitLanguage(true, QString(), true, QString());
    EXPECT_EQ(GetLanguageExt(), "en");
}

TEST_F(Language, TheUsersLocaleChoosesTheFile)
{
    WriteLanguage("fr", frenchFile);
    WriteLanguage("de", NamedLanguage("Deutsch", "de"));
    WriteLanguage("sp", NamedLanguage("Español", "sp"));
    const auto probe = [this](const QString& locale) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", locale);
        process.setProcessEnvironment(environment);
        process.start(TestProgramsFolder() + "language_probe", {ProgramFolder()});
        EXPECT_TRUE(process.waitForFinished(PatienceLeft()))
            << "the probe in " << locale.toStdString() << " never ended";
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    EXPECT_EQ(probe("fr_FR.UTF-8"), "fr|fr");
    EXPECT_EQ(probe("de_AT.UTF-8"), "de|de");
    // Spanish looks for "esn" first, then for "sp".
    EXPECT_EQ(probe("es_ES.UTF-8"), "sp|sp");
    EXPECT_EQ(probe("C"), "|en");
}

namespace {

// What the sources give to translate: the literals passed to TranslateMsg and the component names
// the forms list with ListStringsToTranslate->SetProperties({...}).
struct SourceTexts {
    QStringList Messages;
    QStringList Components;
};

const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));

QString unescapedLiterals(const QString& literals)
{
    QString text;
    for (auto match = literal.globalMatch(literals); match.hasNext();) {
        const QString body = match.next().captured(1);
        for (qsizetype i = 0; i < body.size(); ++i) {
            if (body[i] != u'\\' || i + 1 == body.size()) {
                text += body[i];
                continue;
            }
            const QChar escaped = body[++i];
            text += escaped == u'r'   ? QChar(u'\r')
                    : escaped == u'n' ? QChar(u'\n')
                    : escaped == u't' ? QChar(u'\t')
                                      : escaped;
        }
    }
    return text;
}

void scanSource(const QString& source, SourceTexts& texts)
{
    static const QRegularExpression message(QStringLiteral(
        R"re(TranslateMsg\(\s*(?:QStringLiteral\(|QString::fromUtf8\(|QLatin1String\(|u(?="))?\s*((?:"(?:[^"\\\n]|\\.)*"\s*)+))re"));
    static const QRegularExpression list(
        QStringLiteral(R"re(ListStringsToTranslate\s*(?:->|\.)\s*SetProperties\(\s*\{([^}]*)\})re"));
    for (auto match = message.globalMatch(source); match.hasNext();)
        texts.Messages << unescapedLiterals(match.next().captured(1));
    for (auto match = list.globalMatch(source); match.hasNext();) {
        const QString names = match.next().captured(1);
        for (auto name = literal.globalMatch(names); name.hasNext();)
            texts.Components << unescapedLiterals(name.next().captured(0));
    }
}

SourceTexts scanSourceTree(const QString& root)
{
    SourceTexts texts;
    for (const char* folder : {"platform", "foundation", "audio", "engine", "components", "app"}) {
        QDirIterator files(root + QString::fromLatin1(folder), {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.open(QIODevice::ReadOnly))
                scanSource(QString::fromUtf8(file.readAll()), texts);
        }
    }
    texts.Messages.removeDuplicates();
    texts.Components.removeDuplicates();
    return texts;
}

QStringList duplicateKeys(const plat::IniText& file, const QString& section)
{
    QStringList seen, duplicates;
    for (const QString& key : file.ReadSection(section)) {
        if (seen.contains(key, Qt::CaseInsensitive))
            duplicates << key;
        seen << key;
    }
    return duplicates;
}

} // namespace

TEST_F(Language, TheFrenchFileTranslatesEveryTextOfTheProgram)
{
    const QString frenchName = SourceFolder() + "resources/Lng/korvane_fr.lng";
    const QByteArray bytes = ReadFile(frenchName);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes);
    ASSERT_FALSE(utf8.hasError()) << "the French file is not UTF-8";
    const plat::IniText french = plat::IniText::FromBytes(bytes);
    EXPECT_EQ(french.ReadString("Language", "Language", QString()), "Français");
    EXPECT_EQ(french.ReadString("Language", "LanguageExt", QString()), "fr");
    EXPECT_EQ(duplicateKeys(french, "Messages"), QStringList());
    EXPECT_EQ(duplicateKeys(french, "Translations"), QStringList());

    InitLanguage(true, frenchName, true, QString());
    const SourceTexts texts = scanSourceTree(SourceFolder());
    for (const QString& text : texts.Messages) {
        const QString key = TrimBlanks(text); // the key a message is looked up by
        ASSERT_TRUE(plat::IniText::CanWrite("Messages", key))
            << "no language file can hold this text as a key: " << key.toStdString();
        const QString value = french.ReadString("Messages", key, QString());
        if (value.isEmpty()) {
            ADD_FAILURE() << "missing in French: " << key.toStdString();
            continue;
        }
        EXPECT_EQ(value.count("%s"), key.count("%s")) << key.toStdString();
        // The program finds it too, escapes and all.
        EXPECT_EQ(TranslateMsg(text), QString(value).replace(u'^', u'\r').replace(u'~', u'\t'));
    }
    for (const QString& name : texts.Components)
        EXPECT_TRUE(french.ValueExists("Translations", name)) << "missing in French: " << name.toStdString();
}
