#include "tests/support/device_nodes.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

dev_t number(Device device)
{
    return device == Device::Zero ? makedev(1, 5) : makedev(1, 7);
}

QString refusal(const char* call, const QString& name, const char* likely)
{
    return QStringLiteral("No device of the test's own: %1 %2: %3 (%4)")
        .arg(QString::fromLatin1(call), name, QString::fromLocal8Bit(std::strerror(errno)),
             QString::fromLatin1(likely));
}

} // namespace

QString MakeDevice(const QString& name, Device device)
{
    const QByteArray path = QFile::encodeName(name);
    if (::mknod(path.constData(), S_IFCHR | 0666, number(device)) != 0)
        return refusal("mknod", name, "only root makes device nodes");
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0)
        return refusal("open", name, "a file system mounted nodev refuses them");
    ::close(descriptor);
    return {};
}

bool IsDevice(const QString& name, Device device)
{
    struct stat entry {};
    return ::lstat(QFile::encodeName(name).constData(), &entry) == 0 && S_ISCHR(entry.st_mode) &&
           entry.st_rdev == number(device);
}
