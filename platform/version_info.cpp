#include "platform/version_info.h"

#include <QByteArrayView>
#include <QFile>

namespace plat {

QByteArray VersionBlockStart()
{
    return QByteArray("KORVANE") + QByteArray("_VERSION_BLOCK_1\n");
}

QByteArray VersionBlockEnd()
{
    return QByteArray("KORVANE") + QByteArray("_VERSION_BLOCK_END\n");
}

QByteArray GetFileVersionInfo(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return {};
    const uchar* mapped = file.map(0, file.size());
    if (!mapped)
        return {};
    const QByteArrayView content(reinterpret_cast<const char*>(mapped), file.size());
    const qsizetype start = content.indexOf(VersionBlockStart());
    if (start < 0)
        return {};
    const qsizetype bodyStart = start + VersionBlockStart().size();
    const qsizetype end = content.sliced(bodyStart).indexOf(VersionBlockEnd());
    if (end < 0)
        return {};
    return content.sliced(bodyStart, end).toByteArray();
}

qint64 GetFileVersionInfoSize(const QString& fileName)
{
    return GetFileVersionInfo(fileName).size();
}

std::optional<QString> VerQueryValue(const QByteArray& block, const QString& path)
{
    // "\StringFileInfo\040904E4\FileVersion" is stored as the line "040904E4/FileVersion=...".
    const QString prefix = QStringLiteral("\\StringFileInfo\\");
    QString key = path;
    if (key.startsWith(prefix, Qt::CaseInsensitive))
        key = key.mid(prefix.size());
    else if (key.startsWith(prefix.mid(1), Qt::CaseInsensitive))
        key = key.mid(prefix.size() - 1);
    key.replace(u'\\', u'/');
    for (const QByteArray& line : block.split('\n')) {
        const QString text = QString::fromUtf8(line);
        const qsizetype equals = text.indexOf(u'=');
        if (equals > 0 && text.left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return text.mid(equals + 1);
    }
    return std::nullopt;
}

} // namespace plat
