#include "audio/preview_player.h"

#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/useful_string.h"
#include "platform/audio_decoder.h"
#include "platform/audio_output.h"
#include "platform/dialogs.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QCoreApplication>
#include <QTimer>

extern "C" {
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

const int outputRate = 44100;
const int outputChannels = 2;
const int frameBytes = 2 * outputChannels;
const int timerIntervalMs = 25;
const int fftSize = 512;
// FFT bins: band i covers the bins after edge i up to edge i + 1.
const std::array<int, PlayerBandCount + 1> bandEdges = {
    0, 1, 2, 3, 6, 12, 18, 24, 30, 36, 42, 48, 54, 60, 66, 72, 78, 84, 90, 96, 102, 108, 120, 132, 156, 180};
// What the output was handed is kept this long: enough for its buffer, so a pause loses nothing.
const qint64 historyBytes = 2 * outputRate * frameBytes;

using Magnitudes = std::array<float, fftSize / 2>;

// A Hann-windowed real FFT of the newest samples, scaled so a full-scale sine reads about 1.0.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer() : window_(fftSize), input_(fftSize), output_(fftSize / 2 + 1)
    {
        // The real transform crashes in its setup when given no scale.
        const float scale = 1.0f;
        if (av_tx_init(&context_, &transform_, AV_TX_FLOAT_RDFT, 0, fftSize, &scale, AV_TX_UNALIGNED) < 0)
            context_ = nullptr;
        for (int i = 0; i < fftSize; ++i)
            window_[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / fftSize));
    }
    ~SpectrumAnalyzer() { av_tx_uninit(&context_); }
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // samples: interleaved stereo 16-bit, at most fftSize frames, the newest last.
    bool Analyze(const QByteArray& samples, Magnitudes& magnitudes)
    {
        if (!context_)
            return false;
        const int frames = int(samples.size() / frameBytes);
        std::fill(input_.begin(), input_.end(), 0.0f);
        for (int frame = 0; frame < frames; ++frame) {
            qint16 channels[outputChannels];
            std::memcpy(channels, samples.constData() + frame * frameBytes, frameBytes);
            const int at = fftSize - frames + frame;
            input_[at] = window_[at] * (channels[0] + channels[1]) / 65536.0f;
        }
        transform_(context_, output_.data(), input_.data(), sizeof(float));
        // A windowed sine of amplitude A peaks at A * N / 4.
        const float scale = 4.0f / fftSize;
        for (size_t bin = 0; bin < magnitudes.size(); ++bin)
            magnitudes[bin] = std::hypot(output_[bin].re, output_[bin].im) * scale;
        return true;
    }

private:
    AVTXContext* context_ = nullptr;
    av_tx_fn transform_ = nullptr;
    std::vector<float> window_;
    std::vector<float> input_;
    std::vector<AVComplexFloat> output_;
};

enum class PlayState { Stopped, Playing, Paused };

struct Player {
    Player()
    {
        timer.setInterval(timerIntervalMs);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (tickHandler)
                tickHandler();
        });
    }

    QTimer timer;
    std::function<void()> tickHandler;
    std::function<void()> stateCallback;
    PlayerOutputFactory outputFactory;
    int volume = 100;
    TPlayerSpectrum levels{};
    SpectrumAnalyzer analyzer;

    std::unique_ptr<plat::AudioDecoder> decoder;
    std::unique_ptr<plat::AudioOutput> output;
    PlayState state = PlayState::Stopped;
    // Where in the file the output's current run began.
    double runStartSeconds = 0;
    // Decoded but not heard yet when the output stopped for a pause: it is played first on resume.
    QByteArray replay;
    // The newest bytes handed to the output in its current run; history ends at pulled.
    QByteArray history;
    qint64 pulled = 0;
};

std::unique_ptr<Player> thePlayer;

// The timer and the sound device must be let go while the application still exists.
void releasePlayerAtExit()
{
    thePlayer.reset();
}

Player& player()
{
    if (!thePlayer) {
        thePlayer = std::make_unique<Player>();
        qAddPostRoutine(releasePlayerAtExit);
    }
    return *thePlayer;
}

QAudioFormat outputFormat()
{
    QAudioFormat format;
    format.setSampleRate(outputRate);
    format.setChannelCount(outputChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

void notifyState()
{
    const auto callback = player().stateCallback;
    if (callback)
        callback();
}

// Bytes of the current run the output has played.
qint64 heardBytes()
{
    Player& p = player();
    if (!p.output)
        return 0;
    return std::min<qint64>(outputFormat().bytesForDuration(p.output->processedUSecs()), p.pulled);
}

double heardSeconds()
{
    const double run =
        player().state == PlayState::Playing ? double(heardBytes()) / frameBytes / outputRate : 0;
    return player().runStartSeconds + run;
}

// The bytes of the current run from offset from to offset to, as far as they are still kept.
QByteArray historyBetween(qint64 from, qint64 to)
{
    const Player& p = player();
    const qint64 historyStart = p.pulled - p.history.size();
    from = std::max(from, historyStart);
    return to > from ? p.history.mid(from - historyStart, to - from) : QByteArray();
}

void remember(const char* data, qint64 size)
{
    Player& p = player();
    p.history.append(data, size);
    p.pulled += size;
    if (p.history.size() > 2 * historyBytes)
        p.history.remove(0, p.history.size() - historyBytes);
}

qint64 takeReplay(char* data, qint64 maxSize)
{
    QByteArray& replay = player().replay;
    const qint64 size = std::min<qint64>(maxSize, replay.size());
    std::memcpy(data, replay.constData(), size);
    replay.remove(0, size);
    return size;
}

// Mono sources are widened to both channels at full level.
qint64 decodeInto(char* data, qint64 maxSize)
{
    plat::AudioDecoder& decoder = *player().decoder;
    if (decoder.Channels() == outputChannels)
        return std::max<qint64>(decoder.Read(data, maxSize), 0);
    const qint64 got = decoder.Read(data, maxSize / outputChannels);
    // From the last sample back, so no sample is overwritten before it was copied.
    for (qint64 sample = got / 2 - 1; sample >= 0; --sample) {
        std::memmove(data + sample * frameBytes, data + sample * 2, 2);
        std::memmove(data + sample * frameBytes + 2, data + sample * frameBytes, 2);
    }
    return std::max<qint64>(got, 0) * outputChannels;
}

qint64 pullSamples(char* data, qint64 maxSize)
{
    maxSize -= maxSize % frameBytes;
    qint64 given = takeReplay(data, maxSize);
    if (given == 0)
        given = decodeInto(data, maxSize);
    remember(data, given);
    return given;
}

bool startRun()
{
    Player& p = player();
    p.history.clear();
    p.pulled = 0;
    return p.output->start(pullSamples);
}

void playedToTheEnd()
{
    Player& p = player();
    p.runStartSeconds = heardSeconds();
    p.state = PlayState::Stopped;
}

void release()
{
    Player& p = player();
    if (p.output)
        p.output->stop();
    p.output.reset();
    p.decoder.reset();
    p.state = PlayState::Stopped;
    p.runStartSeconds = 0;
    p.replay.clear();
    p.history.clear();
    p.pulled = 0;
}

bool isRemote(const QString& fileName)
{
    for (const char* scheme : {"http://", "ftp://", "mms://"})
        if (fileName.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

QString cantPlay(const QString& fileName)
{
    return Format(TranslateMsg(QStringLiteral("Can't play the file %s")), fileName);
}

void startFile(const QString& fileName)
{
    Player& p = player();
    release();
    if (isRemote(fileName))
        throw EMyBassException(cantPlay(fileName));
    const QString noDevice = TranslateMsg(QStringLiteral("Can't initialize sound device"));
    std::unique_ptr<plat::AudioOutput> output =
        p.outputFactory ? p.outputFactory() : plat::CreateAudioOutput();
    if (!output || !output->open(outputFormat()))
        throw EMyBassException(noDevice);
    QString reason;
    std::unique_ptr<plat::AudioDecoder> decoder = plat::AudioDecoder::Open(fileName, {outputRate, 0}, reason);
    if (!decoder)
        throw EMyBassException(cantPlay(fileName));
    output->setVolume(p.volume / 100.0);
    output->setFinishedHandler(playedToTheEnd);
    p.output = std::move(output);
    p.decoder = std::move(decoder);
    if (!startRun())
        throw EMyBassException(noDevice);
    p.state = PlayState::Playing;
    p.timer.start();
}

double lengthSeconds()
{
    const plat::AudioDecoder* decoder = player().decoder.get();
    return decoder ? decoder->BytesToSeconds(std::max<std::int64_t>(decoder->LengthBytes(), 0)) : 0;
}

void updateLevels(const Magnitudes& magnitudes)
{
    TPlayerSpectrum& levels = player().levels;
    for (int band = 0; band < PlayerBandCount; ++band) {
        const auto first = magnitudes.begin() + bandEdges[band] + 1;
        const float peak = *std::max_element(first, magnitudes.begin() + bandEdges[band + 1] + 1);
        // Higher bands are boosted: they carry less energy in most music.
        const double boosted = (band * 0.15 + 1) * peak * 80;
        const auto level = quint16(std::clamp<double>(std::nearbyint(boosted), 0, 65535));
        levels[band] = level >= levels[band] ? level : quint16(std::max(levels[band] - 2, 0));
    }
}

bool analyzeHeardSamples(Magnitudes& magnitudes)
{
    const qint64 end = heardBytes();
    return player().analyzer.Analyze(historyBetween(end - fftSize * frameBytes, end), magnitudes);
}

} // namespace

bool PlayerPlayFile(const QString& fileName)
{
    bool started = false;
    try {
        startFile(fileName);
        started = true;
    } catch (const EMyBassException& error) {
        plat::ShowError(QStringLiteral("\r") + error.Message());
        LogError(error.Message());
        release();
    }
    notifyState();
    return started;
}

void PlayerTogglePause()
{
    if (player().state == PlayState::Playing)
        PlayerPause();
    else if (player().state == PlayState::Paused)
        PlayerResume();
}

void PlayerPause()
{
    Player& p = player();
    if (p.state == PlayState::Playing) {
        // The output drops what it holds when stopped; keep the part not heard yet for the resume.
        p.replay.prepend(historyBetween(heardBytes(), p.pulled));
        p.runStartSeconds = heardSeconds();
        p.output->stop();
        p.state = PlayState::Paused;
    }
    notifyState();
}

void PlayerResume()
{
    Player& p = player();
    if (p.state == PlayState::Paused)
        p.state = startRun() ? PlayState::Playing : PlayState::Stopped;
    notifyState();
}

void PlayerStop()
{
    Player& p = player();
    release();
    p.timer.stop();
    if (p.tickHandler)
        p.tickHandler();
    notifyState();
}

void PlayerSetVolume(int volume)
{
    Player& p = player();
    p.volume = std::clamp(volume, 0, 100);
    if (p.output)
        p.output->setVolume(p.volume / 100.0);
}

qint64 PlayerGetLengthMs()
{
    return std::llrint(lengthSeconds() * 1000.0);
}

int PlayerGetLength()
{
    return int(std::lrint(lengthSeconds()));
}

int PlayerGetPosition()
{
    return int(std::lrint(heardSeconds()));
}

void PlayerSetPosition(int seconds)
{
    Player& p = player();
    if (!p.decoder || seconds < 0 || seconds > lengthSeconds() || !p.decoder->SeekSeconds(seconds))
        return;
    p.runStartSeconds = seconds;
    p.replay.clear();
    if (p.state == PlayState::Playing && !startRun())
        p.state = PlayState::Stopped;
    p.timer.start();
    notifyState();
}

bool PlayerIsStopped()
{
    return player().state == PlayState::Stopped;
}

bool PlayerIsTimerEnabled()
{
    return player().timer.isActive();
}

void PlayerSetTimerHandler(std::function<void()> handler)
{
    player().timer.stop();
    player().tickHandler = std::move(handler);
}

void PlayerSetStateCallback(std::function<void()> callback)
{
    player().stateCallback = std::move(callback);
}

void PlayerGetSpectrum(TPlayerSpectrum& levels)
{
    Player& p = player();
    // A slow computation must not queue ticks behind it.
    const bool timerWasOn = p.timer.isActive();
    p.timer.stop();
    Magnitudes magnitudes{};
    if (timerWasOn && p.state == PlayState::Playing && analyzeHeardSamples(magnitudes))
        updateLevels(magnitudes);
    else
        p.levels.fill(0);
    levels = p.levels;
    if (timerWasOn)
        p.timer.start();
}

void PlayerSetOutputFactory(PlayerOutputFactory factory)
{
    player().outputFactory = std::move(factory);
}
