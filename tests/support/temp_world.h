#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include <sys/types.h>

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

    // The built program's folder of that name (TooLame, Mplex, Lng, Sounds), with "/". In a world for
    // an ordinary user it is a copy inside the world: the build tree may lie in a private folder.
    QString BuiltFolder(const char* name) const;
    // Puts the built program's tools and resources beside the world's program.
    void LinkBuiltProgramFolders() const;

    // Set by the fixture's constructor (see AsOrdinaryUser) for a test that acts as an ordinary user:
    // its world is then built where such a user can reach it, away from a private temporary folder,
    // open to others, its files made with permissions for others.
    bool ForOrdinaryUser = false;

private:
    std::unique_ptr<QTemporaryDir> root_;
    mode_t savedMask_ = 0;
    std::map<QByteArray, QByteArray> savedEnvironment_;
    ScriptedDialogs* dialogs_ = nullptr;
};

// The fixture World for a test that acts as an ordinary user (OrdinaryUserFiles). Skipped, with the
// reason, where no folder such a user can reach exists.
template <typename World> class AsOrdinaryUser : public World {
protected:
    AsOrdinaryUser() { this->ForOrdinaryUser = true; }
};

// The ordinary user the tests act as: "nobody".
constexpr uid_t OrdinaryUserId = 65534;

// Runs the call in a child process that has become the ordinary user, every one of its ids (so that no
// check takes it for root), and returns what the call returned. Only root can become another user:
// elsewhere nothing runs and the result is empty. The world must be one made for that user
// (AsOrdinaryUser), and the call must not use the test's assertions.
std::optional<QString> InChildAsOrdinaryUser(const std::function<QString()>& call);

// While it lives, this thread's file access is checked as an ordinary user's. The tests run as root,
// who passes every permission check, so a read-only folder would refuse them nothing; the folders the
// user must reach need permissions for others, and the test's world must be one made for that user
// (AsOrdinaryUser). Does nothing for a user who is not root.
class OrdinaryUserFiles {
public:
    OrdinaryUserFiles();
    ~OrdinaryUserFiles();
    OrdinaryUserFiles(const OrdinaryUserFiles&) = delete;
    OrdinaryUserFiles& operator=(const OrdinaryUserFiles&) = delete;

private:
    int savedUser_ = 0;
};
