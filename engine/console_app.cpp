#include "engine/console_app.h"

#include "platform/process.h"

#include <QElapsedTimer>

namespace {

constexpr qsizetype kMaxLineLength = 256;
constexpr int kReadChunk = 257;
// Once its output has ended a program gets this long to exit before it is killed.
constexpr int kExitWaitMs = 3000;
constexpr int kPollMs = 20;

int remaining(const QElapsedTimer& clock, int limitMs)
{
    return static_cast<int>(std::max<qint64>(0, limitMs - clock.elapsed()));
}

bool readUntilEnd(plat::ChildProcess& child, TConsoleLineSplitter& splitter, const QElapsedTimer& clock,
                  int limitMs)
{
    char buffer[kReadChunk];
    while (!child.OutputEnded()) {
        const int left = remaining(clock, limitMs);
        if (left == 0)
            return false;
        child.WaitForOutput(std::min(left, 1000));
        for (std::int64_t count; (count = child.Read(buffer, kReadChunk)) > 0;)
            splitter.Feed(buffer, count);
    }
    return true;
}

void waitForExit(plat::ChildProcess& child, const QElapsedTimer& clock, int limitMs)
{
    QElapsedTimer exitClock;
    exitClock.start();
    while (!child.TryReap() && exitClock.elapsed() < kExitWaitMs && remaining(clock, limitMs) > 0)
        child.WaitForOutput(kPollMs);
}

} // namespace

void TConsoleLineSplitter::Feed(const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char byte = data[i];
        if (byte == '\r' || byte == '\n') {
            endLine();
            continue;
        }
        current_.append(byte);
        if (current_.size() >= kMaxLineLength)
            endLine();
    }
}

void TConsoleLineSplitter::Finish()
{
    if (!current_.isEmpty())
        endLine();
}

void TConsoleLineSplitter::endLine()
{
    lines_.append(QString::fromLocal8Bit(current_));
    current_.clear();
}

TConsoleCaptureResult RunConsoleCapture(const QString& exeName, const QStringList& parameters,
                                        QStringList& lines, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    plat::ChildProcess child;
    if (child.Start(exeName, parameters) != 0)
        return TConsoleCaptureResult::NotStarted;
    TConsoleLineSplitter splitter(lines);
    const bool ended = readUntilEnd(child, splitter, clock, limitMs);
    if (ended)
        waitForExit(child, clock, limitMs);
    splitter.Finish();
    if (!child.Reaped()) {
        child.KillGroup();
        child.Reap();
    }
    return ended ? TConsoleCaptureResult::Finished : TConsoleCaptureResult::TimedOut;
}
