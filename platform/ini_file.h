#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// Ini files of our own: "[Section]" headers and "Key=Value" lines, UTF-8, with section and key names
// compared ignoring the case of A to Z only. Keys and values are read trimmed; a value written with
// blanks at either end, or wrapped in double quotes itself, is written inside one pair of double quotes,
// which a read removes again, so every one-line text comes back as it was written. Line breaks inside a
// value become blanks. Lines starting with ";" are comments. Every other line is kept byte for byte.
namespace plat {

// True when both texts are equal once the letters A to Z are folded to lower case.
bool SameTextAscii(const QString& a, const QString& b);

struct IniValue {
    QString Key;
    QString Value;
};

// An ini text held in memory (the role of TMemIniFile): nothing touches a file until the owner saves.
class IniText {
public:
    IniText() = default;
    static IniText FromBytes(const QByteArray& bytes);
    static IniText FromLines(const QStringList& lines);
    // The content of a file: empty when there is no such file, nothing when it exists but cannot be read.
    static std::optional<IniText> Load(const QString& fileName);

    QStringList Lines() const;
    QByteArray ToBytes() const;
    // Replaces the file atomically. Refused, leaving the file as it was, when it is read-only.
    bool SaveAs(const QString& fileName) const;

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList Sections() const;
    QStringList ReadSection(const QString& section) const; // the keys, in file order
    std::vector<IniValue> ReadSectionValues(const QString& section) const;

    // Replaces the first line of the key in place, else adds the key at the end of the section, else adds
    // the section at the end. False (and nothing changed) for a key or section that no line could hold.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // Whether a line could hold this key: not empty, no "=" or line break, not starting with ";" or "[".
    static bool CanWrite(const QString& section, const QString& key);

private:
    struct Line {
        QByteArray raw;
        QByteArray name; // section or key name, folded to lower case; empty for other lines
        enum Kind { Other, Section, Pair } kind = Other;
    };
    static Line parseLine(const QByteArray& raw);
    std::optional<std::size_t> findSection(const QByteArray& folded) const;
    std::optional<std::size_t> findKey(const QString& section, const QString& key) const;
    std::size_t sectionEnd(std::size_t header) const;
    void insertLine(std::size_t at, const QByteArray& raw);

    std::vector<Line> lines_;
    bool crlf_ = false;
    bool byteOrderMark_ = false; // kept when the text is saved again
};

// An ini file on disk (the role of the profile-string calls and TIniFile). Reads see the file as it is
// now. Each write reads the file afresh, changes its one line and replaces the file atomically; between
// BeginUpdate and EndUpdate the writes are collected and EndUpdate writes them in one go, again over a
// fresh reading, so whatever another writer changed meanwhile survives.
class IniFile {
public:
    explicit IniFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    // The file's content as it is now, with the writes of an open update applied.
    IniText ReadAll() const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList Sections() const;
    QStringList ReadSection(const QString& section) const;
    std::vector<IniValue> ReadSectionValues(const QString& section) const;

    // False when the value could not be written (during an update: when it can never be written).
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);

    void BeginUpdate();
    // Ends the outermost update by writing; false when the file could not be written or a write of the
    // update was refused.
    bool EndUpdate();

private:
    struct PendingWrite {
        QString section, key, value;
    };
    bool apply(IniText& text) const;

    QString fileName_;
    int updateCount_ = 0;
    bool updateRefused_ = false;
    std::vector<PendingWrite> pending_;
};

} // namespace plat
