#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// The interface is written in English and translated at run time from one language file,
// Lng/<executable base name>_<code>.lng beside the executable (UTF-8). Messages are looked up by
// their English text, forms by the object names of their components. In every translated text
// "~" stands for a tab and "^" for a carriage return.

// The sections of a language file, by number.
enum TLanguageSection { lsLanguage = 0, lsTranslations = 1, lsMessages = 2, lsTips = 3 };

QString GetLanguageFolder();

// Chooses and loads the language file: the given file when it exists, else the file whose language
// is languageName (a language menu caption will do), else one found from the user's locale unless
// noAutoDetect. Nothing found, or enabled false, leaves every text in English.
void InitLanguage(bool enabled, const QString& fileName, bool noAutoDetect, const QString& languageName);
bool LoadLanguageFile(const QString& fileName);
// Clears everything at program end and sets the English dialog captions again; the translations
// need a new InitLanguage after it.
void DoneLanguage();

// The translations below throw EKorvaneError "Language has not been initialised" before the
// first InitLanguage.

// The translation of a message, keyed by its English text. A translation with another number of
// "%s" than the English text is not used.
QString TranslateMsg(const QString& text);
QString TranslateText(const QString& key, const QString& defaultText, int section);
// Sets the caption of each named component of the form ("text", "title" or "windowTitle" when it
// has no "Caption" property); a component without a translation gets its English caption back.
void TranslateForm(QObject* form, const QStringList& names);
// Sets the property addressed by "Component.Property" on a component of the form.
void TranslateProperty(QObject* form, const QString& path, const QString& text);
// A form's components are looked for among its descendants, but not inside the forms embedded in it.
// The window side tells which objects are forms; until it does, none is.
void SetFormTest(std::function<bool(const QObject*)> isForm);
// The LanguageExt of the loaded file, "en" when none is loaded.
QString GetLanguageExt();

// The two-letter code of the language chosen, empty for none.
QString CurrentLanguageCode();

// One entry per installed language, sorted: "Name \t [v1.0.0]".
QStringList GetLanguageList();
QString MakeLanguageListEntry(const QString& name, const QString& version);
QString ExtractLanguageName(const QString& entry);
QString GetLanguageNameOfFile(const QString& fileName);

QString GetLocaleLanguageCode();
QString FindLanguageFileForCode(const QString& code);
QString FindLanguageFileByName(const QString& name);
QString AutoDetectLanguageFile();
