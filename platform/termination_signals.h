#pragma once

#include <QObject>

#include <csignal>
#include <functional>
#include <iterator>

class QSocketNotifier;

namespace plat {

// SIGTERM (logout, shutdown), SIGHUP and SIGINT, turned from an abrupt end into a call on the main
// thread, so that the program can end the way it chooses. The handler only writes the signal's number
// to a pipe that the main thread watches. One watch at a time; it must be made on the main thread,
// once the application exists.
class TerminationSignals : public QObject {
public:
    // onSignal runs on the main thread, once for every signal received.
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    // The handlers that were there before come back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // What the program returns: its own code, or 128 + the first signal received, the one that ended it,
    // as a shell reports a program the signal killed.
    int ExitCode(int programCode) const { return received_ ? 128 + received_ : programCode; }
    // The first signal received, 0 while none. Signals still waiting are taken (and reported) first, so
    // that code running outside any event loop sees them too.
    int Received();

    static constexpr int Watched[] = {SIGTERM, SIGHUP, SIGINT};

private:
    void readSignals();

    std::function<void(int)> onSignal_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction saved_[std::size(Watched)] = {};
    int received_ = 0;
};

} // namespace plat
