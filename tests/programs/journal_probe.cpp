// Leaves the files and the run journal that a run of the program leaves at some moment, then dies
// without any clean-up, or lives on.
//   journal_probe die|hold STEP...
// Each STEP is WHAT:FILE, done in order:
//   temp:FILE      an intermediate file written in part
//   output:FILE    a final output without an older one, written in part
//   aside:FILE     the older output set aside, the new one written in part
//   whole:FILE     the older output set aside, the new one written whole; its copy not yet deleted
//   reserved:FILE  a hidden name reserved beside the older output, which has not moved yet
// "die" ends the probe with SIGKILL; "hold" prints "holding" and waits to be killed.
#include "engine/command_common_data.h"
#include "engine/run_journal.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>

#include <unistd.h>

namespace {

void write(const QString& name, const QByteArray& content)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        std::exit(3);
}

void perform(const QString& step, TRunJournal& journal, std::list<TOlderOutput>& older)
{
    const QString what = step.section(u':', 0, 0), name = step.section(u':', 1);
    if (what == "temp") {
        journal.NoteTemporary(name);
        write(name, "partial");
    } else if (what == "output") {
        journal.NoteOutput(name);
        write(name, "half");
    } else if (what == "aside" || what == "whole") {
        if (!older.emplace_back().SetAside(name, &journal))
            std::exit(4);
        write(name, what == "whole" ? "new" : "half");
        if (what == "whole")
            journal.NoteWhole(name);
    } else if (what == "reserved") {
        const QFileInfo file(name);
        const QString hidden = file.absolutePath() + "/." + file.fileName() + ".R3S3RV";
        write(hidden, QByteArray());
        journal.NoteOutput(name, hidden);
    } else {
        std::exit(2);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    TRunJournal journal;
    std::list<TOlderOutput> older;
    for (int i = 2; i < argc; ++i)
        perform(QString::fromLocal8Bit(argv[i]), journal, older);
    if (std::strcmp(argv[1], "hold") == 0) {
        std::puts("holding");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    ::raise(SIGKILL);
    return 1;
}
