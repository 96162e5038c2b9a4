#include "platform/regular_file.h"

#include <QFile>
#include <QIODevice>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool IsRegularFile(const QString& name)
{
    struct stat status {};
    return !name.isEmpty() && ::stat(QFile::encodeName(name).constData(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

int OpenRegularFile(const QString& name)
{
    // Opening a device may do something of its own, so the name is looked at first; the name may be
    // replaced in between, so the descriptor is looked at too, opened without waiting.
    if (!IsRegularFile(name))
        return -1;
    const int descriptor =
        ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        ::fcntl(descriptor, F_SETFL, 0) != 0) {
        if (descriptor >= 0)
            ::close(descriptor);
        return -1;
    }
    return descriptor;
}

bool WriteWhole(QIODevice& device, const char* data, qint64 count)
{
    // A short write sets no error: the next one, from where it stopped, meets the system's reason.
    while (count > 0) {
        const qint64 written = device.write(data, count);
        if (written <= 0)
            return false;
        data += written;
        count -= written;
    }
    return true;
}

} // namespace plat
