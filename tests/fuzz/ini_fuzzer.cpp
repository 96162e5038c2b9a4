#include "tests/fuzz/fuzz_check.h"

#include "platform/ini_file.h"

#include <QStringDecoder>

namespace {

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// What a reader of the text sees: its lines, its sections and every value they list.
void RequireSameContent(const plat::IniText& first, const plat::IniText& second)
{
    Require(first.Lines() == second.Lines(), "a saved text loads with the same lines");
    const QStringList sections = first.Sections();
    Require(sections == second.Sections(), "a saved text loads with the same sections");
    for (const QString& section : sections) {
        const std::vector<plat::IniValue> values = first.ReadSectionValues(section);
        const std::vector<plat::IniValue> again = second.ReadSectionValues(section);
        Require(values.size() == again.size(), "a saved text loads with the same keys");
        for (std::size_t i = 0; i < values.size(); ++i) {
            Require(values[i].Key == again[i].Key && values[i].Value == again[i].Value,
                    "a saved text loads with the same values");
            // Each read walks the section: the first keys tell as much as all of them.
            Require(i > 64 ||
                        first.ReadString(section, values[i].Key, QStringLiteral("\x01")) == values[i].Value,
                    "every listed key can be read");
        }
    }
}

// After the text: a section, a key and a value, each behind a zero byte, written and read back.
void RequireWriteReadsBack(plat::IniText text, const QList<QByteArray>& parts)
{
    if (parts.size() < 4)
        return;
    const QString section = decode(parts[1]), key = decode(parts[2]), value = decode(parts[3]);
    if (!plat::IniText::CanWrite(section, key))
        return;
    Require(text.WriteString(section, key, value), "a key that can be written is written");
    QString expected = value;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    Require(text.ReadString(section, key, QString()) == expected, "a written value reads back");
    const plat::IniText saved = plat::IniText::FromBytes(text.ToBytes());
    Require(saved.ReadString(section, key, QString()) == expected, "a written value is saved");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = bytes.split('\0');
    const plat::IniText text = plat::IniText::FromBytes(parts[0]);
    RequireSameContent(text, plat::IniText::FromBytes(text.ToBytes()));
    RequireWriteReadsBack(text, parts);
    return 0;
}
