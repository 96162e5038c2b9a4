#pragma once

#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>

#include <functional>
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

// The PCM of a whole WAV image and its format; no samples when the image cannot play.
struct DecodedSound {
    QAudioFormat Format;
    QByteArray Samples;
};
using SoundDecoder = std::function<DecodedSound(const QByteArray& wav)>;

// Decodes the image with its decoder and plays the whole frames of its PCM through an audio output.
class OutputSoundPlayer : public SoundPlayer {
public:
    OutputSoundPlayer(std::unique_ptr<AudioOutput> output, SoundDecoder decode);
    ~OutputSoundPlayer() override;

    void play(const QByteArray& wav) override;
    void stop() override;
    bool isPlaying() const override;

private:
    std::unique_ptr<AudioOutput> output_;
    SoundDecoder decode_;
    // The player's own copy of the samples, so the caller may drop its image while the sound plays.
    QBuffer samples_;
};

// The player in use: a player on the program's audio output unless another was installed.
SoundPlayer& CurrentSoundPlayer();
// The WAV reader that knows every format the program reads lives in a layer above this one: start-up
// hands it in here, and the program's player decodes with it. Without one that player stays silent.
void InstallSoundDecoder(SoundDecoder decode);
// Installs a player (tests install a recording one); an empty pointer goes back to the program's player.
void InstallSoundPlayer(std::unique_ptr<SoundPlayer> player);

} // namespace plat
