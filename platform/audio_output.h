#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QtGlobal>

#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;

// Where PCM goes to be heard. An output is opened for one format, then pulls its data from a device
// or a callback on the main thread until the data ends or it is stopped. Main thread only.
namespace plat {

class AudioOutput {
public:
    // Fills up to maxSize bytes and returns how many it wrote; 0 means the data has ended.
    using Pull = std::function<qint64(char* data, qint64 maxSize)>;

    virtual ~AudioOutput();

    // False when nothing can play this format.
    virtual bool open(const QAudioFormat& format) = 0;
    // Stops what plays, then pulls from source (not owned; it must live until the output stops or ends).
    bool start(QIODevice* source);
    bool start(Pull pull);
    void stop();
    // True from a successful start until stop() or until all the data was played.
    virtual bool isActive() const = 0;
    // Microseconds of audio played since the last start.
    virtual qint64 processedUSecs() const = 0;
    // Linear, 0.0 to 1.0; kept for later starts too.
    virtual void setVolume(double volume) = 0;
    virtual double volume() const = 0;

    // Called once the data has ended and all of it was played; the handler may stop or start again.
    void setFinishedHandler(std::function<void()> handler) { finished_ = std::move(handler); }

protected:
    virtual bool startPulling(QIODevice* source) = 0;
    virtual void stopPulling() = 0;
    void notifyFinished();

private:
    std::unique_ptr<QIODevice> pullDevice_;
    std::function<void()> finished_;
};

// The sound device through Qt Multimedia (a QAudioSink in pull mode).
class QtAudioOutput : public AudioOutput {
public:
    QtAudioOutput();
    ~QtAudioOutput() override;

    bool open(const QAudioFormat& format) override;
    bool isActive() const override;
    qint64 processedUSecs() const override;
    void setVolume(double volume) override;
    double volume() const override { return volume_; }

protected:
    bool startPulling(QIODevice* source) override;
    void stopPulling() override;

private:
    void stateChanged(int run, int state);

    QAudioDevice device_;
    QAudioFormat format_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* source_ = nullptr;
    // State changes arrive queued through this object, so a handler may delete the sink safely.
    QObject receiver_;
    int run_ = 0;
    bool finished_ = false;
    double volume_ = 1.0;
};

// A silent output that consumes its data in real time, for machines without a sound device.
class NullAudioOutput : public AudioOutput {
public:
    NullAudioOutput();
    ~NullAudioOutput() override;

    bool open(const QAudioFormat& format) override;
    bool isActive() const override { return source_ != nullptr; }
    qint64 processedUSecs() const override;
    void setVolume(double volume) override { volume_ = volume; }
    double volume() const override { return volume_; }

protected:
    bool startPulling(QIODevice* source) override;
    void stopPulling() override;

private:
    void consumeDueBytes();

    QAudioFormat format_;
    QIODevice* source_ = nullptr;
    qint64 consumed_ = 0;
    QElapsedTimer clock_;
    QTimer timer_;
    double volume_ = 1.0;
};

// The output the program uses: the silent one when KORVANE_AUDIO_OUTPUT is "null", else the sound device.
std::unique_ptr<AudioOutput> CreateAudioOutput();

} // namespace plat
