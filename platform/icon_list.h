#pragma once

#include <QAbstractFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>

#include <memory>

// One process-wide list of icons with integer indexes: the program's own icons and the icons of
// ordinary file types, so list views can refer to any of them by number.
namespace plat {

class IconList {
public:
    static IconList& Instance();

    int Add(const QIcon& icon);
    // An empty icon for an index that is not in the list.
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(icons_.size()); }

    // The index of the icon of a file type, known by the name's extension only (the file need not exist).
    // A type the icon theme has no icon for gets the provider's file icon.
    int IndexForFileName(const QString& fileName);
    // Program start gives the desktop style's provider, before any file type is looked up.
    void SetIconProvider(std::unique_ptr<QAbstractFileIconProvider> provider);

private:
    IconList();

    std::unique_ptr<QAbstractFileIconProvider> provider_;
    QList<QIcon> icons_;
    QHash<QString, int> indexByExtension_;
};

} // namespace plat
