#include "platform/icon_list.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include <utility>

namespace plat {

IconList::IconList() : provider_(std::make_unique<QAbstractFileIconProvider>()) {}

IconList& IconList::Instance()
{
    static IconList list;
    return list;
}

void IconList::SetIconProvider(std::unique_ptr<QAbstractFileIconProvider> provider)
{
    provider_ = std::move(provider);
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
    const QIcon fallback = provider_->icon(QAbstractFileIconProvider::File);
    const int index =
        Add(QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback)));
    indexByExtension_.insert(extension, index);
    return index;
}

} // namespace plat
