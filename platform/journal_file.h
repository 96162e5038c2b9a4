#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// Files of lines that tell a later process what an earlier one left on the disk, should it end without
// its clean-up (killed, a power cut).
namespace plat {

// A journal that one process appends lines to, holding an flock on it for as long as it has it open. The
// kernel drops the lock however the process ends, so a journal whose lock can be taken was left by a
// process that died. The descriptor is close-on-exec: child programs never carry the lock on.
class JournalFile {
public:
    JournalFile() = default;
    // Lets go of the journal, which stays for the next start to read.
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Makes a new journal of this process in the folder, made for the user alone when missing; false
    // when none can be made.
    bool Create(const QString& folder);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends one line (without its line feed), on the disk when this returns.
    bool Append(const QByteArray& line);
    // Deletes the journal and lets go of it.
    void Remove();

private:
    QString name_;
    int fd_ = -1;
};

// Hands the whole lines of each journal in the folder that a dead process left to recover, then deletes
// that journal. Journals still held, another user's, and every other file are left alone.
void RecoverJournals(const QString& folder,
                     const std::function<void(const QList<QByteArray>& lines)>& recover);

} // namespace plat
