#include "platform/ini_file.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace plat {

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Names compare as the text they read as (bytes that are no UTF-8 read as U+FFFD), so every name a
// listing gives finds its line again.
QByteArray foldedName(const QString& name)
{
    QByteArray folded = name.toUtf8().trimmed();
    for (char& c : folded)
        c = foldAscii(c);
    return folded;
}

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// Qt's plain decoding drops a leading U+FEFF, which in a name or value is a character like any other.
QString decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isAsciiSpace(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isQuoted(const QString& text)
{
    return text.size() >= 2 && text.front() == u'"' && text.back() == u'"';
}

// The same trimming as the reader's, so that what is quoted is exactly what a read would lose.
QString encodeValue(QString value)
{
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    if (value.isEmpty())
        return value;
    if (isAsciiSpace(value.front()) || isAsciiSpace(value.back()) || isQuoted(value))
        return u'"' + value + u'"';
    return value;
}

QString decodeValue(const QByteArray& raw)
{
    const qsizetype equals = raw.indexOf('=');
    QString value = decodeUtf8(raw.mid(equals + 1).trimmed());
    if (isQuoted(value))
        value = value.mid(1, value.size() - 2);
    return value;
}

QString rawKey(const QByteArray& raw)
{
    return decodeUtf8(raw.left(raw.indexOf('=')).trimmed());
}

bool validSection(const QByteArray& section)
{
    return !section.isEmpty() && !section.contains('\r') && !section.contains('\n');
}

bool validKey(const QByteArray& key)
{
    return validSection(key) && !key.contains('=') && !key.startsWith(';') && !key.startsWith('[');
}

std::vector<QByteArray> splitLines(const QByteArray& bytes)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.mid(start));
    return lines;
}

} // namespace

bool SameTextAscii(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        const auto lower = [](char16_t c) {
            return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
        };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

// ---- IniText ----

IniText::Line IniText::parseLine(const QByteArray& raw)
{
    const QByteArray text = raw.trimmed();
    if (text.isEmpty() || text.startsWith(';'))
        return {raw, {}, Line::Other};
    if (text.size() >= 2 && text.startsWith('[') && text.endsWith(']'))
        return {raw, foldedName(decodeUtf8(text.mid(1, text.size() - 2))), Line::Section};
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return {raw, {}, Line::Other};
    const QByteArray key = foldedName(decodeUtf8(text.left(equals)));
    return {raw, key, key.isEmpty() ? Line::Other : Line::Pair};
}

IniText IniText::FromBytes(const QByteArray& bytes)
{
    IniText text;
    text.crlf_ = bytes.contains("\r\n");
    text.byteOrderMark_ = bytes.startsWith(kByteOrderMark);
    for (const QByteArray& raw : splitLines(text.byteOrderMark_ ? bytes.mid(kByteOrderMark.size()) : bytes))
        text.lines_.push_back(parseLine(raw));
    return text;
}

IniText IniText::FromLines(const QStringList& lines)
{
    IniText text;
    for (const QString& line : lines)
        text.lines_.push_back(parseLine(line.toUtf8()));
    return text;
}

std::optional<IniText> IniText::Load(const QString& fileName)
{
    QFile file(fileName);
    if (!QFileInfo::exists(fileName))
        return IniText();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return FromBytes(bytes);
}

QStringList IniText::Lines() const
{
    QStringList lines;
    for (const Line& line : lines_)
        lines.append(decodeUtf8(line.raw));
    return lines;
}

QByteArray IniText::ToBytes() const
{
    const QByteArray end = crlf_ ? QByteArray("\r\n") : QByteArray("\n");
    // A first line that starts with U+FEFF needs a mark before it, or the next reading takes its own.
    const bool firstLineMarked = !lines_.empty() && lines_.front().raw.startsWith(kByteOrderMark);
    QByteArray bytes = byteOrderMark_ || firstLineMarked ? kByteOrderMark : QByteArray();
    for (const Line& line : lines_)
        bytes += line.raw + end;
    return bytes;
}

bool IniText::SaveAs(const QString& fileName) const
{
    // The temporary file and the rename would replace a protected file, so ask first.
    if (IsWriteProtected(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = ToBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<std::size_t> IniText::findSection(const QByteArray& folded) const
{
    if (folded.isEmpty())
        return std::nullopt;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Section && lines_[i].name == folded)
            return i;
    }
    return std::nullopt;
}

std::size_t IniText::sectionEnd(std::size_t header) const
{
    std::size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != Line::Section)
        ++end;
    return end;
}

std::optional<std::size_t> IniText::findKey(const QString& section, const QString& key) const
{
    const auto header = findSection(foldedName(section));
    const QByteArray folded = foldedName(key);
    if (!header || folded.isEmpty())
        return std::nullopt;
    for (std::size_t i = *header + 1, end = sectionEnd(*header); i < end; ++i) {
        if (lines_[i].kind == Line::Pair && lines_[i].name == folded)
            return i;
    }
    return std::nullopt;
}

QString IniText::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const auto line = findKey(section, key);
    return line ? decodeValue(lines_[*line].raw) : defaultValue;
}

bool IniText::SectionExists(const QString& section) const
{
    return findSection(foldedName(section)).has_value();
}

bool IniText::ValueExists(const QString& section, const QString& key) const
{
    return findKey(section, key).has_value();
}

QStringList IniText::Sections() const
{
    QStringList sections;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Section && findSection(lines_[i].name) == i) {
            const QByteArray text = lines_[i].raw.trimmed();
            sections.append(decodeUtf8(text.mid(1, text.size() - 2).trimmed()));
        }
    }
    return sections;
}

std::vector<IniValue> IniText::ReadSectionValues(const QString& section) const
{
    std::vector<IniValue> values;
    const auto header = findSection(foldedName(section));
    if (!header)
        return values;
    std::vector<QByteArray> seen;
    for (std::size_t i = *header + 1, end = sectionEnd(*header); i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Line::Pair || std::find(seen.begin(), seen.end(), line.name) != seen.end())
            continue;
        seen.push_back(line.name);
        values.push_back({rawKey(line.raw), decodeValue(line.raw)});
    }
    return values;
}

QStringList IniText::ReadSection(const QString& section) const
{
    QStringList keys;
    for (const IniValue& value : ReadSectionValues(section))
        keys.append(value.Key);
    return keys;
}

void IniText::insertLine(std::size_t at, const QByteArray& raw)
{
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), parseLine(raw));
}

bool IniText::CanWrite(const QString& section, const QString& key)
{
    return validSection(section.toUtf8().trimmed()) && validKey(key.toUtf8().trimmed());
}

bool IniText::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!CanWrite(section, key))
        return false;
    const QByteArray line = key.toUtf8().trimmed() + '=' + encodeValue(value).toUtf8();
    if (const auto existing = findKey(section, key)) {
        lines_[*existing] = parseLine(line);
        return true;
    }
    if (const auto header = findSection(foldedName(section))) {
        std::size_t last = *header;
        for (std::size_t i = *header + 1, end = sectionEnd(*header); i < end; ++i) {
            if (!lines_[i].raw.trimmed().isEmpty())
                last = i;
        }
        insertLine(last + 1, line);
        return true;
    }
    if (!lines_.empty() && !lines_.back().raw.trimmed().isEmpty())
        insertLine(lines_.size(), QByteArray());
    insertLine(lines_.size(), '[' + section.toUtf8().trimmed() + ']');
    insertLine(lines_.size(), line);
    return true;
}

// ---- IniFile ----

IniFile::IniFile(QString fileName) : fileName_(std::move(fileName)) {}

bool IniFile::apply(IniText& text) const
{
    bool written = true;
    for (const PendingWrite& write : pending_)
        written = text.WriteString(write.section, write.key, write.value) && written;
    return written;
}

IniText IniFile::ReadAll() const
{
    IniText text = IniText::Load(fileName_).value_or(IniText());
    apply(text);
    return text;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return ReadAll().ReadString(section, key, defaultValue);
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    bool ok = false;
    const int value = ReadString(section, key, QString()).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::SectionExists(const QString& section) const
{
    return ReadAll().SectionExists(section);
}

bool IniFile::ValueExists(const QString& section, const QString& key) const
{
    return ReadAll().ValueExists(section, key);
}

QStringList IniFile::Sections() const
{
    return ReadAll().Sections();
}

QStringList IniFile::ReadSection(const QString& section) const
{
    return ReadAll().ReadSection(section);
}

std::vector<IniValue> IniFile::ReadSectionValues(const QString& section) const
{
    return ReadAll().ReadSectionValues(section);
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (!IniText::CanWrite(section, key)) {
        updateRefused_ = updateRefused_ || updateCount_ > 0;
        return false;
    }
    if (updateCount_ > 0) {
        pending_.push_back({section, key, value});
        return true;
    }
    std::optional<IniText> text = IniText::Load(fileName_);
    return text && text->WriteString(section, key, value) && text->SaveAs(fileName_);
}

bool IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

void IniFile::BeginUpdate()
{
    ++updateCount_;
}

bool IniFile::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0)
        return true;
    const bool refused = std::exchange(updateRefused_, false);
    if (pending_.empty())
        return !refused;
    // Read the file again now: it may have changed since the update began.
    std::optional<IniText> text = IniText::Load(fileName_);
    const bool written = text && apply(*text) && text->SaveAs(fileName_);
    pending_.clear();
    return written && !refused;
}

} // namespace plat
