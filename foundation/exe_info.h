#pragma once

#include <QString>

// The ten standard version strings of an executable, for one language of its string table.
class TInfoExe {
public:
    QString Lang = QStringLiteral("040C");
    QString FileName;
    QString CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright, LegalTradeMarks,
        OriginalFilename, ProductName, ProductVersion, Comments;

    void SetLang(const QString& lang) { Lang = lang; }
    void SetFileName(const QString& fileName) { FileName = fileName; }
    // Leaves every value as it was when the file has no version strings.
    void Read();
    QString GetFileVersion() const { return FileVersion; }
};
