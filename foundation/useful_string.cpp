#include "foundation/useful_string.h"

#include <algorithm>
#include <limits>

QString TrimBlanks(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first].unicode() <= u' ')
        ++first;
    while (last > first && text[last - 1].unicode() <= u' ')
        --last;
    return text.mid(first, last - first);
}

QString FormatList(const QString& format, const QStringList& arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const bool marker = format[i] == u'%' && i + 1 < format.size();
        if (marker && format[i + 1] == u'%') {
            result += u'%';
            ++i;
        } else if (marker && format[i + 1] == u's' && next < arguments.size()) {
            result += arguments[next++];
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

namespace {

QString removeFirst(const QString& text, const QString& part, Qt::CaseSensitivity cs)
{
    const qsizetype at = part.isEmpty() ? -1 : text.indexOf(part, 0, cs);
    return at < 0 ? text : QString(text).remove(at, part.size());
}

QString replace(const QString& text, const QString& oldText, const QString& newText, bool firstOnly,
                Qt::CaseSensitivity cs)
{
    if (text.isEmpty() || oldText.isEmpty() || oldText.compare(newText, cs) == 0)
        return text;
    QString result = text;
    // A new text holding the old one would be found again in every pass and grow for ever: it goes in
    // once at each place the old one held, left to right, and what it brings is not searched again.
    if (!firstOnly && newText.contains(oldText, cs))
        return result.replace(oldText, newText, cs);
    // Every pass searches from the start again, so an occurrence that a replacement joins is replaced
    // too. A shorter new text shortens the text each pass; a longer one may still never settle ("ab" by
    // "bbaa"), so its passes are bounded by the square of the text's length.
    const qsizetype maxPasses =
        firstOnly ? 1 : (newText.size() < oldText.size() ? text.size() : text.size() * text.size() + 1);
    for (qsizetype pass = 0; pass < maxPasses; ++pass) {
        const qsizetype at = result.indexOf(oldText, 0, cs);
        if (at < 0)
            break;
        result.replace(at, oldText.size(), newText);
    }
    return result;
}

QString twoDigits(std::int64_t number)
{
    return QString::number(number).rightJustified(2, u'0');
}

} // namespace

bool ContainsTextNoCase(const QString& text, const QString& part)
{
    return !text.isEmpty() && !part.isEmpty() && text.contains(part, Qt::CaseInsensitive);
}

QString RemoveFirst(const QString& text, const QString& part)
{
    return removeFirst(text, part, Qt::CaseSensitive);
}

QString RemoveFirstNoCase(const QString& text, const QString& part)
{
    return removeFirst(text, part, Qt::CaseInsensitive);
}

int CountOccurrences(const QString& text, const QString& part)
{
    if (text.isEmpty() || part.isEmpty())
        return 0;
    int count = 0;
    QString work = text;
    for (qsizetype at = work.indexOf(part); at >= 0; at = work.indexOf(part)) {
        work.remove(at, part.size());
        ++count;
    }
    return count;
}

bool StartsWith(const QString& text, const QString& prefix)
{
    return !text.isEmpty() && !prefix.isEmpty() && text.startsWith(prefix);
}

bool StartsWithNoCase(const QString& text, const QString& prefix)
{
    return !text.isEmpty() && !prefix.isEmpty() && text.startsWith(prefix, Qt::CaseInsensitive);
}

bool EndsWith(const QString& text, const QString& suffix)
{
    return !text.isEmpty() && !suffix.isEmpty() && text.endsWith(suffix);
}

int PosNoCase(const QString& part, const QString& text)
{
    return part.isEmpty() ? 0 : int(text.indexOf(part, 0, Qt::CaseInsensitive) + 1);
}

QString ReplaceString(const QString& text, const QString& oldText, const QString& newText, bool firstOnly)
{
    return replace(text, oldText, newText, firstOnly, Qt::CaseSensitive);
}

QString ReplaceStringNoCase(const QString& text, const QString& oldText, const QString& newText,
                            bool firstOnly)
{
    return replace(text, oldText, newText, firstOnly, Qt::CaseInsensitive);
}

QString GetTagContent(const QString& line, const QString& tag)
{
    QString content = RemoveFirst(line, u'<' + tag);
    content = RemoveFirst(content, QStringLiteral("</") + tag + u'>').trimmed();
    return content.mid(content.indexOf(u'>') + 1);
}

bool StartsWithTag(const QString& line, const QString& tag)
{
    return line.startsWith(u'<' + tag + u'>') || line.startsWith(u'<' + tag + u' ');
}

QString GetAttributeValue(const QString& line, const QString& name)
{
    const QString marker = u' ' + name + QStringLiteral("=\"");
    const qsizetype at = line.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    const qsizetype start = at + marker.size();
    const qsizetype end = line.indexOf(u'"', start);
    return line.mid(start, end < 0 ? -1 : end - start).trimmed();
}

QString SecondsToTimeStr(std::int64_t seconds)
{
    const std::int64_t largest = std::numeric_limits<std::int64_t>::max() / 1000;
    return MillisecondsToTimeStr(std::clamp<std::int64_t>(seconds, 0, largest) * 1000);
}

QString MillisecondsToTimeStr(std::int64_t milliseconds)
{
    const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
    return twoDigits(seconds / 3600) + u':' + twoDigits(seconds % 3600 / 60) + u':' + twoDigits(seconds % 60);
}
