#pragma once

#include "platform/journal_file.h"

#include <QSet>
#include <QString>
#include <QStringList>

// What a batch's steps have on the disk that a run ended without its clean-up (killed, a power cut)
// would leave wrong: the intermediates they write, the final outputs they are writing and the older
// outputs set aside for them. It lives in a journal of the process's own in the user's configuration
// folder from the first file noted to the last one dealt with; the next start puts right what the
// journal of a dead run lists. Main thread only.
class TRunJournal {
public:
    // An intermediate file a step is about to write.
    void NoteTemporary(const QString& name);
    // A final output a step is about to write. With hidden, the older output of that name is about to be
    // set aside under that name: noted before it moves, so that only that very file is ever put back.
    void NoteOutput(const QString& name, const QString& hidden = QString());
    // The output is whole: once its data is on the disk, its older copy may go.
    void NoteWhole(const QString& name);
    // The file was dealt with: deleted, put back, or kept as the result.
    void Forget(const QString& name);

private:
    void Note(const QString& name, const QByteArray& record);

    plat::JournalFile file_;
    QSet<QString> pending_;
};

// Where the journals live: the "runs" folder beside the settings.
QString RunJournalFolder();

// Puts right what runs that died left, as their journals list it, and nothing else: an older output whose
// replacement is not whole goes back under its name, an older copy whose replacement is whole is deleted,
// and so are their intermediates and incomplete outputs. Journals of runs still going are left alone.
// Returns one line per file changed, to tell the user.
QStringList RecoverKilledRuns();
