#include "platform/sound_player.h"

#include "platform/audio_output.h"

#include <QCoreApplication>

namespace plat {

namespace {

// Constant-initialized, so it outlives every other static object that may still stop a sound at exit.
std::unique_ptr<SoundPlayer> installedPlayer;
SoundDecoder installedDecoder;

// The sound device must be let go while the application still exists.
void stopAtExit()
{
    if (installedPlayer)
        installedPlayer->stop();
}

} // namespace

OutputSoundPlayer::OutputSoundPlayer(std::unique_ptr<AudioOutput> output, SoundDecoder decode)
    : output_(std::move(output)), decode_(std::move(decode))
{
    output_->setFinishedHandler([this] { stop(); });
}

OutputSoundPlayer::~OutputSoundPlayer()
{
    stop();
    output_->setFinishedHandler(nullptr);
}

void OutputSoundPlayer::play(const QByteArray& wav)
{
    stop();
    DecodedSound sound = decode_(wav);
    const int frameBytes = sound.Format.bytesPerFrame();
    if (frameBytes > 0)
        sound.Samples.truncate(sound.Samples.size() - sound.Samples.size() % frameBytes);
    if (sound.Samples.isEmpty() || !output_->open(sound.Format))
        return;
    samples_.setData(sound.Samples);
    samples_.open(QIODevice::ReadOnly);
    if (!output_->start(&samples_))
        stop();
}

void OutputSoundPlayer::stop()
{
    output_->stop();
    samples_.close();
    samples_.setData(QByteArray());
}

bool OutputSoundPlayer::isPlaying() const
{
    return output_->isActive();
}

SoundPlayer& CurrentSoundPlayer()
{
    if (!installedPlayer) {
        installedPlayer = std::make_unique<OutputSoundPlayer>(CreateAudioOutput(), [](const QByteArray& wav) {
            return installedDecoder ? installedDecoder(wav) : DecodedSound{};
        });
        static const bool registered = [] {
            qAddPostRoutine(stopAtExit);
            return true;
        }();
        Q_UNUSED(registered);
    }
    return *installedPlayer;
}

void InstallSoundPlayer(std::unique_ptr<SoundPlayer> player)
{
    if (installedPlayer)
        installedPlayer->stop();
    installedPlayer = std::move(player);
}

void InstallSoundDecoder(SoundDecoder decode)
{
    installedDecoder = std::move(decode);
}

} // namespace plat
