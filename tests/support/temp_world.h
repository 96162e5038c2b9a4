#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

class ScriptedDialogs;

// Every test gets a world of its own: a fresh home, configuration, runtime and temporary folder,
// an empty program folder for an executable named "korvane", and scripted dialogs in place of modal
// windows. It ends in English, whatever language the test chose.
class TempWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Folder texts end with "/".
    QString Root() const;
    QString Home() const;
    QString ConfigHome() const;
    QString Temp() const;
    QString ProgramFolder() const;

    // Writes a file (creating its folders) and returns its full name.
    QString WriteFile(const QString& relativeName, const QByteArray& content) const;
    static QByteArray ReadFile(const QString& fileName);

    // The folder of the built program, with its tools and resources.
    static QString BuiltProgramFolder();
    static QString SourceFolder();
    static QString TestProgramsFolder();

    ScriptedDialogs& Dialogs() const { return *dialogs_; }

private:
    std::unique_ptr<QTemporaryDir> root_;
    std::map<QByteArray, QByteArray> savedEnvironment_;
    ScriptedDialogs* dialogs_ = nullptr;
};

// While it lives, this thread's file access is checked as an ordinary user's. The tests run as root,
// who passes every permission check, so a read-only folder would refuse them nothing; the folders the
// user must reach need permissions for others. Does nothing for a user who is not root.
class OrdinaryUserFiles {
public:
    OrdinaryUserFiles();
    ~OrdinaryUserFiles();
    OrdinaryUserFiles(const OrdinaryUserFiles&) = delete;
    OrdinaryUserFiles& operator=(const OrdinaryUserFiles&) = delete;

private:
    int savedUser_ = 0;
};
