#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Files known by what they are on the disk, not by how their names are spelled: a rename keeps a file's
// identity, and another file put at the same name has another one.
namespace plat {

// What the entry itself is (a link is not followed), as text: its device, inode and birth time; empty
// when there is none.
QByteArray IdentityOf(const QString& name);

// The name holds a regular file of the user's (a link is not followed).
bool IsOwnRegularFile(const QString& name);
// The name holds a regular file of the user's that still has that identity.
bool IsOwnFileWithIdentity(const QString& name, const QByteArray& identity);

// Makes a new empty file of that name, which must not exist yet (EEXIST), and hands its identity to
// beforeNamed while the file has no name, where the file system has unnamed files, so that whatever is
// told of the file is known before the name appears. Returns 0, or the system's error.
int MakeNewFile(const QString& name, const std::function<void(const QByteArray& identity)>& beforeNamed);

// Renames a file; with noReplace, only onto a free name (EEXIST otherwise). Returns 0, or the system's
// error.
int MoveFile(const QString& from, const QString& to, bool noReplace);

// Returns once the file's data, and its name in its folder, are on the disk; false when that failed.
bool SyncToDisk(const QString& name);
// Returns once the file's name in its folder is on the disk; false when that failed.
bool SyncFolderOf(const QString& name);

} // namespace plat
