#pragma once

#include "platform/sound_player.h"

#include <QByteArray>
#include <QList>

// Remembers what it was asked to play and to stop, and when a new sound cut off the one playing.
// A sound plays until it is stopped, cut, or ended with Finish.
class RecordingSoundPlayer : public plat::SoundPlayer {
public:
    enum class Kind { Play, Cut, Stop };
    struct Call {
        Kind What;
        QByteArray Wav; // the sound played, cut off, or playing when stopped
    };

    void play(const QByteArray& wav) override
    {
        if (playing_)
            Calls.append({Kind::Cut, current_});
        Calls.append({Kind::Play, wav});
        current_ = wav;
        playing_ = true;
    }
    void stop() override
    {
        Calls.append({Kind::Stop, current_});
        playing_ = false;
        current_.clear();
    }
    bool isPlaying() const override { return playing_; }

    void Finish() { playing_ = false; }
    QList<QByteArray> Played() const;
    void Clear() { Calls.clear(); }

    QList<Call> Calls;

private:
    QByteArray current_;
    bool playing_ = false;
};
