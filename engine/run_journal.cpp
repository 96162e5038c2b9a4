#include "engine/run_journal.h"

#include "foundation/language.h"
#include "foundation/useful_string.h"
#include "platform/file_identity.h"
#include "platform/paths.h"
#include "platform/temporary_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

#include <unistd.h>

namespace {

// One line per change: what, the file's name, and what the file is.
const QByteArray kMade = "made", kProgram = "program", kGone = "gone";

QByteArray encoded(const QString& name)
{
    return QFile::encodeName(name).toPercentEncoding();
}

QString decoded(const QByteArray& field)
{
    return QFile::decodeName(QByteArray::fromPercentEncoding(field));
}

struct TNotedFile {
    QByteArray Identity;
    bool WrittenByProgram = false;
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
        if (fields[0] == kMade)
            files[name].Identity = fields.value(2);
        else if (fields[0] == kProgram)
            files[name].WrittenByProgram = true;
        else if (fields[0] == kGone)
            files.erase(name);
    }
    return files;
}

// The hidden files a program killed with the run left beside the file it was writing.
void deleteProgramLeftovers(const QString& name)
{
    const QFileInfo file(name);
    const std::string target = QFile::encodeName(file.absoluteFilePath()).toStdString();
    const QDir::Filters hidden = QDir::Files | QDir::Hidden | QDir::System;
    for (const QString& entry : QDir(file.absolutePath()).entryList({QStringLiteral(".*")}, hidden)) {
        const QString path = file.absolutePath() + u'/' + entry;
        if (plat::IsHiddenTemporaryNameOf(QFile::encodeName(path).toStdString(), target) &&
            plat::IsOwnRegularFile(path))
            ::unlink(QFile::encodeName(path).constData());
    }
}

void recoverFile(const QString& name, const TNotedFile& file, QStringList& report)
{
    // Anything else at the name now is not the run's to delete, nor what sits beside it.
    if (!plat::IsOwnFileWithIdentity(name, file.Identity))
        return;
    if (file.WrittenByProgram)
        deleteProgramLeftovers(name);
    if (::unlink(QFile::encodeName(name).constData()) == 0)
        report << Format(TranslateMsg(QStringLiteral(
                             "Deleted the temporary file \"%s\" of a run that was stopped before its end")),
                         name);
}

} // namespace

int TRunJournal::MakeFile(const QString& name)
{
    bool noted = false;
    const int error = plat::MakeNewFile(name, [this, &name, &noted](const QByteArray& identity) {
        // Without a journal the work goes on; a kill would only leave the file behind.
        if (Note(kMade + ' ' + encoded(name) + ' ' + identity)) {
            pending_.insert(name, identity);
            noted = true;
        }
    });
    if (error != 0 && noted)
        Forget(name);
    return error;
}

void TRunJournal::NoteProgramOutput(const QString& name)
{
    if (pending_.contains(name))
        Note(kProgram + ' ' + encoded(name));
}

void TRunJournal::Adopt(const QString& name)
{
    const auto noted = pending_.find(name);
    if (noted == pending_.end())
        return;
    const QByteArray identity = plat::IdentityOf(name);
    if (identity != *noted && Note(kMade + ' ' + encoded(name) + ' ' + identity))
        *noted = identity;
}

void TRunJournal::Forget(const QString& name)
{
    if (!pending_.remove(name))
        return;
    file_.Append(kGone + ' ' + encoded(name));
    if (pending_.isEmpty())
        file_.Remove();
}

// On the disk when this returns, so before the file it names is touched.
bool TRunJournal::Note(const QByteArray& record)
{
    return file_.Create(RunJournalFolder()) && file_.Append(record);
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
