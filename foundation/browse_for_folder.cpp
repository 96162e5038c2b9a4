#include "foundation/browse_for_folder.h"

#include "platform/dialogs.h"

#include <QFileInfo>

bool BrowseForFolder(const QString& caption, const QString& root, QString& folder)
{
    Q_UNUSED(root);
    if (!FolderExists(folder))
        folder.clear();
    const QString chosen = plat::CurrentDialogs().ChooseFolder(caption, folder);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

bool FolderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}
