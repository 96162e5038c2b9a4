#pragma once

#include "platform/audio_output.h"

#include <QByteArray>
#include <QIODevice>

// An audio output with a manual clock: time passes only through Advance, which pulls exactly the bytes
// that much audio takes and keeps them for the test to read.
class FakeAudioOutput : public plat::AudioOutput {
public:
    bool open(const QAudioFormat& format) override
    {
        stop();
        format_ = format;
        return !FailOpen && format.isValid();
    }
    bool isActive() const override { return source_ != nullptr; }
    qint64 processedUSecs() const override { return format_.durationForBytes(Played.size()); }
    void setVolume(double volume) override { volume_ = volume; }
    double volume() const override { return volume_; }

    void Advance(int milliseconds);
    const QAudioFormat& Format() const { return format_; }

    bool FailOpen = false;
    // What was pulled since the last start.
    QByteArray Played;
    int Starts = 0;

protected:
    bool startPulling(QIODevice* source) override
    {
        if (!format_.isValid())
            return false;
        source_ = source;
        Played.clear();
        ++Starts;
        return true;
    }
    void stopPulling() override { source_ = nullptr; }

private:
    QAudioFormat format_;
    QIODevice* source_ = nullptr;
    double volume_ = 1.0;
};
