#pragma once

#include <QString>
#include <QStringList>

// Runs a small console program to completion and collects what it prints.

enum class TConsoleCaptureResult {
    Finished, // the program ran and ended (whatever its exit code)
    NotStarted,
    TimedOut, // it outlived the limit and was killed with everything it started
};

constexpr int DefaultConsoleCaptureLimitMs = 10000;

// Runs exeName with these arguments (no shell), standard output and error together, and appends its
// output lines to lines: a carriage return or a line feed ends a line (so CR LF also gives an empty
// line) and a line of 256 characters is cut there. The unfinished last line is added too.
TConsoleCaptureResult RunConsoleCapture(const QString& exeName, const QStringList& parameters,
                                        QStringList& lines, int limitMs = DefaultConsoleCaptureLimitMs);

// The line splitting of RunConsoleCapture, fed chunk by chunk.
class TConsoleLineSplitter {
public:
    explicit TConsoleLineSplitter(QStringList& lines) : lines_(lines) {}
    void Feed(const char* data, qsizetype size);
    void Finish();

private:
    void endLine();

    QStringList& lines_;
    QByteArray current_;
};
