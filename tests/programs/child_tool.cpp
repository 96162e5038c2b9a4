// A child program for the process and console-runner tests. Its arguments are steps, run in order:
//   out TEXT, err TEXT   write TEXT to standard output / error at once (escapes \r \n \t \\ \xHH)
//   sleep MS             wait MS milliseconds
//   forever              wait until killed
//   exit N               end with exit code N
//   signal N             kill itself with signal N
//   echo ARG...          write every following argument on a line of its own, then end
//   lines N              write N numbered lines, alternately to standard output and error
//   pid                  write "pid <id> <group id>"
//   grandchild           start a child of its own that waits for ever; write "grandchild <id>"
//   stdin                read standard input to its end; write "stdin <bytes> bytes"
//   cwd                  write "cwd <working folder>"
//   env NAME             write "env NAME=<value>" or "env NAME unset"
//   nice                 write "nice <its nice value>"
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            std::exit(120);
        done += static_cast<std::size_t>(count);
    }
}

std::string Unescaped(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char code = text[++i];
        if (code == 'r')
            result += '\r';
        else if (code == 'n')
            result += '\n';
        else if (code == 't')
            result += '\t';
        else if (code == 'x' && i + 2 < text.size()) {
            result += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            result += code;
    }
    return result;
}

void SleepMs(long ms)
{
    ::usleep(static_cast<useconds_t>(ms) * 1000);
}

[[noreturn]] void WaitForEver()
{
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        if (step == "out" || step == "err") {
            WriteAll(step == "out" ? 1 : 2, Unescaped(value));
            ++i;
        } else if (step == "sleep") {
            SleepMs(std::atol(value.c_str()));
            ++i;
        } else if (step == "forever") {
            WaitForEver();
        } else if (step == "exit") {
            return std::atoi(value.c_str());
        } else if (step == "signal") {
            std::signal(std::atoi(value.c_str()), SIG_DFL);
            ::raise(std::atoi(value.c_str()));
            return 121;
        } else if (step == "echo") {
            for (int j = i + 1; j < argc; ++j)
                WriteAll(1, std::string(argv[j]) + "\n");
            return 0;
        } else if (step == "lines") {
            for (int n = 1; n <= std::atoi(value.c_str()); ++n)
                WriteAll(n % 2 ? 1 : 2, "line " + std::to_string(n) + "\n");
            ++i;
        } else if (step == "pid") {
            WriteAll(1, "pid " + std::to_string(::getpid()) + " " + std::to_string(::getpgrp()) + "\n");
        } else if (step == "grandchild") {
            const pid_t child = ::fork();
            if (child == 0)
                WaitForEver();
            WriteAll(1, "grandchild " + std::to_string(child) + "\n");
        } else if (step == "stdin") {
            char buffer[4096];
            long total = 0;
            for (ssize_t count; (count = ::read(0, buffer, sizeof buffer)) != 0;) {
                if (count < 0 && errno == EINTR)
                    continue;
                if (count < 0)
                    return 122;
                total += count;
            }
            WriteAll(1, "stdin " + std::to_string(total) + " bytes\n");
        } else if (step == "cwd") {
            char folder[4096];
            WriteAll(1, std::string("cwd ") + (::getcwd(folder, sizeof folder) ? folder : "?") + "\n");
        } else if (step == "env") {
            const char* found = std::getenv(value.c_str());
            WriteAll(1, "env " + value + (found ? "=" + std::string(found) : " unset") + "\n");
            ++i;
        } else if (step == "nice") {
            errno = 0;
            const int value = ::getpriority(PRIO_PROCESS, 0);
            WriteAll(1, "nice " + (errno ? std::string("?") : std::to_string(value)) + "\n");
        } else {
            WriteAll(2, "child_tool: unknown step " + step + "\n");
            return 123;
        }
    }
    return 0;
}
