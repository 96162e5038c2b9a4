#include "tests/support/temp_world.h"

#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "tests/support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/fsuid.h>

namespace {

const QByteArray environmentNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
constexpr uid_t nobody = 65534;

} // namespace

void TempWorld::SetUp()
{
    root_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/korvane-test-XXXXXX"));
    ASSERT_TRUE(root_->isValid());
    for (const char* folder : {"home", "home/.config", "runtime", "tmp", "program"})
        QDir().mkpath(Root() + QString::fromLatin1(folder));
    QFile::setPermissions(Root() + QStringLiteral("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

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
    for (const auto& [name, value] : savedEnvironment_)
        qputenv(name.constData(), value);
    root_.reset();
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

OrdinaryUserFiles::OrdinaryUserFiles() : savedUser_(setfsuid(nobody)) {}

OrdinaryUserFiles::~OrdinaryUserFiles()
{
    setfsuid(savedUser_);
}
