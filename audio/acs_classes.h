#pragma once

#include "foundation/exceptions.h"

#include <QIODevice>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

// The audio components: sources hand out interleaved little-endian PCM (8-bit unsigned or 16-bit
// signed, one or two channels, left first) on request, converters pull from their input and
// transform, and an output owns one worker thread that pulls from its input and stores.
// Chains are built by pointing each component's Input at the previous one.

// Errors of the audio components. Their texts are fixed English and never translated.
class EACSException : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

// A source of PCM. A source that cannot read raises an exception: GetData never returns a negative
// count, and 0 always means the end of the data.
class TACSInput : public QObject {
public:
    explicit TACSInput(QObject* Owner = nullptr);

    virtual int GetBPS() = 0;
    virtual int GetCh() = 0;
    virtual int GetSR() = 0;
    // Length in whole seconds.
    virtual int GetTotalTime();
    // Copies at most BufferSize bytes into Buffer and returns how many; 0 at the end of the data.
    virtual std::int64_t GetData(void* Buffer, std::int64_t BufferSize) = 0;
    virtual void Reset();
    // Prepares the source for reading from its start.
    virtual void Init() = 0;
    // Releases what Init acquired and clears Busy.
    virtual void Flush() = 0;

    // Bytes handed out since Init and the total to hand out (-1 when unknown); outputs read them
    // from other threads for their progress.
    std::atomic<std::int64_t> Position{0};
    std::atomic<std::int64_t> Size{0};
    std::atomic<bool> Busy{false};
    // 1-based indexes of the first unread and the last valid byte of the component's own buffer;
    // the buffer is empty when BufStart > BufEnd.
    std::int64_t BufStart = 1;
    std::int64_t BufEnd = 0;
};

// A source that reads a stream, either handed in from outside or created by the component.
class TACSStreamedInput : public TACSInput {
public:
    using TACSInput::TACSInput;

    QIODevice* GetStream() const { return Stream; }
    // A stream handed in is neither created nor freed by the component.
    void SetStream(QIODevice* Value);

protected:
    QIODevice* Stream = nullptr;
    bool StreamAssigned = false;
    bool Seekable = true;
};

// A source that reads a file. OpenFile and CloseFile nest: OpenFile opens (and reads the header)
// only at the first level and always counts one level up; CloseFile releases only at the last
// level and always counts one level down, never below 0.
class TACSFileIn : public TACSStreamedInput {
public:
    using TACSStreamedInput::TACSStreamedInput;

    bool GetValid();
    int GetBPS() override;
    int GetCh() override;
    int GetSR() override;
    int GetTotalTime() override;
    void Init() override;
    void Flush() override;
    void Reset() override;

    virtual void OpenFile() = 0;
    virtual void CloseFile() = 0;
    virtual bool Seek(std::int64_t SampleNum) = 0;

    QString FileName;
    bool Loop = false;
    std::int64_t StartSample = 0;
    // -1: up to the end of the file.
    std::int64_t EndSample = -1;

protected:
    int OpenCount = 0;
    bool Valid = false;
    int BPS = 0;
    int SR = 0;
    int Ch = 0;
    // Samples per channel in the file.
    std::int64_t TotalSamples = 0;

private:
    // Reads a format field, opening the file around the read unless a run holds it open already.
    template <typename Read> auto WithFileOpen(Read read);
};

// The Input of a converter or an output: read and swapped under its InputLock, so an input is
// never replaced in the middle of a read, and cleared when the input component is freed.
class TInputLink {
public:
    TInputLink(QObject& Owner, const std::atomic<bool>& OwnerBusy);
    ~TInputLink();
    TInputLink(const TInputLink&) = delete;
    TInputLink& operator=(const TInputLink&) = delete;

    TACSInput* Get() const { return Input.load(); }
    // While the owner is busy: the new input's Init, the swap, then the old input's Flush.
    void Set(TACSInput* Value);
    // Raises "Input not assigned" when there is no input.
    std::int64_t Read(void* Buffer, std::int64_t BufferSize);

private:
    void Removed();

    QObject& Owner;
    const std::atomic<bool>& OwnerBusy;
    std::atomic<TACSInput*> Input{nullptr};
    std::mutex InputLock;
    QMetaObject::Connection Watch;
};

// A filter: a source that pulls from its Input. The shared GetData refills the converter's buffer
// from the input (whole input frames only), lets the converter transform it and hands it out.
class TACSConverter : public TACSInput {
public:
    explicit TACSConverter(QObject* Owner = nullptr);

    TACSInput* GetInput() const { return InputLink.Get(); }
    // A converter ignores an attempt to make itself its own input. While busy, the new input is
    // initialized, swapped in between two reads and the old one flushed.
    virtual void SetInput(TACSInput* Value);

    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override;
    void Flush() override;

protected:
    // Raises "Input not assigned" when there is no input.
    TACSInput& RequireInput() const;
    // The common start of Init: Input.Init, counters, buffer indexes and EndOfInput cleared.
    void StartInput();
    // Bytes of the output for a number of input bytes, whole frames only; -1 stays -1.
    std::int64_t OutputSize(std::int64_t InputBytes, int OutputFrameBytes) const;

    // Where the next refill is read to: room for ReadSize bytes.
    virtual std::uint8_t* RefillBuffer() = 0;
    // Converts Count bytes (whole input frames) just read; returns the converted bytes.
    virtual std::span<const std::uint8_t> Convert(std::int64_t Count) = 0;
    // Output frames for a number of input frames.
    virtual std::int64_t OutputFrames(std::int64_t InputFrames) const { return InputFrames; }

    std::int64_t ReadSize = 0;
    bool EndOfInput = false;
    int InputFrameBytes = 1;

private:
    std::int64_t Refill();
    void UpdatePosition(std::int64_t Count);

    TInputLink InputLink;
    const std::uint8_t* Converted = nullptr;
};

using TOutputDoneEvent = std::function<void(QObject* Sender)>;
using TOutputProgressEvent = std::function<void(QObject* Sender)>;
using TThreadExceptionEvent = std::function<void(QObject* Sender, const std::exception& E)>;

// A sink with its own worker thread. Run prepares on the calling thread and returns at once; the
// worker calls DoOutput pass after pass until it returns false (the end: Done, then OnDone) or
// raises (Done when the run had started, then OnThreadException). A failure in Prepare fires
// OnThreadException on the calling thread before Run returns. The events fire on the worker
// thread, so their handlers hand work to the main thread themselves and never block on it.
//
// Every concrete output calls TerminateThread first in its destructor, while its own parts still
// exist: that ends a running run through Done and joins the worker. Owners stop an output before
// they free a component of its chain.
class TACSOutput : public QObject {
public:
    explicit TACSOutput(QObject* Owner = nullptr);
    ~TACSOutput() override;

    TACSInput* GetInput() const { return InputLink.Get(); }
    // While busy, the new input is initialized, swapped in between two reads and the old one
    // flushed; clearing the input of a busy output ends the run first (Done still flushes it).
    virtual void SetInput(TACSInput* Value);

    void Run();
    // The next pass ends the run.
    void Stop();
    // 0 busy with the worker running, 1 busy with the worker waiting, 2 idle.
    int GetStatus() const;
    // Percent of the input handed out: 0 without input or with an empty one, -1 when its size is
    // unknown.
    int GetProgress() const;

    bool GetSuspendWhenIdle() const { return SuspendWhenIdle.load(); }
    void SetSuspendWhenIdle(bool Value);

    void SetOnDone(TOutputDoneEvent Value);
    void SetOnProgress(TOutputProgressEvent Value);
    void SetOnThreadException(TThreadExceptionEvent Value);

protected:
    // One pass of the worker; false ends the run.
    virtual bool DoOutput(bool Abort) = 0;
    // Ends a run: closes what Prepare opened and flushes the input.
    virtual void Done() = 0;
    // Starts a run on the calling thread: opens the target and initializes the input.
    virtual void Prepare() = 0;

    // Reads from the input as DoOutput does: under InputLock, so the input is never swapped in
    // the middle of a read. Raises "Input not assigned" when there is no input.
    std::int64_t GetInputData(void* Buffer, std::int64_t BufferSize);
    // Fires OnProgress when the percentage differs from the last one reported.
    void CheckProgress();
    void TerminateThread();

    std::atomic<bool> Active{false};
    std::atomic<bool> Busy{false};
    std::atomic<int> LastProgress{0};

private:
    void StartWorker();
    void Execute();
    void Pass();
    void WhenDone();
    void HandleThreadException(const std::exception& E);
    void EndRun();
    void WaitUntilIdle();
    bool OnWorkerThread() const;
    void FireDone();
    void FireException(const std::exception& E);

    TInputLink InputLink;

    // The worker thread and its state: Busy changes under ThreadLock so that a Run is never
    // missed by a worker about to wait.
    std::thread Thread;
    std::atomic<std::thread::id> WorkerId;
    mutable std::mutex ThreadLock;
    std::condition_variable StateChanged;
    bool Terminating = false;
    bool Waiting = false;
    std::atomic<bool> StopRequest{false};
    std::atomic<bool> SuspendWhenIdle{true};

    std::recursive_mutex EventLock;
    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    TThreadExceptionEvent OnThreadException;
};

class TACSStreamedOutput : public TACSOutput {
public:
    using TACSOutput::TACSOutput;

    QIODevice* GetStream() const { return Stream; }
    // A stream handed in is neither created nor freed by the component.
    void SetStream(QIODevice* Value);

protected:
    QIODevice* Stream = nullptr;
    bool StreamAssigned = false;
};

enum TFileOutputMode : std::uint8_t { foRewrite = 0, foAppend = 1 };

class TACSFileOut : public TACSStreamedOutput {
public:
    using TACSStreamedOutput::TACSStreamedOutput;

    TFileOutputMode GetFileMode() const { return FileMode; }
    // Stores foRewrite whatever it is given; a writer that can append overrides it.
    virtual void SetFileMode(TFileOutputMode Value);

    QString FileName;

protected:
    TFileOutputMode FileMode = foRewrite;
};
