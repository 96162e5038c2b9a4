#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Replaces each "%s" in order by the next argument and "%%" by "%"; everything else stays as written,
// so a translated text can never act as a format of its own.
QString FormatList(const QString& format, const QStringList& arguments);

template <typename... Arguments> QString Format(const QString& format, const Arguments&... arguments)
{
    return FormatList(format, QStringList{QString(arguments)...});
}

// The text without the blanks and control characters at either end (every character up to the space).
QString TrimBlanks(const QString& text);

// Texts tests and edits. "NoCase" compares ignoring the case of letters. Positions are 1-based, 0 for none.
bool ContainsTextNoCase(const QString& text, const QString& part);
QString RemoveFirst(const QString& text, const QString& part);
QString RemoveFirstNoCase(const QString& text, const QString& part);
// Counts by deleting the first occurrence until none is left, so "ab" in "aabb" counts 2.
int CountOccurrences(const QString& text, const QString& part);
bool StartsWith(const QString& text, const QString& prefix);
bool StartsWithNoCase(const QString& text, const QString& prefix);
bool EndsWith(const QString& text, const QString& suffix);
int PosNoCase(const QString& part, const QString& text);

// Replaces the first occurrence of the old text by the new one, again and again until none is left, so
// "  " by " " collapses any run of blanks and "ab" by "ba" turns "aab" into "baa". A new text holding
// the old one (which would grow for ever) goes in once at each place the old text held, left to right.
QString ReplaceString(const QString& text, const QString& oldText, const QString& newText, bool firstOnly);
QString ReplaceStringNoCase(const QString& text, const QString& oldText, const QString& newText,
                            bool firstOnly);

// Lines such as <log level="information">Done</log>.
QString GetTagContent(const QString& line, const QString& tag);
bool StartsWithTag(const QString& line, const QString& tag);
QString GetAttributeValue(const QString& line, const QString& name);

// "H:MM:SS" with at least two digits each and hours without limit; a negative duration counts as 0.
QString SecondsToTimeStr(std::int64_t seconds);
QString MillisecondsToTimeStr(std::int64_t milliseconds);
