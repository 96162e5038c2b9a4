#pragma once

#include "platform/journal_file.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The files of a batch's own that a run ended without its clean-up (killed, a power cut) would leave
// behind: the intermediates and the hidden names the final outputs are written under, each known by what
// it is on the disk, and the files the programs the run starts write beside them. Never a file of the
// user's: an older output stays where it is until the new one replaces it whole. The journal lives in a
// file of the process's own in the user's configuration folder from the first file noted to the last one
// dealt with; the next start deletes what the journal of a dead run lists and is still that very file.
// Main thread only.
class TRunJournal {
public:
    // Makes a new empty file of the run under that name, noted by what it is before the name appears.
    // Returns 0, or the system's error (EEXIST when the name is taken: nothing of anyone else's is
    // touched).
    int MakeFile(const QString& name);
    // A program of the run writes the file, through hidden names of its own beside it, and replaces it.
    void NoteProgramOutput(const QString& name);
    // What the name holds now is the run's: a program of the run replaced the file.
    void Adopt(const QString& name);
    // The file was dealt with: deleted, or made the result.
    void Forget(const QString& name);

private:
    bool Note(const QByteArray& record);

    plat::JournalFile file_;
    // What each file of the run still listed is, as last noted.
    QHash<QString, QByteArray> pending_;
};

// Where the journals live: the "runs" folder beside the settings.
QString RunJournalFolder();

// Deletes what runs that died left, as their journals list it, and nothing else: only a file that is
// still the very file the run made, and the hidden files its programs wrote beside it. Journals of runs
// still going are left alone. Returns one line per file deleted, to tell the user.
QStringList RecoverKilledRuns();
