#include "platform/icon_list.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace plat {

namespace {

QIcon iconForMimeType(const QMimeType& type)
{
    const QIcon fallback = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
}

} // namespace

IconList& IconList::Instance()
{
    static IconList list;
    return list;
}

int IconList::Add(const QIcon& icon)
{
    icons_.append(icon);
    return Count() - 1;
}

QIcon IconList::Icon(int index) const
{
    return index >= 0 && index < Count() ? icons_[index] : QIcon();
}

int IconList::IndexForFileName(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    const auto known = indexByExtension_.constFind(extension);
    if (known != indexByExtension_.constEnd())
        return *known;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const int index = Add(iconForMimeType(type));
    indexByExtension_.insert(extension, index);
    return index;
}

} // namespace plat
