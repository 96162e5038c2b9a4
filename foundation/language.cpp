#include "foundation/language.h"

#include "foundation/dlg_m_lang.h"
#include "foundation/exceptions.h"
#include "foundation/system_info.h"
#include "foundation/useful_string.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMetaProperty>

#include <optional>

namespace {

const QString languageSection = QStringLiteral("Language");
const QString translationsSection = QStringLiteral("Translations");
const QString messagesSection = QStringLiteral("Messages");
const QString marker = QStringLiteral("%s");

struct LanguageState {
    bool enabled = false;
    bool initialised = false;
    QString loadedFile;
    std::optional<plat::IniText> content;
    QString code;
    QString dialogCode;
    // The untranslated captions, per form and lower-cased component name.
    QHash<const QObject*, QHash<QString, QString>> captions;
};

LanguageState& state()
{
    static LanguageState languageState;
    return languageState;
}

std::function<bool(const QObject*)>& formTest()
{
    static std::function<bool(const QObject*)> isForm;
    return isForm;
}

bool isForm(const QObject* object)
{
    return formTest() && formTest()(object);
}

void requireInitialised()
{
    if (!state().initialised)
        throw EKorvaneError(QStringLiteral("Language has not been initialised"));
}

bool translating()
{
    return state().enabled && state().content.has_value();
}

QString unescaped(QString text)
{
    text.replace(u'~', u'\t');
    text.replace(u'^', u'\r');
    return text;
}

QString sectionName(int section)
{
    switch (section) {
    case lsLanguage:
        return languageSection;
    case lsTranslations:
        return translationsSection;
    case lsTips:
        return QStringLiteral("Tips");
    default:
        return messagesSection;
    }
}

// "Key   =Value" becomes "Key=Value"; tabs become blanks; a blank before a later "=" stays.
QString normalisedLine(const QString& line)
{
    QString text = line.trimmed();
    text.replace(u'\t', u' ');
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return text;
    qsizetype keyEnd = equals;
    while (keyEnd > 0 && text[keyEnd - 1] == u' ')
        --keyEnd;
    return text.left(keyEnd) + text.mid(equals);
}

std::optional<plat::IniText> readLanguageFile(const QString& fileName)
{
    const std::optional<plat::IniText> raw = plat::IniText::Load(fileName);
    if (!raw)
        return std::nullopt;
    QStringList lines = raw->Lines();
    for (QString& line : lines)
        line = normalisedLine(line);
    return plat::IniText::FromLines(lines);
}

QString readLanguageValue(const QString& fileName, const QString& key)
{
    const std::optional<plat::IniText> text = plat::IniText::Load(fileName);
    return text ? text->ReadString(languageSection, key, QString()) : QString();
}

QString baseName()
{
    const QString name = plat::ExecutableName();
    return name.left(name.indexOf(u'.'));
}

// The language files in the folder, in name order so the choice is the same on every machine.
QStringList installedLanguageFiles()
{
    const QDir folder(GetLanguageFolder());
    const QStringList names =
        folder.entryList({baseName() + QStringLiteral("_*.lng")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    QStringList files;
    for (const QString& name : names)
        files << folder.filePath(name);
    return files;
}

// The first two letters of what follows "<base>_" in a language file's name.
QString codeOfFileName(const QString& fileName)
{
    return QFileInfo(fileName).fileName().mid(baseName().size() + 1, 2).toLower();
}

// The objects a form owns: its descendants, without the forms embedded in it.
QObject* findComponent(QObject* form, const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    QObjectList queue = form->children();
    while (!queue.isEmpty()) {
        QObject* object = queue.takeFirst();
        if (isForm(object))
            continue;
        if (object->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return object;
        queue += object->children();
    }
    return nullptr;
}

// A caption is held by "Caption" on our own components and by "text", "title" or "windowTitle" on
// Qt's; other property names are matched ignoring case.
QMetaProperty findProperty(const QObject* component, const QString& name)
{
    const QMetaObject* meta = component->metaObject();
    QStringList candidates{name};
    if (name.compare(QStringLiteral("Caption"), Qt::CaseInsensitive) == 0)
        candidates << QStringLiteral("text") << QStringLiteral("title") << QStringLiteral("windowTitle");
    for (const QString& candidate : candidates)
        for (int i = 0; i < meta->propertyCount(); ++i)
            if (candidate.compare(QLatin1String(meta->property(i).name()), Qt::CaseInsensitive) == 0)
                return meta->property(i);
    return QMetaProperty();
}

QString propertyText(const QObject* component, const QMetaProperty& property)
{
    const QVariant value = property.read(component);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

void writeProperty(QObject* component, const QMetaProperty& property, const QString& text)
{
    switch (property.typeId()) {
    case QMetaType::QString:
        property.write(component, text);
        break;
    case QMetaType::Int: {
        // A number that does not read leaves the property alone.
        bool ok = false;
        const int number = text.trimmed().toInt(&ok);
        if (ok)
            property.write(component, number);
        break;
    }
    case QMetaType::QStringList: {
        QStringList items = text.split(u',');
        for (QString& item : items)
            item = item.trimmed();
        property.write(component, items);
        break;
    }
    default:
        break;
    }
}

QHash<QString, QString>& captionsOf(QObject* form)
{
    auto& captions = state().captions;
    if (!captions.contains(form))
        QObject::connect(form, &QObject::destroyed, [](QObject* gone) { state().captions.remove(gone); });
    return captions[form];
}

void applyDialogCaptions()
{
    LanguageState& s = state();
    if (s.code == s.dialogCode)
        return;
    s.dialogCode = s.code;
    ApplyDialogLanguage(s.code);
}

} // namespace

QString GetLanguageFolder()
{
    return plat::ProgramFolder() + QStringLiteral("Lng/");
}

void InitLanguage(bool enabled, const QString& fileName, bool noAutoDetect, const QString& languageName)
{
    LanguageState& s = state();
    s.enabled = enabled;
    s.initialised = true;
    if (s.enabled) {
        QString chosen;
        if (!fileName.isEmpty() && QFileInfo::exists(fileName))
            chosen = fileName;
        else if (!languageName.isEmpty())
            chosen = FindLanguageFileByName(ExtractLanguageName(languageName));
        else if (!noAutoDetect)
            chosen = AutoDetectLanguageFile();
        s.enabled = !chosen.isEmpty() && LoadLanguageFile(chosen);
    }
    if (!s.enabled) {
        s.content.reset();
        s.loadedFile.clear();
        s.code.clear();
    }
    // The boxes shown before any form is translated (the tool checks at start) speak the language too.
    applyDialogCaptions();
}

bool LoadLanguageFile(const QString& fileName)
{
    LanguageState& s = state();
    if (fileName.isEmpty() || !QFileInfo::exists(fileName))
        return false;
    if (fileName == s.loadedFile)
        return true;
    s.loadedFile = fileName;
    s.content = readLanguageFile(fileName);
    if (!s.content)
        s.loadedFile.clear();
    return s.content.has_value();
}

void DoneLanguage()
{
    state() = LanguageState();
    RestoreDialogStrings();
}

QString TranslateMsg(const QString& text)
{
    return TranslateText(text, text, lsMessages);
}

QString TranslateText(const QString& key, const QString& defaultText, int section)
{
    requireInitialised();
    QString result = defaultText;
    if (translating())
        result = state().content->ReadString(sectionName(section), TrimBlanks(key), defaultText);
    result = TrimBlanks(result);
    if (result.isEmpty() || result.count(marker) != defaultText.count(marker))
        result = defaultText;
    return unescaped(result);
}

void TranslateForm(QObject* form, const QStringList& names)
{
    requireInitialised();
    applyDialogCaptions();
    for (const QString& name : names) {
        if (name.isEmpty())
            continue;
        const QString text =
            translating() ? state().content->ReadString(translationsSection, name, QString()) : QString();
        TranslateProperty(form, name + QStringLiteral(".Caption"), text);
    }
}

void TranslateProperty(QObject* form, const QString& path, const QString& text)
{
    const QString trimmedPath = path.trimmed();
    if (trimmedPath.isEmpty())
        return;
    const QStringList parts = trimmedPath.split(u'.');
    if (parts.size() < 2)
        return;
    QObject* component = findComponent(form, parts[parts.size() - 2]);
    if (!component)
        return;
    const QMetaProperty property = findProperty(component, parts.last());
    if (!property.isValid())
        return;

    QHash<QString, QString>& captions = captionsOf(form);
    const QString key = component->objectName().toLower();
    QString caption = unescaped(text);
    if (caption.isEmpty())
        caption = captions.value(key);
    const QString current = propertyText(component, property);
    if (!current.isEmpty() && !captions.contains(key))
        captions.insert(key, current);
    if (!caption.isEmpty())
        writeProperty(component, property, caption);
}

void SetFormTest(std::function<bool(const QObject*)> test)
{
    formTest() = std::move(test);
}

QString GetLanguageExt()
{
    requireInitialised();
    const QString ext = translating()
                            ? state().content->ReadString(languageSection, QStringLiteral("LanguageExt"),
                                                          QStringLiteral("en"))
                            : QStringLiteral("en");
    return ext.trimmed().toLower();
}

QString CurrentLanguageCode()
{
    return state().code;
}

QStringList GetLanguageList()
{
    const QString base = baseName();
    const QStringList excluded{base + QStringLiteral("_po.lng"), base + QStringLiteral("_xx.lng")};
    QStringList entries;
    for (const QString& file : installedLanguageFiles()) {
        const QString fileName = QFileInfo(file).fileName();
        if (excluded.contains(fileName, Qt::CaseInsensitive))
            continue;
        const QString name = GetLanguageNameOfFile(file);
        if (!name.isEmpty())
            entries << MakeLanguageListEntry(name,
                                             readLanguageValue(file, QStringLiteral("LanguageVersion")));
    }
    entries.sort();
    return entries;
}

QString MakeLanguageListEntry(const QString& name, const QString& version)
{
    const QString shown = version.trimmed().left(5);
    return name + QStringLiteral(" \t ") +
           (shown.isEmpty() ? QStringLiteral("?") : QStringLiteral("[v") + shown + u']');
}

QString ExtractLanguageName(const QString& entry)
{
    QString name = entry;
    for (const QChar end : {QChar(u'\t'), QChar(u'['), QChar(u'?')}) {
        const qsizetype at = name.indexOf(end);
        if (at >= 0)
            name.truncate(at);
    }
    return name.trimmed();
}

QString GetLanguageNameOfFile(const QString& fileName)
{
    QString name = readLanguageValue(fileName, QStringLiteral("Language"));
    name.replace(u'[', u'(');
    name.replace(u']', u')');
    return name;
}

QString GetLocaleLanguageCode()
{
    const QString code = GetUserLocaleLanguage().left(2).toLower();
    if (code == QStringLiteral("es"))
        return QStringLiteral("sp");
    if (code == QStringLiteral("po"))
        return QStringLiteral("pl");
    return code;
}

QString FindLanguageFileForCode(const QString& code)
{
    if (code.size() < 2)
        return QString();
    const QString candidate =
        GetLanguageFolder() + (baseName() + u'_' + code).toLower() + QStringLiteral(".lng");
    if (!QFileInfo::exists(candidate))
        return QString();
    state().code = code.left(2).toLower();
    return candidate;
}

QString FindLanguageFileByName(const QString& name)
{
    state().code.clear();
    for (const QString& file : installedLanguageFiles()) {
        if (GetLanguageNameOfFile(file).compare(name, Qt::CaseInsensitive) == 0) {
            state().code = readLanguageValue(file, QStringLiteral("LanguageExt")).trimmed().toLower();
            return file;
        }
    }
    return QString();
}

QString AutoDetectLanguageFile()
{
    state().code.clear();
    QString file = FindLanguageFileForCode(GetUserLocaleLanguage());
    if (file.isEmpty())
        file = FindLanguageFileForCode(GetLocaleLanguageCode());
    if (!file.isEmpty())
        return file;
    const QStringList installed = installedLanguageFiles();
    if (installed.size() != 1)
        return QString();
    state().code = codeOfFileName(installed.first());
    return installed.first();
}
