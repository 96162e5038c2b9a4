#include "engine/run_journal.h"

#include "foundation/file_tools.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>

#include <map>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One line per change: what, then the file's name (and the older copy's name and what that copy is).
const QByteArray kTemporary = "temp", kOutput = "output", kWhole = "whole", kGone = "gone";

QByteArray encoded(const QString& name)
{
    return QFile::encodeName(name).toPercentEncoding();
}

QString decoded(const QByteArray& field)
{
    return QFile::decodeName(QByteArray::fromPercentEncoding(field));
}

// The file itself, whatever its name: a rename keeps it.
QByteArray identityOf(const QString& name)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(name).constData(), &status) != 0)
        return {};
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
}

bool isEmptyFile(const QString& name)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(name).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_size == 0;
}

struct TNotedFile {
    bool Output = false;
    bool Whole = false;
    QString Hidden;      // where the older output was set aside
    QByteArray Identity; // of that older output
};

// The files a dead run's journal still lists, each as its last lines leave it.
std::map<QString, TNotedFile> notedFiles(const QList<QByteArray>& lines)
{
    std::map<QString, TNotedFile> files;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        const QString name = fields.size() >= 2 ? decoded(fields[1]) : QString();
        if (!QDir::isAbsolutePath(name))
            continue;
        if (fields[0] == kTemporary)
            files[name] = TNotedFile{};
        else if (fields[0] == kOutput)
            files[name] = TNotedFile{true, false, decoded(fields.value(2)), fields.value(3)};
        else if (fields[0] == kWhole && files.count(name))
            files[name].Whole = true;
        else if (fields[0] == kGone)
            files.erase(name);
    }
    return files;
}

// An older output set aside: back under its name unless its replacement is whole, then deleted.
void recoverOlderOutput(const QString& name, const TNotedFile& file, QStringList& report)
{
    const QByteArray hidden = QFile::encodeName(file.Hidden);
    const bool older = !file.Identity.isEmpty() && identityOf(file.Hidden) == file.Identity;
    if (older && file.Whole) {
        if (::unlink(hidden.constData()) == 0)
            report << Format(
                TranslateMsg(QStringLiteral("Deleted \"%s\", the older copy of \"%s\" that a run "
                                            "stopped before its end had kept")),
                file.Hidden, name);
    } else if (older) {
        if (::rename(hidden.constData(), QFile::encodeName(name).constData()) == 0)
            report << Format(TranslateMsg(QStringLiteral("Put back the older output \"%s\": the run that was "
                                                         "replacing it was stopped before its end")),
                             name);
    } else if (isEmptyFile(file.Hidden)) {
        // The name reserved for the older output, which never moved.
        ::unlink(hidden.constData());
    }
}

void recoverFile(const QString& name, const TNotedFile& file, QStringList& report)
{
    if (!file.Hidden.isEmpty())
        recoverOlderOutput(name, file, report);
    else if (!file.Output && DeleteFileIfWritable(name))
        report << Format(TranslateMsg(QStringLiteral(
                             "Deleted the temporary file \"%s\" of a run that was stopped before its end")),
                         name);
    else if (file.Output && !file.Whole && DeleteFileIfWritable(name))
        report << Format(
            TranslateMsg(QStringLiteral(
                "Deleted the incomplete output \"%s\" of a run that was stopped before its end")),
            name);
}

} // namespace

void TRunJournal::NoteTemporary(const QString& name)
{
    Note(name, kTemporary + ' ' + encoded(name));
}

void TRunJournal::NoteOutput(const QString& name, const QString& hidden)
{
    QByteArray record = kOutput + ' ' + encoded(name);
    if (!hidden.isEmpty())
        record += ' ' + encoded(hidden) + ' ' + identityOf(name);
    Note(name, record);
}

void TRunJournal::NoteWhole(const QString& name)
{
    if (!pending_.contains(name))
        return;
    plat::SyncToDisk(name);
    file_.Append(kWhole + ' ' + encoded(name));
}

void TRunJournal::Forget(const QString& name)
{
    if (!pending_.remove(name))
        return;
    // On the disk before the journal may go: after a power cut, a journal that comes back must not send
    // the next start after an output that was whole.
    file_.Append(kGone + ' ' + encoded(name));
    if (pending_.isEmpty())
        file_.Remove();
}

void TRunJournal::Note(const QString& name, const QByteArray& record)
{
    // Without a journal the work goes on; a kill would only leave its files as it always did.
    if (!file_.Create(RunJournalFolder()))
        return;
    // On the disk before the file it names is touched.
    file_.Append(record);
    pending_.insert(name);
}

QString RunJournalFolder()
{
    return plat::ApplicationDataFolder() + QStringLiteral("korvane/runs/");
}

QStringList RecoverKilledRuns()
{
    QStringList report;
    plat::RecoverJournals(RunJournalFolder(), [&report](const QList<QByteArray>& lines) {
        for (const auto& [name, file] : notedFiles(lines))
            recoverFile(name, file, report);
    });
    return report;
}
