#include "tests/tools/tool_runner.h"

#include "tests/support/wav_image.h"

#include <QFile>

#include <cmath>
#include <numbers>

QByteArray ToneWav(int sampleRate, int channels, int bitsPerSample, double seconds)
{
    QByteArray samples;
    for (int i = 0; i < static_cast<int>(sampleRate * seconds); ++i) {
        const double value = 0.5 * std::sin(2 * std::numbers::pi * 440 * i / sampleRate);
        for (int channel = 0; channel < channels; ++channel) {
            if (bitsPerSample == 8) {
                samples.append(static_cast<char>(128 + std::lrint(value * 127)));
            } else {
                const auto sample = static_cast<qint16>(std::lrint(value * 32767));
                samples.append(static_cast<char>(sample & 0xFF))
                    .append(static_cast<char>((sample >> 8) & 0xFF));
            }
        }
    }
    return MakeWavImage(sampleRate, channels, bitsPerSample, samples);
}

std::optional<mplex::MpegAudioHeader> FirstFrameHeader(const QString& fileName)
{
    QFile file(fileName);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(4) : QByteArray();
    if (bytes.size() < 4)
        return std::nullopt;
    return mplex::ParseLayerTwoHeader(reinterpret_cast<const unsigned char*>(bytes.constData()));
}
