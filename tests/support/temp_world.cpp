#include "tests/support/temp_world.h"

#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "tests/support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray environmentNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
const auto openToOthers = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// Whether the world the current test runs in was made for an ordinary user.
bool worldForOrdinaryUser = false;

// The first folder in which an ordinary user can reach a world: the temporary folder, unless it lies
// in a private folder (a private TMPDIR, a clone in root's home), then the system's shared ones.
QString folderOrdinaryUserReaches()
{
    for (const QString& folder :
         {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"), QStringLiteral("/dev/shm")}) {
        const int savedUser = setfsuid(OrdinaryUserId);
        struct stat entry {};
        const bool reached =
            ::stat(QFile::encodeName(folder + QStringLiteral("/.")).constData(), &entry) == 0;
        setfsuid(savedUser);
        if (reached)
            return folder;
    }
    return {};
}

// Opens a folder of the tree for its owner to empty, never through a symbolic link; tests lock folders
// to see refusals.
int openForOwner(int parent, const char* name, mode_t mode)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int folder = ::openat(parent, name, flags);
    if (folder < 0 && errno == EACCES) {
        // Not a link, or the open would have said so: only the folder itself takes the new mode.
        ::fchmodat(parent, name, mode | S_IRWXU, 0);
        folder = ::openat(parent, name, flags);
    }
    if (folder >= 0 && (mode & S_IRWXU) != S_IRWXU)
        ::fchmod(folder, mode | S_IRWXU);
    return folder;
}

// Removes a tree by the bytes of its names: a name that is not UTF-8 has no QString that leads back to
// it, and Qt's own removal leaves it behind. Links are removed, not followed, and no other file system
// is entered.
void removeTree(int parent, const char* name, dev_t device)
{
    struct stat entry {};
    if (::fstatat(parent, name, &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(entry.st_mode)) {
        ::unlinkat(parent, name, 0);
        return;
    }
    if (entry.st_dev != device)
        return;
    const int folder = openForOwner(parent, name, entry.st_mode & 07777);
    if (folder < 0)
        return;
    DIR* listing = ::fdopendir(folder);
    if (!listing) {
        ::close(folder);
        return;
    }
    std::vector<std::string> children;
    while (const dirent* child = ::readdir(listing))
        if (std::strcmp(child->d_name, ".") != 0 && std::strcmp(child->d_name, "..") != 0)
            children.emplace_back(child->d_name);
    for (const std::string& child : children)
        removeTree(folder, child.c_str(), device);
    ::closedir(listing);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

} // namespace

void TempWorld::SetUp()
{
    QString parent = QDir::tempPath();
    if (ForOrdinaryUser) {
        parent = folderOrdinaryUserReaches();
        // Files the test makes must be readable by that user whatever the caller's mask.
        savedMask_ = ::umask(022);
    }
    worldForOrdinaryUser = ForOrdinaryUser && !parent.isEmpty();
    root_ = std::make_unique<QTemporaryDir>((parent.isEmpty() ? QDir::tempPath() : parent) +
                                            QStringLiteral("/korvane-test-XXXXXX"));
    ASSERT_TRUE(root_->isValid());
    for (const char* folder : {"home", "home/.config", "runtime", "tmp", "program"})
        QDir().mkpath(Root() + QString::fromLatin1(folder));
    QFile::setPermissions(Root() + QStringLiteral("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The folders inside were made under the open mask.
    if (ForOrdinaryUser)
        QFile::setPermissions(Root(), openToOthers);

    for (const QByteArray& name : environmentNames)
        savedEnvironment_[name] = qgetenv(name.constData());
    qputenv("HOME", Home().toUtf8());
    qputenv("XDG_CONFIG_HOME", ConfigHome().toUtf8());
    qputenv("XDG_RUNTIME_DIR", (Root() + QStringLiteral("runtime")).toUtf8());
    qputenv("TMPDIR", Temp().toUtf8());
    plat::SetProgramFolder(ProgramFolder());
    plat::SetExecutableName(QStringLiteral("korvane"));

    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    plat::InstallDialogs(std::move(dialogs));
    if (ForOrdinaryUser && parent.isEmpty())
        GTEST_SKIP() << "No folder that an ordinary user can enter holds the test's files: neither "
                     << QDir::tempPath().toStdString() << " nor /tmp, /var/tmp or /dev/shm";
}

void TempWorld::TearDown()
{
    // The next test starts in English, as the test program does, whatever this one chose.
    DoneLanguage();
    InitLanguage(false, QString(), true, QString());
    ErrorPrefix = QStringLiteral("ERROR");
    WarningPrefix = QStringLiteral("WARNING");
    plat::InstallDialogs(nullptr);
    dialogs_ = nullptr;
    plat::SetProgramFolder(QString());
    plat::SetExecutableName(QString());
    SetSystemFoldersRoot(QString());
    for (const auto& [name, value] : savedEnvironment_)
        qputenv(name.constData(), value);
    if (root_) {
        root_->setAutoRemove(false);
        const QByteArray root = QFile::encodeName(root_->path());
        struct stat entry {};
        if (::lstat(root.constData(), &entry) == 0)
            removeTree(AT_FDCWD, root.constData(), entry.st_dev);
        EXPECT_TRUE(::lstat(root.constData(), &entry) != 0 && errno == ENOENT)
            << "the test left files behind in " << root.toStdString();
    }
    root_.reset();
    if (ForOrdinaryUser)
        ::umask(savedMask_);
    worldForOrdinaryUser = false;
}

QString TempWorld::Root() const
{
    return root_->path() + u'/';
}

QString TempWorld::Home() const
{
    return Root() + QStringLiteral("home/");
}

QString TempWorld::ConfigHome() const
{
    return Home() + QStringLiteral(".config/");
}

QString TempWorld::Temp() const
{
    return Root() + QStringLiteral("tmp/");
}

QString TempWorld::ProgramFolder() const
{
    return Root() + QStringLiteral("program/");
}

QString TempWorld::WriteFile(const QString& relativeName, const QByteArray& content) const
{
    const QString fileName = QDir::isAbsolutePath(relativeName) ? relativeName : Root() + relativeName;
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << fileName.toStdString();
    file.write(content);
    return fileName;
}

QByteArray TempWorld::ReadFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TempWorld::BuiltProgramFolder()
{
    return QStringLiteral(KORVANE_BIN_DIR "/");
}

QString TempWorld::SourceFolder()
{
    return QStringLiteral(KORVANE_SOURCE_DIR "/");
}

QString TempWorld::TestProgramsFolder()
{
    return QStringLiteral(KORVANE_TEST_PROGRAMS_DIR "/");
}

void TempWorld::LinkBuiltProgramFolders() const
{
    for (const char* folder : {"TooLame", "Mplex", "Lng", "Sounds"})
        QFile::link(BuiltFolder(folder).chopped(1), ProgramFolder() + folder);
}

QString TempWorld::BuiltFolder(const char* name) const
{
    const QString built = BuiltProgramFolder() + QString::fromLatin1(name) + u'/';
    if (!ForOrdinaryUser)
        return built;
    const QString copy = Root() + QStringLiteral("built/") + QString::fromLatin1(name) + u'/';
    if (!QDir(copy).exists()) {
        QDir().mkpath(copy);
        for (const QString& file : QDir(built).entryList(QDir::Files))
            EXPECT_TRUE(QFile::copy(built + file, copy + file)) << (built + file).toStdString();
    }
    return copy;
}

std::optional<QString> InChildAsOrdinaryUser(const std::function<QString()>& call)
{
    if (::geteuid() != 0)
        return std::nullopt;
    EXPECT_TRUE(worldForOrdinaryUser) << "the child must reach the test's world (AsOrdinaryUser)";
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe to the child";
        return QString();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::setgroups(0, nullptr) != 0 ||
            ::setresgid(OrdinaryUserId, OrdinaryUserId, OrdinaryUserId) != 0 ||
            ::setresuid(OrdinaryUserId, OrdinaryUserId, OrdinaryUserId) != 0)
            ::_exit(2);
        const QByteArray result = call().toUtf8();
        ::_exit(::write(ends[1], result.constData(), result.size()) == result.size() ? 0 : 3);
    }
    ::close(ends[1]);
    QByteArray result;
    char buffer[4096];
    for (ssize_t count; (count = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, count);
    ::close(ends[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ADD_FAILURE() << "the child could not act as the ordinary user";
    return QString::fromUtf8(result);
}

OrdinaryUserFiles::OrdinaryUserFiles() : savedUser_(setfsuid(OrdinaryUserId))
{
    EXPECT_TRUE(worldForOrdinaryUser)
        << "a test acting as an ordinary user needs a world made for that user (AsOrdinaryUser)";
}

OrdinaryUserFiles::~OrdinaryUserFiles()
{
    setfsuid(savedUser_);
}
