#include "platform/termination_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace plat {

namespace {

// Written before the handlers go in and cleared after they are gone, so the handler reads a whole value.
volatile sig_atomic_t signalPipe = -1;

extern "C" void onTerminationSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal that the main thread will see: dropping this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal))
{
    // Close-on-exec: no child program may hold the pipe; non-blocking: the handler never waits.
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
    signalPipe = pipe_[1];
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the signal is handled from the event loop, not where it lands.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        ::sigaction(Watched[i], &action, &saved_[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (pipe_[0] < 0)
        return;
    for (std::size_t i = 0; i < std::size(Watched); ++i)
        ::sigaction(Watched[i], &saved_[i], nullptr);
    signalPipe = -1;
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int TerminationSignals::Received()
{
    if (pipe_[0] >= 0)
        readSignals();
    return received_;
}

void TerminationSignals::readSignals()
{
    unsigned char numbers[16];
    ssize_t count;
    while ((count = ::read(pipe_[0], numbers, sizeof numbers)) > 0 || (count < 0 && errno == EINTR))
        for (ssize_t i = 0; i < count; ++i) {
            if (received_ == 0)
                received_ = numbers[i];
            if (onSignal_)
                onSignal_(numbers[i]);
        }
}

} // namespace plat
