#pragma once

#include <QBuffer>
#include <QByteArray>

#include <memory>

namespace plat {

class AudioOutput;

// Plays a whole WAV image asynchronously: the caller returns at once, and a new sound cuts off the one
// that plays. A sound that cannot play is skipped silently. Main thread only.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    virtual void play(const QByteArray& wav) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};

// Decodes the image's PCM and plays it through an audio output.
class OutputSoundPlayer : public SoundPlayer {
public:
    explicit OutputSoundPlayer(std::unique_ptr<AudioOutput> output);
    ~OutputSoundPlayer() override;

    void play(const QByteArray& wav) override;
    void stop() override;
    bool isPlaying() const override;

private:
    std::unique_ptr<AudioOutput> output_;
    // The player's own copy of the samples, so the caller may drop its image while the sound plays.
    QBuffer samples_;
};

// The player in use: a player on the program's audio output unless another was installed.
SoundPlayer& CurrentSoundPlayer();
// Installs a player (tests install a recording one); an empty pointer goes back to the program's player.
void InstallSoundPlayer(std::unique_ptr<SoundPlayer> player);

} // namespace plat
