#pragma once

#include <QString>

// Lets the user pick a folder, starting at the given one when it exists (else the text is cleared first).
// On OK the chosen folder is put into the argument and the result is true; on Cancel it is false. Every
// caller browses the whole file system, so the root is not used.
bool BrowseForFolder(const QString& caption, const QString& root, QString& folder);

bool FolderExists(const QString& path);
