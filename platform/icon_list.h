#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>

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
    int IndexForFileName(const QString& fileName);

private:
    QList<QIcon> icons_;
    QHash<QString, int> indexByExtension_;
};

} // namespace plat
