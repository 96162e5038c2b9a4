#include "platform/sound_player.h"

#include "platform/audio_output.h"

#include <QCoreApplication>
#include <QWaveDecoder>

namespace plat {

namespace {

// Constant-initialized, so it outlives every other static object that may still stop a sound at exit.
std::unique_ptr<SoundPlayer> installedPlayer;

// The sound device must be let go while the application still exists.
void stopAtExit()
{
    if (installedPlayer)
        installedPlayer->stop();
}

// The samples of a PCM WAV image in whole frames, with their format; nothing for anything else.
QByteArray decodeSamples(const QByteArray& wav, QAudioFormat& format)
{
    QByteArray image = wav;
    QBuffer source(&image);
    source.open(QIODevice::ReadOnly);
    QWaveDecoder decoder(&source);
    // The whole image is there, so the header is parsed before open() returns.
    if (!decoder.open(QIODevice::ReadOnly) || !decoder.audioFormat().isValid())
        return {};
    format = decoder.audioFormat();
    QByteArray samples = decoder.readAll();
    samples.truncate(samples.size() - samples.size() % format.bytesPerFrame());
    return samples;
}

} // namespace

OutputSoundPlayer::OutputSoundPlayer(std::unique_ptr<AudioOutput> output) : output_(std::move(output))
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
    QAudioFormat format;
    const QByteArray samples = decodeSamples(wav, format);
    if (samples.isEmpty() || !output_->open(format))
        return;
    samples_.setData(samples);
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
        installedPlayer = std::make_unique<OutputSoundPlayer>(CreateAudioOutput());
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

} // namespace plat
