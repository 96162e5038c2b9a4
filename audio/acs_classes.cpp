#include "audio/acs_classes.h"

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

// With SuspendWhenIdle off, an idle worker still passes through DoOutput, at this pace.
constexpr auto IdlePassInterval = std::chrono::milliseconds(10);

EACSException Error(const char* text)
{
    return EACSException(QString::fromLatin1(text));
}

// Runs work; whatever it raises reaches failed as a std::exception, so nothing escapes a worker.
template <typename Work, typename Failed> void Guard(Work work, Failed failed)
{
    try {
        work();
    } catch (const std::exception& e) {
        failed(e);
    } catch (...) {
        failed(Error("Unknown error"));
    }
}

} // namespace

// ---- TACSInput ----

TACSInput::TACSInput(QObject* Owner) : QObject(Owner) {}

int TACSInput::GetTotalTime()
{
    return 0;
}

void TACSInput::Reset()
{
    Flush();
    Busy = false;
}

void TACSStreamedInput::SetStream(QIODevice* Value)
{
    Stream = Value;
    StreamAssigned = Value != nullptr;
}

// ---- TACSFileIn ----

template <typename Read> auto TACSFileIn::WithFileOpen(Read read)
{
    // During a run the file is open and the fields describe it; a stream that cannot seek back
    // cannot be read again, so its fields stand as they are.
    if (Busy || !Seekable)
        return read();
    OpenFile();
    try {
        const auto value = read();
        CloseFile();
        return value;
    } catch (...) {
        CloseFile();
        throw;
    }
}

bool TACSFileIn::GetValid()
{
    if (!StreamAssigned && FileName.isEmpty())
        return false;
    return WithFileOpen([this] { return Valid; });
}

int TACSFileIn::GetBPS()
{
    return WithFileOpen([this] { return BPS; });
}

int TACSFileIn::GetCh()
{
    return WithFileOpen([this] { return Ch; });
}

int TACSFileIn::GetSR()
{
    return WithFileOpen([this] { return SR; });
}

int TACSFileIn::GetTotalTime()
{
    return WithFileOpen([this] {
        const std::int64_t bytesPerSecond = std::int64_t(SR) * Ch * (BPS / 8);
        return bytesPerSecond > 0 ? int(std::llrint(double(Size) / double(bytesPerSecond))) : 0;
    });
}

void TACSFileIn::Init()
{
    if (Busy)
        throw Error("The component is buisy");
    if (!StreamAssigned && FileName.isEmpty())
        throw Error("The file name is not assigned");
    OpenFile();
    try {
        if (StartSample != 0)
            Seek(StartSample);
        if (StartSample != 0 || EndSample != -1) {
            const std::int64_t last = EndSample == -1 ? TotalSamples : EndSample;
            Size = std::max<std::int64_t>(0, last - StartSample) * (GetBPS() / 8) * Ch;
        }
    } catch (...) {
        CloseFile();
        throw;
    }
    Busy = true;
    BufStart = 1;
    BufEnd = 0;
    Position = 0;
}

void TACSFileIn::Flush()
{
    CloseFile();
    Busy = false;
}

void TACSFileIn::Reset()
{
    TACSInput::Reset();
    // Close every level still open: only forgetting the count would leave the file open.
    for (int level = OpenCount; level > 0; --level)
        CloseFile();
    OpenCount = 0;
}

// ---- TInputLink ----

TInputLink::TInputLink(QObject& Owner, const std::atomic<bool>& OwnerBusy)
    : Owner(Owner), OwnerBusy(OwnerBusy)
{
}

TInputLink::~TInputLink()
{
    QObject::disconnect(Watch);
}

void TInputLink::Set(TACSInput* Value)
{
    TACSInput* const old = Get();
    if (Value == old)
        return;
    const bool busy = OwnerBusy;
    if (busy && Value)
        Value->Init();
    {
        const std::lock_guard lock(InputLock);
        Input = Value;
    }
    QObject::disconnect(Watch);
    if (Value)
        Watch = QObject::connect(
            Value, &QObject::destroyed, &Owner, [this] { Removed(); }, Qt::DirectConnection);
    if (busy && old)
        old->Flush();
}

std::int64_t TInputLink::Read(void* Buffer, std::int64_t BufferSize)
{
    const std::lock_guard lock(InputLock);
    TACSInput* const input = Input.load();
    if (!input)
        throw Error("Input not assigned");
    return input->GetData(Buffer, BufferSize);
}

void TInputLink::Removed()
{
    // The input is half destroyed already: nothing may be called on it.
    Q_ASSERT_X(!OwnerBusy, "TInputLink", "an audio component was freed under a running chain");
    const std::lock_guard lock(InputLock);
    Input = nullptr;
}

// ---- TACSConverter ----

TACSConverter::TACSConverter(QObject* Owner) : TACSInput(Owner), InputLink(*this, Busy) {}

void TACSConverter::SetInput(TACSInput* Value)
{
    if (Value != this)
        InputLink.Set(Value);
}

TACSInput& TACSConverter::RequireInput() const
{
    TACSInput* const input = GetInput();
    if (!input)
        throw Error("Input not assigned");
    return *input;
}

void TACSConverter::StartInput()
{
    TACSInput& input = RequireInput();
    input.Init();
    InputFrameBytes = std::max(1, input.GetBPS() / 8 * input.GetCh());
    EndOfInput = false;
    Busy = true;
    Position = 0;
    BufStart = 1;
    BufEnd = 0;
}

std::int64_t TACSConverter::OutputSize(std::int64_t InputBytes, int OutputFrameBytes) const
{
    return InputBytes < 0 ? -1 : OutputFrames(InputBytes / InputFrameBytes) * OutputFrameBytes;
}

std::int64_t TACSConverter::GetData(void* Buffer, std::int64_t BufferSize)
{
    if (!Busy)
        throw Error("The Stream is not opened");
    // A refill can convert to nothing (a rate converter between two outputs), so refill until
    // there is something to hand out or the input has ended.
    while (BufStart > BufEnd) {
        if (EndOfInput)
            return 0;
        const std::int64_t count = Refill();
        if (count == 0)
            return 0;
        const auto converted = Convert(count);
        Converted = converted.data();
        BufStart = 1;
        BufEnd = std::ssize(converted);
    }
    const std::int64_t count = std::clamp<std::int64_t>(BufferSize, 0, BufEnd - BufStart + 1);
    std::memcpy(Buffer, Converted + BufStart - 1, std::size_t(count));
    BufStart += count;
    UpdatePosition(count);
    return count;
}

std::int64_t TACSConverter::Refill()
{
    std::uint8_t* const buffer = RefillBuffer();
    std::int64_t count = 0;
    while (count < ReadSize) {
        const std::int64_t got = InputLink.Read(buffer + count, ReadSize - count);
        if (got <= 0) {
            EndOfInput = true;
            break;
        }
        count += got;
    }
    // A partial frame can only be the tail of the data: it is dropped.
    return count - count % InputFrameBytes;
}

void TACSConverter::UpdatePosition(std::int64_t Count)
{
    const TACSInput* const input = GetInput();
    const std::int64_t inputSize = input ? input->Size.load() : 0;
    if (Size >= 0 && inputSize > 0)
        Position = std::llrint(double(Size) / double(inputSize) * double(input->Position));
    else
        Position += Count;
}

void TACSConverter::Flush()
{
    if (TACSInput* const input = GetInput())
        input->Flush();
    Busy = false;
}

// ---- TACSOutput ----

TACSOutput::TACSOutput(QObject* Owner) : QObject(Owner), InputLink(*this, Busy) {}

TACSOutput::~TACSOutput()
{
    Q_ASSERT_X(!Thread.joinable(), "TACSOutput", "a concrete output calls TerminateThread in its destructor");
    TerminateThread();
}

void TACSOutput::SetInput(TACSInput* Value)
{
    if (!Value && Busy) {
        // Done still needs the input, and the worker cannot wait for its own run to end.
        if (OnWorkerThread())
            throw Error("Component is buisy");
        Stop();
        WaitUntilIdle();
    }
    InputLink.Set(Value);
}

void TACSOutput::Run()
{
    if (Busy)
        throw Error("Component is buisy");
    if (!GetInput())
        throw Error("Input is not assigned");
    Guard(
        [this] {
            Prepare();
            StopRequest = false;
            Active = true;
            StartWorker();
        },
        [this](const std::exception& e) { HandleThreadException(e); });
}

void TACSOutput::Stop()
{
    StopRequest = true;
}

int TACSOutput::GetStatus() const
{
    const std::lock_guard lock(ThreadLock);
    if (!Busy)
        return 2;
    return Waiting ? 1 : 0;
}

int TACSOutput::GetProgress() const
{
    const TACSInput* const input = GetInput();
    if (!input)
        return 0;
    const std::int64_t size = input->Size;
    if (size < 0)
        return -1;
    if (size == 0)
        return 0;
    // Sizes can be estimates, so the count may overshoot them.
    const double percent = std::nearbyint(double(input->Position) / double(size) * 100.0);
    return int(std::clamp(percent, 0.0, 100.0));
}

void TACSOutput::SetSuspendWhenIdle(bool Value)
{
    {
        const std::lock_guard lock(ThreadLock);
        SuspendWhenIdle = Value;
    }
    StateChanged.notify_all();
}

void TACSOutput::SetOnDone(TOutputDoneEvent Value)
{
    const std::lock_guard lock(EventLock);
    OnDone = std::move(Value);
}

void TACSOutput::SetOnProgress(TOutputProgressEvent Value)
{
    const std::lock_guard lock(EventLock);
    OnProgress = std::move(Value);
}

void TACSOutput::SetOnThreadException(TThreadExceptionEvent Value)
{
    const std::lock_guard lock(EventLock);
    OnThreadException = std::move(Value);
}

std::int64_t TACSOutput::GetInputData(void* Buffer, std::int64_t BufferSize)
{
    return InputLink.Read(Buffer, BufferSize);
}

void TACSOutput::CheckProgress()
{
    const int progress = GetProgress();
    if (progress == LastProgress)
        return;
    LastProgress = progress;
    const std::lock_guard lock(EventLock);
    if (OnProgress)
        OnProgress(this);
}

void TACSOutput::TerminateThread()
{
    if (!Thread.joinable() || OnWorkerThread())
        return;
    {
        const std::lock_guard lock(ThreadLock);
        Terminating = true;
    }
    // A running run ends through Done before the worker leaves.
    Stop();
    StateChanged.notify_all();
    Thread.join();
    Terminating = false;
}

void TACSOutput::StartWorker()
{
    {
        const std::lock_guard lock(ThreadLock);
        Busy = true;
    }
    if (!Thread.joinable())
        Thread = std::thread([this] { Execute(); });
    StateChanged.notify_all();
}

void TACSOutput::Execute()
{
    WorkerId = std::this_thread::get_id();
    std::unique_lock lock(ThreadLock);
    for (;;) {
        if (SuspendWhenIdle) {
            Waiting = true;
            StateChanged.wait(lock, [this] { return Busy || Terminating || !SuspendWhenIdle; });
            Waiting = false;
        } else {
            StateChanged.wait_for(lock, IdlePassInterval, [this] { return Busy || Terminating; });
        }
        if (Terminating) {
            if (!Busy)
                return;
            StopRequest = true;
        }
        lock.unlock();
        Pass();
        lock.lock();
    }
}

void TACSOutput::Pass()
{
    Guard(
        [this] {
            if (!DoOutput(StopRequest)) {
                StopRequest = false;
                WhenDone();
            }
        },
        [this](const std::exception& e) {
            StopRequest = false;
            HandleThreadException(e);
        });
}

void TACSOutput::WhenDone()
{
    if (!Busy)
        return;
    Active = false;
    bool failed = false;
    Guard([this] { Done(); },
          [&](const std::exception& e) {
              // The run could not be closed properly (its last write failed): that is no normal end.
              failed = true;
              EndRun();
              FireException(e);
          });
    if (failed)
        return;
    EndRun();
    FireDone();
}

void TACSOutput::HandleThreadException(const std::exception& E)
{
    // The first failure is the one reported; a second one while closing adds nothing.
    if (GetStatus() != 2)
        Guard([this] { Done(); }, [](const std::exception&) {});
    Active = false;
    EndRun();
    FireException(E);
}

void TACSOutput::EndRun()
{
    {
        const std::lock_guard lock(ThreadLock);
        Busy = false;
    }
    StateChanged.notify_all();
}

void TACSOutput::WaitUntilIdle()
{
    std::unique_lock lock(ThreadLock);
    StateChanged.wait(lock, [this] { return !Busy; });
}

bool TACSOutput::OnWorkerThread() const
{
    return WorkerId.load() == std::this_thread::get_id();
}

void TACSOutput::FireDone()
{
    const std::lock_guard lock(EventLock);
    if (OnDone)
        OnDone(this);
}

void TACSOutput::FireException(const std::exception& E)
{
    const std::lock_guard lock(EventLock);
    if (!OnThreadException)
        return;
    // There is nobody left to tell about a failing failure handler.
    Guard([&] { OnThreadException(this, E); }, [](const std::exception&) {});
}

void TACSStreamedOutput::SetStream(QIODevice* Value)
{
    Stream = Value;
    StreamAssigned = Value != nullptr;
}

void TACSFileOut::SetFileMode(TFileOutputMode)
{
    FileMode = foRewrite;
}
