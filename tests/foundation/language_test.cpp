#include "foundation/language.h"

#include "components/form_registry.h"
#include "components/list_strings.h"
#include "foundation/dlg_m_lang.h"
#include "foundation/exceptions.h"
#include "foundation/useful_string.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
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

class Language : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        plat::SetExecutableName(QStringLiteral("korvane"));
    }
    void TearDown() override
    {
        InitLanguage(false, QString(), true, QString());
        RestoreDialogStrings();
        plat::SetExecutableName(QString());
        TempWorld::TearDown();
    }

    QString WriteLanguage(const QString& code, const QByteArray& content) const
    {
        return WriteFile(QStringLiteral("program/Lng/korvane_") + code + QStringLiteral(".lng"), content);
    }
    static QByteArray NamedLanguage(const QByteArray& name, const QByteArray& ext, const QByteArray& version)
    {
        return "[Language]\nLanguage=" + name + "\nLanguageExt=" + ext + "\nLanguageVersion=" + version +
               "\n";
    }
    void UseFrench() const
    {
        InitLanguage(true, WriteLanguage(QStringLiteral("fr"), frenchFile), true, QString());
    }
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
        Title->setObjectName(QStringLiteral("LabelTitle"));
        Ok = new QPushButton(QStringLiteral("OK"), Window.get());
        Ok->setObjectName(QStringLiteral("ButtonOk"));
        List = new TListStrings(Window.get());
        List->setObjectName(QStringLiteral("ListStringsToTranslate"));
        List->SetProperties({QStringLiteral("LabelTitle"), QStringLiteral("ButtonOk"), QString()});
    }
    void Translate() const { TranslateForm(Window.get(), List->Properties()); }
};

} // namespace

TEST_F(Language, MessagesAreTranslatedOnlyWithTheSameMarkers)
{
    UseFrench();
    EXPECT_EQ(TranslateMsg(QStringLiteral("Unable to open %s")), QStringLiteral("Impossible d'ouvrir %s"));
    // Framing blanks and carriage returns do not hide the key.
    EXPECT_EQ(TranslateMsg(QStringLiteral("\r  Unable to open %s   \r")),
              QStringLiteral("Impossible d'ouvrir %s"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Invalid %s file")), QStringLiteral("Invalid %s file"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Empty")), QStringLiteral("Empty"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Not in the file")), QStringLiteral("Not in the file"));
    // A translation never acts as a format of its own.
    EXPECT_EQ(Format(TranslateMsg(QStringLiteral("Copy %s")), QStringLiteral("a.wav")),
              QStringLiteral("Copie %n%d a.wav"));
}

TEST_F(Language, KeysAreNormalisedAndEscapesBecomeTabsAndReturns)
{
    UseFrench();
    EXPECT_EQ(TranslateMsg(QStringLiteral("Spaced")), QStringLiteral("Espacé = deux"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("spaced")), QStringLiteral("Espacé = deux"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Two lines")), QStringLiteral("Ligne\tun\rLigne deux"));
    EXPECT_EQ(TranslateText(QStringLiteral("LanguageExt"), QString(), lsLanguage), QStringLiteral("fr"));
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("fr"));

    // The English text gets the same escapes, with or without a language.
    EXPECT_EQ(TranslateMsg(QStringLiteral("first^second~third")), QStringLiteral("first\rsecond\tthird"));
    InitLanguage(false, QString(), true, QString());
    EXPECT_EQ(TranslateMsg(QStringLiteral("Two lines^")), QStringLiteral("Two lines\r"));
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("en"));
}

TEST_F(Language, NothingIsTranslatedBeforeTheLanguageIsChosen)
{
    DoneLanguage();
    EXPECT_THROW(TranslateMsg(QStringLiteral("Cancel")), EKorvaneError);
    EXPECT_THROW(GetLanguageExt(), EKorvaneError);
    Form form(QStringLiteral("FormMain"), QStringLiteral("Title"));
    EXPECT_THROW(form.Translate(), EKorvaneError);
    InitLanguage(false, QString(), true, QString());
    EXPECT_EQ(TranslateMsg(QStringLiteral("Cancel")), QStringLiteral("Cancel"));
}

TEST_F(Language, FormsGetTheirOwnEnglishCaptionsBack)
{
    Form first(QStringLiteral("FormFirst"), QStringLiteral("First title"));
    Form second(QStringLiteral("FormSecond"), QStringLiteral("Second title"));
    UseFrench();
    first.Translate();
    second.Translate();
    EXPECT_EQ(first.Title->text(), QStringLiteral("Titre"));
    EXPECT_EQ(second.Title->text(), QStringLiteral("Titre"));
    EXPECT_EQ(first.Ok->text(), QStringLiteral("&Valider"));

    InitLanguage(false, QString(), true, QString());
    first.Translate();
    second.Translate();
    EXPECT_EQ(first.Title->text(), QStringLiteral("First title"));
    EXPECT_EQ(second.Title->text(), QStringLiteral("Second title"));
    EXPECT_EQ(first.Ok->text(), QStringLiteral("OK"));

    // French again, then English: still each form's own caption.
    UseFrench();
    second.Translate();
    InitLanguage(false, QString(), true, QString());
    second.Translate();
    EXPECT_EQ(second.Title->text(), QStringLiteral("Second title"));
}

TEST_F(Language, CaptionsReachMenusActionsAndBoxesButNotEmbeddedPages)
{
    QWidget window;
    window.setObjectName(QStringLiteral("FormMain"));
    auto* menu = new QMenu(QStringLiteral("&File"), &window);
    menu->setObjectName(QStringLiteral("MenuFile"));
    QAction* quit = menu->addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("ActionQuit"));
    auto* group = new QGroupBox(QStringLiteral("Options"), &window);
    group->setObjectName(QStringLiteral("GroupOptions"));
    auto* page = new QWidget(&window);
    page->setObjectName(QStringLiteral("PageLog"));
    FormRegistry::Instance().Register(page);
    auto* pageLabel = new QLabel(QStringLiteral("Log"), page);
    pageLabel->setObjectName(QStringLiteral("LabelPage"));

    UseFrench();
    const QStringList names{QStringLiteral("menufile"), QStringLiteral("ActionQuit"),
                            QStringLiteral("GroupOptions"), QStringLiteral("LabelPage")};
    TranslateForm(&window, names);
    EXPECT_EQ(menu->title(), QStringLiteral("&Fichier"));
    EXPECT_EQ(quit->text(), QStringLiteral("&Quitter"));
    EXPECT_EQ(group->title(), QStringLiteral("Options\tavancées"));
    EXPECT_EQ(pageLabel->text(), QStringLiteral("Log"));
    TranslateForm(page, names);
    EXPECT_EQ(pageLabel->text(), QStringLiteral("Page traduite"));
}

TEST_F(Language, PropertiesAreSetByKind)
{
    QWidget form;
    auto* label = new QLabel(QStringLiteral("Caption"), &form);
    label->setObjectName(QStringLiteral("LabelValue"));
    InitLanguage(false, QString(), true, QString());
    TranslateProperty(&form, QStringLiteral("  Ignored.LabelValue.indent  "), QStringLiteral("12"));
    EXPECT_EQ(label->indent(), 12);
    TranslateProperty(&form, QStringLiteral("LabelValue.indent"), QStringLiteral("twelve"));
    EXPECT_EQ(label->indent(), 12);
    TranslateProperty(&form, QStringLiteral("LabelValue.NoSuchProperty"), QStringLiteral("x"));
    TranslateProperty(&form, QStringLiteral("NoSuchLabel.Caption"), QStringLiteral("x"));
    TranslateProperty(&form, QStringLiteral("LabelValue.Caption"), QStringLiteral("a^b"));
    EXPECT_EQ(label->text(), QStringLiteral("a\rb"));
}

TEST_F(Language, TranslatingAFormSwitchesTheDialogCaptions)
{
    Form form(QStringLiteral("FormMain"), QStringLiteral("Title"));
    WriteLanguage(QStringLiteral("fr"), frenchFile);
    InitLanguage(true, QString(), true, QStringLiteral("Français"));
    EXPECT_EQ(DlgCaption(dcMsgYes), QStringLiteral("&Yes"));
    form.Translate();
    EXPECT_EQ(DlgCaption(dcMsgYes), QStringLiteral("&Oui"));
    InitLanguage(false, QString(), true, QString());
    form.Translate();
    EXPECT_EQ(DlgCaption(dcMsgYes), QStringLiteral("&Yes"));
}

TEST_F(Language, TheLanguageListAndAMenuCaptionPickTheFile)
{
    WriteLanguage(QStringLiteral("fr"), frenchFile);
    WriteLanguage(QStringLiteral("de"), NamedLanguage("Deutsch [Schweiz]", "de", "1.2"));
    WriteLanguage(QStringLiteral("nameless"), NamedLanguage("", "zz", "1"));
    WriteLanguage(QStringLiteral("XX"), NamedLanguage("Template", "xx", "1"));
    WriteLanguage(QStringLiteral("Po"), NamedLanguage("Other", "po", "1"));
    WriteFile(QStringLiteral("program/Lng/other_it.lng"), NamedLanguage("Italiano", "it", "1"));

    const QStringList list = GetLanguageList();
    ASSERT_EQ(list, (QStringList{QStringLiteral("Deutsch (Schweiz) \t [v1.2]"),
                                 QStringLiteral("Français \t [v2.0.0]")}));
    EXPECT_EQ(MakeLanguageListEntry(QStringLiteral("English"), QString()), QStringLiteral("English \t ?"));
    EXPECT_EQ(ExtractLanguageName(QStringLiteral("English \t ?")), QStringLiteral("English"));
    EXPECT_EQ(ExtractLanguageName(QStringLiteral("Français")), QStringLiteral("Français"));

    InitLanguage(true, QString(), true, list[1]);
    EXPECT_EQ(CurrentLanguageCode(), QStringLiteral("fr"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Unable to open %s")), QStringLiteral("Impossible d'ouvrir %s"));

    InitLanguage(true, QString(), true, list[0]);
    EXPECT_EQ(CurrentLanguageCode(), QStringLiteral("de"));
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("de"));

    // The English entry of the menu matches no file: everything is English again.
    InitLanguage(true, QString(), true,
                 MakeLanguageListEntry(QStringLiteral("English"), QStringLiteral("2.0.0")));
    EXPECT_EQ(CurrentLanguageCode(), QString());
    EXPECT_EQ(TranslateMsg(QStringLiteral("Unable to open %s")), QStringLiteral("Unable to open %s"));
}

TEST_F(Language, FilesBelongToTheExecutableByItsBaseName)
{
    WriteLanguage(QStringLiteral("fr"), frenchFile);
    plat::SetExecutableName(QStringLiteral("Korvane.bin"));
    EXPECT_EQ(GetLanguageList().size(), 1);
    EXPECT_FALSE(FindLanguageFileForCode(QStringLiteral("FR")).isEmpty());

    plat::SetExecutableName(QStringLiteral("other"));
    EXPECT_TRUE(GetLanguageList().isEmpty());
    InitLanguage(true, QString(), false, QStringLiteral("Français"));
    EXPECT_EQ(TranslateMsg(QStringLiteral("Unable to open %s")), QStringLiteral("Unable to open %s"));
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("en"));
}

TEST_F(Language, TheOnlyInstalledFileIsChosenAutomatically)
{
    WriteLanguage(QStringLiteral("qa"), NamedLanguage("Qa", "qa", "1"));
    InitLanguage(true, QString(), false, QString());
    EXPECT_EQ(CurrentLanguageCode(), QStringLiteral("qa"));
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("qa"));

    WriteLanguage(QStringLiteral("qb"), NamedLanguage("Qb", "qb", "1"));
    InitLanguage(true, QString(), false, QString());
    EXPECT_EQ(CurrentLanguageCode(), QString());
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("en"));

    // Without automatic detection, no name and no file means English.
    InitLanguage(true, QString(), true, QString());
    EXPECT_EQ(GetLanguageExt(), QStringLiteral("en"));
}

TEST_F(Language, TheUsersLocaleChoosesTheFile)
{
    WriteLanguage(QStringLiteral("fr"), frenchFile);
    WriteLanguage(QStringLiteral("de"), NamedLanguage("Deutsch", "de", "1"));
    WriteLanguage(QStringLiteral("sp"), NamedLanguage("Español", "sp", "1"));
    const auto probe = [this](const QString& locale) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        process.setProcessEnvironment(environment);
        process.start(TestProgramsFolder() + QStringLiteral("language_probe"), {ProgramFolder()});
        EXPECT_TRUE(process.waitForFinished(30000));
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    EXPECT_EQ(probe(QStringLiteral("fr_FR.UTF-8")), QStringLiteral("fr|fr"));
    EXPECT_EQ(probe(QStringLiteral("de_AT.UTF-8")), QStringLiteral("de|de"));
    // Spanish looks for "esn" first, then for "sp".
    EXPECT_EQ(probe(QStringLiteral("es_ES.UTF-8")), QStringLiteral("sp|sp"));
    EXPECT_EQ(probe(QStringLiteral("C")), QStringLiteral("|en"));
}

namespace {

// What the sources give to translate: the literals passed to TranslateMsg and the component names
// the forms list with ListStringsToTranslate->SetProperties({...}).
struct SourceTexts {
    QStringList Messages;
    QStringList Components;
};

QString unescapedLiterals(const QString& literals)
{
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
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
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
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
        QDirIterator files(root + QString::fromLatin1(folder),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
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

// The key a message is looked up by: the English text without its framing blanks.
QString messageKey(const QString& text)
{
    return TrimBlanks(text);
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

TEST(LanguageSources, TheScannerFindsMessagesAndTranslationLists)
{
    SourceTexts texts;
    scanSource(QStringLiteral(R"src(
        Format(TranslateMsg(QStringLiteral("\"%s\" failed")), name);
        TranslateMsg("Plain");   TranslateMsg(u"Wide\r");
        TranslateMsg(QStringLiteral("Joined "
                                    "text"));
        TranslateMsg(command->Name);
        ListStringsToTranslate->SetProperties({QStringLiteral("LabelOne"), QStringLiteral("ButtonTwo")});
    )src"),
               texts);
    EXPECT_EQ(texts.Messages, (QStringList{QStringLiteral("\"%s\" failed"), QStringLiteral("Plain"),
                                           QStringLiteral("Wide\r"), QStringLiteral("Joined text")}));
    EXPECT_EQ(texts.Components, (QStringList{QStringLiteral("LabelOne"), QStringLiteral("ButtonTwo")}));
}

TEST_F(Language, TheFrenchFileTranslatesEveryTextOfTheProgram)
{
    const QString frenchName = SourceFolder() + QStringLiteral("resources/Lng/korvane_fr.lng");
    const QByteArray bytes = ReadFile(frenchName);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(bytes);
    ASSERT_FALSE(utf8.hasError()) << "the French file is not UTF-8";
    ASSERT_FALSE(decoded.isEmpty());
    const plat::IniText french = plat::IniText::FromBytes(bytes);
    EXPECT_EQ(french.ReadString(QStringLiteral("Language"), QStringLiteral("Language"), QString()),
              QStringLiteral("Français"));
    EXPECT_EQ(french.ReadString(QStringLiteral("Language"), QStringLiteral("LanguageExt"), QString()),
              QStringLiteral("fr"));
    EXPECT_EQ(duplicateKeys(french, QStringLiteral("Messages")), QStringList());
    EXPECT_EQ(duplicateKeys(french, QStringLiteral("Translations")), QStringList());

    InitLanguage(true, frenchName, true, QString());
    const SourceTexts texts = scanSourceTree(SourceFolder());
    for (const QString& text : texts.Messages) {
        const QString key = messageKey(text);
        ASSERT_TRUE(plat::IniText::CanWrite(QStringLiteral("Messages"), key))
            << "no language file can hold this text as a key: " << key.toStdString();
        const QString value = french.ReadString(QStringLiteral("Messages"), key, QString());
        if (value.isEmpty()) {
            ADD_FAILURE() << "missing in French: " << key.toStdString();
            continue;
        }
        EXPECT_EQ(value.count(QStringLiteral("%s")), key.count(QStringLiteral("%s"))) << key.toStdString();
        // The program finds it too, escapes and all.
        EXPECT_EQ(TranslateMsg(text), QString(value).replace(u'^', u'\r').replace(u'~', u'\t'));
    }
    for (const QString& name : texts.Components)
        EXPECT_TRUE(french.ValueExists(QStringLiteral("Translations"), name))
            << "missing in French: " << name.toStdString();
}
