#include "platform/audio_output.h"

#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>

namespace plat {

namespace {

// Hands out what a pull callback writes; the callback's first 0 ends the data for good.
class PullDevice : public QIODevice {
public:
    explicit PullDevice(AudioOutput::Pull pull) : pull_(std::move(pull)) {}

    bool isSequential() const override { return true; }
    bool atEnd() const override { return ended_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (ended_ || maxSize <= 0)
            return 0;
        const qint64 written = std::clamp<qint64>(pull_(data, maxSize), 0, maxSize);
        ended_ = written == 0;
        return written;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioOutput::Pull pull_;
    bool ended_ = false;
};

const qint64 scratchSize = 64 * 1024;

} // namespace

AudioOutput::~AudioOutput() = default;

bool AudioOutput::start(QIODevice* source)
{
    stop();
    return source != nullptr && startPulling(source);
}

bool AudioOutput::start(Pull pull)
{
    stop();
    auto device = std::make_unique<PullDevice>(std::move(pull));
    device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!startPulling(device.get()))
        return false;
    pullDevice_ = std::move(device);
    return true;
}

void AudioOutput::stop()
{
    stopPulling();
    pullDevice_.reset();
}

void AudioOutput::notifyFinished()
{
    // A copy, so a handler that installs another one keeps running safely.
    const auto handler = finished_;
    if (handler)
        handler();
}

QtAudioOutput::QtAudioOutput() = default;

QtAudioOutput::~QtAudioOutput()
{
    stopPulling();
}

bool QtAudioOutput::open(const QAudioFormat& format)
{
    stop();
    // Without any device Qt may still hand out a default one that fails later; ask first.
    if (!format.isValid() || QMediaDevices::audioOutputs().isEmpty())
        return false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(format))
        return false;
    device_ = device;
    format_ = format;
    return true;
}

bool QtAudioOutput::startPulling(QIODevice* source)
{
    if (device_.isNull())
        return false;
    sink_ = std::make_unique<QAudioSink>(device_, format_);
    sink_->setVolume(volume_);
    const int run = ++run_;
    QObject::connect(
        sink_.get(), &QAudioSink::stateChanged, &receiver_,
        [this, run](QAudio::State state) { stateChanged(run, state); }, Qt::QueuedConnection);
    source_ = source;
    finished_ = false;
    sink_->start(source);
    // Pull mode reports a failed start only through the sink's state and error.
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        stopPulling();
        return false;
    }
    return true;
}

void QtAudioOutput::stopPulling()
{
    ++run_;
    if (sink_) {
        sink_->disconnect(&receiver_);
        sink_->stop();
        sink_.reset();
    }
    source_ = nullptr;
}

void QtAudioOutput::stateChanged(int run, int state)
{
    if (run != run_ || !sink_ || finished_)
        return;
    const bool drained = state == QAudio::IdleState && source_ && source_->atEnd();
    const bool failed = state == QAudio::StoppedState && sink_->error() != QAudio::NoError;
    if (!drained && !failed)
        return;
    finished_ = true;
    notifyFinished();
}

bool QtAudioOutput::isActive() const
{
    return sink_ && !finished_;
}

qint64 QtAudioOutput::processedUSecs() const
{
    return sink_ ? sink_->processedUSecs() : 0;
}

void QtAudioOutput::setVolume(double volume)
{
    volume_ = std::clamp(volume, 0.0, 1.0);
    if (sink_)
        sink_->setVolume(volume_);
}

NullAudioOutput::NullAudioOutput()
{
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { consumeDueBytes(); });
}

NullAudioOutput::~NullAudioOutput() = default;

bool NullAudioOutput::open(const QAudioFormat& format)
{
    stop();
    format_ = format;
    return format.isValid();
}

bool NullAudioOutput::startPulling(QIODevice* source)
{
    if (!format_.isValid())
        return false;
    source_ = source;
    consumed_ = 0;
    clock_.start();
    timer_.start();
    return true;
}

void NullAudioOutput::stopPulling()
{
    timer_.stop();
    source_ = nullptr;
}

qint64 NullAudioOutput::processedUSecs() const
{
    return format_.isValid() ? format_.durationForBytes(consumed_) : 0;
}

void NullAudioOutput::consumeDueBytes()
{
    if (!source_)
        return;
    const qint64 due = format_.bytesForDuration(clock_.nsecsElapsed() / 1000) - consumed_;
    QByteArray scratch(static_cast<int>(std::min(std::max<qint64>(due, 0), scratchSize)), Qt::Uninitialized);
    qint64 wanted = due;
    qint64 got = 0;
    while (wanted > 0) {
        got = source_->read(scratch.data(), std::min(wanted, scratchSize));
        if (got <= 0)
            break;
        consumed_ += got;
        wanted -= got;
    }
    // A source that has nothing right now but has not ended is an underrun: wait for it.
    if (wanted > 0 && (got < 0 || source_->atEnd())) {
        stopPulling();
        notifyFinished();
    }
}

std::unique_ptr<AudioOutput> CreateAudioOutput()
{
    if (qEnvironmentVariable("KORVANE_AUDIO_OUTPUT") == QStringLiteral("null"))
        return std::make_unique<NullAudioOutput>();
    return std::make_unique<QtAudioOutput>();
}

} // namespace plat
