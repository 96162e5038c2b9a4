// Leaves the files and the run journal that a run of the program leaves at some moment, then dies
// without any clean-up, or lives on.
//   journal_probe die|hold|end STEP...
// Each STEP is WHAT:FILE, done in order:
//   temp:FILE     an intermediate made and written in part
//   program:FILE  an intermediate that a program of the run was writing: its hidden file is beside it
//   let-go:FILE   an intermediate written whole, which the run then let go of
//   output:FILE   a final output being written ("Overwrite"): the new data, in part, under the run's own
//                 hidden name beside it
//   whole:FILE    a final output written whole and given its name
// "die" ends the probe with SIGKILL; "hold" prints "holding" and waits to be killed; "end" exits.
// With KORVANE_TRACE set, the probe appends to that file one line per call that writes or names a file:
// "write PATH [LINE]" (the line for a journal), "sync PATH", "name PATH", "rename FROM TO".
#include "engine/command_common_data.h"
#include "engine/run_journal.h"
#include "platform/temporary_name.h"
#include "tests/programs/printing_dialogs.h"
#include "tests/support/recording_command.h"

#include <QFile>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string pathOf(int fd)
{
    char buffer[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    return size > 0 ? std::string(buffer, std::size_t(size)) : std::string();
}

void trace(const std::string& line)
{
    static const char* const file = std::getenv("KORVANE_TRACE");
    if (!file)
        return;
    const int fd = int(::syscall(SYS_open, file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    const std::string whole = line + '\n';
    ::syscall(SYS_write, fd, whole.data(), whole.size());
    ::syscall(SYS_close, fd);
}

bool isJournal(const std::string& path)
{
    return path.size() > 8 && path.compare(path.size() - 8, 8, ".journal") == 0;
}

} // namespace

// The calls below stand in for the C library's in this program, so that the order in which the program
// writes, syncs and names files can be checked.
extern "C" ssize_t write(int fd, const void* data, size_t count)
{
    const std::string path = pathOf(fd);
    if (count > 0 && path.size() > 1 && path[0] == '/' && path.rfind("/proc/", 0) != 0 &&
        path.rfind("/dev/", 0) != 0)
        trace(
            "write " + path +
            (isJournal(path) ? ' ' + std::string(static_cast<const char*>(data), count - 1) : std::string()));
    return ::syscall(SYS_write, fd, data, count);
}

extern "C" int fsync(int fd)
{
    trace("sync " + pathOf(fd));
    return int(::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd)
{
    trace("sync " + pathOf(fd));
    return int(::syscall(SYS_fdatasync, fd));
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    trace(std::string("name ") + to);
    return int(::syscall(SYS_linkat, fromFolder, from, toFolder, to, flags));
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags)
{
    trace(std::string("rename ") + from + ' ' + to);
    return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

extern "C" int rename(const char* from, const char* to)
{
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, 0);
}

namespace {

void write(const QString& name, const QByteArray& content)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        std::exit(3);
}

void make(const QString& name, TRunJournal& journal, const QByteArray& content)
{
    if (journal.MakeFile(name) != 0)
        std::exit(4);
    write(name, content);
}

void perform(const QString& step, TRunJournal& journal, std::list<TCommandCommonData>& outputs)
{
    const QString what = step.section(u':', 0, 0), name = step.section(u':', 1);
    if (what == "temp") {
        make(name, journal, "partial");
    } else if (what == "program") {
        make(name, journal, QByteArray());
        journal.NoteProgramOutput(name);
        const std::string target = QFile::encodeName(name).toStdString();
        write(QFile::decodeName(plat::HiddenTemporaryName(target, ::getpid(), 0).c_str()), "leftover");
    } else if (what == "let-go") {
        make(name, journal, "whole");
        journal.Forget(name);
    } else if (what == "output" || what == "whole") {
        TCommandCommonData& common = outputs.emplace_back();
        QObject data;
        RecordingCommand command(&data);
        common.Journal = &journal;
        common.SetCheckOutput(true);
        common.SetOutputPolicy(false, false, false);
        common.OutputFile = name;
        if (!common.CheckOutputFile(command))
            std::exit(5);
        write(common.WorkFile, what == "whole" ? "new" : "half");
        if (what == "whole" && !common.CompleteOutput(command))
            std::exit(6);
    } else {
        std::exit(2);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return 2;
    plat::InstallDialogs(std::make_unique<PrintingDialogs>());
    TRunJournal journal;
    std::list<TCommandCommonData> outputs;
    for (int i = 2; i < argc; ++i)
        perform(QString::fromLocal8Bit(argv[i]), journal, outputs);
    if (std::strcmp(argv[1], "end") == 0)
        return 0;
    if (std::strcmp(argv[1], "hold") == 0) {
        std::puts("holding");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    ::raise(SIGKILL);
    return 1;
}
