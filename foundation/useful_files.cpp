#include "foundation/useful_files.h"

#include "foundation/browse_for_folder.h"
#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/useful_registry.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/temporary_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Tries after the first deletion, for a name that something else brings back at once.
constexpr int kDeleteRetries = 1000;
// Fresh names tried before a folder's probe gives up on finding one nobody has.
constexpr int kProbeAttempts = 50;

// Never the root: a temporary or work folder there would scatter files across the file system's top.
QString firstFolder(std::initializer_list<QString> candidates)
{
    for (const QString& candidate : candidates) {
        if (FolderExists(candidate) && !plat::IsRootFolder(candidate))
            return plat::WithTrailingSlash(candidate);
    }
    return QString();
}

QString folderPart(const QString& name)
{
    return plat::WithTrailingSlash(ExtractLongFilePath(name));
}

bool refuse(const QString& message)
{
    plat::ShowError(message);
    return false;
}

} // namespace

QString DefaultOutputFolder = GetWorkFolder(QString());
QString DefaultInputFolder = DefaultOutputFolder;

QString GetSystemTempPath()
{
    return plat::TempFolder();
}

QString GetEnvTempFolder()
{
    for (const char* variable : {"TMP", "TEMP"}) {
        const QString value = qEnvironmentVariable(variable);
        if (FolderExists(value))
            return plat::WithTrailingSlash(value);
    }
    return QString();
}

QString GetTempFolder(const QString& preferred)
{
    return firstFolder({preferred, GetSystemTempPath(), GetEnvTempFolder()});
}

QString GetWorkFolder(const QString& preferred)
{
    return firstFolder({preferred, GetPersonalFolder(), GetTempFolder(preferred), QDir::currentPath()});
}

QString GetDefaultOutputFolder(const QString& preferred)
{
    return GetWorkFolder(preferred);
}

QString GetDefaultInputFolder(const QString& preferred)
{
    return GetWorkFolder(preferred);
}

bool CheckFileName(const QString& name, const QString& kind, bool mustExist, bool /*allowNetwork*/)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return refuse(u'\r' + Format(TranslateMsg(QStringLiteral("Invalid %s filename")), kind) + u'\r');
    if (!trimmed.contains(u'/'))
        return refuse(u'\r' + TranslateMsg(QStringLiteral("The filename must contain the full path")) +
                      QStringLiteral("   \r"));
    if (mustExist && !FileExistsEx(trimmed))
        return refuse(
            u'\r' + Format(TranslateMsg(QStringLiteral("The file \"%s\" does not exist")), trimmed) + u'\r');
    return true;
}

bool CheckExistingFileName(const QString& name, const QString& kind, bool allowNetwork)
{
    return CheckFileName(name, kind, true, allowNetwork);
}

bool CheckOutputFileNameEx(const QString& name, const QString& kind, bool /*allowNetwork*/)
{
    QString fileName = QString(name).remove(u'"').trimmed();
    const QString upperKind = kind.toUpper();
    if (fileName.isEmpty())
        return refuse(u'\r' + Format(TranslateMsg(QStringLiteral("Please enter a %s filename")), upperKind) +
                      QStringLiteral("    \r"));
    // Made absolute, the name always has its root and a folder part.
    fileName = QFileInfo(fileName).absoluteFilePath();
    if (IsSystemFolder(fileName))
        return refuse(u'\r' + TranslateMsg(QStringLiteral("Read only folder")) +
                      QStringLiteral(":    \r\r  ") + fileName + u'\r');
    const QString baseName = ExtractFileNameNoExt(fileName);
    if (baseName.isEmpty() || baseName.startsWith(u'.'))
        return refuse(u'\r' + Format(TranslateMsg(QStringLiteral("Invalid %s filename")), upperKind) +
                      QStringLiteral(":    \r\r  ") + fileName + u'\r');
    if (!kind.isEmpty() && GetLowerExtension(fileName) != u'.' + kind.toLower())
        return refuse(u'\r' + Format(TranslateMsg(QStringLiteral("Invalid %s filename")), upperKind) + u'\r');
    return true;
}

bool CheckOutputFileName(const QString& name, bool allowNetwork)
{
    return CheckOutputFileNameEx(name, QString(), allowNetwork);
}

namespace {

// 0 when a new file of that name was made and removed again, else the system's error number.
int CreationError(const QString& name)
{
    // Never open what is there: a probe must not be able to harm a user's file.
    if (name.isEmpty())
        return ENOENT;
    if (FileExistsEx(name))
        return EEXIST;
    const QByteArray path = QFile::encodeName(name);
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return errno;
    ::close(descriptor);
    return ::unlink(path.constData()) == 0 ? 0 : errno;
}

} // namespace

QString NewFileRefusal(const QString& folder)
{
    int error = folder.isEmpty() ? ENOENT : EEXIST;
    for (int attempt = 0; attempt < kProbeAttempts && error == EEXIST; ++attempt)
        error = CreationError(plat::WithTrailingSlash(folder) + QStringLiteral(".korvane-probe-") +
                              QString::number(QRandomGenerator::global()->generate64(), 36));
    if (error == 0 && IsFolderReadOnly(folder))
        error = EACCES;
    return error == 0 ? QString() : qt_error_string(error);
}

QString OutputFileRefusal(const QString& name)
{
    const QString folder = ExtractLongFilePath(name);
    if (const QString refusal = NewFileRefusal(folder); !refusal.isEmpty())
        return refusal;
    const std::size_t limit = plat::NameLimit(QFile::encodeName(folder).toStdString());
    if (std::size_t(QFile::encodeName(QFileInfo(name).fileName()).size()) > limit)
        return qt_error_string(ENAMETOOLONG);
    // Each name may fit while the whole path does not.
    if (QFile::encodeName(QFileInfo(name).absoluteFilePath()).size() >= PATH_MAX)
        return qt_error_string(ENAMETOOLONG);
    return QString();
}

bool CanCreateFile(const QString& name)
{
    return CreationError(name) == 0;
}

bool PrepareOutputFile(const QString& name, QString* cause)
{
    if (FileExistsEx(name) && !DeleteFileIfWritable(name, cause))
        return refuse(TranslateMsg(QStringLiteral("Unable to overwrite")) + QStringLiteral(":\r\r  ") + name +
                      QStringLiteral("\r\r") +
                      TranslateMsg(QStringLiteral("Please be sure that this file is not ReadOnly")) +
                      QStringLiteral("...   "));
    for (int retries = kDeleteRetries; FileExistsEx(name) && retries >= 0; --retries) {
        DeleteFileIfWritable(name);
        plat::PumpEvents();
    }
    if (const int error = CreationError(name); error != 0) {
        if (cause)
            *cause = qt_error_string(error);
        return refuse(TranslateMsg(QStringLiteral("Unable to create")) + QStringLiteral(":\r\r  ") + name +
                      QStringLiteral("\r\r") + TranslateMsg(QStringLiteral("Please check the filename")) +
                      QStringLiteral("...   "));
    }
    return true;
}

QString UncToForwardSlashes(const QString& path)
{
    return path;
}

QString SelectOpenFileName(const QString& kind, const QString& filter, bool allowNetwork,
                           const QString& proposed)
{
    const QString proposedName = QString(proposed).remove(u'"').trimmed();
    plat::FileRequest request;
    request.Title = Format(TranslateMsg(QStringLiteral("Open a %s file")), kind);
    request.Folder = firstFolder({folderPart(proposedName), DefaultInputFolder});
    request.FileName = QFileInfo(proposedName).fileName();
    request.Filter = filter;
    const QString chosen = plat::CurrentDialogs().ChooseOpenFile(request);
    if (chosen.isEmpty() || !CheckExistingFileName(chosen, kind, allowNetwork))
        return QString();
    DefaultInputFolder = folderPart(chosen.trimmed());
    return chosen;
}
