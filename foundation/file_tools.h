#pragma once

#include <QString>

#include <cstdint>

#include <sys/types.h>

// File name parts and file tests. Only "/" separates folders: "\" and ":" are ordinary letters of a
// name. None of these raises: a failure gives false, -1 or an empty text.

// True when the path begins with the prefix, ignoring case.
bool PathStartsWith(const QString& path, const QString& prefix);
// True inside a recycle or system folder: "Recycled", "Recycler", "Incinerate", "System Volume
// Information", ".Trash", ".Trash-*" or "lost+found" right below the root of the path's file system,
// the user's trash, or /proc, /sys and /dev, but for the memory file system /dev/shm, made for files.
bool IsSystemFolder(const QString& path);
// Where IsSystemFolder finds /proc, /sys and /dev: "/" (also for an empty text), but in tests, which
// must never write in the machine's own /dev.
void SetSystemFoldersRoot(const QString& root);

// The size in bytes (0 for a folder), -1 when there is no such entry.
std::int64_t GetFileSizeEx(const QString& name);
// True for any entry, folders included.
bool FileExistsEx(const QString& name);
// Read-only means no write bit in the mode or writing refused by the system; a missing file is not.
bool IsFileReadOnly(const QString& name);
// A missing folder counts as read-only.
bool IsFolderReadOnly(const QString& folder);
// Why the file cannot be replaced (deleted, or renamed over), in the system's words; empty when it can.
// Only an existing file (or a link) that is not read-only, never a folder or a device, and only where
// the system lets the user remove it: its folder takes writing and searching, and in a sticky folder
// (the shared temporary folder) the user is root or owns the file or the folder.
QString ReplaceRefusal(const QString& name);
// What the system looks at before it lets a user remove a name, and the errors of the write checks of
// the folder and the entry (0 when writing is allowed).
struct TReplaceFacts {
    mode_t EntryMode;
    uid_t EntryOwner;
    mode_t FolderMode;
    uid_t FolderOwner;
    uid_t User;
    int FolderWriteError;
    int EntryWriteError;
};
// The rule of ReplaceRefusal, whoever asks: the system's error number, 0 when the name can go.
int ReplaceError(const TReplaceFacts& facts);
// What an output may replace: ReplaceRefusal has nothing against it.
bool IsReplaceableFile(const QString& name);
// Equal for two names of one file, however spelt: "device:inode" for an existing entry (links followed);
// for a name not there yet, its folder's real path and the name, without case, since a file system that
// ignores case (a FAT stick) takes both for one.
QString FileIdentityKey(const QString& name);
// Unlinks a replaceable file; when it could not, reason receives the system's reason.
bool DeleteFileIfWritable(const QString& name, QString* reason = nullptr);

QString GetLowerExtension(const QString& name);    // ".wav" for "dir/Song.WAV", "" without a dot
QString ExtractFileNameNoExt(const QString& name); // "Song" for "dir/Song.WAV"
QString RemoveFileExt(const QString& name);        // "dir/Song" for "dir/Song.WAV"
// There are no short names here: the name is already its long form.
QString ExpandLongFileName(const QString& name);
// The folder part without its final "/" ("/" stays "/"); empty without a folder part.
QString ExtractLongFilePath(const QString& name);

// The name itself when nothing has it, else the first free of "name-1.ext" … "name-50.ext" (extension in
// lower case); empty when all of them are taken.
QString MakeUniqueFileName(const QString& name);
